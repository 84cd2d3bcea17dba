#include "platform/document/Document.h"

#include "platform/document/DocumentAlert.h"
#include "platform/foundation/DisplayText.h"
#include "platform/document/DocumentController.h"
#include "platform/document/DocumentType.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/document/OpenEdits.h"
#include "platform/drawing/KeptFileDialog.h"
#include "platform/drawing/MenuItemTitle.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/ContentDigest.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/UndoManager.h"

#include <QAction>
#include <QDialog>
#include <QEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMainWindow>
#include <QMessageBox>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <new>

namespace platform {

namespace {

using DocumentAlert::localizedString;

// Runs the call on the GUI thread in a later pass, its exceptions stopped there.
void callLater(std::function<void()> call)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [call = std::move(call)] { ExceptionBoundary::guard(nullptr, "a document's deferred answer", call); },
        Qt::QueuedConnection);
}

// What a save written in the background hands back to the GUI thread.
struct WriteOutcome
{
    bool saved = false;
    QString reason;
    // The file was changed by another program: nothing was written.
    bool changedElsewhere = false;
    // The file as the write left it; when it changed elsewhere, as it was found
    // (when asked for).
    Document::FileState file;
};

// A digest of the content of the regular file a path names; empty when it cannot be read.
QByteArray contentDigestOf(const QString &path)
{
    QFile file;
    if (!RegularFile::openForReading(file, path))
        return QByteArray();
    return ContentDigest::ofDevice(file);
}

// Whether the file a path names differs from the state known of it (see
// Document::fileChangedOnDisk()). Any thread. For the last look before a save's
// rename (`lastLook`), a content that must be read is read only once the file's
// identity is settled (a wait of up to the file system's grain): a write during the
// read, or after it, then changes the identity, which the save's own look just
// before its rename sees. Without that wait, on a file system of whole seconds, a
// write of the same size within the second after the read looks like no change.
bool changedSince(const Document::FileState &known, const QString &path, bool lastLook = false)
{
    if (path.isEmpty() || !known.identity)
        return false;
    std::optional<RegularFile::Identity> now = RegularFile::identityOf(path);
    if (!now)
        return false;
    if (*now != *known.identity)
        return true;
    if (known.digest.isEmpty())
        return false;
    if (lastLook && !now->isSettled()) {
        RegularFile::waitUntilSettled(*now);
        now = RegularFile::identityOf(path);
        if (!now)
            return false;
        if (*now != *known.identity)
            return true;
    }
    return contentDigestOf(path) != known.digest;
}

// The copy of a background save, taken in slices on the GUI thread: one slice at
// once (the moment of the save), the rest each in a later pass of the event loop,
// after what the window system delivered meanwhile; then `then` starts the write.
// The context's end drops what is left (its save's answer is its own).
struct SliceCopy
{
    QObject *context;
    std::function<bool()> step;
    std::function<void()> then;
    std::function<void(const QString &reason)> failed;
};

void runCopySlice(const std::shared_ptr<SliceCopy> &copy)
{
    bool copied = false;
    try {
        copied = copy->step();
    } catch (const std::exception &error) {
        // No copy to write from (memory ran out): reported as a failed write.
        copy->step = {};
        const auto failed = std::move(copy->failed);
        failed(QString::fromLocal8Bit(error.what()));
        return;
    }
    if (!copied) {
        QTimer::singleShot(0, copy->context, [copy] {
            ExceptionBoundary::guard(copy->context, "a save's copy", [&] { runCopySlice(copy); });
        });
        return;
    }
    // What the copy kept goes here, on the GUI thread, before the write starts.
    copy->step = {};
    const auto then = std::move(copy->then);
    then();
}

} // namespace

Document::Document(QObject *parent) : QObject(parent), m_undoManager(new UndoManager(this))
{
    connect(m_undoManager, &UndoManager::stateChanged, this,
        platform::ExceptionBoundary::guarded(this, "changeStateMaybe", &Document::changeStateMaybe));
    // A key that changes an open edit of the window changes the document.
    connect(&OpenEdits::shared(), &OpenEdits::editChanged, this,
            platform::ExceptionBoundary::guarded(this, "an open edit's change", [this](QWidget *widget) {
                if (!m_mainWindow || !OpenEdits::isInWindow(widget, m_mainWindow))
                    return;
                noteChange();
                changeStateMaybe();
            }));
}

Document::~Document()
{
    if (m_controller)
        m_controller->removeDocument(this);
    // A save being written goes on with its copy and its result is dropped; what
    // waited learns that the document went.
    if (SaveHandler running = std::exchange(m_runningSaveHandler, {}))
        callLater([running] { running(false, QString()); });
    const std::deque<std::function<void(bool)>> waiting = std::exchange(m_waitingSaves, {});
    for (const auto &save : waiting)
        save(false);
    for (std::function<void()> &waiter : std::exchange(m_idleWaiters, {}))
        callLater(std::move(waiter));
    tearDownWindow();
}

