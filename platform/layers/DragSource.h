#pragma once
// The source side of a DragSession: the object that started the drag hears where it
// began, every move and how it ended (all points in screen coordinates). The ended
// operation is Qt::IgnoreAction when nothing was dropped (release outside every
// destination, refusal, Escape, lost grab). The defaults do nothing; the mask allows a
// move. The session does not own its source. GUI thread only.
#include <QPoint>
#include <Qt>

namespace platform {

class DragSession;

class DragSource
{
public:
    virtual ~DragSource() = default;

    virtual Qt::DropActions draggingSourceOperationMask(bool /*local*/) { return Qt::MoveAction; }
    virtual void draggedImageBeganAt(DragSession &, QPoint) {}
    virtual void draggedImageMovedTo(DragSession &, QPoint) {}
    virtual void draggedImageEndedAt(DragSession &, QPoint, Qt::DropAction) {}
};

} // namespace platform
