// Starting a program detached: its own session, its working folder, signals
// as a new program expects them, and collected as soon as it has ended; a
// missing program is error 53.

#include "platform/launcher.h"
#include "rules/runtimeerror.h"
#include "thrown.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The signals a process ignores, from its status in /proc.
quint64 ignoredSignals(qint64 pid)
{
    QFile status(u"/proc/%1/status"_s.arg(pid));
    static const QRegularExpression ignored(u"\nSigIgn:\\s*(\\w+)"_s);
    return status.open(QIODevice::ReadOnly)
        ? ignored.match(QString::fromLatin1(status.readAll())).captured(1).toULongLong(nullptr, 16)
        : 0;
}

} // namespace

class TstDetached : public QObject
{
    Q_OBJECT

private slots:
    void runsOnItsOwnAndIsCollected()
    {
        std::signal(SIGPIPE, SIG_IGN); // as Qt leaves it in the program
        QTemporaryDir folder;
        const qint64 sleeper
            = platform::startDetached({u"/bin/sleep"_s, {u"0.5"_s}, folder.path()});
        const qint64 toucher
            = platform::startDetached({u"/usr/bin/touch"_s, {u"here"_s}, folder.path()});
        QCOMPARE(qint64(getsid(pid_t(sleeper))), sleeper);
        QCOMPARE(ignoredSignals(sleeper) & (quint64(1) << (SIGPIPE - 1)), quint64(0));
        QTRY_VERIFY(QFile::exists(folder.filePath(u"here"_s)));
        // Collected as it ends, not at the next start: no zombie is left behind.
        for (const qint64 pid : {sleeper, toucher})
            platform::collectWhenEnded(pid);
        QTRY_VERIFY(!QFile::exists(u"/proc/%1"_s.arg(toucher)));
        QVERIFY(QFile::exists(u"/proc/%1"_s.arg(sleeper)));
        QTRY_VERIFY(!QFile::exists(u"/proc/%1"_s.arg(sleeper)));
        std::signal(SIGPIPE, SIG_DFL);
        QCOMPARE(thrown([] {
                     platform::startDetached({u"/nonexistent/arj"_s, {}, QDir::tempPath()});
                 }),
                 53);
    }
};

QTEST_GUILESS_MAIN(TstDetached)
#include "tst_detached.moc"
