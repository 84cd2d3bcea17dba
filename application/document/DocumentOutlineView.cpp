#include "application/document/DocumentOutlineView.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"

DocumentOutlineView::DocumentOutlineView(QWidget *parent) : QTreeView(parent) {}

DocumentOutlineView::~DocumentOutlineView() = default;

void DocumentOutlineView::selectAll()
{
    NTXOutlineViewExtension::selectAllShownRows(this);
}
