#include "sandboxtree.h"
#include "windowdriver.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;

class TestFloppyTools : public QObject
{
    Q_OBJECT
private slots:
    // Page 2 with B: holding a file, drive C:'s program folder two folders and
    // its database folder a database and a folder, then the actions of a
    // recorded case. "A:name" puts that entry on A:, an error number makes the
    // next deletion or launch fail so, "ohne A:" takes drive A: away, "A: ->
    // home/SUB" points a drive at the home folder (the untouchable folder
    // outside) or a folder in it, "A: -> C:\NOKRAT" at a folder of drive C:
    // ("C:\FEHLT": none, as a floppy taken out), "A: -> prefix" at the folder
    // that holds the drives, "home holds the prefix" makes the home folder
    // hold the program's own prefix, "Dir1 NAME" or "File1 NAME" highlights
    // the entry ending so in the deletion panel's list (its index when a
    // number; "Dir1 EXTERN\SUB" with the list opened at A:\EXTERN),
    // "FIELD=text" sets that field, any other name clicks that control.
    // "%OUTSIDE%", "%C%" and "%P%" stand for the folders outside, of drive C:
    // and of the prefix; "panel" ends the dialogue when the deletion panel is
    // shown. Drive C: never changes (on the Linux stand-in, whose C: is the
    // sandbox's), nor A: unless the last action deletes on it. What the
    // deletions do to the disk is the real services' own. When A: changes with
    // the panel open, the press on the highlighted folder shows the run-time
    // error, the lists stay on A:, and neither that press nor the next deletes
    // anything anywhere. A directory field the archiver must not get fails
    // with 52 before any launch: longer than Windows takes, or with a word the
    // archiver would take for a switch (-hc and -vs run a command).
    void press_data() { addRecordedCases(u"floppytools.txt"_s); }

