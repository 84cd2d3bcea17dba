#include "platform/document/DocumentController.h"

#include "platform/drawing/ActionDispatch.h"
#include "platform/document/Document.h"
#include "platform/document/DocumentAlert.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/drawing/KeptFileDialog.h"
#include "platform/drawing/MenuItemTitle.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QThread>
#include <QHash>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <new>

namespace platform {

namespace {

using DocumentAlert::localizedString;

QPointer<DocumentController> &sharedSlot()
{
    static QPointer<DocumentController> shared;
    return shared;
}

// The shared controller answers for the end of the responder chain: the front
// window's document, then the controller itself.
void installApplicationResponders()
{
    setApplicationResponders([] {
        QList<QObject *> responders;
        if (DocumentController *controller = DocumentController::existingSharedDocumentController()) {
            if (Document *document = controller->currentDocument())
                responders << document;
            responders << controller;
        }
        return responders;
    });
}



} // namespace

DocumentController::DocumentController(QObject *parent) : QObject(parent)
{
    if (!sharedSlot())
        setSharedDocumentController(this);
}

DocumentController::~DocumentController()
{
    const QList<QPointer<Document>> documents = m_documents;
    m_documents.clear();
    for (const QPointer<Document> &document : documents) {
        if (!document)
            continue;
        document->setDocumentController(nullptr);
        if (document->parent() == this)
            delete document.data();
    }
}

DocumentController *DocumentController::sharedDocumentController()
{
    if (!sharedSlot() && QCoreApplication::instance())
        new DocumentController(QCoreApplication::instance());
    return sharedSlot();
}

void DocumentController::setSharedDocumentController(DocumentController *controller)
{
    sharedSlot() = controller;
    if (controller)
        installApplicationResponders();
}

DocumentController *DocumentController::existingSharedDocumentController()
{
    return sharedSlot();
}

UserDefaults *DocumentController::userDefaults() const
{
    return m_defaults ? m_defaults : &UserDefaults::standardUserDefaults();
}

void DocumentController::setUserDefaults(UserDefaults *defaults)
{
    m_defaults = defaults;
}

// Types ---------------------------------------------------------------------------------

void DocumentController::addDocumentType(const DocumentType &type)
{
    if (!type.isValid())
        return;
    for (DocumentType &existing : m_types) {
        if (existing.name() == type.name()) {
            existing = type;
            return;
        }
    }
    m_types.append(type);
}

DocumentType DocumentController::documentTypeNamed(const QString &name) const
{
    for (const DocumentType &type : m_types) {
        if (type.name() == name)
            return type;
    }
    return DocumentType();
}

QString DocumentController::defaultType() const
{
    return m_types.isEmpty() ? QString() : m_types.constFirst().name();
}

QString DocumentController::typeForFile(const QString &path) const
{
    for (const DocumentType &type : m_types) {
        if (type.matchesFileName(path))
            return type.name();
    }
    return defaultType();
}

QStringList DocumentController::fileDialogFilters() const
{
    QStringList filters;
    for (const DocumentType &type : m_types)
        filters << type.fileDialogFilter();
    filters << localizedString(QStringLiteral("AllFilesFilter"));
    return filters;
}

// Documents ---------------------------------------------------------------------------

QList<Document *> DocumentController::documents() const
{
    QList<Document *> list;
    for (const QPointer<Document> &document : m_documents) {
        if (document && !document->isClosing())
            list << document.data();
    }
    return list;
}

Document *DocumentController::documentForWindow(const QWidget *window) const
{
    int depth = 0;
    for (const QWidget *w = window ? window->window() : nullptr; w && depth < 64; ++depth) {
        for (const QPointer<Document> &document : m_documents) {
            if (document && !document->isClosing() && document->mainWindow() == w)
                return document.data();
        }
        const QWidget *parent = w->parentWidget();
        w = parent ? parent->window() : nullptr;
    }
    return nullptr;
}

Document *DocumentController::currentDocument() const
{
    return documentForWindow(QApplication::activeWindow());
}

QString DocumentController::comparablePath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

Document *DocumentController::documentForFile(const QString &path) const
{
    const QString wanted = comparablePath(path);
    if (wanted.isEmpty())
        return nullptr;
    for (const QPointer<Document> &document : m_documents) {
        if (document && !document->isClosing() && !document->filePath().isEmpty()
            && comparablePath(document->filePath()) == wanted)
            return document.data();
    }
    return nullptr;
}

bool DocumentController::hasEditedDocuments() const
{
    for (Document *document : documents()) {
        if (document->isDocumentEdited())
            return true;
    }
    return false;
}

int DocumentController::nextUntitledNumber() const
{
    QList<int> used;
    for (Document *document : documents()) {
        if (document->filePath().isEmpty())
            used << document->untitledNumber();
    }
    int number = 1;
    while (used.contains(number))
        ++number;
    return number;
}

void DocumentController::addDocument(Document *document)
{
    if (!document || document->isClosing())
        return;
    for (const QPointer<Document> &existing : m_documents) {
        if (existing == document)
            return;
    }
    if (document->filePath().isEmpty() && document->untitledNumber() == 0)
        document->setUntitledNumber(nextUntitledNumber());
    m_documents.removeAll(nullptr);
    m_documents.append(document);
    if (document->documentController() && document->documentController() != this)
        document->documentController()->removeDocument(document);
    document->setDocumentController(this);
    if (!document->parent())
        document->setParent(this);
    Q_EMIT documentAdded(document);
}

void DocumentController::removeDocument(Document *document)
{
    if (!document)
        return;
    bool found = false;
    for (qsizetype i = m_documents.size() - 1; i >= 0; --i) {
        if (m_documents.at(i) == document || !m_documents.at(i)) {
            found = found || m_documents.at(i) == document;
            m_documents.removeAt(i);
        }
    }
    if (!found)
        return;
    if (document->documentController() == this)
        document->setDocumentController(nullptr);
    Q_EMIT documentRemoved(document);
}

// Making and opening ------------------------------------------------------------------

Document *DocumentController::makeUntitledDocument(const QString &typeName)
{
    const DocumentType type = documentTypeNamed(typeName);
    Document *document = type.makeDocument(nullptr);
    if (document)
        document->setFileType(type.name());
    return document;
}

Document *DocumentController::makeDocumentWithContentsOfFile(const QString &path, const QString &typeName,
                                                             QString *errorReason)
{
    // A name that cannot be read is answered without making a document for it.
    if (const QString reason = Document::reasonFileCannotBeRead(path); !reason.isEmpty()) {
        if (errorReason)
            *errorReason = reason;
        return nullptr;
    }
    const DocumentType type = documentTypeNamed(typeName);
    Document *document = type.makeDocument(nullptr);
    if (!document) {
        if (errorReason)
            *errorReason = localizedString(QStringLiteral("UnknownTypeReason"));
        return nullptr;
    }
    if (!document->loadFromFile(path, type.name(), errorReason)) {
        delete document;
        return nullptr;
    }
    return document;
}

Document *DocumentController::openUntitledDocument(bool display)
{
    Document *document = makeUntitledDocument(defaultType());
    if (!document)
        return nullptr;
    addDocument(document);
    document->makeWindowControllers();
    if (display)
        document->showWindows();
    return document;
}

Document *DocumentController::openFile(const QString &path, bool display, QList<OpenFailure> &failures)
{
    if (Document *open = documentForFile(path)) {
        if (display)
            open->showWindows();
        return open;
    }
    QString reason;
    Document *document = nullptr;
    if (path.trimmed().isEmpty())
        reason = localizedString(QStringLiteral("FileDoesNotExistReason"));
    else
        document = makeDocumentWithContentsOfFile(path, typeForFile(path), &reason);
    if (!document) {
        failures.append({path, reason});
        return nullptr;
    }
    // The empty "Untitled" window that opened by itself gives way to the file.
    // It goes before the file's window is made, so that window takes its place.
    if (Document *replaced = replaceableDocument())
        replaced->close();
    addDocument(document);
    // A window that cannot be made for want of memory (the tree took nearly all of
    // it) fails the opening as a read that ran out would: the document goes, and the
    // memory of its tree with it, so that the alert has room.
    try {
        document->makeWindowControllers();
        if (display)
            document->showWindows();
    } catch (const std::bad_alloc &) {
        document->close();
        failures.append({path, Document::notEnoughMemoryReason()});
        return nullptr;
    }
    noteNewRecentDocument(document);
    return document;
}

Document *DocumentController::replaceableDocument() const
{
    const QList<Document *> open = documents();
    if (open.size() != 1 || !open.constFirst()->isUntouched())
        return nullptr;
    Document *document = open.constFirst();
    // Not while it asks something (a sheet or alert on its window).
    if (QWidget *window = document->mainWindow()) {
        for (const QWidget *child : window->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
            if (child->isWindow() && child->isVisible())
                return nullptr;
        }
    }
    return document;
}

Document *DocumentController::openDocumentWithContentsOfFile(const QString &path, bool display)
{
    QList<OpenFailure> failures;
    Document *document = openFile(path, display, failures);
    if (!failures.isEmpty())
        presentOpenFailures(failures);
    return document;
}

Document *DocumentController::openRecoveredDocument(const QString &copyPath, const QString &originalPath, bool display,
                                                    QString *errorReason)
{
    const DocumentType type = documentTypeNamed(typeForFile(copyPath));
    Document *document = type.makeDocument(nullptr);
    if (!document) {
        if (errorReason)
            *errorReason = localizedString(QStringLiteral("UnknownTypeReason"));
        return nullptr;
    }
    if (!document->loadRecoveredCopy(copyPath, originalPath, type.name(), errorReason)) {
        delete document;
        return nullptr;
    }
    if (Document *replaced = replaceableDocument())
        replaced->close();
    addDocument(document);
    document->makeWindowControllers();
    if (display)
        document->showWindows();
    return document;
}

QList<Document *> DocumentController::openDocumentsWithContentsOfFiles(const QStringList &paths, bool display)
{
    QList<Document *> documents;
    QList<OpenFailure> failures;
    for (const QString &path : paths) {
        if (Document *document = openFile(path, display, failures))
            documents << document;
    }
    if (!failures.isEmpty())
        presentOpenFailures(failures);
    return documents;
}

void DocumentController::openDocumentsWhenRead(const QStringList &paths, bool display)
{
    QPointer<DocumentController> self(this);
    readFilesAhead(paths, [self, paths, display] {
        if (self)
            self->openDocumentsWithContentsOfFiles(paths, display);
    });
}

void DocumentController::readFilesAhead(const QStringList &, std::function<void()> ready)
{
    if (ready)
        ready();
}

void DocumentController::presentOpenFailures(const QList<OpenFailure> &failures)
{
    // The names the alert quotes, each cut as alerts cut names; the details quote
    // whole paths (on one line, isolated), which their scrolling box shows wrapped.
    auto nameOf = [](const QString &path) {
        return path.isEmpty() ? path : DocumentAlert::quotedName(QFileInfo(path).fileName());
    };
    // A reason may quote what the file held: cut as a text of several lines is.
    auto reasonOf = [](const OpenFailure &failure) {
        return DisplayText::cut(failure.reason, DisplayText::MaximumBlockLength);
    };
    QString text;
    QString reason;
    QStringList details;
    if (failures.size() == 1) {
        text = localizedString(QStringLiteral("OpenFailedMessage"), QFileInfo(failures.constFirst().path).fileName());
        reason = reasonOf(failures.constFirst());
    } else {
        QStringList listed;
        for (const OpenFailure &failure : failures) {
            if (listed.size() < MaximumListedOpenFailures)
                listed << localizedString(QStringLiteral("OpenFailedListItem")).arg(nameOf(failure.path), reasonOf(failure));
            details << localizedString(QStringLiteral("OpenFailedListItem"))
                           .arg(DisplayText::setInText(QDir::toNativeSeparators(failure.path)), reasonOf(failure));
        }
        if (failures.size() > listed.size())
            listed << localizedString(QStringLiteral("OpenFailedListMore")).arg(failures.size() - listed.size());
        text = localizedString(QStringLiteral("OpenFailedManyMessage")).arg(failures.size());
        reason = listed.join(QLatin1Char('\n'));
    }
    // Other files of the same burst (the command line, a multiple choice in the open
    // dialog, one request from outside) open in this pass too: the alert waits for
    // their windows and then stands above every window, not behind them.
    QTimer::singleShot(0, this, platform::ExceptionBoundary::guarded(this, "a timer", [text, reason, details] {
        // Shown in front, with the keyboard, when its turn comes (after any alert up
        // before it).
        DocumentAlert::openError(nullptr, text, reason, details.join(QLatin1Char('\n')));
    }));
}

void DocumentController::runOpenPanel()
{
    QWidget *window = QApplication::activeWindow();
    QString folder = QDir::homePath();
    const QStringList recent = recentDocumentPaths();
    if (!recent.isEmpty() && QFileInfo(recent.constFirst()).absoluteDir().exists())
        folder = QFileInfo(recent.constFirst()).absolutePath();
    // The window's open panel is kept for its next question (KeptFileDialog); without a
    // window the panel goes when it ends.
    const QPointer<QWidget> keeper = window ? window->window() : nullptr;
    QFileDialog *dialog = KeptFileDialog::findOrMake(keeper, QStringLiteral("openPanel"));
    dialog->setWindowTitle(localizedString(QStringLiteral("OpenDialogTitle")));
    KeptFileDialog::openFolder(dialog, folder);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    dialog->setNameFilters(fileDialogFilters());
    KeptFileDialog::clearName(dialog);
    QPointer<DocumentController> self(this);
    QPointer<QFileDialog> guard(dialog);
    Sheet::begin(dialog, window, [self, guard, keeper](int result) {
        if (!guard)
            return;
        const QStringList files = result == QDialog::Accepted ? guard->selectedFiles() : QStringList();
        KeptFileDialog::keep(guard, keeper);
        // The dialog is gone by now, so failures show on the document window.
        if (self && !files.isEmpty())
            self->openDocumentsWhenRead(files, true);
    });
}

// Recent files ------------------------------------------------------------------------

QStringList DocumentController::recentDocumentPaths() const
{
    QStringList paths = userDefaults()->stringArrayForKey(RecentDocumentsKey);
    paths.removeAll(QString());
    if (paths.size() > MaximumRecentDocumentCount)
        paths = paths.mid(0, MaximumRecentDocumentCount);
    return paths;
}

void DocumentController::storeRecentPaths(const QStringList &paths)
{
    if (paths == userDefaults()->stringArrayForKey(RecentDocumentsKey))
        return;
    QVariantList list;
    for (const QString &path : paths)
        list << path;
    userDefaults()->setArray(list, RecentDocumentsKey);
    Q_EMIT recentDocumentsChanged();
}

void DocumentController::noteNewRecentDocumentPath(const QString &path)
{
    if (path.trimmed().isEmpty())
        return;
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList paths = recentDocumentPaths();
    const QString comparable = comparablePath(absolute);
    for (qsizetype i = paths.size() - 1; i >= 0; --i) {
        if (paths.at(i) == absolute || comparablePath(paths.at(i)) == comparable)
            paths.removeAt(i);
    }
    paths.prepend(absolute);
    while (paths.size() > MaximumRecentDocumentCount)
        paths.removeLast();
    storeRecentPaths(paths);
}

void DocumentController::noteNewRecentDocument(Document *document)
{
    if (document && !document->filePath().isEmpty())
        noteNewRecentDocumentPath(document->filePath());
}

void DocumentController::clearRecentDocumentList()
{
    storeRecentPaths({});
}

void DocumentController::fillOpenRecentMenu(QMenu *menu)
{
    if (!menu)
        return;
    menu->clear();
    QStringList paths = recentDocumentPaths();
    QStringList existing;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        if (info.exists() && info.isFile())
            existing << path;
    }
    if (existing != paths)
        storeRecentPaths(existing);

