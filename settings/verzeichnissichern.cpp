#include "app/horbelung.h"

#include "pathfile.h"
#include "platform/runtimeerror.h"
#include "platform/services.h"

using namespace Qt::StringLiterals;

void Horbelung::Command3D2_Click()
{
    try {
        const QString feld = Mh3dText2->text();
        // Looking at the last character of an empty text asks for position 0,
        // which the platform refuses.
        if (feld.isEmpty())
            throw platform::RuntimeError(platform::RuntimeError::InvalidProcedureCall);
        if (!feld.endsWith(u'\\'))
            Mh3dText2->setText(feld + u'\\');
        if (const auto row = gewaehlteZeile())
            dbPfad[*row] = Mh3dText2->text();
        pathfile::write(services, dbPfad);
        services.msgBox(u"Der Pfad wurde gesichert."_s, platform::MsgBox::Information);
    } catch (const platform::RuntimeError &error) {
        services.setMousePointer(platform::MousePointer::Default);
        services.msgBox(u"C3D2 / Fehler Nr."_s + QString::number(error.number()),
                        platform::MsgBox::OkOnly);
    }
}
