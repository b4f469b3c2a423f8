#include "platform/drivemap.h"
#include "rows.h"
#include "rules/runtimeerror.h"
#include "thrown.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using platform::DriveMap;

namespace {

// A path, named by itself, and the other system's path of it; exact is the
// path where its name cannot hold it.
struct Path
{
    const char *name;
    QString other, exact = {};
};

} // namespace

class TstDriveMap : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;

private slots:
    void initTestCase()
    {
        DriveMap::createPrefix(sandbox.path());
        for (const QString &path : {u"NOKRAT"_s, u"Eigene Dateien/Daten"_s, u"Case"_s, u"case"_s})
            QVERIFY(QDir(sandbox.filePath(u"drive_c"_s)).mkpath(path));
        QVERIFY(QDir(sandbox.path()).rmdir(u"floppy_b"_s)); // B: leads nowhere now
        // A neighbour whose name begins like drive_c's, and a drive written in upper case.
        QVERIFY(QDir(sandbox.path()).mkpath(u"drive_cc/TOOLS"_s));
        QVERIFY(QDir(sandbox.path()).mkpath(u"drive_d"_s));
        QVERIFY(QFile::link(u"../drive_d"_s, sandbox.filePath(u"dosdevices/D:"_s)));
        QVERIFY(QFile::link(u"../drive_d"_s, sandbox.filePath(u"dosdevices/e:"_s)));
    }

    // A Windows path, then the host path below the prefix or the error
    // number; an exact name goes before the first name equal without regard
    // to case. (Which name of a folder a component means is
    // tst_hostfs::findEntry's.) A host path below the sandbox, then its
    // Windows path ("%" for the sandbox's own): the longest root wins, and
    // of two drives with the same root the first.
    void converts_data()
    {
        addRows({
            Path("c:\\nokrat\\Neu\\X.mdb", u"/drive_c/NOKRAT/Neu/X.mdb"_s),
            Path("C:\\case\\", u"/drive_c/case/"_s),
            Path("C:\\EIGENE~1\\Daten", u"/drive_c/Eigene Dateien/Daten"_s),
            Path("C:\\NOKRAT~1", u"/drive_c/NOKRAT~1"_s),
            Path("A:\\X\\..\\..\\..\\drive_c", u"/floppy_a/drive_c"_s),
            Path("A:\\$(id);`id`&|\"'.arj", u"/floppy_a/$(id);`id`&|\"'.arj"_s),
            Path("Q:\\X", u"71"_s),
            Path("B:\\", u"71"_s),
            Path("d:\\X", u"/drive_d/X"_s),
            Path("\\NOKRAT\\", u"52"_s),
            Path("C:\\A\\0/etc", u"52"_s, u"C:\\A"_s + QChar(0) + u"/etc"_s),
            Path("/drive_c/TOOLS", u"C:\\TOOLS"_s),
            Path("/drive_c", u"C:\\"_s),
            Path("/drive_cc/TOOLS", u"%\\drive_cc\\TOOLS"_s),
            Path("/drive_d/X", u"D:\\X"_s),
        });
    }
    void converts()
    {
        QFETCH(Path, row);
        const DriveMap drives = DriveMap::atPrefix(sandbox.path());
        const QString root = QDir(sandbox.path()).canonicalPath();
        const QString from = row.exact.isNull() ? QString::fromUtf8(row.name) : row.exact;
        QString to;
        const int error = thrown([&] {
            to = from.startsWith(u'/') ? drives.toWindows(root + from)
                                       : drives.toHost(from).mid(root.size());
        });
        QCOMPARE(error ? QString::number(error) : to,
                 QString(row.other).replace(u"%"_s, drives.toWindows(root)));
    }

    // Each step adds a source that goes before the previous one.
    void fromEnvironment()
    {
        QTemporaryDir env; // never the real ~/.wine or ~/.local/share
        // The prefix's dosdevices, and how many drives it has.
        const auto chosen = [&] {
            const DriveMap drives = DriveMap::fromEnvironment();
            return u"%1 %2"_s.arg(QDir(env.path()).relativeFilePath(drives.dosdevices()))
                .arg(drives.drives().size());
        };
        qputenv("HOME", QString(env.path() + u"/home"_s).toUtf8());
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("WINEPREFIX");
        QVERIFY(QDir(env.path()).mkpath(u"home/.wine"_s)); // no dosdevices: no Wine prefix
        QCOMPARE(chosen(), u"home/.local/share/horbelung/dosdevices 4"_s);
        qputenv("XDG_DATA_HOME", QString(env.path() + u"/xdg"_s).toUtf8());
        QCOMPARE(chosen(), u"xdg/horbelung/dosdevices 4"_s);
        // The user's own Wine prefix is used, never filled.
        QVERIFY(QDir(env.path()).mkpath(u"home/.wine/dosdevices"_s));
        QCOMPARE(chosen(), u"home/.wine/dosdevices 0"_s);
        qputenv("WINEPREFIX", QString(env.path() + u"/wp"_s).toUtf8());
        QCOMPARE(chosen(), u"wp/dosdevices 4"_s);
    }
};

QTEST_GUILESS_MAIN(TstDriveMap)
#include "tst_drivemap.moc"
