#include "realservices.h"

#include "rules/runtimeerror.h"

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

// The file system's own short form of a folder, which names it wherever the
// run's rule-made form ("BUCHHA~1") may name another folder or none. 76 when
// the folder is missing or its drive keeps no short names, as nothing else
// could be handed on without a guess.
QString shortForm(const QString &folder)
{
    const auto *wide = reinterpret_cast<const wchar_t *>(folder.utf16());
    const DWORD size = GetShortPathNameW(wide, nullptr, 0);
    QString form(qsizetype(size), Qt::Uninitialized);
    if (size == 0
        || GetShortPathNameW(wide, reinterpret_cast<wchar_t *>(form.data()), size) != size - 1)
        throw rules::RuntimeError(rules::RuntimeError::PathNotFound,
                                  QStringLiteral("Pfad nicht gefunden: %1").arg(folder));
    form.chop(1); // the terminating null
    if (form.contains(u' '))
        throw rules::RuntimeError(
            rules::RuntimeError::PathNotFound,
            QStringLiteral("Pfad nicht gefunden: %1 hat keinen kurzen Namen").arg(folder));
    return form;
}

// An argument as the line hands it on: a DOS form the run made in the file
// system's own short form of the folder the user named, what follows the
// form kept.
QString onLine(const launch::Argument &argument)
{
    if (argument.dosFolder.isEmpty()
        || argument.dosFolder.compare(argument.folder, Qt::CaseInsensitive) == 0)
        return argument.text;
    return shortForm(argument.folder) + argument.text.mid(argument.dosFolder.size());
}

// The command as CreateProcessW takes it. A program with blanks in its path
// ("C:\Program Files\Horbelung\arj.exe") is quoted: read unquoted, Windows
// would first try "C:\Program.exe", and the program would see "C:\Program"
// as its own name.
QString commandLine(const launch::Command &command)
{
    QString line = command.program.contains(u' ') ? quoted(command.program) : command.program;
    for (const launch::Argument &argument : command.arguments)
        line += u' ' + onLine(argument);
    return line;
}

} // namespace

QString RealServices::appPath() const
{
    QString path = QDir::toNativeSeparators(m_programDirectory);
    while (path.size() > 3 && path.endsWith(u'\\'))
        path.chop(1);
    return path.size() == 2 ? path + u'\\' : path;
}

void RealServices::shell(const launch::Command &command, int windowStyle)
{
    if (command.program.trimmed().isEmpty())
        throw rules::RuntimeError(rules::RuntimeError::InvalidProcedureCall);
    const launch::Notes &notes = command.notes;
    QString line = commandLine(command);
    // An archive run goes through the console companion, which runs the
    // archiver with the words after " -- ".
    if (!notes.summary.isEmpty()) {
        QString app = appPath();
        if (!app.endsWith(u'\\'))
            app += u'\\';
        // Joined, not filled in: a folder or summary may hold a "%1" of its own.
        QDir().mkpath(m_stateFolder);
        line = quoted(app + QStringLiteral("horbelung-console.exe")) + QStringLiteral(" --summary ")
            + quoted(notes.summary)
            + QStringLiteral(" --disk %1/%2").arg(notes.disk).arg(notes.diskCount)
            + QStringLiteral(" --state ") + quoted(QDir::toNativeSeparators(m_stateFolder))
            + (notes.restoreId.isEmpty() ? QString()
                                         : QStringLiteral(" --restore ") + quoted(notes.restoreId))
            // The floppy drives, where an older backup is never written over.
            + QStringLiteral(" --drive A:=A:\\ --drive B:=B:\\ -- ") + line;
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
    // No application name: Windows finds a bare name beside this program.
    // The default error mode, not this program's, so that Windows asks for
    // a floppy that is not in the drive.
    if (!CreateProcessW(nullptr, reinterpret_cast<wchar_t *>(line.data()), nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT | CREATE_DEFAULT_ERROR_MODE,
                        nullptr, reinterpret_cast<const wchar_t *>(folder.utf16()), &startup,
                        &process)) {
        const DWORD error = GetLastError();
        throw rules::RuntimeError(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                                      ? rules::RuntimeError::FileNotFound
                                      : rules::RuntimeError::PathFileAccessError);
    }
    // Never waited for.
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

} // namespace platform
