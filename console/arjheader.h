#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The headers of one volume of an ARJ archive, read from the archive itself
// so that a run's outcome does not rest on what the archiver printed. The
// bytes come from a floppy and are trusted in nothing: every read is held to
// the file, and whatever is not a well-formed volume is refused.
namespace arj {

// CRC-32 as zlib computes it; pass the previous result to go on with more.
std::uint32_t crc32(const void *data, std::size_t size, std::uint32_t crc = 0);

// File types of the headers.
inline constexpr int binaryFile = 0;
inline constexpr int textFile = 1;
inline constexpr int mainHeader = 2;
inline constexpr int directory = 3;
inline constexpr int unixSpecial = 6; // links, FIFOs and devices

// One file's part in this volume: the whole file unless the file spans volumes.
struct Part
{
    std::string name; // as stored, host bytes
    std::string comment;
    int type = binaryFile;
    std::uint8_t flags = 0;
    std::uint8_t hostOs = 0;
    std::uint8_t method = 0; // 0: stored
    std::uint32_t position = 0; // where in the file this part begins
    std::uint32_t compressedSize = 0; // bytes of data in the volume
    std::uint32_t size = 0; // of this part, not of the whole file
    std::uint32_t crc = 0; // of this part's original bytes
    std::uint16_t mode = 0;
    // DOS date and time of the file, the same in each of its parts; of a
    // main header, when that volume was written.
    std::uint32_t time = 0;
    bool extended = false; // had extended headers
    std::uint64_t offset = 0; // where the data begins in the volume

    bool continuesOnNext() const { return flags & 0x04; }
    bool continuedFromPrevious() const { return flags & 0x08; }
    bool garbled() const { return flags & 0x01; }
};

struct Volume
{
    std::string archiveName; // the volume's own file name, as the archiver wrote it
    std::uint8_t flags = 0;
    std::vector<Part> parts;

    bool continuesOnNext() const { return flags & 0x04; }
};

// Why a volume was refused, for the caller to put into words.
enum class Error {
    Missing, // no such file
    NotRegularFile, // a link, folder, FIFO or device
    Unreadable, // could not be opened or read
    NotArchive, // does not begin with an archive's main header
    Truncated, // ends inside a header or a part's data, or before the end marker
    Damaged, // a wrong header checksum, impossible sizes, bytes after the end
};

// Bytes read by offset, so that a volume is never loaded whole.
class Source
{
public:
    virtual ~Source() = default;
    virtual std::uint64_t size() const = 0;
    // Fewer bytes than asked only at the end or on a read error.
    virtual std::size_t readAt(std::uint64_t offset, void *buffer, std::size_t size) = 0;
};

// Bytes held by the caller for as long as the source is used.
class MemorySource final : public Source
{
public:
    explicit MemorySource(std::string_view bytes)
        : m_bytes(bytes)
    { }
    std::uint64_t size() const override { return m_bytes.size(); }
    std::size_t readAt(std::uint64_t offset, void *buffer, std::size_t size) override;

private:
    std::string_view m_bytes;
};

std::optional<Volume> readVolume(Source &source, Error *error = nullptr);
// A regular file only, never through a link; path in UTF-8.
std::optional<Volume> readVolumeFile(const std::string &path, Error *error = nullptr);

} // namespace arj
