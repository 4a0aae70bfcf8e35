#pragma once
// ResetFormColours: the Main module's routine that gives a window the system
// button-face colour; with the other widget helpers, as it needs QtWidgets.

class QWidget;

namespace tw::Main {

// Gives the window, its option buttons, check boxes, frames and labels the
// system button-face colour.
void ResetFormColours(QWidget *window);

} // namespace tw::Main
