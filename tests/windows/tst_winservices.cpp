#include "../fakeservices.h"
#include "../thrown.h"
#include "platform/fileops.h"
#include "rules/runtimeerror.h"

#include <QScopeGuard>
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

struct Outcome
{
    int error = 0;
    QString reason;
    QStringList listed;
};

// An operation on Windows paths ("files A:\", "kill A:\*.*", "rmdir A:\X")
// through the drives given.
Outcome operate(const platform::DriveMap &drives, const QString &operation)
{
    namespace fileops = platform::fileops;
    const QString verb = operation.section(u' ', 0, 0);
    const QString path = operation.section(u' ', 1);
    Outcome outcome;
    try {
        if (verb == u"files")
            outcome.listed = fileops::files(drives, path);
        else if (verb == u"subdirectories")
            outcome.listed = fileops::subdirectories(drives, path);
        else if (verb == u"kill")
            fileops::kill(drives, path);
        else
            fileops::rmDir(drives, path);
    } catch (const rules::RuntimeError &e) {
        outcome.error = e.number();
        outcome.reason = e.description();
    }
    return outcome;
}

// Wine's host path of a Windows path; empty when not run by Wine.
QString hostPath(const QString &path)
{
    using Convert = char *(CDECL *)(const wchar_t *);
    const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char *host = convert ? convert(wide(QDir::toNativeSeparators(path))) : nullptr;
    const QString result = QString::fromUtf8(host);
    HeapFree(GetProcessHeap(), 0, host);
    return result;
}

