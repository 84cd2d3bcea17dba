// Undoable edits of the node tree (see DocumentEdits.h).
#include "application/document/DocumentEdits.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "application/document/DocumentCounter.h"
#include "application/document/DocumentWindow.h"
#include "application/document/DocumentWindowController.h"
#include "application/document/DocumentContext.h"
#include "application/document/EditsHost.h"
#include "application/document/DocumentOutlineModel.h"
#include "application/document/DocumentServices.h"
#include "application/tree/NodeRelease.h"
#include "platform/document/Document.h"
#include "platform/document/DocumentAlert.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/UndoManager.h"

#include <QAction>
#include <QLocale>
#include <QPointer>
#include <algorithm>
#include <functional>
#include <utility>

namespace {

// Gives every node of the subtree the wage of its node in the snapshot, where the
// two pair up as filling pairs them (the same number of children, by index); a time
// entry recomputes its own time and turnover. Answers whether a wage changed.
bool restoreSnapshotWages(Node &node, const Node &snapshot)
{
    bool changed = false;
    if (node.wage() != snapshot.wage()) {
        node.setWage(snapshot.wage());
        changed = true;
    }
    if (node.childrenCount() > 0 && node.childrenCount() == snapshot.childrenCount()) {
        for (qsizetype i = 0; i < node.childrenCount(); ++i) {
            Node *mine = node.childAtIndex(i).get();
            const Node *theirs = snapshot.childAtIndex(i).get();
            if (mine && theirs && mine->type() == theirs->type())
                changed = restoreSnapshotWages(*mine, *theirs) || changed;
        }
    }
    return changed;
}

} // namespace

DocumentEdits::DocumentEdits(const DocumentContext &context, DocumentWindowController &windowController,
                             EditsHost &document)
    : m_context(context)
    , m_windowController(windowController)
    , m_document(document)
{
}

void DocumentEdits::setCounter(DocumentCounter *counter) { m_counter = counter; }

void DocumentEdits::takeOpenEdits()
{
    // Text typed into a field and not left goes to the nodes it was typed for, as a step
    // of its own, before the edit changes the tree (and perhaps takes them out of it).
    m_context.platformDocument().takeOpenEditsBeforeChange();
}

void DocumentEdits::keepUndoActionName()
{
    platform::UndoManager *undo = m_context.platformDocument().undoManager();
    // A fresh edit is named by the command that makes it.
    if (undo->isUndoing())
        undo->setActionName(undo->undoActionName());
    else if (undo->isRedoing())
        undo->setActionName(undo->redoActionName());
}

bool DocumentEdits::isNeedless(bool sameValue) const
{
    // Inside an undo or redo the opposite is registered whatever the value, so that
    // the step can be performed back.
    const platform::UndoManager *undo = m_context.platformDocument().undoManager();
    return sameValue && !undo->isUndoing() && !undo->isRedoing();
}

void DocumentEdits::recalcTotalWorkTime(Node &node)
{
    // A group's sums and those of the groups above; inside a batch of edits once
    // per group, at its end.
    auto group = [this](Node &g) {
        if (!m_context.outlineModel()->isInEditBatch()) {
            g.recalcTotalWorkTime();
        } else if (!m_pendingGroupSet.contains(&g)) {
            m_pendingGroupSet.insert(&g);
            m_pendingGroups.push_back(g.weak_from_this());
        }
    };
    if (node.type() == Node::Group) {
        group(node);
        return;
    }
    // A job's days and its own sums: inside a batch once per job, at its end (a
    // batch deleting many of a job's entries would add up all its days at each one).
    Node *job = node.getRootObject();
    if (job && m_context.outlineModel()->isInEditBatch()) {
        pendJob(*job, true);
        return;
    }
    node.recalcOwnTotalWorkTime();
    if (Node *parent = node.parent(); parent && parent->type() == Node::Group)
        group(*parent);
}

void DocumentEdits::pendJob(Node &job, bool withDays)
{
    const auto found = m_pendingJobDays.find(&job);
    if (found != m_pendingJobDays.end()) {
        *found = *found || withDays;
        return;
    }
    m_pendingJobDays.insert(&job, withDays);
    m_pendingJobs.push_back(job.weak_from_this());
}

bool DocumentEdits::countJob(Node &job, Node *day)
{
    if (job.type() != Node::Job || !m_context.outlineModel()->isInEditBatch())
        return false;
    // The day's own entries now (a few), the job's days once, at the end of the batch.
    if (day)
        day->recalcDay(job.wage());
    pendJob(job, false);
    return true;
}

