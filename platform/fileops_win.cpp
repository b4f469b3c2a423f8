#include "fileops.h"

#include "rules/runtimeerror.h"

#include <QDir>
#include <QRandomGenerator>
#include <QScopeGuard>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <utility>

namespace platform::fileops {

namespace {

// What a Windows list and a deletion by pattern leave alone.
constexpr DWORD unlisted = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// The attributes a new path file takes from the old one. The others (a sync
// client's among them) share their bits with FILE_FLAG_* in CreateFileW.
constexpr DWORD handedOn = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM
    | FILE_ATTRIBUTE_ARCHIVE;

const wchar_t *wide(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

// The run-time error for a failed call; other failures are those given.
int errorFor(DWORD error, int other = rules::RuntimeError::PathFileAccessError)
{
    switch (error) {
    case ERROR_NOT_READY:
        return rules::RuntimeError::DiskNotReady;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
        return rules::RuntimeError::PermissionDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return rules::RuntimeError::DiskFull;
    default:
        return other;
    }
}

[[noreturn]] void throwLast(int other = rules::RuntimeError::PathFileAccessError)
{
    throw rules::RuntimeError(errorFor(GetLastError(), other));
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
    Handle(Handle &&other) noexcept
        : m_handle(std::exchange(other.m_handle, INVALID_HANDLE_VALUE))
    { }
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

// What a call that fills a buffer, or tells the size it needs, gives; empty
// when it fails.
QString filled(const std::function<DWORD(wchar_t *buffer, DWORD size)> &call)
{
    QString text(MAX_PATH, Qt::Uninitialized);
    for (;;) {
        const DWORD size = call(reinterpret_cast<wchar_t *>(text.data()), DWORD(text.size()));
        if (size < DWORD(text.size())) {
            text.truncate(size);
            return text;
        }
        text.resize(size);
    }
}

QString withoutTrailingSeparators(QString path)
{
    while (path.endsWith(u'\\'))
        path.chop(1);
    return path;
}

// Whether an open entry is the one its path names. Through a reparse point,
// or through a link that Wine shows as a plain entry, the system takes the
// path elsewhere.
bool isOwnEntry(HANDLE entry, const QString &path)
{
    const QString full = filled([&](wchar_t *buffer, DWORD size) {
        return GetFullPathNameW(wide(path), size, buffer, nullptr);
    });
    const QString named = filled(
        [&](wchar_t *buffer, DWORD size) { return GetLongPathNameW(wide(full), buffer, size); });
    const QString reached = filled([&](wchar_t *buffer, DWORD size) {
        return GetFinalPathNameByHandleW(entry, buffer, size,
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
    const QString local = QStringLiteral("\\\\?\\");
    return !named.isEmpty() && reached.startsWith(local)
        && withoutTrailingSeparators(reached.mid(local.size()))
               .compare(withoutTrailingSeparators(named), Qt::CaseInsensitive)
        == 0;
}

// Opens an entry that must be the one its path names and of the kind given;
// 75 otherwise.
Handle<closeHandle> ownEntry(const QString &path, DWORD access, bool folder)
{
    Handle<closeHandle> entry(CreateFileW(wide(path), access | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
    BY_HANDLE_FILE_INFORMATION information;
    if (!entry.valid() || !GetFileInformationByHandle(entry.get(), &information)
        || bool(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != folder
        || !isOwnEntry(entry.get(), path))
        throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
    return entry;
}

// Deletes a file or an empty folder through the handle that was checked to
// be it, so that nothing can be put in its place in between; 75 when it
// cannot go.
void deleteEntry(const QString &path, bool folder)
{
    const Handle<closeHandle> entry = ownEntry(path, DELETE, folder);
    FILE_DISPOSITION_INFO disposition = {TRUE};
    if (!SetFileInformationByHandle(entry.get(), FileDispositionInfo, &disposition,
                                    sizeof disposition))
        throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
}

// A floppy drive's files are emptied and listed only where it is a
// removable drive: a SUBST folder or a network drive under the letter holds
// someone's files.
void refuseNonFloppy(const DriveMap &drives, const QString &windowsPath)
{
    const QString drive = windowsPath.left(2).toUpper();
    if (drive != u"A:" && drive != u"B:")
        return;
    QString what;
    switch (drives.driveType(drive + u'\\')) {
    case DRIVE_REMOVABLE:
        return;
    case DRIVE_NO_ROOT_DIR:
        throw rules::RuntimeError(rules::RuntimeError::DiskNotReady);
    case DRIVE_FIXED:
        what = QStringLiteral("es ist eine Festplatte oder ein Ordner darauf (SUBST)");
        break;
    case DRIVE_REMOTE:
        what = QStringLiteral("es ist ein Netzlaufwerk");
        break;
    case DRIVE_CDROM:
        what = QStringLiteral("es ist ein CD- oder DVD-Laufwerk");
        break;
    case DRIVE_RAMDISK:
        what = QStringLiteral("es ist eine RAM-Disk");
        break;
    default:
        what = QStringLiteral("Windows kennt die Art des Laufwerks nicht");
        break;
    }
    throw rules::RuntimeError(
        rules::RuntimeError::DiskNotReady,
        QStringLiteral("Laufwerk %1 ist keine Diskette: %2.").arg(drive, what));
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
    refuseNonFloppy(drives, folder);
    if (folder.size() == 2)
        folder += u'\\';
    const DWORD attributes = GetFileAttributesW(wide(folder));
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        throw rules::RuntimeError(errorFor(error,
                                           driveReady(folder) ? rules::RuntimeError::PathNotFound
                                                              : rules::RuntimeError::DiskNotReady));
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        throw rules::RuntimeError(rules::RuntimeError::PathNotFound);
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
        throwLast(rules::RuntimeError::PathNotFound);
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
    // Never through a link into another folder.
    ownEntry(folder, 0, true);
    const QString name = path.mid(cut + 1);
    QList<Entry> doomed;
    if (!name.isEmpty()) {
        for (const Entry &entry : shown(folder, name)) {
            if (!(entry.attributes & FILE_ATTRIBUTE_DIRECTORY))
                doomed << entry;
        }
    }
    if (doomed.isEmpty())
        throw rules::RuntimeError(rules::RuntimeError::FileNotFound);
    for (const Entry &entry : std::as_const(doomed)) {
        if (entry.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT))
            throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
        deleteEntry(child(folder, entry.name), false);
    }
}

void rmDir(const DriveMap &drives, const QString &path)
{
    QString folder = drives.toHost(path);
    while (folder.size() > 3 && folder.endsWith(u'\\'))
        folder.chop(1);
    refuseNonFloppy(drives, folder);
    if (folder.size() <= 3)
        throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
    const DWORD attributes = GetFileAttributesW(wide(folder));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        throwLast(rules::RuntimeError::PathNotFound);
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
    deleteEntry(folder, true);
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
        throw rules::RuntimeError(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                      ? int(rules::RuntimeError::FileNotFound)
                                      : errorFor(error));
    }
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(file.get()) != FILE_TYPE_DISK
        || !GetFileInformationByHandle(file.get(), &information)
        || (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        throw rules::RuntimeError(rules::RuntimeError::PathFileAccessError);
    if (information.nFileSizeHigh != 0 || information.nFileSizeLow > maxReadSize)
        throw rules::RuntimeError(rules::RuntimeError::OutOfMemory);
    return readAll([&](char *buffer, qsizetype size) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, DWORD(size), &got, nullptr))
            throwLast();
        return qsizetype(got);
    });
}

void writeFile(const QString &hostPath, const QByteArray &content)
{
    writeFile(hostPath, content,
              [](const wchar_t *replaced, const wchar_t *replacement, const wchar_t *backup) {
                  return ReplaceFileW(replaced, replacement, backup,
                                      REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                      ? DWORD(ERROR_SUCCESS)
                      : GetLastError();
              });
}

void writeFile(const QString &hostPath, const QByteArray &content, const Replace &replace)
{
    const DWORD old = GetFileAttributesW(wide(hostPath));
    const bool existing = old != INVALID_FILE_ATTRIBUTES;
    if (existing && (old & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw rules::RuntimeError(old & FILE_ATTRIBUTE_READONLY
                                      ? rules::RuntimeError::PermissionDenied
                                      : rules::RuntimeError::PathFileAccessError);
    const DWORD attributes = existing ? old & handedOn : 0;
    const auto besideName = [&] {
        return hostPath + u'.' + QString::number(QRandomGenerator::global()->generate(), 36);
    };
    QString temporary;
    HANDLE created = INVALID_HANDLE_VALUE;
    do {
        temporary = besideName();
        // With the old file's attributes from the start, where replacing
        // would not keep them.
        created = CreateFileW(wide(temporary), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              attributes ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
    } while (created == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS);
    if (created == INVALID_HANDLE_VALUE)
        throwLast();
    // Set once the new file is the path file, or all that is left of either.
    bool placed = false;
    const auto removeUnfinished = qScopeGuard([&] {
        if (!placed)
            DeleteFileW(wide(temporary));
    });
    {
        const Handle<closeHandle> file(created);
        DWORD written = 0;
        if (!WriteFile(file.get(), content.constData(), DWORD(content.size()), &written, nullptr)
            || written != DWORD(content.size()) || !FlushFileBuffers(file.get()))
            throwLast();
    }
    const auto moved = [](const QString &from, const QString &to) {
        return MoveFileExW(wide(from), wide(to),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    };
    if (!existing) {
        // A new file takes the folder's attributes and security.
        if (!moved(temporary, hostPath))
            throwLast();
        placed = true;
        return;
    }
    QString backup;
    do
        backup = besideName();
    while (GetFileAttributesW(wide(backup)) != INVALID_FILE_ATTRIBUTES);
    // Replacing keeps the old file's attributes and security.
    const DWORD error = replace(wide(hostPath), wide(temporary), wide(backup));
    const auto present = [](const QString &path) {
        return GetFileAttributesW(wide(path)) != INVALID_FILE_ATTRIBUTES;
    };
    if (error != ERROR_SUCCESS) {
        // The old file may be left under the backup name alone (documented
        // for 1177, and a 1176 may leave it so): it goes back. Where it
        // cannot, the new one takes the place; where neither can, both stay
        // beside the missing path file.
        if (!present(hostPath) && !(present(backup) && moved(backup, hostPath))) {
            placed = true;
            if (!moved(temporary, hostPath))
                throw rules::RuntimeError(errorFor(error));
            DeleteFileW(wide(backup));
            return;
        }
        DeleteFileW(wide(backup));
        throw rules::RuntimeError(errorFor(error));
    }
    placed = true;
    DeleteFileW(wide(backup));
}

} // namespace platform::fileops
