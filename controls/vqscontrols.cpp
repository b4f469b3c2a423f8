#include "controls.h"

#include "accessibleoption.h"

#include <QMouseEvent>

namespace controls {

namespace {

struct Bit
{
    int qt;
    int windows;
};

// Mouse buttons and shift keys as a Windows mouse event reports them.
constexpr Bit buttonBits[] = {{Qt::LeftButton, 1}, {Qt::RightButton, 2}, {Qt::MiddleButton, 4}};
constexpr Bit shiftBits[]
    = {{Qt::ShiftModifier, 1}, {Qt::ControlModifier, 2}, {Qt::AltModifier, 4}};

template<std::size_t n> int windowsBits(int qtFlags, const Bit (&table)[n])
{
    int bits = 0;
    for (const Bit &bit : table) {
        if (qtFlags & bit.qt)
            bits |= bit.windows;
    }
    return bits;
}

} // namespace

VqsPanel::VqsPanel(QWidget *parent)
    : Control<QFrame>(parent)
{
    installAccessibleControls();
    setMouseTracking(true);
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
}

QColor VqsPanel::backColor() const
{
    return palette().color(QPalette::Window);
}

void VqsPanel::setBackColor(const QColor &color)
{
    fillBackground(*this, color);
}

void VqsPanel::setBevelWidth(int width)
{
    m_bevelWidth = width;
    updateFrame();
}

void VqsPanel::setBorderWidth(int width)
{
    m_borderWidth = width;
    updateFrame();
}

void VqsPanel::setBevelOuter(int bevel)
{
    m_bevelOuter = bevel;
    updateFrame();
}

void VqsPanel::updateFrame()
{
    // The border band needs no drawing: it is the background colour.
    switch (m_bevelOuter) {
    case 1:
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        break;
    case 2:
        setFrameStyle(QFrame::Panel | QFrame::Raised);
        break;
    default:
        setFrameStyle(QFrame::NoFrame);
        break;
    }
    setLineWidth(m_bevelWidth);
}

void VqsPanel::mouseMoveEvent(QMouseEvent *event)
{
    // Qt hands the moves over children without tracking on to us as well.
    const QPointF at = event->position();
    if (!childAt(at.toPoint())) {
        emit mouseMove(windowsBits(event->buttons().toInt(), buttonBits),
                       windowsBits(event->modifiers().toInt(), shiftBits), at.x() * twipsPerPixel,
                       at.y() * twipsPerPixel);
    }
    event->accept();
}

VqsOption::VqsOption(QWidget *parent)
    : Control<QRadioButton>(parent)
{
    installAccessibleControls();
    // Qt's own exclusive groups let Tab visit only the selected button; here
    // every option is a tab stop, so the group is kept by hand.
    setAutoExclusive(false);
    connect(this, &QAbstractButton::toggled, this, [this](bool selected) {
        if (!selected || !parentWidget())
            return;
        const auto siblings = parentWidget()->findChildren<VqsOption *>(Qt::FindDirectChildrenOnly);
        for (VqsOption *sibling : siblings) {
            if (sibling != this)
                sibling->setChecked(false);
        }
    });
}

bool VqsOption::value() const
{
    return isChecked();
}

void VqsOption::setValue(bool selected)
{
    setChecked(selected);
}

void VqsOption::setBackColor(const QColor &color)
{
    fillBackground(*this, color);
}

// A click selects; it never clears the selected option.
void VqsOption::nextCheckState()
{
    setChecked(true);
}

VqsCheck::VqsCheck(QWidget *parent)
    : Control<QCheckBox>(parent)
{ }

int VqsCheck::value() const
{
    return isChecked() ? 1 : 0;
}

void VqsCheck::setValue(int value)
{
    setChecked(value != 0);
}

void VqsCheck::setBackColor(const QColor &color)
{
    fillBackground(*this, color);
}

} // namespace controls
