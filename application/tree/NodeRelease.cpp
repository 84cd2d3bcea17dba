#include "application/tree/NodeRelease.h"

#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/GuiThread.h"

#include <QCoreApplication>
#include <QPointer>

#include <new>

namespace {

QPointer<NodeRelease> releaser;

} // namespace

NodeRelease::NodeRelease(QObject *application) : QObject(application)
{
}

NodeRelease::~NodeRelease()
{
    // The application ends: nothing stays behind (what was taken apart goes here, with
    // this object; batches on their way go on a pool thread).
    releaseSome(-1);
}

NodeRelease *NodeRelease::instance()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application || !platform::GuiThread::isCurrent())
        return nullptr;
    if (!releaser)
        releaser = new NodeRelease(application);
    return releaser;
}

void NodeRelease::release(NodePtr node)
{
    // Someone else's still: only this hold goes, which frees nothing.
    if (!node || node.use_count() > 1)
        return;
    QList<NodePtr> one;
    try {
        one.append(std::move(node));
    } catch (const std::bad_alloc &) {
        // No room to note it: it goes here, at once.
        return;
    }
    release(std::move(one));
}

void NodeRelease::release(QList<NodePtr> &&nodes)
{
    QList<NodePtr> given = std::move(nodes);
    // A list shared with another holder frees nothing as it goes here; one held here
    // alone is taken as it is (an undo step's list may hold half a million nodes: they
    // are looked at a step each, in the slices).
    if (given.isEmpty() || !given.isDetached())
        return;
    NodeRelease *self = instance();
    if (!self)
        return;
    try {
        self->m_handedLists.push_back(std::move(given));
    } catch (const std::bad_alloc &) {
        // No room to note it: it goes here, at once.
        return;
    }
    self->queueSlice();
}

std::shared_ptr<const NodePtr> NodeRelease::hold(NodePtr node)
{
    return std::shared_ptr<const NodePtr>(new NodePtr(std::move(node)), [](const NodePtr *held) {
        NodePtr last = std::move(*const_cast<NodePtr *>(held));
        delete held;
        release(std::move(last));
    });
}

std::shared_ptr<const QList<NodePtr>> NodeRelease::hold(QList<NodePtr> nodes)
{
    return std::shared_ptr<const QList<NodePtr>>(new QList<NodePtr>(std::move(nodes)), [](const QList<NodePtr> *held) {
        QList<NodePtr> last = std::move(*const_cast<QList<NodePtr> *>(held));
        delete held;
        release(std::move(last));
    });
}

bool NodeRelease::isIdle()
{
    return !releaser
           || (releaser->m_handedLists.empty() && releaser->m_frames.empty()
               && releaser->m_taken.empty()
               && releaser->m_freeing == 0);
}

void NodeRelease::queueSlice()
{
    if (m_queued)
        return;
    m_queued = true;
    QMetaObject::invokeMethod(this, &NodeRelease::releaseSlice, Qt::QueuedConnection);
}

void NodeRelease::releaseSlice()
try {
    m_queued = false;
    const bool more = releaseSome(SliceSteps);
    freeTaken();
    if (more)
        queueSlice();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "releaseSlice");
}

bool NodeRelease::releaseSome(qsizetype steps)
{
    for (; steps != 0; --steps) {
        if (m_frames.empty()) {
            if (m_handedLists.empty())
                return false;
            // The next node of a list handed over, taken from its end (the list is
            // held here alone: nothing is copied).
            QList<NodePtr> &list = m_handedLists.back();
            if (list.isEmpty()) {
                m_handedLists.pop_back();
                continue;
            }
            NodePtr node = std::move(list.last());
            list.removeLast();
            // Picked up meanwhile (another holder: a parent link, Node::shared()) or
            // handed over twice: only let go.
            if (node && node.use_count() == 1)
                takeApart(std::move(node));
            continue;
        }
        Node *node = m_frames.back().get();
        if (m_frames.back().use_count() > 1) {
            // Its holder keeps it with the children it still has.
            m_frames.pop_back();
            continue;
        }
        if (node->m_children.empty()) {
            // Empty now, linked to nothing and seen by no one: it goes with the slice's
            // batch.
            try {
                m_taken.push_back(std::move(m_frames.back()));
            } catch (const std::bad_alloc &) {
                // No room to note it: it goes here, at once.
            }
            m_frames.pop_back();
            continue;
        }
        NodePtr child = std::move(node->m_children.back());
        node->m_children.pop_back();
        if (!child)
            continue;
        if (child->parent() == node) {
            child->setParent(nullptr);
            child->m_row = -1;
        }
        // A child held elsewhere (also one that stands in the list once more) is let go.
        if (child.use_count() == 1)
            takeApart(std::move(child));
    }
    return !m_frames.empty() || !m_handedLists.empty();
}

void NodeRelease::takeApart(NodePtr node)
{
    try {
        m_frames.push_back(std::move(node));
    } catch (const std::bad_alloc &) {
        // No room to note it: it goes here, at once, with its subtree.
    }
}

void NodeRelease::freeTaken()
{
    if (m_taken.empty())
        return;
    // Freed on a pool thread: the memory of a tree read there may be in use by the next
    // read, and freeing it here would wait on that read's allocations. The nodes are
    // linked to nothing and held by the batch alone.
    auto batch = std::make_shared<std::vector<NodePtr>>(std::move(m_taken));
    m_taken = {};
    ++m_freeing;
    const auto done = [this] { --m_freeing; };
    platform::BackgroundTask::run(
        this,
        [batch](const platform::BackgroundTask::Token &) {
            batch->clear();
            return true;
        },
        [done](bool) { done(); }, [done](const QString &) { done(); });
}
