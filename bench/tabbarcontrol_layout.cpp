// The cost of the tab bar control's layout with 500 tabs (overflow menu on: most
// tabs go to the menu), with fixed widths and fitted to content; and of 500 tab
// counts changed in one event-loop pass, until the bar is quiet again (the changes
// fold into one deferred layout). The floor is the one of the tab bar view's
// benchmark, measured in the same run: the 500 titles measured with QFontMetricsF and
// a 500-item QMenu built.
//
// Reported: CPU time per pass of each and the ratios to the floor (goals: the layout
// at most 2, the counts at most 3). And adding 200 and 2000 tabs to the tab view one
// by one, then removing them one by one from the front (each add and removal lays the
// bar out at once; removing the first tab each time, or the last), measured warm,
// best of 3: the time for 2000 against the time for 200 (goal: at most 15 for each,
// so a change costs about the same however many tabs wait in the menu).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/KeyValueObserving.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QMenu>

#include <algorithm>

#include <cstdio>
#include <map>
#include <tuple>
#include <memory>
#include <vector>

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

class CountModel : public platform::KeyValueObservable
{
public:
    int count = 0;

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = {
            {QStringLiteral("objectCount"),
             {[](const KeyValueObservable &o) { return QVariant(static_cast<const CountModel &>(o).count); },
              [](KeyValueObservable &o, const QVariant &v) { static_cast<CountModel &>(o).count = v.toInt(); }}}};
        return table;
    }
};

struct Bar
{
    platform::TabView tabView;
    VTTabBarControl control;
    std::vector<std::unique_ptr<CountModel>> models;

    explicit Bar(bool sizeToFit)
    {
        control.setTabView(&tabView);
        tabView.setDelegate(&control);
        control.resize(1200, 22);
        for (int i = 0; i < Tabs; ++i) {
            models.push_back(std::make_unique<CountModel>());
            auto item = platform::TabViewItem::create(platform::KeyValueObservable::fromObservable(models.back().get()));
            item->setLabel(title(i));
            tabView.addTabViewItem(item);
        }
        control.setSizeCellsToFit(sizeToFit);
        QCoreApplication::processEvents();
    }
    ~Bar() { tabView.setDelegate(nullptr); }
};

template <class Pass> void measure(benchmark::State &state, int slot, Pass pass)
{
    int64_t passes = 0;
    const double start = benchclock::threadCpuSeconds();
    for (auto _ : state) {
        pass();
        ++passes;
    }
    secondsPerPass()[slot] = (benchclock::threadCpuSeconds() - start) / double(std::max<int64_t>(passes, 1));
}

