#pragma once

#include "platform/controls.h"

namespace platform {
class Services;
} // namespace platform

// The deletion panel on page 2 (VqsPanel2): the folders and files of A:\,
// to delete one by one before a backup. It closes itself and tells the
// window so, which takes the keyboard back.
class LoeschPanel : public platform::VqsPanel
{
    Q_OBJECT
public:
    explicit LoeschPanel(platform::Services &services, QWidget *parent = nullptr);

    // Both lists read A:\ afresh; throws as DirListBox::setPath.
    void disketteLesen();
    bool hatOrdner() const;
    // The "DISK" tab group: the lists and the three buttons.
    void tabGruppe(bool on);

signals:
    // "Löschen beenden" closed the panel.
    void beendet();
    // The last folder of A:\ is deleted: the panel has closed itself.
    void ohneOrdner();

private:
    void Command3_Click(); // "Verzeichnis löschen"
    void Command4_Click(); // "Datei löschen"
    void Command5_Click(); // "Löschen beenden"
    void Dir1_Change();
    void verzloe();
    void verzloe2();

    platform::Services &services;

    platform::FileListBox *File1;
    platform::CommandButton *Command4;
    platform::DirListBox *Dir1;
    platform::CommandButton *Command3;
    platform::CommandButton *Command5;
};