void Document::detachWindow()
{
    QWidget *window = m_mainWindow;
    if (!window)
        return;
    window->removeEventFilter(this);
    // Receivers: the document and what it owns (models, timers, collaborators).
    QList<QObject *> receivers = findChildren<QObject *>();
    receivers.prepend(this);
    QList<QObject *> senders = window->findChildren<QObject *>();
    senders.prepend(window);
    for (QObject *sender : std::as_const(senders)) {
        for (QObject *receiver : std::as_const(receivers))
            QObject::disconnect(sender, nullptr, receiver, nullptr);
    }
    window->hide();
}

void Document::tearDownWindow()
{
    if (!m_mainWindow)
        return;
    detachWindow();
    windowWillTearDown();
    QWidget *window = m_mainWindow;
    m_mainWindow = nullptr;
    delete window;
}

QString Document::absolutePath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void Document::setFilePath(const QString &path)
{
    const QString absolute = absolutePath(path);
    if (absolute == m_filePath)
        return;
    const QString oldName = displayName();
    m_filePath = absolute;
    Q_EMIT filePathChanged(m_filePath);
    if (displayName() != oldName)
        Q_EMIT displayNameChanged(displayName());
    updateWindow();
}

void Document::setFileType(const QString &typeName)
{
    m_fileType = typeName;
}

QString Document::displayName() const
{
    if (!m_filePath.isEmpty())
        return QFileInfo(m_filePath).fileName();
    if (m_untitledNumber <= 1)
        return localizedString(QStringLiteral("UntitledDocumentName"));
    return localizedString(QStringLiteral("UntitledDocumentNameNumbered")).arg(m_untitledNumber);
}

void Document::setUntitledNumber(int number)
{
    if (number == m_untitledNumber)
        return;
    const QString oldName = displayName();
    m_untitledNumber = number;
    if (displayName() != oldName) {
        Q_EMIT displayNameChanged(displayName());
        updateWindow();
    }
}

bool Document::isDocumentEdited() const
{
    // Two separate accounts: what the undo manager recorded (its count) and what was
    // changed outside it. Neither can cancel the other: an undo never takes back a
    // change the undo manager did not record.
    // A change still collecting in the open undo group counts from the moment it is
    // made.
    // So does an edit still open in a field of the window that changes a value.
    return m_savedStateLost || m_undoManager->changeCount() != m_savedUndoCount || m_undoManager->hasOpenChanges()
           || m_manualChanges != 0 || OpenEdits::hasChangedEdits(m_mainWindow);
}

bool Document::commitEditing(QString *refusal)
{
    return OpenEdits::commitAll(m_mainWindow, refusal);
}

void Document::takeOpenEditsBeforeChange()
{
    if (m_takingOpenEdits || m_undoManager->isUndoing() || m_undoManager->isRedoing()
        || !OpenEdits::hasChangedEdits(m_mainWindow))
        return;
    const QScopedValueRollback<bool> taking(m_takingOpenEdits, true);
    commitEditing();
    // The typed text is its own step: an Undo after the edit takes back the edit alone.
    closeOpenUndoGroup();
}

bool Document::commitEditingOrTell()
{
    QString refusal;
    if (commitEditing(&refusal))
        return true;
    DocumentAlert::openError(windowForSheet(), localizedString(QStringLiteral("EditNotTakenMessage"), displayName()),
                             refusal);
    return false;
}

void Document::updateChangeCount(ChangeType change)
{
    // What an undo or redo changes is the undo manager's own account.
    const bool performing = m_undoManager->isUndoing() || m_undoManager->isRedoing();
    switch (change) {
    case ChangeType::Done:
        if (performing)
            return;
        ++m_manualChanges;
        break;
    case ChangeType::Undone:
        if (performing)
            return;
        --m_manualChanges;
        break;
    case ChangeType::Cleared:
        closeOpenUndoGroup();
        m_savedUndoCount = m_undoManager->changeCount();
        m_manualChanges = 0;
        m_savedStateLost = false;
        ++m_clearings;
        break;
    }
    changeStateMaybe();
}

void Document::closeOpenUndoGroup()
{
    if (m_undoManager->groupingLevel() == 1 && m_undoManager->groupsByEvent() && !m_undoManager->isUndoing()
        && !m_undoManager->isRedoing())
        m_undoManager->endUndoGrouping();
}

bool Document::isUntouched() const
{
    return m_filePath.isEmpty() && !m_touched && !m_closing && !isDocumentEdited() && !m_undoManager->canUndo()
           && !m_undoManager->canRedo();
}

