#include "application/export/DocumentPrintPanel.h"

#include "application/base/DefaultsKeys.h"
#include "application/export/DocumentExportPanel.h"
#include "application/export/DocumentExporter.h"
#include "application/export/DocumentPrintAccessoryViewController.h"
#include "application/export/ExportJob.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/print/PagedTextPrinter.h"
#include "platform/print/PrintInfo.h"

#include <QPointer>
#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QPaintEngine>
#include <QMainWindow>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QTextDocument>

DocumentPrintPanel::DocumentPrintPanel(QWidget *window, platform::UserDefaults &defaults, NodePtr root,
                                       QList<NodePtr> selection, CurrencyFormatter formatter)
    : m_defaults(defaults), m_root(std::move(root)), m_selection(std::move(selection)),
      m_formatter(std::move(formatter)), m_printer(new QPrinter(QPrinter::HighResolution))
{
    platform::PrintInfo &info = platform::PrintInfo::shared();
    const qreal *margins = DocumentExporter::ExportMargins;
    info.setMargins(margins[0], margins[1], margins[2], margins[3]);
    info.setVerticallyCentered(false);
    info.applyTo(*m_printer);
    // Printing to a file starts in the folder of the last export, not in the
    // process's working folder.
    if (m_printer->outputFormat() == QPrinter::PdfFormat) {
        const QString name = m_printer->docName().isEmpty() ? QStringLiteral("print") : m_printer->docName();
        m_printer->setOutputFileName(QDir(DocumentExportPanel::startFolder(m_defaults)).filePath(name + QStringLiteral(".pdf")));
    }

    m_dialog = new QPrintPreviewDialog(m_printer.get(), window);
    m_dialog->setObjectName(QStringLiteral("printPreview"));
    m_dialog->setWindowTitle(platform::localized(QStringLiteral("LSPrintPreviewTitle")));
    m_dialog->setWindowModality(Qt::WindowModal);
    m_preview = m_dialog->findChild<QPrintPreviewWidget *>();

    m_accessory = new DocumentPrintAccessoryViewController(m_dialog);
    // The preview is the central widget of the dialog's inner main window: the
    // accessory goes beside it there.
    if (auto *inner = m_preview ? qobject_cast<QMainWindow *>(m_preview->parentWidget()) : nullptr) {
        auto *beside = new QWidget;
        auto *row = new QHBoxLayout(beside);
        row->setContentsMargins(0, 0, 0, 0);
        inner->takeCentralWidget();
        row->addWidget(m_preview, 1);
        row->addWidget(m_accessory, 0);
        inner->setCentralWidget(beside);
    }

    QCheckBox *selectedJobs = m_accessory->printSelectedJobs();
    QCheckBox *withoutTime = m_accessory->printWithoutTimeEntry();
    QCheckBox *withoutDay = m_accessory->printWithoutDayEntry();
    withoutTime->setChecked(m_defaults.boolForKey(PrintWithoutTimeEntryKey));
    withoutDay->setChecked(m_defaults.boolForKey(PrintWithoutDayEntryKey));
    selectedJobs->setChecked(m_defaults.boolForKey(PrintSelectedJobsKey));
    m_accessory->setPrintOnlySelectedJobs(selectedJobs->isChecked());
    m_accessory->setWithoutDayEntry(withoutDay->isChecked());
    m_accessory->setWithoutTimeEntry(withoutTime->isChecked());
    selectedJobs->setEnabled(!m_selection.isEmpty());
    for (QCheckBox *box : {selectedJobs, withoutTime, withoutDay})
        connect(box, &QCheckBox::clicked, this,
                platform::ExceptionBoundary::guarded(this, "a print option", [this, box] { printViewAction(box); }));
    connect(m_accessory, &DocumentPrintAccessoryViewController::previewAffected, this, platform::ExceptionBoundary::guarded(this, "previewAffected", [this] {
        if (m_preview)
            m_preview->updatePreview();
    }));
    connect(m_dialog, &QPrintPreviewDialog::paintRequested, this,
            platform::ExceptionBoundary::guarded(this, "paintRequested", [this](QPrinter *printer) {
                QString reason;
                if (!printTo(*printer, &reason))
                    Q_EMIT printFailed(reason);
            }));

    // The text is laid out once the preview shows (open()): its progress is a sheet on it.
    m_textSize = pageTextSize(*m_printer);
}

DocumentPrintPanel::~DocumentPrintPanel()
{
    // The dialog refers to the printer: it goes first (and with it a layout job).
    delete m_dialog;
}

void DocumentPrintPanel::FreePrinter::operator()(QPrinter *printer) const
{
    if (!printer)
        return;
    // The preview's pages are the printer's: many pictures for a long text.
    platform::BackgroundTask::runWithoutResult(
        [owned = std::shared_ptr<QPrinter>(printer)](const platform::BackgroundTask::Token &) mutable { owned.reset(); });
}

