#pragma once
// The undoable edits of a document's node tree. Each one makes its change,
// registers its opposite with the document's undo manager and keeps the name of the
// step it belongs to, so the name the starting command gave stays through any
// number of undos and redos. The outline follows through the root's reports; inside
// a batch of edits (DocumentOutlineModel::EditBatch) the sums of the jobs (with their
// days) and of the groups are recomputed once, at the batch's end. A fresh edit that would set a value the node
// has already (a colour label, the done flag, a name) changes nothing and records no
// step. An edit that takes the running counter's entry out of the tree (with its day,
// job or group) stops the counter as part of the edit (DocumentCounter).
//
// Every edit hands the text still open in the window's fields over first, as an undo
// step of its own: it reaches the nodes it was typed for before the edit changes them
// or takes them out of the tree.
//
// Owned by its MyDocument, which forwards its edit operations here. GUI thread
// only; the undo steps hold the nodes they need, never the tree's parent links.
#include "application/tree/Node.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <memory>
#include <vector>

#include <QPointer>

class DocumentContext;
class DocumentCounter;
class DocumentWindowController;
class EditsHost;

class DocumentEdits
{
public:
    // The document, seen through what its collaborators are given (DocumentContext.h)
    // and what the inspector asks of the edits (EditsHost.h); the window's controller
    // (the selection, the senders of the outline's menu items).
    DocumentEdits(const DocumentContext &context, DocumentWindowController &windowController, EditsHost &document);
    // The counter, made after the edits (stopped when its entry leaves the tree).
    void setCounter(DocumentCounter *counter);

    void addNode(const NodePtr &node, const NodePtr &parent, qsizetype index);
    void deleteNode(const NodePtr &node, const NodePtr &parent);
    // Deletes the children of the parent at the indexes (ascending, each once) in one
    // pass; Undo puts each back at its index (insertChildrenBack). Nothing happens when
    // an index is not one of the parent's.
    void deleteChildren(const NodePtr &parent, const QList<qsizetype> &indexes);
    void insertChildrenBack(const NodePtr &parent, const QList<NodePtr> &nodes, const QList<qsizetype> &indexes);
    void doUndoSetActiveJob(const NodePtr &job);
    void setColorLabelType(int label, const NodePtr &node);
    // Adds the nodes at the index so that they end up there in their order.
    void insertNodes(const QList<NodePtr> &nodes, const NodePtr &parent, qsizetype index);
    // Appends a new job and makes it the active job; undone by deleteNewJob().
    void addNewJob(const NodePtr &job, const NodePtr &parent);
    void deleteNewJob(const NodePtr &job, const NodePtr &parent, const NodePtr &lastActive);
    void setExecutedForNode(bool value, const NodePtr &node);
    // A group ticked ticks its direct children; a node unticked unticks the groups
    // above it. Every flag changed is restored by one undo.
    void setExecutedForNodeTree(bool value, const NodePtr &node);
    void setNameForNode(const QString &name, const NodePtr &node);
    // Sets the wage of the node and of its subtree and recomputes the turnovers. Undo
    // gives every node of the subtree the wage it had, and every turnover it changed
    // (those of a running counter's entry and of the sums above it follow from the
    // time counted meanwhile).
    void setWageForNode(float wage, const NodePtr &node);
    // Copies the values of the snapshot (a deep copy made with Node::clone() before
    // an edit) into the node and its subtree; a running counter's entry among them
    // keeps its running flag and the end of its last tick.
    void restoreNodeData(const NodePtr &snapshot, const NodePtr &node);
    // Asks whether to delete the node of the outline's menu item, else the selected
    // nodes (each once, through its topmost selected ancestor), and deletes them as
    // one undo step when the answer is yes.
    void deleteEntry(QObject *sender);
    void deleteSheetDidEnd(const QList<NodePtr> &nodes, int returnCode);

    // Node::recalcTotalWorkTime(), with the job's and the groups' part (inside a batch
    // of edits) at the end of the batch, which calls recalcPendingGroups() (true when it
    // counted any).
    void recalcTotalWorkTime(Node &node);
    bool recalcPendingGroups();

private:
    // Called first by every edit above: the open edits of the window are handed over
    // before the tree changes (platform::Document::takeOpenEditsBeforeChange()).
    void takeOpenEdits();
    // Sets the name of the undo step being built to the name it carries through
    // undo and redo.
    void keepUndoActionName();
    // A fresh edit (not one an undo or redo performs) to the value the node has.
    bool isNeedless(bool sameValue) const;
    // The wage and turnover a node had before a wage change.
    struct WageRecord
    {
        NodePtr node;
        float wage = 0.0f;
        float turnover = 0.0f;
    };
    // The opposite of setWageForNode(): the records come back; its own opposite sets
    // the wage again.
    void restoreWages(const std::vector<WageRecord> &records, const NodePtr &node, float wage);
    // The running counter's entry; none while it is stopped.
    NodePtr runningEntry() const;
    // After a removal: the counter stops when its entry left the tree (at the end of
    // the batch of edits when one is open).
    void stopCounterOutsideTree();
    // The sums after a node was added: its own, now, and those above a time entry (its
    // job's once, at the end of a batch); true when its parent's are to be counted
    // again (a day: once for all the days added together).
    bool countAdded(Node &node);
    // Inside a batch of edits: the day's sums now (when one is given) and the job's
    // own, with the groups above, at the batch's end. False (nothing done) outside a
    // batch and for a node that is not a job.
    bool countJob(Node &job, Node *day);
    void pendJob(Node &job, bool withDays);
    // The sums after children were removed from the parent.
    void countAfterRemovalFrom(Node &parent);
    // Gives the running entry its flag and the end back, and its time and the sums
    // above it (day, job, groups) as its last tick made them: a restore never takes
    // back counted time.
    void keepCountedTime(Node &entry, const QDateTime &end);

    const DocumentContext &m_context;
    DocumentWindowController &m_windowController;
    EditsHost &m_document;
    QPointer<DocumentCounter> m_counter;
    std::vector<std::weak_ptr<Node>> m_pendingGroups;
    QSet<const Node *> m_pendingGroupSet;
    // The jobs whose sums the batch's end adds up: with their days' (true) or their own
    // alone, over days counted already.
    std::vector<std::weak_ptr<Node>> m_pendingJobs;
    QHash<const Node *, bool> m_pendingJobDays;
};