void Document::changeStateMaybe()
{
    // A change of the undo manager's count either way, or a change that opens a group,
    // is a change: the sequence grows whatever the count does next.
    const qint64 undoCount = m_undoManager->changeCount();
    const bool openChanges = m_undoManager->hasOpenChanges();
    if (undoCount != m_seenUndoCount || (openChanges && !m_seenOpenChanges))
        noteChange();
    m_seenUndoCount = undoCount;
    m_seenOpenChanges = openChanges;
    // Below the saved count with nothing to redo: the saved state cannot come back.
    // Not while an undo or redo is performed: its group has left one stack before the
    // count follows.
    if (!m_undoManager->isUndoing() && !m_undoManager->isRedoing()) {
        if (m_undoManager->changeCount() < m_savedUndoCount && !m_undoManager->canRedo())
            m_savedStateLost = true;
        if (m_saveRunning && m_undoManager->changeCount() < m_runningSaveUndoCount && !m_undoManager->canRedo())
            m_runningSaveStateLost = true;
    }
    const bool edited = isDocumentEdited();
    if (edited)
        m_touched = true;
    if (edited == m_lastEdited)
        return;
    m_lastEdited = edited;
    updateWindow();
    Q_EMIT documentEditedChanged(edited);
}

DocumentController *Document::documentController() const
{
    return m_controller.data();
}

void Document::setDocumentController(DocumentController *controller)
{
    m_controller = controller;
}

// Window -------------------------------------------------------------------------

QWidget *Document::makeMainWindow()
{
    auto *window = new QMainWindow;
    window->setCentralWidget(new QWidget(window));
    window->resize(640, 480);
    return window;
}

void Document::makeWindowControllers()
{
    if (m_mainWindow || m_closing)
        return;
    QWidget *window = makeMainWindow();
    if (!window)
        return;
    m_mainWindow = window;
    window->installEventFilter(this);
    updateWindow();
    windowControllerDidLoad();
}

void Document::showWindows()
{
    if (m_closing)
        return;
    makeWindowControllers();
    if (!m_mainWindow)
        return;
    Sheet::bringForward(m_mainWindow);
}

QString Document::windowTitle() const
{
    // The desktop shows the application's name after it: the document's name is set
    // in isolated, on one line.
    const QString title = DisplayText::setInText(displayName()) + QStringLiteral("[*]");
    return isAutosavePaused() ? localizedString(QStringLiteral("NotAutosavedWindowTitle")).arg(title) : title;
}

bool Document::isAutosavePaused() const
{
    return m_autosaveConflict.identity.has_value() && !m_askingToOverwrite;
}

void Document::updateWindow()
{
    if (!m_mainWindow)
        return;
    m_mainWindow->setWindowTitle(windowTitle());
    m_mainWindow->setWindowModified(isDocumentEdited());
    if (!m_filePath.isEmpty())
        m_mainWindow->setWindowFilePath(m_filePath);
}

bool Document::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched == m_mainWindow && event->type() == QEvent::Close && !m_closing) {
        // Closing the window closes the document, after the review of its changes.
        event->ignore();
        performClose(nullptr);
        return true;
    }
    return QObject::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

// Reading and writing ---------------------------------------------------------------

QString Document::reasonFileCannotBeRead(const QString &path)
{
    const QString absolute = absolutePath(path);
    // A pipe or device is refused before it is opened: opening a pipe waits for a
    // writer, reading a device may never end.
    const RegularFile::Kind kind = RegularFile::kindOf(absolute);
    if (absolute.isEmpty() || kind == RegularFile::Kind::Missing)
        return localizedString(QStringLiteral("FileDoesNotExistReason"));
    if (kind == RegularFile::Kind::Folder)
        return localizedString(QStringLiteral("FileIsFolderReason"));
    if (kind == RegularFile::Kind::Special)
        return localizedString(QStringLiteral("FileIsSpecialReason"));
    if (!QFileInfo(absolute).isReadable())
        return localizedString(QStringLiteral("FileNotReadableReason"));
    return QString();
}

bool Document::loadFromFile(const QString &path, const QString &typeName, QString *errorReason)
{
    const QString absolute = absolutePath(path);
    bool ok = false;
    m_failureReason = reasonFileCannotBeRead(absolute);
    if (m_failureReason.isEmpty()) {
        try {
            ok = readFromFile(absolute, typeName);
        } catch (const std::bad_alloc &) {
            // What was read into new objects is gone again; the document is as it was.
            m_failureReason = notEnoughMemoryReason();
        }
    }
    if (!ok) {
        if (m_failureReason.isEmpty())
            m_failureReason = localizedString(QStringLiteral("FileNotReadReason"));
        if (errorReason)
            *errorReason = m_failureReason;
        return false;
    }
    m_fileType = typeName;
    setFilePath(absolute);
    noteFileOnDisk();
    m_undoManager->removeAllActions();
    updateChangeCount(ChangeType::Cleared);
    return true;
}

bool Document::loadRecoveredCopy(const QString &copyPath, const QString &originalPath, const QString &typeName,
                                 QString *errorReason)
{
    if (!loadFromFile(copyPath, typeName, errorReason))
        return false;
    setFilePath(originalPath.isEmpty() ? QString() : absolutePath(originalPath));
    // Neither read nor written here: the person's file as it is now is what a save
    // replaces, as the person chose to open the changes kept for it.
    noteFileOnDisk(FileState());
    updateChangeCount(ChangeType::Done);
    return true;
}

