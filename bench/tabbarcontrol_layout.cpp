// The cost of the tab bar control's layout with 500 tabs (overflow menu on: most
// tabs go to the menu), with fixed widths and fitted to content; and of 500 tab
// counts changed in one event-loop pass, until the bar is quiet again (the changes
// fold into one deferred layout). The floor is the one of the tab bar view's
// benchmark, measured in the same run: the 500 titles measured with QFontMetricsF and
// a 500-item QMenu built.
//
// Reported: CPU time per pass of each and the ratios to the floor (goals: the layout
// at most 2, the counts at most 3). And adding 200 and 2000 tabs to the tab view in a
// loop (each add lays the bar out at once), with the cost of one pass at the end:
// the cost per tab at 2000 against the one at 200 (goal: at most 10).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "platform/drawing/TabView.h"
#include "platform/foundation/KeyValueObserving.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QMenu>

#include <cstdio>
#include <map>
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

// Tabs → seconds to add them in a loop, and seconds of one pass over them.
std::map<int, std::pair<double, double>> &addingInALoop()
{
    static std::map<int, std::pair<double, double>> results;
    return results;
}

void BM_AddTabsInALoop(benchmark::State &state)
{
    const int tabs = int(state.range(0));
    for (auto _ : state) {
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
        addingInALoop()[tabs] = {added - start, passed - added};
        tabView.setDelegate(nullptr);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
BENCHMARK(BM_AddTabsInALoop)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &r = secondsPerPass();
    if (r.size() == 4 && r.at(3) > 0)
        std::printf("tab bar control CPU: layout %.2f ms fixed, %.2f ms fitted, counts %.2f ms, floor %.2f ms; "
                    "ratios %.2f, %.2f (goal 2) and %.2f (goal 3)\n",
                    r.at(0) * 1e3, r.at(1) * 1e3, r.at(2) * 1e3, r.at(3) * 1e3, r.at(0) / r.at(3), r.at(1) / r.at(3),
                    r.at(2) / r.at(3));
    const auto &added = addingInALoop();
    if (added.count(200) && added.count(2000) && added.at(200).first > 0) {
        const double few = added.at(200).first / 200, many = added.at(2000).first / 2000;
        std::printf("adding tabs in a loop: %.1f ms for 200, %.1f ms for 2000 (a pass then %.2f ms and %.2f ms); "
                    "per tab %.3f ms and %.3f ms, ratio %.1f (goal 10)\n",
                    added.at(200).first * 1e3, added.at(2000).first * 1e3, added.at(200).second * 1e3,
                    added.at(2000).second * 1e3, few * 1e3, many * 1e3, many / few);
    }
    return 0;
}
