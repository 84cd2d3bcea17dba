#pragma once
// One open document: its file, its type, its undo manager, its edited state and its
// window, and the File-menu commands that act on it (save, save as, revert, close).
//
// A subclass reads and writes its own file format by overriding readFromFile() and
// writeToFile(), and builds its window in makeMainWindow(). The contract:
// - writeToFile() writes the whole file atomically (platform::SaveFile) and answers success;
//   on failure the old file must be whole. The machinery never writes a file itself.
// - makeFileWriter() may instead answer, on the GUI thread, the work that writes the
//   file from a copy of the contents; the saves with user interface (save, save as,
//   autosave, the saves at quit) then write and commit the file on a pool thread
//   (platform::BackgroundTask) and take the result back on the GUI thread. The copy
//   may be taken in short slices on the GUI thread first, one per pass of the event
//   loop (FileWriter::copyStep), so that a large document holds the thread for no
//   longer than a slice; it holds the contents as of makeFileWriter() whatever
//   changes meanwhile. A save of a document waits for the one of it that runs (copy
//   and write); so do closing it, reverting it and the quit (DocumentController).
// - readFromFile() reads into new objects and replaces the document's contents only
//   when the whole file was read; on failure the document stays as it was.
// - readFileAhead() may read the file on a pool thread first, for readFromFile() to
//   take what was read; the revert with user interface (revertDocumentToSaved) reads
//   so. When the read is done, a document closed meanwhile drops it; one edited
//   meanwhile drops it and asks again (the question was about the changes before);
//   one saved meanwhile reads its file again; else readFromFile() takes it.
// Either may give a reason for a failure with setFailureReason(); it is shown to the
// user below the message. A read that runs out of memory (std::bad_alloc from
// readFromFile()) fails with notEnoughMemoryReason(): the file may well be sound.
//
// The document is edited while its undo manager's change count differs from the
// count at the last save or read (undoing back to that point makes it clean again),
// while the undo group being collected holds a change, while changes recorded
// with updateChangeCount() are outstanding, or while a field of its window holds an
// edit not handed over yet that changes a value (platform::OpenEdits). The first two are
// kept apart: a change the undo manager records counts through its count alone (a
// change recorded by hand while an undo or redo runs is ignored), and an undo never
// takes back a change recorded by hand. A save takes off what it wrote: the changes
// recorded while its file was being written keep the document edited.
//
// Open edits: before anything reads or judges the document (the saves with user
// interface, the autosave, closing and the quit and their questions, the revert, its
// question and the end of its read), the fields of its window hand their open edits
// over (commitEditing()), as Return would; a field that refuses its value stops the
// command with an alert that says why (the autosave passes over the document then, and
// tries again next time). The revert asks again when anything changed between the
// answer and the end of its read, by a count of changes that only grows.
//
// Undo and Redo hand the open edits over first too: the typed text is the step an
// Undo then takes back. So does every edit of a subclass's contents, before it changes
// anything (takeOpenEditsBeforeChange()): the typed text reaches what the person typed
// it for while that is still there, as an undo step of its own before the edit's.
//
// Actions (Q_INVOKABLE, sent along the responder chain by the menus): saveDocument,
// saveDocumentAs, revertDocumentToSaved, performClose, undo, redo; validateMenuItem()
// answers whether a menu item of one of them is enabled.
//
// GUI thread only. The document owns its main window: close() detaches it at once
// (hidden, no connection left to the document) and the document's destruction
// deletes it; no other code deletes a document's window.
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/SaveFile.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <deque>
#include <functional>
#include <optional>
#include <type_traits>
#include <vector>

class QAction;

namespace platform {

class DocumentController;
class UndoManager;

class Document : public QObject
{
    Q_OBJECT
public:
    enum class ChangeType { Done, Undone, Cleared };
    enum class SaveOperation {
        Save,   // to the document's file
        SaveAs, // to a new file, which becomes the document's file
        SaveTo  // a copy; the document keeps its file and edited state
    };
    using CompletionHandler = std::function<void(bool)>;
    // The user's answer to the question about unsaved changes.
    enum class ReviewAnswer { Save, DontSave, Cancel };
    using ReviewHandler = std::function<void(ReviewAnswer)>;

    explicit Document(QObject *parent = nullptr);
    ~Document() override;

