#pragma once

// What the benchmark executables share: a throw-away Windows machine, the
// stub console that stands in for the terminal, a clock that two processes
// can compare, and the statistics of the result table.

#include "platform/drivemap.h"
#include "platform/realservices.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace bench {

// Nanoseconds on the monotonic clock, which every process on the machine
// shares, so a time taken in one process can be compared with another's.
qint64 nowNs();

// A prefix with the program's own drive layout (c:, a:, b:, z:), the program
// folder C:\TOOLS holding arj.exe and a working folder for hobe.ini.
class Sandbox
{
public:
    Sandbox();

    QString prefix() const { return m_dir.path(); }
    const platform::DriveMap &drives() const { return m_drives; }
    QString programDirectory() const; // host path of C:\TOOLS
    QString workingDirectory() const;
    // Host path of a Windows path; its folders are created.
    QString makeDirectory(const QString &windowsPath) const;
    std::unique_ptr<platform::RealServices> services() const;

private:
    QTemporaryDir m_dir;
    platform::DriveMap m_drives;
};

void writeFile(const QString &path, const QByteArray &content);
// Incompressible bytes, the same for the same seed.
QByteArray randomBytes(qsizetype size, quint32 seed);

// One program the stub console ran: when it started (just before the
// archiver is started), when the archiver ended, its exit status and the
// command it was given.
struct ConsoleRecord
{
    qint64 startNs = 0;
    qint64 endNs = 0;
    int status = -1;
    QStringList command;
};

// Puts the stub console first on PATH as "xterm" for as long as it lives;
// the stub runs its command without a window and leaves a record.
class StubConsole
{
public:
    StubConsole();
    ~StubConsole();
    StubConsole(const StubConsole &) = delete;
    StubConsole &operator=(const StubConsole &) = delete;

    // Waits until `count` records exist, in the order the programs started;
    // empty when they do not appear in time.
    QList<ConsoleRecord> waitForRecords(qsizetype count, int timeoutMs) const;
    void clear() const;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldPath;
};

// Median and spread of repeated measurements.
struct Summary
{
    double median = 0;
    double min = 0;
    double max = 0;
    qsizetype runs = 0;
};
Summary summarize(QList<double> values);

// Instructions counted by callgrind: the program runs this executable again
// under valgrind with `arguments`; every CALLGRIND_DUMP_STATS_AT it reaches
// becomes one dump, named as it was dumped.
struct InstructionDump
{
    QString name;
    qint64 instructions = 0;
};
QList<InstructionDump> countInstructions(const QStringList &arguments,
                                         const QStringList &callgrindOptions = {},
                                         const QString &workingDirectory = {},
                                         const QStringList &environment = {});

// One row of the result table that bench/run prints.
void printRow(const QString &what, const Summary &summary, const QString &unit,
              const QString &target, bool met);
void printHeader();
// A row of a single, repeatable figure (an instruction count).
void printCountRow(const QString &what, double value, const QString &unit);
void printCountHeader();

} // namespace bench
