#include "rules/archiverun.h"
#include "rules/runtimeerror.h"
#include "windowdriver.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

class TestArchiveRun : public QObject
{
    Q_OBJECT
private slots:
    // Page 2 as the user leaves it before pressing start: a control's name
    // clicks it, "field=text" types into a field, "-" clears the default
    // target A: (no click can), "Nein" answers the overwrite question No and
    // "53" makes the launch fail so.
    void run_data()
    {
        QTest::addColumn<QString>("database"); // typed on page 1
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("dialogue"); // then both directory fields afterwards
        const auto row
            = [](const char *name, const QStringList &actions, const QStringList &dialogue,
                 const QString &fields = u"C:\\NOKRAT\\ C:\\NOKRAT\\"_s,
                 const QString &database = u"C:\\NOKRAT\\"_s) {
                  QTest::newRow(name) << database << actions << dialogue + QStringList {fields};
              };
        const QString backup = u"shell 1: C:\\TOOLS\\arj.exe a "_s;
        const QString restore = u"shell 1: arj.exe x "_s;
        const QString promptA = u"box 48: Legen Sie jetzt eine leere Diskette in das Laufwerk A:\\ "
                                u"ein und folgen Sie den weiteren Anweisungen auf dem Bildschirm"_s;
        const QString failed
            = u"box 16: Die Horbelung / Wiederherstellung wurde nicht vollständig durchgeführt."_s;
        const QString question
            = u"box 36: Alle Daten im aktuellen NOKRAT-Verzeichnis werden überschrieben! Weiter?"_s;
        const QStringList failedWith5 {
            u"beep"_s, failed,
            u"box 0: Fehler Nr.:  5    Unzulässiger Prozeduraufruf oder ungültiges Argument"_s};

        row("backup to A:, all databases", {},
            {promptA, backup + u"a:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1440 -e"_s});
        row("backup to A:, one database", {u"VqsCheck1"_s},
            {promptA, backup + u"a:\\NOKUhobe.arj C:\\NOKRAT\\NOKRAT.mdb -v1440 -e"_s});
        row("backup to B:", {u"Option3D2"_s},
            {QString(promptA).replace(u"A:\\"_s, u"B:\\"_s),
             backup + u"b:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1200 -e"_s});
        row("database field used without a backslash", {},
            {promptA, backup + u"a:\\NOKUhobe.arj C:\\NOKRAT*.mdb -v1440 -e"_s},
            u"C:\\NOKRAT C:\\NOKRAT\\"_s, u"C:\\NOKRAT"_s);
        row("hard disk: a backslash added, long names in their short form",
            {u"Option3D5"_s, u"Mh3dText1=D:\\Eigene Sicherungen"_s},
            {backup + u"D:\\Eigene~1\\NOKUhobe.arj C:\\BUCHHA~1\\*.mdb -e -y"_s},
            u"C:\\BUCHHA~1\\ D:\\Eigene~1\\"_s, u"C:\\BUCHHALTUNG\\"_s);
        row("restore from B:, three disks", {u"Option3D4"_s, u"Option3D2"_s, u"Mh3dText3= 3,0 "_s},
            {u"beep"_s, question, restore + u"b:\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s,
             u"box 0: Legen Sie die Sicherungsdiskette 2 ein"_s,
             restore + u"b:\\NOKUhobe.a01 C:\\NOKRAT\\ -y"_s,
             u"box 0: Legen Sie die Sicherungsdiskette 3 ein"_s,
             restore + u"b:\\NOKUhobe.a02 C:\\NOKRAT\\ -y"_s});
        row("restore from the hard disk: one launch, the hidden count and selection unused",
            {u"Option3D4"_s, u"Mh3dText3=3"_s, u"Option3D5"_s, u"VqsCheck1"_s,
             u"Mh3dText1=D:\\SICH\\"_s},
            {u"beep"_s, question, restore + u"D:\\SICH\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s},
            u"C:\\NOKRAT\\ D:\\SICH\\"_s);
        row("restore of no disk launches nothing", {u"Option3D4"_s, u"Mh3dText3=0"_s},
            {u"beep"_s, question});
        row("restore cancelled, the fields converted", {u"Option3D4"_s, u"Nein"_s},
            {u"beep"_s, question, u"beep"_s, u"box 48: Die Wiederherstellung wurde abgebrochen."_s},
            u"C:\\BUCHHA~1\\ C:\\BUCHHA~1\\"_s, u"C:\\BUCHHALTUNG\\"_s);
        row("backup, empty backup field", {u"Mh3dText1="_s}, failedWith5, u"C:\\NOKRAT\\ "_s);
        row("restore with an empty backup field asks nothing",
            {u"Option3D4"_s, u"Option3D2"_s, u"Mh3dText1="_s}, failedWith5, u"C:\\NOKRAT\\ "_s);
        row("backup without a target", {u"-"_s}, failedWith5);
        const QStringList failedWith76 {u"beep"_s, failed,
                                        u"box 0: Fehler Nr.:  76    Pfad nicht gefunden"_s};
        row("a Linux folder as the backup directory",
            {u"Option3D5"_s, u"Mh3dText1=/home/anna/Sicherung"_s}, failedWith76,
            u"C:\\NOKRAT\\ /home/anna/Sicherung\\"_s);
        row("a database directory without a drive", {}, failedWith76,
            u"Datenbanken\\ Datenbanken\\"_s, u"Datenbanken\\"_s);
        row("restore without a target", {u"Option3D4"_s, u"-"_s},
            QStringList {u"beep"_s, question} + failedWith5);
        row("a count that is no number", {u"Option3D4"_s, u"Mh3dText3=zwei"_s},
            {u"beep"_s, question, u"beep"_s, failed,
             u"box 0: Fehler Nr.:  13    Typen unverträglich"_s});
        row("a count beyond 16 bits", {u"Option3D4"_s, u"Mh3dText3=32768"_s},
            {u"beep"_s, question, u"beep"_s, failed, u"box 0: Fehler Nr.:  6    Überlauf"_s});
        row("archiver missing", {u"Option3D5"_s, u"Mh3dText1=D:\\SICH"_s, u"53"_s},
            {backup + u"D:\\SICH\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -e -y"_s, u"beep"_s, failed,
             u"box 0: Fehler Nr.:  53    Datei nicht gefunden"_s},
            u"C:\\NOKRAT\\ D:\\SICH\\"_s);
    }
    void run()
    {
        QFETCH(QStringList, actions);
        QFETCH(QString, database);
        WindowDriver driver;
        driver.openPage2(database);
        driver.services.answers = {platform::MsgBox::Yes};
        for (const QString &action : actions) {
            if (action.contains(u'='))
                driver.type(action.section(u'=', 0, 0), action.section(u'=', 1));
            else if (action == u"Nein")
                driver.services.answers = {platform::MsgBox::No};
            else if (action == u"53")
                driver.services.shellErrors = {53};
            else if (action != u"-")
                driver.click(action);
            else if (auto *optionA = driver.control<controls::VqsOption>(u"Option3D1"_s)) {
                optionA->setAutoExclusive(false);
                optionA->setValue(false);
            }
        }
        driver.services.log.clear();
        driver.click(u"Command3D1"_s);

        QTEST(driver.dialogue() << driver.control<QLineEdit>(u"Mh3dText2"_s)->text() + u' '
                      + driver.control<QLineEdit>(u"Mh3dText1"_s)->text(),
              "dialogue");
        // The hourglass first, and the default pointer back before any failure box.
        const QStringList &log = driver.services.log;
        QCOMPARE(log.first(), u"pointer 11"_s);
        const qsizetype failed = log.indexOf(QRegularExpression(u"box 16: .*"_s));
        QCOMPARE(log.at(failed >= 0 ? failed - 2 : log.size() - 1), u"pointer 0"_s);
    }

    // A field converted to a DOS form hands the archiver the folder it named,
    // also on the next run, while it shows the form; one typed anew, not.
    void carriedFolder()
    {
        WindowDriver driver;
        driver.openPage2(u"C:\\Buchhaltung 2023\\"_s);
        const auto database = [&] {
            const launch::Argument files = driver.services.commands.last().arguments.at(2);
            return QStringList {files.text, files.dosFolder, files.folder};
        };
        const QStringList made {u"C:\\Buchha~1\\*.mdb"_s, u"C:\\Buchha~1\\"_s,
                                u"C:\\Buchhaltung 2023\\"_s};
        driver.click(u"Command3D1"_s);
        QCOMPARE(database(), made);
        driver.click(u"Command3D1"_s);
        QCOMPARE(database(), made);
        driver.type(u"Mh3dText2"_s, u"C:\\BUCHHA~1\\"_s);
        driver.click(u"Command3D1"_s);
        QCOMPARE(database(), QStringList({u"C:\\BUCHHA~1\\*.mdb"_s, {}, {}}));
    }
};

QTEST_MAIN(TestArchiveRun)
#include "tst_archiverun.moc"
