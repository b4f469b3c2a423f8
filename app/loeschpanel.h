#pragma once

#include "controls/controls.h"

namespace platform {
class Services;
} // namespace platform

// The deletion panel on page 2 (VqsPanel2): the folders and files of A:\,
// to delete one by one before a backup. It closes itself and tells the
// window so, which takes the keyboard back.
class LoeschPanel : public controls::VqsPanel
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

    controls::FileListBox *File1;
    controls::CommandButton *Command4;
    controls::DirListBox *Dir1;
    controls::CommandButton *Command3;
    controls::CommandButton *Command5;
};
