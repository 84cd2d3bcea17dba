#pragma once
// What DocumentEdits uses of its document: the tree, the outline (its edit batches and
// rows), the window and its controller (selection, senders of outline menu items), the
// counter (stopped when its entry leaves the tree), the active job, what follows an
// edit (the outline's selection, the active job's display, the window's controls, the
// menus through the services, the file remembered as last edited), and the document
// object (its undo manager, which every edit registers with).
//
// Implemented by the document that owns the edits (MyDocument, privately); it outlives
// them. GUI thread only; every call may re-enter the outline's views and so the
// document's selection handling. Nothing here throws beyond what the document's own
// operations throw.
#include "application/tree/Node.h"

class DocumentCounter;
class DocumentOutlineModel;
class DocumentServices;
class DocumentWindow;
class DocumentWindowController;
namespace platform {
class Document;
}

class EditsHost
{
public:
    virtual const NodePtr &jobList() const = 0;
    // Null before the window is made.
    virtual DocumentOutlineModel *outlineModel() const = 0;
    virtual DocumentWindow *documentWindow() const = 0;
    virtual DocumentWindowController &windowController() const = 0;
    virtual DocumentCounter &counter() const = 0;
    virtual DocumentServices &services() const = 0;
    virtual bool timerIsRunning() const = 0;
    virtual const NodePtr &timerNode() const = 0;
    virtual NodePtr getActiveJob() const = 0;
    // Not undoable; the edits register the undo themselves.
    virtual void setActiveJob(const NodePtr &job) = 0;
    virtual bool isJobMemberOfDocument(const Node *job) const = 0;
    virtual void displayActivatedJob() = 0;
    virtual void reloadOutline() = 0;
    virtual void updateUI() = 0;
    virtual void setAutoLoadFileName() = 0;
    virtual platform::Document &platformDocument() = 0;
    // Values of nodes were restored while the tree reported nothing (restoreNodeData):
    // the inspector reads the inspected nodes' values again.
    virtual void inspectedValuesMayHaveChanged() = 0;

protected:
    ~EditsHost() = default;
};