void DocumentPrintPanel::open()
{
    // Room for a page and the accessory beside it.
    QSize size(900, 760);
    if (const QScreen *screen = m_dialog->screen())
        size = size.boundedTo(screen->availableSize());
    m_dialog->resize(size);
    platform::Sheet::begin(m_dialog, m_dialog->parentWidget(), [self = QPointer(this)](int result) {
        if (!self)
            return;
        // Printed into a file: the next export and print to a file start there.
        if (result == QDialog::Accepted && self->m_printer->outputFormat() == QPrinter::PdfFormat)
            DocumentExportPanel::noteExportFolder(self->m_defaults, self->m_printer->outputFileName());
        Q_EMIT self->finished(result);
    });
    m_opened = true;
    setupPrintView();
}

QSizeF DocumentPrintPanel::pageTextSize(const QPrinter &printer)
{
    return printer.pageLayout().paintRect(QPageLayout::Point).size();
}

DocumentExporter DocumentPrintPanel::exporter() const
{
    QList<NodePtr> exportList;
    if (!m_selection.isEmpty() && m_accessory->printSelectedJobs()->isChecked())
        exportList = DocumentExporter::exportListFromSelection(m_selection);
    DocumentExporter::Options options;
    options.withoutTimeEntries = m_accessory->printWithoutTimeEntry()->isChecked();
    options.withoutDayEntries = m_accessory->printWithoutDayEntry()->isChecked();
    return DocumentExporter(m_root, exportList, m_formatter, options);
}

void DocumentPrintPanel::setupPrintView()
{
    m_textSize = pageTextSize(*m_printer);
    m_text.reset();
    if (m_layout)
        delete m_layout.data();
    if (!m_opened || !m_dialog)
        return;
    m_layout = ExportJob::layOut(m_dialog, exporter(), m_textSize);
    connect(m_layout, &ExportJob::finished, this,
            platform::ExceptionBoundary::guarded(this, "the printed text's layout",
                [this, job = m_layout](ExportJob::Outcome outcome, const QString &reason) {
                    // A job replaced meanwhile tells nothing.
                    if (job != m_layout)
                        return;
                    m_layout = nullptr;
                    if (outcome == ExportJob::Written) {
                        m_text = job->takeText();
                        if (m_preview)
                            m_preview->updatePreview();
                        Q_EMIT printViewReady();
                        return;
                    }
                    if (outcome == ExportJob::Failed)
                        Q_EMIT printFailed(reason);
                    // Nothing to print: the print ends.
                    if (m_dialog)
                        m_dialog->reject();
                }));
}

void DocumentPrintPanel::printViewAction(QObject *sender)
{
    QCheckBox *withoutTime = m_accessory->printWithoutTimeEntry();
    QCheckBox *withoutDay = m_accessory->printWithoutDayEntry();
    QCheckBox *selectedJobs = m_accessory->printSelectedJobs();
    if (sender == withoutTime && !withoutTime->isChecked())
        withoutDay->setChecked(false);
    if (sender == withoutDay && withoutDay->isChecked())
        withoutTime->setChecked(true);
    m_defaults.setBool(withoutTime->isChecked(), PrintWithoutTimeEntryKey);
    m_defaults.setBool(withoutDay->isChecked(), PrintWithoutDayEntryKey);
    m_defaults.setBool(selectedJobs->isChecked(), PrintSelectedJobsKey);
    setupPrintView();
    m_accessory->setPrintOnlySelectedJobs(selectedJobs->isChecked());
    m_accessory->setWithoutDayEntry(withoutDay->isChecked());
    m_accessory->setWithoutTimeEntry(withoutTime->isChecked());
}

bool DocumentPrintPanel::printTo(QPrinter &printer, QString *errorReason)
{
    // A PDF file (the preview paints pictures): written off the GUI thread, on the
    // page the printer was set up with.
    const QPaintEngine *engine = printer.paintEngine();
    QWidget *window = m_dialog ? m_dialog->parentWidget() : nullptr;
    if (window && engine && engine->type() != QPaintEngine::Picture && printer.outputFormat() == QPrinter::PdfFormat &&
        !printer.outputFileName().isEmpty()) {
        DocumentExporter::PdfPages pages;
        pages.info = platform::PrintInfo::shared();
        pages.printerLayout = printer.pageLayout();
        pages.resolution = printer.resolution();
        pages.title = printer.docName();
        pages.creator = printer.creator();
        Q_EMIT printToFileStarted(ExportJob::start(window, exporter(), printer.outputFileName(), pages));
        return true;
    }
    // The text is as wide as the page the printer (or its dialog) was set up with. The
    // preview shows nothing until the text is laid out for it; a system printer cannot
    // wait and has it laid out here.
    const bool preview = engine && engine->type() == QPaintEngine::Picture;
    if (pageTextSize(printer) != m_textSize) {
        m_printer->setPageLayout(printer.pageLayout());
        if (preview) {
            setupPrintView();
            return true;
        }
        // The text laid out (or being laid out) for the old page is dropped.
        if (m_layout)
            delete m_layout.data();
        m_text.reset();
        m_textSize = pageTextSize(*m_printer);
    }
    if (!m_text) {
        if (preview)
            return true;
        m_text = ExportJob::LaidOutText(
            exporter().textDocument(m_textSize.width(), {}, m_textSize.height()).release());
    }
    return platform::PagedTextPrinter::print(*m_text, printer, platform::PrintInfo::shared(), true, errorReason);
}
