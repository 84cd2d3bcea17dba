// The regular-expression layer's match core against bare ICU.
//
// One 200-unit subject, one expression, 64 ranges taken in turn (so ICU gets a new
// text every call and really searches): the range of the first match through the
// dispatcher (operation 3, warm cache) against uregex_setText + uregex_find +
// uregex_start/uregex_end on the same pattern and ranges. The goal is a ratio of at
// most 1.1. Also the cost of one cache lookup on each path: the same QString as last
// time, an equal QString (hint table), a set probe (hint taken by another
// expression) and a miss (compiling).
#include "bench/BenchClock.h"
#include "components/regex/RGXAdditions.h"
#include "components/regex/RGXRegexCore.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <ctime>
#include <cstdio>
#include <map>
#include <string>

namespace {

using namespace RGXAdditions;
using namespace RGXAdditions::detail;

constexpr int Ranges = 64;
const QString Pattern = QString::fromLatin1("[0-9]+x"); // heap data: the identity fast path

std::map<std::string, double> &nsPerCall()
{
    static std::map<std::string, double> results;
    return results;
}

QString subject()
{
    QString s;
    for (int i = 0; s.size() < 200; ++i)
        s += QStringLiteral("word%1 ").arg(i * 7919 % 1000) + (i % 5 == 4 ? QStringLiteral("42x ") : QString());
    s.truncate(200);
    return s;
}

Range rangeAt(int i)
{
    return Range(i, 200 - i - (i % 3));
}

// CPU time of this thread: the machine is shared, wall time is not a fair measure.

template <typename Step>
void timed(benchmark::State &state, const char *name, Step step)
{
    qint64 calls = 0;
    const double start = (benchclock::threadCpuSeconds() * 1e9);
    for (auto _ : state) {
        step(calls);
        ++calls;
    }
    const double ns = (benchclock::threadCpuSeconds() * 1e9) - start;
    nsPerCall()[name] = ns / double(std::max<qint64>(calls, 1));
}

void BM_Dispatcher(benchmark::State &state)
{
    const QString text = subject();
    const RGXMethod method{"NSString", false, "rangeOfRegex:options:inRange:capture:error:"};
    timed(state, "dispatcher", [&](qint64 i) {
        Range range = rangeAt(int(i % Ranges));
        Range found;
        rgx_performRegexOp(method, RGXMatchRangeOp, Pattern, 0, 0, text, &range, nullptr, nullptr, &found, 0, nullptr,
                           nullptr);
        benchmark::DoNotOptimize(found);
    });
}

void BM_BareICU(benchmark::State &state)
{
    const QString text = subject();
    UErrorCode status = U_ZERO_ERROR;
    URegularExpression *re = uregex_open(reinterpret_cast<const UChar *>(Pattern.utf16()), int32_t(Pattern.size()), 0,
                                         nullptr, &status);
    const auto *units = reinterpret_cast<const UChar *>(text.utf16());
    timed(state, "icu", [&](qint64 i) {
        const Range range = rangeAt(int(i % Ranges));
        uregex_setText(re, units + range.location, int32_t(range.length), &status);
        Range found;
        if (uregex_find(re, 0, &status)) {
            const int32_t start = uregex_start(re, 0, &status);
            found = Range(start + range.location, uregex_end(re, 0, &status) - start);
        }
        benchmark::DoNotOptimize(found);
    });
    uregex_close(re);
}

int setOf(const QString &regex)
{
    return int(std::uint32_t(qHash(QStringView(regex), size_t(0))) % 13);
}

void BM_LookupSame(benchmark::State &state)
{
    const QString regex = QString::fromLatin1("(a)(b)");
    timed(state, "lookup same QString", [&](qint64) { benchmark::DoNotOptimize(captureCount(regex)); });
}

void BM_LookupEqual(benchmark::State &state)
{
    const QString a = QString::fromLatin1("(a)(b)c");
    const QString b = QString(QStringLiteral("(a)(b)")) + QLatin1Char('c');
    timed(state, "lookup equal QString", [&](qint64 i) { benchmark::DoNotOptimize(captureCount(i % 2 ? a : b)); });
}

void BM_LookupSetProbe(benchmark::State &state)
{
    // Two expressions whose strings share one hint entry: each lookup finds the
    // other's slot there and probes its set.
    std::vector<QString> keep;
    QString x = QStringLiteral("(x)").append(QString());
    QString y;
    for (int i = 0; y.isNull(); ++i) {
        QString candidate = QStringLiteral("(y%1)").arg(i);
        if (((quintptr(candidate.constData()) >> 4) & 63) == ((quintptr(x.constData()) >> 4) & 63))
            y = candidate;
        else
            keep.push_back(candidate);
    }
    timed(state, "lookup set probe", [&](qint64 i) { benchmark::DoNotOptimize(captureCount(i % 2 ? x : y)); });
}

void BM_LookupMiss(benchmark::State &state)
{
    // Five expressions of one set taken in turn: four ways, so every lookup compiles.
    std::map<int, QStringList> bySet;
    QStringList five;
    for (int i = 0; five.isEmpty(); ++i) {
        const QString e = QStringLiteral("(m)[a-z]+%1").arg(i);
        QStringList &list = bySet[setOf(e)];
        list.append(e);
        if (list.size() == 5)
            five = list;
    }
    timed(state, "lookup miss (compile)", [&](qint64 i) { benchmark::DoNotOptimize(captureCount(five[i % 5])); });
}

} // namespace

BENCHMARK(BM_Dispatcher)->MinTime(1.0);
BENCHMARK(BM_BareICU)->MinTime(1.0);
BENCHMARK(BM_LookupSame)->MinTime(0.5);
BENCHMARK(BM_LookupEqual)->MinTime(0.5);
BENCHMARK(BM_LookupSetProbe)->MinTime(0.5);
BENCHMARK(BM_LookupMiss)->MinTime(0.5);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    const auto &r = nsPerCall();
    if (r.count("dispatcher") && r.count("icu"))
        std::printf("match range (CPU per call): dispatcher %.1f ns, bare ICU %.1f ns, ratio %.3f\n", r.at("dispatcher"),
                    r.at("icu"), r.at("dispatcher") / r.at("icu"));
    for (const char *name : {"lookup same QString", "lookup equal QString", "lookup set probe", "lookup miss (compile)"})
        if (r.count(name))
            std::printf("%s: %.1f ns\n", name, r.at(name));
    return 0;
}
