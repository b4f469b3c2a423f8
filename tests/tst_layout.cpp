#include "app/horbelung.h"
#include "fakeservices.h"

#include <QScreen>
#include <QTest>
#include <QWindow>

#include <array>
#include <optional>

using namespace Qt::StringLiterals;
using controls::FormState;

namespace {

enum Eigenschaft { Left, Top, Width, Height };

using Geometrie = std::array<double, 4>;
using Werte = std::array<double, 4>; // Eigenschaft, then a value at each size

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

    std::optional<FakeServices> services;
    std::optional<Horbelung> fenster;

    Geometrie geometrie(const QString &name) const
    {
        QObject *object = fenster->findChild<QObject *>(name);
        if (object == nullptr)
            qFatal("no control %s", qPrintable(name));
        for (const auto &g :
             {lesen<controls::VqsPanel>(object), lesen<controls::VqsOption>(object),
              lesen<controls::VqsCheck>(object), lesen<controls::CommandButton>(object),
              lesen<controls::Label>(object), lesen<controls::TextBox>(object)}) {
            if (g)
                return *g;
        }
        qFatal("%s has no twips geometry", qPrintable(name));
    }

    QSizeF aussenGroesse(double width, double height)
    {
        fenster->setWidthTwips(width);
        fenster->setHeightTwips(height);
        QCoreApplication::processEvents();
        return {fenster->widthTwips(), fenster->heightTwips()};
    }

    QScreen *aufBildschirm(const QString &name)
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

    void seitenFuellenFenster() const
    {
        for (const QString &page : {u"Panel3D1"_s, u"Panel3D2"_s}) {
            QCOMPARE(geometrie(page),
                     (Geometrie {0, 0, fenster->scaleWidthTwips(), fenster->scaleHeightTwips()}));
        }
    }

private slots:
    void init()
    {
        services.emplace();
        fenster.emplace(*services);
        fenster->show();
        QVERIFY(QTest::qWaitForWindowExposed(&*fenster));
    }

    void cleanup()
    {
        fenster.reset();
        services.reset();
    }

    // The controls' geometry, recorded, at three inner sizes wider and
    // higher than the smallest even with a frame, in whole pixels: 11400 by
    // 8400, 11985 by 8850 and 11985 by 8400. What is anchored right or bottom
    // or stretches follows each change of the inner width and height, what
    // is centred follows half of it, the rest stays.
    void anordnung_data()
    {
        QTest::addColumn<QList<Werte>>("werte"); // each a property, then its values at each size
        const auto zeile = [](const char *name, const QList<Werte> &werte) {
            QTest::newRow(name) << werte;
        };
        // Page 1
        zeile("Command3D12", {{Left, 9510, 10095, 10095}, {Top, 7245, 7695, 7245}});
        zeile("Command3D10", {{Left, 7620, 8205, 8205}});
        zeile("Command3D2", {{Left, 5730, 6315, 6315}});
        zeile("Command3D3", {{Left, 3840, 4425, 4425}, {Top, 7245, 7695, 7245}});
        zeile("Label1", {{Left, 1320, 1612.5, 1612.5}});
        zeile("Label3", {{Width, 10950, 11535, 11535}});
        zeile("Option3D7", {{Left, 225, 225, 225}});
        zeile("VqsOption1", {{Left, 5925, 6217.5, 6217.5}});
        zeile("VqsOption5", {{Top, 3930, 3930, 3930}});
        zeile("Mh3dText2", {{Top, 4822.5, 4822.5, 4822.5}, {Width, 10417.5, 11002.5, 11002.5}});
        zeile("Command1", {{Left, 10755, 11340, 11340}});
        zeile("Label5", {{Top, 5467.5, 5467.5, 5467.5}, {Width, 10950, 11535, 11535}});
        // Page 2
        zeile("Command3D4", {{Left, 5730, 6315, 6315}, {Top, 7245, 7695, 7245}});
        zeile("Label9", {{Left, 517.5, 1102.5, 1102.5}, {Top, 7935, 8385, 7935}});
        zeile("VqsPanel2", {{Left, 1942.5, 2527.5, 2527.5}, {Top, 3907.5, 4357.5, 3907.5}});
        zeile("Label2", {{Left, 2827.5, 3120, 3120}});
        zeile("Option3D4", {{Top, 540, 540, 540}});
        zeile("VqsCheck1", {{Left, 4665, 4665, 4665}});
        zeile("Label7", {{Top, 540, 540, 540}});
        zeile("Mh3dText3", {{Left, 6922.5, 6922.5, 6922.5}, {Top, 487.5, 487.5, 487.5}});
        zeile("VqsPanel1", {{Width, 9885, 9885, 9885}, {Height, 907.5, 907.5, 907.5}});
        zeile("Label8", {{Width, 10950, 11535, 11535}});
        zeile("Mh3dLabel7", {{Top, 3712.5, 3712.5, 3712.5}, {Width, 7942.5, 8527.5, 8527.5}});
        zeile("Mh3dText1", {{Top, 5325, 5325, 5325}, {Width, 7410, 7995, 7995}});
        zeile("Command2", {{Left, 10755, 11340, 11340}});
    }

