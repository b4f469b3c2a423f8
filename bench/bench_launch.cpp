// Launch-overhead benchmark: what the program adds to a backup.
//
//   bench_launch [--runs N] [--mebibytes M]   the table
//   bench_launch --instructions                the click's own work, counted by callgrind
//
// The main window runs on the real services in a sandbox prefix with the
// real archiver; the stub console (bench_console, first on PATH as "xterm")
// stands in for the terminal, runs the archiver without a window and
// records when it started it and when it ended. The window is driven as a
// user drives it: typing into the fields and clicking with QTest.
//
// 1. Click to archiver: from the click on "Sicherung starten" (hard disk,
//    a small database) until the stub console starts the archiver.
// 2. A backup of M MiB of incompressible data to the hard disk through the
//    program (click until the archiver has ended) against the same archiver
//    command run directly, alternately, N times each.

#include "sandbox.h"

#include "app/horbelung.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTest>

#include <valgrind/callgrind.h>

#include <unistd.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

constexpr int archiverTimeoutMs = 15 * 60 * 1000;
constexpr int countedClicks = 5;

void require(bool condition, const char *what)
{
    if (!condition)
        throw std::runtime_error(what);
}

// The main window ready on page 2 for a backup of C:\NOKRAT\ to the hard
// disk folder C:\SICHER\, with the stub console in place.
class BackupSetup
{
public:
    // The databases: `files` files of `bytes` incompressible bytes each.
    BackupSetup(int files, qsizetype bytes)
    {
        const QString databases = m_sandbox.makeDirectory(u"C:\\NOKRAT\\"_s);
        for (int i = 0; i < files; ++i)
            bench::writeFile(databases + u"/NOKRAT%1.mdb"_s.arg(i), bench::randomBytes(bytes, i));
        m_archive = m_sandbox.makeDirectory(u"C:\\SICHER\\"_s) + u"NOKUhobe.arj"_s;

        m_window.show();
        require(QTest::qWaitForWindowExposed(&m_window), "the window is not shown");
        type(u"Mh3dText2"_s, u"C:\\NOKRAT\\"_s);
        click(u"Command3D10"_s); // "&Weiter"
        click(u"Option3D5"_s); // hard disk
        type(u"Mh3dText1"_s, u"C:\\SICHER\\"_s);
    }

    // Clicks "Sicherung starten"; returns the time of the click and the
    // console's record of the archiver it started.
    std::pair<qint64, bench::ConsoleRecord> backUp()
    {
        prepareRun();
        const qint64 clickNs = bench::nowNs();
        if (countClick)
            CALLGRIND_TOGGLE_COLLECT;
        click(u"Command3D1"_s);
        if (countClick)
            CALLGRIND_TOGGLE_COLLECT;
        const QList<bench::ConsoleRecord> records = m_console.waitForRecords(1, archiverTimeoutMs);
        require(records.size() == 1 && records.first().status == 0, "the archiver failed");
        return {clickNs, records.first()};
    }

    // The archiver's command line as the console got it, run directly;
    // returns its wall time in nanoseconds.
    qint64 runDirectly(const QStringList &command)
    {
        prepareRun();
        QProcess archiver;
        archiver.setProgram(command.first());
        archiver.setArguments(command.mid(1));
        archiver.setWorkingDirectory(m_sandbox.workingDirectory());
        archiver.setStandardInputFile(QProcess::nullDevice());
        archiver.setStandardOutputFile(m_sandbox.workingDirectory() + u"/direct.log"_s);
        archiver.setProcessChannelMode(QProcess::MergedChannels);
        const qint64 startNs = bench::nowNs();
        archiver.start();
        require(archiver.waitForFinished(archiverTimeoutMs) && archiver.exitCode() == 0,
                "the archiver run directly failed");
        return bench::nowNs() - startNs;
    }

    bool countClick = false; // under callgrind, count the click on the start button

    void click(const QString &name)
    {
        auto *button = m_window.findChild<QAbstractButton *>(name);
        require(button, "a button is missing");
        // Options on their mark, buttons in their middle.
        QTest::mouseClick(button, Qt::LeftButton, {},
                          button->isCheckable() ? QPoint(6, button->height() / 2)
                                                : button->rect().center());
    }

private:
    void type(const QString &name, const QString &text)
    {
        auto *field = m_window.findChild<QLineEdit *>(name);
        require(field, "a field is missing");
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, text);
    }

    // Every run starts alike: no archive, no records, the disk written back.
    void prepareRun()
    {
        QFile::remove(m_archive);
        m_console.clear();
        ::sync();
    }

    bench::Sandbox m_sandbox;
    bench::StubConsole m_console;
    std::unique_ptr<platform::RealServices> m_services = m_sandbox.services();
    Horbelung m_window {*m_services};
    QString m_archive;
};

