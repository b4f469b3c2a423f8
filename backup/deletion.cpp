#include "app/horbelung.h"

// STUB
void Horbelung::Command3_Click() { }
void Horbelung::Command4_Click() { }
void Horbelung::verzloe() { }
void Horbelung::verzloe2() { }
