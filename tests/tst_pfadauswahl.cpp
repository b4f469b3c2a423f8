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

    // The database directory field holds D:\VORHER\, then the recorded steps in the dialog:
    // "open" opens a folder, "highlight" highlights one in the list by its index, a button or
    // the list named alone is clicked, "Enter NAME" presses Enter on it, "b:" chooses drive B:,
    // which leads nowhere like a drive without a disk. "Übernehmen" puts the open folder into
    // the field; "Schließen" leaves it. No box is shown, and opened again, the dialog starts in
    // the program directory.
    void uebernehmen_data() { addRecordedCases(u"pfadauswahl.txt"_s); }

    void uebernehmen()
    {
        QFETCH(QString, recorded);
        const RecordedCase recordedCase(recorded);
        if (recordedCase.steps.contains(u"b:"_s)) {
            SKIP_ON_WINDOWS("drive B: is made not ready through the drive map");
            const QString b = d->services.driveEntry(u"b:"_s);
            QVERIFY(QFileInfo(b).isSymLink() ? QFile::remove(b) : QDir(b).removeRecursively());
            QVERIFY(QFile::link(d->services.hostOf(u"C:\\"_s) + u"/fehlt"_s, b));
        }
        d->control<QLineEdit>(u"Mh3dText2"_s)->setText(u"D:\\VORHER\\"_s);
        imDialog([&](PfadAuswahl &dialog) {
            auto *dir1 = kind<controls::DirListBox>(dialog, u"Dir1"_s);
            QCOMPARE(dir1->path(), u"C:\\TOOLS"_s);
            auto *drive1 = kind<controls::DriveListBox>(dialog, u"Drive1"_s);
            for (const QString &schritt : recordedCase.steps) {
                if (schritt.startsWith(u"open "_s))
                    dir1->setPath(schritt.mid(5));
                else if (schritt.startsWith(u"highlight "_s))
                    dir1->setListIndex(schritt.mid(10).toInt());
                else if (schritt.startsWith(u"Enter "_s))
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
        QCOMPARE(QStringList {u"Mh3dText2 "_s + feld(u"Mh3dText2"_s)}, recordedCase.shown);
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