    // The file: an absolute path, empty for a document never saved.
    QString filePath() const { return m_filePath; }
    void setFilePath(const QString &path);
    // The type name (a registered document type, e.g. "Chronark Format").
    QString fileType() const { return m_fileType; }
    void setFileType(const QString &typeName);
    // The file's name, or "Untitled", "Untitled 2", … for a document without a file.
    QString displayName() const;
    // The number of an untitled document's name (1 = "Untitled"); set by the controller.
    int untitledNumber() const { return m_untitledNumber; }
    void setUntitledNumber(int number);

    UndoManager *undoManager() const { return m_undoManager; }

    bool isDocumentEdited() const;
    // Hands every open edit of the document's windows over (platform::OpenEdits), as
    // Return in each field would. False, with the reason in *refusal, when a field
    // refuses its value: that edit stays open and nothing else should read the
    // document as the person sees it. Subclasses call it before they read the document
    // for the person (export, print, a change of what the window shows).
    bool commitEditing(QString *refusal = nullptr);
    // commitEditing(); a refusal is shown in an alert on the window (the reason below
    // the message) and answers false.
    bool commitEditingOrTell();
    // Called by a subclass at the start of each edit of its contents: hands the open
    // edits over (commitEditing()) and closes the undo group they went into, so that
    // the typed text is a step of its own before the edit's. Does nothing while an
    // undo or redo runs (they hand the edits over before they start) and when called
    // again from what the hand-over sets off. A refused value stays open, as it is.
    void takeOpenEditsBeforeChange();
    // Never saved and never changed since it was made: an "Untitled" document that
    // another document may replace.
    bool isUntouched() const;
    // Records a change made outside the undo manager (Done), takes one back
    // (Undone), or marks the document as saved (Cleared). Done and Undone change
    // nothing while the undo manager performs an undo or redo, which counts itself.
    void updateChangeCount(ChangeType change);

    // The controller that keeps the document (null when none does).
    DocumentController *documentController() const;

    // Window. makeWindowControllers() creates the main window once (through
    // makeMainWindow()); showWindows() creates it when needed, shows it and brings
    // it to the front.
    virtual void makeWindowControllers();
    QWidget *mainWindow() const { return m_mainWindow; }
    // The window that sheets and alerts of the document attach to.
    QWidget *windowForSheet() const { return m_mainWindow; }
    void showWindows();
    // The title of the window: the display name and the edited marker placeholder,
    // and while the autosave passes over the document, that it is not autosaved.
    virtual QString windowTitle() const;
    // The autosave passed over the document, whose file another application changed,
    // and the person was asked and did not save over it: until the document is saved
    // (or read) again, its changes are not autosaved.
    bool isAutosavePaused() const;

    // Reading and writing, without any user interface. The reason of a failure is
    // stored in *errorReason when given.
    // Reads the file and makes it the document's file; the document is clean after.
    bool loadFromFile(const QString &path, const QString &typeName, QString *errorReason = nullptr);
    // Reads a copy kept of an unsaved document (a recovery copy) as the document it was:
    // its file becomes `originalPath` (empty: none, an "Untitled" document), which this
    // document has neither read nor written (a save writes it without asking whether
    // another program changed it), and the document is edited: nothing of what was read
    // is saved yet. The copy's own path is not kept.
    bool loadRecoveredCopy(const QString &copyPath, const QString &originalPath, const QString &typeName,
                           QString *errorReason = nullptr);
    // Why the path cannot be read as a document before it is opened (missing, a
    // folder, a pipe, socket or device, no permission); empty when it can be tried.
    static QString reasonFileCannotBeRead(const QString &path);
    // On the GUI thread, through writeToFile(), whatever makeFileWriter() answers;
    // it does not wait for a save in the background.
    bool saveToFile(const QString &path, const QString &typeName, SaveOperation operation,
                    QString *errorReason = nullptr);
    // The same save, written in the background where makeFileWriter() answers a
    // writer (else through writeToFile(), on the GUI thread). The handler runs on the
    // GUI thread in a later pass with the outcome and, on failure, the reason as
    // saveToFile() gives it. The document takes the outcome as of the moment the save
    // began: changes made while the file is written keep it edited. A save started
    // while another of this document runs (or waits) waits for it; a document
    // destroyed before its save ends answers false.
    using SaveHandler = std::function<void(bool saved, const QString &reason)>;
    void saveToFileWithCompletion(const QString &path, const QString &typeName, SaveOperation operation,
                                  SaveHandler handler);
    // A save of the document is being copied or written (or looks whether its file
    // changed, first), or waits for one that is.
    bool isSaving() const { return m_saveRunning || !m_waitingSaves.empty(); }
    // Runs the continuation once no save of the document runs or waits: at once when
    // none does, else on the GUI thread after the last one ended (also when the
    // document is destroyed first).
    void whenNotSaving(std::function<void()> continuation);
    // Reads the document's file again, dropping the changes and the undo history
    // (on the GUI thread, unless readFileAhead() read it already).
    bool revertToSaved(QString *errorReason = nullptr);
    // A revert was agreed to and waits for its file to be read.
    bool isRevertReading() const { return m_revertReading; }

