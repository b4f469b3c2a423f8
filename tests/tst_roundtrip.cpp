// Backup and restore end to end: the real archiver through the real launcher,
// in the sandbox prefix, with a stub console that answers its questions "y".

#include "archivefiles.h"
#include "rows.h"
#include "windowdriver.h"

#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace {

// Launches for real and plays the user: every box waits until the archivers
// started so far have finished, as the user waits for the console before
// inserting the next floppy, and then answers Yes (or OK).
class SandboxServices : public FakeServices
{
public:
    int msgBox(const QString &prompt, int style) override
    {
        archiversSucceeded();
        answers = {platform::MsgBox::Yes};
        return FakeServices::msgBox(prompt, style);
    }
    void shell(const launch::Command &command, int windowStyle) override
    {
        FakeServices::shell(command, windowStyle);
        RealServices::shell(command, windowStyle);
        ++m_launched;
    }
    bool archiversSucceeded() const
    {
        const QDir console(workingDirectory());
        return QTest::qWaitFor(
                   [&] { return console.entryList({u"done.*"_s}).size() >= m_launched; }, 60'000)
            && console.entryList({u"done.*"_s}) == console.entryList({u"done.0.*"_s});
    }

private:
    qsizetype m_launched = 0;
};

// Page 2 before the backup's and the restore's start (clicks, "field=text"
// typed); the archive's folder, then the files in it; the files restored;
// folders beside them whose short forms are the same, with a decoy that
// nothing may touch or take.
struct Trip
{
    const char *name;
    QString database;
    QStringList backup, restore, archive, restored, neighbours = {};
};

} // namespace

class TestRoundTrip : public QObject
{
    Q_OBJECT

    QTemporaryDir console;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"arj"_s).isEmpty())
            QSKIP("the archiver arj is not installed");
        // The stub console (tests/data/roundtrip.txt) answers every question Yes.
        QVERIFY(writeFile(console.filePath(u"xterm"_s),
                          recordedTexts(u"roundtrip.txt"_s).value(u"xterm"_s).toUtf8()));
        QVERIFY(QFile::setPermissions(console.filePath(u"xterm"_s),
                                      QFile::ReadOwner | QFile::ExeOwner));
        qputenv("PATH", QFile::encodeName(console.path()) + ':' + qgetenv("PATH"));
    }

    void roundTrip_data()
    {
        addRows({
            Trip("floppy A:, three volumes, all databases", u"C:\\NOKRAT\\"_s, {},
                 {u"Option3D4"_s, u"Mh3dText3=3"_s},
                 {u"A:\\"_s, u"NOKUhobe.a01"_s, u"NOKUhobe.a02"_s, u"NOKUhobe.arj"_s},
                 {u"NOKRAT.mdb"_s, u"OTHER.MDB"_s}),
            Trip("hard disk, one database, long names beside their likes",
                 u"C:\\Buchhaltung 2023\\"_s,
                 {u"Option3D5"_s, u"VqsCheck1"_s, u"Mh3dText1=C:\\Sicherungen 2024"_s},
                 {u"Option3D4"_s}, {u"C:\\Sicherungen 2024\\"_s, u"NOKUhobe.arj"_s},
                 {u"NOKRAT.mdb"_s}, {u"C:\\Buchhaltung 2022\\"_s, u"C:\\Sicherung\\"_s}),
        });
    }
    void roundTrip()
    {
        QFETCH(Trip, row);
        const QStringList &archive = row.archive;
        BasicWindowDriver<SandboxServices> driver;
        SandboxServices &services = driver.services;
        QVERIFY(QFile::link(QStandardPaths::findExecutable(u"arj"_s),
                            services.hostOf(u"C:\\TOOLS\\arj.exe"_s)));
        const QString databases = services.hostOf(row.database);
        QVERIFY(QDir().mkpath(services.hostOf(archive[0])));
        const QMap<QString, QByteArray> original {{u"NOKRAT.mdb"_s, pseudoRandom(3'500'000, 1)},
                                                  {u"OTHER.MDB"_s, pseudoRandom(20'000, 2)},
                                                  {u"notes.txt"_s, "not a database"_ba}};
        for (const auto &[name, bytes] : original.asKeyValueRange())
            QVERIFY(writeFile(databases + name, bytes));
        const QMap<QString, QByteArray> decoy {{u"NOKRAT.mdb"_s, "decoy"}};
        for (const QString &neighbour : row.neighbours)
            QVERIFY(writeFile(services.hostOf(neighbour) + u"NOKRAT.mdb"_s, "decoy"));

        const auto start = [&](const QStringList &actions) {
            for (const QString &action : actions + QStringList {u"Command3D1"_s}) {
                action.contains(u'=')
                    ? driver.type(action.section(u'=', 0, 0), action.section(u'=', 1))
                    : driver.click(action);
            }
        };
        driver.openPage2(row.database);
        start(row.backup);
        QVERIFY(services.archiversSucceeded());
        QCOMPARE(QDir(services.hostOf(archive[0])).entryList(QDir::Files), archive.mid(1));

        // Restore into the emptied folder.
        QVERIFY(QDir(databases).removeRecursively() && QDir().mkpath(databases));
        start(row.restore);
        QVERIFY(services.archiversSucceeded());
        QMap<QString, QByteArray> restored;
        for (const QString &name : row.restored)
            restored[name] = original[name];
        QCOMPARE(contents(databases), restored);
        QCOMPARE(services.boxes().filter(u"nicht vollständig"_s), QStringList());
        for (const QString &neighbour : row.neighbours)
            QCOMPARE(contents(services.hostOf(neighbour)), decoy);
    }
};

QTEST_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
