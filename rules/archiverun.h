#pragma once

#include "rules/command.h"

#include <QList>
#include <QString>

#include <optional>

// The archive run as data: what the window says when start is pressed, and
// the boxes and launches that follow from it. Pure: no window, no disk, no
// launch.
namespace archiverun {

enum class Mode { Backup, Restore };
enum class Target { DriveA, DriveB, HardDisk };

struct Request
{
    std::optional<Mode> mode {}; // none: neither option set, nothing to run
    std::optional<Target> target {}; // none when no target option is set
    QString programDirectory {}; // "C:\TOOLS"; a drive root keeps its backslash ("C:\")
    // The directory fields in DOS form, each with the folder it names (see
    // directoryField). The backup directory ends in "\"; the database
    // directory is used as it stands.
    launch::Argument backupDirectory {};
    launch::Argument databaseDirectory {};
    QString code {}; // dbKuerzel
    QString name {}; // dbName
    bool allDatabases = true; // else the row's own file
    // The disk count field's text where page 2 offers it: for a restore
    // from a floppy. Without it a restore reads one disk.
    std::optional<QString> diskCount {};
    // The consoles of one restore's disks know each other by it.
    QString restoreId {};
};

// One step of the run: a box, where there is one, then a launch.
struct Step
{
    QString box; // empty: none
    bool exclamation = false; // the box's icon, else none
    launch::Command command;
};

// The run: a backup's one launch, a restore's one per disk with a box before
// each further floppy. Throws RuntimeError 13 or 6 for the disk count (see
// diskCount), 52 when a directory would bring a word starting with "-" (a
// switch) into a command, 5 when there is something to launch but no target.
QList<Step> plan(const Request &request);

// A directory field after the run's conversion: the DOS form it shows, and
// the folder the text before it named, both up to their last backslash. A
// last part without a backslash merely loses its blanks and is meant as it
// then reads; a form the conversion left alike carries no folder.
launch::Argument directoryField(const QString &dosForm, const QString &longForm);

// The archive's name for a disk (volume) number: "NOKUhobe.arj" for 1,
// "NOKUhobe.a01" … for the further ones.
QString volumeName(const QString &code, int disk);

// The longest directory field: Windows takes a folder path of 248 characters,
// room for an 8.3 name within its 260. The archiver refuses host paths over
// 512 characters and crashes on longer ones (arj 3.10), which a folder of 248
// stays below under any usual prefix.
inline constexpr qsizetype maxDirectoryLength = 248;

// A directory field the run can hand the archiver: a drive letter with its
// backslash ("C:\...") or a network path ("\\server\..."), else 76; longer
// than the archiver takes, 52.
void requireDirectoryField(const QString &directory);

QString overwriteQuestion(const QString &name);

// The disk count field read as a whole number: blanks around it are allowed,
// so is a sign and a decimal fraction of zero ("3.0", "3,0"). Throws
// RuntimeError 13 for any other text, 6 beyond the 16-bit range.
int diskCount(const QString &text);

} // namespace archiverun
