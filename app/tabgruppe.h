#pragma once

// A keyboard tab group: its controls and their places in the tab order.

#include "controls/controls.h"

#include <initializer_list>
#include <variant>

using TabSteuerelement
    = std::variant<controls::VqsOption *, controls::VqsCheck *, controls::TextBox *,
                   controls::CommandButton *, controls::DirListBox *, controls::FileListBox *>;

struct TabPlatz
{
    TabSteuerelement steuerelement;
    int tabIndex;
};

// Switching off leaves the indexes alone; switching on puts the group at the
// head of the window's tab order, in table order.
void gruppeSchalten(std::initializer_list<TabPlatz> gruppe, bool on);
