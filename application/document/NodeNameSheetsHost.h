#pragma once
// What NodeNameSheets uses of its document: the window its sheets go on and its
// controller (the selection, the node a sender stands for), the tree and its outline
// (and, through HeldNodesHost, what a sheet holds), the currency formatter, the
// undoable edits, what follows a change (the outline's selection, the active job's
// display, the window's controls, the menus, the file remembered as last edited), and
// the document object (its undo manager names the change).
//
// Implemented by the document that owns the sheets (MyDocument, privately); it
// outlives them. GUI thread only; the edits re-enter the outline's views. Nothing here
// throws beyond what the edits throw.
#include "application/document/HeldNodesHost.h"

class CurrencyFormatter;
class DocumentEdits;
class DocumentServices;
class DocumentWindow;
class DocumentWindowController;

class NodeNameSheetsHost : public virtual HeldNodesHost
{
public:
    // Null while the document has no window.
    virtual DocumentWindow *documentWindow() const = 0;
    virtual DocumentWindowController &windowController() const = 0;
    virtual const CurrencyFormatter &formatter() const = 0;
    virtual DocumentEdits &edits() const = 0;
    virtual DocumentServices &services() const = 0;
    virtual void displayActivatedJob() = 0;
    virtual void reloadOutline() = 0;
    virtual void updateUI() = 0;
    virtual void setAutoLoadFileName() = 0;

protected:
    ~NodeNameSheetsHost() = default;
};
