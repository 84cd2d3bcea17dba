#pragma once
// Printing of a document: the formatted text of the export (read with the print
// options) in the print preview, a window-modal dialog on the document window with a
// toolbar (fit to width or page, zoom, portrait or landscape, the pages and their count,
// page setup, Print) and the accessory of the three print options beside the preview
// (a PrintPreviewView, which paints only the pages in view). The text is laid out on a
// pool thread by an ExportJob, from a copy of the nodes taken when the preview opens or
// an option, the orientation or the page changes, under a progress sheet on the
// preview; the preview shows the pages once the text is laid out (nothing before).
// Cancel on that sheet ends the print: the preview closes as its Escape closes it.
// Changing an option stores the options and lays the text out anew. The printers of
// the CUPS server are asked for on a pool thread, with a bound, as the preview opens
// (nothing on the GUI thread talks to the server: a server that never answers holds
// nothing). Print opens the print dialog at once (DocumentPrintDialog: a printer or a
// PDF file, with what is known of the printers then), or, where there is no print
// server or it offers no printer, asks for the PDF file at once (a save panel, a sheet
// on the preview); then prints and closes the preview. The shared print info gets the print margins (35/40/35/35
// points, not centred) and keeps them. Printing into a PDF file starts in the export
// panel's start folder, and a print into a file becomes the last export's folder. A
// print, into a PDF file or on a CUPS printer, is laid out and painted on a pool
// thread by an ExportJob (printJobStarted()), with the printer's page, under a
// progress sheet on the document window whose Cancel stops it; a printer gets the
// pages only once they are all painted. The laid-out text is freed on a pool thread.
//
// Owned by the caller (delete it after finished()); the dialog is a child of the
// window, a print job one of the window, a layout job one of the dialog. GUI thread
// only. Failure: a printer on which painting cannot begin, or a layout that failed
// (memory ran out), gives printFailed() with the reason; a print job tells its own
// failure.
#include "application/export/DocumentExporter.h"
#include "application/export/DocumentPrintDialog.h"
#include "application/export/ExportJob.h"
#include "application/tree/CurrencyFormatter.h"
#include "application/tree/Node.h"
#include "platform/foundation/BackgroundTask.h"
#include "platform/print/PrinterQueue.h"

#include <QObject>
#include <QPageLayout>
#include <QPointer>
#include <QSizeF>
#include <memory>
#include <optional>

class DocumentPrintAccessoryViewController;
class PreviewText;
class PrintPreviewView;
class QDialog;
class QPrinter;
class QTextDocument;
class QWidget;

namespace platform {
class UserDefaults;
}

class DocumentPrintPanel : public QObject
{
    Q_OBJECT
public:
    DocumentPrintPanel(QWidget *window, platform::UserDefaults &defaults, NodePtr root, QList<NodePtr> selection,
                       CurrencyFormatter formatter);
    ~DocumentPrintPanel() override;

    void open();

    QPrinter &printer() const { return *m_printer; }
    QDialog *previewDialog() const { return m_dialog; }
    PrintPreviewView *previewWidget() const { return m_preview; }
    DocumentPrintAccessoryViewController *printAccessoryViewController() const { return m_accessory; }
    // The text being printed, measured for the printer's page (null until then): the
    // preview lays out only the stretches of the pages it paints.
    PreviewText *printTextView() const { return m_text.get(); }
    // The job laying the text out now, if any.
    ExportJob *layoutJob() const { return m_layout; }

    // Lays the printed text out anew from the tree with the options of the boxes, on
    // a pool thread; the preview follows when it is laid out.
    void setupPrintView();
    // The boxes' action: coupling, defaults, text, then the preview.
    void printViewAction(QObject *sender);
    // Starts the job that prints the text into the PDF file of the printer, on its
    // page; the reason when it names no file.
    bool printTo(QPrinter &printer, QString *errorReason = nullptr);
    // Starts the job that prints the text on the printer chosen, on the page of
    // printer(); the reason when none was chosen.
    bool printOn(const PrintChoice &choice, QString *errorReason = nullptr);
    // The choice of the print dialog as a CUPS job is sent with it.
    static platform::PrinterQueue::Job queueJob(const PrintChoice &choice, const QPageLayout &layout,
                                                const QString &title);
    // The printers of the server as far as known (none while they are asked for).
    const std::optional<platform::PrinterQueue::Printers> &printers() const { return m_printers; }
    // The toolbar's Print: asks for the file or the printer, then prints and closes
    // the preview.
    void print();

Q_SIGNALS:
    void printFailed(const QString &reason);
    // The text is laid out and the preview shows it.
    void printViewReady();
    // A print on a printer or into a file began; the job tells its end.
    void printJobStarted(ExportJob *job);
    // The printers are known (printers()).
    void printersKnown();
    void finished(int returnCode);

private:
    // The size of the text on a page of the printer, in points.
    static QSizeF pageTextSize(const QPrinter &printer);
    // The pages of the printer's layout.
    static DocumentExporter::PdfPages pdfPages(const QPrinter &printer);
    // The save panel of the PDF file, then the print into it.
    void askForFile();
    // The export of the tree with the options of the boxes.
    DocumentExporter exporter() const;
    // The preview's toolbar, its state following the preview.
    void makeToolbar(QWidget *above);
    void updateToolbar();
    // Prints on the printer set up and closes the preview.
    void printAndClose();
    // The page layout of the printer changed (orientation, page setup): the text is
    // laid out anew when its size changed.
    void pageChanged();

    platform::UserDefaults &m_defaults;
    NodePtr m_root;
    QList<NodePtr> m_selection;
    CurrencyFormatter m_formatter;
    std::unique_ptr<QPrinter> m_printer;
    QPointer<QDialog> m_dialog;
    PrintPreviewView *m_preview = nullptr;
    struct Toolbar;
    std::unique_ptr<Toolbar> m_toolbar;
    DocumentPrintAccessoryViewController *m_accessory = nullptr;
    ExportJob::LaidOutText m_text;
    QSizeF m_textSize;
    QPointer<ExportJob> m_layout;
    bool m_opened = false;
    bool m_printedToFile = false;
    std::optional<platform::BackgroundTask> m_printersTask;
    std::optional<platform::PrinterQueue::Printers> m_printers;
};
