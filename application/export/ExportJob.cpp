#include "application/export/ExportJob.h"

#include "NTXAppKit/NTXProgressWindowController/NTXProgressWindowController.h"
#include "application/export/PreviewText.h"
#include "application/tree/NodeSnapshot.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryFile>
#include <QTextDocument>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The bar moves in this many steps at most: each step is one notification.
constexpr int ProgressSteps = 200;

} // namespace

void ExportJob::FreeText::operator()(PreviewText *text) const
{
    if (!text)
        return;
    QCoreApplication *application = QCoreApplication::instance();
    if (!application || QThread::currentThread() != application->thread()) {
        delete text;
        return;
    }
    // The stretches laid out here freed here; the copy of the nodes where it takes no
    // time from the window.
    text->dropKept();
    platform::BackgroundTask::runWithoutResult(
        [owned = std::shared_ptr<PreviewText>(text)](const platform::BackgroundTask::Token &) mutable { owned.reset(); });
}

ExportJob::ExportJob(QWidget *window, const QString &path, const QString &title)
    : QObject(window), m_path(path), m_progress(std::make_unique<NTXProgressWindowController>())
{
    m_descriptor = m_progress->setupAsDeterminate(title, 0, 1, 0, true);
}

ExportJob::~ExportJob() = default;