    // With user interface. Saves to the document's file, or asks for one when there
    // is none; a failure shows an alert. A file changed on disk is written over only
    // after the question ("Save Anyway", "Cancel"); a save written in the background
    // looks whether it changed on its pool thread, since that may read the whole
    // file. The handler (may be empty) learns whether the document was saved.
    void saveDocumentWithCompletion(CompletionHandler handler);
    // The autosave: saves a document that has a file and unsaved changes, without
    // asking anything. A file changed on disk since it was last read or written is
    // never overwritten this way: the refusal is logged, and the person is asked
    // once per change of the file, with the choices a save by hand gives ("Save
    // Anyway", "Cancel"); a save failure shows the alert a save by hand shows, one
    // for failures in a row (it tells the last reason), closed by a save that
    // succeeds. It looks at the file where a save by hand does.
    void autosaveDocument();
    // The document's file was changed by another program since the document last
    // read or wrote it: its identity (platform::RegularFile::Identity: device, inode,
    // size, modification and change times to the nanosecond) differs, or, where the
    // identity could not tell yet (taken within its file system's time grain), its
    // content does. A missing file, or one the document never read or wrote, has
    // not changed. It may read the whole file (the saves ask it on a pool thread).
    bool fileChangedOnDisk() const;

    // The file as a document knows it: its identity and, when that was not settled
    // yet, a digest of its content then.
    struct FileState
    {
        std::optional<RegularFile::Identity> identity;
        QByteArray digest;
    };
    // The state of the file a path names now (no identity when there is none).
    static FileState fileStateOf(const QString &path);
    // The state of the file a save of the document has just written: its identity,
    // taken again once settled where that is a tick of a fine clock away (no digest
    // then: any later change changes it), else as fileStateOf() answers.
    static FileState fileStateAfterWriting(const QString &path);
    // The same, told what the save wrote (SaveFile::Written, taken before its rename):
    // the file as it is now while it still is the file written (of the size and
    // modification time written and, where the save told it (Written::renamed), the
    // change time its rename left), with the content written; else what was written,
    // which the file as another program left it is told from by the next look. Where
    // the times are fine, nothing of the file is read (a later write leaves a later
    // change time, or within the rename's tick a later modification time: the save
    // settled its new file's times before the rename) and the state holds no digest;
    // where they are coarse, it holds the digest written, and the next look reads the
    // content (a save's last look before its rename once the file's times settled).
    static FileState fileStateAfterSaving(const QString &path, const SaveFile::Written &written);
    // Asks for a file (a save dialog on the window) and saves there.
    void saveDocumentAsWithCompletion(CompletionHandler handler);
    // Whether the document may close: when it is edited the user is asked to save,
    // not to save, or to cancel. The handler learns the answer (true = may close).
    // A save being written ends before anything is asked.
    void canCloseDocument(CompletionHandler handler);
    // Only the question: an edited document asks (its window in front) whether to
    // save, not to save, or to cancel, and nothing else happens; a document without
    // changes answers "don't save" without asking. The handler runs on a later pass.
    void reviewChanges(ReviewHandler handler);
    // Closes the window and ends the document (it is deleted later), without asking.
    void close();
    bool isClosing() const { return m_closing; }

