#include "platform/launcher.h"
#include "platform/realservices.h"
#include "rows.h"
#include "rules/archiverun.h"
#include "rules/runtimeerror.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A command, its window style, PATH and the program folder; runs.txt
// records what starts, a word a line ("%" for the sandbox, "COLS" for the
// console's width, "⏎" a line break in a word), or the error.
struct Launch
{
    const char *name;
    launch::Command command;
    int style;
    QString path = u"/B"_s;
    QString programs = u"/P"_s;
};

// The program, then the arguments split at blanks, then those that carry a folder.
launch::Command words(const QString &program, const QString &arguments = {},
                      const QList<launch::Argument> &carried = {})
{
    launch::Command command {program};
    for (const QString &word : arguments.split(u' ', Qt::SkipEmptyParts))
        command.arguments << launch::Argument {word};
    command.arguments << carried;
    return command;
}

} // namespace

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
        // The second of three floppies of a restore from A:, as the run makes it.
        using namespace archiverun;
        const Request restore(Mode::Restore, Target::DriveA, u"C:\\TOOLS"_s,
                              launch::Argument(u"A:\\"_s), launch::Argument(u"C:\\DB\\"_s),
                              u"NOKU"_s, u"NOKRAT"_s, true, u"3"_s, u"id"_s);
        const launch::Command secondDisk = plan(restore).at(1).command;
        // Folders that share their first six letters: the run's own short
        // form means the folder the field named; one typed by hand, none.
        const QList<launch::Argument> sameForm {
            {u"C:\\DATEN2~1\\N.arj"_s, u"C:\\DATEN2~1\\"_s, u"C:\\Daten 2022\\"_s},
            {u"C:\\DATEN2~1\\"_s, u"C:\\DATEN2~1\\"_s, u"C:\\daten 2023\\"_s}};
        const QList<launch::Argument> withoutBlanks {
            {u"C:\\DatenAlt\\*.mdb"_s, u"C:\\DatenAlt\\"_s, u"C:\\Daten Alt\\"_s}};
        addRows<Launch>({
            {"Windows path; paths, wildcards any case, a wildcard without match",
             words(u"c:\\progs\\tool.exe"_s, u"x a:\\X.arj C:\\db\\ C:\\DB\\*.mdb C:\\DB*.mdb"_s),
             0},
            {"working folder before PATH", words(u"cwdtool"_s), 0},
            {"shell characters stay literal",
             words(u"arj.exe"_s, u"a:\\$(touch${IFS}x);`id`|&\"'\n.arj ;rm"_s), 0},
            {"style 1 console; program folder, any case", words(u"ARJ.EXE"_s, u"a:\\..\\..\\"_s),
             1},
            {"PATH, without .exe; console, style 2, never a lone word", words(u"pathtool.exe"_s),
             2},
            {"archive run: titled, through the companion, the archiver's words unchanged",
             secondDisk, 1},
            {"archive run without the companion", secondDisk, 1, u"/B"_s, u"/W"_s},
            {"desktop console", words(u"arj.exe"_s, u"-y"_s), 1, u"/X"_s},
            {"no program", words(u"  "_s, u"-y"_s), 1},
            {"Windows path, not in PATH", words(u"C:\\pathtool.exe"_s), 2},
            {"not executable", words(u"plain.exe"_s), 0},
            {"no relative path", words(u"../W/cwdtool"_s), 0},
            {"unmapped argument drive", words(u"arj.exe"_s, u"Q:\\A.arj"_s), 0},
            {"no console", words(u"cwdtool"_s), 1, u"/drive_c"_s},
            {"a program folder with a blank", words(u"C:\\Meine Programme\\arj.exe"_s, u"a"_s), 0},
            {"no relative PATH entry", words(u"pathtool"_s), 0, u"B"_s},
            {"one short form, the folders of two fields", words(u"arj.exe"_s, u"x"_s, sameForm), 0},
            {"the run's form without blanks", words(u"arj.exe"_s, u"a a:\\N.arj"_s, withoutBlanks),
             0},
            {"a short form typed by hand", words(u"arj.exe"_s, u"x C:\\DATEN2~1\\ -y"_s), 0},
        });
    }
    void launchFor()
    {
        QFETCH(Launch, row);
        QStringList started;
        try {
            const QString path = row.path.startsWith(u'/') ? home + row.path : row.path;
            const auto launch = platform::launchFor(
                row.command, row.style,
                platform::LaunchContext(platform::DriveMap::atPrefix(home), home + row.programs,
                                        home + u"/W"_s, path, QString()));
            started = QStringList {launch.program} + launch.arguments;
            // Wide enough for the longest word and the archiver's text beside it.
            const qsizetype size = started.indexOf(u"-geometry"_s) + 1;
            if (size > 0) {
                qsizetype longest = 0;
                for (const QString &word : started.mid(started.indexOf(u"-e"_s)))
                    longest = std::max(longest, word.size());
                QVERIFY(started[size].section(u'x', 0, 0).toInt() >= longest + 60);
                started[size] = u"COLSx32"_s;
            }
        } catch (const rules::RuntimeError &e) {
            started = QStringList {QString::number(e.number())};
        }
        started.replaceInStrings(home, u"%"_s).replaceInStrings(u"\n"_s, u"⏎"_s);
        QCOMPARE(started.join(u'\n'),
                 recordedTexts(u"runs.txt"_s).value(QString::fromUtf8(row.name)));
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
