#include "hostfs.h"

#include "fileops.h"
#include "rules/codepage1252.h"
#include "rules/runtimeerror.h"

#include <QRegularExpression>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <optional>
#include <utility>

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

bool isAscii(QByteArrayView bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// The length of the valid UTF-8 sequence the bytes begin with; 0 when they
// begin with none (a stray byte, an overlong form, a surrogate, a cut end).
qsizetype utf8SequenceLength(QByteArrayView bytes)
{
    const auto lead = static_cast<unsigned char>(bytes.front());
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    char32_t code = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, smallest = 0x10000;
    } else {
        return 0;
    }
    if (bytes.size() < length)
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(bytes[i]);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

constexpr char16_t escapeBase = 0xDC00;

// A lone surrogate standing for one undecodable byte (the low half of a
// surrogate pair is a character's, not an escape).
bool isEscapeAt(const QString &text, qsizetype i)
{
    const char16_t c = text[i].unicode();
    return c >= escapeBase + 0x80 && c <= escapeBase + 0xFF
        && (i == 0 || !text[i - 1].isHighSurrogate());
}

bool hasEscape(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isEscapeAt(text, i))
            return true;
    }
    return false;
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

// A host name and the name a Windows list shows for it.
struct Named
{
    QString shown;
    QString name;
};

bool shownOrder(const Named &a, const Named &b)
{
    return a.shown != b.shown ? fileops::listedBefore(a.shown, b.shown) : a.name < b.name;
}

Named named(QByteArrayView bytes)
{
    QString name = decode(bytes);
    return {shownName(name), name};
}

// The entry a short name stands for: the one entry whose shown name without
// blanks is longer than eight characters and starts with the short name's
// first part; with an extension (as in "ABRECH~1.200") its part from the
// first dot must agree. The names come undecoded. Which of several such
// entries has which number only the file system that made the names knows:
// then, and for a number other than 1 (whose first holder is gone or
// unknown), 76.
QString shortNameTarget(const QList<QByteArray> &names, const QString &component)
{
    const QRegularExpression shortName(
        QStringLiteral("^(.{1,6})~([1-9][0-9]{0,5})(\\.[^.]{0,3})?$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = shortName.match(component);
    if (!match.hasMatch())
        return {};
    const QString head = match.captured(1);
    const QByteArray headBytes = encode(head);
    const QString extension = match.captured(3);
    QList<Named> candidates;
    for (const QByteArray &bytes : names) {
        if (!mayBeShortNameTarget(bytes, headBytes))
            continue;
        Named candidate = named(bytes);
        const QString squeezed = QString(candidate.shown).remove(u' ');
        if (!windowsCanName(candidate.shown) || squeezed.size() <= 8
            || !squeezed.startsWith(head, Qt::CaseInsensitive))
            continue;
        if (!extension.isEmpty()) {
            const qsizetype dot = squeezed.indexOf(u'.');
            if (dot < 8 || squeezed.mid(dot, 4).compare(extension, Qt::CaseInsensitive) != 0)
                continue;
        }
        candidates << std::move(candidate);
    }
    if (candidates.isEmpty())
        return {};
    if (candidates.size() > 1 || match.captured(2) != u"1")
        throw rules::RuntimeError(rules::RuntimeError::PathNotFound);
    return candidates.first().name;
}

// The names of a folder's entries as the disk holds them, in no order. Read
// from the directory alone: asking each entry for its kind, as entries()
// must, takes tens of milliseconds in a folder of ten thousand.
QList<QByteArray> rawNames(const QString &folder)
{
    QList<QByteArray> found;
    DIR *dir = opendir(encode(folder).constData());
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

QString decode(QByteArrayView bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    QString text;
    qsizetype run = 0; // start of the valid UTF-8 not yet taken
    qsizetype i = 0;
    while (i < bytes.size()) {
        const qsizetype length = utf8SequenceLength(bytes.sliced(i));
        if (length > 0) {
            i += length;
            continue;
        }
        text += QString::fromUtf8(bytes.sliced(run, i - run));
        text += QChar(char16_t(escapeBase + static_cast<unsigned char>(bytes[i])));
        run = ++i;
    }
    return text + QString::fromUtf8(bytes.sliced(run));
}

QByteArray encode(const QString &path)
{
    QByteArray bytes;
    qsizetype run = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (!isEscapeAt(path, i))
            continue;
        bytes += QStringView(path).sliced(run, i - run).toUtf8();
        bytes += char(path[i].unicode() - escapeBase);
        run = i + 1;
    }
    return run == 0 ? path.toUtf8() : bytes + QStringView(path).sliced(run).toUtf8();
}

QString shownName(const QString &name)
{
    return hasEscape(name) ? rules::fromCodePage1252(encode(name)) : name;
}

QStringList entries(const QString &folder, Kind kind, QStringView pattern)
{
    const QRegularExpression expression = wildcardExpression(pattern);
    QList<Named> found;
    for (const QByteArray &bytes : rawNames(folder)) {
        if (bytes.startsWith('.'))
            continue;
        Named entry = named(bytes);
        if (!windowsCanName(entry.shown) || !expression.match(entry.shown).hasMatch())
            continue;
        if (kind != Kind::Any && isDirectory(join(folder, entry.name)) != (kind == Kind::Directory))
            continue;
        found << std::move(entry);
    }
    std::sort(found.begin(), found.end(), shownOrder);
    QStringList names;
    for (const Named &entry : found)
        names << entry.name;
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
    const QByteArray wanted = encode(component);
    std::optional<Named> equal;
    for (const QByteArray &bytes : names) {
        if (!mayEqual(bytes, wanted))
            continue;
        Named entry = named(bytes);
        const bool same = entry.shown.compare(component, Qt::CaseInsensitive) == 0
            || entry.name.compare(component, Qt::CaseInsensitive) == 0;
        if (!same || !windowsCanName(entry.shown))
            continue;
        if (equal)
            throw rules::RuntimeError(rules::RuntimeError::PathNotFound);
        equal = std::move(entry);
    }
    return equal ? equal->name : shortNameTarget(names, component);
}

bool exists(const QString &path)
{
    struct stat status = {};
    return lstat(encode(path).constData(), &status) == 0;
}

bool isFile(const QString &path)
{
    return exists(path) && !isDirectory(path);
}

bool isDirectory(const QString &path)
{
    struct stat status = {};
    return stat(encode(path).constData(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool isLink(const QString &path)
{
    struct stat status = {};
    return lstat(encode(path).constData(), &status) == 0 && S_ISLNK(status.st_mode);
}

QString join(const QString &folder, const QString &name)
{
    if (name.isEmpty())
        return folder;
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

} // namespace platform::hostfs
