#pragma once
// What OutlineDataSource uses of its document: the tree it shows, the outline and its
// rows, the window controller (the context menu), the currency formatter, the counter's
// state (no deleting while it runs), the undoable edits and moves (through
// OutlineMovesHost), the document's deletion of the selection, and what follows a
// change (the selection's totals and inspected nodes, the active job's display).
//
// Implemented by the document that owns the data source (MyDocument, privately); it
// outlives the data source. GUI thread only; the edits re-enter the outline's views and
// so the data source's own selection handling. Nothing here throws beyond what the
// edits throw.
#include "application/document/OutlineMovesHost.h"

class CurrencyFormatter;
class DocumentWindowController;
class QObject;

class OutlineDataSourceHost : public virtual OutlineMovesHost
{
public:
    virtual DocumentWindowController &windowController() const = 0;
    virtual const CurrencyFormatter &formatter() const = 0;
    virtual bool timerIsRunning() const = 0;
    // The selection changed: its totals and the inspected nodes follow.
    virtual void handleOutlineSelection() = 0;
    // Deletes the selected nodes, as the Delete menu item does (sender: the outline).
    virtual void deleteEntry(QObject *sender) = 0;

protected:
    ~OutlineDataSourceHost() = default;
};
