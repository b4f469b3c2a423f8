#pragma once

#include "terminal.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the console says once the archiver has ended, in German, learnt from
// its command and from what it wrote.
class Summary
{
public:
    struct Run
    {
        std::string summary; // "Sicherung von NOKRAT", as the window hands it in
        int disk = 1; // a restore's disk and how many there are
        int disks = 1;
        // Drive roots as host folders with a trailing "/": {"A:", "/…/floppy_a/"}.
        std::vector<std::pair<std::string, std::string>> drives;
    };

    Summary(Run run, std::vector<std::string> command);

    // The archiver's output as it comes, in pieces of any size.
    void feed(std::string_view output);
    // The whole summary, ending in the request to press Enter.
    std::string text(const terminal::Ending &ending) const;

private:
    enum class Mode { Backup, Restore, Other };
    struct Volume
    {
        std::string path; // host path
        long long size = -1; // last seen; -1 while not seen
    };

    void line(std::string_view text);
    void measureLastVolume();
    std::string windowsPath(const std::string &hostPath) const;
    bool onFloppy() const;

    Run m_run;
    std::vector<std::string> m_command;
    Mode m_mode = Mode::Other;
    std::string m_destination; // a restore's folder, host path with "/"
    std::string m_partial; // the line being written
    std::vector<Volume> m_volumes;
    std::vector<std::string> m_extracted; // host paths
    bool m_continued = false; // the last file goes on on the next volume
};
