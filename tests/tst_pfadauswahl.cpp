#include "app/pfadauswahl.h"
#include "windowdriver.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <functional>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

template<class T> T *kind(QObject &eltern, const QString &name)
{
    auto *control = eltern.findChild<T *>(name);
    if (control == nullptr)
        qFatal("no control %s", qPrintable(name));
    return control;
}

} // namespace

class TestPfadAuswahl : public QObject
{
    Q_OBJECT

    std::optional<WindowDriver> d;

    QString feld(const QString &name) const { return d->control<QLineEdit>(name)->text(); }

    // Clicks "..." beside the database directory and lets bedienen work the dialog it
    // opens, once its modal loop runs.
    void imDialog(const std::function<void(PfadAuswahl &)> &bedienen)
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
        QTest::mouseClick(d->control<controls::CommandButton>(u"Command1"_s), Qt::LeftButton);
        QVERIFY(gesehen);
    }

private slots:
    void init()
    {
        d.emplace();
        QVERIFY(QDir(d->services.hostOf(u"C:\\"_s)).mkpath(u"DATEN/ALT"_s));
    }

    void cleanup() { d.reset(); }

    // The folder open and the one highlighted, then what the user does: a button or the list
    // named alone is clicked, "Enter NAME" presses Enter on it, "b:" chooses drive B:, which
    // leads nowhere like a drive without a disk. "Übernehmen" puts the open folder into the
    // field; "Schließen" leaves it. No box is shown, and opened again, the dialog starts in
    // the program directory.
    void uebernehmen_data()
    {
        QTest::addColumn<QString>("offen");
        QTest::addColumn<int>("hervorgehoben");
        QTest::addColumn<QStringList>("bedienung");
        QTest::addColumn<QString>("ergebnis"); // empty: the field as it was

        const QStringList uebernehmen {u"Command2"_s};
        QTest::newRow("drive root keeps one backslash")
            << u"A:\\"_s << -1 << uebernehmen << u"A:\\"_s;
        QTest::newRow("a folder gets one; the highlighted one is not open")
            << u"C:\\DATEN"_s << 0 << uebernehmen << u"C:\\DATEN\\"_s;
        QTest::newRow("Enter in the list opens the highlighted folder")
            << u"C:\\DATEN"_s << 0 << QStringList {u"Enter Dir1"_s, u"Enter Command2"_s}
            << u"C:\\DATEN\\ALT\\"_s;
        QTest::newRow("a drive without a disk is passed over")
            << u"C:\\TOOLS"_s << -1 << QStringList {u"b:"_s, u"Command2"_s} << u"C:\\TOOLS\\"_s;
        QTest::newRow("Enter on Schließen")
            << u"C:\\DATEN"_s << -1 << QStringList {u"Enter Command1"_s} << QString();
    }

    void uebernehmen()
    {
        QFETCH(QString, offen);
        QFETCH(int, hervorgehoben);
        QFETCH(QStringList, bedienung);
        QFETCH(QString, ergebnis);

        if (bedienung.contains(u"b:"_s)) {
            SKIP_ON_WINDOWS("drive B: is made not ready through the drive map");
            const QString b = d->services.driveEntry(u"b:"_s);
            QVERIFY(QFileInfo(b).isSymLink() ? QFile::remove(b) : QDir(b).removeRecursively());
            QVERIFY(QFile::link(d->services.hostOf(u"C:\\"_s) + u"/fehlt"_s, b));
        }
        const QString vorher = feld(u"Mh3dText2"_s);
        imDialog([&](PfadAuswahl &dialog) {
            auto *dir1 = kind<controls::DirListBox>(dialog, u"Dir1"_s);
            QCOMPARE(dir1->path(), u"C:\\TOOLS"_s);
            dir1->setPath(offen);
            dir1->setListIndex(hervorgehoben);
            auto *drive1 = kind<controls::DriveListBox>(dialog, u"Drive1"_s);
            for (const QString &schritt : bedienung) {
                if (schritt.startsWith(u"Enter "_s))
                    QTest::keyClick(kind<QWidget>(dialog, schritt.mid(6)), Qt::Key_Return);
                else if (schritt == u"b:") {
                    drive1->setCurrentIndex(drive1->findText(schritt, Qt::MatchStartsWith));
                    QCOMPARE(drive1->drive(), schritt);
                } else
                    QTest::mouseClick(kind<controls::CommandButton>(dialog, schritt),
                                      Qt::LeftButton);
            }
            QVERIFY(!dialog.isVisible());
        });
        QCOMPARE(feld(u"Mh3dText2"_s), ergebnis.isEmpty() ? vorher : ergebnis);
        QCOMPARE(feld(u"Mh3dText1"_s), QString());
        QCOMPARE(d->services.boxes(), QStringList());
        imDialog([](PfadAuswahl &dialog) {
            QCOMPARE(kind<controls::DirListBox>(dialog, u"Dir1"_s)->path(), u"C:\\TOOLS"_s);
            QCOMPARE(kind<controls::DriveListBox>(dialog, u"Drive1"_s)->drive(), u"c:"_s);
        });
    }
};

QTEST_MAIN(TestPfadAuswahl)
#include "tst_pfadauswahl.moc"
