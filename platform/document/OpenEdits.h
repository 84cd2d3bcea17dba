#pragma once
// The edits still open in the fields of the program's windows: text typed into a field
// and not yet handed to what the field edits, because the person has not left the field
// (no Return, Tab or change of focus yet). A field that takes such edits is an
// OpenEdits::Editor and is in the list for as long as it lives; it tells the list when
// its open edit begins to change a value, changes it, or ends (noteChanged()).
//
// A document hands every open edit of its window over before anything reads or judges
// it (Document::commitEditing(): saves, the autosave, closing and quitting and their
// questions, the revert and its question, export, printing, a change of what the
// window shows), and counts an open edit that changes a value as a change of its own
// (its title shows the edited mark from the first key that changes a field). An edit
// belongs to a window when the editor's widget lies in it, also through a window the
// window owns (a floating panel of it).
//
// Ownership: the list holds no editor; an editor takes itself out before it dies (the
// Editor destructor does). commitAll() may be called again from what a commit sets off
// (the value's observers): the editors are asked in turn, each at most once per call,
// and an editor that goes meanwhile is not asked. Failure: an editor that refuses its
// value (it does not parse) hands nothing over and tells why; commitAll() then stops
// with that reason, the edit still open. Threads: GUI thread only.
#include <QList>
#include <QObject>
#include <QString>

class QWidget;

namespace platform {

class OpenEdits : public QObject
{
    Q_OBJECT
public:
    class Editor
    {
    public:
        Editor();
        virtual ~Editor();
        Editor(const Editor &) = delete;
        Editor &operator=(const Editor &) = delete;

        // The widget the edit is typed into; its window is the edit's.
        virtual QWidget *editorWidget() const = 0;
        // An edit is open, and handing it over would change the value it edits.
        virtual bool hasChangedEdit() const = 0;
        // Hands the open edit over as Return would and leaves the field open where the
        // person was (caret and selection). False, with the reason in *refusal, when
        // the value is refused: nothing is handed over and the edit stays as it is.
        // True when there was nothing to hand over.
        virtual bool commitEdit(QString *refusal) = 0;
    };

    static OpenEdits &shared();

    // The editor's open edit began to change a value, changed it, or ended.
    static void noteChanged(const Editor *editor);
    // Whether the widget lies in the window, or in a window that one owns.
    static bool isInWindow(const QWidget *widget, const QWidget *window);
    // An editor of the window holds an edit that would change a value.
    static bool hasChangedEdits(const QWidget *window);
    // Hands over every open edit of the window, the editors in the order they were
    // made; stops at the first refusal (false, its reason in *refusal).
    static bool commitAll(const QWidget *window, QString *refusal = nullptr);

Q_SIGNALS:
    // An open edit in the widget's window began to change a value, changed it, or ended.
    void editChanged(QWidget *widget);

private:
    OpenEdits() = default;
    QList<Editor *> m_editors;
};

} // namespace platform
