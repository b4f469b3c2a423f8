#include "app/horbelung.h"
#include "fakeservices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

// hobe.ini as a start without a path file leaves it.
const QByteArray standardDatei
    = "DBN = C:\\NOKRAT\\\r\nDBP = C:\\PELVIN\\\r\nDBD = C:\\DROMEL\\\r\n"
      "DBH = C:\\HUXTAL\\\r\nDBJ = C:\\JORVELGELD\\\r\n"
      "DBL = C:\\LUMBRIK\\\r\nDBM = C:\\MOVRETT\\\r\n"
      "DBO = C:\\OSPELINEN\\\r\nDBZ = C:\\ZELWARK\\\r\nDBV = C:\\VQSTAR\\\r\n";

// The main window on the recording fake, started with or without a path file.
class Fenster
{
public:
    // A null pfaddatei: no hobe.ini at all.
    explicit Fenster(const QByteArray &pfaddatei = QByteArray())
    {
        if (!pfaddatei.isNull())
            schreiben(pfaddatei);
        window = std::make_unique<Horbelung>(services);
    }

    void zeigen()
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

    // Options are clicked on their mark, buttons in their middle.
    void klick(const QString &name) const
    {
        auto *button = control<QAbstractButton>(name);
        QTest::mouseClick(button, Qt::LeftButton, {},
                          button->isCheckable() ? QPoint(6, button->height() / 2)
                                                : button->rect().center());
    }

    QString text(const QString &name) const
    {
        if (auto *label = window->findChild<QLabel *>(name))
            return label->text();
        return control<QLineEdit>(name)->text();
    }

    bool sichtbar(const QString &name) const { return control(name)->isVisibleTo(window.get()); }

    QString pfad() const { return services.workingDirectory() + u"/hobe.ini"_s; }
    void schreiben(const QByteArray &inhalt) const
    {
        QFile file(pfad());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(inhalt);
    }
    QByteArray gelesen() const
    {
        QFile file(pfad());
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
    void opensAsDesigned();
    void trickyCaptions_data();
    void trickyCaptions();
    void accessKeysReachOnlyThePageInFront();
    void startUp_data();
    void startUp();
    void optionClickShowsTheRowsDirectory();
    void chosenRow_data();
    void chosenRow();
    void weiterOverwritesWhatWasTyped();
    void pageTwoVisibility_data();
    void pageTwoVisibility();
    void tabOrder_data();
    void tabOrder();
    void pictureButtonsFillTheirField_data();
    void pictureButtonsFillTheirField();
    void verzeichnisSichern_data();
    void verzeichnisSichern();
    void verzeichnisSichernFails_data();
    void verzeichnisSichernFails();
};

void TestHorbelung::opensAsDesigned()
{
    Fenster f(standardDatei);
    const QStringList ticked = {u"Option3D7"_s, u"Option3D3"_s, u"Option3D1"_s};
    // One ticked option in each of the three groups.
    for (const QWidget *group :
         {f.control(u"Panel3D1"_s), f.control(u"Panel3D2"_s), f.control(u"VqsPanel1"_s)}) {
        QStringList on;
        for (auto *option : group->findChildren<platform::VqsOption *>(Qt::FindDirectChildrenOnly))
            if (option->value())
                on << option->objectName();
        QCOMPARE(on.size(), 1);
        QVERIFY(ticked.contains(on.first()));
    }
    QCOMPARE(f.control<platform::VqsCheck>(u"VqsCheck1"_s)->value(), 1);

    // Start-up brings page 1 to the front; on page 2 only these are hidden.
    QVERIFY(f.sichtbar(u"Panel3D1"_s));
    QVERIFY(!f.sichtbar(u"Panel3D2"_s));
    const QStringList hidden = {u"VqsPanel2"_s, u"Mh3dText3"_s, u"Label7"_s, u"Label9"_s};
    for (const QWidget *page : {f.control(u"Panel3D1"_s), f.control(u"Panel3D2"_s)})
        for (const QWidget *control : page->findChildren<QWidget *>()) {
            if (control->objectName().isEmpty() || control->objectName().startsWith(u"qt_")
                || f.control(u"VqsPanel2"_s)->isAncestorOf(control))
                continue;
            QCOMPARE(control->isVisibleTo(page), !hidden.contains(control->objectName()));
        }
    QCOMPARE(f.text(u"Mh3dText3"_s), u"1"_s);
    QCOMPARE(f.text(u"Mh3dText1"_s), QString());
    QCOMPARE(f.text(u"Mh3dLabel7"_s), QString());

    // Exactly three captions carry an access key.
    QStringList keys;
    for (auto *button : f.window->findChildren<QAbstractButton *>())
        if (!QKeySequence::mnemonic(button->text()).isEmpty())
            keys << QKeySequence::mnemonic(button->text()).toString();
    keys.sort();
    QCOMPARE(keys, QStringList({u"Alt+S"_s, u"Alt+W"_s, u"Alt+Z"_s}));
}

void TestHorbelung::trickyCaptions_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("caption");

