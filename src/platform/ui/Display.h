#pragma once
// Display: whether the program has a screen to show its windows on before it
// starts Qt. On Linux that is an X11 or Wayland display named in the
// environment (or a platform chosen through QT_QPA_PLATFORM); on Windows a
// program always has its desktop.

#include <QString>

namespace tw::ui {

// Empty when windows can be shown; otherwise what to tell the user.
QString missingDisplayMessage();

} // namespace tw::ui
