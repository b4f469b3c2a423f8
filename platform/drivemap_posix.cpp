#include "drivemap.h"

#include "hostfs.h"
#include "rules/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace platform {

namespace {

struct Link
{
    const char16_t *name;
    const char16_t *target;
};

// Relative targets keep the prefix movable, as in a Wine prefix.
constexpr Link ownLayout[] = {
    {u"a:", u"../floppy_a"},
    {u"b:", u"../floppy_b"},
    {u"c:", u"../drive_c"},
    {u"z:", u"/"},
};

// The folder a drive letter leads to; 71 when there is no entry for the
// letter or it leads nowhere (a floppy folder that is gone).
QString driveRoot(const QString &dosdevices, QChar letter)
{
    for (const QChar c : {letter.toLower(), letter.toUpper()}) {
        const QString entry = dosdevices + u'/' + c + u':';
        if (!hostfs::exists(entry))
            continue;
        const QString root = QFileInfo(entry).canonicalFilePath();
        if (root.isEmpty() || !QFileInfo(root).isDir())
            break;
        return root;
    }
    throw rules::RuntimeError(rules::RuntimeError::DiskNotReady);
}

} // namespace

DriveMap::DriveMap(const QString &dosdevices)
    : m_dosdevices(dosdevices)
{ }

DriveMap DriveMap::fromEnvironment()
{
    const QString winePrefix = qEnvironmentVariable("WINEPREFIX");
    if (!winePrefix.isEmpty())
        return createPrefix(winePrefix);
    const QString wine = QDir::homePath() + u"/.wine"_s;
    if (QFileInfo(wine + u"/dosdevices"_s).isDir())
        return atPrefix(wine);
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        dataHome = QDir::homePath() + u"/.local/share"_s;
    return createPrefix(dataHome + u"/horbelung"_s);
}

DriveMap DriveMap::atPrefix(const QString &prefix)
{
    return DriveMap(prefix + u"/dosdevices"_s);
}

DriveMap DriveMap::createPrefix(const QString &prefix)
{
    QDir dir(prefix);
    if (!hostfs::exists(dir.filePath(QStringLiteral("dosdevices")))) {
        for (const Link &link : ownLayout) {
            const QString target = QString::fromUtf16(link.target);
            if (target.startsWith(u"../"))
                dir.mkpath(target.mid(3));
        }
        dir.mkpath(QStringLiteral("dosdevices"));
        for (const Link &link : ownLayout)
            QFile::link(QString::fromUtf16(link.target),
                        dir.filePath(u"dosdevices/"_s + QString::fromUtf16(link.name)));
    }
    return atPrefix(prefix);
}

QStringList DriveMap::drives() const
{
    QStringList letters;
    const QStringList names
        = QDir(m_dosdevices)
              .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        if (name.size() == 2 && hostfs::startsWithDrive(name) && !letters.contains(name.toLower()))
            letters << name.toLower();
    }
    letters.sort();
    return letters;
}

QString DriveMap::toHost(const QString &windowsPath) const
{
    // A NUL would cut the name short on its way to the host.
    if (!hostfs::startsWithDrive(windowsPath) || windowsPath.contains(QChar(u'\0')))
        throw rules::RuntimeError(rules::RuntimeError::BadFileNameOrNumber);
    const QString root = driveRoot(m_dosdevices, windowsPath[0]);
    const QStringList components
        = QString(windowsPath.mid(2)).replace(u'/', u'\\').split(u'\\', Qt::SkipEmptyParts);
    QStringList parts;
    for (const QString &component : components) {
        if (component == u".")
            continue;
        // ".." never climbs above the drive's folder.
        if (component == u"..") {
            if (!parts.isEmpty())
                parts.removeLast();
            continue;
        }
        const QString found = hostfs::findEntry(hostfs::join(root, parts.join(u'/')), component);
        parts << (found.isEmpty() ? component : found);
    }
    QString host = hostfs::join(root, parts.join(u'/'));
    if (hostfs::isSeparator(windowsPath.back()) && !host.endsWith(u'/'))
        host += u'/';
    return host;
}

QString DriveMap::toWindows(const QString &hostPath) const
{
    QString path = QFileInfo(hostPath).canonicalFilePath();
    if (path.isEmpty())
        path = QDir::cleanPath(QFileInfo(hostPath).absoluteFilePath());
    QString best;
    qsizetype bestLength = -1;
    for (const QString &drive : drives()) {
        QString root;
        try {
            root = driveRoot(m_dosdevices, drive[0]);
        } catch (const rules::RuntimeError &) {
            continue;
        }
        const bool inside = root == u"/" || path == root || path.startsWith(root + u'/');
        if (!inside || root.size() <= bestLength)
            continue;
        bestLength = root.size();
        const QString rest = path.mid(root.size() + (root == u"/" ? 0 : 1));
        best = drive.toUpper() + u'\\' + QString(rest).replace(u'/', u'\\');
    }
    return best;
}

} // namespace platform
