#pragma once

#include "platform/services.h"

#include <QString>

#include <optional>
#include <utility>

// The archiver's command lines of the archive run, built from their pieces.
// Pure: no window, no disk, no launch.
namespace archiverun {

enum class Mode { Backup, Restore };
enum class Target { DriveA, DriveB, HardDisk };

struct Inputs
{
    Mode mode = Mode::Backup;
    Target target = Target::DriveA;
    QString programDirectory; // "C:\TOOLS"; a drive root keeps its backslash ("C:\")
    QString backupDirectory; // the backup directory field in DOS form, ends in "\"
    QString databaseDirectory; // the database directory field in DOS form, used as it stands
    QString code; // dbKuerzel
    QString fileSelection; // see fileSelection()
    int disk = 1; // restore: the floppy (volume) number, from 1
};

// "*.mdb" for every database of the directory, else the row's own file.
QString fileSelection(bool allDatabases, const QString &name);

// The archive's name for a disk (volume) number: "NOKUhobe.arj" for 1,
// "NOKUhobe.a01" … for the further ones.
QString volumeName(const QString &code, int disk);

// The whole command line of one launch. Throws RuntimeError 52 when a
// directory would bring a word starting with "-" (a switch) into it.
QString commandLine(const Inputs &inputs);

// The longest directory field: Windows takes a folder path of 248 characters,
// room for an 8.3 name within its 260. The archiver refuses host paths over
// 512 characters and crashes on longer ones (arj 3.10), which a folder of 248
// stays below under any usual prefix.
inline constexpr qsizetype maxDirectoryLength = 248;

// A directory field the run can hand the archiver: a drive letter with its
// backslash ("C:\...") or a network path ("\\server\..."), else 76; longer
// than the archiver takes, 52.
void requireDirectoryField(const QString &directory);

// The folders a field's DOS form and its text before the conversion name:
// both up to their last backslash. None when the conversion left them alike.
std::optional<std::pair<QString, QString>> folderForms(const QString &dosForm,
                                                       const QString &longForm);

// The console's title and summary of one launch; diskCount for a restore.
void describe(platform::LaunchNotes &notes, const Inputs &inputs, const QString &name,
              int diskCount = 1);

bool isFloppy(Target target);
// The box before a floppy backup; empty for the hard disk, which has none.
QString emptyDiskPrompt(Target target);
// The box before restoring floppy 2, 3, …
QString nextDiskPrompt(int disk);
QString overwriteQuestion(const QString &name);

// The disk count field read as a whole number: blanks around it are allowed,
// so is a sign and a decimal fraction of zero ("3.0", "3,0"). Throws
// RuntimeError 13 for any other text, 6 beyond the 16-bit range.
int diskCount(const QString &text);

} // namespace archiverun
