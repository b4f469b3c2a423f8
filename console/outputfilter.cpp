#include "outputfilter.h"

namespace {

// The length of the UTF-8 sequence a lead byte starts; 0 for no lead byte.
std::size_t sequenceLength(unsigned char lead)
{
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

// Whether the bytes are one whole, shortest-form UTF-8 character.
bool wholeCharacter(std::string_view bytes)
{
    const auto byte = [&](std::size_t at) {
        return static_cast<unsigned char>(bytes[at]);
    };
    for (std::size_t at = 1; at < bytes.size(); ++at) {
        if ((byte(at) & 0xC0) != 0x80)
            return false;
    }
    if (bytes.size() == 3)
        return !(byte(0) == 0xE0 && byte(1) < 0xA0) && !(byte(0) == 0xED && byte(1) >= 0xA0);
    if (bytes.size() == 4)
        return !(byte(0) == 0xF0 && byte(1) < 0x90) && !(byte(0) == 0xF4 && byte(1) >= 0x90);
    return true;
}

bool keptControl(char c)
{
    return c == '\b' || c == '\r' || c == '\n' || c == '\t';
}

// U+0080 to U+009F, the C1 controls: C2 80 to C2 9F.
bool isC1(std::string_view character)
{
    return character.size() == 2 && static_cast<unsigned char>(character[0]) == 0xC2
        && static_cast<unsigned char>(character[1]) < 0xA0;
}

// Splits text into characters, each whole one or a lone byte that is none.
template<typename Each> std::size_t characters(std::string_view text, bool final, Each each)
{
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = sequenceLength(static_cast<unsigned char>(text[at]));
        if (length > 1 && at + length > text.size() && !final)
            break; // cut at the end: wait for the rest
        if (length == 0 || at + length > text.size() || !wholeCharacter(text.substr(at, length))) {
            each(text.substr(at, 1), false);
            ++at;
            continue;
        }
        each(text.substr(at, length), true);
        at += length;
    }
    return at;
}

} // namespace

void OutputFilter::pass(std::string_view input, std::string &output)
{
    // A character cut at the last piece's end is joined to this one; that
    // costs a copy of the piece only then.
    std::string joined;
    if (!m_pending.empty()) {
        joined = m_pending;
        joined.append(input);
        input = joined;
    }
    const std::size_t used = characters(input, false, [&](std::string_view c, bool whole) {
        if (!whole)
            output += '?';
        else if (c.size() > 1 ? !isC1(c) : (c[0] >= 0x20 && c[0] != 0x7f) || keptControl(c[0]))
            output.append(c);
    });
    m_pending.assign(input.substr(used));
}

void OutputFilter::finish(std::string &output)
{
    if (!m_pending.empty())
        output += '?';
    m_pending.clear();
}

std::string visible(std::string_view name)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string shown;
    const auto escape = [&](unsigned char byte) {
        shown += "\\x";
        shown += digits[byte >> 4];
        shown += digits[byte & 15];
    };
    characters(name, true, [&](std::string_view c, bool whole) {
        if (!whole || isC1(c)) {
            for (const char byte : c)
                escape(static_cast<unsigned char>(byte));
        } else if (c.size() == 1 && (c[0] < 0x20 || c[0] == 0x7f)) {
            escape(static_cast<unsigned char>(c[0]));
        } else {
            shown.append(c);
        }
    });
    return shown;
}
