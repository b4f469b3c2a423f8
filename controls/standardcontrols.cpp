#include "controls.h"

#include "accessibleoption.h"

#include <QEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QValidator>

#include <limits>

namespace controls {

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
    return m_caption;
}

void CommandButton::setCaption(const QString &caption)
{
    m_caption = caption;
    // Read aloud as written, not as wrapped on the button.
    setAccessibleName(withoutAccessKeys(caption));
    setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextUnderIcon);
    wrapCaption();
}

void CommandButton::wrapCaption()
{
    const int room = width() - 8;
    const QFontMetrics metrics = fontMetrics();
    QString shown = m_caption;
    if (metrics.horizontalAdvance(QString(m_caption).remove(u'&')) > room) {
        // Break at the last blank that lets the first line fit, else the first one.
        const qsizetype first = m_caption.indexOf(u' ');
        qsizetype at = m_caption.lastIndexOf(u' ');
        while (at > first && metrics.horizontalAdvance(m_caption.left(at).remove(u'&')) > room)
            at = m_caption.lastIndexOf(u' ', at - 1);
        if (at > 0)
            shown[at] = u'\n';
    }
    if (shown != text())
        setText(shown);
}

void CommandButton::resizeEvent(QResizeEvent *event)
{
    Control<QToolButton>::resizeEvent(event);
    wrapCaption();
}

void CommandButton::changeEvent(QEvent *event)
{
    Control<QToolButton>::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        wrapCaption();
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

void CommandButton::keyPressEvent(QKeyEvent *event)
{
    if (!isEnterKey(*event)) {
        Control<QToolButton>::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        click();
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
    // A Windows single-line border is black whatever the text colour, so it is
    // drawn here rather than by QFrame, which takes the text colour.
    m_border = singleLine;
    setContentsMargins(singleLine ? QMargins(1, 1, 1, 1) : QMargins());
    fitToText();
    update();
}

void Label::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!m_border)
        return;
    QPainter painter(this);
    painter.setPen(Qt::black);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
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

namespace {

// Takes the line breaks out of a field's text, as a Windows single-line text
// box does: a copied path often ends in one, and hobe.ini holds one line per
// directory.
class OneLine : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &pos) const override
    {
        QString kept;
        kept.reserve(input.size());
        for (qsizetype i = 0; i < input.size(); ++i) {
            if (isLineBreak(input.at(i))) {
                if (i < pos)
                    --pos;
            } else {
                kept += input.at(i);
            }
        }
        input = kept;
        return Acceptable;
    }

private:
    static bool isLineBreak(QChar c)
    {
        return c == u'\n' || c == u'\r' || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator;
    }
};

} // namespace

TextBox::TextBox(QWidget *parent)
    : Control<QLineEdit>(parent)
{
    // A Windows text box takes more than QLineEdit's 32767 characters, and
    // the DOS path form must see a longer path to refuse it.
    setMaxLength(std::numeric_limits<int>::max());
    setValidator(new OneLine(this));
}

namespace {

// A family to use for a design face, at a scale of the design's size: the
// Windows sans serif is narrower than Arial, whose metrics Liberation Sans
// shares, so at the same size the captions would not fit their fixed design
// widths. An empty family stands for the system's default.
struct Candidate
{
    QStringView family;
    double scale;
};

struct FaceMapping
{
    QStringView face;
    Candidate candidates[3];
    QFont::StyleHint fallback;
};

#ifdef Q_OS_WIN
// The design's faces where Windows has them (the bitmap sans serif as its
// TrueType twin); under Wine, whose own fonts Qt does not list, those of Linux.
constexpr FaceMapping faceMappings[] = {
    {u"MS Sans Serif",
     {{u"Microsoft Sans Serif", 1.0}, {u"Liberation Sans", 0.9}, {u"", 1.0}},
     QFont::SansSerif},
    {u"Times New Roman",
     {{u"Times New Roman", 1.0}, {u"Liberation Serif", 1.0}, {u"", 1.0}},
     QFont::Serif},
};
#else
// Liberation fonts share Arial's and Times New Roman's metrics, so texts
// take about the room they took on Windows.
constexpr FaceMapping faceMappings[] = {
    {u"MS Sans Serif",
     {{u"Liberation Sans", 0.9}, {u"DejaVu Sans", 0.9}, {u"", 0.9}},
     QFont::SansSerif},
    {u"Times New Roman",
     {{u"Liberation Serif", 1.0}, {u"DejaVu Serif", 1.0}, {u"", 1.0}},
     QFont::Serif},
};
#endif

Candidate candidateFor(const FaceMapping &mapping)
{
    const QStringList families = QFontDatabase::families();
    for (const Candidate &candidate : mapping.candidates) {
        if (candidate.family.isEmpty() || families.contains(candidate.family))
            return candidate;
    }
    return {};
}

} // namespace

QFont designFont(const QString &face, double points, bool bold, bool underline)
{
    QFont font;
    double scale = 1.0;
    for (const FaceMapping &mapping : faceMappings) {
        if (mapping.face.compare(face, Qt::CaseInsensitive) == 0) {
            font.setStyleHint(mapping.fallback);
            const Candidate candidate = candidateFor(mapping);
            font.setFamily(candidate.family.isEmpty() ? font.defaultFamily()
                                                      : candidate.family.toString());
            scale = candidate.scale;
        }
    }
    font.setPointSizeF(points * scale);
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    font.setUnderline(underline);
    return font;
}

} // namespace controls
