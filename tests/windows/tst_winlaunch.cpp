#include "../windowdriver.h"

#include "platform/realservices.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

// Made before the services that work in it; kept, as the consoles the
// launches opened still work in it when a test ends.
struct WorkingFolder
{
    QString folder = QCoreApplication::applicationDirPath() + u"/work"_s;
    bool made = QDir().mkpath(folder);
};

// The folder a path names, its short names in their long form.
QString longForm(const QString &path)
{
    wchar_t buffer[MAX_PATH];
    const DWORD size
        = GetLongPathNameW(reinterpret_cast<const wchar_t *>(path.utf16()), buffer, MAX_PATH);
    return QString::fromWCharArray(buffer, size);
}

// The real services, real launches included, with the boxes answered: Yes
// to the restore's question, OK to every other.
class AnsweringServices : private WorkingFolder, public platform::RealServices
{
public:
    AnsweringServices()
        : RealServices(platform::DriveMap::fromEnvironment(),
                       QCoreApplication::applicationDirPath(), folder)
    { }

    int msgBox(const QString &prompt, int style) override
    {
        log << prompt;
        return (style & 7) == platform::MsgBox::YesNo ? platform::MsgBox::Yes
                                                      : platform::MsgBox::Ok;
    }

    QStringList log;
};

// What the recording archiver beside the program wrote, one call per line.
QStringList recordedCalls(const QString &file)
{
    QFile calls(file);
    if (!calls.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(calls.readAll()).split(u"\r\n"_s, Qt::SkipEmptyParts);
    // The runs of a restore start one after the other without waiting, so
    // their archivers may record in any order.
    lines.sort();
    return lines;
}

} // namespace

// The archive runs' command lines as the archiver receives them, through
// Windows' own launch and the console companion, from a program in C:\TOOLS.
class TestWindowsLaunch : public QObject
{
    Q_OBJECT
private slots:
    void commandLines_data()
    {
        QTest::addColumn<QStringList>("actions"); // a control clicked, or "field=text" typed
        QTest::addColumn<QStringList>("calls");
        const QString backup = u"C:\\TOOLS\\arj.exe a "_s;
        QTest::newRow("backup to A:, all databases")
            << QStringList {}
            << QStringList {backup + u"a:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1440 -e"_s};
        QTest::newRow("backup to A:, one database")
            << QStringList {u"VqsCheck1"_s}
            << QStringList {backup + u"a:\\NOKUhobe.arj C:\\NOKRAT\\NOKRAT.mdb -v1440 -e"_s};
        QTest::newRow("backup to B:")
            << QStringList {u"Option3D2"_s}
            << QStringList {backup + u"b:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1200 -e"_s};
        QTest::newRow("backup to the hard disk")
            << QStringList {u"Option3D5"_s, u"Mh3dText1=D:\\SICH\\"_s}
            << QStringList {backup + u"D:\\SICH\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -e -y"_s};
        QTest::newRow("restore from A:, two disks")
            << QStringList {u"Option3D4"_s, u"Mh3dText3=2"_s}
            << QStringList {u"arj.exe x a:\\NOKUhobe.a01 C:\\NOKRAT\\ -y"_s,
                            u"arj.exe x a:\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s};
        QTest::newRow("restore from B:, three disks")
            << QStringList {u"Option3D4"_s, u"Option3D2"_s, u"Mh3dText3=3"_s}
            << QStringList {u"arj.exe x b:\\NOKUhobe.a01 C:\\NOKRAT\\ -y"_s,
                            u"arj.exe x b:\\NOKUhobe.a02 C:\\NOKRAT\\ -y"_s,
                            u"arj.exe x b:\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s};
        QTest::newRow("restore from the hard disk")
            << QStringList {u"Option3D4"_s, u"Option3D5"_s, u"Mh3dText1=D:\\SICH\\"_s}
            << QStringList {u"arj.exe x D:\\SICH\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s};
    }
    void commandLines()
    {
        QFETCH(QStringList, actions);
        QFETCH(QStringList, calls);
        const QString record = QCoreApplication::applicationDirPath() + u"/arj-calls.txt"_s;
        QFile::remove(record);

        BasicWindowDriver<AnsweringServices> driver;
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        for (const QString &action : std::as_const(actions)) {
            if (action.contains(u'='))
                driver.type(action.section(u'=', 0, 0), action.section(u'=', 1));
            else
                driver.click(action);
        }
        driver.click(u"Command3D1"_s);

        QTRY_COMPARE_WITH_TIMEOUT(recordedCalls(record).size(), calls.size(), 15000);
        QCOMPARE(recordedCalls(record), calls);
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
        const QString record = QCoreApplication::applicationDirPath() + u"/arj-calls.txt"_s;
        QFile::remove(record);
        BasicWindowDriver<AnsweringServices> driver;
        driver.openPage2(u"C:\\Buchhaltung 2023\\"_s);
        driver.click(u"Option3D5"_s);
        driver.type(u"Mh3dText1"_s, u"D:\\SICH\\"_s);
        for (int run = 0; run < 2; ++run) {
            driver.click(u"Command3D1"_s);
            QTRY_COMPARE_WITH_TIMEOUT(recordedCalls(record).size(), 1, 15000);
            const QStringList words = recordedCalls(record).constLast().split(u' ');
            QCOMPARE(words.size(), 6);
            QVERIFY(words.at(3).endsWith(u"\\*.mdb"_s));
            QCOMPARE(longForm(words.at(3).chopped(5)), u"C:\\Buchhaltung 2023\\"_s);
            QFile::remove(record);
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
