// Faults while hobe.ini is replaced: the previous file stays byte for byte.
// ("Verzeichnis sichern" showing the number is tst_horbelung's chosenRow.)
#include "platform/realservices.h"
#include "rules/pathfile.h"
#include "rules/runtimeerror.h"
#include "sandboxtree.h"
#include "thrown.h"

#include <QScopeGuard>
#include <QTest>

#include <algorithm>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Ten directories of 20 000 letters: a write long enough to be cut short
// at many points.
QByteArray longContent()
{
    pathfile::Directories dirs;
    dirs.fill(QString(20000, u'B'));
    return pathfile::content(dirs);
}

} // namespace

class TstFaults : public QObject
{
    Q_OBJECT

    const QByteArray old = "DBN = C:\\ALT\\\r\nDBV = D:\\\xc4NDERN\\\r\n";

private slots:
    // hobe.ini written over an old one. Rewritten, it stands where and as it stood: by its
    // own name in any case, through a link, with its owner, group and mode, in place where
    // only the file may be written (a shared folder). A write that fails, for want of
    // permission or cut short at any point by the file size limit (as by a full disk),
    // leaves the old file as it was and nothing beside it, whether it would replace the
    // file or rewrite it in place.
    void write_data()
    {
        QTest::addColumn<QStringList>("folder"); // as sandboxtree makes it, the file first
        QTest::addColumn<bool>("otherOwner"); // the file another user's, mode 0604
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<bool>("fileWritable");
        QTest::addColumn<int>("limit"); // of the file size; -1: none
        QTest::addColumn<int>("error");
        const QStringList plain {u"hobe.ini"_s};
        const auto row = [](const QString &name, const QStringList &folder, bool folderWritable,
                            bool fileWritable, int limit, int error, bool otherOwner = false) {
            QTest::newRow(qPrintable(name))
                << folder << otherOwner << folderWritable << fileWritable << limit << error;
        };
        row(u"upper-case name"_s, {u"HOBE.INI"_s}, true, true, -1, 0);
        row(u"a link: the file it leads to"_s,
            {u"shared/hobe.ini"_s, u"hobe.ini -> shared/hobe.ini"_s}, true, true, -1, 0);
        row(u"another user's file, mode 0604"_s, plain, true, true, -1, 0, true);
        row(u"folder not writable, file writable"_s, plain, false, true, -1, 0);
        row(u"folder and file not writable"_s, plain, false, false, -1, 70);
        row(u"read-only file in a writable folder"_s, plain, true, false, -1, 70);
        for (const bool writable : {true, false}) {
            for (const int limit : {0, 1, 4095, 4096, 65536, int(longContent().size()) - 1})
                row(u"%1, cut short at %2 bytes"_s.arg(writable ? u"replaced" : u"in place")
                        .arg(limit),
                    plain, writable, true, limit, int(rules::RuntimeError::DiskFull));
        }
    }
    void write()
    {
        QFETCH(QStringList, folder);
        QFETCH(bool, otherOwner);
        QFETCH(bool, folderWritable);
        QFETCH(bool, fileWritable);
        QFETCH(int, limit);
        QTemporaryDir dir;
        sandboxtree::make(dir.path(), folder);
        const QString file = dir.filePath(folder.first());
        QFile previous(file);
        QVERIFY(previous.open(QIODevice::WriteOnly) && previous.write(old) == old.size());
        previous.close();
        if (otherOwner) {
            if (geteuid() != 0)
                QSKIP("only root gives a file to another user");
            QCOMPARE(chown(QFile::encodeName(file).constData(), 4321, 4321), 0);
            QCOMPARE(chmod(QFile::encodeName(file).constData(), 0604), 0);
        }
        if (!fileWritable)
            QVERIFY(QFile::setPermissions(file, QFile::ReadOwner));
        const QStringList before = sandboxtree::read(dir.path());
        struct stat was = {}, is = {};
        stat(QFile::encodeName(file).constData(), &was);
        const QByteArray content = longContent();
        platform::RealServices services(platform::DriveMap::atPrefix(dir.path()), dir.path(),
                                        dir.path());
        if (!folderWritable)
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        const int error = thrown([&] {
            // Root writes into any folder; without CAP_DAC_OVERRIDE in this thread's effective
            // set it meets the folder's permissions like anyone else.
            __user_cap_header_struct header {_LINUX_CAPABILITY_VERSION_3, 0};
            __user_cap_data_struct saved[2] {}, reduced[2] {};
            syscall(SYS_capget, &header, saved);
            std::copy(saved, saved + 2, reduced);
            if (!folderWritable)
                reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
            syscall(SYS_capset, &header, reduced);
            // The signal the kernel sends past the size limit is left as it is, so only the
            // program itself can keep it from ending the process.
            rlimit sizes {};
            getrlimit(RLIMIT_FSIZE, &sizes);
            const rlimit small {limit >= 0 ? rlim_t(limit) : sizes.rlim_cur, sizes.rlim_max};
            setrlimit(RLIMIT_FSIZE, &small);
            const auto restore = qScopeGuard([&] {
                setrlimit(RLIMIT_FSIZE, &sizes);
                syscall(SYS_capset, &header, saved);
            });
            services.writeFile(u"hobe.ini"_s, content);
        });
        QVERIFY(QFile::setPermissions(dir.path(),
                                      QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner));
        QTEST(error, "error");
        QFile written(file);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), error ? old : content);
        QCOMPARE(sandboxtree::read(dir.path()), before);
        stat(QFile::encodeName(file).constData(), &is);
        QCOMPARE(is.st_uid, was.st_uid);
        QCOMPARE(is.st_gid, was.st_gid);
        QCOMPARE(is.st_mode, was.st_mode);
        if (!folderWritable)
            QCOMPARE(is.st_ino, was.st_ino);
    }
};

QTEST_MAIN(TstFaults)
#include "tst_faults.moc"
