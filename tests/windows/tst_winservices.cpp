#include "../fakeservices.h"
#include "platform/runtimeerror.h"

#include <QTest>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

const wchar_t *wide(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

// Entries on A: as "X/" for a folder, "x" for a file, with "h:", "s:" or
// "r:" in front for the hidden, system or read-only attribute.
void make(const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QString name = entry.contains(u':') ? entry.section(u':', 1) : entry;
        const QString path = u"A:\\"_s + name;
        if (name.endsWith(u'/')) {
            QVERIFY(CreateDirectoryW(wide(path), nullptr));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(name.toUtf8()) > 0);
        }
        const DWORD attribute = entry.startsWith(u"h:") ? FILE_ATTRIBUTE_HIDDEN
            : entry.startsWith(u"s:")                   ? FILE_ATTRIBUTE_SYSTEM
            : entry.startsWith(u"r:")                   ? FILE_ATTRIBUTE_READONLY
                                                        : 0;
        if (attribute)
            QVERIFY(SetFileAttributesW(wide(path), attribute));
    }
}

// Everything on A: but the marker, hidden entries included, in name order.
QStringList left()
{
    QStringList names;
    const QDir floppy(u"A:/"_s);
    for (const QFileInfo &entry :
         floppy.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                              QDir::Name | QDir::IgnoreCase)) {
        if (entry.fileName() != u"horbelung-sandbox")
            names << entry.fileName() + (entry.isDir() ? u"/"_s : QString());
    }
    return names;
}

// A drive letter the prefix maps to a folder that is missing, as a drive
// without a disk (the test run's prefix has n: so); empty when there is none.
QString driveNotReady(const QStringList &drives)
{
    for (const QString &drive : drives) {
        if (GetFileAttributesW(wide(drive + u'\\')) == INVALID_FILE_ATTRIBUTES)
            return drive;
    }
    return {};
}

} // namespace

class TestWinServices : public QObject
{
    Q_OBJECT
private slots:
    void drives()
    {
        FakeServices services;
        const QStringList drives = services.drives();
        QVERIFY(drives.contains(u"a:"_s) && drives.contains(u"c:"_s));
        QVERIFY(std::is_sorted(drives.begin(), drives.end()));
        const QString notReady = driveNotReady(drives);
        if (notReady.isEmpty())
            QSKIP("the prefix has no drive leading to a missing folder");
        // Without a system dialog, which would hang this test.
        for (const auto &call : {std::function([&] { services.files(notReady + u'\\'); }),
                                 std::function([&] { services.kill(notReady + u"\\*.*"_s); })}) {
            try {
                call();
                QFAIL("no error");
            } catch (const platform::RuntimeError &error) {
                QCOMPARE(error.number(), int(platform::RuntimeError::DiskNotReady));
            }
        }
    }

    // Operations on A: with entries made first; the error they give
    // (0 for none), what they list and what is left on the disk.
    void fileOperations_data()
    {
        QTest::addColumn<QStringList>("floppy");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("error");
        QTest::addColumn<QStringList>("listed");
        QTest::addColumn<QStringList>("after");
        const QStringList hidden {u"h:versteckt.mdb"_s, u"s:SYSTEM.MDB"_s, u"h:VERSTECKT/"_s};
        QTest::newRow("lists leave hidden and system entries out, any case in order")
            << hidden + QStringList {u"b/"_s, u"A/"_s, u"c.mdb"_s, u"B.mdb"_s} << u"files A:\\"_s
            << 0 << QStringList {u"B.mdb"_s, u"c.mdb"_s}
            << QStringList {u"A/"_s,         u"b/"_s,         u"B.mdb"_s,        u"c.mdb"_s,
                            u"SYSTEM.MDB"_s, u"VERSTECKT/"_s, u"versteckt.mdb"_s};
        QTest::newRow("folders listed")
            << hidden + QStringList {u"b/"_s, u"A/"_s, u"c.mdb"_s} << u"subdirectories A:\\"_s << 0
            << QStringList {u"A"_s, u"b"_s}
            << QStringList {u"A/"_s,         u"b/"_s,         u"c.mdb"_s,
                            u"SYSTEM.MDB"_s, u"VERSTECKT/"_s, u"versteckt.mdb"_s};
        QTest::newRow("missing folder listed")
            << QStringList() << u"files A:\\FEHLT\\"_s << 76 << QStringList() << QStringList();
        QTest::newRow("kill spares hidden, system files and folders")
            << hidden + QStringList {u"ALT/"_s, u"a.mdb"_s} << u"kill A:\\*.*"_s << 0
            << QStringList()
            << QStringList {u"ALT/"_s, u"SYSTEM.MDB"_s, u"VERSTECKT/"_s, u"versteckt.mdb"_s};
        QTest::newRow("kill one name, any case")
            << QStringList {u"a.mdb"_s, u"b.mdb"_s} << u"kill A:\\A.MDB"_s << 0 << QStringList()
            << QStringList {u"b.mdb"_s};
        QTest::newRow("kill finds only hidden ones")
            << hidden << u"kill A:\\*.mdb"_s << 53 << QStringList()
            << QStringList {u"SYSTEM.MDB"_s, u"VERSTECKT/"_s, u"versteckt.mdb"_s};
        QTest::newRow("kill a read-only file") << QStringList {u"r:a.mdb"_s} << u"kill A:\\*.*"_s
                                               << 75 << QStringList() << QStringList {u"a.mdb"_s};
        QTest::newRow("kill in a missing folder")
            << QStringList() << u"kill A:\\FEHLT\\*.*"_s << 76 << QStringList() << QStringList();
        QTest::newRow("rmdir empty folder")
            << QStringList {u"ALT/"_s, u"a.mdb"_s} << u"rmdir A:\\ALT\\"_s << 0 << QStringList()
            << QStringList {u"a.mdb"_s};
        QTest::newRow("rmdir folder holding a hidden file")
            << QStringList {u"ALT/"_s, u"h:ALT/x"_s} << u"rmdir A:\\ALT"_s << 75 << QStringList()
            << QStringList {u"ALT/"_s};
        QTest::newRow("rmdir the root")
            << QStringList() << u"rmdir A:\\"_s << 75 << QStringList() << QStringList();
        QTest::newRow("rmdir a file") << QStringList {u"a.mdb"_s} << u"rmdir A:\\a.mdb"_s << 75
                                      << QStringList() << QStringList {u"a.mdb"_s};
        QTest::newRow("rmdir missing")
            << QStringList() << u"rmdir A:\\FEHLT\\"_s << 76 << QStringList() << QStringList();
        QTest::newRow("no drive letter") << QStringList() << u"files \\\\server\\share\\"_s << 52
                                         << QStringList() << QStringList();
    }
    void fileOperations()
    {
        QFETCH(QStringList, floppy);
        QFETCH(QString, operation);
        FakeServices services;
        make(floppy);
        const QString verb = operation.section(u' ', 0, 0);
        const QString path = operation.section(u' ', 1);
        QStringList listed;
        int error = 0;
        try {
            if (verb == u"files")
                listed = services.files(path);
            else if (verb == u"subdirectories")
                listed = services.subdirectories(path);
            else if (verb == u"kill")
                services.kill(path);
            else
                services.rmDir(path);
        } catch (const platform::RuntimeError &e) {
            error = e.number();
        }
        QTEST(error, "error");
        QTEST(listed, "listed");
        for (const QString &name : left())
            SetFileAttributesW(wide(u"A:\\"_s + name), FILE_ATTRIBUTE_NORMAL);
        QTEST(left(), "after");
    }

