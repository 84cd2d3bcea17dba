#include "application/document/DocumentOutlineView.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"

DocumentOutlineView::DocumentOutlineView(QWidget *parent) : QTreeView(parent) {}

DocumentOutlineView::~DocumentOutlineView() = default;

void DocumentOutlineView::selectAll()
{
    NTXOutlineViewExtension::selectAllShownRows(this);
}

void DocumentOutlineView::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    for (QModelIndex above = topLeft.parent(); above.isValid(); above = above.parent())
        if (!isExpanded(above))
            return;
    QTreeView::dataChanged(topLeft, bottomRight, roles);
}
