#pragma once

#include "rules/command.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace platform {

// Message box style values: icon + buttons, summed as the windows pass them.
namespace MsgBox {
inline constexpr int OkOnly = 0;
inline constexpr int YesNo = 4;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
// Answers.
inline constexpr int Ok = 1;
inline constexpr int Yes = 6;
inline constexpr int No = 7;
} // namespace MsgBox

// Mouse pointer values of the main window.
namespace MousePointer {
inline constexpr int Default = 0;
inline constexpr int Hourglass = 11;
} // namespace MousePointer

// Window styles of a launch.
namespace WindowStyle {
inline constexpr int NormalFocus = 1;
inline constexpr int MinimizedFocus = 2;
} // namespace WindowStyle

// Everything the windows call but do not own. The program hands in the real
// services; tests hand in a recording fake. Paths are Windows paths
// ("A:\", "C:\NOKRAT\"); failures throw rules::RuntimeError.
class Services
{
public:
    virtual ~Services() = default;

    // A modal box titled with the application title; returns the answer
    // (MsgBox::Ok, MsgBox::Yes, MsgBox::No).
    virtual int msgBox(const QString &prompt, int style) = 0;
    virtual void beep() = 0;
    virtual void setMousePointer(int pointer) = 0;
    // Lets pending window events run.
    virtual void doEvents() = 0;

    // The directory that holds the running program, without a trailing
    // backslash unless it is a drive root ("C:\TOOLS", "C:\"); 76 when no
    // drive leads to it (the Linux stand-in's drive map).
    virtual QString appPath() const = 0;
    // Starts a command detached, in a console of its own for window styles 1
    // and 2, and returns at once; an archive run (notes with a summary) runs
    // there through the console companion. 5 without a program, 53 when the
    // program (or a console to run it in) cannot be found, 76 when a path
    // cannot be resolved without guessing.
    virtual void shell(const launch::Command &command, int windowStyle) = 0;

    // Deletes the files (never folders) matching a pattern such as "A:\*.*";
    // 53 when none matches, 75 when one cannot be deleted.
    virtual void kill(const QString &pattern) = 0;
    // Removes an empty directory; 75 when it is not empty, 76 when missing.
    virtual void rmDir(const QString &path) = 0;

    // Drive letters in lower case with colon, in order ("a:", "b:", "c:").
    virtual QStringList drives() const = 0;
    // Names of the subdirectories / files of a directory, in the order a
    // Windows list shows them (case-insensitive name order); 76 when the
    // directory is missing, 71 for an unmapped drive.
    virtual QStringList subdirectories(const QString &directory) = 0;
    virtual QStringList files(const QString &directory) = 0;

    // Whole-file input and output for the path file, relative to the current
    // working directory. Reading a missing file: 53. Writing replaces the
    // file atomically, or leaves it as it was and throws (70, 75, 61).
    virtual QByteArray readFile(const QString &name) = 0;
    virtual void writeFile(const QString &name, const QByteArray &content) = 0;

    // Restores that a power cut or a killed console left unfinished, with
    // no console left to put the previous files back: their database folders
    // ("C:\NOKRAT\").
    virtual QStringList unfinishedRestores() = 0;
    // Puts back the previous files of that folder's unfinished restore;
    // false when one of them could not be put back.
    virtual bool undoRestore(const QString &folder) = 0;
};

} // namespace platform
