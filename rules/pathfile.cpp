#include "pathfile.h"

#include "rules/codepage1252.h"
#include "rules/runtimeerror.h"

namespace pathfile {

namespace {

bool isLineEnd(QChar c)
{
    return c == u'\r' || c == u'\n';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Reads items the way the sequential input statement does. Blanks before an
// item are skipped and blanks after an unquoted one dropped; a quoted item
// runs to its closing quote, commas and line ends included.
class ItemReader
{
public:
    explicit ItemReader(QStringView text)
        : m_text(text)
    { }

    bool atEnd() const { return m_pos >= m_text.size(); }

    QStringView next()
    {
        while (m_pos < m_text.size() && isBlank(m_text[m_pos]))
            ++m_pos;
        if (m_pos < m_text.size() && m_text[m_pos] == u'"')
            return quoted();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
            ++m_pos;
        QStringView item = m_text.sliced(start, m_pos - start);
        while (!item.isEmpty() && isBlank(item.back()))
            item.chop(1);
        skipDelimiter();
        return item;
    }

private:
    QStringView quoted()
    {
        const qsizetype start = ++m_pos;
        const qsizetype close = m_text.indexOf(u'"', start);
        if (close < 0)
            throw rules::RuntimeError(rules::RuntimeError::InputPastEndOfFile);
        m_pos = close + 1;
        // Whatever stands between the closing quote and the delimiter is dropped.
        while (m_pos < m_text.size() && m_text[m_pos] != u',' && !isLineEnd(m_text[m_pos]))
            ++m_pos;
        skipDelimiter();
        return m_text.sliced(start, close - start);
    }

    void skipDelimiter()
    {
        if (m_pos >= m_text.size())
            return;
        if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')
            m_pos += 2;
        else
            ++m_pos;
    }

    QStringView m_text;
    qsizetype m_pos = 0;
};

} // namespace

QString decode(const QByteArray &content)
{
    constexpr QByteArrayView byteOrderMark = "\xef\xbb\xbf";
    return content.startsWith(byteOrderMark)
        ? QString::fromUtf8(content.sliced(byteOrderMark.size()))
        : rules::fromCodePage1252(content);
}

void applyItems(QStringView text, Directories &dbPfad)
{
    ItemReader reader(text);
    while (!reader.atEnd()) {
        const QStringView item = reader.next();
        // Most items of a damaged file are too short for a key; asking the
        // catalogue about each of them took a third of the time.
        if (item.size() < 3)
            continue;
        if (const auto row = rowOfKey(item))
            dbPfad[*row]
                = item.size() < 7 ? QString() : item.sliced(6).left(maxDirectoryLength).toString();
    }
}

QString format(const Directories &dbPfad)
{
    QString text;
    for (std::size_t row = 0; row < catalogue.size(); ++row)
        text += catalogue[row].key.toString() + QStringLiteral(" = ") + dbPfad[row]
            + QStringLiteral("\r\n");
    return text;
}

QByteArray content(const Directories &dbPfad)
{
    for (const QString &dir : dbPfad) {
        if (!rules::inCodePage1252(dir) || dir.contains(u'\r') || dir.contains(u'\n')
            || dir.contains(QChar(u'\0')))
            throw rules::RuntimeError(rules::RuntimeError::InvalidProcedureCall);
    }
    return rules::toCodePage1252(format(dbPfad));
}

} // namespace pathfile