    // hobe.ini written over an existing file: the error (0 for none) and the
    // content and hidden attribute it has afterwards.
    void writeFile_data()
    {
        QTest::addColumn<DWORD>("attributes");
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QString>("stored");
        QTest::newRow("new file") << DWORD(INVALID_FILE_ATTRIBUTES) << 0 << "neu"_ba << false
                                  << u"hobe.ini"_s;
        QTest::newRow("replaced under its own name, attributes kept")
            << DWORD(FILE_ATTRIBUTE_HIDDEN) << 0 << "neu"_ba << true << u"HOBE.INI"_s;
        QTest::newRow("read-only stays as it was")
            << DWORD(FILE_ATTRIBUTE_READONLY) << 70 << "alt"_ba << false << u"HOBE.INI"_s;
    }
    void writeFile()
    {
        QFETCH(DWORD, attributes);
        FakeServices services;
        const QString path = QDir::toNativeSeparators(services.workingDirectory() + u"/HOBE.INI"_s);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("alt") == 3);
            old.close();
            QVERIFY(SetFileAttributesW(wide(path), attributes));
        }
        int error = 0;
        try {
            services.writeFile(u"hobe.ini"_s, "neu"_ba);
        } catch (const platform::RuntimeError &e) {
            error = e.number();
        }
        QTEST(error, "error");
        QTEST(services.readFile(u"hobe.ini"_s), "content");
        // Nothing left beside it.
        QTEST(QDir(services.workingDirectory()).entryList(QDir::Files | QDir::Hidden).join(u'|'),
              "stored");
        QTEST(bool(GetFileAttributesW(wide(path)) & FILE_ATTRIBUTE_HIDDEN), "hidden");
        SetFileAttributesW(wide(path), FILE_ATTRIBUTE_NORMAL);
    }

    // Launches by the system's rules, in the working directory (%WORK%,
    // which holds a copy of the command interpreter in "Mein Ordner"): what
    // a started program leaves there, or the error.
    void shell_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("written");
        QTest::newRow("program found on the path, in a console")
            << u"cmd.exe /c echo hi>gestartet.txt"_s << 0 << u"gestartet.txt"_s;
        QTest::newRow("unquoted path with a blank")
            << u"%WORK%\\Mein Ordner\\cmd.exe /c echo hi>gestartet.txt"_s << 0
            << u"gestartet.txt"_s;
        QTest::newRow("missing program") << u"C:\\FEHLT\\arj.exe a"_s << 53 << QString();
    }
    void shell()
    {
        QFETCH(QString, commandLine);
        QFETCH(QString, written);
        FakeServices services;
        const QString work = QDir::toNativeSeparators(services.workingDirectory());
        wchar_t system[MAX_PATH];
        QVERIFY(GetSystemDirectoryW(system, MAX_PATH) > 0);
        QVERIFY(QDir(work).mkdir(u"Mein Ordner"_s)
                && QFile::copy(QString::fromWCharArray(system) + u"\\cmd.exe"_s,
                               work + u"\\Mein Ordner\\cmd.exe"_s));
        int error = 0;
        try {
            services.RealServices::shell(commandLine.replace(u"%WORK%"_s, work),
                                         platform::WindowStyle::MinimizedFocus, {});
        } catch (const platform::RuntimeError &e) {
            error = e.number();
        }
        QTEST(error, "error");
        if (!written.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(work + u'\\' + written), 20000);
    }
};

QTEST_MAIN(TestWinServices)
#include "tst_winservices.moc"
