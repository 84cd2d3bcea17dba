#pragma once
// The receiver of a document root's reports. Only the root of a document has a
// delegate (the document); every operation has an empty default. Every node below
// the root reports to it: the document's outline follows the tree through these.
#include <QList>
#include <QString>
#include <QtGlobal>
#include <memory>

class Node;

namespace platform {
class UndoManager;
}

class NodeDelegate
{
public:
    virtual ~NodeDelegate() = default;

    // The undo manager that description and colour-label edits register with;
    // none means the edit is not undoable.
    virtual platform::UndoManager *undoManagerForNode(Node &node) { return nullptr; }
    // A description or colour label of the node changed.
    virtual void attributesChangedOfNode(Node &node) {}
    // A key of a node of the tree changed its value (sent for every key, after the
    // observers of the key were told).
    virtual void nodeValueChanged(Node &node, const QString &key) {}

    // The child list of a node of the tree is about to change: entries come in at
    // the index, or the entry at the index goes. The did operations follow.
    virtual void nodeWillInsertEntries(Node &node, qsizetype index, qsizetype count) {}
    virtual void nodeWillRemoveEntry(Node &node, qsizetype index) {}
    // Appended at the end (addChild without an index).
    virtual void nodeDidAddEntry(Node &node, Node &entry) {}
    virtual void nodeDidInsertEntrysAtIndex(Node &node, const QList<std::shared_ptr<Node>> &entries,
                                            qsizetype index)
    {
    }
    virtual void nodeDidRemoveEntry(Node &node, Node &entry) {}
    // A run of neighbouring entries goes at once: count of them from the index. One
    // nodeDidRemoveEntries follows each.
    virtual void nodeWillRemoveEntries(Node &node, qsizetype index, qsizetype count) {}
    virtual void nodeDidRemoveEntries(Node &node, qsizetype index, qsizetype count) {}
};
