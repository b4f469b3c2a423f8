// Start-up benchmark: from the start of a process to the first paint of its
// window, and the process's peak memory by then, for the main window and for
// a reference window of plain Qt widgets (see referencewindow.h). Every run
// is a process of its own, started by this harness:
//
//   bench_startup [--runs N]        the table: N measured rounds of both
//   bench_startup --instructions    the same start-ups counted by callgrind
//
// A child builds its window the way main() does, shows it, and notes when
// the first frame with its widgets has been painted; it reports the times on
// the monotonic clock, which the harness shares, and its peak resident
// memory (getrusage). The program itself has no hook for this: the child is
// this executable, which links the same library as `horbelung`.
//
// Runs offscreen (QT_QPA_PLATFORM=offscreen): no X server and no compositor
// take part, so the figures are the program's own share of a start.

#include "referencewindow.h"
#include "sandbox.h"

#include "app/horbelung.h"
#include "rules/catalogue.h"
#include "rules/codepage1252.h"
#include "rules/pathfile.h"

#include <QApplication>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QScreen>
#include <QTimer>

#include <valgrind/callgrind.h>

#include <sys/resource.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

const QString horbelungKind = u"horbelung"_s;
const QString referenceKind = u"reference"_s;

// --- The child --------------------------------------------------------------

// Sees the first paint event of any widget of the window, then lets the
// frame finish: the paint events of one frame are sent from one event, and
// the timer fires once that event is done.
class FirstFrame : public QObject
{
public:
    explicit FirstFrame(std::function<void()> done)
        : m_done(std::move(done))
    { }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            QTimer::singleShot(0, this, m_done);
        }
        return false;
    }

private:
    std::function<void()> m_done;
    bool m_seen = false;
};

void centre(QWidget &window)
{
    QRect frame = window.frameGeometry();
    frame.moveCenter(window.screen()->availableGeometry().center());
    window.move(frame.topLeft());
}

QJsonObject readDescription(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the window description");
    return QJsonDocument::fromJson(file.readAll()).object();
}

// Prints "main app built shown painted maxrss": five times on the monotonic
// clock in nanoseconds and the peak resident memory in KiB.
int runChild(int argc, char *argv[], const QString &kind, const QString &description)
{
    const qint64 mainNs = bench::nowNs();
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Horbelung"_s);
    const qint64 appNs = bench::nowNs();

    // As main() builds it: the real services, the drive map from the
    // environment, the path file in the working folder.
    std::unique_ptr<platform::RealServices> services;
    std::unique_ptr<QWidget> window;
    if (kind == horbelungKind) {
        services = std::make_unique<platform::RealServices>(platform::DriveMap::fromEnvironment(),
                                                            QCoreApplication::applicationDirPath(),
                                                            QDir::currentPath());
        window = std::make_unique<Horbelung>(*services);
    } else {
        window.reset(bench::buildReferenceWindow(readDescription(description)));
    }
    const qint64 builtNs = bench::nowNs();

    qint64 paintedNs = 0;
    FirstFrame firstFrame([&] {
        paintedNs = bench::nowNs();
        CALLGRIND_DUMP_STATS_AT("first paint");
        QCoreApplication::quit();
    });
    app.installEventFilter(&firstFrame);
    window->show();
    centre(*window);
    const qint64 shownNs = bench::nowNs();
    QApplication::exec();

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%lld %lld %lld %lld %lld %ld\n", mainNs, appNs, builtNs, shownNs, paintedNs,
                usage.ru_maxrss);
    return paintedNs > 0 ? 0 : 1;
}

// Describes the main window as the children start it: laid out and with
// the path file read.
int describe(int argc, char *argv[], const QString &path)
{
    QApplication app(argc, argv);
    platform::RealServices services(platform::DriveMap::fromEnvironment(),
                                    QCoreApplication::applicationDirPath(), QDir::currentPath());
    Horbelung window(services);
    window.show();
    QCoreApplication::processEvents();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)
        || file.write(QJsonDocument(bench::describeWindow(window)).toJson()) < 0)
        return 1;
    return 0;
}

// --- The harness ------------------------------------------------------------

