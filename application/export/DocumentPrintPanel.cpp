#include "application/export/DocumentPrintPanel.h"

#include "application/base/DefaultsKeys.h"
#include "application/export/DocumentExportPanel.h"
#include "application/export/DocumentExporter.h"
#include "application/export/DocumentPrintAccessoryViewController.h"
#include "application/export/DocumentPrintDialog.h"
#include "application/export/ExportJob.h"
#include "application/export/PreviewText.h"
#include "application/export/PrintPreviewView.h"
#include "platform/drawing/KeptFileDialog.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/print/PagedTextPrinter.h"
#include "platform/print/PrintInfo.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPointer>
#include <QPrinter>
#include <QScreen>
#include <QTextDocument>
#include <QToolBar>
#include <QVBoxLayout>
#include <cmath>

namespace {

// The toolbar's texts are those of Qt's print preview, in the person's language.
QString previewText(const char *text)
{
    return QCoreApplication::translate("QPrintPreviewDialog", text);
}

// The desktop theme's icon, else the one of Qt's print preview.
QIcon previewIcon(const QString &theme, const QString &image)
{
    QIcon own;
    for (const int size : {24, 32})
        own.addFile(QStringLiteral(":/qt-project.org/dialogs/qprintpreviewdialog/images/%1-%2.png").arg(image).arg(size));
    return QIcon::fromTheme(theme, own);
}

// A printer that only writes PDF files. The GUI thread's own libcups is pointed at no
// server first: a QPrinter asks CUPS for the default printer as it is made, and Qt's
// printer support would wait there on a server that never answers. The printers are
// asked for on a pool thread, with a bound (PrinterQueue).
std::unique_ptr<QPrinter> makePrinter()
{
    platform::PrinterQueue::stopServerCallsOnThisThread();
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    return printer;
}

} // namespace

struct DocumentPrintPanel::Toolbar
{
    QToolBar *bar = nullptr;
    QAction *fitWidth = nullptr;
    QAction *fitPage = nullptr;
    QComboBox *zoom = nullptr;
    QAction *zoomIn = nullptr;
    QAction *zoomOut = nullptr;
    QAction *portrait = nullptr;
    QAction *landscape = nullptr;
    QAction *firstPage = nullptr;
    QAction *previousPage = nullptr;
    QLineEdit *page = nullptr;
    QLabel *pageCount = nullptr;
    QAction *nextPage = nullptr;
    QAction *lastPage = nullptr;
    QAction *pageSetup = nullptr;
    QAction *print = nullptr;
};

DocumentPrintPanel::DocumentPrintPanel(QWidget *window, platform::UserDefaults &defaults, NodePtr root,
                                       QList<NodePtr> selection, CurrencyFormatter formatter)
    : m_defaults(defaults), m_root(std::move(root)), m_selection(std::move(selection)),
      m_formatter(std::move(formatter)), m_printer(makePrinter())
{
    platform::PrintInfo &info = platform::PrintInfo::shared();
    const qreal *margins = DocumentExporter::ExportMargins;
    info.setMargins(margins[0], margins[1], margins[2], margins[3]);
    info.setVerticallyCentered(false);
    info.applyTo(*m_printer);
    // Printing to a file starts in the folder of the last export, not in the
    // process's working folder.
    const QString name = m_printer->docName().isEmpty() ? QStringLiteral("print") : m_printer->docName();
    m_printer->setOutputFileName(QDir(DocumentExportPanel::startFolder(m_defaults)).filePath(name + QStringLiteral(".pdf")));

    m_dialog = new QDialog(window);
    m_dialog->setObjectName(QStringLiteral("printPreview"));
    m_dialog->setWindowTitle(platform::localized(QStringLiteral("LSPrintPreviewTitle")));
    m_dialog->setWindowModality(Qt::WindowModal);
    auto *column = new QVBoxLayout(m_dialog);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_toolbar = std::make_unique<Toolbar>();
    makeToolbar(m_dialog);
    column->addWidget(m_toolbar->bar);
    // The accessory goes beside the pages.
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    m_preview = new PrintPreviewView(m_dialog);
    m_accessory = new DocumentPrintAccessoryViewController(m_dialog);
    row->addWidget(m_preview, 1);
    row->addWidget(m_accessory, 0);
    column->addLayout(row, 1);
    connect(m_preview, &PrintPreviewView::previewChanged, this,
            platform::ExceptionBoundary::guarded(this, "previewChanged", [this] { updateToolbar(); }));
    updateToolbar();

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
            m_preview->viewport()->update();
    }));

    // The text is laid out once the preview shows (open()): its progress is a sheet on it.
    m_textSize = pageTextSize(*m_printer);
}

