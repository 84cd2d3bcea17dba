// What the document root reports to its document (see DocumentTreeReports.h).
#include "application/document/DocumentTreeReports.h"

#include "application/document/DocumentContext.h"
#include "application/document/TreeReportsHost.h"
#include "application/document/DocumentOutlineModel.h"
#include "platform/document/Document.h"

#include <QHash>

platform::UndoManager *DocumentTreeReports::undoManagerForNode(Node &)
{
    return m_context.platformDocument().undoManager();
}

void DocumentTreeReports::attributesChangedOfNode(Node &)
{
    // The row was shown again when the value changed. The change itself is the undo
    // manager's to count: the node registered its opposite, or the document's edit
    // that made it did (and an undo or redo that made it is counted as such).
    // Counting it here as well would let an undo of it leave the document clean.
}

void DocumentTreeReports::nodeValueChanged(Node &node, const QString &key)
{
    m_document.nodeOfTreeChanged(node, key);
    DocumentOutlineModel *outline = m_context.outlineModel();
    if (!outline)
        return;
    // A value that one column shows repaints that cell alone (a running entry changes
    // several every tick); the dates show only through the name, whose own change
    // reports it; anything else (the type, the active flag, the colour label) can
    // change the whole row's look.
    static const QHash<QString, QString> columnOfKey{
        {QStringLiteral("itemName"), QStringLiteral("outlineName")},
        {QStringLiteral("hours"), QStringLiteral("outlineTime")},
        {QStringLiteral("minutes"), QStringLiteral("outlineTime")},
        {QStringLiteral("turnover"), QStringLiteral("outlineTurnover")},
        {QStringLiteral("executed"), QStringLiteral("outlineStatus")},
        {QStringLiteral("cDate"), QString()},
        {QStringLiteral("lDate"), QString()},
    };
    const auto column = columnOfKey.constFind(key);
    if (column == columnOfKey.cend())
        outline->reloadItem(&node);
    else if (!column->isEmpty())
        outline->reloadItem(&node, *column);
    // A group's image tells whether the active job is inside it.
    if (key == QLatin1String("active") && node.type() == Node::Job)
        for (Node *up = node.parent(); up && up->type() == Node::Group; up = up->parent())
            outline->reloadItem(up);
}

void DocumentTreeReports::nodeWillInsertEntries(Node &node, qsizetype index, qsizetype count)
{
    if (DocumentOutlineModel *outline = m_context.outlineModel())
        outline->treeWillInsert(node, index, count);
}

void DocumentTreeReports::nodeDidAddEntry(Node &, Node &)
{
    if (DocumentOutlineModel *outline = m_context.outlineModel())
        outline->treeDidInsert();
}

void DocumentTreeReports::nodeDidInsertEntrysAtIndex(Node &, const QList<NodePtr> &, qsizetype)
{
    if (DocumentOutlineModel *outline = m_context.outlineModel())
        outline->treeDidInsert();
}

void DocumentTreeReports::nodeWillRemoveEntry(Node &node, qsizetype index)
{
    if (DocumentOutlineModel *outline = m_context.outlineModel())
        outline->treeWillRemove(node, index, 1);
}

void DocumentTreeReports::nodeDidRemoveEntry(Node &, Node &)
{
    if (DocumentOutlineModel *outline = m_context.outlineModel())
        outline->treeDidRemove();
}

void DocumentTreeReports::nodeWillRemoveEntries(Node &node, qsizetype index, qsizetype count)
{
    if (DocumentOutlineModel *outline = m_context.outlineModel())
        outline->treeWillRemove(node, index, count);
}

void DocumentTreeReports::nodeDidRemoveEntries(Node &, qsizetype, qsizetype)
{
    if (DocumentOutlineModel *outline = m_context.outlineModel())
        outline->treeDidRemove();
}
