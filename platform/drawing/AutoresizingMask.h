#pragma once
// Cocoa's autoresizing of subviews for plain QWidgets: a child carries a mask of
// margin and size bits, and when its parent changes size the change along each axis
// is shared among the flexible parts (left margin, width, right margin; likewise
// vertically) in proportion to their current lengths (evenly when all are zero).
//
// The bits keep their Cocoa values, so stored masks apply as written. Cocoa's y axis
// grows upward: in an unflipped parent MinYMargin is the bottom margin, in a flipped
// (y-down) parent the top one. Stateless apart from the mask kept on the widget;
// main thread only, like every widget. Never fails: a child without mask stays put.
#include <QSize>

class QWidget;

namespace platform {

enum AutoresizingMaskBits : int {
    ViewNotSizable = 0,
    ViewMinXMargin = 1,
    ViewWidthSizable = 2,
    ViewMaxXMargin = 4,
    ViewMinYMargin = 8,
    ViewHeightSizable = 16,
    ViewMaxYMargin = 32,
};

void setAutoresizingMask(QWidget *child, int mask);
int autoresizingMask(const QWidget *child);

// Moves and sizes every direct child widget of parent after its size went from
// oldSize to its current size. parentIsFlipped: the parent's y axis grows downward.
void resizeChildrenWithOldSize(QWidget *parent, const QSize &oldSize, bool parentIsFlipped);

} // namespace platform