DocumentPrintPanel::~DocumentPrintPanel()
{
    // The printers' worker owns what it reads; it stops at its next look at the token.
    if (m_printersTask)
        m_printersTask->cancel();
    // The dialog refers to the printer and the text: it goes first (and with it a
    // layout job).
    if (m_dialog && m_preview)
        disconnect(m_preview, nullptr, this, nullptr);
    // A question for a file still on the preview (its handler waits for the next pass,
    // and finds the panel gone) goes back to the window that keeps it: destroyed with
    // the preview, Qt would write its settings file here (platform::KeptFileDialog).
    if (m_dialog) {
        QWidget *keeper = m_dialog->parentWidget() ? m_dialog->parentWidget()->window() : nullptr;
        for (QFileDialog *files : m_dialog->findChildren<QFileDialog *>(QStringLiteral("printToFile")))
            platform::KeptFileDialog::keep(files, keeper);
    }
    delete m_dialog;
}

void DocumentPrintPanel::makeToolbar(QWidget *above)
{
    Toolbar &t = *m_toolbar;
    t.bar = new QToolBar(above);
    t.bar->setObjectName(QStringLiteral("printPreviewToolbar"));
    const auto action = [&](QAction *&item, const char *text, const QString &theme, const QString &image, auto run) {
        item = t.bar->addAction(previewIcon(theme, image), previewText(text));
        connect(item, &QAction::triggered, this, platform::ExceptionBoundary::guarded(this, text, run));
    };
    action(t.fitWidth, "Fit width", QStringLiteral("zoom-fit-width"), QStringLiteral("zoom-fit-width"),
           [this] { m_preview->setZoomMode(PrintPreviewView::FitToWidth); });
    action(t.fitPage, "Fit page", QStringLiteral("zoom-fit-best"), QStringLiteral("zoom-fit-page"),
           [this] { m_preview->setZoomMode(PrintPreviewView::FitInView); });
    for (QAction *fit : {t.fitWidth, t.fitPage})
        fit->setCheckable(true);
    t.bar->addSeparator();
    t.zoom = new QComboBox(t.bar);
    t.zoom->setObjectName(QStringLiteral("zoomFactor"));
    t.zoom->setEditable(true);
    t.zoom->setInsertPolicy(QComboBox::NoInsert);
    for (const char *factor : {"12.5", "25", "50", "75", "100", "125", "150", "200", "400", "800"})
        t.zoom->addItem(QString::fromLatin1(factor) + QLatin1Char('%'));
    t.bar->addWidget(t.zoom);
    const auto zoomTo = [this](const QString &text) {
        QString number = text;
        number.remove(QLatin1Char('%'));
        bool ok = false;
        qreal percent = QLocale().toDouble(number.trimmed(), &ok);
        if (!ok)
            percent = QLocale::c().toDouble(number.trimmed(), &ok);
        // The factor shown, left as it is, keeps a fitted page fitted.
        if (ok && percent > 0 && std::abs(percent / 100 - m_preview->zoomFactor()) >= 0.001)
            m_preview->setZoomFactor(percent / 100);
        else
            updateToolbar();
    };
    connect(t.zoom, &QComboBox::textActivated, this, platform::ExceptionBoundary::guarded(this, "the zoom factor", zoomTo));
    // A factor typed that the list does not hold.
    connect(t.zoom->lineEdit(), &QLineEdit::editingFinished, this,
            platform::ExceptionBoundary::guarded(this, "the zoom factor typed", [this, zoomTo] { zoomTo(m_toolbar->zoom->currentText()); }));
    action(t.zoomOut, "Zoom out", QStringLiteral("zoom-out"), QStringLiteral("zoom-out"), [this] { m_preview->zoomOut(); });
    action(t.zoomIn, "Zoom in", QStringLiteral("zoom-in"), QStringLiteral("zoom-in"), [this] { m_preview->zoomIn(); });
    t.bar->addSeparator();
    action(t.portrait, "Portrait", QStringLiteral("layout-portrait"), QStringLiteral("layout-portrait"), [this] {
        m_printer->setPageOrientation(QPageLayout::Portrait);
        pageChanged();
    });
    action(t.landscape, "Landscape", QStringLiteral("layout-landscape"), QStringLiteral("layout-landscape"), [this] {
        m_printer->setPageOrientation(QPageLayout::Landscape);
        pageChanged();
    });
    auto *orientation = new QActionGroup(t.bar);
    for (QAction *item : {t.portrait, t.landscape}) {
        item->setCheckable(true);
        orientation->addAction(item);
    }
    t.bar->addSeparator();
    action(t.firstPage, "First page", QStringLiteral("go-first"), QStringLiteral("go-first"), [this] { m_preview->setCurrentPage(1); });
    action(t.previousPage, "Previous page", QStringLiteral("go-previous"), QStringLiteral("go-previous"),
           [this] { m_preview->setCurrentPage(m_preview->currentPage() - 1); });
    t.page = new QLineEdit(t.bar);
    t.page->setObjectName(QStringLiteral("pageNumber"));
    t.page->setAlignment(Qt::AlignRight);
    t.page->setValidator(new QIntValidator(1, INT_MAX, t.page));
    t.page->setMaximumWidth(t.page->fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
    t.bar->addWidget(t.page);
    t.pageCount = new QLabel(t.bar);
    t.pageCount->setObjectName(QStringLiteral("pageCount"));
    t.bar->addWidget(t.pageCount);
    connect(t.page, &QLineEdit::editingFinished, this, platform::ExceptionBoundary::guarded(this, "the page number", [this] {
        m_preview->setCurrentPage(m_toolbar->page->text().toInt());
        updateToolbar();
    }));
    action(t.nextPage, "Next page", QStringLiteral("go-next"), QStringLiteral("go-next"),
           [this] { m_preview->setCurrentPage(m_preview->currentPage() + 1); });
    action(t.lastPage, "Last page", QStringLiteral("go-last"), QStringLiteral("go-last"),
           [this] { m_preview->setCurrentPage(m_preview->pageCount()); });
    t.bar->addSeparator();
    action(t.pageSetup, "Page setup", QStringLiteral("document-page-setup"), QStringLiteral("page-setup"), [this] {
        // A sheet on the preview, held as every other sheet is.
        auto *setup = new QPageSetupDialog(m_printer.get(), m_dialog);
        platform::Sheet::begin(setup, m_dialog, [self = QPointer(this), setup = QPointer(setup)](int result) {
            if (setup)
                setup->deleteLater();
            if (self && result == QDialog::Accepted)
                self->pageChanged();
        });
    });
    action(t.print, "Print", QStringLiteral("document-print"), QStringLiteral("printer"), [this] { print(); });
}

void DocumentPrintPanel::updateToolbar()
{
    Toolbar &t = *m_toolbar;
    if (!m_preview)
        return;
    const int pages = m_preview->pageCount();
    const int page = m_preview->currentPage();
    t.fitWidth->setChecked(m_preview->zoomMode() == PrintPreviewView::FitToWidth);
    t.fitPage->setChecked(m_preview->zoomMode() == PrintPreviewView::FitInView);
    if (!t.zoom->lineEdit()->hasFocus())
        t.zoom->setEditText(QLocale().toString(std::round(m_preview->zoomFactor() * 1000) / 10) + QLatin1Char('%'));
    const bool portrait = m_printer->pageLayout().orientation() == QPageLayout::Portrait;
    t.portrait->setChecked(portrait);
    t.landscape->setChecked(!portrait);
    t.firstPage->setEnabled(page > 1);
    t.previousPage->setEnabled(page > 1);
    t.nextPage->setEnabled(page < pages);
    t.lastPage->setEnabled(page < pages);
    if (!t.page->hasFocus())
        t.page->setText(pages > 0 ? QString::number(page) : QString());
    t.page->setEnabled(pages > 0);
    t.pageCount->setText(QStringLiteral(" / %1 ").arg(pages));
    t.print->setEnabled(pages > 0);
}

void DocumentPrintPanel::pageChanged()
{
    if (pageTextSize(*m_printer) != m_textSize)
        setupPrintView();
    else if (m_preview && m_text)
        m_preview->setText(m_text.get(), m_printer->pageLayout(), platform::PrintInfo::shared());
    updateToolbar();
}

void DocumentPrintPanel::print()
{
    if (!m_dialog || !m_text)
        return;
    using Printers = platform::PrinterQueue::Printers;
    // No print server here, or one without printers: the pages go into a PDF file.
    if (m_printers && (m_printers->state == Printers::Unreachable ||
                       (m_printers->state == Printers::Answered && m_printers->printers.isEmpty()))) {
        askForFile();
        return;
    }
    // What is known now; the printers come in when the server answers.
    auto *dialog = new DocumentPrintDialog(m_dialog);
    dialog->setPrinters(m_printers ? &*m_printers : nullptr);
    connect(this, &DocumentPrintPanel::printersKnown, dialog,
            platform::ExceptionBoundary::guarded(dialog, "the printers", [this, dialog] {
                dialog->setPrinters(m_printers ? &*m_printers : nullptr);
            }));
    platform::Sheet::begin(dialog, m_dialog, [self = QPointer(this), dialog = QPointer(dialog)](int result) {
        if (!dialog)
            return;
        dialog->deleteLater();
        if (!self || result != QDialog::Accepted)
            return;
        const PrintChoice choice = dialog->choice();
        if (choice.toFile()) {
            self->askForFile();
            return;
        }
        QString reason;
        if (!self->printOn(choice, &reason))
            Q_EMIT self->printFailed(reason);
        if (self->m_dialog)
            self->m_dialog->accept();
    });
}

void DocumentPrintPanel::askForFile()
{
    // Kept under the document window for its next print to a file (the preview goes
    // when the print ends): platform::KeptFileDialog.
    const QPointer<QWidget> keeper = m_dialog->parentWidget() ? m_dialog->parentWidget()->window() : nullptr;
    QFileDialog *files = platform::KeptFileDialog::findOrMake(keeper, QStringLiteral("printToFile"));
    files->setOption(QFileDialog::DontUseNativeDialog);
    files->setWindowTitle(previewText("Export to PDF"));
    files->setNameFilter(QStringLiteral("*.pdf"));
    files->setAcceptMode(QFileDialog::AcceptSave);
    files->setFileMode(QFileDialog::AnyFile);
    files->setDefaultSuffix(QStringLiteral("pdf"));
    // In the file's folder, with its name.
    const QString output = m_printer->outputFileName();
    platform::KeptFileDialog::openFolder(files, output);
    platform::KeptFileDialog::clearName(files);
    if (!output.isEmpty() && !QFileInfo(output).isDir())
        files->selectFile(QFileInfo(output).fileName());
    platform::Sheet::begin(files, m_dialog, [self = QPointer(this), files = QPointer(files), keeper](int result) {
        if (!self || !files)
            return;
        const QStringList chosen = files->selectedFiles();
        platform::KeptFileDialog::keep(files, keeper);
        if (result != QDialog::Accepted || chosen.isEmpty() || chosen.first().isEmpty())
            return;
        self->m_printer->setOutputFileName(chosen.first());
        self->printAndClose();
    });
}

void DocumentPrintPanel::printAndClose()
{
    QString reason;
    if (printTo(*m_printer, &reason))
        m_printedToFile = true;
    else
        Q_EMIT printFailed(reason);
    if (m_dialog)
        m_dialog->accept();
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
        if (result == QDialog::Accepted && self->m_printedToFile)
            DocumentExportPanel::noteExportFolder(self->m_defaults, self->m_printer->outputFileName());
        Q_EMIT self->finished(result);
    });
    m_opened = true;
    // The printers, asked for on a pool thread while the text is laid out.
    m_printersTask = platform::BackgroundTask::run(
        this,
        [](const platform::BackgroundTask::Token &token) {
            return platform::PrinterQueue::printers([token] { return token.isCancelled(); });
        },
        [this](platform::PrinterQueue::Printers printers) {
            m_printers = std::move(printers);
            Q_EMIT printersKnown();
        },
        [this](const QString &reason) {
            m_printers.emplace();
            m_printers->state = platform::PrinterQueue::Printers::Unreachable;
            m_printers->reason = reason;
            Q_EMIT printersKnown();
        });
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
    if (m_preview)
        m_preview->clear();
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
                            m_preview->setText(m_text.get(), m_printer->pageLayout(), platform::PrintInfo::shared());
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

