// The console companion's terminal functions on Windows, in a console of
// their own as the companion has one, driven through terminalprobe.exe.

#include "../rows.h"
#include "winruns.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// Starts the command line, in a console of its own or in none, and waits
// for it; false when it did not end in time.
bool runLine(const QString &line, bool console, const std::function<void(DWORD)> &whileRunning = {})
{
    HANDLE process = nullptr;
    if (!startProcess(line, console ? CREATE_NEW_CONSOLE : CREATE_NO_WINDOW, &process))
        return false;
    if (whileRunning)
        whileRunning(GetProcessId(process));
    const bool ended = WaitForSingleObject(process, 60000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process, 1);
    CloseHandle(process);
    return ended;
}

// Words of the test's own command lines, each quoted; none of them holds a
// quote or ends in a backslash.
QString joined(const QStringList &words)
{
    return u'"' + words.join(u"\" \""_s) + u'"';
}

// The lines of a probe's log that start with "KIND ", without that: "piece"
// what onOutput got (escaped), "ending" the run's ending, "shown" the
// console's last line when the program did not start; "argv", "line" and
// "folder" what a started probe saw.
QStringList logged(const QString &log, const QString &kind)
{
    QStringList found;
    for (const QString &line : lines(log)) {
        if (line.startsWith(kind + u' '))
            found << line.mid(kind.size() + 1);
    }
    return found;
}

// The words a started probe gets (after its own three) in the working folder
// (none: the companion's), and whether the line ends in the words as they are.
struct Words
{
    const char *name;
    QStringList words;
    bool plain = false;
    QString folder = {};
};

// The words run, the probe's program in front unless they name one: the
// ending (signalled, code, interrupted, hung up), what onOutput got, where
// given, the start of the console's last line, and a piece it got whole.
struct Run
{
    const char *name;
    QStringList words;
    QString ending, output = {}, shown = {}, piece = {};
};

// Words after "terminalprobe.exe words LOG" and what the probe reads after LOG.
struct Blanks
{
    const char *name;
    QString command;
    QStringList words;
};

} // namespace

class TestWindowsTerminal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_scratch;
    const QString m_log = path(u"probe.log"_s);
    const QString m_probe = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()
                                                     + u"/terminalprobe.exe"_s);

    QString path(const QString &name) const
    {
        return QDir::toNativeSeparators(m_scratch.filePath(name));
    }

    // The probe runs the words in a console of its own; what it saw is in
    // m_log.
    bool runProbe(const QStringList &words, const QString &folder = u"-"_s,
                  const std::function<void(DWORD)> &whileRunning = {})
    {
        QFile::remove(m_log);
        QFile::remove(m_log + u".flag"_s);
        const QString list = path(u"words.txt"_s);
        return writeFile(list, (words.join(u'\n') + u'\n').toUtf8())
            && runLine(joined({m_probe, u"run"_s, m_log, folder, list}), true, whileRunning);
    }