    // Files of the same name show their folder too.
    QHash<QString, int> nameCount;
    for (const QString &path : existing)
        ++nameCount[QFileInfo(path).fileName()];
    for (const QString &path : existing) {
        const QFileInfo info(path);
        QString title = info.fileName();
        if (nameCount.value(title) > 1)
            title = localizedString(QStringLiteral("RecentFileInFolder"))
                        .arg(title, QDir::toNativeSeparators(info.absolutePath()));
        QAction *item = MenuItemValidation::addItem(menu, MenuItemTitle::fromUserText(title), "openRecentDocument:", {}, this);
        MenuItemValidation::setRepresentedObject(item, path);
        item->setToolTip(QDir::toNativeSeparators(path));
        item->setStatusTip(QDir::toNativeSeparators(path));
    }
    if (!existing.isEmpty())
        menu->addSeparator();
    MenuItemValidation::addItem(menu, localizedString(QStringLiteral("MenuClearRecent")), "clearRecentDocuments:", {},
                                this);
    MenuItemValidation::validateMenu(menu);
}

void DocumentController::attachOpenRecentMenu(QMenu *menu)
{
    if (!menu)
        return;
    QPointer<QMenu> guard(menu);
    connect(menu, &QMenu::aboutToShow, this, platform::ExceptionBoundary::guarded(this, "aboutToShow", [this, guard] {
        if (guard)
            fillOpenRecentMenu(guard);
    }));
    fillOpenRecentMenu(menu);
}

