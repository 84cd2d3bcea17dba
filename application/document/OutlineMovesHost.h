#pragma once
// What moving nodes in the outline (OutlineMoves) uses of the document: the tree, the
// outline and its rows, the undoable edits a move is made of, the active job's display,
// what follows the selection, and the document object (its undo manager; the target of
// the Move to Group items).
//
// Implemented by the document (MyDocument, privately); the outline's data source and
// window controller hand it on. Held only for the length of a call. GUI thread only;
// the edits report to the outline, which may re-enter the caller's selection handling.
// Nothing here throws beyond what the edits throw.
#include "application/tree/Node.h"

class DocumentEdits;
class DocumentOutlineModel;
class QTreeView;
namespace platform {
class Document;
}

class OutlineMovesHost
{
public:
    virtual const NodePtr &jobList() const = 0;
    // Null before the window is made.
    virtual DocumentOutlineModel *outlineModel() const = 0;
    virtual QTreeView *outlineView() const = 0;
    virtual DocumentEdits &edits() const = 0;
    // Shows the active job in the window (its title, the start button's job).
    virtual void displayActivatedJob() = 0;
    // What follows the selection (the window follows the rows selected and shown).
    virtual void reloadOutline() = 0;
    virtual platform::Document &platformDocument() = 0;

protected:
    ~OutlineMovesHost() = default;
};
