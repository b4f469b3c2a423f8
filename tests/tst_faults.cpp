// Faults while hobe.ini is replaced: the previous file stays byte for byte,
// and "Verzeichnis sichern" tells the user "C3D2 / Fehler Nr." and the number.
#include "pathfilewriter.h"
#include "platform/runtimeerror.h"
#include "windowdriver.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>

#include <linux/capability.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum class Fault { ReadOnlyFolder, FileSizeLimit };

// Root writes into any folder; without CAP_DAC_OVERRIDE in this thread's
// effective set it meets the folder's permissions like anyone else. Without
// the capability to begin with, nothing changes.
class WithoutOverride
{
public:
    WithoutOverride()
    {
        syscall(SYS_capget, &m_header, m_saved);
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        syscall(SYS_capset, &m_header, reduced);
    }
    ~WithoutOverride() { syscall(SYS_capset, &m_header, m_saved); }
    WithoutOverride(const WithoutOverride &) = delete;
    WithoutOverride &operator=(const WithoutOverride &) = delete;

private:
    __user_cap_header_struct m_header {_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2] {};
};

// A file-size limit far below the ten lines; the signal the kernel sends
// past it is left as it is, so only the program itself can keep it from
// ending the process.
class SizeLimit
{
public:
    SizeLimit()
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit small {64, m_saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~SizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    SizeLimit(const SizeLimit &) = delete;
    SizeLimit &operator=(const SizeLimit &) = delete;

private:
    rlimit m_saved {};
};

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Stops a process and tells whether it then holds a file in the folder open
// other than hobe.ini itself: its unfinished copy, unnamed until the commit.
bool stoppedMidWrite(qint64 pid, const QString &folder)
{
    ::kill(pid_t(pid), SIGSTOP);
    const QString proc = u"/proc/%1/"_s.arg(pid);
    for (QByteArray stat; !stat.contains(") T ");) {
        QFile file(proc + u"stat"_s);
        stat = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(") T ");
    }
    const QFileInfoList handles
        = QDir(proc + u"fd"_s).entryInfoList(QDir::AllEntries | QDir::System);
    return std::any_of(handles.begin(), handles.end(), [&](const QFileInfo &handle) {
        const QString target = handle.symLinkTarget();
        return target.startsWith(folder + u'/') && target != folder + u"/hobe.ini"_s;
    });
}

} // namespace

class TstFaults : public QObject
{
    Q_OBJECT

private slots:
    void failedWrite_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("folder not writable")
            << Fault::ReadOnlyFolder << u"box 0: C3D2 / Fehler Nr.70"_s;
        QTest::newRow("file size limit, part-way")
            << Fault::FileSizeLimit << u"box 0: C3D2 / Fehler Nr.61"_s;
    }
    void failedWrite()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        WindowDriver d;
        const QString folder = d.services.workingDirectory();
        const QByteArray old = "DBN = C:\\ALT\\\r\nDBV = D:\\\xc4NDERN\\\r\n";
        QFile file(folder + u"/hobe.ini"_s);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        d.type(u"Mh3dText2"_s, u"D:\\NEU"_s);
        if (fault == Fault::ReadOnlyFolder) {
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            const WithoutOverride asAnyone;
            d.click(u"Command3D2"_s);
        } else {
            const SizeLimit limit;
            d.click(u"Command3D2"_s);
        }
        QVERIFY(
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QCOMPARE(d.dialogue(), QStringList {message});
        QCOMPARE(d.services.pointer, 0);
        QCOMPARE(contentOf(folder + u"/hobe.ini"_s), old);
        QCOMPARE(entriesOf(folder), QStringList {u"hobe.ini"_s});
    }

    // A writer killed with SIGKILL at random moments, many of them in the
    // middle of a write: hobe.ini is always one whole content or the other.
    void killedWriter()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"hobe.ini"_s);
        const QByteArray contents[] = {writerContent(0), writerContent(1)};
        int midWrite = 0;
        for (int round = 0; round < 20; ++round) {
            QProcess writer;
            writer.start(QStringLiteral(PATHFILEWRITER), {folder.path()});
            QVERIFY(writer.waitForReadyRead(20000));
            QCOMPARE(writer.readLine(), QByteArray("ready\n"));
            QThread::usleep(QRandomGenerator::global()->bounded(30000));
            QCOMPARE(writer.state(), QProcess::Running);
            midWrite += stoppedMidWrite(writer.processId(), folder.path()) ? 1 : 0;
            writer.kill();
            QVERIFY(writer.waitForFinished(20000));
            const QByteArray content = contentOf(path);
            QVERIFY2(content == contents[0] || content == contents[1],
                     qPrintable(u"%1 bytes after round %2"_s.arg(content.size()).arg(round)));
            // A killed write leaves at most its own unfinished copy beside the
            // file (none where the unfinished copy has no name until committed).
            for (const QString &name : entriesOf(folder.path())) {
                QVERIFY2(name == u"hobe.ini" || name.startsWith(u"hobe.ini."), qPrintable(name));
                QVERIFY(name == u"hobe.ini" || QFile::remove(folder.filePath(name)));
            }
        }
        qInfo("%d of 20 kills landed in the middle of a write", midWrite);
        QVERIFY(midWrite > 0);
    }
};

QTEST_MAIN(TstFaults)
#include "tst_faults.moc"
