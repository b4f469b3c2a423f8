#include "controls.h"

#include <QEvent>
#include <QFontDatabase>
#include <QMouseEvent>

namespace platform {

CommandButton::CommandButton(QWidget *parent)
    : Control<QToolButton>(parent)
{
    // Windows buttons take the focus on a click as well as by Tab.
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

QString CommandButton::caption() const
{
    return text();
}

void CommandButton::setCaption(const QString &caption)
{
    setText(caption);
    setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
}

void CommandButton::setPicture(const QIcon &picture, int pixels)
{
    setIcon(picture);
    setIconSize(QSize(pixels, pixels));
}

void CommandButton::setBackColor(const QColor &color)
{
    fillBackground(*this, color);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Button, color);
    setPalette(palette);
}

void CommandButton::mouseMoveEvent(QMouseEvent *event)
{
    emit mouseMove();
    QToolButton::mouseMoveEvent(event);
}

Label::Label(QWidget *parent)
    : Control<QLabel>(parent)
{
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setWordWrap(true);
}

QString Label::caption() const
{
    return text();
}

void Label::setCaption(const QString &caption)
{
    setText(caption);
    fitToText();
}

void Label::setAutoSize(bool on)
{
    m_autoSize = on;
    if (on)
        setWordWrap(false);
    fitToText();
}

void Label::setForeColor(const QColor &color)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    setPalette(palette);
}

void Label::setBackColor(const QColor &color)
{
    fillBackground(*this, color);
}

void Label::setBorder(bool singleLine)
{
    setFrameStyle(singleLine ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    setLineWidth(1);
    fitToText();
}

void Label::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitToText();
}

void Label::fitToText()
{
    if (!m_autoSize)
        return;
    if (wordWrap()) {
        setHeightTwips(heightForWidth(width()) * twipsPerPixel);
        return;
    }
    const QSize size = sizeHint();
    setWidthTwips(size.width() * twipsPerPixel);
    setHeightTwips(size.height() * twipsPerPixel);
}

TextBox::TextBox(QWidget *parent)
    : Control<QLineEdit>(parent)
{ }

namespace {

struct FaceMapping
{
    QStringView face;
    QStringView candidates[2];
    QFont::StyleHint fallback;
};

// Liberation fonts share Arial's and Times New Roman's metrics, so texts
// take about the room they took on Windows.
constexpr FaceMapping faceMappings[] = {
    {u"MS Sans Serif", {u"Liberation Sans", u"DejaVu Sans"}, QFont::SansSerif},
    {u"Times New Roman", {u"Liberation Serif", u"DejaVu Serif"}, QFont::Serif},
};

QString familyFor(const FaceMapping &mapping, const QFont &fallback)
{
    const QStringList families = QFontDatabase::families();
    for (QStringView candidate : mapping.candidates) {
        if (families.contains(candidate))
            return candidate.toString();
    }
    return fallback.defaultFamily();
}

} // namespace

QFont designFont(const QString &face, double points, bool bold, bool underline)
{
    QFont font;
    for (const FaceMapping &mapping : faceMappings) {
        if (mapping.face.compare(face, Qt::CaseInsensitive) == 0) {
            font.setStyleHint(mapping.fallback);
            font.setFamily(familyFor(mapping, font));
        }
    }
    font.setPointSizeF(points);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setUnderline(underline);
    return font;
}

} // namespace platform
