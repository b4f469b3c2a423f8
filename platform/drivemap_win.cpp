#include "drivemap.h"

#include "runtimeerror.h"

namespace platform {

DriveMap::DriveMap(const QString &dosdevices)
    : m_dosdevices(dosdevices)
{ }

DriveMap DriveMap::fromEnvironment()
{
    return DriveMap(QString());
}

QStringList DriveMap::drives() const
{
    return {};
}

QString DriveMap::toHost(const QString &windowsPath) const
{
    return windowsPath;
}

QString DriveMap::toWindows(const QString &hostPath) const
{
    return hostPath;
}

} // namespace platform
