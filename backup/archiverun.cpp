#include "app/horbelung.h"

// STUB
void Horbelung::Command3D1_Click() { }
