#include "app/horbelung.h"
#include "fakeservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// hobe.ini as a start without a path file leaves it.
const QByteArray standardDatei
    = "DBN = C:\\NOKRAT\\\r\nDBP = C:\\PELVIN\\\r\nDBD = C:\\DROMEL\\\r\nDBH = C:\\HUXTAL\\\r\n"
      "DBJ = C:\\JORVELGELD\\\r\nDBL = C:\\LUMBRIK\\\r\nDBM = C:\\MOVRETT\\\r\n"
      "DBO = C:\\OSPELINEN\\\r\nDBZ = C:\\ZELWARK\\\r\nDBV = C:\\VQSTAR\\\r\n";

QStringList worte(const char *text)
{
    return QString::fromUtf8(text).split(u' ', Qt::SkipEmptyParts);
}

// The main window on the recording fake, started with a path file or (null) without.
struct Fenster
{
    explicit Fenster(const QByteArray &pfaddatei = QByteArray())
    {
        QFile file(services.workingDirectory() + u"/hobe.ini"_s);
        if (!pfaddatei.isNull() && file.open(QIODevice::WriteOnly))
            file.write(pfaddatei);
        file.close();
        window = std::make_unique<Horbelung>(services);
    }

    void zeigen() const
    {
        window->show();
        QApplication::setActiveWindow(window.get());
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    template<class T = QWidget> T *control(const QString &name) const
    {
        auto *found = window->findChild<T *>(name);
        if (!found)
            qFatal("no control %s", qPrintable(name));
        return found;
    }

    // Options on their mark, buttons in their middle.
    void klick(const QString &name) const
    {
        auto *button = control<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {},
                          button->isCheckable() ? QPoint(6, button->height() / 2)
                                                : button->rect().center());
    }

    QString feld(const QString &name) const { return control<QLineEdit>(name)->text(); }
    bool sichtbar(const QString &name) const { return control(name)->isVisibleTo(window.get()); }

    QByteArray pfaddatei() const
    {
        QFile file(services.workingDirectory() + u"/hobe.ini"_s);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    FakeServices services;
    std::unique_ptr<Horbelung> window;
};

} // namespace

class TestHorbelung : public QObject
{
    Q_OBJECT
private slots:
    void opensAsDesigned()
    {
        Fenster f(standardDatei);
        QStringList ticked; // one per group
        for (auto *option : f.window->findChildren<platform::VqsOption *>())
            if (option->value())
                ticked << option->objectName();
        ticked.sort();
        QCOMPARE(ticked, worte("Option3D1 Option3D3 Option3D7"));
        QCOMPARE(f.control<platform::VqsCheck>(u"VqsCheck1"_s)->value(), 1);

        QVERIFY(f.sichtbar(u"Panel3D1"_s) && !f.sichtbar(u"Panel3D2"_s));
        auto *panel2 = f.control(u"VqsPanel2"_s);
        for (auto *page : {f.control(u"Panel3D1"_s), f.control(u"Panel3D2"_s)})
            for (const QWidget *control : page->findChildren<QWidget *>()) {
                if (!control->objectName().startsWith(u"qt_") && !panel2->isAncestorOf(control))
                    QCOMPARE(control->isVisibleTo(page),
                             !worte("VqsPanel2 Mh3dText3 Label7 Label9")
                                  .contains(control->objectName()));
            }

        for (auto *button : f.window->findChildren<platform::CommandButton *>())
            QVERIFY2(!button->icon().pixmap(16).isNull(), qPrintable(button->objectName()));
        QVERIFY(!f.window->windowIcon().pixmap(16).isNull());

        QStringList keys; // exactly three captions have an access key
        for (auto *button : f.window->findChildren<QAbstractButton *>())
            keys << QKeySequence::mnemonic(button->text()).toString();
        keys.removeAll(QString());
        keys.sort();
        QCOMPARE(keys, worte("Alt+S Alt+W Alt+Z"));
    }

    void trickyCaptions_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("caption");