// Closing -----------------------------------------------------------------------------

void DocumentController::reviewNext(QList<QPointer<Document>> queue, bool closeAll, CompletionHandler handler)
{
    while (!queue.isEmpty()) {
        QPointer<Document> document = queue.takeFirst();
        if (!document || document->isClosing())
            continue;
        if (!closeAll && !document->isDocumentEdited())
            continue;
        QPointer<DocumentController> self(this);
        document->canCloseDocument([self, document, queue, closeAll, handler](bool mayClose) {
            if (!mayClose) {
                if (handler)
                    handler(false);
                return;
            }
            if (document)
                document->close();
            if (self)
                self->reviewNext(queue, closeAll, handler);
            else if (handler)
                handler(true);
        });
        return;
    }
    DocumentAlert::answerLater(handler, true);
}

void DocumentController::reviewUnsavedDocuments(CompletionHandler handler)
{
    QList<QPointer<Document>> queue;
    // The front document first, then the others in the order they were opened.
    if (Document *front = currentDocument())
        queue << front;
    for (Document *document : documents()) {
        if (document != currentDocument())
            queue << document;
    }
    reviewNext(queue, false, std::move(handler));
}

void DocumentController::closeAllDocuments(CompletionHandler handler)
{
    QList<QPointer<Document>> queue;
    for (Document *document : documents())
        queue << document;
    reviewNext(queue, true, std::move(handler));
}

