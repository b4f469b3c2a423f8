#include "archiverun.h"

#include "app/horbelung.h"
#include "backup/dospath.h"
#include "catalogue/catalogue.h"
#include "platform/runtimeerror.h"
#include "platform/services.h"

#include <QRegularExpression>
#include <QUuid>

#include <array>
#include <limits>
#include <optional>
#include <utility>

using namespace Qt::StringLiterals;

namespace archiverun {

namespace {

// What sets the three targets apart; everything else is common to them.
struct TargetForm
{
    QStringView archiveFolder; // empty: the backup directory field
    QStringView backupSwitches;
    QStringView emptyDiskPrompt; // empty: no box before the backup
};

// Indexed by Target.
constexpr std::array<TargetForm, 3> targetForms = {{
    {u"a:\\", u" -v1440 -e",
     u"Legen Sie jetzt eine leere Diskette in das Laufwerk A:\\ ein und folgen Sie den weiteren "
     u"Anweisungen auf dem Bildschirm"},
    {u"b:\\", u" -v1200 -e",
     u"Legen Sie jetzt eine leere Diskette in das Laufwerk B:\\ ein und folgen Sie den weiteren "
     u"Anweisungen auf dem Bildschirm"},
    {{}, u" -e -y", {}},
}};

const TargetForm &formOf(Target target)
{
    return targetForms[static_cast<std::size_t>(target)];
}

// A program directory at a drive root already ends in a backslash; a second
// one would give the archiver's path an empty component.
QString archiverIn(const QString &programDirectory)
{
    return programDirectory + (programDirectory.endsWith(u'\\') ? u"arj.exe"_s : u"\\arj.exe"_s);
}

// A word of a directory field that starts with "-" would reach the archiver
// as a switch, and some of its switches run a command (-hc, -vs).
void requirePathWords(const QString &directory)
{
    for (const QString &word : directory.split(u' ', Qt::SkipEmptyParts)) {
        if (word.startsWith(u'-'))
            throw platform::RuntimeError(platform::RuntimeError::BadFileNameOrNumber);
    }
}

} // namespace

QString fileSelection(bool allDatabases, const QString &name)
{
    return allDatabases ? u"*.mdb"_s : name + u".mdb"_s;
}

QString volumeName(const QString &code, int disk)
{
    if (disk <= 1)
        return code + u"hobe.arj"_s;
    // The archiver names its further volumes .a01 … .a99, then .100 … .999.
    // Disks 2 to 10 get "hobe.a0" and one digit; from disk 11 on the plain
    // rule would name files the archiver never writes (hobe.a010), so the
    // archiver's own names are used.
    const int volume = disk - 1;
    if (volume < 100)
        return code + u"hobe.a"_s + QString::number(volume).rightJustified(2, u'0');
    return code + u"hobe."_s + QString::number(volume);
}

QString commandLine(const Inputs &inputs)
{
    const TargetForm &form = formOf(inputs.target);
    const QString folder
        = form.archiveFolder.isEmpty() ? inputs.backupDirectory : form.archiveFolder.toString();
    requirePathWords(folder);
    requirePathWords(inputs.databaseDirectory);
    if (inputs.mode == Mode::Backup) {
        return archiverIn(inputs.programDirectory) + u" a "_s + folder + volumeName(inputs.code, 1)
            + u' ' + inputs.databaseDirectory + inputs.fileSelection
            + form.backupSwitches.toString();
    }
    // Restores leave the archiver to the program lookup.
    return u"arj.exe x "_s + folder + volumeName(inputs.code, inputs.disk) + u' '
        + inputs.databaseDirectory + u" -y"_s;
}

void requireDirectoryField(const QString &directory)
{
    const bool driveLetter = directory.size() >= 3 && directory[1] == u':' && directory[2] == u'\\'
        && directory[0].isLetter() && directory[0].unicode() < 0x80;
    if (!driveLetter && !directory.startsWith(u"\\\\"))
        throw platform::RuntimeError(platform::RuntimeError::PathNotFound);
    if (directory.size() > maxDirectoryLength)
        throw platform::RuntimeError(platform::RuntimeError::BadFileNameOrNumber);
}

std::optional<std::pair<QString, QString>> folderForms(const QString &dosForm,
                                                       const QString &longForm)
{
    // Only whole folders are cut short; a last part without a backslash
    // merely loses its blanks and is meant as it then reads.
    const qsizetype dosEnd = dosForm.lastIndexOf(u'\\');
    const qsizetype longEnd = longForm.lastIndexOf(u'\\');
    if (dosEnd < 0 || longEnd < 0)
        return std::nullopt;
    std::pair<QString, QString> forms {dosForm.left(dosEnd + 1), longForm.left(longEnd + 1)};
    if (forms.first == forms.second)
        return std::nullopt;
    return forms;
}

void describe(platform::LaunchNotes &notes, const Inputs &inputs, const QString &name,
              int diskCount)
{
    // The product as the catalogue's caption names it ("Jorvelgeld"), else
    // the database's name.
    QString product = name;
    for (const CatalogueRow &row : catalogue) {
        if (row.name == name)
            product = row.caption.toString().section(u'-', 0, 0);
    }
    const QString where = inputs.target == Target::DriveA ? u"A:"_s
        : inputs.target == Target::DriveB                 ? u"B:"_s
                                                          : inputs.backupDirectory;
    if (inputs.mode == Mode::Backup) {
        notes.title = u"Sicherung "_s + product + u" auf "_s + where;
        notes.summary = u"Sicherung von "_s + name;
        return;
    }
    notes.title = u"Wiederherstellung "_s + product + u" von "_s + where;
    notes.summary = u"Wiederherstellung von "_s + name;
    notes.disk = inputs.disk;
    notes.diskCount = diskCount;
    if (isFloppy(inputs.target)) {
        const QString disk = u"Diskette %1 von %2"_s.arg(inputs.disk).arg(diskCount);
        notes.title += u", "_s + disk;
        notes.summary += u", "_s + disk;
    }
}

bool isFloppy(Target target)
{
    return target != Target::HardDisk;
}

QString emptyDiskPrompt(Target target)
{
    return formOf(target).emptyDiskPrompt.toString();
}

QString nextDiskPrompt(int disk)
{
    return u"Legen Sie die Sicherungsdiskette "_s + QString::number(disk) + u" ein"_s;
}

QString overwriteQuestion(const QString &name)
{
    return u"Alle Daten im aktuellen "_s + name + u"-Verzeichnis werden überschrieben! Weiter?"_s;
}

int diskCount(const QString &text)
{
    // No rounding: "2,5" floppies is a typing error, not two or three.
    const QRegularExpression wholeNumber(u"^\\s*([+-]?[0-9]+)(?:[.,]0*)?\\s*$"_s);
    const QRegularExpressionMatch match = wholeNumber.match(text);
    if (!match.hasMatch())
        throw platform::RuntimeError(platform::RuntimeError::TypeMismatch);
    bool ok = false;
    const qlonglong count = match.captured(1).toLongLong(&ok);
    if (!ok || count < std::numeric_limits<qint16>::min()
        || count > std::numeric_limits<qint16>::max())
        throw platform::RuntimeError(platform::RuntimeError::Overflow);
    return static_cast<int>(count);
}

} // namespace archiverun

