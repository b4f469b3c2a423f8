#include "../rows.h"
#include "../windowdriver.h"
#include "winruns.h"

#include <QThread>

#include <set>

#include <tlhelp32.h> // after windows.h (winruns.h), whose types it uses

using namespace Qt::StringLiterals;

namespace {

// The console companions this process has started so far.
std::set<DWORD> companions()
{
    std::set<DWORD> found;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID == GetCurrentProcessId()
            && _wcsicmp(entry.szExeFile, L"horbelung-console.exe") == 0)
            found.insert(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return found;
}

// Work on a companion's console as the user sees it: on its screen
// (CONOUT$), or its keyboard (CONIN$).
template<class Work> void inConsole(DWORD process, const wchar_t *device, Work work)
{
    FreeConsole();
    if (!AttachConsole(process))
        return;
    const HANDLE handle
        = CreateFileW(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    work(handle);
    CloseHandle(handle);
    FreeConsole();
}

// The text on the screen up to the cursor, a line per row.
QString screenOf(DWORD console)
{
    QString text;
    inConsole(console, L"CONOUT$", [&](HANDLE output) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(output, &info))
            return;
        std::wstring row(size_t(info.dwSize.X), L' ');
        for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
            DWORD read = 0;
            ReadConsoleOutputCharacterW(output, row.data(), DWORD(row.size()), {0, y}, &read);
            text += QString::fromWCharArray(row.data(), read).trimmed() + u'\n';
        }
    });
    return text;
}

void typeInto(DWORD console, const QString &keys)
{
    inConsole(console, L"CONIN$", [&](HANDLE input) {
        for (const QChar key : keys) {
            INPUT_RECORD records[2] {};
            for (int at = 0; at < 2; ++at) {
                records[at].EventType = KEY_EVENT;
                KEY_EVENT_RECORD &event = records[at].Event.KeyEvent;
                event.bKeyDown = at == 0;
                event.wRepeatCount = 1;
                event.wVirtualKeyCode = key == u'\r' ? VK_RETURN : key.toUpper().unicode();
                event.uChar.UnicodeChar = key.unicode();
            }
            DWORD written = 0;
            WriteConsoleInputW(input, records, 2, &written);
        }
    });
}

const QString floppy = u"A:/"_s;
const QString databases = u"C:/NOKRAT"_s;

// The summaries below the rule of each run's console, as recorded in
// winbackup.txt under the test's or row's name: its long lines are broken
// at blanks, never by the console in a word.
QString summaries(const QStringList &screens)
{
    QStringList summaries;
    for (const QString &screen : screens)
        summaries << screen.section(u"────"_s, -1).trimmed();
    return summaries.join(u"\n\n"_s);
}

QString recorded(const char *name)
{
    return recordedTexts(u"winbackup.txt"_s).value(QString::fromUtf8(name));
}

// The real services and the archiver installed beside the program, with a
// user at the boxes and the consoles: each run followed in its console to
// the end, a full floppy taken out at the archiver's question for the next
// (kept in DISKS/N) and the question answered, the floppy the program asks
// for put in.
class UserAtTheConsole : public AnsweringServices
{
public:
    void shell(const launch::Command &command, int windowStyle) override
    {
        const std::set<DWORD> before = companions();
        RealServices::shell(command, windowStyle);
        DWORD started = 0; // no process has this id
        for (const QDeadlineTimer deadline(10000); !started && !deadline.hasExpired();
             QThread::msleep(50)) {
            for (const DWORD process : companions())
                started = before.contains(process) ? started : process;
        }
        screens << (started ? followToTheEnd(started) : u"no console"_s);
    }

    // The floppy in the drive taken out, DISK put in (none for 0).
    void diskAskedFor(int disk) override
    {
        if (m_inDrive > 0)
            copyFiles(floppy, disks + u'/' + QString::number(m_inDrive), true);
        if (disk > 0)
            copyFiles(disks + u'/' + QString::number(disk), floppy, true);
        m_inDrive = disk;
    }

    QString disks = folder + u"/disks"_s;
    QStringList screens; // each run's console at its end

private:
    int m_inDrive = 0;

