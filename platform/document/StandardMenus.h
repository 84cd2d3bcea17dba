#pragma once
// The File and Edit menus of a document application, built into a menu bar.
//
// File: New, Open…, Open Recent ▸, Close, Save, Save As…, Revert to Saved, Quit.
// Edit: Undo, Redo, Cut, Copy, Paste, Delete, Select All.
//
// Every item sends its action along the responder chain (the focused widget, its
// window, the front document, the document controller) and is validated before its
// menu shows. Undo and Redo are titled by whoever receives them: the front document
// names them after its undo manager ("Undo Typing"); otherwise they read "Undo" and
// "Redo". Shortcuts are the platform's standard keys; Save As has Ctrl+Shift+S
// where the platform binds none.
//
// Delete sends "deleteSelection:" unless the application points it elsewhere
// (MenuItemValidation::setAction()).
// Threads: GUI thread only.
#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class QMenuBar;

namespace platform {

class DocumentController;

class StandardMenus : public QObject
{
    Q_OBJECT
public:
    // Adds the menus to the menu bar (which then owns them and this object). The
    // Open Recent menu lists the controller's recent files (the shared controller's
    // when none is given).
    explicit StandardMenus(QMenuBar *menuBar, DocumentController *controller = nullptr);

    QMenu *fileMenu() const { return m_fileMenu; }
    QMenu *editMenu() const { return m_editMenu; }
    QMenu *openRecentMenu() const { return m_openRecentMenu; }

    QAction *newItem() const { return m_new; }
    QAction *openItem() const { return m_open; }
    QAction *closeItem() const { return m_close; }
    QAction *saveItem() const { return m_save; }
    QAction *saveAsItem() const { return m_saveAs; }
    QAction *revertItem() const { return m_revert; }
    QAction *quitItem() const { return m_quit; }
    QAction *undoItem() const { return m_undo; }
    QAction *redoItem() const { return m_redo; }
    QAction *cutItem() const { return m_cut; }
    QAction *copyItem() const { return m_copy; }
    QAction *pasteItem() const { return m_paste; }
    QAction *deleteItem() const { return m_delete; }
    QAction *selectAllItem() const { return m_selectAll; }

    // The item of the two menus that sends the action (null when none does).
    QAction *itemWithAction(const QByteArray &action) const;
    // Validates every item of both menus now.
    void validateAll();

private:
    void resetUndoTitles();

    QMenu *m_fileMenu;
    QMenu *m_editMenu;
    QMenu *m_openRecentMenu;
    QAction *m_new, *m_open, *m_close, *m_save, *m_saveAs, *m_revert, *m_quit;
    QAction *m_undo, *m_redo, *m_cut, *m_copy, *m_paste, *m_delete, *m_selectAll;
};

} // namespace platform
