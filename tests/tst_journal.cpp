// A restore's journal: what survives a power cut must read back as written,
// and whatever phase the cut came in, undo brings the previous files back.

#include "console/restorejournal.h"
#include "console/run.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

class TstJournal : public QObject
{
    Q_OBJECT

private slots:
    void readsBackAsWritten()
    {
        restore::Journal journal;
        journal.id = "R 1";
        // A Linux folder may hold line ends and the escape character itself.
        journal.folder = "/tmp/Da\nten %41/";
        journal.shownFolder = "Z:\\tmp\\Daten\\";
        journal.disks = 3;
        journal.disksRead = 2;
        journal.continues = true;
        journal.phase = restore::Phase::Replacing;
        journal.reason = "Prüfsumme";
        journal.files
            = {{"Kl.mdb", 5000, true, 0xFFFFFFFF, "KL.MDB"}, {"Nokrat.mdb", 2907476, false, 1, {}}};
        const std::string text = restore::serialized(journal);
        const std::optional<restore::Journal> back = restore::parsed(text);
        QVERIFY(back);
        QCOMPARE(restore::serialized(*back), text);
        QCOMPARE(back->folder, journal.folder);
        // Cut short anywhere, as a write without its rename would be: refused.
        for (std::size_t size = 0; size + 1 < text.size(); size += 7)
            QVERIFY2(!restore::parsed(text.substr(0, size)), qPrintable(QString::number(size)));
    }

    // The power cut came in the middle of moving the new files in: the first
    // file's previous one set aside and the new one moved in, the second's
    // previous one set aside only, the third (new to the folder) not yet moved.
    void undoMidwayThroughReplacing()
    {
        QTemporaryDir sandbox;
        restore::Journal journal;
        journal.id = "R";
        journal.folder = QDir(sandbox.path()).canonicalPath().toStdString() + '/';
        journal.phase = restore::Phase::Replacing;
        journal.files = {{"A.mdb", 1, true, 0, "A.MDB"},
                         {"B.mdb", 1, true, 0, "B.mdb"},
                         {"C.mdb", 1, true, 0, {}}};
        const QString folder = QString::fromStdString(journal.folder);
        const QString previous = QString::fromStdString(journal.previousFolder());
        const QString fresh = QString::fromStdString(journal.newFolder());
        QVERIFY(QDir().mkpath(previous) && QDir().mkpath(fresh));
        QVERIFY(writeFile(previous + u"A.MDB"_s, "old A")
                && writeFile(folder + u"A.MDB"_s, "new A"));
        QVERIFY(writeFile(previous + u"B.mdb"_s, "old B")
                && writeFile(fresh + u"B.mdb"_s, "new B"));
        QVERIFY(writeFile(fresh + u"C.mdb"_s, "new C"));
        QVERIFY(writeFile(folder + u"Notiz.txt"_s, "keep"));

        QVERIFY(restore::undo(journal));
        QCOMPARE(journal.phase, restore::Phase::Failed);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList {u"A.MDB"_s, u"B.mdb"_s, u"Notiz.txt"_s}));
        QCOMPARE(readFile(folder + u"A.MDB"_s), "old A");
        QCOMPARE(readFile(folder + u"B.mdb"_s), "old B");
    }

    void sizesInWords_data()
    {
        QTest::addColumn<long long>("size");
        QTest::addColumn<QString>("words");
        QTest::newRow("three digits") << 999LL << u"999 Bytes"_s;
        QTest::newRow("six digits") << 192654LL << u"192.654 Bytes"_s;
        QTest::newRow("seven digits") << 1456400LL << u"1.456.400 Bytes"_s;
        QTest::newRow("nine digits") << 405000000LL << u"405.000.000 Bytes"_s;
        QTest::newRow("gone") << -1LL << u"nicht vorhanden"_s;
    }
    void sizesInWords()
    {
        QFETCH(long long, size);
        QTEST(QString::fromStdString(words::bytes(size)), "words");
    }

    void volumeNames_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::newRow("first") << 1 << u"NOKUhobe.arj"_s;
        QTest::newRow("second") << 2 << u"NOKUhobe.a01"_s;
        QTest::newRow("hundredth") << 100 << u"NOKUhobe.a99"_s;
        QTest::newRow("then three digits") << 101 << u"NOKUhobe.100"_s;
    }
    void volumeNames()
    {
        QFETCH(int, number);
        QFETCH(QString, name);
        QCOMPARE(QString::fromStdString(words::volumeName("NOKUhobe.arj", number)), name);
        QCOMPARE(words::volumeNumber(name.toUpper().toStdString()), number);
    }
};

QTEST_GUILESS_MAIN(TstJournal)
#include "tst_journal.moc"
