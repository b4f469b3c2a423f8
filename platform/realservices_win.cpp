#include "realservices.h"

#include "runtimeerror.h"

namespace platform {

QString RealServices::appPath() const
{
    return m_programDirectory;
}

void RealServices::shell(const QString &, int, const LaunchNotes &)
{
    throw RuntimeError(RuntimeError::FileNotFound);
}

} // namespace platform
