// The console companion's terminal functions on Windows, in a console of
// their own as the companion has one, driven through terminalprobe.exe.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

QString probe()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath()
                                    + u"/terminalprobe.exe"_s);
}

// Starts the command line, in a console of its own or in none, and waits
// for it; false when it did not end in time.
bool runLine(QString line, bool console, const std::function<void(DWORD)> &whileRunning = {})
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t *>(line.data()), nullptr, nullptr, FALSE,
                        console ? CREATE_NEW_CONSOLE : CREATE_NO_WINDOW, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    if (whileRunning)
        whileRunning(process.dwProcessId);
    const bool ended = WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    return ended;
}

// Words of the test's own command lines; none of them ends in a backslash.
QString joined(const QStringList &words)
{
    QStringList quoted;
    for (const QString &word : words)
        quoted << (word.contains(u' ') ? u'"' + word + u'"' : word);
    return quoted.join(u' ');
}

QStringList logLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// What onOutput got, unescaped and joined, and the ending's line.
struct Probed
{
    QStringList pieces;
    QString ending;
    QString shown; // the console's last line, when the program did not start
    QString output() const { return pieces.join(QString()); }
};

Probed probed(const QString &log)
{
    Probed result;
    for (const QString &line : logLines(log)) {
        if (line.startsWith(u"piece "_s))
            result.pieces << line.mid(6).replace(u"\\n"_s, u"\n"_s);
        else if (line.startsWith(u"ending "_s))
            result.ending = line.mid(7);
        else if (line.startsWith(u"shown "_s))
            result.shown = line.mid(6);
    }
    return result;
}

} // namespace

class TestWindowsTerminal : public QObject
{
    Q_OBJECT

