// A stand-in for the archiver that only records how it was called: its
// command line exactly as Windows passed it, one line per call, in UTF-8,
// appended to arj-calls.txt beside it.

#include <windows.h>

#include <string>

int main()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring log(self, length);
    log.erase(log.find_last_of(L'\\') + 1).append(L"arj-calls.txt");

    const std::wstring line = std::wstring(GetCommandLineW()) + L"\r\n";
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0,
                                         nullptr, nullptr),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), utf8.data(), int(utf8.size()),
                        nullptr, nullptr);
    const HANDLE file
        = CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    const bool ok = WriteFile(file, utf8.data(), DWORD(utf8.size()), &written, nullptr);
    CloseHandle(file);
    return ok ? 0 : 1;
}
