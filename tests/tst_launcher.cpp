#include "platform/launcher.h"
#include "platform/realservices.h"
#include "rules/archiverun.h"
#include "rules/runtimeerror.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(launch::Command)

class TstLauncher : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;
    // "%" in paths: drive_c and floppy_a, P the program folder (with the
    // console companion), W the working folder, B a folder with xterm and X
    // one with x-terminal-emulator. Every program there writes its arguments
    // to "args" in the folder it runs in.
    const QString home = QDir(sandbox.path()).canonicalPath();

private slots:
    void initTestCase()
    {
        platform::DriveMap::createPrefix(sandbox.path());
        for (const QString &path :
             {u"/P/arj.exe"_s, u"/W/cwdtool"_s, u"/B/cwdtool"_s, u"/B/pathtool"_s,
              u"/drive_c/PROGS/Tool.exe"_s, u"/B/xterm"_s, u"/X/x-terminal-emulator"_s,
              u"/drive_c/DB/NOKRAT.MDB"_s, u"/drive_c/DB/pelvin.mdb"_s, u"/drive_c/DB/notes.txt"_s,
              u"/P/plain.exe"_s, u"/P/horbelung-console"_s, u"/drive_c/Daten 2023/a.mdb"_s,
              u"/drive_c/Daten 2022/b.mdb"_s, u"/drive_c/Daten Alt/c.mdb"_s,
              u"/drive_c/Meine Programme/arj.exe"_s}) {
            QFile file(home + path);
            QVERIFY(QDir().mkpath(QFileInfo(file).path()) && file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("#!/bin/sh\nprintf '%s\\n' \"$@\" >args\n") > 0);
            QVERIFY(file.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
        }
        QVERIFY(QFile::setPermissions(home + u"/P/plain.exe"_s, QFile::ReadOwner));
        qputenv("PATH", QFile::encodeName(home) + "/B:" + qgetenv("PATH"));
        // So that a relative PATH entry "B" would find B/pathtool, were it searched.
        QVERIFY(QDir::setCurrent(home));
        QVERIFY(QDir().mkpath(home + u"/drive_c/Meine"_s));
    }

    void launchFor_data()
    {
        struct Row
        {
            const char *name;
            launch::Command command;
            int style;
            QStringList expected; // program and arguments, or the error; "COLS": the width
            QString path = u"/B"_s; // PATH
            QString programs = u"/P"_s; // the program folder
        };
        const auto words = [](const QString &program, const QString &arguments) {
            launch::Command command {program};
            for (const QString &word : arguments.split(u' ', Qt::SkipEmptyParts))
                command.arguments << launch::Argument {word};
            return command;
        };
        // The second of three floppies of a restore from A:, as the run makes it.
        archiverun::Request restore {archiverun::Mode::Restore,
                                     archiverun::Target::DriveA,
                                     u"C:\\TOOLS"_s,
                                     {u"A:\\"_s},
                                     {u"C:\\DB\\"_s},
                                     u"NOKU"_s,
                                     u"NOKRAT"_s,
                                     true,
                                     u"3"_s,
                                     u"id"_s};
        const launch::Command secondDisk = archiverun::plan(restore).at(1).command;
        launch::Command sameForm = words(u"arj.exe"_s, u"x"_s);
        sameForm.arguments << launch::Argument {u"C:\\DATEN2~1\\N.arj"_s, u"C:\\DATEN2~1\\"_s,
                                                u"C:\\Daten 2022\\"_s}
                           << launch::Argument {u"C:\\DATEN2~1\\"_s, u"C:\\DATEN2~1\\"_s,
                                                u"C:\\daten 2023\\"_s};
        launch::Command withoutBlanks = words(u"arj.exe"_s, u"a a:\\N.arj"_s);
        withoutBlanks.arguments << launch::Argument {u"C:\\DatenAlt\\*.mdb"_s, u"C:\\DatenAlt\\"_s,
                                                     u"C:\\Daten Alt\\"_s};
        const QStringList xterm {u"%/B/xterm"_s, u"-T"_s,      u"Horbelung"_s, u"-u8"_s,
                                 u"-geometry"_s, u"COLSx32"_s, u"-e"_s};
        const Row rows[] = {
            {"Windows path; paths, wildcards any case, a wildcard without match",
             words(u"c:\\progs\\tool.exe"_s, u"x a:\\X.arj C:\\db\\ C:\\DB\\*.mdb C:\\DB*.mdb"_s),
             0,
             {u"%/drive_c/PROGS/Tool.exe"_s, u"x"_s, u"%/floppy_a/X.arj"_s, u"%/drive_c/DB/"_s,
              u"%/drive_c/DB/NOKRAT.MDB"_s, u"%/drive_c/DB/pelvin.mdb"_s, u"%/drive_c/DB*.mdb"_s}},
            {"working folder before PATH", words(u"cwdtool"_s, {}), 0, {u"%/W/cwdtool"_s}},
            {"shell characters stay literal",
             words(u"arj.exe"_s, u"a:\\$(touch${IFS}x);`id`|&\"'\n.arj ;rm"_s),
             0,
             {u"%/P/arj.exe"_s, u"%/floppy_a/$(touch${IFS}x);`id`|&\"'\n.arj"_s, u";rm"_s}},
            {"console, style 1; program folder, any case", words(u"ARJ.EXE"_s, u"a:\\..\\..\\"_s),
             1, xterm + QStringList {u"%/P/arj.exe"_s, u"%/floppy_a/"_s}},
            {"PATH, without .exe; console, style 2, never a lone word",
             words(u"pathtool.exe"_s, {}), 2,
             xterm + QStringList {u"/usr/bin/env"_s, u"%/B/pathtool"_s}},
            {"archive run: titled, through the companion, the archiver's words unchanged",
             secondDisk, 1,
             QStringList {u"%/B/xterm"_s, u"-T"_s,
                          u"Horbelung \u2013 Wiederherstellung Nokrat von A:, Diskette 2 von 3"_s}
                 + xterm.mid(3)
                 + QStringList {u"%/P/horbelung-console"_s, u"--summary"_s,
                                u"Wiederherstellung von NOKRAT, Diskette 2 von 3"_s}
                 + u"--disk 2/3 --restore id --drive A:=%/floppy_a/ --drive B:=%/floppy_b/ "
                   u"--drive C:=%/drive_c/ --drive Z:=/ -- %/P/arj.exe x %/floppy_a/NOKUhobe.a01 "
                   u"%/drive_c/DB/ -y"_s.split(u' ')},
            {"archive run without the companion", secondDisk, 1, {u"53"_s}, u"/B"_s, u"/W"_s},
            {"desktop console",
             words(u"arj.exe"_s, u"-y"_s),
             1,
             {u"%/X/x-terminal-emulator"_s, u"-T"_s, u"Horbelung"_s, u"-e"_s, u"%/P/arj.exe"_s,
              u"-y"_s},
             u"/X"_s},
            {"no program", words(u"  "_s, u"-y"_s), 1, {u"5"_s}},
            {"Windows path, not in PATH", words(u"C:\\pathtool.exe"_s, {}), 2, {u"53"_s}},
            {"not executable", words(u"plain.exe"_s, {}), 0, {u"53"_s}},
            {"no relative path", words(u"../W/cwdtool"_s, {}), 0, {u"53"_s}},
            {"unmapped argument drive", words(u"arj.exe"_s, u"Q:\\A.arj"_s), 0, {u"71"_s}},
            {"no console", words(u"cwdtool"_s, {}), 1, {u"53"_s}, u"/drive_c"_s},
            {"a program folder with a blank",
             words(u"C:\\Meine Programme\\arj.exe"_s, u"a"_s),
             0,
             {u"%/drive_c/Meine Programme/arj.exe"_s, u"a"_s}},
            {"no relative PATH entry", words(u"pathtool"_s, {}), 0, {u"53"_s}, u"B"_s},
            // Folders that share their first six letters: the run's own short
            // form means the folder the field named; one typed by hand, none.
            {"one short form, the folders of two fields",
             sameForm,
             0,
             {u"%/P/arj.exe"_s, u"x"_s, u"%/drive_c/Daten 2022/N.arj"_s,
              u"%/drive_c/Daten 2023/"_s}},
            {"the run's form without blanks",
             withoutBlanks,
             0,
             {u"%/P/arj.exe"_s, u"a"_s, u"%/floppy_a/N.arj"_s, u"%/drive_c/Daten Alt/c.mdb"_s}},
            {"a short form typed by hand",
             words(u"arj.exe"_s, u"x C:\\DATEN2~1\\ -y"_s),
             0,
             {u"76"_s}},
        };
        QTest::addColumn<launch::Command>("command");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("programs");
        QTest::addColumn<QStringList>("expected");
        for (const Row &row : rows)
            QTest::newRow(row.name)
                << row.command << row.style << row.path << row.programs << row.expected;
    }
    void launchFor()
    {
        QFETCH(launch::Command, command);
        QFETCH(int, style);
        QFETCH(QString, path);
        QFETCH(QString, programs);
        try {
            const auto launch = platform::launchFor(command, style,
                                                    {platform::DriveMap::atPrefix(home),
                                                     home + programs,
                                                     home + u"/W"_s,
                                                     path.startsWith(u'/') ? home + path : path,
                                                     {}});
            QStringList words = QStringList {launch.program} + launch.arguments;
            // Wide enough for the longest word and the archiver's text beside it.
            const qsizetype size = words.indexOf(u"-geometry"_s) + 1;
            if (size > 0) {
                qsizetype longest = 0;
                for (const QString &word : words.mid(words.indexOf(u"-e"_s)))
                    longest = std::max(longest, word.size());
                QVERIFY(words[size].section(u'x', 0, 0).toInt() >= longest + 60);
                words[size] = u"COLSx32"_s;
            }
            QTEST(words.replaceInStrings(home, u"%"_s), "expected");
        } catch (const rules::RuntimeError &e) {
            QTEST(QStringList {QString::number(e.number())}, "expected");
        }
    }

    // Detached, without a shell, in the working folder: the words reach the
    // console literally and nothing else runs.
    void startsWithoutShell()
    {
        platform::RealServices(platform::DriveMap::atPrefix(home), home + u"/P"_s, home + u"/W"_s)
            .shell({u"arj.exe"_s, {{u"a:\\`touch${IFS}pwned`$(touch${IFS}pwned)"_s}}}, 1);
        const auto args = [&] {
            QFile file(home + u"/W/args"_s);
            return file.open(QIODevice::ReadOnly) ? file.readAll().replace(home.toUtf8(), "%") : "";
        };
        QTRY_COMPARE_WITH_TIMEOUT(
            args().mid(args().indexOf("\n-e\n") + 4),
            "%/P/arj.exe\n%/floppy_a/`touch${IFS}pwned`$(touch${IFS}pwned)\n"_ba, 10000);
        QVERIFY(!QFile::exists(home + u"/W/pwned"_s));
    }
};

QTEST_GUILESS_MAIN(TstLauncher)
#include "tst_launcher.moc"