QString Document::notEnoughMemoryReason()
{
    return localizedString(QStringLiteral("NotEnoughMemoryToReadReason"));
}

QString Document::saveFailureReason(const QString &absolute, const QString &reason) const
{
    // Which file, and why when the format or the system said so.
    if (reason.isEmpty())
        return localizedString(QStringLiteral("FileNotWrittenReason"), absolute);
    if (!absolute.isEmpty() && !QFileInfo(absolute).isDir())
        return localizedString(QStringLiteral("FileNotWrittenBecauseReason")).arg(DocumentAlert::quotedPath(absolute), reason);
    return reason;
}

void Document::didSave(const QString &absolute, const QString &typeName, SaveOperation operation)
{
    // The autosaves' alert of failures no longer holds.
    if (QWidget *standing = std::exchange(m_autosaveFailure, nullptr)) {
        if (standing->isVisible())
            static_cast<QDialog *>(standing)->done(0);
        else
            Sheet::end(standing, Sheet::Aborted);
    }
    m_fileType = typeName;
    setFilePath(absolute);
    if (operation == SaveOperation::SaveAs && m_controller)
        m_controller->noteNewRecentDocument(this);
}

bool Document::saveToFile(const QString &path, const QString &typeName, SaveOperation operation, QString *errorReason)
{
    const QString absolute = absolutePath(path);
    m_failureReason.clear();
    bool ok = false;
    if (absolute.isEmpty())
        m_failureReason = localizedString(QStringLiteral("NoFileChosenReason"));
    else if (QFileInfo(absolute).isDir())
        m_failureReason = localizedString(QStringLiteral("FileIsFolderReason"));
    else
        ok = writeToFile(absolute, typeName);
    if (!ok) {
        m_failureReason = saveFailureReason(absolute, m_failureReason);
        if (errorReason)
            *errorReason = m_failureReason;
        return false;
    }
    if (operation == SaveOperation::SaveTo)
        return true;
    didSave(absolute, typeName, operation);
    noteFileOnDisk(fileStateAfterWriting(m_filePath));
    updateChangeCount(ChangeType::Cleared);
    return true;
}

Document::FileWriter Document::makeFileWriter(const QString &, const QString &)
{
    return {};
}

void Document::saveToFileWithCompletion(const QString &path, const QString &typeName, SaveOperation operation,
                                        SaveHandler handler)
{
    startSave(path, typeName, operation, std::move(handler), {});
}

