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
using platform::RuntimeError;

class TstLauncher : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;

    // %C drive C:, %A floppy A:, %P the program folder, %W the working
    // folder, %B a folder with xterm on PATH, %X one with x-terminal-emulator.
    QString at(QString text) const
    {
        const QString home = QDir(sandbox.path()).canonicalPath();
        return text.replace(u"%C"_s, home + u"/drive_c"_s)
            .replace(u"%A"_s, home + u"/floppy_a"_s)
            .replace(u"%P"_s, home + u"/drive_c/TOOLS"_s)
            .replace(u"%W"_s, home + u"/work"_s)
            .replace(u"%B"_s, home + u"/bin"_s)
            .replace(u"%X"_s, home + u"/xbin"_s);
    }
    Launch launch(const QString &line, int style, const QString &path = u"%B"_s) const
    {
        return platform::launchFor(
            line, style, {DriveMap::atPrefix(sandbox.path()), at(u"%P"_s), at(u"%W"_s), at(path)});
    }
    void write(const QString &path, const QByteArray &content, bool program = true) const
    {
        QVERIFY(QDir().mkpath(QFileInfo(at(path)).path()));
        QFile file(at(path));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        QVERIFY(!program || file.setPermissions(file.permissions() | QFile::ExeOwner));
    }
    QByteArray read(const QString &path) const
    {
        QFile file(at(path));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // Runs the real services' shell with the console stub on PATH.
    void shell(const QString &line)
    {
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", at(u"%B:"_s).toUtf8() + path);
        platform::RealServices(DriveMap::atPrefix(sandbox.path()), at(u"%P"_s), at(u"%W"_s))
            .shell(line, 1);
        qputenv("PATH", path);
    }

private slots:
    void initTestCase()
    {
        DriveMap::createPrefix(sandbox.path());
        for (const QString &program :
             {u"%P/arj.exe"_s, u"%W/cwdtool"_s, u"%B/cwdtool"_s, u"%B/pathtool"_s,
              u"%C/PROGS/Tool.exe"_s, u"%B/xterm"_s, u"%X/x-terminal-emulator"_s})
            write(program, "#!/bin/sh\n");
        for (const QString &file : {u"%C/NOKRAT/NOKRAT.MDB"_s, u"%C/NOKRAT/pelvin.mdb"_s,
                                    u"%C/NOKRAT/notes.txt"_s, u"%P/plain.exe"_s})
            write(file, {}, false);
    }

    void launchFor_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("style");
        QTest::addColumn<QStringList>("expected"); // program, then arguments
        QTest::newRow("program folder, any case")
            << u"ARJ.EXE"_s << 0 << QStringList {u"%P/arj.exe"_s};
        QTest::newRow("Windows path")
            << u"c:\\progs\\tool.exe"_s << 0 << QStringList {u"%C/PROGS/Tool.exe"_s};
        QTest::newRow("working folder before PATH")
            << u"cwdtool"_s << 0 << QStringList {u"%W/cwdtool"_s};
        QTest::newRow("PATH, without .exe")
            << u"pathtool.exe"_s << 0 << QStringList {u"%B/pathtool"_s};
        QTest::newRow("paths translated")
            << u"arj.exe  x a:\\NOKUhobe.arj C:\\nokrat\\ -y"_s << 0
            << QStringList {u"%P/arj.exe"_s, u"x"_s, u"%A/NOKUhobe.arj"_s, u"%C/NOKRAT/"_s,
                            u"-y"_s};
        QTest::newRow("wildcard, any case")
            << u"C:\\TOOLS\\arj.exe a C:\\NOKRAT\\*.mdb -e"_s << 0
            << QStringList {u"%P/arj.exe"_s, u"a"_s, u"%C/NOKRAT/NOKRAT.MDB"_s,
                            u"%C/NOKRAT/pelvin.mdb"_s, u"-e"_s};
        QTest::newRow("wildcard without match")
            << u"arj.exe C:\\NOKRAT*.mdb"_s << 0
            << QStringList {u"%P/arj.exe"_s, u"%C/NOKRAT*.mdb"_s};
        QTest::newRow("shell characters stay literal")
            << u"arj.exe a:\\$(touch${IFS}x);`id`|&\"'\n.arj ;rm"_s << 0
            << QStringList {u"%P/arj.exe"_s, u"%A/$(touch${IFS}x);`id`|&\"'\n.arj"_s, u";rm"_s};
        QTest::newRow("console, style 1")
            << u"arj.exe a:\\..\\..\\"_s << 1
            << QStringList {u"%B/xterm"_s, u"-hold"_s, u"-e"_s, u"%P/arj.exe"_s, u"%A/"_s};
        QTest::newRow("console, style 2, never a lone word")
            << u"pathtool"_s << 2
            << QStringList {u"%B/xterm"_s, u"-hold"_s, u"-e"_s, u"/usr/bin/env"_s,
                            u"%B/pathtool"_s};
    }
    void launchFor()
    {
        QFETCH(QString, line);
        QFETCH(int, style);
        QFETCH(QStringList, expected);
        for (QString &word : expected)
            word = at(word);
        QCOMPARE(launch(line, style), Launch({expected.takeFirst(), expected, at(u"%W"_s)}));
    }

    void desktopConsole()
    {
        QCOMPARE(launch(u"arj.exe -y"_s, 1, u"%X"_s).arguments,
                 QStringList({u"-e"_s, at(u"%P/arj.exe"_s), u"-y"_s}));
    }

    void launchErrors_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("style");
        QTest::addColumn<int>("error");
        QTest::newRow("empty") << u"  "_s << 1 << int(RuntimeError::InvalidProcedureCall);
        QTest::newRow("missing program")
            << u"scandisk.exe"_s << 2 << int(RuntimeError::FileNotFound);
        QTest::newRow("only in PATH")
            << u"C:\\TOOLS\\pathtool.exe"_s << 0 << int(RuntimeError::FileNotFound);
        QTest::newRow("not executable") << u"plain.exe"_s << 0 << int(RuntimeError::FileNotFound);
        QTest::newRow("no bare name")
            << u"../work/cwdtool"_s << 0 << int(RuntimeError::FileNotFound);
        QTest::newRow("unmapped argument drive")
            << u"arj.exe Q:\\A.arj"_s << 0 << int(RuntimeError::DiskNotReady);
        QTest::newRow("no console") << u"cwdtool"_s << 1 << int(RuntimeError::FileNotFound);
    }
    void launchErrors()
    {
        QFETCH(QString, line);
        QFETCH(int, style);
        QFETCH(int, error);
        try {
            launch(line, style, u"%C"_s);
            QFAIL("no error");
        } catch (const RuntimeError &e) {
            QCOMPARE(e.number(), error);
        }
    }

    // Detached, without a shell: the words reach the console literally.
    void startsWithoutShell()
    {
        write(u"%B/xterm"_s,
              at(u"#!/bin/sh\nprintf '%s\\n' \"$@\" >%W/args.part\nmv %W/args.part %W/args\n"_s)
                  .toUtf8());
        shell(u"arj.exe a:\\$(touch${IFS}pwned);touch${IFS}pwned`touch${IFS}pwned`"_s);
        QTRY_VERIFY_WITH_TIMEOUT(!read(u"%W/args"_s).isEmpty(), 10000);
        QCOMPARE(
            read(u"%W/args"_s),
            at(u"-hold\n-e\n%P/arj.exe\n%A/$(touch${IFS}pwned);touch${IFS}pwned`touch${IFS}pwned`\n"_s)
                .toUtf8());
        QVERIFY(!QFile::exists(at(u"%W/pwned"_s)));
    }

    // The system's arj as arj.exe beside the program: a backup to the
    // virtual floppy, its listing and a restore.
    void realArchiver()
    {
        if (!QFile::exists(u"/usr/bin/arj"_s))
            QSKIP("arj is not installed");
        QFile::remove(at(u"%P/arj.exe"_s));
        QVERIFY(QFile::link(u"/usr/bin/arj"_s, at(u"%P/arj.exe"_s)));
        write(u"%B/xterm"_s,
              at(u"#!/bin/sh\nshift 2\n\"$@\" >%W/out 2>&1\necho >>%W/ended\n"_s).toUtf8());
        const QByteArray database = QByteArray("Standard Jet DB ").repeated(4096);
        write(u"%C/NOKRAT/NOKRAT.MDB"_s, database, false);
        const QStringList lines
            = {u"C:\\TOOLS\\arj.exe a a:\\NOKUhobe.arj C:\\NOKRAT\\NOKRAT.mdb -v1440 -e"_s,
               u"arj.exe l a:\\nokuhobe.arj"_s, u"arj.exe x a:\\NOKUhobe.arj C:\\ZURUECK\\ -y"_s};
        QByteArrayList outputs;
        for (const QString &line : lines) {
            shell(line);
            QTRY_COMPARE_WITH_TIMEOUT(read(u"%W/ended"_s).size(), outputs.size() + 1, 20000);
            outputs << read(u"%W/out"_s);
        }
        QVERIFY2(outputs[1].contains("\nNOKRAT.MDB "), outputs[1].constData());
        QCOMPARE(read(u"%C/ZURUECK/NOKRAT.MDB"_s), database);
    }
};

QTEST_GUILESS_MAIN(TstLauncher)
#include "tst_launcher.moc"