void Horbelung::Command3D1_Click()
{
    using archiverun::Mode;
    using archiverun::Target;
    using platform::MsgBox::Exclamation;
    try {
        services.setMousePointer(platform::MousePointer::Hourglass);

        if (Mh3dText1->text().isEmpty()) // its last character does not exist
            throw platform::RuntimeError(platform::RuntimeError::InvalidProcedureCall);
        if (!Mh3dText1->text().endsWith(u'\\'))
            Mh3dText1->setText(Mh3dText1->text() + u'\\');
        archiverun::requireDirectoryField(Mh3dText1->text());
        archiverun::requireDirectoryField(Mh3dText2->text());

        // The run converts both fields; it keeps what they said before, so the
        // launch knows which folders the short forms stand for.
        platform::LaunchNotes notes;
        for (platform::TextBox *feld : {Mh3dText1, Mh3dText2}) {
            const QString lang = feld->text();
            feld->setText(pfadFuerDos(lang));
            if (const auto form = archiverun::folderForms(feld->text(), lang))
                notes.longForms << *form;
        }

        archiverun::Inputs inputs;
        inputs.programDirectory = services.appPath();
        inputs.backupDirectory = Mh3dText1->text();
        inputs.databaseDirectory = Mh3dText2->text();
        inputs.code = dbKuerzel;
        inputs.fileSelection = archiverun::fileSelection(VqsCheck1->value() == 1, dbName);

        // The options are exclusive; were several set, the last would win.
        std::optional<Target> target;
        for (const auto &[option, optionTarget] :
             {std::pair {Option3D1, Target::DriveA}, std::pair {Option3D2, Target::DriveB},
              std::pair {Option3D5, Target::HardDisk}}) {
            if (option->value())
                target = optionTarget;
        }
        inputs.target = target.value_or(Target::DriveA);

        if (Option3D3->value()) {
            QString line; // stays empty without a target, and the launch fails
            if (target) {
                if (archiverun::isFloppy(*target))
                    services.msgBox(archiverun::emptyDiskPrompt(*target), Exclamation);
                inputs.mode = Mode::Backup;
                line = archiverun::commandLine(inputs);
                archiverun::describe(notes, inputs, dbName);
            }
            services.shell(line, platform::WindowStyle::NormalFocus, notes);
        }

        if (Option3D4->value()) {
            services.beep();
            if (services.msgBox(archiverun::overwriteQuestion(dbName),
                                platform::MsgBox::Question + platform::MsgBox::YesNo)
                != platform::MsgBox::Yes) {
                services.beep();
                services.msgBox(u"Die Wiederherstellung wurde abgebrochen."_s, Exclamation);
                services.setMousePointer(platform::MousePointer::Default);
                return;
            }
            // The field's own flag, not whether the page is seen at the moment.
            const int count = Mh3dText3->isHidden() ? 1 : archiverun::diskCount(Mh3dText3->text());
            // The consoles of this restore's disks know each other by it.
            notes.restoreId = QUuid::createUuid().toString(QUuid::WithoutBraces);
            for (int disk = 1; disk <= count; ++disk) {
                QString line;
                if (target) {
                    if (disk > 1 && archiverun::isFloppy(*target))
                        services.msgBox(archiverun::nextDiskPrompt(disk), platform::MsgBox::OkOnly);
                    inputs.mode = Mode::Restore;
                    inputs.disk = disk;
                    line = archiverun::commandLine(inputs);
                    archiverun::describe(notes, inputs, dbName, count);
                }
                services.shell(line, platform::WindowStyle::NormalFocus, notes);
            }
        }

        services.setMousePointer(platform::MousePointer::Default);
    } catch (const platform::RuntimeError &error) {
        services.setMousePointer(platform::MousePointer::Default);
        services.beep();
        services.msgBox(
            u"Die Horbelung / Wiederherstellung wurde nicht vollständig durchgeführt."_s,
            platform::MsgBox::Critical);
        fehlerNrZeigen(error);
    }
}
