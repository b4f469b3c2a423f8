#include "statefiles.h"

#include <windows.h>

#include <string>

namespace statefiles {

namespace {

std::wstring wide(const std::string &utf8)
{
    std::wstring text(utf8.size(), L'\0');
    const int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), text.data(),
                                         int(text.size()));
    text.resize(std::size_t(size > 0 ? size : 0));
    return text;
}

HANDLE openLockFile(const std::string &path)
{
    return CreateFileW(wide(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

bool lockFile(HANDLE file, DWORD flags)
{
    OVERLAPPED whole {};
    return LockFileEx(file, flags, 0, 1, 0, &whole) != 0;
}

// A file that another process has open without sharing its deletion (a
// reader of the journal, a virus scanner) cannot be renamed or replaced for
// that moment: tried again for a second before it counts as a failure.
bool moveRetrying(const std::string &from, const std::string &to, DWORD flags)
{
    const std::wstring source = wide(from);
    const std::wstring target = wide(to);
    for (int attempt = 0;; ++attempt) {
        if (MoveFileExW(source.c_str(), target.c_str(), flags))
            return true;
        const DWORD error = GetLastError();
        if (attempt == 50 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED))
            return false;
        Sleep(20);
    }
}

// The folder part of a path, with its separator.
std::string folderOf(const std::string &path)
{
    const std::size_t end = path.find_last_of("/\\");
    return end == std::string::npos ? std::string(".") : path.substr(0, end + 1);
}

} // namespace

Lock::Lock(const std::string &path)
    : m_path(path)
{ }

Lock::~Lock()
{
    if (m_handle >= 0)
        CloseHandle(reinterpret_cast<HANDLE>(m_handle)); // drops the lock
}

bool Lock::tryLock()
{
    // A second lock through the same handle would fail: it is ours already.
    if (m_held)
        return true;
    if (m_handle < 0) {
        const HANDLE file = openLockFile(m_path);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        m_handle = reinterpret_cast<long long>(file);
    }
    m_held = lockFile(reinterpret_cast<HANDLE>(m_handle),
                      LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY);
    return m_held;
}

bool isLocked(const std::string &path)
{
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    // A shared lock is refused only beside an exclusive one.
    const bool locked
        = !lockFile(file, LOCKFILE_FAIL_IMMEDIATELY) && GetLastError() == ERROR_LOCK_VIOLATION;
    CloseHandle(file);
    return locked;
}

bool writeDurably(const std::string &path, const std::string &content)
{
    const std::wstring temporary = wide(path + ".neu");
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, content.data(), DWORD(content.size()), &written, nullptr)
        && written == content.size() && FlushFileBuffers(file);
    CloseHandle(file);
    if (!ok
        || !moveRetrying(path + ".neu", path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    syncFolder(folderOf(path));
    return true;
}

void syncFolder(const std::string &folder)
{
    // A rename is kept in the folder's entries, which NTFS writes out when
    // the folder itself is flushed; elsewhere this fails, and nothing more
    // can be done.
    const HANDLE handle = CreateFileW(wide(folder).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return;
    FlushFileBuffers(handle);
    CloseHandle(handle);
}

bool moveEntry(const std::string &from, const std::string &to)
{
    // Without MOVEFILE_REPLACE_EXISTING an existing target fails the move.
    return moveRetrying(from, to, MOVEFILE_WRITE_THROUGH);
}

} // namespace statefiles
