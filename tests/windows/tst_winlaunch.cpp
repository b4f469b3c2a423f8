#include "../rows.h"
#include "../windowdriver.h"
#include "winruns.h"

#include <QProcess>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

// What the recording archiver in a folder wrote, one call per line. The
// runs of a restore start one after the other without waiting, so their
// archivers may record in any order: sorted.
QStringList recordedCalls(const QString &file)
{
    QStringList calls = lines(file, u"\r\n"_s);
    calls.sort();
    return calls;
}

// The program the next services are: the installed one (each test starts
// so), or its copy in C:\TOOLS, a folder without a blank.
QString programFolder;
const QString tools = u"C:/TOOLS"_s;

// The next disk only once the archiver has read the one before, as a user
// changes disks.
class LaunchServices : public AnsweringServices
{
public:
    LaunchServices()
        : AnsweringServices(programFolder)
    { }

private:
    void diskAskedFor(int disk) override
    {
        const QDeadlineTimer deadline(20000);
        while (recordedCalls(programFolder + u"/arj-calls.txt"_s).size() < disk - 1
               && !deadline.hasExpired())
            QThread::msleep(50);
    }
};

// Where Windows would look first for a program "C:\Program Files\…" left
// unquoted; a recording archiver lies there during the tests.
const QString planted = u"C:/Program.exe"_s;

// A recorded text against the expected one, where "?" stands for a hex
// digit of the name of the restore's own folder.
bool matches(const QString &text, const QString &pattern)
{
    QString expression = QRegularExpression::escape(pattern);
    expression.replace(u"\\?"_s, u"[0-9a-f]"_s);
    return QRegularExpression(QRegularExpression::anchoredPattern(expression))
        .match(text)
        .hasMatch();
}

// The floppies and D:\SICH empty, the database folder with older files, and
// the backup SET (of archives.sh) at the place a restore reads it, its files
// where the recording archiver extracts them from.
void prepare(const QString &set = {}, const QString &place = {})
{
    const QString held = companionStillAtWork();
    QVERIFY2(held.isEmpty(), qPrintable(u"still held: "_s + held));
    for (const QString &folder :
         {u"A:/"_s, u"B:/"_s, u"D:/SICH"_s, u"C:/NOKRAT"_s, programFolder + u"/arj-contents"_s}) {
        QVERIFY(QDir().mkpath(folder) && clearFolder(folder));
    }
    for (const QString &name : {u"Nokrat.mdb"_s, u"Kl.mdb"_s})
        QVERIFY(writeFile(u"C:/NOKRAT/"_s + name, "vorher"));
    for (const QString &folder : {programFolder, u"C:"_s}) {
        QFile::remove(folder + u"/arj-calls.txt"_s);
        QFile::remove(folder + u"/arj-argv.txt"_s);
    }
    if (set.isEmpty())
        return;
    QVERIFY(copyFiles(archives + u'/' + set + u"/volumes"_s, place));
    QVERIFY(copyFiles(archives + u'/' + set + u"/files"_s, programFolder + u"/arj-contents"_s));
}