    // Actions.
    Q_INVOKABLE void saveDocument(QObject *sender);
    Q_INVOKABLE void saveDocumentAs(QObject *sender);
    Q_INVOKABLE void revertDocumentToSaved(QObject *sender);
    Q_INVOKABLE void performClose(QObject *sender);
    Q_INVOKABLE void undo(QObject *sender);
    Q_INVOKABLE void redo(QObject *sender);
    Q_INVOKABLE virtual bool validateMenuItem(QAction *item);

Q_SIGNALS:
    void documentEditedChanged(bool edited);
    void displayNameChanged(const QString &name);
    void filePathChanged(const QString &path);
    // The document is closing; its window is going away.
    void documentWillClose(platform::Document *document);

protected:
    // The file format. Answer success; see the contract above.
    virtual bool readFromFile(const QString &path, const QString &typeName) = 0;
    virtual bool writeToFile(const QString &path, const QString &typeName) = 0;
    // Writing off the GUI thread. Called on the GUI thread; answers the work that
    // writes the file atomically on a pool thread, made from a copy of what the file
    // holds: it touches nothing the GUI thread uses. `write` answers success and
    // stores the reason of a failure in *reason; an exception it throws is a failure
    // too. It asks `mayReplace` just before its new file takes the file's place
    // (SaveFile::setReplaceCheck()): false means the file is not to be replaced (it
    // was changed by another program meanwhile), and the write then leaves the file
    // and answers false. A writer through SaveFile passes it on as SaveFile's check:
    // asked with what was written, the save keeps that as the file's state, so that a
    // change another program makes right after the rename is told from the save's own
    // (fileStateAfterSaving()); one that cannot tell asks it without, and the file is
    // looked at after the write (fileStateAfterWriting()). `copyStep`, when given,
    // takes the copy on the GUI thread first: it is called once per pass of the event
    // loop, each call a short slice, until it answers true, and goes (on the GUI
    // thread) before `write` starts; an exception it throws fails the save with its
    // text as the reason. The default answers none: the file is written through
    // writeToFile().
    class ReplaceCheck
    {
    public:
        using Check = std::function<bool(const SaveFile::Written *written)>;
        ReplaceCheck() = default;
        explicit ReplaceCheck(Check check) : m_check(std::move(check)) {}
        // A check that is told nothing of what was written.
        template <typename Look>
            requires(!std::is_same_v<std::decay_t<Look>, ReplaceCheck> && std::is_invocable_r_v<bool, const Look &>)
        ReplaceCheck(Look look) : m_check([look = std::move(look)](const SaveFile::Written *) { return look(); })
        {
        }
        bool operator()() const { return !m_check || m_check(nullptr); }
        bool operator()(const SaveFile::Written &written) const { return !m_check || m_check(&written); }

    private:
        Check m_check;
    };
    // `saved`, when given, is called on the GUI thread once `write` wrote the file,
    // before the save's handler: what the writer learnt as it wrote (kept where both
    // reach it) is told there.
    struct FileWriter
    {
        std::function<bool()> copyStep;
        std::function<bool(const ReplaceCheck &mayReplace, QString *reason)> write;
        std::function<void()> saved;
        explicit operator bool() const { return bool(write); }
    };
    virtual FileWriter makeFileWriter(const QString &path, const QString &typeName);
    // Reading off the GUI thread. Called on the GUI thread; gets the file ready for
    // readFromFile() (a subclass reads it on a pool thread, where readFromFile() then
    // takes what was read, tree or refusal) and calls `ready` on the GUI thread once
    // it is, at most once and not after the document went. The default reads nothing
    // and calls it at once: readFromFile() reads the file itself.
    virtual void readFileAhead(const QString &path, const QString &typeName, std::function<void()> ready);
    // Drops what readFileAhead() read for the path that no readFromFile() took.
    virtual void dropFileReadAhead(const QString &path);
    // Creates the document's main window (a top-level widget the document then
    // owns). The default makes an empty main window.
    virtual QWidget *makeMainWindow();
    // Called after the main window was made and set up.
    virtual void windowControllerDidLoad() {}
    // The window's teardown, in this order: every connection from the window, its
    // widgets and its actions to this document or to an object the document owns
    // is cut; the window is hidden; windowWillTearDown() lets the subclass take back
    // what it lent the window (models, delegates, targets); the window is deleted. It
    // runs once. A subclass whose window reaches its own members calls it first in
    // its destructor; the base destructor calls it for the others.
    void tearDownWindow();
    virtual void windowWillTearDown() {}
    // The reason of the failure being reported by readFromFile() or writeToFile().
    void setFailureReason(const QString &reason) { m_failureReason = reason; }
    // The reason of a read that ran out of memory.
    static QString notEnoughMemoryReason();

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    friend class DocumentController;
    void setDocumentController(DocumentController *controller);
    void changeStateMaybe();
    void updateWindow();
    // Cuts the connections from the window to the document and hides the window.
    void detachWindow();
    void reportSaveFailure(const QString &reason, const CompletionHandler &handler);
    // The end of a save by the person: the handler hears the outcome, a failure
    // after its alert (while the document lives).
    SaveHandler reportingFailures(const CompletionHandler &handler);
    void saveToOwnFile(const CompletionHandler &handler);
    // The question before writing over a file another program changed: Save Anyway
    // saves, Cancel answers false. One at a time.
    void askToSaveOverChangedFile(const CompletionHandler &handler);
    // What a save of the document's own file looks at first: whether another
    // program changed the file (fileChangedOnDisk()). When it did, nothing is
    // written, and `ifChanged` runs on the GUI thread in place of the save's handler,
    // with the file's state then (fileStateOf()) when `wantCurrent`. A save written
    // in the background looks on its pool thread, just before it writes (the digest
    // may read the whole file), and again just before its new file takes the file's
    // place: a change made while it wrote leaves the file as the other program made
    // it, and answers as a change found first does. One written on the GUI thread
    // looks there, before it writes.
    struct ChangeCheck
    {
        std::function<void(const FileState &current)> ifChanged; // empty: no look
        bool wantCurrent = false;
    };
    // saveToFileWithCompletion(), after the check when one is given.
    void startSave(const QString &path, const QString &typeName, SaveOperation operation, SaveHandler handler,
                   const ChangeCheck &check);
    // The save by hand and the autosave: the document's own file, unless it changed.
    void saveToOwnFileUnlessChanged(const CompletionHandler &handler, const ChangeCheck &check);
    // The autosave found the file changed elsewhere, in the state given.
    void autosaveFoundFileChanged(const FileState &current);
    // An autosave failed: the alert of the failures before, still standing, tells this
    // reason instead; else one opens. The next successful save closes it.
    void reportAutosaveFailure(const QString &reason);
    // The agreed revert: reads the file (readFileAhead()) and then takes it, unless
    // the document was closed, edited or saved meanwhile: changed at all since the
    // answer, when the change sequence passed `agreed`.
    void revertWhenRead(quint64 agreed);
    // Counts a change: the sequence grows by one.
    void noteChange() { ++m_changeSequence; }
    // canCloseDocument() once no save runs.
    void reviewBeforeClosing(const CompletionHandler &handler);
    // The reason of a failed write of the file, as the alert shows it.
    QString saveFailureReason(const QString &absolutePath, const QString &reason) const;
    // Changes still collecting in the open undo group belong to the state saved.
    void closeOpenUndoGroup();
    // The state a successful save leaves, before the document's own updates.
    void didSave(const QString &absolutePath, const QString &typeName, SaveOperation operation);
    // Ends the running save and starts what waited for it.
    void endRunningSave();
    // Remembers the file's state as this document read or wrote it.
    void noteFileOnDisk();
    void noteFileOnDisk(const FileState &state);
    static QString absolutePath(const QString &path);

