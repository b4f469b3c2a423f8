#pragma once

#include "controls/controls.h"
#include "rules/catalogue.h"
#include "rules/command.h"

#include <QWidget>

#include <array>
#include <optional>

class LoeschPanel;

namespace archiverun {
struct Request;
}

namespace rules {
class RuntimeError;
}

namespace platform {
class Services;
}

// The program's main window: page 1 picks the application's database, page 2
// the mode and target and starts the archive run. All state of the program
// lives here, the deletion panel's aside. Its definitions, one file per concern:
//   horbelung.cpp            construction, start-up, step navigation, option clicks
//   tabgroups.cpp            the keyboard tab groups
//   startrun.cpp             the archive run
//   floppytools.cpp          checking and emptying a floppy
//   verzeichnissichern.cpp   "Verzeichnis sichern"
//   layout.cpp               Form_Resize and the two page layouts
class Horbelung : public controls::Form<QWidget>
{
    Q_OBJECT
public:
    // Builds the controls and runs the start-up (Form_Load).
    explicit Horbelung(platform::Services &services, QWidget *parent = nullptr);

    // The path selection dialog hands its confirmed directory in here.
    void pafdschreiben(const QString &pfad);

    // Read-only view of the window state, for the dialog and for tests.
    const QString &kuerzel() const { return dbKuerzel; }
    const QString &name() const { return dbName; }

protected:
    void Form_Resize() override;

private:
    friend class TestHorbelung; // drives tabFolge with keywords no handler passes

    void createControls();
    void connectHandlers();

    // Start-up and step navigation
    void Form_Load();
    // Offers to put back what a restore cut short by a power cut left.
    void offeneWiederherstellungen();
    void Command3D10_Click(); // "&Weiter"
    void Command3D7_Click(); // "&Zurück"
    void Command3D12_Click(); // "&Schließen"
    void katalogOption_Click(std::size_t row); // the ten catalogue options
    void Option3D3_Click(); // backup
    void Option3D4_Click(); // restore
    // What page 2 shows, from the mode and the target alone.
    struct Seite2
    {
        bool auswahl; // VqsCheck1: one database or all
        bool diskettenZahl; // Mh3dText3 with its label
        bool disketteLoeschen; // Command3D4
    };
    static Seite2 seite2(bool wiederherstellen, bool diskette);
    // Shows page 2 so; also the click handler of the targets Option3D1 (A:),
    // Option3D2 (B:), Option3D5 (hard disk).
    void seite2Zeigen();
    void Command1_Click();
    void Command2_Click();
    void Command3D4_MouseMove();
    void Panel3D2_MouseMove();
    void seiteNachVorn(controls::VqsPanel *seite);
    // After a page switch and when the deletion panel closes.
    void fokusSetzen();
    void startFehler(const rules::RuntimeError &error);
    void auswahlDialogOeffnen();
    // The chosen-row rule: the last ticked catalogue option in catalogue order.
    std::optional<std::size_t> gewaehlteZeile() const;

    // Keyboard tab groups
    void tabFolge(const QString &gruppe);
    void tabGelb(bool on);
    void tabGruen(bool on);
    void tabDisk(bool on);

    // Path file
    void Command3D2_Click(); // "Verzeichnis sichern"

    // Archive run
    void Command3D1_Click(); // "Sicherung starten" / "Wiederherstellung starten"
    // The run as the fields and options say it; converts the directory fields.
    archiverun::Request laufAnfrage();
    launch::Argument inDosForm(controls::TextBox &feld, launch::Argument &zuletzt);

    // Floppy tools
    void Command3D3_Click(); // "Diskette jetzt prüfen"
    void Command3D4_Click(); // "Diskette löschen"
    // The "Fehler Nr.: " box of the archive run and the floppy tools.
    void fehlerNrZeigen(const rules::RuntimeError &error);

    // Layout
    void seite1Anordnen(short abstand);
    void seite2Anordnen(short abstand);

    platform::Services &services;

    std::array<QString, catalogueSize> dbPfad;
    QString dbKuerzel;
    QString dbName;
    int pfadZiel = 0; // 1: Mh3dText2, 2: Mh3dText1
    // The directory fields as the last run converted them (Mh3dText1, Mh3dText2).
    launch::Argument dosSicherung;
    launch::Argument dosDatenbank;

    // Page 1
    controls::VqsPanel *Panel3D1;
    std::array<controls::VqsOption *, catalogueSize> katalogOptionen; // catalogue order
    controls::CommandButton *Command3D12;
    controls::CommandButton *Command3D10;
    controls::CommandButton *Command3D3;
    controls::TextBox *Mh3dText2;
    controls::CommandButton *Command3D2;
    controls::CommandButton *Command1;
    controls::Label *Label1;
    controls::Label *Label4;
    controls::Label *Label5;
    controls::Label *Label3;

    // Page 2
    controls::VqsPanel *Panel3D2;
    controls::VqsPanel *VqsPanel1;
    LoeschPanel *VqsPanel2; // the deletion panel
    controls::VqsOption *Option3D1;
    controls::CommandButton *Command3D7;
    controls::CommandButton *Command3D1;
    controls::CommandButton *Command3D4;
    controls::TextBox *Mh3dText1;
    controls::CommandButton *Command2;
    controls::VqsOption *Option3D2;
    controls::VqsOption *Option3D5;
    controls::Label *Mh3dLabel7;
    controls::Label *Label2;
    controls::Label *Label6;
    controls::Label *Label8;
    controls::Label *Label10;
    controls::Label *Label9;

    // VqsPanel1: mode group
    controls::TextBox *Mh3dText3;
    controls::VqsCheck *VqsCheck1;
    controls::VqsOption *Option3D4;
    controls::VqsOption *Option3D3;
    controls::Label *Label7;
};
