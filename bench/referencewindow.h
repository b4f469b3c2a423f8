#pragma once

// The yardstick of the start-up benchmark: a window of plain Qt widgets with
// the same number and kinds of widgets as the main window, with the same
// texts, fonts, colours, pictures, places and visibility, and no behaviour
// (no twips, no start-up, no handlers, no layout pass). It is built from a
// description taken from the main window itself, so the two stay alike
// whatever the main window becomes.

#include <QJsonObject>
#include <QMap>
#include <QString>

class QWidget;

namespace bench {

// The main window's widgets as plain Qt sees them: kind (the Qt class the
// control is built on), parent, geometry, visibility, text, font, colours,
// picture. Pictures are named by the resource they match.
QJsonObject describeWindow(const QWidget &window);

// Builds the yardstick window, not shown; the caller owns it.
QWidget *buildReferenceWindow(const QJsonObject &description);

// How many widgets of each kind a description holds, the window included.
QMap<QString, int> widgetKinds(const QJsonObject &description);

} // namespace bench
