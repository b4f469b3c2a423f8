#include "realservices.h"

#include "runtimeerror.h"

#include <QDir>

#include <windows.h>

// Windows: the program folder as it is, launches by the system's own rules.
namespace platform {

namespace {

// One argument as Windows' argument parsing reads it back: in quotes, with
// the backslashes before a quote doubled.
QString quoted(const QString &argument)
{
    QString result = QStringLiteral("\"");
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        result += QString(c == u'"' ? 2 * backslashes + 1 : backslashes, u'\\');
        result += c;
        backslashes = 0;
    }
    return result + QString(2 * backslashes, u'\\') + u'"';
}

} // namespace

QString RealServices::appPath() const
{
    QString path = QDir::toNativeSeparators(m_programDirectory);
    while (path.size() > 3 && path.endsWith(u'\\'))
        path.chop(1);
    return path.size() == 2 ? path + u'\\' : path;
}

void RealServices::shell(const QString &commandLine, int windowStyle, const LaunchNotes &notes)
{
    if (commandLine.trimmed().isEmpty())
        throw RuntimeError(RuntimeError::InvalidProcedureCall);
    // An archive run goes through the console companion, which hands the
    // archiver the part after " -- " unchanged.
    QString line = commandLine;
    if (!notes.summary.isEmpty()) {
        QString app = appPath();
        if (!app.endsWith(u'\\'))
            app += u'\\';
        line
            = QStringLiteral("%1 --summary %2 --disk %3/%4 -- %5")
                  .arg(quoted(app + QStringLiteral("horbelung-console.exe")), quoted(notes.summary))
                  .arg(notes.disk)
                  .arg(notes.diskCount)
                  .arg(commandLine);
    }
    QString title = notes.title.isEmpty() ? QStringLiteral("Horbelung")
                                          : QStringLiteral("Horbelung \u2013 ") + notes.title;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.lpTitle = reinterpret_cast<wchar_t *>(title.data());
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow
        = windowStyle == WindowStyle::MinimizedFocus ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
    const QString folder = QDir::toNativeSeparators(m_workingDirectory);
    PROCESS_INFORMATION process = {};
    // No application name: Windows finds the program and reads an unquoted
    // path with blanks its own way.
    if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t *>(line.data()), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, nullptr,
                        reinterpret_cast<const wchar_t *>(folder.utf16()), &startup, &process)) {
        const DWORD error = GetLastError();
        throw RuntimeError(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                               ? RuntimeError::FileNotFound
                               : RuntimeError::PathFileAccessError);
    }
    // Never waited for.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace platform
