#pragma once

#include "drivemap.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// File operations on Windows paths with the Windows run-time error numbers.
namespace platform::fileops {

// Deletion never goes through a link below a drive's folder (75); a link
// itself is removed as a link.
//
// A floppy drive (a:, b:) that leads to the root, the home folder, the
// prefix's drive C:, a system folder or a folder holding one of them is not
// ready (71) for deleting and listing.
//
// Deletes the files of one folder that match a pattern ("A:\*.*", or a single
// name); a link to a folder is no file, and hidden files (a leading dot) are
// left alone. 53 when none matches, 75 when one cannot be deleted or is
// read-only (those before it stay deleted), 76 when the folder is missing,
// 71 when the drive is not ready.
void kill(const DriveMap &drives, const QString &pattern);
// Removes an empty folder, or a link to a folder. 75 when it is not
// empty, cannot be removed or is a drive's root; 76 when it is missing.
void rmDir(const DriveMap &drives, const QString &path);
// Names of the subdirectories / files of a folder as a Windows list shows
// them, hidden ones left out, case-insensitively sorted; 76 when the folder
// is missing, 71 when the drive is not ready.
QStringList subdirectories(const DriveMap &drives, const QString &directory);
QStringList files(const DriveMap &drives, const QString &directory);

// A file of a host folder, found without regard to case as Windows finds it:
// an existing "HOBE.INI" is read and rewritten under its own name.
QString inFolder(const QString &folder, const QString &name);

// A whole regular host file: 53 when it is missing (a dangling link
// included), 70 when it may not be read, 75 when it is no regular file,
// 7 when it is larger than 16 MiB.
QByteArray readFile(const QString &hostPath);
// Replaces a host file (the one a link leads to) keeping its owner, group
// and mode, or leaves it as it was and throws: 70 permission denied or a
// read-only file, 61 disk full, 75 any other failure. The replacement is atomic where the folder
// may be written; where only the file may, it is rewritten in place.
void writeFile(const QString &hostPath, const QByteArray &content);

} // namespace platform::fileops