// Actions -----------------------------------------------------------------------------

void DocumentController::newDocument(QObject *)
{
    openUntitledDocument(true);
}

void DocumentController::openDocument(QObject *)
{
    runOpenPanel();
}

void DocumentController::openRecentDocument(QObject *sender)
{
    const QString path = MenuItemValidation::representedObject(qobject_cast<QAction *>(sender)).toString();
    if (path.isEmpty())
        return;
    if (!documentForFile(path) && !QFileInfo(path).isFile()) {
        QStringList paths = recentDocumentPaths();
        paths.removeAll(path);
        storeRecentPaths(paths);
    }
    openDocumentsWhenRead({path}, true);
}

void DocumentController::clearRecentDocuments(QObject *)
{
    clearRecentDocumentList();
}

void DocumentController::terminate(QObject *)
{
    if (m_terminating)
        return;
    if (!applicationShouldTerminate()) {
        Q_EMIT terminationCancelled();
        return;
    }
    m_terminating = true;
    // The saves being written end first: a document they leave saved asks nothing.
    QPointer<DocumentController> self(this);
    whenNoDocumentIsSaving([self] {
        if (!self)
            return;
        // Every question first: a Cancel anywhere leaves every document as it was.
        QList<QPointer<Document>> queue;
        if (Document *front = self->currentDocument())
            queue << front;
        for (Document *document : self->documents()) {
            if (document != self->currentDocument())
                queue << document;
        }
        self->askBeforeTerminating(queue, {});
    });
}

