#include "referencewindow.h"

#include "controls/control.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QHash>
#include <QIcon>
#include <QImage>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QToolButton>

#include <array>

using namespace Qt::StringLiterals;

namespace bench {

namespace {

struct Kind
{
    const QMetaObject *meta;
    QWidget *(*create)(QWidget *parent);
};

template<class W> QWidget *create(QWidget *parent)
{
    return new W(parent);
}

// The Qt classes the controls are built on, found from the most derived
// class upwards, so a label is a QLabel although it is a QFrame as well.
const std::array<Kind, 8> kinds = {{
    {&QRadioButton::staticMetaObject, create<QRadioButton>},
    {&QCheckBox::staticMetaObject, create<QCheckBox>},
    {&QToolButton::staticMetaObject, create<QToolButton>},
    {&QLabel::staticMetaObject, create<QLabel>},
    {&QLineEdit::staticMetaObject, create<QLineEdit>},
    {&QListWidget::staticMetaObject, create<QListWidget>},
    {&QComboBox::staticMetaObject, create<QComboBox>},
    {&QFrame::staticMetaObject, create<QFrame>},
}};

const Kind *kindOf(const QWidget &widget)
{
    for (const QMetaObject *meta = widget.metaObject(); meta; meta = meta->superClass()) {
        for (const Kind &kind : kinds) {
            if (kind.meta == meta)
                return &kind;
        }
    }
    return nullptr;
}

const Kind *kindNamed(const QString &name)
{
    for (const Kind &kind : kinds) {
        if (QLatin1StringView(kind.meta->className()) == name)
            return &kind;
    }
    return nullptr;
}

struct Role
{
    QPalette::ColorRole role;
    const char16_t *name;
};

constexpr Role roles[] = {
    {QPalette::Window, u"Window"}, {QPalette::WindowText, u"WindowText"},
    {QPalette::Base, u"Base"},     {QPalette::Text, u"Text"},
    {QPalette::Button, u"Button"}, {QPalette::ButtonText, u"ButtonText"},
};

// The pictures of the resources, to name a widget's picture by its file.
class Pictures
{
public:
    Pictures()
    {
        QDirIterator it(u":/"_s, {u"*.svg"_s}, QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            m_paths << it.next();
        m_paths.sort();
    }

    QString nameOf(const QIcon &icon, int size)
    {
        if (icon.isNull())
            return {};
        const QImage image = icon.pixmap(size).toImage();
        for (const QString &path : std::as_const(m_paths)) {
            const QString key = path + u'@' + QString::number(size);
            if (!m_images.contains(key))
                m_images.insert(key, QIcon(path).pixmap(size).toImage());
            if (m_images.value(key) == image)
                return path;
        }
        return {};
    }

private:
    QStringList m_paths;
    QHash<QString, QImage> m_images;
};

QJsonObject commonProperties(const QWidget &widget, Pictures &pictures)
{
    QJsonObject object;
    if (widget.testAttribute(Qt::WA_SetFont))
        object[u"font"] = widget.font().toString();
    if (widget.testAttribute(Qt::WA_SetPalette)) {
        QJsonObject colours;
        for (const Role &role : roles) {
            if (widget.palette().isBrushSet(QPalette::Active, role.role))
                colours[QString::fromUtf16(role.name)]
                    = widget.palette().color(role.role).name(QColor::HexArgb);
        }
        object[u"palette"] = colours;
    }
    object[u"autoFill"] = widget.autoFillBackground();
    if (!widget.toolTip().isEmpty())
        object[u"toolTip"] = widget.toolTip();
    if (widget.isWindow()) {
        object[u"title"] = widget.windowTitle();
        object[u"icon"] = pictures.nameOf(widget.windowIcon(), 32);
    }
    return object;
}

QJsonObject controlProperties(const QWidget &widget, Pictures &pictures)
{
    QJsonObject object = commonProperties(widget, pictures);
    if (const auto *frame = qobject_cast<const QFrame *>(&widget)) {
        object[u"frameStyle"] = frame->frameStyle();
        object[u"lineWidth"] = frame->lineWidth();
    }
    if (const auto *button = qobject_cast<const QAbstractButton *>(&widget)) {
        object[u"text"] = button->text();
        object[u"checked"] = button->isChecked();
        const int size = button->iconSize().width();
        object[u"picture"] = pictures.nameOf(button->icon(), size);
        object[u"pictureSize"] = size;
    }
    if (const auto *tool = qobject_cast<const QToolButton *>(&widget))
        object[u"toolButtonStyle"] = int(tool->toolButtonStyle());
    if (const auto *label = qobject_cast<const QLabel *>(&widget)) {
        object[u"text"] = label->text();
        object[u"wordWrap"] = label->wordWrap();
        object[u"alignment"] = int(label->alignment());
    }
    if (const auto *edit = qobject_cast<const QLineEdit *>(&widget))
        object[u"text"] = edit->text();
    if (const auto *list = qobject_cast<const QListWidget *>(&widget)) {
        QJsonArray items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        object[u"items"] = items;
    }
    if (const auto *combo = qobject_cast<const QComboBox *>(&widget)) {
        QJsonArray items;
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        object[u"items"] = items;
    }
    return object;
}

void describeChildren(const QWidget &parent, int parentIndex, QJsonArray &widgets,
                      Pictures &pictures)
{
    for (QObject *child : parent.children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        // Only the controls: the widgets Qt makes inside them (viewports,
        // scroll bars) the reference's widgets make for themselves.
        if (!widget || !dynamic_cast<controls::ControlBase *>(widget))
            continue;
        const Kind *kind = kindOf(*widget);
        if (!kind)
            continue;
        QJsonObject object = controlProperties(*widget, pictures);
        object[u"kind"] = QString::fromLatin1(kind->meta->className());
        object[u"name"] = widget->objectName();
        object[u"parent"] = parentIndex;
        const QRect g = widget->geometry();
        object[u"geometry"] = QJsonArray {g.x(), g.y(), g.width(), g.height()};
        object[u"hidden"] = widget->isHidden();
        const int index = int(widgets.size());
        widgets << object;
        describeChildren(*widget, index, widgets, pictures);
    }
}

QPalette withColours(QPalette palette, const QJsonObject &colours)
{
    for (const Role &role : roles) {
        const QString name = QString::fromUtf16(role.name);
        if (colours.contains(name))
            palette.setColor(role.role, QColor::fromString(colours[name].toString()));
    }
    return palette;
}

void applyCommon(QWidget &widget, const QJsonObject &object)
{
    if (object.contains(u"font")) {
        QFont font;
        font.fromString(object[u"font"].toString());
        widget.setFont(font);
    }
    if (object.contains(u"palette"))
        widget.setPalette(withColours(widget.palette(), object[u"palette"].toObject()));
    widget.setAutoFillBackground(object[u"autoFill"].toBool());
    if (object.contains(u"toolTip"))
        widget.setToolTip(object[u"toolTip"].toString());
}

QStringList texts(const QJsonValue &items)
{
    QStringList list;
    for (const QJsonValue &item : items.toArray())
        list << item.toString();
    return list;
}

void applyControl(QWidget &widget, const QJsonObject &object)
{
    applyCommon(widget, object);
    const QString text = object[u"text"].toString();
    if (auto *frame = qobject_cast<QFrame *>(&widget)) {
        frame->setFrameStyle(object[u"frameStyle"].toInt());
        frame->setLineWidth(object[u"lineWidth"].toInt());
    }
    if (auto *button = qobject_cast<QAbstractButton *>(&widget)) {
        button->setText(text);
        button->setChecked(object[u"checked"].toBool());
        if (const QString picture = object[u"picture"].toString(); !picture.isEmpty())
            button->setIcon(QIcon(picture));
        const int size = object[u"pictureSize"].toInt();
        button->setIconSize(QSize(size, size));
    }
    if (auto *tool = qobject_cast<QToolButton *>(&widget))
        tool->setToolButtonStyle(Qt::ToolButtonStyle(object[u"toolButtonStyle"].toInt()));
    if (auto *label = qobject_cast<QLabel *>(&widget)) {
        label->setTextFormat(Qt::PlainText);
        label->setText(text);
        label->setWordWrap(object[u"wordWrap"].toBool());
        label->setAlignment(Qt::Alignment(object[u"alignment"].toInt()));
    }
    if (auto *edit = qobject_cast<QLineEdit *>(&widget))
        edit->setText(text);
    if (auto *list = qobject_cast<QListWidget *>(&widget))
        list->addItems(texts(object[u"items"]));
    if (auto *combo = qobject_cast<QComboBox *>(&widget))
        combo->addItems(texts(object[u"items"]));
}

} // namespace

QJsonObject describeWindow(const QWidget &window)
{
    Pictures pictures;
    QJsonObject description = commonProperties(window, pictures);
    description[u"size"] = QJsonArray {window.width(), window.height()};
    QJsonArray widgets;
    describeChildren(window, -1, widgets, pictures);
    description[u"widgets"] = widgets;
    return description;
}

QWidget *buildReferenceWindow(const QJsonObject &description)
{
    auto *window = new QWidget;
    applyCommon(*window, description);
    window->setWindowTitle(description[u"title"].toString());
    if (const QString icon = description[u"icon"].toString(); !icon.isEmpty())
        window->setWindowIcon(QIcon(icon));
    const QJsonArray size = description[u"size"].toArray();
    window->resize(size[0].toInt(), size[1].toInt());

    QList<QWidget *> made;
    for (const QJsonValue &value : description[u"widgets"].toArray()) {
        const QJsonObject object = value.toObject();
        const int parent = object[u"parent"].toInt();
        QWidget *widget
            = kindNamed(object[u"kind"].toString())->create(parent < 0 ? window : made.at(parent));
        widget->setObjectName(object[u"name"].toString());
        applyControl(*widget, object);
        const QJsonArray g = object[u"geometry"].toArray();
        widget->setGeometry(g[0].toInt(), g[1].toInt(), g[2].toInt(), g[3].toInt());
        if (object[u"hidden"].toBool())
            widget->hide();
        made << widget;
    }
    return window;
}

QMap<QString, int> widgetKinds(const QJsonObject &description)
{
    QMap<QString, int> count {{u"QWidget (window)"_s, 1}};
    for (const QJsonValue &value : description[u"widgets"].toArray())
        ++count[value.toObject()[u"kind"].toString()];
    return count;
}

} // namespace bench
