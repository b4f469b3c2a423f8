// The entry a Windows name component stands for. The lookup compares ASCII
// names as bytes and decodes only the others, so both kinds are mixed here.

#include "platform/hostfs.h"

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
              u"ABRECHNUNGEN.TXT"_s}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
    }

    void findEntry_data()
    {
        QTest::addColumn<QString>("component");
        QTest::addColumn<QString>("entry"); // empty: none
        QTest::newRow("equal in both cases: upper case first") << u"CASE"_s << u"Case"_s;
        QTest::newRow("umlaut, other case") << u"MÜLLER"_s << u"Müller"_s;
        QTest::newRow("a wildcard Windows cannot name") << u"A*B"_s << QString();
        QTest::newRow("short name of umlaut names, first")
            << u"ÜBERWE~1"_s << u"Überweisungen 2023"_s;
        QTest::newRow("short name of umlaut names, second")
            << u"überwe~2"_s << u"Überweisungen 2024"_s;
        QTest::newRow("short name, order without regard to case")
            << u"BUCHHA~2"_s << u"Buchhaltung"_s;
        QTest::newRow("short name beyond the candidates") << u"BUCHHA~3"_s << QString();
        QTest::newRow("short name with extension") << u"ABRECH~1.200"_s << u"Abrechnungen.2006"_s;
        QTest::newRow("no full case folding") << u"STRASSE"_s << QString();
        QTest::newRow("none") << u"NOKRAT"_s << QString();
    }
    void findEntry()
    {
        QFETCH(QString, component);
        QTEST(platform::hostfs::findEntry(folder.path(), component), "entry");
    }
};

QTEST_GUILESS_MAIN(TstHostfs)
#include "tst_hostfs.moc"
