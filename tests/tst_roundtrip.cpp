// Backup and restore end to end: the real services in a sandbox prefix, the
// real archiver, and a stub console that runs the archiver and answers its
// questions with "y".

#include "app/horbelung.h"
#include "platform/drivemap.h"
#include "platform/realservices.h"
#include "platform/services.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace Qt::StringLiterals;

namespace {

constexpr int archiverSeconds = 60;

// Stands in for the console: drops "-hold -e", runs the archiver with "y" to
// every question (the next floppy included) and leaves a marker with its
// exit status once it is done.
constexpr char stubConsole[] = R"(#!/bin/sh
while [ "$1" = -hold ] || [ "$1" = -e ]; do shift; done
yes | "$@" >> "%1/console.log" 2>&1
echo $? > "%1/.status.$$" && mv "%1/.status.$$" "%1/done.$$"
)";

// The real services, with the user's part played: boxes are answered Yes or
// OK, and only once every archiver started so far has finished, as the user
// waits for the console before inserting the next floppy.
class SandboxServices : public platform::RealServices
{
public:
    SandboxServices(const QString &prefix, const QString &consoleDir)
        : RealServices(platform::DriveMap::createPrefix(prefix), prefix + u"/drive_c/TOOLS"_s,
                       prefix + u"/work"_s)
        , m_consoleDir(consoleDir)
    { }

    int msgBox(const QString &prompt, int style) override
    {
        boxes << prompt;
        waitForArchivers();
        return (style & 7) == platform::MsgBox::YesNo ? platform::MsgBox::Yes
                                                      : platform::MsgBox::Ok;
    }
    void beep() override { }
    void shell(const QString &commandLine, int windowStyle) override
    {
        RealServices::shell(commandLine, windowStyle);
        ++m_launched;
    }

    // False when an archiver did not finish in time or did not succeed.
    bool waitForArchivers()
    {
        const QDir console(m_consoleDir);
        const QDeadlineTimer deadline(archiverSeconds * 1000);
        QStringList done;
        while ((done = console.entryList({u"done.*"_s}, QDir::Files)).size() < m_launched) {
            if (deadline.hasExpired())
                return false;
            QThread::msleep(50);
        }
        for (const QString &marker : done) {
            QFile status(console.filePath(marker));
            if (!status.open(QIODevice::ReadOnly) || status.readAll().trimmed() != "0")
                return false;
        }
        return true;
    }

    QStringList boxes;

private:
    QString m_consoleDir;
    qsizetype m_launched = 0;
};

QByteArray pseudoRandom(qsizetype size, quint32 seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator generator(seed);
    generator.fillRange(reinterpret_cast<quint32 *>(bytes.data()), size / 4);
    return bytes;
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

QStringList fileNames(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase);
}

void click(QWidget &window, const QString &name)
{
    auto *button = window.findChild<QAbstractButton *>(name);
    QVERIFY2(button, qPrintable(name));
    QTest::mouseClick(button, Qt::LeftButton, {},
                      button->isCheckable() ? QPoint(6, button->height() / 2)
                                            : button->rect().center());
}

void type(QWidget &window, const QString &name, const QString &text)
{
    auto *field = window.findChild<QLineEdit *>(name);
    QVERIFY2(field, qPrintable(name));
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
}

} // namespace

class TestRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTrip_data();
    void roundTrip();
};

void TestRoundTrip::initTestCase()
{
    if (QStandardPaths::findExecutable(u"arj"_s).isEmpty())
        QSKIP("the archiver arj is not installed");
}

