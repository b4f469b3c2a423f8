#pragma once

// The members every control of the two windows offers: position and size in
// twips relative to the container, tab stop and tab index, and stacking.

#include "twips.h"

#include <QKeyEvent>
#include <QWidget>

namespace controls {

struct TwipsRect
{
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;

    bool operator==(const TwipsRect &) const = default;
};

// Edges are rounded, not sizes, so controls that meet in twips meet in
// pixels: x = round(left / 15), width = round((left + width) / 15) - x.
QRect pixelRect(const TwipsRect &twips);

// Paints a widget's own background in one colour.
void fillBackground(QWidget &widget, const QColor &color);

// Enter or Return without Shift, Ctrl or Alt: what presses a focused button.
bool isEnterKey(const QKeyEvent &event);

// The state of a control beside its widget. Being a ControlBase is also what
// puts a widget into its window's tab order.
class ControlBase
{
protected:
    ControlBase() = default;
    ~ControlBase() = default;

    TwipsRect twipsOf(const QWidget &self) const;
    void placeTwips(QWidget &self, const TwipsRect &twips);
    void setTabStopOf(QWidget &self, bool on);
    bool m_tabStop = true;

private:
    TwipsRect m_twips;
    QRect m_pixels; // pixelRect(m_twips), kept so reading a position rounds nothing
};

// The controls of a top-level window in tab-index order: creation order until
// a tab index is set. Moving one shifts the others and rebuilds the focus
// chain, so Tab walks the tab stops in this order.
int tabIndexOf(const QWidget &control);
void setTabIndexOf(QWidget &control, int index);

template<class Widget> class Control : public Widget, public ControlBase
{
public:
    using Widget::Widget;

    double leftTwips() const { return twipsOf(*this).left; }
    double topTwips() const { return twipsOf(*this).top; }
    double widthTwips() const { return twipsOf(*this).width; }
    double heightTwips() const { return twipsOf(*this).height; }
    void setLeftTwips(double left) { change(&TwipsRect::left, left); }
    void setTopTwips(double top) { change(&TwipsRect::top, top); }
    void setWidthTwips(double width) { change(&TwipsRect::width, width); }
    void setHeightTwips(double height) { change(&TwipsRect::height, height); }
    void setGeometryTwips(double left, double top, double width, double height)
    {
        placeTwips(*this, {left, top, width, height});
    }

    // Off: the Tab key passes the control by (a click still focuses it).
    // Controls that never take the focus (panels, labels) stay so.
    bool tabStop() const { return m_tabStop; }
    void setTabStop(bool on) { setTabStopOf(*this, on); }
    // Moves the control to this place in its window's tab order, shifting
    // the others, and rebuilds the focus chain.
    int tabIndex() const { return tabIndexOf(*this); }
    void setTabIndex(int index) { setTabIndexOf(*this, index); }

    // 0 brings the control in front of its siblings, 1 sends it behind them.
    void zOrder(int position)
    {
        if (position == 0)
            this->raise();
        else
            this->lower();
    }

private:
    void change(double TwipsRect::*member, double value)
    {
        TwipsRect twips = twipsOf(*this);
        twips.*member = value;
        placeTwips(*this, twips);
    }
};

} // namespace controls
