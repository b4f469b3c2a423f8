// The header reader on a backup over three floppies made by the real
// archiver, and on damaged copies of its volumes. That it reads the volumes
// whole, parts, sums and continuations, tst_console's restores prove.

#include "console/arjheader.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

class TstArjHeader : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;

    std::string path(const QString &name) const
    {
        return QFile::encodeName(sandbox.filePath(name)).toStdString();
    }

    QByteArray contents(const QString &name) const
    {
        QFile file(sandbox.filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool archive(const QStringList &arguments) const
    {
        QProcess archiver;
        archiver.setWorkingDirectory(sandbox.filePath(u"src"_s));
        archiver.start(u"arj"_s, QStringList {u"a"_s} + arguments + QStringList {u"-y"_s});
        return archiver.waitForFinished(60'000) && archiver.exitCode() == 0;
    }

    // The main header's flags changed, its checksum made right again.
    static QByteArray withMainFlags(QByteArray bytes, char flags)
    {
        const int size = qFromLittleEndian<quint16>(bytes.constData() + 2);
        bytes[8] = flags;
        qToLittleEndian<quint32>(arj::crc32(bytes.constData() + 4, size), bytes.data() + 4 + size);
        return bytes;
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"arj"_s).isEmpty())
            QSKIP("the archiver arj is not installed");
        QVERIFY(QDir(sandbox.path()).mkpath(u"src"_s) && QDir(sandbox.path()).mkpath(u"fl"_s));
        for (const int size : {5000, 3'100'000}) {
            QByteArray bytes(size, Qt::Uninitialized);
            QRandomGenerator(size).fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
            QFile file(sandbox.filePath(size == 5000 ? u"src/Kl.mdb"_s : u"src/Nokrat.mdb"_s));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == size);
        }
        QVERIFY(
            archive({u"../fl/NOKUhobe.arj"_s, u"Kl.mdb"_s, u"Nokrat.mdb"_s, u"-v1440"_s, u"-e"_s}));
        // Recovery data after the end marker; a link stored as itself.
        QVERIFY(archive({u"../recovery.arj"_s, u"Kl.mdb"_s, u"-hk"_s}));
        QVERIFY(QFile::link(u"Kl.mdb"_s, sandbox.filePath(u"src/link"_s)));
        QVERIFY(archive({u"../special.arj"_s, u"link"_s, u"-a1"_s}));
    }

    void otherArchives()
    {
        QVERIFY(arj::readVolumeFile(path(u"recovery.arj"_s)));
        const auto special = arj::readVolumeFile(path(u"special.arj"_s));
        QVERIFY(special && special->parts.size() == 1);
        QCOMPARE(special->parts[0].type, arj::unixSpecial);
        QVERIFY(special->parts[0].extended);
    }

    void everyPrefixTruncated()
    {
        const QByteArray last = contents(u"fl/NOKUhobe.a02"_s);
        for (qsizetype size = 0; size <= last.size(); ++size) {
            arj::MemorySource source(std::string_view(last.constData(), std::size_t(size)));
            arj::Error error {};
            const bool read = arj::readVolume(source, &error).has_value();
            if (read != (size == last.size()) || (!read && error != arj::Error::Truncated))
                QFAIL(qPrintable(u"prefix of %1 bytes: error %2"_s.arg(size).arg(int(error))));
        }
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("expected");
        QTest::addColumn<QString>("kind"); // file, fifo, link or missing
        const auto row = [](const char *name, const QByteArray &bytes, arj::Error expected,
                            const QString &kind = u"file"_s) {
            QTest::newRow(name) << bytes << int(expected) << kind;
        };
        const QByteArray last = contents(u"fl/NOKUhobe.a02"_s);
        const int part = 4 + qFromLittleEndian<quint16>(last.constData() + 2) + 4 + 2;
        const auto flipped = [](QByteArray bytes, qsizetype at) {
            bytes[at] = char(bytes[at] ^ 0x01);
            return bytes;
        };
        const QByteArray special = contents(u"special.arj"_s); // ends in an extended header
        row("no archive", flipped(last, 0), arj::Error::NotArchive);
        row("flipped in the main header", flipped(last, 10), arj::Error::Damaged);
        row("flipped in a part's size", flipped(last, part + 4 + 12), arj::Error::Damaged);
        row("flipped in an extended header", flipped(special, special.size() - 11),
            arj::Error::Damaged);
        row("flipped in the end marker", flipped(last, last.size() - 3), arj::Error::Damaged);
        row("garbage appended", last + '\0', arj::Error::Damaged);
        row("part continued, volume ends", withMainFlags(contents(u"fl/NOKUhobe.a01"_s), 0x10),
            arj::Error::Damaged);
        row("FIFO", {}, arj::Error::NotRegularFile, u"fifo"_s);
        row("link to a volume", {}, arj::Error::NotRegularFile, u"link"_s);
        row("missing", {}, arj::Error::Missing, u"missing"_s);
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, expected);
        QFETCH(QString, kind);
        const QString name = sandbox.filePath(u"refused"_s);
        QFile file(name);
        file.remove();
        if (kind == u"file"_s)
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        else if (kind == u"fifo"_s)
            QCOMPARE(mkfifo(QFile::encodeName(name).constData(), 0600), 0);
        else if (kind == u"link"_s)
            QVERIFY(QFile::link(sandbox.filePath(u"fl/NOKUhobe.a02"_s), name));
        file.close();
        arj::Error error {};
        QVERIFY(!arj::readVolumeFile(path(u"refused"_s), &error));
        QCOMPARE(int(error), expected);
    }
};

QTEST_GUILESS_MAIN(TstArjHeader)
#include "tst_arjheader.moc"