void Document::startSave(const QString &path, const QString &typeName, SaveOperation operation, SaveHandler handler,
                         const ChangeCheck &check)
{
    QPointer<Document> self(this);
    if (m_saveRunning) {
        m_waitingSaves.push_back([self, path, typeName, operation, handler, check](bool proceed) {
            if (proceed && self)
                self->startSave(path, typeName, operation, handler, check);
            else if (handler)
                callLater([handler] { handler(false, QString()); });
        });
        return;
    }
    const QString absolute = absolutePath(path);
    const auto answerLater = [handler](bool saved, const QString &reason) {
        if (handler)
            callLater([handler, saved, reason] { handler(saved, reason); });
    };
    FileWriter writer;
    if (!absolute.isEmpty() && !QFileInfo(absolute).isDir()) {
        try {
            writer = makeFileWriter(absolute, typeName);
        } catch (const std::exception &error) {
            // No copy to write from (memory ran out): reported as a failed write.
            answerLater(false, saveFailureReason(absolute, QString::fromLocal8Bit(error.what())));
            return;
        }
    }
    if (!writer) {
        // On the GUI thread: the checks above, or a document that writes only there.
        if (check.ifChanged && fileChangedOnDisk()) {
            check.ifChanged(check.wantCurrent ? fileStateOf(m_filePath) : FileState());
            return;
        }
        QString reason;
        const bool saved = saveToFile(absolute, typeName, operation, &reason);
        answerLater(saved, reason);
        return;
    }
    // The state the file will hold: what the undo manager counts now.
    closeOpenUndoGroup();
    m_saveRunning = true;
    m_runningSaveHandler = std::move(handler);
    m_runningSaveUndoCount = m_undoManager->changeCount();
    m_runningSaveManualChanges = m_manualChanges;
    m_runningSaveStateLost = false;
    m_runningSaveClearings = m_clearings;
    const auto finish = [this, absolute, typeName, operation, ifChanged = check.ifChanged,
                         saved = std::move(writer.saved)](WriteOutcome outcome) {
        const SaveHandler answer = std::exchange(m_runningSaveHandler, {});
        m_saveRunning = false;
        const QPointer<Document> alive(this);
        if (outcome.changedElsewhere) {
            // The continuation of the check answers in place of the save.
            ExceptionBoundary::guard(this, "a save's look at its file", [&] { ifChanged(outcome.file); });
            if (alive)
                endRunningSave();
            return;
        }
        QString reason;
        if (!outcome.saved) {
            reason = saveFailureReason(absolute, outcome.reason);
        } else if (operation != SaveOperation::SaveTo) {
            didSave(absolute, typeName, operation);
            noteFileOnDisk(outcome.file);
            // Saved as of the moment the save began, unless the document was read
            // or marked saved since: the changes made outside the undo manager
            // while the file was written stay to be saved.
            if (m_clearings == m_runningSaveClearings) {
                m_savedUndoCount = m_runningSaveUndoCount;
                m_manualChanges -= m_runningSaveManualChanges;
                m_savedStateLost = m_runningSaveStateLost;
                changeStateMaybe();
            }
        }
        if (outcome.saved && saved)
            ExceptionBoundary::guard(this, "a save's report of what it wrote", [&] { saved(); });
        // What waits starts next even when the answer throws.
        if (answer)
            ExceptionBoundary::guard(this, "a save's completion", [&] { answer(outcome.saved, reason); });
        if (alive)
            endRunningSave();
    };
    const auto writeInBackground = [this, absolute, finish, write = std::move(writer.write),
                                    checkFirst = bool(check.ifChanged), wantCurrent = check.wantCurrent,
                                    known = m_fileState, own = m_filePath] {
        BackgroundTask::run(
            this,
            [absolute, write, checkFirst, wantCurrent, known, own](const BackgroundTask::Token &) {
                WriteOutcome outcome;
                // What fileChangedOnDisk() and fileStateOf() answer on the GUI thread; the
                // digest may read the whole file. Asked before the write and again just
                // before its new file takes the file's place.
                bool changedMeanwhile = false;
                // What the writer wrote, when it told (at its last look, before the rename).
                std::optional<SaveFile::Written> written;
                const ReplaceCheck mayReplace(ReplaceCheck::Check([&](const SaveFile::Written *newFile) {
                    changedMeanwhile = checkFirst && changedSince(known, own, newFile != nullptr);
                    written = newFile ? std::optional(*newFile) : std::nullopt;
                    return !changedMeanwhile;
                }));
                if (mayReplace())
                    outcome.saved = write(mayReplace, &outcome.reason);
                if (changedMeanwhile) {
                    outcome.saved = false;
                    outcome.changedElsewhere = true;
                    if (wantCurrent)
                        outcome.file = fileStateOf(own);
                    return outcome;
                }
                if (outcome.saved)
                    outcome.file = written ? fileStateAfterSaving(absolute, *written) : fileStateAfterWriting(absolute);
                return outcome;
            },
            finish,
            // What the writer threw (memory ran out) is a failed write, with its reason.
            [finish](const QString &reason) {
                WriteOutcome outcome;
                outcome.reason = reason;
                finish(std::move(outcome));
            });
    };
    if (!writer.copyStep) {
        writeInBackground();
        return;
    }
    runCopySlice(std::make_shared<SliceCopy>(SliceCopy{this, std::move(writer.copyStep), writeInBackground,
                                                       [finish](const QString &reason) {
                                                           WriteOutcome outcome;
                                                           outcome.reason = reason;
                                                           finish(std::move(outcome));
                                                       }}));
}

void Document::endRunningSave()
{
    // The first of those waiting may start the next save; the rest wait for that one.
    while (!m_saveRunning && !m_waitingSaves.empty()) {
        std::function<void(bool)> next = std::move(m_waitingSaves.front());
        m_waitingSaves.pop_front();
        QPointer<Document> self(this);
        next(true);
        if (!self)
            return;
    }
    if (isSaving())
        return;
    for (std::function<void()> &waiter : std::exchange(m_idleWaiters, {}))
        callLater(std::move(waiter));
}

void Document::whenNotSaving(std::function<void()> continuation)
{
    if (!continuation)
        return;
    if (!isSaving()) {
        continuation();
        return;
    }
    m_idleWaiters.push_back(std::move(continuation));
}

// With user interface -----------------------------------------------------------------

void Document::reportSaveFailure(const QString &reason, const CompletionHandler &handler)
{
    DocumentAlert::openError(windowForSheet(), localizedString(QStringLiteral("SaveFailedMessage"), displayName()),
                             reason, [handler](QMessageBox::StandardButton) {
                                 if (handler)
                                     handler(false);
                             });
}

Document::FileState Document::fileStateOf(const QString &path)
{
    FileState state;
    state.identity = RegularFile::identityOf(path);
    // Within its grain a change may leave the same identity: the content tells then.
    if (state.identity && !state.identity->isSettled())
        state.digest = contentDigestOf(path);
    return state;
}