bool DocumentEdits::recalcPendingGroups()
{
    // The jobs first: the groups above them add up their new sums.
    const std::vector<std::weak_ptr<Node>> jobs = std::exchange(m_pendingJobs, {});
    const QHash<const Node *, bool> withDays = std::exchange(m_pendingJobDays, {});
    for (const std::weak_ptr<Node> &weak : jobs) {
        if (const NodePtr job = weak.lock()) {
            if (withDays.value(job.get()))
                job->recalcOwnTotalWorkTime();
            else
                job->recalcJob();
            if (Node *parent = job->parent(); parent && parent->type() == Node::Group && !m_pendingGroupSet.contains(parent)) {
                m_pendingGroupSet.insert(parent);
                m_pendingGroups.push_back(parent->weak_from_this());
            }
        }
    }
    const std::vector<std::weak_ptr<Node>> groups = std::exchange(m_pendingGroups, {});
    m_pendingGroupSet.clear();
    // Each group and the groups above it, after the edits below them.
    for (const std::weak_ptr<Node> &weak : groups)
        if (const NodePtr group = weak.lock())
            group->recalcTotalWorkTime();
    return !jobs.empty() || !groups.empty();
}

void DocumentEdits::addNode(const NodePtr &node, const NodePtr &parent, qsizetype index)
{
    takeOpenEdits();
    if (!node || !parent || node == parent)
        return;
    index = std::clamp<qsizetype>(index, 0, parent->childrenCount());
    parent->addChild(node, index);
    m_context.platformDocument().undoManager()->registerUndo([this, node, parent] { deleteNode(node, parent); });
    keepUndoActionName();
    if (countAdded(*node))
        recalcTotalWorkTime(*parent);
    m_context.displayActivatedJob();
    m_context.reloadOutline();
}

bool DocumentEdits::countAdded(Node &node)
{
    Node *parent = node.parent();
    switch (node.type()) {
    case Node::TimeEntry: {
        node.refreshWorkTime();
        // Its day, job and groups. Inside a batch the job's once, at its end: an undo
        // that puts back many of a job's entries would add up all its days at each one.
        Node *job = parent ? parent->parent() : nullptr;
        if (!job || !countJob(*job, parent))
            node.recalcWorkTime();
        return false;
    }
    case Node::Job:
    case Node::Group:
        recalcTotalWorkTime(node);
        return false;
    case Node::Day:
        // The job and the groups above it count the day's entries again (inside a batch,
        // the day now, at its job's wage, and the job once, at its end).
        return !parent || !countJob(*parent, &node);
    default:
        return false;
    }
}

void DocumentEdits::countAfterRemovalFrom(Node &parent)
{
    switch (parent.type()) {
    case Node::Job:
        // Inside a batch its days are as they were: its own sums once, at its end.
        if (!countJob(parent, nullptr))
            recalcTotalWorkTime(parent);
        break;
    case Node::Group:
        recalcTotalWorkTime(parent);
        break;
    case Node::Day:
        // The day and its job lose the removed entry's time too.
        if (Node *job = parent.getRootObject(); job && job->type() == Node::Job
                                                && !(parent.parent() == job && countJob(*job, &parent)))
            recalcTotalWorkTime(*job);
        break;
    default:
        break;
    }
}

void DocumentEdits::deleteNode(const NodePtr &node, const NodePtr &parent)
{
    takeOpenEdits();
    if (!node || !parent)
        return;
    const qsizetype index = parent->indexOfChild(node.get());
    if (index < 0)
        return;
    parent->delChild(node);
    // The step may be the last to hold the node (a group of a million entries, say)
    // when it goes (a revert, a new edit after an undo): then it is freed a slice per turn.
    m_context.platformDocument().undoManager()->registerUndo(
        [this, held = NodeRelease::hold(node), parent, index] { addNode(*held, parent, index); });
    keepUndoActionName();
    countAfterRemovalFrom(*parent);
    m_context.displayActivatedJob();
    m_context.reloadOutline();
    stopCounterOutsideTree();
}

void DocumentEdits::deleteChildren(const NodePtr &parent, const QList<qsizetype> &indexes)
{
    takeOpenEdits();
    if (!parent || indexes.isEmpty() || !Node::ascendingWithin(indexes, parent->childrenCount()))
        return;
    const QList<NodePtr> nodes = parent->removeChildrenAt(indexes);
    // As deleteNode()'s step.
    m_context.platformDocument().undoManager()->registerUndo(
        [this, parent, held = NodeRelease::hold(nodes), indexes] { insertChildrenBack(parent, *held, indexes); });
    keepUndoActionName();
    // The sums as deleteNode() leaves them, once for all the children.
    countAfterRemovalFrom(*parent);
    m_context.displayActivatedJob();
    m_context.reloadOutline();
    stopCounterOutsideTree();
}

