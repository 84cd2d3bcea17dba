// The reading of the files requests open, and its progress window (see FileOpening.h).
#include "application/controller/FileOpening.h"

#include "application/controller/AppController.h"
#include "application/document/DocumentServices.h"
#include "application/tree/DocumentReadAhead.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QLocale>
#include <QProgressDialog>
#include <QTimer>

FileOpening::FileOpening(AppController &controller) : QObject(&controller), m_controller(controller)
{
    m_reader = new DocumentReadAhead(this);
    m_controller.documentServices().readAhead = m_reader;
    m_progressTimer = new QTimer(this);
    m_progressTimer->setSingleShot(true);
    m_progressTimer->setInterval(AppController::OpeningProgressDelay);
    connect(m_progressTimer, &QTimer::timeout, this,
            platform::ExceptionBoundary::guarded(&m_controller, "the progress of files opening", [this] {
                showProgress();
            }));
}

FileOpening::~FileOpening()
{
    m_controller.documentServices().readAhead = nullptr;
    m_reader->cancel();
    endProgress();
}

void FileOpening::read(const QStringList &paths, std::function<void()> ready)
{
    // While the launch reads its files, with them; else with the controller's reader.
    DocumentServices &services = m_controller.documentServices();
    DocumentReadAhead *reader = services.readAhead ? services.readAhead.data() : m_reader;
    QStringList toRead;
    for (const QString &path : paths) {
        // An open file only comes to the front: nothing to read.
        if (!path.trimmed().isEmpty() && !m_controller.documentForFile(path))
            toRead << path;
    }
    reader->read(toRead);
    const bool reading = reader->isReading();
    if (reading)
        beginRequest(toRead);
    QPointer<DocumentReadAhead> guard(reader);
    reader->whenRead(this, [this, guard, toRead, reading, ready = std::move(ready)] {
        if (reading)
            endRequest();
        ready();
        // What no document took (a file that opened meanwhile) is not kept.
        if (guard) {
            for (const QString &path : toRead)
                guard->take(path);
        }
    });
}

void FileOpening::showProgressWhileReading(const QStringList &paths, DocumentReadAhead *reader)
{
    if (!reader || !reader->isReading())
        return;
    beginRequest(paths);
    reader->whenRead(this, [this] { endRequest(); });
}

void FileOpening::beginRequest(const QStringList &paths)
{
    ++m_requestsReading;
    m_filesBeingRead = paths;
    if (m_progress)
        showProgress();
    else if (!m_progressTimer->isActive())
        m_progressTimer->start();
}

void FileOpening::endRequest()
{
    // Requests forgotten meanwhile (the launch's cancel) count no more.
    if (m_requestsReading > 0 && --m_requestsReading == 0)
        endProgress();
}

void FileOpening::forgetRequests()
{
    m_requestsReading = 0;
    endProgress();
}

void FileOpening::showProgress()
{
    if (m_requestsReading == 0)
        return;
    if (!m_progress) {
        // Busy, without a button: the documents open as soon as their files are read.
        m_progress = new QProgressDialog(QString(), QString(), 0, 0);
        m_progress->setObjectName(QStringLiteral("openingProgress"));
        m_progress->setWindowModality(Qt::NonModal);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->setMinimumDuration(0);
        m_progress->setMinimumWidth(360);
    }
    QString text;
    if (m_filesBeingRead.size() == 1) {
        // A long name is cut in the middle: the window keeps its width.
        const QString name = QFontMetrics(m_progress->font())
                                 .elidedText(QFileInfo(m_filesBeingRead.constFirst()).fileName(), Qt::ElideMiddle, 320);
        text = platform::localized(QStringLiteral("LSOpeningDocument"))
                   .replace(QStringLiteral("%@"), platform::DisplayText::isolated(name));
    } else {
        text = platform::localized(QStringLiteral("LSOpeningDocuments"))
                   .replace(QStringLiteral("%@"), QLocale().toString(m_filesBeingRead.size()));
    }
    m_progress->setLabelText(text);
    // Titled with what it does: the desktop's task list tells it from the alerts,
    // which carry the application's name.
    m_progress->setWindowTitle(text);
    m_progress->show();
    m_progress->raise();
}

void FileOpening::endProgress()
{
    m_progressTimer->stop();
    m_filesBeingRead.clear();
    delete m_progress.data();
}

QWidget *FileOpening::progressWindow() const
{
    return m_progress;
}