Document::FileState Document::fileStateAfterWriting(const QString &path)
{
    FileState written;
    written.identity = RegularFile::identityOf(path);
    if (!written.identity || written.identity->isSettled())
        return written;
    // Where the grain is a tick of a fine clock, it is waited out: from then on any
    // change gives another identity. A write of another program within that tick
    // has left another identity already, which the one of this write tells apart.
    const std::optional<RegularFile::Identity> settled = RegularFile::settledIdentityOf(path);
    if (settled && settled->isSettled())
        return written;
    // Coarse times: the content tells a change within the grain.
    return fileStateOf(path);
}

Document::FileState Document::fileStateAfterSaving(const QString &path, const SaveFile::Written &written)
{
    // What was written: the file as another program left it after the rename differs
    // from it (in identity, or in content where the identity cannot tell).
    const std::optional<RegularFile::Identity> renamed =
        written.renamed ? *written.renamed : std::optional<RegularFile::Identity>();
    const FileState mine{renamed ? renamed : written.identity, written.digest};
    const std::optional<RegularFile::Identity> now = RegularFile::settledIdentityOf(path);
    if (!now || now->device != written.identity.device || now->inode != written.identity.inode
        || now->size != written.identity.size || now->modifiedSeconds != written.identity.modifiedSeconds
        || now->modifiedNanoseconds != written.identity.modifiedNanoseconds)
        return mine;
    // Changed since the rename (its change time), its modification time put back.
    if (renamed && *now != *renamed)
        return mine;
    // Coarse times: a change within the grain leaves every stamp, the content tells.
    if (!now->isSettled())
        return {now, written.digest};
    // Settled: from now on any change changes the identity. A change since the rename
    // has left another change time than the rename's (or, within the tick of it, a
    // later modification time: the save settled its new file's times before the
    // rename), so the file is as the save wrote it, without a look at its bytes.
    return {now, QByteArray()};
}

void Document::noteFileOnDisk()
{
    noteFileOnDisk(fileStateOf(m_filePath));
}

void Document::noteFileOnDisk(const FileState &state)
{
    const bool paused = isAutosavePaused();
    m_fileState = state;
    m_autosaveConflict = FileState();
    if (paused)
        updateWindow();
}

bool Document::fileChangedOnDisk() const
{
    return changedSince(m_fileState, m_filePath);
}

Document::SaveHandler Document::reportingFailures(const CompletionHandler &handler)
{
    QPointer<Document> self(this);
    return [self, handler](bool saved, const QString &reason) {
        if (saved || !self) {
            if (handler)
                handler(saved);
        } else {
            self->reportSaveFailure(reason, handler);
        }
    };
}

void Document::saveToOwnFile(const CompletionHandler &handler)
{
    saveToFileWithCompletion(m_filePath, m_fileType, SaveOperation::Save, reportingFailures(handler));
}

void Document::saveToOwnFileUnlessChanged(const CompletionHandler &handler, const ChangeCheck &check)
{
    startSave(m_filePath, m_fileType, SaveOperation::Save, reportingFailures(handler), check);
}

void Document::saveDocumentWithCompletion(CompletionHandler handler)
{
    // What the fields hold goes into the file; a value a field refuses stops the save.
    if (!commitEditingOrTell()) {
        DocumentAlert::answerLater(handler, false);
        return;
    }
    QPointer<Document> self(this);
    if (m_saveRunning) {
        // After the save that runs: the file it writes is this document's own.
        m_waitingSaves.push_back([self, handler](bool proceed) {
            if (proceed && self)
                self->saveDocumentWithCompletion(handler);
            else
                DocumentAlert::answerLater(handler, false);
        });
        return;
    }
    if (m_filePath.isEmpty()) {
        saveDocumentAsWithCompletion(std::move(handler));
        return;
    }
    saveToOwnFileUnlessChanged(handler, {[self, handler](const FileState &) {
                                             if (self)
                                                 self->askToSaveOverChangedFile(handler);
                                         },
                                         false});
}

void Document::askToSaveOverChangedFile(const CompletionHandler &handler)
{
    if (m_askingToOverwrite) {
        // The question is on screen already.
        DocumentAlert::answerLater(handler, false);
        return;
    }
    m_askingToOverwrite = true;
    QPointer<Document> self(this);
    DocumentAlert::open(windowForSheet(), QMessageBox::Warning, localizedString(QStringLiteral("FileChangedMessage")),
                        DocumentAlert::localizedStringWithPath(QStringLiteral("FileChangedInformative"), m_filePath),
                        {{QMessageBox::Save, localizedString(QStringLiteral("SaveAnywayButton"))},
                         {QMessageBox::Cancel, localizedString(QStringLiteral("CancelButton"))}},
                        QMessageBox::Cancel, QMessageBox::Cancel, [self, handler](QMessageBox::StandardButton button) {
                            if (!self) {
                                if (handler)
                                    handler(false);
                                return;
                            }
                            self->m_askingToOverwrite = false;
                            // Passed over by the autosave and not saved now: the title says so.
                            if (self->isAutosavePaused())
                                self->updateWindow();
                            if (button == QMessageBox::Save)
                                self->saveToOwnFile(handler);
                            else if (handler)
                                handler(false);
                        });
}

