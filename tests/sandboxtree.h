#pragma once

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#ifndef Q_OS_WIN
#include "platform/hostfs.h"

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#endif

// Folder trees in the sandbox, written as sorted relative paths: "X/" is a
// folder, "X/Y" a file, "L -> /target" a link (never followed). A file name
// may hold bytes that are not UTF-8 (hostfs's escapes, "B\uDCFCcher.mdb");
// they are read back as a Windows list shows them ("Bücher.mdb"). On
// Windows, whose names are all Unicode, hidden entries are not read.
namespace sandboxtree {

// What only the Linux stand-in has: links, and names hidden by a leading dot.
inline bool standInOnly(const QStringList &entries)
{
    for (const QString &entry : entries) {
        // ".x", "A/.x", and "A:.x" in a list of actions on a drive.
        static const QRegularExpression hidden(QStringLiteral("(^|[/:])\\."));
        if (entry.contains(QStringLiteral(" -> ")) || entry.contains(hidden))
            return true;
    }
    return false;
}

inline void make(const QString &root, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QString path = root + u'/' + entry;
        const qsizetype arrow = entry.indexOf(QStringLiteral(" -> "));
        if (arrow >= 0) {
            QFile::link(entry.mid(arrow + 4), root + u'/' + entry.left(arrow));
            continue;
        }
        QDir().mkpath(entry.endsWith(u'/') ? path : QFileInfo(path).path());
        if (entry.endsWith(u'/'))
            continue;
#ifdef Q_OS_WIN
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(entry.toUtf8());
#else
        const int fd = open(platform::hostfs::encode(path).constData(),
                            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        const QByteArray content = entry.toUtf8();
        if (fd >= 0 && write(fd, content.constData(), content.size()) >= 0)
            close(fd);
#endif
    }
}

#ifdef Q_OS_WIN
inline void readInto(const QString &folder, const QString &shownFolder, QStringList &entries)
{
    for (const QFileInfo &entry :
         QDir(folder).entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        const QString shown = shownFolder + entry.fileName();
        entries << (entry.isDir() ? shown + u'/' : shown);
        if (entry.isDir())
            readInto(entry.filePath(), shown + u'/', entries);
    }
}
#else

// Read with the host's own calls: Qt's would leave out names that are not UTF-8.
inline void readInto(const QString &folder, const QString &shownFolder, QStringList &entries)
{
    DIR *dir = opendir(platform::hostfs::encode(folder).constData());
    while (const dirent *entry = dir ? readdir(dir) : nullptr) {
        const QString name = platform::hostfs::decode(entry->d_name);
        if (name == u"." || name == u"..")
            continue;
        const QString path = folder + u'/' + name;
        const QString shown = shownFolder + platform::hostfs::shownName(name);
        struct stat status = {};
        lstat(platform::hostfs::encode(path).constData(), &status);
        if (S_ISLNK(status.st_mode)) {
            const QString target = QFile::symLinkTarget(path);
            entries << shown + QStringLiteral(" -> ") + target;
        } else if (S_ISDIR(status.st_mode)) {
            entries << shown + u'/';
            readInto(path, shown + u'/', entries);
        } else {
            entries << shown;
        }
    }
    if (dir)
        closedir(dir);
}

// Removes a folder with all it holds, whatever the names (Qt's removal
// leaves the names that are not UTF-8).
inline bool removeAll(const QString &root)
{
    const auto remove = [](const char *path, const struct stat *, int, FTW *) {
        return std::remove(path);
    };
    return nftw(platform::hostfs::encode(root).constData(), remove, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

#endif

inline QStringList read(const QString &root)
{
    QStringList entries;
    readInto(root, QString(), entries);
    entries.sort();
    return entries;
}

// A folder beside the sandbox that links on a floppy point to; nothing in it
// may ever change. "%OUTSIDE%" in a tree stands for its path.
struct Outside
{
    QTemporaryDir dir;
    const QStringList tree {QStringLiteral("SUB/"), QStringLiteral("SUB/keep.txt"),
                            QStringLiteral("keep.mdb")};
    Outside() { make(dir.path(), tree); }
    QStringList resolved(QStringList entries) const
    {
        return entries.replaceInStrings(QStringLiteral("%OUTSIDE%"), dir.path());
    }
    bool untouched() const { return read(dir.path()) == tree; }
};

} // namespace sandboxtree
