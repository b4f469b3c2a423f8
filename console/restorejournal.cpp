#include "restorejournal.h"

#include "statefiles.h"

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace restore {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view magic = "horbelung-restore 1";
constexpr std::string_view journalSuffix = ".journal";

fs::path host(const std::string &utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

bool exists(const std::string &path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(host(path), error));
}

// A folder name may hold any byte but NUL: line ends and the escape itself
// are written as %XX.
std::string escaped(std::string_view text)
{
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f || c == '%') {
            out += '%';
            out += digits[byte >> 4];
            out += digits[byte & 15];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<std::string> unescaped(std::string_view text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '%') {
            out += text[at];
            continue;
        }
        unsigned value = 0;
        if (at + 2 >= text.size()
            || std::from_chars(text.data() + at + 1, text.data() + at + 3, value, 16).ptr
                != text.data() + at + 3)
            return std::nullopt;
        out += static_cast<char>(value);
        at += 2;
    }
    return out;
}

template<typename Number> bool number(std::string_view text, Number &value)
{
    return std::from_chars(text.data(), text.data() + text.size(), value).ptr
        == text.data() + text.size();
}

constexpr std::string_view phaseNames[] = {"reading", "replacing", "failed", "done"};

// FNV-1a: a stable name for a folder's journal, whatever bytes it holds.
std::string keyOf(const std::string &folder)
{
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : folder) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    static constexpr char digits[] = "0123456789abcdef";
    std::string key(16, '0');
    for (int at = 15; at >= 0; --at, hash >>= 4)
        key[std::size_t(at)] = digits[hash & 15];
    return key;
}

// Moves the file back into the database folder unless it is there already.
bool putBack(const std::string &from, const std::string &to)
{
    if (!exists(from))
        return true;
    std::error_code error;
    if (exists(to))
        fs::remove(host(to), error); // the new file that had been moved in
    return !error && statefiles::moveEntry(from, to);
}

} // namespace

// In 8.3 form, which any archiver can name: "~HB1A2B3.NEU", ending in the
// separator the database folder ends in.
std::string Journal::newFolder() const
{
    return folder + "~HB" + keyOf(id).substr(0, 5) + ".NEU" + folder.back();
}

std::string Journal::previousFolder() const
{
    return folder + "~HB" + keyOf(id).substr(0, 5) + ".ALT" + folder.back();
}

std::string serialized(const Journal &journal)
{
    std::ostringstream out;
    out << magic << '\n'
        << "id " << escaped(journal.id) << '\n'
        << "folder " << escaped(journal.folder) << '\n'
        << "shown " << escaped(journal.shownFolder) << '\n'
        << "disks " << journal.disks << '\n'
        << "read " << journal.disksRead << '\n'
        << "continues " << int(journal.continues) << '\n'
        << "phase " << phaseNames[int(journal.phase)] << '\n'
        << "failed-at " << journal.failedAt << '\n'
        << "reason " << escaped(journal.reason) << '\n';
    for (const File &file : journal.files) {
        out << "file " << escaped(file.name) << '\n'
            << "restored " << file.restored << '\n'
            << "complete " << int(file.complete) << '\n'
            << "time " << file.time << '\n'
            << "replaces " << escaped(file.replaces) << '\n';
    }
    out << "end\n";
    return out.str();
}

std::optional<Journal> parsed(std::string_view text)
{
    Journal journal;
    bool first = true;
    bool ended = false;
    while (!text.empty() && !ended) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt; // cut short
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (first) {
            if (line != magic)
                return std::nullopt;
            first = false;
            continue;
        }
        const std::size_t blank = line.find(' ');
        const std::string_view key = line.substr(0, blank);
        const std::string_view raw = blank == std::string_view::npos ? "" : line.substr(blank + 1);
        const std::optional<std::string> value = unescaped(raw);
        if (!value)
            return std::nullopt;
        int flag = 0;
        bool ok = true;
        if (key == "end") {
            ended = true;
        } else if (key == "id") {
            journal.id = *value;
        } else if (key == "folder") {
            journal.folder = *value;
        } else if (key == "shown") {
            journal.shownFolder = *value;
        } else if (key == "disks") {
            ok = number(raw, journal.disks);
        } else if (key == "read") {
            ok = number(raw, journal.disksRead);
        } else if (key == "continues") {
            ok = number(raw, flag);
            journal.continues = flag != 0;
        } else if (key == "phase") {
            ok = false;
            for (std::size_t at = 0; at < std::size(phaseNames); ++at) {
                if (raw == phaseNames[at]) {
                    journal.phase = Phase(at);
                    ok = true;
                }
            }
        } else if (key == "failed-at") {
            ok = number(raw, journal.failedAt);
        } else if (key == "reason") {
            journal.reason = *value;
        } else if (key == "file") {
            journal.files.push_back({*value, 0, false, 0, {}});
        } else if (journal.files.empty()) {
            ok = false;
        } else if (key == "restored") {
            ok = number(raw, journal.files.back().restored);
        } else if (key == "complete") {
            ok = number(raw, flag);
            journal.files.back().complete = flag != 0;
        } else if (key == "time") {
            ok = number(raw, journal.files.back().time);
        } else if (key == "replaces") {
            journal.files.back().replaces = *value;
        } else {
            ok = false;
        }
        if (!ok)
            return std::nullopt;
    }
    if (!ended || journal.folder.empty() || journal.id.empty())
        return std::nullopt;
    return journal;
}