namespace {

QString writingTitle(const QString &path)
{
    return platform::localized(QStringLiteral("LSExportProgressTitle"))
        .replace(QStringLiteral("%@"), QFileInfo(path).fileName());
}

// A temporary file that no name on the disk leads to, for reading and writing: it goes
// with its descriptor. Where the file system cannot make one unnamed, a named one whose
// name is removed at once.
std::unique_ptr<QFile> unnamedFile(QString *reason)
{
    auto file = std::make_unique<QFile>();
    const int descriptor =
        ::open(QFile::encodeName(QDir::tempPath()).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (descriptor >= 0) {
        if (file->open(descriptor, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle))
            return file;
        ::close(descriptor);
    }
    QTemporaryFile named(QDir(QDir::tempPath()).filePath(QStringLiteral("chronark-print-XXXXXX.pdf")));
    if (!named.open()) {
        *reason = named.errorString();
        return nullptr;
    }
    const int copy = ::fcntl(named.handle(), F_DUPFD_CLOEXEC, 0);
    named.remove();
    if (copy < 0 || !file->open(copy, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        if (copy >= 0)
            ::close(copy);
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return nullptr;
    }
    return file;
}

// The work of a file written by `write` from the copy.
template <typename Write>
auto fileWork(const QString &path, Write write)
{
    return [path, write = std::move(write)](QString *reason, ExportJob::LaidOutText *,
                                            const DocumentExporter::Progress &progress) {
        return DocumentExporter::writeAtomically(
            path, [&](QIODevice &device, QString *why) { return write(device, why, progress); }, reason);
    };
}

} // namespace

ExportJob *ExportJob::start(QWidget *window, const QString &path, Write write)
{
    return run(window, path, writingTitle(path), fileWork(path, std::move(write)));
}

ExportJob *ExportJob::start(QWidget *window, const DocumentExporter &exporter, const QString &path,
                            const DocumentExporter::PdfPages &pages)
{
    return copyThenRun(window, path, writingTitle(path), exporter, [path, pages](const DocumentExporter &copy) -> Work {
        return fileWork(path, [copy, pages](QIODevice &device, QString *reason, const DocumentExporter::Progress &progress) {
            return copy.writePdf(device, pages, reason, progress);
        });
    });
}

ExportJob *ExportJob::start(QWidget *window, const DocumentExporter &exporter, const QString &path,
                            DocumentExporter::Format format, const DocumentExporter::FileSettings &settings)
{
    return copyThenRun(window, path, writingTitle(path), exporter, [path, format, settings](const DocumentExporter &copy) -> Work {
        return fileWork(path, [copy, format, settings](QIODevice &device, QString *reason,
                                                       const DocumentExporter::Progress &progress) {
            return copy.write(device, format, settings, reason, progress);
        });
    });
}

ExportJob *ExportJob::print(QWidget *window, const DocumentExporter &exporter, const DocumentExporter::PdfPages &pages,
                            const platform::PrinterQueue::Job &printer)
{
    return copyThenRun(
        window, QString(), platform::localized(QStringLiteral("LSPrintProgressTitle")), exporter,
        [pages, printer](const DocumentExporter &copy) -> Work {
            return [copy, pages, printer](QString *reason, LaidOutText *, const DocumentExporter::Progress &progress) {
                // The pages take nearly all of the time; handing them over the rest.
                constexpr double Painted = 0.98;
                // A file without a name: nothing of the document's text stays on the
                // disk when the process ends, however it ends.
                std::unique_ptr<QFile> file = unnamedFile(reason);
                if (!file)
                    return false;
                if (!copy.writePdf(*file, pages, reason, [&progress](double done) { return progress(done * Painted); }))
                    return false;
                if (!file->flush()) {
                    *reason = file->errorString();
                    return false;
                }
                // A Cancel before the job reaches the printer prints nothing; one while
                // the printer takes it ends the hand-over at once and withdraws it.
                return platform::PrinterQueue::submit(printer, *file, reason,
                                                      [&progress] { return !progress(Painted); });
            };
        });
}

ExportJob *ExportJob::layOut(QWidget *window, const DocumentExporter &exporter, const QSizeF &page)
{
    return copyThenRun(
        window, QString(), platform::localized(QStringLiteral("LSPrintProgressTitle")), exporter,
        [page](const DocumentExporter &copy) -> Work {
            return [copy, page](QString *reason, LaidOutText *text, const DocumentExporter::Progress &progress) {
                // Measured here a stretch at a time; the GUI thread lays out again the
                // stretches of the pages it paints.
                std::unique_ptr<PreviewText> measured = PreviewText::make(copy, page, progress, reason);
                if (!measured || !progress(1))
                    return false;
                text->reset(measured.release());
                return true;
            };
        });
}

ExportJob *ExportJob::run(QWidget *window, const QString &path, const QString &title, Work work)
{
    auto *job = new ExportJob(window, path, title);
    job->addWork(std::move(work));
    job->showSheet(window);
    return job;
}

ExportJob *ExportJob::copyThenRun(QWidget *window, const QString &path, const QString &title,
                                  const DocumentExporter &exporter,
                                  std::function<Work(const DocumentExporter &copy)> makeWork)
{
    auto *job = new ExportJob(window, path, title);
    // The snapshots begin now: the copy is the nodes as they stand at the command.
    for (const NodePtr &node : exporter.exportedNodes())
        job->m_snapshots.push_back(std::make_unique<NodeSnapshot>(node));
    job->m_exporter.emplace(exporter);
    job->m_makeWork = std::move(makeWork);
    job->m_copying = new QTimer(job);
    job->m_copying->setInterval(0);
    connect(job->m_copying, &QTimer::timeout, job,
            platform::ExceptionBoundary::guarded(job, "an export's copy", [job] { job->copySlice(); }));
    job->m_copying->start();
    job->showSheet(window);
    return job;
}

void ExportJob::copySlice()
{
    // Cancelled while the nodes are copied: nothing was queued, so the sheet does not
    // close by itself.
    if (m_progress->isCancelled()) {
        m_copying->stop();
        m_snapshots.clear();
        m_progress->hideProgressWindow();
        end(true);
        return;
    }
    QList<NodePtr> copies;
    qsizetype left = CopySliceNodes;
    try {
        for (const std::unique_ptr<NodeSnapshot> &snapshot : m_snapshots) {
            if (!snapshot->isWhole()) {
                if (left <= 0 || !snapshot->copyMore(left))
                    return;
                left = 0;
            }
            copies.append(snapshot->copy());
        }
    } catch (const std::bad_alloc &) {
        // Memory ran out: the export fails as when its work does.
        m_copying->stop();
        m_snapshots.clear();
        m_progress->hideProgressWindow();
        m_delivered = true;
        m_reason = QString::fromLocal8Bit(std::bad_alloc().what());
        end(false);
        return;
    }
    m_copying->stop();
    m_snapshots.clear();
    addWork(m_makeWork(m_exporter->withCopies(copies)));
    m_exporter.reset();
    m_makeWork = nullptr;
}

void ExportJob::showSheet(QWidget *window)
{
    // A sheet as every other hold of the window is (one at a time, the keyboard
    // handed on when an alert over it was answered); not through
    // beginProgressSheetForWindow(), which would find the queue empty already when the
    // work was short. The sheet ends as the controller hides it.
    platform::Sheet::begin(m_progress->window(), window, [](int) {});
}

void ExportJob::addWork(Work work)
{
    // The completion comes through a queued call once the queue ran empty: set before
    // the work starts, it is there however soon the work ends.
    const QPointer<ExportJob> guard(this);
    m_progress->setCompletionBlock([guard](bool cancelled) {
        if (guard)
            guard->end(cancelled);
    });
    const QPointer<QObject> receiver(this);
    m_progress->operationQueue().addOperation(
        [work = std::move(work), descriptor = m_descriptor, receiver](platform::Operation &operation) {
            int shown = 0;
            const DocumentExporter::Progress progress = [&](double done) {
                if (operation.isCancelled())
                    return false;
                const int step = int(std::floor(done * ProgressSteps));
                if (step > shown) {
                    shown = step;
                    operation.deliver(receiver, [receiver, descriptor, value = float(step) / ProgressSteps] {
                        descriptor->setCurrentValue(value);
                        static_cast<ExportJob *>(receiver.data())->m_progress->updateGUI();
                    });
                }
                return true;
            };
            QString reason;
            bool written = false;
            // Shared with the delivery; freed off the GUI thread when nobody takes it.
            auto text = std::make_shared<LaidOutText>();
            // What the work throws (memory ran out) is a failed export; the file is
            // not replaced then either.
            try {
                written = work(&reason, text.get(), progress);
            } catch (const std::exception &error) {
                reason = QString::fromLocal8Bit(error.what());
            } catch (...) {
                reason = QStringLiteral("unknown exception");
            }
            operation.deliver(receiver, [receiver, written, reason, text] {
                auto *self = static_cast<ExportJob *>(receiver.data());
                self->m_delivered = true;
                self->m_written = written;
                self->m_reason = reason;
                self->m_text = std::move(*text);
            });
        });
}

void ExportJob::end(bool cancelled)
{
    // A sheet still waiting for its window (another sheet showed there all along) ends
    // unseen; a shown one has been hidden by the controller.
    platform::Sheet::end(m_progress->window(), cancelled ? QDialog::Rejected : QDialog::Accepted);
    deleteLater();
    // The work stopped by a cancel delivers nothing; neither does one whose file was
    // written before the cancel reached it.
    if (cancelled)
        Q_EMIT finished(Cancelled, QString());
    else if (!m_delivered)
        Q_EMIT finished(Failed, QCoreApplication::translate("ExportJob", "The export ended without an answer."));
    else if (m_written)
        Q_EMIT finished(Written, QString());
    else
        Q_EMIT finished(Failed, m_reason);
}
