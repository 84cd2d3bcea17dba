// The cost of one placeholder animation tick of a tab drag over a bar of 200
// visible tabs (401 cells: the tabs and the gaps between and around them), with its
// repaint, against one plain repaint of the same bar, measured in the same run.
//
// Reported: CPU time per tick and per repaint and their ratio (goal at most 1.5).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "components/tabbarcontrol/VTTabDragAssistant.h"
#include "platform/drawing/TabView.h"
#include "platform/layers/DragSession.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>

#include <cstdio>
#include <map>
#include <memory>

namespace {

constexpr int Tabs = 200;
constexpr int TabWidth = 100;

std::map<int, double> &secondsPerPass()
{
    static std::map<int, double> results;
    return results;
}

struct Bar
{
    platform::TabView tabView;
    VTTabBarControl control;

    Bar(int tabs, int width)
    {
        control.setTabView(&tabView);
        tabView.setDelegate(&control);
        control.setUseOverflowMenu(false);
        control.setCellMinWidth(TabWidth);
        control.setCellMaxWidth(TabWidth);
        control.resize(width, 22);
        for (int i = 0; i < tabs; ++i) {
            auto item = platform::TabViewItem::create(QVariant());
            item->setLabel(QStringLiteral("Tab %1").arg(i));
            tabView.addTabViewItem(item);
        }
        control.updateTabBar(false);
    }
    ~Bar() { tabView.setDelegate(nullptr); }
};


// A drag from a small bar, entered into the big one: the big one holds 401 cells.
struct DragOverBigBar
{
    Bar source{2, 400};
    Bar target{Tabs, Tabs * TabWidth + 200};
    QImage canvas{target.control.size(), QImage::Format_ARGB32_Premultiplied};
    VTTabDragAssistant *assistant = VTTabDragAssistant::sharedDragAssistant();

    DragOverBigBar()
    {
        VTTabBarCell *cell = source.control.cells().front().get();
        const QPointF press = cell->frame().center();
        QMouseEvent event(QEvent::MouseButtonPress, press, press, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        assistant->startDraggingCell(cell, &source.control, &event);
        assistant->draggingExitedTabBar(&source.control);
        assistant->draggingEnteredTabBar(&target.control, QPointF(Tabs * TabWidth / 2.0, 10));
    }
    ~DragOverBigBar()
    {
        if (platform::DragSession *session = platform::DragSession::current())
            session->cancel();
        // The ended session deletes itself from the event loop, while the windows live.
        for (int i = 0; i < 3; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }
    void repaint()
    {
        QPainter painter(&canvas);
        target.control.render(&painter);
    }
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

void BM_PlaceholderTickWithRepaint(benchmark::State &state)
{
    DragOverBigBar drag;
    if (drag.target.control.cells().size() != 2 * Tabs + 1)
        state.SkipWithError("the bar does not hold 401 cells");
    measure(state, 0, [&] {
        drag.assistant->calculateDragAnimationForTabBar(&drag.target.control);
        drag.repaint();
    });
}

void BM_PlainRepaint(benchmark::State &state)
{
    DragOverBigBar drag;
    measure(state, 1, [&] { drag.repaint(); });
}

} // namespace

BENCHMARK(BM_PlaceholderTickWithRepaint)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_PlainRepaint)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &r = secondsPerPass();
    if (r.size() == 2 && r.at(1) > 0)
        std::printf("tab drag tick with repaint %.3f ms, plain repaint %.3f ms: ratio %.2f (goal 1.5)\n",
                    r.at(0) * 1e3, r.at(1) * 1e3, r.at(0) / r.at(1));
    return 0;
}
