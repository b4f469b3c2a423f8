#include "sandboxtree.h"
#include "windowdriver.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

const QString stillSubfolders = u"box 0: In diesem Verzeichnis bestehen noch Unterverzeichnisse. "
                                u"Diese müssen zuerst gelöscht werden !"_s;

// The floppy with the deletion panel open on it, as "Diskette löschen" leaves it.
void openPanel(WindowDriver &driver, const QStringList &floppy)
{
    sandboxtree::make(driver.services.hostOf(u"A:\\"_s), floppy);
    driver.openPage2(u"C:\\NOKRAT\\"_s);
    driver.click(u"Command3D4"_s);
    QVERIFY(driver.control<QWidget>(u"VqsPanel2"_s)->isVisible());
    driver.services.log.clear();
}

template<class List> void highlight(List *list, const QString &name)
{
    for (int index = 0; !name.isEmpty() && index < list->listCount(); ++index) {
        if (list->list(index).endsWith(name)) {
            list->setListIndex(index);
            return;
        }
    }
    list->setListIndex(-1);
}

} // namespace

class TestDeletion : public QObject
{
    Q_OBJECT
private slots:
    void deleteFolder_data();
    void deleteFolder();
    void deleteFile_data();
    void deleteFile();
    void linksAreNeverFollowed_data();
    void linksAreNeverFollowed();
};

void TestDeletion::deleteFolder_data()
{
    QTest::addColumn<QStringList>("floppy");
    QTest::addColumn<QString>("folder"); // empty: the open folder itself
    QTest::addColumn<QStringList>("dialogue");
    QTest::addColumn<QStringList>("floppyAfter");
    QTest::addColumn<bool>("panel");

    const QStringList deleteWithFiles {u"rmdir A:\\ALT\\"_s, u"kill A:\\ALT\\*.*"_s,
                                       u"rmdir A:\\ALT\\"_s};

    QTest::newRow("the open folder itself")
        << QStringList {u"ALT/"_s} << QString() << QStringList() << QStringList {u"ALT/"_s} << true;
    QTest::newRow("empty folder, the last one closes the panel")
        << QStringList {u"ALT/"_s, u"rest.txt"_s} << u"ALT"_s << QStringList {u"rmdir A:\\ALT\\"_s}
        << QStringList {u"rest.txt"_s} << false;
    QTest::newRow("empty folder beside another")
        << QStringList {u"ALT/"_s, u"NEU/"_s} << u"ALT"_s << QStringList {u"rmdir A:\\ALT\\"_s}
        << QStringList {u"NEU/"_s} << true;
    QTest::newRow("folder with files") << QStringList {u"ALT/"_s, u"ALT/a.mdb"_s, u"ALT/b.txt"_s}
                                       << u"ALT"_s << deleteWithFiles << QStringList() << false;
    QTest::newRow("subfolder and files: files go, folders stay")
        << QStringList {u"ALT/"_s, u"ALT/a.mdb"_s, u"ALT/UNTER/"_s} << u"ALT"_s
        << deleteWithFiles + QStringList {stillSubfolders}
        << QStringList {u"ALT/"_s, u"ALT/UNTER/"_s} << true;
    QTest::newRow("subfolder only: removal still tried")
        << QStringList {u"ALT/UNTER/"_s} << u"ALT"_s
        << deleteWithFiles + QStringList {stillSubfolders}
        << QStringList {u"ALT/"_s, u"ALT/UNTER/"_s} << true;
    QTest::newRow("blanks and umlauts")
        << QStringList {u"Alte Daten/Übung.mdb"_s} << u"Alte Daten"_s
        << QStringList {u"rmdir A:\\Alte Daten\\"_s, u"kill A:\\Alte Daten\\*.*"_s,
                        u"rmdir A:\\Alte Daten\\"_s}
        << QStringList() << false;
    QTest::newRow("dots in names")
        << QStringList {u"..x/"_s, u"..x/a.mdb"_s, u"y../"_s} << u"..x"_s
        << QStringList {u"rmdir A:\\..x\\"_s, u"kill A:\\..x\\*.*"_s, u"rmdir A:\\..x\\"_s}
        << QStringList {u"y../"_s} << true;
}