    QString m_filePath;
    QString m_fileType;
    QString m_failureReason;
    UndoManager *m_undoManager;
    qint64 m_savedUndoCount = 0;
    qint64 m_manualChanges = 0;
    // Undone past the save and then changed: the saved state cannot come back by redo.
    bool m_savedStateLost = false;
    bool m_lastEdited = false;
    // Every edit of the person (an undo group opened or closed, an undo or redo, a key
    // that changed an open edit) makes it grow; nothing makes it smaller. Changes
    // recorded by hand (the counter's time, twice a second) do not count: a revert
    // agreed to while counting drops the time counted during its read as well.
    quint64 m_changeSequence = 0;
    // What the sequence last saw of the undo manager.
    qint64 m_seenUndoCount = 0;
    bool m_seenOpenChanges = false;
    bool m_touched = false;
    bool m_closing = false;
    bool m_reviewing = false;
    bool m_revertReading = false;
    bool m_askingForFile = false;
    bool m_askingToOverwrite = false;
    bool m_takingOpenEdits = false; // takeOpenEditsBeforeChange() runs
    // The file's state an autosave last passed over and told the person about.
    FileState m_autosaveConflict;
    // The alert of autosaves that failed, until it is answered or a save succeeds.
    QPointer<QWidget> m_autosaveFailure;
    // The save being written in the background, and the saves and waiters after it.
    bool m_saveRunning = false;
    SaveHandler m_runningSaveHandler;
    // The undo change count and the outside changes the running save holds; whether
    // the state it holds can no longer come back by undo or redo; reads and clears
    // since it began.
    qint64 m_runningSaveUndoCount = 0;
    qint64 m_runningSaveManualChanges = 0;
    bool m_runningSaveStateLost = false;
    quint64 m_clearings = 0;
    quint64 m_runningSaveClearings = 0;
    // Each is called with true to go ahead, or false when the document goes first.
    std::deque<std::function<void(bool)>> m_waitingSaves;
    std::vector<std::function<void()>> m_idleWaiters;
    // The file as last read or written.
    FileState m_fileState;
    int m_untitledNumber = 0;
    QPointer<QWidget> m_mainWindow;
    QPointer<DocumentController> m_controller;
};

} // namespace platform
