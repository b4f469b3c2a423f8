// Micro-benchmarks of the program's hot spots, with Google Benchmark. Every
// case is a row of one table: its fixture is built once, then its operation
// runs as often as the library wants. The result table goes to stdout, the
// library's own report to stderr.
//
//   bench_micro [Google Benchmark options]   wall time, the table
//   bench_micro --instructions[=FILTER]       instructions per operation: the
//       cases run again under callgrind (--count-instructions), each a fixed
//       number of times with collection on around it; unlike wall time the
//       count does not depend on the machine's load.

#include "sandbox.h"

#include "app/horbelung.h"
#include "controls/control.h"
#include "platform/launcher.h"
#include "rules/archiverun.h"
#include "rules/codepage1252.h"
#include "rules/dospath.h"
#include "rules/pathfile.h"
#include "rules/runtimeerror.h"

#include <QApplication>
#include <QFile>
#include <QMap>
#include <QTest>
#include <QWindow>

#include <benchmark/benchmark.h>
#include <valgrind/callgrind.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <stdexcept>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// Runs once. Returns the nanoseconds of the part it timed itself, or 0 when
// the whole call is what is measured.
using Operation = std::function<qint64()>;

struct MicroCase
{
    const char *name;
    double targetNs; // 0: measured only
    int instructionRuns; // how often --instructions runs it
    std::function<Operation()> prepare; // builds the fixture, returns the operation
    bool timesItself = false; // the operation times (and counts) a part of itself
};

template<class F> Operation whole(F f)
{
    return [f]() mutable -> qint64 {
        f();
        return 0;
    };
}

constexpr qsizetype mebibyte = 1 << 20;

// --- Layout -----------------------------------------------------------------

// The main window on the real services, resized the way the window system
// resizes it when the user drags its border: the platform window changes
// size, and the event loop delivers the change, lays out and repaints.
// A filter on the window times the layout pass alone: the window's own
// handling of the resize event, which is Form_Resize (and whatever nested
// pass the minimum size may cause).
//
// As a yardstick the fixture can instead put every control straight to the
// rectangle the pass gave it at that size, with QWidget::setGeometry and
// nothing else: Qt's own share of a pass, which no layout code can save.
class LayoutFixture : public QObject
{
public:
    enum class Pass { Program, GeometryOnly };

    explicit LayoutFixture(Pass pass)
    {
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            throw std::runtime_error("the window is not shown");
        // On the application: the pages cover the window, which then has
        // nothing of its own to paint.
        qApp->installEventFilter(this);
        auto *closeButton = window.findChild<QWidget *>(u"Command3D12"_s);
        const QPoint before = closeButton->pos();
        step();
        if (m_passes != 1 || closeButton->pos() == before || m_paints == 0)
            throw std::runtime_error("a resize step is not one layout pass and a repaint");
        step(); // both sizes laid out once by the program
        m_pass = pass;
    }

    // One step of a drag: the next size, laid out and painted.
    void step()
    {
        m_next ^= 1;
        window.windowHandle()->resize(m_sizes[m_next]);
        QCoreApplication::processEvents();
    }

    qint64 passNs() const { return m_passNs; }
    bool countPass = false; // under callgrind, count the pass alone

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++m_paints;
        if (watched != &window || event->type() != QEvent::Resize || m_inPass)
            return false;
        m_inPass = true;
        ++m_passes;
        if (countPass)
            CALLGRIND_TOGGLE_COLLECT;
        const qint64 start = bench::nowNs();
        if (m_pass == Pass::Program) {
            static_cast<QObject &>(window).event(event);
        } else {
            for (const auto &[control, rectangle] : m_laidOut[m_next])
                control->setGeometry(rectangle);
        }
        m_passNs = bench::nowNs() - start;
        if (countPass)
            CALLGRIND_TOGGLE_COLLECT;
        if (m_pass == Pass::Program)
            m_laidOut[m_next] = rectangles();
        m_inPass = false;
        return true;
    }