void Document::autosaveDocument()
{
    if (m_closing || m_filePath.isEmpty())
        return;
    // What the fields hold is saved too; a value a field refuses is the person's to
    // mend, and no alert comes from the autosave: it tries again next time.
    QString refusal;
    if (!commitEditing(&refusal)) {
        qInfo("Not autosaving \"%s\": a field holds a value it refuses (%s).", qUtf8Printable(m_filePath),
              qUtf8Printable(refusal));
        return;
    }
    if (!isDocumentEdited())
        return;
    if (m_saveRunning) {
        // The save that runs may hold every change; looked at again after it.
        QPointer<Document> self(this);
        m_waitingSaves.push_back([self](bool proceed) {
            if (proceed && self)
                self->autosaveDocument();
        });
        return;
    }
    QPointer<Document> self(this);
    startSave(m_filePath, m_fileType, SaveOperation::Save,
              [self](bool saved, const QString &reason) {
                  if (self && !saved)
                      self->reportAutosaveFailure(reason);
              },
              {[self](const FileState &current) {
                   if (self)
                       self->autosaveFoundFileChanged(current);
               },
               true});
}

void Document::reportAutosaveFailure(const QString &reason)
{
    // One alert for the failures in a row, telling the last one's reason.
    if (auto *standing = qobject_cast<QMessageBox *>(m_autosaveFailure.data())) {
        standing->setInformativeText(reason);
        return;
    }
    m_autosaveFailure = DocumentAlert::openError(
        windowForSheet(), localizedString(QStringLiteral("SaveFailedMessage"), displayName()), reason);
}

void Document::autosaveFoundFileChanged(const FileState &current)
{
    // Told once per change of the file: the state of the file it was told about.
    if (current.identity && current.identity == m_autosaveConflict.identity
        && (current.digest.isEmpty() || m_autosaveConflict.digest.isEmpty()
            || current.digest == m_autosaveConflict.digest))
        return;
    m_autosaveConflict = current;
    qInfo("Not autosaving \"%s\": the file was changed by another application.", qUtf8Printable(m_filePath));
    // The choices of a save by hand; a question already on screen stands for this one.
    askToSaveOverChangedFile({});
}

void Document::saveDocumentAsWithCompletion(CompletionHandler handler)
{
    if (m_askingForFile) {
        // A save dialog of this document is open already.
        DocumentAlert::answerLater(handler, false);
        return;
    }
    if (!commitEditingOrTell()) {
        DocumentAlert::answerLater(handler, false);
        return;
    }
    DocumentType type;
    if (m_controller)
        type = m_controller->documentTypeNamed(m_fileType);

    QString folder = m_filePath.isEmpty() ? QDir::homePath() : QFileInfo(m_filePath).absolutePath();
    QString name = m_filePath.isEmpty() ? displayName() : QFileInfo(m_filePath).fileName();
    if (m_filePath.isEmpty() && !type.preferredExtension().isEmpty())
        name += QLatin1Char('.') + type.preferredExtension();

    // The window's save panel is kept for its next question (KeptFileDialog).
    const QPointer<QWidget> keeper = windowForSheet() ? windowForSheet()->window() : nullptr;
    QFileDialog *dialog = KeptFileDialog::findOrMake(keeper, QStringLiteral("saveAsPanel"));
    dialog->setWindowTitle(localizedString(QStringLiteral("SaveAsDialogTitle")));
    KeptFileDialog::openFolder(dialog, folder);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilters(type.isValid() ? QStringList{type.fileDialogFilter()} : QStringList());
    dialog->setDefaultSuffix(type.isValid() ? type.preferredExtension() : QString());
    dialog->selectFile(name);

    m_askingForFile = true;
    QPointer<Document> self(this);
    QPointer<QFileDialog> guard(dialog);
    // The handler runs a pass after the panel ended: it answers at once.
    Sheet::begin(dialog, windowForSheet(), [self, guard, keeper, handler](int result) {
        const auto answer = [&handler](bool saved) {
            if (handler)
                handler(saved);
        };
        QString path;
        if (guard) {
            if (result == QDialog::Accepted && !guard->selectedFiles().isEmpty())
                path = guard->selectedFiles().constFirst();
            KeptFileDialog::keep(guard, keeper);
        }
        if (!self) {
            answer(false);
            return;
        }
        self->m_askingForFile = false;
        if (path.isEmpty()) {
            answer(false);
            return;
        }
        self->saveToFileWithCompletion(path, self->m_fileType, SaveOperation::SaveAs,
                                       self->reportingFailures(handler));
    });
}

void Document::canCloseDocument(CompletionHandler handler)
{
    QPointer<Document> self(this);
    // A save being written ends first: it may leave nothing to ask about, or a failure to show.
    whenNotSaving([self, handler] {
        if (self)
            self->reviewBeforeClosing(handler);
        else if (handler)
            handler(false);
    });
}

