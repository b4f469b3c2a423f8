#include "../windowdriver.h"
#include "winruns.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

// The folder a path names, its short names in their long form.
QString longForm(const QString &path)
{
    wchar_t buffer[MAX_PATH];
    const DWORD size
        = GetLongPathNameW(reinterpret_cast<const wchar_t *>(path.utf16()), buffer, MAX_PATH);
    return QString::fromWCharArray(buffer, size);
}

// What the recording archiver beside the program wrote, one call per line.
QStringList recordedLines(const QString &file)
{
    QFile calls(file);
    if (!calls.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(calls.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
}

// The real services, real launches included, with the boxes answered: Yes
// to the restore's question, OK to every other; the next disk only once
// the archiver has read the one before, as a user changes disks.
class AnsweringServices : private WorkingFolder, public platform::RealServices
{
public:
    explicit AnsweringServices(const QString &programDirectory
                               = QCoreApplication::applicationDirPath())
        : RealServices(platform::DriveMap::fromEnvironment(), programDirectory, folder)
        , m_calls(programDirectory + u"/arj-calls.txt"_s)
    { }

    int msgBox(const QString &prompt, int style) override
    {
        log << prompt;
        static const QRegularExpression nextDisk(
            u"^Legen Sie die Sicherungsdiskette (\\d+) ein$"_s);
        if (const auto match = nextDisk.match(prompt); match.hasMatch()) {
            const QDeadlineTimer deadline(20000);
            while (recordedLines(m_calls).size() < match.captured(1).toInt() - 1
                   && !deadline.hasExpired())
                QThread::msleep(50);
        }
        return (style & 7) == platform::MsgBox::YesNo ? platform::MsgBox::Yes
                                                      : platform::MsgBox::Ok;
    }

    QStringList log;

private:
    QString m_calls;
};

// The same beside a copy of the program in C:\TOOLS, a folder without a blank.
const QString tools = u"C:/TOOLS"_s;

struct ToolsServices : AnsweringServices
{
    ToolsServices()
        : AnsweringServices(tools)
    { }
};

// Where Windows would look first for a program "C:\Program Files\…" left
// unquoted; a recording archiver lies there during the tests.
const QString planted = u"C:/Program.exe"_s;

QStringList recordedCalls(const QString &file)
{
    QStringList lines = recordedLines(file);
    // The runs of a restore start one after the other without waiting, so
    // their archivers may record in any order.
    lines.sort();
    return lines;
}

// A recorded line against the expected one, where "?" stands for a hex
// digit of the name of the restore's own folder.
bool matches(const QString &line, const QString &pattern)
{
    QString expression = QRegularExpression::escape(pattern);
    expression.replace(u"\\?"_s, u"[0-9a-f]"_s);
    return QRegularExpression(QRegularExpression::anchoredPattern(expression))
        .match(line)
        .hasMatch();
}

// Page 2 as the row sets it ("field=text" typed, else clicked), then the start.
template<class Driver> void start(Driver &driver, const QStringList &actions)
{
    for (const QString &action : actions) {
        if (action.contains(u'='))
            driver.type(action.section(u'=', 0, 0), action.section(u'=', 1));
        else
            driver.click(action);
    }
    driver.click(u"Command3D1"_s);
}

// The floppies and D:\SICH empty, the database folder with older files, and
// the backup SET (of archives.sh) at the place a restore reads it, its files
// where the recording archiver extracts them from.
void prepare(const QString &set, const QString &place, const QString &programDirectory)
{
    const QString held = companionStillAtWork();
    QVERIFY2(held.isEmpty(), qPrintable(u"still held: "_s + held));
    for (const QString &folder : {u"A:/"_s, u"B:/"_s, u"D:/SICH"_s, u"C:/NOKRAT"_s,
                                  programDirectory + u"/arj-contents"_s}) {
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(clearFolder(folder));
    }
    for (const QString &name : {u"Nokrat.mdb"_s, u"Kl.mdb"_s}) {
        QFile older(u"C:/NOKRAT/"_s + name);
        QVERIFY(older.open(QIODevice::WriteOnly) && older.write("vorher") > 0);
    }
    for (const QString &folder : {programDirectory, u"C:"_s}) {
        QFile::remove(folder + u"/arj-calls.txt"_s);
        QFile::remove(folder + u"/arj-argv.txt"_s);
    }
    if (set.isEmpty())
        return;
    QVERIFY(copyFiles(archives() + u'/' + set + u"/volumes"_s, place));
    QVERIFY(
        copyFiles(archives() + u'/' + set + u"/files"_s, programDirectory + u"/arj-contents"_s));
}

// What a finished restore leaves: the backup's files in place of the older
// ones, and no folder of its own.
void checkRestored(const QString &set)
{
    for (const QString &name : {u"Nokrat.mdb"_s, u"Kl.mdb"_s})
        QTRY_COMPARE_WITH_TIMEOUT(contents(u"C:/NOKRAT/"_s + name),
                                  contents(archives() + u'/' + set + u"/files/"_s + name), 15000);
    QTRY_COMPARE_WITH_TIMEOUT(QDir(u"C:/NOKRAT"_s).entryList({u"~HB*"_s}, QDir::AllEntries),
                              QStringList(), 5000);
}

} // namespace

// The archive runs' command lines as the archiver receives them, through
// Windows' own launch and the console companion, from a program installed
// in "C:\Program Files\Horbelung".
class TestWindowsLaunch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QFile::remove(planted);
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + u"/arj.exe"_s, planted));
    }
    void cleanupTestCase()
    {
        for (const QString &file : {planted, u"C:/arj-calls.txt"_s, u"C:/arj-argv.txt"_s})
            QFile::remove(file);
    }

    void commandLines_data()
    {
        QTest::addColumn<QStringList>("actions"); // a control clicked, or "field=text" typed
        QTest::addColumn<QString>("set"); // the backup on disk for a restore (archives.sh)
        QTest::addColumn<QString>("place");
        QTest::addColumn<QStringList>("calls"); // "?" as in matches()
        const QString backup = u"C:\\TOOLS\\arj.exe a "_s;
        QTest::newRow("backup to A:, all databases")
            << QStringList {} << QString() << QString()
            << QStringList {backup + u"a:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1440 -e"_s};
        QTest::newRow("backup to A:, one database")
            << QStringList {u"VqsCheck1"_s} << QString() << QString()
            << QStringList {backup + u"a:\\NOKUhobe.arj C:\\NOKRAT\\NOKRAT.mdb -v1440 -e"_s};
        QTest::newRow("backup to B:")
            << QStringList {u"Option3D2"_s} << QString() << QString()
            << QStringList {backup + u"b:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1200 -e"_s};
        QTest::newRow("backup to the hard disk")
            << QStringList {u"Option3D5"_s, u"Mh3dText1=D:\\SICH\\"_s} << QString() << QString()
            << QStringList {backup + u"D:\\SICH\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -e -y"_s};
        // A restore extracts into a folder of its own in the database folder.
        const QString into = u" C:\\NOKRAT\\~HB?????.NEU\\ -y"_s;
        QTest::newRow("restore from A:, two disks")
            << QStringList {u"Option3D4"_s, u"Mh3dText3=2"_s} << u"two"_s << u"A:/"_s
            << QStringList {u"arj.exe x a:\\NOKUhobe.a01"_s + into,
                            u"arj.exe x a:\\NOKUhobe.arj"_s + into};
        QTest::newRow("restore from B:, three disks")
            << QStringList {u"Option3D4"_s, u"Option3D2"_s, u"Mh3dText3=3"_s} << u"three"_s
            << u"B:/"_s
            << QStringList {u"arj.exe x b:\\NOKUhobe.a01"_s + into,
                            u"arj.exe x b:\\NOKUhobe.a02"_s + into,
                            u"arj.exe x b:\\NOKUhobe.arj"_s + into};
        QTest::newRow("restore from the hard disk")
            << QStringList {u"Option3D4"_s, u"Option3D5"_s, u"Mh3dText1=D:\\SICH\\"_s} << u"one"_s
            << u"D:/SICH"_s << QStringList {u"arj.exe x D:\\SICH\\NOKUhobe.arj"_s + into};
    }
    void commandLines()
    {
        QFETCH(QStringList, actions);
        QFETCH(QString, set);
        QFETCH(QString, place);
        QFETCH(QStringList, calls);
        const QString program = QCoreApplication::applicationDirPath();
        prepare(set, place, program);
        if (QTest::currentTestFailed())
            return;
        const QString record = program + u"/arj-calls.txt"_s;

        BasicWindowDriver<AnsweringServices> driver;
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        start(driver, actions);

        QVERIFY(QTest::qWaitFor(
            [&] {
                return recordedCalls(record).size() >= calls.size()
                    || QFile::exists(u"C:/arj-calls.txt"_s);
            },
            30000));
        QVERIFY2(!QFile::exists(u"C:/arj-calls.txt"_s), "C:\\Program.exe was started");
        const QStringList recorded = recordedCalls(record);
        const QStringList argv = recordedCalls(program + u"/arj-argv.txt"_s);
        QCOMPARE(recorded.size(), calls.size());
        QCOMPARE(argv.size(), calls.size());
        // The rows' lines are the ones from C:\TOOLS: from here the backup's
        // archiver is named in quotes, and gets its path as its first word.
        const QString fromTools = u"C:\\TOOLS\\arj.exe"_s;
        const QString installed = QDir::toNativeSeparators(program) + u"\\arj.exe"_s;
        for (qsizetype at = 0; at < calls.size(); ++at) {
            QString line = calls.at(at);
            QStringList words = line.split(u' ');
            if (words.constFirst() == fromTools) {
                line.replace(0, fromTools.size(), u'"' + installed + u'"');
                words.first() = installed;
            }
            QVERIFY2(matches(recorded.at(at), line), qPrintable(recorded.at(at)));
            const QStringList received = argv.at(at).split(u'\t');
            QCOMPARE(received.size(), words.size());
            for (qsizetype word = 0; word < words.size(); ++word)
                QVERIFY2(matches(received.at(word), words.at(word)), qPrintable(argv.at(at)));
        }
        if (set.isEmpty())
            return;
        // The disks of one restore share its folder.
        for (const QString &line : recorded)
            QCOMPARE(line.section(u' ', 3, 3), recorded.constFirst().section(u' ', 3, 3));
        checkRestored(set);
    }

    // From a program folder without a blank the worked example's line
    // reaches the archiver byte for byte.
    void workedExampleFromTools()
    {
        // Once: the consoles of earlier runs may still be open.
        for (const QString &name : {u"arj.exe"_s, u"horbelung-console.exe"_s}) {
            if (!QFile::exists(tools + u'/' + name))
                QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + u'/' + name,
                                    tools + u'/' + name));
        }
        prepare({}, {}, tools);
        if (QTest::currentTestFailed())
            return;
        BasicWindowDriver<ToolsServices> driver;
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        start(driver, {});
        QTRY_COMPARE_WITH_TIMEOUT(
            recordedLines(tools + u"/arj-calls.txt"_s),
            QStringList {u"C:\\TOOLS\\arj.exe a a:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1440 -e"_s},
            30000);
    }

    // A backup to "a:" goes to the floppy A:, where an older backup is
    // neither written into nor set aside.
    void olderBackupOnFloppyKept()
    {
        const QString program = QCoreApplication::applicationDirPath();
        prepare(u"one"_s, u"A:/"_s, program);
        if (QTest::currentTestFailed())
            return;
        BasicWindowDriver<AnsweringServices> driver;
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        driver.click(u"Command3D1"_s);
        // Long enough for the companion to have called the archiver.
        QTest::qWait(4000);
        QVERIFY(!QFile::exists(program + u"/arj-calls.txt"_s));
        QCOMPARE(QDir(u"A:/"_s).entryList({u"NOKUhobe.*"_s}), QStringList {u"NOKUhobe.arj"_s});
        QCOMPARE(contents(u"A:/NOKUhobe.arj"_s),
                 contents(archives() + u"/one/volumes/NOKUhobe.arj"_s));
    }

    // The run's DOS form "C:\Buchha~1\" is the rule's guess, which names
    // another folder, or none, wherever the file system shortened otherwise
    // (beside "Buchhaltung 2022", under Wine always): the archiver gets the
    // file system's own short form of the folder typed, also in the next run
    // from the shortened fields, and a folder without one is refused.
    void shortFormsNameTheTypedFolder()
    {
        for (const QString &folder : {u"C:/Buchhaltung 2022"_s, u"C:/Buchhaltung 2023"_s})
            QVERIFY(QDir().mkpath(folder));
        const QString record = QCoreApplication::applicationDirPath() + u"/arj-argv.txt"_s;
        QFile::remove(record);
        BasicWindowDriver<AnsweringServices> driver;
        driver.openPage2(u"C:\\Buchhaltung 2023\\"_s);
        driver.click(u"Option3D5"_s);
        driver.type(u"Mh3dText1"_s, u"D:\\SICH\\"_s);
        for (int run = 0; run < 2; ++run) {
            driver.click(u"Command3D1"_s);
            QTRY_COMPARE_WITH_TIMEOUT(recordedCalls(record).size(), 1, 15000);
            const QStringList words = recordedCalls(record).constLast().split(u'\t');
            QCOMPARE(words.size(), 6);
            QVERIFY(words.at(3).endsWith(u"\\*.mdb"_s));
            QCOMPARE(longForm(words.at(3).chopped(5)), u"C:\\Buchhaltung 2023\\"_s);
            QFile::remove(record);
            QCOMPARE(companionStillAtWork(), QString());
        }
        QCOMPARE(driver.control<QLineEdit>(u"Mh3dText2"_s)->text(), u"C:\\Buchha~1\\"_s);

        driver.type(u"Mh3dText2"_s, u"C:\\Neue Buchhaltung\\"_s);
        driver.click(u"Command3D1"_s);
        QVERIFY(driver.services.log.constLast().startsWith(u"Fehler Nr.:  76"_s));
        QTest::qWait(2000);
        QVERIFY(!QFile::exists(record));
    }
};

QTEST_MAIN(TestWindowsLaunch)
#include "tst_winlaunch.moc"
