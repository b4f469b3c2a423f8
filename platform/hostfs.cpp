#include "hostfs.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

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

void sortWindowsOrder(QStringList &names)
{
    std::sort(names.begin(), names.end(), [](const QString &a, const QString &b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
}

// The N-th entry, in name order, whose name without blanks is longer than
// eight characters and starts with the short name's first part; with an
// extension (as in "ABRECH~1.200") its part from the first dot must agree.
QString shortNameTarget(const QStringList &names, const QString &component)
{
    const QRegularExpression shortName(
        QStringLiteral("^(.{1,6})~([1-9][0-9]{0,5})(\\.[^.]{0,3})?$"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = shortName.match(component);
    if (!match.hasMatch())
        return {};
    const QString head = match.captured(1);
    const QString extension = match.captured(3);
    int wanted = match.captured(2).toInt();
    for (const QString &name : names) {
        const QString squeezed = QString(name).remove(u' ');
        if (squeezed.size() <= 8 || !squeezed.startsWith(head, Qt::CaseInsensitive))
            continue;
        if (!extension.isEmpty()) {
            const qsizetype dot = squeezed.indexOf(u'.');
            if (dot < 8 || squeezed.mid(dot, 4).compare(extension, Qt::CaseInsensitive) != 0)
                continue;
        }
        if (--wanted == 0)
            return name;
    }
    return {};
}

// A backslash or a wildcard never stands in a Windows name; in a Windows
// path such a name would stand for other folders or for many files.
bool windowsCanName(const QString &name)
{
    return !name.contains(u'\\') && !hasWildcard(name);
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
    const QStringList names = entries(folder, Kind::Any);
    for (const QString &name : names) {
        if (name.compare(component, Qt::CaseInsensitive) == 0)
            return name;
    }
    return shortNameTarget(names, component);
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
