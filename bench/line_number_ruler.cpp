// The cost of a line-number ruler repaint beside a plain-text editor scrolled to its
// middle, with 1,000 and with 100,000 lines, and of building the line table of
// 100,000 lines.
//
// The line tables are built and the thickness has settled before timing; each round
// renders the ruler into an image. Reported: thread CPU time per repaint for each
// count and their ratio (100,000 to 1,000; the goal is at most 1.5: a repaint must
// cost the visible lines only), and the time of calculateLines at 100,000 lines.
#include "NTXAppKit/NTXLineNumberRuler/NTXLineNumberRuler.h"
#include "bench/BenchClock.h"
#include "bench/BenchMain.h"
#include "platform/drawing/WithVerticalRuler.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollBar>

#include <cstdio>
#include <map>
#include <memory>

namespace {

using Edit = platform::WithVerticalRuler<QPlainTextEdit>;

std::map<int, double> &repaintSeconds()
{
    static std::map<int, double> r;
    return r;
}
double &calculateSeconds()
{
    static double s = 0;
    return s;
}

QString numberedLines(int count)
{
    QStringList lines;
    lines.reserve(count);
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("line %1 of the text").arg(i);
    return lines.join(u'\n');
}

struct Beside
{
    explicit Beside(int lines)
    {
        ruler = new NTXLineNumberRuler(&edit);
        edit.setVerticalRulerView(ruler);
        edit.setPlainText(numberedLines(lines));
        edit.resize(480, 640);
        edit.show();
        ruler->lineIndices();
        QCoreApplication::processEvents(); // the thickness settles
        QScrollBar *bar = edit.verticalScrollBar();
        bar->setValue((bar->minimum() + bar->maximum()) / 2);
        QCoreApplication::processEvents();
    }
    Edit edit;
    NTXLineNumberRuler *ruler;
};

void BM_RulerRepaint(benchmark::State &state)
{
    const int lines = int(state.range(0));
    Beside beside(lines);
    QImage image(beside.ruler->size(), QImage::Format_ARGB32_Premultiplied);
    double seconds = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        const double start = benchclock::threadCpuSeconds();
        beside.ruler->render(&image);
        seconds += benchclock::threadCpuSeconds() - start;
        ++rounds;
    }
    repaintSeconds()[lines] = seconds / double(std::max<int64_t>(rounds, 1));
    state.counters["repaint_us"] = repaintSeconds()[lines] * 1e6;
}

void BM_CalculateLines(benchmark::State &state)
{
    Beside beside(int(state.range(0)));
    double seconds = 0;
    int64_t rounds = 0;
    for (auto _ : state) {
        const double start = benchclock::threadCpuSeconds();
        beside.ruler->invalidateLineIndices();
        beside.ruler->calculateLines();
        seconds += benchclock::threadCpuSeconds() - start;
        ++rounds;
    }
    calculateSeconds() = seconds / double(std::max<int64_t>(rounds, 1));
    state.counters["calculate_ms"] = calculateSeconds() * 1e3;
}

} // namespace

BENCHMARK(BM_RulerRepaint)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond)->MinTime(1.0);
BENCHMARK(BM_CalculateLines)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(1.0);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const auto &r = repaintSeconds();
    if (r.count(1000) && r.count(100000) && r.at(1000) > 0)
        std::printf("ruler repaint CPU: %.1f us at 1,000 lines, %.1f us at 100,000, ratio %.2f; "
                    "calculateLines at 100,000 lines %.2f ms\n",
                    r.at(1000) * 1e6, r.at(100000) * 1e6, r.at(100000) / r.at(1000), calculateSeconds() * 1e3);
    return 0;
}