void DocumentEdits::insertChildrenBack(const NodePtr &parent, const QList<NodePtr> &nodes, const QList<qsizetype> &indexes)
{
    takeOpenEdits();
    if (!parent || nodes.isEmpty() || nodes.size() != indexes.size()
        || !Node::ascendingWithin(indexes, parent->childrenCount() + indexes.size()))
        return;
    parent->insertChildrenAt(nodes, indexes);
    m_context.platformDocument().undoManager()->registerUndo([this, parent, nodes, indexes] {
        // The nodes put back, where they stand now (where they were put, unless the
        // list changed by another route meanwhile).
        QList<qsizetype> now = indexes;
        for (qsizetype i = 0; i < nodes.size(); ++i)
            if (now.at(i) >= parent->childrenCount() || parent->childAtIndex(now.at(i)) != nodes.at(i)) {
                now.clear();
                for (const NodePtr &node : nodes)
                    if (const qsizetype index = parent->indexOfChild(node.get()); index >= 0)
                        now.append(index);
                std::sort(now.begin(), now.end());
                now.erase(std::unique(now.begin(), now.end()), now.end());
                break;
            }
        deleteChildren(parent, now);
    });
    keepUndoActionName();
    // The sums as addNode() leaves them for each node, the parent's once.
    bool parentsSums = false;
    for (const NodePtr &node : nodes) {
        if (node && countAdded(*node))
            parentsSums = true;
    }
    if (parentsSums)
        recalcTotalWorkTime(*parent);
    m_context.displayActivatedJob();
    m_context.reloadOutline();
}

void DocumentEdits::stopCounterOutsideTree()
{
    // A batch (a move takes nodes out and puts them back) decides at its end.
    if (!m_context.outlineModel()->isInEditBatch() && m_counter)
        m_counter->stopWhenOutsideTree();
}

void DocumentEdits::doUndoSetActiveJob(const NodePtr &job)
{
    takeOpenEdits();
    const NodePtr previous = m_context.activeJob();
    m_context.platformDocument().undoManager()->registerUndo([this, previous] { doUndoSetActiveJob(previous); });
    m_context.platformDocument().undoManager()->setActionName(platform::localized(QStringLiteral("LSUDActiveJob")));
    if (previous)
        previous->setActive(false);
    if (job)
        job->setActive(true);
    m_context.displayActivatedJob();
    m_context.reloadOutline();
}

void DocumentEdits::setColorLabelType(int label, const NodePtr &node)
{
    takeOpenEdits();
    if (!node || isNeedless(label == node->colorLabel()))
        return;
    const int previous = node->colorLabel();
    platform::UndoManager *undo = m_context.platformDocument().undoManager();
    // Registered first, so that the step is open while the node names it.
    undo->registerUndo([this, node, previous] { setColorLabelType(previous, node); });
    // The node would register a step of its own: this one stands for both.
    undo->disableUndoRegistration();
    node->setColorLabel(label);
    undo->enableUndoRegistration();
    keepUndoActionName();
    m_context.reloadOutline();
}

void DocumentEdits::insertNodes(const QList<NodePtr> &nodes, const NodePtr &parent, qsizetype index)
{
    takeOpenEdits();
    if (!parent)
        return;
    index = std::clamp<qsizetype>(index, 0, parent->childrenCount());
    const DocumentOutlineModel::EditBatch batch(m_context.outlineModel());
    // Each one behind the one added before it (no sibling behind moves more than once
    // when they go to the end).
    for (const NodePtr &node : nodes)
        addNode(node, parent, index++);
}

void DocumentEdits::addNewJob(const NodePtr &job, const NodePtr &parent)
{
    takeOpenEdits();
    if (!job || !parent || job == parent)
        return;
    const NodePtr lastActive = m_context.activeJob();
    parent->addChild(job);
    m_context.platformDocument().undoManager()->registerUndo([this, job, parent, lastActive] { deleteNewJob(job, parent, lastActive); });
    keepUndoActionName();
    if (lastActive)
        lastActive->setActive(false);
    job->setActive(true);
    if (parent->type() == Node::Group)
        parent->recalcTotalWorkTime();
    m_context.displayActivatedJob();
    m_context.reloadOutline();
    m_context.services().rebuildMenus();
}

