// Document reading and writing against the floor of the XML library itself.
//
// For documents of 20,000 and 200,000 time entries (reading also 1,000,000; jobs
// in nested groups, four entries a day) it measures: writing to memory and to a file, reading (with the
// tree recalculation), the peak memory of each, and in the same run a bare
// QXmlStreamReader token pass over the same bytes and a bare QXmlStreamWriter dump
// of the same elements and attributes. Counters "x_floor" are our time divided by
// the floor's.
//
// Reading the same trees from the older form (the platform's archive, 20,000, 200,000
// and 400,000 entries, and 1,000,000 read as the application reads, "ReadArchive"):
// "extra_MiB" is the peak over the resident size at the start, "tree_MiB" what the
// tree takes (as read from its XML form), "beyond_tree_MiB" the difference and
// "x_file" that difference over the archive's size (the goal is 4 at most). "ReadHostileArchive" reads archives no writer makes, to their refusal
// (the goal is 1 s and 100 MiB): 0 a stream of 8 MB whose one string object its root's
// list refers back to millions of times, 1 an archive of 200,000 entries cut at 4 MB,
// and streams of 8 MB expanding into far more than their size: 2 a node of one small
// number after another, 3 a node of one array of numbers, 4 a list of tiny objects,
// 5 lists 150 deep, 6 strings of a MiB each (read, and no document).
// Arg 1 of both is the path: 0 as the application reads (each object dropped once
// decoded), 1 the whole archive held until the end. "ReadSharedArchive" reads, as the
// application reads, archives that share the zone and the format of every date as the
// platform's writer did ("tree_MiB" there is what making the same tree holds, and
// "charged_per_byte" the most the read held as charged against its bound, over the
// archive's size): arg 1 is the shape, 0 the trees above, 1 one job of days of
// the smallest entries (nodetreearchive::oneJobOf), 2 the same with every node created
// and changed at the same two moments (nodetreearchive::oneJobOfSameDates); arg 2 is
// the way the objects are shared (the place in nodetreearchive::sharingShapes()).
#include "bench/BenchXmlFloor.h"
#include "application/tree/DocumentArchiveDecoder.h"
#include "tests/application/tree/NodeTreeArchive.h"
#include "tests/support/ProcessMemory.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentValuesStore.h"
#include "application/tree/Node.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimeZone>

#include <algorithm>
#include <chrono>
#include <malloc.h>
#include <fstream>
#include <map>
#include <tuple>
#include <memory>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double seconds(Clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}


// The memory taken by our own work, measured around it alone (the floor runs
// outside the window): the peak resident size and its growth over the resident
// size at the start (the fixtures' trees and bytes stay resident throughout).
struct MemoryWindow
{
    double resident = 0;
    double peak = 0;
    double extra = 0;
    void open()
    {
        malloc_trim(0); // hand freed heap back, so that growth shows
        testsupport::resetPeakMemory();
        resident = testsupport::residentMiB();
    }
    void close()
    {
        const double p = testsupport::peakResidentMiB();
        peak = std::max(peak, p);
        extra = std::max(extra, p - resident);
    }
    void report(benchmark::State &state) const
    {
        state.counters["peak_MiB"] = peak;
        state.counters["extra_MiB"] = extra;
    }
};

QDateTime base()
{
    return *platform::CalendarDate::fromDescription(u"2009-01-05 00:00:00 +0100");
}

NodePtr makeDocument(int timeEntries)
{
    constexpr int daysPerJob = 25;
    constexpr int entriesPerDay = 4;
    const int jobs = timeEntries / (daysPerJob * entriesPerDay);
    static const int spans[entriesPerDay][2] = {{9 * 60, 10 * 60 + 30}, {11 * 60, 12 * 60 + 15},
                                                {13 * 60, 15 * 60}, {15 * 60 + 30, 17 * 60 + 45}};
    NodePtr root = Node::create(Node::Root, base());
    std::vector<NodePtr> leaves;
    for (int i = 0; i < 5; ++i) {
        NodePtr top = Node::create(Node::Group, base());
        top->setItemName(QStringLiteral("Clients %1 & partners").arg(i));
        root->addChild(top);
        for (int j = 0; j < 4; ++j) {
            NodePtr g = Node::create(Node::Group, base());
            g->setItemName(QStringLiteral("Project <%1>").arg(j));
            g->setDescript(QStringLiteral("Budget line ") + QChar(0x2028) + QStringLiteral("second line"));
            top->addChild(g);
            leaves.push_back(g);
        }
    }
    for (int j = 0; j < jobs; ++j) {
        NodePtr job = Node::create(Node::Job, base());
        job->setItemName(QStringLiteral("Job %1").arg(j));
        job->setWage(42.5f + float(j % 7));
        leaves[size_t(j) % leaves.size()]->addChild(job);
        for (int d = 0; d < daysPerJob; ++d) {
            const QDateTime dayStart = base().addDays(j % 300 + d);
            NodePtr day = Node::create(Node::Day, dayStart);
            day->setItemNameByType();
            job->addChild(day);
            for (const auto &span : spans) {
                NodePtr t = Node::create(Node::TimeEntry, dayStart.addSecs(span[0] * 60));
                t->setlDate(dayStart.addSecs(span[1] * 60 + 17));
                t->setWage(job->wage());
                t->setItemNameByType();
                day->addChild(t);
            }
        }
    }
    root->recalcWorkTimeForTree();
    return root;
}

