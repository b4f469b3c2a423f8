#pragma once

#include <QByteArray>
#include <QString>

namespace rules {

// The Windows system code page of a German installation. Every byte maps to
// one character and back, the five bytes the code page leaves undefined
// included, so a file read and written again stays byte for byte the same.
QString fromCodePage1252(const QByteArray &bytes);
// Characters outside the code page become '?', as the Windows conversion does.
QByteArray toCodePage1252(const QString &text);
// Whether every character has a byte of its own in the code page.
bool inCodePage1252(QStringView text);

} // namespace rules
