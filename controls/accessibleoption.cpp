#include "accessibleoption.h"

#include "controls.h"

#include <QAccessibleWidget>

namespace controls {

QString withoutAccessKeys(const QString &caption)
{
    QString text;
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return text;
}

namespace {

class AccessibleOption : public QAccessibleWidget
{
public:
    explicit AccessibleOption(VqsOption *option)
        : QAccessibleWidget(option, QAccessible::RadioButton)
    { }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return withoutAccessKeys(option()->text());
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = option()->isChecked();
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList {pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &name) override
    {
        if (name == pressAction())
            option()->click();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    VqsOption *option() const { return static_cast<VqsOption *>(widget()); }
};

QAccessibleInterface *vqsFactory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    if (className == QLatin1StringView(VqsOption::staticMetaObject.className()))
        return new AccessibleOption(static_cast<VqsOption *>(object));
    // A panel is a group (a "panel" to AT-SPI) that a screen reader names when
    // the focus enters it; Qt would make it a frame, like a top-level window.
    if (className == QLatin1StringView(VqsPanel::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Grouping);
    return nullptr;
}

} // namespace

void installAccessibleControls()
{
    QAccessible::installFactory(vqsFactory);
}

} // namespace controls
