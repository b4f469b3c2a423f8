#include "rows.h"
#include "sandboxtree.h"
#include "windowdriver.h"

#include <QScopeGuard>

using namespace Qt::StringLiterals;

namespace {

// Drive A: changed with the deletion panel open, and the error that follows.
struct Change
{
    enum Where { Out, IntoHome, AtDatabases, AtPrefix };
    const char *name;
    Where change;
    QString error; // below "Laufzeitfehler '71':"
};

} // namespace

class TestDeletion : public QObject
{
    Q_OBJECT
private slots:
    // The panel open on floppy A: as "Diskette löschen" leaves it; then the
    // entry is highlighted in the folder and file lists (none when empty;
    // "EXTERN\SUB" with the folder list opened at A:\EXTERN) and the button
    // pressed. What the deletions do to the disk is the real services' own.
    void press_data()
    {
        QTest::addColumn<QStringList>("floppy");
        QTest::addColumn<QString>("press"); // button, then entry
        QTest::addColumn<QStringList>("dialogue"); // "panel" while the panel is shown
        const auto row = [](const char *name, const QStringList &floppy, const QString &press,
                            const QStringList &dialogue) {
            QTest::newRow(name) << floppy << press << dialogue;
        };
        const QStringList withFiles {u"rmdir A:\\ALT\\"_s, u"kill A:\\ALT\\*.*"_s,
                                     u"rmdir A:\\ALT\\"_s};
        const QStringList subfolders {
            u"box 0: In diesem Verzeichnis bestehen noch "
            u"Unterverzeichnisse. Diese müssen zuerst gelöscht werden !"_s,
            u"panel"_s};
        const QStringList link {u"EXTERN -> %OUTSIDE%"_s};

        row("the open folder itself", {u"ALT/"_s}, u"Command3"_s, {u"panel"_s});
        row("empty folder, the last one closes the panel", {u"ALT/"_s, u"rest.txt"_s},
            u"Command3 ALT"_s, {u"rmdir A:\\ALT\\"_s});
        row("folder with files", {u"ALT/a.mdb"_s}, u"Command3 ALT"_s, withFiles);
        row("subfolder and files", {u"ALT/a.mdb"_s, u"ALT/UNTER/"_s}, u"Command3 ALT"_s,
            withFiles + subfolders);
        row("subfolder only: removal still tried", {u"ALT/UNTER/"_s}, u"Command3 ALT"_s,
            withFiles + subfolders);
        row("blanks, umlauts, dots", {u"Ü x/a.mdb"_s, u"x..y/"_s}, u"Command3 Ü x"_s,
            {u"rmdir A:\\Ü x\\"_s, u"kill A:\\Ü x\\*.*"_s, u"rmdir A:\\Ü x\\"_s, u"panel"_s});
        row("a hidden folder is none left", {u"ALT/"_s, u".Trash-1000/"_s}, u"Command3 ALT"_s,
            {u"rmdir A:\\ALT\\"_s});
        row("highlighted file, separator doubled", {u"ALT/"_s, u"b.txt"_s}, u"Command4 b.txt"_s,
            {u"kill A:\\\\b.txt"_s, u"panel"_s});
        row("no file highlighted", {u"ALT/"_s, u"a.txt"_s}, u"Command4"_s, {u"panel"_s});
        row("a folder link goes as a link", link, u"Command3 EXTERN"_s, {u"rmdir A:\\EXTERN\\"_s});
        row("never into a folder inside a link", link, u"Command3 EXTERN\\SUB"_s,
            QStringList {u"rmdir A:\\EXTERN\\SUB\\"_s, u"kill A:\\EXTERN\\SUB\\*.*"_s}
                + subfolders);
        row("never a file inside a link", link, u"Command4 EXTERN\\keep.mdb"_s,
            {u"kill A:\\EXTERN\\keep.mdb"_s, u"panel"_s});
    }
    void press()
    {
        QFETCH(QStringList, floppy);
        QFETCH(QString, press);
        if (sandboxtree::standInOnly(floppy))
            SKIP_ON_WINDOWS("links and dot-hidden names are Linux's");
        sandboxtree::Outside outside;
        WindowDriver driver;
        sandboxtree::make(driver.services.hostOf(u"A:\\"_s), outside.resolved(floppy));
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        driver.click(u"Command3D4"_s);
        auto *dir1 = driver.control<controls::DirListBox>(u"Dir1"_s);
        auto *file1 = driver.control<controls::FileListBox>(u"File1"_s);
        const QString entry = press.section(u' ', 1);
        if (entry.contains(u'\\'))
            dir1->setPath(u"A:\\"_s + entry.section(u'\\', 0, 0));
        const auto highlight = [name = entry.section(u'\\', -1)](auto *list) {
            for (int index = 0; !name.isEmpty() && index < list->listCount(); ++index) {
                if (list->list(index).endsWith(name))
                    list->setListIndex(index);
            }
        };
        highlight(dir1);
        highlight(file1);
        const bool keyboardOnPanel = dir1->tabStop();
        driver.services.log.clear();
        driver.click(press.section(u' ', 0, 0));

        const bool panel = driver.control<QWidget>(u"VqsPanel2"_s)->isVisible();
        QTEST(panel ? driver.dialogue() << u"panel"_s : driver.dialogue(), "dialogue");
        QVERIFY(outside.untouched());
        QCOMPARE(dir1->tabStop(), keyboardOnPanel);
        // Both lists show the disk as it is now, the folder list from the top.
        if (press.startsWith(u"Command3"))
            QCOMPARE(dir1->path(), u"A:\\"_s);
        QCOMPARE(file1->listCount(),
                 QDir(driver.services.hostOf(file1->path())).entryList(QDir::Files).size());
    }

