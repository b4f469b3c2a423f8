#include "platform/launcher.h"
#include "platform/realservices.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using platform::DriveMap;
using platform::Launch;
using platform::LaunchContext;
using platform::RuntimeError;

class TstLauncher : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir sandbox;
    QString home; // the sandbox, canonical

    // Placeholders: %C drive_c, %A floppy_a, %P the program folder, %W the
    // working folder, %B the folder on PATH.
    QString expand(QString text) const
    {
        return text.replace(u"%C"_s, home + u"/drive_c"_s)
            .replace(u"%A"_s, home + u"/floppy_a"_s)
            .replace(u"%P"_s, home + u"/drive_c/TOOLS"_s)
            .replace(u"%W"_s, home + u"/work"_s)
            .replace(u"%B"_s, home + u"/bin"_s);
    }
    LaunchContext context(const QString &path = u"%B"_s) const
    {
        return {DriveMap::atPrefix(home), expand(u"%P"_s), expand(u"%W"_s), expand(path)};
    }
    void writeScript(const QString &path, const QByteArray &body) const
    {
        QFile file(expand(path));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n" + body);
        file.close();
        QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
    }
    // A console on PATH that runs its command (past "-hold -e") with the
    // output into a log and a mark for each command that has ended.
    void writeRunningConsole() const
    {
        writeScript(u"%B/xterm"_s,
                    "shift 2\n\"$@\" >>" + expand(u"%W/console.log"_s).toUtf8()
                        + " 2>&1\n"
                          "echo $? >>"
                        + expand(u"%W/ended"_s).toUtf8() + "\n");
    }
    int endedCommands() const
    {
        QFile ended(expand(u"%W/ended"_s));
        return ended.open(QIODevice::ReadOnly) ? int(ended.readAll().count('\n')) : 0;
    }

