#pragma once
// A copy of a node tree as it stood at one moment, taken in slices while the tree
// goes on changing between them (a save copies a large document a few thousand
// nodes per pass of the event loop, so that the GUI thread is never held long).
//
// The snapshot begins at construction. From then until its copy is whole, every
// node that existed at that moment hands the snapshot its values and its list of
// children before its first change (Node calls nodeWillChange() from its setters
// and its child-list operations), and the copy takes those in place of the node's
// later ones. The copy equals what Node::clone() of the root answered at the moment
// the snapshot began, at every slice size: the same values, children and repeated
// children, a new node for every place in the tree, parent links among the copies,
// no delegate.
//
// Ownership: the snapshot keeps the root, and the nodes it still has to copy, alive
// until its copy is whole or it goes; the copy is the caller's (copy()), and may go
// to another thread once whole. Re-entrancy: the thread that makes the snapshot (the
// GUI thread, the tree's thread) only; the changes it sees are that thread's. Several
// snapshots may run at once. Failures: copyMore() throws std::bad_alloc when memory
// runs out; the snapshot then holds no copy and is only to be destroyed.
#include "application/tree/Node.h"

#include <QHash>
#include <vector>

class NodeSnapshot
{
public:
    explicit NodeSnapshot(NodePtr root);
    ~NodeSnapshot();
    NodeSnapshot(const NodeSnapshot &) = delete;
    NodeSnapshot &operator=(const NodeSnapshot &) = delete;

    // Copies up to `nodes` more nodes (at least one); answers whether the copy is whole.
    bool copyMore(qsizetype nodes);
    bool isWhole() const { return m_whole; }
    // The whole copy (none before).
    NodePtr copy() const { return m_whole ? m_copy : NodePtr(); }

    // Called by a node on the snapshot's thread before one of its values or its list
    // of children changes.
    static void nodeWillChange(const Node &node);

private:
    using Children = std::vector<NodePtr>;
    // A node's values and children as they were when the snapshot began.
    struct Kept
    {
        NodePtr node; // keeps the original alive (none for a node no pointer owns)
        NodePtr values;
        std::shared_ptr<const Children> children;
    };
    // A node whose copy is being filled with copies of its children: the original's
    // own list while it is unchanged, else the list it kept.
    struct Frame
    {
        NodePtr copy;
        const Node *original = nullptr;
        std::shared_ptr<const Children> kept;
        const Children *children = nullptr;
        size_t next = 0;
    };

    void keep(const Node &node);
    // The frame of the node as the snapshot sees it: the copy of its values, and its children.
    Frame frameOf(const Node &original) const;
    void end();

    NodePtr m_root;
    // Nodes made from this serial on were not in the tree at the snapshot's moment.
    quint64 m_firstLaterSerial = 0;
    QHash<const Node *, Kept> m_kept;
    std::vector<Frame> m_frames;
    NodePtr m_copy;
    bool m_started = false;
    bool m_whole = false;
    bool m_active = false;
};
