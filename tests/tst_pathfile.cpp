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
    void writesWhatTheFileCanHold_data();
    void writesWhatTheFileCanHold();
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
    QCOMPARE(pathfile::content(defaults()),
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
}

// Row 3's directory, then its line in the file; none when the writer
// refuses with 5 a directory it would save as another one, or one that
// would start a line of its own.
void TestPathFile::writesWhatTheFileCanHold_data()
{
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("umlaut and euro sign")
        << u"D:\\DATEN\\Büro €\\"_s << "DBD = D:\\DATEN\\B\xfcro \x80\\\r\n"_ba;
    QTest::newRow("a question mark of its own") << u"D:\\?\\"_s << "DBD = D:\\?\\\r\n"_ba;
    QTest::newRow("letters outside the code page") << u"D:\\Łódź\\"_s << QByteArray();
    QTest::newRow("a character outside the code page") << u"D:\\\u4e2d\\"_s << QByteArray();
    QTest::newRow("CR LF and a line for row 1") << u"C:\\A\r\nDBN = Z:\\"_s << QByteArray();
    QTest::newRow("LF") << u"C:\\A\nB\\"_s << QByteArray();
    QTest::newRow("CR") << u"C:\\A\rB\\"_s << QByteArray();
    QTest::newRow("NUL") << u"C:\\A"_s + QChar(u'\0') + u"B\\"_s << QByteArray();
}

void TestPathFile::writesWhatTheFileCanHold()
{
    QFETCH(QString, directory);
    QFETCH(QByteArray, line);
    pathfile::Directories dirs = defaults();
    dirs[2] = directory;
    try {
        const QByteArray bytes = pathfile::content(dirs);
        QVERIFY2(!line.isEmpty(), bytes.constData());
        QVERIFY(bytes.contains("DBP = C:\\PELVIN\\\r\n"_ba + line + "DBH = "_ba));
    } catch (const platform::RuntimeError &error) {
        QVERIFY(line.isEmpty());
        QCOMPARE(error.number(), 5);
    }
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