void TestRoundTrip::roundTrip_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("allDatabases");
    QTest::addColumn<QString>("databaseDirectory");
    QTest::addColumn<QString>("backupDirectory"); // null: as "&Weiter" fills it
    QTest::addColumn<QString>("count"); // null: the field stays hidden
    QTest::addColumn<QString>("archiveFolder");
    QTest::addColumn<QStringList>("volumes");
    QTest::addColumn<QStringList>("restored");

    QTest::newRow("floppy A:, all databases")
        << u"Option3D1"_s << true << u"C:\\NOKRAT\\"_s << QString() << u"3"_s << u"A:\\"_s
        << QStringList {u"NOKUhobe.a01"_s, u"NOKUhobe.a02"_s, u"NOKUhobe.arj"_s}
        << QStringList {u"NOKRAT.mdb"_s, u"OTHER.MDB"_s};
    QTest::newRow("hard disk, one database, long folder names")
        << u"Option3D5"_s << false << u"C:\\Eigene Datenbanken\\"_s << u"C:\\Sicherungen 2024"_s
        << QString() << u"C:\\Sicherungen 2024\\"_s << QStringList {u"NOKUhobe.arj"_s}
        << QStringList {u"NOKRAT.mdb"_s};
}

void TestRoundTrip::roundTrip()
{
    QFETCH(QString, target);
    QFETCH(bool, allDatabases);
    QFETCH(QString, databaseDirectory);
    QFETCH(QString, backupDirectory);
    QFETCH(QString, count);
    QFETCH(QString, archiveFolder);

    QTemporaryDir prefix;
    QTemporaryDir console;
    const QString bin = console.path() + u"/bin"_s;
    QVERIFY(QDir().mkpath(bin));
    writeFile(bin + u"/xterm"_s, QString::fromLatin1(stubConsole).arg(console.path()).toUtf8());
    QVERIFY(QFile::setPermissions(bin + u"/xterm"_s, QFile::ExeOwner | QFile::ReadOwner));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin) + ':' + path);
    const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });

    SandboxServices services(prefix.path(), console.path());
    QVERIFY(QDir().mkpath(prefix.path() + u"/drive_c/TOOLS"_s));
    QVERIFY(QDir().mkpath(prefix.path() + u"/work"_s));
    QVERIFY(QFile::link(QStandardPaths::findExecutable(u"arj"_s),
                        prefix.path() + u"/drive_c/TOOLS/arj.exe"_s));
    const QString databases = services.driveMap().toHost(databaseDirectory);
    QVERIFY(QDir().mkpath(databases));
    if (!backupDirectory.isNull())
        QVERIFY(QDir().mkpath(services.driveMap().toHost(backupDirectory)));
    const QMap<QString, QByteArray> original {
        {u"NOKRAT.mdb"_s, pseudoRandom(3'500'000, 1)},
        {u"OTHER.MDB"_s, pseudoRandom(20'000, 2)},
        {u"notes.txt"_s, "not a database"_ba},
    };
    for (auto it = original.begin(); it != original.end(); ++it)
        writeFile(databases + u'/' + it.key(), it.value());

    Horbelung window(services);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Backup.
    type(window, u"Mh3dText2"_s, databaseDirectory);
    click(window, u"Command3D10"_s);
    click(window, target);
    if (!allDatabases)
        click(window, u"VqsCheck1"_s);
    if (!backupDirectory.isNull())
        type(window, u"Mh3dText1"_s, backupDirectory);
    click(window, u"Command3D1"_s);
    QVERIFY(services.waitForArchivers());
    QTEST(fileNames(services.driveMap().toHost(archiveFolder)), "volumes");

    // Restore into the emptied folder.
    for (const QString &name : fileNames(databases))
        QVERIFY(QFile::remove(databases + u'/' + name));
    click(window, u"Option3D4"_s);
    if (!count.isNull())
        type(window, u"Mh3dText3"_s, count);
    click(window, u"Command3D1"_s);
    QVERIFY(services.waitForArchivers());

    QFETCH(QStringList, restored);
    QCOMPARE(fileNames(databases), restored);
    for (const QString &name : restored) {
        QFile file(databases + u'/' + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY2(file.readAll() == original.value(name), qPrintable(name));
    }
    QVERIFY2(!services.boxes.contains(u"Die Horbelung / Wiederherstellung wurde nicht "
                                      u"vollständig durchgeführt."_s),
             qPrintable(services.boxes.join(u" | "_s)));
}

QTEST_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
