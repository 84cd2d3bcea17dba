// The cost of one update pass of a tab bar with 500 tabs, overflow menu off, with
// fixed widths and with buttons sized to fit, against a floor that does the least
// such a pass must: measuring the 500 titles with QFontMetricsF and building a
// 500-item QMenu.
//
// Reported: CPU time per pass of each, and the ratio of each pass to the floor (the
// goal is at most 3).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "components/tabbarview/KZTabBarView.h"
#include "platform/drawing/TabView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QMenu>

#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int Tabs = 500;

QString title(int i)
{
    return QStringLiteral("Document %1 — notes").arg(i);
}

std::map<int, double> &secondsPerPass()
{
    static std::map<int, double> results;
    return results;
}

void runPasses(benchmark::State &state, bool sizeToFit, int slot)
{
    platform::TabView tabView;
    KZTabBarView bar;
    bar.setTabView(&tabView);
    tabView.setDelegate(&bar);
    for (int i = 0; i < Tabs; ++i) {
        auto item = platform::TabViewItem::create();
        item->setLabel(title(i));
        tabView.addTabViewItem(item);
    }
    bar.setUseOverflowMenu(false);
    bar.setSizeButtonsToFit(sizeToFit);
    bar.resize(1200, 22);
    QCoreApplication::processEvents();
    bar.updateTabBar(false);
    int64_t passes = 0;
    const double start = benchclock::threadCpuSeconds();
    for (auto _ : state) {
        bar.updateTabBar(false);
        ++passes;
    }
    secondsPerPass()[slot] = (benchclock::threadCpuSeconds() - start) / double(std::max<int64_t>(passes, 1));
    tabView.setDelegate(nullptr);
}

void BM_UpdatePassFixedWidths(benchmark::State &state)
{
    runPasses(state, false, 0);
}

void BM_UpdatePassSizedToFit(benchmark::State &state)
{
    runPasses(state, true, 1);
}

void BM_MeasureTitlesAndBuildMenu(benchmark::State &state)
{
    QFont font = QApplication::font();
    font.setPointSizeF(11);
    font.setBold(true);
    int64_t passes = 0;
    const double start = benchclock::threadCpuSeconds();
    for (auto _ : state) {
        const QFontMetricsF metrics(font);
        qreal total = 0;
        QMenu menu;
        for (int i = 0; i < Tabs; ++i) {
            const QString text = title(i);
            total += metrics.horizontalAdvance(text);
            menu.addAction(text);
        }
        benchmark::DoNotOptimize(total);
        ++passes;
    }
    secondsPerPass()[2] = (benchclock::threadCpuSeconds() - start) / double(std::max<int64_t>(passes, 1));
}

} // namespace

BENCHMARK(BM_UpdatePassFixedWidths)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_UpdatePassSizedToFit)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_MeasureTitlesAndBuildMenu)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &r = secondsPerPass();
    if (r.count(0) && r.count(1) && r.count(2) && r.at(2) > 0)
        std::printf("tab bar pass CPU: %.2f ms fixed, %.2f ms sized to fit, floor %.2f ms; ratios %.2f and %.2f\n",
                    r.at(0) * 1e3, r.at(1) * 1e3, r.at(2) * 1e3, r.at(0) / r.at(2), r.at(1) / r.at(2));
    return 0;
}
