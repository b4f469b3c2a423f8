// Faults while hobe.ini is replaced: the previous file stays byte for byte,
// and "Verzeichnis sichern" tells the user "C3D2 / Fehler Nr." and the number.
#include "platform/runtimeerror.h"
#include "sandboxtree.h"
#include "settings/pathfile.h"
#include "windowdriver.h"

#include <QLineEdit>

#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

enum class Fault { None, ReadOnly, ReadOnlyFile, FileSizeLimit };
enum class Setup { None, OtherOwner, ReadOnlyFolder };

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

// A file-size limit below the ten lines; the signal the kernel sends past
// it is left as it is, so only the program itself can keep it from ending
// the process.
class SizeLimit
{
public:
    explicit SizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        const rlimit small {bytes, m_saved.rlim_max};
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

struct stat statusOf(const QString &path)
{
    struct stat status = {};
    stat(QFile::encodeName(path).constData(), &status);
    return status;
}

const QFileDevice::Permissions readOnlyFolder = QFile::ReadOwner | QFile::ExeOwner;
const QFileDevice::Permissions writableFolder = readOnlyFolder | QFile::WriteOwner;

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
    // "Verzeichnis sichern" with the database directory field's text under
    // a fault; a directory the file cannot hold is refused before writing.
    void failedWrite_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message");
        const QString refused = u"box 0: C3D2 / Fehler Nr.5"_s;
        QTest::newRow("folder and file not writable")
            << u"D:\\NEU"_s << Fault::ReadOnly << u"box 0: C3D2 / Fehler Nr.70"_s;
        QTest::newRow("read-only file in a writable folder")
            << u"D:\\NEU"_s << Fault::ReadOnlyFile << u"box 0: C3D2 / Fehler Nr.70"_s;
        QTest::newRow("file size limit, part-way")
            << u"D:\\NEU"_s << Fault::FileSizeLimit << u"box 0: C3D2 / Fehler Nr.61"_s;
        QTest::newRow("letters outside the code page") << u"D:\\Łódź"_s << Fault::None << refused;
        QTest::newRow("a character outside the code page")
            << u"D:\\\u4e2d"_s << Fault::None << refused;
        QTest::newRow("a NUL") << u"C:\\A"_s + QChar(u'\0') + u"B"_s << Fault::None << refused;
    }
    void failedWrite()
    {
        QFETCH(QString, text);
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        WindowDriver d;
        const QString folder = d.services.workingDirectory();
        const QString path = folder + u"/hobe.ini"_s;
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        d.control<QLineEdit>(u"Mh3dText2"_s)->setText(text);
        if (fault == Fault::ReadOnly) {
            QVERIFY(QFile::setPermissions(folder, readOnlyFolder));
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
            const WithoutOverride asAnyone;
            d.click(u"Command3D2"_s);
        } else if (fault == Fault::ReadOnlyFile) {
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
            d.click(u"Command3D2"_s);
        } else if (fault == Fault::FileSizeLimit) {
            const SizeLimit limit(64);
            d.click(u"Command3D2"_s);
        } else {
            d.click(u"Command3D2"_s);
        }
        QVERIFY(QFile::setPermissions(folder, writableFolder));
        QCOMPARE(d.dialogue(), QStringList {message});
        QCOMPARE(d.services.pointer, 0);
        QCOMPARE(contentOf(path), old);
        QCOMPARE(sandboxtree::read(folder), QStringList {u"hobe.ini"_s});
    }

    // hobe.ini rewritten where it stands and as it is: by its own name in
    // any case, through a link, with its owner, group and mode, in place
    // where only the file may be written (a shared folder).
    void rewrite_data()
    {
        QTest::addColumn<QStringList>("folder"); // as sandboxtree makes it
        QTest::addColumn<Setup>("setup");
        QTest::newRow("upper-case name") << QStringList {u"HOBE.INI"_s} << Setup::None;
        QTest::newRow("a link: the file it leads to")
            << QStringList {u"shared/hobe.ini"_s, u"hobe.ini -> shared/hobe.ini"_s} << Setup::None;
        QTest::newRow("another user's file, mode 0604")
            << QStringList {u"hobe.ini"_s} << Setup::OtherOwner;
        QTest::newRow("folder not writable, file writable")
            << QStringList {u"hobe.ini"_s} << Setup::ReadOnlyFolder;
    }
    void rewrite()
    {
        QFETCH(QStringList, folder);
        QFETCH(Setup, setup);
        QTemporaryDir dir;
        sandboxtree::make(dir.path(), folder);
        const QString file = dir.filePath(folder.first());
        if (setup == Setup::OtherOwner) {
            if (geteuid() != 0)
                QSKIP("only root gives a file to another user");
            QCOMPARE(chown(QFile::encodeName(file).constData(), 4321, 4321), 0);
            QCOMPARE(chmod(QFile::encodeName(file).constData(), 0604), 0);
        }
        const QStringList before = sandboxtree::read(dir.path());
        const struct stat was = statusOf(file);
        const QByteArray content = longContent();
        platform::RealServices services(platform::DriveMap::atPrefix(dir.path()), dir.path(),
                                        dir.path());
        if (setup == Setup::ReadOnlyFolder) {
            QVERIFY(QFile::setPermissions(dir.path(), readOnlyFolder));
            const WithoutOverride asAnyone;
            services.writeFile(u"hobe.ini"_s, content);
        } else {
            services.writeFile(u"hobe.ini"_s, content);
        }
        QVERIFY(QFile::setPermissions(dir.path(), writableFolder));
        QCOMPARE(contentOf(file), content);
        QCOMPARE(sandboxtree::read(dir.path()), before);
        const struct stat is = statusOf(file);
        QCOMPARE(is.st_uid, was.st_uid);
        QCOMPARE(is.st_gid, was.st_gid);
        QCOMPARE(is.st_mode, was.st_mode);
        if (setup == Setup::ReadOnlyFolder)
            QCOMPARE(is.st_ino, was.st_ino);
    }

    // A write cut short at any point, by the file size limit as by a full
    // disk, leaves the old file as it was and nothing beside it, whether it
    // replaces the file or, in a folder that may not be written, rewrites it.
    void cutShort_data()
    {
        QTest::addColumn<bool>("folderWritable");
        QTest::addColumn<int>("limit");
        for (const bool writable : {true, false}) {
            for (const int limit : {0, 1, 4095, 4096, 65536, int(longContent().size()) - 1})
                QTest::addRow("%s, %d bytes", writable ? "replaced" : "in place", limit)
                    << writable << limit;
        }
    }
    void cutShort()
    {
        QFETCH(bool, folderWritable);
        QFETCH(int, limit);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"hobe.ini"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(old) == old.size());
        file.close();
        platform::RealServices services(platform::DriveMap::atPrefix(dir.path()), dir.path(),
                                        dir.path());
        int error = 0;
        if (!folderWritable)
            QVERIFY(QFile::setPermissions(dir.path(), readOnlyFolder));
        try {
            const WithoutOverride asAnyone;
            const SizeLimit small(limit);
            services.writeFile(u"hobe.ini"_s, longContent());
        } catch (const platform::RuntimeError &e) {
            error = e.number();
        }
        QVERIFY(QFile::setPermissions(dir.path(), writableFolder));
        QCOMPARE(error, int(platform::RuntimeError::DiskFull));
        QCOMPARE(contentOf(path), old);
        QCOMPARE(sandboxtree::read(dir.path()), QStringList {u"hobe.ini"_s});
    }
};

QTEST_MAIN(TstFaults)
#include "tst_faults.moc"
