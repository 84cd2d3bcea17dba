#include "application/export/PdfExportJob.h"

#include "NTXAppKit/NTXProgressWindowController/NTXProgressWindowController.h"
#include "platform/foundation/Bundle.h"

#include <QCoreApplication>
#include <QDialog>
#include <QFileInfo>
#include <QPointer>
#include <QWidget>
#include <cmath>

namespace {

// The bar moves in this many steps at most: each step is one notification.
constexpr int ProgressSteps = 200;

} // namespace

PdfExportJob::PdfExportJob(QWidget *window, const QString &path)
    : QObject(window), m_path(path), m_progress(std::make_unique<NTXProgressWindowController>())
{
}

PdfExportJob::~PdfExportJob() = default;

PdfExportJob *PdfExportJob::start(QWidget *window, const DocumentExporter &exporter, const QString &path,
                                  const DocumentExporter::PdfPages &pages)
{
    auto *job = new PdfExportJob(window, path);
    const QString title = platform::localized(QStringLiteral("LSExportProgressTitle"))
                              .replace(QStringLiteral("%@"), QFileInfo(path).fileName());
    const NTXProgressDescriptorPtr descriptor = job->m_progress->setupAsDeterminate(title, 0, 1, 0, true);
    // The completion comes through a queued call once the queue ran empty: set before
    // the work starts, it is there however soon the work ends.
    const QPointer<PdfExportJob> guard(job);
    job->m_progress->setCompletionBlock([guard](bool cancelled) {
        if (guard)
            guard->end(cancelled);
    });
    const QPointer<QObject> receiver(job);
    job->m_progress->operationQueue().addOperation(
        [detached = exporter.detached(), path, pages, descriptor, receiver](platform::Operation &operation) {
            int shown = 0;
            const DocumentExporter::Progress progress = [&](double done) {
                if (operation.isCancelled())
                    return false;
                const int step = int(std::floor(done * ProgressSteps));
                if (step > shown) {
                    shown = step;
                    operation.deliver(receiver, [receiver, descriptor, value = float(step) / ProgressSteps] {
                        descriptor->setCurrentValue(value);
                        static_cast<PdfExportJob *>(receiver.data())->m_progress->updateGUI();
                    });
                }
                return true;
            };
            QString reason;
            bool written = false;
            // What the work throws (memory ran out) is a failed export; the file is
            // not replaced then either.
            try {
                written = DocumentExporter::writeAtomically(
                    path,
                    [&](QIODevice &device, QString *why) { return detached.writePdf(device, pages, why, progress); },
                    &reason);
            } catch (const std::exception &error) {
                reason = QString::fromLocal8Bit(error.what());
            } catch (...) {
                reason = QStringLiteral("unknown exception");
            }
            operation.deliver(receiver, [receiver, written, reason] {
                auto *self = static_cast<PdfExportJob *>(receiver.data());
                self->m_delivered = true;
                self->m_written = written;
                self->m_reason = reason;
            });
        });
    // The sheet as beginProgressSheetForWindow() opens it, which would find the queue
    // empty already when the work was short.
    QDialog *sheet = job->m_progress->window();
    sheet->setParent(window, Qt::Sheet);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->show();
    return job;
}

void PdfExportJob::end(bool cancelled)
{
    deleteLater();
    // The work stopped by a cancel delivers nothing; neither does one whose file was
    // written before the cancel reached it.
    if (cancelled)
        Q_EMIT finished(Cancelled, QString());
    else if (!m_delivered)
        Q_EMIT finished(Failed, QCoreApplication::translate("PdfExportJob", "The export ended without an answer."));
    else if (m_written)
        Q_EMIT finished(Written, QString());
    else
        Q_EMIT finished(Failed, m_reason);
}