private slots:
    void initTestCase() { QVERIFY(m_scratch.isValid()); }

    // The words reach the program as they were, whatever they hold; plain
    // ones in the line as they are, as the archiver's usual lines.
    void wordsReachTheProgram_data()
    {
        addRows<Words>({
            {"a backup's words",
             {u"a"_s, u"a:\\NOKUhobe.arj"_s, u"C:\\NOKRAT\\*.mdb"_s, u"-v1440"_s, u"-e"_s},
             true},
            {"blank", {u"C:\\Program Files\\x"_s}},
            {"tab", {u"a\tb"_s}},
            {"empty word", {u"x"_s, QString(), u"y"_s}},
            {"quote", {u"sag \"ja\""_s, u"a\"b"_s}},
            {"backslash before the closing quote", {u"C:\\Mit Leer\\"_s, u"C:\\Mit Leer\\\\"_s}},
            {"backslashes before a quote", {u"a\\\"b c"_s}},
            {"working folder with a blank", {}, false, u"C:\\Arbeits Ordner"_s},
        });
    }
    void wordsReachTheProgram()
    {
        QFETCH(Words, row);
        const QString received = path(u"argv.log"_s);
        QFile::remove(received);
        if (!row.folder.isEmpty())
            QVERIFY(QDir().mkpath(row.folder));
        const QStringList words = QStringList {m_probe, u"argv"_s, received} + row.words;
        QVERIFY(runProbe(words, row.folder.isEmpty() ? u"-"_s : row.folder));
        QCOMPARE(logged(m_log, u"ending"_s), QStringList {u"0 0 0 0"_s});
        QCOMPARE(logged(received, u"argv"_s), words);
        const QString line = logged(received, u"line"_s).value(0);
        if (row.plain)
            QVERIFY2(line.endsWith(u' ' + row.words.join(u' ')), qPrintable(line));
        QCOMPARE(logged(received, u"folder"_s).value(0),
                 row.folder.isEmpty() ? QDir::toNativeSeparators(QDir::currentPath()) : row.folder);
    }

    // An ending by exception is a failure, not a negative exit status; a
    // program that does not start is named, with the system's error number
    // (2 or 3: the file or its folder missing). The probe's onOutput answers
    // the question: read only at the end, the program would wait in vain
    // and fail; each piece comes once, though the question's row was looked
    // at often. What the archiver writes comes by line as it wrote them,
    // whatever rows of the 80-column console they took, and decoded from the
    // console's code page; a run of more lines than the console keeps by
    // default loses none. (Wine's console wraps a full row only at the next
    // character, so there a line of exactly 80 runs into the next one.)
    void runs_data()
    {
        const QString ok = u"0 0 0 0"_s, missing = u"C:\\Nirgends\\arj.exe"_s;
        const QString question = u"OK to process next volume (1)?"_s;
        const QString said = u"Volume written.\n"_s + question + u"\nnext\n"_s;
        const QString flag = m_log + u".flag"_s; // where the probe's onOutput answers
        QString many;
        for (int line = 1; line <= 400; ++line)
            many += u"Zeile %1\n"_s.arg(line);
        addRows<Run>({
            {"the archiver's error", {u"exit"_s, u"3"_s}, u"0 3 0 0"_s},
            {"highest status of its own", {u"exit"_s, u"0x7fffffff"_s}, u"0 2147483647 0 0"_s},
            {"access violation", {u"crash"_s}, u"1 5 0 0"_s},
            {"breakpoint status", {u"exit"_s, u"0x80000003"_s}, u"1 3 0 0"_s},
            {"ended by Ctrl+C", {u"exit"_s, u"0xC000013A"_s}, u"1 314 1 0"_s},
            {"missing program", {missing, u"x"_s}, u"0 127 0 0"_s, {}, missing + u": Fehler "_s},
            {"question seen while it waits", {u"ask"_s, flag}, ok, said, {}, question},
            {"81 characters", {u"wide"_s, u"81"_s}, ok, QString(81, u'w') + u"\nend\n"_s},
            {"500 characters", {u"wide"_s, u"500"_s}, ok, QString(500, u'w') + u"\nend\n"_s},
            {"many", {u"lines"_s, u"400"_s}, ok, many},
            {"umlauts in code page 850", {u"umlauts"_s}, ok, u"Größe äüö\n"_s},
        });
    }
    void runs()
    {
        QFETCH(Run, row);
        QStringList words = row.words;
        if (!words.constFirst().endsWith(u".exe"_s))
            words.prepend(m_probe);
        QVERIFY(runProbe(words));
        const QString ending = logged(m_log, u"ending"_s).value(0);
        const QString shown = logged(m_log, u"shown"_s).value(0);
        QVERIFY2(ending == row.ending && shown.startsWith(row.shown),
                 qPrintable(ending + u" "_s + shown));
        const QStringList pieces = logged(m_log, u"piece"_s);
        if (!row.output.isEmpty())
            QCOMPARE(pieces.join(QString()).replace(u"\\n"_s, u"\n"_s), row.output);
        QVERIFY(row.piece.isEmpty() || pieces.contains(row.piece));
    }

    // The summary shows its characters in a console of code page 850.
    void summaryShown()
    {
        const QString text = u"Größe: „1.456.400 Bytes“ – schließen"_s;
        QFile::remove(m_log);
        QVERIFY(runLine(joined({m_probe, u"show"_s, m_log, text}), true));
        QCOMPARE(lines(m_log), QStringList {text});
    }

    // Ctrl+C reaches the program, which ends; the companion lives on and
    // tells the run was interrupted. (Wine delivers no close event: closing
    // its console window ends the processes at once.)
    void ctrlC()
    {
        QVERIFY(runProbe({m_probe, u"sleep"_s, u"30000"_s}, u"-"_s, [this](DWORD process) {
            for (int waited = 0; waited < 200 && logged(m_log, u"piece"_s).isEmpty(); ++waited)
                Sleep(50);
            FreeConsole();
            if (AttachConsole(process)) {
                SetConsoleCtrlHandler(nullptr, TRUE);
                GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
                FreeConsole();
            }
        }));
        SetConsoleCtrlHandler(nullptr, FALSE);
        QCOMPARE(logged(m_log, u"ending"_s).value(0).section(u' ', 2), u"1 0"_s);
    }

    // The archiver's path with blanks comes quoted; unquoted, its words are
    // the ones Windows makes, and no program is guessed from them (Windows
    // would run a C:\Program.exe first).
    void programPathWithBlanks_data()
    {
        const QString program = u"C:\\Program Files\\Horbelung\\arj.exe"_s;
        addRows<Blanks>({
            {"quoted",
             u"-- \""_s + program + u"\" a \"a b\""_s,
             {u"--"_s, program, u"a"_s, u"a b"_s}},
            {"unquoted",
             u"-- "_s + program + u" a"_s,
             {u"--"_s, u"C:\\Program"_s, u"Files\\Horbelung\\arj.exe"_s, u"a"_s}},
            {"an option's value \"--\"",
             u"--summary \"--\" -- \""_s + program + u'"',
             {u"--summary"_s, u"--"_s, u"--"_s, program}},
        });
    }
    void programPathWithBlanks()
    {
        QFETCH(Blanks, row);
        const QString log = path(u"words.log"_s);
        QFile::remove(log);
        QVERIFY(runLine(joined({m_probe, u"words"_s, log}) + u' ' + row.command, false));
        QCOMPARE(lines(log), (QStringList {u"words"_s, log} + row.words));
    }
};

QTEST_GUILESS_MAIN(TestWindowsTerminal)
#include "tst_winterminal.moc"
