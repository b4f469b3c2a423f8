#include "horbelung.h"

#include "bauteile.h"
#include "loeschpanel.h"

#include "app/handlertrap.h"
#include "app/pfadauswahl.h"
#include "platform/services.h"
#include "rules/pathfile.h"
#include "rules/runtimeerror.h"

#include <QPalette>

#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

using namespace bauteile;

// Where each catalogue option stands on page 1, in the order they are created.
struct OptionsPlatz
{
    QStringView name;
    Geometrie geometrie;
};

constexpr std::array<OptionsPlatz, catalogueSize> katalogPlaetze = {{
    {u"Option3D7", {780, 1830, 2970, 315}},
    {u"Option3D6", {780, 2280, 3180, 315}},
    {u"Option3D8", {780, 2730, 3150, 315}},
    {u"Option3D9", {780, 3180, 3270, 315}},
    {u"VqsOption1", {5100, 1830, 3720, 315}},
    {u"VqsOption2", {5100, 2280, 3600, 315}},
    {u"VqsOption3", {5100, 2730, 3360, 315}},
    {u"VqsOption4", {5100, 3180, 3645, 315}},
    {u"VqsOption6", {780, 3630, 3000, 315}},
    {u"VqsOption5", {5100, 3630, 3630, 315}},
}};

QFont seitenTitel()
{
    return controls::designFont(u"Times New Roman"_s, 15.75, true, true);
}

controls::VqsOption *option(QWidget *container, QStringView name, const QString &caption,
                            Geometrie g, const QFont &font)
{
    auto *option = anlegen<controls::VqsOption>(container, name, g);
    option->setText(caption);
    option->setFont(font);
    option->setBackColor(grau);
    return option;
}

// The picture buttons that open the path dialog: no caption, a 16-pixel folder.
controls::CommandButton *ordnerKnopf(QWidget *container, QStringView name, Geometrie g)
{
    auto *knopf = anlegen<controls::CommandButton>(container, name, g);
    knopf->setBackColor(grau);
    knopf->setPicture(bild(u"pictures/ordner"), 16);
    knopf->setAccessibleName(u"Verzeichnis auswählen"_s);
    return knopf;
}

enum class Groesse { NachText, Fest, FestUmbrechend };

controls::Label *beschriftung(QWidget *container, QStringView name, const QString &caption,
                              Geometrie g, const QFont &font, std::optional<QColor> textFarbe,
                              QColor hintergrund, Groesse groesse)
{
    auto *label = anlegen<controls::Label>(container, name, g);
    label->setFont(font);
    if (textFarbe)
        label->setForeColor(*textFarbe);
    label->setBackColor(hintergrund);
    label->setWordWrap(groesse == Groesse::FestUmbrechend);
    label->setAutoSize(groesse == Groesse::NachText);
    label->setCaption(caption);
    return label;
}

controls::TextBox *textfeld(QWidget *container, QStringView name, Geometrie g, const QFont &font)
{
    auto *feld = anlegen<controls::TextBox>(container, name, g);
    feld->setFont(font);
    return feld;
}

} // namespace

Horbelung::Horbelung(platform::Services &services, QWidget *parent)
    : controls::Form<QWidget>(parent)
    , services(services)
{
    createControls();
    connectHandlers();
    Form_Load();
}

