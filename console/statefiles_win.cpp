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
    if (m_handle < 0) {
        const HANDLE file = openLockFile(m_path);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        m_handle = reinterpret_cast<long long>(file);
    }
    return lockFile(reinterpret_cast<HANDLE>(m_handle),
                    LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY);
}

bool isLocked(const std::string &path)
{
    const HANDLE file = CreateFileW(wide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool locked = !lockFile(file, LOCKFILE_FAIL_IMMEDIATELY);
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
        || !MoveFileExW(temporary.c_str(), wide(path).c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
        return false;
    }
    return true;
}

void syncFolder(const std::string &)
{
    // MOVEFILE_WRITE_THROUGH has done it for each move.
}

bool moveEntry(const std::string &from, const std::string &to)
{
    return MoveFileExW(wide(from).c_str(), wide(to).c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

} // namespace statefiles