private slots:
    void initTestCase()
    {
        home = QDir(sandbox.path()).canonicalPath();
        DriveMap::createPrefix(home);
        for (const QString &folder : {u"%P"_s, u"%W"_s, u"%B"_s, u"%C/NOKRAT"_s})
            QVERIFY(QDir().mkpath(expand(folder)));
        QVERIFY(QDir().mkpath(expand(u"%C/PROGS"_s)));
        for (const QString &program : {u"%P/arj.exe"_s, u"%W/cwdtool"_s, u"%B/pathtool"_s,
                                       u"%B/cwdtool"_s, u"%C/PROGS/Tool.exe"_s})
            writeScript(program, "exit 0\n");
        for (const QString &file : {u"%C/NOKRAT/NOKRAT.MDB"_s, u"%C/NOKRAT/pelvin.mdb"_s,
                                    u"%C/NOKRAT/notes.txt"_s, u"%P/plain.exe"_s}) {
            QFile f(expand(file));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
    }

    void launchFor_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("launch"); // program, then arguments

        QTest::newRow("program folder") << u"arj.exe"_s << 0 << QStringList {u"%P/arj.exe"_s};
        QTest::newRow("any case") << u"ARJ.EXE"_s << 0 << QStringList {u"%P/arj.exe"_s};
        QTest::newRow("Windows path")
            << u"c:\\progs\\tool.exe"_s << 0 << QStringList {u"%C/PROGS/Tool.exe"_s};
        QTest::newRow("working folder before PATH")
            << u"cwdtool"_s << 0 << QStringList {u"%W/cwdtool"_s};
        QTest::newRow("PATH, without .exe")
            << u"pathtool.exe"_s << 0 << QStringList {u"%B/pathtool"_s};
        QTest::newRow("blanks") << u"  arj.exe  a   -y "_s << 0
                                << QStringList {u"%P/arj.exe"_s, u"a"_s, u"-y"_s};
        QTest::newRow("restore") << u"arj.exe x a:\\NOKUhobe.arj C:\\NOKRAT\\ -y"_s << 0
                                 << QStringList {u"%P/arj.exe"_s, u"x"_s, u"%A/NOKUhobe.arj"_s,
                                                 u"%C/NOKRAT/"_s, u"-y"_s};
        QTest::newRow("wildcard, any case")
            << u"C:\\TOOLS\\arj.exe a a:\\NOKUhobe.arj C:\\NOKRAT\\*.mdb -v1440 -e"_s << 0
            << QStringList {u"%P/arj.exe"_s,
                            u"a"_s,
                            u"%A/NOKUhobe.arj"_s,
                            u"%C/NOKRAT/NOKRAT.MDB"_s,
                            u"%C/NOKRAT/pelvin.mdb"_s,
                            u"-v1440"_s,
                            u"-e"_s};
        QTest::newRow("wildcard without match")
            << u"arj.exe a C:\\NOKRAT*.mdb"_s << 0
            << QStringList {u"%P/arj.exe"_s, u"a"_s, u"%C/NOKRAT*.mdb"_s};
        QTest::newRow("shell characters stay literal")
            << u"arj.exe a:\\$(touch${IFS}x);`id`|&\"'\n.arj ;rm"_s << 0
            << QStringList {u"%P/arj.exe"_s, u"%A/$(touch${IFS}x);`id`|&\"'\n.arj"_s, u";rm"_s};
        QTest::newRow("dot dot stays on the drive")
            << u"arj.exe a:\\..\\..\\etc\\passwd"_s << 0
            << QStringList {u"%P/arj.exe"_s, u"%A/etc/passwd"_s};
        QTest::newRow("console, style 1")
            << u"arj.exe l a:\\"_s << 1
            << QStringList {u"%B/xterm"_s, u"-hold"_s, u"-e"_s, u"%P/arj.exe"_s, u"l"_s, u"%A/"_s};
        QTest::newRow("console, style 2")
            << u"pathtool"_s << 2
            << QStringList {u"%B/xterm"_s, u"-hold"_s, u"-e"_s, u"%B/pathtool"_s};
    }
    void launchFor()
    {
        QFETCH(QString, commandLine);
        QFETCH(int, style);
        QFETCH(QStringList, launch);
        writeScript(u"%B/xterm"_s, "exit 0\n");
        for (QString &word : launch)
            word = expand(word);
        const Launch expected {launch.takeFirst(), launch, expand(u"%W"_s)};
        QCOMPARE(platform::launchFor(commandLine, style, context()), expected);
    }

    void launchErrors_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("error");
        QTest::newRow("empty") << QString() << 1 << u"%B"_s
                               << int(RuntimeError::InvalidProcedureCall);
        QTest::newRow("blanks only")
            << u"   "_s << 1 << u"%B"_s << int(RuntimeError::InvalidProcedureCall);
        QTest::newRow("missing program")
            << u"scandisk.exe"_s << 2 << u"%B"_s << int(RuntimeError::FileNotFound);
        QTest::newRow("missing in the program folder")
            << u"C:\\TOOLS\\pathtool.exe"_s << 0 << u"%B"_s << int(RuntimeError::FileNotFound);
        QTest::newRow("not executable")
            << u"plain.exe"_s << 0 << u"%B"_s << int(RuntimeError::FileNotFound);
        QTest::newRow("a path is no bare name")
            << u"../work/cwdtool"_s << 0 << u"%B"_s << int(RuntimeError::FileNotFound);
        QTest::newRow("unmapped program drive")
            << u"Q:\\arj.exe"_s << 0 << u"%B"_s << int(RuntimeError::FileNotFound);
        QTest::newRow("unmapped argument drive")
            << u"arj.exe x Q:\\A.arj"_s << 0 << u"%B"_s << int(RuntimeError::DiskNotReady);
        QTest::newRow("relative PATH ignored")
            << u"cwdtool.sh"_s << 0 << u"."_s << int(RuntimeError::FileNotFound);
        QTest::newRow("no console")
            << u"arj.exe"_s << 1 << u"%C"_s << int(RuntimeError::FileNotFound);
    }
    void launchErrors()
    {
        QFETCH(QString, commandLine);
        QFETCH(int, style);
        QFETCH(QString, path);
        QFETCH(int, error);
        try {
            platform::launchFor(commandLine, style, context(path));
            QFAIL("no error");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), error);
        }
    }

    void desktopConsole()
    {
        QFile::remove(expand(u"%B/xterm"_s));
        writeScript(u"%B/x-terminal-emulator"_s, "exit 0\n");
        const Launch launch = platform::launchFor(u"arj.exe -y"_s, 1, context());
        QFile::remove(expand(u"%B/x-terminal-emulator"_s));
        QCOMPARE(launch.program, expand(u"%B/x-terminal-emulator"_s));
        QCOMPARE(launch.arguments, QStringList({u"-e"_s, expand(u"%P/arj.exe"_s), u"-y"_s}));
    }

    // The real start: arguments reach the console one by one, literally,
    // and nothing in them is run.
    void startsDetachedWithoutShell()
    {
        const QString record = expand(u"%W/arguments"_s);
        writeScript(u"%B/xterm"_s,
                    "printf '%s\\n' \"$@\" >" + record.toUtf8() + ".part\nmv " + record.toUtf8()
                        + ".part " + record.toUtf8() + "\n");
        const QString original = qEnvironmentVariable("PATH");
        qputenv("PATH", (expand(u"%B:"_s) + original).toUtf8());
        platform::RealServices services(DriveMap::atPrefix(home), expand(u"%P"_s), expand(u"%W"_s));
        services.shell(u"arj.exe a:\\$(touch${IFS}pwned);touch${IFS}pwned`touch${IFS}pwned`"_s, 1);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record), 10000);
        qputenv("PATH", original.toUtf8());
        QFile file(record);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(
            QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts),
            QStringList({u"-hold"_s, u"-e"_s, expand(u"%P/arj.exe"_s),
                         expand(u"%A/$(touch${IFS}pwned);touch${IFS}pwned`touch${IFS}pwned`"_s)}));
        QVERIFY(!QFile::exists(expand(u"%W/pwned"_s)));
        QVERIFY(!QFile::exists(expand(u"%B/pwned"_s)));
    }

    // The system's arj, found as arj.exe beside the program, backs up to the
    // virtual floppy, lists the archive and restores it into a folder.
    void realArchiver()
    {
        if (!QFile::exists(u"/usr/bin/arj"_s))
            QSKIP("arj is not installed");
        const QString original = qEnvironmentVariable("PATH");
        qputenv("PATH", (expand(u"%B:"_s) + original).toUtf8());
        QFile::remove(expand(u"%P/arj.exe"_s));
        QVERIFY(QFile::link(u"/usr/bin/arj"_s, expand(u"%P/arj.exe"_s)));
        writeRunningConsole();
        QFile database(expand(u"%C/NOKRAT/NOKRAT.MDB"_s));
        QVERIFY(database.open(QIODevice::WriteOnly));
        const QByteArray content = QByteArray("Standard Jet DB ").repeated(4096);
        database.write(content);
        database.close();
        platform::RealServices services(DriveMap::atPrefix(home), expand(u"%P"_s), expand(u"%W"_s));

        const QStringList runs
            = {u"C:\\TOOLS\\arj.exe a a:\\NOKUhobe.arj C:\\NOKRAT\\NOKRAT.mdb -v1440 -e"_s,
               u"arj.exe l a:\\nokuhobe.arj"_s, u"arj.exe x a:\\NOKUhobe.arj C:\\ZURUECK\\ -y"_s};
        QList<QByteArray> outputs;
        for (int i = 0; i < runs.size(); ++i) {
            services.shell(runs[i], 1);
            QTRY_COMPARE_WITH_TIMEOUT(endedCommands(), i + 1, 20000);
            QFile log(expand(u"%W/console.log"_s));
            QVERIFY(log.open(QIODevice::ReadOnly));
            outputs << log.readAll().mid(outputs.isEmpty() ? 0 : outputs.join().size());
        }
        qputenv("PATH", original.toUtf8());
        QVERIFY(QFile::exists(expand(u"%A/NOKUhobe.arj"_s)));
        QVERIFY2(outputs[1].contains("\nNOKRAT.MDB "), outputs[1].constData());
        QFile restored(expand(u"%C/ZURUECK/NOKRAT.MDB"_s));
        QVERIFY(restored.open(QIODevice::ReadOnly));
        QCOMPARE(restored.readAll(), content);
    }
};

QTEST_GUILESS_MAIN(TstLauncher)
#include "tst_launcher.moc"
