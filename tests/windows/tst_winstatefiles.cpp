// The state files' system calls on Windows: locks between processes (the
// other one is terminalprobe.exe), replacing a file a reader has open, and
// moves that replace nothing.

#include "console/statefiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>
#include <thread>

#include <windows.h>

using namespace Qt::StringLiterals;

namespace {

std::string local(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdString();
}

bool write(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestWindowsStateFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_scratch;

private slots:
    void lockHeldByAnotherProcess()
    {
        const QString file = m_scratch.filePath(u"restore.lock"_s);
        const QString flag = m_scratch.filePath(u"release"_s);
        QString line = QDir::toNativeSeparators(QCoreApplication::applicationDirPath()
                                                + u"/terminalprobe.exe lock "_s)
            + QDir::toNativeSeparators(file) + u' ' + QDir::toNativeSeparators(flag);
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        QVERIFY(CreateProcessW(nullptr, reinterpret_cast<wchar_t *>(line.data()), nullptr, nullptr,
                               FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process));
        CloseHandle(process.hThread);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file + u".held"_s), 10000);

        QVERIFY(statefiles::isLocked(local(file)));
        statefiles::Lock lock(local(file));
        QVERIFY(!lock.tryLock());
        // Waits for the other to let go, which it does once told.
        std::thread release([&] {
            Sleep(300);
            write(flag, "");
        });
        QTRY_VERIFY_WITH_TIMEOUT(lock.tryLock(), 10000);
        release.join();
        WaitForSingleObject(process.hProcess, 10000);
        CloseHandle(process.hProcess);
        QVERIFY(statefiles::isLocked(local(file)));
    }

    void lockTakenAgain()
    {
        const std::string file = local(m_scratch.filePath(u"again.lock"_s));
        QVERIFY(!statefiles::isLocked(file));
        statefiles::Lock lock(file);
        QVERIFY(lock.tryLock());
        QVERIFY(lock.tryLock());
    }

    void unlockedAndMissing()
    {
        const QString file = m_scratch.filePath(u"free.lock"_s);
        QVERIFY(!statefiles::isLocked(local(file)));
        QVERIFY(write(file, ""));
        QVERIFY(!statefiles::isLocked(local(file)));
        {
            statefiles::Lock lock(local(file));
            QVERIFY(lock.tryLock());
        }
        QVERIFY(!statefiles::isLocked(local(file)));
    }

    // A reader of the journal has it open for a moment, without sharing its
    // deletion: the new content still replaces it.
    void replacedWhileRead()
    {
        const QString file = m_scratch.filePath(u"restore.journal"_s);
        QVERIFY(write(file, "alt"));
        auto reader = std::make_unique<std::ifstream>(local(file), std::ios::binary);
        QVERIFY(reader->is_open());
        std::thread closing([&] {
            Sleep(300);
            reader.reset();
        });
        const bool written = statefiles::writeDurably(local(file), "neu");
        closing.join();
        QVERIFY(written);
        QCOMPARE(read(file), "neu"_ba);
        QVERIFY(!QFile::exists(file + u".neu"_s));
    }

    void moveReplacesNothing()
    {
        const QString from = m_scratch.filePath(u"from.mdb"_s);
        const QString to = m_scratch.filePath(u"to.mdb"_s);
        QVERIFY(write(from, "neu") && write(to, "alt"));
        QVERIFY(!statefiles::moveEntry(local(from), local(to)));
        QCOMPARE(read(to), "alt"_ba);
        QVERIFY(QFile::remove(to));
        QVERIFY(statefiles::moveEntry(local(from), local(to)));
        QCOMPARE(read(to), "neu"_ba);
        QVERIFY(!QFile::exists(from));
    }
};

QTEST_GUILESS_MAIN(TestWindowsStateFiles)
#include "tst_winstatefiles.moc"
