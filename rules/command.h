#pragma once

#include <QList>
#include <QString>

// A launch as the window means it: a program and its arguments, never one
// line to split again. Each system renders it its own way: Windows as a
// command line, the Linux stand-in as host paths through the drive map.
namespace launch {

// One argument. One that the run made from a directory field carries the
// folder the user named: the line shows the DOS form of it, which may name
// another folder or none ("C:\BUCHHA~1\" for "C:\Buchhaltung 2023\").
struct Argument
{
    QString text; // as the command line shows it
    QString dosFolder {}; // the start of text that stands for folder; empty: text as it stands
    QString folder {};

    // The path the user meant: the folder, then what follows its DOS form.
    QString meant() const { return folder + text.mid(dosFolder.size()); }

    bool operator==(const Argument &) const = default;
};

// What the console says of an archive run.
struct Notes
{
    // Its title ("Sicherung Nokrat auf A:") and what the summary says it was
    // ("Wiederherstellung von NOKRAT, Diskette 2 von 3"). Empty for launches
    // that are no archive run.
    QString title;
    QString summary;
    // A restore's disk and how many the user said there are.
    int disk = 1;
    int diskCount = 1;
    // The same for every disk of one restore, another for the next restore:
    // the consoles of its disks know each other by it.
    QString restoreId;

    bool operator==(const Notes &) const = default;
};

struct Command
{
    // A Windows path, or a bare name that Windows looks for beside this
    // program, in the working folder, then along PATH.
    QString program;
    QList<Argument> arguments {};
    Notes notes {};

    bool operator==(const Command &) const = default;
};

// The command as the user would type it: the program and the arguments'
// texts, each after one blank.
QString line(const Command &command);

} // namespace launch
