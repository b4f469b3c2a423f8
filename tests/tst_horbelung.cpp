#include "app/horbelung.h"
#include "windowdriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestHorbelung : public QObject
{
    Q_OBJECT

    // hobe.ini as a start without a path file leaves it, and as "Verzeichnis sichern"
    // writes it after such a start.
    static inline const QByteArray standardDatei
        = "DBN = C:\\NOKRAT\\\r\nDBP = C:\\PELVIN\\\r\nDBD = C:\\DROMEL\\\r\nDBH = C:\\HUXTAL\\\r\n"
          "DBJ = C:\\JORVELGELD\\\r\nDBL = C:\\LUMBRIK\\\r\nDBM = C:\\MOVRETT\\\r\n"
          "DBO = C:\\OSPELINEN\\\r\nDBZ = C:\\ZELWARK\\\r\nDBV = C:\\VQSTAR\\\r\n";

    std::unique_ptr<FakeServices> services;
    std::unique_ptr<Horbelung> window;

    // The main window on a fresh recording fake, started with a path file or (null) without,
    // shown, then the steps between blanks: a control to click, "~X" to move the mouse over X,
    // "+X" to show X, "^X" to set the focus on X, "Alt+W" or "Space" pressed on the window, or
    // a keyword for tabFolge.
    void starten(const QString &folge = {}, const QByteArray &pfaddatei = standardDatei)
    {
        window.reset();
        services = std::make_unique<FakeServices>();
        if (!pfaddatei.isNull())
            services->writeFile(u"hobe.ini"_s, pfaddatei);
        window = std::make_unique<Horbelung>(*services);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QTest::mouseMove(window.get(), QPoint(0, 0)); // so a move over a control is a real one
        schritte(folge);
    }

    void schritte(const QString &folge)
    {
        for (const QString &wort : folge.split(u' ', Qt::SkipEmptyParts)) {
            if (wort.startsWith(u'+'))
                control(wort.sliced(1))->show();
            else if (wort.startsWith(u'~'))
                QTest::mouseMove(control(wort.sliced(1)), QPoint(4, 4));
            else if (wort.startsWith(u'^'))
                control(wort.sliced(1))->setFocus(Qt::TabFocusReason);
            else if (wort == u"Space")
                QTest::keyClick(window->windowHandle(), Qt::Key_Space);
            else if (wort.startsWith(u"Alt+")) {
                QTest::keyClick(window->windowHandle(), wort.back().toLatin1(), Qt::AltModifier);
                QTest::qWait(200); // the key animates the click
            } else if (auto *button = window->findChild<QAbstractButton *>(wort))
                button->click();
            else
                window->tabFolge(wort);
        }
    }

    QWidget *control(const QString &name) const { return window->findChild<QWidget *>(name); }

private slots:
    void startUp_data()
    {
        QTest::addColumn<QByteArray>("datei"); // null: no path file
        QTest::addColumn<QString>("feld");
        QTest::addColumn<QString>("boxes");

        QTest::newRow("path file") << "DBN = D:\\N\\\r\n"_ba << u"D:\\N\\"_s << QString();
        QTest::newRow("no path file") << QByteArray() << QString() << QString();
        QTest::newRow("Fehler Nr.62") << "\"DBN"_ba << QString() << u"box 0: Fehler Nr.62"_s;
    }

    void startUp()
    {
        QFETCH(QByteArray, datei);
        QFETCH(QString, feld);
        QFETCH(QString, boxes);

        starten({}, datei);
        QCOMPARE(services->boxes().join(u'|'), boxes);
        QCOMPARE(services->pointer, 0);

        // "&Weiter" copies the field once; behind page 2 neither it nor "&Schließen" take keys.
        for (const Qt::Key key : {Qt::Key_W, Qt::Key_W, Qt::Key_S}) {
            QTest::keyClick(window.get(), key, Qt::AltModifier);
            QTest::qWait(200); // the key animates the click
            control(u"Mh3dText2"_s)->setProperty("text", u"D:\\ANDERS\\"_s);
        }
        QCOMPARE(control(u"Mh3dText1"_s)->property("text").toString(), feld);
        QVERIFY(control(u"Panel3D2"_s)->isVisibleTo(window.get()) && window->isVisible());
    }

    // "&Weiter" takes the ticked row's code and name; "Verzeichnis sichern" stores the field
    // in that row's line, or shows the error and writes nothing.
    void chosenRow_data()
    {
        QTest::addColumn<QString>("wahl"); // option, code, name
        QTest::addColumn<QString>("feld");
        QTest::addColumn<int>("nr"); // the error number; 0: none
        QTest::addColumn<QByteArray>("zeile"); // the row's line afterwards

        // The backslash is added, after a blank too.
        QTest::newRow("row 8") << u"VqsOption4 OSP OSTRAK"_s << u"D:"_s << 0 << "DBO = D:\\"_ba;
        QTest::newRow("row 10") << u"VqsOption6 VQS- VQS"_s << u"D: "_s << 0 << "DBV = D: \\"_ba;
        QTest::newRow("Nr.5") << u"Option3D7 NOKU NOKRAT"_s << QString() << 5 << QByteArray();
        QTest::newRow("Nr.70") << u"Option3D6 PELU PELVIN"_s << u"D:"_s << 70 << QByteArray();
    }

    void chosenRow()
    {
        QFETCH(QString, wahl);
        QFETCH(QString, feld);
        QFETCH(int, nr);
        QFETCH(QByteArray, zeile);

        starten(wahl.section(u' ', 0, 0), QByteArray());
        control(u"Mh3dText2"_s)->setProperty("text", feld);
        schritte(u"Command3D10"_s);
        QCOMPARE(window->kuerzel() + u' ' + window->name(), wahl.section(u' ', 1));

        // The write fails with the error; an empty field has to fail before it.
        if (nr && !feld.isEmpty())
            services->writeFileErrors = {nr};
        schritte(u"Command3D7 Command3D2"_s);
        const QString box = u"box 0: C3D2 / Fehler Nr.%1"_s.arg(nr);
        QCOMPARE(services->boxes().join(u'|'), nr ? box : u"box 64: Der Pfad wurde gesichert."_s);
        QByteArrayList zeilen = standardDatei.split('\n');
        zeilen[qsizetype(rowOfOption(wahl.section(u' ', 0, 0)).value())] = zeile + '\r';
        QFile datei(services->workingDirectory() + u"/hobe.ini"_s);
        QCOMPARE(datei.open(QIODevice::ReadOnly) ? datei.readAll() : QByteArray(),
                 nr ? QByteArray() : zeilen.join('\n'));
    }

    // A floppy with one empty folder, highlighted, which "Verzeichnis löschen" removes, then the
    // steps as for starten, and "x" typed: those of Mh3dText3, Label7, VqsCheck1, Label9 and
    // Command3D4 that are shown, and where Tab leads from the focus on, until a stop comes again.
    // Keys go to what is seen: after a page switch or the panel opening or closing, the x never
    // reaches a control of the page behind. On page 2, ~Panel3D2 moves over the page's own
    // surface.
    void afterSteps_data() { addRecordedCases(u"horbelung.txt"_s); }

    void afterSteps()
    {
        QFETCH(QString, recorded);
        const RecordedCase recordedCase(recorded);
        starten();
        QVERIFY(QDir().mkpath(services->hostOf(u"A:\\LEER"_s)));
        auto *dir1 = window->findChild<controls::DirListBox *>(u"Dir1"_s);
        dir1->setPath(u"A:\\"_s);
        dir1->setListIndex(0);
        schritte(recordedCase.steps.join(u' '));
        QTest::keyClick(window->windowHandle(), 'x');
        for (const QLineEdit *feld : window->findChildren<QLineEdit *>())
            QVERIFY2(!feld->text().contains(u'x'), qPrintable(feld->objectName()));
        QVERIFY(control(u"Option3D7"_s)->property("checked").toBool());

        QString seen = u"shown:"_s;
        for (const QString &name :
             {u"Mh3dText3"_s, u"Label7"_s, u"VqsCheck1"_s, u"Label9"_s, u"Command3D4"_s}) {
            if (control(name)->isVisibleTo(window.get()))
                seen += u' ' + name;
        }
        QStringList stops;
        for (QWidget *focus = QApplication::focusWidget(); focus != nullptr;
             focus = QApplication::focusWidget()) {
            stops << focus->objectName();
            if (stops.count(stops.last()) > 1)
                break;
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        const QStringList shown {seen, u"tabs: "_s + stops.join(u' ')};
        QCOMPARE(shown, recordedCase.shown);
    }
};

QTEST_MAIN(TestHorbelung)
#include "tst_horbelung.moc"
