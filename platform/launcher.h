#pragma once

#include "drivemap.h"
#include "services.h"

#include <QString>
#include <QStringList>

namespace platform {

// Where a command line's program is looked for and its paths are mapped.
struct LaunchContext
{
    DriveMap drives;
    QString programDirectory; // host path
    QString workingDirectory; // host path; the program starts in it
    QString searchPath; // the value of PATH
    // Host folder where the console companion keeps what the disks of one
    // restore tell each other, and its locks.
    QString stateFolder;
};

// A program with its arguments, ready to start without a shell.
struct Launch
{
    QString program; // host path of an executable
    QStringList arguments;
    QString workingDirectory;

    bool operator==(const Launch &) const = default;
};

// Turns a command into a launch without starting anything. The program is
// a Windows path, or a bare name looked up in the program directory, the
// working directory, then PATH; a name ending in ".exe" that is found nowhere
// is looked up again without it. Every argument that starts with a drive
// letter and ":\" is mapped to the host, as the path the user meant (a
// trailing backslash becomes a trailing slash), and a wildcard in its last
// part is replaced by the matching files, left as written where none
// matches. Window styles 1 and 2 run the program in a console titled
// "Horbelung – " and the notes' title: "xterm -T TITLE -u8 -geometry
// COLSxROWS -e", else "x-terminal-emulator -T TITLE -e". An archive run
// (notes with a summary) runs there through the console companion beside the
// program, which waits for it and sums up; other programs run directly, one
// without arguments behind /usr/bin/env (so the console never gets a lone
// word it might give to a shell).
// Throws rules::RuntimeError 5 without a program, 53 when the program, a console or
// the companion cannot be found, 71 for an argument on a drive that is not
// ready, 76 for a short name that several folders fit.
Launch launchFor(const launch::Command &command, int windowStyle, const LaunchContext &context);

// Starts the launch in a session of its own and returns at once with its
// process id; 53 when it cannot start. The process stays this one's child.
qint64 startDetached(const Launch &launch);
// Collects a started process in the event loop as soon as it ends.
void collectWhenEnded(qint64 pid);

} // namespace platform
