#pragma once

#include <QIcon>
#include <QStringView>

// A picture of the resources by its name without type: "pictures/weiter",
// "icons/horbelung". SVG where Qt draws SVG, else the PNG rendered from it.
inline QIcon bild(QStringView name)
{
    return QIcon(QStringLiteral(":/%1.%2").arg(name, QLatin1StringView(HORBELUNG_PICTURE_TYPE)));
}
