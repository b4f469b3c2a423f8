#include "realservices.h"

#include "launcher.h"
#include "runtimeerror.h"

#include <algorithm>
#include <utility>

// The Linux stand-in: the program folder and the launches through the drive map.
namespace platform {

QString RealServices::appPath() const
{
    // Without a drive for it every path built on it would name another folder.
    const QString path = m_drives.toWindows(m_programDirectory);
    if (path.isEmpty())
        throw RuntimeError(RuntimeError::PathNotFound,
                           QStringLiteral("Das Programmverzeichnis %1 liegt auf keinem Laufwerk "
                                          "(Eintrag in %2 fehlt)")
                               .arg(m_programDirectory, m_drives.dosdevices()));
    return path;
}

void RealServices::shell(const QString &commandLine, int windowStyle, const LaunchNotes &notes)
{
    // The folders behind the DOS forms stay known as a file system's short
    // names do: the fields keep showing the forms, and the next run gets them
    // back unchanged. A form made anew stands for its newest folder.
    LaunchNotes known = notes;
    for (const auto &forms : std::as_const(m_longForms)) {
        const bool madeAnew
            = std::any_of(notes.longForms.begin(), notes.longForms.end(),
                          [&](const auto &made) { return made.first == forms.first; });
        if (!madeAnew)
            known.longForms << forms;
    }
    m_longForms = known.longForms;

    const LaunchContext context {m_drives, m_programDirectory, m_workingDirectory,
                                 qEnvironmentVariable("PATH")};
    collectWhenEnded(startDetached(launchFor(commandLine, windowStyle, context, known)));
}

} // namespace platform
