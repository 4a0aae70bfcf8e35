#include "PointerFeedback.h"

#include "platform/ui/Pointer.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QMouseEvent>
#include <QWidget>

namespace tw::gui {

namespace {
constexpr char kRuleProperty[] = "twPointerRule";
constexpr char kOwnerProperty[] = "twPointerOwner";
} // namespace

void PointerFeedback::watch(QWidget *widget, Rule rule)
{
    auto hook = [this, rule](QWidget *target, QWidget *owner) {
        target->setProperty(kRuleProperty, int(rule));
        target->setProperty(kOwnerProperty, QVariant::fromValue<QObject *>(owner));
        target->setMouseTracking(true);
        target->installEventFilter(this);
    };
    hook(widget, widget);
    if (auto *area = qobject_cast<QAbstractScrollArea *>(widget))
        hook(area->viewport(), widget);
}

void PointerFeedback::pointerMovedOver(QWidget *widget)
{
    const QVariant rule = widget->property(kRuleProperty);
    if (!rule.isValid())
        return;
    const bool busy = m_pointer.MousePointer() == ui::PointerBusy;
    auto *owner = qobject_cast<QWidget *>(widget->property(kOwnerProperty).value<QObject *>());
    switch (Rule(rule.toInt())) {
    case Rule::Hand:
        if (!busy && (!owner || owner->isEnabled()))
            m_pointer.setMousePointer(ui::PointerCustom);
        break;
    case Rule::Default:
        if (!busy)
            m_pointer.setMousePointer(ui::PointerDefault);
        break;
    case Rule::DefaultAlways:
        m_pointer.setMousePointer(ui::PointerDefault);
        break;
    }
}

bool PointerFeedback::eventFilter(QObject *watched, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::Enter) {
        pointerMovedOver(widget);
    } else if (event->type() == QEvent::MouseMove) {
        // A move a child did not take reaches its parents too; only the widget
        // right under the pointer decides.
        const auto *move = static_cast<QMouseEvent *>(event);
        if (!widget->childAt(move->position().toPoint()))
            pointerMovedOver(widget);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace tw::gui