DocumentValuesStore makeStore()
{
    DocumentValuesStore store;
    store.setWindowFrame(QRectF(12, 30, 900, 700));
    store.setDescriptVisible(true);
    store.setTableColumnArray({TableColumnData(QStringLiteral("itemName"), 300.0f),
                               TableColumnData(QStringLiteral("workTime"), 80.0f),
                               TableColumnData(QStringLiteral("turnover"), 90.0f)});
    return store;
}

using benchfloor::eventsOf;
using benchfloor::floorRead;
using benchfloor::floorWrite;

struct Fixture
{
    explicit Fixture(int entries) : root(makeDocument(entries)), store(makeStore())
    {
        xml = DocumentFileFormat::toXmlData(*root, store);
    }
    // Built on first use: only the writing benchmarks need them, and at a million
    // entries they would take more memory than the rest of the fixture.
    const std::vector<benchfloor::Event> &events()
    {
        if (m_events.empty())
            m_events = eventsOf(xml);
        return m_events;
    }
    NodePtr root;
    DocumentValuesStore store;
    QByteArray xml;

private:
    std::vector<benchfloor::Event> m_events;
};

Fixture &fixture(int entries)
{
    static std::map<int, std::unique_ptr<Fixture>> cache;
    auto &f = cache[entries];
    if (!f)
        f = std::make_unique<Fixture>(entries);
    return *f;
}

void BM_WriteToMemory(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    double ours = 0, floor = 0;
    MemoryWindow memory;
    for (auto _ : state) {
        memory.open();
        const auto t0 = Clock::now();
        QByteArray data = DocumentFileFormat::toXmlData(*f.root, f.store);
        const auto t1 = Clock::now();
        memory.close();
        benchmark::DoNotOptimize(data.data());
        data.clear();
        const auto t2 = Clock::now();
        QByteArray bare = floorWrite(f.events());
        const auto t3 = Clock::now();
        benchmark::DoNotOptimize(bare.data());
        ours += seconds(t1 - t0);
        floor += seconds(t3 - t2);
        state.SetIterationTime(seconds(t1 - t0));
    }
    memory.report(state);
    state.counters["floor_ms"] = 1000.0 * floor / double(state.iterations());
    state.counters["x_floor"] = ours / floor;
    state.counters["doc_MiB"] = double(f.xml.size()) / (1024.0 * 1024.0);
    state.SetBytesProcessed(int64_t(state.iterations()) * f.xml.size());
}

void BM_WriteToFile(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.chronark"));
    double ours = 0, floor = 0;
    MemoryWindow memory;
    for (auto _ : state) {
        memory.open();
        const auto t0 = Clock::now();
        const bool ok = DocumentFileFormat::writeToFile(path, DocumentFileFormat::TypeName, *f.root, f.store);
        const auto t1 = Clock::now();
        memory.close();
        if (!ok)
            state.SkipWithError("write failed");
        const auto t2 = Clock::now();
        QByteArray bare = floorWrite(f.events());
        const auto t3 = Clock::now();
        benchmark::DoNotOptimize(bare.data());
        ours += seconds(t1 - t0);
        floor += seconds(t3 - t2);
        state.SetIterationTime(seconds(t1 - t0));
    }
    memory.report(state);
    state.counters["floor_ms"] = 1000.0 * floor / double(state.iterations());
    state.counters["x_floor"] = ours / floor;
    state.SetBytesProcessed(int64_t(state.iterations()) * f.xml.size());
}

