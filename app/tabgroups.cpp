#include "horbelung.h"
#include "loeschpanel.h"
#include "tabgruppe.h"

#include <utility>

void gruppeSchalten(std::initializer_list<TabPlatz> gruppe, bool on)
{
    for (const TabPlatz &platz : gruppe)
        std::visit([on](auto *steuerelement) { steuerelement->setTabStop(on); },
                   platz.steuerelement);
    if (!on)
        return;
    for (const TabPlatz &platz : gruppe)
        std::visit([&platz](auto *steuerelement) { steuerelement->setTabIndex(platz.tabIndex); },
                   platz.steuerelement);
}

void Horbelung::tabFolge(const QString &gruppe)
{
    const std::pair<QStringView, void (Horbelung::*)(bool)> gruppen[] = {
        {u"GELB", &Horbelung::tabGelb},
        {u"GRÜN", &Horbelung::tabGruen},
        {u"DISK", &Horbelung::tabDisk},
    };
    for (const auto &[stichwort, schalten] : gruppen)
        (this->*schalten)(false);
    for (const auto &[stichwort, schalten] : gruppen) {
        if (gruppe == stichwort) {
            (this->*schalten)(true);
            return;
        }
    }
}

void Horbelung::tabGelb(bool on)
{
    // The options in screen order: left column, then right column.
    const auto option = [this](QStringView name) {
        return katalogOptionen[rowOfOption(name).value()];
    };
    gruppeSchalten(
        {
            {option(u"Option3D7"), 0},
            {option(u"Option3D6"), 1},
            {option(u"Option3D8"), 2},
            {option(u"Option3D9"), 3},
            {option(u"VqsOption6"), 4},
            {option(u"VqsOption1"), 5},
            {option(u"VqsOption2"), 6},
            {option(u"VqsOption3"), 7},
            {option(u"VqsOption4"), 8},
            {option(u"VqsOption5"), 9},
            {Mh3dText2, 10},
            {Command1, 11},
            {Command3D3, 12},
            {Command3D2, 13},
            {Command3D10, 14},
            {Command3D12, 15},
        },
        on);
}

void Horbelung::tabGruen(bool on)
{
    gruppeSchalten(
        {
            {Option3D3, 0},
            {VqsCheck1, 1},
            {Option3D4, 2},
            {Mh3dText3, 3},
            {Option3D1, 4},
            {Option3D2, 5},
            {Option3D5, 6},
            {Mh3dText1, 7},
            {Command2, 8},
            {Command3D4, 9},
            {Command3D1, 10},
            {Command3D7, 11},
        },
        on);
}

void Horbelung::tabDisk(bool on)
{
    VqsPanel2->tabGruppe(on);
}
