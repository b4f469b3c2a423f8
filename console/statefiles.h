#pragma once

#include <string>

// The few file system calls that the state of a run needs beyond
// std::filesystem: locks that end with their process, and writes that
// survive a power cut. One file per system. Paths are UTF-8 host paths.
namespace statefiles {

// An exclusive lock on a file of the state folder, held until destroyed or
// until the process ends in any way (the system drops it then).
class Lock
{
public:
    explicit Lock(const std::string &path);
    ~Lock();
    Lock(const Lock &) = delete;
    Lock &operator=(const Lock &) = delete;

    // False when another process holds it (or the file cannot be opened).
    bool tryLock();

private:
    std::string m_path;
    long long m_handle = -1;
    bool m_held = false;
};

// Whether some process holds the lock on that file right now.
bool isLocked(const std::string &path);

// Replaces the file with the content, so that after a power cut it holds
// either the old or the new content; false on failure.
bool writeDurably(const std::string &path, const std::string &content);
// Makes the renames and removals inside a folder survive a power cut.
void syncFolder(const std::string &folder);
// Renames within one file system, replacing nothing; false on failure.
bool moveEntry(const std::string &from, const std::string &to);

} // namespace statefiles
