#pragma once
// The long work of an export or a print on a pool thread, with a progress sheet on a
// window whose Cancel ends it: a file of any export format written, or the printed
// text laid out for the print preview. The worker reads a copy of the exported nodes
// (and of whatever else the writing reads) as they stood when the job started, so the
// person and the running counter go on changing the document meanwhile; the file or
// the text shows the document as it was at the start. The GUI thread only copies the
// nodes, a slice of CopySliceNodes in each pass of its event loop under the sheet
// (NodeSnapshot), and shows the progress.
//
// A print on a printer is a PDF file made the same way (a file without a name on the
// disk), handed to the printer once whole (PrinterQueue: bounded, and a Cancel during
// the hand-over ends it at once and withdraws the job the server made).
//
// A file is written atomically: after a failure or a cancel an existing file is whole
// and no new one remains (a Cancel that comes once the file is complete keeps it,
// whole). finished() tells the end once, on the GUI thread, after the sheet has gone:
// Written (the file is there, or the text is laid out: takeText()), Cancelled
// (nothing failed) or Failed with the reason. The job then deletes itself (later).
//
// The text of a preview is measured on the pool thread, a stretch at a time
// (PreviewText: the export's copy of the nodes and where each stretch stands), and
// handed to the GUI thread, which lays out again only the stretches of the pages it
// paints. A text taller than the layout can place fails with the reason.
//
// That text is a LaidOutText: whoever drops it on the GUI thread (the job, the print
// panel, a result nobody took) has it freed on a pool thread, since freeing the copy
// of a large document's nodes takes long.
//
// The progress sheet is a platform::Sheet on the window, held and queued as every
// other sheet there: begun while another sheet shows on the window, it shows once that
// one's handler ran (the work runs meanwhile).
//
// Owned by its parent, the window of the sheet; deleting it, or the window, cancels
// the work, which then leaves no file and tells nothing. GUI thread only; the work
// runs on the progress window's operation queue.
#include "NTXAppKit/NTXProgressWindowController/NTXProgressDescriptor.h"
#include "application/export/DocumentExporter.h"
#include "platform/print/PrinterQueue.h"

#include <QObject>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class NodeSnapshot;
class PreviewText;
class NTXProgressWindowController;
class QTextDocument;
class QTimer;
class QWidget;

class ExportJob : public QObject
{
    Q_OBJECT
public:
    enum Outcome { Written, Cancelled, Failed };
    // The nodes copied in one pass of the event loop.
    static constexpr qsizetype CopySliceNodes = 4096;

    // Frees a preview's text; on the GUI thread it hands it to a pool thread first.
    struct FreeText
    {
        void operator()(PreviewText *text) const;
    };
    using LaidOutText = std::unique_ptr<PreviewText, FreeText>;

    // Writes the file on the pool thread: the body writes to the device and answers
    // success (a reason when it fails, none when the progress stopped it). It must
    // read only what it owns (copies taken when it was made).
    using Write = std::function<bool(QIODevice &device, QString *errorReason, const DocumentExporter::Progress &progress)>;

    // Starts the work and opens the sheet on the window.
    static ExportJob *start(QWidget *window, const QString &path, Write write);
    // A PDF of the export on the pages.
    static ExportJob *start(QWidget *window, const DocumentExporter &exporter, const QString &path,
                            const DocumentExporter::PdfPages &pages);
    // Any format of the export, written as DocumentExporter::writeFile() writes it;
    // the store and the flags are copied.
    static ExportJob *start(QWidget *window, const DocumentExporter &exporter, const QString &path,
                            DocumentExporter::Format format, const DocumentExporter::FileSettings &settings);
    // The formatted text of the export printed on a printer of the CUPS server: laid
    // out and painted on the pages into a PDF file of its own, which goes to the
    // printer only once it is whole (a Cancel before then prints nothing, one while it
    // goes withdraws the job). Written means the printer took the job.
    static ExportJob *print(QWidget *window, const DocumentExporter &exporter, const DocumentExporter::PdfPages &pages,
                            const platform::PrinterQueue::Job &printer);
    // The formatted text of the export measured on pages of the size in points, as
    // PagedTextPrinter prints it (no file): a PreviewText.
    static ExportJob *layOut(QWidget *window, const DocumentExporter &exporter, const QSizeF &page);
    ~ExportJob() override;

    NTXProgressWindowController &progress() const { return *m_progress; }
    QString path() const { return m_path; }
    // The preview's text, once finished() said Written (null before and after a take).
    LaidOutText takeText() { return std::move(m_text); }

Q_SIGNALS:
    void finished(ExportJob::Outcome outcome, const QString &reason);

private:
    // The work answers success; on success it may leave laid-out text in *text.
    using Work = std::function<bool(QString *reason, LaidOutText *text, const DocumentExporter::Progress &progress)>;

    ExportJob(QWidget *window, const QString &path, const QString &title);
    // The work of a copy of the export's nodes, once they are copied.
    static ExportJob *copyThenRun(QWidget *window, const QString &path, const QString &title,
                                  const DocumentExporter &exporter,
                                  std::function<Work(const DocumentExporter &copy)> makeWork);
    static ExportJob *run(QWidget *window, const QString &path, const QString &title, Work work);
    // Opens the sheet on the window.
    void showSheet(QWidget *window);
    void addWork(Work work);
    // One slice of the copy; once it is whole, the work.
    void copySlice();
    void end(bool cancelled);

    QString m_path;
    std::unique_ptr<NTXProgressWindowController> m_progress;
    // Set by the work's delivery, which comes before the queue's completion.
    bool m_delivered = false;
    bool m_written = false;
    QString m_reason;
    LaidOutText m_text;
    NTXProgressDescriptorPtr m_descriptor;
    // The copy being made (none once it is whole), and what to run on it.
    std::vector<std::unique_ptr<NodeSnapshot>> m_snapshots;
    std::optional<DocumentExporter> m_exporter;
    std::function<Work(const DocumentExporter &copy)> m_makeWork;
    QTimer *m_copying = nullptr;
};
