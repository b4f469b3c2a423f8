#include "app/pfadauswahl.h"
#include "windowdriver.h"

#include <QScreen>
#include <QWindow>

#include <optional>

using namespace Qt::StringLiterals;
using controls::FormState;

namespace {

QString n(double v)
{
    return QString::number(v, 'g', QLocale::FloatingPointShortest);
}

// A control's line: its name, left,top widthxheight in twips, then in
// pixels, and whether it shows.
template<class... Controls> QString zeile(const QWidget *widget, const QWidget &form)
{
    QString text;
    const auto lesen = [&](const auto *c) {
        const QRect p = c->geometry();
        text = u"%1 %2,%3 %4x%5 [%6,%7 %8x%9] %10"_s.arg(
            c->objectName(), n(c->leftTwips()), n(c->topTwips()), n(c->widthTwips()),
            n(c->heightTwips()), n(p.x()), n(p.y()), n(p.width()), n(p.height()),
            c->isVisibleTo(&form) ? u"visible"_s : u"hidden"_s);
    };
    ((qobject_cast<const Controls *>(widget) ? lesen(qobject_cast<const Controls *>(widget))
                                             : void()),
     ...);
    return text;
}

// Every control of a window in creation order, after a line with its outer
// and inner size in twips.
template<class Form> QStringList lage(const Form &form)
{
    QStringList zeilen {
        u"outer %1x%2 inner %3x%4"_s.arg(n(form.widthTwips()), n(form.heightTwips()),
                                         n(form.scaleWidthTwips()), n(form.scaleHeightTwips()))};
    using namespace controls;
    for (const QWidget *w : form.template findChildren<QWidget *>()) {
        const QString text = zeile<VqsPanel, VqsOption, VqsCheck, CommandButton, Label, TextBox,
                                   DriveListBox, DirListBox, FileListBox>(w, form);
        if (!text.isEmpty())
            zeilen << text;
    }
    return zeilen;
}

struct Zustand
{
    const char *name;
    QString bildschirm;
    double mehrBreite, mehrHoehe; // twips off the smallest outer size
    FormState zustand, ergebnis;
};

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

    std::optional<WindowDriver> d;

    QSizeF aussenGroesse(double width, double height)
    {
        d->window.setWidthTwips(width);
        d->window.setHeightTwips(height);
        QCoreApplication::processEvents();
        return {d->window.widthTwips(), d->window.heightTwips()};
    }

    QScreen *aufBildschirm(const QString &name)
    {
        for (QScreen *screen : QGuiApplication::screens()) {
            if (screen->name() == name) {
                d->window.windowHandle()->setScreen(screen);
                d->window.move(screen->availableGeometry().topLeft());
                if (!QTest::qWaitFor([&] { return d->window.screen() == screen; }))
                    qFatal("the window stays off screen %s", qPrintable(name));
                return screen;
            }
        }
        qFatal("no screen %s: run with screen-sizes.json", qPrintable(name));
    }

    void seitenFuellenFenster() const
    {
        for (const QString &page : {u"Panel3D1"_s, u"Panel3D2"_s}) {
            const auto *seite = d->control<controls::VqsPanel>(page);
            QCOMPARE(QRectF(seite->leftTwips(), seite->topTwips(), seite->widthTwips(),
                            seite->heightTwips()),
                     QRectF(0, 0, d->window.scaleWidthTwips(), d->window.scaleHeightTwips()));
        }
    }

private slots:
    void init() { d.emplace(); }
    void cleanup() { d.reset(); }

    // Each window laid out at a size, every control as recorded. The main
    // window at three inner sizes wider and higher than the smallest even
    // with a frame, its labels that size themselves to their text in
    // whatever font the system has at the sizes the worked examples assume:
    // what is anchored right or bottom or stretches follows each change of
    // the inner width and height, what is centred follows half of it, the
    // rest stays. The directory dialog asked for outer sizes: it keeps at
    // least its smallest one, and beyond it its buttons follow the
    // bottom-right corner, the drive list the bottom and both sides, the
    // directory list all four.
    void anordnung_data() { addRecordedCases(u"layout.txt"_s); }

