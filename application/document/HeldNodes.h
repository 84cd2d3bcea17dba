#pragma once
// What an editor of the document window was opened for (the whole-text dialog of a
// description, the job-name, group and time-entry sheets, the delete assistant): the
// nodes it edits, or the document's root for an editor that adds to the top level or
// works on the whole tree. The editor writes there and nowhere else, whatever is
// selected when it ends.
//
// While the editor is open the nodes may still leave the document by ways that pass
// the window by (an undo or a revert asked for elsewhere, the file read again): after
// each change of the outline's rows the editor shows a note saying so and its OK
// button is disabled; both go again when the nodes are back (a redo). present()
// answers at the moment it is asked, so an end handler that asks it writes to the
// document only while the nodes are in it.
//
// Ownership: a child of the editor, gone with it; it keeps the nodes alive (shared)
// but never writes to them, and hands them to NodeRelease as it goes. Threads: GUI thread only. Nothing here throws.
#include "application/tree/Node.h"

#include <QAbstractButton>
#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointer>

class DocumentContext;

class HeldNodes : public QObject
{
    Q_OBJECT
public:
    // Holds the nodes (the document's root stands for the top level) for the editor;
    // the note goes first in the editor's box layout, ok is disabled while they are gone.
    // The document, seen through what its collaborators are given (DocumentContext.h).
    HeldNodes(const DocumentContext &document, QList<NodePtr> nodes, QWidget *editor, QAbstractButton *ok);
    // Gives the editor back as it was (an editor that is used again): the note goes,
    // OK is enabled.
    ~HeldNodes() override;

    const QList<NodePtr> &nodes() const { return m_nodes; }
    // Every node is still in the document's tree (the root still its root).
    bool present() const;
    // The note shown while they are gone (null while it was never needed).
    QLabel *note() const { return m_note; }

private:
    // The first node that is no longer in the document, null for none.
    NodePtr firstGone() const;
    void look();

    const DocumentContext &m_document;
    // The document object: its context is asked only while it lives.
    QPointer<QObject> m_alive;
    QList<NodePtr> m_nodes;
    QPointer<QWidget> m_editor;
    QPointer<QAbstractButton> m_ok;
    QPointer<QLabel> m_note;
};
