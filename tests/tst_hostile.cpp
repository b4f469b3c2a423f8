// Hostile input through the real window on the recording fake: an overlong
// path and shell syntax in the two fields and in the names of floppy folders.
// Nothing crashes, and nothing runs but the archiver, its words taken
// literally. (Hostile path files are the path-file fuzzer's.)
#include "platform/runtimeerror.h"
#include "sandboxtree.h"
#include "windowdriver.h"

#include <QDirIterator>

using namespace Qt::StringLiterals;
using platform::RuntimeError;

namespace {

const QString failed
    = u"box 16: Die Horbelung / Wiederherstellung wurde nicht vollständig durchgeführt."_s;

QString errorBox(int number)
{
    return u"box 0: Fehler Nr.:  %1    %2"_s.arg(number).arg(RuntimeError::descriptionOf(number));
}

// Every file of that name below the folders.
QStringList found(const QStringList &folders, const QString &name)
{
    QStringList paths;
    for (const QString &folder : folders) {
        for (QDirIterator it(folder, {name}, QDir::Files | QDir::Hidden | QDir::System,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            paths << it.next();
    }
    return paths;
}

} // namespace

class TstHostile : public QObject
{
    Q_OBJECT

private slots:
    // A folder longer than Windows takes: the failure boxes before any conversion, no launch;
    // one of the longest it takes is launched.
    void overlongPath_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("length");
        QTest::newRow("database directory") << u"Mh3dText2"_s << u"Option3D1"_s << 249;
        QTest::newRow("backup directory") << u"Mh3dText1"_s << u"Option3D5"_s << 249;
        QTest::newRow("far beyond the DOS form's counter")
            << u"Mh3dText2"_s << u"Option3D1"_s << 40000;
        QTest::newRow("just short enough") << u"Mh3dText1"_s << u"Option3D5"_s << 248;
    }
    void overlongPath()
    {
        QFETCH(QString, field);
        QFETCH(QString, target);
        QFETCH(int, length);
        WindowDriver d;
        d.openPage2(u"C:\\NOKRAT\\"_s);
        d.click(target);
        const QString path = u"C:\\"_s + QString(length - 4, u'A') + u'\\';
        d.control<QLineEdit>(field)->setText(path);
        d.services.log.clear();
        d.click(u"Command3D1"_s);
        if (length <= 248) {
            QCOMPARE(d.services.launches().size(), 1);
            return;
        }
        QCOMPARE(d.dialogue(),
                 QStringList({u"beep"_s, failed, errorBox(RuntimeError::BadFileNameOrNumber)}));
        QCOMPARE(d.services.pointer, 0);
        QCOMPARE(d.control<QLineEdit>(field)->text(), path);
    }

    // Shell syntax in the fields reaches the real archiver through the real
    // launcher and a console stub; the archiver's own switches that run a
    // command (-hc, -vs) never come from a field.
    void fields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("refused"); // the failure boxes instead of a launch
        // A "~" keeps the DOS form from touching the text, blanks included.
        QTest::newRow(";") << u"C:\\~\\;touch PWNED;"_s << false;
        QTest::newRow("$()") << u"C:\\~\\$(touch PWNED)"_s << false;
        QTest::newRow("back-quotes") << u"C:\\~\\`touch PWNED`"_s << false;
        QTest::newRow("quotes") << u"C:\\~\\\"$(touch PWNED)\"'`touch PWNED`'"_s << false;
        QTest::newRow("&") << u"C:\\~\\&touch PWNED&"_s << false;
        QTest::newRow("|") << u"C:\\~\\|touch PWNED|"_s << false;
        QTest::newRow("newlines") << u"C:\\~\\\ntouch PWNED\n"_s << false;
        QTest::newRow("..") << u"C:\\~\\..\\..\\..\\..\\;touch PWNED"_s << false;
        QTest::newRow("archiver switch") << u"-hctouch${IFS}PWNED"_s << true;
        QTest::newRow("archiver switch after a blank") << u"C:\\~\\ -hctouch${IFS}PWNED"_s << true;
        QTest::newRow("volume command") << u"C:\\~\\ -vstouch${IFS}PWNED"_s << true;
    }
    void fields()
    {
        QFETCH(QString, text);
        QFETCH(bool, refused);
        if (!QFile::exists(u"/usr/bin/arj"_s))
            QSKIP("arj is not installed");
        WindowDriver d;
        QTemporaryDir bin;
        QVERIFY(QFile::link(u"/usr/bin/arj"_s, d.services.hostOf(u"C:\\TOOLS\\arj.exe"_s)));
        QFile console(bin.filePath(u"xterm"_s));
        QVERIFY(console.open(QIODevice::WriteOnly));
        console.write("#!/bin/sh\nwhile [ \"$1\" != -e ]; do shift; done\nshift\n\"$@\" </dev/null "
                      ">/dev/null 2>&1\necho >>\""
                      + bin.filePath(u"ended"_s).toUtf8() + "\"\n");
        console.close();
        QVERIFY(console.setPermissions(console.permissions() | QFile::ExeOwner));

        // A backup to A: from the database field, a restore from the hard disk
        // with both fields.
        d.control<QLineEdit>(u"Mh3dText2"_s)->setText(text);
        d.click(u"Command3D10"_s);
        d.click(u"Command3D1"_s);
        d.click(u"Option3D4"_s);
        d.click(u"Option3D5"_s);
        d.control<QLineEdit>(u"Mh3dText1"_s)->setText(text);
        d.services.answers = {platform::MsgBox::Yes};
        d.click(u"Command3D1"_s);
        const QStringList launches = d.services.launches();
        QCOMPARE(launches.isEmpty(), refused);
        QCOMPARE(d.dialogue().count(failed), refused ? 2 : 0);

        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toUtf8() + ':' + path);
        int started = 0;
        for (const QString &line : launches) {
            try {
                d.services.platform::RealServices::shell(line, platform::WindowStyle::NormalFocus,
                                                         {});
                ++started;
            } catch (const RuntimeError &) {
                // A line the launcher refuses runs nothing either.
            }
        }
        qputenv("PATH", path);
        QVERIFY(refused || started > 0);
        const auto ended = [&bin] {
            QFile file(bin.filePath(u"ended"_s));
            return file.open(QIODevice::ReadOnly) ? int(file.readAll().size()) : 0;
        };
        QTRY_COMPARE_WITH_TIMEOUT(ended(), started, 20000);
        const QString sandbox = QFileInfo(d.services.workingDirectory()).path();
        QCOMPARE(found({sandbox, bin.path(), QDir::currentPath()}, u"*PWNED*"_s), QStringList());
    }

    // Folders named with shell syntax go with their files; a name that a
    // Windows path cannot hold (a backslash, a wildcard) is never shown, so
    // it cannot stand for another folder or for all files of one.
    void floppyNames()
    {
        WindowDriver d;
        const QStringList names
            = {u";touch PWNED"_s, u"$(touch PWNED)"_s, u"`touch PWNED`"_s, u"\"'"_s, u"&x&"_s,
               u"|x|"_s,          u"a\nb"_s,           u"x..y"_s,          u"-hcx"_s};
        QStringList floppy {u"KEEP.TXT"_s,
                            u"ALT/*"_s,
                            u"ALT/inner.txt"_s,
                            u"..\\../inner.txt"_s,
                            u"x\\..\\../inner.txt"_s,
                            u"*/inner.txt"_s};
        QStringList left = floppy;
        for (const QString &name : names)
            floppy << name + u"/inner.txt"_s;
        sandboxtree::make(d.services.hostOf(u"A:\\"_s), floppy);
        d.openPage2(u"C:\\NOKRAT\\"_s);
        d.click(u"Command3D4"_s);
        auto *dir1 = d.control<platform::DirListBox>(u"Dir1"_s);
        auto *file1 = d.control<platform::FileListBox>(u"File1"_s);
        QCOMPARE(dir1->listCount(), names.size() + 1);

        file1->setPath(u"A:\\ALT"_s);
        QCOMPARE(file1->listCount(), 1);
        file1->setListIndex(0);
        d.click(u"Command4"_s);
        left.removeOne(u"ALT/inner.txt"_s);
        for (const QString &name : names) {
            for (int index = 0; index < dir1->listCount(); ++index) {
                if (dir1->list(index) == u"A:\\"_s + name)
                    dir1->setListIndex(index);
            }
            d.click(u"Command3"_s);
        }
        QCOMPARE(dir1->listCount(), 1);
        for (const QString &entry : QStringList(left)) {
            if (entry.contains(u'/'))
                left << entry.section(u'/', 0, 0) + u'/';
        }
        left.removeDuplicates();
        left.sort();
        QCOMPARE(sandboxtree::read(d.services.hostOf(u"A:\\"_s)), left);
        QCOMPARE(d.services.launches(), QStringList());
    }
};

QTEST_MAIN(TstHostile)
#include "tst_hostile.moc"
