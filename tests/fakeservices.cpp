#include "fakeservices.h"

#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

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

void throwNext(QList<int> &errors)
{
    if (!errors.isEmpty())
        throw platform::RuntimeError(errors.takeFirst());
}

} // namespace

FakeServices::FakeServices()
    : FakeServices(makeSandbox())
{ }

FakeServices::FakeServices(std::unique_ptr<QTemporaryDir> sandbox)
    : RealServices(platform::DriveMap::createPrefix(sandbox->path()),
                   sandbox->path() + QStringLiteral("/drive_c/TOOLS"),
                   sandbox->path() + QStringLiteral("/work"))
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

QStringList FakeServices::boxes() const
{
    return log.filter(QRegularExpression(QStringLiteral("^box ")));
}

QStringList FakeServices::launches() const
{
    QStringList lines;
    for (const QString &entry : log) {
        if (entry.startsWith(QStringLiteral("shell ")))
            lines << entry.section(QStringLiteral(": "), 1);
    }
    return lines;
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

void FakeServices::shell(const QString &commandLine, int windowStyle, const platform::LaunchNotes &)
{
    // An empty command line never starts anything, as on the real platform.
    if (commandLine.isEmpty())
        throw platform::RuntimeError(platform::RuntimeError::InvalidProcedureCall);
    log << QStringLiteral("shell %1: %2").arg(windowStyle).arg(commandLine);
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
    throwNext(rmDirErrors);
    RealServices::rmDir(path);
}

void FakeServices::writeFile(const QString &name, const QByteArray &content)
{
    throwNext(writeFileErrors);
    RealServices::writeFile(name, content);
}
