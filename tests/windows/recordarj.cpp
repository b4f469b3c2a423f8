// A stand-in for the archiver that records how it was called: its command
// line exactly as Windows passed it, one line per call, in UTF-8, appended
// to arj-calls.txt beside it, and the arguments as Windows splits them, one
// call a line with a tab between them, to arj-argv.txt.
// An extraction ("x ARCHIVE FOLDER") copies the files of the folder
// arj-contents beside it into the folder, as the real archiver would leave
// them there once it had read all the disks of the backup.

#include <windows.h>

#include <string>

namespace {

bool append(const std::wstring &file, const std::wstring &line)
{
    std::string utf8(WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0,
                                         nullptr, nullptr),
                     '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), utf8.data(), int(utf8.size()),
                        nullptr, nullptr);
    const HANDLE handle
        = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(handle, utf8.data(), DWORD(utf8.size()), &written, nullptr);
    CloseHandle(handle);
    return ok;
}

bool copyContents(const std::wstring &from, std::wstring to)
{
    if (!to.empty() && to.back() != L'\\' && to.back() != L'/')
        to += L'\\';
    WIN32_FIND_DATAW entry;
    const HANDLE search = FindFirstFileW((from + L"*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    bool ok = true;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            ok = CopyFileW((from + entry.cFileName).c_str(), (to + entry.cFileName).c_str(), FALSE)
                && ok;
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return ok;
}

} // namespace

int main()
{
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self, length);
    folder.erase(folder.find_last_of(L'\\') + 1);

    int count = 0;
    wchar_t **words = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring split;
    for (int at = 0; at < count; ++at)
        split += (at > 0 ? L"\t" : L"") + std::wstring(words[at]);
    const bool extract = count > 3 && std::wstring(words[1]) == L"x";
    const std::wstring destination = extract ? words[3] : L"";
    LocalFree(words);

    bool ok = append(folder + L"arj-argv.txt", split + L"\r\n")
        && append(folder + L"arj-calls.txt", std::wstring(GetCommandLineW()) + L"\r\n");
    if (extract)
        ok = copyContents(folder + L"arj-contents\\", destination) && ok;
    return ok ? 0 : 1;
}
