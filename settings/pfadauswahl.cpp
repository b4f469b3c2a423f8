#include "pfadauswahl.h"

#include "app/horbelung.h"

// STUB: the dialog is built in its own change.
PfadAuswahl::PfadAuswahl(Horbelung &hauptfenster, platform::Services &services, QWidget *parent)
    : platform::Form<QDialog>(parent)
    , hauptfenster(hauptfenster)
    , services(services)
    , Dir1(nullptr)
    , Command2(nullptr)
    , Command1(nullptr)
    , Drive1(nullptr)
{
    setObjectName(QStringLiteral("PfadAuswahl"));
    setWindowTitle(QStringLiteral("Pfad Auswahl"));
}

void PfadAuswahl::Form_Resize() { }
