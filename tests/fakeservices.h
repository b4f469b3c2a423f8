#pragma once

#include "platform/realservices.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Skips a test or row that works through what only the Linux stand-in has:
// its drive map, links, names hidden by a leading dot.
#ifdef Q_OS_WIN
#define SKIP_ON_WINDOWS(reason) QSKIP(reason)
#else
#define SKIP_ON_WINDOWS(reason) static_cast<void>(reason)
#endif

// Services for tests: the disk is real but sandboxed, while message boxes,
// beeps, the pointer and launches are recorded in one event log, boxes
// answered from a script and failures injected where a test asks for them.
// On Linux the sandbox is a temporary prefix with c:, a:, b: and the working
// directory inside it. On Windows the test run's A: and B: are scratch
// folders marked by a hidden file "horbelung-sandbox", which the services
// insist on and empty, and the working directory is a temporary folder.
class FakeServices : public platform::RealServices
{
public:
    FakeServices();

    // Host folder of a drive ("a:") or of the working directory.
    QString hostOf(const QString &windowsPath) const;
    QString workingDirectory() const;
    // The Linux stand-in's entry for a drive ("…/dosdevices/a:"), through
    // which a test takes the drive away or points it elsewhere; empty on
    // Windows, where such a test skips.
    QString driveEntry(const QString &drive) const;

    // Next answers of msgBox, in order; when empty every box answers OK
    // (Yes/No boxes: No).
    QList<int> answers;
    // Error numbers to throw from the next calls of these operations.
    QList<int> shellErrors;
    QList<int> killErrors;
    QList<int> writeFileErrors;

    // "box 48: text", "beep", "pointer 11", "shell 1: command line", "kill A:\*.*",
    // "rmdir A:\X\", "events" in the order they happened.
    QStringList log;
    QStringList boxes() const; // just the "box ..." entries
    QList<launch::Command> commands; // what was launched
    int pointer = 0; // the pointer as last set

    int msgBox(const QString &prompt, int style) override;
    void beep() override;
    void setMousePointer(int pointer) override;
    void doEvents() override;
    QString appPath() const override;
    void shell(const launch::Command &command, int windowStyle) override;
    void kill(const QString &pattern) override;
    void rmDir(const QString &path) override;
    void writeFile(const QString &name, const QByteArray &content) override;

private:
    FakeServices(std::unique_ptr<QTemporaryDir> sandbox);
    std::unique_ptr<QTemporaryDir> m_sandbox;
};
