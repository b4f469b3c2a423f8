#include "partcheck.h"

#include <algorithm>
#include <array>
#include <filesystem>

namespace {

constexpr std::uint64_t catchUpLimit = 4 << 20;

} // namespace

PartCheck::PartCheck(std::vector<arj::Part> parts, std::string folder)
    : m_parts(std::move(parts))
    , m_folder(std::move(folder))
{ }

bool PartCheck::advance(std::uint64_t limit, std::uint64_t &added)
{
    added = 0;
    const arj::Part &part = m_parts[m_current];
    if (!m_file.is_open()) {
        const std::string name = m_folder + part.name;
        const std::filesystem::path path(std::u8string(name.begin(), name.end()));
        std::error_code error;
        // Only a plain file the archiver made; never through a link.
        if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, error)))
            return false;
        m_file.open(path, std::ios::binary);
        if (!m_file)
            return false;
    }
    std::array<char, 1 << 16> buffer;
    while (added < limit && m_done < part.size) {
        m_file.clear(); // past its end before, the file may have grown since
        m_file.seekg(std::streamoff(part.position + m_done));
        const std::size_t want
            = std::size_t(std::min<std::uint64_t>(buffer.size(), part.size - m_done));
        m_file.read(buffer.data(), std::streamsize(want));
        const auto got = std::size_t(m_file.gcount());
        if (got == 0)
            break;
        m_sum = arj::crc32(buffer.data(), got, m_sum);
        m_done += got;
        added += got;
    }
    if (m_done == part.size) {
        m_failed = m_sum != part.crc;
        m_file.close();
        ++m_current;
        m_done = 0;
        m_sum = 0;
        return true;
    }
    return added > 0;
}

void PartCheck::catchUp()
{
    std::uint64_t budget = catchUpLimit;
    std::uint64_t added = 0;
    while (!m_failed && m_current < m_parts.size() && budget > 0 && advance(budget, added))
        budget -= std::min(budget, added);
}

std::optional<std::string> PartCheck::finish()
{
    std::uint64_t added = 0;
    while (!m_failed && m_current < m_parts.size() && advance(UINT64_MAX, added)) { }
    if (m_failed)
        return m_parts[m_current - 1].name; // its sum is wrong
    if (m_current < m_parts.size())
        return m_parts[m_current].name; // missing or short
    return std::nullopt;
}
