#include "application/NodeArrayController.h"

#include <algorithm>

NodeArrayController::NodeArrayController(QObject *parent) : QObject(parent) {}

void NodeArrayController::setContent(const QList<NodePtr> &content)
{
    const bool hadSelection = !m_selection.isEmpty();
    m_content = content;
    m_selection.clear();
    Q_EMIT contentChanged();
    if (hadSelection)
        Q_EMIT selectionChanged();
}

void NodeArrayController::setSelectionIndexes(const QList<int> &indexes)
{
    QList<int> selection;
    for (int index : indexes) {
        if (index >= 0 && index < m_content.size())
            selection.append(index);
    }
    std::sort(selection.begin(), selection.end());
    selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
    if (selection == m_selection)
        return;
    m_selection = selection;
    Q_EMIT selectionChanged();
}

void NodeArrayController::selectAll()
{
    QList<int> all;
    for (int i = 0; i < m_content.size(); ++i)
        all.append(i);
    setSelectionIndexes(all);
}

void NodeArrayController::removeSelection()
{
    setSelectionIndexes({});
}

QList<NodePtr> NodeArrayController::selectedObjects() const
{
    QList<NodePtr> objects;
    for (int index : m_selection)
        objects.append(m_content.at(index));
    return objects;
}