    // A: changed with the panel open (the floppy taken out, or the drive
    // pointed into the home folder or at drive C:'s databases): the press on
    // the highlighted folder shows the run-time error, the lists stay on A:,
    // and neither that press nor the next deletes anything anywhere.
    void floppyChanged_data()
    {
        const QString notFloppy = u"Laufwerk A: ist keine Diskette: "_s;
        const QString folder = notFloppy + u"es führt in den Ordner "_s;
        addRows({
            Change("taken out", Change::Out, u"Datenträger nicht bereit"_s),
            Change("pointed into the home folder", Change::IntoHome,
                   folder
                       + u"%OUTSIDE% im persönlichen Ordner, nicht auf einen eigenen "
                         "Datenträger."_s),
            Change("pointed at drive C:'s databases", Change::AtDatabases,
                   folder + u"%C%/NOKRAT von Laufwerk C:."_s),
            Change("pointed at the folder that holds the drives", Change::AtPrefix,
                   notFloppy
                       + u"sein Ordner %P% enthält den Ordner der Laufwerke (%P%/dosdevices)."_s),
        });
    }
    void floppyChanged()
    {
        SKIP_ON_WINDOWS("the floppy is changed through its folder and the drive map");
        QFETCH(Change, row);
        sandboxtree::Outside outside;
        WindowDriver driver;
        const QStringList tree {u"SUB/"_s, u"X/"_s};
        QString floppy = driver.services.hostOf(u"A:\\"_s);
        sandboxtree::make(floppy, tree);
        sandboxtree::make(driver.services.hostOf(u"C:\\TOOLS\\"_s), tree);
        sandboxtree::make(driver.services.hostOf(u"C:\\NOKRAT\\"_s), {u"SUB/keep.mdb"_s});
        const QString c = QDir(driver.services.hostOf(u"C:\\"_s)).canonicalPath();
        const QStringList prefix = sandboxtree::read(c);
        const QByteArray home = qgetenv("HOME");
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", home); });
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        driver.click(u"Command3D4"_s);
        auto *dir1 = driver.control<controls::DirListBox>(u"Dir1"_s);
        const QString a = driver.services.driveEntry(u"a:"_s);
        if (row.change == Change::Out) {
            QVERIFY(QDir().rename(floppy, floppy.chopped(1) + u"-draussen"_s));
            floppy = floppy.chopped(1) + u"-draussen"_s;
        } else if (row.change == Change::IntoHome) {
            // Its "SUB" the highlighted folder.
            QVERIFY(qputenv("HOME", QFile::encodeName(QFileInfo(outside.dir.path()).path())));
            QVERIFY(QFile::remove(a) && QFile::link(outside.dir.path(), a));
        } else {
            const QString to = row.change == Change::AtPrefix ? c + u"/.."_s : c + u"/NOKRAT"_s;
            QVERIFY(QFile::remove(a) && QFile::link(to, a));
        }
        const QString error = QString(row.error)
                                  .replace(u"%OUTSIDE%"_s, QDir(outside.dir.path()).canonicalPath())
                                  .replace(u"%C%"_s, c)
                                  .replace(u"%P%"_s, QFileInfo(c).path());
        for (int press = 0; press < 2; ++press) {
            dir1->setListIndex(0);
            driver.services.log.clear();
            driver.click(u"Command3"_s);
            // The default pointer back before the box.
            QCOMPARE(driver.services.log.filter(QRegularExpression(u"^(box|pointer)"_s)),
                     QStringList({u"pointer 0"_s, u"box 16: Laufzeitfehler '71':\n"_s + error}));
            QCOMPARE(dir1->path(), u"A:\\"_s);
        }
        QCOMPARE(sandboxtree::read(c), prefix);
        QCOMPARE(sandboxtree::read(floppy), tree);
        QVERIFY(outside.untouched());
    }
};

QTEST_MAIN(TestDeletion)
#include "tst_deletion.moc"