private:
    std::vector<std::pair<QWidget *, QRect>> rectangles() const
    {
        std::vector<std::pair<QWidget *, QRect>> all;
        for (QWidget *control : window.findChildren<QWidget *>()) {
            if (dynamic_cast<controls::ControlBase *>(control))
                all.emplace_back(control, control->geometry());
        }
        return all;
    }

    bench::Sandbox sandbox;
    std::unique_ptr<platform::RealServices> services = sandbox.services();

public:
    Horbelung window {*services};

private:
    std::array<QSize, 2> m_sizes {QSize(800, 600), QSize(900, 700)};
    std::array<std::vector<std::pair<QWidget *, QRect>>, 2> m_laidOut;
    std::size_t m_next = 0;
    Pass m_pass = Pass::Program;
    bool m_inPass = false;
    int m_passes = 0;
    int m_paints = 0;
    qint64 m_passNs = 0;
};

Operation layoutPass(LayoutFixture::Pass pass)
{
    auto fixture = std::make_shared<LayoutFixture>(pass);
    fixture->countPass = true;
    return [fixture] {
        fixture->step();
        return fixture->passNs();
    };
}

Operation resizeStep()
{
    auto fixture = std::make_shared<LayoutFixture>(LayoutFixture::Pass::Program);
    return whole([fixture] { fixture->step(); });
}

// --- DOS path form ----------------------------------------------------------

Operation dosPath(QString path)
{
    return whole([path] { benchmark::DoNotOptimize(pfadFuerDos(path)); });
}

QString longPath(qsizetype length)
{
    QString path = u"C:\\"_s;
    while (path.size() < length)
        path += u"Abteilung Buchhaltung\\"_s;
    path.truncate(length - 1);
    return path + u'\\';
}

// --- Path file --------------------------------------------------------------

struct PathFileFixture
{
    bench::Sandbox sandbox;
    std::unique_ptr<platform::RealServices> services = sandbox.services();
};

// Reads hobe.ini from the working folder through the real services, as the
// start-up does; a damaged file ends in an error the start-up reports.
Operation pathFileRead(const QByteArray &content)
{
    auto fixture = std::make_shared<PathFileFixture>();
    bench::writeFile(fixture->sandbox.workingDirectory() + u"/hobe.ini"_s, content);
    return whole([fixture] {
        pathfile::Directories dbPfad;
        try {
            pathfile::applyItems(pathfile::decode(fixture->services->readFile(u"hobe.ini"_s)),
                                 dbPfad);
        } catch (const rules::RuntimeError &) { }
        benchmark::DoNotOptimize(dbPfad);
    });
}

QByteArray normalPathFile()
{
    pathfile::Directories dbPfad;
    for (std::size_t row = 0; row < catalogueSize; ++row)
        dbPfad[row] = u"D:\\Datenbanken\\"_s + catalogue[row].name.toString() + u'\\';
    return rules::toCodePage1252(pathfile::format(dbPfad));
}

QByteArray repeatedTo(const QByteArray &block, qsizetype size)
{
    QByteArray content;
    content.reserve(size);
    while (content.size() + block.size() <= size)
        content += block;
    return content + QByteArray(size - content.size(), '\n');
}

// Everything a hand-edited or damaged file can throw at the reader, over and
// over: keys with over-long directories, commas, quotes, wrong keys, blank
// lines, bytes of the upper half of the code page.
QByteArray hostilePathFile(qsizetype size)
{
    const QByteArray block = "DBN = C:\\"_ba + QByteArray(250, 'X') + "\\\r\n"_ba
        + "DBV = C:\\A,B,C,D,E,F,G,H\\\r\n,,,,,,,,,,,,,,,,,,,,,,,,\r\n"_ba
        + "\"DBP = C:\\Daten, zitiert\\\"  Rest,\r\n   DBH = C:\\Leer zeichen\\   \r\n"_ba
        + "dbn = klein\r\nXYZ = C:\\\r\nDB\r\n\r\n\r\n"_ba
        + "DBO = C:\\\x80\x9f\xe4\xf6\xfc\xdf\\\r\n"_ba;
    return repeatedTo(block, size);
}

