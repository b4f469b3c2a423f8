#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The journal of one restore: what its disks have done so far, kept in the
// program's state folder so that the companions of the later disks, and
// after a power cut the program itself, know it. The restore extracts into a
// folder of its own beside the databases; only when the last disk has been
// checked are the previous files set aside and the new ones moved in, both
// by renames within the database folder.
namespace restore {

enum class Phase {
    Reading, // disks being read into the new folder; the database untouched
    Replacing, // the previous files being set aside and the new ones moved in
    Failed, // ended with the previous files in place
    Done, // ended with the new files in place
};

struct File
{
    std::string name; // as the archive names it, no path
    std::uint64_t restored = 0; // bytes extracted and checked, from the start
    bool complete = false;
    // Its time stamp as every part of it carries it: a part of another
    // backup of the same database has another one, unless nothing changed.
    std::uint32_t time = 0;
    // The entry of the database folder the file replaces (the same name up
    // to case, as Windows matches it); empty when there is none.
    std::string replaces;
};

struct Journal
{
    std::string id; // the run of the window this restore belongs to
    std::string folder; // the database folder, host path ending in "/" (Windows: "\\")
    std::string shownFolder; // the same as the user knows it: "C:\NOKRAT\"
    int disks = 1; // as many as the user said
    int disksRead = 0; // read and checked
    bool continues = false; // the last disk read goes on on the next
    Phase phase = Phase::Reading;
    int failedAt = 0; // the disk at which it failed
    std::string reason; // why, in German
    std::vector<File> files;

    // The restore's own folders inside the database folder: the files read
    // so far, and the previous files while they are being replaced.
    std::string newFolder() const;
    std::string previousFolder() const;
    bool unfinished() const { return phase == Phase::Reading || phase == Phase::Replacing; }
};

std::string serialized(const Journal &journal);
std::optional<Journal> parsed(std::string_view text);

// Where the journal and the lock of a database folder's restore live.
std::string journalPath(const std::string &stateFolder, const std::string &folder);
std::string lockPath(const std::string &stateFolder, const std::string &folder);
// The lock of the backups that write into an archive folder.
std::string backupLockPath(const std::string &stateFolder, const std::string &folder);

std::optional<Journal> load(const std::string &path);
bool save(const std::string &path, const Journal &journal);

// Puts the previous files back where a restore had begun to replace them and
// removes the restore's own folders; the phase becomes Failed. False when a
// file could not be put back (the journal then still says where it is).
bool undo(Journal &journal);
// Sets the previous files aside, moves the new ones in and drops the
// previous ones; on a failure on the way everything is put back (false).
bool replace(Journal &journal, const std::string &path);

// The journals of restores that a power cut or a killed console left
// unfinished and that no companion is working on.
std::vector<std::pair<std::string, Journal>> unfinished(const std::string &stateFolder);

} // namespace restore
