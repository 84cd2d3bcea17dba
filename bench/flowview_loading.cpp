// How long the GUI thread stalls while the flow view loads 100 pictures.
//
// A 1100×440 view (offscreen) gets 100 items of encoded image data: 1600×1200
// JPEG and PNG pictures, every tenth one a PNG whose header lies about its size
// (40,000 × 30,000). Each round empties the cache, asks for every item's picture at
// once (so all 100 are decoded on the view's operation queue, not only the visible
// ones) and runs the event loop, with a 1 ms timer ticking, until every picture has
// arrived. Reported: the longest pause between two ticks of the loop, the time the
// GUI thread spent queuing the 100 loads, and the wall time until the last picture
// arrived, and how much of the longest pause the GUI thread spent computing (the
// rest is the machine's scheduling, other processes included). The goal is a longest pause under 20 ms: decoding never happens on the
// GUI thread and a lying header costs nothing there.
//
// Second: what a reload costs when the view already shows the items (a bound view
// reloads on every change of its content), at 10,000 and 40,000 items of identifier
// and title only. Reported: milliseconds per reload at each count, and the growth
// ratio from 10,000 to 40,000 items (4 when the cost grows linearly).
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "components/flowview/KZFlowView.h"
#include "components/flowview/KZFlowViewDataSource.h"
#include "components/flowview/KZFlowViewImageCache.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/KeyValueObserving.h"
#include "platform/foundation/OperationQueue.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace {

using platform::Clock;

constexpr int Items = 100;

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray encode(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}

QImage photo(int seed)
{
    QImage image(1600, 1200, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 1600, 1200);
    gradient.setColorAt(0, QColor::fromHsv(seed * 37 % 360, 200, 230));
    gradient.setColorAt(1, QColor::fromHsv(seed * 91 % 360, 120, 90));
    painter.fillRect(image.rect(), gradient);
    for (int i = 0; i < 40; ++i)
        painter.fillRect(QRect((i * 97 + seed * 13) % 1500, (i * 53) % 1100, 100, 100), QColor::fromHsv(i * 9, 255, 255));
    return image;
}

class DataItem : public platform::KeyValueObservable
{
public:
    DataItem(QString uid, QByteArray data) : m_uid(std::move(uid)), m_data(std::move(data)) {}

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = {
            {QStringLiteral("imageItemUID"), {[](const KeyValueObservable &o) { return QVariant(static_cast<const DataItem &>(o).m_uid); }, {}}},
            {QStringLiteral("imageItemRepresentation"), {[](const KeyValueObservable &o) { return QVariant(static_cast<const DataItem &>(o).m_data); }, {}}},
            {QStringLiteral("imageItemRepresentationType"), {[](const KeyValueObservable &) { return QVariant(KZFlowView::NSDataRepresentationType); }, {}}},
        };
        return table;
    }

private:
    QString m_uid;
    QByteArray m_data;
};

class Source : public KZFlowViewDataSource
{
public:
    Source()
    {
        QByteArray lying = encode(photo(0).scaled(64, 48), "png");
        qToBigEndian<quint32>(40000, lying.data() + 16);
        qToBigEndian<quint32>(30000, lying.data() + 20);
        qToBigEndian(crc32(lying.mid(12, 17)), lying.data() + 29);
        const QByteArray jpeg = encode(photo(1), "jpeg");
        const QByteArray png = encode(photo(2), "png");
        for (int i = 0; i < Items; ++i)
            items.push_back(std::make_unique<DataItem>(QStringLiteral("item %1").arg(i),
                                                       i % 10 == 9 ? lying : (i % 2 ? png : jpeg)));
    }
    std::optional<unsigned> numberOfItemsInFlowView(KZFlowView &) override { return unsigned(items.size()); }
    std::optional<platform::KeyValueObservable *> flowViewItemAtIndex(KZFlowView &, unsigned index) override
    {
        return index < items.size() ? items[index].get() : nullptr;
    }
    std::vector<std::unique_ptr<DataItem>> items;
};

