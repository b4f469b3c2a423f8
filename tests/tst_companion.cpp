// The companion's pieces that need no archiver: a restore's journal, which
// must read back as written after a power cut and undo whatever phase the
// cut came in; what reaches the terminal of the archiver's output; the words.

#include "archivefiles.h"
#include "console/outputfilter.h"
#include "console/restorejournal.h"
#include "console/run.h"
#include "rows.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// A text through the output filter or one of the words, and what comes out:
// "filter" what reaches the terminal, "name" the name shown in a summary
// ("!" before one that is no plain member name), "bytes" a size, "wrapped" a
// line for a console of 10 columns ("|" marks the breaks), "volume" the
// number's volume (and back).
struct Words
{
    const char *name, *what;
    QByteArray in, out;
};

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
        QVERIFY(writeFile(previous + u"A.MDB"_s, "old A")
                && writeFile(folder + u"A.MDB"_s, "new A"));
        QVERIFY(writeFile(previous + u"B.mdb"_s, "old B")
                && writeFile(fresh + u"B.mdb"_s, "new B"));
        QVERIFY(writeFile(fresh + u"C.mdb"_s, "new C"));
        QVERIFY(writeFile(folder + u"Notiz.txt"_s, "keep"));

        QVERIFY(restore::undo(journal));
        QCOMPARE(journal.phase, restore::Phase::Failed);
        QCOMPARE(contents(folder),
                 (QMap<QString, QByteArray> {
                     {u"A.MDB"_s, "old A"}, {u"B.mdb"_s, "old B"}, {u"Notiz.txt"_s, "keep"}}));
    }

    // Names on a disk may carry escape sequences; only text and the controls
    // of the progress display reach the terminal, however the output is cut.
    // A member's name is plain when it stays in the database folder.
    void words_data()
    {
        addRows({
            Words("progress", "filter", "Adding  50%\b\b\b100%\r\n\tok",
                  "Adding  50%\b\b\b100%\r\n\tok"),
            Words("title", "filter", "\x1b]0;gut\x07Text", "]0;gutText"),
            Words("clear and hide", "filter", "a\x1b[2J\x1b[8mb", "a[2J[8mb"),
            // \233 is the byte 0x9b, CSI.
            Words("C1 introducer in UTF-8", "filter", "a\xc2\2332Jb", "a2Jb"),
            Words("C1 introducer raw", "filter", "a\2332J\x90q", "a?2J?q"),
            // The last byte of "ß" lies in the C1 range as a byte, not as a character.
            Words("umlauts", "filter", "Gr\xc3\xbc\xc3\x9f\xe2\x80\x93",
                  "Gr\xc3\xbc\xc3\x9f\xe2\x80\x93"),
            Words("no UTF-8", "filter", "\xff\xc0\xaf\xed\xa0\x80", "??????"),
            Words("NUL and DEL", "filter", "a\0b\177c"_ba, "abc"),
            Words("database", "name", "Nokrat.mdb", "Nokrat.mdb"),
            Words("words of the archiver", "name", "Continued on next volume.mdb",
                  "Continued on next volume.mdb"),
            Words("absolute", "name", "/tmp/evil", "!/tmp/evil"),
            Words("path out", "name", "x/../../../../home/.profile",
                  "!x/../../../../home/.profile"),
            Words("dot name", "name", ".NOKRAT.ldb", "!.NOKRAT.ldb"),
            Words("drive", "name", "C:boot.ini", "!C:boot.ini"),
            Words("backslash", "name", "..\\x.mdb", "!..\\x.mdb"),
            Words("escape", "name", "a\x1b[8m.mdb", "!a\\x1b[8m.mdb"),
            Words("line end", "name", "a\nb.mdb", "!a\\x0ab.mdb"),
            Words("three digits", "bytes", "999", "999 Bytes"),
            Words("nine digits", "bytes", "405000000", "405.000.000 Bytes"),
            Words("gone", "bytes", "-1", "nicht vorhanden"),
            Words("fits, its blanks kept", "wrapped", "a   b  c", "a   b  c"),
            Words("full width", "wrapped", "0123456789", "0123456789"),
            Words("broken at the last blank that fits", "wrapped", "Die Datenbank bleibt",
                  "Die|Datenbank|bleibt"),
            Words("umlauts are one column", "wrapped", "ääää öööö üü", "ääää öööö|üü"),
            Words("indent kept", "wrapped", "  a:\\x.arj 1.456.400", "  a:\\x.arj|  1.456.400"),
            Words("a longer word whole", "wrapped", "C:\\NOKRAT\\~HB1f3d8.NEU x",
                  "C:\\NOKRAT\\~HB1f3d8.NEU|x"),
            Words("hundredth", "volume", "100", "NOKUhobe.a99"),
            Words("then three digits", "volume", "101", "NOKUhobe.100"),
        });
    }
    void words()
    {
        QFETCH(Words, row);
        const std::string in = row.in.toStdString(), what = row.what;
        std::string out;
        if (what == "filter") {
            // Cut after every byte, and not at all.
            for (const std::size_t piece : {std::size_t(1), in.size()}) {
                OutputFilter filter;
                out.clear();
                for (std::size_t at = 0; at < in.size(); at += piece)
                    filter.pass(std::string_view(in).substr(at, piece), out);
                filter.finish(out);
                QCOMPARE(QByteArray::fromStdString(out), row.out);
            }
        } else if (what == "name") {
            out = (words::plainName(in) ? "" : "!") + visible(in);
        } else if (what == "bytes") {
            out = words::bytes(std::stoll(in));
        } else if (what == "wrapped") {
            out = words::wrapped(in, 10);
            std::replace(out.begin(), out.end(), '\n', '|');
        } else {
            out = words::volumeName("NOKUhobe.arj", std::stoi(in));
            QCOMPARE(words::volumeNumber(row.out.toUpper().toStdString()), std::stoi(in));
        }
        QCOMPARE(QByteArray::fromStdString(out), row.out);
    }
};

QTEST_GUILESS_MAIN(TstCompanion)
#include "tst_companion.moc"
