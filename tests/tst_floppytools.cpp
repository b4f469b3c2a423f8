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
    // its database folder a database and a folder. Actions: "A:name" puts that
    // entry on A:, an error number makes the next deletion or launch fail so,
    // "ohne A:" takes drive A: away, "A: -> home/SUB" points a drive at the
    // home folder (the untouchable folder outside) or a folder in it, "A: ->
    // C:\NOKRAT" at a folder of drive C: ("C:\FEHLT": none, as a floppy taken
    // out), "A: -> prefix" at the folder that holds the drives, "home holds
    // the prefix" makes the home folder hold the program's own prefix, "Dir1
    // NAME" or "File1 NAME" highlights the entry ending so in the deletion
    // panel's list (its index when a number; "Dir1 EXTERN\SUB" with the list
    // opened at A:\EXTERN), "FIELD=text" sets that field, any other name
    // clicks that control. "%OUTSIDE%", "%C%" and "%P%" stand for the folders
    // outside, of drive C: and of the prefix. Drive C: never changes (on the
    // Linux stand-in, whose C: is the sandbox's), nor A:
    // unless the last action deletes on it. What the deletions do to the disk
    // is the real services' own.
    void press_data()
    {
        QTest::addColumn<QStringList>("actions");
        QTest::addColumn<QStringList>("dialogue"); // "panel" when the deletion panel is shown
        const auto row = [](const char *name, const QStringList &floppyA,
                            const QStringList &actions, const QStringList &dialogue) {
            QTest::newRow(name) << floppyA + actions << dialogue;
        };
        const QStringList files {u"A:NOKUhobe.arj"_s, u"A:notiz.txt"_s};
        const QString erase = u"Command3D4"_s;
        const QString box = u"box 48: Die Diskette "_s;
        const QString erased = box + u"wurde gelöscht."_s;
        row("empty floppy", {}, {erase}, {u"kill A:\\*.*"_s, box + u"ist bereits leer."_s});
        row("files; a link goes as a link",
            files + QStringList {u"A:x.mdb -> %OUTSIDE%/keep.mdb"_s}, {erase},
            {u"kill A:\\*.*"_s, erased});
        row("a folder opens the panel, nothing deleted", files, {u"A:ALT/"_s, erase}, {u"panel"_s});
        row("restore mode deletes nothing", files, {u"Option3D4"_s, erase},
            {u"beep"_s, box + u"kann nur vor einer Sicherung gelöscht werden !"_s});
        row("write-protected", files, {u"75"_s, erase},
            {u"kill A:\\*.*"_s, box + u"ist schreibgeschützt, löschen nicht möglich."_s});
        row("B: empties B: only", files, {u"Option3D2"_s, erase}, {u"kill B:\\*.*"_s, erased});
        row("hidden entries are no content", {u"A:.Trash-1000/x"_s, u"A:.hidden"_s}, {erase},
            {u"kill A:\\*.*"_s, box + u"ist bereits leer."_s});
        const QString notFloppy = u"box 0: Fehler Nr.:  71    Laufwerk "_s;
        const QString inHome = u"A: ist keine Diskette: es führt in den Ordner %OUTSIDE%/SUB im "
                               u"persönlichen Ordner, nicht auf einen eigenen Datenträger."_s;
        const QString toC = u"A: ist keine Diskette: es führt in den Ordner %C%/NOKRAT von "
                            u"Laufwerk C:."_s;
        row("A: leads to the home folder", files, {u"A: -> home"_s, erase},
            {notFloppy
             + u"A: ist keine Diskette: es führt in den persönlichen Ordner "
               u"(%OUTSIDE%)."_s});
        row("A: leads to a folder in the home folder", files, {u"A: -> home/SUB"_s, erase},
            {notFloppy + inHome});
        row("A: leads to drive C:'s databases", files, {u"A: -> C:\\NOKRAT"_s, erase},
            {notFloppy + toC});
        row("B: leads to the home folder", files, {u"Option3D2"_s, u"B: -> home"_s, erase},
            {u"kill B:\\*.*"_s,
             notFloppy
                 + u"B: ist keine Diskette: es führt in den persönlichen Ordner "
                   u"(%OUTSIDE%)."_s});
        row("the own floppy_a in the home folder", files, {u"home holds the prefix"_s, erase},
            {u"kill A:\\*.*"_s, erased});
        row("target B: without drive A:", files, {u"Option3D2"_s, u"ohne A:"_s, erase},
            {u"box 0: Fehler Nr.:  71    Datenträger nicht bereit"_s});
        row("no disk checker on this system, no beep", {}, {u"53"_s, u"Command3D3"_s},
            {u"shell 2: scandisk.exe"_s, u"box 0: Fehler Nr.:  53    Datei nicht gefunden"_s});

        // The panel open on A:, then an entry highlighted and a button pressed.
        const QStringList withFiles {u"rmdir A:\\ALT\\"_s, u"kill A:\\ALT\\*.*"_s,
                                     u"rmdir A:\\ALT\\"_s};
        const QStringList subfolders {
            u"box 0: In diesem Verzeichnis bestehen noch "
            u"Unterverzeichnisse. Diese müssen zuerst gelöscht werden !"_s,
            u"panel"_s};
        const QStringList link {u"A:EXTERN -> %OUTSIDE%"_s, erase};
        const QStringList alt {erase, u"Dir1 ALT"_s, u"Command3"_s};
        row("the open folder itself", {u"A:ALT/"_s}, {erase, u"Command3"_s}, {u"panel"_s});
        row("empty folder, the last one closes the panel", {u"A:ALT/"_s, u"A:rest.txt"_s}, alt,
            {u"rmdir A:\\ALT\\"_s});
        row("folder with files", {u"A:ALT/a.mdb"_s}, alt, withFiles);
        row("subfolder and files", {u"A:ALT/a.mdb"_s, u"A:ALT/UNTER/"_s}, alt,
            withFiles + subfolders);
        row("subfolder only: removal still tried", {u"A:ALT/UNTER/"_s}, alt,
            withFiles + subfolders);
        row("blanks, umlauts, dots", {u"A:Ü x/a.mdb"_s, u"A:x..y/"_s},
            {erase, u"Dir1 Ü x"_s, u"Command3"_s},
            {u"rmdir A:\\Ü x\\"_s, u"kill A:\\Ü x\\*.*"_s, u"rmdir A:\\Ü x\\"_s, u"panel"_s});
        row("a hidden folder is none left", {u"A:ALT/"_s, u"A:.Trash-1000/"_s}, alt,
            {u"rmdir A:\\ALT\\"_s});
        row("highlighted file, separator doubled", {u"A:ALT/"_s, u"A:b.txt"_s},
            {erase, u"File1 b.txt"_s, u"Command4"_s}, {u"kill A:\\\\b.txt"_s, u"panel"_s});
        row("no file highlighted", {u"A:ALT/"_s, u"A:a.txt"_s}, {erase, u"Command4"_s},
            {u"panel"_s});
        row("a folder link goes as a link", link, {u"Dir1 EXTERN"_s, u"Command3"_s},
            {u"rmdir A:\\EXTERN\\"_s});
        row("never into a folder inside a link", link, {u"Dir1 EXTERN\\SUB"_s, u"Command3"_s},
            QStringList {u"rmdir A:\\EXTERN\\SUB\\"_s, u"kill A:\\EXTERN\\SUB\\*.*"_s}
                + subfolders);
        row("never a file inside a link", link,
            {u"Dir1 EXTERN\\"_s, u"File1 keep.mdb"_s, u"Command4"_s},
            {u"kill A:\\EXTERN\\keep.mdb"_s, u"panel"_s});

        // A: changed with the panel open: the press on the highlighted folder
        // shows the run-time error, the lists stay on A:, and neither that
        // press nor the next deletes anything anywhere.
        const QStringList tree {u"A:SUB/"_s, u"A:X/"_s, erase};
        const QString error = u"box 16: Laufzeitfehler '71':\n"_s;
        const auto changed = [&](const char *name, const QString &change, const QString &text) {
            const QStringList twice {u"Dir1 0"_s, u"Command3"_s, u"Dir1 0"_s, u"Command3"_s};
            row(name, tree, QStringList {change} + twice,
                {u"rmdir A:\\SUB\\"_s, error + text, u"panel"_s});
        };
        changed("taken out", u"A: -> C:\\FEHLT"_s, u"Datenträger nicht bereit"_s);
        changed("pointed into the home folder", u"A: -> home/SUB"_s, u"Laufwerk "_s + inHome);
        changed("pointed at drive C:'s databases", u"A: -> C:\\NOKRAT"_s, u"Laufwerk "_s + toC);
        changed("pointed at the folder that holds the drives", u"A: -> prefix"_s,
                u"Laufwerk A: ist keine Diskette: sein Ordner %P% enthält den Ordner der Laufwerke "
                u"(%P%/dosdevices)."_s);

        // A directory field the archiver must not get fails with 52 before any
        // launch: longer than Windows takes, or with a word the archiver would
        // take for a switch (-hc and -vs run a command). One of the longest it
        // takes is launched.
        const auto lang = [](const char *field, int length) {
            return QString::fromLatin1(field) + u"=C:\\"_s + QString(length - 4, u'A') + u'\\';
        };
        const QStringList refused {
            u"beep"_s,
            u"box 16: Die Horbelung / Wiederherstellung wurde nicht vollständig durchgeführt."_s,
            u"box 0: Fehler Nr.:  52    Dateiname oder -nummer falsch"_s};
        const QString start = u"Command3D1"_s;
        row("database directory", {}, {lang("Mh3dText2", 249), start}, refused);
        row("backup directory", {}, {u"Option3D5"_s, lang("Mh3dText1", 249), start}, refused);
        row("far beyond the DOS form's counter", {}, {lang("Mh3dText2", 40000), start}, refused);
        row("just short enough", {}, {u"Option3D5"_s, lang("Mh3dText1", 248), start},
            {u"shell 1: C:\\TOOLS\\arj.exe a C:\\AAAAAA~1\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -e -y"_s});
        row("a switch in the database directory", {},
            {u"Option3D5"_s, u"Mh3dText2=C:\\~\\ -hctouch${IFS}PWNED\\"_s, start}, refused);
        row("a switch in the backup directory", {},
            {u"Option3D5"_s, u"Mh3dText1=C:\\~\\ -vstouch${IFS}PWNED\\"_s, start}, refused);
    }
    void press()
    {
        QFETCH(QStringList, actions);
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
        const auto setHome = [](const QString &folder) {
            return qputenv("HOME", QFile::encodeName(folder));
        };
        static const QRegularExpression repoint(u"^([AB]): -> (.*)$"_s);
        static const QRegularExpression highlight(u"^(Dir1|File1) (.*)$"_s);
        sandboxtree::make(driver.services.hostOf(u"B:\\"_s), {u"b.txt"_s});
        // Only the stand-in's drive C: is the sandbox's own.
        const bool ownC = !a.isEmpty();
        if (ownC) {
            sandboxtree::make(driver.services.hostOf(u"C:\\TOOLS\\"_s), {u"SUB/"_s, u"X/"_s});
            sandboxtree::make(driver.services.hostOf(u"C:\\NOKRAT\\"_s),
                              {u"Nokrat.mdb"_s, u"SUB/keep.mdb"_s});
        }
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
                    QVERIFY(setHome(outside.dir.path()));
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
                QVERIFY(setHome(QFileInfo(c).dir().absoluteFilePath(u".."_s)));
            } else {
                if (!floppyTree)
                    floppyTree = sandboxtree::read(floppy);
                driver.click(action);
                panelOpened = panelOpened || panel->isVisible();
            }
        }

        QFETCH(QStringList, dialogue);
        dialogue.replaceInStrings(u"%OUTSIDE%"_s, QDir(outside.dir.path()).canonicalPath())
            .replaceInStrings(u"%C%"_s, c)
            .replaceInStrings(u"%P%"_s, QFileInfo(c).path());
        QCOMPARE(panel->isVisible() ? driver.dialogue() << u"panel"_s : driver.dialogue(),
                 dialogue);
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