void DocumentController::whenNoDocumentIsSaving(std::function<void()> continuation)
{
    for (Document *document : documents()) {
        if (document && document->isSaving()) {
            QPointer<DocumentController> self(this);
            document->whenNotSaving([self, continuation] {
                if (self)
                    self->whenNoDocumentIsSaving(continuation);
            });
            return;
        }
    }
    continuation();
}

void DocumentController::askBeforeTerminating(QList<QPointer<Document>> queue, QList<QPointer<Document>> toSave)
{
    while (!queue.isEmpty()) {
        QPointer<Document> document = queue.takeFirst();
        if (!document || document->isClosing() || !document->isDocumentEdited())
            continue;
        QPointer<DocumentController> self(this);
        document->reviewChanges([self, document, queue, toSave](Document::ReviewAnswer answer) mutable {
            // The session ended meanwhile: that quit asks nothing and saves nothing.
            if (!self || self->m_endingSession)
                return;
            if (answer == Document::ReviewAnswer::Cancel) {
                self->m_terminating = false;
                Q_EMIT self->terminationCancelled();
                return;
            }
            if (answer == Document::ReviewAnswer::Save)
                toSave << document;
            self->askBeforeTerminating(queue, toSave);
        });
        return;
    }
    terminationWillProceed();
    saveBeforeTerminating(toSave);
}