void printTimes(int runs, int mebibytes)
{
    bench::printHeader();
    {
        BackupSetup small(1, 64 * 1024);
        small.backUp(); // warms the caches
        QList<double> clickToArchiver;
        for (int i = 0; i < 4 * runs; ++i) {
            const auto [clickNs, record] = small.backUp();
            clickToArchiver << double(record.startNs - clickNs) / 1e6;
        }
        const bench::Summary summary = bench::summarize(clickToArchiver);
        bench::printRow(u"click on \"Sicherung starten\" to the archiver's start"_s, summary,
                        u"ms"_s, u"≤ 10 ms"_s, summary.median <= 10);
    }

    // Four databases of a quarter each.
    BackupSetup large(4, qsizetype(mebibytes) * 1024 * 1024 / 4);
    const QStringList command = large.backUp().second.command; // warms the caches
    QList<double> throughProgram;
    QList<double> archiverAlone; // the archiver's own run in the program's backup
    QList<double> direct;
    QList<double> ratios;
    QList<double> added;
    // Every other pair starts with the direct run, so that neither way
    // always runs second.
    for (int i = 0; i < runs; ++i) {
        const qint64 directFirstNs = i % 2 ? large.runDirectly(command) : 0;
        const auto [clickNs, record] = large.backUp();
        const double directS = double(i % 2 ? directFirstNs : large.runDirectly(command)) / 1e9;
        throughProgram << double(record.endNs - clickNs) / 1e9;
        archiverAlone << double(record.endNs - record.startNs) / 1e9;
        direct << directS;
        ratios << throughProgram.last() / directS;
        added << double(record.startNs - clickNs) / 1e9 / directS * 100;
    }
    const QString size = QString::number(mebibytes) + u" MiB"_s;
    bench::printRow(u"backup of %1 to the hard disk through the program (click to end)"_s.arg(size),
                    bench::summarize(throughProgram), u"s"_s, {}, true);
    bench::printRow(u"… of which the archiver's own run, from the console's record"_s,
                    bench::summarize(archiverAlone), u"s"_s, {}, true);
    bench::printRow(u"the same arj command run directly"_s, bench::summarize(direct), u"s"_s, {},
                    true);
    const bench::Summary ratio = bench::summarize(ratios);
    bench::printRow(u"backup through the program ÷ arj alone (per pair)"_s, ratio, u"×"_s,
                    u"≤ 1.02"_s, ratio.median <= 1.02);
    // All the program does for a backup happens before the archiver starts;
    // while it runs, the program waits in its event loop.
    const bench::Summary share = bench::summarize(added);
    bench::printRow(u"time the program adds (click to archiver) ÷ arj alone (per pair)"_s, share,
                    u"%"_s, u"≤ 2 %"_s, share.median <= 2);
}

// Under callgrind: the click's own work in this process, from the press to
// the handler's return, the launch included (the children are not traced).
void runCounted()
{
    BackupSetup small(1, 64 * 1024);
    small.backUp();
    small.countClick = true;
    for (int i = 0; i < countedClicks; ++i)
        small.backUp();
    CALLGRIND_DUMP_STATS_AT("click");
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const auto option = [&](const QString &name, int otherwise) {
        const qsizetype at = arguments.indexOf(name);
        return at < 0 ? otherwise : arguments.value(at + 1).toInt();
    };
    try {
        if (arguments.value(0) == u"--count-instructions") {
            runCounted();
        } else if (arguments.value(0) == u"--instructions") {
            for (const bench::InstructionDump &dump : bench::countInstructions(
                     {u"--count-instructions"_s}, {u"--collect-atstart=no"_s})) {
                bench::printCountHeader();
                bench::printCountRow(u"click on \"Sicherung starten\", in the program"_s,
                                     double(dump.instructions) / countedClicks, u"per click"_s);
            }
        } else {
            printTimes(option(u"--runs"_s, 5), option(u"--mebibytes"_s, 200));
        }
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "bench_launch: %s\n", error.what());
        return 1;
    }
}
