#pragma once
// Keeps the open documents of the application: makes new ones, opens files (each
// file once), knows the front document, keeps the list of recent files in the user
// defaults, and closes documents at quit after the user reviewed unsaved changes.
//
// There is one shared controller. The first controller constructed becomes it (so
// an application controller that subclasses this one and is made first is the
// shared one); setSharedDocumentController() replaces it. The shared controller
// puts the front window's document and itself at the end of the responder chain.
//
// Actions (Q_INVOKABLE): newDocument, openDocument, openRecentDocument (the sender's
// represented object is the path), clearRecentDocuments, terminate.
// Threads: GUI thread only.
#include "platform/document/DocumentType.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QAction;
class QMenu;
class QWidget;

namespace platform {

class Document;
class UserDefaults;

class DocumentController : public QObject
{
    Q_OBJECT
public:
    using CompletionHandler = std::function<void(bool)>;

    // A file that could not be opened, and why.
    struct OpenFailure
    {
        QString path;
        QString reason;
    };
    // The most failures an alert names in its text; its details list them all.
    static constexpr int MaximumListedOpenFailures = 12;

    // The key of the recent files in the user defaults (a list of paths, most
    // recent first).
    static inline const QString RecentDocumentsKey = QStringLiteral("RecentDocumentPaths");
    static constexpr int MaximumRecentDocumentCount = 10;

    explicit DocumentController(QObject *parent = nullptr);
    ~DocumentController() override;

    // The shared controller; made (as a plain DocumentController) on first use when
    // none was constructed. Never null while an application object exists.
    static DocumentController *sharedDocumentController();
    // Makes the controller the shared one (null: none, until the next is made).
    static void setSharedDocumentController(DocumentController *controller);
    // The shared controller if there is one, without making one.
    static DocumentController *existingSharedDocumentController();

    // The user defaults holding the recent files (the standard ones by default).
    UserDefaults *userDefaults() const;
    void setUserDefaults(UserDefaults *defaults);

    // Document types. The first registered is the default type of new documents.
    void addDocumentType(const DocumentType &type);
    QList<DocumentType> documentTypes() const { return m_types; }
    // The type of that name (an invalid type when none).
    DocumentType documentTypeNamed(const QString &name) const;
    QString defaultType() const;
    // The type whose extensions match the file's name; else the default type.
    QString typeForFile(const QString &path) const;

    // Documents.
    QList<Document *> documents() const;
    // The document of the active window (or of the window a dialog of it belongs to).
    Document *currentDocument() const;
    Document *documentForWindow(const QWidget *window) const;
    // The open document of a file (compared after resolving links), null when none.
    Document *documentForFile(const QString &path) const;
    bool hasEditedDocuments() const;
    void addDocument(Document *document);
    void removeDocument(Document *document);

    // Making documents. The two make functions only make; the open functions also
    // keep the document, make its window and show it when asked.
    virtual Document *makeUntitledDocument(const QString &typeName);
    // Reads the file; answers null (and the reason) when it cannot be read.
    virtual Document *makeDocumentWithContentsOfFile(const QString &path, const QString &typeName,
                                                     QString *errorReason = nullptr);
    Document *openUntitledDocument(bool display);
    // Opens the file: an open file's window comes to the front instead. A file that
    // cannot be read shows an alert and answers null; open documents stay as they were.
    // When the only open document is an untouched "Untitled" one (see
    // Document::isUntouched()), the file's document takes its place: it is closed.
    Document *openDocumentWithContentsOfFile(const QString &path, bool display);
    // Opens the files of one request (a launch, the open dialog, another program) in
    // turn; the files that cannot be read are reported together in one alert that
    // lists them. Answers the documents opened or brought forward, in order.
    QList<Document *> openDocumentsWithContentsOfFiles(const QStringList &paths, bool display);
    // The same for a request of the user or another program (the open dialog, the
    // recent files, a request over the bus), once readFilesAhead() has the files
    // ready: the documents open when it says so (at once by default), with the same
    // documents and alerts, unless the controller went first.
    void openDocumentsWhenRead(const QStringList &paths, bool display);
    // Opens a copy kept of an unsaved document as that document, unsaved, titled after
    // its file (`originalPath`; empty: an "Untitled" document) and saved there
    // (Document::loadRecoveredCopy()); the empty "Untitled" document that opened by
    // itself gives way to it. Answers null, with the reason, when the copy cannot be read.
    Document *openRecoveredDocument(const QString &copyPath, const QString &originalPath, bool display,
                                    QString *errorReason = nullptr);
    // Runs the open dialog (window-modal on the front window) and opens the files
    // chosen.
    void runOpenPanel();
    // The name filters of the open and save dialogs.
    QStringList fileDialogFilters() const;

