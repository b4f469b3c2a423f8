#pragma once

#include "terminal.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// One archive run as the window hands it to the companion.
struct Run
{
    std::string summary; // "Wiederherstellung von NOKRAT, Diskette 2 von 3"
    int disk = 1; // a restore's disk and how many the user said there are
    int disks = 1;
    std::string id; // the same for all disks of one restore
    std::string stateFolder; // host folder of the journals and locks
    // Drive roots as host folders with a trailing "/": {"A:", "/…/floppy_a/"}.
    std::vector<std::pair<std::string, std::string>> drives;
    // The archiver and its words, host paths already: "arj x /…/NOKUhobe.a01 /…/NOKRAT/ -y".
    std::vector<std::string> command;

    // The host path as the user knows it ("A:\NOKUhobe.arj"), else as it is.
    std::string windowsPath(const std::string &hostPath) const;
    // Whether the host folder is the root of drive A: or B:.
    bool isFloppyRoot(const std::string &hostFolder) const;
};

// The console's closing words: "<headline>: <status>." and what follows.
struct Report
{
    std::string status;
    std::vector<std::string> lines;
    int exitCode = 0; // the companion's own: 0 only when the run did what it said
};

// The words of the companion's texts that several runs share.
namespace words {
// "1.456.400 Bytes"
std::string bytes(long long size);
// A line broken at blanks into lines of at most WIDTH characters (UTF-8),
// the later ones indented as the first; a longer word keeps a line of its own.
std::string wrapped(const std::string &line, std::size_t width);
// Why a run whose archiver ended so is no good: cut short (what the run is
// called in "Die … wurde abgebrochen."), or killed; none when it ran its course.
std::optional<std::string> cutShort(const terminal::Ending &ending, const std::string &run);
// The archiver's own error, with its exit status in words; none for 0.
std::optional<std::string> archiverError(const terminal::Ending &ending);
// The host folder part of a path, with its "/", and the name after it.
std::pair<std::string, std::string> split(const std::string &path);
// ASCII letters without regard to case, as Windows compares names.
bool sameName(const std::string &a, const std::string &b);
// A name our backups can hold: a plain file name, no path, no drive, no
// leading dot, no control character.
bool plainName(const std::string &name);
// A volume's number from its name: 1 for ".arj", 2 for ".a01" …, 0 for none.
int volumeNumber(const std::string &name);
// The name of a volume of the archive: "NOKUhobe.a01" for 2.
std::string volumeName(const std::string &archiveName, int number);
} // namespace words

Report restoreDisk(const Run &run);
Report backUp(const Run &run);