void TestDeletion::deleteFolder()
{
    QFETCH(QStringList, floppy);
    QFETCH(QString, folder);
    QFETCH(bool, panel);

    WindowDriver driver;
    openPanel(driver, floppy);
    auto *dir1 = driver.control<platform::DirListBox>(u"Dir1"_s);
    highlight(dir1, folder);
    const bool keyboardOnPanel = dir1->tabStop();

    driver.click(u"Command3"_s);

    QTEST(driver.dialogue(), "dialogue");
    QTEST(sandboxtree::read(driver.services.hostOf(u"A:\\"_s)), "floppyAfter");
    QCOMPARE(driver.control<QWidget>(u"VqsPanel2"_s)->isVisible(), panel);
    QCOMPARE(dir1->path(), u"A:\\"_s);
    QCOMPARE(dir1->tabStop(), keyboardOnPanel);
}

void TestDeletion::deleteFile_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("dialogue");
    QTest::addColumn<QStringList>("floppyAfter");

    QTest::newRow("highlighted file, separator doubled")
        << u"b.txt"_s << QStringList {u"kill A:\\\\b.txt"_s} << QStringList {u"ALT/"_s, u"a.txt"_s};
    QTest::newRow("none highlighted")
        << QString() << QStringList() << QStringList {u"ALT/"_s, u"a.txt"_s, u"b.txt"_s};
}

void TestDeletion::deleteFile()
{
    QFETCH(QString, file);

    WindowDriver driver;
    openPanel(driver, {u"ALT/"_s, u"a.txt"_s, u"b.txt"_s});
    auto *file1 = driver.control<platform::FileListBox>(u"File1"_s);
    highlight(file1, file);

    driver.click(u"Command4"_s);

    QTEST(driver.dialogue(), "dialogue");
    const QStringList after = sandboxtree::read(driver.services.hostOf(u"A:\\"_s));
    QTEST(after, "floppyAfter");
    QCOMPARE(file1->listCount(), int(after.size()) - 1); // the list is read again
}

void TestDeletion::linksAreNeverFollowed_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("open"); // where the user took the folder list
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("floppyAfter");

    const QStringList link {u"EXTERN -> %OUTSIDE%"_s};
    QTest::newRow("a folder link goes as a link")
        << u"Command3"_s << u"A:\\"_s << u"EXTERN"_s << QStringList();
    QTest::newRow("a folder inside a link") << u"Command3"_s << u"A:\\EXTERN"_s << u"SUB"_s << link;
    QTest::newRow("a file inside a link")
        << u"Command4"_s << u"A:\\EXTERN"_s << u"keep.mdb"_s << link;
}

void TestDeletion::linksAreNeverFollowed()
{
    QFETCH(QString, button);
    QFETCH(QString, open);
    QFETCH(QString, entry);
    QFETCH(QStringList, floppyAfter);

    sandboxtree::Outside outside;
    WindowDriver driver;
    openPanel(driver, outside.resolved({u"EXTERN -> %OUTSIDE%"_s}));
    auto *dir1 = driver.control<platform::DirListBox>(u"Dir1"_s);
    dir1->setPath(open);
    if (button == u"Command3")
        highlight(dir1, entry);
    else
        highlight(driver.control<platform::FileListBox>(u"File1"_s), entry);

    driver.click(button);

    QVERIFY(outside.untouched());
    QCOMPARE(sandboxtree::read(driver.services.hostOf(u"A:\\"_s)), outside.resolved(floppyAfter));
}

QTEST_MAIN(TestDeletion)
#include "tst_deletion.moc"
