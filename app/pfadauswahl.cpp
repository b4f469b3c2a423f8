#include "pfadauswahl.h"

#include "app/bild.h"
#include "app/handlertrap.h"
#include "app/horbelung.h"
#include "app/mindestgroesse.h"
#include "platform/services.h"
#include "rules/runtimeerror.h"

using namespace Qt::StringLiterals;

namespace {

constexpr double randAbstand = 225;
constexpr double listenAbstand = randAbstand / 4;
// Outer size, frame and caption included.
constexpr double minBreite = 4125;
constexpr double minHoehe = 4905;

constexpr QColor hintergrund(224, 224, 224);

controls::CommandButton *schalter(QWidget *fenster, const QString &name, const QString &caption,
                                  QStringView bildname)
{
    auto *button = new controls::CommandButton(fenster);
    button->setObjectName(name);
    button->setCaption(caption);
    button->setPicture(bild(bildname), 32);
    button->setBackColor(hintergrund);
    return button;
}

} // namespace

PfadAuswahl::PfadAuswahl(Horbelung &hauptfenster, platform::Services &services, QWidget *parent)
    : controls::Form<QDialog>(parent)
    , hauptfenster(hauptfenster)
    , services(services)
    , Dir1(new controls::DirListBox(services, this))
    , Command2(schalter(this, u"Command2"_s, u"Übernehmen"_s, u"pictures/uebernehmen"))
    , Command1(schalter(this, u"Command1"_s, u"Schließen"_s, u"pictures/schliessen"))
    , Drive1(new controls::DriveListBox(services, this))
{
    setObjectName(u"PfadAuswahl"_s);
    setWindowTitle(u"Pfad Auswahl"_s);
    setWindowIcon(bild(u"icons/pfadauswahl"));
    setFont(controls::designFont(u"MS Sans Serif"_s, 8.25, false));
    setBackColor(hintergrund);
    setModal(true);
    setScaleSizeTwips(3690, 3375);

    Dir1->setObjectName(u"Dir1"_s);
    Drive1->setObjectName(u"Drive1"_s);
    Dir1->setGeometryTwips(90, 120, 3480, 1665);
    Command2->setGeometryTwips(120, 2325, 1665, 930);
    Command1->setGeometryTwips(1905, 2325, 1665, 930);
    Drive1->setGeometryTwips(120, 1905, 3450, 315);
    Dir1->setTabIndex(0);
    Drive1->setTabIndex(1);
    Command2->setTabIndex(2);
    Command1->setTabIndex(3);

    // Every handler runs under the trap for run-time errors it does not trap itself.
    connect(Drive1, &controls::DriveListBox::change, this,
            handler::trapped(services, [this] { Drive1_Change(); }));
    connect(Command2, &controls::CommandButton::clicked, this,
            handler::trapped(services, [this] { Command2_Click(); }));
    connect(Command1, &controls::CommandButton::clicked, this,
            handler::trapped(services, [this] { Command1_Click(); }));
    Form_Load();
}

void PfadAuswahl::Form_Load()
{
    Dir1->setPath(services.appPath());
    Drive1->setDrive(services.appPath());
}

void PfadAuswahl::Drive1_Change()
{
    try {
        Dir1->setPath(Drive1->drive());
    } catch (const rules::RuntimeError &) {
        // A drive without a disk: the list keeps showing the folder it had.
    }
}

void PfadAuswahl::Command2_Click()
{
    // A drive root's path already ends in a backslash.
    QString pfad = Dir1->path() + u'\\';
    if (pfad.endsWith(u"\\\\"))
        pfad.chop(1);
    hauptfenster.pafdschreiben(pfad);
    accept();
}

void PfadAuswahl::Command1_Click()
{
    reject();
}

void PfadAuswahl::Form_Resize()
{
    if (!mindestgroesseHalten(*this, minBreite, minHoehe))
        return;
    Command1->setTopTwips(scaleHeightTwips() - randAbstand - Command1->heightTwips());
    Command1->setLeftTwips(scaleWidthTwips() - randAbstand - Command1->widthTwips());
    Command2->setTopTwips(Command1->topTwips());
    Command2->setLeftTwips(Command1->leftTwips() - randAbstand - Command2->widthTwips());
    Drive1->setTopTwips(Command1->topTwips() - randAbstand - Drive1->heightTwips());
    Drive1->setLeftTwips(randAbstand);
    Drive1->setWidthTwips(scaleWidthTwips() - randAbstand - Drive1->leftTwips());
    Dir1->setTopTwips(randAbstand);
    Dir1->setLeftTwips(randAbstand);
    Dir1->setHeightTwips(Drive1->topTwips() - listenAbstand - Dir1->topTwips());
    Dir1->setWidthTwips(Drive1->widthTwips());
}