// Starts a host program, as Wine does for one that is no Windows program;
// it runs on its own, not waited for.
bool startOnHost(const QStringList &arguments)
{
    QString line = u"Z:"_s + QDir::toNativeSeparators(arguments.first());
    for (const QString &argument : arguments.sliced(1))
        line += u" \""_s + argument + u'"';
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t *>(line.data()), nullptr, nullptr, FALSE,
                        0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
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
            } catch (const rules::RuntimeError &error) {
                QCOMPARE(error.number(), int(rules::RuntimeError::DiskNotReady));
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
        const Outcome outcome = operate(services.driveMap(), operation);
        QTEST(outcome.error, "error");
        QTEST(outcome.listed, "listed");
        for (const QString &name : left())
            SetFileAttributesW(wide(u"A:\\"_s + name), FILE_ATTRIBUTE_NORMAL);
        QTEST(left(), "after");
    }

    // A: holding links out of it, made on the host (Wine has no call for
    // them; it shows one to a folder as a reparse point, as a junction is,
    // one to a file as a plain file), or with the drive type given (0: the
    // system's): the error of an operation, its reason where one is given,
    // and what it lists. Nothing changes on A: or behind the links.
    void neverBeyondTheFloppy_data()
    {
        QTest::addColumn<unsigned>("driveType");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QStringList>("listed");
        const auto row = [](const char *name, unsigned driveType, const QString &operation,
                            int error, const QString &reason = {}, const QStringList &listed = {}) {
            QTest::newRow(name) << driveType << operation << error << reason << listed;
        };
        row("a folder link listed as a folder, as on Linux", 0, u"subdirectories A:\\"_s, 0, {},
            {u"ALT"_s, u"LINK"_s, u"SUBLINK"_s});
        row("listed through a folder link, as on Linux", 0, u"files A:\\LINK\\"_s, 0, {},
            {u"keep.mdb"_s});
        row("a file link, a plain file to Wine, never deleted", 0, u"kill A:\\*.*"_s, 75);
        row("never a file through a folder link", 0, u"kill A:\\LINK\\keep.mdb"_s, 75);
        row("never emptied through a folder link", 0, u"kill A:\\LINK\\*.*"_s, 75);
        row("a link to an empty folder never removed", 0, u"rmdir A:\\SUBLINK\\"_s, 75);
        row("never a folder through a folder link", 0, u"rmdir A:\\LINK\\SUB\\"_s, 75);
        const QString notFloppy = u" ist keine Diskette: es ist "_s;
        const QString hardDisk = notFloppy + u"eine Festplatte oder ein Ordner darauf (SUBST)."_s;
        row("A: a folder of the hard disk", DRIVE_FIXED, u"rmdir A:\\ALT\\"_s, 71,
            u"Laufwerk A:"_s + hardDisk);
        row("A: a network drive", DRIVE_REMOTE, u"files A:\\"_s, 71,
            u"Laufwerk A:"_s + notFloppy + u"ein Netzlaufwerk."_s);
        row("B: on the hard disk", DRIVE_FIXED, u"kill B:\\*.*"_s, 71, u"Laufwerk B:"_s + hardDisk);
        row("other drives not asked", DRIVE_REMOTE, u"files C:\\FEHLT\\"_s, 76);
    }
    void neverBeyondTheFloppy()
    {
        QFETCH(unsigned, driveType);
        QFETCH(QString, operation);
        QFETCH(QString, reason);
        FakeServices services;
        const QString floppy = hostPath(u"A:\\"_s);
        if (floppy.isEmpty())
            QSKIP("the links are made on Wine's host");
        const QString outside = services.workingDirectory() + u"/draussen"_s;
        QFile keep(outside + u"/keep.mdb"_s);
        QVERIFY(QDir().mkpath(outside + u"/SUB"_s) && keep.open(QIODevice::WriteOnly)
                && keep.write("keep") == 4);
        keep.close();
        make({u"ALT/"_s});
        const QList<std::pair<QString, QString>> links {{u"LINK"_s, outside},
                                                        {u"SUBLINK"_s, outside + u"/SUB"_s},
                                                        {u"flink.mdb"_s, keep.fileName()}};
        // Gone before the next services empty A:, which would go through them.
        const auto removeLinks = qScopeGuard([&] {
            for (const auto &link : links)
                startOnHost({u"/bin/rm"_s, u"-f"_s, floppy + link.first});
            for (const auto &link : links)
                QTRY_VERIFY(GetFileAttributesW(wide(u"A:\\"_s + link.first))
                            == INVALID_FILE_ATTRIBUTES);
        });
        for (const auto &[name, target] : links)
            QVERIFY(startOnHost({u"/bin/ln"_s, u"-s"_s, hostPath(target), floppy + name}));
        const QStringList floppyBefore {u"ALT/"_s, u"flink.mdb"_s, u"LINK/"_s, u"SUBLINK/"_s};
        QTRY_COMPARE(left(), floppyBefore);

        const Outcome outcome
            = operate(driveType == 0 ? services.driveMap()
                                     : platform::DriveMap::withDriveTypes(
                                         [driveType](const QString &) { return driveType; }),
                      operation);
        QTEST(outcome.error, "error");
        if (!reason.isEmpty())
            QCOMPARE(outcome.reason, reason);
        QTEST(outcome.listed, "listed");
        QCOMPARE(left(), floppyBefore);
        QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({u"keep.mdb"_s, u"SUB"_s}));
    }

    // hobe.ini written over an existing file, replaced by the system or by a
    // replace that fails with 1176 (a scanner holding the file) leaving the
    // names as they were, the old file moved to the backup name, or the old
    // file gone: the error (0 for none), and the content and hidden
    // attribute it has afterwards.
    void writeFile_data()
    {
        QTest::addColumn<DWORD>("attributes");
        QTest::addColumn<QString>("replaceFails"); // empty: the system's replace
        QTest::addColumn<int>("error");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QString>("stored");
        const DWORD hidden = FILE_ATTRIBUTE_HIDDEN;
        QTest::newRow("new file") << DWORD(INVALID_FILE_ATTRIBUTES) << QString() << 0 << "neu"_ba
                                  << false << u"hobe.ini"_s;
        QTest::newRow("replaced under its own name, attributes kept")
            << hidden << QString() << 0 << "neu"_ba << true << u"HOBE.INI"_s;
        QTest::newRow("read-only stays as it was") << DWORD(FILE_ATTRIBUTE_READONLY) << QString()
                                                   << 70 << "alt"_ba << false << u"HOBE.INI"_s;
        QTest::newRow("replace fails, names kept: the old one stays")
            << hidden << u"names kept"_s << 75 << "alt"_ba << true << u"HOBE.INI"_s;
        QTest::newRow("replace fails, the old one under the backup name: it goes back")
            << hidden << u"old moved"_s << 75 << "alt"_ba << true << u"HOBE.INI"_s;
        QTest::newRow("replace fails, the old one gone: the new one takes its place")
            << hidden << u"old gone"_s << 0 << "neu"_ba << true << u"HOBE.INI"_s;
    }
    void writeFile()
    {
        QFETCH(DWORD, attributes);
        QFETCH(QString, replaceFails);
        FakeServices services;
        const QString path = QDir::toNativeSeparators(services.workingDirectory() + u"/HOBE.INI"_s);
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            QFile old(path);
            QVERIFY(old.open(QIODevice::WriteOnly) && old.write("alt") == 3);
            old.close();
            QVERIFY(SetFileAttributesW(wide(path), attributes));
        }
        const auto failing = [&](const wchar_t *replaced, const wchar_t *, const wchar_t *backup) {
            if (replaceFails == u"old moved")
                MoveFileW(replaced, backup);
            else if (replaceFails == u"old gone")
                DeleteFileW(replaced);
            return static_cast<unsigned long>(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
        };
        QTEST(thrown([&] {
                  if (replaceFails.isEmpty())
                      services.writeFile(u"hobe.ini"_s, "neu"_ba);
                  else
                      platform::fileops::writeFile(path, "neu"_ba, failing);
              }),
              "error");
        QTEST(services.readFile(u"hobe.ini"_s), "content");
        // Nothing left beside it.
        QTEST(QDir(services.workingDirectory()).entryList(QDir::Files | QDir::Hidden).join(u'|'),
              "stored");
        QTEST(bool(GetFileAttributesW(wide(path)) & FILE_ATTRIBUTE_HIDDEN), "hidden");
        SetFileAttributesW(wide(path), FILE_ATTRIBUTE_NORMAL);
    }

    // Launches by the system's rules, in the working directory (%WORK%,
    // which holds a copy of the command interpreter in "Mein Ordner"): what
    // a started program leaves there, or the error. The program is the first
    // word, or all words before "/c".
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
        QTest::newRow("missing program") << u"C:\\FEHLT\\arj.exe"_s << 53 << QString();
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
            const QStringList words = commandLine.replace(u"%WORK%"_s, work).split(u" /c "_s);
            launch::Command command {words.first()};
            if (words.size() > 1)
                command.arguments = {{u"/c"_s}, {words.last()}};
            services.RealServices::shell(command, platform::WindowStyle::MinimizedFocus);
        } catch (const rules::RuntimeError &e) {
            error = e.number();
        }
        QTEST(error, "error");
        if (!written.isEmpty())
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(work + u'\\' + written), 20000);
    }
};

QTEST_MAIN(TestWinServices)
#include "tst_winservices.moc"
