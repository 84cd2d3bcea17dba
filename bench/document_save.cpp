// What saving a document costs the GUI thread.
//
// A document of 20,000 and 200,000 time entries (jobs of 25 days of four entries, in
// twenty groups) is opened, marked edited and saved to its file, again and again:
// - BM_SaveOnTheGuiThread: Document::saveToFile(), which writes and commits the file
//   on the calling thread (the path every save took before saves moved off it);
// - BM_SaveInTheBackground: Document::saveDocumentWithCompletion(), the save and
//   autosave of the application, waiting in an event loop for its completion.
// Counters: gui_cpu_ms, the GUI thread's CPU time from the call until the completion
// ran (the waiting in the event loop costs next to none); call_ms, the wall time of
// the call itself; hold_ms, the longest the GUI thread was held at once from the call
// to the completion (the call, or the longest gap between the ticks of a 1 ms timer
// after it: the copy's slices and the completion); delivery_ms, the GUI thread's CPU
// time after the call (the copy's later slices, the completion and the event loop);
// wall_ms, call to completion. Manual time is the GUI thread's CPU time. Also at
// 1,000,000 entries.
//
// BM_OpenAndSave: what opening a document (MyDocument::loadFromFile()) and saving it
// in the background take together, in the process's CPU time on every thread, beside
// the floor of bench_document_io for the same bytes in the same run (a bare
// QXmlStreamReader pass and a bare QXmlStreamWriter dump). Counters: cpu_ms (ours),
// floor_ms, x_floor (ours divided by the floor's); also at 1,000,000 entries.
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "bench/BenchTrees.h"
#include "bench/BenchXmlFloor.h"
#include "application/document/MyDocument.h"
#include "application/tree/DocumentFileFormat.h"

#include <benchmark/benchmark.h>

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include <map>
#include <memory>

namespace {

struct Fixture
{
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<MyDocument> document;
};

NodePtr makeTree(int timeEntries)
{
    constexpr int days = 25;
    constexpr int entriesPerDay = 4;
    const QDateTime moment = benchtrees::startOfRun();
    NodePtr root = Node::create(Node::Root, moment);
    QList<NodePtr> groups;
    for (int g = 0; g < 20; ++g) {
        NodePtr group = Node::create(Node::Group, moment);
        group->setItemName(QStringLiteral("Clients %1 & partners").arg(g));
        root->addChild(group);
        groups.append(group);
    }
    const int jobs = timeEntries / (days * entriesPerDay);
    for (int j = 0; j < jobs; ++j)
        groups[j % groups.size()]->addChild(benchtrees::makeJob(j, moment, days, entriesPerDay));
    root->recalcWorkTimeForTree();
    return root;
}

Fixture &fixture(int timeEntries)
{
    static std::map<int, std::unique_ptr<Fixture>> fixtures;
    std::unique_ptr<Fixture> &slot = fixtures[timeEntries];
    if (!slot) {
        slot = std::make_unique<Fixture>();
        slot->path = slot->dir.filePath(QStringLiteral("bench.chronark"));
        const NodePtr root = makeTree(timeEntries);
        if (!DocumentFileFormat::writeToFile(slot->path, MyDocument::TypeName, *root, DocumentValuesStore()))
            qFatal("the benchmark's document could not be written");
        slot->document = std::make_unique<MyDocument>();
        if (!slot->document->loadFromFile(slot->path, MyDocument::TypeName))
            qFatal("the benchmark's document could not be read");
    }
    return *slot;
}

void report(benchmark::State &state, double gui, double call, double delivery, double wall, const Fixture &f,
            double hold = -1)
{
    const double n = double(state.iterations());
    state.counters["gui_cpu_ms"] = 1000.0 * gui / n;
    state.counters["call_ms"] = 1000.0 * call / n;
    if (hold >= 0)
        state.counters["hold_ms"] = 1000.0 * hold;
    state.counters["delivery_ms"] = 1000.0 * delivery / n;
    state.counters["wall_ms"] = 1000.0 * wall / n;
    state.counters["doc_MiB"] = double(QFileInfo(f.path).size()) / (1024.0 * 1024.0);
}

void BM_SaveOnTheGuiThread(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    double gui = 0, call = 0, wall = 0;
    for (auto _ : state) {
        f.document->updateChangeCount(platform::Document::ChangeType::Done);
        QElapsedTimer timer;
        timer.start();
        const double cpu0 = benchclock::threadCpuSeconds();
        const bool ok = f.document->saveToFile(f.path, MyDocument::TypeName, platform::Document::SaveOperation::Save);
        const double cpu = benchclock::threadCpuSeconds() - cpu0;
        const double elapsed = double(timer.nsecsElapsed()) * 1e-9;
        if (!ok || f.document->isDocumentEdited())
            state.SkipWithError("the save failed");
        gui += cpu;
        call += elapsed;
        wall += elapsed;
        state.SetIterationTime(cpu);
    }
    report(state, gui, call, 0, wall, f);
}

void BM_SaveInTheBackground(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    double gui = 0, call = 0, delivery = 0, wall = 0, hold = 0;
    for (auto _ : state) {
        f.document->updateChangeCount(platform::Document::ChangeType::Done);
        QEventLoop loop;
        bool saved = false;
        double deliveredAt = 0;
        QElapsedTimer timer;
        timer.start();
        const double cpu0 = benchclock::threadCpuSeconds();
        f.document->saveDocumentWithCompletion([&](bool ok) {
            saved = ok;
            deliveredAt = double(timer.nsecsElapsed()) * 1e-9;
            loop.quit();
        });
        const double callEnd = double(timer.nsecsElapsed()) * 1e-9;
        const double callCpu = benchclock::threadCpuSeconds() - cpu0;
        hold = std::max(hold, callEnd);
        // The longest the loop went without its 1 ms tick.
        QTimer ticks;
        ticks.setInterval(1);
        double lastTick = callEnd;
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            const double now = double(timer.nsecsElapsed()) * 1e-9;
            hold = std::max(hold, now - lastTick);
            lastTick = now;
        });
        ticks.start();
        if (!saved)
            loop.exec();
        ticks.stop();
        hold = std::max(hold, deliveredAt - lastTick);
        const double cpu = benchclock::threadCpuSeconds() - cpu0;
        if (!saved || f.document->isDocumentEdited())
            state.SkipWithError("the save failed");
        gui += cpu;
        call += callEnd;
        wall += deliveredAt;
        // The delivery's share: what the GUI thread spent after the call.
        delivery += cpu - callCpu;
        state.SetIterationTime(cpu);
    }
    report(state, gui, call, delivery, wall, f, hold);
}

