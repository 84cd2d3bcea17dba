#pragma once
// What DocumentWindowController uses of its document: the window and outline it wires,
// the other collaborators the wiring connects (the outline's data source, the toolbar,
// the totals), the stored window state (the document's values), the currency
// formatter, the counter's state, what the outline's clicks and keys do (the double
// click, the drawer), what follows (the selection, the active job's display, the
// window's controls, the menus, the inspector's fields), the moves of the Move to Group
// menu (through OutlineMovesHost), and the document object (the target of the window's
// actions).
//
// Implemented by the document that owns the controller (MyDocument, privately); it
// outlives the controller. GUI thread only; the calls re-enter the window's views.
// Nothing here throws beyond what the document's own operations throw.
#include "application/document/OutlineMovesHost.h"

class CurrencyFormatter;
class DocumentServices;
class DocumentToolbar;
class DocumentTotals;
class DocumentValuesStore;
class DocumentWindow;
class OutlineDataSource;
class QObject;

class WindowControllerHost : public virtual OutlineMovesHost
{
public:
    // Null while the document has no window.
    virtual DocumentWindow *documentWindow() const = 0;
    virtual OutlineDataSource &outlineSource() const = 0;
    virtual DocumentToolbar &documentToolbar() const = 0;
    virtual DocumentTotals &totals() const = 0;
    virtual DocumentValuesStore &docValues() = 0;
    virtual const CurrencyFormatter &formatter() const = 0;
    virtual DocumentServices &services() const = 0;
    virtual bool timerIsRunning() const = 0;
    virtual void handleMyDoubleClick(QObject *sender) = 0;
    virtual void toggleDrawer(QObject *sender) = 0;
    virtual void handleOutlineSelection() = 0;
    virtual void updateUI() = 0;
    // Adds the inspector's fields (the window's inspector).
    virtual void setupInspectorFields() = 0;

protected:
    ~WindowControllerHost() = default;
};
