#pragma once
// Writes the PDF of an export into a file on a pool thread, with a progress sheet on
// the document window whose Cancel ends it. The worker reads a detached copy of the
// exported nodes, made on the GUI thread when the job starts, so the person and the
// running counter go on changing the document meanwhile; the file shows the document
// as it was at the start. The text is built, laid out and painted on the worker; the
// GUI thread only copies the nodes and shows the progress.
//
// The file is written atomically: after a failure or a cancel an existing file is
// whole and no new one remains (a Cancel that comes once the file is complete keeps
// it, whole). finished() tells the end once, on the GUI thread, after the sheet has
// gone: Written, Cancelled (nothing failed) or Failed with the reason. The job then
// deletes itself (later).
//
// Owned by its parent, the document window; deleting it, or the window, cancels the
// work, which then leaves no file and tells nothing. GUI thread only; the work runs
// on the progress window's operation queue.
#include "application/export/DocumentExporter.h"

#include <QObject>
#include <QString>
#include <memory>

class NTXProgressWindowController;
class QWidget;

class PdfExportJob : public QObject
{
    Q_OBJECT
public:
    enum Outcome { Written, Cancelled, Failed };

    // Starts the work and opens the sheet on the window.
    static PdfExportJob *start(QWidget *window, const DocumentExporter &exporter, const QString &path,
                               const DocumentExporter::PdfPages &pages);
    ~PdfExportJob() override;

    NTXProgressWindowController &progress() const { return *m_progress; }
    QString path() const { return m_path; }

Q_SIGNALS:
    void finished(PdfExportJob::Outcome outcome, const QString &reason);

private:
    PdfExportJob(QWidget *window, const QString &path);
    void end(bool cancelled);

    QString m_path;
    std::unique_ptr<NTXProgressWindowController> m_progress;
    // Set by the work's delivery, which comes before the queue's completion.
    bool m_delivered = false;
    bool m_written = false;
    QString m_reason;
};
