// The companion's pieces that need no archiver: a restore's journal, which
// must read back as written after a power cut and undo whatever phase the
// cut came in; what reaches the terminal of the archiver's output; the words.

#include "console/outputfilter.h"
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

class TstCompanion : public QObject
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

    // Names on a disk may carry escape sequences; only text and the controls
    // of the progress display reach the terminal, however the output is cut.
    void outputFilter_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("progress") << "Adding  50%\b\b\b100%\r\n\tok"_ba
                                  << "Adding  50%\b\b\b100%\r\n\tok"_ba;
        QTest::newRow("title") << "\x1b]0;gut\x07Text"_ba
                               << "]0;gutText"_ba;
        QTest::newRow("clear and hide") << "a\x1b[2J\x1b[8mb"_ba
                                        << "a[2J[8mb"_ba;
        QTest::newRow("C1 introducer in UTF-8") << "a\xc2\x9b"
                                                   "2Jb"_ba
                                                << "a2Jb"_ba;
        QTest::newRow("C1 introducer raw") << "a\x9b"
                                              "2J\x90q"_ba
                                           << "a?2J?q"_ba;
        // The last byte of "ß" lies in the C1 range as a byte, not as a character.
        QTest::newRow("umlauts") << "Gr\xc3\xbc\xc3\x9f\xe2\x80\x93"_ba
                                 << "Gr\xc3\xbc\xc3\x9f\xe2\x80\x93"_ba;
        QTest::newRow("no UTF-8") << "\xff\xc0\xaf\xed\xa0\x80"_ba
                                  << "??????"_ba;
        QTest::newRow("NUL and DEL") << "a\0b\x7f"
                                        "c"_ba
                                     << "abc"_ba;
    }
    void outputFilter()
    {
        QFETCH(QByteArray, output);
        QFETCH(QByteArray, shown);
        // Cut after every byte, and not at all.
        for (const qsizetype piece : {qsizetype(1), output.size()}) {
            OutputFilter filter;
            std::string result;
            for (qsizetype at = 0; at < output.size(); at += piece)
                filter.pass(std::string_view(output.constData() + at,
                                             std::size_t(qMin(piece, output.size() - at))),
                            result);
            filter.finish(result);
            QCOMPARE(QByteArray::fromStdString(result), shown);
        }
    }

    void memberNames_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("plain");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("database") << "Nokrat.mdb"_ba << true << "Nokrat.mdb"_ba;
        QTest::newRow("words of the archiver")
            << "Continued on next volume.mdb"_ba << true << "Continued on next volume.mdb"_ba;
        QTest::newRow("absolute") << "/tmp/evil"_ba << false << "/tmp/evil"_ba;
        QTest::newRow("path out") << "x/../../../../home/.profile"_ba << false
                                  << "x/../../../../home/.profile"_ba;
        QTest::newRow("dot name") << ".NOKRAT.ldb"_ba << false << ".NOKRAT.ldb"_ba;
        QTest::newRow("drive") << "C:boot.ini"_ba << false << "C:boot.ini"_ba;
        QTest::newRow("backslash") << "..\\x.mdb"_ba << false << "..\\x.mdb"_ba;
        QTest::newRow("escape") << "a\x1b[8m.mdb"_ba << false << "a\\x1b[8m.mdb"_ba;
        QTest::newRow("line end") << "a\nb.mdb"_ba << false << "a\\x0ab.mdb"_ba;
    }
    void memberNames()
    {
        QFETCH(QByteArray, name);
        QTEST(words::plainName(name.toStdString()), "plain");
        QTEST(QByteArray::fromStdString(visible(name.toStdString())), "shown");
    }

    void sizesInWords_data()
    {
        QTest::addColumn<long long>("size");
        QTest::addColumn<QString>("words");
        QTest::newRow("three digits") << 999LL << u"999 Bytes"_s;
        QTest::newRow("nine digits") << 405000000LL << u"405.000.000 Bytes"_s;
        QTest::newRow("gone") << -1LL << u"nicht vorhanden"_s;
    }
    void sizesInWords()
    {
        QFETCH(long long, size);
        QTEST(QString::fromStdString(words::bytes(size)), "words");
    }

    // Lines for a console of 10 columns ("|" marks the breaks).
    void wrappedLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("wrapped");
        QTest::newRow("fits, its blanks kept") << u"a   b  c"_s << u"a   b  c"_s;
        QTest::newRow("full width") << u"0123456789"_s << u"0123456789"_s;
        QTest::newRow("broken at the last blank that fits")
            << u"Die Datenbank bleibt"_s << u"Die|Datenbank|bleibt"_s;
        QTest::newRow("umlauts are one column") << u"ääää öööö üü"_s << u"ääää öööö|üü"_s;
        QTest::newRow("indent kept") << u"  a:\\x.arj 1.456.400"_s << u"  a:\\x.arj|  1.456.400"_s;
        QTest::newRow("a longer word whole")
            << u"C:\\NOKRAT\\~HB1f3d8.NEU x"_s << u"C:\\NOKRAT\\~HB1f3d8.NEU|x"_s;
    }
    void wrappedLines()
    {
        QFETCH(QString, line);
        const std::string wrapped = words::wrapped(line.toStdString(), 10);
        QTEST(QString::fromStdString(wrapped).replace(u'\n', u'|'), "wrapped");
    }

    void volumeNames_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
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

QTEST_GUILESS_MAIN(TstCompanion)
#include "tst_companion.moc"
