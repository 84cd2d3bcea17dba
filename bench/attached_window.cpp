// The cost of showing a callout (FXAttachedWindow) whose arrow is as long as its
// caller asks: made, shown and drawn once, for arrow heights from a normal one to far
// past any screen. Reported: milliseconds per callout at each height. Heights past
// what a screen shows are cut to it, so the cost stops growing there.
#include "bench/BenchMain.h"
#include "components/attachedwindow/FXAttachedWindow.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>

namespace {

std::map<int64_t, double> g_showSeconds;

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void BM_ShowWithArrowHeight(benchmark::State &state)
{
    const qreal height = qreal(state.range(0));
    double seconds = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        auto *view = new QWidget;
        view->resize(200, 100);
        const double start = wallSeconds();
        std::unique_ptr<FXAttachedWindow> callout(
            FXAttachedWindow::attach(view, QPointF(500, 400), nullptr, FXAttachedWindow::Below));
        callout->setArrowHeight(height);
        callout->show();
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(callout->grab());
        seconds += wallSeconds() - start;
        ++rounds;
    }
    g_showSeconds[state.range(0)] = seconds / double(std::max<int64_t>(rounds, 1));
    state.counters["show_ms"] = g_showSeconds[state.range(0)] * 1000;
}

} // namespace

BENCHMARK(BM_ShowWithArrowHeight)->Arg(16)->Arg(1000)->Arg(10000)->Arg(30000)->Arg(100000)->Iterations(3)->Unit(
    benchmark::kMillisecond);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    for (const auto &[height, seconds] : g_showSeconds)
        std::printf("callout with a %lld px arrow: shown and drawn in %.1f ms\n", static_cast<long long>(height),
                    seconds * 1000);
    return 0;
}