    void anordnung()
    {
        QFETCH(QString, recorded);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        const QString fenster = name.section(u' ', 0, 0);
        const double breite = name.section(u' ', 1).section(u'x', 0, 0).toDouble();
        const double hoehe = name.section(u'x', -1).toDouble();
        QStringList zeilen;
        if (fenster == u"Pfadauswahl") {
            PfadAuswahl dialog(d->window, d->services);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.setWidthTwips(breite);
            dialog.setHeightTwips(hoehe);
            QCoreApplication::processEvents();
            zeilen = lage(dialog);
        } else {
            const std::pair<const char *, QSizeF> beispiele[]
                = {{"Label1", {8760, 360}}, {"Label4", {8610, 240}},  {"Label2", {5745, 360}},
                   {"Label6", {5280, 300}}, {"Label10", {2670, 300}}, {"Label9", {5100, 240}},
                   {"Label7", {2145, 315}}};
            for (const auto &[label, groesse] : beispiele) {
                auto *control = d->control<controls::Label>(QString::fromLatin1(label));
                control->setWidthTwips(groesse.width());
                control->setHeightTwips(groesse.height());
            }
            d->window.setScaleSizeTwips(breite, hoehe);
            QCoreApplication::processEvents();
            zeilen = lage(d->window);
        }
        QCOMPARE(zeilen, RecordedCase(recorded).shown);
    }

    // The window asked for an outer size off its smallest one, in its normal
    // state or maximised, on a screen of screen-sizes.json: it stays at or
    // above the smallest size in each direction on its own, and where the
    // screen is too narrow or too low for it a maximised window goes back to
    // its normal size. (The smallest size itself is platziert's.)
    void zustand_data()
    {
        using enum FormState;
        addRows<Zustand>({
            {"only too narrow", u"gross"_s, -1220, 615, Normal, Normal},
            {"only too low", u"gross"_s, 480, -1080, Normal, Normal},
            {"one pixel short both ways", u"gross"_s, -15, -15, Normal, Normal},
            {"maximised, big enough", u"gross"_s, 180, 315, Maximized, Maximized},
            {"maximised on 640 x 480", u"klein"_s, 180, 315, Maximized, Normal},
            {"maximised on 640 x 480, from the smallest size", u"klein"_s, 0, 0, Maximized, Normal},
            {"maximised, wide enough but too low", u"breitFlach"_s, 180, 315, Maximized, Normal},
            {"maximised, high enough but too narrow", u"schmalHoch"_s, 180, 315, Maximized, Normal},
        });
    }

    void zustand()
    {
        QFETCH(Zustand, row);
        aufBildschirm(row.bildschirm);
        const QSizeF kleinste = aussenGroesse(15, 15);
        const QSizeF normal
            = kleinste + QSizeF(std::max(row.mehrBreite, 0.0), std::max(row.mehrHoehe, 0.0));
        QCOMPARE(
            aussenGroesse(kleinste.width() + row.mehrBreite, kleinste.height() + row.mehrHoehe),
            normal);
        d->window.setFormState(row.zustand);
        QCoreApplication::processEvents();
        QCOMPARE(d->window.formState(), row.ergebnis);
        if (row.ergebnis == FormState::Normal)
            QCOMPARE(QSizeF(d->window.widthTwips(), d->window.heightTwips()), normal);
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
        d->window.centreOnScreen();
        QTRY_COMPARE(d->window.frameGeometry().topLeft(),
                     screen->availableGeometry().topLeft() + ecke);
    }

    void minimiertBleibtLiegen()
    {
        const QSizeF kleinste = aussenGroesse(15, 15);
        aussenGroesse(11985, 8850);
        const QStringList vorher = lage(d->window).mid(1);

        d->window.setFormState(FormState::Minimized);
        QCoreApplication::processEvents();
        QCOMPARE(aussenGroesse(10000, 7000).width(), 10000.0);
        QCOMPARE(d->window.formState(), FormState::Minimized);
        QCOMPARE(lage(d->window).mid(1), vorher);

        // Restoring runs a full pass again.
        d->window.setFormState(FormState::Normal);
        QCoreApplication::processEvents();
        QCOMPARE(QSizeF(d->window.widthTwips(), d->window.heightTwips()), kleinste);
        seitenFuellenFenster();
    }
};

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
