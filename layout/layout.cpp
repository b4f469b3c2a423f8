#include "app/horbelung.h"

// STUB: the layout is built in its own change.
void Horbelung::Form_Resize() { }
void Horbelung::seite1Anordnen(short) { }
void Horbelung::seite2Anordnen(short) { }
