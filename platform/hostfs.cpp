#include "hostfs.h"

#include "runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <dirent.h>

#include <algorithm>

namespace platform::hostfs {

namespace {

// '*' and '?' as Windows reads them; a trailing ".*" also takes names
// without any dot, so "*.*" matches every name.
QRegularExpression wildcardExpression(QStringView pattern)
{
    const bool optionalExtension = pattern.endsWith(u".*");
    const QStringView body = optionalExtension ? pattern.chopped(2) : pattern;
    QString expression;
    QString literal;
    for (const QChar c : body) {
        if (c != u'*' && c != u'?') {
            literal += c;
            continue;
        }
        expression += QRegularExpression::escape(literal)
            + (c == u'*' ? QStringLiteral(".*") : QStringLiteral("."));
        literal.clear();
    }
    expression += QRegularExpression::escape(literal);
    if (optionalExtension)
        expression += u"(\\..*)?";
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                              QRegularExpression::CaseInsensitiveOption
                                  | QRegularExpression::DotMatchesEverythingOption);
}

bool windowsOrder(const QString &a, const QString &b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

void sortWindowsOrder(QStringList &names)
{
    std::sort(names.begin(), names.end(), windowsOrder);
}

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Windows compares names without regard to case. Between two ASCII names
// that is a comparison of their bytes, which spares decoding every name of
// a large folder to find one; other names are decoded and compared in full.
bool mayEqual(QByteArrayView name, QByteArrayView wanted)
{
    if (!isAscii(name) || !isAscii(wanted))
        return true;
    return name.size() == wanted.size() && qstrnicmp(name.data(), wanted.data(), name.size()) == 0;
}

// Likewise: an ASCII name that without its blanks is too short or does not
// begin with the short name's first part cannot be its target.
bool mayBeShortNameTarget(QByteArrayView name, QByteArrayView head)
{
    if (!isAscii(name) || !isAscii(head))
        return true;
    qsizetype kept = 0;
    for (const char c : name) {
        if (c == ' ')
            continue;
        if (kept < head.size() && qstrnicmp(&c, head.data() + kept, 1) != 0)
            return false;
        ++kept;
    }
    return kept > 8;
}

// A backslash or a wildcard never stands in a Windows name; in a Windows
// path such a name would stand for other folders or for many files.
bool windowsCanName(const QString &name)
{
    return !name.contains(u'\\') && !hasWildcard(name);
}

// The entry a short name stands for: the one entry whose name without blanks
// is longer than eight characters and starts with the short name's first
// part; with an extension (as in "ABRECH~1.200") its part from the first dot
// must agree. The names come undecoded. Which of several such entries has
// which number only the file system that made the names knows: then, and for
// a number other than 1 (whose first holder is gone or unknown), 76.
QString shortNameTarget(const QList<QByteArray> &names, const QString &component)
{
    const QRegularExpression shortName(
        QStringLiteral("^(.{1,6})~([1-9][0-9]{0,5})(\\.[^.]{0,3})?$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = shortName.match(component);
    if (!match.hasMatch())
        return {};
    const QString head = match.captured(1);
    const QByteArray headBytes = QFile::encodeName(head);
    const QString extension = match.captured(3);
    QStringList candidates;
    for (const QByteArray &bytes : names) {
        if (!mayBeShortNameTarget(bytes, headBytes))
            continue;
        const QString name = QFile::decodeName(bytes);
        const QString squeezed = QString(name).remove(u' ');
        if (!windowsCanName(name) || squeezed.size() <= 8
            || !squeezed.startsWith(head, Qt::CaseInsensitive))
            continue;
        if (!extension.isEmpty()) {
            const qsizetype dot = squeezed.indexOf(u'.');
            if (dot < 8 || squeezed.mid(dot, 4).compare(extension, Qt::CaseInsensitive) != 0)
                continue;
        }
        candidates << name;
    }
    if (candidates.isEmpty())
        return {};
    if (candidates.size() > 1 || match.captured(2) != u"1")
        throw RuntimeError(RuntimeError::PathNotFound);
    return candidates.first();
}

// The names of a folder's entries as the disk holds them, in no order. Read
// from the directory alone: asking each entry for its kind, as entries()
// must, takes tens of milliseconds in a folder of ten thousand.
QList<QByteArray> rawNames(const QString &folder)
{
    QList<QByteArray> found;
    DIR *dir = opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return found;
    while (const dirent *entry = readdir(dir)) {
        const QByteArrayView name(entry->d_name);
        if (name != "." && name != "..")
            found << name.toByteArray();
    }
    closedir(dir);
    return found;
}

} // namespace

QStringList entries(const QString &folder, Kind kind, QStringView pattern)
{
    const QRegularExpression expression = wildcardExpression(pattern);
    const QFileInfoList infos = QDir(folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList names;
    for (const QFileInfo &info : infos) {
        if (kind != Kind::Any && info.isDir() != (kind == Kind::Directory))
            continue;
        if (!windowsCanName(info.fileName()))
            continue;
        if (expression.match(info.fileName()).hasMatch())
            names << info.fileName();
    }
    sortWindowsOrder(names);
    return names;
}

bool hasWildcard(QStringView name)
{
    return name.contains(u'*') || name.contains(u'?');
}

bool startsWithDrive(QStringView path)
{
    return path.size() >= 2 && path[1] == u':'
        && ((path[0] >= u'a' && path[0] <= u'z') || (path[0] >= u'A' && path[0] <= u'Z'));
}

QString findEntry(const QString &folder, const QString &component)
{
    if (exists(join(folder, component)))
        return component;
    // Names equal without regard to case: Windows holds one of them at most,
    // so of several none is the one meant.
    const QList<QByteArray> names = rawNames(folder);
    const QByteArray wanted = QFile::encodeName(component);
    QString equal;
    for (const QByteArray &bytes : names) {
        if (!mayEqual(bytes, wanted))
            continue;
        const QString name = QFile::decodeName(bytes);
        if (!windowsCanName(name) || name.compare(component, Qt::CaseInsensitive) != 0)
            continue;
        if (!equal.isEmpty())
            throw RuntimeError(RuntimeError::PathNotFound);
        equal = name;
    }
    return equal.isEmpty() ? shortNameTarget(names, component) : equal;
}

bool exists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool isFile(const QString &path)
{
    return exists(path) && !QFileInfo(path).isDir();
}

QString join(const QString &folder, const QString &name)
{
    if (name.isEmpty())
        return folder;
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace platform::hostfs
