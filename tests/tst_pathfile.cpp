#include "platform/codepage1252.h"
#include "platform/runtimeerror.h"
#include "settings/pathfile.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

pathfile::Directories defaults()
{
    pathfile::Directories dirs;
    for (std::size_t row = 0; row < catalogue.size(); ++row)
        dirs[row] = catalogue[row].defaultDirectory.toString();
    return dirs;
}

} // namespace

class TestPathFile : public QObject
{
    Q_OBJECT
private slots:
    void readsItems_data();
    void readsItems();
    void unclosedQuoteReadsPastTheEnd();
    void writesTenLinesInTheWindowsCodePage();
    void everyByteSurvivesReadingAndWriting();
};

void TestPathFile::readsItems_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("directory");

    QTest::newRow("only DBV") << "DBV = D:\\DATEN\\VQS\\\r\n"_ba << 9 << u"D:\\DATEN\\VQS\\"_s;
    QTest::newRow("others keep their defaults")
        << "DBV = D:\\DATEN\\VQS\\\r\n"_ba << 7 << u"C:\\OSPELINEN\\"_s;
    QTest::newRow("no blanks around =") << "DBN=C:\\X\\\r\n"_ba << 0 << u"\\X\\"_s;
    QTest::newRow("lower-case key ignored") << "dbn = C:\\X\\\r\n"_ba << 0 << u"C:\\NOKRAT\\"_s;
    QTest::newRow("later line wins")
        << "DBP = C:\\A\\\r\nDBP = C:\\B\\\r\n"_ba << 1 << u"C:\\B\\"_s;
    QTest::newRow("comma ends the item") << "DBH = C:\\A,B\\\r\n"_ba << 3 << u"C:\\A"_s;
    QTest::newRow("text after a comma is an item of its own")
        << "DBH = C:\\A,DBD = C:\\B\\\r\n"_ba << 2 << u"C:\\B\\"_s;
    QTest::newRow("200 characters at most") << "DBZ = C:\\"_ba + QByteArray(247, 'x') + "\r\n"_ba
                                            << 8 << u"C:\\"_s + QString(197, u'x');
    QTest::newRow("short item empties the row") << "DBM = \r\n"_ba << 6 << QString();
    QTest::newRow("key alone empties the row") << "DBM\r\n"_ba << 6 << QString();
    QTest::newRow("blank lines change nothing")
        << "\r\n\r\n\r\nDBL = L:\\\r\n\r\n"_ba << 5 << u"L:\\"_s;
    QTest::newRow("LF line ends") << "DBN = C:\\A\\\nDBP = C:\\B\\\n"_ba << 1 << u"C:\\B\\"_s;
    QTest::newRow("CR line ends") << "DBN = C:\\A\\\rDBP = C:\\B\\\r"_ba << 1 << u"C:\\B\\"_s;
    QTest::newRow("no line end at the end") << "DBJ = J:\\"_ba << 4 << u"J:\\"_s;
    QTest::newRow("leading blanks skipped") << "   DBJ = J:\\\r\n"_ba << 4 << u"J:\\"_s;
    QTest::newRow("trailing blanks dropped") << "DBJ = J:\\   \r\n"_ba << 4 << u"J:\\"_s;
    QTest::newRow("quoted item keeps its comma")
        << "\"DBH = C:\\A,B\\\"\r\n"_ba << 3 << u"C:\\A,B\\"_s;
    QTest::newRow("umlaut in the code page")
        << "DBD = C:\\M\xdcLLER\\\r\n"_ba << 2 << u"C:\\MÜLLER\\"_s;
    QTest::newRow("NUL byte is a character")
        << "DBD = C:\\A\0B\\\r\n"_ba << 2 << u"C:\\A\u0000B\\"_s;
    QTest::newRow("undefined code-page byte")
        << "DBD = C:\\\x81\\\r\n"_ba << 2 << u"C:\\\u0081\\"_s;
}

void TestPathFile::readsItems()
{
    QFETCH(QByteArray, file);
    QFETCH(int, row);
    QFETCH(QString, directory);

    pathfile::Directories dirs = defaults();
    pathfile::applyItems(platform::fromCodePage1252(file), dirs);
    QCOMPARE(dirs[row], directory);
}

// A hand-edited file with an opening quote and no closing one: what was read
// before stays, and the reader reports the damage.
void TestPathFile::unclosedQuoteReadsPastTheEnd()
{
    pathfile::Directories dirs = defaults();
    try {
        pathfile::applyItems(u"DBN = N:\\\r\n\"DBP = P:\\\r\nDBD = D:\\\r\n", dirs);
        QFAIL("no error");
    } catch (const platform::RuntimeError &error) {
        QCOMPARE(error.number(), 62);
    }
    QCOMPARE(dirs[0], u"N:\\"_s);
    QCOMPARE(dirs[1], u"C:\\PELVIN\\"_s);
}

void TestPathFile::writesTenLinesInTheWindowsCodePage()
{
    pathfile::Directories dirs = defaults();
    QCOMPARE(platform::toCodePage1252(pathfile::format(dirs)),
             "DBN = C:\\NOKRAT\\\r\n"
             "DBP = C:\\PELVIN\\\r\n"
             "DBD = C:\\DROMEL\\\r\n"
             "DBH = C:\\HUXTAL\\\r\n"
             "DBJ = C:\\JORVELGELD\\\r\n"
             "DBL = C:\\LUMBRIK\\\r\n"
             "DBM = C:\\MOVRETT\\\r\n"
             "DBO = C:\\OSPELINEN\\\r\n"
             "DBZ = C:\\ZELWARK\\\r\n"
             "DBV = C:\\VQSTAR\\\r\n"_ba);

    dirs[2] = u"D:\\DATEN\\Büro €\\"_s;
    dirs[3] = u"D:\\\u4e2d\\"_s; // outside the code page
    const QByteArray bytes = platform::toCodePage1252(pathfile::format(dirs));
    QVERIFY(bytes.contains("DBD = D:\\DATEN\\B\xfcro \x80\\\r\nDBH = D:\\?\\\r\n"_ba));
}

void TestPathFile::everyByteSurvivesReadingAndWriting()
{
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    QCOMPARE(platform::toCodePage1252(platform::fromCodePage1252(all)), all);
}

QTEST_APPLESS_MAIN(TestPathFile)
#include "tst_pathfile.moc"