void BM_Read(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    double ours = 0, floor = 0;
    MemoryWindow memory;
    for (auto _ : state) {
        memory.open();
        const auto t0 = Clock::now();
        DocumentFileFormat::ReadResult result;
        const bool ok = DocumentFileFormat::readXmlData(f.xml, result);
        const auto t1 = Clock::now();
        memory.close();
        if (!ok)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(result.root.get());
        result = {};
        const auto t2 = Clock::now();
        benchmark::DoNotOptimize(floorRead(f.xml));
        const auto t3 = Clock::now();
        ours += seconds(t1 - t0);
        floor += seconds(t3 - t2);
        state.SetIterationTime(seconds(t1 - t0));
    }
    memory.report(state);
    state.counters["floor_ms"] = 1000.0 * floor / double(state.iterations());
    state.counters["x_floor"] = ours / floor;
    state.SetBytesProcessed(int64_t(state.iterations()) * f.xml.size());
}

void BM_ReadFromFile(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.chronark"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(f.xml);
    }
    MemoryWindow memory;
    for (auto _ : state) {
        memory.open();
        DocumentFileFormat::ReadResult result;
        if (!DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, result))
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(result.root.get());
        memory.close();
    }
    memory.report(state);
    state.SetBytesProcessed(int64_t(state.iterations()) * f.xml.size());
}

QByteArray archiveOf(int entries)
{
    static std::map<int, QByteArray> made;
    QByteArray &bytes = made[entries];
    if (bytes.isEmpty()) {
        const NodePtr root = makeDocument(entries);
        bytes = nodetreearchive::archiveOf(*root, makeStore());
    }
    return bytes;
}

DocumentArchiveDecoder::Hold holdOf(const benchmark::State &state)
{
    return state.range(1) == 0 ? DocumentArchiveDecoder::Hold::DecodedValues
                               : DocumentArchiveDecoder::Hold::WholeArchive;
}

// What the tree of a document takes: the growth of the resident size that reading
// its XML form leaves (that reader holds little beside the tree).
double treeMiB(int entries)
{
    static std::map<int, double> measured;
    if (auto it = measured.find(entries); it != measured.end())
        return it->second;
    const QByteArray xml = DocumentFileFormat::toXmlData(*makeDocument(entries), makeStore());
    malloc_trim(0);
    const double before = testsupport::residentMiB();
    DocumentFileFormat::ReadResult result;
    DocumentFileFormat::readXmlData(xml, result);
    malloc_trim(0);
    return measured[entries] = testsupport::residentMiB() - before;
}

void BM_ReadArchive(benchmark::State &state)
{
    const QByteArray bytes = archiveOf(int(state.range(0)));
    const double tree = treeMiB(int(state.range(0)));
    MemoryWindow memory;
    for (auto _ : state) {
        memory.open();
        const auto t0 = Clock::now();
        DocumentFileFormat::ReadResult result;
        const bool ok = DocumentArchiveDecoder::decode(bytes, result, nullptr, holdOf(state));
        const auto t1 = Clock::now();
        memory.close();
        if (!ok)
            state.SkipWithError("read failed");
        benchmark::DoNotOptimize(result.root.get());
        result = {};
        state.SetIterationTime(seconds(t1 - t0));
    }
    memory.report(state);
    const double file = double(bytes.size()) / (1024.0 * 1024.0);
    state.counters["file_MiB"] = file;
    state.counters["tree_MiB"] = tree;
    state.counters["beyond_tree_MiB"] = memory.extra - tree;
    state.counters["x_file"] = (memory.extra - tree) / file;
}

