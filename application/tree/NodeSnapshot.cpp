#include "application/tree/NodeSnapshot.h"

#include <algorithm>

namespace {

// The snapshots that run on this thread.
thread_local std::vector<NodeSnapshot *> runningSnapshots;

} // namespace

NodeSnapshot::NodeSnapshot(NodePtr root) : m_root(std::move(root)), m_firstLaterSerial(Node::nextSerial())
{
    if (!m_root) {
        m_whole = true;
        return;
    }
    runningSnapshots.push_back(this);
    m_active = true;
}

NodeSnapshot::~NodeSnapshot()
{
    end();
}

void NodeSnapshot::end()
{
    if (m_active) {
        runningSnapshots.erase(std::find(runningSnapshots.begin(), runningSnapshots.end(), this));
        m_active = false;
    }
    m_kept.clear();
    m_frames.clear();
    m_root.reset();
}

void NodeSnapshot::nodeWillChange(const Node &node)
{
    for (NodeSnapshot *snapshot : runningSnapshots)
        snapshot->keep(node);
}

void NodeSnapshot::keep(const Node &node)
{
    // Only the first change counts: the values and children the node had then are
    // the ones of the snapshot's moment.
    if (node.m_serial >= m_firstLaterSerial || m_kept.contains(&node))
        return;
    Kept kept;
    kept.node = Node::shared(const_cast<Node *>(&node));
    kept.values = node.cloneValues();
    kept.children = node.m_children;
    m_kept.insert(&node, std::move(kept));
}

NodePtr NodeSnapshot::copyOf(const Node &original, std::vector<NodePtr> &children) const
{
    const auto kept = m_kept.constFind(&original);
    if (kept == m_kept.constEnd()) {
        children = original.m_children;
        return original.cloneValues();
    }
    children = kept->children;
    return kept->values->cloneValues();
}

bool NodeSnapshot::copyMore(qsizetype nodes)
{
    if (m_whole)
        return true;
    // When memory runs out on the way, nothing is kept: no copy, no hold on the tree.
    struct EndUnlessLeft
    {
        NodeSnapshot *snapshot;
        bool left = false;
        ~EndUnlessLeft()
        {
            if (!left) {
                snapshot->m_copy.reset();
                snapshot->end();
            }
        }
    } guard{this};
    if (!m_started) {
        m_started = true;
        Frame frame;
        frame.copy = copyOf(*m_root, frame.children);
        m_copy = frame.copy;
        m_frames.push_back(std::move(frame));
        --nodes;
    }
    while (!m_frames.empty()) {
        Frame &top = m_frames.back();
        if (top.next == top.children.size()) {
            top.copy->renumberFrom(0);
            m_frames.pop_back();
            continue;
        }
        if (nodes <= 0) {
            guard.left = true;
            return false;
        }
        const NodePtr &child = top.children[top.next++];
        if (!child) {
            top.copy->m_children.push_back(NodePtr());
            continue;
        }
        Frame frame;
        frame.copy = copyOf(*child, frame.children);
        top.copy->m_children.push_back(frame.copy);
        --nodes;
        if (frame.children.empty())
            continue;
        top.copy->m_children.back()->m_children.reserve(frame.children.size());
        m_frames.push_back(std::move(frame));
    }
    guard.left = true;
    m_whole = true;
    end();
    return true;
}
