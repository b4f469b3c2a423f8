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
    void rowsDifferWhereTheTableSays();
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

// The columns of one row do not follow one word; each is used as it stands.
void TestCatalogue::rowsDifferWhereTheTableSays()
{
    QCOMPARE(catalogue[4].caption, u"Jorvelgeld-Daten (Jorvel.mdb)");
    QCOMPARE(catalogue[4].defaultDirectory, u"C:\\JORVELGELD\\");
    QCOMPARE(catalogue[4].name, u"JORVEL");
    QCOMPARE(catalogue[7].defaultDirectory, u"C:\\OSPELINEN\\");
    QCOMPARE(catalogue[7].code, u"OSP");
    QCOMPARE(catalogue[7].name, u"OSTRAK");
    QCOMPARE(catalogue[9].code, u"VQS-");
    QCOMPARE(catalogue[9].name, u"VQS");
    QCOMPARE(catalogue[9].defaultDirectory, u"C:\\VQSTAR\\");
    for (const CatalogueRow &row : catalogue) {
        QVERIFY(row.code.size() + 4 <= 8); // archive names stay 8.3
        QVERIFY(row.defaultDirectory.startsWith(u"C:\\"));
        QVERIFY(row.defaultDirectory.endsWith(u'\\'));
    }
}

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
