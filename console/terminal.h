#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The system calls of the console companion; one file per system.
namespace terminal {

struct Ending
{
    bool signalled = false;
    int code = 0; // the exit status, or the signal's number
    // The run was cut short from outside: Ctrl+C, the console window
    // closed, the system shutting down. The archiver was stopped.
    bool interrupted = false;
    // This console is gone: nothing written reaches anyone, and no key comes.
    bool hungUp = false;
};

// From here on Ctrl+C, closing the window and a request to terminate no
// longer end this program: they stop the archiver, and run() reports them,
// so that what the run had begun can be put right.
void holdInterruptions();

// Asks done() again every tenth of a second until it says yes (true), or
// until Ctrl+C or the window's closing cut the waiting short (false).
bool waitUntil(const std::function<bool()> &done);

// This program's arguments after its name, as UTF-8 words (on Windows the
// wide command line split as the system does: a program path with blanks
// after "--" comes quoted, never guessed from the words it would make).
std::vector<std::string> arguments(int argc, char *argv[]);

// Runs the command (program and arguments, as given) and waits for it. A
// program that cannot start ends with code 127.
// Windows: the command line is made from the words by Windows' quoting
// rules (a word without blanks and quotes as it is), and the program runs in
// this console, whose screen buffer is read for onOutput while it runs, by
// line, the unfinished one at the cursor included. An exit status with the
// top bit set (an exception such as 0xC0000005) ends as signalled, with the
// status's low bits as its number.
// Linux: on a terminal the program gets a pseudo-terminal of its own that
// this one feeds from the keyboard, so it still prompts and reads answers;
// otherwise it shares this process's input. Everything it writes is passed
// on to the output and to onOutput.
// The program starts in the working folder (empty: this one's).
Ending run(const std::vector<std::string> &command, const std::string &workingFolder,
           const std::function<void(std::string_view)> &onOutput);

// Writes UTF-8 text to the output, on a Windows console as the characters
// it stands for.
void write(std::string_view text);

// The width of the output in columns where it is a console or terminal; 0
// for a pipe or a file.
std::size_t columns();

// Waits until Enter is pressed (or the input ends), dropping keys typed before.
void waitForEnter();

} // namespace terminal
