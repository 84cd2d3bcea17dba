#pragma once
// The totals of a document window: the totals row under the outline (a header whose
// columns follow the outline's, showing the time and turnover of the whole tree) and
// the time and turnover of the selected nodes, which the document publishes as its
// "selectedNodeWorkTime" and "selectedNodeWage" (an inspector binds to them there).
// The selected nodes that count (the selection's minimum cover) are kept from one
// update to the next until the selection, the outline's rows or their opening change:
// the toolbar asks for the totals at every window update, and reading a selection of
// a hundred thousand rows each time would hold the window; the sums are taken anew
// each time.
//
// Owned by its MyDocument (a child object); the totals header belongs to the window,
// the model carrying its columns to this object. Before the window was loaded there
// is no header and the totals only keep the selection's texts. GUI thread only;
// nothing here throws.
#include "application/tree/Node.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariantMap>
#include <vector>

class CurrencyFormatter;
class DocumentContext;
class DocumentWindowController;
class TotalsHost;
class QHeaderView;
class QItemSelectionModel;
class QStandardItemModel;
class QTreeView;

class DocumentTotals : public QObject
{
    Q_OBJECT
public:
    // The document, seen through what its collaborators are given (DocumentContext.h)
    // and what it publishes of the totals (TotalsHost.h); the selection (the window's
    // controller) and the wage formatter.
    DocumentTotals(const DocumentContext &context, DocumentWindowController &windowController,
                   const CurrencyFormatter &wageFormatter, TotalsHost &document);
    ~DocumentTotals() override;

    // The totals header (null before the window was loaded) and the model that
    // carries its columns.
    QHeaderView *tableHeaderView() const;
    QStandardItemModel *dummyOutlineView() const { return m_dummyOutlineView; }
    // Puts the totals header in the window's totals row, with the outline's columns.
    void setupTotalsHeader();
    // Gives the destination header's model (a QStandardItemModel) the source's
    // columns in the order shown (identifier, width, an empty right-aligned title);
    // the user cannot resize, click or reorder them.
    static void copyColumnsFromTableView(const QTreeView *source, QHeaderView *destination);
    // The outline's header changed: the totals header follows. Resize: user info
    // "NSTableColumn" (identifier) and "NSOldWidth"; move: "NSOldColumn" and
    // "NSNewColumn" (positions).
    void outlineViewColumnDidResize(const QVariantMap &userInfo);
    void outlineViewColumnDidMove(const QVariantMap &userInfo);

    // The whole tree's time and turnover in the totals row, then the selection's.
    void updateTotalTime();
    // The time and turnover of the selected nodes (a node selected with one of its
    // ancestors counts once); empty texts without a selection.
    void updateSelectedNodeWorkTimeAndWage();
    // "%d:%02d" of hours and minutes.
    static QString workTimeText(int hours, int minutes);

    // The selection's texts; the setters tell the document's observers when the
    // text changes (a null text differs from an empty one).
    QString selectedNodeWorkTime() const { return m_selectedNodeWorkTime; }
    void setSelectedNodeWorkTime(const QString &text);
    QString selectedNodeWage() const { return m_selectedNodeWage; }
    void setSelectedNodeWage(const QString &text);

private:
    // The minimum cover of the selected nodes, read again once it may have changed.
    const QList<NodePtr> &selectedCover();
    void watchSelection(QItemSelectionModel *selection);
    void forgetSelectedCover() noexcept;

    const DocumentContext &m_context;
    DocumentWindowController &m_windowController;
    const CurrencyFormatter &m_wageFormatter;
    TotalsHost &m_document;
    QStandardItemModel *m_dummyOutlineView = nullptr;
    QPointer<QItemSelectionModel> m_watchedSelection;
    std::vector<QMetaObject::Connection> m_selectionWatches;
    QList<NodePtr> m_selectedCover;
    bool m_selectedCoverValid = false;
    QString m_selectedNodeWorkTime;
    QString m_selectedNodeWage;
};
