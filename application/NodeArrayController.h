#pragma once
// A list of nodes with a selection among them: what the inspector shows and edits.
// Setting new content keeps no selection; the owner selects what it wants.
#include "application/Node.h"

#include <QList>
#include <QObject>

class NodeArrayController : public QObject
{
    Q_OBJECT
public:
    explicit NodeArrayController(QObject *parent = nullptr);

    const QList<NodePtr> &content() const { return m_content; }
    void setContent(const QList<NodePtr> &content);

    // Indexes into the content, ascending, without duplicates.
    const QList<int> &selectionIndexes() const { return m_selection; }
    // Indexes outside the content are dropped.
    void setSelectionIndexes(const QList<int> &indexes);
    void selectAll();
    void removeSelection();
    QList<NodePtr> selectedObjects() const;

Q_SIGNALS:
    void contentChanged();
    void selectionChanged();

private:
    QList<NodePtr> m_content;
    QList<int> m_selection;
};
