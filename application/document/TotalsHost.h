#pragma once
// What DocumentTotals uses of its document: the tree it adds up, the window and
// outline that show the totals, the selection (the window controller), the wage
// formatter, and the two selection texts the document publishes to its observers
// ("selectedNodeWorkTime", "selectedNodeWage"), and the document object.
//
// Implemented by the document that owns the totals (MyDocument, privately); it
// outlives them. GUI thread only; the published changes re-enter the document's
// observers (the inspector's fields). Nothing here throws.
#include "application/tree/Node.h"

class CurrencyFormatter;
class DocumentWindow;
class DocumentWindowController;
class QString;
class QTreeView;
namespace platform {
class Document;
}

class TotalsHost
{
public:
    virtual const NodePtr &jobList() const = 0;
    // Null while the document has no window.
    virtual DocumentWindow *documentWindow() const = 0;
    virtual QTreeView *outlineView() const = 0;
    virtual DocumentWindowController &windowController() const = 0;
    virtual const CurrencyFormatter &wageFormatter() const = 0;
    // Around a change of the text under key ("selectedNodeWorkTime",
    // "selectedNodeWage"): the document's observers hear of it.
    virtual void selectedTotalWillChange(const QString &key) = 0;
    virtual void selectedTotalDidChange(const QString &key, const QString &text) = 0;
    // The document object (the totals' parent).
    virtual platform::Document &platformDocument() = 0;

protected:
    ~TotalsHost() = default;
};
