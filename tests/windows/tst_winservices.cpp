#include "../fakeservices.h"
#include "../rows.h"
#include "../thrown.h"
#include "platform/fileops.h"
#include "winruns.h"

#include <QScopeGuard>
#include <QTemporaryDir>

#include <fstream>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

// Entries on A:, split at blanks, as "X/" for a folder, "x" for a file, with
// "h:", "s:" or "r:" in front for the hidden, system or read-only attribute.
void make(const QString &entries)
{
    for (const QString &entry : entries.split(u' ', Qt::SkipEmptyParts)) {
        const QString name = entry.contains(u':') ? entry.section(u':', 1) : entry;
        const QString path = u"A:\\"_s + name;
        QVERIFY(name.endsWith(u'/') ? CreateDirectoryW(wide(path), nullptr)
                                    : writeFile(path, name.toUtf8()));
        const DWORD attributes[]
            = {FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM, FILE_ATTRIBUTE_READONLY};
        if (const qsizetype kind = u"hsr"_s.indexOf(entry.front()); kind >= 0 && name != entry)
            QVERIFY(SetFileAttributesW(wide(path), attributes[kind]));
    }
}

// Everything on A: but the marker, hidden entries included, in name order.
QString left()
{
    QStringList names;
    const QDir floppy(u"A:/"_s);
    for (const QFileInfo &entry :
         floppy.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                              QDir::Name | QDir::IgnoreCase)) {
        if (entry.fileName() != u"horbelung-sandbox")
            names << entry.fileName() + (entry.isDir() ? u"/"_s : QString());
    }
    return names.join(u' ');
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
    return startProcess(line);
}

// An operation on Windows paths ("files A:\", "kill A:\*.*", "rmdir A:\X")
// on A: with the entries (as make() takes them) made first, with links out
// of it made on the host (Wine has no call for them; it shows one to a
// folder as a reparse point, as a junction is, one to a file as a plain
// file), or with the drive type given (0: the system's). What follows is
// recorded in winservices.txt under the row's name, and nothing changes
// behind the links.
struct Operation
{
    const char *name;
    QString floppy, operation;
    bool links = false;
    unsigned driveType = 0;
};

// hobe.ini written over an existing file (none: INVALID_FILE_ATTRIBUTES)
// by the system's replace, or by one that fails with 1176 (a scanner holding
// the file) leaving the names as they were, the old file moved to the
// backup name, or the old file gone: the error (0 for none), and the
// content, hidden attribute and name the file has afterwards.
struct Write
{
    const char *name;
    DWORD attributes;
    QString replaceFails; // empty: the system's replace
    int error;
    QByteArray content;
    bool hidden;
    QString stored;
};

// A launch by the system's rules, in the working directory (%WORK%, which
// holds a copy of the command interpreter in "Mein Ordner"): the error, or
// (none) the file the started program leaves there. The program is the
// first word, or all words before "/c".
struct Launch
{
    const char *name;
    QString commandLine;
    int error;
};

} // namespace

// The Windows services and the state files' system calls: locks between
// processes (the other one is terminalprobe.exe), replacing a file a reader
// has open, and moves that replace nothing.
class TestWinServices : public QObject
{
    Q_OBJECT

    QTemporaryDir m_scratch; // the state files'

    std::string local(const QString &name) const
    {
        return QDir::toNativeSeparators(m_scratch.filePath(name)).toStdString();
    }

private slots:
    void drives()
    {
        FakeServices services;
        const QStringList drives = services.drives();
        QVERIFY(drives.contains(u"a:"_s) && drives.contains(u"c:"_s));
        QVERIFY(std::is_sorted(drives.begin(), drives.end()));
        // A drive letter the prefix maps to a folder that is missing, as a
        // drive without a disk (the test run's prefix has n: so).
        const auto notReady = std::find_if(drives.begin(), drives.end(), [](const QString &drive) {
            return GetFileAttributesW(wide(drive + u'\\')) == INVALID_FILE_ATTRIBUTES;
        });
        if (notReady == drives.end())
            QSKIP("the prefix has no drive leading to a missing folder");
        // Without a system dialog, which would hang this test.
        QCOMPARE(thrown([&] { services.files(*notReady + u'\\'); }),
                 int(rules::RuntimeError::DiskNotReady));
        QCOMPARE(thrown([&] { services.kill(*notReady + u"\\*.*"_s); }),
                 int(rules::RuntimeError::DiskNotReady));
    }

