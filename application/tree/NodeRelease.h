#pragma once
// Frees node trees that their last holder let go, a bounded slice at a time, so that
// dropping a large tree (the old tree of a revert, the groups a menu held) never holds
// the GUI thread for the whole of it. Each turn of the event loop takes at most
// SliceSteps nodes apart, and then the next slice is queued behind whatever else waits
// (a queued call, no timer); the input and paint events of the turn run between two
// slices. The nodes a slice took apart are freed on a pool thread: the memory of a
// tree read there may be in use by the next read (a document opened as another
// closes), and freeing it on the GUI thread would wait on that read's allocations.
//
// What is handed over is only let go, never taken from anyone: a node that someone
// else still holds (an undo step, a menu item, a snapshot being copied, another tree)
// is simply dropped here and keeps its subtree; its parent link is cleared as its
// parent's end clears it (Node::~Node). A node held here alone is taken apart: its
// children are taken out of its list one by one from its end (each child's parent
// link and position cleared as it leaves), and the node goes once its list is empty.
// Until then the tree stays whole as far as it stands: every child still in a list
// has its parent link, a node someone picked up meanwhile (through a parent link,
// Node::shared()) is left to that holder with the children it still has. Nothing is
// announced: a tree handed over has no delegate to tell (its root's was taken off),
// and no snapshot can be taking a copy of a node no one but this holds. A node goes
// to the pool thread only with no parent, no children and no other holder: nothing
// of the tree the GUI thread can reach is touched there.
//
// Ownership: process-wide, one releaser per application, made on first use as a child
// of the application object. Whatever is still pending when the application object
// goes is freed then, at once. Re-entrancy: GUI thread only (the tree's thread:
// nothing of the Node tree is locked; only nodes cut off from it leave it); the
// slices run from the event loop only. Failures: only hold() throws (std::bad_alloc,
// as the copy of a pointer may). Without an
// application object, or off the GUI thread (a tree that never reached it), a node
// handed over is freed at once where it is, as before; so is one for which there is
// no room to note it, and a batch no pool thread takes. A null pointer is nothing to
// free.
#include "application/tree/Node.h"

#include <QObject>
#include <memory>
#include <vector>

class NodeRelease : public QObject
{
public:
    // The most steps one turn of the event loop takes: a child taken out of its
    // parent's list is one, a node let go or freed another (about 6,000 nodes freed a
    // turn). 0.4-1.7 ms a turn on a tree of a million entries just made (82 ms for all
    // of it at once), a few times that on one long in use.
    static constexpr qsizetype SliceSteps = 12000;

    // Hands the node over. One someone else holds as well is only let go (now).
    static void release(NodePtr node);
    // The same for each node of a list given up (moved in: a list still shared with
    // another one holds its nodes there too, and is only let go). Takes no longer for
    // a long list than for a short one: its nodes are looked at in the slices.
    static void release(QList<NodePtr> &&nodes);
    // A holder of the node (of the nodes) to keep in what may outlive the tree (an undo
    // step): they go to release() when the last copy of the holder goes.
    static std::shared_ptr<const NodePtr> hold(NodePtr node);
    static std::shared_ptr<const QList<NodePtr>> hold(QList<NodePtr> nodes);
    // Whether nothing waits to be freed (on this thread or a pool thread).
    static bool isIdle();

    ~NodeRelease() override;

private:
    explicit NodeRelease(QObject *application);
    // The releaser of the application (made now), null without one or off its thread.
    static NodeRelease *instance();
    void queueSlice();
    void releaseSlice();
    // Takes up to `steps` steps; answers whether something is left.
    bool releaseSome(qsizetype steps);
    // Puts a node held here alone on the stack of those taken apart.
    void takeApart(NodePtr node);
    // Hands the nodes the slice took apart to a pool thread, which frees them.
    void freeTaken();

    // Nodes handed over, in lists held here alone (a single node in one of its own),
    // looked at a node a step.
    std::vector<QList<NodePtr>> m_handedLists;
    // The nodes being taken apart, innermost last: each one's children are taken from
    // the end of its list.
    std::vector<NodePtr> m_frames;
    // Nodes taken apart in this slice: no parent, no children, held here alone.
    std::vector<NodePtr> m_taken;
    // Batches on a pool thread, not yet freed.
    int m_freeing = 0;
    bool m_queued = false;
};
