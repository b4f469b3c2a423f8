// Restore benchmark: a backup on the hard disk (200 MiB) read back, by the
// archiver alone and through the console companion exactly as the program
// starts it. The result table goes to stdout, the library's report to stderr.
//
//   bench_restore [--runs N] [--mebibytes M] [Google Benchmark options]
//       N rounds (5 unless told) of an M MiB backup (200 unless told)
//
// The archive is made once per data kind with "arj a ARCHIVE *.mdb -e -y"
// from two databases of M/2 MiB: office records that the archiver packs to
// under a third, or random bytes, which it stores. A round runs each of
// these once, timed in wall-clock time, in an order that turns from round to
// round so that none always runs first:
//   arj x ARCHIVE DEST/ -y                      into an empty folder (the floor),
//   arj x ARCHIVE DEST/ -y                      over the previous databases,
//   horbelung-console ... -- arj x ARCHIVE DEST/ -y   over the previous databases,
// the last as the program starts it: the companion extracts into a folder of
// its own, checks every part's CRC, then sets the previous files aside and
// moves the new ones in. Before each run the disk is written back; every run
// gets "\n" on a pipe as its input and discards its output.

#include "sandbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

qsizetype databaseBytes = qsizetype(100) << 20;
constexpr int databases = 2;
const QString archiver = u"/usr/bin/arj"_s;

enum class Data { Records, Random };
enum class Way { IntoEmptyFolder, OverPreviousFiles, ThroughCompanion };

// Lines as an office database holds them: few words, many digits.
QByteArray records(qsizetype size, quint32 seed)
{
    static const char *const words[]
        = {"Kunde",   "Rechnung",   "Auftrag", "Lieferschein", "Mahnung", "Angebot",
           "Vertrag", "Gutschrift", "Berlin",  "Hamburg",      "offen",   "bezahlt"};
    constexpr quint32 wordCount = sizeof words / sizeof *words;
    quint32 state = seed * 2654435761u + 1;
    const auto next = [&state](quint32 below) {
        state ^= state << 13; // xorshift: fast, and the same for the same seed
        state ^= state >> 17;
        state ^= state << 5;
        return state % below;
    };
    QByteArray bytes;
    bytes.reserve(size + 128);
    char line[128];
    while (bytes.size() < size) {
        const int length = std::snprintf(
            line, sizeof line, "%s %05u;%s;%u,%02u EUR;%s\r\n", words[next(wordCount)],
            next(100000), words[next(wordCount)], next(10000), next(100), words[next(wordCount)]);
        bytes.append(line, length);
    }
    bytes.truncate(size);
    return bytes;
}

void require(bool condition, const char *what)
{
    if (!condition)
        throw std::runtime_error(what);
}

// Runs a program with "\n" as its input and its output discarded; its exit
// status, or -1 when it did not end normally.
int runProgram(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted(-1))
        return -1;
    process.write("\n");
    process.closeWriteChannel();
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

class RestoreSetup
{
public:
    explicit RestoreSetup(Data data)
        : m_archive(m_sandbox.makeDirectory(u"C:\\SICHER\\"_s) + u"NOKUhobe.arj"_s)
        , m_folders {m_sandbox.makeDirectory(u"C:\\LEER\\"_s),
                     m_sandbox.makeDirectory(u"C:\\ALT\\"_s),
                     m_sandbox.makeDirectory(u"C:\\NOKRAT\\"_s)}
        , m_state(m_sandbox.prefix() + u"/state"_s)
    {
        require(QDir().mkpath(m_state), "cannot create the state folder");
        QStringList arguments {u"a"_s, m_archive};
        for (int i = 0; i < databases; ++i) {
            const QString name = u"NOKRAT%1.mdb"_s.arg(i);
            const QString path = folder(Way::ThroughCompanion) + name;
            bench::writeFile(path,
                             data == Data::Records ? records(databaseBytes, i)
                                                   : bench::randomBytes(databaseBytes, i));
            // Each restore over previous files leaves the next one its own.
            require(QFile::copy(path, folder(Way::OverPreviousFiles) + name),
                    "cannot copy a database");
            m_names << name;
            arguments << path;
        }
        require(runProgram(archiver, arguments << u"-e"_s << u"-y"_s) == 0,
                "the archiver cannot make the archive");
    }