void BM_LoadHundredPictures(benchmark::State &state)
{
    KZFlowView view;
    view.resize(1100, 440);
    view.show();
    QCoreApplication::sendPostedEvents();
    view.renderToImage();
    Source source;
    view.setDataSource(&source);
    view.reloadContent();
    view.setPreviewScale(1.0f); // every item at the full item size

    double longest = 0;
    double busiest = 0; // GUI thread CPU time within the longest pause
    double queuing = 0;
    double total = 0;
    for (auto _ : state) {
        view.imageCache().clear();
        view.operationQueue().waitUntilAllOperationsAreFinished();
        QCoreApplication::processEvents();

        double last = Clock::mediaTime();
        double lastCpu = benchclock::threadCpuSeconds();
        double pause = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const double now = Clock::mediaTime();
            const double cpu = benchclock::threadCpuSeconds();
            if (now - last > pause) {
                pause = now - last;
                busiest = cpu - lastCpu;
            }
            last = now;
            lastCpu = cpu;
        });
        ticker.start();
        const double start = Clock::mediaTime();
        for (quint32 i = 0; i < quint32(Items); ++i)
            view.updateImageLayerAtIndex(i);
        queuing = Clock::mediaTime() - start;
        pause = std::max(pause, queuing);
        last = Clock::mediaTime();
        lastCpu = benchclock::threadCpuSeconds();
        while (view.operationQueue().operationCount() > 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        QCoreApplication::processEvents(); // the last deliveries
        total = Clock::mediaTime() - start;
        ticker.stop();
        longest = std::max(longest, pause);
        benchmark::DoNotOptimize(view.imageCache().count());
    }
    state.counters["longest_pause_ms"] = longest * 1000;
    state.counters["gui_cpu_in_longest_ms"] = busiest * 1000;
    state.counters["queuing_ms"] = queuing * 1000;
    state.counters["all_loaded_ms"] = total * 1000;
    state.counters["cached"] = double(view.imageCache().count());
}
BENCHMARK(BM_LoadHundredPictures)->Iterations(5)->Unit(benchmark::kMillisecond);

class TitledItem : public platform::KeyValueObservable
{
public:
    explicit TitledItem(int index) : m_uid(QStringLiteral("uid %1").arg(index)), m_title(QStringLiteral("Item %1").arg(index)) {}

protected:
    const platform::KeyTable &keyTable() const override
    {
        static const platform::KeyTable table = {
            {QStringLiteral("imageItemUID"), {[](const KeyValueObservable &o) { return QVariant(static_cast<const TitledItem &>(o).m_uid); }, {}}},
            {QStringLiteral("imageItemTitle"), {[](const KeyValueObservable &o) { return QVariant(static_cast<const TitledItem &>(o).m_title); }, {}}},
        };
        return table;
    }

private:
    QString m_uid;
    QString m_title;
};

class TitledSource : public KZFlowViewDataSource
{
public:
    explicit TitledSource(int count)
    {
        for (int i = 0; i < count; ++i)
            items.push_back(std::make_unique<TitledItem>(i));
    }
    std::optional<unsigned> numberOfItemsInFlowView(KZFlowView &) override { return unsigned(items.size()); }
    std::optional<platform::KeyValueObservable *> flowViewItemAtIndex(KZFlowView &, unsigned index) override
    {
        return index < items.size() ? items[index].get() : nullptr;
    }
    std::vector<std::unique_ptr<TitledItem>> items;
};

std::map<int64_t, double> g_reloadSeconds;

void BM_ReloadShownItems(benchmark::State &state)
{
    KZFlowView view;
    view.resize(1100, 440);
    view.show();
    QCoreApplication::sendPostedEvents();
    view.renderToImage();
    TitledSource source(int(state.range(0)));
    view.setDataSource(&source);
    view.reloadContent(); // the items are shown: every further reload reuses their layers
    QCoreApplication::processEvents();
    double seconds = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        const double start = benchclock::threadCpuSeconds();
        view.reloadContent();
        seconds += benchclock::threadCpuSeconds() - start;
        ++rounds;
        state.PauseTiming();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    g_reloadSeconds[state.range(0)] = seconds / double(std::max<int64_t>(rounds, 1));
    state.counters["reload_ms"] = g_reloadSeconds[state.range(0)] * 1000;
}
BENCHMARK(BM_ReloadShownItems)->Arg(10000)->Arg(40000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    if (g_reloadSeconds.count(10000) && g_reloadSeconds.count(40000) && g_reloadSeconds[10000] > 0)
        std::printf("reload of shown items: 10,000 %.1f ms, 40,000 %.1f ms, growth ratio %.2f (4 is linear)\n",
                    g_reloadSeconds[10000] * 1000, g_reloadSeconds[40000] * 1000,
                    g_reloadSeconds[40000] / g_reloadSeconds[10000]);
    return 0;
}