void Horbelung::createControls()
{
    setObjectName(u"Horbelung"_s);
    setWindowTitle(u"Horbelung"_s);
    setWindowIcon(bild(u"icons/horbelung"));
    QPalette farben = palette();
    farben.setColor(QPalette::Window, grau);
    farben.setColor(QPalette::WindowText, QColor(0, 0, 0));
    setPalette(farben);
    setAutoFillBackground(true);
    setFont(sansSerif(8.25, true));
    setScaleSizeTwips(10650, 8700);

    const QFont gross = sansSerif(12, false);
    const QFont grossFett = sansSerif(12, true);
    const QFont mittelFett = sansSerif(9.75, true);

    // Page 1
    Panel3D1 = panel(this, u"Panel3D1", {210, 255, 11655, 8415}, QColor(255, 255, 192), 2, 0);
    Panel3D1->setTabStop(false);
    // Screen readers name the page the focus enters.
    Panel3D1->setAccessibleName(u"Seite 1: Datenbank wählen"_s);
    for (const OptionsPlatz &platz : katalogPlaetze) {
        const std::size_t row = rowOfOption(platz.name).value();
        katalogOptionen[row] = option(Panel3D1, platz.name, catalogue[row].caption.toString(),
                                      platz.geometrie, gross);
    }
    katalogOptionen[0]->setValue(true);
    Command3D12 = knopf(Panel3D1, u"Command3D12", u"&Schließen"_s, {9480, 7380, 1665, 930},
                        u"pictures/schliessen");
    Command3D10 = knopf(Panel3D1, u"Command3D10", u"&Weiter"_s, {7350, 7380, 1665, 930},
                        u"pictures/weiter");
    Command3D3 = knopf(Panel3D1, u"Command3D3", u"Diskette jetzt prüfen"_s, {3705, 7395, 1665, 930},
                       u"pictures/diskette-pruefen");
    Mh3dText2 = textfeld(Panel3D1, u"Mh3dText2", {720, 4860, 8085, 420}, gross);
    Command3D2 = knopf(Panel3D1, u"Command3D2", u"Verzeichnis sichern"_s, {5520, 7380, 1665, 930},
                       u"pictures/verzeichnis-sichern");
    Command1 = ordnerKnopf(Panel3D1, u"Command1", {8820, 4860, 420, 420});
    Label1 = beschriftung(
        Panel3D1, u"Label1", u"Sichern bzw. wiederherstellen von Daten aller Tarvik-Produkte"_s,
        {765, 225, 8760, 360}, seitenTitel(), QColor(0, 0, 192), grau, Groesse::NachText);
    Label4 = beschriftung(
        Panel3D1, u"Label4",
        u"Tragen Sie hier den Pfad der Originaldatenbank in untenstehendes Verzeichnis ein:"_s,
        {720, 4260, 8610, 240}, mittelFett, QColor(0, 0, 0), grau, Groesse::NachText);
    // A label's buddy takes the label's text as its accessible name.
    Label4->setBuddy(Mh3dText2);
    Label5 = beschriftung(
        Panel3D1, u"Label5",
        u"Wenn Sie Windows 95/98 auf Ihrem System installiert haben, können Sie zur Überprüfung "
        u"der Disketten das Programm 'SCANDISK.EXE' mit Hilfe des Schalters \"Diskette jetzt "
        u"prüfen\" starten. Mit Windows NT funktioniert dieser Schalter nicht."_s,
        {750, 5640, 8970, 825}, mittelFett, rot, grau, Groesse::FestUmbrechend);
    Label3 = beschriftung(
        Panel3D1, u"Label3",
        u"Sie müssen die zu wiederherstellende Datenbank schließen, bevor sie zurückgesichert "
        u"werden kann. In einer Mehrbenutzerumgebung müssen Sie darüberhinaus sicherstellen, daß "
        u"alle anderen Benutzer die Datenbank auch geschlossen haben."_s,
        {765, 810, 8970, 735}, mittelFett, rot, grau, Groesse::FestUmbrechend);

    // Page 2
    Panel3D2 = panel(this, u"Panel3D2", {90, 105, 11655, 8415}, QColor(192, 255, 192), 2, 0);
    Panel3D2->setTabStop(false);
    Panel3D2->setAccessibleName(u"Seite 2: Sichern oder wiederherstellen"_s);
    VqsPanel1
        = panel(Panel3D2, u"VqsPanel1", {1140, 1455, 8880, 1050}, QColor(192, 192, 192), 0, 0);
    VqsPanel1->setBorderWidth(0);
    VqsPanel2 = anlegen<LoeschPanel>(Panel3D2, u"VqsPanel2", {810, 6615, 5565, 4380}, services);
    Option3D1 = option(Panel3D2, u"Option3D1", u"Laufwerk A:\\  ( Diskette 3 1/2\", 1.44 MB HD )"_s,
                       {1200, 4260, 5325, 315}, gross);
    Option3D1->setValue(true);
    Command3D7 = knopf(Panel3D2, u"Command3D7", u"&Zurück"_s, {9450, 7350, 1665, 930},
                       u"pictures/zurueck");
    Command3D1 = knopf(Panel3D2, u"Command3D1", u"Sicherung starten"_s, {7290, 7350, 1665, 930},
                       u"pictures/sicherung-starten");
    Command3D4 = knopf(Panel3D2, u"Command3D4", u"Diskette löschen"_s, {7320, 6060, 1665, 930},
                       u"pictures/diskette-loeschen");
    Mh3dText1 = textfeld(Panel3D2, u"Mh3dText1", {2670, 5310, 6645, 420}, gross);
    Mh3dText1->setAccessibleName(u"Festplatte"_s); // the option in front of it
    Command2 = ordnerKnopf(Panel3D2, u"Command2", {9360, 5310, 420, 420});
    Option3D2 = option(Panel3D2, u"Option3D2", u"Laufwerk B:\\  ( Diskette 5 1/4\", 1.20 MB HD )"_s,
                       {1200, 4800, 5325, 315}, gross);
    Option3D5 = option(Panel3D2, u"Option3D5", u"Festplatte"_s, {1200, 5310, 1395, 315}, gross);
    Mh3dLabel7 = beschriftung(Panel3D2, u"Mh3dLabel7", QString(), {4080, 3540, 6135, 420},
                              grossFett, rot, weiss, Groesse::Fest);
    Mh3dLabel7->setBorder(true);
    Label2 = beschriftung(Panel3D2, u"Label2", u"Horbelung / Wiederherstellung starten"_s,
                          {420, 180, 5745, 360}, seitenTitel(), QColor(0, 128, 0), grau,
                          Groesse::NachText);
    Label6 = beschriftung(Panel3D2, u"Label6", u"Die Datenbank im aktuellen Verzeichnis soll"_s,
                          {1200, 930, 5280, 300}, grossFett, blau, grau, Groesse::NachText);
    Label8 = beschriftung(Panel3D2, u"Label8",
                          u"Wählen Sie das gewünschte Laufwerk der Horbelung aus und starten Sie "
                          u"die Sicherung mit Hilfe des Schalters \"Sicherung starten\"."_s,
                          {1200, 2730, 9000, 630}, grossFett, blau, grau, Groesse::FestUmbrechend);
    Label10 = beschriftung(Panel3D2, u"Label10", u"Aktuelles Verzeichnis:"_s,
                           {1245, 3540, 2670, 300}, grossFett, blau, grau, Groesse::NachText);
    Label9
        = beschriftung(Panel3D2, u"Label9", u"Die Diskette vor dem Start der Sicherung löschen"_s,
                       {1230, 6090, 5100, 240}, mittelFett, rot, grau, Groesse::NachText);
    Label9->hide();

    // VqsPanel1: backup or restore
    Mh3dText3 = textfeld(VqsPanel1, u"Mh3dText3", {7020, 465, 600, 420}, grossFett);
    Mh3dText3->setText(u"1"_s);
    Mh3dText3->hide();
    VqsCheck1 = anlegen<controls::VqsCheck>(VqsPanel1, u"VqsCheck1", {3600, 0, 5220, 315});
    VqsCheck1->setText(u"Alle Datenbanken im Verzeichnis sichern"_s);
    VqsCheck1->setFont(grossFett);
    VqsCheck1->setBackColor(grau);
    VqsCheck1->setValue(1);
    VqsCheck1->setToolTip(
        u"Wenn dieser Punkt aktiviert wird, so werden alle Datenbanken (*.mdb) in dem "
        u"angegebenen Verzeichniss gesichert. Wenn nein, wird nur die angegebene Datenbank "
        u"(z.B. VQS.MDB) gesichert."_s);
    Option3D4 = option(VqsPanel1, u"Option3D4", u"wieder hergestellt werden"_s, {0, 465, 3540, 315},
                       grossFett);
    Option3D3 = option(VqsPanel1, u"Option3D3", u"gesichert bzw."_s, {0, 15, 2190, 315}, grossFett);
    Option3D3->setValue(true);
    Label7 = beschriftung(VqsPanel1, u"Label7", u"Anzahl Disketten:"_s, {4620, 510, 2145, 315},
                          grossFett, std::nullopt, grau, Groesse::NachText);
    Label7->setBuddy(Mh3dText3);
    Label7->hide();
}

