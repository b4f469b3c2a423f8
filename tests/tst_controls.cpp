#include "controls/controls.h"
#include "fakeservices.h"
#include "rules/runtimeerror.h"
#include "thrown.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QIcon>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using rules::RuntimeError;

class TestControls : public QObject
{
    Q_OBJECT
private slots:
    void twipsBecomePixelsByEdges_data()
    {
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("width");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("pixels");

        QTest::newRow("half pixel rounds up") << 217.5 << 5100.0 << 15 << 340;
        QTest::newRow("fractional width") << 225.0 << 10117.5 << 15 << 675;
        QTest::newRow("both edges on half pixels") << 217.5 << 112.5 << 15 << 7;
        QTest::newRow("negative half pixel") << -112.5 << 225.0 << -8 << 16;
    }

    void twipsBecomePixelsByEdges()
    {
        QFETCH(double, left);
        QFETCH(double, width);
        QFETCH(int, x);
        QFETCH(int, pixels);

        QWidget container;
        auto *label = new controls::Label(&container);
        auto *neighbour = new controls::TextBox(&container);
        label->setGeometryTwips(left, 0, width, 100);
        neighbour->setGeometryTwips(left + width, 0, 420, 420);
        QCOMPARE(label->x(), x);
        QCOMPARE(label->width(), pixels);
        QCOMPARE(label->widthTwips(), width);
        QCOMPARE(neighbour->x(), x + pixels); // no gap, no overlap

        // A change in pixels replaces the twips it was made from, and stays.
        label->resize(100, label->height());
        label->setTopTwips(7.5);
        QCOMPARE(label->widthTwips(), 1500.0);
        QCOMPARE(label->leftTwips(), left);
    }

