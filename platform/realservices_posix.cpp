#include "realservices.h"

#include "launcher.h"
#include "rules/runtimeerror.h"

#include <QDir>

// The Linux stand-in: the program folder and the launches through the drive map.
namespace platform {

QString RealServices::appPath() const
{
    // Without a drive for it every path built on it would name another folder.
    const QString path = m_drives.toWindows(m_programDirectory);
    if (path.isEmpty())
        throw rules::RuntimeError(
            rules::RuntimeError::PathNotFound,
            QStringLiteral("Das Programmverzeichnis %1 liegt auf keinem Laufwerk "
                           "(Eintrag in %2 fehlt)")
                .arg(m_programDirectory, m_drives.dosdevices()));
    return path;
}

void RealServices::shell(const launch::Command &command, int windowStyle)
{
    // The companion keeps the state of a run there.
    QDir().mkpath(m_stateFolder);
    const LaunchContext context {m_drives, m_programDirectory, m_workingDirectory,
                                 qEnvironmentVariable("PATH"), m_stateFolder};
    collectWhenEnded(startDetached(launchFor(command, windowStyle, context)));
}

} // namespace platform
