#pragma once
// Fitting a stored window frame to the screens there are now. Frames are in Qt's
// device-independent pixels; a frame saved on a larger screen, or at another scale
// factor, must still come back whole on this one. Stateless; GUI thread (it asks
// QGuiApplication for the screens).
#include <QMargins>
#include <QRect>

class QWidget;

namespace platform::ScreenFit {

// The screen area the frame overlaps most (the primary screen's when it overlaps
// none); an empty rectangle without screens.
QRect availableAreaFor(const QRect &frame);

// The frame shrunk to the available area of its screen where it is larger, then
// moved, as little as possible, to lie inside it. Without screens: the frame.
QRect fittedFrame(const QRect &frame);

// What the window manager adds around a top-level window (title bar, borders): the
// window's own margins once it was decorated, else those of another decorated
// top-level window (one window manager decorates windows alike), else on X a title
// bar of the style's height, else none.
QMargins decorationMargins(const QWidget *window);

// The client geometry of a top-level window whose whole frame, decorations
// included, is `frame` fitted to its screen (see fittedFrame()).
QRect fittedClientGeometry(const QRect &frame, const QMargins &decorations);

// Moves (and where it is larger, shrinks) a shown top-level window so that its
// frame, decorations included, lies inside the available area of its screen (a
// window of a fixed size gets the smaller size as its fixed size). Answers whether
// it changed anything.
bool fitWindowFrame(QWidget *window);

// Fits the window's frame to its screen (as fitWindowFrame()) once the window manager
// has framed it: at once when it is shown with its decorations already, else on the
// first move or resize that shows them. A stored frame placed before the window was
// shown counted a guess of the decorations; this corrects it. Once per call (a call
// while one still waits adds nothing).
void fitWindowFrameWhenFramed(QWidget *window);

// The top-left corner of a window's frame of `frameSize` cascaded from a window
// whose frame is `previous`: `step` right and down; on an axis where the frame
// would leave the available area it starts again at the area's edge.
QPoint cascadedTopLeft(const QRect &previous, const QSize &frameSize, int step);

} // namespace platform::ScreenFit