void BM_ReadSharedArchive(benchmark::State &state)
{
    const int entries = int(state.range(0));
    static std::map<std::tuple<int, int, int>, std::pair<QByteArray, double>> made;
    auto &[bytes, tree] = made[{entries, int(state.range(1)), int(state.range(2))}];
    if (bytes.isEmpty()) {
        // What making the same tree leaves held: the tree as a read holds it (for the
        // trees of one job, arg 1 of 2, with the dates its nodes share held once, as
        // the XML form's read does not hold them).
        malloc_trim(0);
        const double before = testsupport::residentMiB();
        const NodePtr root = state.range(1) == 0 ? makeDocument(entries)
            : state.range(1) == 1                ? nodetreearchive::oneJobOf(entries)
                                                 : nodetreearchive::oneJobOfSameDates(entries);
        malloc_trim(0);
        tree = testsupport::residentMiB() - before;
        bytes = nodetreearchive::archiveOf(*root, makeStore(), testsupport::TypedStreamWriter::ByteOrder::Big,
                                           nodetreearchive::sharingShapes().at(state.range(2)));
    }
    MemoryWindow memory;
    for (auto _ : state) {
        memory.open();
        const auto t0 = Clock::now();
        DocumentFileFormat::ReadResult result;
        QString error;
        qsizetype charged = 0;
        const bool ok = DocumentArchiveDecoder::decode(bytes, result, &error, DocumentArchiveDecoder::Hold::DecodedValues, &charged);
        state.counters["charged_per_byte"] = double(charged) / bytes.size();
        state.counters["charged_MiB"] = double(charged) / 1048576.0;
        const auto t1 = Clock::now();
        memory.close();
        if (!ok)
            state.SkipWithError(qPrintable(error));
        benchmark::DoNotOptimize(result.root.get());
        result = {};
        state.SetIterationTime(seconds(t1 - t0));
    }
    memory.report(state);
    const double file = double(bytes.size()) / (1024.0 * 1024.0);
    state.counters["file_MiB"] = file;
    state.counters["bytes_per_entry"] = double(bytes.size()) / entries;
    state.counters["tree_MiB"] = tree;
    state.counters["beyond_tree_MiB"] = memory.extra - tree;
    state.counters["x_file"] = (memory.extra - tree) / file;
}

void BM_ReadHostileArchive(benchmark::State &state)
{
    using nodetreearchive::Expanding;
    constexpr qsizetype Size = 8 * 1000 * 1000;
    QByteArray bytes;
    switch (state.range(0)) {
    case 0:
        bytes = nodetreearchive::referringBack(Size / 2);
        break;
    case 1:
        bytes = archiveOf(200000).left(4 << 20);
        break;
    default: {
        static const Expanding forms[] = {Expanding::NumberGroups, Expanding::NumberArray, Expanding::TinyObjects,
                                          Expanding::DeepNesting, Expanding::LongStrings};
        bytes = nodetreearchive::expanding(forms[state.range(0) - 2], Size);
        break;
    }
    }
    MemoryWindow memory;
    for (auto _ : state) {
        memory.open();
        const auto t0 = Clock::now();
        DocumentFileFormat::ReadResult result;
        QString error;
        const bool ok = DocumentArchiveDecoder::decode(bytes, result, &error, holdOf(state));
        const auto t1 = Clock::now();
        memory.close();
        if (ok)
            state.SkipWithError("the archive was read");
        state.SetLabel(error.toStdString());
        state.SetIterationTime(seconds(t1 - t0));
    }
    memory.report(state);
    state.counters["file_MiB"] = double(bytes.size()) / (1024.0 * 1024.0);
}

// What the application has done before it opens any document: found the local zone,
// looked up a zone by name (the zone database's table of names), formatted a date for
// the locale and matched a pattern. In a fresh process the first archive read would
// otherwise page in the code of these (Qt's zone backend, the pattern library, some
// 1.3 MiB of shared-library pages, file-backed and shared) inside its window, and a
// read of 20,000 entries (a file of 0.65 MiB) would seem to take twice its own memory.
void warmUpZonesAndLocale()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    benchmark::DoNotOptimize(QTimeZone::systemTimeZone().offsetFromUtc(now));
    benchmark::DoNotOptimize(QTimeZone::isTimeZoneIdAvailable("GMT+0100"));
    benchmark::DoNotOptimize(QTimeZone("Europe/Berlin").offsetFromUtc(now));
    benchmark::DoNotOptimize(QLocale::system().toString(now.toLocalTime(), QLocale::ShortFormat));
    benchmark::DoNotOptimize(QRegularExpression(QStringLiteral("^GMT([+-])(\\d{2})$")).match(u"GMT+01").hasMatch());
}

void BM_Recalculate(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    for (auto _ : state)
        f.root->recalcWorkTimeForTree();
}

} // namespace

BENCHMARK(BM_WriteToMemory)->Arg(20000)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WriteToFile)->Arg(20000)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Read)->Arg(20000)->Arg(200000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadFromFile)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadArchive)
    ->ArgsProduct({{20000, 200000, 400000}, {0, 1}})
    ->Args({1000000, 0}) // the whole archive held would take some 11 GB
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_ReadSharedArchive)
    ->ArgsProduct({{20000, 200000, 400000}, {0, 1}, {1}})
    ->ArgsProduct({{20000, 200000}, {1, 2}, {0, 1, 2, 3, 4}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_ReadHostileArchive)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {0, 1}})->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_Recalculate)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    warmUpZonesAndLocale();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