DocumentExporter::PdfPages DocumentPrintPanel::pdfPages(const QPrinter &printer)
{
    DocumentExporter::PdfPages pages;
    pages.info = platform::PrintInfo::shared();
    pages.printerLayout = printer.pageLayout();
    pages.resolution = printer.resolution();
    pages.title = printer.docName();
    pages.creator = printer.creator();
    return pages;
}

bool DocumentPrintPanel::printTo(QPrinter &printer, QString *errorReason)
{
    // Laid out and painted off the GUI thread by a job under a sheet on the document
    // window, on the page the printer was set up with.
    QWidget *window = m_dialog ? m_dialog->parentWidget() : nullptr;
    if (!window || printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) {
        if (errorReason)
            *errorReason = QCoreApplication::translate("DocumentPrintPanel", "No printer or file was chosen.");
        return false;
    }
    Q_EMIT printJobStarted(ExportJob::start(window, exporter(), printer.outputFileName(), pdfPages(printer)));
    return true;
}

bool DocumentPrintPanel::printOn(const PrintChoice &choice, QString *errorReason)
{
    QWidget *window = m_dialog ? m_dialog->parentWidget() : nullptr;
    if (!window || choice.toFile()) {
        if (errorReason)
            *errorReason = QCoreApplication::translate("DocumentPrintPanel", "No printer or file was chosen.");
        return false;
    }
    const DocumentExporter::PdfPages pages = pdfPages(*m_printer);
    Q_EMIT printJobStarted(ExportJob::print(window, exporter(), pages, queueJob(choice, m_printer->pageLayout(), pages.title)));
    return true;
}

platform::PrinterQueue::Job DocumentPrintPanel::queueJob(const PrintChoice &choice, const QPageLayout &layout,
                                                          const QString &title)
{
    // The options Qt's own CUPS printer sends with the file it painted.
    platform::PrinterQueue::Job job;
    const auto option = [&job](const QByteArray &name, const QByteArray &value) { job.options.append({name, value}); };
    job.printer = choice.printer;
    job.title = title;
    option("media", layout.pageSize().key().toLocal8Bit());
    if (choice.copies > 1) {
        option("copies", QByteArray::number(choice.copies));
        if (choice.collate)
            option("Collate", "True");
    }
    switch (choice.sides) {
    case PrintChoice::OneSided:
        option("sides", "one-sided");
        break;
    case PrintChoice::TwoSidedLongEdge:
        option("sides", "two-sided-long-edge");
        break;
    case PrintChoice::TwoSidedShortEdge:
        option("sides", "two-sided-short-edge");
        break;
    }
    if (layout.orientation() == QPageLayout::Landscape)
        option("landscape", "");
    if (!choice.pageRanges.isEmpty())
        option("page-ranges", choice.pageRanges.toLatin1());
    return job;
}
