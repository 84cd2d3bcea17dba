// The cost of giving the cover-flow view its content: setContent() of 10,000
// objects against 1,000, each into a fresh view (making the view and throwing it
// away are not timed). Every object gets an item layer, the stage is laid out once
// and the scroller learns the count, so the work should grow linearly.
//
// Reported: CPU time of one setContent() for each size, and their ratio (goal: at
// most 15, where a quadratic diff would give about 100).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "components/flowview/NTXCoverFlowView.h"
#include "platform/layers/Transaction.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QVariantList>

#include <cstdio>
#include <ctime>
#include <map>
#include <memory>

namespace {


std::map<int, double> &secondsPerCall()
{
    static std::map<int, double> results;
    return results;
}

void BM_SetContent(benchmark::State &state)
{
    const int count = int(state.range(0));
    QVariantList content;
    content.reserve(count);
    for (int i = 0; i < count; ++i)
        content.append(QStringLiteral("object %1").arg(i));
    double seconds = 0;
    int64_t calls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto view = std::make_unique<NTXCoverFlowView>();
        view->resize(1280, 400);
        state.ResumeTiming();
        const double start = benchclock::threadCpuSeconds();
        view->setContent(content);
        seconds += benchclock::threadCpuSeconds() - start;
        ++calls;
        state.PauseTiming();
        view.reset();
        platform::Transaction::flush();
        state.ResumeTiming();
    }
    secondsPerCall()[count] = seconds / double(std::max<int64_t>(calls, 1));
}

BENCHMARK(BM_SetContent)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &results = secondsPerCall();
    if (results.count(1000) && results.count(10000))
        std::printf("setContent CPU: %.2f ms for 1,000, %.2f ms for 10,000, ratio %.2f\n", results.at(1000) * 1e3,
                    results.at(10000) * 1e3, results.at(10000) / results.at(1000));
    return 0;
}