    void anordnung()
    {
        QFETCH(QList<Werte>, werte);
        for (int size = 0; size < 3; ++size) {
            for (const Groesse &g : beispielGroessen) {
                auto *label = fenster->findChild<controls::Label *>(g.name.toString());
                label->setWidthTwips(g.width);
                label->setHeightTwips(g.height);
            }
            fenster->setScaleSizeTwips(size == 0 ? 11400 : 11985, size == 1 ? 8850 : 8400);
            QCoreApplication::processEvents();
            for (const Werte &w : werte)
                QCOMPARE(geometrie(QString::fromLatin1(QTest::currentDataTag()))[int(w[0])],
                         w[size + 1]);
        }
    }

    // The window asked for an outer size off its smallest one by these twips, in
    // its normal state or maximised, on a screen of screen-sizes.json: it stays
    // at or above the smallest size in each direction on its own, and where the
    // screen is too narrow or too low for it a maximised window goes back to
    // its normal size. (The smallest size itself is platziert's.)
    void zustand_data()
    {
        QTest::addColumn<QString>("bildschirm");
        QTest::addColumn<double>("mehrBreite");
        QTest::addColumn<double>("mehrHoehe");
        QTest::addColumn<FormState>("zustand");
        QTest::addColumn<FormState>("ergebnis");

        QTest::newRow("only too narrow")
            << u"gross"_s << -1220.0 << 615.0 << FormState::Normal << FormState::Normal;
        QTest::newRow("only too low")
            << u"gross"_s << 480.0 << -1080.0 << FormState::Normal << FormState::Normal;
        QTest::newRow("one pixel short both ways")
            << u"gross"_s << -15.0 << -15.0 << FormState::Normal << FormState::Normal;
        QTest::newRow("maximised, big enough")
            << u"gross"_s << 180.0 << 315.0 << FormState::Maximized << FormState::Maximized;
        QTest::newRow("maximised on 640 x 480")
            << u"klein"_s << 180.0 << 315.0 << FormState::Maximized << FormState::Normal;
        QTest::newRow("maximised on 640 x 480, from the smallest size")
            << u"klein"_s << 0.0 << 0.0 << FormState::Maximized << FormState::Normal;
        QTest::newRow("maximised, wide enough but too low")
            << u"breitFlach"_s << 180.0 << 315.0 << FormState::Maximized << FormState::Normal;
        QTest::newRow("maximised, high enough but too narrow")
            << u"schmalHoch"_s << 180.0 << 315.0 << FormState::Maximized << FormState::Normal;
    }

    void zustand()
    {
        QFETCH(QString, bildschirm);
        QFETCH(double, mehrBreite);
        QFETCH(double, mehrHoehe);
        QFETCH(FormState, zustand);
        QFETCH(FormState, ergebnis);

        aufBildschirm(bildschirm);
        const QSizeF kleinste = aussenGroesse(15, 15);
        const QSizeF normal(kleinste.width() + std::max(mehrBreite, 0.0),
                            kleinste.height() + std::max(mehrHoehe, 0.0));
        QCOMPARE(aussenGroesse(kleinste.width() + mehrBreite, kleinste.height() + mehrHoehe),
                 normal);
        fenster->setFormState(zustand);
        QCoreApplication::processEvents();
        QCOMPARE(fenster->formState(), ergebnis);
        if (ergebnis == FormState::Normal)
            QCOMPARE(QSizeF(fenster->widthTwips(), fenster->heightTwips()), normal);
        seitenFuellenFenster();
    }

    // The window shrunk to its smallest size and placed on each screen: centred
    // where it fits, its top-left corner on the screen's where it does not. The
    // corners tell the smallest size too: 748 by 539 pixels, within one.
    void platziert_data()
    {
        QTest::addColumn<QString>("bildschirm");
        QTest::addColumn<QPoint>("ecke"); // the frame's top-left corner on that screen

        QTest::newRow("fits") << u"gross"_s << QPoint(266, 242);
        QTest::newRow("640 x 480") << u"klein"_s << QPoint(0, 0);
        QTest::newRow("too low") << u"breitFlach"_s << QPoint(266, 0);
        QTest::newRow("too narrow") << u"schmalHoch"_s << QPoint(0, 242);
    }

    void platziert()
    {
        QFETCH(QString, bildschirm);
        QFETCH(QPoint, ecke);

        const QScreen *screen = aufBildschirm(bildschirm);
        aussenGroesse(15, 15);
        fenster->centreOnScreen();
        QTRY_COMPARE(fenster->frameGeometry().topLeft(),
                     screen->availableGeometry().topLeft() + ecke);
    }

    void minimiertBleibtLiegen()
    {
        const QSizeF kleinste = aussenGroesse(15, 15);
        aussenGroesse(11985, 8850);
        const Geometrie vorher = geometrie(u"Command3D12"_s);

        fenster->setFormState(FormState::Minimized);
        QCoreApplication::processEvents();
        QCOMPARE(aussenGroesse(10000, 7000).width(), 10000.0);
        QCOMPARE(fenster->formState(), FormState::Minimized);
        QCOMPARE(geometrie(u"Command3D12"_s), vorher);

        // Restoring runs a full pass again.
        fenster->setFormState(FormState::Normal);
        QCoreApplication::processEvents();
        QCOMPARE(QSizeF(fenster->widthTwips(), fenster->heightTwips()), kleinste);
        seitenFuellenFenster();
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
