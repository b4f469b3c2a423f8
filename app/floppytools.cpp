#include "app/horbelung.h"
#include "app/loeschpanel.h"

#include "platform/services.h"
#include "rules/runtimeerror.h"

using namespace Qt::StringLiterals;

void Horbelung::fehlerNrZeigen(const rules::RuntimeError &error)
{
    // The number keeps the position of its sign: a blank before a positive one.
    const int number = error.number();
    const QString zahl = (number < 0 ? QString() : u" "_s) + QString::number(number);
    services.msgBox(u"Fehler Nr.: "_s + zahl + u"    "_s + error.description(),
                    platform::MsgBox::OkOnly);
}

void Horbelung::Command3D3_Click()
{
    try {
        services.setMousePointer(platform::MousePointer::Hourglass);
        services.shell({u"scandisk.exe"_s}, platform::WindowStyle::MinimizedFocus);
        services.setMousePointer(platform::MousePointer::Default);
    } catch (const rules::RuntimeError &error) {
        services.setMousePointer(platform::MousePointer::Default);
        fehlerNrZeigen(error);
    }
}

void Horbelung::Command3D4_Click()
{
    using platform::MsgBox::Exclamation;
    try {
        services.setMousePointer(platform::MousePointer::Hourglass);
        // Drive A: whatever the target: the panel browses A: only.
        VqsPanel2->disketteLesen();
        services.doEvents();

        if (VqsPanel2->hatOrdner()) {
            // Folders are the user's to remove, one by one, on the panel.
            VqsPanel2->show();
            VqsPanel2->zOrder(0);
        } else if (Option3D3->value()) {
            if (Option3D1->value())
                services.kill(u"A:\\*.*"_s);
            if (Option3D2->value())
                services.kill(u"B:\\*.*"_s);
            services.msgBox(u"Die Diskette wurde gelöscht."_s, Exclamation);
        } else {
            services.beep();
            services.msgBox(u"Die Diskette kann nur vor einer Sicherung gelöscht werden !"_s,
                            Exclamation);
        }
        services.setMousePointer(platform::MousePointer::Default);
    } catch (const rules::RuntimeError &error) {
        services.setMousePointer(platform::MousePointer::Default);
        switch (error.number()) {
        case rules::RuntimeError::PathFileAccessError:
            services.msgBox(u"Die Diskette ist schreibgeschützt, löschen nicht möglich."_s,
                            Exclamation);
            break;
        case rules::RuntimeError::FileNotFound:
            services.msgBox(u"Die Diskette ist bereits leer."_s, Exclamation);
            break;
        default:
            fehlerNrZeigen(error);
        }
    }
    // The keyboard goes to the panel while it is shown, else to page 2, so it
    // never lands on a group the user cannot see, nor stays on this button
    // under the panel.
    tabFolge(VqsPanel2->isHidden() ? u"GRÜN"_s : u"DISK"_s);
    if (!VqsPanel2->isHidden())
        fokusSetzen();
}