    QTest::newRow("floppy A: double blank, inch mark")
        << u"Option3D1"_s << u"Laufwerk A:\\  ( Diskette 3 1/2\", 1.44 MB HD )"_s;
    QTest::newRow("floppy B: double blank, inch mark")
        << u"Option3D2"_s << u"Laufwerk B:\\  ( Diskette 5 1/4\", 1.20 MB HD )"_s;
    QTest::newRow("old spelling")
        << u"Label3"_s
        << u"Sie müssen die zu wiederherstellende Datenbank schließen, bevor sie "
           u"zurückgesichert werden kann. In einer Mehrbenutzerumgebung müssen Sie "
           u"darüberhinaus sicherstellen, daß alle anderen Benutzer die Datenbank auch "
           u"geschlossen haben."_s;
    QTest::newRow("single and double quotes")
        << u"Label5"_s
        << u"Wenn Sie Windows 95/98 auf Ihrem System installiert haben, können Sie zur "
           u"Überprüfung der Disketten das Programm 'SCANDISK.EXE' mit Hilfe des Schalters "
           u"\"Diskette jetzt prüfen\" starten. Mit Windows NT funktioniert dieser Schalter "
           u"nicht."_s;
    QTest::newRow("design instruction")
        << u"Label8"_s
        << u"Wählen Sie das gewünschte Laufwerk der Horbelung aus und starten Sie die "
           u"Sicherung mit Hilfe des Schalters \"Sicherung starten\"."_s;
    QTest::newRow("row 5 caption from the catalogue")
        << u"VqsOption1"_s << u"Jorvelgeld-Daten (Jorvel.mdb)"_s;
}

void TestHorbelung::trickyCaptions()
{
    QFETCH(QString, control);
    QFETCH(QString, caption);
    Fenster f;
    auto *button = f.window->findChild<QAbstractButton *>(control);
    QCOMPARE(button ? button->text() : f.text(control), caption);
    QCOMPARE(f.control(u"VqsCheck1"_s)->toolTip(),
             u"Wenn dieser Punkt aktiviert wird, so werden alle Datenbanken (*.mdb) in dem "
             u"angegebenen Verzeichniss gesichert. Wenn nein, wird nur die angegebene Datenbank "
             u"(z.B. VQS.MDB) gesichert."_s);
}

void TestHorbelung::accessKeysReachOnlyThePageInFront()
{
    Fenster f(standardDatei);
    f.zeigen();
    // An access key presses its button with a short animation before the click.
    const auto alt = [&f](Qt::Key key) {
        QTest::keyClick(f.window.get(), key, Qt::AltModifier);
        QTest::qWait(200);
    };

    alt(Qt::Key_Z); // "&Zurück" lies behind
    QVERIFY(f.sichtbar(u"Panel3D1"_s));
    alt(Qt::Key_W);
    QVERIFY(f.sichtbar(u"Panel3D2"_s));
    QVERIFY(!f.sichtbar(u"Panel3D1"_s));

    f.control<QLineEdit>(u"Mh3dText1"_s)->setText(u"D:\\ANDERS\\"_s);
    alt(Qt::Key_W); // "&Weiter" lies behind and must not copy again
    alt(Qt::Key_S); // nor may "&Schließen" close the window
    QCOMPARE(f.text(u"Mh3dText1"_s), u"D:\\ANDERS\\"_s);
    QVERIFY(f.window->isVisible());

    alt(Qt::Key_Z);
    QVERIFY(f.sichtbar(u"Panel3D1"_s));
    alt(Qt::Key_S);
    QVERIFY(!f.window->isVisible());
}

