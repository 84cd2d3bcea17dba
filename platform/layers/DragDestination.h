#pragma once
// The drag-destination side of a widget: a widget that implements this interface (as
// a second base class) is told about drags over it, in-process DragSession drags and,
// through a DragDestinationAdapter, Qt drags of other programs alike.
//
// Order per widget: dragEntered once, dragUpdated on every move, then either
// dragExited (the pointer left, the drag was cancelled, or the last answer was no
// operation when the button went up) or prepareForDrop → performDrop → concludeDrop
// (conclude only after a performed drop). Answers of Qt::IgnoreAction mean "no drop
// here". Every default refuses and changes nothing.
//
// The session does not own its destinations; a destination widget that goes away in
// the middle of a drag is simply dropped from it. GUI thread only.
#include "platform/layers/DragInfo.h"

namespace platform {

class DragDestination
{
public:
    virtual ~DragDestination() = default;

    virtual Qt::DropAction dragEntered(const DragInfo &) { return Qt::IgnoreAction; }
    virtual Qt::DropAction dragUpdated(const DragInfo &) { return Qt::IgnoreAction; }
    virtual void dragExited(const DragInfo &) {}
    virtual bool prepareForDrop(const DragInfo &) { return true; }
    virtual bool performDrop(const DragInfo &) { return false; }
    virtual void concludeDrop(const DragInfo &) {}
};

} // namespace platform
