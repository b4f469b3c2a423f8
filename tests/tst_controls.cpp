#include "fakeservices.h"
#include "platform/controls.h"
#include "platform/runtimeerror.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using platform::RuntimeError;

namespace {

// C:\DATEN with the subdirectories ALT and NEU and two files, A:\ with X
// and one file.
void makeExampleDisk(const FakeServices &services)
{
    for (const QString &directory : {u"C:\\DATEN\\ALT"_s, u"C:\\DATEN\\NEU"_s, u"A:\\X"_s})
        QDir().mkpath(services.hostOf(directory));
    for (const QString &file :
         {u"C:\\DATEN\\a.mdb"_s, u"C:\\DATEN\\b.mdb"_s, u"A:\\NOKUHOBE.ARJ"_s})
        QFile(services.hostOf(file)).open(QIODevice::WriteOnly);
}

class CountingForm : public platform::Form<QWidget>
{
public:
    int resizes = 0;

protected:
    void Form_Resize() override { ++resizes; }
};

template<class C> C *named(QWidget *parent, const QString &name)
{
    auto *control = new C(parent);
    control->setObjectName(name);
    return control;
}

QStringList tabWalk(QWidget *start, int steps)
{
    QStringList names;
    start->setFocus();
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        names << QApplication::focusWidget()->objectName();
    }
    return names;
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT
private slots:
    void twipsBecomePixelsByEdges_data();
    void twipsBecomePixelsByEdges();
    void pixelChangesReplaceTwips();
    void optionsAreExclusivePerContainer_data();
    void optionsAreExclusivePerContainer();
    void tabFollowsTabIndex_data();
    void tabFollowsTabIndex();
    void panelStacksAndCarriesChildren();
    void panelMouseMoveOnlyOverItsSurface();
    void labelSizesItselfToItsText();
    void accessKeyPressesButton();
    void dirListEntries_data();
    void dirListEntries();
    void dirListOpensOnDoubleClick();
    void failedSetPathKeepsOldPath_data();
    void failedSetPathKeepsOldPath();
    void fileListHighlight();
    void driveListChangesOnlyByUser();
    void formSizesInTwips();
    void picturesStaySharp();
};

void TestControls::twipsBecomePixelsByEdges_data()
{
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("pixels");

    QTest::newRow("whole pixels") << 780.0 << 2970.0 << 52 << 198;
    QTest::newRow("half pixel rounds up") << 217.5 << 5100.0 << 15 << 340;
    QTest::newRow("fractional width") << 225.0 << 10117.5 << 15 << 675;
    QTest::newRow("both edges on half pixels") << 217.5 << 112.5 << 15 << 7;
    QTest::newRow("negative half pixel") << -112.5 << 225.0 << -8 << 16;
    QTest::newRow("less than a pixel") << 7.5 << 7.0 << 1 << 0;
}

void TestControls::twipsBecomePixelsByEdges()
{
    QFETCH(double, left);
    QFETCH(double, width);
    QFETCH(int, x);
    QFETCH(int, pixels);

    QWidget container;
    auto *label = new platform::Label(&container);
    auto *neighbour = new platform::TextBox(&container);
    label->setGeometryTwips(0, 0, 100, 100);
    label->setLeftTwips(left);
    label->setWidthTwips(width);
    neighbour->setGeometryTwips(left + width, 0, 420, 420);
    QCOMPARE(label->x(), x);
    QCOMPARE(label->width(), pixels);
    QCOMPARE(label->leftTwips(), left);
    QCOMPARE(label->widthTwips(), width);
    QCOMPARE(neighbour->x(), x + pixels);
}

void TestControls::pixelChangesReplaceTwips()
{
    QWidget container;
    auto *box = new platform::TextBox(&container);
    box->setGeometryTwips(217.5, 112.5, 10117.5, 420);
    box->resize(100, box->height());
    QCOMPARE(box->widthTwips(), 1500.0);
    QCOMPARE(box->leftTwips(), 217.5);
    box->setTopTwips(7.5);
    QCOMPARE(box->widthTwips(), 1500.0);
}

void TestControls::optionsAreExclusivePerContainer_data()
{
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QList<bool>>("values");

    QTest::newRow("another option") << 2 << QList<bool> {false, false, true};
    QTest::newRow("the selected option stays") << 0 << QList<bool> {true, false, false};
}

