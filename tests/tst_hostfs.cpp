// Host folders seen the way Windows sees them. The lookup compares ASCII
// names as bytes and decodes only the others, so both kinds are mixed here,
// with a name that is not UTF-8 (from an old Windows disk) among them.

#include "platform/hostfs.h"
#include "rules/runtimeerror.h"
#include "sandboxtree.h"
#include "thrown.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TstHostfs : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;
    const QString buecher = platform::hostfs::decode("B\374cher.mdb");

private slots:
    void initTestCase()
    {
        sandboxtree::make(folder.path(),
                          {u"Case"_s, u"case"_s, u"Müller"_s, u"Überweisungen 2024"_s,
                           u"Überweisungen 2023"_s, u"Buchhaltung"_s, u"BUCHHALTER"_s, u"Straße"_s,
                           u"a*b"_s, u"a\\b"_s, u"Abrechnungen.2006"_s, u"ABRECHNUNGEN.TXT"_s,
                           buecher, u"Sicherung"_s, u"Sicherungen"_s, u"Eigene Dateien"_s,
                           u".hidden.mdb"_s, u"Ordner/"_s, u".versteckt/"_s});
    }
    void cleanupTestCase() { QVERIFY(sandboxtree::removeAll(folder.path())); }

    // Bytes of a host name, then the name a Windows list shows: UTF-8 as it
    // is, anything else in the Windows code page. The name carries the bytes
    // back without loss.
    void decode_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("shown");
        QTest::newRow("ASCII") << "NOKRAT.MDB"_ba << u"NOKRAT.MDB"_s;
        QTest::newRow("UTF-8") << "M\xc3\xbcller"_ba << u"Müller"_s;
        QTest::newRow("Windows-1252") << "M\xfcller \x80"_ba << u"Müller €"_s;
        QTest::newRow("UTF-8 and a stray byte") << "\xc3\x84\xfc"_ba << u"Ã\u201eü"_s;
        QTest::newRow("overlong form") << "\xc0\xaf"_ba << u"À¯"_s;
        QTest::newRow("encoded surrogate") << "\xed\xb2\x80"_ba << u"í²€"_s;
        QTest::newRow("cut short at the end") << "x\xe2\x82"_ba << u"xâ‚"_s;
        QTest::newRow("beyond the BMP, low half like an escape")
            << "\xf0\x90\x82\x80"_ba << u"\U00010080"_s;
    }
    void decode()
    {
        QFETCH(QByteArray, bytes);
        const QString name = platform::hostfs::decode(bytes);
        QCOMPARE(platform::hostfs::encode(name), bytes);
        QTEST(platform::hostfs::shownName(name), "shown");
    }

    // The names as the host holds them, in the order of their shown names.
    void entries_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<platform::hostfs::Kind>("kind");
        QTest::addColumn<QByteArrayList>("names");
        QTest::newRow("a name not UTF-8 is a file like any; hidden ones are left out")
            << u"*.mdb"_s << platform::hostfs::Kind::File << QByteArrayList {"B\374cher.mdb"};
        QTest::newRow("wildcards match the shown name")
            << u"b?CHER.*"_s << platform::hostfs::Kind::Any << QByteArrayList {"B\374cher.mdb"};
        QTest::newRow("a name no Windows path can hold is never listed")
            << u"a*"_s << platform::hostfs::Kind::Any
            << QByteArrayList {"Abrechnungen.2006", "ABRECHNUNGEN.TXT"};
        QTest::newRow("hidden folders are left out")
            << u"*"_s << platform::hostfs::Kind::Directory << QByteArrayList {"Ordner"};
    }
    void entries()
    {
        QFETCH(QString, pattern);
        QFETCH(platform::hostfs::Kind, kind);
        QByteArrayList names;
        for (const QString &name : platform::hostfs::entries(folder.path(), kind, pattern))
            names << platform::hostfs::encode(name);
        QTEST(names, "names");
    }

    // Several entries that fit: 76, never the first of them.
    void findEntry_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QString>("entry"); // empty: none
        QTest::newRow("equal in both cases") << u"CASE"_s << u"76"_s;
        QTest::newRow("umlaut, other case") << u"MÜLLER"_s << u"Müller"_s;
        QTest::newRow("a wildcard Windows cannot name") << u"A*B"_s << QString();
        QTest::newRow("short name of one") << u"eigene~1"_s << u"Eigene Dateien"_s;
        QTest::newRow("short name of one, another number") << u"EIGENE~2"_s << u"76"_s;
        QTest::newRow("short name of umlaut names") << u"ÜBERWE~1"_s << u"76"_s;
        QTest::newRow("short name of names in both cases") << u"BUCHHA~1"_s << u"76"_s;
        QTest::newRow("short name of a name and a longer one") << u"SICHER~1"_s << u"76"_s;
        QTest::newRow("short name with extension") << u"ABRECH~1.200"_s << u"Abrechnungen.2006"_s;
        QTest::newRow("no full case folding") << u"STRASSE"_s << QString();
        QTest::newRow("not UTF-8, by its shown name in another case") << u"BÜCHER.MDB"_s << buecher;
        QTest::newRow("none") << u"NOKRAT"_s << QString();
    }
    void findEntry()
    {
        QFETCH(QString, component);
        QString entry;
        const int error
            = thrown([&] { entry = platform::hostfs::findEntry(folder.path(), component); });
        QTEST(error ? QString::number(error) : entry, "entry");
    }
};

QTEST_GUILESS_MAIN(TstHostfs)
#include "tst_hostfs.moc"