void TestHorbelung::startUp_data()
{
    QTest::addColumn<QByteArray>("datei"); // null: no path file
    QTest::addColumn<QString>("feld");
    QTest::addColumn<QString>("row10");
    QTest::addColumn<QStringList>("boxes");

    QTest::newRow("no path file") << QByteArray() << QString() << u"C:\\VQSTAR\\"_s
                                  << QStringList();
    QTest::newRow("row 1 at once")
        << QByteArray("DBN = D:\\DATEN\\NOKRAT\\\r\n") << u"D:\\DATEN\\NOKRAT\\"_s
        << u"C:\\VQSTAR\\"_s << QStringList();
    QTest::newRow("only row 10") << QByteArray("DBV = D:\\DATEN\\VQS\\\r\n") << u"C:\\NOKRAT\\"_s
                                 << u"D:\\DATEN\\VQS\\"_s << QStringList();
    QTest::newRow("Windows-1252") << QByteArray("DBN = C:\\M\xdcLLER\\\r\n") << u"C:\\MÜLLER\\"_s
                                  << u"C:\\VQSTAR\\"_s << QStringList();
    QTest::newRow("unclosed quote keeps what was read")
        << QByteArray("DBV = D:\\X\\\r\n\"DBN = C:\\Y\\\r\n") << QString() << u"D:\\X\\"_s
        << QStringList({u"box 0: Fehler Nr.62"_s});
}

void TestHorbelung::startUp()
{
    QFETCH(QByteArray, datei);
    QFETCH(QString, feld);
    QFETCH(QString, row10);
    QFETCH(QStringList, boxes);

    Fenster f(datei);
    QCOMPARE(f.text(u"Mh3dText2"_s), feld);
    QCOMPARE(f.window->pfade()[9], row10);
    QCOMPARE(f.services.boxes(), boxes);
    QCOMPARE(f.services.log.first(), u"pointer 11"_s);
    QCOMPARE(f.services.pointer, 0);
    QVERIFY(f.sichtbar(u"Panel3D1"_s));
    QVERIFY(!f.sichtbar(u"Panel3D2"_s));
}

void TestHorbelung::optionClickShowsTheRowsDirectory()
{
    Fenster f;
    f.klick(u"VqsOption4"_s);
    QCOMPARE(f.text(u"Mh3dText2"_s), u"C:\\OSPELINEN\\"_s);
    f.klick(u"Option3D7"_s);
    QCOMPARE(f.text(u"Mh3dText2"_s), u"C:\\NOKRAT\\"_s);
}

void TestHorbelung::chosenRow_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("kuerzel");
    QTest::addColumn<QString>("name");

    QTest::newRow("row 1") << u"Option3D7"_s << u"NOKU"_s << u"NOKRAT"_s;
    QTest::newRow("row 5: name differs from caption") << u"VqsOption1"_s << u"QEL"_s << u"JORVEL"_s;
    QTest::newRow("row 8") << u"VqsOption4"_s << u"OSP"_s << u"OSTRAK"_s;
    QTest::newRow("row 10: hyphen, stands in the left column")
        << u"VqsOption6"_s << u"VQS-"_s << u"VQS"_s;
}

void TestHorbelung::chosenRow()
{
    QFETCH(QString, option);
    QFETCH(QString, kuerzel);
    QFETCH(QString, name);

    Fenster f(standardDatei);
    f.klick(option);
    f.control<QLineEdit>(u"Mh3dText2"_s)->setText(u"D:\\GETIPPT\\"_s);
    f.klick(u"Command3D10"_s);
    QCOMPARE(f.window->kuerzel(), kuerzel);
    QCOMPARE(f.window->name(), name);
    QCOMPARE(f.text(u"Mh3dLabel7"_s), u"D:\\GETIPPT\\"_s);
    QCOMPARE(f.text(u"Mh3dText1"_s), u"D:\\GETIPPT\\"_s);
    QVERIFY(f.sichtbar(u"Panel3D2"_s));
    QVERIFY(!f.sichtbar(u"Panel3D1"_s));
}

