// The state files' system calls on Windows: locks between processes (the
// other one is terminalprobe.exe), replacing a file a reader has open, and
// moves that replace nothing.

#include "winruns.h"

#include <QTemporaryDir>

#include <fstream>
#include <thread>

using namespace Qt::StringLiterals;

class TestWindowsStateFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_scratch;

    std::string local(const QString &name) const
    {
        return QDir::toNativeSeparators(m_scratch.filePath(name)).toStdString();
    }

private slots:
    void lockHeldByAnotherProcess()
    {
        const QString file = m_scratch.filePath(u"restore.lock"_s);
        const HANDLE process
            = startProcess(QDir::toNativeSeparators(QCoreApplication::applicationDirPath()
                                                    + u"/terminalprobe.exe lock "_s + file + u' '
                                                    + m_scratch.filePath(u"release"_s)),
                           CREATE_NO_WINDOW);
        QVERIFY(process);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(file + u".held"_s), 10000);

        QVERIFY(statefiles::isLocked(local(u"restore.lock"_s)));
        statefiles::Lock lock(local(u"restore.lock"_s));
        QVERIFY(!lock.tryLock());
        // Waits for the other to let go, which it does once told.
        std::thread release([&] {
            Sleep(300);
            writeFile(m_scratch.filePath(u"release"_s), "");
        });
        QTRY_VERIFY_WITH_TIMEOUT(lock.tryLock(), 10000);
        release.join();
        WaitForSingleObject(process, 10000);
        CloseHandle(process);
        QVERIFY(statefiles::isLocked(local(u"restore.lock"_s)));
    }

    // In one process: a missing file or one nobody holds is not locked, a
    // lock is taken again by its holder and let go with it.
    void lockInOneProcess()
    {
        const std::string file = local(u"free.lock"_s);
        QVERIFY(!statefiles::isLocked(file));
        {
            statefiles::Lock lock(file);
            QVERIFY(lock.tryLock());
            QVERIFY(lock.tryLock());
            QVERIFY(statefiles::isLocked(file));
        }
        QVERIFY(!statefiles::isLocked(file));
        QVERIFY(writeFile(m_scratch.filePath(u"free.lock"_s), ""));
        QVERIFY(!statefiles::isLocked(file));
    }

    // A reader of the journal has it open for a moment, without sharing its
    // deletion: the new content still replaces it.
    void replacedWhileRead()
    {
        const QString file = m_scratch.filePath(u"restore.journal"_s);
        QVERIFY(writeFile(file, "alt"));
        auto reader
            = std::make_unique<std::ifstream>(local(u"restore.journal"_s), std::ios::binary);
        QVERIFY(reader->is_open());
        std::thread closing([&] {
            Sleep(300);
            reader.reset();
        });
        const bool written = statefiles::writeDurably(local(u"restore.journal"_s), "neu");
        closing.join();
        QVERIFY(written);
        QCOMPARE(contents(file), "neu"_ba);
        QVERIFY(!QFile::exists(file + u".neu"_s));
    }

    void moveReplacesNothing()
    {
        QVERIFY(writeFile(m_scratch.filePath(u"from.mdb"_s), "neu")
                && writeFile(m_scratch.filePath(u"to.mdb"_s), "alt"));
        QVERIFY(!statefiles::moveEntry(local(u"from.mdb"_s), local(u"to.mdb"_s)));
        QCOMPARE(contents(m_scratch.filePath(u"to.mdb"_s)), "alt"_ba);
        QVERIFY(QFile::remove(m_scratch.filePath(u"to.mdb"_s)));
        QVERIFY(statefiles::moveEntry(local(u"from.mdb"_s), local(u"to.mdb"_s)));
        QCOMPARE(contents(m_scratch.filePath(u"to.mdb"_s)), "neu"_ba);
        QVERIFY(!QFile::exists(m_scratch.filePath(u"from.mdb"_s)));
    }
};

QTEST_GUILESS_MAIN(TestWindowsStateFiles)
#include "tst_winstatefiles.moc"
