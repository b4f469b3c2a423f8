#include "rules/dospath.h"
#include "rules/runtimeerror.h"
#include "thrown.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestDosPath : public QObject
{
    Q_OBJECT
private slots:
    void converts_data()
    {
        QTest::addColumn<QString>("pfad");
        QTest::addColumn<QString>("result");

        QTest::newRow("blank inside a name")
            << u"C:\\Eigene Dateien\\Daten\\"_s << u"C:\\Eigene~1\\Daten\\"_s;
        QTest::newRow("dot after position 8 keeps the extension")
            << u"C:\\DATEN\\ABRECHNUNGEN.2006\\"_s << u"C:\\DATEN\\ABRECH~1.200\\"_s;
        QTest::newRow("dot within 8 drops the rest")
            << u"C:\\DATEN\\ABC.DEFGHIJ\\"_s << u"C:\\DATEN\\ABC.DE~1\\"_s;
        QTest::newRow("last element stays whole") << u"C:\\BUCHHALTUNG"_s << u"C:\\BUCHHALTUNG"_s;
        QTest::newRow("blank in the last element") << u"C:\\Daten Alt"_s << u"C:\\DatenAlt"_s;
        QTest::newRow("tilde keeps everything")
            << u"C:\\PROGRA~1\\Neue Daten\\"_s << u"C:\\PROGRA~1\\Neue Daten\\"_s;
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("only blanks") << u"   "_s << QString();
        QTest::newRow("exactly eight stay") << u"C:\\ABCDEFGH\\"_s << u"C:\\ABCDEFGH\\"_s;
        QTest::newRow("nine are cut") << u"C:\\ABCDEFGHI\\"_s << u"C:\\ABCDEF~1\\"_s;
        QTest::newRow("blanks count after they are dropped")
            << u"C:\\ABCD EFGH\\"_s << u"C:\\ABCDEFGH\\"_s;
        QTest::newRow("same six letters both end in ~1")
            << u"C:\\BUCHHALTUNG\\BUCHHALTER\\"_s << u"C:\\BUCHHA~1\\BUCHHA~1\\"_s;
        QTest::newRow("letter case kept") << u"c:\\Buchhaltung\\"_s << u"c:\\Buchha~1\\"_s;
        QTest::newRow("drive is a segment, never cut") << u"C:\\"_s << u"C:\\"_s;
        QTest::newRow("doubled separator") << u"A:\\\\X\\"_s << u"A:\\\\X\\"_s;
        QTest::newRow("extension of exactly one character")
            << u"C:\\ABCDEFGHIJ.X\\"_s << u"C:\\ABCDEF~1.X\\"_s;
        QTest::newRow("dot at position 9") << u"C:\\ABCDEFGH.IJK\\"_s << u"C:\\ABCDEF~1.IJK\\"_s;
        QTest::newRow("tab is no blank") << u"C:\\A\tB\\"_s << u"C:\\A\tB\\"_s;
    }

    void converts()
    {
        QFETCH(QString, pfad);
        QFETCH(QString, result);
        QCOMPARE(pfadFuerDos(pfad), result);
    }

    void overlongPathOverflows()
    {
        const QString longest(32767, u'A');
        QCOMPARE(pfadFuerDos(longest), longest);
        QCOMPARE(thrown([&] { pfadFuerDos(longest + u'A'); }), 6);
        // A path with a tilde never reaches the counter.
        QCOMPARE(pfadFuerDos(longest + u'~'), longest + u'~');
    }
};

QTEST_APPLESS_MAIN(TestDosPath)
#include "tst_dospath.moc"
