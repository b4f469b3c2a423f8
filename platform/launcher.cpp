#include "launcher.h"

#include "hostfs.h"
#include "rules/runtimeerror.h"
#include "services.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

extern char **environ;

using namespace Qt::StringLiterals;

namespace platform {

namespace {

struct Console
{
    const char16_t *program;
    bool xterm; // takes xterm's options for the size and UTF-8, besides -T and -e
};

constexpr Console consoles[] = {
    {u"xterm", true},
    {u"x-terminal-emulator", false},
};

// The archive runs go through this, installed beside the program.
constexpr char16_t companionName[] = u"horbelung-console";

bool isExecutableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

QString inSearchPath(const QString &name, const QString &searchPath)
{
    for (const QString &folder : searchPath.split(u':', Qt::SkipEmptyParts)) {
        // A relative entry would make the lookup depend on where we happen to be.
        if (QFileInfo(folder).isRelative())
            continue;
        const QString path = hostfs::join(folder, name);
        if (isExecutableFile(path))
            return path;
    }
    return {};
}

// Windows names programs without regard to case in its own folders.
QString lookUp(const QString &name, const LaunchContext &context)
{
    if (hostfs::startsWithDrive(name)) {
        try {
            const QString path = context.drives.toHost(name);
            return isExecutableFile(path) ? path : QString();
        } catch (const rules::RuntimeError &) {
            return {};
        }
    }
    if (name.contains(u'/') || name.contains(u'\\'))
        return {};
    for (const QString &folder : {context.programDirectory, context.workingDirectory}) {
        const QString entry = hostfs::findEntry(folder, name);
        if (!entry.isEmpty() && isExecutableFile(hostfs::join(folder, entry)))
            return hostfs::join(folder, entry);
    }
    return inSearchPath(name, context.searchPath);
}

QString findProgram(const QString &name, const LaunchContext &context)
{
    const QString path = lookUp(name, context);
    if (path.isEmpty() && name.endsWith(u".exe", Qt::CaseInsensitive))
        return lookUp(name.chopped(4), context);
    return path;
}

// A path argument names a host file through the drive map: the one the user
// meant, a trailing backslash kept as a trailing slash. A wildcard in its
// last part gives the matching files, or stays as written where none matches.
QStringList translateArgument(const launch::Argument &argument, const DriveMap &drives)
{
    const QString &text = argument.text;
    if (!hostfs::startsWithDrive(text) || text.size() < 3 || !hostfs::isSeparator(text[2]))
        return {text};
    const QString word = argument.meant();
    qsizetype cut = word.size() - 1;
    while (!hostfs::isSeparator(word[cut]))
        --cut;
    const QString pattern = word.mid(cut + 1);
    if (hostfs::hasWildcard(pattern)) {
        const QString folder = drives.toHost(word.left(cut + 1));
        QStringList matches;
        for (const QString &name : hostfs::entries(folder, hostfs::Kind::File, pattern))
            matches << hostfs::join(folder, name);
        if (!matches.isEmpty())
            return matches;
    }
    return {drives.toHost(word)};
}

// The companion's own options in front of the command: what the run is,
// and the drives' folders, so that it names files by their Windows paths.
QStringList companionOptions(const LaunchContext &context, const launch::Notes &notes)
{
    QStringList options {u"--summary"_s, notes.summary, u"--disk"_s,
                         u"%1/%2"_s.arg(notes.disk).arg(notes.diskCount)};
    if (!context.stateFolder.isEmpty())
        options << u"--state"_s << context.stateFolder;
    if (!notes.restoreId.isEmpty())
        options << u"--restore"_s << notes.restoreId;
    for (const QString &drive : context.drives.drives()) {
        try {
            QString root = context.drives.toHost(drive + u'\\');
            if (!root.endsWith(u'/'))
                root += u'/';
            options << u"--drive"_s << drive.toUpper() + u'=' + root;
        } catch (const rules::RuntimeError &) {
            // A drive whose folder is gone holds none of the run's files.
        }
    }
    return options << u"--"_s;
}

// Wide enough for the archiver's longest line: a path of the command with
// the file name, position and progress it puts beside it.
QString consoleSize(const QStringList &command)
{
    qsizetype longest = 0;
    for (const QString &word : command)
        longest = std::max(longest, word.size());
    return u"%1x32"_s.arg(std::clamp<qsizetype>(longest + 72, 80, 240));
}

Launch inConsole(Launch launch, const LaunchContext &context, const launch::Notes &notes)
{
    for (const Console &console : consoles) {
        const QString terminal
            = inSearchPath(QString::fromUtf16(console.program), context.searchPath);
        if (terminal.isEmpty())
            continue;
        QStringList command = QStringList {launch.program} + launch.arguments;
        if (!notes.summary.isEmpty()) {
            const QString companion
                = hostfs::join(context.programDirectory, QString::fromUtf16(companionName));
            if (!isExecutableFile(companion))
                throw rules::RuntimeError(rules::RuntimeError::FileNotFound,
                                          u"Datei nicht gefunden: %1"_s.arg(companion));
            command = QStringList {companion} + companionOptions(context, notes) + command;
        } else if (launch.arguments.isEmpty()) {
            // xterm hands a lone word that it cannot run to a shell; with a
            // second word it never does.
            command.prepend(u"/usr/bin/env"_s);
        }
        QStringList options {
            u"-T"_s, notes.title.isEmpty() ? u"Horbelung"_s : u"Horbelung \u2013 "_s + notes.title};
        if (console.xterm)
            options << u"-u8"_s << u"-geometry"_s << consoleSize(command);
        launch.arguments = options + QStringList {u"-e"_s} + command;
        launch.program = terminal;
        return launch;
    }
    throw rules::RuntimeError(rules::RuntimeError::FileNotFound,
                              u"Datei nicht gefunden: xterm oder x-terminal-emulator"_s);
}

} // namespace

Launch launchFor(const launch::Command &command, int windowStyle, const LaunchContext &context)
{
    if (command.program.trimmed().isEmpty())
        throw rules::RuntimeError(rules::RuntimeError::InvalidProcedureCall);
    const QString program = findProgram(command.program, context);
    if (program.isEmpty())
        throw rules::RuntimeError(rules::RuntimeError::FileNotFound,
                                  u"Datei nicht gefunden: %1"_s.arg(command.program));
    Launch launch {program, {}, context.workingDirectory};
    for (const launch::Argument &argument : command.arguments)
        launch.arguments << translateArgument(argument, context.drives);
    if (windowStyle == WindowStyle::NormalFocus || windowStyle == WindowStyle::MinimizedFocus)
        return inConsole(launch, context, command.notes);
    return launch;
}

qint64 startDetached(const Launch &launch)
{
    // Spawned rather than forked: QProcess::startDetached forks this whole
    // process twice, which took 10 to 30 ms with the window open, all of it
    // between the click and the archiver's start.
    std::vector<QByteArray> words {hostfs::encode(launch.program)};
    for (const QString &argument : launch.arguments)
        words.push_back(hostfs::encode(argument));
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray folder = hostfs::encode(launch.workingDirectory);
    if (!folder.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.constData());
    // A session of its own, as a detached process has, and the signals as a
    // new program expects them (Qt ignores SIGPIPE in this process).
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t pipe;
    sigemptyset(&none);
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &pipe);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        throw rules::RuntimeError(rules::RuntimeError::FileNotFound,
                                  u"Datei nicht gefunden: %1"_s.arg(launch.program));
    return pid;
}

void collectWhenEnded(qint64 pid)
{
    // The process's pidfd becomes readable when it ends: collected then, in
    // the event loop, it never lingers as a zombie and nothing polls.
    const int fd = int(syscall(SYS_pidfd_open, pid_t(pid), 0));
    if (fd < 0)
        return;
    auto *ended = new QSocketNotifier(fd, QSocketNotifier::Read, QCoreApplication::instance());
    QObject::connect(ended, &QSocketNotifier::activated, ended, [ended, fd, pid] {
        waitpid(pid_t(pid), nullptr, WNOHANG);
        ended->setEnabled(false);
        close(fd);
        ended->deleteLater();
    });
}

} // namespace platform
