#include "sandboxtree.h"
#include "windowdriver.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>

using namespace Qt::StringLiterals;

class TestFloppyTools : public QObject
{
    Q_OBJECT
private slots:
    // Page 2 with A: and B: holding a file each. Actions: "A:name" puts that
    // entry on A:, an error number makes the next deletion or launch fail so,
    // "ohne A:" takes drive A: away, "A: -> home/SUB" points a drive at the
    // home folder (the untouchable folder outside) or a folder in it, "A: ->
    // C:\NOKRAT" at a folder of drive C: holding a database, "home holds the
    // prefix" makes the home folder hold the program's own prefix, any other
    // name clicks that control (the last one is the button under test).
    // "%OUTSIDE%" and "%C%" stand for the folders outside and of drive C:.
    // What the deletions do to the disk is the real services' own.
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
        row("A: leads to the home folder", files, {u"A: -> home"_s, erase},
            {notFloppy
             + u"A: ist keine Diskette: es führt in den persönlichen Ordner "
               u"(%OUTSIDE%)."_s});
        row("A: leads to a folder in the home folder", files, {u"A: -> home/SUB"_s, erase},
            {notFloppy
             + u"A: ist keine Diskette: es führt in den Ordner %OUTSIDE%/SUB im "
               u"persönlichen Ordner, nicht auf einen eigenen Datenträger."_s});
        row("A: leads to drive C:'s databases", files, {u"A: -> C:\\NOKRAT"_s, erase},
            {notFloppy
             + u"A: ist keine Diskette: es führt in den Ordner %C%/NOKRAT von "
               u"Laufwerk C:."_s});
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
    }
    void press()
    {
        QFETCH(QStringList, actions);
        sandboxtree::Outside outside;
        WindowDriver driver;
        if (sandboxtree::standInOnly(actions) || actions.contains(u"ohne A:"_s)
            || actions.contains(u"home holds the prefix"_s))
            SKIP_ON_WINDOWS("the drive map, links and dot-hidden names are Linux's");
        const QString a = driver.services.driveEntry(u"a:"_s);
        const QString c = QDir(driver.services.hostOf(u"C:\\"_s)).canonicalPath();
        const QByteArray home = qgetenv("HOME");
        const auto restoreHome = qScopeGuard([&] { qputenv("HOME", home); });
        const auto setHome = [](const QString &folder) {
            return qputenv("HOME", QFile::encodeName(folder));
        };
        static const QRegularExpression repoint(u"^([AB]): -> (.*)$"_s);
        QString pointed; // where a drive was pointed, and what it held
        QStringList held;
        sandboxtree::make(driver.services.hostOf(u"B:\\"_s), {u"b.txt"_s});
        driver.openPage2(u"C:\\NOKRAT\\"_s);
        for (const QString &action : outside.resolved(actions)) {
            driver.services.log.clear();
            if (const QRegularExpressionMatch drive = repoint.match(action); drive.hasMatch()) {
                pointed = drive.captured(2);
                if (pointed.startsWith(u"home"_s)) {
                    QVERIFY(setHome(outside.dir.path()));
                    pointed.replace(0, 4, outside.dir.path());
                } else {
                    pointed = driver.services.hostOf(pointed);
                    sandboxtree::make(pointed, {u"Nokrat.mdb"_s});
                }
                held = sandboxtree::read(pointed);
                const QString entry = driver.services.driveEntry(drive.captured(1) + u':');
                QVERIFY(QFile::remove(entry) && QFile::link(pointed, entry));
            } else if (action.startsWith(u"A:")) {
                sandboxtree::make(driver.services.hostOf(u"A:\\"_s), {action.mid(2)});
            } else if (action.toInt()) {
                driver.services.killErrors = driver.services.shellErrors = {action.toInt()};
            } else if (action == u"ohne A:") {
                QVERIFY(QFile::remove(a));
            } else if (action == u"home holds the prefix") {
                QVERIFY(setHome(QFileInfo(c).dir().absoluteFilePath(u".."_s)));
            } else {
                driver.click(action);
            }
        }

        const bool panel = driver.control<QWidget>(u"VqsPanel2"_s)->isVisible();
        QFETCH(QStringList, dialogue);
        dialogue.replaceInStrings(u"%OUTSIDE%"_s, QDir(outside.dir.path()).canonicalPath())
            .replaceInStrings(u"%C%"_s, c);
        QCOMPARE(panel ? driver.dialogue() << u"panel"_s : driver.dialogue(), dialogue);
        QVERIFY(outside.untouched());
        if (!pointed.isEmpty())
            QCOMPARE(sandboxtree::read(pointed), held);
        QCOMPARE(driver.services.pointer, platform::MousePointer::Default);
        // The keyboard goes with what is seen: the panel when it opens, else page 2.
        QCOMPARE(driver.control<controls::DirListBox>(u"Dir1"_s)->tabStop(), panel);
    }
};

QTEST_MAIN(TestFloppyTools)
#include "tst_floppytools.moc"
