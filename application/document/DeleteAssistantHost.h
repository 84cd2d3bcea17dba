#pragma once
// What DeleteAssistant uses of its document: the window its sheet goes on, the tree it
// deletes from (and, through HeldNodesHost, what its sheet holds), the undoable edits,
// what follows (the outline's selection, the window's controls, the menus through the
// services), and the document object (its undo manager names the deletion).
//
// Implemented by the document that owns the assistant (MyDocument, privately); it
// outlives the assistant. GUI thread only; the edits re-enter the outline's views.
// Nothing here throws beyond what the edits throw.
#include "application/document/HeldNodesHost.h"

class DocumentEdits;
class DocumentServices;
class DocumentWindow;

class DeleteAssistantHost : public virtual HeldNodesHost
{
public:
    // Null while the document has no window.
    virtual DocumentWindow *documentWindow() const = 0;
    virtual DocumentEdits &edits() const = 0;
    virtual DocumentServices &services() const = 0;
    virtual void reloadOutline() = 0;
    virtual void updateUI() = 0;

protected:
    ~DeleteAssistantHost() = default;
};
