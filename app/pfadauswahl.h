#pragma once

#include "controls/controls.h"

#include <QDialog>

class Horbelung;

namespace platform {
class Services;
}

// The modal "Pfad Auswahl" window: a drive list and a directory list. Its
// result leaves only through the main window's pafdschreiben.
class PfadAuswahl : public controls::Form<QDialog>
{
    Q_OBJECT
public:
    // Runs the load handler: opens the program directory and its drive.
    PfadAuswahl(Horbelung &hauptfenster, platform::Services &services, QWidget *parent = nullptr);

protected:
    void Form_Resize() override;

private:
    void Form_Load();
    void Drive1_Change();
    void Command2_Click(); // "Übernehmen"
    void Command1_Click(); // "Schließen"

    Horbelung &hauptfenster;
    platform::Services &services;

    controls::DirListBox *Dir1;
    controls::CommandButton *Command2;
    controls::CommandButton *Command1;
    controls::DriveListBox *Drive1;
};
