#include "platform/controls.h"
#include "platform/runtimeerror.h"
#include "platform/services.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace Qt::StringLiterals;
using platform::RuntimeError;

namespace {

// A disk of Windows directories served from a map: a missing directory is
// error 76, drive B: is not ready (71).
class MapServices : public platform::Services
{
public:
    struct Directory
    {
        QStringList subdirectories;
        QStringList files;
    };
    QMap<QString, Directory> disk;

    int msgBox(const QString &, int) override { return platform::MsgBox::Ok; }
    void beep() override { }
    void setMousePointer(int) override { }
    void doEvents() override { }
    QString appPath() const override { return u"C:\\TOOLS"_s; }
    void shell(const QString &, int) override { }
    void kill(const QString &) override { }
    void rmDir(const QString &) override { }
    QStringList drives() const override { return {u"a:"_s, u"b:"_s, u"c:"_s}; }
    QStringList subdirectories(const QString &directory) override
    {
        return find(directory).subdirectories;
    }
    QStringList files(const QString &directory) override { return find(directory).files; }
    QByteArray readFile(const QString &) override { return {}; }
    void writeFile(const QString &, const QByteArray &) override { }

private:
    const Directory &find(const QString &directory) const
    {
        if (directory.startsWith(u"B:"))
            throw RuntimeError(RuntimeError::DiskNotReady);
        const auto found = disk.find(directory);
        if (found == disk.end())
            throw RuntimeError(RuntimeError::PathNotFound);
        return *found;
    }
};

MapServices exampleDisk()
{
    MapServices services;
    services.disk[u"A:\\"_s] = {{u"X"_s}, {u"NOKUHOBE.ARJ"_s}};
    services.disk[u"A:\\X"_s] = {};
    services.disk[u"C:\\"_s] = {{u"DATEN"_s, u"TOOLS"_s}, {}};
    services.disk[u"C:\\DATEN"_s] = {{u"ALT"_s, u"NEU"_s}, {u"a.mdb"_s, u"b.mdb"_s}};
    services.disk[u"C:\\DATEN\\ALT"_s] = {};
    return services;
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

// The tab members of a control of any class.
struct TabHandle
{
    QWidget *widget = nullptr;
    std::function<int()> tabIndex;
    std::function<void(int)> setTabIndex;
    std::function<void(bool)> setTabStop;
};

template<class C> TabHandle handle(C *control)
{
    return {control, [control] { return control->tabIndex(); },
            [control](int index) { control->setTabIndex(index); },
            [control](bool on) {
                control->setTabStop(on);
            }};
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
    void neighboursMeet_data();
    void neighboursMeet();
    void pixelChangesReplaceTwips();
    void optionsAreExclusivePerContainer_data();
    void optionsAreExclusivePerContainer();
    void tabFollowsTabIndex_data();
    void tabFollowsTabIndex();
    void zOrderStacks();
    void panelCarriesItsChildren();
    void panelMouseMoveOnlyOverItsSurface();
    void labelSizesItselfToItsText();
    void accessKeyPressesButton_data();
    void accessKeyPressesButton();
    void dirListEntries_data();
    void dirListEntries();
    void dirListOpensOnDoubleClick();
    void failedSetPathKeepsOldPath_data();
    void failedSetPathKeepsOldPath();
    void fileListHighlight();
    void driveListChangesOnlyByUser();
    void formKeepsClientAreaInTwips();
    void formResizeRuns();
    void designFontsExist_data();
    void designFontsExist();
    void picturesStaySharp_data();
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
    QTest::newRow("negative half pixel") << -112.5 << 225.0 << -8 << 16;
    QTest::newRow("negative width is empty") << 300.0 << -30.0 << 20 << 0;
}

void TestControls::twipsBecomePixelsByEdges()
{
    QFETCH(double, left);
    QFETCH(double, width);
    QFETCH(int, x);
    QFETCH(int, pixels);

    QWidget container;
    auto *label = new platform::Label(&container);
    label->setGeometryTwips(0, 0, 100, 100);
    label->setLeftTwips(left);
    label->setWidthTwips(width);
    QCOMPARE(label->x(), x);
    QCOMPARE(label->width(), pixels);
    QCOMPARE(label->leftTwips(), left);
    if (pixels > 0)
        QCOMPARE(label->widthTwips(), width);
}

void TestControls::neighboursMeet_data()
{
    QTest::addColumn<double>("left");
    QTest::addColumn<double>("width");

    QTest::newRow("half pixels") << 217.5 << 112.5;
    QTest::newRow("third pixels") << 1642.5 << 5565.0 + 5.0;
    QTest::newRow("tiny width") << 7.5 << 7.0;
}

void TestControls::neighboursMeet()
{
    QFETCH(double, left);
    QFETCH(double, width);

    QWidget container;
    auto *first = new platform::TextBox(&container);
    auto *second = new platform::CommandButton(&container);
    first->setGeometryTwips(left, 0, width, 420);
    second->setGeometryTwips(left + width, 0, 420, 420);
    QCOMPARE(first->geometry().right() + 1, second->x());
}

void TestControls::pixelChangesReplaceTwips()
{
    QWidget container;
    auto *box = new platform::TextBox(&container);
    box->setGeometryTwips(217.5, 112.5, 10117.5, 420);
    box->resize(100, box->height());
    QCOMPARE(box->widthTwips(), 1500.0);
    QCOMPARE(box->leftTwips(), 217.5);
    QCOMPARE(box->topTwips(), 112.5);
    box->setTopTwips(7.5);
    QCOMPARE(box->widthTwips(), 1500.0);
}

void TestControls::optionsAreExclusivePerContainer_data()
{
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QList<bool>>("first");

    QTest::newRow("another option") << 2 << QList<bool> {false, false, true};
    QTest::newRow("the selected option stays") << 0 << QList<bool> {true, false, false};
}

void TestControls::optionsAreExclusivePerContainer()
{
    QFETCH(int, clicked);
    QFETCH(QList<bool>, first);

    QWidget window;
    auto *page = new platform::VqsPanel(&window);
    auto *group = new platform::VqsPanel(page);
    QList<platform::VqsOption *> options;
    for (int i = 0; i < 3; ++i) {
        options << new platform::VqsOption(page);
        options.last()->setGeometryTwips(0, i * 450, 1500, 315);
    }
    auto *inner = new platform::VqsOption(group);
    auto *innerOther = new platform::VqsOption(group);
    options.first()->setValue(true);
    inner->setValue(true);
    page->setGeometryTwips(0, 0, 6000, 3000);
    group->setGeometryTwips(3000, 0, 1500, 1500);
    window.show();

    QList<bool> valuesAtClick;
    connect(options.at(clicked), &QAbstractButton::clicked, this,
            [&] { valuesAtClick << options.at(clicked)->value(); });
    QTest::mouseClick(options.at(clicked), Qt::LeftButton, {}, QPoint(5, 5));

    QCOMPARE(valuesAtClick, QList<bool> {true});
    QList<bool> values;
    for (const platform::VqsOption *option : options)
        values << option->value();
    QCOMPARE(values, first);
    QVERIFY(inner->value());
    QVERIFY(!innerOther->value());
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
        << QStringList {u"check"_s, u"o3"_s, u"o1"_s, u"text"_s};
    QTest::newRow("stops off are passed by")
        << all << QStringList {u"o2"_s, u"text"_s}
        << QStringList {u"o3"_s, u"check"_s, u"button"_s, u"o1"_s};
}

void TestControls::tabFollowsTabIndex()
{
    QFETCH(QStringList, order);
    QFETCH(QStringList, stopsOff);
    QFETCH(QStringList, walk);

    QWidget window;
    auto *panel = named<platform::VqsPanel>(&window, u"panel"_s);
    QMap<QString, TabHandle> controls;
    controls.insert(u"button"_s, handle(named<platform::CommandButton>(&window, u"button"_s)));
    controls.insert(u"text"_s, handle(named<platform::TextBox>(panel, u"text"_s)));
    auto *inner = named<platform::VqsPanel>(panel, u"inner"_s);
    controls.insert(u"check"_s, handle(named<platform::VqsCheck>(inner, u"check"_s)));
    for (int i = 1; i <= 3; ++i) {
        auto *option = named<platform::VqsOption>(panel, u"o%1"_s.arg(i));
        option->setValue(i == 1);
        controls.insert(option->objectName(), handle(option));
    }
    for (int i = 0; i < order.size(); ++i)
        controls[order.at(i)].setTabIndex(i);
    for (const QString &name : stopsOff)
        controls[name].setTabStop(false);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    QCOMPARE(tabWalk(controls[order.first()].widget, int(walk.size())), walk);
    QCOMPARE(controls[u"o1"_s].tabIndex(), int(order.indexOf(u"o1"_s)));
}

void TestControls::zOrderStacks()
{
    QWidget container;
    auto *back = new platform::VqsPanel(&container);
    auto *front = new platform::VqsPanel(&container);
    back->setGeometryTwips(0, 0, 1500, 1500);
    front->setGeometryTwips(0, 0, 1500, 1500);
    QCOMPARE(container.childAt(5, 5), front);
    back->zOrder(0);
    QCOMPARE(container.childAt(5, 5), back);
    back->zOrder(1);
    QCOMPARE(container.childAt(5, 5), front);
}

void TestControls::panelCarriesItsChildren()
{
    QWidget window;
    auto *panel = new platform::VqsPanel(&window);
    auto *button = new platform::CommandButton(panel);
    panel->setGeometryTwips(150, 150, 3000, 3000);
    button->setGeometryTwips(150, 150, 1665, 930);
    window.show();
    QVERIFY(button->isVisible());
    panel->setLeftTwips(1500);
    QCOMPARE(button->mapTo(&window, QPoint(0, 0)), QPoint(110, 20));
    panel->hide();
    QVERIFY(!button->isVisible());
    QCOMPARE(button->leftTwips(), 150.0);
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
    QCOMPARE(sizing->caption(), caption);
    QCOMPARE(sizing->leftTwips(), 765.0);
    QCOMPARE(sizing->width(), sizing->sizeHint().width());
    QVERIFY(sizing->width() > fixed->width());

    const double before = sizing->widthTwips();
    sizing->setFont(platform::designFont(u"MS Sans Serif"_s, 12, true));
    QVERIFY(sizing->widthTwips() > before);
    QCOMPARE(sizing->height(), sizing->sizeHint().height());
}

void TestControls::accessKeyPressesButton_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("clicks");

    QTest::newRow("marked letter") << u"&Weiter"_s << 1;
    QTest::newRow("no access key") << u"Weiter"_s << 0;
}

void TestControls::accessKeyPressesButton()
{
    QFETCH(QString, caption);
    QFETCH(int, clicks);

    QWidget window;
    auto *field = new platform::TextBox(&window);
    auto *button = new platform::CommandButton(&window);
    button->setCaption(caption);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QSignalSpy spy(button, &QAbstractButton::clicked);
    QTest::keyClick(field, Qt::Key_W, Qt::AltModifier);
    QTest::qWait(250); // the shortcut animates the click
    QCOMPARE(spy.count(), clicks);
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

    MapServices services = exampleDisk();
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

    if (count > 0) {
        dir.setListIndex(0);
        QCOMPARE(dir.listIndex(), 0);
        QCOMPARE(dir.path(), shown);
    }
}

void TestControls::dirListOpensOnDoubleClick()
{
    MapServices services = exampleDisk();
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
    QTest::newRow("drive not ready") << u"b:\\"_s << int(RuntimeError::DiskNotReady);
    QTest::newRow("no drive letter") << u"\\\\server\\share"_s << int(RuntimeError::PathNotFound);
}

void TestControls::failedSetPathKeepsOldPath()
{
    QFETCH(QString, path);
    QFETCH(int, error);

    MapServices services = exampleDisk();
    platform::DirListBox dir(services);
    platform::FileListBox file(services);
    dir.setPath(u"C:\\DATEN"_s);
    file.setPath(u"C:\\DATEN"_s);
    QSignalSpy changes(&dir, &platform::DirListBox::change);

    for (const auto &setPath :
         {std::function([&] { dir.setPath(path); }), std::function([&] { file.setPath(path); })}) {
        try {
            setPath();
            QFAIL("no error");
        } catch (const RuntimeError &thrown) {
            QCOMPARE(thrown.number(), error);
        }
    }
    QCOMPARE(dir.path(), u"C:\\DATEN"_s);
    QCOMPARE(dir.listCount(), 2);
    QCOMPARE(file.path(), u"C:\\DATEN"_s);
    QCOMPARE(file.listCount(), 2);
    QCOMPARE(changes.count(), 0);
}

void TestControls::fileListHighlight()
{
    MapServices services = exampleDisk();
    platform::FileListBox file(services);
    file.setPath(u"C:\\DATEN\\"_s);
    QCOMPARE(file.listIndex(), -1);
    QCOMPARE(file.fileName(), QString());
    file.setListIndex(1);
    QCOMPARE(file.fileName(), u"b.mdb"_s);
    services.disk[u"C:\\DATEN"_s].files = QStringList {u"a.mdb"_s};
    file.refresh();
    QCOMPARE(file.listCount(), 1);
    QCOMPARE(file.listIndex(), -1);
    QCOMPARE(file.fileName(), QString());
}

void TestControls::driveListChangesOnlyByUser()
{
    MapServices services = exampleDisk();
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

void TestControls::formKeepsClientAreaInTwips()
{
    CountingForm form;
    form.setScaleSizeTwips(11100, 7612.5);
    QCOMPARE(form.size(), QSize(740, 508));
    QCOMPARE(form.scaleHeightTwips(), 7612.5);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.scaleWidthTwips(), 11100.0);
    QCOMPARE(form.widthTwips(), form.frameGeometry().width() * 15.0);

    form.resize(700, 508);
    QCOMPARE(form.scaleWidthTwips(), 10500.0);
    QCOMPARE(form.scaleHeightTwips(), 7612.5);
    form.setWidthTwips(10000);
    QCOMPARE(form.widthTwips(), 10000.0);
    QCOMPARE(form.frameGeometry().width(), 667);
}

void TestControls::formResizeRuns()
{
    CountingForm form;
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.resizes, 1);
    form.setScaleSizeTwips(6000, 6000);
    QCOMPARE(form.resizes, 2);
    form.setFormState(platform::FormState::Minimized);
    QTRY_COMPARE(form.formState(), platform::FormState::Minimized);
    QVERIFY(form.resizes >= 3);
    const int before = form.resizes;
    form.setFormState(platform::FormState::Normal);
    QTRY_VERIFY(form.resizes > before);
    QCOMPARE(form.formState(), platform::FormState::Normal);
}

