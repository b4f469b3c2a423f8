#include "handlertrap.h"

namespace handler {

void showUntrapped(platform::Services &services, const rules::RuntimeError &error)
{
    services.setMousePointer(platform::MousePointer::Default);
    services.msgBox(
        QStringLiteral("Laufzeitfehler '%1':\n%2").arg(error.number()).arg(error.description()),
        platform::MsgBox::Critical);
}

} // namespace handler
