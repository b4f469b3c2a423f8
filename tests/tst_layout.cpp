#include "app/horbelung.h"
#include "fakeservices.h"

#include <QScreen>
#include <QTest>
#include <QWindow>

#include <array>
#include <optional>

using namespace Qt::StringLiterals;
using platform::FormState;

namespace {

constexpr double minBreite = 11220;
constexpr double minHoehe = 8085;
// The inner size of the worked examples.
constexpr double beispielBreite = 11100;
constexpr double beispielHoehe = 7600;

enum Eigenschaft { Left, Top, Width, Height };

using Geometrie = std::array<double, 4>;

template<class Control> std::optional<Geometrie> lesen(QObject *object)
{
    if (auto *control = qobject_cast<Control *>(object))
        return Geometrie {control->leftTwips(), control->topTwips(), control->widthTwips(),
                          control->heightTwips()};
    return std::nullopt;
}

struct Groesse
{
    QStringView name;
    double width;
    double height;
};

// The sizes the worked examples assume for the controls that size themselves
// to their text in whatever font the system has.
constexpr std::array<Groesse, 7> beispielGroessen = {{
    {u"Label1", 8760, 360},
    {u"Label4", 8610, 240},
    {u"Label2", 5745, 360},
    {u"Label6", 5280, 300},
    {u"Label10", 2670, 300},
    {u"Label9", 5100, 240},
    {u"Label7", 2145, 315},
}};

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void anordnung_data();
    void anordnung();
    void mindestgroesse_data();
    void mindestgroesse();
    void maximiert_data();
    void maximiert();
    void platziert_data();
    void platziert();
    void minimiertBleibtLiegen();

private:
    Geometrie geometrie(const QString &name) const;
    void aussenGroesse(double width, double height);
    void seitenFuellenFenster() const;
    QScreen *aufBildschirm(const QString &name);

    std::optional<FakeServices> services;
    std::optional<Horbelung> fenster;
};

void TestLayout::init()
{
    services.emplace();
    fenster.emplace(*services);
    fenster->show();
    QVERIFY(QTest::qWaitForWindowExposed(&*fenster));
}

void TestLayout::cleanup()
{
    fenster.reset();
    services.reset();
}

Geometrie TestLayout::geometrie(const QString &name) const
{
    QObject *object = fenster->findChild<QObject *>(name);
    if (object == nullptr)
        qFatal("no control %s", qPrintable(name));
    for (const auto &g : {lesen<platform::VqsPanel>(object), lesen<platform::VqsOption>(object),
                          lesen<platform::VqsCheck>(object), lesen<platform::CommandButton>(object),
                          lesen<platform::Label>(object), lesen<platform::TextBox>(object)}) {
        if (g)
            return *g;
    }
    qFatal("%s has no twips geometry", qPrintable(name));
}

void TestLayout::aussenGroesse(double width, double height)
{
    fenster->setWidthTwips(width);
    fenster->setHeightTwips(height);
    QCoreApplication::processEvents();
}

QScreen *TestLayout::aufBildschirm(const QString &name)
{
    for (QScreen *screen : QGuiApplication::screens()) {
        if (screen->name() == name) {
            fenster->windowHandle()->setScreen(screen);
            fenster->move(screen->availableGeometry().topLeft());
            if (!QTest::qWaitFor([&] { return fenster->screen() == screen; }))
                qFatal("the window stays off screen %s", qPrintable(name));
            return screen;
        }
    }
    qFatal("no screen %s: run with screen-sizes.json", qPrintable(name));
}

void TestLayout::seitenFuellenFenster() const
{
    for (const QString &page : {u"Panel3D1"_s, u"Panel3D2"_s}) {
        const Geometrie g = geometrie(page);
        QCOMPARE(g, (Geometrie {0, 0, fenster->scaleWidthTwips(), fenster->scaleHeightTwips()}));
    }
}

