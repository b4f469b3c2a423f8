#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What the disk checker asks of the system about drive A:; one file per
// system.
namespace scandisk {

// What reading the floppy back found. The entries are "A:\NAME – reason",
// their names made visible.
struct ReadBack
{
    qint64 files = 0;
    qint64 read = 0;
    QStringList unreadable;
    QStringList unchecked; // not opened, so that nothing waits for ever or leaves A:
};

// Where A:'s files are. Throws rules::RuntimeError when A: is missing
// (without a description of its own) or refused as no floppy (with one).
QString floppyRoot();

// Reads every file below the root to its end, never through a link out of
// the floppy; false when the root's folder itself cannot be opened (no disk).
bool readBack(const QString &root, ReadBack &found);

// The free space of a medium of its own; none for a folder on a disk that
// holds more than the floppy.
std::optional<qint64> freeSpace(const QString &root);

// The summary's line on the file system's check, read-only; failed is set
// when it found faults or could not be run.
QString fileSystemCheck(const QString &root, bool &failed);

// Writes text to the console as the characters it stands for.
void show(const QString &text);

} // namespace scandisk
