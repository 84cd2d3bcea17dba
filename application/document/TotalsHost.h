#pragma once
// What DocumentTotals asks of its document besides what every collaborator is given
// (DocumentContext): the two selection texts the document publishes to its observers
// ("selectedNodeWorkTime", "selectedNodeWage") are about to change and have changed.
//
// Implemented by the document that owns the totals (MyDocument, privately); it
// outlives them. GUI thread only; the published changes re-enter the document's
// observers (the inspector's fields). Nothing here throws.
class QString;

class TotalsHost
{
public:
    // Around a change of the text under key ("selectedNodeWorkTime",
    // "selectedNodeWage"): the document's observers hear of it.
    virtual void selectedTotalWillChange(const QString &key) = 0;
    virtual void selectedTotalDidChange(const QString &key, const QString &text) = 0;

protected:
    ~TotalsHost() = default;
};
