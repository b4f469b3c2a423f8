// pfadFuerDos on any text: no blank survives, no segment before a separator
// is longer than eight characters plus a four-character extension, and only
// an overlong path fails, with error 6.
#include "rules/dospath.h"
#include "rules/runtimeerror.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString pfad = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QString result;
    try {
        result = pfadFuerDos(pfad);
    } catch (const rules::RuntimeError &error) {
        if (error.number() != rules::RuntimeError::Overflow || pfad.size() <= 32767)
            std::abort();
        return 0;
    }
    if (pfad.contains(u'~')) {
        if (result != pfad)
            std::abort();
        return 0;
    }
    if (result.contains(u' ') || result.count(u'\\') != pfad.count(u'\\'))
        std::abort();
    const QStringList segments = result.split(u'\\');
    for (qsizetype i = 0; i + 1 < segments.size(); ++i) {
        if (segments[i].size() > 12)
            std::abort();
    }
    return 0;
}
