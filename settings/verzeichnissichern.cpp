#include "app/horbelung.h"

// STUB
void Horbelung::Command3D2_Click() { }
