// Export of documents of 2,000 and 20,000 time entries: tab text, CSV, RTF and the
// printed document, and a floor for the CSV (a walk that only builds the row
// strings). The per-entry CPU time of each form at both sizes is reported; the
// ratio of the larger to the smaller shows whether a form grows linearly.
// The longest hold of the GUI thread by a PDF written into a file, at 20,000 and
// 100,000 entries: painted on the GUI thread (what the export and a print into a
// file did there), and written by the job on a pool thread, whose GUI-thread part is
// the copy of the nodes, the sheet and the deliveries of its progress (each pass of
// the event loop timed while the job runs). The hold of Qt's print preview, which
// records every page of the text laid out before. The memory of a print's preview and
// of a PDF export of a million entries (the pages hold them) against the document's.
#include "bench/BenchMain.h"
#include "bench/BenchTrees.h"

#include "application/export/DocumentExporter.h"
#include "application/export/DocumentPrintPanel.h"
#include "application/export/ExportJob.h"
#include "application/export/PreviewText.h"
#include "application/export/PrintPreviewView.h"
#include "platform/print/PagedTextPrinter.h"
#include "platform/print/PrintInfo.h"
#include "tests/support/ProcessMemory.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QAbstractEventDispatcher>
#include <QElapsedTimer>
#include <QFile>
#include <QPageLayout>
#include <QPdfWriter>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QWidget>
#include <algorithm>
#include <map>

namespace {

// Jobs of 20 days with 10 entries each: 200 entries a job.
NodePtr makeRoot(int entries)
{
    NodePtr root = Node::create(Node::Root, benchtrees::startOfRun());
    for (int j = 0; j < entries / 200; ++j)
        root->addChild(benchtrees::makeJob(j, benchtrees::startOfRun(), 20, 10));
    root->recalcWorkTimeForTree();
    return root;
}

const NodePtr &rootOf(int entries)
{
    static std::map<int, NodePtr> roots;
    NodePtr &root = roots[entries];
    if (!root)
        root = makeRoot(entries);
    return root;
}

DocumentExporter exporterOf(int entries)
{
    return DocumentExporter(rootOf(entries), {}, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)),
                            {});
}

template <typename Body>
void run(benchmark::State &state, Body body)
{
    const int entries = int(state.range(0));
    const DocumentExporter exporter = exporterOf(entries);
    const double start = benchtrees::processCpuSeconds();
    for (auto _ : state)
        body(exporter);
    const double cpu = benchtrees::processCpuSeconds() - start;
    state.counters["cpu_us_per_entry"] = cpu * 1e6 / (double(state.iterations()) * entries);
}

void TabText(benchmark::State &state)
{
    run(state, [](const DocumentExporter &e) { benchmark::DoNotOptimize(e.tabTextData(4)); });
}

void Csv(benchmark::State &state)
{
    run(state, [](const DocumentExporter &e) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QString reason;
        benchmark::DoNotOptimize(e.writeCsv(buffer, {}, &reason));
    });
}

// The floor of the CSV: the same walk building the same row strings, nothing written.
void CsvFloor(benchmark::State &state)
{
    run(state, [](const DocumentExporter &e) { benchmark::DoNotOptimize(e.csvRows()); });
}

void Rtf(benchmark::State &state)
{
    run(state, [](const DocumentExporter &e) { benchmark::DoNotOptimize(e.rtfData(525)); });
}

void PrintedDocument(benchmark::State &state)
{
    run(state, [](const DocumentExporter &e) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QString reason;
        benchmark::DoNotOptimize(e.writePdf(buffer, DocumentExporter::exportPrintInfo(), &reason));
    });
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// Before: the export's PDF painted where it was asked for, all of it one hold.
void PdfExportOnGuiThread(benchmark::State &state)
{
    const DocumentExporter exporter = exporterOf(int(state.range(0)));
    QTemporaryDir dir;
    double longest = 0;
    for (auto _ : state) {
        QElapsedTimer hold;
        hold.start();
        QString reason;
        benchmark::DoNotOptimize(exporter.writeFile(dir.filePath(QStringLiteral("out.pdf")), DocumentExporter::Pdf,
                                                    {}, 4, DocumentValuesStore(), 0, &reason));
        longest = std::max(longest, msSince(hold));
    }
    state.counters["longest_gui_hold_ms"] = longest;
}

// Before: a print into a PDF file, the text laid out for the printer's page (as the
// print panel had it) and painted on the printer on the GUI thread.
void PrintToFileOnGuiThread(benchmark::State &state)
{
    const DocumentExporter exporter = exporterOf(int(state.range(0)));
    QTemporaryDir dir;
    double longest = 0;
    for (auto _ : state) {
        QPrinter printer(QPrinter::HighResolution);
        platform::PrintInfo::shared().applyTo(printer);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
        const std::unique_ptr<QTextDocument> text =
            exporter.textDocument(printer.pageLayout().paintRect(QPageLayout::Point).width());
        QElapsedTimer hold;
        hold.start();
        QString reason;
        benchmark::DoNotOptimize(
            platform::PagedTextPrinter::print(*text, printer, platform::PrintInfo::shared(), true, &reason));
        longest = std::max(longest, msSince(hold));
    }
    state.counters["longest_gui_hold_ms"] = longest;
}

