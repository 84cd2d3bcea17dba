#pragma once
// What TimeEntrySheets uses of its document: the window its sheets go on and its
// controller (selecting the edited entry), the outline, the tree, the active job and
// the counter's entry (and, through HeldNodesHost, what a sheet holds), the undoable
// edits, what follows a change (the outline's selection, the window's controls, the
// menus through the services), and the document object (its undo manager).
//
// Implemented by the document that owns the sheets (MyDocument, privately); it
// outlives them. GUI thread only; the edits re-enter the outline's views. Nothing here
// throws beyond what the edits throw.
#include "application/document/HeldNodesHost.h"

class DocumentEdits;
class DocumentServices;
class DocumentWindow;
class DocumentWindowController;
class QTreeView;

class TimeEntrySheetsHost : public virtual HeldNodesHost
{
public:
    // Null while the document has no window.
    virtual DocumentWindow *documentWindow() const = 0;
    virtual QTreeView *outlineView() const = 0;
    virtual DocumentWindowController &windowController() const = 0;
    virtual DocumentEdits &edits() const = 0;
    virtual DocumentServices &services() const = 0;
    virtual NodePtr getActiveJob() const = 0;
    virtual const NodePtr &timerNode() const = 0;
    virtual bool isJobMemberOfDocument(const Node *job) const = 0;
    virtual void reloadOutline() = 0;
    virtual void updateUI() = 0;

protected:
    ~TimeEntrySheetsHost() = default;
};
