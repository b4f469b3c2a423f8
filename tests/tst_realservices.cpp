#include "platform/hostfs.h"
#include "platform/realservices.h"
#include "rules/runtimeerror.h"
#include "sandboxtree.h"
#include "thrown.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class TstRealServices : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;
    platform::RealServices services {platform::DriveMap::createPrefix(sandbox.path()),
                                     sandbox.filePath(u"drive_c/TOOLS"_s), sandbox.path()};

private slots:
    void cleanupTestCase() { sandboxtree::removeAll(sandbox.filePath(u"floppy_a"_s)); }

    // "pattern to kill, or folder to remove (with its backslash) = error
    // number, then what went from the whole prefix"; links go as links, and
    // nothing is reached through them. As on Windows, hidden files stay, a
    // read-only file is not deleted, and a name that is not UTF-8 goes by
    // the name the lists show for it.
    void deletion_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const QString &row :
             {u"A:\\*.* = 75 A.TXT Bücher.mdb NOKU.MDB b.mdb dead tofile"_s,
              u"a:\\*.MDB = Bücher.mdb NOKU.MDB b.mdb"_s, u"A:\\BÜCHER.MDB = Bücher.mdb"_s,
              u"A:\\zro.txt = 75"_s, u"A:\\.hidden = 53"_s, u"A:\\SUB\\*.* = SUB/inner.txt"_s,
              u"A:\\*.arj = 53"_s, u"A:\\todir = 53"_s, u"A:\\todir\\*.* = 75"_s,
              u"A:\\NOPE\\*.* = 76"_s, u"Q:\\*.* = 71"_s, u"A:\\empty\\ = EMPTY/"_s,
              u"A:\\todir\\ = todir"_s, u"A:\\SUB\\ = 75"_s, u"A:\\EMPTY\\..\\..\\ = 75"_s,
              u"A:\\NOPE\\ = 76"_s})
            QTest::newRow(qPrintable(row)) << row.split(u" = "_s);
    }
    void deletion()
    {
        QFETCH(QStringList, row);
        QVERIFY(sandboxtree::removeAll(sandbox.filePath(u"floppy_a"_s)));
        sandboxtree::make(sandbox.filePath(u"floppy_a"_s),
                          {u"A.TXT"_s, u"b.mdb"_s, u"NOKU.MDB"_s,
                           platform::hostfs::decode("B\374cher.mdb"), u"zro.txt"_s, u".hidden"_s,
                           u".cache/x"_s, u"SUB/inner.txt"_s, u"EMPTY/"_s,
                           u"../drive_c/target.txt"_s, u"../drive_c/FOLDER/kept.txt"_s,
                           u"tofile -> ../drive_c/target.txt"_s, u"todir -> ../drive_c/FOLDER"_s,
                           u"dead -> ../drive_c/gone"_s});
        QVERIFY(QFile::setPermissions(sandbox.filePath(u"floppy_a/zro.txt"_s),
                                      QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
        QStringList gone = sandboxtree::read(sandbox.path());
        QStringList outcome;
        if (const int error = thrown(
                [&] { row[0].endsWith(u'\\') ? services.rmDir(row[0]) : services.kill(row[0]); }))
            outcome << QString::number(error);
        for (const QString &entry : sandboxtree::read(sandbox.path()))
            gone.removeOne(entry);
        outcome << gone.replaceInStrings(QRegularExpression(u"^floppy_a/| -> .*"_s), QString());
        QCOMPARE(outcome.join(u' '), row[1]);
    }

    // "where a: leads (in the sandbox, whose "home" is the home folder) =
    // error number of listing A:, then of erasing it"; nothing changes.
    // The root, the home folder, the prefix's drive C:, the system's folders
    // and those holding one of them are no floppy, nor is a plain folder in
    // the home folder; the system's are only listed, never erased.
    void notAFloppy_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const QString &row :
             {u"home = 71 71"_s, u"home/.. = 71 71"_s, u"drive_c = 71 71"_s,
              u"home/stick = 71 71"_s, u"/ = 71"_s, u"/etc = 71"_s, u"/usr = 71"_s})
            QTest::newRow(qPrintable(row)) << row.split(u" = "_s);
    }
    void notAFloppy()
    {
        QFETCH(QStringList, row);
        const QString home = sandbox.filePath(u"home"_s);
        sandboxtree::make(home, {u".bashrc"_s, u"notiz.txt"_s, u"stick/foto.jpg"_s});
        const QString a = services.driveMap().dosdevices() + u"/a:"_s;
        const QByteArray savedHome = qgetenv("HOME");
        const auto restore = qScopeGuard([&] {
            qputenv("HOME", savedHome);
            QFile::remove(a);
            QFile::link(u"../floppy_a"_s, a);
        });
        qputenv("HOME", QFile::encodeName(home));
        QVERIFY(QFile::remove(a));
        QVERIFY(QFile::link(row[0].startsWith(u'/') ? row[0] : sandbox.filePath(row[0]), a));
        const QStringList before = sandboxtree::read(sandbox.path());
        QString outcome = QString::number(thrown([&] { services.files(u"A:\\"_s); }));
        if (!row[0].startsWith(u'/'))
            outcome += u' ' + QString::number(thrown([&] { services.kill(u"A:\\*.*"_s); }));
        QCOMPARE(outcome, row[1]);
        QCOMPARE(sandboxtree::read(sandbox.path()), before);
    }

    // "what stands as hobe.ini (as sandboxtree makes it, else nothing, a FIFO
    // or a file over 16 MiB) = what reading it gives: the content or the
    // error number". Only a regular file is read, and not without limit.
    void readFile_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const QString &row : {u"nothing = 53"_s, u"hobe.ini -> gone = 53"_s, u"fifo = 75"_s,
                                   u"hobe.ini -> /dev/zero = 75"_s, u"hobe.ini/ = 75"_s,
                                   u"16 MiB + 1 = 7"_s, u"HOBE.INI = HOBE.INI"_s})
            QTest::newRow(qPrintable(row)) << row.split(u" = "_s);
    }
    void readFile()
    {
        QFETCH(QStringList, row);
        const QString &file = row[0];
        const QString path = sandbox.filePath(u"hobe.ini"_s);
        const auto remove = qScopeGuard([&] {
            QFile::remove(path);
            QDir().rmdir(path);
            QFile::remove(sandbox.filePath(u"HOBE.INI"_s));
        });
        if (file == u"fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0644), 0);
        } else if (file == u"16 MiB + 1") {
            QFile big(path);
            QVERIFY(big.open(QIODevice::WriteOnly) && big.resize((16 << 20) + 1));
        } else if (file != u"nothing") {
            sandboxtree::make(sandbox.path(), {file});
        }
        QString outcome;
        // Ended rather than left hanging should reading wait for ever.
        alarm(20);
        const int error
            = thrown([&] { outcome = QString::fromUtf8(services.readFile(u"hobe.ini"_s)); });
        alarm(0);
        QCOMPARE(error ? QString::number(error) : outcome, row[1]);
    }

    // Z: holds everything as well; C: is the closer drive. Without either the
    // program directory has no Windows path: an error, never an empty one.
    void appPath()
    {
        QCOMPARE(services.appPath(), u"C:\\TOOLS"_s);
        QTemporaryDir bare;
        QVERIFY(QDir(bare.path()).mkpath(u"dosdevices"_s));
        try {
            platform::RealServices(platform::DriveMap::atPrefix(bare.path()), bare.path())
                .appPath();
            QFAIL("no error");
        } catch (const rules::RuntimeError &e) {
            QCOMPARE(e.number(), 76);
            QVERIFY(e.description().contains(bare.path()));
        }
    }

    // "pointers asked for, style, button clicked (-1: Escape) = QMessageBox::Icon,
    // buttons, answer, pointer over the main window". Over the box the pointer
    // stays the normal one, and the box is wide enough for the title bar.
    void msgBox_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const QString &row :
             {u"- 0 0 = 0 OK 1 normal"_s, u"- 16 0 = 3 OK 1 normal"_s, u"- 48 0 = 2 OK 1 normal"_s,
              u"- 36 0 = 4 &Ja &Nein 6 normal"_s, u"- 36 1 = 4 &Ja &Nein 7 normal"_s,
              u"- 36 -1 = 4 &Ja &Nein 7 normal"_s, u"11 48 0 = 2 OK 1 busy"_s,
              u"11,11,0 48 0 = 2 OK 1 normal"_s, u"11,0,11 0 0 = 0 OK 1 busy"_s})
            QTest::newRow(qPrintable(row)) << row.split(u" = "_s);
    }
    void msgBox()
    {
        QFETCH(QStringList, row);
        const QStringList asked = row[0].split(u' ');
        QWidget window;
        services.setPointerWindow(&window);
        for (const QString &pointer : asked[0].split(u',', Qt::SkipEmptyParts))
            services.setMousePointer(pointer == u"-" ? 0 : pointer.toInt());
        const int click = asked[2].toInt();
        QStringList shown;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            shown << QString::number(box->icon());
            for (QAbstractButton *button : box->buttons())
                shown << button->text();
            // Checked here, answered below: a box left open would hang the test.
            if (QApplication::overrideCursor() || box->cursor().shape() != Qt::ArrowCursor)
                shown << u"busy over the box"_s;
            // Title, icon, three title bar buttons and the frame.
            if (box->width() < box->fontMetrics().horizontalAdvance(box->windowTitle()) + 120)
                shown << u"too narrow for the title"_s;
            click < 0 ? QTest::keyClick(box, Qt::Key_Escape) : box->buttons().at(click)->click();
        });
        // The answer goes after what the box showed.
        shown << QString::number(services.msgBox(u"Frage"_s, asked[1].toInt()));
        shown << (window.cursor().shape() == Qt::WaitCursor ? u"busy"_s : u"normal"_s);
        QCOMPARE(shown.join(u' '), row[1]);
    }
};

QTEST_MAIN(TstRealServices)
#include "tst_realservices.moc"
