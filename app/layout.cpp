#include "app/horbelung.h"
#include "app/loeschpanel.h"
#include "app/mindestgroesse.h"

#include <array>
#include <initializer_list>
#include <span>

using controls::CommandButton;
using controls::VqsOption;
using controls::VqsPanel;

namespace {

constexpr short seitenAbstand = 225;
// Outer size, frame and caption included.
constexpr double minBreite = 11220;
constexpr double minHoehe = 8085;

// The two option columns of page 1, top to bottom.
using Spalte = std::array<QStringView, 5>;
constexpr Spalte linkeSpalte
    = {u"Option3D7", u"Option3D6", u"Option3D8", u"Option3D9", u"VqsOption6"};
constexpr Spalte rechteSpalte
    = {u"VqsOption1", u"VqsOption2", u"VqsOption3", u"VqsOption4", u"VqsOption5"};

// The top of whatever follows a control at the gap g.
template<class Control> double unter(const Control *control, double g)
{
    return control->topTwips() + control->heightTwips() + g;
}

// The top that centres a control of this height on another one's row.
template<class Control> double mittigAuf(const Control *control, double hoehe)
{
    return control->topTwips() + control->heightTwips() / 2 - hoehe / 2;
}

template<class Form> void seiteFuellen(VqsPanel *seite, const Form &fenster)
{
    seite->setLeftTwips(0);
    seite->setTopTwips(0);
    seite->setWidthTwips(fenster.scaleWidthTwips());
    seite->setHeightTwips(fenster.scaleHeightTwips());
    seite->setBackColor(fenster.backColor());
}

// The rightmost button sits g from the page's right and bottom edges, each
// further one g to the left of the one before, all tops aligned.
void schalterReihe(const VqsPanel *seite, std::initializer_list<CommandButton *> reihe, short g)
{
    // Left and top in one write: each write of a shown control is a move
    // that Qt repaints, and these buttons move both ways on every resize.
    const CommandButton *vorige = nullptr;
    for (CommandButton *schalter : reihe) {
        const double breite = schalter->widthTwips();
        const double hoehe = schalter->heightTwips();
        if (vorige == nullptr)
            schalter->setGeometryTwips(seite->widthTwips() - g - breite,
                                       seite->heightTwips() - g - hoehe, breite, hoehe);
        else
            schalter->setGeometryTwips(vorige->leftTwips() - g - breite, vorige->topTwips(), breite,
                                       hoehe);
        vorige = schalter;
    }
}

// A column of options g apart, the first one at left, top.
void spalteStapeln(std::span<VqsOption *const> spalte, double left, double top, short g)
{
    const VqsOption *erste = nullptr;
    const VqsOption *vorige = nullptr;
    for (VqsOption *option : spalte) {
        option->setLeftTwips(erste == nullptr ? left : erste->leftTwips());
        option->setTopTwips(vorige == nullptr ? top : unter(vorige, g));
        if (erste == nullptr)
            erste = option;
        vorige = option;
    }
}

void titelZentrieren(controls::Label *titel, const VqsPanel *seite, short g)
{
    titel->setTopTwips(g);
    titel->setLeftTwips((seite->widthTwips() - titel->widthTwips()) / 2);
}

} // namespace

void Horbelung::Form_Resize()
{
    if (!mindestgroesseHalten(*this, minBreite, minHoehe))
        return;
    seite2Anordnen(seitenAbstand);
    seite1Anordnen(seitenAbstand);
}

void Horbelung::seite1Anordnen(short abstand)
{
    const double halb = abstand / 2.0;

    seiteFuellen(Panel3D1, *this);
    schalterReihe(Panel3D1, {Command3D12, Command3D10, Command3D2, Command3D3}, abstand);
    titelZentrieren(Label1, Panel3D1, abstand);

    Label3->setTopTwips(unter(Label1, abstand));
    Label3->setLeftTwips(abstand);
    Label3->setWidthTwips(Panel3D1->widthTwips() - abstand - Label3->leftTwips());

    const auto spalte = [this](const Spalte &namen) {
        std::array<VqsOption *, std::tuple_size_v<Spalte>> optionen {};
        for (std::size_t i = 0; i < namen.size(); ++i)
            optionen[i] = katalogOptionen[rowOfOption(namen[i]).value()];
        return optionen;
    };
    const auto links = spalte(linkeSpalte);
    const auto rechts = spalte(rechteSpalte);
    spalteStapeln(links, abstand, unter(Label3, abstand), abstand);
    // Row k of the right column shares the top of row k of the left one.
    for (std::size_t zeile = 0; zeile < rechts.size(); ++zeile) {
        rechts[zeile]->setTopTwips(links[zeile]->topTwips());
        rechts[zeile]->setLeftTwips(zeile == 0 ? Panel3D1->widthTwips() / 2 + abstand
                                               : rechts[0]->leftTwips());
    }

    Label4->setTopTwips(unter(links.back(), abstand));
    Label4->setLeftTwips(abstand);

    Mh3dText2->setTopTwips(Label4->topTwips() + Label4->heightTwips() + halb);
    Mh3dText2->setLeftTwips(abstand);
    Mh3dText2->setWidthTwips(Label3->widthTwips() - Command1->widthTwips() - halb);
    Command1->setTopTwips(Mh3dText2->topTwips());
    Command1->setLeftTwips(Mh3dText2->leftTwips() + Mh3dText2->widthTwips() + halb);

    Label5->setLeftTwips(abstand);
    Label5->setTopTwips(unter(Mh3dText2, abstand));
    Label5->setWidthTwips(Label3->widthTwips());
}

