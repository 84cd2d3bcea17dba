// The cost of one frame of the layer engine against bare QPainter.
//
// A 1280×800 target shows 1,000 image layers in a perspective row: a root with the
// 1/1500 perspective as its sublayer transform, each item turned 70° about y at its
// own depth, like a long stack of covers. The engine's frame lays the tree out, puts
// the layers in depth order, works out each layer's projective transform and draws
// its image. The bare frame draws the same images with the same QTransforms (taken
// from the engine before timing) with a plain QPainter.
//
// Reported: time per frame of each, and at the end their ratio in CPU time of the
// painting thread (steadier than wall time on a shared machine; the goal is at most
// 1.3).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "platform/layers/Layer.h"
#include "platform/layers/LayerRenderer.h"
#include "platform/layers/Transaction.h"
#include "platform/layers/Transform3D.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <vector>

namespace {

using namespace platform;

constexpr int Width = 1280;
constexpr int Height = 800;
constexpr int Items = 1000;

LayerPtr makeRow()
{
    std::vector<QImage> images;
    for (int i = 0; i < 10; ++i) {
        QImage image(128, 128, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor::fromHsv(i * 36, 180, 230));
        QPainter p(&image);
        p.setPen(Qt::white);
        p.drawRect(8, 8, 111, 111);
        images.push_back(image);
    }
    Transaction::begin();
    Transaction::setDisableActions(true);
    const LayerPtr root = Layer::create();
    root->setFrame(QRectF(0, 0, Width, Height));
    root->setSublayerTransform(Transform3D::perspective(1500));
    for (int i = 0; i < Items; ++i) {
        const LayerPtr item = Layer::create();
        item->setAnchorPoint(QPointF(0, 0));
        item->setFrame(QRectF(40 + i * 1.0, 300, 200, 200));
        item->setZPosition(-0.5 * (i % 400));
        item->setTransform(Transform3D::rotation(70 * M_PI / 180, 0, 1, 0));
        item->setContents(images[static_cast<size_t>(i) % images.size()]);
        root->addSublayer(item);
    }
    Transaction::commit();
    Transaction::flush();
    return root;
}


std::map<int, double> &secondsPerFrame()
{
    static std::map<int, double> results;
    return results;
}

void BM_LayerEngineFrame(benchmark::State &state)
{
    const LayerPtr root = makeRow();
    QImage target(Width, Height, QImage::Format_ARGB32_Premultiplied);
    int64_t frames = 0;
    const double start = benchclock::threadCpuSeconds();
    for (auto _ : state) {
        QPainter painter(&target);
        LayerRenderer::render(painter, *root, Height, 1);
        ++frames;
    }
    secondsPerFrame()[0] = (benchclock::threadCpuSeconds() - start) / double(std::max<int64_t>(frames, 1));
}

void BM_BareQPainterFrame(benchmark::State &state)
{
    const LayerPtr root = makeRow();
    const std::vector<LayerRenderer::ImageDraw> draws = LayerRenderer::imageDraws(*root, Height);
    QImage target(Width, Height, QImage::Format_ARGB32_Premultiplied);
    int64_t frames = 0;
    const double start = benchclock::threadCpuSeconds();
    for (auto _ : state) {
        QPainter painter(&target);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform | QPainter::TextAntialiasing);
        for (const LayerRenderer::ImageDraw &draw : draws) {
            painter.setTransform(draw.transform);
            painter.drawImage(draw.target, draw.image);
        }
        ++frames;
    }
    state.counters["images"] = double(draws.size());
    secondsPerFrame()[1] = (benchclock::threadCpuSeconds() - start) / double(std::max<int64_t>(frames, 1));
}

} // namespace

BENCHMARK(BM_LayerEngineFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareQPainterFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &results = secondsPerFrame();
    if (results.count(0) && results.count(1) && results.at(1) > 0)
        std::printf("layer frame CPU: %.2f ms engine, %.2f ms bare QPainter, ratio %.2f\n", results.at(0) * 1e3,
                    results.at(1) * 1e3, results.at(0) / results.at(1));
    return 0;
}