void Horbelung::connectHandlers()
{
    // Every handler runs under the trap for run-time errors it does not trap itself.
    const auto behandelt = [this](auto handler) {
        return handler::trapped(services, handler);
    };
    const std::pair<QAbstractButton *, void (Horbelung::*)()> klicks[] = {
        {Command3D10, &Horbelung::Command3D10_Click}, {Command3D7, &Horbelung::Command3D7_Click},
        {Command3D12, &Horbelung::Command3D12_Click}, {Option3D3, &Horbelung::Option3D3_Click},
        {Option3D4, &Horbelung::Option3D4_Click},     {Option3D1, &Horbelung::seite2Zeigen},
        {Option3D2, &Horbelung::seite2Zeigen},        {Option3D5, &Horbelung::seite2Zeigen},
        {Command1, &Horbelung::Command1_Click},       {Command2, &Horbelung::Command2_Click},
        {Command3D2, &Horbelung::Command3D2_Click},   {Command3D1, &Horbelung::Command3D1_Click},
        {Command3D3, &Horbelung::Command3D3_Click},   {Command3D4, &Horbelung::Command3D4_Click},
    };
    for (const auto &[steuerelement, klick] : klicks)
        connect(steuerelement, &QAbstractButton::clicked, this,
                behandelt([this, handler = klick] { (this->*handler)(); }));
    for (std::size_t row = 0; row < catalogueSize; ++row)
        connect(katalogOptionen[row], &QAbstractButton::clicked, this,
                behandelt([this, row] { katalogOption_Click(row); }));
    connect(Command3D4, &controls::CommandButton::mouseMove, this,
            behandelt([this] { Command3D4_MouseMove(); }));
    connect(Panel3D2, &controls::VqsPanel::mouseMove, this,
            behandelt([this] { Panel3D2_MouseMove(); }));
    // The keyboard comes back to page 2 when the deletion panel closes.
    connect(VqsPanel2, &LoeschPanel::beendet, this, [this] {
        tabFolge(u"GRÜN"_s);
        fokusSetzen();
    });
    connect(VqsPanel2, &LoeschPanel::ohneOrdner, this, [this] { fokusSetzen(); });
}

