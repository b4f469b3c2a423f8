#pragma once

// What the Windows tests of whole runs share: the floppies and folders they
// fill and empty, and the consoles of earlier runs.

#include "console/statefiles.h"
#include "platform/realservices.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTest>

// Made before the services that work in it; kept, as the consoles the
// launches opened still work in it when a test ends.
struct WorkingFolder
{
    QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/work");
    bool made = QDir().mkpath(folder);
};

// The backups the Linux archiver made (archives.sh), SET/volumes and
// SET/files.
inline QString archives()
{
    return QStringLiteral(ARCHIVES);
}

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
        while (statefiles::isLocked(lock)) {
            if (deadline.hasExpired())
                return name;
            QTest::qWait(50);
        }
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

inline bool copyFiles(const QString &from, const QString &to)
{
    if (!QDir().mkpath(to))
        return false;
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        if (!QFile::copy(from + u'/' + name, to + u'/' + name))
            return false;
    }
    return true;
}

inline QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
