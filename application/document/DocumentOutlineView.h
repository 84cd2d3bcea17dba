#pragma once
// The outline of a document window: a tree view whose Select All (the Edit menu's
// item, Ctrl+A) selects every shown row in one step
// (NTXOutlineViewExtension::selectAllShownRows()), so that it takes a moment for a
// hundred thousand open rows as for ten; a change of rows below a closed row costs
// nothing. Everything else is the tree view's.
//
// Owned by its parent widget. GUI thread only; nothing here throws.
#include <QTreeView>

class DocumentOutlineView : public QTreeView
{
    Q_OBJECT
public:
    explicit DocumentOutlineView(QWidget *parent = nullptr);
    ~DocumentOutlineView() override;

public Q_SLOTS:
    void selectAll() override;

protected Q_SLOTS:
    // Rows below a closed row show nowhere: a change of them repaints nothing and is
    // not handed on (the tree view would look at each row of the range, a quarter of a
    // million days whose labels an undo put back below closed jobs).
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                     const QList<int> &roles = QList<int>()) override;
};