// --- Windows path to host path ----------------------------------------------

// C:\Daten\Kunden holds 9 999 files and the folder "Kundenarchiv 2024", in
// which the path goes on. The files are named as an office names them, or
// all fit the folder's short name KUNDEN~1 (which is then refused: only a
// guess could tell which entry it meant), or all begin with "Kunde" and
// differ from it only at the short name's last letter, the most work a short
// name that resolves can cost.
enum class Names { Mixed, SharingTheShortName, SharingAllButItsLastLetter };

struct TranslationFixture
{
    bench::Sandbox sandbox;

    explicit TranslationFixture(Names names)
    {
        const QStringList words
            = {u"Angebot"_s,    u"Auftrag"_s,   u"Bestellung"_s,   u"Brief"_s,
               u"Gutschrift"_s, u"Kunde"_s,     u"Lieferschein"_s, u"Mahnung"_s,
               u"Notiz"_s,      u"Protokoll"_s, u"Rechnung"_s,     u"Vertrag"_s};
        const QString kunden = sandbox.makeDirectory(u"C:\\Daten\\Kunden\\"_s);
        for (int i = 1; i < 10'000; ++i) {
            const QString word = names == Names::Mixed ? words[i % words.size()]
                : names == Names::SharingTheShortName  ? u"Kundendaten"_s
                                                       : u"Kunde"_s;
            bench::writeFile(kunden + u"/%1 %2.dat"_s.arg(word).arg(i, 5, 10, QChar(u'0')),
                             QByteArray());
        }
        sandbox.makeDirectory(u"C:\\Daten\\Kunden\\Kundenarchiv 2024\\Jahresabschluss\\NOKRAT\\"_s);
    }
};

Operation toHost(QString windowsPath, Names names = Names::Mixed)
{
    auto fixture = std::make_shared<TranslationFixture>(names);
    const QString expected = fixture->sandbox.prefix()
        + u"/drive_c/Daten/Kunden/Kundenarchiv 2024/Jahresabschluss/NOKRAT/"_s;
    if (fixture->sandbox.drives().toHost(windowsPath) != expected)
        throw std::runtime_error("the path is not translated to the folder it names");
    return whole([fixture, windowsPath] {
        benchmark::DoNotOptimize(fixture->sandbox.drives().toHost(windowsPath));
    });
}

// A short name that several entries fit: every lookup must end in 76.
Operation toHostRefused(QString windowsPath)
{
    auto fixture = std::make_shared<TranslationFixture>(Names::SharingTheShortName);
    const auto refused = [fixture, windowsPath] {
        try {
            fixture->sandbox.drives().toHost(windowsPath);
        } catch (const rules::RuntimeError &error) {
            return error.number() == rules::RuntimeError::PathNotFound;
        }
        return false;
    };
    if (!refused())
        throw std::runtime_error("an ambiguous short name is not refused with 76");
    return whole([refused] {
        if (!refused())
            throw std::runtime_error("an ambiguous short name is not refused with 76");
    });
}

// --- Command lines ----------------------------------------------------------

Operation nineCommandLines()
{
    using archiverun::Mode;
    using archiverun::Target;
    archiverun::Request request {Mode::Backup,
                                 Target::DriveA,
                                 u"C:\\TOOLS"_s,
                                 {u"D:\\SICH\\"_s},
                                 {u"C:\\NOKRAT\\"_s},
                                 u"NOKU"_s,
                                 u"NOKRAT"_s,
                                 true,
                                 u"2"_s};
    return whole([request]() mutable {
        for (const Target target : {Target::DriveA, Target::DriveB, Target::HardDisk}) {
            request.target = target;
            for (const Mode mode : {Mode::Backup, Mode::Restore}) {
                request.mode = mode;
                for (const archiverun::Step &step : archiverun::plan(request))
                    benchmark::DoNotOptimize(launch::line(step.command));
            }
        }
    });
}

