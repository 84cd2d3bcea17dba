#pragma once
// What every collaborator of a document (DocumentEdits, DocumentCounter, the sheets, the
// toolbar, the totals, the window's controller, the outline's data source, the tree's
// reports, HeldNodes, OutlineMoves) is given of it: the document object (its undo manager,
// the target of its actions), the application's services, the tree and its active job,
// the window and its outline with their rows, the currency formatter, the user defaults,
// and what follows a change, which the collaborators announce here and the document
// answers: the window's controls, the outline's selection, the active job's display, the
// file remembered as last edited. The collaborators a collaborator uses are given to it
// directly, not through this.
//
// Ownership: a plain member of the document, made before its collaborators and gone
// after them; it refers to the document's own tree, services and formatter and owns
// nothing. The window and the outline's rows are followed with guarded pointers (null
// before the window is made and once they went). The answers are the document's, set
// once by it; an announcement without one does nothing.
//
// Re-entrancy: GUI thread only. An announcement runs the document's answer at once and
// may re-enter the outline's views, the inspector and so the announcing collaborator.
// Failure: nothing here throws beyond what the document's answers throw.
#include "application/tree/Node.h"

#include <QPointer>
#include <functional>

class CurrencyFormatter;
class DocumentOutlineModel;
class DocumentServices;
class DocumentWindow;
class QTreeView;
namespace platform {
class Document;
class UserDefaults;
}

class DocumentContext
{
public:
    // What the document does when a collaborator announces a change.
    struct Answers
    {
        // The application icon, the start/stop button, the totals.
        std::function<void()> updateUI;
        // What follows the selection, inside a batch of edits at its end.
        std::function<void()> reloadOutline;
        // The outline's selection changed: its totals and the inspected nodes follow.
        std::function<void()> selectionChanged;
        // Shows the active job in the window (inside a batch of edits at its end).
        std::function<void()> displayActivatedJob;
        // Remembers the document's file as the one last edited.
        std::function<void()> setAutoLoadFileName;
    };

    // jobList is the document's member holding its root (it changes when the file is
    // read again); it and the formatter must outlive the collaborators.
    DocumentContext(platform::Document &document, DocumentServices &services, const NodePtr &jobList,
                    const CurrencyFormatter &formatter);
    DocumentContext(const DocumentContext &) = delete;
    DocumentContext &operator=(const DocumentContext &) = delete;

    void setAnswers(Answers answers) { m_answers = std::move(answers); }
    void setWindow(DocumentWindow *window);
    void setOutlineModel(DocumentOutlineModel *model);

    platform::Document &platformDocument() const { return m_document; }
    DocumentServices &services() const { return m_services; }
    const NodePtr &jobList() const { return m_jobList; }
    const CurrencyFormatter &formatter() const { return m_formatter; }
    // The user defaults of the document's controller (the standard ones without).
    platform::UserDefaults &userDefaults() const;
    // Null while the document has no window.
    DocumentWindow *documentWindow() const;
    QTreeView *outlineView() const;
    // Null before it is made and once it went.
    DocumentOutlineModel *outlineModel() const;

    // The active job (at any depth), null for none.
    NodePtr activeJob() const { return m_jobList->getActiveNode(); }
    // Makes job (null: none) the active one and shows it. Not undoable (see
    // DocumentEdits::doUndoSetActiveJob()).
    void setActiveJob(const NodePtr &job) const;
    bool isJobMemberOfDocument(const Node *job) const;
    // The document holds at least one job, at any depth.
    bool holdsJob() const;

    void updateUI() const { announce(m_answers.updateUI); }
    void reloadOutline() const { announce(m_answers.reloadOutline); }
    void selectionChanged() const { announce(m_answers.selectionChanged); }
    void displayActivatedJob() const { announce(m_answers.displayActivatedJob); }
    void setAutoLoadFileName() const { announce(m_answers.setAutoLoadFileName); }

private:
    static void announce(const std::function<void()> &answer)
    {
        if (answer)
            answer();
    }

    platform::Document &m_document;
    DocumentServices &m_services;
    const NodePtr &m_jobList;
    const CurrencyFormatter &m_formatter;
    QPointer<DocumentWindow> m_window;
    QPointer<DocumentOutlineModel> m_outlineModel;
    Answers m_answers;
};