void Horbelung::Form_Load()
{
    try {
        services.setMousePointer(platform::MousePointer::Hourglass);
        seiteNachVorn(Panel3D1);
        for (std::size_t row = 0; row < catalogueSize; ++row)
            dbPfad[row] = catalogue[row].defaultDirectory.toString();
        // 53 when there is none.
        pathfile::applyItems(
            pathfile::decode(services.readFile(QString::fromUtf16(pathfile::fileName))), dbPfad);
        Mh3dText2->setText(dbPfad[0]);
        services.setMousePointer(platform::MousePointer::Default);
        tabFolge(u"GELB"_s);
    } catch (const rules::RuntimeError &error) {
        startFehler(error);
    } catch (const std::bad_alloc &) {
        startFehler(rules::RuntimeError(rules::RuntimeError::OutOfMemory));
    } catch (const std::exception &) {
        startFehler(rules::RuntimeError(rules::RuntimeError::InternalError));
    }
    offeneWiederherstellungen();
    fokusSetzen();
}

void Horbelung::offeneWiederherstellungen()
{
    for (const QString &folder : services.unfinishedRestores()) {
        const QString frage = u"Eine Wiederherstellung nach "_s + folder
            + u" wurde nicht abgeschlossen. Die vorherige Datenbank ist noch vorhanden.\n\n"
              u"Soll die vorherige Datenbank wieder an ihren Platz gebracht werden?"_s;
        if (services.msgBox(frage, platform::MsgBox::Question + platform::MsgBox::YesNo)
            != platform::MsgBox::Yes)
            continue;
        if (services.undoRestore(folder))
            services.msgBox(u"Die vorherige Datenbank ist wieder an ihrem Platz."_s,
                            platform::MsgBox::Information);
        else
            services.msgBox(u"Die vorherige Datenbank konnte nicht vollständig an ihren Platz "
                            u"gebracht werden. Horbelung fragt beim nächsten Start wieder."_s,
                            platform::MsgBox::Critical);
    }
}

void Horbelung::startFehler(const rules::RuntimeError &error)
{
    // Without a path file the defaults simply stay; anything else is worth a word.
    if (error.number() != rules::RuntimeError::FileNotFound)
        services.msgBox(u"Fehler Nr."_s + QString::number(error.number()),
                        platform::MsgBox::OkOnly);
    services.setMousePointer(platform::MousePointer::Default);
}

