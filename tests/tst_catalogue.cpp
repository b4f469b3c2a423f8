#include "catalogue/catalogue.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    void rowOfKey_data();
    void rowOfKey();
    void rowOfOption_data();
    void rowOfOption();
    void rowsHoldTogether();
};

void TestCatalogue::rowOfKey_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<int>("row"); // -1: none

    QTest::newRow("first key") << u"DBN = C:\\X\\"_s << 0;
    QTest::newRow("last key") << u"DBV = D:\\DATEN\\VQS\\"_s << 9;
    QTest::newRow("exactly three characters") << u"DBO"_s << 7;
    QTest::newRow("no blanks around the equals sign") << u"DBN=C:\\X\\"_s << 0;
    QTest::newRow("lower case key") << u"dbn = C:\\X\\"_s << -1;
    QTest::newRow("mixed case key") << u"DbN = C:\\X\\"_s << -1;
    QTest::newRow("two characters") << u"DB"_s << -1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("unknown key") << u"DBX = C:\\X\\"_s << -1;
    QTest::newRow("key after a blank") << u" DBN = C:\\X\\"_s << -1;
}

void TestCatalogue::rowOfKey()
{
    QFETCH(QString, item);
    QFETCH(int, row);
    const auto found = ::rowOfKey(item);
    QCOMPARE(found ? int(*found) : -1, row);
}

void TestCatalogue::rowOfOption_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<int>("row");

    QTest::newRow("row 1") << u"Option3D7"_s << 0;
    QTest::newRow("row 2") << u"Option3D6"_s << 1;
    QTest::newRow("row 5") << u"VqsOption1"_s << 4;
    QTest::newRow("row 10 stands after row 4 on screen") << u"VqsOption6"_s << 9;
    QTest::newRow("a mode option is no catalogue row") << u"Option3D3"_s << -1;
}

void TestCatalogue::rowOfOption()
{
    QFETCH(QString, option);
    QFETCH(int, row);
    const auto found = ::rowOfOption(option);
    QCOMPARE(found ? int(*found) : -1, row);
}

// What ties the columns of a row together, and the rows apart: a slip in
// one cell breaks a rule here, where re-typing the table would copy it.
void TestCatalogue::rowsHoldTogether()
{
    for (std::size_t row = 0; row < catalogueSize; ++row) {
        const CatalogueRow &r = catalogue[row];
        QCOMPARE(::rowOfOption(r.optionName), std::optional(row));
        QCOMPARE(::rowOfKey(r.key), std::optional(row));
        // The archive's file and volume names stay 8.3: code + "hobe".
        QVERIFY(r.code.size() >= 3 && r.code.size() + 4 <= 8);
        // The caption names the file, and the file is the name + ".mdb".
        QVERIFY2(r.caption.endsWith(u" ("_s + r.databaseFile.toString() + u')'),
                 qPrintable(r.caption.toString()));
        QCOMPARE(r.databaseFile.compare(r.name.toString() + u".mdb"_s, Qt::CaseInsensitive), 0);
        QVERIFY(r.defaultDirectory.startsWith(u"C:\\") && r.defaultDirectory.endsWith(u'\\'));
        for (std::size_t other = 0; other < row; ++other) {
            QVERIFY(catalogue[other].code != r.code);
            QVERIFY(catalogue[other].name != r.name);
        }
    }
}

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
