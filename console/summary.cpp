#include "summary.h"

#include <algorithm>
#include <filesystem>
#include <string_view>

namespace {

constexpr std::string_view nextVolumePrompt = "OK to process next volume";
constexpr std::string_view incomplete
    = "Die Datenbank ist unvollständig wiederhergestellt – legen Sie die richtige Diskette ein "
      "und wiederholen Sie die Wiederherstellung.";

long long sizeOf(const std::string &path)
{
    // UTF-8 on both systems, where Windows would read the code page.
    std::error_code error;
    const auto size = std::filesystem::file_size(std::u8string(path.begin(), path.end()), error);
    return error ? -1 : static_cast<long long>(size);
}

// "1.456.400 Bytes"
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

// The archiver's exit statuses from 2 on, as its documentation gives them.
std::string_view failure(int code)
{
    switch (code) {
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

std::string outcome(const terminal::Ending &ending)
{
    if (ending.signalled)
        return "abgebrochen (Signal " + std::to_string(ending.code) + ")";
    if (ending.code == 0)
        return "erfolgreich abgeschlossen";
    if (ending.code == 1)
        return "mit Warnungen abgeschlossen (eine Datei wurde nicht gefunden oder eine Frage "
               "verneint)";
    return "FEHLGESCHLAGEN (Fehler " + std::to_string(ending.code) + ": "
        + std::string(failure(ending.code)) + ")";
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

Summary::Summary(Run run, std::vector<std::string> command)
    : m_run(std::move(run))
    , m_command(std::move(command))
{
    // The archiver's command word, then the archive; a restore's target
    // folder is the first later word that ends in "/" (on Windows "\").
    if (m_command.size() > 2) {
        if (m_command[1] == "a")
            m_mode = Mode::Backup;
        if (m_command[1] == "x" || m_command[1] == "e") {
            m_mode = Mode::Restore;
            const auto folder
                = std::find_if(m_command.begin() + 3, m_command.end(), [](const std::string &w) {
                      return w.ends_with('/') || w.ends_with('\\');
                  });
            if (folder != m_command.end())
                m_destination = *folder;
        }
    }
}

void Summary::feed(std::string_view output)
{
    for (const char c : output) {
        if (c == '\n' || c == '\r') {
            line(m_partial);
            m_partial.clear();
            continue;
        }
        m_partial += c;
        // The question waits for an answer before the disk is changed: the
        // volume is complete and still there to be measured.
        if (c == '?' && m_partial.find(nextVolumePrompt) != std::string::npos)
            measureLastVolume();
    }
}

void Summary::line(std::string_view text)
{
    // Without a terminal the answer is not echoed and the next volume's
    // line follows the question on the same line.
    constexpr std::string_view creating = "Creating archive  : ";
    constexpr std::string_view extracting = "Extracting ";
    if (text.find("Continued on next volume") != std::string_view::npos)
        m_continued = true;
    else if (text.find(" OK") != std::string_view::npos)
        m_continued = false;
    if (const auto at = text.find(creating); at != std::string_view::npos) {
        m_volumes.push_back({std::string(text.substr(at + creating.size())), -1});
    } else if (text.starts_with(extracting)) {
        const std::string_view rest = text.substr(extracting.size());
        const std::string name(trimmed(rest.substr(0, rest.find(" to "))));
        m_extracted.push_back(m_destination + name);
    }
}

void Summary::measureLastVolume()
{
    if (!m_volumes.empty())
        m_volumes.back().size = sizeOf(m_volumes.back().path);
}

std::string Summary::windowsPath(const std::string &hostPath) const
{
    const std::pair<std::string, std::string> *best = nullptr;
    for (const auto &drive : m_run.drives) {
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

bool Summary::onFloppy() const
{
    if (m_volumes.empty())
        return false;
    const std::string path = windowsPath(m_volumes.front().path);
    return path.size() > 1 && path[1] == ':'
        && std::string_view("AaBb").find(path[0]) != std::string_view::npos;
}

std::string Summary::text(const terminal::Ending &ending) const
{
    const bool failed = ending.signalled || ending.code >= 2;
    std::string text = "\n────────────────────────────────────────\n";
    text += (m_run.summary.empty() ? m_command.front() : m_run.summary) + ": " + outcome(ending)
        + ".\n";

    if (m_mode == Mode::Backup) {
        // The sizes as measured at the question for the next disk; the
        // last volume (on a hard disk: all of them) is still there now.
        std::vector<Volume> volumes = m_volumes;
        for (Volume &volume : volumes) {
            if (const long long now = sizeOf(volume.path); now >= 0)
                volume.size = now;
        }
        text += volumes.empty() ? std::string("Es wurde keine Archivdatei geschrieben.\n")
                                : "Geschriebene Archivdateien:\n";
        for (const Volume &volume : volumes)
            text += "  " + windowsPath(volume.path) + "   " + bytes(volume.size) + '\n';
        if (!failed && onFloppy()) {
            const std::string count = std::to_string(volumes.size());
            text += "Die Sicherung belegt " + count
                + (volumes.size() == 1 ? " Diskette.\n" : " Disketten.\n");
            text += "Für die Wiederherstellung bei „Anzahl Disketten“ " + count + " eingeben.\n";
        }
    }

    if (m_mode == Mode::Restore) {
        text += m_extracted.empty() ? std::string("Es wurde keine Datei wiederhergestellt.\n")
                                    : "Wiederhergestellte Dateien:\n";
        for (const std::string &file : m_extracted)
            text += "  " + windowsPath(file) + "   " + bytes(sizeOf(file)) + '\n';
        const bool lastDisk = m_run.disk >= m_run.disks;
        if (!failed && m_continued && !lastDisk)
            text += "Die Datenbank wird auf Diskette " + std::to_string(m_run.disk + 1)
                + " fortgesetzt.\n";
        if (failed || (m_continued && lastDisk)) {
            text += "\nACHTUNG: ";
            text += incomplete;
            text += '\n';
            if (m_continued && lastDisk && !failed)
                text += "(Die Sicherung hat mehr Disketten, als bei „Anzahl Disketten“ "
                        "angegeben waren.)\n";
        }
    }

    text += "\nFenster schließen: Eingabetaste\n";
    return text;
}
