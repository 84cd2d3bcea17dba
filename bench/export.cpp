// Export of documents of 2,000 and 20,000 time entries: tab text, CSV, RTF and the
// printed document, and a floor for the CSV (a walk that only builds the row
// strings). The per-entry CPU time of each form at both sizes is reported; the
// ratio of the larger to the smaller shows whether a form grows linearly.
#include "bench/BenchMain.h"
#include "bench/BenchTrees.h"

#include "application/export/DocumentExporter.h"
#include "platform/print/PrintInfo.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QPdfWriter>
#include <QTextDocument>

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
    static const NodePtr small = makeRoot(2000);
    static const NodePtr large = makeRoot(20000);
    return entries == 2000 ? small : large;
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

} // namespace

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
