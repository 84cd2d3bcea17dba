#pragma once
// Widget helpers: stacking order among siblings, finding descendants of a class, and
// overlay widgets that fade in above or below another widget.
//
// An overlay takes part in its coming and going by declaring any of these
// Q_INVOKABLE methods without arguments: viewWillBecomeOverlay, viewDidBecomeOverlay,
// viewWillResignOverlay, viewDidResignOverlay.
#include <QList>
#include <QRect>

class QMetaObject;
class QWidget;

namespace NTXNSViewExtension {

// Orders two sibling widgets so that the context widget comes last: 1 when the first
// is the context, -1 when the second is, otherwise 0.
int NTXCompareViewsForFront(const QWidget *first, const QWidget *second, const QWidget *context);
// Puts the widget in front of its siblings; the others keep their order.
void bwBringToFront(QWidget *view);

// Every widget below the view, depth first (each child followed at once by its own
// descendants, children in stacking order), kept when it is of the class or a
// subclass; every one with a null class. The view itself is not included.
QList<QWidget *> descendantsKindOfClass(const QWidget *view, const QMetaObject *kind);
template<typename T>
QList<QWidget *> descendantsKindOfClass(const QWidget *view)
{
    return descendantsKindOfClass(view, &T::staticMetaObject);
}

// Adds the overlay to the view's parent, directly above the view when the order is 1
// and directly below it for any other value, fading it in over 0.5 s. The overlay is
// told before and after. A view without a parent gets no overlay (the overlay is still
// told).
void addOverlayView(QWidget *view, QWidget *overlay, int order);
// The same; the flag has no effect.
void addOverlayView(QWidget *view, QWidget *overlay, int order, bool attachToMouse);
// Fades the overlay out over 0.5 s and takes it from its parent; the caller owns it
// afterwards. The overlay is told before and after.
void removeOverlayView(QWidget *overlay);
// The view's frame (the overlay is not used).
QRect adjustedFrameForOverlay(const QWidget *view, const QWidget *overlay);

constexpr int OverlayAnimationMilliseconds = 500;

} // namespace NTXNSViewExtension
