#pragma once
// PointerFeedback: the hover rules of the two windows. Moving over a control
// sets the window's pointer: the hand over enabled buttons, the default
// pointer over the background, groups, lists and fields; the busy pointer is
// left alone, except by controls that always reset it.

#include <QObject>

class QWidget;

namespace tw::ui {
class PointerTarget;
}

namespace tw::gui {

class PointerFeedback final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PointerFeedback)

public:
    enum class Rule {
        Hand,          // enabled button: the custom pointer, unless busy
        Default,       // background, group, list, field: the default pointer, unless busy
        DefaultAlways, // the default pointer even over the busy pointer
    };

    PointerFeedback(ui::PointerTarget &pointer, QObject *parent) : QObject(parent), m_pointer(pointer) {}

    // Applies rule while the pointer moves over widget (and, for a list or
    // other scroll area, over its viewport).
    void watch(QWidget *widget, Rule rule);

    // What moving over widget does to the pointer (the event filter's work).
    void pointerMovedOver(QWidget *widget);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ui::PointerTarget &m_pointer;
};

} // namespace tw::gui