    // Every run starts alike: the floor's folder empty, the disk written back.
    void prepare(Way way)
    {
        if (way == Way::IntoEmptyFolder) {
            for (const QString &name : m_names)
                QFile::remove(folder(way) + name);
        }
        ::sync();
    }

    bool restore(Way way)
    {
        if (way != Way::ThroughCompanion)
            return runProgram(archiver, {u"x"_s, m_archive, folder(way), u"-y"_s}) == 0
                && restored(folder(way));
        const QStringList arguments {
            u"--summary"_s, u"Wiederherstellung von NOKRAT"_s,
            u"--disk"_s,    u"1/1"_s,
            u"--restore"_s, u"bench-%1-%2"_s.arg(::getpid()).arg(++m_restores),
            u"--state"_s,   m_state,
            u"--drive"_s,   u"C:="_s + m_sandbox.prefix() + u"/drive_c/"_s,
            u"--"_s,        archiver,
            u"x"_s,         m_archive,
            folder(way),    u"-y"_s};
        return runProgram(QStringLiteral(HORBELUNG_CONSOLE), arguments) == 0
            && restored(folder(way));
    }

private:
    // Host folder with its "/".
    const QString &folder(Way way) const { return m_folders[std::size_t(way)]; }

    // The databases, whole, and nothing else (the companion's own folders gone).
    bool restored(const QString &folder) const
    {
        for (const QString &name : m_names) {
            if (QFileInfo(folder + name).size() != databaseBytes)
                return false;
        }
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size()
            == m_names.size();
    }

    bench::Sandbox m_sandbox;
    QString m_archive;
    std::array<QString, 3> m_folders; // by Way
    QString m_state;
    QStringList m_names;
    int m_restores = 0;
};

std::string nameOf(Way way, Data data)
{
    const std::string kind = data == Data::Records ? "records: " : "random: ";
    return kind
        + (way == Way::IntoEmptyFolder         ? "arj into an empty folder"
               : way == Way::OverPreviousFiles ? "arj over the previous files"
                                               : "through the companion");
}

