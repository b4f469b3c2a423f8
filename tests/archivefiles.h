#pragma once

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>

// Files for the tests around the real archiver: databases of known bytes,
// folders read back whole, archives made as a user would make them.

// Bytes that do not compress, the same for the same seed.
inline QByteArray pseudoRandom(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator(seed).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

// The file written, in a folder made as needed.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly)
        && file.write(bytes) == bytes.size();
}

// A folder's files, sub-folders included ("folder"), by their paths in it.
inline QMap<QString, QByteArray> contents(const QString &folder)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        files.insert(QDir(folder).relativeFilePath(file.fileName()),
                     file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("folder"));
    }
    return files;
}

// The real archiver run in the folder, adding to the archive, its questions
// answered Yes; whether it ended well.
inline bool archived(const QString &folder, const QString &archive, const QStringList &words)
{
    QProcess archiver;
    archiver.setWorkingDirectory(folder);
    QDir().mkpath(QFileInfo(archive).path());
    archiver.start(QStringLiteral("arj"), QStringList {QStringLiteral("a"), archive} + words);
    archiver.write("y\ny\ny\n");
    archiver.closeWriteChannel();
    return archiver.waitForFinished(60'000) && archiver.exitStatus() == QProcess::NormalExit
        && archiver.exitCode() == 0;
}