// After: the job, from its start (the copy of the nodes, the sheet) to its end; the
// longest of the start and of each pass of the event loop meanwhile.
// On a printer: the CUPS printer CHRONARK_BENCH_PRINTER names (of the server
// CUPS_SERVER names), the print's PDF handed to it.
void PdfJob(benchmark::State &state, bool printerPage, bool onPrinter = false)
{
    const QString printerName = qEnvironmentVariable("CHRONARK_BENCH_PRINTER");
    if (onPrinter && printerName.isEmpty()) {
        state.SkipWithError("CHRONARK_BENCH_PRINTER names no CUPS printer");
        return;
    }
    const DocumentExporter exporter = exporterOf(int(state.range(0)));
    QTemporaryDir dir;
    QWidget window;
    window.show();
    DocumentExporter::PdfPages pages;
    pages.info = DocumentExporter::exportPrintInfo();
    platform::PrinterQueue::Job queueJob;
    if (printerPage) {
        QPrinter printer(QPrinter::HighResolution);
        platform::PrintInfo::shared().applyTo(printer);
        pages.printerLayout = printer.pageLayout();
        pages.resolution = printer.resolution();
        PrintChoice choice;
        if (onPrinter)
            choice.printer = printerName;
        queueJob = DocumentPrintPanel::queueJob(choice, printer.pageLayout(), printer.docName());
    }
    double longest = 0;
    double passes = 0;
    // A pass of the event loop: from the dispatcher's waking to its next wait.
    QElapsedTimer pass;
    QAbstractEventDispatcher *dispatcher = QAbstractEventDispatcher::instance();
    const auto awake = QObject::connect(dispatcher, &QAbstractEventDispatcher::awake, [&] { pass.restart(); });
    const auto blocking = QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&] {
        if (pass.isValid())
            longest = std::max(longest, msSince(pass));
        pass.invalidate();
        ++passes;
    });
    for (auto _ : state) {
        bool ended = false;
        QElapsedTimer start;
        start.start();
        ExportJob *job = onPrinter ? ExportJob::print(&window, exporter, pages, queueJob)
                                   : ExportJob::start(&window, exporter, dir.filePath(QStringLiteral("out.pdf")), pages);
        QObject::connect(job, &ExportJob::finished, [&ended, &state](ExportJob::Outcome outcome, const QString &reason) {
            ended = true;
            if (outcome != ExportJob::Written)
                state.SkipWithError(qPrintable(reason));
        });
        longest = std::max(longest, msSince(start));
        while (!ended)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QObject::disconnect(awake);
    QObject::disconnect(blocking);
    state.counters["longest_gui_hold_ms"] = longest;
    state.counters["passes"] = passes / double(state.iterations());
}

void PdfExportInJob(benchmark::State &state)
{
    PdfJob(state, false);
}

void PrintToFileJob(benchmark::State &state)
{
    PdfJob(state, true);
}

void PrintToPrinterJob(benchmark::State &state)
{
    PdfJob(state, true, true);
}

// What stays on the GUI thread of a print's preview: showing the text (laid out before,
// on a pool thread) and painting the view at its first and at its last page; the
// longest of those holds.
void PrintPreview(benchmark::State &state)
{
    const DocumentExporter exporter = exporterOf(int(state.range(0)));
    QPrinter printer(QPrinter::HighResolution);
    platform::PrintInfo::shared().applyTo(printer);
    const QSizeF page = printer.pageLayout().paintRect(QPageLayout::Point).size();
    QString reason;
    const std::unique_ptr<QTextDocument> text = exporter.textDocument(page.width(), {}, page.height(), &reason);
    if (!text) {
        state.SkipWithError(reason.toStdString().c_str());
        return;
    }
    PrintPreviewView preview;
    preview.resize(700, 800);
    double longest = 0;
    double lastPage = 0;
    for (auto _ : state) {
        QElapsedTimer hold;
        hold.start();
        preview.setText(text.get(), printer.pageLayout(), platform::PrintInfo::shared());
        benchmark::DoNotOptimize(preview.viewport()->grab());
        longest = std::max(longest, msSince(hold));
        hold.restart();
        preview.setCurrentPage(preview.pageCount());
        benchmark::DoNotOptimize(preview.viewport()->grab());
        lastPage = msSince(hold);
        longest = std::max(longest, lastPage);
    }
    state.counters["longest_gui_hold_ms"] = longest;
    state.counters["last_page_ms"] = lastPage;
    state.counters["pages"] = preview.pageCount();
}

