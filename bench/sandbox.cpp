#include "sandbox.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace bench {

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

namespace {

void require(bool condition, const char *what)
{
    if (!condition)
        throw std::runtime_error(what);
}

} // namespace

Sandbox::Sandbox()
    : m_drives(platform::DriveMap::createPrefix(m_dir.path()))
{
    require(m_dir.isValid(), "no temporary folder");
    require(QDir().mkpath(programDirectory()) && QDir().mkpath(workingDirectory()),
            "cannot create the sandbox folders");
    const QString arj = QStandardPaths::findExecutable(u"arj"_s);
    require(!arj.isEmpty(), "the archiver arj is not installed");
    require(QFile::link(arj, programDirectory() + u"/arj.exe"_s), "cannot link arj.exe");
    require(QFile::link(QStringLiteral(HORBELUNG_CONSOLE),
                        programDirectory() + u"/horbelung-console"_s),
            "cannot link the console companion");
}

QString Sandbox::programDirectory() const
{
    return m_dir.path() + u"/drive_c/TOOLS"_s;
}

QString Sandbox::workingDirectory() const
{
    return m_dir.path() + u"/work"_s;
}

QString Sandbox::makeDirectory(const QString &windowsPath) const
{
    const QString host = m_drives.toHost(windowsPath);
    require(QDir().mkpath(host), "cannot create a sandbox folder");
    return host;
}

std::unique_ptr<platform::RealServices> Sandbox::services() const
{
    return std::make_unique<platform::RealServices>(m_drives, programDirectory(),
                                                    workingDirectory());
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    require(file.open(QIODevice::WriteOnly) && file.write(content) == content.size(),
            "cannot write a sandbox file");
}

QByteArray randomBytes(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

StubConsole::StubConsole()
    : m_oldPath(qgetenv("PATH"))
{
    const QString stub = QCoreApplication::applicationDirPath() + u"/bench_console"_s;
    require(QFile::exists(stub), "bench_console is not built");
    require(QDir().mkpath(m_dir.path() + u"/bin"_s), "cannot create the console folder");
    require(QFile::link(stub, m_dir.path() + u"/bin/xterm"_s), "cannot link the stub console");
    qputenv("PATH", QFile::encodeName(m_dir.path() + u"/bin"_s) + ':' + m_oldPath);
    qputenv("BENCH_CONSOLE_RECORDS", QFile::encodeName(m_dir.path()));
}

StubConsole::~StubConsole()
{
    qputenv("PATH", m_oldPath);
    qunsetenv("BENCH_CONSOLE_RECORDS");
}

QList<ConsoleRecord> StubConsole::waitForRecords(qsizetype count, int timeoutMs) const
{
    const QDir folder(m_dir.path());
    const QDeadlineTimer deadline(timeoutMs);
    QStringList names;
    while ((names = folder.entryList({u"*.rec"_s}, QDir::Files, QDir::Name)).size() < count) {
        if (deadline.hasExpired())
            return {};
        // The records carry their own times; looking seldom keeps this
        // process from taking the processor from the archiver it waits for.
        QThread::msleep(5);
    }
    QList<ConsoleRecord> records;
    for (const QString &name : names) {
        QFile file(folder.filePath(name));
        require(file.open(QIODevice::ReadOnly), "cannot read a console record");
        const QStringList lines = QString::fromLocal8Bit(file.readAll()).split(u'\n');
        const QStringList times = lines.value(0).split(u' ');
        ConsoleRecord record;
        record.startNs = times.value(0).toLongLong();
        record.endNs = times.value(1).toLongLong();
        record.status = times.value(2).toInt();
        record.command = lines.mid(1, lines.size() - 2);
        records << record;
    }
    std::sort(records.begin(), records.end(),
              [](const ConsoleRecord &a, const ConsoleRecord &b) { return a.startNs < b.startNs; });
    return records;
}

void StubConsole::clear() const
{
    QDir folder(m_dir.path());
    for (const QString &name : folder.entryList({u"*.rec"_s, u"console.log"_s}, QDir::Files))
        folder.remove(name);
}

QList<InstructionDump> countInstructions(const QStringList &arguments,
                                         const QStringList &callgrindOptions,
                                         const QString &workingDirectory,
                                         const QStringList &environment)
{
    QTemporaryDir dumps;
    QProcess valgrind;
    valgrind.setProgram(u"valgrind"_s);
    valgrind.setArguments(QStringList {u"--tool=callgrind"_s,
                                       u"--callgrind-out-file="_s + dumps.path() + u"/cg.out"_s}
                          + callgrindOptions + QStringList {QCoreApplication::applicationFilePath()}
                          + arguments);
    if (!workingDirectory.isEmpty())
        valgrind.setWorkingDirectory(workingDirectory);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &variable : environment)
        env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
    valgrind.setProcessEnvironment(env);
    valgrind.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    valgrind.setStandardOutputFile(QProcess::nullDevice());
    valgrind.start();
    require(valgrind.waitForFinished(-1) && valgrind.exitStatus() == QProcess::NormalExit
                && valgrind.exitCode() == 0,
            "the run under callgrind failed");

    const QString trigger = u"desc: Trigger: Client Request: "_s;
    QList<InstructionDump> result;
    const QDir folder(dumps.path());
    for (const QString &name : folder.entryList({u"cg.out*"_s}, QDir::Files)) {
        QFile file(folder.filePath(name));
        require(file.open(QIODevice::ReadOnly), "cannot read a callgrind dump");
        InstructionDump dump;
        for (const QByteArray &line : file.readAll().split('\n')) {
            const QString text = QString::fromUtf8(line);
            if (text.startsWith(trigger))
                dump.name = text.mid(trigger.size());
            else if (text.startsWith(u"totals: "_s))
                dump.instructions = text.mid(8).toLongLong();
        }
        if (!dump.name.isEmpty())
            result << dump;
    }
    return result;
}

