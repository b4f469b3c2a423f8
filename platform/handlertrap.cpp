#include "handlertrap.h"

namespace platform {

void showUntrapped(Services &services, const RuntimeError &error)
{
    services.setMousePointer(MousePointer::Default);
    services.msgBox(
        QStringLiteral("Laufzeitfehler '%1':\n%2").arg(error.number()).arg(error.description()),
        MsgBox::Critical);
}

} // namespace platform
