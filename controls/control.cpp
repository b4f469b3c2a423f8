#include "control.h"

#include <QPalette>
#include <QPointer>

#include <algorithm>

namespace controls {

QRect pixelRect(const TwipsRect &twips)
{
    const int x = toPixels(twips.left);
    const int y = toPixels(twips.top);
    return QRect(x, y, std::max(0, toPixels(twips.left + twips.width) - x),
                 std::max(0, toPixels(twips.top + twips.height) - y));
}

namespace {

// The widget's own palette already gives the role this colour in every group.
bool ownColour(const QWidget &widget, QPalette::ColorRole role, const QColor &color)
{
    const QPalette &palette = widget.palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        if (!palette.isBrushSet(group, role) || palette.color(group, role) != color)
            return false;
    }
    return true;
}

} // namespace

bool isEnterKey(const QKeyEvent &event)
{
    return (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter)
        && (event.modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

void fillBackground(QWidget &widget, const QColor &color)
{
    // Every layout pass sets the panels' colour again; Qt's own test for an
    // unchanged palette costs as much as all the pass's moves together.
    if (widget.autoFillBackground() && widget.testAttribute(Qt::WA_SetPalette)
        && ownColour(widget, QPalette::Window, color)
        && ownColour(widget, widget.backgroundRole(), color))
        return;
    // Buttons fill with the Button role, everything else with Window.
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, color);
    palette.setColor(widget.backgroundRole(), color);
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

TwipsRect ControlBase::twipsOf(const QWidget &self) const
{
    // The widths are checked against the stored edges they were made from.
    const QRect &stored = m_pixels;
    const QRect shown = self.geometry();
    return {
        stored.x() == shown.x() ? m_twips.left : shown.x() * twipsPerPixel,
        stored.y() == shown.y() ? m_twips.top : shown.y() * twipsPerPixel,
        stored.width() == shown.width() ? m_twips.width : shown.width() * twipsPerPixel,
        stored.height() == shown.height() ? m_twips.height : shown.height() * twipsPerPixel,
    };
}

void ControlBase::placeTwips(QWidget &self, const TwipsRect &twips)
{
    // A layout pass writes many a control's place unchanged; even then Qt's
    // setGeometry costs more than the rest of the write.
    if (twips == m_twips && m_pixels == self.geometry())
        return;
    m_twips = twips;
    const QRect pixels = pixelRect(twips);
    if (pixels == m_pixels && pixels == self.geometry())
        return;
    m_pixels = pixels;
    self.setGeometry(m_pixels);
}

void ControlBase::setTabStopOf(QWidget &self, bool on)
{
    m_tabStop = on;
    if (self.focusPolicy() != Qt::NoFocus)
        self.setFocusPolicy(on ? Qt::StrongFocus : Qt::ClickFocus);
}

namespace {

// Kept as a child of the top-level window it orders.
class TabOrder : public QObject
{
    Q_OBJECT
public:
    static TabOrder &of(QWidget *window)
    {
        if (auto *order = window->findChild<TabOrder *>(QString(), Qt::FindDirectChildrenOnly))
            return *order;
        return *new TabOrder(window);
    }

    int indexOf(const QWidget *control)
    {
        update();
        return int(m_controls.indexOf(control));
    }

    void move(QWidget *control, int index)
    {
        update();
        m_controls.move(m_controls.indexOf(control),
                        std::clamp(index, 0, int(m_controls.size()) - 1));
        rebuildFocusChain();
    }

private:
    explicit TabOrder(QWidget *window)
        : QObject(window)
        , m_window(window)
    { }

    // Drops controls that are gone or moved to another window and appends
    // new ones. Until the first rebuild Qt's focus chain is creation order;
    // afterwards it is this order with later controls at its end.
    void update()
    {
        m_controls.removeIf([this](const QPointer<QWidget> &control) {
            return !control || control->window() != m_window;
        });
        for (QWidget *widget = m_window->nextInFocusChain(); widget != m_window;
             widget = widget->nextInFocusChain()) {
            if (dynamic_cast<ControlBase *>(widget) && !m_controls.contains(widget))
                m_controls.append(widget);
        }
    }

    // Qt ignores setTabOrder for widgets that never take the focus.
    void rebuildFocusChain() const
    {
        QWidget *previous = nullptr;
        for (QWidget *control : m_controls) {
            if (control->focusPolicy() == Qt::NoFocus)
                continue;
            if (previous)
                QWidget::setTabOrder(previous, control);
            previous = control;
        }
    }

    QWidget *m_window;
    QList<QPointer<QWidget>> m_controls;
};

} // namespace

int tabIndexOf(const QWidget &control)
{
    return TabOrder::of(control.window()).indexOf(&control);
}

void setTabIndexOf(QWidget &control, int index)
{
    TabOrder::of(control.window()).move(&control, index);
}

} // namespace controls

#include "control.moc"
