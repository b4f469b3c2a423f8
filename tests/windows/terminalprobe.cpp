// The console companion's terminal functions, driven from tst_winterminal
// in a console of their own, and the programs they run.
//
//   terminalprobe run LOG FOLDER WORDS        runs the words of the file
//       WORDS (one a line) in a console as a German Windows has it (80
//       columns, code page 850), logs what onOutput got and how it ended;
//       "-" is no working folder
//   terminalprobe show LOG TEXT               writes the text there, and
//       logs what the console's screen then shows
//   terminalprobe words LOG ...               logs its own words as the
//       companion reads them
//   terminalprobe argv LOG ...                as a started program: logs its
//       argv as Windows splits it, its command line and working folder
//   terminalprobe ask FLAG                    asks the archiver's question
//       and waits for FLAG to exist, at most 20 s (exit 1 after that)
//   terminalprobe wide N                      a line of N characters
//   terminalprobe umlauts                     "Größe äüö" in code page 850
//   terminalprobe lines N                     N short lines
//   terminalprobe sleep MS                    says so, and sleeps
//   terminalprobe lock FILE FLAG              holds the lock on FILE (and
//       says so in FILE.held) until FLAG exists, at most 20 s
//   terminalprobe exit N                      ends with status N
//   terminalprobe crash                       an access violation

#include "console/statefiles.h"
#include "console/terminal.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

std::string utf8(const wchar_t *text)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string result(std::size_t(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), bytes, nullptr, nullptr);
    result.pop_back();
    return result;
}

void append(const std::string &log, const std::string &text)
{
    std::ofstream(log, std::ios::binary | std::ios::app) << text;
}

// Control characters as \n or \xNN, so that a log line is one piece.
std::string escaped(std::string_view text)
{
    std::string result;
    for (const char c : text) {
        if (c == '\n') {
            result += "\\n";
        } else if (static_cast<unsigned char>(c) < 0x20 || c == '\\') {
            char code[8];
            std::snprintf(code, sizeof code, "\\x%02x", static_cast<unsigned char>(c));
            result += code;
        } else {
            result += c;
        }
    }
    return result;
}

void print(const std::string &text)
{
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), DWORD(text.size()), &written, nullptr);
}

void asOnGermanWindows()
{
    SetConsoleOutputCP(850);
    SetConsoleScreenBufferSize(GetStdHandle(STD_OUTPUT_HANDLE), {80, 300});
}

// The console's row above the cursor, as it shows it: the line written last.
std::string lastRow()
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    GetConsoleScreenBufferInfo(output, &info);
    wchar_t row[80];
    DWORD read = 0;
    ReadConsoleOutputCharacterW(output, row, 80, {0, SHORT(info.dwCursorPosition.Y - 1)}, &read);
    std::wstring shown(row, read);
    shown.erase(shown.find_last_not_of(L' ') + 1);
    return utf8(shown.c_str());
}

int runWords(char *argv[])
{
    const std::string log = argv[2];
    const std::string folder = argv[3] == std::string("-") ? std::string() : argv[3];
    std::vector<std::string> command;
    std::ifstream words(argv[4], std::ios::binary);
    for (std::string word; std::getline(words, word);)
        command.push_back(word);
    asOnGermanWindows();
    terminal::holdInterruptions();
    std::string seen;
    const terminal::Ending ending = terminal::run(command, folder, [&](std::string_view piece) {
        append(log, "piece " + escaped(piece) + "\n");
        seen += piece;
        if (seen.find("OK to process next volume") != std::string::npos) {
            append(log + ".flag", "");
            seen.clear();
        }
    });
    append(log,
           "ending " + std::to_string(ending.signalled) + " " + std::to_string(ending.code) + " "
               + std::to_string(ending.interrupted) + " " + std::to_string(ending.hungUp) + "\n");
    // Why a program did not start, as the console says.
    if (ending.code == 127)
        append(log, "shown " + lastRow() + "\n");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "run" && argc > 4)
        return runWords(argv);
    if (mode == "words" && argc > 2) {
        for (const std::string &word : terminal::arguments(argc, argv))
            append(argv[2], word + "\n");
        return 0;
    }
    if (mode == "argv" && argc > 2) {
        int count = 0;
        wchar_t **words = CommandLineToArgvW(GetCommandLineW(), &count);
        std::string text;
        for (int at = 0; at < count; ++at)
            text += "argv " + utf8(words[at]) + "\n";
        LocalFree(words);
        wchar_t folder[MAX_PATH];
        GetCurrentDirectoryW(MAX_PATH, folder);
        append(argv[2],
               text + "line " + utf8(GetCommandLineW()) + "\nfolder " + utf8(folder) + "\n");
        return 0;
    }
    if (mode == "show" && argc > 3) {
        asOnGermanWindows();
        terminal::write(terminal::arguments(argc, argv).at(2) + "\n");
        append(argv[2], lastRow() + "\n");
        return 0;
    }
    if (mode == "umlauts") {
        print("Gr\x94\xe1"
              "e \x84\x81\x94\r\n");
        return 0;
    }
    if (mode == "ask" && argc > 2) {
        print("Volume written.\r\nOK to process next volume (1)? ");
        for (int waited = 0; waited < 400; ++waited) {
            if (GetFileAttributesA(argv[2]) != INVALID_FILE_ATTRIBUTES) {
                print("\r\nnext\r\n");
                return 0;
            }
            Sleep(50);
        }
        return 1;
    }
    if (mode == "wide" && argc > 2) {
        print(std::string(std::size_t(std::atoi(argv[2])), 'w') + "\r\nend\r\n");
        return 0;
    }
    if (mode == "lines" && argc > 2) {
        std::string lines;
        for (int line = 1; line <= std::atoi(argv[2]); ++line)
            lines += "Zeile " + std::to_string(line) + "\r\n";
        print(lines);
        return 0;
    }
    if (mode == "sleep" && argc > 2) {
        print("sleeping\r\n");
        Sleep(DWORD(std::atoi(argv[2])));
        return 0;
    }
    if (mode == "lock" && argc > 3) {
        statefiles::Lock lock(argv[2]);
        if (!lock.tryLock())
            return 1;
        append(std::string(argv[2]) + ".held", "");
        for (int waited = 0; waited < 400 && GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES;
             ++waited)
            Sleep(50);
        return 0;
    }
    if (mode == "exit" && argc > 2)
        return int(std::strtoul(argv[2], nullptr, 0));
    if (mode == "crash") {
        // Ends as Windows ends a crashed program, without its debugger.
        SetUnhandledExceptionFilter(
            [](EXCEPTION_POINTERS *) -> LONG { return EXCEPTION_EXECUTE_HANDLER; });
        volatile int *volatile nowhere = nullptr;
        return *nowhere;
    }
    return 7;
}