// A printed text too tall for the layout (a million entries in groups) refused: the
// least height found before anything is built; and that height at sizes that are
// laid out, against the height laid out.
void PrintedTextRefusal(benchmark::State &state)
{
    // The shape of the walks over every command: 10 groups of jobs of 250 days of 4
    // entries.
    const int entries = int(state.range(0));
    NodePtr root = Node::create(Node::Root, benchtrees::startOfRun());
    for (int g = 0; g < 10; ++g) {
        NodePtr group = Node::create(Node::Group, benchtrees::startOfRun());
        group->setItemName(QStringLiteral("Group %1").arg(g));
        root->addChild(group);
        for (int j = 0; j < entries / 10000; ++j)
            group->addChild(benchtrees::makeJob(g * 1000 + j, benchtrees::startOfRun(), 250, 4));
    }
    root->recalcWorkTimeForTree();
    const DocumentExporter exporter(root, {}, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)), {});
    QPrinter printer(QPrinter::HighResolution);
    platform::PrintInfo::shared().applyTo(printer);
    const QSizeF page = printer.pageLayout().paintRect(QPageLayout::Point).size();
    QString reason;
    bool refused = false;
    for (auto _ : state)
        refused = !exporter.textDocument(page.width(), {}, page.height(), &reason);
    state.counters["refused"] = refused ? 1 : 0;
    state.counters["least_pages"] = double(*exporter.minimumTextHeight(page.width())) / page.height();
    state.counters["most_pages"] = platform::PagedTextPrinter::maximumPages(page.height());
}

void LeastHeight(benchmark::State &state)
{
    const DocumentExporter exporter = exporterOf(int(state.range(0)));
    QPrinter printer(QPrinter::HighResolution);
    platform::PrintInfo::shared().applyTo(printer);
    const QSizeF page = printer.pageLayout().paintRect(QPageLayout::Point).size();
    qreal least = 0;
    for (auto _ : state)
        least = *exporter.minimumTextHeight(page.width());
    const std::unique_ptr<QTextDocument> text = exporter.textDocument(page.width(), {}, page.height());
    state.counters["least_of_laid_out"] = text ? least / text->size().height() : 0;
}

// The memory of a print's preview and of a PDF export of a large document that the
// pages can hold, against the document's own: the growth of the resident size while
// the tree is made ("document_MiB"), and the growth of the peak resident size over
// the size after it while the preview's text is laid out and its first and last pages
// painted, or while the PDF is written into a file ("peak_MiB"; "peak_per_document");
// what the preview holds once shown, its copy of the nodes with it ("held_MiB"),
// and how long the last page (in a stretch not laid out yet) took to show
// ("last_page_ms").
void LargePrintMemory(benchmark::State &state, bool preview)
{
    const int entries = int(state.range(0));
    const double start = testsupport::residentMiB();
    const NodePtr root = makeRoot(entries);
    const double document = testsupport::residentMiB() - start;
    const DocumentExporter exporter(root, {}, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)), {});
    QTemporaryDir dir;
    double peak = 0;
    double pages = 0;
    double held = 0;
    double farPage = 0;
    for (auto _ : state) {
        const double before = testsupport::residentMiB();
        testsupport::resetPeakMemory();
        QString reason;
        if (preview) {
            const QPageLayout layout = platform::PrintInfo::shared().pageLayout();
            const QSizeF page = layout.paintRect(QPageLayout::Point).size();
            // The preview holds a copy of the nodes (the layout job's) and lays out
            // only the stretches of the pages it paints.
            const std::unique_ptr<PreviewText> text = PreviewText::make(exporter.detached(), page, {}, &reason);
            if (!text) {
                state.SkipWithError(reason.toStdString().c_str());
                return;
            }
            PrintPreviewView view;
            view.resize(700, 800);
            view.setText(text.get(), layout, platform::PrintInfo::shared());
            benchmark::DoNotOptimize(view.viewport()->grab());
            // The last page stands in a stretch not laid out yet.
            QElapsedTimer far;
            far.start();
            view.setCurrentPage(view.pageCount());
            benchmark::DoNotOptimize(view.viewport()->grab());
            farPage = msSince(far);
            pages = view.pageCount();
            held = testsupport::residentMiB() - before;
        } else {
            QFile file(dir.filePath(QStringLiteral("large.pdf")));
            if (!file.open(QIODevice::WriteOnly) ||
                !exporter.writePdf(file, DocumentExporter::exportPrintInfo(), &reason)) {
                state.SkipWithError(reason.toStdString().c_str());
                return;
            }
        }
        peak = std::max(peak, testsupport::peakResidentMiB() - before);
    }
    state.counters["document_MiB"] = document;
    state.counters["peak_MiB"] = peak;
    state.counters["peak_per_document"] = document > 0 ? peak / document : 0;
    if (preview) {
        state.counters["pages"] = pages;
        state.counters["held_MiB"] = held;
        state.counters["last_page_ms"] = farPage;
    }
}

void LargePreviewMemory(benchmark::State &state)
{
    LargePrintMemory(state, true);
}

void LargePdfMemory(benchmark::State &state)
{
    LargePrintMemory(state, false);
}

} // namespace

BENCHMARK(LargePreviewMemory)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(LargePdfMemory)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PrintedTextRefusal)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(LeastHeight)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PrintPreview)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PdfExportOnGuiThread)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PrintToFileOnGuiThread)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PdfExportInJob)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PrintToFileJob)->Arg(20000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PrintToPrinterJob)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(TabText)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(CsvFloor)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(Csv)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(Rtf)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);
BENCHMARK(PrintedDocument)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    return 0;
}