void TestHorbelung::weiterOverwritesWhatWasTyped()
{
    Fenster f(standardDatei);
    f.control<QLineEdit>(u"Mh3dText2"_s)->setText(u"D:\\GETIPPT\\"_s);
    f.klick(u"Command3D10"_s);
    f.control<QLineEdit>(u"Mh3dText1"_s)->setText(u"E:\\SICHERUNG\\"_s);
    f.klick(u"Command3D7"_s);
    f.klick(u"Command3D10"_s);
    QCOMPARE(f.text(u"Mh3dText1"_s), u"D:\\GETIPPT\\"_s);

    // Back on page 1 the typed directory is lost to the next row; nothing was stored.
    f.klick(u"Command3D7"_s);
    f.klick(u"Option3D6"_s);
    QCOMPARE(f.text(u"Mh3dText2"_s), u"C:\\PELVIN\\"_s);
    QCOMPARE(f.window->pfade()[0], u"C:\\NOKRAT\\"_s);
    QCOMPARE(f.gelesen(), standardDatei);
}

void TestHorbelung::pageTwoVisibility_data()
{
    // "hover" moves the mouse over "Diskette löschen", "surface" over page 2 itself.
    QTest::addColumn<QStringList>("schritte");
    QTest::addColumn<bool>("anzahl"); // Mh3dText3 and Label7
    QTest::addColumn<bool>("alle"); // VqsCheck1
    QTest::addColumn<bool>("hinweis"); // Label9
    QTest::addColumn<bool>("loeschen"); // Command3D4

    const auto row
        = [](const char *name, const QStringList &schritte, bool a, bool b, bool c, bool d) {
              QTest::newRow(name) << schritte << a << b << c << d;
          };
    row("design", {}, false, true, false, true);
    row("backup again", {u"Option3D3"_s}, false, true, false, true);
    row("hover", {u"hover"_s}, false, true, true, true);
    row("hover, surface", {u"hover"_s, u"surface"_s}, false, true, false, true);
    row("hover, restore", {u"hover"_s, u"Option3D4"_s}, true, false, false, false);
    row("restore, hard disk", {u"Option3D4"_s, u"Option3D5"_s}, false, false, false, false);
    row("hard disk, restore", {u"Option3D5"_s, u"Option3D4"_s}, false, false, false, false);
    row("restore, hard disk, A:", {u"Option3D4"_s, u"Option3D5"_s, u"Option3D1"_s}, true, false,
        false, false);
    row("restore, B:", {u"Option3D4"_s, u"Option3D2"_s}, true, false, false, false);
    row("restore, backup", {u"Option3D4"_s, u"Option3D3"_s}, false, true, false, true);
    row("hover, hard disk", {u"hover"_s, u"Option3D5"_s}, false, true, false, false);
    row("hard disk, backup", {u"Option3D5"_s, u"Option3D3"_s}, false, true, false, false);
    row("hard disk, backup, B:", {u"Option3D5"_s, u"Option3D3"_s, u"Option3D2"_s}, false, true,
        false, true);
    row("hover, backup", {u"hover"_s, u"Option3D3"_s}, false, true, true, true);
}

void TestHorbelung::pageTwoVisibility()
{
    // The cursor may already rest where a step points; only a real move counts.
    const auto bewegen = [](QWidget *over) {
        QTest::mouseMove(over, QPoint(3, 3));
        QTest::mouseMove(over, QPoint(4, 4));
    };
    QFETCH(QStringList, schritte);
    QFETCH(bool, anzahl);
    QFETCH(bool, alle);
    QFETCH(bool, hinweis);
    QFETCH(bool, loeschen);

    Fenster f(standardDatei);
    f.zeigen();
    f.klick(u"Command3D10"_s);
    for (const QString &schritt : schritte) {
        if (schritt == u"hover")
            bewegen(f.control(u"Command3D4"_s));
        else if (schritt == u"surface")
            bewegen(f.control(u"Panel3D2"_s));
        else
            f.klick(schritt);
    }
    QCOMPARE(f.sichtbar(u"Mh3dText3"_s), anzahl);
    QCOMPARE(f.sichtbar(u"Label7"_s), anzahl);
    QCOMPARE(f.sichtbar(u"VqsCheck1"_s), alle);
    QCOMPARE(f.sichtbar(u"Label9"_s), hinweis);
    QCOMPARE(f.sichtbar(u"Command3D4"_s), loeschen);
}