// Each value as the worked examples give it for an inner size of 11100 by
// 7600, and how much of a change of the inner width and height it follows:
// 1 for what is anchored right or bottom or stretches, 0.5 for what is
// centred, 0 for what stays.
void TestLayout::anordnung_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("eigenschaft");
    QTest::addColumn<double>("wert");
    QTest::addColumn<double>("anteilBreite");
    QTest::addColumn<double>("anteilHoehe");

    const auto zeile = [](const char *name, int eigenschaft, double wert, double breite,
                          double hoehe) {
        QTest::addRow("%s %s", name, std::array {"left", "top", "width", "height"}[eigenschaft])
            << QString::fromLatin1(name) << eigenschaft << wert << breite << hoehe;
    };
    // Page 1
    zeile("Panel3D1", Width, 11100, 1, 0);
    zeile("Panel3D1", Height, 7600, 0, 1);
    zeile("Command3D12", Left, 9210, 1, 0);
    zeile("Command3D12", Top, 6445, 0, 1);
    zeile("Command3D10", Left, 7320, 1, 0);
    zeile("Command3D2", Left, 5430, 1, 0);
    zeile("Command3D3", Left, 3540, 1, 0);
    zeile("Command3D3", Top, 6445, 0, 1);
    zeile("Label1", Left, 1170, 0.5, 0);
    zeile("Label3", Width, 10650, 1, 0);
    zeile("Option3D7", Left, 225, 0, 0);
    zeile("VqsOption1", Left, 5775, 0.5, 0);
    zeile("VqsOption5", Top, 3930, 0, 0);
    zeile("Mh3dText2", Top, 4822.5, 0, 0);
    zeile("Mh3dText2", Width, 10117.5, 1, 0);
    zeile("Command1", Left, 10455, 1, 0);
    zeile("Label5", Top, 5467.5, 0, 0);
    zeile("Label5", Width, 10650, 1, 0);
    // Page 2
    zeile("Panel3D2", Width, 11100, 1, 0);
    zeile("Command3D4", Left, 5430, 1, 0);
    zeile("Command3D4", Top, 6445, 0, 1);
    zeile("Label9", Left, 217.5, 1, 0);
    zeile("Label9", Top, 7135, 0, 1);
    zeile("VqsPanel2", Left, 1642.5, 1, 0);
    zeile("VqsPanel2", Top, 3107.5, 0, 1);
    zeile("VqsPanel2", Height, 4380, 0, 0);
    zeile("Label2", Left, 2677.5, 0.5, 0);
    zeile("Option3D4", Top, 540, 0, 0);
    zeile("VqsCheck1", Left, 4665, 0, 0);
    zeile("Label7", Top, 540, 0, 0);
    zeile("Mh3dText3", Left, 6922.5, 0, 0);
    zeile("Mh3dText3", Top, 487.5, 0, 0);
    zeile("VqsPanel1", Width, 9885, 0, 0);
    zeile("VqsPanel1", Height, 907.5, 0, 0);
    zeile("Label8", Width, 10650, 1, 0);
    zeile("Mh3dLabel7", Top, 3712.5, 0, 0);
    zeile("Mh3dLabel7", Width, 7642.5, 1, 0);
    zeile("Mh3dText1", Top, 5325, 0, 0);
    zeile("Mh3dText1", Width, 7110, 1, 0);
    zeile("Command2", Left, 10455, 1, 0);
}

void TestLayout::anordnung()
{
    QFETCH(QString, control);
    QFETCH(int, eigenschaft);
    QFETCH(double, wert);
    QFETCH(double, anteilBreite);
    QFETCH(double, anteilHoehe);

    // Wider and higher than the minimum even with a frame, whole pixels.
    for (const auto &[breite, hoehe] :
         {std::pair {11400.0, 8400.0}, std::pair {11985.0, 8850.0}, std::pair {11985.0, 8400.0}}) {
        for (const Groesse &g : beispielGroessen) {
            auto *label = fenster->findChild<platform::Label *>(g.name.toString());
            label->setWidthTwips(g.width);
            label->setHeightTwips(g.height);
        }
        fenster->setScaleSizeTwips(breite, hoehe);
        QCoreApplication::processEvents();
        const double erwartet = wert + anteilBreite * (fenster->scaleWidthTwips() - beispielBreite)
            + anteilHoehe * (fenster->scaleHeightTwips() - beispielHoehe);
        QCOMPARE(geometrie(control)[eigenschaft], erwartet);
    }
}

