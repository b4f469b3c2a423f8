#pragma once

// How the windows' controls are made: their design geometry in twips, the
// design's colours, fonts and picture buttons.

#include "bild.h"

#include "controls/controls.h"

#include <QColor>
#include <QFont>

#include <utility>

namespace bauteile {

struct Geometrie
{
    double left;
    double top;
    double width;
    double height;
};

constexpr QColor grau(224, 224, 224);
constexpr QColor rot(255, 0, 0);
constexpr QColor blau(0, 0, 255);
constexpr QColor weiss(255, 255, 255);

inline QFont sansSerif(double points, bool bold)
{
    return controls::designFont(QStringLiteral("MS Sans Serif"), points, bold);
}

template<class C, class... Args>
C *anlegen(QWidget *container, QStringView name, Geometrie g, Args &&...args)
{
    auto *control = new C(std::forward<Args>(args)..., container);
    control->setObjectName(name.toString());
    control->setGeometryTwips(g.left, g.top, g.width, g.height);
    return control;
}

inline controls::VqsPanel *panel(QWidget *container, QStringView name, Geometrie g, QColor farbe,
                                 int bevelWidth, int bevelOuter)
{
    auto *panel = anlegen<controls::VqsPanel>(container, name, g);
    panel->setFont(sansSerif(8.25, true));
    panel->setBackColor(farbe);
    panel->setBevelWidth(bevelWidth);
    panel->setBevelOuter(bevelOuter);
    return panel;
}

// A captioned graphical button: 32-pixel picture above the caption.
inline controls::CommandButton *knopf(QWidget *container, QStringView name, const QString &caption,
                                      Geometrie g, QStringView bildname)
{
    auto *knopf = anlegen<controls::CommandButton>(container, name, g);
    knopf->setCaption(caption);
    knopf->setFont(sansSerif(8.25, false));
    knopf->setBackColor(grau);
    knopf->setPicture(bild(bildname), 32);
    return knopf;
}

} // namespace bauteile
