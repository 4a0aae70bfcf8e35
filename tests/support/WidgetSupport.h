#pragma once
// Helpers for the tests of windows (they link Qt Widgets).

#include <QApplication>
#include <QEnterEvent>
#include <QWidget>

namespace tw::test {

// The mouse enters the widget, as when the pointer moves over it (tooltips,
// status texts and hover styles follow).
inline void hover(QWidget *widget)
{
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), widget->mapToGlobal(QPointF(1, 1)));
    QApplication::sendEvent(widget, &enter);
}

} // namespace tw::test
