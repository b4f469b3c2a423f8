// The archiver's output on its way to the terminal, cut into pieces at
// places the input chooses, and names made visible for the summary: nothing
// that a terminal takes for a control may come out. And the check of a
// member's name: none it passes leaves the database folder.

#include "console/outputfilter.h"
#include "console/run.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Whole UTF-8 characters only, and among them no C0 control but the
// progress display's, no DEL and no C1 control.
void requireSafe(std::string_view text, bool controlsKept)
{
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || at + length > text.size())
            std::abort();
        std::uint32_t point = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t next = 1; next < length; ++next) {
            const auto byte = static_cast<unsigned char>(text[at + next]);
            if ((byte & 0xC0) != 0x80)
                std::abort();
            point = point << 6 | (byte & 0x3F);
        }
        const bool kept
            = controlsKept && (point == '\b' || point == '\r' || point == '\n' || point == '\t');
        if ((point < 0x20 && !kept) || (point >= 0x7F && point < 0xA0))
            std::abort();
        at += length;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = data[0] % 7 + 1;
    const std::string_view input(reinterpret_cast<const char *>(data) + 1, size - 1);
    OutputFilter filter;
    std::string shown;
    for (std::size_t at = 0; at < input.size(); at += piece)
        filter.pass(input.substr(at, piece), shown);
    filter.finish(shown);
    requireSafe(shown, true);
    if (shown.size() > input.size())
        std::abort();
    requireSafe(visible(input), false);
    // A name the restore lets through lands directly in the database folder.
    const std::string name(input);
    if (words::plainName(name)
        && (name.find_first_of("/\\:") != std::string::npos || name.front() == '.'))
        std::abort();
    return 0;
}
