#include "horbelung.h"

#include "platform/services.h"
#include "rules/archiverun.h"
#include "rules/dospath.h"
#include "rules/runtimeerror.h"

#include <QUuid>

#include <utility>

using namespace Qt::StringLiterals;

void Horbelung::Command3D1_Click()
{
    using platform::MsgBox::Exclamation;
    try {
        services.setMousePointer(platform::MousePointer::Hourglass);
        const archiverun::Request anfrage = laufAnfrage();
        if (anfrage.mode == archiverun::Mode::Restore) {
            services.beep();
            if (services.msgBox(archiverun::overwriteQuestion(dbName),
                                platform::MsgBox::Question + platform::MsgBox::YesNo)
                != platform::MsgBox::Yes) {
                services.beep();
                services.msgBox(u"Die Wiederherstellung wurde abgebrochen."_s, Exclamation);
                services.setMousePointer(platform::MousePointer::Default);
                return;
            }
        }
        for (const archiverun::Step &schritt : archiverun::plan(anfrage)) {
            if (!schritt.box.isEmpty())
                services.msgBox(schritt.box,
                                schritt.exclamation ? Exclamation : platform::MsgBox::OkOnly);
            services.shell(schritt.command, platform::WindowStyle::NormalFocus);
        }
        services.setMousePointer(platform::MousePointer::Default);
    } catch (const rules::RuntimeError &error) {
        services.setMousePointer(platform::MousePointer::Default);
        services.beep();
        services.msgBox(
            u"Die Horbelung / Wiederherstellung wurde nicht vollständig durchgeführt."_s,
            platform::MsgBox::Critical);
        fehlerNrZeigen(error);
    }
}

archiverun::Request Horbelung::laufAnfrage()
{
    using archiverun::Target;
    if (Mh3dText1->text().isEmpty()) // its last character does not exist
        throw rules::RuntimeError(rules::RuntimeError::InvalidProcedureCall);
    if (!Mh3dText1->text().endsWith(u'\\'))
        Mh3dText1->setText(Mh3dText1->text() + u'\\');
    archiverun::requireDirectoryField(Mh3dText1->text());
    archiverun::requireDirectoryField(Mh3dText2->text());

    archiverun::Request anfrage;
    anfrage.backupDirectory = inDosForm(*Mh3dText1, dosSicherung);
    anfrage.databaseDirectory = inDosForm(*Mh3dText2, dosDatenbank);
    if (Option3D3->value())
        anfrage.mode = archiverun::Mode::Backup;
    else if (Option3D4->value())
        anfrage.mode = archiverun::Mode::Restore;
    // The options are exclusive; were several set, the last would win.
    for (const auto &[option, ziel] :
         {std::pair {Option3D1, Target::DriveA}, std::pair {Option3D2, Target::DriveB},
          std::pair {Option3D5, Target::HardDisk}}) {
        if (option->value())
            anfrage.target = ziel;
    }
    anfrage.programDirectory = services.appPath();
    anfrage.code = dbKuerzel;
    anfrage.name = dbName;
    anfrage.allDatabases = VqsCheck1->value() == 1;
    // The field counts where page 2 offers it, whether the page is seen or not.
    if (seite2(Option3D4->value(), !Option3D5->value()).diskettenZahl)
        anfrage.diskCount = Mh3dText3->text();
    anfrage.restoreId = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return anfrage;
}

launch::Argument Horbelung::inDosForm(controls::TextBox &feld, launch::Argument &zuletzt)
{
    // A field that still shows the form of the last run goes on meaning the
    // folder it was made from, as a file system's short name would.
    const QString lang = feld.text();
    feld.setText(pfadFuerDos(lang));
    if (feld.text() != lang || lang != zuletzt.text)
        zuletzt = archiverun::directoryField(feld.text(), lang);
    return zuletzt;
}
