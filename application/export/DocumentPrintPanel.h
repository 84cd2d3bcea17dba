#pragma once
// Printing of a document: the formatted text of the export (read with the print
// options) in Qt's print preview, window-modal on the document window, with the
// accessory of the three print options beside the preview. Changing an option
// stores the options, rebuilds the text and refreshes the preview; the preview's
// Print opens Qt's print dialog (a CUPS printer or a PDF file). The shared print
// info gets the print margins (35/40/35/35 points, not centred) and keeps them.
// Printing into a PDF file starts in the export panel's start folder, and a print
// into a file becomes the last export's folder. The preview is painted on the GUI
// thread; a print into a PDF file is laid out and painted on a pool thread by a
// PdfExportJob (printToFileStarted()), with the printer's page, under a progress
// sheet on the document window; a system printer is painted on the GUI thread.
//
// Owned by the caller (delete it after finished()); the dialog is a child of the
// window, a print job one of the window. GUI thread only. Failure: a printer on which
// painting cannot begin gives printFailed() with the reason; a print job tells its
// own failure.
#include "application/tree/CurrencyFormatter.h"
#include "application/tree/Node.h"

#include <QObject>
#include <QPointer>
#include <memory>

class DocumentExporter;
class DocumentPrintAccessoryViewController;
class PdfExportJob;
#include <QPrintPreviewDialog>
class QPrintPreviewWidget;
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
    QPrintPreviewDialog *previewDialog() const { return m_dialog; }
    QPrintPreviewWidget *previewWidget() const { return m_preview; }
    DocumentPrintAccessoryViewController *printAccessoryViewController() const { return m_accessory; }
    // The text being printed, laid out for the printer's page.
    QTextDocument *printTextView() const { return m_text.get(); }

    // Rebuilds the printed text from the tree with the options of the boxes.
    void setupPrintView();
    // The boxes' action: coupling, defaults, text, then the preview.
    void printViewAction(QObject *sender);
    // Paints the text on the printer; the reason when it cannot. A printer that
    // writes a PDF file (not the preview's) gets it from a print job instead.
    bool printTo(QPrinter &printer, QString *errorReason = nullptr);

Q_SIGNALS:
    void printFailed(const QString &reason);
    void printToFileStarted(PdfExportJob *job);
    void finished(int returnCode);

private:
    qreal pageTextWidth(const QPrinter &printer) const;
    // The export of the tree with the options of the boxes.
    DocumentExporter exporter() const;

    platform::UserDefaults &m_defaults;
    NodePtr m_root;
    QList<NodePtr> m_selection;
    CurrencyFormatter m_formatter;
    std::unique_ptr<QPrinter> m_printer;
    QPointer<QPrintPreviewDialog> m_dialog;
    QPrintPreviewWidget *m_preview = nullptr;
    DocumentPrintAccessoryViewController *m_accessory = nullptr;
    std::unique_ptr<QTextDocument> m_text;
    qreal m_textWidth = -1;
};