Summary summarize(QList<double> values)
{
    require(!values.isEmpty(), "no measurements");
    std::sort(values.begin(), values.end());
    const qsizetype n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back(), n};
}

namespace {

// Three significant digits, without an exponent.
QString number(double value)
{
    int decimals = 2;
    for (double limit = 10; decimals > 0 && std::abs(value) >= limit; limit *= 10)
        --decimals;
    return QString::number(value, 'f', decimals);
}

} // namespace

void printHeader()
{
    std::printf("| measurement | median | spread (min – max) | runs | target | met |\n"
                "|---|---:|---:|---:|---|---|\n");
}

void printCountHeader()
{
    std::printf("| measurement (callgrind) | instructions |\n|---|---:|\n");
}

void printCountRow(const QString &what, double value, const QString &unit)
{
    QLocale grouped = QLocale::c();
    grouped.setNumberOptions({});
    const QString number = grouped.toString(value, 'f', 0);
    const QString row
        = u"| %1 | %2 |\n"_s.arg(what, unit.isEmpty() ? number : number + u' ' + unit);
    std::fputs(row.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

void printRow(const QString &what, const Summary &summary, const QString &unit,
              const QString &target, bool met)
{
    // Ratios are compared with targets such as 1.02: they get a digit more.
    const auto shown = [&](double value) {
        return unit == u"×" ? QString::number(value, 'f', 3) : number(value);
    };
    const QString row = u"| %1 | %2 %3 | %4 – %5 | %6 | %7 | %8 |\n"_s.arg(
        what, shown(summary.median), unit, shown(summary.min), shown(summary.max),
        QString::number(summary.runs), target.isEmpty() ? u"—"_s : target,
        target.isEmpty() ? u"—"_s : (met ? u"yes"_s : u"**no**"_s));
    std::fputs(row.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

} // namespace bench
