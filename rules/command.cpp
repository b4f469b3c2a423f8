#include "command.h"

namespace launch {

QString line(const Command &command)
{
    QString result = command.program;
    for (const Argument &argument : command.arguments)
        result += u' ' + argument.text;
    return result;
}

} // namespace launch
