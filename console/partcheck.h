#pragma once

#include "arjheader.h"

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

// Checks the parts of one disk in the folder the archiver extracts them to,
// behind it: it writes them one after the other, each from its place in its
// file onwards, so the bytes that have appeared are added to the part's sum
// as they come, and once it has ended only the rest is left to read.
class PartCheck
{
public:
    PartCheck(std::vector<arj::Part> parts, std::string folder);

    // Adds what the archiver has written since, a few MiB at most.
    void catchUp();
    // Reads the rest: the name of the first part that is not there whole
    // with its sum, or none.
    std::optional<std::string> finish();

private:
    // Adds up to limit bytes of the current part (added says how many);
    // false when there were none and the part is not done.
    bool advance(std::uint64_t limit, std::uint64_t &added);

    std::vector<arj::Part> m_parts;
    std::string m_folder;
    std::size_t m_current = 0; // the part being read
    std::uint64_t m_done = 0; // its bytes added so far
    std::uint32_t m_sum = 0;
    bool m_failed = false;
    std::ifstream m_file; // of the current part, once it exists
};
