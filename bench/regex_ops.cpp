// Splitting a large subject: the layer against a bare ICU loop.
//
// A subject of N million UTF-16 units made of 9-unit words and commas (so 10 MB of
// units give a million pieces) is split by "," through componentsSeparatedByRegex,
// and by a bare uregex_findNext loop building the same QStringList, in the same run.
// Reported: CPU time per call for 1, 2, 5 and 10 million units, the layer/ICU ratio
// at 10 million (goal at most 1.5) and the layer's time per million units at each
// size (linear when these stay flat).
#include "bench/BenchClock.h"
#include "components/regex/RGXAdditions.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdio>
#include <ctime>
#include <map>

#include <unicode/uregex.h>

namespace {

using namespace RGXAdditions;


std::map<std::pair<int, int64_t>, double> &results() // (which, units) -> ns per call
{
    static std::map<std::pair<int, int64_t>, double> r;
    return r;
}

QString subjectOf(int64_t units)
{
    QString s;
    s.reserve(units);
    for (int64_t i = 0; s.size() < units; ++i)
        s += QStringLiteral("w%1,").arg(i % 100000000, 8, 10, QLatin1Char('0'));
    s.truncate(units);
    return s;
}

QStringList bareSplit(URegularExpression *re, const QString &s)
{
    UErrorCode status = U_ZERO_ERROR;
    uregex_setText(re, reinterpret_cast<const UChar *>(s.utf16()), int32_t(s.size()), &status);
    QStringList out;
    int32_t at = 0;
    while (uregex_findNext(re, &status)) {
        const int32_t start = uregex_start(re, 0, &status);
        out.append(s.mid(at, start - at));
        at = uregex_end(re, 0, &status);
    }
    if (at < s.size())
        out.append(s.mid(at));
    return out;
}

template <typename Call>
void timed(benchmark::State &state, int which, Call call)
{
    int64_t calls = 0;
    const double start = (benchclock::threadCpuSeconds() * 1e9);
    for (auto _ : state) {
        call();
        ++calls;
    }
    results()[{which, state.range(0)}] = ((benchclock::threadCpuSeconds() * 1e9) - start) / double(std::max<int64_t>(calls, 1));
}

void BM_LayerSplit(benchmark::State &state)
{
    const QString s = subjectOf(state.range(0));
    timed(state, 0, [&] { benchmark::DoNotOptimize(componentsSeparatedByRegex(s, QStringLiteral(","))); });
}

void BM_BareICUSplit(benchmark::State &state)
{
    const QString s = subjectOf(state.range(0));
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression *re = uregex_open(u",", 1, 0, nullptr, &status);
    timed(state, 1, [&] { benchmark::DoNotOptimize(bareSplit(re, s)); });
    uregex_close(re);
}

} // namespace

BENCHMARK(BM_LayerSplit)->Arg(1000000)->Arg(2000000)->Arg(5000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BareICUSplit)->Arg(1000000)->Arg(2000000)->Arg(5000000)->Arg(10000000)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    auto &r = results();
    for (const int64_t units : {1000000, 2000000, 5000000, 10000000}) {
        if (!r.count({0, units}) || !r.count({1, units}))
            continue;
        std::printf("%2lld M units: layer %.1f ms (%.1f ms per M), bare ICU %.1f ms, ratio %.2f\n",
                    (long long)(units / 1000000), r[{0, units}] / 1e6, r[{0, units}] / 1e6 / double(units / 1000000),
                    r[{1, units}] / 1e6, r[{0, units}] / r[{1, units}]);
    }
    return 0;
}
