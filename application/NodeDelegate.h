#pragma once
// The receiver of a document root's reports. Only the root of a document has a
// delegate (the document); every operation has an empty default.
#include <QList>
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

    virtual void nodeDidAddEntry(Node &node, Node &entry) {}
    virtual void nodeDidInsertEntrysAtIndex(Node &node, const QList<std::shared_ptr<Node>> &entries,
                                            qsizetype index)
    {
    }
    virtual void nodeDidRemoveEntry(Node &node, Node &entry) {}
};