void TestControls::optionsAreExclusivePerContainer()
{
    QFETCH(int, clicked);
    QFETCH(QList<bool>, values);

    QWidget window;
    auto *page = new platform::VqsPanel(&window);
    auto *group = new platform::VqsPanel(page);
    page->setGeometryTwips(0, 0, 6000, 3000);
    group->setGeometryTwips(3000, 0, 1500, 1500);
    QList<platform::VqsOption *> options;
    for (int i = 0; i < 3; ++i) {
        options << new platform::VqsOption(page);
        options.last()->setGeometryTwips(0, i * 450, 1500, 315);
    }
    auto *inner = new platform::VqsOption(group);
    new platform::VqsOption(group);
    options.first()->setValue(true);
    inner->setValue(true);
    window.show();

    QList<bool> valuesAtClick;
    platform::VqsOption *target = options.at(clicked);
    connect(target, &QAbstractButton::clicked, this, [&] { valuesAtClick << target->value(); });
    QTest::mouseClick(target, Qt::LeftButton, {}, QPoint(5, 5));

    QCOMPARE(valuesAtClick, QList<bool> {true});
    QList<bool> after;
    for (const platform::VqsOption *option : options)
        after << option->value();
    QCOMPARE(after, values);
    QVERIFY(inner->value());
}

void TestControls::tabFollowsTabIndex_data()
{
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QStringList>("stopsOff");
    QTest::addColumn<QStringList>("walk");

    const QStringList all {u"o1"_s, u"o2"_s, u"o3"_s, u"check"_s, u"text"_s, u"button"_s};
    QTest::newRow("every option is a stop")
        << all << QStringList() << QStringList {u"o2"_s, u"o3"_s, u"check"_s, u"text"_s};
    QTest::newRow("reordered across containers")
        << QStringList {u"button"_s, u"check"_s, u"o3"_s, u"o1"_s, u"text"_s} << QStringList()
        << QStringList {u"check"_s, u"o3"_s, u"o1"_s, u"text"_s, u"o2"_s};
    QTest::newRow("stops off are passed by")
        << all << QStringList {u"o2"_s, u"o3"_s}
        << QStringList {u"check"_s, u"text"_s, u"button"_s, u"o1"_s};
}

void TestControls::tabFollowsTabIndex()
{
    QFETCH(QStringList, order);
    QFETCH(QStringList, stopsOff);
    QFETCH(QStringList, walk);

    QWidget window;
    auto *panel = named<platform::VqsPanel>(&window, u"panel"_s);
    named<platform::CommandButton>(&window, u"button"_s);
    named<platform::TextBox>(panel, u"text"_s);
    named<platform::VqsCheck>(named<platform::VqsPanel>(panel, u"inner"_s), u"check"_s);
    for (int i = 1; i <= 3; ++i)
        named<platform::VqsOption>(panel, u"o%1"_s.arg(i))->setValue(i == 1);
    const auto find = [&](const QString &name) {
        return window.findChild<QWidget *>(name);
    };
    for (int i = 0; i < order.size(); ++i)
        platform::setTabIndexOf(*find(order.at(i)), i);
    for (const QString &name : stopsOff)
        qobject_cast<platform::VqsOption *>(find(name))->setTabStop(false);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QCOMPARE(tabWalk(find(order.first()), int(walk.size())), walk);
    QCOMPARE(qobject_cast<platform::VqsOption *>(find(u"o1"_s))->tabIndex(),
             int(order.indexOf(u"o1"_s)));
}

void TestControls::panelStacksAndCarriesChildren()
{
    QWidget window;
    auto *back = new platform::VqsPanel(&window);
    auto *front = new platform::VqsPanel(&window);
    auto *button = new platform::CommandButton(back);
    back->setGeometryTwips(150, 150, 3000, 3000);
    front->setGeometryTwips(150, 150, 3000, 3000);
    button->setGeometryTwips(150, 150, 1665, 930);
    window.show();
    QCOMPARE(window.childAt(15, 15), front);
    back->zOrder(0);
    QCOMPARE(window.childAt(15, 15), back);
    back->zOrder(1);
    QCOMPARE(window.childAt(15, 15), front);

    back->setLeftTwips(1500);
    QCOMPARE(button->mapTo(&window, QPoint(0, 0)), QPoint(110, 20));
    QVERIFY(button->isVisible());
    back->hide();
    QVERIFY(!button->isVisible());
}

void TestControls::panelMouseMoveOnlyOverItsSurface()
{
    QWidget window;
    window.resize(400, 300);
    auto *panel = new platform::VqsPanel(&window);
    panel->setGeometryTwips(0, 0, 6000, 4500);
    auto *label = new platform::Label(panel);
    label->setGeometryTwips(1500, 1500, 1500, 300);
    auto *button = new platform::CommandButton(panel);
    button->setGeometryTwips(3000, 3000, 1500, 900);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QSignalSpy panelMoves(panel, &platform::VqsPanel::mouseMove);
    QSignalSpy buttonMoves(button, &platform::CommandButton::mouseMove);

    QTest::mouseMove(&window, QPoint(120, 110)); // over the label
    QTest::mouseMove(&window, QPoint(210, 210)); // over the button
    QCOMPARE(panelMoves.count(), 0);
    QVERIFY(buttonMoves.count() > 0);
    QTest::mouseMove(&window, QPoint(20, 10));
    QCOMPARE(panelMoves.count(), 1);
    QCOMPARE(panelMoves.first().at(2).toDouble(), 300.0);
    QCOMPARE(panelMoves.first().at(3).toDouble(), 150.0);
}

