#include "terminal.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

namespace terminal {

namespace {

std::string utf8(const wchar_t *text, int size)
{
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
    std::string result(std::size_t(std::max(bytes, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, size, result.data(), bytes, nullptr, nullptr);
    return result;
}

// The part of this process's command line after the first " -- " outside
// quotes, as it was given. A quote counts where an even number of
// backslashes stands before it, as Windows' argument parsing reads it.
std::wstring commandAfterSeparator()
{
    const std::wstring line = GetCommandLineW();
    bool inQuotes = false;
    std::size_t backslashes = 0;
    for (std::size_t at = 0; at < line.size(); ++at) {
        const wchar_t c = line[at];
        if (c == L'"' && backslashes % 2 == 0)
            inQuotes = !inQuotes;
        backslashes = c == L'\\' ? backslashes + 1 : 0;
        if (!inQuotes && line.compare(at, 4, L" -- ") == 0)
            return line.substr(at + 4);
    }
    return {};
}

// Rows of the screen buffer from one row up to the cursor's, without the
// blanks that fill them.
void readBack(HANDLE output, SHORT firstRow, const std::function<void(std::string_view)> &onOutput)
{
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(output, &info))
        return;
    std::wstring row(std::size_t(info.dwSize.X), L' ');
    for (SHORT y = firstRow; y <= info.dwCursorPosition.Y; ++y) {
        DWORD read = 0;
        if (!ReadConsoleOutputCharacterW(output, row.data(), DWORD(row.size()), {0, y}, &read))
            return;
        const std::size_t end = row.find_last_not_of(L' ', read ? read - 1 : 0);
        const int used = end == std::wstring::npos || read == 0 ? 0 : int(end + 1);
        onOutput(utf8(row.data(), used) + '\n');
    }
}

} // namespace

std::vector<std::string> arguments(int, char *[])
{
    int count = 0;
    wchar_t **words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; i < count; ++i)
        result.push_back(utf8(words[i], -1).c_str());
    LocalFree(words);
    return result;
}

Ending run(const std::vector<std::string> &, const std::function<void(std::string_view)> &onOutput)
{
    SetConsoleOutputCP(CP_UTF8);
    std::wstring command = commandAfterSeparator();
    // The archiver writes to this console and reads the user's answers from
    // it; what it wrote is read back from the screen buffer when it ends,
    // which is made tall enough to keep all of it.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    CONSOLE_SCREEN_BUFFER_INFO info;
    const bool console = GetConsoleScreenBufferInfo(output, &info);
    if (console) {
        SetConsoleScreenBufferSize(output, {info.dwSize.X, std::max<SHORT>(info.dwSize.Y, 9999)});
        GetConsoleScreenBufferInfo(output, &info);
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (command.empty()
        || !CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                           &startup, &process)) {
        std::fprintf(stderr, "%s: Fehler %lu\n", utf8(command.c_str(), int(command.size())).c_str(),
                     GetLastError());
        return {false, 127};
    }
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 127;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    if (console)
        readBack(output, info.dwCursorPosition.Y, onOutput);
    return {false, int(code)};
}

void write(std::string_view text)
{
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(output, &mode)) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return;
    }
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    std::wstring wide(std::size_t(std::max(size, 0)), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), size);
    DWORD written = 0;
    WriteConsoleW(output, wide.data(), DWORD(wide.size()), &written, nullptr);
}

void waitForEnter()
{
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode)) {
        FlushConsoleInputBuffer(input);
        wchar_t c = 0;
        DWORD read = 0;
        while (ReadConsoleW(input, &c, 1, &read, nullptr) && read == 1 && c != L'\r'
               && c != L'\n') { }
        return;
    }
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar()) { }
}

} // namespace terminal