void TestLayout::mindestgroesse_data()
{
    QTest::addColumn<double>("breite");
    QTest::addColumn<double>("hoehe");
    QTest::addColumn<double>("neueBreite");
    QTest::addColumn<double>("neueHoehe");

    QTest::newRow("too small both ways") << 10000.0 << 7000.0 << minBreite << minHoehe;
    QTest::newRow("only too narrow") << 10000.0 << 8700.0 << minBreite << 8700.0;
    QTest::newRow("only too low") << 11700.0 << 7005.0 << 11700.0 << minHoehe;
    QTest::newRow("one pixel short both ways") << 11205.0 << 8070.0 << minBreite << minHoehe;
    QTest::newRow("exactly the minimum") << minBreite << minHoehe << minBreite << minHoehe;
}

void TestLayout::mindestgroesse()
{
    QFETCH(double, breite);
    QFETCH(double, hoehe);
    QFETCH(double, neueBreite);
    QFETCH(double, neueHoehe);

    aussenGroesse(breite, hoehe);
    QCOMPARE(fenster->formState(), FormState::Normal);
    QCOMPARE(fenster->widthTwips(), neueBreite);
    QCOMPARE(fenster->heightTwips(), neueHoehe);
    seitenFuellenFenster();
}

// On each screen of screen-sizes.json the window is placed in its normal size
// and maximised. Where the screen is too narrow or too low for the minimum,
// it goes back to that normal size.
void TestLayout::maximiert_data()
{
    QTest::addColumn<QString>("bildschirm");
    QTest::addColumn<QSizeF>("normal"); // outer size, twips
    QTest::addColumn<bool>("bleibtMaximiert");

    const QSizeF gross(11400, 8400);
    QTest::newRow("big enough") << u"gross"_s << gross << true;
    QTest::newRow("640 x 480") << u"klein"_s << gross << false;
    QTest::newRow("640 x 480, from the minimum")
        << u"klein"_s << QSizeF(minBreite, minHoehe) << false;
    QTest::newRow("wide enough but too low") << u"breitFlach"_s << gross << false;
    QTest::newRow("high enough but too narrow") << u"schmalHoch"_s << gross << false;
}

void TestLayout::maximiert()
{
    QFETCH(QString, bildschirm);
    QFETCH(QSizeF, normal);
    QFETCH(bool, bleibtMaximiert);

    aufBildschirm(bildschirm);
    aussenGroesse(normal.width(), normal.height());
    fenster->setFormState(FormState::Maximized);
    QCoreApplication::processEvents();
    QCOMPARE(fenster->formState(), bleibtMaximiert ? FormState::Maximized : FormState::Normal);
    if (!bleibtMaximiert)
        QCOMPARE(QSizeF(fenster->widthTwips(), fenster->heightTwips()), normal);
    seitenFuellenFenster();
}

// The window of the minimum size placed on each screen: centred where it
// fits, its top-left corner on the screen's where it does not.
void TestLayout::platziert_data()
{
    QTest::addColumn<QString>("bildschirm");
    QTest::addColumn<QPoint>("ecke"); // the frame's top-left corner on that screen

    QTest::newRow("fits") << u"gross"_s << QPoint(266, 242);
    QTest::newRow("640 x 480") << u"klein"_s << QPoint(0, 0);
    QTest::newRow("too low") << u"breitFlach"_s << QPoint(266, 0);
    QTest::newRow("too narrow") << u"schmalHoch"_s << QPoint(0, 242);
}

void TestLayout::platziert()
{
    QFETCH(QString, bildschirm);
    QFETCH(QPoint, ecke);

    const QScreen *screen = aufBildschirm(bildschirm);
    aussenGroesse(minBreite, minHoehe);
    fenster->centreOnScreen();
    QTRY_COMPARE(fenster->frameGeometry().topLeft(), screen->availableGeometry().topLeft() + ecke);
}

void TestLayout::minimiertBleibtLiegen()
{
    aussenGroesse(11985, 8850);
    const Geometrie vorher = geometrie(u"Command3D12"_s);

    fenster->setFormState(FormState::Minimized);
    QCoreApplication::processEvents();
    aussenGroesse(10000, 7000);
    QCOMPARE(fenster->formState(), FormState::Minimized);
    QCOMPARE(fenster->widthTwips(), 10000.0);
    QCOMPARE(geometrie(u"Command3D12"_s), vorher);

    // Restoring runs a full pass again.
    fenster->setFormState(FormState::Normal);
    QCoreApplication::processEvents();
    QCOMPARE(fenster->widthTwips(), minBreite);
    QCOMPARE(fenster->heightTwips(), minHoehe);
    seitenFuellenFenster();
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
