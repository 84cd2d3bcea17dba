#pragma once
// Window helpers: the midpoint of a window's frame, and the flip that turns one
// window into another like the two faces of a card. The flip photographs both
// windows (QWidget::grab(): the client area; the window manager's frame is not
// ours), shows the pictures as layers in two borderless see-through windows 100
// pixels larger on every side, hides the source, turns the source picture half a
// turn about the vertical axis while the destination picture turns in from behind,
// and at the end closes the flip windows and shows the destination, active.
// Swapping windows happens within one pass of the event loop, so no in-between state
// is painted. Main thread only.
#include "AppKitExtensions/NSWindowFlipperDelegate.h"
#include "platform/layers/Layer.h"

#include <QImage>
#include <QPointF>
#include <QPointer>
#include <memory>

class QWidget;

namespace NTXNSWindowExtension {

// The flip windows' margin around each picture, and the eye's distance.
inline constexpr int FlipMargin = 100;
inline constexpr qreal EyeDistance = 850;
inline constexpr qreal ShadowRadius = 14;
inline constexpr qreal ShadowOpacity = 0.4;
inline constexpr qreal ShadowOffsetY = -22.5;

struct FlipArguments
{
    QPointer<QWidget> toWindow;
    double duration = 0; // seconds, before the modifier keys' adjustment
    bool shadowed = false;
};

// One flip under way.
struct Flip
{
    QPointer<QWidget> fromFlipWindow;
    QPointer<QWidget> toFlipWindow;
    platform::LayerPtr fromLayer;
    platform::LayerPtr toLayer;
    std::shared_ptr<NSWindowFlipperDelegate> delegate;
    double duration = 0;
};

// The centre of the window's frame; the zero point for no window.
QPointF midpoint(const QWidget *window);
// Moves the window so that its frame's centre is the point.
void setMidpoint(QWidget *window, const QPointF &point);

// Shift doubles the duration, Shift with Control makes it eight times as long;
// Control alone changes nothing.
double flipDuration(double seconds, Qt::KeyboardModifiers modifiers);

// A picture layer as the flip shows it: the image in its middle, unscaled, its back
// invisible, turned half a turn when `turned`; shadowed when asked.
platform::LayerPtr flipLayer(const QImage &picture, const QRectF &frame, bool turned, bool shadowed);

Flip flipToWindow(QWidget *from, QWidget *to, double seconds, bool shadowed);
// With `adjustWindowFrame` the destination first gets the source's geometry.
Flip flipToWindow(QWidget *from, QWidget *to, bool adjustWindowFrame, double seconds, bool shadowed);
// The modifier keys are read now (QGuiApplication::queryKeyboardModifiers()).
Flip flipWithArguments(QWidget *from, const FlipArguments &arguments);
Flip flipWithArguments(QWidget *from, const FlipArguments &arguments, Qt::KeyboardModifiers modifiers);

} // namespace NTXNSWindowExtension
