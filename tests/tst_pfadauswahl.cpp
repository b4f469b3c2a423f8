#include "app/horbelung.h"
#include "fakeservices.h"
#include "settings/pfadauswahl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

class TestPfadAuswahl : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void uebernehmen_data();
    void uebernehmen();
    void oeffnetImmerImProgrammverzeichnis();
    void unlesbaresLaufwerkWirdUebergangen();
    void anordnung_data();
    void anordnung();

private:
    // Clicks a picture button of the main window and lets bedienen work the
    // dialog it opens, once its modal loop runs.
    void imDialog(const QString &knopf, const std::function<void(PfadAuswahl &)> &bedienen);
    QString feld(const QString &name) const
    {
        return fenster->findChild<QLineEdit *>(name)->text();
    }

    std::optional<FakeServices> services;
    std::optional<Horbelung> fenster;
};

namespace {

template<class T> T *kind(QObject &eltern, const QString &name)
{
    auto *control = eltern.findChild<T *>(name);
    if (control == nullptr)
        qFatal("no control %s", qPrintable(name));
    return control;
}

void klicken(PfadAuswahl &dialog, const QString &knopf)
{
    QTest::mouseClick(kind<platform::CommandButton>(dialog, knopf), Qt::LeftButton);
}

} // namespace

void TestPfadAuswahl::init()
{
    services.emplace();
    QVERIFY(QDir(services->hostOf(u"C:\\"_s)).mkpath(u"DATEN/ALT"_s));
    fenster.emplace(*services);
    fenster->show();
    QVERIFY(QTest::qWaitForWindowExposed(&*fenster));
}

void TestPfadAuswahl::cleanup()
{
    fenster.reset();
    services.reset();
}

void TestPfadAuswahl::imDialog(const QString &knopf,
                               const std::function<void(PfadAuswahl &)> &bedienen)
{
    bool gesehen = false;
    QTimer::singleShot(0, this, [&] {
        auto *dialog = qobject_cast<PfadAuswahl *>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        gesehen = true;
        bedienen(*dialog);
        // Never leave the modal loop hanging when a test step failed.
        if (dialog->isVisible())
            dialog->reject();
    });
    QTest::mouseClick(kind<platform::CommandButton>(*fenster, knopf), Qt::LeftButton);
    QVERIFY(gesehen);
}

// The folder open and the one highlighted, then what the user does: a button
// or the list named alone is clicked, "Enter NAME" presses Enter on it.
// "Übernehmen" puts the open folder into the field; "Schließen" leaves it.
void TestPfadAuswahl::uebernehmen_data()
{
    QTest::addColumn<QString>("offen");
    QTest::addColumn<int>("hervorgehoben");
    QTest::addColumn<QStringList>("bedienung");
    QTest::addColumn<QString>("ergebnis"); // empty: the field as it was

    const QStringList uebernehmen {u"Command2"_s};
    QTest::newRow("drive root keeps one backslash") << u"A:\\"_s << -1 << uebernehmen << u"A:\\"_s;
    QTest::newRow("folder gets one") << u"C:\\DATEN"_s << -1 << uebernehmen << u"C:\\DATEN\\"_s;
    QTest::newRow("highlighted is not open")
        << u"C:\\DATEN"_s << 0 << uebernehmen << u"C:\\DATEN\\"_s;
    QTest::newRow("Enter on Übernehmen")
        << u"C:\\DATEN"_s << -1 << QStringList {u"Enter Command2"_s} << u"C:\\DATEN\\"_s;
    QTest::newRow("Enter in the list opens the highlighted folder")
        << u"C:\\DATEN"_s << 0 << QStringList {u"Enter Dir1"_s, u"Enter Command2"_s}
        << u"C:\\DATEN\\ALT\\"_s;
    QTest::newRow("Schließen") << u"C:\\DATEN"_s << -1 << QStringList {u"Command1"_s} << QString();
    QTest::newRow("Enter on Schließen")
        << u"C:\\DATEN"_s << -1 << QStringList {u"Enter Command1"_s} << QString();
}

void TestPfadAuswahl::uebernehmen()
{
    QFETCH(QString, offen);
    QFETCH(int, hervorgehoben);
    QFETCH(QStringList, bedienung);
    QFETCH(QString, ergebnis);

    const QString vorher = feld(u"Mh3dText2"_s);
    imDialog(u"Command1"_s, [&](PfadAuswahl &dialog) {
        auto *dir1 = kind<platform::DirListBox>(dialog, u"Dir1"_s);
        dir1->setPath(offen);
        dir1->setListIndex(hervorgehoben);
        for (const QString &schritt : bedienung) {
            if (schritt.startsWith(u"Enter "_s))
                QTest::keyClick(kind<QWidget>(dialog, schritt.mid(6)), Qt::Key_Return);
            else
                klicken(dialog, schritt);
        }
        QVERIFY(!dialog.isVisible());
    });
    QCOMPARE(feld(u"Mh3dText2"_s), ergebnis.isEmpty() ? vorher : ergebnis);
    QCOMPARE(feld(u"Mh3dText1"_s), QString());
}