    QTemporaryDir m_scratch;
    QString m_log;

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
        QFile file(list);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write((words.join(u'\n') + u'\n').toUtf8()) < 0)
            return false;
        file.close();
        return runLine(joined({probe(), u"run"_s, m_log, folder, list}), true, whileRunning);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_scratch.isValid());
        m_log = path(u"probe.log"_s);
    }

    // The words reach the program as they were, whatever they hold; plain
    // ones in the line as they are, as the archiver's usual lines.
    void wordsReachTheProgram_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("plain"); // the line ends in the words as they are
        QTest::newRow("a backup's words")
            << QStringList {u"a"_s, u"a:\\NOKUhobe.arj"_s, u"C:\\NOKRAT\\*.mdb"_s, u"-v1440"_s,
                            u"-e"_s}
            << QString() << true;
        QTest::newRow("blank") << QStringList {u"C:\\Program Files\\x"_s} << QString() << false;
        QTest::newRow("tab") << QStringList {u"a\tb"_s} << QString() << false;
        QTest::newRow("empty word")
            << QStringList {u"x"_s, QString(), u"y"_s} << QString() << false;
        QTest::newRow("quote") << QStringList {u"sag \"ja\""_s, u"a\"b"_s} << QString() << false;
        QTest::newRow("backslash before the closing quote")
            << QStringList {u"C:\\Mit Leer\\"_s, u"C:\\Mit Leer\\\\"_s} << QString() << false;
        QTest::newRow("backslashes before a quote")
            << QStringList {u"a\\\"b c"_s} << QString() << false;
        QTest::newRow("working folder with a blank")
            << QStringList {} << u"C:\\Arbeits Ordner"_s << false;
    }
    void wordsReachTheProgram()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, folder);
        QFETCH(bool, plain);
        const QString received = path(u"argv.log"_s);
        QFile::remove(received);
        if (!folder.isEmpty())
            QVERIFY(QDir().mkpath(folder));
        QVERIFY(runProbe(QStringList {probe(), u"argv"_s, received} + words,
                         folder.isEmpty() ? u"-"_s : folder));
        QCOMPARE(probed(m_log).ending, u"0 0 0 0"_s);

        QStringList argv;
        QString line;
        QString workedIn;
        for (const QString &entry : logLines(received)) {
            if (entry.startsWith(u"argv "_s))
                argv << entry.mid(5);
            else if (entry.startsWith(u"line "_s))
                line = entry.mid(5);
            else if (entry.startsWith(u"folder "_s))
                workedIn = entry.mid(7);
        }
        QCOMPARE(argv, (QStringList {probe(), u"argv"_s, received} + words));
        if (plain)
            QVERIFY2(line.endsWith(u' ' + words.join(u' ')), qPrintable(line));
        QCOMPARE(workedIn,
                 folder.isEmpty() ? QDir::toNativeSeparators(QDir::currentPath()) : folder);
    }

    // An ending by exception is a failure, not a negative exit status.
    void endings_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("ending"); // signalled, code, interrupted, hung up
        QTest::newRow("success") << QStringList {u"exit"_s, u"0"_s} << u"0 0 0 0"_s;
        QTest::newRow("the archiver's error") << QStringList {u"exit"_s, u"3"_s} << u"0 3 0 0"_s;
        QTest::newRow("highest status of its own")
            << QStringList {u"exit"_s, u"0x7fffffff"_s} << u"0 2147483647 0 0"_s;
        QTest::newRow("access violation") << QStringList {u"crash"_s} << u"1 5 0 0"_s;
        QTest::newRow("breakpoint status")
            << QStringList {u"exit"_s, u"0x80000003"_s} << u"1 3 0 0"_s;
        QTest::newRow("ended by Ctrl+C")
            << QStringList {u"exit"_s, u"0xC000013A"_s} << u"1 314 1 0"_s;
    }
    void endings()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, ending);
        QVERIFY(runProbe(QStringList {probe()} + words));
        const Probed seen = probed(m_log);
        QVERIFY2(seen.ending == ending, qPrintable(seen.ending + u" "_s + seen.shown));
    }

    void missingProgram()
    {
        QVERIFY(runProbe({u"C:\\Nirgends\\arj.exe"_s, u"x"_s}));
        QCOMPARE(probed(m_log).ending, u"0 127 0 0"_s);
        // The console says which program, with the system's error number
        // (2 or 3: the file or its folder missing).
        QVERIFY2(probed(m_log).shown.startsWith(u"C:\\Nirgends\\arj.exe: Fehler "_s),
                 qPrintable(probed(m_log).shown));
    }

    // The probe's onOutput answers the question: read only at the end, the
    // program would wait in vain and fail.
    void questionSeenWhileItWaits()
    {
        QVERIFY(runProbe({probe(), u"ask"_s, m_log + u".flag"_s}));
        const Probed seen = probed(m_log);
        QCOMPARE(seen.ending, u"0 0 0 0"_s);
        // Each piece once, though the question's row was looked at often.
        QCOMPARE(seen.output(), u"Volume written.\nOK to process next volume (1)?\nnext\n"_s);
        QVERIFY(seen.pieces.indexOf(u"OK to process next volume (1)?"_s) >= 0);
    }

    // What the archiver writes, by line as it wrote them, whatever rows of
    // the 80-column console they took, and decoded from the console's code
    // page; a run of more lines than the console keeps by default loses none.
    // (Wine's console wraps a full row only at the next character, so there
    // a line of exactly 80 runs into the next one.)
    void output_data()
    {
        QTest::addColumn<QStringList>("words");
        QTest::addColumn<QString>("output");
        for (const int width : {81, 500})
            QTest::addRow("%d characters", width) << QStringList {u"wide"_s, QString::number(width)}
                                                  << QString(width, u'w') + u"\nend\n"_s;
        QString lines;
        for (int line = 1; line <= 400; ++line)
            lines += u"Zeile %1\n"_s.arg(line);
        QTest::newRow("many") << QStringList {u"lines"_s, u"400"_s} << lines;
        QTest::newRow("umlauts in code page 850") << QStringList {u"umlauts"_s} << u"Größe äüö\n"_s;
    }
    void output()
    {
        QFETCH(QStringList, words);
        QFETCH(QString, output);
        QVERIFY(runProbe(QStringList {probe()} + words));
        QCOMPARE(probed(m_log).output(), output);
    }

    // The summary shows its characters in a console of code page 850.
    void summaryShown()
    {
        const QString text = u"Größe: „1.456.400 Bytes“ – schließen"_s;
        QFile::remove(m_log);
        QVERIFY(runLine(joined({probe(), u"show"_s, m_log, text}), true));
        QCOMPARE(logLines(m_log), QStringList {text});
    }

    // Ctrl+C reaches the program, which ends; the companion lives on and
    // tells the run was interrupted. (Wine delivers no close event: closing
    // its console window ends the processes at once.)
    void ctrlC()
    {
        QVERIFY(runProbe({probe(), u"sleep"_s, u"30000"_s}, u"-"_s, [this](DWORD process) {
            for (int waited = 0; waited < 200 && probed(m_log).pieces.isEmpty(); ++waited)
                Sleep(50);
            FreeConsole();
            if (AttachConsole(process)) {
                SetConsoleCtrlHandler(nullptr, TRUE);
                GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0);
                FreeConsole();
            }
        }));
        SetConsoleCtrlHandler(nullptr, FALSE);
        QCOMPARE(probed(m_log).ending.section(u' ', 2), u"1 0"_s);
    }

    // The archiver's path with blanks comes quoted; unquoted, its words are
    // the ones Windows makes, and no program is guessed from them (Windows
    // would run a C:\Program.exe first).
    void programPathWithBlanks_data()
    {
        QTest::addColumn<QString>("command"); // after "terminalprobe.exe words LOG"
        QTest::addColumn<QStringList>("words"); // read after LOG
        const QString program = u"C:\\Program Files\\Horbelung\\arj.exe"_s;
        QTest::newRow("quoted") << u"-- \""_s + program + u"\" a \"a b\""_s
                                << QStringList {u"--"_s, program, u"a"_s, u"a b"_s};
        QTest::newRow("unquoted") << u"-- "_s + program + u" a"_s
                                  << QStringList {u"--"_s, u"C:\\Program"_s,
                                                  u"Files\\Horbelung\\arj.exe"_s, u"a"_s};
        QTest::newRow("an option's value \"--\"") << u"--summary \"--\" -- \""_s + program
                + u"\""_s << QStringList {u"--summary"_s, u"--"_s, u"--"_s, program};
    }
    void programPathWithBlanks()
    {
        QFETCH(QString, command);
        QFETCH(QStringList, words);
        const QString log = path(u"words.log"_s);
        QFile::remove(log);
        QVERIFY(runLine(joined({probe(), u"words"_s, log}) + u' ' + command, false));
        QCOMPARE(logLines(log), (QStringList {u"words"_s, log} + words));
    }
};

QTEST_GUILESS_MAIN(TestWindowsTerminal)
#include "tst_winterminal.moc"
