#include "rows.h"
#include "windowdriver.h"

#include <QRegularExpression>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Page 2 as the user leaves it before pressing start, the actions split by
// "|": a control's name clicks it, "field=text" types into a field, "-"
// clears the default target A: (no click can), "Nein" answers the overwrite
// question No and "53" makes the launch fail so. Recorded in runs.txt: the
// boxes, beeps and launches, the folder each DOS form in them means, then
// both directory fields afterwards. A field converted to a DOS form hands
// the archiver the folder it named, also on the next run, while it shows
// the form; one typed anew, not.
struct Run
{
    const char *name;
    QString actions;
    QString database = u"C:\\NOKRAT\\"_s; // typed on page 1
};

} // namespace

class TestArchiveRun : public QObject
{
    Q_OBJECT
private slots:
    void run_data()
    {
        addRows<Run>({
            {"backup to A:, all databases", {}},
            {"backup to A:, one database", u"VqsCheck1"_s},
            {"backup to B:", u"Option3D2"_s},
            {"database field used without a backslash", {}, u"C:\\NOKRAT"_s},
            {"hard disk: a backslash added, long names in their short form",
             u"Option3D5|Mh3dText1=D:\\Eigene Sicherungen"_s, u"C:\\BUCHHALTUNG\\"_s},
            {"restore from B:, three disks", u"Option3D4|Option3D2|Mh3dText3= 3,0 "_s},
            {"restore from the hard disk: one launch, the hidden count and selection unused",
             u"Option3D4|Mh3dText3=3|Option3D5|VqsCheck1|Mh3dText1=D:\\SICH\\"_s},
            {"restore of no disk launches nothing", u"Option3D4|Mh3dText3=0"_s},
            {"restore cancelled, the fields converted", u"Option3D4|Nein"_s,
             u"C:\\BUCHHALTUNG\\"_s},
            {"backup, empty backup field", u"Mh3dText1="_s},
            {"restore with an empty backup field asks nothing",
             u"Option3D4|Option3D2|Mh3dText1="_s},
            {"backup without a target", u"-"_s},
            {"a Linux folder as the backup directory",
             u"Option3D5|Mh3dText1=/home/anna/Sicherung"_s},
            {"a database directory without a drive", {}, u"Datenbanken\\"_s},
            {"restore without a target", u"Option3D4|-"_s},
            {"a count that is no number", u"Option3D4|Mh3dText3=zwei"_s},
            {"a count beyond 16 bits", u"Option3D4|Mh3dText3=32768"_s},
            {"archiver missing", u"Option3D5|Mh3dText1=D:\\SICH|53"_s},
            {"the next run, the folder still carried", u"Command3D1"_s,
             u"C:\\Buchhaltung 2023\\"_s},
            {"a DOS form typed anew carries none", u"Command3D1|Mh3dText2=C:\\BUCHHA~1\\"_s,
             u"C:\\Buchhaltung 2023\\"_s},
        });
    }
    void run()
    {
        QFETCH(Run, row);
        WindowDriver driver;
        driver.openPage2(row.database);
        driver.services.answers = {platform::MsgBox::Yes};
        for (const QString &action : row.actions.split(u'|', Qt::SkipEmptyParts)) {
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
        driver.services.commands.clear();
        driver.click(u"Command3D1"_s);

        QStringList shown = driver.dialogue();
        for (const launch::Command &command : driver.services.commands) {
            for (const launch::Argument &argument : command.arguments) {
                if (!argument.dosFolder.isEmpty())
                    shown << argument.dosFolder + u" means "_s + argument.folder;
            }
        }
        shown << driver.control<QLineEdit>(u"Mh3dText2"_s)->text() + u' '
                + driver.control<QLineEdit>(u"Mh3dText1"_s)->text();
        QCOMPARE(shown.join(u'\n'),
                 recordedTexts(u"runs.txt"_s).value(QString::fromUtf8(row.name)));
        // The hourglass first, and the default pointer back before any failure box.
        const QStringList &log = driver.services.log;
        QCOMPARE(log.first(), u"pointer 11"_s);
        const qsizetype failed = log.indexOf(QRegularExpression(u"box 16: .*"_s));
        QCOMPARE(log.at(failed >= 0 ? failed - 2 : log.size() - 1), u"pointer 0"_s);
    }
};

QTEST_MAIN(TestArchiveRun)
#include "tst_archiverun.moc"