// The backup line of the hard disk turned into program and arguments, as
// the real services do before they start the console.
Operation launchOfBackup()
{
    auto sandbox = std::make_shared<bench::Sandbox>();
    const QString databases = sandbox->makeDirectory(u"C:\\NOKRAT\\"_s);
    for (const QString &name : {u"NOKRAT.mdb"_s, u"PELVIN.MDB"_s, u"notiz.txt"_s})
        bench::writeFile(databases + u'/' + name, "x");
    sandbox->makeDirectory(u"C:\\SICH\\"_s);
    const platform::LaunchContext context {sandbox->drives(),
                                           sandbox->programDirectory(),
                                           sandbox->workingDirectory(),
                                           u"/usr/bin:/bin"_s,
                                           {}};
    const launch::Command backup {
        u"C:\\TOOLS\\arj.exe"_s,
        {{u"a"_s}, {u"C:\\SICH\\NOKUhobe.arj"_s}, {u"C:\\NOKRAT\\*.mdb"_s}, {u"-e"_s}, {u"-y"_s}}};
    return whole([sandbox, context, backup] {
        benchmark::DoNotOptimize(
            platform::launchFor(backup, platform::WindowStyle::NormalFocus, context));
    });
}

std::vector<MicroCase> microCases()
{
    const QString fiveLevels = u"C:\\Daten\\Kunden\\Kundenarchiv 2024\\Jahresabschluss\\NOKRAT\\"_s;
    return {
        {"layout pass (Form_Resize at a new size)", 20e3, 20,
         [] { return layoutPass(LayoutFixture::Pass::Program); }, true},
        {"… the same rectangles set directly: Qt's share of the pass", 0, 20,
         [] { return layoutPass(LayoutFixture::Pass::GeometryOnly); }, true},
        {"resize step: layout pass and repaint", 0, 20, resizeStep},
        {"pfadFuerDos, typical path", 0, 1000,
         [] {
             return dosPath(u"C:\\Eigene Dateien\\Datenbanken 2024\\NOKRAT\\"_s);
         }},
        {"pfadFuerDos, 4000 characters", 0, 20,
         [] {
             return dosPath(longPath(4000));
         }},
        {"hobe.ini, ten lines", 0, 100,
         [] {
             return pathFileRead(normalPathFile());
         }},
        {"hobe.ini, hostile, 1 MiB", 0, 1,
         [] {
             return pathFileRead(hostilePathFile(mebibyte));
         }},
        {"hobe.ini, hostile, 2.5 MiB", 0, 1,
         [] {
             return pathFileRead(hostilePathFile(5 * mebibyte / 2));
         }},
        {"hobe.ini, hostile, 5 MiB", 0, 1,
         [] {
             return pathFileRead(hostilePathFile(5 * mebibyte));
         }},
        {"hobe.ini, hostile, 10 MiB", 100e6, 1,
         [] {
             return pathFileRead(hostilePathFile(10 * mebibyte));
         }},
        {"hobe.ini, 10 MiB in one line", 100e6, 1,
         [] {
             return pathFileRead("DBN = " + QByteArray(10 * mebibyte - 6, 'X'));
         }},
        {"hobe.ini, 10 MiB of commas", 100e6, 1,
         [] {
             return pathFileRead(QByteArray(10 * mebibyte, ','));
         }},
        {"hobe.ini, 10 MiB after an unclosed quote", 100e6, 1,
         [] {
             return pathFileRead("\"DBN = " + QByteArray(10 * mebibyte - 7, 'X'));
         }},
        {"toHost, five levels, 10 000 entries, exact case", 5e6, 10,
         [fiveLevels] {
             return toHost(fiveLevels);
         }},
        {"toHost, five levels, 10 000 entries, upper case", 5e6, 3,
         [fiveLevels] {
             return toHost(fiveLevels.toUpper());
         }},
        {"toHost, five levels, 10 000 entries, DOS short form", 5e6, 3,
         [fiveLevels] {
             return toHost(pfadFuerDos(fiveLevels).toUpper());
         }},
        {"toHost, DOS short form, 10 000 entries all fitting it: refused (76)", 5e6, 3,
         [fiveLevels] {
             return toHostRefused(pfadFuerDos(fiveLevels).toUpper());
         }},
        {"toHost, DOS short form, one fitting entry, 9 999 differing at its last letter", 5e6, 3,
         [fiveLevels] {
             return toHost(pfadFuerDos(fiveLevels).toUpper(), Names::SharingAllButItsLastLetter);
         }},
        {"all nine command lines", 0, 1000, nineCommandLines},
        {"launchFor, backup line to program and arguments", 0, 100, launchOfBackup},
    };
}

