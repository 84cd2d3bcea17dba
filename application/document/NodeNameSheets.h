#pragma once
// The sheets that name jobs and groups: the job-name sheet (the name and wage of a
// new job, which goes to the end of the top level as the active job, or of an
// existing one) and the group sheet (the name of a new group at the end of the top
// level, or of an existing one). Every open sheet keeps its own node and function
// (0 new, 1 edit), so the sheets of two documents never mix them up, and holds what it
// writes to (HeldNodes: the node, or the tree's top level for a new one): gone from
// the document when the sheet ends, it writes nothing.
//
// Owned by its MyDocument (a child object), which forwards the sheet operations
// here; the edits go through the document's undoable operations. One sheet at a
// time on the document window. GUI thread only; nothing here throws.
#include "application/tree/Node.h"

#include <QObject>
#include <QPointer>

class GroupNameSheet;
class JobNameSheet;
class DocumentContext;
class DocumentWindowController;
class DocumentEdits;

class NodeNameSheets : public QObject
{
    Q_OBJECT
public:
    // The document, seen through what its collaborators are given (DocumentContext.h);
    // the selection and the nodes senders stand for (the window's controller); the undoable edits.
    NodeNameSheets(const DocumentContext &context, DocumentWindowController &windowController, DocumentEdits &edits);
    ~NodeNameSheets() override;

    void newJobEntry(QObject *sender);
    // Edits (function 1) the job the sender stands for; function 0 offers a new job.
    void funcJobName(QObject *sender, int function);
    void funcJobName(const NodePtr &node, int function);
    void endJobNameWindow(QObject *sender);
    void sheetDidEndJobName(JobNameSheet *sheet, int returnCode, const NodePtr &node, int function);
    JobNameSheet *jobNameWindow() const;

    void newGroupEntry(QObject *sender);
    // Renames (function 1) the group the sender stands for; function 0 names a new one.
    void funcGroupName(QObject *sender, int function);
    void funcGroupName(const NodePtr &node, int function);
    void endGroupNameWindow(QObject *sender);
    void sheetDidEndGroupName(GroupNameSheet *sheet, int returnCode, const NodePtr &node, int function);
    GroupNameSheet *groupNameWindow() const;

private:
    const DocumentContext &m_context;
    DocumentWindowController &m_windowController;
    DocumentEdits &m_edits;
    QPointer<JobNameSheet> m_jobNameWindow;
    QPointer<GroupNameSheet> m_groupNameWindow;
};
