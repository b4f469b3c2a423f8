#include "loeschpanel.h"

#include "bauteile.h"
#include "tabgruppe.h"

#include "app/handlertrap.h"
#include "platform/services.h"
#include "rules/runtimeerror.h"

using namespace Qt::StringLiterals;
using namespace bauteile;

LoeschPanel::LoeschPanel(platform::Services &services, QWidget *parent)
    : controls::VqsPanel(parent)
    , services(services)
{
    setFont(sansSerif(8.25, true));
    setBackColor(QColor(160, 176, 240));
    setBevelWidth(2);
    setBevelOuter(1);
    setBorderWidth(2);
    setTabStop(false);
    setAccessibleName(u"Verzeichnisse und Dateien der Diskette löschen"_s);
    hide();

    const QFont klein = sansSerif(8.25, false);
    File1 = anlegen<controls::FileListBox>(this, u"File1", {2850, 150, 2565, 3015}, services);
    File1->setFont(klein);
    Command4 = knopf(this, u"Command4", u"Datei löschen"_s, {1950, 3300, 1665, 930},
                     u"pictures/datei-loeschen");
    Dir1 = anlegen<controls::DirListBox>(this, u"Dir1", {150, 150, 2565, 3015}, services);
    Dir1->setFont(klein);
    Command3 = knopf(this, u"Command3", u"Verzeichnis löschen"_s, {150, 3300, 1665, 930},
                     u"pictures/verzeichnis-loeschen");
    Command5 = knopf(this, u"Command5", u"Löschen beenden"_s, {3750, 3300, 1665, 930},
                     u"pictures/schliessen");

    // Every handler runs under the trap for run-time errors it does not trap itself.
    for (const auto &[knopf, klick] : {std::pair {Command3, &LoeschPanel::Command3_Click},
                                       std::pair {Command4, &LoeschPanel::Command4_Click},
                                       std::pair {Command5, &LoeschPanel::Command5_Click}})
        connect(knopf, &QAbstractButton::clicked, this,
                handler::trapped(services, [this, handler = klick] { (this->*handler)(); }));
    connect(Dir1, &controls::DirListBox::change, this,
            handler::trapped(services, [this] { Dir1_Change(); }));
}

void LoeschPanel::disketteLesen()
{
    Dir1->setPath(u"A:\\"_s);
    File1->setPath(u"A:\\"_s);
}

bool LoeschPanel::hatOrdner() const
{
    return Dir1->listCount() > 0;
}

void LoeschPanel::tabGruppe(bool on)
{
    gruppeSchalten(
        {
            {Dir1, 0},
            {File1, 1},
            {Command3, 2},
            {Command4, 3},
            {Command5, 4},
        },
        on);
}

void LoeschPanel::Command5_Click()
{
    hide();
    emit beendet();
}

void LoeschPanel::Dir1_Change()
{
    // A directory that vanished (a floppy taken out) must not end the program:
    // the file list then simply shows nothing until the next change.
    try {
        File1->setPath(Dir1->path());
    } catch (const rules::RuntimeError &) {
        File1->clear();
    }
}

void LoeschPanel::Command3_Click()
{
    if (Dir1->listIndex() == -1) // the open directory itself
        return;
    verzloe();
    services.doEvents();
    // The lists read A:\ again, and only A:\: a detour through another folder
    // would leave them there when the floppy is gone, and the next press would
    // delete that folder's folders. A floppy that cannot be read is the trap's.
    disketteLesen();
    // The panel closes by itself once A:\ has no folder left.
    if (!hatOrdner()) {
        hide();
        emit ohneOrdner();
    }
}

void LoeschPanel::Command4_Click()
{
    // With none highlighted there is nothing to delete, and no message.
    if (File1->listIndex() < 0)
        return;
    try {
        // "A:\" + "\" + name: the doubled separator goes on as it stands.
        services.kill(File1->path() + u'\\' + File1->list(File1->listIndex()));
        File1->refresh();
    } catch (const rules::RuntimeError &) {
        // Whatever went wrong, the list shows the disk after its next refresh.
    }
}

void LoeschPanel::verzloe()
{
    try {
        services.rmDir(Dir1->list(Dir1->listIndex()) + u'\\');
        services.doEvents();
    } catch (const rules::RuntimeError &error) {
        if (error.number() == rules::RuntimeError::PathFileAccessError) // not empty
            verzloe2();
    }
}

void LoeschPanel::verzloe2()
{
    // Each step runs on after a 53 ("no file there"); 75 ends with the
    // message, any other error silently.
    const auto step = [this](auto &&action) {
        try {
            action();
            return true;
        } catch (const rules::RuntimeError &error) {
            if (error.number() == rules::RuntimeError::FileNotFound)
                return true;
            if (error.number() == rules::RuntimeError::PathFileAccessError)
                services.msgBox(u"In diesem Verzeichnis bestehen noch Unterverzeichnisse. Diese "
                                u"müssen zuerst gelöscht werden !"_s,
                                platform::MsgBox::OkOnly);
            return false;
        }
    };
    const auto highlighted = [this] {
        return Dir1->list(Dir1->listIndex());
    };
    step([&] { services.kill(highlighted() + u"\\*.*"_s); })
        && step([&] { services.rmDir(highlighted() + u'\\'); })
        && step([&] { services.doEvents(); });
}
