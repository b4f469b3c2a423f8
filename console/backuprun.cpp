// A backup: never into an older backup on a floppy, never losing the older
// archive on a hard disk, and told as what the written volumes really hold.

#include "arjheader.h"
#include "restorejournal.h"
#include "run.h"
#include "statefiles.h"
#include "terminal.h"

#include <filesystem>
#include <map>
#include <optional>

namespace {

namespace fs = std::filesystem;

fs::path host(const std::string &utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

bool exists(const std::string &path)
{
    std::error_code error;
    return fs::exists(fs::symlink_status(host(path), error));
}

long long sizeOf(const std::string &path)
{
    std::error_code error;
    const auto size = fs::file_size(host(path), error);
    return error ? -1 : static_cast<long long>(size);
}

// What the archiver's questions once a volume is complete have in common,
// "OK to process next volume (1)? " and, on a removable drive, "Insert
// diskette with next volume (1).  Enter "Y" when ready: ": asked before the
// disk is changed, the moment to read the volume while it is still there.
constexpr std::string_view nextVolumeQuestion = "next volume (";

class BackUp
{
public:
    explicit BackUp(const Run &run)
        : m_run(run)
        , m_archive(run.command.size() > 3 ? run.command[2] : std::string())
        , m_folder(words::split(m_archive).first)
        , m_name(words::split(m_archive).second)
        , m_previous(m_archive + ".vorher")
        , m_onFloppy(run.isFloppyRoot(m_folder))
        , m_lock(restore::backupLockPath(run.stateFolder, m_folder))
    { }

    Report run();

private:
    struct Seen
    {
        std::string path;
        long long size = -1;
        std::optional<arj::Volume> volume;
    };

    std::vector<std::string> volumesOfThisArchive() const;
    void lookAtVolumes();
    void watch(std::string_view output);
    std::optional<std::string> whyNotRestorable() const;
    bool settleEarlierRun();
    Report failed(const std::string &reason);

    const Run &m_run;
    std::string m_archive;
    std::string m_folder;
    std::string m_name;
    std::string m_previous; // a hard disk's older archive while the new one is written
    bool m_onFloppy;
    statefiles::Lock m_lock;
    bool m_setAside = false;
    std::map<int, Seen> m_seen; // by volume number, as last read
    std::string m_tail; // the end of the output, to catch the question
};

std::vector<std::string> BackUp::volumesOfThisArchive() const
{
    const std::string stem = m_name.substr(0, m_name.rfind('.') + 1);
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(host(m_folder), error)) {
        const std::u8string raw = entry.path().filename().u8string();
        const std::string name(raw.begin(), raw.end());
        if (name.size() > stem.size() && words::sameName(name.substr(0, stem.size()), stem)
            && words::volumeNumber(name) > 0)
            names.push_back(name);
    }
    return names;
}

// A volume on the disk now is read now; one that has gone with its disk
// keeps what was read while it was there.
void BackUp::lookAtVolumes()
{
    for (const std::string &name : volumesOfThisArchive()) {
        const std::string path = m_folder + name;
        m_seen[words::volumeNumber(name)]
            = {path, sizeOf(path), arj::readVolumeFile(path, nullptr)};
    }
}

void BackUp::watch(std::string_view output)
{
    m_tail.append(output);
    if (m_tail.find(nextVolumeQuestion) != std::string::npos) {
        lookAtVolumes();
        m_tail.clear();
    }
    // Enough to hold the question across two pieces, and no more.
    if (m_tail.size() > 2 * nextVolumeQuestion.size())
        m_tail.erase(0, m_tail.size() - nextVolumeQuestion.size());
}

// What makes the written volumes no backup one could restore, from their
// headers: a gap, a file that goes on on a volume never written, no file.
std::optional<std::string> BackUp::whyNotRestorable() const
{
    if (m_seen.empty())
        return "Es wurde keine Archivdatei geschrieben.";
    int expected = 1;
    bool open = false; // the last part read goes on on the next volume
    std::uint64_t openAt = 0;
    int files = 0;
    for (const auto &[number, seen] : m_seen) {
        if (number != expected++ || !seen.volume)
            return "Die Archivdatei " + m_run.windowsPath(seen.path)
                + " fehlt oder ist nicht vollständig geschrieben.";
        for (const arj::Part &part : seen.volume->parts) {
            if (part.continuedFromPrevious() != open || (open && part.position != openAt))
                return "Die Archivdateien passen nicht zusammen.";
            files += part.continuedFromPrevious() ? 0 : 1;
            open = part.continuesOnNext();
            openAt = std::uint64_t(part.position) + part.size;
        }
        const bool last = number == m_seen.rbegin()->first;
        if (last && (open || seen.volume->continuesOnNext()))
            return "Die Sicherung geht auf einer weiteren Diskette weiter, die nicht geschrieben "
                   "wurde.";
    }
    if (files == 0)
        return "Es wurde keine Datei gesichert: "
            + m_run.windowsPath(m_run.command.size() > 3 ? m_run.command[3] : std::string())
            + " nennt keine vorhandene Datenbank.";
    return std::nullopt;
}

// A hard-disk backup that was killed left its older archive set aside: the
// archive's headers tell whether the new one was finished.
bool BackUp::settleEarlierRun()
{
    if (!exists(m_previous))
        return true;
    const std::optional<arj::Volume> written = arj::readVolumeFile(m_archive, nullptr);
    std::error_code error;
    if (written && !written->continuesOnNext() && !written->parts.empty()) {
        fs::remove(host(m_previous), error);
        return !error;
    }
    fs::remove(host(m_archive), error);
    return statefiles::moveEntry(m_previous, m_archive);
}

Report BackUp::failed(const std::string &reason)
{
    Report report {
        "FEHLGESCHLAGEN", {reason, "Diese Sicherung kann nicht wiederhergestellt werden."}, 1};
    // On a hard disk the name was free before the run: what is there now is
    // this run's broken archive.
    std::error_code error;
    if (!m_onFloppy)
        fs::remove(host(m_archive), error);
    else if (!volumesOfThisArchive().empty())
        report.lines.push_back("Löschen Sie die Diskette mit „Diskette löschen“, bevor Sie die "
                               "Sicherung wiederholen.");
    if (m_setAside) {
        if (statefiles::moveEntry(m_previous, m_archive))
            report.lines.push_back("Die vorherige Sicherung " + m_run.windowsPath(m_archive)
                                   + " ist unverändert.");
        else
            report.lines.push_back("ACHTUNG: Die vorherige Sicherung liegt in "
                                   + m_run.windowsPath(m_previous) + ".");
    }
    return report;
}

Report BackUp::run()
{
    if (m_archive.empty() || m_run.stateFolder.empty())
        return {"FEHLGESCHLAGEN", {"Der Aufruf nennt kein Archiv."}, 7};
    if (!m_lock.tryLock())
        return {"FEHLGESCHLAGEN",
                {"Nach " + m_run.windowsPath(m_folder)
                     + " schreibt gerade eine andere Sicherung. Warten Sie, bis sie beendet ist, "
                       "und starten Sie die Sicherung dann neu.",
                 "Es wurde nichts verändert."},
                1};
    if (m_onFloppy) {
        const std::vector<std::string> older = volumesOfThisArchive();
        if (!older.empty())
            return {"nicht ausgeführt",
                    {"Auf der Diskette liegt bereits eine Sicherung (" + older.front()
                         + "); löschen Sie sie mit „Diskette löschen“ oder legen Sie eine leere "
                           "Diskette ein.",
                     "Die Sicherung auf der Diskette wurde nicht verändert."},
                    1};
    } else {
        if (!settleEarlierRun())
            return {"FEHLGESCHLAGEN",
                    {"Die vorherige Sicherung " + m_run.windowsPath(m_previous)
                     + " konnte nicht an ihren Platz gebracht werden; es wurde nichts gesichert."},
                    1};
        if (exists(m_archive)) {
            if (!statefiles::moveEntry(m_archive, m_previous))
                return {"FEHLGESCHLAGEN",
                        {"Die vorherige Sicherung " + m_run.windowsPath(m_archive)
                         + " kann nicht beiseitegelegt werden; es wurde nichts gesichert."},
                        1};
            m_setAside = true;
        }
    }

    const terminal::Ending ending
        = terminal::run(m_run.command, {}, [this](std::string_view output) { watch(output); });
    lookAtVolumes();
    // What the volumes lack says more than the archiver's status.
    if (const std::optional<std::string> reason = words::cutShort(ending, "Sicherung"))
        return failed(*reason);
    if (const std::optional<std::string> reason = whyNotRestorable())
        return failed(*reason);
    if (const std::optional<std::string> reason = words::archiverError(ending))
        return failed(*reason);

    if (m_setAside) {
        std::error_code error;
        fs::remove(host(m_previous), error);
    }
    Report report {"erfolgreich abgeschlossen", {"Geschriebene Archivdateien:"}, 0};
    for (const auto &[number, seen] : m_seen)
        report.lines.push_back("  " + m_run.windowsPath(seen.path) + "   "
                               + words::bytes(seen.size));
    if (m_onFloppy) {
        const std::string count = std::to_string(m_seen.size());
        report.lines.push_back("Die Sicherung belegt " + count
                               + (m_seen.size() == 1 ? " Diskette." : " Disketten."));
        report.lines.push_back("Für die Wiederherstellung bei „Anzahl Disketten“ " + count
                               + " eingeben.");
    }
    return report;
}

} // namespace

Report backUp(const Run &run)
{
    return BackUp(run).run();
}
