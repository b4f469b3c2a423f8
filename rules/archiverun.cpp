#include "archiverun.h"

#include "rules/catalogue.h"
#include "rules/runtimeerror.h"

#include <QRegularExpression>

#include <array>
#include <limits>

using namespace Qt::StringLiterals;

namespace archiverun {

namespace {

// What sets the three targets apart; everything else is common to them.
struct TargetForm
{
    QStringView archiveFolder; // empty: the backup directory field
    std::array<QStringView, 2> backupSwitches;
    QStringView emptyDiskPrompt; // empty: no box before the backup
};

// Indexed by Target.
constexpr std::array<TargetForm, 3> targetForms = {{
    {u"a:\\",
     {u"-v1440", u"-e"},
     u"Legen Sie jetzt eine leere Diskette in das Laufwerk A:\\ ein und folgen Sie den weiteren "
     u"Anweisungen auf dem Bildschirm"},
    {u"b:\\",
     {u"-v1200", u"-e"},
     u"Legen Sie jetzt eine leere Diskette in das Laufwerk B:\\ ein und folgen Sie den weiteren "
     u"Anweisungen auf dem Bildschirm"},
    {{}, {u"-e", u"-y"}, {}},
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
            throw rules::RuntimeError(rules::RuntimeError::BadFileNameOrNumber);
    }
}

bool isFloppy(Target target)
{
    return target != Target::HardDisk;
}

// The product as the catalogue's caption names it ("Jorvelgeld"), else the
// database's name.
QString productOf(const QString &name)
{
    for (const CatalogueRow &row : catalogue) {
        if (row.name == name)
            return row.caption.toString().section(u'-', 0, 0);
    }
    return name;
}

} // namespace

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

QList<Step> plan(const Request &request)
{
    if (!request.mode)
        return {};
    const int count
        = request.mode == Mode::Restore && request.diskCount ? diskCount(*request.diskCount) : 1;
    if (count < 1)
        return {};
    if (!request.target)
        throw rules::RuntimeError(rules::RuntimeError::InvalidProcedureCall);
    const Target target = *request.target;
    const TargetForm &form = formOf(target);
    // The floppies' archives lie in their root; the hard disk's in the backup directory.
    const auto archive = [&](int disk) {
        launch::Argument argument = form.archiveFolder.isEmpty()
            ? request.backupDirectory
            : launch::Argument {form.archiveFolder.toString()};
        argument.text += volumeName(request.code, disk);
        return argument;
    };
    requirePathWords(archive(1).text);
    requirePathWords(request.databaseDirectory.text);

    launch::Notes notes;
    const QString product = productOf(request.name);
    const QString where = target == Target::DriveA ? u"A:"_s
        : target == Target::DriveB                 ? u"B:"_s
                                                   : request.backupDirectory.text;
    if (request.mode == Mode::Backup) {
        launch::Argument files = request.databaseDirectory;
        files.text += request.allDatabases ? u"*.mdb"_s : request.name + u".mdb"_s;
        notes.title = u"Sicherung "_s + product + u" auf "_s + where;
        notes.summary = u"Sicherung von "_s + request.name;
        launch::Command command {
            archiverIn(request.programDirectory), {{u"a"_s}, archive(1), files}, notes};
        for (const QStringView word : form.backupSwitches)
            command.arguments << launch::Argument {word.toString()};
        return {{form.emptyDiskPrompt.toString(), true, command}};
    }

    QList<Step> steps;
    const QString title = u"Wiederherstellung "_s + product + u" von "_s + where;
    const QString summary = u"Wiederherstellung von "_s + request.name;
    notes.diskCount = count;
    notes.restoreId = request.restoreId;
    for (int disk = 1; disk <= count; ++disk) {
        notes.disk = disk;
        notes.title = title;
        notes.summary = summary;
        Step step;
        if (isFloppy(target)) {
            const QString of = u", Diskette %1 von %2"_s.arg(disk).arg(count);
            notes.title += of;
            notes.summary += of;
            if (disk > 1)
                step.box
                    = u"Legen Sie die Sicherungsdiskette "_s + QString::number(disk) + u" ein"_s;
        }
        // Restores leave the archiver to the program lookup.
        step.command = {
            u"arj.exe"_s, {{u"x"_s}, archive(disk), request.databaseDirectory, {u"-y"_s}}, notes};
        steps << step;
    }
    return steps;
}

launch::Argument directoryField(const QString &dosForm, const QString &longForm)
{
    const qsizetype dosEnd = dosForm.lastIndexOf(u'\\');
    const qsizetype longEnd = longForm.lastIndexOf(u'\\');
    if (dosEnd < 0 || longEnd < 0 || dosForm.left(dosEnd) == longForm.left(longEnd))
        return {dosForm};
    return {dosForm, dosForm.left(dosEnd + 1), longForm.left(longEnd + 1)};
}

void requireDirectoryField(const QString &directory)
{
    const bool driveLetter = directory.size() >= 3 && directory[1] == u':' && directory[2] == u'\\'
        && directory[0].isLetter() && directory[0].unicode() < 0x80;
    if (!driveLetter && !directory.startsWith(u"\\\\"))
        throw rules::RuntimeError(rules::RuntimeError::PathNotFound);
    if (directory.size() > maxDirectoryLength)
        throw rules::RuntimeError(rules::RuntimeError::BadFileNameOrNumber);
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
        throw rules::RuntimeError(rules::RuntimeError::TypeMismatch);
    bool ok = false;
    const qlonglong count = match.captured(1).toLongLong(&ok);
    if (!ok || count < std::numeric_limits<qint16>::min()
        || count > std::numeric_limits<qint16>::max())
        throw rules::RuntimeError(rules::RuntimeError::Overflow);
    return static_cast<int>(count);
}

} // namespace archiverun
