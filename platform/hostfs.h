#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// Host folders seen the way Windows sees its own: names compared without
// regard to case, wildcards, short names. Used inside platform/ and by the
// disk checker.
namespace platform::hostfs {

enum class Kind { Any, Directory, File };

// Host paths are carried in QString without loss: a name's bytes decode as
// UTF-8, and each byte that is not part of valid UTF-8 becomes a lone
// surrogate U+DC80..U+DCFF. encode() gives back the exact bytes; every path
// handed to the host goes through it, as Qt's own calls would re-encode.
QString decode(QByteArrayView bytes);
QByteArray encode(const QString &path);
// A name as a Windows list shows it: one that is not UTF-8 came from a
// Windows disk and is read in its code page ("B\xfccher" as "Bücher").
QString shownName(const QString &name);

// Names of a folder's entries of one kind matching a Windows wildcard
// pattern, without regard to case, sorted the way a Windows list shows them;
// the pattern and the order go by the shown names, the names come as the
// host holds them. A link counts as what it points to; a dangling link is a
// file. Hidden entries (a leading dot) and names with a backslash or a
// wildcard, which Windows cannot hold, are left out.
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
// else the entry whose name or shown name equals it without regard to case,
// else the entry a short name "XXXXXX~1" stands for; empty when there is
// none. 76 when several fit and only a guess could tell which is meant.
QString findEntry(const QString &folder, const QString &component);

// Anything at the path, a dangling link included.
bool exists(const QString &path);
// An entry that is not a folder and does not lead to one.
bool isFile(const QString &path);
// A folder, or a link leading to one.
bool isDirectory(const QString &path);
bool isLink(const QString &path);
QString join(const QString &folder, const QString &name);

} // namespace platform::hostfs