    QString followToTheEnd(DWORD console) const
    {
        static const QRegularExpression question(
            u"Insert diskette with next volume \\((\\d+)\\)\\.  Enter \"Y\" when ready:"_s);
        int answered = 0;
        const QDeadlineTimer deadline(120000);
        QString screen;
        while (!deadline.hasExpired()) {
            screen = screenOf(console);
            if (screen.contains(u"Fenster schließen: Eingabetaste"_s)) {
                typeInto(console, u"\r"_s);
                return screen;
            }
            auto asked = question.globalMatch(screen);
            int last = 0;
            while (asked.hasNext())
                last = asked.next().captured(1).toInt();
            if (last > answered) {
                // A user reads the question before taking the floppy out;
                // the companion reads the volume meanwhile.
                QThread::msleep(1500);
                answered = last;
                copyFiles(floppy, disks + u'/' + QString::number(answered), true);
                typeInto(console, u"Y\r"_s);
            }
            QThread::msleep(200);
        }
        return screen;
    }
};

} // namespace

// A whole backup and restore through the program installed in
// "C:\Program Files\Horbelung" with the archiver it ships: over three
// floppies in A:, changed when the archiver asks, and back disk by disk.
class TestWindowsBackup : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        for (const QString &folder : {floppy, databases})
            QVERIFY(QDir().mkpath(folder) && clearFolder(folder));
    }

    void backupOverThreeFloppies()
    {
        // Random, so that nothing compresses: 3.3 MB fill three floppies.
        QVERIFY(writeFile(databases + u"/NOKRAT.mdb"_s, pseudoRandom(3300000, 23)));
        QVERIFY(writeFile(databases + u"/Kl.mdb"_s, "Kl"));
        const QMap<QString, QByteArray> backedUp = contents(databases);
        BasicWindowDriver<UserAtTheConsole> driver;
        QDir(driver.services.disks).removeRecursively();
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        driver.click(u"Command3D1"_s);
        QVERIFY(copyFiles(floppy, driver.services.disks + u"/3"_s, true));

        QCOMPARE(summaries(driver.services.screens), recorded(QTest::currentTestFunction()));
        for (const QString &volume :
             {u"1/NOKUhobe.arj"_s, u"2/NOKUhobe.a01"_s, u"3/NOKUhobe.a02"_s})
            QVERIFY(QFile::exists(driver.services.disks + u'/' + volume));
        m_backedUp = backedUp;
    }

    void restoreDiskByDisk_data()
    {
        QTest::addColumn<QString>("madeBy");
        QTest::newRow("the backup above") << QString();
        QTest::newRow("the Linux archiver") << u"three"_s;
    }
    void restoreDiskByDisk()
    {
        QFETCH(QString, madeBy);
        QVERIFY(!m_backedUp.isEmpty()); // the backup above went through
        QCOMPARE(companionStillAtWork(), QString());
        BasicWindowDriver<UserAtTheConsole> driver;
        QMap<QString, QByteArray> expected = m_backedUp;
        if (!madeBy.isEmpty()) {
            const QString volumes = archives + u'/' + madeBy + u"/volumes/"_s;
            QDir(driver.services.disks).removeRecursively();
            int disk = 0;
            for (const QString &name : {u"NOKUhobe.arj"_s, u"NOKUhobe.a01"_s, u"NOKUhobe.a02"_s}) {
                const QString to = driver.services.disks + u'/' + QString::number(++disk);
                QVERIFY(QDir().mkpath(to) && QFile::copy(volumes + name, to + u'/' + name));
            }
            expected = contents(archives + u'/' + madeBy + u"/files"_s);
        }
        // Older databases of the names, which the restore replaces, and
        // the first of three floppies in A:.
        QVERIFY(clearFolder(databases));
        for (const QString &name : expected.keys())
            QVERIFY(writeFile(databases + u'/' + name, "vorher"));
        driver.services.diskAskedFor(1);
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        driver.click(u"Option3D4"_s);
        driver.type(u"Mh3dText3"_s, u"3"_s);
        driver.click(u"Command3D1"_s);

        QCOMPARE(summaries(driver.services.screens), recorded(QTest::currentDataTag()));
        QTRY_COMPARE_WITH_TIMEOUT(
            QDir(databases).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), expected.keys(),
            15000);
        QVERIFY(contents(databases) == expected);
        driver.services.diskAskedFor(0);
    }

private:
    QMap<QString, QByteArray> m_backedUp;
};

QTEST_MAIN(TestWindowsBackup)
#include "tst_winbackup.moc"
