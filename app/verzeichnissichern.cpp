#include "app/horbelung.h"

#include "platform/services.h"
#include "rules/pathfile.h"
#include "rules/runtimeerror.h"

using namespace Qt::StringLiterals;

void Horbelung::Command3D2_Click()
{
    try {
        const QString feld = Mh3dText2->text();
        // Looking at the last character of an empty text asks for position 0,
        // which the platform refuses.
        if (feld.isEmpty())
            throw rules::RuntimeError(rules::RuntimeError::InvalidProcedureCall);
        if (!feld.endsWith(u'\\'))
            Mh3dText2->setText(feld + u'\\');
        if (const auto row = gewaehlteZeile())
            dbPfad[*row] = Mh3dText2->text();
        services.writeFile(QString::fromUtf16(pathfile::fileName), pathfile::content(dbPfad));
        services.msgBox(u"Der Pfad wurde gesichert."_s, platform::MsgBox::Information);
    } catch (const rules::RuntimeError &error) {
        services.setMousePointer(platform::MousePointer::Default);
        services.msgBox(u"C3D2 / Fehler Nr."_s + QString::number(error.number()),
                        platform::MsgBox::OkOnly);
    }
}
