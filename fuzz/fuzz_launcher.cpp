// Any command, its words split at blanks, and window style (the first byte)
// through the launcher, in a sandbox, without starting anything. The launch
// names an executable file and never a shell unless the program asked for one; the
// console gets its own options and never a lone word; every argument is a
// word of the line as written or a host path inside a drive's folder, so the
// launcher adds nothing of its own; the only failures are 5, 52, 53 and 71.
// The same text as a directory field never hands the archiver a switch.
#include "platform/launcher.h"
#include "rules/archiverun.h"
#include "rules/dospath.h"
#include "rules/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Drives a: and c: as in the program's own prefix, z: a sandbox folder that
// holds links to the system's shells; the program folder holds arj.exe, the
// working folder a tool, PATH a relative entry, xterm and the shells.
struct Sandbox
{
    QTemporaryDir dir;
    platform::LaunchContext context {platform::DriveMap::createPrefix(dir.path()),
                                     dir.filePath(u"drive_c/TOOLS"_s),
                                     dir.filePath(u"work"_s),
                                     u"bin:"_s + dir.filePath(u"root/shells:"_s)
                                         + dir.filePath(u"bin"_s),
                                     {}};
    QStringList roots;
    QStringList shells; // canonical paths

    Sandbox()
    {
        QDir prefix(dir.path());
        for (const QString &path :
             {u"drive_c/TOOLS/arj.exe"_s, u"work/Tool"_s, u"bin/xterm"_s,
              u"drive_c/NOKRAT/NOKRAT.MDB"_s, u"drive_c/NOKRAT/-hcid.mdb"_s,
              u"drive_c/Eigene Dateien/x.mdb"_s, u"floppy_a/NOKUhobe.arj"_s}) {
            prefix.mkpath(QFileInfo(prefix.filePath(path)).path());
            QFile file(prefix.filePath(path));
            file.open(QIODevice::WriteOnly);
            if (!path.contains(u"drive_c/N"_s))
                file.setPermissions(file.permissions() | QFile::ExeOwner);
        }
        prefix.mkpath(u"root/shells"_s);
        for (const QString &shell : {u"sh"_s, u"bash"_s}) {
            QFile::link(u"/bin/"_s + shell, prefix.filePath(u"root/shells/"_s + shell));
            shells << QFileInfo(u"/bin/"_s + shell).canonicalFilePath();
        }
        QFile::remove(prefix.filePath(u"dosdevices/z:"_s));
        QFile::link(u"../root"_s, prefix.filePath(u"dosdevices/z:"_s));
        for (const QString &folder : {u"floppy_a"_s, u"floppy_b"_s, u"drive_c"_s, u"root"_s})
            roots << QFileInfo(prefix.filePath(folder)).canonicalFilePath();
    }

    bool inDrive(const QString &path) const
    {
        const QStringList parts = path.split(u'/');
        if (parts.contains(u"."_s) || parts.contains(u".."_s))
            return false;
        for (const QString &root : roots) {
            if (path == root || path.startsWith(root + u'/'))
                return true;
        }
        return false;
    }

    bool isShell(const QString &program) const
    {
        return shells.contains(QFileInfo(program).canonicalFilePath());
    }
};

// "Z:\shells\SH.EXE", "sh", "z:\shells\sh\.": the name the first word asks
// for, its "." and ".." parts taken as the drive map takes them.
QString askedName(const QString &word)
{
    QStringList names;
    for (const QString &part :
         QString(word).replace(u'/', u'\\').split(u'\\', Qt::SkipEmptyParts)) {
        if (part == u".."_s && !names.isEmpty())
            names.removeLast();
        else if (part != u"."_s && part != u".."_s)
            names << part;
    }
    QString name = names.isEmpty() ? QString() : names.last().toLower();
    return name.endsWith(u".exe"_s) ? name.chopped(4) : name;
}

void checkLaunch(const Sandbox &sandbox, const QString &line, int style)
{
    const QStringList words = line.split(u' ', Qt::SkipEmptyParts);
    launch::Command command {words.value(0)};
    for (const QString &word : words.mid(1))
        command.arguments << launch::Argument {word};
    platform::Launch launch;
    try {
        launch = platform::launchFor(command, style, sandbox.context);
    } catch (const rules::RuntimeError &error) {
        switch (error.number()) {
        case rules::RuntimeError::InvalidProcedureCall:
        case rules::RuntimeError::BadFileNameOrNumber:
        case rules::RuntimeError::FileNotFound:
        case rules::RuntimeError::DiskNotReady:
        case rules::RuntimeError::PathNotFound:
            return;
        }
        std::abort();
    }
    if (launch.workingDirectory != sandbox.context.workingDirectory)
        std::abort();

    QString program = launch.program;
    QStringList arguments = launch.arguments;
    if (style == 1 || style == 2) {
        if (program != sandbox.dir.filePath(u"bin/xterm"_s))
            std::abort();
        // Titled, sized, then the command: no word of the line among the options.
        const QStringList options {u"-T"_s, u"Horbelung"_s, u"-u8"_s, u"-geometry"_s};
        if (arguments.size() < 7 || arguments.first(4) != options || arguments[5] != u"-e")
            std::abort();
        arguments = arguments.sliced(6);
        if (arguments.first() == u"/usr/bin/env") {
            if (arguments.size() != 2 || words.size() != 1)
                std::abort();
            arguments.removeFirst();
        }
        program = arguments.takeFirst();
    }
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable())
        std::abort();
    if (sandbox.isShell(program)) {
        const QString asked = askedName(command.program);
        if (asked != u"sh" && asked != u"bash")
            std::abort();
    }
    if (arguments.size() < words.size() - 1)
        std::abort();
    for (const QString &argument : arguments) {
        if (!words.contains(argument) && !sandbox.inDrive(argument))
            std::abort();
    }
}

// The same text as both directory fields of a backup and a restore to the
// hard disk: the archiver gets exactly the switches of its command line, and
// a field that would add one is refused (52).
void checkArchiverSwitches(const Sandbox &sandbox, const QString &field)
{
    using archiverun::Mode;
    for (const auto &[mode, switches] : {std::pair {Mode::Backup, QStringList {u"-e"_s, u"-y"_s}},
                                         std::pair {Mode::Restore, QStringList {u"-y"_s}}}) {
        platform::Launch launch;
        try {
            const QString backup = field.endsWith(u'\\') ? field : field + u'\\';
            archiverun::Request request {mode,
                                         archiverun::Target::HardDisk,
                                         u"C:\\TOOLS"_s,
                                         archiverun::directoryField(pfadFuerDos(backup), backup),
                                         archiverun::directoryField(pfadFuerDos(field), field),
                                         u"NOKU"_s,
                                         u"NOKRAT"_s};
            launch
                = platform::launchFor(archiverun::plan(request).at(0).command, 0, sandbox.context);
        } catch (const rules::RuntimeError &) {
            continue;
        }
        QStringList given;
        for (const QString &argument : launch.arguments) {
            if (argument.startsWith(u'-'))
                given << argument;
        }
        if (given != switches)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const Sandbox sandbox;
    if (size == 0)
        return 0;
    const QString text
        = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    checkLaunch(sandbox, text, data[0] % 4);
    checkArchiverSwitches(sandbox, text);
    return 0;
}
