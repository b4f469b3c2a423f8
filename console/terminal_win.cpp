#include "terminal.h"

#include <windows.h>

#include <algorithm>
#include <atomic>

namespace terminal {

namespace {

// What the console control handler needs. Windows calls the handler on a
// thread of its own, with nothing handed to it, so this must be file-local
// state: the one place of the companion that has any.
HANDLE mainThreadDone = nullptr; // set when the main thread has put things right
HANDLE controlSeen = nullptr; // set by the control handler on any event
SRWLOCK childLock = SRWLOCK_INIT;
HANDLE runningChild = nullptr; // the archiver while it runs, under childLock
std::atomic<bool> interruptedFlag {false};
std::atomic<bool> hungUpFlag {false};

// Windows ends this process about 5 s after a close or shutdown event.
constexpr DWORD closeGrace = 4500;

BOOL WINAPI onControl(DWORD event)
{
    interruptedFlag = true;
    SetEvent(controlSeen);
    // The archiver shares this console and gets the event itself.
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    // The window closes, or the session ends.
    hungUpFlag = true;
    AcquireSRWLockExclusive(&childLock);
    if (runningChild)
        TerminateProcess(runningChild, STATUS_CONTROL_C_EXIT);
    ReleaseSRWLockExclusive(&childLock);
    // This process ends when the handler returns: not before the previous
    // files are back.
    WaitForSingleObject(mainThreadDone, closeGrace);
    return TRUE;
}

std::string utf8(const std::wstring &text)
{
    const int size = int(text.size());
    const int bytes
        = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string result(std::size_t(std::max(bytes, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, result.data(), bytes, nullptr, nullptr);
    return result;
}

std::wstring wide(std::string_view text)
{
    const int size = int(text.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring result(std::size_t(std::max(units, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, result.data(), units);
    return result;
}

bool isBlank(wchar_t c)
{
    return c == L' ' || c == L'\t';
}

// The command line split as Windows' argument parsing reads it: the
// program's name up to a blank or inside quotes; after it, 2n backslashes
// and a quote are n backslashes and a quote that opens or closes, 2n+1 are n
// and a literal quote, and "" inside quotes is a literal quote. Done here,
// not by CommandLineToArgvW: shell32 brings user32 in, and a console
// program with user32 gets no logoff and shutdown events.
std::vector<std::wstring> split(const std::wstring &line)
{
    std::vector<std::wstring> words;
    const bool quotedProgram = !line.empty() && line[0] == L'"';
    const std::size_t programEnd = quotedProgram ? line.find(L'"', 1) : line.find_first_of(L" \t");
    const std::size_t stop = std::min(programEnd, line.size());
    words.push_back(line.substr(quotedProgram ? 1 : 0, stop - (quotedProgram ? 1 : 0)));
    std::size_t at = quotedProgram && programEnd != std::wstring::npos ? programEnd + 1 : stop;
    while (true) {
        while (at < line.size() && isBlank(line[at]))
            ++at;
        if (at >= line.size())
            break;
        std::wstring word;
        bool inQuotes = false;
        while (at < line.size() && (inQuotes || !isBlank(line[at]))) {
            std::size_t backslashes = 0;
            while (at < line.size() && line[at] == L'\\') {
                ++backslashes;
                ++at;
            }
            if (at < line.size() && line[at] == L'"') {
                word.append(backslashes / 2, L'\\');
                if (backslashes % 2 == 1) {
                    word += L'"';
                } else if (inQuotes && at + 1 < line.size() && line[at + 1] == L'"') {
                    word += L'"';
                    ++at;
                } else {
                    inQuotes = !inQuotes;
                }
                ++at;
            } else {
                word.append(backslashes, L'\\');
                if (backslashes == 0)
                    word += line[at++];
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

// One word of a command line as Windows' argument parsing reads it back:
// as it is without blanks and quotes, so that the usual command lines stay
// as they always were; else in quotes, backslashes before a quote doubled.
std::wstring quoted(const std::wstring &word)
{
    if (!word.empty() && word.find_first_of(L" \t\n\v\"") == std::wstring::npos)
        return word;
    std::wstring result = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        result.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        result += c;
        backslashes = 0;
    }
    return result.append(2 * backslashes, L'\\') + L'"';
}

// What the archiver writes to this console, read back from the screen
// buffer, which is made tall enough not to scroll during a run (scrolled
// rows would be missed). A row filled to the buffer's width goes on on the
// next one; a line is finished once the cursor has left it.
class Screen
{
public:
    explicit Screen(HANDLE output)
        : m_output(output)
    {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!GetConsoleScreenBufferInfo(output, &info))
            return;
        m_console = true;
        SetConsoleScreenBufferSize(output, {info.dwSize.X, std::max<SHORT>(info.dwSize.Y, 9999)});
        // What stands on the cursor's row already is not the archiver's.
        look([](std::string_view) {});
    }

    // Hands on what was added since the last look: the rest of each line
    // finished since, with its "\n", then what was added to the line the
    // cursor is on (where the archiver's questions wait), or all of that
    // line when it was written over.
    void look(const std::function<void(std::string_view)> &onOutput)
    {
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (!m_console || !GetConsoleScreenBufferInfo(m_output, &info))
            return;
        const SHORT cursor = info.dwCursorPosition.Y;
        if (cursor < m_row) { // the screen was cleared
            m_row = cursor;
            m_given.clear();
        }
        std::wstring row(std::size_t(std::max<SHORT>(info.dwSize.X, 1)), L' ');
        std::wstring line;
        for (SHORT y = m_row; y <= cursor; ++y) {
            DWORD read = 0;
            if (!ReadConsoleOutputCharacterW(m_output, row.data(), DWORD(row.size()), {0, y},
                                             &read))
                return;
            const std::size_t used = row.find_last_not_of(L' ', read ? read - 1 : 0);
            const bool full = read == row.size() && used == read - 1;
            line.append(row.data(), used == std::wstring::npos || read == 0 ? 0 : used + 1);
            if (y == cursor)
                break;
            if (full)
                continue;
            give(line, true, onOutput);
            line.clear();
            m_row = SHORT(y + 1);
        }
        give(line, false, onOutput);
    }

private:
    void give(const std::wstring &line, bool finished,
              const std::function<void(std::string_view)> &onOutput)
    {
        std::wstring added = line.starts_with(m_given) ? line.substr(m_given.size()) : line;
        if (finished)
            added += L'\n';
        // At most the line the cursor is on.
        m_given = finished ? std::wstring() : line;
        if (!added.empty())
            onOutput(utf8(added));
    }

    HANDLE m_output;
    bool m_console = false;
    SHORT m_row = 0; // the first row of the line not yet finished
    std::wstring m_given; // what of that line was handed on
};

} // namespace

void holdInterruptions()
{
    mainThreadDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    controlSeen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(onControl, TRUE);
}

bool waitUntil(const std::function<bool()> &done)
{
    while (!done()) {
        if (interruptedFlag || hungUpFlag)
            return false;
        Sleep(100);
    }
    return true;
}

std::vector<std::string> arguments(int, char *[])
{
    const std::vector<std::wstring> words = split(GetCommandLineW());
    std::vector<std::string> result;
    for (std::size_t at = 1; at < words.size(); ++at)
        result.push_back(utf8(words[at]));
    return result;
}

Ending run(const std::vector<std::string> &command, const std::string &workingFolder,
           const std::function<void(std::string_view)> &onOutput)
{
    // Interrupted before it began: it does not begin.
    if (interruptedFlag.exchange(false) || hungUpFlag)
        return {false, 127, true, hungUpFlag};
    std::wstring line;
    for (const std::string &word : command)
        line += (line.empty() ? L"" : L" ") + quoted(wide(word));
    const std::wstring folder = wide(workingFolder);

    // The archiver writes to this console and reads the user's answers from it.
    Screen screen(GetStdHandle(STD_OUTPUT_HANDLE));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // The default error mode lets Windows ask for a missing floppy. Held
    // until it is known to the control handler.
    if (command.empty()
        || !CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                           CREATE_DEFAULT_ERROR_MODE | CREATE_SUSPENDED, nullptr,
                           folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        const DWORD error = GetLastError();
        write((command.empty() ? std::string() : command.front()) + ": Fehler "
              + std::to_string(error) + "\n");
        return {false, 127};
    }
    AcquireSRWLockExclusive(&childLock);
    runningChild = process.hProcess;
    const bool closing = hungUpFlag;
    ReleaseSRWLockExclusive(&childLock);
    if (closing)
        TerminateProcess(process.hProcess, STATUS_CONTROL_C_EXIT);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);

    // Read while it runs: a backup looks at a volume while its disk is in.
    while (WaitForSingleObject(process.hProcess, 200) == WAIT_TIMEOUT)
        screen.look(onOutput);
    screen.look(onOutput);

    DWORD code = 0;
    const bool known = GetExitCodeProcess(process.hProcess, &code);
    // A program that Ctrl+C ended exits with 0 under Wine, and the console
    // may get to this process's handler only after that end: a clean end
    // waits a moment for it.
    if (known && code == 0)
        WaitForSingleObject(controlSeen, 250);
    AcquireSRWLockExclusive(&childLock);
    runningChild = nullptr;
    ReleaseSRWLockExclusive(&childLock);
    CloseHandle(process.hProcess);

    Ending ending;
    // An exit status with the top bit set is an NTSTATUS of an exception
    // or of a forced end (0xC0000005 access violation, 0xC000013A Ctrl+C),
    // never a status the program chose: it counts as a signal, and its
    // number is the status without the severity and flag bits (5, 314).
    ending.signalled = known && (code & 0x80000000u) != 0;
    ending.code = !known ? 127 : ending.signalled ? int(code & 0x0FFFFFFFu) : int(code);
    ending.hungUp = hungUpFlag;
    // The archiver may end on Ctrl+C before the handler has run.
    ending.interrupted
        = interruptedFlag.exchange(false) || ending.hungUp || code == STATUS_CONTROL_C_EXIT;
    return ending;
}

void write(std::string_view text)
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(output, &mode)) {
        const std::wstring characters = wide(text);
        WriteConsoleW(output, characters.data(), DWORD(characters.size()), &written, nullptr);
    } else {
        WriteFile(output, text.data(), DWORD(text.size()), &written, nullptr);
    }
}

std::size_t columns()
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    return GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)
        ? std::size_t(info.dwSize.X)
        : 0;
}

void waitForEnter()
{
    // A closing window may now end this program.
    if (mainThreadDone)
        SetEvent(mainThreadDone);
    if (hungUpFlag)
        return;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    const bool console = GetConsoleMode(input, &mode);
    if (console)
        FlushConsoleInputBuffer(input);
    wchar_t c = 0;
    char byte = 0;
    DWORD read = 0;
    while (console ? ReadConsoleW(input, &c, 1, &read, nullptr) && read == 1
                   : ReadFile(input, &byte, 1, &read, nullptr) && read == 1) {
        if (console ? c == L'\r' || c == L'\n' : byte == '\n' || byte == '\r')
            return;
    }
}

} // namespace terminal
