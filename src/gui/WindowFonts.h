#pragma once
// The fonts of the two windows: Arial, or a metric-compatible stand-in
// (Liberation Sans) where Arial is not installed.

#include <QFont>

namespace tw::gui {

inline constexpr qreal kWindowPoints = 9;     // window, groups, labels, fields
inline constexpr qreal kButtonPoints = 11.25; // push button captions

QFont arialFont(qreal points, bool bold);

} // namespace tw::gui