struct Run
{
    double startupMs = 0; // process start to first paint
    double loadMs = 0; // process start to main()
    double applicationMs = 0; // main() to the application object
    double buildMs = 0; // the window's construction (the start-up included)
    double paintMs = 0; // show() to the first frame
    double peakMiB = 0;
};

// One start-up of a child process, timed from just before it is started.
class Harness
{
public:
    Harness()
    {
        // A normal path file in the working folder, read by the start-up.
        pathfile::Directories dbPfad;
        for (std::size_t row = 0; row < catalogueSize; ++row)
            dbPfad[row] = u"D:\\Datenbanken\\"_s + catalogue[row].name.toString() + u'\\';
        bench::writeFile(m_sandbox.workingDirectory() + u"/hobe.ini"_s,
                         rules::toCodePage1252(pathfile::format(dbPfad)));
        m_environment = {u"WINEPREFIX="_s + m_sandbox.prefix(), u"QT_QPA_PLATFORM=offscreen"_s};

        m_description = m_sandbox.workingDirectory() + u"/../description.json"_s;
        QProcess child;
        prepare(child, {u"--describe"_s, m_description});
        child.start();
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            throw std::runtime_error("cannot describe the main window");
    }

    QStringList childArguments(const QString &kind) const
    {
        return {u"--window"_s, kind, m_description};
    }
    QString workingDirectory() const { return m_sandbox.workingDirectory(); }
    QStringList environment() const { return m_environment; }
    QJsonObject description() const { return readDescription(m_description); }

    Run run(const QString &kind)
    {
        QProcess child;
        prepare(child, childArguments(kind));
        const qint64 startNs = bench::nowNs();
        child.start();
        if (!child.waitForFinished(-1) || child.exitCode() != 0)
            throw std::runtime_error("a start-up run failed");
        const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
        if (fields.size() != 6)
            throw std::runtime_error("a start-up run reported nothing");
        const auto ms = [&](qsizetype from, qsizetype to) {
            const qint64 begin = from < 0 ? startNs : fields[from].toLongLong();
            return double(fields[to].toLongLong() - begin) / 1e6;
        };
        return {ms(-1, 4), ms(-1, 0), ms(0, 1), ms(1, 2), ms(2, 4), fields[5].toDouble() / 1024};
    }

private:
    void prepare(QProcess &child, const QStringList &arguments) const
    {
        child.setProgram(QCoreApplication::applicationFilePath());
        child.setArguments(arguments);
        child.setWorkingDirectory(m_sandbox.workingDirectory());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const QString &variable : m_environment)
            env.insert(variable.section(u'=', 0, 0), variable.section(u'=', 1));
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::SeparateChannels);
    }

    bench::Sandbox m_sandbox;
    QStringList m_environment;
    QString m_description;
};

// Every widget of a window by the Qt class it is, the ones Qt makes inside
// the controls included.
QMap<QString, int> census(const QWidget &window)
{
    QMap<QString, int> count;
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        const QMetaObject *meta = widget->metaObject();
        while (!QByteArray(meta->className()).startsWith('Q'))
            meta = meta->superClass();
        ++count[QString::fromLatin1(meta->className())];
    }
    return count;
}

QString censusText(const QMap<QString, int> &census)
{
    QStringList parts;
    for (auto it = census.begin(); it != census.end(); ++it)
        parts << u"%1 %2"_s.arg(it.value()).arg(it.key());
    return parts.join(u", "_s);
}

// Both windows built side by side in this process: the same widgets, down
// to the ones Qt makes inside the controls, or the comparison is void.
void checkSameWidgets(Harness &harness)
{
    bench::Sandbox sandbox;
    const auto services = sandbox.services();
    const Horbelung window(*services);
    const std::unique_ptr<QWidget> reference(bench::buildReferenceWindow(harness.description()));
    const auto mine = census(window);
    const auto theirs = census(*reference);
    std::fprintf(stderr, "widgets of both windows: %s\n", qPrintable(censusText(mine)));
    if (mine != theirs) {
        std::fprintf(stderr, "reference window: %s\n", qPrintable(censusText(theirs)));
        throw std::runtime_error("the reference window has other widgets");
    }
}

