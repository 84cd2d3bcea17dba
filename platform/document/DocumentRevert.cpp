// Reverting a document to its file: the question, the file read again (off the GUI
// thread where the subclass reads ahead), and what the read finds when it is done.
#include "platform/document/Document.h"

#include "platform/document/DocumentAlert.h"
#include "platform/document/OpenEdits.h"
#include "platform/foundation/UndoManager.h"

#include <QMessageBox>
#include <QPointer>

namespace platform {

using DocumentAlert::localizedString;

bool Document::revertToSaved(QString *errorReason)
{
    if (m_filePath.isEmpty()) {
        if (errorReason)
            *errorReason = localizedString(QStringLiteral("NoFileChosenReason"));
        return false;
    }
    return loadFromFile(m_filePath, m_fileType, errorReason);
}

void Document::readFileAhead(const QString &, const QString &, std::function<void()> ready)
{
    if (ready)
        ready();
}

void Document::dropFileReadAhead(const QString &)
{
}

void Document::revertDocumentToSaved(QObject *)
{
    if (m_filePath.isEmpty() || m_reviewing || m_revertReading)
        return;
    // The question is about what the fields hold too.
    if (!commitEditingOrTell())
        return;
    QPointer<Document> self(this);
    m_reviewing = true;
    DocumentAlert::open(windowForSheet(), QMessageBox::Question,
                        localizedString(QStringLiteral("RevertMessage"), displayName()),
                        localizedString(QStringLiteral("RevertInformative")),
                        {{QMessageBox::Discard, localizedString(QStringLiteral("RevertButton"))},
                         {QMessageBox::Cancel, localizedString(QStringLiteral("CancelButton"))}},
                        QMessageBox::Cancel, QMessageBox::Cancel, [self](QMessageBox::StandardButton button) {
                            if (!self)
                                return;
                            self->m_reviewing = false;
                            if (button != QMessageBox::Discard)
                                return;
                            // What the person agreed to drop: the changes up to now.
                            const quint64 agreed = self->m_changeSequence;
                            // The file as the save being written leaves it.
                            self->m_revertReading = true;
                            self->whenNotSaving([self, agreed] {
                                if (self)
                                    self->revertWhenRead(agreed);
                            });
                        });
}

void Document::revertWhenRead(quint64 agreed)
{
    // The file is read as it is now; a save that ends meanwhile changes it.
    const quint64 clearings = m_clearings;
    const QString path = m_filePath;
    QPointer<Document> self(this);
    m_revertReading = true;
    readFileAhead(path, m_fileType, [self, agreed, clearings, path] {
        if (!self)
            return;
        self->m_revertReading = false;
        if (self->isClosing()) {
            self->dropFileReadAhead(path);
            return;
        }
        // Keys typed into a field meanwhile are a change like any other: handed over,
        // they count (a value the field refuses stays open, and counts as well).
        self->commitEditing();
        if (self->m_changeSequence != agreed || self->m_undoManager->hasOpenChanges()
            || OpenEdits::hasChangedEdits(self->m_mainWindow)) {
            // Changed while the file was read (an undo and a new edit as well, which
            // bring the undo count back): those changes were not part of the answer.
            // The question comes again, for everything a revert drops now.
            self->dropFileReadAhead(path);
            self->revertDocumentToSaved(nullptr);
            return;
        }
        if (self->isSaving() || self->m_clearings != clearings || self->m_filePath != path) {
            // Saved meanwhile: what was read is no longer the file. It is read again.
            self->dropFileReadAhead(path);
            self->m_revertReading = true;
            self->whenNotSaving([self, agreed] {
                if (self)
                    self->revertWhenRead(agreed);
            });
            return;
        }
        QString reason;
        if (!self->revertToSaved(&reason))
            DocumentAlert::openError(self->windowForSheet(),
                                     localizedString(QStringLiteral("RevertFailedMessage"), self->displayName()), reason);
    });
}

} // namespace platform
