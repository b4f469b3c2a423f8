#include "visible.h"

using namespace Qt::StringLiterals;

namespace scandisk {

QString visible(const QString &text)
{
    QString shown;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            const char32_t code = QChar::surrogateToUcs4(c, text[i + 1]);
            shown += QChar::category(code) == QChar::Other_Format
                ? u"\\u%1"_s.arg(uint(code), 4, 16, QChar(u'0'))
                : text.mid(i, 2);
            ++i;
        } else if (c.isSurrogate()) {
            shown += u"\\x%1"_s.arg(c.unicode() & 0xFF, 2, 16, QChar(u'0'));
        } else if (c.category() == QChar::Other_Control) {
            shown += u"\\x%1"_s.arg(c.unicode(), 2, 16, QChar(u'0'));
        } else if (c.category() == QChar::Other_Format) {
            shown += u"\\u%1"_s.arg(c.unicode(), 4, 16, QChar(u'0'));
        } else {
            shown += c;
        }
    }
    return shown;
}

} // namespace scandisk