void BM_LayoutFixedWidths(benchmark::State &state)
{
    Bar bar(false);
    measure(state, 0, [&] {
        bar.control.updateTabBar(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // the replaced menu
    });
}

void BM_LayoutFittedToContent(benchmark::State &state)
{
    Bar bar(true);
    measure(state, 1, [&] {
        bar.control.updateTabBar(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    });
}

void BM_CountsChangedInOnePass(benchmark::State &state)
{
    Bar bar(false);
    int round = 0;
    measure(state, 2, [&] {
        ++round;
        for (auto &model : bar.models)
            model->setValueForKey(round, QStringLiteral("objectCount"));
        while (bar.control.hasScheduledUpdate())
            QCoreApplication::processEvents();
    });
}

// Tabs → the best of the measured rounds: seconds to add them one by one, seconds of
// one pass over them, seconds to remove them one by one from the front.
struct LoopRound
{
    double added = 0, pass = 0, removedFirst = 0, removedLast = 0;
};
std::map<int, LoopRound> &addingInALoop()
{
    static std::map<int, LoopRound> results;
    return results;
}

// Adds the tabs one by one to a new bar, lays it out once more, lets the event loop
// run, then removes every tab one by one: the first each time (the row moves up) or
// the last (one from the menu). Answers the seconds of the adds, of the pass and of
// the removals.
std::tuple<double, double, double> addAndRemove(int tabs, bool fromTheFront)
{
    platform::TabView tabView;
    VTTabBarControl control;
    control.setTabView(&tabView);
    tabView.setDelegate(&control);
    control.resize(1200, 22);
    QCoreApplication::processEvents();
    const double start = benchclock::threadCpuSeconds();
    for (int i = 0; i < tabs; ++i) {
        auto item = platform::TabViewItem::create();
        item->setLabel(title(i));
        tabView.addTabViewItem(item);
    }
    const double added = benchclock::threadCpuSeconds();
    control.updateTabBar(false);
    const double passed = benchclock::threadCpuSeconds();
    // The tabs are closed later, as the user goes on: the event loop has run (each new
    // tab's widgets asked it for their polish) before the first.
    QCoreApplication::sendPostedEvents();
    const double closing = benchclock::threadCpuSeconds();
    while (const int count = tabView.numberOfTabViewItems())
        tabView.removeTabViewItem(tabView.tabViewItemAtIndex(fromTheFront ? 0 : count - 1).get());
    const double removed = benchclock::threadCpuSeconds();
    tabView.setDelegate(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return {added - start, passed - added, removed - closing};
}

// Each add (and each removal) lays the bar out at once. The first round warms the
// caches and the allocator and is not counted; of the three measured rounds the best
// of each figure is kept.
void BM_AddAndRemoveTabsInALoop(benchmark::State &state)
{
    const int tabs = int(state.range(0));
    constexpr int Measured = 3;
    for (auto _ : state) {
        LoopRound best{1e30, 1e30, 1e30, 1e30};
        for (int round = 0; round <= Measured; ++round) {
            const auto [added, pass, removedFirst] = addAndRemove(tabs, true);
            const auto [addedAgain, passAgain, removedLast] = addAndRemove(tabs, false);
            if (round > 0) {
                best.added = std::min({best.added, added, addedAgain});
                best.pass = std::min({best.pass, pass, passAgain});
                best.removedFirst = std::min(best.removedFirst, removedFirst);
                best.removedLast = std::min(best.removedLast, removedLast);
            }
        }
        addingInALoop()[tabs] = best;
    }
}

void BM_MeasureTitlesAndBuildMenu(benchmark::State &state)
{
    QFont font = QApplication::font();
    font.setPointSizeF(11);
    font.setBold(true);
    measure(state, 3, [&] {
        const QFontMetricsF metrics(font);
        qreal total = 0;
        QMenu menu;
        for (int i = 0; i < Tabs; ++i) {
            const QString text = title(i);
            total += metrics.horizontalAdvance(text);
            menu.addAction(text);
        }
        benchmark::DoNotOptimize(total);
    });
}

} // namespace

BENCHMARK(BM_LayoutFixedWidths)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_LayoutFittedToContent)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_CountsChangedInOnePass)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_MeasureTitlesAndBuildMenu)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_AddAndRemoveTabsInALoop)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &r = secondsPerPass();
    if (r.size() == 4 && r.at(3) > 0)
        std::printf("tab bar control CPU: layout %.2f ms fixed, %.2f ms fitted, counts %.2f ms, floor %.2f ms; "
                    "ratios %.2f, %.2f (goal 2) and %.2f (goal 3)\n",
                    r.at(0) * 1e3, r.at(1) * 1e3, r.at(2) * 1e3, r.at(3) * 1e3, r.at(0) / r.at(3), r.at(1) / r.at(3),
                    r.at(2) / r.at(3));
    const auto &loops = addingInALoop();
    if (loops.count(200) && loops.count(2000) && loops.at(200).added > 0 && loops.at(200).removedFirst > 0
        && loops.at(200).removedLast > 0) {
        const LoopRound &few = loops.at(200), &many = loops.at(2000);
        std::printf("tabs one by one, warm, best of 3 (goal for each ratio: 15): adding %.1f ms for 200, %.1f ms for "
                    "2000 (ratio %.1f); removing the first %.1f ms and %.1f ms (ratio %.1f); removing the last %.1f ms "
                    "and %.1f ms (ratio %.1f); a pass over all then %.2f ms and %.2f ms\n",
                    few.added * 1e3, many.added * 1e3, many.added / few.added, few.removedFirst * 1e3,
                    many.removedFirst * 1e3, many.removedFirst / few.removedFirst, few.removedLast * 1e3,
                    many.removedLast * 1e3, many.removedLast / few.removedLast, few.pass * 1e3, many.pass * 1e3);
    }
    return 0;
}