void Horbelung::seite2Anordnen(short abstand)
{
    const double halb = abstand / 2.0;
    const short doppelt = static_cast<short>(2 * abstand);
    const short fuenffach = static_cast<short>(5 * abstand);

    seiteFuellen(Panel3D2, *this);
    schalterReihe(Panel3D2, {Command3D7, Command3D1, Command3D4}, abstand);
    titelZentrieren(Label2, Panel3D2, abstand);

    Label6->setTopTwips(unter(Label2, doppelt));
    Label6->setLeftTwips(abstand);

    // The mode group, wrapped tightly by its panel.
    VqsPanel1->setTopTwips(unter(Label6, abstand));
    VqsPanel1->setLeftTwips(Label6->leftTwips() + abstand);
    VqsPanel1->setBackColor(backColor());
    Option3D3->setLeftTwips(0);
    Option3D3->setTopTwips(0);
    Option3D4->setLeftTwips(Option3D3->leftTwips());
    Option3D4->setTopTwips(unter(Option3D3, abstand));
    VqsCheck1->setTopTwips(Option3D3->topTwips());
    VqsCheck1->setLeftTwips(Option3D3->leftTwips() + Option3D4->widthTwips() + fuenffach);
    Label7->setTopTwips(Option3D4->topTwips());
    Label7->setLeftTwips(VqsCheck1->leftTwips());
    Mh3dText3->setLeftTwips(Label7->leftTwips() + Label7->widthTwips() + halb);
    Mh3dText3->setTopTwips(mittigAuf(Label7, Mh3dText3->heightTwips()));
    VqsPanel1->setWidthTwips(VqsCheck1->leftTwips() + VqsCheck1->widthTwips());
    VqsPanel1->setHeightTwips(Mh3dText3->topTwips() + Mh3dText3->heightTwips());

    Label8->setLeftTwips(abstand);
    Label8->setTopTwips(unter(VqsPanel1, doppelt));
    Label8->setWidthTwips(Panel3D2->widthTwips() - abstand - Label8->leftTwips());

    Label10->setLeftTwips(doppelt);
    Label10->setTopTwips(unter(Label8, abstand));
    Mh3dLabel7->setLeftTwips(Label10->leftTwips() + Label10->widthTwips() + halb);
    Mh3dLabel7->setTopTwips(mittigAuf(Label10, Mh3dLabel7->heightTwips()));
    Mh3dLabel7->setWidthTwips(scaleWidthTwips() - abstand - Mh3dLabel7->leftTwips());

    const std::array<VqsOption *, 3> laufwerke = {Option3D1, Option3D2, Option3D5};
    spalteStapeln(laufwerke, Label10->leftTwips(), unter(Label10, abstand), abstand);

    Mh3dText1->setLeftTwips(Mh3dLabel7->leftTwips());
    Mh3dText1->setTopTwips(mittigAuf(Option3D5, Mh3dText1->heightTwips()));
    Mh3dText1->setWidthTwips(Mh3dLabel7->widthTwips() - Command2->widthTwips() - halb);
    Command2->setLeftTwips(Mh3dText1->leftTwips() + Mh3dText1->widthTwips() + halb);
    Command2->setTopTwips(Mh3dText1->topTwips());

    // The hint ends g/2 left of "Diskette löschen"; the deletion panel's
    // bottom-right corner lies g/2 beyond that button's.
    Label9->setLeftTwips(Command3D4->leftTwips() - halb - Label9->widthTwips());
    Label9->setTopTwips(Command3D4->topTwips() + Command3D4->heightTwips() - Label9->heightTwips());
    VqsPanel2->setTopTwips(Command3D4->topTwips() + Command3D4->heightTwips() + halb
                           - VqsPanel2->heightTwips());
    VqsPanel2->setLeftTwips(Command3D4->leftTwips() + Command3D4->widthTwips() + halb
                            - VqsPanel2->widthTwips());
    VqsPanel2->setBackColor(backColor());
}