// --- Result table -----------------------------------------------------------

// Passes the library's report on (to stderr) and keeps the time per
// iteration of every repetition for the table.
class TableReporter : public benchmark::ConsoleReporter
{
public:
    explicit TableReporter(const std::vector<MicroCase> &cases)
        : m_cases(cases)
    {
        SetOutputStream(&std::cerr);
        SetErrorStream(&std::cerr);
    }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_times[run.run_name.function_name].push_back(
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit)
                    * 1e9);
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        bench::printHeader();
        for (const MicroCase &microCase : m_cases) {
            const auto found = m_times.find(microCase.name);
            if (found == m_times.end())
                continue;
            const bench::Summary ns
                = bench::summarize(QList<double>(found->second.begin(), found->second.end()));
            const auto [scale, unit] = unitFor(std::max(ns.median, microCase.targetNs));
            const bench::Summary shown {ns.median / scale, ns.min / scale, ns.max / scale, ns.runs};
            const QString target = microCase.targetNs > 0
                ? u"≤ %1 %2"_s.arg(microCase.targetNs / scale).arg(unit)
                : QString();
            bench::printRow(QString::fromUtf8(microCase.name), shown, unit, target,
                            ns.median <= microCase.targetNs);
        }
        printRatios();
    }

private:
    static std::pair<double, QString> unitFor(double ns)
    {
        if (ns >= 1e6)
            return {1e6, u"ms"_s};
        if (ns >= 1e3)
            return {1e3, u"µs"_s};
        return {1, u"ns"_s};
    }

    // Ratios of two cases, repetition by repetition (bench/run interleaves
    // the repetitions, so a pair ran at about the same time).
    void printRatios() const
    {
        struct Ratio
        {
            const char *numerator;
            const char *denominator;
            const char16_t *what;
            const char16_t *target; // empty: none
            double limit;
        };
        constexpr Ratio ratios[] = {
            // Linear growth: twice the size takes about twice as long. Both
            // sizes are well beyond the processor's caches, which 1 MiB is not.
            {"hobe.ini, hostile, 10 MiB", "hobe.ini, hostile, 5 MiB",
             u"hobe.ini, hostile: time at 10 MiB ÷ time at 5 MiB", u"≈ 2 (linear), ≤ 2.4", 2.4},
            {"layout pass (Form_Resize at a new size)",
             "… the same rectangles set directly: Qt's share of the pass",
             u"layout pass ÷ Qt's share of it", u"", 0},
        };
        for (const Ratio &ratio : ratios) {
            const auto numerator = m_times.find(ratio.numerator);
            const auto denominator = m_times.find(ratio.denominator);
            if (numerator == m_times.end() || denominator == m_times.end())
                continue;
            QList<double> values;
            for (std::size_t i = 0;
                 i < std::min(numerator->second.size(), denominator->second.size()); ++i)
                values << numerator->second[i] / denominator->second[i];
            const bench::Summary summary = bench::summarize(values);
            const QString target = QString::fromUtf16(ratio.target);
            bench::printRow(QString::fromUtf16(ratio.what), summary, u"×"_s, target,
                            summary.median <= ratio.limit);
        }
    }

    const std::vector<MicroCase> &m_cases;
    std::map<std::string, std::vector<double>> m_times;
};

