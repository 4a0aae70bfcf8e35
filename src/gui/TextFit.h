#pragma once
// fitToText: the two windows place their controls at fixed positions measured
// for Arial. With a wider font a caption would be cut; fitToText lets such a
// control grow instead. Controls to its right move along (a text field beside
// it gives up some of its width first), and the group and the window holding
// it grow as far as needed; controls that reached the right edge of their
// group stay flush with it. Where every text fits, nothing moves.

#include <QSize>

class QWidget;

namespace tw::gui {

// Fits the controls of window, laid out for a client area of clientSize, to
// their texts, the controls inside its group boxes too. Returns the client
// size the window needs: clientSize, or larger.
QSize fitToText(QWidget *window, QSize clientSize);

} // namespace tw::gui
