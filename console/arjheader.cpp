#include "arjheader.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <fstream>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace arj {

namespace {

// Eight tables, so that the loop takes eight bytes a step.
constexpr auto crcTables = [] {
    std::array<std::array<std::uint32_t, 256>, 8> tables {};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t crc = byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
        tables[0][byte] = crc;
    }
    for (std::size_t table = 1; table < tables.size(); ++table) {
        for (std::size_t byte = 0; byte < 256; ++byte) {
            const std::uint32_t previous = tables[table - 1][byte];
            tables[table][byte] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}();

std::uint16_t le16(const unsigned char *bytes)
{
    return std::uint16_t(bytes[0] | bytes[1] << 8);
}

std::uint32_t le32(const unsigned char *bytes)
{
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16
        | std::uint32_t(bytes[3]) << 24;
}

// Limits of the archiver itself, and ours against hostile input.
constexpr std::size_t headerId = 0xEA60;
constexpr std::size_t fixedHeaderSize = 30;
constexpr std::size_t maxHeaderSize = 2600;
constexpr std::size_t positionedHeaderSize = 46; // always holds the position
constexpr std::size_t maxParts = 10'000;
constexpr int maxExtendedHeaders = 256;
constexpr std::uint8_t recoveryFlag = 0x08; // main header: recovery data after the end

struct Refusal
{
    Error error;
};

[[noreturn]] void refuse(Error error)
{
    throw Refusal {error};
}

// Reads on from the start, never past the end of the source.
class Reader
{
public:
    explicit Reader(Source &source)
        : m_source(source)
        , m_size(source.size())
    { }

    std::uint64_t at() const { return m_at; }
    std::uint64_t size() const { return m_size; }

    void read(void *buffer, std::size_t count)
    {
        skip(count);
        if (m_source.readAt(m_at - count, buffer, count) != count)
            refuse(Error::Unreadable);
    }

    void skip(std::uint64_t count)
    {
        if (count > m_size - m_at)
            refuse(Error::Truncated);
        m_at += count;
    }

private:
    Source &m_source;
    const std::uint64_t m_size;
    std::uint64_t m_at = 0;
};

// One header and its extended headers into part, and past its data unless
// it is the main header. False at the end marker.
bool readHeader(Reader &in, Part &part, bool main)
{
    std::array<unsigned char, maxHeaderSize + 4> header;
    in.read(header.data(), 4);
    if (le16(header.data()) != headerId)
        refuse(main ? Error::NotArchive : Error::Damaged);
    const std::size_t size = le16(header.data() + 2);
    if (size == 0 && !main)
        return false;
    if (size < fixedHeaderSize || size > maxHeaderSize)
        refuse(main ? Error::NotArchive : Error::Damaged);
    in.read(header.data(), size + 4);
    if (crc32(header.data(), size) != le32(header.data() + size))
        refuse(Error::Damaged);

    const unsigned char *h = header.data();
    const std::size_t first = h[0];
    part.hostOs = h[3];
    part.flags = h[4];
    part.method = h[5];
    part.type = h[6];
    part.time = le32(h + 8);
    part.compressedSize = le32(h + 12);
    part.size = le32(h + 16);
    part.crc = le32(h + 20);
    part.mode = le16(h + 26);
    if (main != (part.type == mainHeader))
        refuse(main ? Error::NotArchive : Error::Damaged);
    if (first < fixedHeaderSize || first >= size)
        refuse(Error::Damaged);
    if (!main) {
        // The archiver reads the position from shorter headers only for a
        // continued part, and takes sizes from 2 GiB on as damage.
        if (part.continuedFromPrevious() && first < fixedHeaderSize + 4)
            refuse(Error::Damaged);
        if (first >= positionedHeaderSize || part.continuedFromPrevious())
            part.position = le32(h + fixedHeaderSize);
        if (part.compressedSize > 0x7FFF'FFFF || part.size > 0x7FFF'FFFF)
            refuse(Error::Damaged);
    }
    const unsigned char *end = h + size;
    const unsigned char *nameEnd = std::find(h + first, end, 0);
    if (nameEnd == end)
        refuse(Error::Damaged);
    const unsigned char *commentEnd = std::find(nameEnd + 1, end, 0);
    if (commentEnd == end)
        refuse(Error::Damaged);
    part.name.assign(h + first, nameEnd);
    part.comment.assign(nameEnd + 1, commentEnd);

    for (int count = 0;; ++count) {
        in.read(header.data(), 2);
        std::size_t left = le16(header.data());
        if (left == 0)
            break;
        if (count == maxExtendedHeaders)
            refuse(Error::Damaged);
        std::uint32_t crc = 0;
        while (left > 0) {
            const std::size_t piece = std::min(left, header.size());
            in.read(header.data(), piece);
            crc = crc32(header.data(), piece, crc);
            left -= piece;
        }
        in.read(header.data(), 4);
        if (crc != le32(header.data()))
            refuse(Error::Damaged);
        part.extended = true;
    }
    if (!main) {
        part.offset = in.at();
        in.skip(part.compressedSize);
    }
    return true;
}

// A regular file, opened without following a link and without waiting (a
// FIFO swapped in after the check would wait for a writer for ever).
class FileSource final : public Source
{
public:
    explicit FileSource(const std::string &path)
    {
        const std::filesystem::path name(std::u8string(path.begin(), path.end()));
        std::error_code failure;
        const auto status = std::filesystem::symlink_status(name, failure);
        if (status.type() == std::filesystem::file_type::not_found) {
            m_error = Error::Missing;
            return;
        }
        if (failure) {
            m_error = Error::Unreadable;
            return;
        }
        if (status.type() != std::filesystem::file_type::regular) {
            m_error = Error::NotRegularFile;
            return;
        }
#ifdef _WIN32
        m_stream.open(name, std::ios::binary);
        m_size = std::filesystem::file_size(name, failure);
        if (!m_stream || failure)
            m_error = Error::Unreadable;
#else
        m_fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        struct stat opened = {};
        if (m_fd < 0)
            m_error = errno == ELOOP ? Error::NotRegularFile : Error::Unreadable;
        else if (fstat(m_fd, &opened) != 0)
            m_error = Error::Unreadable;
        else if (!S_ISREG(opened.st_mode))
            m_error = Error::NotRegularFile;
        else
            m_size = std::uint64_t(opened.st_size);
#endif
    }
    ~FileSource() override
    {
#ifndef _WIN32
        if (m_fd >= 0)
            ::close(m_fd);
#endif
    }
    FileSource(const FileSource &) = delete;
    FileSource &operator=(const FileSource &) = delete;

    std::optional<Error> error() const
    {
        return m_error;
    }
    std::uint64_t size() const override
    {
        return m_size;
    }

    std::size_t readAt(std::uint64_t offset, void *buffer, std::size_t size) override
    {
        if (m_error || offset > m_size)
            return 0;
#ifdef _WIN32
        m_stream.clear();
        m_stream.seekg(std::streamoff(offset));
        m_stream.read(static_cast<char *>(buffer), std::streamsize(size));
        return std::size_t(m_stream.gcount());
#else
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = pread(m_fd, static_cast<char *>(buffer) + done, size - done,
                                      off_t(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += std::size_t(got);
        }
        return done;
#endif
    }

private:
    std::optional<Error> m_error;
    std::uint64_t m_size = 0;
#ifdef _WIN32
    std::ifstream m_stream;
#else
    int m_fd = -1;
#endif
};

} // namespace

std::uint32_t crc32(const void *data, std::size_t size, std::uint32_t crc)
{
    const auto &t = crcTables;
    const auto *bytes = static_cast<const unsigned char *>(data);
    crc = ~crc;
    for (; size >= 8; bytes += 8, size -= 8) {
        const std::uint32_t low = crc ^ le32(bytes);
        const std::uint32_t high = le32(bytes + 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF]
            ^ t[4][low >> 24] ^ t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF]
            ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; size > 0; ++bytes, --size)
        crc = (crc >> 8) ^ t[0][(crc ^ *bytes) & 0xFF];
    return ~crc;
}

std::size_t MemorySource::readAt(std::uint64_t offset, void *buffer, std::size_t size)
{
    if (offset >= m_bytes.size())
        return 0;
    const std::size_t count = std::min<std::uint64_t>(size, m_bytes.size() - offset);
    std::memcpy(buffer, m_bytes.data() + offset, count);
    return count;
}

std::optional<Volume> readVolume(Source &source, Error *error)
{
    try {
        Reader in(source);
        Part main;
        readHeader(in, main, true);
        Volume volume;
        volume.archiveName = std::move(main.name);
        volume.flags = main.flags;
        for (Part part; readHeader(in, part, false); part = Part()) {
            if (volume.parts.size() == maxParts)
                refuse(Error::Damaged);
            volume.parts.push_back(std::move(part));
        }
        // Only the recovery data of "-hk" follows the end marker.
        if (in.at() != in.size() && !(volume.flags & recoveryFlag))
            refuse(Error::Damaged);
        // Only the first part can go on from the volume before, and only
        // the last on to the next, which must then be announced.
        for (std::size_t at = 0; at < volume.parts.size(); ++at) {
            const Part &part = volume.parts[at];
            if ((part.continuedFromPrevious() && at != 0)
                || (part.continuesOnNext()
                    && (at + 1 != volume.parts.size() || !volume.continuesOnNext())))
                refuse(Error::Damaged);
        }
        return volume;
    } catch (const Refusal &refusal) {
        if (error)
            *error = refusal.error;
        return std::nullopt;
    }
}

std::optional<Volume> readVolumeFile(const std::string &path, Error *error)
{
    FileSource file(path);
    if (file.error()) {
        if (error)
            *error = *file.error();
        return std::nullopt;
    }
    return readVolume(file, error);
}

} // namespace arj
