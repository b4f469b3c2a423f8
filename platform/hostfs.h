#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Host folders seen the way Windows sees its own: names compared without
// regard to case, wildcards, short names. Used only inside platform/.
namespace platform::hostfs {

enum class Kind { Any, Directory, File };

// Names of a folder's entries of one kind matching a Windows wildcard
// pattern, without regard to case, sorted the way a Windows list shows them.
// A link counts as what it points to; a dangling link is a file. Names with
// a backslash or a wildcard, which Windows cannot hold, are left out.
QStringList entries(const QString &folder, Kind kind, QStringView pattern = u"*");

bool hasWildcard(QStringView name);
// Windows takes both.
inline bool isSeparator(QChar c)
{
    return c == u'\\' || c == u'/';
}
// "C:...": a drive letter and a colon.
bool startsWithDrive(QStringView path);

// The entry a Windows name component stands for in a folder: the name itself,
// else the entry equal to it without regard to case, else the entry a short
// name "XXXXXX~1" stands for; empty when there is none. 76 when several fit
// and only a guess could tell which is meant.
QString findEntry(const QString &folder, const QString &component);

// Anything at the path, a dangling link included.
bool exists(const QString &path);
// An entry that is not a folder and does not lead to one.
bool isFile(const QString &path);
QString join(const QString &folder, const QString &name);

} // namespace platform::hostfs
