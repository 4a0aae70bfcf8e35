#pragma once
// HandCursor: our own drawing of a pointing hand, encoded as a Windows cursor
// file (.cur) with a 32-bit image and its mask; the hot spot is the fingertip.

#include <QByteArray>

namespace tw::samples {

QByteArray HandCursorFile();

} // namespace tw::samples