    void optionsAreExclusivePerContainer()
    {
        QWidget page;
        QList<controls::VqsOption *> options;
        for (int i = 0; i < 3; ++i)
            options << new controls::VqsOption(&page);
        auto *inner = new controls::VqsOption(new controls::VqsPanel(&page));
        options.first()->setValue(true);
        inner->setValue(true);
        page.show();

        auto *target = options.last();
        QList<bool> valueAtClick;
        connect(target, &QAbstractButton::clicked, this, [&] { valueAtClick << target->value(); });
        for (int click = 0; click < 2; ++click) // the second one leaves it selected
            QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(6, target->height() / 2));
        QCOMPARE(valueAtClick, QList<bool>({true, true}));
        QVERIFY(!options.at(0)->value() && !options.at(1)->value());
        QVERIFY(inner->value());
    }

    void listsFollowTheirPath_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("error"); // 0: none
        QTest::addColumn<int>("changes");
        QTest::addColumn<QStringList>("entries"); // from the root down to the last subdirectory
        QTest::addColumn<int>("count");

        const QStringList daten = u"C:\\ C:\\DATEN C:\\DATEN\\ALT C:\\DATEN\\NEU"_s.split(u' ');
        const auto row = [](const char *name, const QString &path, int error, int changes,
                            const QStringList &entries, int count) {
            QTest::newRow(name) << path << error << changes << entries << count;
        };
        row("same directory written otherwise", u"c:\\DATEN\\"_s, 0, 0, daten, 2);
        row("bare drive is its root", u"a:"_s, 0, 1, {u"A:\\"_s, u"A:\\X"_s}, 1);
        row("empty directory", u"A:\\X"_s, 0, 1, {u"A:\\"_s, u"A:\\X"_s}, 0);
        row("missing directory", u"C:\\FEHLT"_s, RuntimeError::PathNotFound, 0, daten, 2);
        row("unmapped drive", u"q:\\"_s, RuntimeError::DiskNotReady, 0, daten, 2);
        row("no drive letter", u"\\\\server\\share"_s, RuntimeError::PathNotFound, 0, daten, 2);
        // B: led to the folder that holds the drives, which no floppy is.
        row("drive B: no floppy", u"b:\\"_s, RuntimeError::DiskNotReady, 0, daten, 2);
    }

    void listsFollowTheirPath()
    {
        QFETCH(QString, path);
        QFETCH(int, error);
        QFETCH(int, changes);
        QFETCH(QStringList, entries);
        QFETCH(int, count);

        FakeServices services;
        for (const QString &directory : {u"C:\\DATEN\\ALT"_s, u"C:\\DATEN\\NEU"_s, u"A:\\X"_s})
            QDir().mkpath(services.hostOf(directory));
        if (path.startsWith(u"b:")) {
            SKIP_ON_WINDOWS("drive B: is led elsewhere through the drive map");
            const QString b = services.driveEntry(u"b:"_s);
            QVERIFY(QFile::remove(b) && QFile::link(services.hostOf(u"C:\\"_s) + u".."_s, b));
            // Written as the user wrote it, too: the list writes B:.
            QCOMPARE(thrown([&] { services.subdirectories(path); }), error);
        }
        controls::DirListBox dir(services);
        dir.setPath(u"C:\\DATEN"_s);
        QSignalSpy changed(&dir, &controls::DirListBox::change);
        QCOMPARE(thrown([&] { dir.setPath(path); }), error);
        QCOMPARE(changed.count(), changes);

        const QString shown = entries.at(entries.size() - 1 - count);
        QCOMPARE(dir.path(), shown);
        QCOMPARE(dir.listIndex(), -1);
        QCOMPARE(dir.listCount(), count);
        QStringList listed; // with one index beyond either end
        for (int index = count - int(entries.size()) - 1; index <= count; ++index)
            listed << dir.list(index);
        QCOMPARE(listed, QStringList {QString()} + entries + QStringList {QString()});
    }

    void formSizesInTwips()
    {
        struct : controls::Form<QWidget>
        {
            int resizes = 0;
            void Form_Resize() override { ++resizes; }
        } form;
        form.setScaleSizeTwips(11100, 7612.5);
        QCOMPARE(form.size(), QSize(740, 508));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.resizes, 1); // the first showing

        form.resize(700, 508); // as by the user
        QTRY_COMPARE(form.resizes, 2);
        QCOMPARE(form.scaleWidthTwips(), 10500.0);
        QCOMPARE(form.scaleHeightTwips(), 7612.5);
    }

    void picturesStaySharp()
    {
        for (const QString &folder : {u":/pictures/"_s, u":/icons/"_s}) {
            const QStringList names = QDir(folder).entryList();
            QVERIFY(!names.isEmpty());
            for (const QString &name : names) {
                const QImage image = QIcon(folder + name).pixmap(QSize(32, 32), 2.0).toImage();
                QCOMPARE(image.size(), QSize(64, 64));
                QCOMPARE(image.pixelColor(0, 0).alpha(), 0); // the button colour shows through
                QVERIFY2(image.pixelColor(32, 32).alpha() > 0, qPrintable(name));
            }
        }
    }

    // "text, pasted or set = what the field holds"
    void textBoxHoldsOneLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("pasted");
        QTest::addColumn<QString>("kept");

        QTest::newRow("pasted path ending in a line break")
            << u"/home/anna/Daten\n"_s << true << u"/home/anna/Daten"_s;
        QTest::newRow("pasted with CR LF") << u"C:\\NOKRAT\\\r\n"_s << true << u"C:\\NOKRAT\\"_s;
        QTest::newRow("set with a break inside") << u"C:\\A\nB\\"_s << false << u"C:\\AB\\"_s;
        QTest::newRow("blanks stay") << u" C:\\A B\\ "_s << true << u" C:\\A B\\ "_s;
    }

    void textBoxHoldsOneLine()
    {
        QFETCH(QString, text);
        QFETCH(bool, pasted);
        QFETCH(QString, kept);

        controls::TextBox field;
        field.setText(u"X"_s);
        if (pasted) {
            field.selectAll();
            QGuiApplication::clipboard()->setText(text);
            field.paste();
        } else {
            field.setText(text);
        }
        QCOMPARE(field.text(), kept);
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