void DocumentEdits::deleteNewJob(const NodePtr &job, const NodePtr &parent, const NodePtr &lastActive)
{
    takeOpenEdits();
    if (!job || !parent || parent->indexOfChild(job.get()) < 0)
        return;
    parent->delChild(job);
    m_context.platformDocument().undoManager()->registerUndo([this, job, parent] { addNewJob(job, parent); });
    keepUndoActionName();
    if (parent->type() == Node::Group || parent->type() == Node::Job)
        parent->recalcTotalWorkTime();
    // The removed job keeps no flag: the chosen one is the only active job.
    job->setActive(false);
    m_context.setActiveJob(lastActive && m_context.isJobMemberOfDocument(lastActive.get()) ? lastActive : NodePtr());
    m_context.reloadOutline();
    m_context.services().rebuildMenus();
    stopCounterOutsideTree();
}

void DocumentEdits::setExecutedForNode(bool value, const NodePtr &node)
{
    takeOpenEdits();
    if (!node || isNeedless(value == node->executed()))
        return;
    const bool previous = node->executed();
    m_context.platformDocument().undoManager()->registerUndo([this, node, previous] { setExecutedForNode(previous, node); });
    keepUndoActionName();
    node->setExecuted(value);
    m_context.reloadOutline();
}

void DocumentEdits::setExecutedForNodeTree(bool value, const NodePtr &node)
{
    takeOpenEdits();
    if (!node)
        return;
    setExecutedForNode(value, node);
    if (node->type() == Node::Group && value) {
        // Only the group's own children: nested groups keep their children's flags.
        for (const NodePtr &child : node->childEnumerator())
            setExecutedForNode(true, child);
        return;
    }
    if (!value) {
        for (Node *up = node->parent(); up && up->type() == Node::Group; up = up->parent())
            if (NodePtr group = up->weak_from_this().lock())
                setExecutedForNode(false, group);
    }
}

void DocumentEdits::setNameForNode(const QString &name, const NodePtr &node)
{
    takeOpenEdits();
    if (!node || isNeedless(name == node->itemName()))
        return;
    const QString previous = node->itemName();
    m_context.platformDocument().undoManager()->registerUndo([this, node, previous] { setNameForNode(previous, node); });
    keepUndoActionName();
    node->setItemName(name);
    m_context.displayActivatedJob();
    m_context.reloadOutline();
    if (node->type() == Node::Job || node->type() == Node::Group)
        m_context.services().rebuildMenus();
}

void DocumentEdits::setWageForNode(float wage, const NodePtr &node)
{
    takeOpenEdits();
    if (!node)
        return;
    // The opposite gives every node below its own wage back (a day or an entry may
    // have a wage of its own), and the turnovers the change recomputes.
    std::vector<WageRecord> previous;
    const std::function<void(const NodePtr &)> keepTree = [&](const NodePtr &below) {
        previous.push_back({below, below->wage(), below->turnover()});
        for (const NodePtr &child : below->childEnumerator())
            keepTree(child);
    };
    keepTree(node);
    for (Node *up = node->parent(); up; up = up->parent())
        if (NodePtr above = up->weak_from_this().lock())
            previous.push_back({above, above->wage(), above->turnover()});
    m_context.platformDocument().undoManager()->registerUndo([this, node, previous, wage] { restoreWages(previous, node, wage); });
    keepUndoActionName();
    node->setWage(wage);
    node->setWageForTree(wage);
    node->recalcTotalWorkTime();
    m_context.reloadOutline();
}

void DocumentEdits::restoreWages(const std::vector<WageRecord> &records, const NodePtr &node, float wage)
{
    m_context.platformDocument().undoManager()->registerUndo([this, node, wage] { setWageForNode(wage, node); });
    keepUndoActionName();
    for (const WageRecord &record : records) {
        // A time entry recomputes its time and turnover from its wage; the turnover
        // kept comes back after it.
        record.node->setWage(record.wage);
        record.node->setTurnover(record.turnover);
    }
    // The turnovers kept lack what the counter has added since.
    if (const NodePtr entry = runningEntry())
        keepCountedTime(*entry, entry->lDate());
    m_context.reloadOutline();
}

NodePtr DocumentEdits::runningEntry() const
{
    return m_counter && m_counter->isRunning() ? m_counter->timerNode() : NodePtr();
}

void DocumentEdits::keepCountedTime(Node &entry, const QDateTime &end)
{
    entry.setActive(true);
    entry.setlDate(end);
    entry.setItemNameByType();
    // Its time and the sums above it, as its last tick left them.
    entry.refreshWorkTime();
    entry.recalcWorkTime();
}