void TestControls::designFontsExist_data()
{
    QTest::addColumn<QString>("face");
    QTest::addColumn<QFont::StyleHint>("kind");

    QTest::newRow("sans serif") << u"MS Sans Serif"_s << QFont::SansSerif;
    QTest::newRow("serif") << u"Times New Roman"_s << QFont::Serif;
}

void TestControls::designFontsExist()
{
    QFETCH(QString, face);
    QFETCH(QFont::StyleHint, kind);

    const QFont font = platform::designFont(face, 15.75, true, true);
    QCOMPARE(font.pointSizeF(), 15.75);
    QCOMPARE(font.weight(), QFont::Bold);
    QVERIFY(font.underline());
    QCOMPARE(font.styleHint(), kind);
    QCOMPARE(QFontInfo(font).family(), font.family());
}

void TestControls::picturesStaySharp_data()
{
    QTest::addColumn<QString>("name");
    for (const char *name :
         {":/pictures/schliessen.svg", ":/pictures/ordner.svg", ":/pictures/uebernehmen.svg",
          ":/pictures/weiter.svg", ":/pictures/zurueck.svg", ":/pictures/verzeichnis-sichern.svg",
          ":/pictures/diskette-pruefen.svg", ":/pictures/diskette-loeschen.svg",
          ":/pictures/sicherung-starten.svg", ":/pictures/verzeichnis-loeschen.svg",
          ":/pictures/datei-loeschen.svg", ":/icons/horbelung.svg", ":/icons/pfadauswahl.svg"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestControls::picturesStaySharp()
{
    QFETCH(QString, name);
    const QPixmap pixmap = QIcon(name).pixmap(QSize(32, 32), 2.0);
    QCOMPARE(pixmap.size(), QSize(64, 64));
    const QImage image = pixmap.toImage();
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0); // the button colour shows through
    QVERIFY(image.pixelColor(32, 32).alpha() > 0);
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