        QTest::newRow("A:") << u"Option3D1"_s
                            << u"Laufwerk A:\\  ( Diskette 3 1/2\", 1.44 MB HD )"_s;
        QTest::newRow("B:") << u"Option3D2"_s
                            << u"Laufwerk B:\\  ( Diskette 5 1/4\", 1.20 MB HD )"_s;
        QTest::newRow("old spelling")
            << u"Label3"_s
            << u"Sie müssen die zu wiederherstellende Datenbank schließen, bevor sie "
               u"zurückgesichert werden kann. In einer Mehrbenutzerumgebung müssen Sie "
               u"darüberhinaus sicherstellen, daß alle anderen Benutzer die Datenbank auch "
               u"geschlossen haben."_s;
        QTest::newRow("quotes")
            << u"Label8"_s
            << u"Wählen Sie das gewünschte Laufwerk der Horbelung aus und starten "
               u"Sie die Sicherung mit Hilfe des Schalters \"Sicherung starten\"."_s;
    }

    void trickyCaptions()
    {
        QFETCH(QString, control);
        QFETCH(QString, caption);
        QCOMPARE(Fenster().control(control)->property("text").toString(), caption);
    }

    void accessKeysReachOnlyThePageInFront()
    {
        Fenster f(standardDatei);
        f.zeigen();
        // An access key presses its button with a short animation before the click.
        const auto alt = [&f](Qt::Key key) {
            QTest::keyClick(f.window.get(), key, Qt::AltModifier);
            QTest::qWait(200);
        };
        alt(Qt::Key_W);
        QVERIFY(f.sichtbar(u"Panel3D2"_s) && !f.sichtbar(u"Panel3D1"_s));

        f.control<QLineEdit>(u"Mh3dText1"_s)->setText(u"D:\\ANDERS\\"_s);
        alt(Qt::Key_W); // "&Weiter" lies behind and must not copy again,
        alt(Qt::Key_S); // nor "&Schließen" close the window
        QCOMPARE(f.feld(u"Mh3dText1"_s), u"D:\\ANDERS\\"_s);
        QVERIFY(f.window->isVisible());
    }

    void startUp_data()
    {
        QTest::addColumn<QByteArray>("datei"); // null: no path file
        QTest::addColumn<QString>("feld");
        QTest::addColumn<QString>("row10");
        QTest::addColumn<QStringList>("boxes");

        const QString vqs = u"C:\\VQSTAR\\"_s;
        QTest::newRow("no path file") << QByteArray() << QString() << vqs << QStringList();
        QTest::newRow("row 1") << QByteArray("DBN = D:\\N\\\r\n") << u"D:\\N\\"_s << vqs
                               << QStringList();
        QTest::newRow("row 10") << QByteArray("DBV = D:\\V\\\r\n") << u"C:\\NOKRAT\\"_s
                                << u"D:\\V\\"_s << QStringList();
        QTest::newRow("Windows-1252")
            << QByteArray("DBN = C:\\M\xdcLLER\\\r\n") << u"C:\\MÜLLER\\"_s << vqs << QStringList();
        QTest::newRow("unclosed quote keeps what was read")
            << QByteArray("DBV = D:\\V\\\r\n\"DBN = C:\\Y\\\r\n") << QString() << u"D:\\V\\"_s
            << QStringList(u"box 0: Fehler Nr.62"_s);
    }

    void startUp()
    {
        QFETCH(QByteArray, datei);
        QFETCH(QString, feld);
        QFETCH(QString, row10);
        QFETCH(QStringList, boxes);

        Fenster f(datei);
        QCOMPARE(f.feld(u"Mh3dText2"_s), feld);
        QCOMPARE(f.window->pfade()[9], row10);
        QCOMPARE(f.services.boxes(), boxes);
        QCOMPARE(f.services.log.first(), u"pointer 11"_s);
        QCOMPARE(f.services.pointer, 0);
        QVERIFY(f.sichtbar(u"Panel3D1"_s) && !f.sichtbar(u"Panel3D2"_s));
    }

    void chosenRow_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("verzeichnis");
        QTest::addColumn<QString>("kuerzel");
        QTest::addColumn<QString>("name");

        QTest::newRow("row 1, ticked already")
            << u"Option3D7"_s << u"C:\\NOKRAT\\"_s << u"NOKU"_s << u"NOKRAT"_s;
        QTest::newRow("row 5") << u"VqsOption1"_s << u"C:\\JORVELGELD\\"_s << u"QEL"_s
                               << u"JORVEL"_s;
        QTest::newRow("row 8") << u"VqsOption4"_s << u"C:\\OSPELINEN\\"_s << u"OSP"_s
                               << u"OSTRAK"_s;
        QTest::newRow("row 10") << u"VqsOption6"_s << u"C:\\VQSTAR\\"_s << u"VQS-"_s << u"VQS"_s;
    }

    void chosenRow()
    {
        QFETCH(QString, option);
        QFETCH(QString, verzeichnis);
        QFETCH(QString, kuerzel);
        QFETCH(QString, name);

        Fenster f; // without a path file: the defaults, and an empty field
        f.klick(option);
        QCOMPARE(f.feld(u"Mh3dText2"_s), verzeichnis);
        f.control<QLineEdit>(u"Mh3dText2"_s)->setText(u"D:\\GETIPPT\\"_s);
        f.klick(u"Command3D10"_s);
        QCOMPARE(f.window->kuerzel(), kuerzel);
        QCOMPARE(f.window->name(), name);
        QCOMPARE(f.control<QLabel>(u"Mh3dLabel7"_s)->text(), u"D:\\GETIPPT\\"_s);
        QCOMPARE(f.feld(u"Mh3dText1"_s), u"D:\\GETIPPT\\"_s);
        QVERIFY(f.sichtbar(u"Panel3D2"_s) && !f.sichtbar(u"Panel3D1"_s));

        // "&Zurück", "&Weiter" copy the field over whatever page 2 held; nothing is stored.
        f.control<QLineEdit>(u"Mh3dText1"_s)->setText(u"E:\\ANDERS\\"_s);
        f.klick(u"Command3D7"_s);
        f.klick(u"Command3D10"_s);
        QCOMPARE(f.feld(u"Mh3dText1"_s), u"D:\\GETIPPT\\"_s);
        QVERIFY(f.pfaddatei().isNull());
    }

    void pageTwoVisibility_data()
    {
        // Steps after "&Weiter": an option to click, "hover" over "Diskette löschen"
        // or "surface" of page 2. Shown: Mh3dText3 + Label7, VqsCheck1, Label9, Command3D4.
        QTest::addColumn<QStringList>("schritte");
        QTest::addColumn<QString>("gezeigt");

        const auto row = [](const char *schritte, const char *gezeigt) {
            QTest::newRow(*schritte ? schritte : "design")
                << worte(schritte) << QString::fromUtf8(gezeigt);
        };
        row("", "0101");
        row("Option3D3", "0101");
        row("hover", "0111");
        row("hover surface", "0101");
        row("hover Option3D4", "1000");
        row("Option3D4 Option3D5", "0000");
        row("Option3D5 Option3D4", "0000");
        row("Option3D4 Option3D5 Option3D1", "1000");
        row("Option3D4 Option3D2", "1000");
        row("Option3D4 Option3D3", "0101");
        row("hover Option3D5", "0100");
        row("hover Option3D3", "0111");
        row("Option3D5 Option3D3", "0100");
        row("Option3D5 Option3D3 Option3D2", "0101");
    }

    void pageTwoVisibility()
    {
        QFETCH(QStringList, schritte);
        QFETCH(QString, gezeigt);

        Fenster f(standardDatei);
        f.zeigen();
        f.klick(u"Command3D10"_s);
        for (const QString &schritt : schritte) {
            if (schritt != u"hover" && schritt != u"surface") {
                f.klick(schritt);
                continue;
            }
            // Only a real move counts, and the cursor may already rest there.
            auto *over = f.control(schritt == u"hover" ? u"Command3D4"_s : u"Panel3D2"_s);
            QTest::mouseMove(over, QPoint(3, 3));
            QTest::mouseMove(over, QPoint(4, 4));
        }
        QString seen;
        for (const char *name : {"Mh3dText3", "VqsCheck1", "Label9", "Command3D4"})
            seen += f.sichtbar(QString::fromUtf8(name)) ? u'1' : u'0';
        QCOMPARE(seen, gezeigt);
        QCOMPARE(f.sichtbar(u"Label7"_s), f.sichtbar(u"Mh3dText3"_s));
    }

    void tabOrder_data()
    {
        // Steps click a control, "GELB" etc. call tabFolge, "+X" shows X.
        QTest::addColumn<QStringList>("schritte");
        QTest::addColumn<QStringList>("reihenfolge"); // empty: no tab stop anywhere

        const char *gelb
            = "Option3D7 Option3D6 Option3D8 Option3D9 VqsOption6 VqsOption1 VqsOption2 "
              "VqsOption3 VqsOption4 VqsOption5 Mh3dText2 Command1 Command3D3 "
              "Command3D2 Command3D10 Command3D12";
        const char *gruen = "Option3D3 VqsCheck1 Option3D4 Option3D1 Option3D2 Option3D5 Mh3dText1 "
                            "Command2 Command3D4 Command3D1 Command3D7";
        const auto row = [](const char *name, const char *schritte, const char *reihenfolge) {
            QTest::newRow(name) << worte(schritte) << worte(reihenfolge);
        };
        row("start-up", "", gelb);
        row("Weiter", "Command3D10", gruen);
        row("restore", "Command3D10 Option3D4",
            "Option3D3 Option3D4 Mh3dText3 Option3D1 Option3D2 Option3D5 Mh3dText1 Command2 "
            "Command3D1 Command3D7");
        row("unchanged mode click", "Command3D10 GELB Option3D3", gruen);
        row("Zurück", "Command3D10 Command3D7", gelb);
        row("deletion panel", "Command3D10 +VqsPanel2 DISK",
            "Dir1 File1 Command3 Command4 Command5");
        row("Löschen beenden", "Command3D10 +VqsPanel2 DISK Command5", gruen);
        row("lower case keyword", "gelb", "");
        row("unknown keyword", "Command3D10 BLAU", "");
    }

    void tabOrder()
    {
        QFETCH(QStringList, schritte);
        QFETCH(QStringList, reihenfolge);

        Fenster f(standardDatei);
        f.zeigen();
        for (const QString &schritt : schritte) {
            if (schritt.startsWith(u'+'))
                f.control(schritt.sliced(1))->show();
            else if (f.window->findChild<QAbstractButton *>(schritt))
                f.klick(schritt);
            else
                f.window->tabFolge(schritt);
        }
        if (reihenfolge.isEmpty()) {
            for (const QWidget *control : f.window->findChildren<QWidget *>())
                QVERIFY2(!(control->focusPolicy() & Qt::TabFocus),
                         qPrintable(control->objectName()));
            return;
        }
        // From the first stop, Tab walks the list and comes round to it again.
        f.control(reihenfolge.first())->setFocus(Qt::OtherFocusReason);
        QStringList gegangen;
        for (qsizetype i = 0; i < reihenfolge.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            gegangen << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(gegangen, reihenfolge.mid(1) + reihenfolge.first(1));
    }

    void verzeichnisSichern_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("feld");
        QTest::addColumn<int>("schreibfehler"); // 0: none
        QTest::addColumn<QByteArray>("zeile"); // the row's new line; empty: file untouched
        QTest::addColumn<QString>("box");

        const QString ok = u"box 64: Der Pfad wurde gesichert."_s;
        QTest::newRow("backslash added")
            << u"Option3D8"_s << u"D:\\DATEN"_s << 0 << QByteArray("DBD = D:\\DATEN\\") << ok;
        QTest::newRow("after a blank")
            << u"VqsOption6"_s << u"D:\\X "_s << 0 << QByteArray("DBV = D:\\X \\") << ok;
        QTest::newRow("Windows-1252") << u"VqsOption1"_s << u"C:\\JÖRVEL\\"_s << 0
                                      << QByteArray("DBJ = C:\\J\xd6RVEL\\") << ok;
        QTest::newRow("empty field")
            << u"Option3D7"_s << QString() << 0 << QByteArray() << u"box 0: C3D2 / Fehler Nr.5"_s;
        QTest::newRow("write error") << u"Option3D7"_s << u"D:\\X\\"_s << 70 << QByteArray()
                                     << u"box 0: C3D2 / Fehler Nr.70"_s;
    }

    void verzeichnisSichern()
    {
        QFETCH(QString, option);
        QFETCH(QString, feld);
        QFETCH(int, schreibfehler);
        QFETCH(QByteArray, zeile);
        QFETCH(QString, box);

        Fenster f(standardDatei);
        f.klick(option);
        f.control<QLineEdit>(u"Mh3dText2"_s)->setText(feld);
        if (schreibfehler)
            f.services.writeFileErrors = {schreibfehler};
        f.klick(u"Command3D2"_s);

        QCOMPARE(f.services.boxes(), QStringList(box));
        QCOMPARE(f.services.pointer, 0);
        // All ten lines, only the chosen row's changed.
        const std::size_t row = rowOfOption(option).value();
        QByteArrayList zeilen = standardDatei.split('\n');
        if (!zeile.isEmpty()) {
            zeilen[qsizetype(row)] = zeile + '\r';
            QVERIFY(f.feld(u"Mh3dText2"_s).endsWith(u'\\'));
            QCOMPARE(f.window->pfade()[row], f.feld(u"Mh3dText2"_s));
        }
        QCOMPARE(f.pfaddatei(), zeilen.join('\n'));
    }
};

QTEST_MAIN(TestHorbelung)
#include "tst_horbelung.moc"
