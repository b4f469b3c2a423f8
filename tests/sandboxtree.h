#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

// Folder trees in the sandbox, written as sorted relative paths: "X/" is a
// folder, "X/Y" a file, "L -> /target" a link (never followed).
namespace sandboxtree {

inline void make(const QString &root, const QStringList &entries)
{
    for (const QString &entry : entries) {
        const QString path = root + u'/' + entry;
        const qsizetype arrow = entry.indexOf(QStringLiteral(" -> "));
        if (arrow >= 0) {
            QFile::link(entry.mid(arrow + 4), root + u'/' + entry.left(arrow));
        } else if (entry.endsWith(u'/')) {
            QDir().mkpath(path);
        } else {
            QDir().mkpath(QFileInfo(path).path());
            QFile file(path);
            if (file.open(QIODevice::WriteOnly))
                file.write(entry.toUtf8());
        }
    }
}

inline QStringList read(const QString &root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    const QDir base(root);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        const QString name = base.relativeFilePath(info.filePath());
        if (info.isSymLink())
            entries << name + QStringLiteral(" -> ") + info.symLinkTarget();
        else
            entries << (info.isDir() ? name + u'/' : name);
    }
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
