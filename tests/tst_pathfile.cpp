#include "rules/codepage1252.h"
#include "rules/pathfile.h"
#include "rules/runtimeerror.h"
#include "thrown.h"

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
    // A file's bytes, then the one row it changes (-1: none) and to what, and the
    // error that ends the reading; every other row keeps its default.
    void readsItems_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<int>("error");
        const auto row = [](const char *name, const QByteArray &file, int row,
                            const QString &directory = {}, int error = 0) {
            QTest::newRow(name) << file << row << directory << error;
        };
        row("only DBV", "DBV = D:\\DATEN\\VQS\\\r\n"_ba, 9, u"D:\\DATEN\\VQS\\"_s);
        row("no blanks around =", "DBN=C:\\X\\\r\n"_ba, 0, u"\\X\\"_s);
        row("lower-case key ignored", "dbn = C:\\X\\\r\n"_ba, -1);
        row("unknown key ignored", "DBX = C:\\X\\\r\n"_ba, -1);
        row("two letters are no key", "DB\r\n"_ba, -1);
        row("a quoted key after a blank is none", "\" DBN = C:\\X\\\"\r\n"_ba, -1);
        row("later line wins", "DBP = C:\\A\\\r\nDBP = C:\\B\\\r\n"_ba, 1, u"C:\\B\\"_s);
        row("comma ends the item", "DBH = C:\\A,B\\\r\n"_ba, 3, u"C:\\A"_s);
        row("text after a comma is an item of its own", "DBX = C:\\A,DBD = C:\\B\\\r\n"_ba, 2,
            u"C:\\B\\"_s);
        row("200 characters at most", "DBZ = C:\\"_ba + QByteArray(247, 'x') + "\r\n"_ba, 8,
            u"C:\\"_s + QString(197, u'x'));
        row("short item empties the row", "DBM = \r\n"_ba, 6);
        row("key alone empties the row", "DBM\r\n"_ba, 6);
        row("blank lines change nothing", "\r\n\r\n\r\nDBL = L:\\\r\n\r\n"_ba, 5, u"L:\\"_s);
        row("LF line ends", "DBP = C:\\A\\\nDBP = C:\\B\\\n"_ba, 1, u"C:\\B\\"_s);
        row("CR line ends", "DBP = C:\\A\\\rDBP = C:\\B\\\r"_ba, 1, u"C:\\B\\"_s);
        row("no line end at the end", "DBJ = J:\\"_ba, 4, u"J:\\"_s);
        row("leading blanks skipped", "   DBJ = J:\\\r\n"_ba, 4, u"J:\\"_s);
        row("trailing blanks dropped", "DBJ = J:\\   \r\n"_ba, 4, u"J:\\"_s);
        row("quoted item keeps its comma", "\"DBH = C:\\A,B\\\"\r\n"_ba, 3, u"C:\\A,B\\"_s);
        row("umlaut in the code page", "DBD = C:\\M\xdcLLER\\\r\n"_ba, 2, u"C:\\MÜLLER\\"_s);
        row("NUL byte is a character", "DBD = C:\\A\0B\\\r\n"_ba, 2, u"C:\\A\u0000B\\"_s);
        row("undefined code-page byte", "DBD = C:\\\x81\\\r\n"_ba, 2, u"C:\\\u0081\\"_s);
        row("UTF-8 after a byte-order mark, as Notepad saves it",
            "\xef\xbb\xbf"
            "DBN = C:\\M\xc3\x9cLLER\\\r\n"_ba,
            0, u"C:\\MÜLLER\\"_s);
        // A hand-edited file with an opening quote and no closing one: what was
        // read before stays, and the reader reports the damage.
        row("unclosed quote", "DBN = N:\\\r\n\"DBP = P:\\\r\nDBD = D:\\\r\n"_ba, 0, u"N:\\"_s, 62);
    }

    void readsItems()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, row);
        QFETCH(QString, directory);

        pathfile::Directories expected = defaults();
        if (row >= 0)
            expected[row] = directory;
        pathfile::Directories dirs = defaults();
        QTEST(thrown([&] { pathfile::applyItems(pathfile::decode(file), dirs); }), "error");
        QCOMPARE(QStringList(dirs.begin(), dirs.end()),
                 QStringList(expected.begin(), expected.end()));
    }

    // Row 3's directory, then its line in the file; none when the writer
    // refuses with 5 a directory it would save as another one, or one that
    // would start a line of its own.
    void writesWhatTheFileCanHold_data()
    {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("umlaut and euro sign")
            << u"D:\\DATEN\\Büro €\\"_s << "DBD = D:\\DATEN\\B\xfcro \x80\\\r\n"_ba;
        QTest::newRow("a question mark of its own") << u"D:\\?\\"_s << "DBD = D:\\?\\\r\n"_ba;
        QTest::newRow("letters outside the code page") << u"D:\\Łódź\\"_s << QByteArray();
        QTest::newRow("CR LF and a line for row 1") << u"C:\\A\r\nDBN = Z:\\"_s << QByteArray();
        QTest::newRow("LF") << u"C:\\A\nB\\"_s << QByteArray();
        QTest::newRow("CR") << u"C:\\A\rB\\"_s << QByteArray();
        QTest::newRow("NUL") << u"C:\\A"_s + QChar(u'\0') + u"B\\"_s << QByteArray();
    }

    void writesWhatTheFileCanHold()
    {
        QFETCH(QString, directory);
        QFETCH(QByteArray, line);
        pathfile::Directories dirs = defaults();
        dirs[2] = directory;
        QByteArray bytes;
        QCOMPARE(thrown([&] { bytes = pathfile::content(dirs); }), line.isEmpty() ? 5 : 0);
        QVERIFY(bytes.contains("DBP = C:\\PELVIN\\\r\n"_ba + line + "DBH = "_ba) || line.isEmpty());
    }

    void everyByteSurvivesReadingAndWriting()
    {
        QByteArray all;
        for (int byte = 0; byte < 256; ++byte)
            all.append(char(byte));
        QCOMPARE(rules::toCodePage1252(rules::fromCodePage1252(all)), all);
    }
};

QTEST_APPLESS_MAIN(TestPathFile)
#include "tst_pathfile.moc"
