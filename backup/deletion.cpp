#include "app/horbelung.h"

#include "platform/runtimeerror.h"
#include "platform/services.h"

using namespace Qt::StringLiterals;

void Horbelung::Command3_Click()
{
    if (Dir1->listIndex() == -1) // the open directory itself
        return;
    verzloe();
    services.doEvents();
    // The lists read A:\ again, and only A:\: a detour through another folder
    // would leave them there when the floppy is gone, and the next press would
    // delete that folder's folders. A floppy that cannot be read is the trap's.
    Dir1->setPath(u"A:\\"_s);
    File1->setPath(u"A:\\"_s);
    // The panel closes by itself once A:\ has no folder left.
    VqsPanel2->setVisible(Dir1->listCount() > 0);
    if (VqsPanel2->isHidden())
        fokusSetzen();
}

void Horbelung::Command4_Click()
{
    // With none highlighted there is nothing to delete, and no message.
    if (File1->listIndex() < 0)
        return;
    try {
        // "A:\" + "\" + name: the doubled separator goes on as it stands.
        services.kill(File1->path() + u'\\' + File1->list(File1->listIndex()));
        File1->refresh();
    } catch (const platform::RuntimeError &) {
        // Whatever went wrong, the list shows the disk after its next refresh.
    }
}

void Horbelung::verzloe()
{
    try {
        services.rmDir(Dir1->list(Dir1->listIndex()) + u'\\');
        services.doEvents();
    } catch (const platform::RuntimeError &error) {
        if (error.number() == platform::RuntimeError::PathFileAccessError) // not empty
            verzloe2();
    }
}

void Horbelung::verzloe2()
{
    // Each step runs on after a 53 ("no file there"); 75 ends with the
    // message, any other error silently.
    const auto step = [this](auto &&action) {
        try {
            action();
            return true;
        } catch (const platform::RuntimeError &error) {
            if (error.number() == platform::RuntimeError::FileNotFound)
                return true;
            if (error.number() == platform::RuntimeError::PathFileAccessError)
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
