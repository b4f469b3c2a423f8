#include "rows.h"
#include "rules/dospath.h"
#include "rules/runtimeerror.h"
#include "thrown.h"

#include <QTest>

using namespace Qt::StringLiterals;

// A path, then its DOS form when that is another.
struct Conversion
{
    const char *name;
    QString path, dos = path;
};

class TestDosPath : public QObject
{
    Q_OBJECT
private slots:
    void converts_data()
    {
        addRows<Conversion>({
            {"blank inside a name", u"C:\\Eigene Dateien\\Daten\\"_s, u"C:\\Eigene~1\\Daten\\"_s},
            {"dot after 8 keeps the extension", u"C:\\ABRECHNUNGEN.2006\\"_s,
             u"C:\\ABRECH~1.200\\"_s},
            {"dot within 8 drops the rest", u"C:\\ABC.DEFGHIJ\\"_s, u"C:\\ABC.DE~1\\"_s},
            {"last element stays whole", u"C:\\BUCHHALTUNG"_s},
            {"blank in the last element", u"C:\\Daten Alt"_s, u"C:\\DatenAlt"_s},
            {"tilde keeps everything", u"C:\\PROGRA~1\\Neue Daten\\"_s},
            {"empty", {}},
            {"only blanks", u"   "_s, {}},
            {"exactly eight stay", u"C:\\ABCDEFGH\\"_s},
            {"nine are cut", u"C:\\ABCDEFGHI\\"_s, u"C:\\ABCDEF~1\\"_s},
            {"blanks count after they are dropped", u"C:\\ABCD EFGH\\"_s, u"C:\\ABCDEFGH\\"_s},
            {"same six letters", u"C:\\BUCHHALTUNG\\BUCHHALTER\\"_s, u"C:\\BUCHHA~1\\BUCHHA~1\\"_s},
            {"letter case kept", u"c:\\Buchhaltung\\"_s, u"c:\\Buchha~1\\"_s},
            {"drive is a segment, never cut", u"C:\\"_s},
            {"doubled separator", u"A:\\\\X\\"_s},
            {"extension of exactly one character", u"C:\\ABCDEFGHIJ.X\\"_s, u"C:\\ABCDEF~1.X\\"_s},
            {"dot at position 9", u"C:\\ABCDEFGH.IJK\\"_s, u"C:\\ABCDEF~1.IJK\\"_s},
            {"tab is no blank", u"C:\\A\tB\\"_s},
        });
    }
    void converts()
    {
        QFETCH(Conversion, row);
        QCOMPARE(pfadFuerDos(row.path), row.dos);
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
