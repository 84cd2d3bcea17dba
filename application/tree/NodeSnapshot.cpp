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
    kept.children = std::make_shared<const Children>(node.m_children);
    // A node whose children are being copied goes on with the list it kept.
    for (Frame &frame : m_frames) {
        if (frame.original == &node && !frame.kept) {
            frame.kept = kept.children;
            frame.children = frame.kept.get();
        }
    }
    m_kept.insert(&node, std::move(kept));
}

NodeSnapshot::Frame NodeSnapshot::frameOf(const Node &original) const
{
    Frame frame;
    frame.original = &original;
    const auto kept = m_kept.constFind(&original);
    if (kept == m_kept.constEnd()) {
        frame.copy = original.cloneValues();
        frame.children = &original.m_children;
    } else {
        frame.copy = kept->values->cloneValues();
        frame.kept = kept->children;
        frame.children = frame.kept.get();
    }
    return frame;
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
        Frame frame = frameOf(*m_root);
        m_copy = frame.copy;
        m_copy->m_children.reserve(frame.children->size());
        m_frames.push_back(std::move(frame));
        --nodes;
    }
    while (!m_frames.empty()) {
        Frame &top = m_frames.back();
        if (top.next == top.children->size()) {
            top.copy->renumberFrom(0);
            m_frames.pop_back();
            continue;
        }
        if (nodes <= 0) {
            guard.left = true;
            return false;
        }
        // A copy of the pointer: the list may go when the child's own frame keeps it.
        const NodePtr child = (*top.children)[top.next++];
        if (!child) {
            top.copy->m_children.push_back(NodePtr());
            continue;
        }
        Frame frame = frameOf(*child);
        top.copy->m_children.push_back(frame.copy);
        --nodes;
        if (frame.children->empty())
            continue;
        frame.copy->m_children.reserve(frame.children->size());
        m_frames.push_back(std::move(frame));
    }
    guard.left = true;
    m_whole = true;
    end();
    return true;
}