// Under callgrind: each operation once to warm up, then `instructionRuns`
// times counted and dumped under its name; only the cases whose name
// contains `filter`.
void runCounted(const std::vector<MicroCase> &cases, const QString &filter)
{
    for (const MicroCase &microCase : cases) {
        if (!QString::fromUtf8(microCase.name).contains(filter))
            continue;
        const Operation operation = microCase.prepare();
        operation();
        CALLGRIND_ZERO_STATS;
        if (!microCase.timesItself)
            CALLGRIND_TOGGLE_COLLECT;
        for (int i = 0; i < microCase.instructionRuns; ++i)
            operation();
        if (!microCase.timesItself)
            CALLGRIND_TOGGLE_COLLECT;
        CALLGRIND_DUMP_STATS_AT(microCase.name);
    }
}

// Runs the cases again under callgrind and prints instructions per operation.
void printInstructions(const std::vector<MicroCase> &cases, const QString &filter)
{
    const QList<bench::InstructionDump> dumps = bench::countInstructions(
        {u"--count-instructions="_s + filter}, {u"--collect-atstart=no"_s});
    bench::printCountHeader();
    QMap<QString, double> perOperation;
    for (const MicroCase &microCase : cases) {
        for (const bench::InstructionDump &dump : dumps) {
            if (dump.name != QString::fromUtf8(microCase.name))
                continue;
            perOperation[dump.name] = double(dump.instructions) / microCase.instructionRuns;
            bench::printCountRow(dump.name, perOperation[dump.name], u"per operation"_s);
        }
    }
    const double one = perOperation.value(u"hobe.ini, hostile, 1 MiB"_s);
    const double ten = perOperation.value(u"hobe.ini, hostile, 10 MiB"_s);
    if (one > 0 && ten > 0)
        std::printf("| hobe.ini, hostile: instructions at 10 MiB ÷ at 1 MiB | %.3f × |\n",
                    ten / one);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::vector<MicroCase> cases = microCases();

    // --instructions[=FILTER] prints the instruction counts of the cases,
    // which it takes from a run of --count-instructions[=FILTER] under callgrind.
    for (const QByteArray &option : {"--instructions"_ba, "--count-instructions"_ba}) {
        if (argc < 2 || !QByteArray(argv[1]).startsWith(option))
            continue;
        const QString filter = QString::fromLocal8Bit(argv[1] + option.size()).mid(1);
        if (option == "--instructions")
            printInstructions(cases, filter);
        else
            runCounted(cases, filter);
        return 0;
    }

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;
    for (const MicroCase &microCase : cases) {
        // Fixtures are built when a case first runs, so a filter skips the rest.
        auto operation = std::make_shared<Operation>();
        auto *benchmark = benchmark::RegisterBenchmark(
            microCase.name,
            [operation, prepare = microCase.prepare,
             timesItself = microCase.timesItself](benchmark::State &state) {
                if (!*operation)
                    *operation = prepare();
                for (auto _ : state) {
                    const qint64 ns = (*operation)();
                    if (timesItself)
                        state.SetIterationTime(double(ns) / 1e9);
                }
            });
        // A timed part is a small share of its step (a pass of its repaint):
        // a fixed count keeps a repetition near a second.
        if (microCase.timesItself)
            benchmark->UseManualTime()->Iterations(500);
    }
    TableReporter reporter(cases);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // The fixtures hold windows, which must go before the application does.
    benchmark::ClearRegisteredBenchmarks();
    benchmark::Shutdown();
    return 0;
}
