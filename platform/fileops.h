#pragma once

#include "drivemap.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// File operations on Windows paths with the Windows run-time error numbers.
// On Windows they are the system's own calls; on Linux the stand-in applies
// Windows' rules to host folders.
namespace platform::fileops {

// Far above any path file; more is no path file but a fault (a link to a
// device, a runaway file) and would take the memory.
inline constexpr qsizetype maxReadSize = 16 * 1024 * 1024;

// A file's whole content, read in pieces by readSome (the bytes it put into
// the buffer, 0 at the end): 7 beyond maxReadSize, also for a file that
// grows while it is read.
QByteArray readAll(const std::function<qsizetype(char *buffer, qsizetype size)> &readSome);

// The order of a Windows list: without regard to case, ties by code point.
bool listedBefore(const QString &a, const QString &b);

#ifndef Q_OS_WIN
// Linux stand-in only: the host folder of floppy drive A: or B:, looked up
// anew on each call, as a link may be changed at any time. 71 when it is
// missing, and 71 with the reason in German when it is no floppy: the root,
// the home folder, dosdevices, the prefix's drive_c, a system folder or a
// folder holding one of them; a kernel file system; a folder inside or
// holding another drive's (a drive of the root aside); a folder inside the
// home folder unless it is a medium of its own or lies in a prefix that
// does not hold the home folder.
QString floppyFolder(const DriveMap &drives, QChar letter);
#endif

// Linux stand-in only: deletion never goes through a link below a drive's
// folder (75); a link itself is removed as a link. Deleting and listing on
// A: and B: go through floppyFolder.
// Windows: deleting and listing on A: and B: need a removable drive (71
// with the reason in German otherwise: a SUBST folder, a network drive).
// Deletion never goes through a reparse point nor removes one (75), as the
// system may then delete what it leads to: Wine does, also for a link to a
// file that it shows as a plain file.
//
// Deletes the files of one folder that match a pattern ("A:\*.*", or a single
// name); folders (and on Linux links to folders) are no files, and hidden
// files are left alone (Windows: the hidden and system attributes; Linux: a
// leading dot). 53 when none matches, 75 when one cannot be deleted or is
// read-only (those before it stay deleted), 76 when the folder is missing,
// 71 when the drive is not ready.
void kill(const DriveMap &drives, const QString &pattern);
// Removes an empty folder (on Linux also a link to a folder). 75 when it is
// not empty, cannot be removed or is a drive's root; 76 when it is missing.
void rmDir(const DriveMap &drives, const QString &path);
// Names of the subdirectories / files of a folder as a Windows list shows
// them, hidden (and system) ones left out, in listedBefore order; 76 when
// the folder is missing, 71 when the drive is not ready.
QStringList subdirectories(const DriveMap &drives, const QString &directory);
QStringList files(const DriveMap &drives, const QString &directory);

// A file of a host folder, found without regard to case as Windows finds it:
// an existing "HOBE.INI" is read and rewritten under its own name.
QString inFolder(const QString &folder, const QString &name);

// A whole regular host file: 53 when it is missing (a dangling link
// included), 70 when it may not be read, 75 when it is no regular file,
// 7 when it is larger than maxReadSize.
QByteArray readFile(const QString &hostPath);
// Replaces a host file atomically through a new file beside it, keeping its
// attributes (Windows: hidden, system and archive; Linux: the one a link
// leads to, with its owner, group and mode), or leaves it as it was and
// throws: 70 permission denied or a read-only file, 61 disk full, 75 any
// other failure. On Linux, where only the file may be written and not its
// folder, it is rewritten in place.
void writeFile(const QString &hostPath, const QByteArray &content);
#ifdef Q_OS_WIN
// How writeFile puts the new file in the old one's place, keeping the old
// one under the backup name: ReplaceFileW, giving the system's error or 0.
// A test hands in one that fails as when a scanner holds the file.
using Replace = std::function<unsigned long(const wchar_t *replaced, const wchar_t *replacement,
                                            const wchar_t *backup)>;
void writeFile(const QString &hostPath, const QByteArray &content, const Replace &replace);
#endif

} // namespace platform::fileops
