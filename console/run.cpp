#include "run.h"

#include <algorithm>

std::string Run::windowsPath(const std::string &hostPath) const
{
    const std::pair<std::string, std::string> *best = nullptr;
    for (const auto &drive : drives) {
        if (hostPath.starts_with(drive.second)
            && (best == nullptr || drive.second.size() > best->second.size()))
            best = &drive;
    }
    if (best == nullptr)
        return hostPath;
    std::string path = best->first + '\\' + hostPath.substr(best->second.size());
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

bool Run::isFloppyRoot(const std::string &hostFolder) const
{
    // Windows names the drive in either case ("a:\\"); a host path has one spelling.
    const bool windows = hostFolder.size() > 1 && hostFolder[1] == ':';
    return std::any_of(drives.begin(), drives.end(), [&](const auto &drive) {
        return (drive.first == "A:" || drive.first == "B:")
            && (windows ? words::sameName(drive.second, hostFolder) : drive.second == hostFolder);
    });
}

namespace words {

std::string bytes(long long size)
{
    if (size < 0)
        return "nicht vorhanden";
    const std::string digits = std::to_string(size);
    std::string grouped;
    for (std::size_t at = 0; at < digits.size(); ++at) {
        if (at > 0 && (digits.size() - at) % 3 == 0)
            grouped += '.';
        grouped += digits[at];
    }
    return grouped + " Bytes";
}

std::string wrapped(const std::string &line, std::size_t width)
{
    const auto length = [](std::string_view text) {
        return std::size_t(std::count_if(text.begin(), text.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    };
    if (length(line) <= width)
        return line;
    const std::size_t start = std::min(line.find_first_not_of(' '), line.size());
    const std::string indent = line.substr(0, start);
    const auto withoutTrailingBlanks = [](std::string row) {
        return row.erase(row.find_last_not_of(' ') + 1);
    };
    std::string text;
    std::string row = indent; // each word with the blanks after it
    for (std::size_t at = start; at < line.size();) {
        const std::size_t wordEnd = std::min(line.find(' ', at), line.size());
        const std::size_t next = std::min(line.find_first_not_of(' ', wordEnd), line.size());
        const std::string_view word = std::string_view(line).substr(at, wordEnd - at);
        if (row.size() > indent.size() && length(row) + length(word) > width) {
            text += withoutTrailingBlanks(row) + '\n';
            row = indent;
        }
        row.append(line, at, next - at);
        at = next;
    }
    return text + withoutTrailingBlanks(row);
}

namespace {

// The archiver's exit status in words, as its documentation gives them.
std::string archiverFailure(int code)
{
    switch (code) {
    case 1:
        return "Warnung des Archivierers";
    case 2:
        return "schwerer Fehler des Archivierers";
    case 3:
        return "Prüfsummenfehler, das Archiv ist beschädigt";
    case 4:
        return "Sicherheitsfehler des Archivs";
    case 5:
        return "Datenträger voll oder Schreibfehler";
    case 6:
        return "Archiv oder Datei nicht gefunden oder nicht zu öffnen";
    case 7:
        return "falsche Angaben beim Aufruf";
    case 8:
        return "nicht genügend Speicher";
    case 9:
        return "die Datei ist kein gültiges Archiv";
    case 10:
        return "Speicherfehler";
    case 11:
        return "vom Benutzer abgebrochen";
    case 12:
        return "zu viele Kapitel im Archiv";
    case 127:
        return "der Archivierer konnte nicht gestartet werden";
    default:
        return "unbekannter Fehler";
    }
}

} // namespace

std::optional<std::string> cutShort(const terminal::Ending &ending, const std::string &run)
{
    if (ending.interrupted)
        return ending.hungUp ? "Das Konsolenfenster wurde geschlossen."
                             : "Die " + run + " wurde abgebrochen.";
    if (ending.signalled)
        return "Der Archivierer wurde abgebrochen (Signal " + std::to_string(ending.code) + ").";
    return std::nullopt;
}

std::optional<std::string> archiverError(const terminal::Ending &ending)
{
    if (ending.code == 0)
        return std::nullopt;
    return "Der Archivierer meldet Fehler " + std::to_string(ending.code) + ": "
        + archiverFailure(ending.code) + ".";
}

std::pair<std::string, std::string> split(const std::string &path)
{
    const std::size_t slash = path.find_last_of("/\\");
    if (slash == std::string::npos)
        return {{}, path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool sameName(const std::string &a, const std::string &b)
{
    const auto lower = [](char c) {
        return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(x) == lower(y);
           });
}

bool plainName(const std::string &name)
{
    if (name.empty() || name.size() > 255 || name.front() == '.')
        return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f || c == '/' || c == '\\' || c == ':';
    });
}

int volumeNumber(const std::string &name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return 0;
    const std::string extension = name.substr(dot + 1);
    if (sameName(extension, "arj"))
        return 1;
    // ".a01" … ".a99", then ".100" … ".999"
    const std::size_t digits
        = extension.size() == 3 && (extension[0] == 'a' || extension[0] == 'A') ? 1 : 0;
    if (extension.size() != 3
        || extension.find_first_not_of("0123456789", digits) != std::string::npos)
        return 0;
    return std::stoi(extension.substr(digits)) + 1;
}

std::string volumeName(const std::string &archiveName, int number)
{
    const std::string stem = archiveName.substr(0, archiveName.rfind('.'));
    if (number <= 1)
        return stem + ".arj";
    const int extension = number - 1;
    if (extension < 100)
        return stem + ".a" + (extension < 10 ? "0" : "") + std::to_string(extension);
    return stem + "." + std::to_string(extension);
}

} // namespace words
