#include "platform/realservices.h"
#include "platform/runtimeerror.h"

#include <QApplication>
#include <QDirIterator>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <unistd.h>

using namespace Qt::StringLiterals;
using platform::RuntimeError;

class TstRealServices : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> sandbox;
    std::unique_ptr<platform::RealServices> services;

    QString host(const QString &path) const { return sandbox->filePath(path); }
    // Everything in the prefix, links as links.
    QStringList tree() const
    {
        QStringList paths;
        for (QDirIterator it(sandbox->path(),
                             QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot,
                             QDirIterator::Subdirectories);
             it.hasNext();)
            paths << it.next();
        paths.sort();
        return paths;
    }
    // 0 when the call goes through.
    template<class Call> int errorOf(Call call)
    {
        try {
            call();
            return 0;
        } catch (const RuntimeError &e) {
            return e.number();
        }
    }
    // Makes a file impossible to delete or replace, also for root.
    static bool protect(const QString &file, bool on)
    {
        if (geteuid() == 0)
            return QProcess::execute(u"chattr"_s, {on ? u"+i"_s : u"-i"_s, file}) == 0;
        return QFile::setPermissions(QFileInfo(file).path(),
                                     QFile::ReadOwner | QFile::ExeOwner
                                         | (on ? QFile::Permissions() : QFile::WriteOwner));
    }

