#pragma once

// What the Windows tests share: the floppies and folders they fill and
// empty, the consoles of earlier runs, the processes they start.

#include "../archivefiles.h"
#include "console/statefiles.h"
#include "platform/realservices.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTest>

#include <windows.h>

// Made before the services that work in it; kept, as the consoles the
// launches opened still work in it when a test ends.
struct WorkingFolder
{
    QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/work");
    bool made = QDir().mkpath(folder);
};

// The real services, real launches included, with the boxes answered: Yes
// to the restore's question, OK to every other; a box asking for the next
// disk only once the user has done what diskAskedFor does.
class AnsweringServices : protected WorkingFolder, public platform::RealServices
{
public:
    explicit AnsweringServices(const QString &programDirectory
                               = QCoreApplication::applicationDirPath())
        : RealServices(platform::DriveMap::fromEnvironment(), programDirectory, folder)
    { }

    int msgBox(const QString &prompt, int style) override
    {
        log << prompt;
        static const QRegularExpression nextDisk(
            QStringLiteral("^Legen Sie die Sicherungsdiskette (\\d+) ein$"));
        if (const auto match = nextDisk.match(prompt); match.hasMatch())
            diskAskedFor(match.captured(1).toInt());
        return (style & 7) == platform::MsgBox::YesNo ? platform::MsgBox::Yes
                                                      : platform::MsgBox::Ok;
    }

    QStringList log;

protected:
    virtual void diskAskedFor(int disk) = 0;
};

#ifdef ARCHIVES
// The backups the Linux archiver made (archives.sh), SET/volumes and
// SET/files.
inline const QString archives = QStringLiteral(ARCHIVES);
#endif

// The consoles of earlier runs have ended their work (and wait for Enter):
// they hold no lock of the state folder. A run begun at once would find its
// folder busy, as a user never does who waits for the end. The lock still
// held, if any.
inline QString companionStillAtWork()
{
    const QDir state(platform::RealServices::defaultStateFolder());
    const QDeadlineTimer deadline(30000);
    for (const QString &name : state.entryList({QStringLiteral("*.lock")}, QDir::Files)) {
        const std::string lock = QDir::toNativeSeparators(state.filePath(name)).toStdString();
        if (!QTest::qWaitFor([&] { return !statefiles::isLocked(lock); },
                             int(deadline.remainingTime())))
            return name;
    }
    return {};
}

// Empties a folder's files; a floppy keeps the tests' mark.
inline bool clearFolder(const QString &path)
{
    QDir folder(path);
    for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (name != QStringLiteral("horbelung-sandbox") && !folder.remove(name))
            return false;
    }
    return true;
}

// A folder's files (but a floppy's mark) copied or moved into another.
inline bool copyFiles(const QString &from, const QString &to, bool move = false)
{
    if (!QDir().mkpath(to))
        return false;
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        const QString source = from + u'/' + name, target = to + u'/' + name;
        if (name != QStringLiteral("horbelung-sandbox")
            && !(move ? QFile::rename(source, target) : QFile::copy(source, target)))
            return false;
    }
    return true;
}

inline const wchar_t *wide(const QString &path)
{
    return reinterpret_cast<const wchar_t *>(path.utf16());
}

inline QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file's lines, the empty ones left out.
inline QStringList lines(const QString &path, const QString &lineBreak = QStringLiteral("\n"))
{
    return QString::fromUtf8(bytesOf(path)).split(lineBreak, Qt::SkipEmptyParts);
}

// Starts a command line (flags as CreateProcess takes them), its process
// kept in PROCESS where given (Wine gives none for a host program).
inline bool startProcess(QString line, DWORD flags = 0, HANDLE *process = nullptr)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t *>(line.data()), nullptr, nullptr, FALSE,
                        flags, nullptr, nullptr, &startup, &started))
        return false;
    CloseHandle(started.hThread);
    if (process)
        *process = started.hProcess;
    else
        CloseHandle(started.hProcess);
    return true;
}