void DocumentController::saveBeforeTerminating(QList<QPointer<Document>> toSave)
{
    while (!toSave.isEmpty()) {
        QPointer<Document> document = toSave.takeFirst();
        if (!document || document->isClosing())
            continue;
        QPointer<DocumentController> self(this);
        document->saveDocumentWithCompletion([self, toSave](bool saved) {
            if (!self || self->m_endingSession)
                return;
            // A save that failed (or whose file dialog was cancelled) ends the quit;
            // nothing is closed.
            if (!saved) {
                self->m_terminating = false;
                Q_EMIT self->terminationCancelled();
                return;
            }
            self->saveBeforeTerminating(toSave);
        });
        return;
    }
    // An autosave may have begun meanwhile: the quit waits for it.
    QPointer<DocumentController> self(this);
    whenNoDocumentIsSaving([self] {
        if (!self || self->m_endingSession)
            return;
        self->m_terminating = false;
        Q_EMIT self->willTerminate();
        for (Document *document : self->documents())
            document->close();
        QCoreApplication::quit();
    });
}

void DocumentController::terminateWithoutQuestions()
{
    if (m_endingSession)
        return;
    m_endingSession = true;
    m_terminating = true;
    // A save being written ends first: what it wrote is the person's file.
    QPointer<DocumentController> self(this);
    whenNoDocumentIsSaving([self] {
        if (!self)
            return;
        self->terminationWillProceed();
        for (Document *document : self->documents()) {
            if (document && !document->isClosing() && document->isDocumentEdited())
                self->keepUnsavedDocument(document);
        }
        Q_EMIT self->willTerminate();
        for (Document *document : self->documents())
            document->close();
        // Not quit(): that asks the windows to close, and an alert that must be
        // answered (an offer standing at the launch) would refuse, holding the end.
        // (Without a running loop there is nothing to end.)
        if (QThread::currentThread()->loopLevel() > 0)
            QCoreApplication::exit(0);
    });
}

bool DocumentController::validateMenuItem(QAction *item)
{
    if (!item)
        return false;
    const QByteArray action = MenuItemValidation::actionMethodName(item);
    if (action == "clearRecentDocuments")
        return !recentDocumentPaths().isEmpty();
    if (action == "openDocument" || action == "newDocument")
        return !m_types.isEmpty();
    if (action == "terminate")
        return !m_terminating;
    return true;
}

} // namespace platform