private slots:
    // A fresh prefix for every test: floppy A: with files, folders and links
    // into C:; B: leads nowhere.
    void init()
    {
        sandbox = std::make_unique<QTemporaryDir>();
        platform::DriveMap::createPrefix(sandbox->path());
        for (const QString &path :
             {u"floppy_a/A.TXT"_s, u"floppy_a/b.mdb"_s, u"floppy_a/NOKU.MDB"_s,
              u"floppy_a/SUB/inner.txt"_s, u"floppy_a/EMPTY/"_s, u"drive_c/target.txt"_s,
              u"drive_c/FOLDER/kept.txt"_s, u"work/"_s, u"drive_c/TOOLS/"_s}) {
            QVERIFY(QDir().mkpath(QFileInfo(host(path)).path()));
            QVERIFY(path.endsWith(u'/') || QFile(host(path)).open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(host(u"drive_c/target.txt"_s), host(u"floppy_a/tofile"_s)));
        QVERIFY(QFile::link(host(u"drive_c/FOLDER"_s), host(u"floppy_a/todir"_s)));
        QVERIFY(QFile::link(host(u"drive_c/gone"_s), host(u"floppy_a/dead"_s)));
        QVERIFY(QDir(sandbox->path()).rmdir(u"floppy_b"_s));
        services = std::make_unique<platform::RealServices>(
            platform::DriveMap::atPrefix(sandbox->path()), host(u"drive_c/TOOLS"_s),
            host(u"work"_s));
    }

    void deletion_data()
    {
        QTest::addColumn<bool>("folder"); // rmDir, else kill
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("removed");
        QTest::addColumn<int>("error");
        const QStringList top = {u"A.TXT"_s, u"NOKU.MDB"_s, u"b.mdb"_s, u"dead"_s, u"tofile"_s};
        QTest::newRow("top files, links as links") << false << u"A:\\*.*"_s << top << 0;
        QTest::newRow("any case") << false << u"a:\\*.MDB"_s
                                  << QStringList {u"NOKU.MDB"_s, u"b.mdb"_s} << 0;
        QTest::newRow("doubled separator")
            << false << u"A:\\\\a.txt"_s << QStringList {u"A.TXT"_s} << 0;
        QTest::newRow("a folder's files")
            << false << u"A:\\SUB\\*.*"_s << QStringList {u"SUB/inner.txt"_s} << 0;
        QTest::newRow("dot dot stays on A:") << false << u"A:\\..\\..\\*.*"_s << top << 0;
        QTest::newRow("no match") << false << u"A:\\*.arj"_s << QStringList() << 53;
        QTest::newRow("link to a folder") << false << u"A:\\todir"_s << QStringList() << 53;
        QTest::newRow("never through a link")
            << false << u"A:\\todir\\*.*"_s << QStringList() << 75;
        QTest::newRow("shell characters") << false << u"A:\\*;rm *"_s << QStringList() << 53;
        QTest::newRow("missing folder") << false << u"A:\\NOPE\\*.*"_s << QStringList() << 76;
        QTest::newRow("unmapped drive") << false << u"Q:\\*.*"_s << QStringList() << 71;
        QTest::newRow("missing floppy folder") << false << u"B:\\*.*"_s << QStringList() << 71;
        QTest::newRow("rmdir empty") << true << u"A:\\empty\\"_s << QStringList {u"EMPTY"_s} << 0;
        QTest::newRow("rmdir link, as a link")
            << true << u"A:\\todir\\"_s << QStringList {u"todir"_s} << 0;
        QTest::newRow("rmdir not empty") << true << u"A:\\SUB\\"_s << QStringList() << 75;
        QTest::newRow("rmdir drive") << true << u"A:\\EMPTY\\..\\..\\"_s << QStringList() << 75;
        QTest::newRow("rmdir missing") << true << u"A:\\NOPE\\"_s << QStringList() << 76;
        QTest::newRow("rmdir not above A:")
            << true << u"A:\\..\\drive_c\\FOLDER\\"_s << QStringList() << 76;
    }
    void deletion()
    {
        QFETCH(bool, folder);
        QFETCH(QString, path);
        QFETCH(QStringList, removed);
        QFETCH(int, error);
        QStringList expected = tree();
        for (const QString &entry : removed)
            QVERIFY(expected.removeOne(host(u"floppy_a/"_s + entry)));
        QCOMPARE(errorOf([&] { folder ? services->rmDir(path) : services->kill(path); }), error);
        QCOMPARE(tree(), expected);
    }

    void killWriteProtected()
    {
        if (!protect(host(u"floppy_a/b.mdb"_s), true))
            QSKIP("cannot protect a file here");
        const int error = errorOf([&] { services->kill(u"A:\\*.*"_s); });
        protect(host(u"floppy_a/b.mdb"_s), false);
        QCOMPARE(error, int(RuntimeError::PathFileAccessError));
        QVERIFY(QFile::exists(host(u"floppy_a/b.mdb"_s)));
    }

    void lists()
    {
        QVERIFY(QDir(host(u"floppy_a"_s)).mkdir(u"beta"_s));
        QCOMPARE(services->subdirectories(u"a:\\"_s),
                 QStringList({u"beta"_s, u"EMPTY"_s, u"SUB"_s, u"todir"_s}));
        QCOMPARE(services->files(u"A:\\\\"_s),
                 QStringList({u"A.TXT"_s, u"b.mdb"_s, u"dead"_s, u"NOKU.MDB"_s, u"tofile"_s}));
        QCOMPARE(errorOf([&] { services->files(u"A:\\NOPE"_s); }), int(RuntimeError::PathNotFound));
        QCOMPARE(errorOf([&] { services->subdirectories(u"B:\\"_s); }),
                 int(RuntimeError::DiskNotReady));
        QCOMPARE(services->appPath(), u"C:\\TOOLS"_s);
    }

    void pathFile()
    {
        QCOMPARE(errorOf([&] { services->readFile(u"hobe.ini"_s); }),
                 int(RuntimeError::FileNotFound));
        const QByteArray old = "DBN = C:\\\xc4LT\\\r\n";
        services->writeFile(u"hobe.ini"_s, old);
        QVERIFY(QDir(host(u"work"_s)).mkdir(u"folder.ini"_s));
        QCOMPARE(errorOf([&] { services->writeFile(u"folder.ini"_s, "x"); }),
                 int(RuntimeError::PathFileAccessError));
        if (!protect(host(u"work/hobe.ini"_s), true))
            QSKIP("cannot protect a file here");
        const int error = errorOf([&] { services->writeFile(u"hobe.ini"_s, "new"); });
        protect(host(u"work/hobe.ini"_s), false);
        QCOMPARE(error, int(RuntimeError::PermissionDenied));
        QCOMPARE(services->readFile(u"hobe.ini"_s), old);
    }

    void msgBox_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("icon");
        QTest::addColumn<int>("click"); // -1: Escape
        QTest::addColumn<int>("answer");
        QTest::newRow("0") << 0 << int(QMessageBox::NoIcon) << 0 << 1;
        QTest::newRow("48") << 48 << int(QMessageBox::Warning) << 0 << 1;
        QTest::newRow("36 Ja") << 36 << int(QMessageBox::Question) << 0 << 6;
        QTest::newRow("36 Nein") << 36 << int(QMessageBox::Question) << 1 << 7;
        QTest::newRow("36 Escape") << 36 << int(QMessageBox::Question) << -1 << 7;
    }
    void msgBox()
    {
        QFETCH(int, style);
        QFETCH(int, icon);
        QFETCH(int, click);
        QFETCH(int, answer);
        QStringList shown;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box && box->windowTitle() == u"Horbelung" && box->text() == u"Frage");
            QCOMPARE(int(box->icon()), icon);
            for (QAbstractButton *button : box->buttons())
                shown << button->text();
            click < 0 ? QTest::keyClick(box, Qt::Key_Escape) : box->buttons().at(click)->click();
        });
        QCOMPARE(services->msgBox(u"Frage"_s, style), answer);
        QCOMPARE(shown, style == 36 ? QStringList({u"&Ja"_s, u"&Nein"_s}) : QStringList({u"OK"_s}));
    }

    void hourglassNeverStacks()
    {
        services->setMousePointer(11);
        services->setMousePointer(11);
        QVERIFY(QApplication::overrideCursor());
        services->setMousePointer(0);
        QVERIFY(!QApplication::overrideCursor());
    }
};

QTEST_MAIN(TstRealServices)
#include "tst_realservices.moc"
