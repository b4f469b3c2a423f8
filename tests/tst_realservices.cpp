#include "platform/realservices.h"
#include "platform/runtimeerror.h"
#include "sandboxtree.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

using namespace Qt::StringLiterals;

class TstRealServices : public QObject
{
    Q_OBJECT

    QTemporaryDir sandbox;
    platform::RealServices services {platform::DriveMap::createPrefix(sandbox.path()),
                                     sandbox.filePath(u"drive_c/TOOLS"_s), sandbox.path()};

private slots:
    // "pattern to kill, or folder to remove (with its backslash) = error
    // number, then what went from the whole prefix"; links go as links, and
    // nothing is reached through them.
    void deletion_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const QString &row :
             {u"A:\\*.* = A.TXT NOKU.MDB b.mdb dead tofile"_s, u"a:\\*.MDB = NOKU.MDB b.mdb"_s,
              u"A:\\SUB\\*.* = SUB/inner.txt"_s, u"A:\\*.arj = 53"_s, u"A:\\todir = 53"_s,
              u"A:\\todir\\*.* = 75"_s, u"A:\\NOPE\\*.* = 76"_s, u"Q:\\*.* = 71"_s,
              u"A:\\empty\\ = EMPTY/"_s, u"A:\\todir\\ = todir"_s, u"A:\\SUB\\ = 75"_s,
              u"A:\\EMPTY\\..\\..\\ = 75"_s, u"A:\\NOPE\\ = 76"_s})
            QTest::newRow(qPrintable(row)) << row.split(u" = "_s);
    }
    void deletion()
    {
        QFETCH(QStringList, row);
        QVERIFY(QDir(sandbox.filePath(u"floppy_a"_s)).removeRecursively());
        sandboxtree::make(sandbox.filePath(u"floppy_a"_s),
                          {u"A.TXT"_s, u"b.mdb"_s, u"NOKU.MDB"_s, u"SUB/inner.txt"_s, u"EMPTY/"_s,
                           u"../drive_c/target.txt"_s, u"../drive_c/FOLDER/kept.txt"_s,
                           u"tofile -> ../drive_c/target.txt"_s, u"todir -> ../drive_c/FOLDER"_s,
                           u"dead -> ../drive_c/gone"_s});
        QStringList gone = sandboxtree::read(sandbox.path());
        QStringList outcome;
        try {
            row[0].endsWith(u'\\') ? services.rmDir(row[0]) : services.kill(row[0]);
        } catch (const platform::RuntimeError &e) {
            outcome << QString::number(e.number());
        }
        for (const QString &entry : sandboxtree::read(sandbox.path()))
            gone.removeOne(entry);
        outcome << gone.replaceInStrings(QRegularExpression(u"^floppy_a/| -> .*"_s), QString());
        QCOMPARE(outcome.join(u' '), row[1]);
    }

    // A write cut short by the file size limit, as by a full disk, leaves
    // the old file as it was.
    void writeFileIsAtomic()
    {
        const QByteArray old = "DBN = C:\\\xc4LT\\\r\n";
        services.writeFile(u"hobe.ini"_s, old);
        rlimit limit {};
        getrlimit(RLIMIT_FSIZE, &limit);
        const auto restore = qScopeGuard([&] { setrlimit(RLIMIT_FSIZE, &limit); });
        const rlimit small {8, limit.rlim_max};
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        QVERIFY_THROWS_EXCEPTION(std::exception, services.writeFile(u"hobe.ini"_s, old + old));
        QCOMPARE(services.readFile(u"hobe.ini"_s), old);
    }

    // Z: holds everything as well; C: is the closer drive.
    void appPath() { QCOMPARE(services.appPath(), u"C:\\TOOLS"_s); }

    // "pointers asked for, style, button clicked (-1: Escape) = QMessageBox::Icon,
    // buttons, answer, pointer over the main window". Over the box the pointer
    // stays the normal one, and the box is wide enough for the title bar.
    void msgBox_data()
    {
        QTest::addColumn<QStringList>("row");
        for (const QString &row :
             {u"- 0 0 = 0 OK 1 normal"_s, u"- 16 0 = 3 OK 1 normal"_s, u"- 48 0 = 2 OK 1 normal"_s,
              u"- 36 0 = 4 &Ja &Nein 6 normal"_s, u"- 36 1 = 4 &Ja &Nein 7 normal"_s,
              u"- 36 -1 = 4 &Ja &Nein 7 normal"_s, u"11 48 0 = 2 OK 1 busy"_s,
              u"11,11,0 48 0 = 2 OK 1 normal"_s, u"11,0,11 0 0 = 0 OK 1 busy"_s})
            QTest::newRow(qPrintable(row)) << row.split(u" = "_s);
    }
    void msgBox()
    {
        QFETCH(QStringList, row);
        const QStringList asked = row[0].split(u' ');
        QWidget window;
        services.setPointerWindow(&window);
        for (const QString &pointer : asked[0].split(u',', Qt::SkipEmptyParts))
            services.setMousePointer(pointer == u"-" ? 0 : pointer.toInt());
        const int click = asked[2].toInt();
        QStringList shown;
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            shown << QString::number(box->icon());
            for (QAbstractButton *button : box->buttons())
                shown << button->text();
            // Checked here, answered below: a box left open would hang the test.
            if (QApplication::overrideCursor() || box->cursor().shape() != Qt::ArrowCursor)
                shown << u"busy over the box"_s;
            // Title, icon, three title bar buttons and the frame.
            if (box->width() < box->fontMetrics().horizontalAdvance(box->windowTitle()) + 120)
                shown << u"too narrow for the title"_s;
            click < 0 ? QTest::keyClick(box, Qt::Key_Escape) : box->buttons().at(click)->click();
        });
        // The answer goes after what the box showed.
        shown << QString::number(services.msgBox(u"Frage"_s, asked[1].toInt()));
        shown << (window.cursor().shape() == Qt::WaitCursor ? u"busy"_s : u"normal"_s);
        QCOMPARE(shown.join(u' '), row[1]);
    }
};

QTEST_MAIN(TstRealServices)
#include "tst_realservices.moc"