void TestPfadAuswahl::oeffnetImmerImProgrammverzeichnis()
{
    for (int mal = 0; mal < 2; ++mal) {
        imDialog(u"Command1"_s, [](PfadAuswahl &dialog) {
            auto *dir1 = kind<platform::DirListBox>(dialog, u"Dir1"_s);
            QCOMPARE(dir1->path(), u"C:\\TOOLS"_s);
            QCOMPARE(kind<platform::DriveListBox>(dialog, u"Drive1"_s)->drive(), u"c:"_s);
            dir1->setPath(u"A:\\"_s);
            klicken(dialog, u"Command2"_s);
        });
    }
}

void TestPfadAuswahl::unlesbaresLaufwerkWirdUebergangen()
{
    // Drive b: becomes a link that leads nowhere, like a drive without a disk.
    SKIP_ON_WINDOWS("drive B: is made not ready through the drive map");
    const QString b = services->driveEntry(u"b:"_s);
    QVERIFY(QFileInfo(b).isSymLink() ? QFile::remove(b) : QDir(b).removeRecursively());
    QVERIFY(QFile::link(services->hostOf(u"C:\\"_s) + u"/fehlt"_s, b));

    imDialog(u"Command1"_s, [](PfadAuswahl &dialog) {
        auto *drive1 = kind<platform::DriveListBox>(dialog, u"Drive1"_s);
        const int b = drive1->findText(u"b:"_s, Qt::MatchStartsWith);
        QVERIFY(b >= 0);
        drive1->setCurrentIndex(b);
        QCOMPARE(drive1->drive(), u"b:"_s);
        QCOMPARE(kind<platform::DirListBox>(dialog, u"Dir1"_s)->path(), u"C:\\TOOLS"_s);
        klicken(dialog, u"Command2"_s);
    });
    QVERIFY(services->boxes().isEmpty());
    QCOMPARE(feld(u"Mh3dText2"_s), u"C:\\TOOLS\\"_s);
}

void TestPfadAuswahl::anordnung_data()
{
    QTest::addColumn<double>("breite");
    QTest::addColumn<double>("hoehe");
    QTest::addColumn<double>("neueBreite");
    QTest::addColumn<double>("neueHoehe");

    QTest::newRow("too small") << 3000.0 << 3000.0 << 4125.0 << 4905.0;
    QTest::newRow("only too narrow") << 3000.0 << 6000.0 << 4125.0 << 6000.0;
    QTest::newRow("exactly the minimum") << 4125.0 << 4905.0 << 4125.0 << 4905.0;
    QTest::newRow("larger") << 6000.0 << 7500.0 << 6000.0 << 7500.0;
}

void TestPfadAuswahl::anordnung()
{
    QFETCH(double, breite);
    QFETCH(double, hoehe);
    QFETCH(double, neueBreite);
    QFETCH(double, neueHoehe);

    PfadAuswahl dialog(*fenster, *services);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.setWidthTwips(breite);
    dialog.setHeightTwips(hoehe);
    QCoreApplication::processEvents();
    QCOMPARE(dialog.widthTwips(), neueBreite);
    QCOMPARE(dialog.heightTwips(), neueHoehe);

    // The buttons in the bottom-right corner, the drive list above them and
    // the directory list filling the rest, 225 from the edges.
    const double w = dialog.scaleWidthTwips();
    const double h = dialog.scaleHeightTwips();
    const auto *command1 = kind<platform::CommandButton>(dialog, u"Command1"_s);
    const auto *command2 = kind<platform::CommandButton>(dialog, u"Command2"_s);
    const auto *drive1 = kind<platform::DriveListBox>(dialog, u"Drive1"_s);
    const auto *dir1 = kind<platform::DirListBox>(dialog, u"Dir1"_s);
    QCOMPARE(command1->leftTwips(), w - 1890);
    QCOMPARE(command1->topTwips(), h - 1155);
    QCOMPARE(command2->leftTwips(), w - 3780);
    QCOMPARE(command2->topTwips(), h - 1155);
    QCOMPARE(drive1->topTwips(), h - 1695);
    QCOMPARE(drive1->widthTwips(), w - 450);
    QCOMPARE(dir1->topTwips(), 225.0);
    QCOMPARE(dir1->heightTwips(), h - 1976.25);
    QCOMPARE(dir1->widthTwips(), w - 450);
}

QTEST_MAIN(TestPfadAuswahl)
#include "tst_pfadauswahl.moc"
