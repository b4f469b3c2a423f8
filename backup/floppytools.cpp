#include "app/horbelung.h"

#include "platform/runtimeerror.h"

// STUB
void Horbelung::Command3D3_Click() { }
void Horbelung::Command3D4_Click() { }
void Horbelung::fehlerNrZeigen(const platform::RuntimeError &) { }
