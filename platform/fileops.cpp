#include "fileops.h"

#include "rules/runtimeerror.h"

namespace platform::fileops {

QByteArray readAll(const std::function<qsizetype(char *buffer, qsizetype size)> &readSome)
{
    QByteArray content;
    char buffer[65536];
    while (const qsizetype got = readSome(buffer, sizeof buffer)) {
        if (content.size() + got > maxReadSize)
            throw rules::RuntimeError(rules::RuntimeError::OutOfMemory);
        content.append(buffer, got);
    }
    return content;
}

bool listedBefore(const QString &a, const QString &b)
{
    const int order = a.compare(b, Qt::CaseInsensitive);
    return order != 0 ? order < 0 : a < b;
}

} // namespace platform::fileops