void TestControls::labelSizesItselfToItsText()
{
    QWidget container;
    auto *fixed = new platform::Label(&container);
    auto *sizing = new platform::Label(&container);
    for (platform::Label *label : {fixed, sizing})
        label->setGeometryTwips(765, 225, 600, 360);
    sizing->setAutoSize(true);
    const QString caption = u"Die Diskette vor dem \"Start\" & löschen"_s;
    for (platform::Label *label : {fixed, sizing})
        label->setCaption(caption);

    QCOMPARE(fixed->widthTwips(), 600.0);
    QVERIFY(fixed->wordWrap());
    QCOMPARE(sizing->leftTwips(), 765.0);
    QCOMPARE(sizing->width(), sizing->sizeHint().width());

    const double before = sizing->widthTwips();
    sizing->setFont(platform::designFont(u"MS Sans Serif"_s, 12, true));
    QVERIFY(sizing->widthTwips() > before);
    QCOMPARE(sizing->height(), sizing->sizeHint().height());
}

void TestControls::accessKeyPressesButton()
{
    QWidget window;
    auto *field = new platform::TextBox(&window);
    QList<platform::CommandButton *> buttons;
    for (const QString &caption : {u"&Weiter"_s, u"Diskette löschen"_s}) {
        buttons << new platform::CommandButton(&window);
        buttons.last()->setCaption(caption);
    }
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QSignalSpy marked(buttons.at(0), &QAbstractButton::clicked);
    QSignalSpy unmarked(buttons.at(1), &QAbstractButton::clicked);
    QTest::keyClick(field, Qt::Key_W, Qt::AltModifier);
    QTest::keyClick(field, Qt::Key_D, Qt::AltModifier);
    QTest::qWait(250); // the shortcut animates the click
    QCOMPARE(marked.count(), 1);
    QCOMPARE(unmarked.count(), 0);
}

void TestControls::dirListEntries_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("entries"); // from the root down to the last subdirectory

    QTest::newRow("subdirectory") << u"c:\\DATEN\\"_s << u"C:\\DATEN"_s << 2
                                  << QStringList {u"C:\\"_s, u"C:\\DATEN"_s, u"C:\\DATEN\\ALT"_s,
                                                  u"C:\\DATEN\\NEU"_s};
    QTest::newRow("bare drive is its root")
        << u"a:"_s << u"A:\\"_s << 1 << QStringList {u"A:\\"_s, u"A:\\X"_s};
    QTest::newRow("empty directory")
        << u"A:\\X"_s << u"A:\\X"_s << 0 << QStringList {u"A:\\"_s, u"A:\\X"_s};
}

void TestControls::dirListEntries()
{
    QFETCH(QString, path);
    QFETCH(QString, shown);
    QFETCH(int, count);
    QFETCH(QStringList, entries);

    FakeServices services;
    makeExampleDisk(services);
    platform::DirListBox dir(services);
    dir.setPath(path);
    QCOMPARE(dir.path(), shown);
    QCOMPARE(dir.listIndex(), -1);
    QCOMPARE(dir.listCount(), count);
    const int first = count - int(entries.size());
    QStringList listed;
    for (int index = first; index < count; ++index)
        listed << dir.list(index);
    QCOMPARE(listed, entries);
    QCOMPARE(dir.list(-1), shown);
    QCOMPARE(dir.list(first - 1), QString());
    QCOMPARE(dir.list(count), QString());
    dir.setListIndex(first);
    QCOMPARE(dir.listIndex(), first);
    QCOMPARE(dir.path(), shown);
}

void TestControls::dirListOpensOnDoubleClick()
{
    FakeServices services;
    makeExampleDisk(services);
    platform::DirListBox dir(services);
    dir.resize(200, 300);
    dir.setPath(u"C:\\DATEN"_s);
    dir.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dir));
    QSignalSpy changes(&dir, &platform::DirListBox::change);

    const auto doubleClick = [&](int row) {
        const QPoint at = dir.visualItemRect(dir.item(row)).center();
        QTest::mouseClick(dir.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(dir.viewport(), Qt::LeftButton, {}, at);
    };
    doubleClick(2); // ALT
    QCOMPARE(dir.path(), u"C:\\DATEN\\ALT"_s);
    doubleClick(0); // the root
    QCOMPARE(dir.path(), u"C:\\"_s);
    QCOMPARE(dir.listIndex(), -1);
    QCOMPARE(changes.count(), 2);
    dir.setPath(u"c:\\"_s);
    QCOMPARE(changes.count(), 2);
}

void TestControls::failedSetPathKeepsOldPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<int>("error");

    QTest::newRow("missing directory") << u"C:\\FEHLT"_s << int(RuntimeError::PathNotFound);
    QTest::newRow("unmapped drive") << u"q:\\"_s << int(RuntimeError::DiskNotReady);
    QTest::newRow("no drive letter") << u"\\\\server\\share"_s << int(RuntimeError::PathNotFound);
}

void TestControls::failedSetPathKeepsOldPath()
{
    QFETCH(QString, path);
    QFETCH(int, error);

    FakeServices services;
    makeExampleDisk(services);
    platform::DirListBox dir(services);
    dir.setPath(u"C:\\DATEN"_s);
    QSignalSpy changes(&dir, &platform::DirListBox::change);
    try {
        dir.setPath(path);
        QFAIL("no error");
    } catch (const RuntimeError &thrown) {
        QCOMPARE(thrown.number(), error);
    }
    QCOMPARE(dir.path(), u"C:\\DATEN"_s);
    QCOMPARE(dir.listCount(), 2);
    QCOMPARE(changes.count(), 0);
}

void TestControls::fileListHighlight()
{
    FakeServices services;
    makeExampleDisk(services);
    platform::FileListBox file(services);
    file.setPath(u"C:\\DATEN\\"_s);
    QCOMPARE(file.listIndex(), -1);
    QCOMPARE(file.fileName(), QString());
    file.setListIndex(1);
    QCOMPARE(file.fileName(), u"b.mdb"_s);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, file.setPath(u"C:\\FEHLT"_s));
    QCOMPARE(file.path(), u"C:\\DATEN"_s);
    QFile::remove(services.hostOf(u"C:\\DATEN\\b.mdb"_s));
    file.refresh();
    QCOMPARE(file.listCount(), 1);
    QCOMPARE(file.listIndex(), -1);
    QCOMPARE(file.fileName(), QString());
}

void TestControls::driveListChangesOnlyByUser()
{
    FakeServices services;
    makeExampleDisk(services);
    QWidget window;
    auto *drive = new platform::DriveListBox(services, &window);
    QSignalSpy changes(drive, &platform::DriveListBox::change);
    drive->setDrive(u"C:\\TOOLS"_s);
    QCOMPARE(drive->drive(), u"c:"_s);
    QCOMPARE(changes.count(), 0);
    QVERIFY_THROWS_EXCEPTION(RuntimeError, drive->setDrive(u"q:\\"_s));
    QCOMPARE(drive->drive(), u"c:"_s);

    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    drive->setFocus();
    QTest::keyClick(drive, Qt::Key_Up);
    QCOMPARE(drive->drive(), u"b:"_s);
    QCOMPARE(changes.count(), 1);
}

void TestControls::formSizesInTwips()
{
    CountingForm form;
    form.setScaleSizeTwips(11100, 7612.5);
    QCOMPARE(form.size(), QSize(740, 508));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.resizes, 1); // the first showing
    QCOMPARE(form.scaleWidthTwips(), 11100.0);
    QCOMPARE(form.scaleHeightTwips(), 7612.5);

    form.resize(700, 508); // as by the user
    QTRY_COMPARE(form.resizes, 2);
    QCOMPARE(form.scaleWidthTwips(), 10500.0);
    QCOMPARE(form.scaleHeightTwips(), 7612.5);
    form.setWidthTwips(10000);
    QCOMPARE(form.widthTwips(), 10000.0);
    QCOMPARE(form.frameGeometry().width(), 667);

    const int before = form.resizes;
    form.setFormState(platform::FormState::Minimized);
    QTRY_COMPARE(form.formState(), platform::FormState::Minimized);
    QVERIFY(form.resizes > before);
}

void TestControls::picturesStaySharp()
{
    QStringList names;
    for (const QString &folder : {u":/pictures/"_s, u":/icons/"_s}) {
        for (const QString &name : QDir(folder).entryList())
            names << folder + name;
    }
    QCOMPARE(names.size(), 13);
    for (const QString &name : std::as_const(names)) {
        const QImage image = QIcon(name).pixmap(QSize(32, 32), 2.0).toImage();
        QCOMPARE(image.size(), QSize(64, 64));
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0); // the button colour shows through
        QVERIFY2(image.pixelColor(32, 32).alpha() > 0, qPrintable(name));
    }
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
