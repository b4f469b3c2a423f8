#include "../windowdriver.h"

#include "platform/realservices.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Made before the services that work in it.
struct WorkingFolder
{
    QTemporaryDir folder;
};

// The real services, real launches included, with the boxes answered: Yes
// to the restore's question, OK to every other.
class AnsweringServices : private WorkingFolder, public platform::RealServices
{
public:
    AnsweringServices()
        : RealServices(platform::DriveMap::fromEnvironment(),
                       QCoreApplication::applicationDirPath(), folder.path())
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
};

QTEST_MAIN(TestWindowsLaunch)
#include "tst_winlaunch.moc"
