// The archiver's console companion. Runs the archiver in this terminal,
// waits for it and then tells the user in German what the run did, taken
// from the archive and the files, until Enter closes the window.
//
//   horbelung-console [--summary TEXT] [--disk I/N] [--restore ID] [--state FOLDER]
//                     [--drive X:=HOSTFOLDER/]... -- PROGRAM ARGUMENTS...
//
// A backup ("a") and a restore ("x") need the state folder. Exits with 0
// when the run did what it was asked to, else 1 (7 for a wrong call).

#include "run.h"
#include "terminal.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

int usage()
{
    std::fputs("usage: horbelung-console [--summary TEXT] [--disk I/N] [--restore ID] "
               "[--state FOLDER] [--drive X:=FOLDER/]... -- PROGRAM ARGUMENTS...\n",
               stderr);
    return 7;
}

// Takes one option and its value into the run; false for anything else.
bool take(Run &run, std::string_view option, const std::string &value)
{
    if (option == "--summary") {
        run.summary = value;
        return true;
    }
    if (option == "--disk")
        return std::sscanf(value.c_str(), "%d/%d", &run.disk, &run.disks) == 2 && run.disk >= 1
            && run.disks >= run.disk;
    if (option == "--restore") {
        run.id = value;
        return true;
    }
    if (option == "--state") {
        run.stateFolder = value;
        return true;
    }
    if (option == "--drive" && value.size() > 3 && value[1] == ':' && value[2] == '=') {
        run.drives.emplace_back(value.substr(0, 2), value.substr(3));
        return true;
    }
    return false;
}

// Another program than the archiver: run it, and say how it ended.
Report otherRun(const Run &run)
{
    const terminal::Ending ending = terminal::run(run.command, {}, [](std::string_view) {});
    if (ending.signalled)
        return {"abgebrochen (Signal " + std::to_string(ending.code) + ")", {}, 1};
    if (ending.code != 0)
        return {"FEHLGESCHLAGEN (Fehler " + std::to_string(ending.code) + ")", {}, 1};
    return {"erfolgreich abgeschlossen", {}, 0};
}

// The summary, its lines broken at blanks short of the console's width: the
// console would break them anywhere, and a full row adds an empty one.
std::string text(const Run &run, const Report &report, std::size_t columns)
{
    const std::size_t width = columns > 1 ? columns - 1 : std::string::npos;
    std::string text = "\n────────────────────────────────────────\n";
    text += words::wrapped((run.summary.empty() ? run.command.front() : run.summary) + ": "
                               + report.status + ".",
                           width)
        + '\n';
    for (const std::string &line : report.lines)
        text += words::wrapped(line, width) + '\n';
    return text + "\nFenster schließen: Eingabetaste\n";
}

} // namespace

int main(int argc, char *argv[])
{
    const std::vector<std::string> words = terminal::arguments(argc, argv);
    Run run;
    std::size_t at = 0;
    for (; at + 1 < words.size() && words[at] != "--"; at += 2) {
        if (!take(run, words[at], words[at + 1]))
            return usage();
    }
    if (at + 1 >= words.size() || words[at] != "--")
        return usage();
    run.command.assign(words.begin() + std::ptrdiff_t(at) + 1, words.end());

    // From here on the run ends the way it began, whatever happens to the console.
    terminal::holdInterruptions();
    const std::string verb = run.command.size() > 1 ? run.command[1] : std::string();
    const Report report = verb == "x" ? restoreDisk(run)
        : verb == "a"                 ? backUp(run)
                                      : otherRun(run);
    terminal::write(text(run, report, terminal::columns()));
    terminal::waitForEnter();
    return report.exitCode;
}