void printTimes(int rounds)
{
    Harness harness;
    checkSameWidgets(harness);

    QMap<QString, QList<Run>> runs;
    QList<double> startupRatios;
    QList<double> memoryRatios;
    // Round 0 warms the caches and is not counted; the order alternates so
    // that neither window always runs right after the other.
    for (int round = 0; round <= rounds; ++round) {
        QMap<QString, Run> thisRound;
        const QStringList order = round % 2 ? QStringList {referenceKind, horbelungKind}
                                            : QStringList {horbelungKind, referenceKind};
        for (const QString &kind : order)
            thisRound[kind] = harness.run(kind);
        if (round == 0)
            continue;
        for (const QString &kind : order)
            runs[kind] << thisRound[kind];
        startupRatios << thisRound[horbelungKind].startupMs / thisRound[referenceKind].startupMs;
        memoryRatios << thisRound[horbelungKind].peakMiB / thisRound[referenceKind].peakMiB;
    }

    const auto column = [&](const QString &kind, double Run::*member) {
        QList<double> values;
        for (const Run &run : runs[kind])
            values << run.*member;
        return bench::summarize(values);
    };
    const bench::Summary startupRatio = bench::summarize(startupRatios);
    const bench::Summary memoryRatio = bench::summarize(memoryRatios);

    bench::printHeader();
    struct Part
    {
        const char16_t *what;
        double Run::*member;
        const char16_t *unit;
    };
    constexpr Part parts[] = {
        {u"process start to first paint", &Run::startupMs, u"ms"},
        {u"… of which: process start to main()", &Run::loadMs, u"ms"},
        {u"… of which: QApplication", &Run::applicationMs, u"ms"},
        {u"… of which: building the window (the program's start-up included)", &Run::buildMs,
         u"ms"},
        {u"… of which: show() to the first frame painted", &Run::paintMs, u"ms"},
        {u"peak memory (maximum resident set) at first paint", &Run::peakMiB, u"MiB"},
    };
    for (const Part &part : parts) {
        for (const QString &kind : {horbelungKind, referenceKind})
            bench::printRow(u"%1, %2"_s.arg(QString::fromUtf16(part.what), kind),
                            column(kind, part.member), QString::fromUtf16(part.unit), {}, true);
    }
    bench::printRow(u"start-up to first paint, horbelung ÷ reference (per round)"_s, startupRatio,
                    u"×"_s, u"≤ 1.2"_s, startupRatio.median <= 1.2);
    bench::printRow(u"peak memory, horbelung ÷ reference (per round)"_s, memoryRatio, u"×"_s,
                    u"≤ 1.2"_s, memoryRatio.median <= 1.2);
}

void printInstructions()
{
    Harness harness;
    QMap<QString, qint64> counted;
    for (const QString &kind : {horbelungKind, referenceKind}) {
        for (const bench::InstructionDump &dump :
             bench::countInstructions(harness.childArguments(kind), {}, harness.workingDirectory(),
                                      harness.environment())) {
            if (dump.name == u"first paint")
                counted[kind] = dump.instructions;
        }
    }
    if (counted.size() != 2)
        throw std::runtime_error("a start-up under callgrind did not paint");
    bench::printCountHeader();
    for (const QString &kind : {horbelungKind, referenceKind})
        bench::printCountRow(u"process start to first paint, "_s + kind, double(counted[kind]), {});
    std::printf("| start-up instructions, horbelung ÷ reference | %.2f × |\n",
                double(counted[horbelungKind]) / double(counted[referenceKind]));
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList arguments = [&] {
        QStringList list;
        for (int i = 1; i < argc; ++i)
            list << QString::fromLocal8Bit(argv[i]);
        return list;
    }();
    try {
        if (arguments.value(0) == u"--window")
            return runChild(argc, argv, arguments.value(1), arguments.value(2));
        if (arguments.value(0) == u"--describe")
            return describe(argc, argv, arguments.value(1));

        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        if (arguments.value(0) == u"--instructions")
            printInstructions();
        else
            printTimes(arguments.value(0) == u"--runs" ? arguments.value(1).toInt() : 7);
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_startup: %s\n", error.what());
        return 1;
    }
}
