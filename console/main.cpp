// The archiver's console companion. Runs the archiver exactly as given, in
// this terminal, waits for it and then tells the user in German what
// happened, until Enter closes the window.
//
//   horbelung-console [--summary TEXT] [--disk I/N] [--drive X:=HOSTFOLDER/]...
//                     -- PROGRAM ARGUMENTS...
//
// Exits with the archiver's status (128 + the signal's number when killed).

#include "summary.h"
#include "terminal.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace {

int usage()
{
    std::fputs("usage: horbelung-console [--summary TEXT] [--disk I/N] [--drive X:=FOLDER/]... "
               "-- PROGRAM ARGUMENTS...\n",
               stderr);
    return 2;
}

// Takes one option and its value into the run; false for anything else.
bool take(Summary::Run &run, std::string_view option, const std::string &value)
{
    if (option == "--summary") {
        run.summary = value;
        return true;
    }
    if (option == "--disk")
        return std::sscanf(value.c_str(), "%d/%d", &run.disk, &run.disks) == 2;
    if (option == "--drive" && value.size() > 3 && value[1] == ':' && value[2] == '=') {
        run.drives.emplace_back(value.substr(0, 2), value.substr(3));
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::vector<std::string> words = terminal::arguments(argc, argv);
    Summary::Run run;
    std::size_t at = 0;
    for (; at + 1 < words.size() && words[at] != "--"; at += 2) {
        if (!take(run, words[at], words[at + 1]))
            return usage();
    }
    if (at + 1 >= words.size() || words[at] != "--")
        return usage();
    const std::vector<std::string> command(words.begin() + std::ptrdiff_t(at) + 1, words.end());

    Summary summary(run, command);
    const terminal::Ending ending
        = terminal::run(command, [&](std::string_view output) { summary.feed(output); });
    const std::string text = summary.text(ending);
    terminal::write(text);
    terminal::waitForEnter();
    return ending.signalled ? 128 + ending.code : ending.code;
}
