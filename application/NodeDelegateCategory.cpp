// What the document root reports to its document: the outline follows every change
// of the tree.
#include "application/MyDocument.h"

platform::UndoManager *MyDocument::undoManagerForNode(Node &)
{
    return undoManager();
}

void MyDocument::attributesChangedOfNode(Node &)
{
    // The row was shown again when the value changed.
    updateChangeCount(ChangeType::Done);
}

void MyDocument::nodeValueChanged(Node &node, const QString &key)
{
    if (!m_outlineModel)
        return;
    m_outlineModel->reloadItem(&node);
    // A group's image tells whether the active job is inside it.
    if (key == QLatin1String("active") && node.type() == Node::Job)
        for (Node *up = node.parent(); up && up->type() == Node::Group; up = up->parent())
            m_outlineModel->reloadItem(up);
}

void MyDocument::nodeWillInsertEntries(Node &node, qsizetype index, qsizetype count)
{
    if (m_outlineModel)
        m_outlineModel->treeWillInsert(node, index, count);
}

void MyDocument::nodeDidAddEntry(Node &, Node &)
{
    if (m_outlineModel)
        m_outlineModel->treeDidInsert();
}

void MyDocument::nodeDidInsertEntrysAtIndex(Node &, const QList<NodePtr> &, qsizetype)
{
    if (m_outlineModel)
        m_outlineModel->treeDidInsert();
}

void MyDocument::nodeWillRemoveEntry(Node &node, qsizetype index)
{
    if (m_outlineModel)
        m_outlineModel->treeWillRemove(node, index, 1);
}

void MyDocument::nodeDidRemoveEntry(Node &, Node &)
{
    if (m_outlineModel)
        m_outlineModel->treeDidRemove();
}