// User and system time of the children waited for so far, the children's
// own waited-for children included: for the companion that is the archiver.
double childrenCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    const auto seconds = [](const timeval &t) {
        return double(t.tv_sec) + double(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One archive per data kind, for all the rounds of every way.
std::map<Data, std::unique_ptr<RestoreSetup>> setups;

void restoreRun(benchmark::State &state, Way way, Data data)
{
    try {
        std::unique_ptr<RestoreSetup> &setup = setups[data];
        if (!setup)
            setup = std::make_unique<RestoreSetup>(data);
        for (auto _ : state) {
            state.PauseTiming();
            setup->prepare(way);
            state.ResumeTiming();
            const double cpuBefore = childrenCpuSeconds();
            if (!setup->restore(way)) {
                state.SkipWithError("the restore failed");
                break;
            }
            // Processor time depends far less on the machine's load than wall time.
            state.counters["cpu_s"] = childrenCpuSeconds() - cpuBefore;
        }
    } catch (const std::exception &error) {
        state.SkipWithError(error.what());
    }
}

// Passes the library's report on (to stderr) and prints the table: the
// three ways and the companion's share, round by round.
class TableReporter : public benchmark::ConsoleReporter
{
public:
    TableReporter()
    {
        SetOutputStream(&std::cerr);
        SetErrorStream(&std::cerr);
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type != Run::RT_Iteration || run.error_occurred)
                continue;
            Times &times = m_times[run.run_name.function_name];
            times.wall.push_back(run.GetAdjustedRealTime()
                                 / benchmark::GetTimeUnitMultiplier(run.time_unit));
            times.cpu.push_back(run.counters.at("cpu_s"));
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        bench::printHeader();
        for (const Data data : {Data::Records, Data::Random}) {
            const Times &empty = m_times[nameOf(Way::IntoEmptyFolder, data)];
            const Times &over = m_times[nameOf(Way::OverPreviousFiles, data)];
            const Times &through = m_times[nameOf(Way::ThroughCompanion, data)];
            if (empty.wall.empty() || over.wall.empty() || through.wall.empty())
                continue;
            const QString kind = data == Data::Records ? u"office records, packed by arj"_s
                                                       : u"random bytes, stored by arj"_s;
            printSeconds(u"restore of %1 MiB (%2): `arj x` into an empty folder"_s
                             .arg(databaseBytes * databases >> 20)
                             .arg(kind),
                         empty.wall);
            printSeconds(u"… `arj x` over the previous files"_s, over.wall);
            printSeconds(u"… through the companion, over the previous files"_s, through.wall);
            const bench::Summary share = shareOf(through.wall, empty.wall);
            bench::printRow(
                u"… the companion's share: (companion − empty folder) ÷ empty folder (per round)"_s,
                share, u"%"_s, u"≤ 2 %"_s, share.median <= 2);
            bench::printRow(u"… the same against `arj x` over the previous files (per round)"_s,
                            shareOf(through.wall, over.wall), u"%"_s, {}, true);
            printSeconds(u"… processor time (user + system), `arj x` into an empty folder"_s,
                         empty.cpu);
            printSeconds(u"… processor time, companion and arj together"_s, through.cpu);
            bench::printRow(u"… the companion's share of processor time (per round)"_s,
                            shareOf(through.cpu, empty.cpu), u"%"_s, {}, true);
        }
    }

private:
    struct Times
    {
        std::vector<double> wall; // seconds, one per round
        std::vector<double> cpu;
    };

    static void printSeconds(const QString &what, const std::vector<double> &seconds)
    {
        bench::printRow(what, bench::summarize({seconds.begin(), seconds.end()}), u"s"_s, {}, true);
    }

    static bench::Summary shareOf(const std::vector<double> &through,
                                  const std::vector<double> &floor)
    {
        QList<double> percent;
        for (std::size_t i = 0; i < std::min(through.size(), floor.size()); ++i)
            percent << (through[i] - floor[i]) / floor[i] * 100;
        return bench::summarize(percent);
    }

    std::map<std::string, Times> m_times;
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    int rounds = 5;
    std::vector<char *> arguments {argv[0]};
    for (int i = 1; i < argc; ++i) {
        const std::string_view option(argv[i]);
        if (option == "--runs" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (option == "--mebibytes" && i + 1 < argc)
            databaseBytes = qsizetype(std::max(2, std::atoi(argv[++i]))) << 20 >> 1;
        else
            arguments.push_back(argv[i]);
    }
    int count = int(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 2;
    // The library runs the cases in this order: round by round, so that the
    // three runs of a round are close in time.
    constexpr Way ways[] = {Way::IntoEmptyFolder, Way::OverPreviousFiles, Way::ThroughCompanion};
    for (const Data data : {Data::Records, Data::Random}) {
        for (int round = 0; round < rounds; ++round) {
            for (int at = 0; at < 3; ++at) {
                const Way way = ways[(round + at) % 3];
                benchmark::RegisterBenchmark(nameOf(way, data).c_str(), restoreRun, way, data)
                    ->Iterations(1)
                    ->UseRealTime()
                    ->Unit(benchmark::kMillisecond);
            }
        }
    }
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    setups.clear(); // the sandboxes, while the application lives
    benchmark::Shutdown();
    return 0;
}
