#pragma once
// The outline of a document window: a tree view whose Select All (the Edit menu's
// item, Ctrl+A) selects every shown row in one step
// (NTXOutlineViewExtension::selectAllShownRows()), so that it takes a moment for a
// hundred thousand open rows as for ten. Everything else is the tree view's.
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
};
