// The cost of one step of a detached tab drag over a vertical tab bar that shows 200
// of its 500 tabs, each step moving the drop index (the session finds the bar, the
// drag assistant computes the index, the bar opens the gap with an animated pass),
// against one full repaint of that bar (QWidget::render into a QImage).
//
// Reported: CPU time of each, and the ratio of a step to a repaint (the goal is at
// most 2).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "components/tabbarview/KZAttachedTabBarButton.h"
#include "components/tabbarview/KZTabBarView.h"
#include "components/tabbarview/KZTabDragAssistant.h"
#include "platform/drawing/TabView.h"
#include "platform/layers/DragSession.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <cstdio>
#include <map>

namespace {

constexpr int Tabs = 500;
constexpr int Visible = 200;

std::map<int, double> &secondsPer()
{
    static std::map<int, double> results;
    return results;
}

class LeavingDelegate : public KZTabBarViewDelegate
{
public:
    std::optional<bool> tabViewShouldAllowTabViewItemToLeaveTabBarView(platform::TabView *, platform::TabViewItem *,
                                                                        KZTabBarView *) override
    {
        return true;
    }
};

struct VerticalBar
{
    VerticalBar()
    {
        window.setGeometry(0, 0, 800, Visible * 22 + 6);
        bar = new KZTabBarView(&window);
        tabView = new platform::TabView(&window);
        bar->setOrientation(KZTabBarView::Vertical);
        bar->setTabView(tabView);
        tabView->setDelegate(bar);
        bar->setDelegate(&delegate);
        bar->setGeometry(0, 0, 150, window.height());
        tabView->setGeometry(150, 0, 650, window.height());
        for (int i = 0; i < Tabs; ++i) {
            auto item = platform::TabViewItem::create();
            item->setLabel(QStringLiteral("Document %1").arg(i));
            tabView->addTabViewItem(item);
        }
        bar->updateTabBar(false);
        window.show();
        QCoreApplication::processEvents();
    }
    ~VerticalBar() { tabView->setDelegate(nullptr); }
    void mouse(QWidget *to, QEvent::Type type, QPoint inBar)
    {
        const QPointF local = to->mapFrom(bar, inBar);
        QMouseEvent event(type, local, to->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(to, &event);
    }
    QWidget window;
    KZTabBarView *bar;
    platform::TabView *tabView;
    LeavingDelegate delegate;
};

void BM_DragStepOverVerticalBar(benchmark::State &state)
{
    VerticalBar v;
    KZAttachedTabBarButton *button = v.bar->attachedButtonAtPoint(QPoint(60, 10));
    v.mouse(button, QEvent::MouseButtonPress, QPoint(60, 10));
    v.mouse(button, QEvent::MouseMove, QPoint(80, 10));
    v.mouse(button, QEvent::MouseMove, QPoint(200, 10));
    platform::DragSession *session = platform::DragSession::current();
    if (!session) {
        state.SkipWithError("the tab did not leave its bar");
        return;
    }
    int64_t steps = 0;
    const double start = benchclock::threadCpuSeconds();
    for (auto _ : state) {
        const int y = 30 + int((steps * 37) % (Visible - 2)) * 22;
        session->moveTo(v.bar->mapToGlobal(QPoint(60, y)));
        ++steps;
    }
    secondsPer()[0] = (benchclock::threadCpuSeconds() - start) / double(std::max<int64_t>(steps, 1));
    session->cancel();
    QCoreApplication::processEvents();
}

void BM_RepaintVerticalBar(benchmark::State &state)
{
    VerticalBar v;
    QImage image(v.bar->size(), QImage::Format_ARGB32_Premultiplied);
    int64_t passes = 0;
    const double start = benchclock::threadCpuSeconds();
    for (auto _ : state) {
        v.bar->render(&image);
        ++passes;
    }
    secondsPer()[1] = (benchclock::threadCpuSeconds() - start) / double(std::max<int64_t>(passes, 1));
}

} // namespace

BENCHMARK(BM_DragStepOverVerticalBar)->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RepaintVerticalBar)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &r = secondsPer();
    if (r.count(0) && r.count(1) && r.at(1) > 0)
        std::printf("vertical bar of %d visible tabs (%d in all): drag step %.3f ms, repaint %.3f ms CPU; ratio %.2f\n",
                    Visible, Tabs, r.at(0) * 1e3, r.at(1) * 1e3, r.at(0) / r.at(1));
    return 0;
}
