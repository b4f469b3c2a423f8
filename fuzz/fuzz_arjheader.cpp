// Any bytes as a volume: the reader stays inside them, and what it accepts
// holds together; without recovery data after the end, the same bytes one
// short are refused as truncated. Each input goes in as it is and again with
// its header checksums made right, so that mutations get past them.
#include "console/arjheader.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::uint32_t le(const std::string &bytes, std::size_t at, int count)
{
    std::uint32_t value = 0;
    for (int byte = count - 1; byte >= 0; --byte)
        value = value << 8 | std::uint8_t(bytes[at + std::size_t(byte)]);
    return value;
}

void putCrc(std::string &bytes, std::size_t at, std::size_t size)
{
    std::uint32_t crc = arj::crc32(bytes.data() + at, size);
    for (std::size_t byte = 0; byte < 4; ++byte, crc >>= 8)
        bytes[at + size + byte] = char(crc & 0xFF);
}

// Follows the chain of headers as the reader does, as far as it goes.
void repairChecksums(std::string &bytes)
{
    for (std::size_t at = 0, header = 0; at + 4 <= bytes.size(); ++header) {
        const std::size_t size = le(bytes, at + 2, 2);
        if (size < 30 || at + 4 + size + 4 > bytes.size())
            return;
        putCrc(bytes, at + 4, size);
        const std::uint32_t data = header == 0 ? 0 : le(bytes, at + 4 + 12, 4);
        at += 4 + size + 4;
        for (std::size_t extended; at + 2 <= bytes.size() && (extended = le(bytes, at, 2)) != 0;
             at += 2 + extended + 4) {
            if (at + 2 + extended + 4 > bytes.size())
                return;
            putCrc(bytes, at + 2, extended);
        }
        at += 2 + std::size_t(data);
    }
}

void check(std::string_view bytes)
{
    arj::MemorySource source(bytes);
    const auto volume = arj::readVolume(source);
    if (!volume)
        return;
    if (volume->parts.size() > 10'000)
        std::abort();
    for (const arj::Part &part : volume->parts) {
        if (part.offset + part.compressedSize > bytes.size()
            || part.name.find('\0') != std::string::npos)
            std::abort();
    }
    if (!(volume->flags & 0x08)) {
        arj::MemorySource shorter(bytes.substr(0, bytes.size() - 1));
        arj::Error error {};
        if (arj::readVolume(shorter, &error) || error != arj::Error::Truncated)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    check(bytes);
    std::string repaired = bytes;
    repairChecksums(repaired);
    if (repaired != bytes)
        check(repaired);
    return 0;
}
