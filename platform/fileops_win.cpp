#include "fileops.h"

#include "runtimeerror.h"

#include <QDir>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <windows.h>

#include <algorithm>

namespace platform::fileops {

namespace {

// What a Windows list and a deletion by pattern leave alone.
constexpr DWORD unlisted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

const wchar_t *wide(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

// The run-time error for a failed call; other failures are those given.
int errorFor(DWORD error, int other = RuntimeError::PathFileAccessError)
{
    switch (error) {
    case ERROR_NOT_READY:
        return RuntimeError::DiskNotReady;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return RuntimeError::PermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return RuntimeError::DiskFull;
    default:
        return other;
    }
}

[[noreturn]] void throwLast(int other = RuntimeError::PathFileAccessError)
{
    throw RuntimeError(errorFor(GetLastError(), other));
}

// Closes a handle when it goes out of scope.
template<BOOL (*close)(HANDLE)> class Handle
{
public:
    explicit Handle(HANDLE handle)
        : m_handle(handle)
    { }
    ~Handle()
    {
        if (valid())
            close(m_handle);
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    HANDLE get() const { return m_handle; }
    bool valid() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

BOOL closeHandle(HANDLE handle)
{
    return CloseHandle(handle);
}

BOOL closeFind(HANDLE handle)
{
    return FindClose(handle);
}

// "A:" + "x" as "A:\x", "C:\DATEN\" + "x" as "C:\DATEN\x".
QString child(const QString &folder, const QString &name)
{
    return folder.endsWith(u'\\') ? folder + name : folder + u'\\' + name;
}

// A drive whose root cannot be reached is not ready, whatever the error: a
// floppy drive without a disk, a lost network drive.
bool driveReady(const QString &path)
{
    return GetFileAttributesW(wide(path.left(2) + u'\\')) != INVALID_FILE_ATTRIBUTES;
}

// A folder that must exist on a drive that must be ready; 76 when it is
// missing or no folder.
QString existingFolder(const DriveMap &drives, const QString &windowsPath)
{
    QString folder = drives.toHost(windowsPath);
    if (folder.size() == 2)
        folder += u'\\';
    const DWORD attributes = GetFileAttributesW(wide(folder));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        throw RuntimeError(errorFor(
            error, driveReady(folder) ? RuntimeError::PathNotFound : RuntimeError::DiskNotReady));
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw RuntimeError(RuntimeError::PathNotFound);
    return folder;
}

struct Entry
{
    QString name;
    DWORD attributes;
};

// The entries matching a pattern in a folder that exists, hidden and system
// ones, "." and ".." left out.
QList<Entry> shown(const QString &folder, const QString &pattern)
{
    WIN32_FIND_DATAW data;
    const Handle<closeFind> find(FindFirstFileW(wide(child(folder, pattern)), &data));
    if (!find.valid()) {
        if (GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_NO_MORE_FILES)
            return {};
        throwLast(RuntimeError::PathNotFound);
    }
    QList<Entry> entries;
    do {
        const QString name = QString::fromWCharArray(data.cFileName);
        if (name != u"." && name != u".." && !(data.dwFileAttributes & unlisted))
            entries.append({name, data.dwFileAttributes});
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

QStringList listed(const DriveMap &drives, const QString &directory, bool folders)
{
    QStringList names;
    for (const Entry &entry : shown(existingFolder(drives, directory), QStringLiteral("*"))) {
        if (bool(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) == folders)
            names << entry.name;
    }
    std::sort(names.begin(), names.end(), listedBefore);
    return names;
}

} // namespace

void kill(const DriveMap &drives, const QString &pattern)
{
    const QString path = drives.toHost(pattern);
    const qsizetype cut = std::max(path.lastIndexOf(u'\\'), qsizetype(1));
    const QString folder = existingFolder(drives, path.left(cut + 1));
    const QString name = path.mid(cut + 1);
    QList<Entry> doomed;
    if (!name.isEmpty()) {
        for (const Entry &entry : shown(folder, name)) {
            if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY))
                doomed << entry;
        }
    }
    if (doomed.isEmpty())
        throw RuntimeError(RuntimeError::FileNotFound);
    for (const Entry &entry : std::as_const(doomed)) {
        if ((entry.attributes & FILE_ATTRIBUTE_READONLY)
            || !DeleteFileW(wide(child(folder, entry.name))))
            throw RuntimeError(RuntimeError::PathFileAccessError);
    }
}

void rmDir(const DriveMap &drives, const QString &path)
{
    QString folder = drives.toHost(path);
    while (folder.size() > 3 && folder.endsWith(u'\\'))
        folder.chop(1);
    if (folder.size() <= 3)
        throw RuntimeError(RuntimeError::PathFileAccessError);
    const DWORD attributes = GetFileAttributesW(wide(folder));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throwLast(RuntimeError::PathNotFound);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || !RemoveDirectoryW(wide(folder)))
        throw RuntimeError(RuntimeError::PathFileAccessError);
}

QStringList subdirectories(const DriveMap &drives, const QString &directory)
{
    return listed(drives, directory, true);
}

QStringList files(const DriveMap &drives, const QString &directory)
{
    return listed(drives, directory, false);
}

QString inFolder(const QString &folder, const QString &name)
{
    const QString path = child(QDir::toNativeSeparators(folder), name);
    WIN32_FIND_DATAW data;
    const Handle<closeFind> find(FindFirstFileW(wide(path), &data));
    if (!find.valid() || name.contains(u'*') || name.contains(u'?'))
        return path;
    return child(QDir::toNativeSeparators(folder), QString::fromWCharArray(data.cFileName));
}

QByteArray readFile(const QString &hostPath)
{
    const Handle<closeHandle> file(CreateFileW(wide(hostPath), GENERIC_READ,
                                               FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file.valid()) {
        const DWORD error = GetLastError();
        throw RuntimeError(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                               ? int(RuntimeError::FileNotFound)
                               : errorFor(error));
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(file.get()) != FILE_TYPE_DISK
        || !GetFileInformationByHandle(file.get(), &information)
        || (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        throw RuntimeError(RuntimeError::PathFileAccessError);
    if (information.nFileSizeHigh != 0 || information.nFileSizeLow > maxReadSize)
        throw RuntimeError(RuntimeError::OutOfMemory);
    return readAll([&](char *buffer, qsizetype size) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, DWORD(size), &got, nullptr))
            throwLast();
        return qsizetype(got);
    });
}

void writeFile(const QString &hostPath, const QByteArray &content)
{
    const DWORD old = GetFileAttributesW(wide(hostPath));
    const bool existing = old != INVALID_FILE_ATTRIBUTES;
    if (existing && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw RuntimeError(old & FILE_ATTRIBUTE_READONLY ? RuntimeError::PermissionDenied
                                                         : RuntimeError::PathFileAccessError);
    QString temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    do {
        temporary = hostPath + u'.' + QString::number(QRandomGenerator::global()->generate(), 36);
        // With the old file's attributes from the start, where replacing
        // would not keep them.
        created = CreateFileW(wide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              existing ? old : FILE_ATTRIBUTE_NORMAL, nullptr);
    } while (created == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS);
    if (created == INVALID_HANDLE_VALUE)
        throwLast();
    bool replaced = false;
    const auto removeUnfinished = qScopeGuard([&] {
        if (!replaced)
            DeleteFileW(wide(temporary));
    });
    {
        const Handle<closeHandle> file(created);
        DWORD written = 0;
        if (!WriteFile(file.get(), content.constData(), DWORD(content.size()), &written, nullptr)
            || written != DWORD(content.size()) || !FlushFileBuffers(file.get()))
            throwLast();
    }
    // Replacing keeps the old file's attributes and security; a new file
    // takes the folder's.
    replaced = existing ? ReplaceFileW(wide(hostPath), wide(temporary), nullptr,
                                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                        : MoveFileExW(wide(temporary), wide(hostPath),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced)
        throwLast();
}

} // namespace platform::fileops
