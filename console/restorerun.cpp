// One disk of a restore: checks the disk against what the earlier disks of
// the restore read, extracts it into the restore's own folder, checks every
// part against the archive's headers, and once the archive has ended moves
// the files into the database folder. Anything less puts the previous files
// back.

#include "arjheader.h"
#include "outputfilter.h"
#include "partcheck.h"
#include "restorejournal.h"
#include "run.h"
#include "statefiles.h"
#include "terminal.h"

#include <algorithm>
#include <filesystem>
#include <optional>

namespace {

namespace fs = std::filesystem;

fs::path host(const std::string &utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string utf8(const fs::path &path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

long long sizeOf(const std::string &path)
{
    std::error_code error;
    const auto size = fs::file_size(host(path), error);
    return error ? -1 : static_cast<long long>(size);
}

constexpr std::string_view previousKept = "Die vorherige Datenbank ist unverändert an ihrem Platz.";

// Our backups hold plain files stored without a path; anything else on a
// disk is no backup of this program and could write elsewhere.
bool plainFile(const arj::Part &part)
{
    return (part.type == arj::binaryFile || part.type == arj::textFile) && !part.garbled()
        && words::plainName(part.name);
}

// How many disks the backup has, as far as its volumes beside this one
// tell: "3", or "mindestens 2" where the next one is not there to read.
std::string diskCountFrom(const std::string &folder, const std::string &name, int number)
{
    for (int next = number + 1; next < 1000; ++next) {
        const std::optional<arj::Volume> volume
            = arj::readVolumeFile(folder + words::volumeName(name, next), nullptr);
        if (!volume)
            return "mindestens " + std::to_string(next);
        if (!volume->continuesOnNext())
            return std::to_string(next);
    }
    return "mindestens 1000";
}

class RestoreDisk
{
public:
    explicit RestoreDisk(const Run &run)
        : m_run(run)
        , m_volumePath(run.command.size() > 3 ? run.command[2] : std::string())
        , m_folder(run.command.size() > 3 ? run.command[3] : std::string())
        , m_journalPath(restore::journalPath(run.stateFolder, m_folder))
        , m_lock(restore::lockPath(run.stateFolder, m_folder))
    { }

    Report run();

private:
    Report failed(const std::string &reason, std::vector<std::string> advice = {});
    Report refused(const std::string &reason);
    bool takeTurn(Report &refusal);
    std::optional<Report> journalForThisDisk();
    std::optional<Report> checkVolume(const arj::Volume &volume);
    std::optional<Report> checkParts(const arj::Volume &volume, PartCheck &check);
    std::optional<Report> findReplacedFiles();
    void keepJournal();
    std::string shownVolume() const { return m_run.windowsPath(m_volumePath); }
    std::string volumeFileName() const { return words::split(m_volumePath).second; }
    std::string expected() const
    {
        return "erwartet wird Diskette " + std::to_string(m_run.disk) + " mit " + volumeFileName()
            + ".";
    }

    const Run &m_run;
    std::string m_volumePath;
    std::string m_folder;
    std::string m_journalPath;
    statefiles::Lock m_lock;
    restore::Journal m_journal;
    std::vector<std::string> m_notes; // said before the outcome
};

// The previous disk's run may still be going on: the same restore waits for
// it; another one never writes the folder at the same time.
bool RestoreDisk::takeTurn(Report &refusal)
{
    if (m_lock.tryLock())
        return true;
    const std::optional<restore::Journal> running = restore::load(m_journalPath);
    if (m_run.disk > 1 && running && running->id == m_run.id) {
        terminal::write("Diskette " + std::to_string(m_run.disk - 1)
                        + " wird noch gelesen – bitte warten …\n");
        if (terminal::waitUntil([this] { return m_lock.tryLock(); }))
            return true;
        // Nothing of this disk was begun; the next disk will know.
        refusal = refused("Das Warten auf Diskette " + std::to_string(m_run.disk - 1)
                          + " wurde abgebrochen.");
        return false;
    }
    refusal = refused("In " + m_run.windowsPath(m_folder)
                      + " wird gerade eine andere Wiederherstellung ausgeführt. Warten Sie, bis "
                        "sie beendet ist, und starten Sie die Wiederherstellung dann neu.");
    return false;
}

Report RestoreDisk::refused(const std::string &reason)
{
    Report report {"FEHLGESCHLAGEN", m_notes, 1};
    report.lines.push_back(reason);
    report.lines.push_back("Es wurde nichts wiederhergestellt. " + std::string(previousKept));
    return report;
}

// Ends the restore with the previous files in place.
Report RestoreDisk::failed(const std::string &reason, std::vector<std::string> advice)
{
    Report report {"FEHLGESCHLAGEN", m_notes, 1};
    report.lines.push_back(reason);
    const bool back = restore::undo(m_journal);
    if (back) {
        m_journal.phase = restore::Phase::Failed;
        m_journal.failedAt = m_run.disk;
        m_journal.reason = reason;
        report.lines.push_back("Es wurde nichts wiederhergestellt. " + std::string(previousKept));
        report.lines.insert(report.lines.end(), advice.begin(), advice.end());
    } else {
        report.lines.push_back("ACHTUNG: Die vorherigen Dateien konnten nicht vollständig an "
                               "ihren Platz zurückgebracht werden. Sie liegen in "
                               + m_run.windowsPath(m_journal.previousFolder())
                               + ". Beim nächsten Start bietet Horbelung an, sie "
                                 "zurückzubringen.");
    }
    keepJournal();
    return report;
}

// The journal stays for the later disks of the restore, which say why they
// read nothing; the last disk the window asks for removes it once it ended.
void RestoreDisk::keepJournal()
{
    std::error_code error;
    if (!m_journal.unfinished() && m_run.disk >= m_run.disks)
        fs::remove(host(m_journalPath), error);
    else
        restore::save(m_journalPath, m_journal);
}

std::optional<Report> RestoreDisk::journalForThisDisk()
{
    std::optional<restore::Journal> earlier = restore::load(m_journalPath);
    if (m_run.disk == 1) {
        if (earlier && earlier->unfinished()) {
            if (!restore::undo(*earlier))
                return refused("Eine frühere Wiederherstellung nach " + m_run.windowsPath(m_folder)
                               + " ist nicht abgeschlossen, und ihre vorherigen Dateien konnten "
                                 "nicht zurückgebracht werden. Starten Sie Horbelung neu.");
            m_notes.push_back("Eine frühere, nicht abgeschlossene Wiederherstellung wurde "
                              "rückgängig gemacht.");
        }
        m_journal = {};
        m_journal.id = m_run.id;
        m_journal.folder = m_folder;
        m_journal.shownFolder = m_run.windowsPath(m_folder);
        m_journal.disks = m_run.disks;
        // The archiver made a missing database folder; the restore does too.
        std::error_code error;
        fs::create_directories(host(m_folder), error);
        if (!fs::create_directory(host(m_journal.newFolder()), error)
            || !restore::save(m_journalPath, m_journal)) {
            fs::remove(host(m_journal.newFolder()), error);
            return refused("Im Verzeichnis " + m_journal.shownFolder
                           + " kann nicht geschrieben werden.");
        }
        return std::nullopt;
    }
    if (!earlier || earlier->id != m_run.id)
        return refused("Diese Diskette gehört zu keiner laufenden Wiederherstellung: Diskette 1 "
                       "wurde nicht gelesen.");
    m_journal = std::move(*earlier);
    const std::string at = std::to_string(m_journal.failedAt);
    if (m_journal.phase == restore::Phase::Failed) {
        Report report {"nicht ausgeführt", m_notes, 1};
        report.lines.push_back("Die Wiederherstellung wurde bei Diskette " + at
                               + " abgebrochen: " + m_journal.reason);
        report.lines.push_back("Diese Diskette wird nicht gelesen. " + std::string(previousKept));
        keepJournal();
        return report;
    }
    if (m_journal.phase == restore::Phase::Done) {
        Report report {"nicht nötig", m_notes, 0};
        report.lines.push_back("Die Wiederherstellung war bereits mit Diskette "
                               + std::to_string(m_journal.disksRead)
                               + " vollständig; diese Diskette wird nicht gebraucht.");
        keepJournal();
        return report;
    }
    if (m_journal.disksRead != m_run.disk - 1)
        return failed("Diskette " + std::to_string(m_journal.disksRead + 1)
                      + " wurde nicht zu Ende gelesen.");
    return std::nullopt;
}

std::optional<Report> RestoreDisk::checkVolume(const arj::Volume &volume)
{
    if (!words::sameName(volume.archiveName, volumeFileName()))
        return failed("Falsche Diskette: " + expected());
    const bool continued = !volume.parts.empty() && volume.parts.front().continuedFromPrevious();
    const restore::File *open = m_journal.files.empty() || m_journal.files.back().complete
        ? nullptr
        : &m_journal.files.back();
    if (continued != (open != nullptr)
        || (open
            && (volume.parts.front().name != open->name
                || volume.parts.front().position != open->restored
                || volume.parts.front().time != open->time)))
        return failed("Falsche Diskette: " + expected());
    for (std::size_t at = 0; at < volume.parts.size(); ++at) {
        const arj::Part &part = volume.parts[at];
        if (!plainFile(part))
            return failed("Die Diskette enthält einen Eintrag, der keine Datenbankdatei ist („"
                          + visible(part.name)
                          + "“); sie stammt nicht von einer Sicherung mit Horbelung.");
        if (at > 0 && part.continuedFromPrevious())
            return failed("Das Archiv " + shownVolume() + " ist beschädigt.");
    }
    if (volume.continuesOnNext() && m_run.disk >= m_run.disks) {
        const auto [folder, name] = words::split(m_volumePath);
        const std::string count = diskCountFrom(folder, name, words::volumeNumber(name));
        return failed("Die Sicherung hat mehr Disketten, als bei „Anzahl Disketten“ angegeben "
                      "waren: sie wird nach Diskette "
                          + std::to_string(m_run.disk) + " fortgesetzt.",
                      {"Wiederholen Sie die Wiederherstellung und geben Sie bei „Anzahl "
                       "Disketten“ "
                       + count + " ein."});
    }
    return std::nullopt;
}

// Every part of the disk is in the new folder, at its place, with its sum,
// and each file ends where its last part does.
std::optional<Report> RestoreDisk::checkParts(const arj::Volume &volume, PartCheck &check)
{
    if (const std::optional<std::string> broken = check.finish())
        return failed("Die Datei " + *broken
                      + " ist nach dem Lesen dieser Diskette nicht vollständig oder fehlerhaft.");
    for (const arj::Part &part : volume.parts) {
        auto file = std::find_if(
            m_journal.files.begin(), m_journal.files.end(),
            [&](const restore::File &f) { return words::sameName(f.name, part.name); });
        if (!part.continuedFromPrevious()) {
            if (file != m_journal.files.end())
                return failed("Das Archiv enthält " + part.name + " mehrmals.");
            m_journal.files.push_back({part.name, 0, false, part.time, {}});
            file = m_journal.files.end() - 1;
        }
        const std::string path = m_journal.newFolder() + part.name;
        if (!part.continuesOnNext()
            && sizeOf(path) != static_cast<long long>(part.position) + part.size)
            return failed("Die Datei " + part.name
                          + " ist nach dem Lesen dieser Diskette nicht vollständig oder "
                            "fehlerhaft.");
        file->restored = std::uint64_t(part.position) + part.size;
        file->complete = !part.continuesOnNext();
    }
    m_journal.continues = volume.continuesOnNext();
    m_journal.disksRead = m_run.disk;
    return std::nullopt;
}

// Which entry of the database folder each file replaces: its own name, else
// the one name that differs only in case, as Windows would overwrite it.
std::optional<Report> RestoreDisk::findReplacedFiles()
{
    std::vector<std::string> entries;
    std::error_code error;
    for (const auto &entry : fs::directory_iterator(host(m_folder), error))
        entries.push_back(utf8(entry.path().filename()));
    for (restore::File &file : m_journal.files) {
        std::string exact;
        std::vector<std::string> folded;
        for (const std::string &entry : entries) {
            if (entry == file.name)
                exact = entry;
            else if (words::sameName(entry, file.name))
                folded.push_back(entry);
        }
        if (exact.empty() && folded.size() > 1)
            return failed("Im Verzeichnis " + m_journal.shownFolder
                          + " gibt es mehrere Dateien namens " + file.name
                          + ", die sich nur in der Groß- und Kleinschreibung unterscheiden.");
        file.replaces = !exact.empty() ? exact : folded.empty() ? std::string() : folded.front();
        if (!file.replaces.empty()
            && !fs::is_regular_file(fs::symlink_status(host(m_folder + file.replaces), error)))
            return failed(m_journal.shownFolder + file.replaces + " ist keine Datei.");
    }
    return std::nullopt;
}

Report RestoreDisk::run()
{
    if (m_volumePath.empty() || !(m_folder.ends_with('/') || m_folder.ends_with('\\'))
        || m_run.stateFolder.empty())
        return {"FEHLGESCHLAGEN", {"Der Aufruf nennt kein Archiv und kein Zielverzeichnis."}, 7};
    Report refusal;
    if (!takeTurn(refusal))
        return refusal;
    if (std::optional<Report> ended = journalForThisDisk())
        return *ended;

    arj::Error damage {};
    const std::optional<arj::Volume> volume = arj::readVolumeFile(m_volumePath, &damage);
    if (!volume && damage == arj::Error::Missing)
        return failed("Falsche oder keine Diskette im Laufwerk: " + expected());
    if (!volume)
        return failed("Das Archiv " + shownVolume() + " ist beschädigt oder keine Sicherung.");
    if (std::optional<Report> wrong = checkVolume(*volume))
        return *wrong;

    // The archiver writes into the restore's own folder and works there.
    std::vector<std::string> command = m_run.command;
    command[3] = m_journal.newFolder();
    PartCheck check(volume->parts, m_journal.newFolder());
    const terminal::Ending ending = terminal::run(command, m_journal.newFolder(),
                                                  [&check](std::string_view) { check.catchUp(); });
    if (const std::optional<std::string> reason = words::cutShort(ending, "Wiederherstellung"))
        return failed(*reason);
    if (const std::optional<std::string> reason = words::archiverError(ending))
        return failed(*reason);
    if (std::optional<Report> broken = checkParts(*volume, check))
        return *broken;

    if (volume->continuesOnNext()) {
        keepJournal();
        Report report {"gelesen und geprüft", m_notes, 0};
        report.lines.push_back("Die Datenbank wird auf Diskette " + std::to_string(m_run.disk + 1)
                               + " fortgesetzt. Bis zur letzten Diskette bleibt die vorherige "
                                 "Datenbank unverändert.");
        return report;
    }
    if (std::optional<Report> unclear = findReplacedFiles())
        return *unclear;
    if (!restore::replace(m_journal, m_journalPath))
        return failed("Die wiederhergestellten Dateien konnten nicht an ihren Platz gebracht "
                      "werden.");
    keepJournal();
    Report report {"erfolgreich abgeschlossen", m_notes, 0};
    report.lines.push_back("Wiederhergestellte Dateien (vollständig und geprüft):");
    for (const restore::File &file : m_journal.files) {
        const std::string path = m_folder + (file.replaces.empty() ? file.name : file.replaces);
        report.lines.push_back("  " + m_run.windowsPath(path) + "   " + words::bytes(sizeOf(path)));
    }
    if (m_run.disk < m_run.disks)
        report.lines.push_back("Die Sicherung endet mit dieser Diskette; die weiteren werden "
                               "nicht gebraucht.");
    return report;
}

} // namespace

Report restoreDisk(const Run &run)
{
    return RestoreDisk(run).run();
}
