#include "fileops.h"

#include "runtimeerror.h"

namespace platform::fileops {

void kill(const DriveMap &, const QString &)
{
    throw RuntimeError(RuntimeError::FileNotFound);
}

void rmDir(const DriveMap &, const QString &)
{
    throw RuntimeError(RuntimeError::PathNotFound);
}

QStringList subdirectories(const DriveMap &, const QString &)
{
    return {};
}

QStringList files(const DriveMap &, const QString &)
{
    return {};
}

QString inFolder(const QString &folder, const QString &name)
{
    return folder + u'\\' + name;
}

QByteArray readFile(const QString &)
{
    throw RuntimeError(RuntimeError::FileNotFound);
}

void writeFile(const QString &, const QByteArray &)
{
    throw RuntimeError(RuntimeError::FileNotFound);
}

} // namespace platform::fileops