void Document::reviewBeforeClosing(const CompletionHandler &handler)
{
    QPointer<Document> self(this);
    reviewChanges([self, handler](ReviewAnswer answer) {
        switch (answer) {
        case ReviewAnswer::Save:
            if (self) {
                self->saveDocumentWithCompletion(handler);
                return;
            }
            break;
        case ReviewAnswer::DontSave:
            if (handler)
                handler(true);
            return;
        case ReviewAnswer::Cancel:
            break;
        }
        if (handler)
            handler(false);
    });
}

void Document::reviewChanges(ReviewHandler handler)
{
    const auto answerLater = [handler](ReviewAnswer answer) {
        DocumentAlert::answerLater(
            [handler, answer](bool) {
                if (handler)
                    handler(answer);
            },
            true);
    };
    // The question is about what the fields hold too (closing, the quit).
    if (!m_closing && !m_reviewing && !commitEditingOrTell()) {
        answerLater(ReviewAnswer::Cancel);
        return;
    }
    if (m_closing || !isDocumentEdited()) {
        answerLater(ReviewAnswer::DontSave);
        return;
    }
    if (m_reviewing) {
        // The question is on screen already; this request is answered "cancel".
        answerLater(ReviewAnswer::Cancel);
        return;
    }
    m_reviewing = true;
    showWindows();
    QPointer<Document> self(this);
    const QString text = localizedString(QStringLiteral("SaveChangesMessage"), displayName());
    DocumentAlert::open(
        windowForSheet(), QMessageBox::Warning, text, localizedString(QStringLiteral("SaveChangesInformative")),
        {{QMessageBox::Save, localizedString(QStringLiteral("SaveButton"))},
         {QMessageBox::Discard, localizedString(QStringLiteral("DontSaveButton"))},
         {QMessageBox::Cancel, localizedString(QStringLiteral("CancelButton"))}},
        QMessageBox::Save, QMessageBox::Cancel, [self, handler](QMessageBox::StandardButton button) {
            ReviewAnswer answer = ReviewAnswer::Cancel;
            if (self) {
                self->m_reviewing = false;
                if (button == QMessageBox::Save)
                    answer = ReviewAnswer::Save;
                else if (button == QMessageBox::Discard)
                    answer = ReviewAnswer::DontSave;
            }
            if (handler)
                handler(answer);
        });
}

void Document::close()
{
    if (m_closing)
        return;
    m_closing = true;
    Q_EMIT documentWillClose(this);
    if (m_controller)
        m_controller->removeDocument(this);
    m_controller = nullptr;
    // The window goes with the document (see tearDownWindow()); until then it is
    // hidden and reaches nothing of the document.
    detachWindow();
    deleteLater();
}

// Actions -----------------------------------------------------------------------------

void Document::saveDocument(QObject *)
{
    saveDocumentWithCompletion({});
}

void Document::saveDocumentAs(QObject *)
{
    saveDocumentAsWithCompletion({});
}

void Document::performClose(QObject *)
{
    QPointer<Document> self(this);
    canCloseDocument([self](bool mayClose) {
        if (self && mayClose)
            self->close();
    });
}

void Document::undo(QObject *)
{
    // Text typed into a field and not left is the last change: handed over, it is
    // what the undo takes back (and a redo brings back), never dropped unseen.
    commitEditing();
    m_undoManager->undo();
}

void Document::redo(QObject *)
{
    // Typed text handed over is a new step: nothing is left to redo then.
    commitEditing();
    m_undoManager->redo();
}

bool Document::validateMenuItem(QAction *item)
{
    if (!item)
        return false;
    const QByteArray action = MenuItemValidation::actionMethodName(item);
    if (action == "saveDocument")
        return !m_closing && (isDocumentEdited() || m_filePath.isEmpty());
    if (action == "saveDocumentAs")
        return !m_closing;
    if (action == "revertDocumentToSaved")
        return !m_closing && !m_filePath.isEmpty() && isDocumentEdited();
    if (action == "performClose")
        return !m_closing;
    if (action == "undo") {
        const QString name = m_undoManager->undoActionName();
        item->setText(name.isEmpty() ? localizedString(QStringLiteral("MenuUndo"))
                                     : localizedString(QStringLiteral("MenuUndoAction")).arg(MenuItemTitle::fromUserText(name)));
        // Typed text not handed over yet is a step to undo.
        return m_undoManager->canUndo() || OpenEdits::hasChangedEdits(m_mainWindow);
    }
    if (action == "redo") {
        const QString name = m_undoManager->redoActionName();
        item->setText(name.isEmpty() ? localizedString(QStringLiteral("MenuRedo"))
                                     : localizedString(QStringLiteral("MenuRedoAction")).arg(MenuItemTitle::fromUserText(name)));
        return m_undoManager->canRedo();
    }
    return true;
}

} // namespace platform
