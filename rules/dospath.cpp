#include "dospath.h"

#include "rules/runtimeerror.h"

#include <limits>

namespace {

QString shortSegment(const QString &segment)
{
    if (segment.size() <= 8)
        return segment;
    const qsizetype dot = segment.indexOf(u'.'); // 0-based; the rule counts from 1
    if (dot + 1 > 8)
        return segment.left(6) + QStringLiteral("~1") + segment.mid(dot, 4);
    return segment.left(6) + QStringLiteral("~1");
}

} // namespace

QString pfadFuerDos(const QString &pfad)
{
    if (pfad.contains(u'~'))
        return pfad;
    if (pfad.size() > std::numeric_limits<qint16>::max())
        throw rules::RuntimeError(rules::RuntimeError::Overflow);

    QString result;
    QString segment;
    for (const QChar c : pfad) {
        // Trimming the segment after every character drops every blank.
        if (c == u' ')
            continue;
        if (c != u'\\') {
            segment += c;
            continue;
        }
        result += shortSegment(segment) + u'\\';
        segment.clear();
    }
    return result + segment;
}