// Saves the document in the background and waits for the completion; false when it failed.
bool saveInTheBackground(MyDocument &document)
{
    QEventLoop loop;
    bool saved = false;
    bool done = false;
    document.saveDocumentWithCompletion([&](bool ok) {
        saved = ok;
        done = true;
        loop.quit();
    });
    if (!done)
        loop.exec();
    return saved && !document.isDocumentEdited();
}

void BM_OpenAndSave(benchmark::State &state)
{
    Fixture &f = fixture(int(state.range(0)));
    // The document of the fixture is not needed here: its memory goes.
    f.document.reset();
    QFile file(f.path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the benchmark's document could not be read");
    const QByteArray bytes = file.readAll();
    file.close();
    const std::vector<benchfloor::Event> events = benchfloor::eventsOf(bytes);
    double ours = 0, floor = 0;
    for (auto _ : state) {
        const double t0 = benchclock::processCpuSeconds();
        auto document = std::make_unique<MyDocument>();
        if (!document->loadFromFile(f.path, MyDocument::TypeName))
            state.SkipWithError("the document could not be read");
        document->updateChangeCount(platform::Document::ChangeType::Done);
        if (!saveInTheBackground(*document))
            state.SkipWithError("the save failed");
        const double t1 = benchclock::processCpuSeconds();
        document.reset();
        const double t2 = benchclock::processCpuSeconds();
        benchmark::DoNotOptimize(benchfloor::floorRead(bytes));
        QByteArray written = benchfloor::floorWrite(events);
        benchmark::DoNotOptimize(written.data());
        const double t3 = benchclock::processCpuSeconds();
        ours += t1 - t0;
        floor += t3 - t2;
        state.SetIterationTime(t1 - t0);
    }
    const double n = double(state.iterations());
    state.counters["cpu_ms"] = 1000.0 * ours / n;
    state.counters["floor_ms"] = 1000.0 * floor / n;
    state.counters["x_floor"] = ours / floor;
    state.counters["doc_MiB"] = double(bytes.size()) / (1024.0 * 1024.0);
}

} // namespace

BENCHMARK(BM_SaveOnTheGuiThread)->Arg(20000)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveInTheBackground)->Arg(20000)->Arg(200000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenAndSave)->Arg(20000)->Arg(200000)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    return 0;
}
