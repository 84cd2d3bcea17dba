#pragma once
// The delete assistant: its sheet, and the run that removes, in one undoable step,
// the nodes of a kind that meet a creation-date condition (and, when asked, belong
// to executed jobs), then the day entries left empty. The outline shows a run as one
// batch of edits. The sheet holds the tree it was begun on (HeldNodes): when the
// file was read again meanwhile, it runs over nothing.
//
// Owned by its MyDocument (a child object), which forwards the assistant's
// operations here; the deletions go through the document's undoable edits. GUI
// thread only; nothing here throws.
#include "application/tree/Node.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>

class DeleteAssistantSheet;
class DocumentContext;
class DocumentEdits;

class DeleteAssistant : public QObject
{
    Q_OBJECT
public:
    // What goes: a kind (0 any, 1 groups, 2 jobs, 3 time entries), a date condition
    // (0 none, 1 created before, 2 created after the date, by whole minutes) and
    // whether only nodes of executed jobs go.
    struct Settings
    {
        int kind = 0;
        int condition = 0;
        bool onlyExecuted = false;
        QDateTime date;
    };
    // The document, seen through what its collaborators are given (DocumentContext.h);
    // the undoable edits it deletes with.
    DeleteAssistant(const DocumentContext &context, DocumentEdits &edits);
    ~DeleteAssistant() override;

    void deleteAssistant(QObject *sender);
    void deleteAssistantValueChanged(QObject *sender);
    void okDeleteAssistant(QObject *sender);
    void sheetDidEndDeleteAssistant(DeleteAssistantSheet *sheet, int returnCode);
    // One run over the node's subtree (undoable edits); answers the number of nodes
    // deleted.
    int deleteAssistantActionForNode(const NodePtr &node, const Settings &settings);
    DeleteAssistantSheet *deleteWindow() const;
    QDateTime deleteDateValue() const { return m_deleteDateValue; }

private:
    // Whether the node goes by the settings (never the document's root).
    bool goes(const Node &node, const Settings &settings) const;
    // The run below the node: its children that go leave in one pass, each child that
    // stays is run over in turn, and a day left empty goes too.
    int deleteBelow(Node &node, const Settings &settings);
    // Whether the day has entries and every one of them goes.
    bool allGo(const Node &day, const Settings &settings) const;

    const DocumentContext &m_context;
    DocumentEdits &m_edits;
    QPointer<DeleteAssistantSheet> m_deleteWindow;
    QDateTime m_deleteDateValue;
};
