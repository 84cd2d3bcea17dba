#pragma once
// What DocumentCounter uses of its document: the tree and the active job it counts
// for, the window and outline that show the count, the services (the running count,
// sounds, notifications, idle time, menus), the user defaults, what follows a start or
// a stop (the window's controls, the totals, the file remembered as last edited), and
// the document object (its undo manager and change count; the sender of its own stops).
//
// Implemented by the document that owns the counter (MyDocument, privately); it
// outlives the counter. GUI thread only; every call may re-enter the counter (the
// window's controls ask whether it runs). Nothing here throws beyond what the
// document's own operations throw.
#include "application/tree/Node.h"

class DocumentOutlineModel;
class DocumentServices;
class DocumentWindow;
namespace platform {
class Document;
class UserDefaults;
}

class CounterHost
{
public:
    virtual const NodePtr &jobList() const = 0;
    virtual NodePtr getActiveJob() const = 0;
    // Null while the document has no window.
    virtual DocumentWindow *documentWindow() const = 0;
    virtual DocumentOutlineModel *outlineModel() const = 0;
    virtual DocumentServices &services() const = 0;
    virtual platform::UserDefaults &userDefaults() const = 0;
    // The application icon, the start/stop button, the totals.
    virtual void updateUI() = 0;
    virtual void updateTotalTime() = 0;
    // What follows the selection (see MyDocument::reloadOutline()).
    virtual void reloadOutline() = 0;
    // Remembers the document's file as the one last edited.
    virtual void setAutoLoadFileName() = 0;
    // The counter started or stopped: the document tells its observers.
    virtual void counterStateDidChange(bool running) = 0;
    virtual platform::Document &platformDocument() = 0;

protected:
    ~CounterHost() = default;
};
