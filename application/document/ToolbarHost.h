#pragma once
// What DocumentToolbar uses of its document: the window and outline whose state its
// items show, the selection (the window controller), the user defaults its
// configuration is kept in, the counter's state and whether it may toggle, the active
// job, the window's controls, and the document object (the target its items send
// their actions to).
//
// Implemented by the document that owns the toolbar (MyDocument, privately); it
// outlives the toolbar. GUI thread only; updateUI() re-enters the toolbar's
// validation. Nothing here throws beyond what the document's own operations throw.
#include "application/tree/Node.h"

#include <functional>

class DocumentWindow;
class DocumentWindowController;
class QObject;
class QTreeView;
namespace platform {
class Document;
class UserDefaults;
}

class ToolbarHost
{
public:
    // Null while the document has no window.
    virtual DocumentWindow *documentWindow() const = 0;
    virtual QTreeView *outlineView() const = 0;
    // The selection the items act on.
    virtual DocumentWindowController &windowController() const = 0;
    virtual platform::UserDefaults &userDefaults() const = 0;
    virtual bool timerIsRunning() const = 0;
    virtual bool canToggleTimer() const = 0;
    virtual NodePtr getActiveJob() const = 0;
    virtual void updateUI() = 0;
    // Calls react (running or not) each time the counter starts or stops, for as long
    // as receiver lives.
    virtual void whenCounterStateChanges(QObject *receiver, std::function<void(bool running)> react) = 0;
    virtual platform::Document &platformDocument() = 0;

protected:
    ~ToolbarHost() = default;
};