void TestHorbelung::tabOrder_data()
{
    // Steps click a control, or "tabFolge X", or "show X".
    QTest::addColumn<QStringList>("schritte");
    QTest::addColumn<QStringList>("reihenfolge"); // empty: no tab stop anywhere

    const QStringList gelb = {u"Option3D7"_s,  u"Option3D6"_s,  u"Option3D8"_s,   u"Option3D9"_s,
                              u"VqsOption6"_s, u"VqsOption1"_s, u"VqsOption2"_s,  u"VqsOption3"_s,
                              u"VqsOption4"_s, u"VqsOption5"_s, u"Mh3dText2"_s,   u"Command1"_s,
                              u"Command3D3"_s, u"Command3D2"_s, u"Command3D10"_s, u"Command3D12"_s};
    const QStringList gruen = {u"Option3D3"_s,  u"VqsCheck1"_s,  u"Option3D4"_s, u"Option3D1"_s,
                               u"Option3D2"_s,  u"Option3D5"_s,  u"Mh3dText1"_s, u"Command2"_s,
                               u"Command3D4"_s, u"Command3D1"_s, u"Command3D7"_s};
    const QStringList weiter = {u"Command3D10"_s};

    QTest::newRow("start-up") << QStringList() << gelb;
    QTest::newRow("Weiter") << weiter << gruen;
    QTest::newRow("restore shows the disk count")
        << weiter + QStringList({u"Option3D4"_s})
        << QStringList({u"Option3D3"_s, u"Option3D4"_s, u"Mh3dText3"_s, u"Option3D1"_s,
                        u"Option3D2"_s, u"Option3D5"_s, u"Mh3dText1"_s, u"Command2"_s,
                        u"Command3D1"_s, u"Command3D7"_s});
    QTest::newRow("unchanged mode click restores the group")
        << weiter + QStringList({u"tabFolge GELB"_s, u"Option3D3"_s}) << gruen;
    QTest::newRow("Zurück") << weiter + QStringList({u"Command3D7"_s}) << gelb;
    QTest::newRow("deletion panel")
        << weiter + QStringList({u"show VqsPanel2"_s, u"tabFolge DISK"_s})
        << QStringList({u"Dir1"_s, u"File1"_s, u"Command3"_s, u"Command4"_s, u"Command5"_s});
    QTest::newRow("Löschen beenden")
        << weiter + QStringList({u"show VqsPanel2"_s, u"tabFolge DISK"_s, u"Command5"_s}) << gruen;
    QTest::newRow("keyword in lower case") << QStringList({u"tabFolge gelb"_s}) << QStringList();
    QTest::newRow("unknown keyword") << weiter + QStringList({u"tabFolge BLAU"_s}) << QStringList();
}

