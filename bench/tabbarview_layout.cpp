// The cost of one update pass of a tab bar 1200 wide with the overflow menu on (the
// default), with fixed widths and with buttons sized to fit, at 250, 500, 1000 and
// 2500 tabs, against a floor that does the least a pass that lists every tab must do
// over 500 tabs: measuring the 500 titles with QFontMetricsF and building a 500-item
// QMenu. Each pass is followed by the event-loop work it leaves (posted events,
// deferred deletions). And the cost of adding 200 and 2000 tabs one by one, each add
// followed by the pass it asks for.
//
// Reported: CPU time per pass of each, the growth ratios from 250 to 500, from 500 to
// 1000 and from 250 to 2500 tabs (2, 2 and 10 for a pass that grows linearly), the
// ratio of the 500-tab passes to the floor, and the growth of adding from 200 to 2000
// tabs against n log n (goal: at most 10 × log 2000 / log 200 = 14.3).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "components/tabbarview/KZTabBarView.h"
#include "platform/drawing/TabView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QMenu>

#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <utility>

namespace {

constexpr int FloorTabs = 500;

QString title(int i)
{
    return QStringLiteral("Document %1 — notes").arg(i);
}

// (sized to fit, tabs) → seconds per pass; the floor under (false, 0).
std::map<std::pair<bool, int>, double> &secondsPerPass()
{
    static std::map<std::pair<bool, int>, double> results;
    return results;
}

void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void runPasses(benchmark::State &state, bool sizeToFit)
{
    const int tabs = int(state.range(0));
    platform::TabView tabView;
    KZTabBarView bar;
    bar.setTabView(&tabView);
    tabView.setDelegate(&bar);
    for (int i = 0; i < tabs; ++i) {
        auto item = platform::TabViewItem::create();
        item->setLabel(title(i));
        tabView.addTabViewItem(item);
    }
    bar.setSizeButtonsToFit(sizeToFit);
    bar.resize(1200, 22);
    settle();
    bar.updateTabBar(false);
    settle();
    int64_t passes = 0;
    const double start = benchclock::threadCpuSeconds();
    for (auto _ : state) {
        bar.updateTabBar(false);
        settle();
        ++passes;
    }
    secondsPerPass()[{sizeToFit, tabs}] = (benchclock::threadCpuSeconds() - start) / double(std::max<int64_t>(passes, 1));
    tabView.setDelegate(nullptr);
}

// Tabs → seconds to add them one by one, each with its pass.
std::map<int, double> &secondsToAdd()
{
    static std::map<int, double> results;
    return results;
}

void BM_AddTabsOneByOne(benchmark::State &state)
{
    const int tabs = int(state.range(0));
    double total = 0;
    int64_t runs = 0;
    for (auto _ : state) {
        platform::TabView tabView;
        KZTabBarView bar;
        bar.setTabView(&tabView);
        tabView.setDelegate(&bar);
        bar.resize(1200, 22);
        settle();
        const double start = benchclock::threadCpuSeconds();
        for (int i = 0; i < tabs; ++i) {
            auto item = platform::TabViewItem::create();
            item->setLabel(title(i));
            tabView.addTabViewItem(item);
            settle(); // the pass the count change asked for
        }
        total += benchclock::threadCpuSeconds() - start;
        ++runs;
        tabView.setDelegate(nullptr);
    }
    secondsToAdd()[tabs] = total / double(std::max<int64_t>(runs, 1));
}

void BM_UpdatePassFixedWidths(benchmark::State &state)
{
    runPasses(state, false);
}

void BM_UpdatePassSizedToFit(benchmark::State &state)
{
    runPasses(state, true);
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
        for (int i = 0; i < FloorTabs; ++i) {
            const QString text = title(i);
            total += metrics.horizontalAdvance(text);
            menu.addAction(text);
        }
        benchmark::DoNotOptimize(total);
        ++passes;
    }
    secondsPerPass()[{false, 0}] = (benchclock::threadCpuSeconds() - start) / double(std::max<int64_t>(passes, 1));
}

} // namespace

BENCHMARK(BM_UpdatePassFixedWidths)->Arg(250)->Arg(500)->Arg(1000)->Arg(2500)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_UpdatePassSizedToFit)->Arg(250)->Arg(500)->Arg(1000)->Arg(2500)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_AddTabsOneByOne)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_MeasureTitlesAndBuildMenu)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &r = secondsPerPass();
    const auto has = [&r](bool fit) {
        return r.count({fit, 250}) && r.count({fit, 500}) && r.count({fit, 1000}) && r.count({fit, 2500});
    };
    for (const bool fit : {false, true}) {
        if (!has(fit))
            continue;
        const double a = r.at({fit, 250}), b = r.at({fit, 500}), c = r.at({fit, 1000}), d = r.at({fit, 2500});
        std::printf("tab bar pass CPU, overflow menu on, %s: %.2f ms at 250, %.2f ms at 500, %.2f ms at 1000, "
                    "%.2f ms at 2500 tabs; growth %.2f (250 to 500), %.2f (500 to 1000), %.2f (250 to 2500; "
                    "n log n: %.1f)\n",
                    fit ? "sized to fit" : "fixed widths", a * 1e3, b * 1e3, c * 1e3, d * 1e3, a > 0 ? b / a : 0.0,
                    b > 0 ? c / b : 0.0, a > 0 ? d / a : 0.0, 10 * std::log(2500.0) / std::log(250.0));
    }
    const auto &added = secondsToAdd();
    if (added.count(200) && added.count(2000) && added.at(200) > 0)
        std::printf("adding tabs one by one, a pass after each: %.3f s for 200, %.3f s for 2000; growth %.1f "
                    "(n log n: %.1f)\n",
                    added.at(200), added.at(2000), added.at(2000) / added.at(200),
                    10 * std::log(2000.0) / std::log(200.0));
    if (r.count({false, 0}) && r.at({false, 0}) > 0) {
        const double floor = r.at({false, 0});
        std::printf("floor %.2f ms over %d titles", floor * 1e3, FloorTabs);
        for (const bool fit : {false, true})
            if (r.count({fit, 500}))
                std::printf("; %s at 500 tabs %.2f times the floor", fit ? "sized to fit" : "fixed widths",
                            r.at({fit, 500}) / floor);
        std::printf("\n");
    }
    return 0;
}