    void fileOperations_data()
    {
        const QString hidden = u"h:versteckt.mdb s:SYSTEM.MDB h:VERSTECKT/ "_s;
        addRows<Operation>({
            {"lists leave hidden and system entries out, any case in order",
             hidden + u"b/ A/ c.mdb B.mdb"_s, u"files A:\\"_s},
            {"folders listed", hidden + u"b/ A/ c.mdb"_s, u"subdirectories A:\\"_s},
            {"missing folder listed", {}, u"files A:\\FEHLT\\"_s},
            {"kill spares hidden, system files and folders", hidden + u"ALT/ a.mdb"_s,
             u"kill A:\\*.*"_s},
            {"kill one name, any case", u"a.mdb b.mdb"_s, u"kill A:\\A.MDB"_s},
            {"kill finds only hidden ones", hidden, u"kill A:\\*.mdb"_s},
            {"kill a read-only file", u"r:a.mdb"_s, u"kill A:\\*.*"_s},
            {"kill in a missing folder", {}, u"kill A:\\FEHLT\\*.*"_s},
            {"rmdir empty folder", u"ALT/ a.mdb"_s, u"rmdir A:\\ALT\\"_s},
            {"rmdir folder holding a hidden file", u"ALT/ h:ALT/x"_s, u"rmdir A:\\ALT"_s},
            {"rmdir the root", {}, u"rmdir A:\\"_s},
            {"rmdir a file", u"a.mdb"_s, u"rmdir A:\\a.mdb"_s},
            {"rmdir missing", {}, u"rmdir A:\\FEHLT\\"_s},
            {"no drive letter", {}, u"files \\\\server\\share\\"_s},
            {"a folder link listed as a folder, as on Linux", u"ALT/"_s, u"subdirectories A:\\"_s,
             true},
            {"listed through a folder link, as on Linux", u"ALT/"_s, u"files A:\\LINK\\"_s, true},
            {"a file link, a plain file to Wine, never deleted", u"ALT/"_s, u"kill A:\\*.*"_s,
             true},
            {"never a file through a folder link", u"ALT/"_s, u"kill A:\\LINK\\keep.mdb"_s, true},
            {"never emptied through a folder link", u"ALT/"_s, u"kill A:\\LINK\\*.*"_s, true},
            {"a link to an empty folder never removed", u"ALT/"_s, u"rmdir A:\\SUBLINK\\"_s, true},
            {"never a folder through a folder link", u"ALT/"_s, u"rmdir A:\\LINK\\SUB\\"_s, true},
            {"A: a folder of the hard disk", u"ALT/"_s, u"rmdir A:\\ALT\\"_s, true, DRIVE_FIXED},
            {"A: a network drive", u"ALT/"_s, u"files A:\\"_s, true, DRIVE_REMOTE},
            {"B: on the hard disk", u"ALT/"_s, u"kill B:\\*.*"_s, true, DRIVE_FIXED},
            {"other drives not asked", u"ALT/"_s, u"files C:\\FEHLT\\"_s, true, DRIVE_REMOTE},
        });
    }
    // The error with its number and description, what is listed and what is
    // left on A:, hidden entries included.
    void fileOperations()
    {
        QFETCH(Operation, row);
        FakeServices services;
        make(row.floppy);
        const QString floppy = hostPath(u"A:\\"_s);
        if (row.links && floppy.isEmpty())
            QSKIP("the links are made on Wine's host");
        const QString outside = services.workingDirectory() + u"/draussen"_s;
        QVERIFY(QDir().mkpath(outside + u"/SUB"_s) && writeFile(outside + u"/keep.mdb"_s, "keep"));
        const QList<std::pair<QString, QString>> links {{u"LINK"_s, outside},
                                                        {u"SUBLINK"_s, outside + u"/SUB"_s},
                                                        {u"flink.mdb"_s, outside + u"/keep.mdb"_s}};
        // Gone before the next services empty A:, which would go through them.
        const auto removeLinks = qScopeGuard([&] {
            if (!row.links)
                return;
            for (const auto &link : links)
                startOnHost({u"/bin/rm"_s, u"-f"_s, floppy + link.first});
            for (const auto &link : links)
                QTRY_VERIFY(GetFileAttributesW(wide(u"A:\\"_s + link.first))
                            == INVALID_FILE_ATTRIBUTES);
        });
        if (row.links) {
            for (const auto &[name, target] : links)
                QVERIFY(startOnHost({u"/bin/ln"_s, u"-s"_s, hostPath(target), floppy + name}));
            QTRY_COMPARE(left(), u"ALT/ flink.mdb LINK/ SUBLINK/"_s);
        }

        namespace fileops = platform::fileops;
        const platform::DriveMap drives = row.driveType == 0
            ? services.driveMap()
            : platform::DriveMap::withDriveTypes([&](const QString &) { return row.driveType; });
        const QString verb = row.operation.section(u' ', 0, 0);
        const QString path = row.operation.section(u' ', 1);
        QStringList outcome;
        try {
            QStringList listed;
            if (verb == u"files")
                listed = fileops::files(drives, path);
            else if (verb == u"subdirectories")
                listed = fileops::subdirectories(drives, path);
            else if (verb == u"kill")
                fileops::kill(drives, path);
            else
                fileops::rmDir(drives, path);
            if (!listed.isEmpty())
                outcome << u"listed "_s + listed.join(u' ');
        } catch (const rules::RuntimeError &e) {
            outcome << QString::fromUtf8(e.what());
        }
        for (const QString &name :
             row.links ? QStringList() : left().split(u' ', Qt::SkipEmptyParts))
            SetFileAttributesW(wide(u"A:\\"_s + name), FILE_ATTRIBUTE_NORMAL);
        if (!left().isEmpty())
            outcome << u"left "_s + left();
        QCOMPARE(outcome.join(u'\n'),
                 recordedTexts(u"winservices.txt"_s).value(QString::fromUtf8(row.name)));
        QCOMPARE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList({u"keep.mdb"_s, u"SUB"_s}));
    }

    void iniWritten_data()
    {
        const DWORD hidden = FILE_ATTRIBUTE_HIDDEN, none = INVALID_FILE_ATTRIBUTES;
        const QString ini = u"HOBE.INI"_s;
        addRows<Write>({
            {"new file", none, {}, 0, "neu", false, u"hobe.ini"_s},
            {"replaced under its own name, attributes kept", hidden, {}, 0, "neu", true, ini},
            {"read-only stays as it was", FILE_ATTRIBUTE_READONLY, {}, 70, "alt", false, ini},
            {"replace fails, names kept: the old one stays", hidden, u"names kept"_s, 75, "alt",
             true, ini},
            {"replace fails, the old one under the backup name: it goes back", hidden,
             u"old moved"_s, 75, "alt", true, ini},
            {"replace fails, the old one gone: the new one takes its place", hidden, u"old gone"_s,
             0, "neu", true, ini},
        });
    }
    void iniWritten()
    {
        QFETCH(Write, row);
        FakeServices services;
        const QString path = QDir::toNativeSeparators(services.workingDirectory() + u"/HOBE.INI"_s);
        if (row.attributes != INVALID_FILE_ATTRIBUTES)
            QVERIFY(writeFile(path, "alt") && SetFileAttributesW(wide(path), row.attributes));
        const auto failing = [&](const wchar_t *replaced, const wchar_t *, const wchar_t *backup) {
            if (row.replaceFails == u"old moved")
                MoveFileW(replaced, backup);
            else if (row.replaceFails == u"old gone")
                DeleteFileW(replaced);
            return static_cast<unsigned long>(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
        };
        QCOMPARE(thrown([&] {
                     if (row.replaceFails.isEmpty())
                         services.writeFile(u"hobe.ini"_s, "neu"_ba);
                     else
                         platform::fileops::writeFile(path, "neu"_ba, failing);
                 }),
                 row.error);
        QCOMPARE(services.readFile(u"hobe.ini"_s), row.content);
        // Nothing left beside it.
        QCOMPARE(QDir(services.workingDirectory()).entryList(QDir::Files | QDir::Hidden).join(u'|'),
                 row.stored);
        QCOMPARE(bool(GetFileAttributesW(wide(path)) & FILE_ATTRIBUTE_HIDDEN), row.hidden);
        SetFileAttributesW(wide(path), FILE_ATTRIBUTE_NORMAL);
    }

    void shell_data()
    {
        addRows<Launch>({
            {"program found on the path, in a console", u"cmd.exe /c echo hi>gestartet.txt"_s, 0},
            {"unquoted path with a blank",
             u"%WORK%\\Mein Ordner\\cmd.exe /c echo hi>gestartet.txt"_s, 0},
            {"missing program", u"C:\\FEHLT\\arj.exe"_s, 53},
        });
    }
    void shell()
    {
        QFETCH(Launch, row);
        FakeServices services;
        const QString work = QDir::toNativeSeparators(services.workingDirectory());
        QVERIFY(
            QDir(work).mkdir(u"Mein Ordner"_s)
            && QFile::copy(qEnvironmentVariable("ComSpec"), work + u"\\Mein Ordner\\cmd.exe"_s));
        const QStringList words = row.commandLine.replace(u"%WORK%"_s, work).split(u" /c "_s);
        launch::Command command {words.first()};
        if (words.size() > 1)
            command.arguments = {{u"/c"_s}, {words.last()}};
        QCOMPARE(thrown([&] {
                     services.RealServices::shell(command, platform::WindowStyle::MinimizedFocus);
                 }),
                 row.error);
        if (row.error == 0)
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(work + u"\\gestartet.txt"_s), 20000);
    }

    void lockHeldByAnotherProcess()
    {
        const QString file = m_scratch.filePath(u"restore.lock"_s);
        HANDLE process = nullptr;
        QVERIFY(startProcess(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()
                                                      + u"/terminalprobe.exe lock "_s + file + u' '
                                                      + m_scratch.filePath(u"release"_s)),
                             CREATE_NO_WINDOW, &process));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file + u".held"_s), 10000);

        QVERIFY(statefiles::isLocked(local(u"restore.lock"_s)));
        statefiles::Lock lock(local(u"restore.lock"_s));
        QVERIFY(!lock.tryLock());
        // Taken once the other lets go, which it does once told.
        QVERIFY(writeFile(m_scratch.filePath(u"release"_s), ""));
        QTRY_VERIFY_WITH_TIMEOUT(lock.tryLock(), 10000);
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
        QVERIFY(statefiles::isLocked(local(u"restore.lock"_s)));
    }

    // In one process: a missing file or one nobody holds is not locked, a
    // lock is taken again by its holder and let go with it.
    void lockInOneProcess()
    {
        const std::string file = local(u"free.lock"_s);
        QVERIFY(!statefiles::isLocked(file));
        {
            statefiles::Lock lock(file);
            QVERIFY(lock.tryLock());
            QVERIFY(lock.tryLock());
            QVERIFY(statefiles::isLocked(file));
        }
        QVERIFY(!statefiles::isLocked(file));
        QVERIFY(writeFile(m_scratch.filePath(u"free.lock"_s), ""));
        QVERIFY(!statefiles::isLocked(file));
    }

    // A reader of the journal has it open for a moment, without sharing its
    // deletion: the new content still replaces it.
    void replacedWhileRead()
    {
        const QString file = m_scratch.filePath(u"restore.journal"_s);
        QVERIFY(writeFile(file, "alt"));
        auto reader
            = std::make_unique<std::ifstream>(local(u"restore.journal"_s), std::ios::binary);
        QVERIFY(reader->is_open());
        std::thread closing([&] {
            Sleep(300);
            reader.reset();
        });
        const bool written = statefiles::writeDurably(local(u"restore.journal"_s), "neu");
        closing.join();
        QVERIFY(written);
        QCOMPARE(bytesOf(file), "neu"_ba);
        QVERIFY(!QFile::exists(file + u".neu"_s));
    }

    void moveReplacesNothing()
    {
        QVERIFY(writeFile(m_scratch.filePath(u"from.mdb"_s), "neu")
                && writeFile(m_scratch.filePath(u"to.mdb"_s), "alt"));
        QVERIFY(!statefiles::moveEntry(local(u"from.mdb"_s), local(u"to.mdb"_s)));
        QCOMPARE(bytesOf(m_scratch.filePath(u"to.mdb"_s)), "alt"_ba);
        QVERIFY(QFile::remove(m_scratch.filePath(u"to.mdb"_s)));
        QVERIFY(statefiles::moveEntry(local(u"from.mdb"_s), local(u"to.mdb"_s)));
        QCOMPARE(bytesOf(m_scratch.filePath(u"to.mdb"_s)), "neu"_ba);
        QVERIFY(!QFile::exists(m_scratch.filePath(u"from.mdb"_s)));
    }
};

QTEST_MAIN(TestWinServices)
#include "tst_winservices.moc"