std::optional<std::size_t> Horbelung::gewaehlteZeile() const
{
    // Every ticked option in catalogue order; a later one wins.
    std::optional<std::size_t> gewaehlt;
    for (std::size_t row = 0; row < catalogueSize; ++row) {
        if (katalogOptionen[row]->value())
            gewaehlt = row;
    }
    return gewaehlt;
}

void Horbelung::Command3D10_Click()
{
    Mh3dLabel7->setCaption(Mh3dText2->text());
    Mh3dText1->setText(Mh3dText2->text());
    if (const auto row = gewaehlteZeile()) {
        dbKuerzel = catalogue[*row].code.toString();
        dbName = catalogue[*row].name.toString();
    }
    seiteNachVorn(Panel3D2);
    tabFolge(u"GRÜN"_s);
    fokusSetzen();
}

void Horbelung::Command3D7_Click()
{
    seiteNachVorn(Panel3D1);
    tabFolge(u"GELB"_s);
    fokusSetzen();
}

void Horbelung::Command3D12_Click()
{
    close();
}

void Horbelung::katalogOption_Click(std::size_t row)
{
    if (katalogOptionen[row]->value())
        Mh3dText2->setText(dbPfad[row]);
}

// The captions change with the mode only when it is chosen: before, page 2
// has the words it was made with.
void Horbelung::Option3D3_Click()
{
    Command3D1->setCaption(u"Sicherung starten"_s);
    Label8->setCaption(u"Wählen Sie das gewünschte Laufwerk aus und starten Sie die Sicherung "
                       u"mit Hilfe des Schalters ''Sicherung starten''."_s);
    seite2Zeigen();
    tabFolge(u"GRÜN"_s);
}

void Horbelung::Option3D4_Click()
{
    Command3D1->setCaption(u"Wiederherstellung starten"_s);
    Label8->setCaption(u"Wählen Sie das gewünschte Laufwerk aus und starten Sie das "
                       u"Wiederherstellen mit Hilfe des Schalters ''Wiederherstellung "
                       u"starten''."_s);
    seite2Zeigen();
    tabFolge(u"GRÜN"_s);
}

Horbelung::Seite2 Horbelung::seite2(bool wiederherstellen, bool diskette)
{
    return {!wiederherstellen, wiederherstellen && diskette, !wiederherstellen && diskette};
}

void Horbelung::seite2Zeigen()
{
    const Seite2 seite = seite2(Option3D4->value(), !Option3D5->value());
    VqsCheck1->setVisible(seite.auswahl);
    Mh3dText3->setVisible(seite.diskettenZahl);
    Label7->setVisible(seite.diskettenZahl);
    Command3D4->setVisible(seite.disketteLoeschen);
    // The hint on "Diskette löschen" goes with the button.
    if (!seite.disketteLoeschen)
        Label9->hide();
}

void Horbelung::Command1_Click()
{
    pfadZiel = 1;
    auswahlDialogOeffnen();
}

void Horbelung::Command2_Click()
{
    pfadZiel = 2;
    auswahlDialogOeffnen();
}

void Horbelung::auswahlDialogOeffnen()
{
    PfadAuswahl dialog(*this, services);
    dialog.exec();
}

void Horbelung::pafdschreiben(const QString &pfad)
{
    if (pfadZiel == 1)
        Mh3dText2->setText(pfad);
    else
        Mh3dText1->setText(pfad);
}

void Horbelung::Command3D4_MouseMove()
{
    Label9->show();
}

void Horbelung::Panel3D2_MouseMove()
{
    Label9->hide();
}

void Horbelung::fokusSetzen()
{
    // The keyboard goes to what is seen: the first tab stop of the group now
    // on, else the page in front. Left where it was, the focus would stay on a
    // hidden control and keys would type into the page behind.
    for (QWidget *w = nextInFocusChain(); w != this; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this)) {
            w->setFocus(Qt::TabFocusReason);
            return;
        }
    }
    (Panel3D2->isVisibleTo(this) ? Panel3D2 : Panel3D1)->setFocus(Qt::OtherFocusReason);
}

void Horbelung::seiteNachVorn(controls::VqsPanel *seite)
{
    // The page behind is hidden as well, so neither its clicks nor its access
    // keys (Alt+W on page 2) reach it.
    for (controls::VqsPanel *page : {Panel3D1, Panel3D2})
        page->setVisible(page == seite);
    seite->zOrder(0);
}
