#include "rules/catalogue.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestCatalogue : public QObject
{
    Q_OBJECT
private slots:
    // What ties the columns of a row together, and the rows apart: a slip in
    // one cell breaks a rule here, where re-typing the table would copy it.
    void rowsHoldTogether()
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
};

QTEST_APPLESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
