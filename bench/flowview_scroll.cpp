// The cost of a frame of the flow view's scroll animation, with 100 and with 10,000
// items.
//
// An 1100×440 view (offscreen) shows items of ten pictures with reflections. Each
// round selects the next item (the previous one on the way back) and plays the
// 0.4 s move on the frozen test clock, one frame each 1/60 s: the animations are
// advanced and the tree is painted into an image. The layout pass that the move
// starts (placing every item layer for the new selection) is timed on its own.
//
// Reported: CPU time of the painting thread per frame and per layout pass for each
// count, and the ratio of the frame times (10,000 to 100; the goal is at most 1.5:
// a frame must not touch the items far from the visible row).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "components/flowview/KZFlowView.h"
#include "platform/foundation/Clock.h"
#include "platform/layers/AnimationDriver.h"
#include "platform/layers/LayerRenderer.h"
#include "platform/layers/Transaction.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

namespace {

using platform::Clock;

constexpr int Width = 1100;
constexpr int Height = 440;
constexpr int FramesPerMove = 25; // 0.4 s at 60 frames a second, and the last


struct Result
{
    double frame = 0;
    double layout = 0;
};

std::map<int, Result> &results()
{
    static std::map<int, Result> r;
    return r;
}

void settle()
{
    QCoreApplication::sendPostedEvents();
    platform::Transaction::flush();
    QCoreApplication::sendPostedEvents();
}

void BM_FlowViewScrollFrame(benchmark::State &state)
{
    const auto count = quint32(state.range(0));
    Clock::setNow(QDateTime(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC));
    platform::AnimationDriver *driver = platform::AnimationDriver::instance();
    std::vector<QImage> pictures;
    for (int i = 0; i < 10; ++i) {
        QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor::fromHsv(i * 36, 180, 230));
        QPainter p(&image);
        p.setPen(Qt::white);
        p.drawRect(4, 4, 119, 119);
        pictures.push_back(image);
    }
    KZFlowView view;
    view.resize(Width, Height);
    view.show();
    settle();
    view.setNumberOfItems(count);
    platform::Transaction::begin();
    platform::Transaction::setDisableActions(true);
    for (quint32 i = 0; i < count; ++i) {
        auto item = view.createItemLayerWithIndex(i);
        item->sublayers().first()->setContents(pictures[i % pictures.size()]);
        view.scrollLayer()->addSublayer(item);
    }
    platform::Transaction::commit();
    view.setSelectedIndex(count / 2);
    view.rootLayer()->layoutIfNeeded();
    settle();
    Clock::advance(1000);
    driver->tick();
    settle();

    QImage target(Width, Height, QImage::Format_ARGB32_Premultiplied);
    double frameSeconds = 0, layoutSeconds = 0;
    int64_t frames = 0, layouts = 0;
    int direction = 1;
    for (auto _ : state) {
        if (view.selectedIndex() >= count / 2 + 20)
            direction = -1;
        else if (view.selectedIndex() <= count / 2 - 20)
            direction = 1;
        const double before = benchclock::threadCpuSeconds();
        if (direction > 0)
            view.moveRight();
        else
            view.moveLeft();
        view.rootLayer()->layoutIfNeeded();
        settle();
        layoutSeconds += benchclock::threadCpuSeconds() - before;
        ++layouts;
        for (int f = 0; f < FramesPerMove; ++f) {
            const double start = benchclock::threadCpuSeconds();
            Clock::advance(17);
            driver->tick();
            QPainter painter(&target);
            platform::LayerRenderer::render(painter, *view.rootLayer(), Height, 1);
            painter.end();
            frameSeconds += benchclock::threadCpuSeconds() - start;
            ++frames;
        }
        settle();
    }
    results()[int(count)] = {frameSeconds / double(std::max<int64_t>(frames, 1)),
                             layoutSeconds / double(std::max<int64_t>(layouts, 1))};
    state.counters["frame_ms"] = results()[int(count)].frame * 1e3;
    state.counters["layout_ms"] = results()[int(count)].layout * 1e3;
    Clock::useSystemClock();
}

} // namespace

BENCHMARK(BM_FlowViewScrollFrame)->Arg(100)->Arg(10000)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &r = results();
    if (r.count(100) && r.count(10000) && r.at(100).frame > 0)
        std::printf("flow view frame CPU: %.2f ms with 100 items, %.2f ms with 10,000, ratio %.2f; "
                    "layout pass %.2f ms and %.2f ms\n",
                    r.at(100).frame * 1e3, r.at(10000).frame * 1e3, r.at(10000).frame / r.at(100).frame,
                    r.at(100).layout * 1e3, r.at(10000).layout * 1e3);
    return 0;
}
