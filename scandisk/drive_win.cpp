// Windows: A: must be a removable drive; its files are read back through
// the wide calls on long paths ("\\?\A:\CON" is a file there, not the
// console), never through a junction or symbolic link. Windows lets only
// administrators check a file system (chkdsk, also without /F), so that is
// left to them.

#include "drive.h"
#include "visible.h"

#include "platform/fileops.h"
#include "rules/runtimeerror.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace scandisk {

namespace {

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

QString reason(DWORD error)
{
    switch (error) {
    case ERROR_ACCESS_DENIED:
        return u"Zugriff verweigert"_s;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return u"nicht vorhanden"_s;
    case ERROR_CRC:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_READ_FAULT:
    case ERROR_SEEK:
    case ERROR_IO_DEVICE:
        return u"Lesefehler des Datenträgers"_s;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return u"Datei ist gesperrt"_s;
    case ERROR_NOT_READY:
        return u"Diskette nicht mehr bereit"_s;
    case ERROR_TOO_MANY_OPEN_FILES:
        return u"zu viele offene Dateien"_s;
    case ERROR_FILENAME_EXCED_RANGE:
        return u"Pfad zu lang"_s;
    default:
        return u"Systemfehler %1"_s.arg(error);
    }
}

// Reads back what the floppy holds without leaving it: files are read to
// their end; a junction or link is listed without being followed.
class Walk
{
public:
    explicit Walk(ReadBack &found)
        : m_found(found)
    { }

    // The folder's entries in the order a Windows list shows them; 0, or
    // why the folder could not be listed. (An empty root has not even "."
    // and "..", so nothing found is an empty folder.)
    DWORD folder(const QString &path, const QString &shown)
    {
        WIN32_FIND_DATAW data;
        const HANDLE find = FindFirstFileExW(wide(path + u"\\*"_s), FindExInfoBasic, &data,
                                             FindExSearchNameMatch, nullptr, 0);
        if (find == INVALID_HANDLE_VALUE) {
            const DWORD error = GetLastError();
            return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
        }
        struct Entry
        {
            QString name;
            DWORD attributes;
        };
        QList<Entry> entries;
        do {
            const QString name = QString::fromWCharArray(data.cFileName);
            if (name != u"."_s && name != u".."_s)
                entries.append({name, data.dwFileAttributes});
        } while (FindNextFileW(find, &data));
        const DWORD ending = GetLastError();
        FindClose(find);
        if (ending != ERROR_NO_MORE_FILES)
            m_found.unreadable << shown + u" – Ordner nicht lesbar: "_s + reason(ending);
        std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
            return platform::fileops::listedBefore(a.name, b.name);
        });
        for (const Entry &entry : entries)
            this->entry(path + u'\\' + entry.name, entry.attributes,
                        shown + u'\\' + visible(entry.name));
        return ERROR_SUCCESS;
    }

private:
    void entry(const QString &path, DWORD attributes, const QString &shown)
    {
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            m_found.unchecked << shown
                    + (attributes & FILE_ATTRIBUTE_DIRECTORY
                           ? u" – Verknüpfung auf einen Ordner, nicht gefolgt"_s
                           : u" – Verknüpfung auf eine Datei, nicht gefolgt"_s);
        } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (const DWORD error = folder(path, shown))
                m_found.unreadable << shown + u" – Ordner nicht lesbar: "_s + reason(error);
        } else {
            file(path, shown);
        }
    }

    void file(const QString &path, const QString &shown)
    {
        ++m_found.files;
        // Others may go on using the file; a link put in its place is
        // opened as the link.
        const HANDLE handle = CreateFileW(
            wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT,
            nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            m_found.unreadable << shown + u" – "_s + reason(GetLastError());
            return;
        }
        BY_HANDLE_FILE_INFORMATION information = {};
        if (GetFileInformationByHandle(handle, &information)
            && (information.dwFileAttributes
                & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
            m_found.unreadable << shown + u" – während der Prüfung ersetzt"_s;
        } else {
            for (;;) {
                DWORD got = 0;
                if (!ReadFile(handle, m_buffer.data(), DWORD(m_buffer.size()), &got, nullptr)) {
                    m_found.unreadable << shown + u" – "_s + reason(GetLastError());
                    break;
                }
                if (got == 0)
                    break;
                m_found.read += got;
            }
        }
        CloseHandle(handle);
    }

    ReadBack &m_found;
    QByteArray m_buffer = QByteArray(64 * 1024, Qt::Uninitialized);
};

} // namespace

QString floppyRoot()
{
    using rules::RuntimeError;
    QString why;
    switch (GetDriveTypeW(L"A:\\")) {
    case DRIVE_REMOVABLE:
        return u"A:\\"_s;
    case DRIVE_NO_ROOT_DIR:
        throw RuntimeError(RuntimeError::DiskNotReady);
    case DRIVE_FIXED:
        why = u"es ist eine Festplatte oder ein als Laufwerk verbundener Ordner (SUBST)"_s;
        break;
    case DRIVE_REMOTE:
        why = u"es ist ein Netzlaufwerk"_s;
        break;
    case DRIVE_CDROM:
        why = u"es ist ein CD- oder DVD-Laufwerk"_s;
        break;
    case DRIVE_RAMDISK:
        why = u"es ist eine RAM-Disk"_s;
        break;
    default:
        why = u"Windows kennt die Art des Laufwerks nicht"_s;
    }
    throw RuntimeError(RuntimeError::DiskNotReady,
                       u"Laufwerk A: ist keine Diskette: %1."_s.arg(why));
}

bool readBack(const QString &root, ReadBack &found)
{
    return Walk(found).folder(u"\\\\?\\"_s + root.chopped(1), u"A:"_s) == ERROR_SUCCESS;
}

std::optional<qint64> freeSpace(const QString &root)
{
    ULARGE_INTEGER available = {};
    if (!GetDiskFreeSpaceExW(wide(root), &available, nullptr, nullptr))
        return std::nullopt;
    return qint64(available.QuadPart);
}

QString fileSystemCheck(const QString &, bool &)
{
    return u"Dateisystem nicht geprüft: das erlaubt Windows nur Administratoren "
           u"(„chkdsk A:“ in einer Eingabeaufforderung als Administrator)."_s;
}

void show(const QString &text)
{
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    DWORD written = 0;
    if (GetConsoleMode(out, &mode)) {
        WriteConsoleW(out, wide(text), DWORD(text.size()), &written, nullptr);
        return;
    }
    // Redirected (the tests): UTF-8, as on Linux.
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace scandisk
