#pragma once

#include "rules/runtimeerror.h"

// The number of the run-time error a call throws; 0 when it throws none.
template<class Call> int thrown(Call &&call)
{
    try {
        call();
    } catch (const rules::RuntimeError &error) {
        return error.number();
    }
    return 0;
}
