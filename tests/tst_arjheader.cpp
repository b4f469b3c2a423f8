// The header reader on a backup over three floppies made by the real
// archiver, and on damaged copies of its volumes. That it reads the volumes
// whole, parts, sums and continuations, tst_console's restores prove.

#include "archivefiles.h"
#include "console/arjheader.h"
#include "rows.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {

// Bytes a volume should be, or a file of another kind (fifo, link to a
// volume, missing), and why the reader refuses it.
struct Refused
{
    const char *name;
    QByteArray bytes;
    arj::Error expected;
    QString kind = u"file"_s;
};

} // namespace

class TstArjHeader : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;
    QMap<QString, QByteArray> files; // in the sandbox, once the archives are made

    std::string path(const QString &name) const
    {
        return QFile::encodeName(sandbox.filePath(name)).toStdString();
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
        const QString src = sandbox.filePath(u"src"_s);
        QVERIFY(writeFile(src + u"/Kl.mdb"_s, pseudoRandom(5000, 5000))
                && writeFile(src + u"/Nokrat.mdb"_s, pseudoRandom(3'100'000, 3'100'000)));
        QVERIFY(archived(src, sandbox.filePath(u"fl/NOKUhobe.arj"_s),
                         {u"Kl.mdb"_s, u"Nokrat.mdb"_s, u"-v1440"_s, u"-e"_s, u"-y"_s}));
        // Recovery data after the end marker; a link stored as itself.
        QVERIFY(
            archived(src, sandbox.filePath(u"recovery.arj"_s), {u"Kl.mdb"_s, u"-hk"_s, u"-y"_s}));
        QVERIFY(QFile::link(u"Kl.mdb"_s, src + u"/link"_s));
        QVERIFY(archived(src, sandbox.filePath(u"special.arj"_s), {u"link"_s, u"-a1"_s, u"-y"_s}));
        files = contents(sandbox.path());
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
        const QByteArray last = files[u"fl/NOKUhobe.a02"_s];
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
        const QByteArray last = files[u"fl/NOKUhobe.a02"_s];
        const int part = 4 + qFromLittleEndian<quint16>(last.constData() + 2) + 4 + 2;
        const auto flipped = [](QByteArray bytes, qsizetype at) {
            bytes[at] = char(bytes[at] ^ 0x01);
            return bytes;
        };
        const QByteArray special = files[u"special.arj"_s]; // ends in an extended header
        using enum arj::Error;
        addRows({
            Refused("no archive", flipped(last, 0), NotArchive),
            Refused("flipped in the main header", flipped(last, 10), Damaged),
            Refused("flipped in a part's size", flipped(last, part + 4 + 12), Damaged),
            Refused("flipped in an extended header", flipped(special, special.size() - 11),
                    Damaged),
            Refused("flipped in the end marker", flipped(last, last.size() - 3), Damaged),
            Refused("garbage appended", last + '\0', Damaged),
            Refused("part continued, volume ends", withMainFlags(files[u"fl/NOKUhobe.a01"_s], 0x10),
                    Damaged),
            Refused("FIFO", {}, NotRegularFile, u"fifo"_s),
            Refused("link to a volume", {}, NotRegularFile, u"link"_s),
            Refused("missing", {}, Missing, u"missing"_s),
        });
    }
    void refused()
    {
        QFETCH(Refused, row);
        const QString name = sandbox.filePath(u"refused"_s);
        QFile::remove(name);
        if (row.kind == u"file"_s)
            QVERIFY(writeFile(name, row.bytes));
        else if (row.kind == u"fifo"_s)
            QCOMPARE(mkfifo(QFile::encodeName(name).constData(), 0600), 0);
        else if (row.kind == u"link"_s)
            QVERIFY(QFile::link(sandbox.filePath(u"fl/NOKUhobe.a02"_s), name));
        arj::Error error {};
        QVERIFY(!arj::readVolumeFile(path(u"refused"_s), &error));
        QCOMPARE(error, row.expected);
    }
};

QTEST_GUILESS_MAIN(TstArjHeader)
#include "tst_arjheader.moc"