    // Recent files.
    QStringList recentDocumentPaths() const;
    void noteNewRecentDocument(Document *document);
    void noteNewRecentDocumentPath(const QString &path);
    void clearRecentDocumentList();
    // Fills the menu with the recent files that still exist (dropping the others
    // from the list), a separator and "Clear Menu"; attachOpenRecentMenu() makes the
    // menu fill itself every time before it shows.
    void fillOpenRecentMenu(QMenu *menu);
    void attachOpenRecentMenu(QMenu *menu);

    // Closing. Each edited document is asked in turn (its window in front); Cancel
    // stops; Save or Don't Save closes it. The handler learns whether every document
    // that was asked about was closed (always true when none was edited).
    void reviewUnsavedDocuments(CompletionHandler handler);
    // Closes every document, asking about the edited ones; stops at Cancel.
    void closeAllDocuments(CompletionHandler handler);

    // Asked before quitting, before unsaved documents are reviewed; answering false
    // cancels the quit. The default answers true.
    virtual bool applicationShouldTerminate() { return true; }
    // The quit goes ahead: the user answered every question about unsaved changes
    // without cancelling. Called before the documents the user chose to save are
    // saved; the default does nothing.
    virtual void terminationWillProceed() {}
    // The quit without questions keeps the changes of an edited document elsewhere
    // than in its file (the default keeps nothing).
    virtual void keepUnsavedDocument(Document *) {}

    // Actions.
    Q_INVOKABLE void newDocument(QObject *sender);
    Q_INVOKABLE void openDocument(QObject *sender);
    Q_INVOKABLE void openRecentDocument(QObject *sender);
    Q_INVOKABLE void clearRecentDocuments(QObject *sender);
    // Quits: applicationShouldTerminate(), then every edited document is asked in
    // turn (the front one first) and nothing happens until all answered; a Cancel
    // ends the quit with every document as it was. Then terminationWillProceed(), the
    // documents to save are saved (a failed save ends the quit), willTerminate(), and
    // every document closes. Saves being written (autosaves among them) end before
    // the questions and before the documents close.
    Q_INVOKABLE void terminate(QObject *sender);
    // The quit nobody can be asked about (the session ends: a termination signal, a
    // logout): the saves being written end first, then terminationWillProceed(),
    // keepUnsavedDocument() for every edited document, willTerminate(), every document
    // closes and the application quits. Nothing is asked and no document is saved to
    // its file; a quit waiting for answers is overtaken (its questions go with their
    // windows). Called again meanwhile, it does nothing.
    void terminateWithoutQuestions();
    // A quit is under way (terminate(), until it ends or is cancelled).
    bool isTerminating() const { return m_terminating; }
    // Under way: terminateWithoutQuestions() was called.
    bool isTerminatingWithoutQuestions() const { return m_endingSession; }
    Q_INVOKABLE virtual bool validateMenuItem(QAction *item);

Q_SIGNALS:
    void documentAdded(platform::Document *document);
    void documentRemoved(platform::Document *document);
    void recentDocumentsChanged();
    // The quit was allowed: every document was reviewed; the application ends next.
    void willTerminate();
    // The quit ended without ending the application: a Cancel, a save that failed, or
    // applicationShouldTerminate() said no.
    void terminationCancelled();

protected:
    // Shows that files could not be opened: one application-modal alert, in the
    // event-loop pass after the failures (once the windows of the documents opened
    // with them are up), above every window. For one file its name and the reason;
    // for more, how many, the first of them with their reasons, and every path in
    // the details.
    virtual void presentOpenFailures(const QList<OpenFailure> &failures);
    // Gets the files of a request ready to be opened (a subclass may read them off the
    // GUI thread) and calls `ready` on the GUI thread when they are; at most once,
    // and not after the controller went. The default calls it at once.
    virtual void readFilesAhead(const QStringList &paths, std::function<void()> ready);

private:
    Document *openFile(const QString &path, bool display, QList<OpenFailure> &failures);
    void reviewNext(QList<QPointer<Document>> queue, bool closeAll, CompletionHandler handler);
    void askBeforeTerminating(QList<QPointer<Document>> queue, QList<QPointer<Document>> toSave);
    void saveBeforeTerminating(QList<QPointer<Document>> toSave);
    // Runs the continuation once no document's save is being written or waits (at
    // once when none is).
    void whenNoDocumentIsSaving(std::function<void()> continuation);
    void storeRecentPaths(const QStringList &paths);
    // The only open document when it is untouched and asks nothing; else null.
    Document *replaceableDocument() const;
    int nextUntitledNumber() const;
    static QString comparablePath(const QString &path);

    QList<DocumentType> m_types;
    QList<QPointer<Document>> m_documents;
    UserDefaults *m_defaults = nullptr;
    bool m_terminating = false;
    bool m_endingSession = false;
};

} // namespace platform