void DocumentEdits::restoreNodeData(const NodePtr &snapshot, const NodePtr &node)
{
    takeOpenEdits();
    if (!snapshot || !node || snapshot->type() != node->type())
        return;
    platform::UndoManager *undo = m_context.platformDocument().undoManager();
    const NodePtr current = node->clone();
    undo->registerUndo([this, current, node] { restoreNodeData(current, node); });
    keepUndoActionName();
    // The snapshot holds the counter's entry as it was when it was taken: the entry
    // keeps the end of its last tick instead, so that no counted time goes back.
    const NodePtr running = runningEntry();
    const bool covered = running && running->isDescendantOfNode(node.get());
    const QDateTime countedEnd = covered ? running->lDate() : QDateTime();
    // The copy brings the description back too, which a node would register (and
    // name) as a step of its own: without the root's delegate it reaches no undo
    // manager, and this step stands for that change.
    NodeDelegate *reports = m_context.jobList()->delegate();
    m_context.jobList()->setDelegate(nullptr);
    node->fillNodesWithValuesFrom(*snapshot);
    m_context.jobList()->setDelegate(reports);
    m_document.inspectedValuesMayHaveChanged();
    // Filling hands each wage down to the nodes below it (and none to the node
    // itself): the wages the snapshot held come back here, node by node, with the
    // times and turnovers that follow from them.
    if (restoreSnapshotWages(*node, *snapshot)) {
        if (node->type() == Node::TimeEntry) {
            node->recalcWorkTime();
        } else {
            node->recalcWorkTimeForTree();
            if (node->type() == Node::Job || node->type() == Node::Group)
                node->recalcTotalWorkTime();
        }
    }
    if (covered)
        keepCountedTime(*running, countedEnd);
    // The opposite registered above is what marks the document changed: the undo
    // manager counts this step, in whichever direction it runs.
    m_context.displayActivatedJob();
    m_context.reloadOutline();
}

void DocumentEdits::deleteEntry(QObject *sender)
{
    // The question is about the nodes as the person sees them: the text typed into the
    // window's fields goes to them first (a value a field refuses stops the command).
    if (!m_context.platformDocument().commitEditingOrTell())
        return;
    m_context.setAutoLoadFileName();
    QList<NodePtr> nodes;
    NodePtr named;
    if (m_windowController.isOutlineMenuItem(sender)) {
        named = platform::MenuItemValidation::representedObject(qobject_cast<QAction *>(sender)).value<NodePtr>();
        if (named)
            nodes.append(named);
    } else {
        nodes = Node::minimumNodeCoverFromNodesInArray(m_windowController.selectedNodes());
        named = m_windowController.nodeForSender(sender, false);
    }
    QWidget *window = m_context.documentWindow();
    if (nodes.isEmpty() || !named || !window)
        return;
    // The edits go with the document, before it.
    const QPointer<QObject> document(&m_context.platformDocument());
    NTXBeginAlertSheetWithHandler(
        platform::localized(QStringLiteral("LSAdeleteTitle")), platform::localized(QStringLiteral("LSyes")),
        platform::localized(QStringLiteral("LSno")), QString(), window,
        [this, document, nodes](QMessageBox *, int returnCode) {
            if (document)
                deleteSheetDidEnd(nodes, returnCode);
        },
        // More than one node goes: the message counts them instead of naming one.
        platform::localized(nodes.size() > 1 ? QStringLiteral("LSAdeleteEntries") : QStringLiteral("LSAdeleteEntry")),
        {nodes.size() > 1 ? QLocale().toString(nodes.size()) : platform::DocumentAlert::quotedName(named->itemName())});
}

void DocumentEdits::deleteSheetDidEnd(const QList<NodePtr> &nodes, int returnCode)
{
    takeOpenEdits();
    if (returnCode != NTXNSAlertExtensions::AlertFirstButtonReturn)
        return;
    bool deleted = false;
    for (const NodePtr &node : nodes) {
        const NodePtr parent = Node::shared(node->parent());
        // A node that left the tree while the sheet was up is not deleted twice.
        if (!parent || parent->indexOfChild(node.get()) < 0 || !m_context.outlineModel()->indexForNode(node.get()).isValid())
            continue;
        deleteNode(node, parent);
        deleted = true;
    }
    if (!deleted)
        return;
    m_context.platformDocument().undoManager()->setActionName(platform::localized(QStringLiteral("LSUDdeleteEntry")));
    m_context.updateUI();
    m_context.services().rebuildMenus();
}
