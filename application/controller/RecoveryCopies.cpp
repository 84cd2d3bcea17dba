// The copies kept of unsaved documents (see RecoveryCopies.h).
#include "application/controller/RecoveryCopies.h"

#include "application/controller/AppController.h"
#include "application/document/MyDocument.h"
#include "platform/document/DocumentAlert.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/SaveFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QUuid>

#include <algorithm>

Q_LOGGING_CATEGORY(lcRecovery, "chronark.recovery")

namespace {

const QString CopySuffix = QStringLiteral(".") + MyDocument::FileExtension;

bool writeWhole(const QString &path, const QByteArray &bytes, QString *reason)
{
    platform::SaveFile file(path, platform::SaveFile::FinalLink::Replace);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    if (reason)
        *reason = file.errorString();
    return false;
}

// The note of a copy: what it names, or nothing when it cannot be read.
bool readNote(const QString &path, QString *original, QString *name)
{
    QFile file;
    if (!platform::RegularFile::openEntryForReading(file, path) || file.size() > RecoveryCopies::MaximumNoteBytes)
        return false;
    const QJsonObject note = QJsonDocument::fromJson(file.read(RecoveryCopies::MaximumNoteBytes)).object();
    *original = note.value(QStringLiteral("original")).toString();
    *name = note.value(QStringLiteral("name")).toString();
    return true;
}

} // namespace

QString RecoveryCopies::defaultFolder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/Chronark/Recovery");
}

RecoveryCopies::RecoveryCopies(AppController &controller, const QString &folder)
    : QObject(&controller), m_controller(controller), m_folder(folder.isEmpty() ? defaultFolder() : folder)
{
}

RecoveryCopies::~RecoveryCopies() = default;

QList<RecoveryCopies::Copy> RecoveryCopies::copies() const
{
    QList<Copy> found;
    const QDir dir(m_folder);
    QFileInfoList entries = dir.entryInfoList(QDir::Files | QDir::Hidden | QDir::NoSymLinks, QDir::Time | QDir::Reversed);
    for (const QFileInfo &entry : entries) {
        const QString path = entry.absoluteFilePath();
        if (path.endsWith(NoteSuffix)) {
            // A note whose copy was never written (or was discarded) names nothing.
            const QString copy = path.chopped(NoteSuffix.size()) + CopySuffix;
            if (!QFileInfo(copy).isFile())
                QFile::remove(path);
            continue;
        }
        if (!path.endsWith(CopySuffix))
            continue;
        Copy copy;
        copy.copyPath = path;
        copy.notePath = path.chopped(CopySuffix.size()) + NoteSuffix;
        // Without its note (killed between the two writes) it is an "Untitled" document.
        readNote(copy.notePath, &copy.originalPath, &copy.name);
        found.append(copy);
    }
    return found;
}

bool RecoveryCopies::keep(platform::Document *document, QString *reason)
{
    QString why;
    const auto failed = [&] {
        qCWarning(lcRecovery).noquote() << "The changes to" << document->displayName() << "could not be kept:" << why;
        m_notKept.append(document);
        if (reason)
            *reason = why;
        return false;
    };
    if (!QDir().mkpath(m_folder)) {
        why = QStringLiteral("the folder %1 cannot be made").arg(m_folder);
        return failed();
    }
    QFile::setPermissions(m_folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // The fields' open edits are what the window shows: they are kept too (a field that
    // refuses its text keeps the value it had).
    document->commitEditing();
    const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    const QString copyPath = m_folder + QLatin1Char('/') + id + CopySuffix;
    // The document's own writer, atomically; the document keeps its file and state.
    if (!document->saveToFile(copyPath, document->fileType(), platform::Document::SaveOperation::SaveTo, &why))
        return failed();
    QJsonObject note;
    note.insert(QStringLiteral("original"), document->filePath());
    note.insert(QStringLiteral("name"), document->displayName());
    if (!writeWhole(m_folder + QLatin1Char('/') + id + NoteSuffix, QJsonDocument(note).toJson(), &why))
        return failed();
    qCInfo(lcRecovery).noquote() << "The changes to" << document->displayName() << "are kept in" << copyPath;
    return true;
}

void RecoveryCopies::discard(const Copy &copy)
{
    QFile::remove(copy.copyPath);
    QFile::remove(copy.notePath);
}

platform::Document *RecoveryCopies::open(const Copy &copy, QString *reason)
{
    platform::Document *document = m_controller.openRecoveredDocument(copy.copyPath, copy.originalPath, true, reason);
    if (!document)
        return nullptr;
    // An "Untitled" document gets the next free number; a file's is named after it.
    follow(document, copy);
    return document;
}

void RecoveryCopies::follow(platform::Document *document, const Copy &copy)
{
    m_opened.insert(document, copy);
    const auto done = [this, document] {
        if (!m_opened.contains(document))
            return;
        const bool kept = std::find(m_notKept.cbegin(), m_notKept.cend(), document) == m_notKept.cend();
        // The session ended and its new copy could not be written: the old one stays.
        if (kept)
            discard(m_opened.value(document));
        m_opened.remove(document);
    };
    connect(document, &platform::Document::documentEditedChanged, this,
            platform::ExceptionBoundary::guarded(this, "a recovered document saved", [done](bool edited) {
                if (!edited)
                    done();
            }));
    connect(document, &platform::Document::documentWillClose, this,
            platform::ExceptionBoundary::guarded(this, "a recovered document closing", [done] { done(); }));
    connect(document, &QObject::destroyed, this, [this, document] { m_opened.remove(document); });
}

void RecoveryCopies::offer()
{
    offerNext(copies());
}

void RecoveryCopies::offerNext(QList<Copy> queue)
{
    if (queue.isEmpty())
        return;
    const Copy copy = queue.takeFirst();
    const QString name = !copy.originalPath.isEmpty() ? QFileInfo(copy.originalPath).fileName()
                         : !copy.name.isEmpty()       ? copy.name
                                                      : platform::localized(QStringLiteral("LSRecoveryUnnamed"));
    QString text = platform::localized(QStringLiteral("LSRecoveryTitle"));
    text.replace(QStringLiteral("%@"), platform::DocumentAlert::quotedName(name));
    QPointer<RecoveryCopies> self(this);
    QMessageBox *alert = platform::DocumentAlert::open(
        nullptr, QMessageBox::Warning, text, platform::localized(QStringLiteral("LSRecoveryInfo")),
        {{QMessageBox::Open, platform::localized(QStringLiteral("LSRecoveryOpen"))},
         {QMessageBox::Discard, platform::localized(QStringLiteral("LSRecoveryDiscard"))}},
        QMessageBox::Open, QMessageBox::NoButton, [self, copy, queue, name](QMessageBox::StandardButton answer) {
            if (!self)
                return;
            if (answer == QMessageBox::Discard) {
                discard(copy);
            } else if (answer == QMessageBox::Open) {
                QString reason;
                if (!self->open(copy, &reason)) {
                    QString cannot = platform::localized(QStringLiteral("LSRecoveryCannotOpen"));
                    cannot.replace(QStringLiteral("%@"), platform::DocumentAlert::quotedName(name));
                    platform::DocumentAlert::openError(nullptr, cannot, reason);
                }
            }
            // Closed without an answer: the copy stays for the next launch.
            self->offerNext(queue);
        });
    // The document it opens shows in the pass after it closes: the application, with
    // no other window yet, is not to end as its last window closes.
    alert->setAttribute(Qt::WA_QuitOnClose, false);
}