// Page 2 as a row sets it (controls clicked, "field=text" typed, split at
// blanks) before the start, run from the installed program or from C:\TOOLS,
// with the backup SET (of archives.sh) at PLACE, which a restore reads and
// a backup to "a:" finds on the floppy A: (it neither writes into it nor
// sets it aside). The calls recorded under the row's name in winlaunch.txt
// ("?" as in matches(); none: no call) are what the archiver gets, its
// arguments split as there; the backup at PLACE is left as it was.
struct Launch
{
    const char *name;
    QString actions;
    QString set = {}, place = {};
    bool fromTools = false;
};

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
        const QString program = QCoreApplication::applicationDirPath();
        // Once (C:\TOOLS): the consoles of earlier runs may still be open.
        for (const auto &[name, to] :
             {std::pair(u"arj.exe"_s, planted),
              {u"arj.exe"_s, tools + u"/arj.exe"_s},
              {u"horbelung-console.exe"_s, tools + u"/horbelung-console.exe"_s}})
            QVERIFY(QFile::exists(to) || QFile::copy(program + u'/' + name, to));
    }
    void init() { programFolder = QCoreApplication::applicationDirPath(); }
    void cleanupTestCase()
    {
        for (const QString &file : {planted, u"C:/arj-calls.txt"_s, u"C:/arj-argv.txt"_s})
            QFile::remove(file);
    }

    void commandLines_data()
    {
        addRows<Launch>({
            {"backup to A:, all databases", {}},
            {"backup to A:, one database", u"VqsCheck1"_s},
            {"backup to B:", u"Option3D2"_s},
            {"backup to the hard disk", u"Option3D5 Mh3dText1=D:\\SICH\\"_s},
            {"backup to A: holding an older backup, kept", {}, u"one"_s, u"A:/"_s},
            {"the worked example's line byte for byte from C:\\TOOLS", {}, {}, {}, true},
            {"restore from A:, two disks", u"Option3D4 Mh3dText3=2"_s, u"two"_s, u"A:/"_s},
            {"restore from B:, three disks", u"Option3D4 Option3D2 Mh3dText3=3"_s, u"three"_s,
             u"B:/"_s},
            {"restore from the hard disk", u"Option3D4 Option3D5 Mh3dText1=D:\\SICH\\"_s, u"one"_s,
             u"D:/SICH"_s},
        });
    }
    void commandLines()
    {
        QFETCH(Launch, row);
        if (row.fromTools)
            programFolder = tools;
        prepare(row.set, row.place);
        if (QTest::currentTestFailed())
            return;
        BasicWindowDriver<LaunchServices> driver;
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        for (const QString &action : row.actions.split(u' ', Qt::SkipEmptyParts)) {
            if (action.contains(u'='))
                driver.type(action.section(u'=', 0, 0), action.section(u'=', 1));
            else
                driver.click(action);
        }
        driver.click(u"Command3D1"_s);

        const QStringList calls = recordedTexts(u"winlaunch.txt"_s)
                                      .value(QString::fromUtf8(row.name))
                                      .split(u'\n', Qt::SkipEmptyParts);
        const QString record = programFolder + u"/arj-calls.txt"_s;
        // Where none is expected, long enough for the companion to have
        // called the archiver.
        if (calls.isEmpty())
            QTest::qWait(4000);
        QTRY_VERIFY_WITH_TIMEOUT(recordedCalls(record).size() >= calls.size()
                                     || QFile::exists(u"C:/arj-calls.txt"_s),
                                 30000);
        QVERIFY2(!QFile::exists(u"C:/arj-calls.txt"_s), "C:\\Program.exe was started");
        const QStringList recorded = recordedCalls(record);
        QVERIFY2(matches(recorded.join(u'\n'), calls.join(u'\n')),
                 qPrintable(recorded.join(u'\n')));
        QStringList words;
        for (const QString &call : calls)
            words << QProcess::splitCommand(call).join(u'\t');
        const QString argv = recordedCalls(programFolder + u"/arj-argv.txt"_s).join(u'\n');
        QVERIFY2(matches(argv, words.join(u'\n')), qPrintable(argv));
        if (row.set.isEmpty())
            return;
        // The backup is left as it was. The disks of one restore share its
        // folder, which is gone at the end, the backup's files in place of
        // the older ones.
        const QString volumes = archives + u'/' + row.set + u"/volumes/"_s;
        QCOMPARE(QDir(row.place).entryList({u"NOKUhobe.*"_s}),
                 QDir(volumes).entryList(QDir::Files));
        for (const QString &name : QDir(volumes).entryList(QDir::Files))
            QCOMPARE(bytesOf(row.place + u'/' + name), bytesOf(volumes + name));
        if (calls.isEmpty())
            return;
        for (const QString &line : recorded)
            QCOMPARE(line.section(u' ', 3, 3), recorded.constFirst().section(u' ', 3, 3));
        for (const QString &name : {u"Nokrat.mdb"_s, u"Kl.mdb"_s})
            QTRY_COMPARE_WITH_TIMEOUT(bytesOf(u"C:/NOKRAT/"_s + name),
                                      bytesOf(archives + u'/' + row.set + u"/files/"_s + name),
                                      15000);
        QTRY_COMPARE_WITH_TIMEOUT(QDir(u"C:/NOKRAT"_s).entryList({u"~HB*"_s}, QDir::AllEntries),
                                  QStringList(), 5000);
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
        const QString record = programFolder + u"/arj-argv.txt"_s;
        QFile::remove(record);
        BasicWindowDriver<LaunchServices> driver;
        driver.openPage2(u"C:\\Buchhaltung 2023\\"_s);
        driver.click(u"Option3D5"_s);
        driver.type(u"Mh3dText1"_s, u"D:\\SICH\\"_s);
        for (int run = 0; run < 2; ++run) {
            driver.click(u"Command3D1"_s);
            QTRY_COMPARE_WITH_TIMEOUT(recordedCalls(record).size(), 1, 15000);
            const QStringList words = recordedCalls(record).constLast().split(u'\t');
            QCOMPARE(words.size(), 6);
            QVERIFY(words.at(3).endsWith(u"\\*.mdb"_s));
            // The folder it names, its short names in their long form.
            wchar_t folder[MAX_PATH];
            const QString shortForm = words.at(3).chopped(5);
            const DWORD size = GetLongPathNameW(wide(shortForm), folder, MAX_PATH);
            QCOMPARE(QString::fromWCharArray(folder, size), u"C:\\Buchhaltung 2023\\"_s);
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
