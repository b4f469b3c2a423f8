// The entry a Windows name component stands for. The lookup compares ASCII
// names as bytes and decodes only the others, so both kinds are mixed here.

#include "platform/hostfs.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TstHostfs : public QObject
{
    Q_OBJECT

    QTemporaryDir folder;

private slots:
    void initTestCase()
    {
        for (const QString &name :
             {u"Case"_s, u"case"_s, u"Müller"_s, u"Überweisungen 2024"_s, u"Überweisungen 2023"_s,
              u"Buchhaltung"_s, u"BUCHHALTER"_s, u"Straße"_s, u"a*b"_s, u"Abrechnungen.2006"_s,
              u"ABRECHNUNGEN.TXT"_s, u"Sicherung"_s, u"Sicherungen"_s, u"Eigene Dateien"_s}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
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
        QTest::newRow("none") << u"NOKRAT"_s << QString();
    }
    void findEntry()
    {
        QFETCH(QString, component);
        try {
            QTEST(platform::hostfs::findEntry(folder.path(), component), "entry");
        } catch (const platform::RuntimeError &e) {
            QTEST(QString::number(e.number()), "entry");
        }
    }
};

QTEST_GUILESS_MAIN(TstHostfs)
#include "tst_hostfs.moc"
