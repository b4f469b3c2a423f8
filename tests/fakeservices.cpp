#include "fakeservices.h"

#include "rules/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

#ifdef Q_OS_WIN
// The run's scratch floppies, emptied but for their hidden marker, and a
// working directory on C:.
std::unique_ptr<QTemporaryDir> makeSandbox()
{
    const QString marker = QStringLiteral("horbelung-sandbox");
    for (const QString &drive : {QStringLiteral("A:/"), QStringLiteral("B:/")}) {
        // Never a real floppy.
        if (!QFileInfo::exists(drive + marker))
            qFatal("%s has no %s: no scratch drive, nothing emptied", qPrintable(drive),
                   qPrintable(marker));
        SetFileAttributesW(
            reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(drive + marker).utf16()),
            FILE_ATTRIBUTE_HIDDEN);
        const QDir root(drive);
        for (const QFileInfo &entry : root.entryInfoList(QDir::AllEntries | QDir::Hidden
                                                         | QDir::System | QDir::NoDotAndDotDot)) {
            if (entry.fileName() == marker)
                continue;
            QFile::setPermissions(entry.filePath(), QFile::WriteOwner | QFile::ReadOwner);
            if (!(entry.isDir() ? QDir(entry.filePath()).removeRecursively()
                                : QFile::remove(entry.filePath())))
                qFatal("%s cannot be emptied", qPrintable(entry.filePath()));
        }
    }
    // The program directory appPath names.
    QDir().mkpath(QStringLiteral("C:/TOOLS"));
    auto sandbox = std::make_unique<QTemporaryDir>();
    QDir(sandbox->path()).mkpath(QStringLiteral("work"));
    return sandbox;
}

#else
std::unique_ptr<QTemporaryDir> makeSandbox()
{
    auto sandbox = std::make_unique<QTemporaryDir>();
    QDir(sandbox->path()).mkpath(QStringLiteral("work"));
    QDir(sandbox->path()).mkpath(QStringLiteral("drive_c/TOOLS"));
    // The console companion sits beside the program, as installed.
    QFile::link(QStringLiteral(HORBELUNG_CONSOLE),
                sandbox->path() + QStringLiteral("/drive_c/TOOLS/horbelung-console"));
    return sandbox;
}
#endif

void throwNext(QList<int> &errors)
{
    if (!errors.isEmpty())
        throw rules::RuntimeError(errors.takeFirst());
}

} // namespace

FakeServices::FakeServices()
    : FakeServices(makeSandbox())
{ }

FakeServices::FakeServices(std::unique_ptr<QTemporaryDir> sandbox)
#ifdef Q_OS_WIN
    : RealServices(platform::DriveMap::fromEnvironment(), sandbox->path(),
#else
    : RealServices(platform::DriveMap::createPrefix(sandbox->path()),
                   sandbox->path() + QStringLiteral("/drive_c/TOOLS"),
#endif
                   sandbox->path() + QStringLiteral("/work"),
                   sandbox->path() + QStringLiteral("/state"))
    , m_sandbox(std::move(sandbox))
{ }

QString FakeServices::hostOf(const QString &windowsPath) const
{
    return driveMap().toHost(windowsPath);
}

QString FakeServices::workingDirectory() const
{
    return m_sandbox->path() + QStringLiteral("/work");
}

QString FakeServices::driveEntry(const QString &drive) const
{
#ifdef Q_OS_WIN
    Q_UNUSED(drive);
    return {};
#else
    return driveMap().dosdevices() + u'/' + drive.toLower();
#endif
}

QStringList FakeServices::boxes() const
{
    return log.filter(QRegularExpression(QStringLiteral("^box ")));
}

int FakeServices::msgBox(const QString &prompt, int style)
{
    log << QStringLiteral("box %1: %2").arg(style).arg(prompt);
    if (!answers.isEmpty())
        return answers.takeFirst();
    return (style & 7) == platform::MsgBox::YesNo ? platform::MsgBox::No : platform::MsgBox::Ok;
}

void FakeServices::beep()
{
    log << QStringLiteral("beep");
}

void FakeServices::setMousePointer(int value)
{
    pointer = value;
    log << QStringLiteral("pointer %1").arg(value);
}

void FakeServices::doEvents()
{
    log << QStringLiteral("events");
}

QString FakeServices::appPath() const
{
    return QStringLiteral("C:\\TOOLS");
}

void FakeServices::shell(const launch::Command &command, int windowStyle)
{
    // A command without a program never starts anything, as on the real platform.
    if (command.program.isEmpty())
        throw rules::RuntimeError(rules::RuntimeError::InvalidProcedureCall);
    log << QStringLiteral("shell %1: %2").arg(windowStyle).arg(launch::line(command));
    commands << command;
    throwNext(shellErrors);
}

void FakeServices::kill(const QString &pattern)
{
    log << QStringLiteral("kill ") + pattern;
    throwNext(killErrors);
    RealServices::kill(pattern);
}

void FakeServices::rmDir(const QString &path)
{
    log << QStringLiteral("rmdir ") + path;
    RealServices::rmDir(path);
}

void FakeServices::writeFile(const QString &name, const QByteArray &content)
{
    throwNext(writeFileErrors);
    RealServices::writeFile(name, content);
}
