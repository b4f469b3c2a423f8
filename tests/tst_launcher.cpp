#include "backup/archiverun.h"
#include "platform/launcher.h"
#include "platform/realservices.h"
#include "platform/runtimeerror.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

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
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("style");
        QTest::addColumn<QString>("path"); // PATH
        QTest::addColumn<QString>("programs"); // the program folder
        QTest::addColumn<bool>("archiveRun"); // with the notes of a restore from A:
        // Program and arguments, or the error; "COLS" for the console's width.
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QString>("longForm"); // "DOS form=long form|…" the run made, if any
        const auto row = [](const char *name, const QString &line, int style,
                            const QStringList &expected, const QString &path = u"/B"_s,
                            bool archiveRun = false, const QString &programs = u"/P"_s) {
            QTest::newRow(name) << line << style << path << programs << archiveRun << expected
                                << QString();
        };
        const auto runForms = [](const char *name, const QString &line, const QStringList &expected,
                                 const QString &longForm) {
            QTest::newRow(name) << line << 0 << u"/B"_s << u"/P"_s << false << expected << longForm;
        };
        const QStringList xterm {u"%/B/xterm"_s, u"-T"_s,      u"Horbelung"_s, u"-u8"_s,
                                 u"-geometry"_s, u"COLSx32"_s, u"-e"_s};
        const QStringList companion
            = QStringList {u"%/P/horbelung-console"_s, u"--summary"_s,
                           u"Wiederherstellung von NOKRAT, Diskette 2 von 3"_s}
            + u"--disk 2/3 --drive A:=%/floppy_a/ --drive B:=%/floppy_b/ --drive C:=%/drive_c/ "
              u"--drive Z:=/ --"_s.split(u' ');
        row("Windows path; paths, wildcards any case, a wildcard without match",
            u"c:\\progs\\tool.exe  x a:\\X.arj C:\\db\\ C:\\DB\\*.mdb C:\\DB*.mdb"_s, 0,
            {u"%/drive_c/PROGS/Tool.exe"_s, u"x"_s, u"%/floppy_a/X.arj"_s, u"%/drive_c/DB/"_s,
             u"%/drive_c/DB/NOKRAT.MDB"_s, u"%/drive_c/DB/pelvin.mdb"_s, u"%/drive_c/DB*.mdb"_s});
        row("working folder before PATH", u"cwdtool"_s, 0, {u"%/W/cwdtool"_s});
        row("shell characters stay literal", u"arj.exe a:\\$(touch${IFS}x);`id`|&\"'\n.arj ;rm"_s,
            0, {u"%/P/arj.exe"_s, u"%/floppy_a/$(touch${IFS}x);`id`|&\"'\n.arj"_s, u";rm"_s});
        row("console, style 1; program folder, any case", u"ARJ.EXE a:\\..\\..\\"_s, 1,
            xterm + QStringList {u"%/P/arj.exe"_s, u"%/floppy_a/"_s});
        row("PATH, without .exe; console, style 2, never a lone word", u"pathtool.exe"_s, 2,
            xterm + QStringList {u"/usr/bin/env"_s, u"%/B/pathtool"_s});
        row("archive run: titled, through the companion, the archiver's words unchanged",
            u"arj.exe x a:\\NOKUhobe.a01 C:\\DB\\ -y"_s, 1,
            QStringList {u"%/B/xterm"_s, u"-T"_s,
                         u"Horbelung \u2013 Wiederherstellung Nokrat von A:, Diskette 2 von 3"_s}
                + xterm.mid(3) + companion
                + QStringList {u"%/P/arj.exe"_s, u"x"_s, u"%/floppy_a/NOKUhobe.a01"_s,
                               u"%/drive_c/DB/"_s, u"-y"_s},
            u"/B"_s, true);
        row("archive run without the companion", u"arj.exe -y"_s, 1, {u"53"_s}, u"/B"_s, true,
            u"/W"_s);
        row("desktop console", u"arj.exe -y"_s, 1,
            {u"%/X/x-terminal-emulator"_s, u"-T"_s, u"Horbelung"_s, u"-e"_s, u"%/P/arj.exe"_s,
             u"-y"_s},
            u"/X"_s);
        row("empty", u"  "_s, 1, {u"5"_s});
        row("Windows path, not in PATH", u"C:\\pathtool.exe"_s, 2, {u"53"_s});
        row("not executable", u"plain.exe"_s, 0, {u"53"_s});
        row("no relative path", u"../W/cwdtool"_s, 0, {u"53"_s});
        row("unmapped argument drive", u"arj.exe Q:\\A.arj"_s, 0, {u"71"_s});
        row("no console", u"cwdtool"_s, 1, {u"53"_s}, u"/drive_c"_s);
        row("a program folder with a blank, beside a folder of its first word",
            u"C:\\Meine Programme\\arj.exe a a:\\X.arj"_s, 0,
            {u"%/drive_c/Meine Programme/arj.exe"_s, u"a"_s, u"%/floppy_a/X.arj"_s});
        row("no relative PATH entry", u"pathtool"_s, 0, {u"53"_s}, u"B"_s);
        // Folders that share their first six letters: the run's own short form
        // means the folder the field named; one typed by hand, none of them.
        runForms(
            "the run's short form", u"arj.exe x a:\\N.arj C:\\DATEN2~1\\ -y"_s,
            {u"%/P/arj.exe"_s, u"x"_s, u"%/floppy_a/N.arj"_s, u"%/drive_c/Daten 2023/"_s, u"-y"_s},
            u"C:\\DATEN2~1\\=C:\\daten 2023\\"_s);
        runForms("the run's form without blanks", u"arj.exe a a:\\N.arj C:\\DatenAlt\\*.mdb"_s,
                 {u"%/P/arj.exe"_s, u"a"_s, u"%/floppy_a/N.arj"_s, u"%/drive_c/Daten Alt/c.mdb"_s},
                 u"C:\\DatenAlt\\=C:\\Daten Alt\\"_s);
        runForms("one form made of two folders",
                 u"arj.exe x C:\\DATEN2~1\\N.arj C:\\DATEN2~1\\ -y"_s, {u"76"_s},
                 u"C:\\DATEN2~1\\=C:\\Daten 2023\\|C:\\DATEN2~1\\=C:\\Daten 2022\\"_s);
        row("a short form typed by hand", u"arj.exe x a:\\N.arj C:\\DATEN2~1\\ -y"_s, 0, {u"76"_s});
    }
    void launchFor()
    {
        QFETCH(QString, line);
        QFETCH(int, style);
        QFETCH(QString, path);
        QFETCH(QString, programs);
        QFETCH(bool, archiveRun);
        QFETCH(QString, longForm);
        platform::LaunchNotes notes;
        for (const QString &forms : longForm.split(u'|', Qt::SkipEmptyParts))
            notes.longForms << std::pair {forms.section(u'=', 0, 0), forms.section(u'=', 1)};
        if (archiveRun) { // what the run tells of the second of three floppies
            archiverun::Inputs restore;
            restore.mode = archiverun::Mode::Restore;
            restore.disk = 2;
            archiverun::describe(notes, restore, u"NOKRAT"_s, 3);
        }
        try {
            const auto launch = platform::launchFor(line, style,
                                                    {platform::DriveMap::atPrefix(home),
                                                     home + programs,
                                                     home + u"/W"_s,
                                                     path.startsWith(u'/') ? home + path : path,
                                                     {}},
                                                    notes);
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
        } catch (const platform::RuntimeError &e) {
            QTEST(QStringList {QString::number(e.number())}, "expected");
        }
    }

    // Detached, without a shell, in the working folder: the words reach the
    // console literally and nothing else runs.
    void startsWithoutShell()
    {
        platform::RealServices(platform::DriveMap::atPrefix(home), home + u"/P"_s, home + u"/W"_s)
            .shell(u"arj.exe a:\\`touch${IFS}pwned`$(touch${IFS}pwned)"_s, 1, {});
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
