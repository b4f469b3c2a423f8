#pragma once

// A keyboard tab group: its controls and their places in the tab order.

#include "platform/controls.h"

#include <initializer_list>
#include <variant>

using TabSteuerelement
    = std::variant<platform::VqsOption *, platform::VqsCheck *, platform::TextBox *,
                   platform::CommandButton *, platform::DirListBox *, platform::FileListBox *>;

struct TabPlatz
{
    TabSteuerelement steuerelement;
    int tabIndex;
};

// Switching off leaves the indexes alone; switching on puts the group at the
// head of the window's tab order, in table order.
void gruppeSchalten(std::initializer_list<TabPlatz> gruppe, bool on);