    void press()
    {
        QFETCH(QString, recorded);
        const RecordedCase recordedCase(recorded);
        const QStringList &actions = recordedCase.steps;
        sandboxtree::Outside outside;
        WindowDriver driver;
        if (sandboxtree::standInOnly(actions) || actions.contains(u"ohne A:"_s)
            || actions.contains(u"home holds the prefix"_s) || actions.join(u' ').contains(u'='))
            SKIP_ON_WINDOWS("the drive map, links and dot-hidden names are Linux's");
        const QString a = driver.services.driveEntry(u"a:"_s);
        const QString c = QDir(driver.services.hostOf(u"C:\\"_s)).canonicalPath();
        const QString floppy = QDir(driver.services.hostOf(u"A:\\"_s)).canonicalPath();
        const QByteArray home = qgetenv("HOME");
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", home); });
        static const QRegularExpression repoint(u"^([AB]): -> (.*)$"_s);
        static const QRegularExpression highlight(u"^(Dir1|File1) (.*)$"_s);
        sandboxtree::make(driver.services.hostOf(u"B:\\"_s), {u"b.txt"_s});
        // Only the stand-in's drive C: is the sandbox's own.
        const bool ownC = !a.isEmpty();
        if (ownC)
            sandboxtree::make(
                c,
                {u"TOOLS/SUB/"_s, u"TOOLS/X/"_s, u"NOKRAT/Nokrat.mdb"_s, u"NOKRAT/SUB/keep.mdb"_s});
        const QStringList driveC = ownC ? sandboxtree::read(c) : QStringList();
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        auto *dir1 = driver.control<controls::DirListBox>(u"Dir1"_s);
        auto *file1 = driver.control<controls::FileListBox>(u"File1"_s);
        auto *panel = driver.control<QWidget>(u"VqsPanel2"_s);
        bool panelOpened = false, repointed = false;
        QMap<QString, QString> typed;
        std::optional<QStringList> floppyTree; // before the first click
        for (const QString &action : outside.resolved(actions)) {
            driver.services.log.clear();
            if (const QRegularExpressionMatch drive = repoint.match(action); drive.hasMatch()) {
                QString pointed = drive.captured(2);
                if (pointed.startsWith(u"home"_s)) {
                    QVERIFY(qputenv("HOME", QFile::encodeName(outside.dir.path())));
                    pointed.replace(0, 4, outside.dir.path());
                } else {
                    pointed = pointed == u"prefix" ? c + u"/.."_s : driver.services.hostOf(pointed);
                }
                const QString entry = driver.services.driveEntry(drive.captured(1) + u':');
                QVERIFY(QFile::remove(entry) && QFile::link(pointed, entry));
                repointed = true;
            } else if (const QRegularExpressionMatch list = highlight.match(action);
                       list.hasMatch()) {
                const QString entry = list.captured(2);
                if (entry.contains(u'\\'))
                    dir1->setPath(u"A:\\"_s + entry.section(u'\\', 0, 0));
                bool isIndex = false;
                const int index = entry.toInt(&isIndex);
                const QString name = entry.section(u'\\', -1);
                const auto mark = [&](auto *box) {
                    for (int i = 0; i < box->listCount(); ++i) {
                        if (isIndex ? i == index : !name.isEmpty() && box->list(i).endsWith(name))
                            box->setListIndex(i);
                    }
                };
                list.captured(1) == u"Dir1" ? mark(dir1) : mark(file1);
            } else if (action.contains(u'=')) {
                const QString field = action.section(u'=', 0, 0), text = action.section(u'=', 1);
                driver.control<QLineEdit>(field)->setText(typed[field] = text);
            } else if (action.startsWith(u"A:")) {
                sandboxtree::make(driver.services.hostOf(u"A:\\"_s), {action.mid(2)});
            } else if (action.toInt()) {
                driver.services.killErrors = driver.services.shellErrors = {action.toInt()};
            } else if (action == u"ohne A:") {
                QVERIFY(QFile::remove(a));
                repointed = true;
            } else if (action == u"home holds the prefix") {
                QVERIFY(qputenv("HOME", QFile::encodeName(QFileInfo(c).path() + u"/.."_s)));
            } else {
                if (!floppyTree)
                    floppyTree = sandboxtree::read(floppy);
                driver.click(action);
                panelOpened = panelOpened || panel->isVisible();
            }
        }

        QStringList dialogue = recordedCase.shown;
        dialogue.replaceInStrings(u"%OUTSIDE%"_s, QDir(outside.dir.path()).canonicalPath())
            .replaceInStrings(u"%C%"_s, c)
            .replaceInStrings(u"%P%"_s, QFileInfo(c).path());
        QStringList seen = panel->isVisible() ? driver.dialogue() << u"panel"_s : driver.dialogue();
        QCOMPARE(seen.join(u'\n').split(u'\n'), dialogue);
        QVERIFY(outside.untouched());
        if (ownC)
            QCOMPARE(sandboxtree::read(c), driveC);
        if (repointed || dialogue.filter(QRegularExpression(u"^(kill|rmdir) A:"_s)).isEmpty())
            QCOMPARE(sandboxtree::read(floppy), floppyTree.value());
        // The default pointer back before each box.
        const QStringList &log = driver.services.log;
        for (qsizetype i = 0; i < log.size(); ++i) {
            const qsizetype set = log.lastIndexOf(QRegularExpression(u"^pointer "_s), i);
            if (log[i].startsWith(u"box") && set >= 0)
                QCOMPARE(log[set], u"pointer 0"_s);
        }
        QCOMPARE(driver.services.pointer, platform::MousePointer::Default);
        // The keyboard goes with what is seen: the panel once it opens, else page 2.
        QCOMPARE(dir1->tabStop(), panelOpened);
        // Both lists show the disk as it is now, the folder list from the top.
        if (actions.last() == u"Command3")
            QCOMPARE(dir1->path(), u"A:\\"_s);
        if (panelOpened && !repointed)
            QCOMPARE(file1->listCount(),
                     QDir(driver.services.hostOf(file1->path())).entryList(QDir::Files).size());
        // What was typed stays as typed unless a launch takes it.
        for (const QString &field : typed.keys()) {
            if (driver.services.commands.isEmpty())
                QCOMPARE(driver.control<QLineEdit>(field)->text(), typed[field]);
        }
    }
};

QTEST_MAIN(TestFloppyTools)
#include "tst_floppytools.moc"