void TestHorbelung::tabOrder()
{
    QFETCH(QStringList, schritte);
    QFETCH(QStringList, reihenfolge);

    Fenster f(standardDatei);
    f.zeigen();
    for (const QString &schritt : schritte) {
        if (schritt.startsWith(u"tabFolge "))
            f.window->tabFolge(schritt.sliced(9));
        else if (schritt.startsWith(u"show "))
            f.control(schritt.sliced(5))->show();
        else
            f.klick(schritt);
    }

    if (reihenfolge.isEmpty()) {
        for (const QWidget *control : f.window->findChildren<QWidget *>())
            QVERIFY2(!(control->focusPolicy() & Qt::TabFocus), qPrintable(control->objectName()));
        return;
    }
    // From the first stop, Tab walks the list and comes back round to it.
    f.control(reihenfolge.first())->setFocus(Qt::OtherFocusReason);
    QStringList gegangen;
    for (qsizetype i = 0; i < reihenfolge.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        gegangen << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(gegangen, reihenfolge.mid(1) + reihenfolge.first(1));
    QVERIFY(!f.sichtbar(u"VqsPanel2"_s) || reihenfolge.contains(u"Dir1"_s));
}

void TestHorbelung::pictureButtonsFillTheirField_data()
{
    QTest::addColumn<QString>("knopf");
    QTest::addColumn<bool>("uebernehmen"); // false: the dialog is closed
    QTest::addColumn<QString>("datenbank"); // Mh3dText2 afterwards
    QTest::addColumn<QString>("sicherung"); // Mh3dText1 afterwards

    QTest::newRow("page 1") << u"Command1"_s << true << u"X:\\WAHL\\"_s << u"C:\\NOKRAT\\"_s;
    QTest::newRow("page 2") << u"Command2"_s << true << u"C:\\NOKRAT\\"_s << u"X:\\WAHL\\"_s;
    QTest::newRow("page 1, closed")
        << u"Command1"_s << false << u"C:\\NOKRAT\\"_s << u"C:\\NOKRAT\\"_s;
}

void TestHorbelung::pictureButtonsFillTheirField()
{
    QFETCH(QString, knopf);
    QFETCH(bool, uebernehmen);
    QFETCH(QString, datenbank);
    QFETCH(QString, sicherung);

    Fenster f(standardDatei);
    f.zeigen();
    f.klick(u"Command3D10"_s);
    f.klick(u"Command3D7"_s);
    // The dialog hands its choice over the way "Übernehmen" does.
    QTimer::singleShot(0, f.window.get(), [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        if (uebernehmen)
            f.window->pafdschreiben(u"X:\\WAHL\\"_s);
        dialog->reject();
    });
    f.klick(knopf);
    QCOMPARE(f.text(u"Mh3dText2"_s), datenbank);
    QCOMPARE(f.text(u"Mh3dText1"_s), sicherung);
}

void TestHorbelung::verzeichnisSichern_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("feld");
    QTest::addColumn<QString>("gesichert"); // field and dbPfad afterwards
    QTest::addColumn<QByteArray>("zeile"); // the row's line in hobe.ini

    QTest::newRow("backslash added") << u"Option3D8"_s << u"D:\\DATEN"_s << u"D:\\DATEN\\"_s
                                     << QByteArray("DBD = D:\\DATEN\\\r\n");
    QTest::newRow("backslash kept")
        << u"VqsOption6"_s << u"E:\\VQS\\"_s << u"E:\\VQS\\"_s << QByteArray("DBV = E:\\VQS\\\r\n");
    QTest::newRow("after a trailing blank")
        << u"Option3D7"_s << u"D:\\X "_s << u"D:\\X \\"_s << QByteArray("DBN = D:\\X \\\r\n");
    QTest::newRow("umlaut in Windows-1252")
        << u"VqsOption1"_s << u"C:\\JÖRVEL"_s << u"C:\\JÖRVEL\\"_s
        << QByteArray("DBJ = C:\\J\xd6RVEL\\\r\n");
}

void TestHorbelung::verzeichnisSichern()
{
    QFETCH(QString, option);
    QFETCH(QString, feld);
    QFETCH(QString, gesichert);
    QFETCH(QByteArray, zeile);

    Fenster f;
    f.klick(option);
    const std::size_t row = rowOfOption(option).value();
    f.control<QLineEdit>(u"Mh3dText2"_s)->setText(feld);
    f.klick(u"Command3D2"_s);

    QCOMPARE(f.text(u"Mh3dText2"_s), gesichert);
    QCOMPARE(f.window->pfade()[row], gesichert);
    // All ten lines are written, only the chosen row's changed.
    QByteArrayList zeilen = standardDatei.split('\n');
    zeilen[qsizetype(row)] = zeile.chopped(1);
    QCOMPARE(f.gelesen(), zeilen.join('\n'));
    QCOMPARE(f.services.boxes(), QStringList({u"box 64: Der Pfad wurde gesichert."_s}));
}

void TestHorbelung::verzeichnisSichernFails_data()
{
    QTest::addColumn<QString>("feld");
    QTest::addColumn<QList<int>>("schreibfehler");
    QTest::addColumn<QString>("box");

    QTest::newRow("empty field") << QString() << QList<int>() << u"box 0: C3D2 / Fehler Nr.5"_s;
    QTest::newRow("write error") << u"D:\\X\\"_s << QList<int>({70})
                                 << u"box 0: C3D2 / Fehler Nr.70"_s;
}

void TestHorbelung::verzeichnisSichernFails()
{
    QFETCH(QString, feld);
    QFETCH(QList<int>, schreibfehler);
    QFETCH(QString, box);

    const QByteArray alt = "DBN = C:\\ALT\\\r\n";
    Fenster f(alt);
    f.control<QLineEdit>(u"Mh3dText2"_s)->setText(feld);
    f.services.writeFileErrors = schreibfehler;
    f.services.log.clear();
    f.klick(u"Command3D2"_s);

    QCOMPARE(f.services.boxes(), QStringList({box}));
    QCOMPARE(f.services.pointer, 0);
    QCOMPARE(f.gelesen(), alt);
}

QTEST_MAIN(TestHorbelung)
#include "tst_horbelung.moc"