std::string journalPath(const std::string &stateFolder, const std::string &folder)
{
    return stateFolder + "/restore-" + keyOf(folder) + std::string(journalSuffix);
}

std::string lockPath(const std::string &stateFolder, const std::string &folder)
{
    return stateFolder + "/restore-" + keyOf(folder) + ".lock";
}

std::string backupLockPath(const std::string &stateFolder, const std::string &folder)
{
    std::string lower = folder;
    for (char &c : lower)
        c = c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return stateFolder + "/backup-" + keyOf(lower) + ".lock";
}

std::optional<Journal> load(const std::string &path)
{
    std::ifstream in(host(path), std::ios::binary);
    if (!in)
        return std::nullopt;
    // Journals are small; a big file is not one of ours.
    std::string text(64 * 1024, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(std::size_t(in.gcount()));
    return parsed(text);
}

bool save(const std::string &path, const Journal &journal)
{
    return statefiles::writeDurably(path, serialized(journal));
}

bool undo(Journal &journal)
{
    bool back = true;
    for (const File &file : journal.files) {
        if (!file.replaces.empty())
            back = putBack(journal.previousFolder() + file.replaces, journal.folder + file.replaces)
                && back;
        else if (journal.phase == Phase::Replacing && !exists(journal.newFolder() + file.name))
            // It was moved in and had no previous file.
            back = putBack(journal.folder + file.name, journal.newFolder() + file.name) && back;
    }
    statefiles::syncFolder(journal.folder);
    if (!back)
        return false;
    std::error_code error;
    fs::remove_all(host(journal.newFolder()), error);
    fs::remove(host(journal.previousFolder()), error);
    journal.phase = Phase::Failed;
    return true;
}

bool replace(Journal &journal, const std::string &path)
{
    std::error_code error;
    fs::create_directory(host(journal.previousFolder()), error);
    journal.phase = Phase::Replacing;
    if (error || !save(path, journal)) {
        undo(journal);
        return false;
    }
    for (const File &file : journal.files) {
        const std::string target = file.replaces.empty() ? file.name : file.replaces;
        const bool aside = file.replaces.empty()
            || statefiles::moveEntry(journal.folder + file.replaces,
                                     journal.previousFolder() + file.replaces);
        if (!aside
            || !statefiles::moveEntry(journal.newFolder() + file.name, journal.folder + target)) {
            undo(journal);
            return false;
        }
    }
    statefiles::syncFolder(journal.folder);
    journal.phase = Phase::Done;
    if (!save(path, journal))
        return false;
    fs::remove_all(host(journal.previousFolder()), error);
    fs::remove_all(host(journal.newFolder()), error);
    return true;
}

std::vector<std::pair<std::string, Journal>> unfinished(const std::string &stateFolder)
{
    std::vector<std::pair<std::string, Journal>> found;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(host(stateFolder), error)) {
        const std::u8string name = entry.path().filename().u8string();
        const std::string path(reinterpret_cast<const char *>(entry.path().u8string().c_str()));
        if (!std::string_view(reinterpret_cast<const char *>(name.c_str()))
                 .ends_with(journalSuffix))
            continue;
        std::optional<Journal> journal = load(path);
        if (!journal || !journal->unfinished())
            continue;
        if (statefiles::isLocked(lockPath(stateFolder, journal->folder)))
            continue; // a companion is at it
        found.emplace_back(path, std::move(*journal));
    }
    return found;
}

} // namespace restore
