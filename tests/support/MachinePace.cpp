#include "tests/support/MachinePace.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace testsupport::MachinePace {

namespace {

// The reference work's time on a quiet machine (an 8-processor virtual machine of the
// project's kind, nothing else running: the fastest of 400 runs).
constexpr qint64 ReferenceWorkQuietNs = 820 * 1000;
// The pages the work writes afresh each time, and how often it reads them all.
constexpr std::size_t ReferenceBytes = 256 * 1024;
constexpr int ReferencePasses = 24;
// How many samples are kept: ten minutes of the watcher's ten a second.
constexpr std::size_t KeptSamples = 6000;

struct Sample
{
    qint64 at = 0; // when it ended
    qint64 ownNs = 0; // the work's time, less its wait for a processor
    double share = 1; // threads ready to run over processors, at least 1
};

struct Samples
{
    std::mutex mutex;
    std::vector<Sample> ring;
    std::size_t next = 0;
    qint64 fastest = ReferenceWorkQuietNs;
};

Samples &samples()
{
    static Samples *s = new Samples; // never destroyed: the watcher may outlive main()
    return *s;
}

// The calling thread's time waiting for a processor since it started (the kernel's
// scheduler statistics), or -1.
qint64 waitedForAProcessor()
{
    const int file = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return -1;
    char text[128] = {};
    const ssize_t got = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (got <= 0)
        return -1;
    char *end = nullptr;
    (void)std::strtoll(text, &end, 10); // its time on a processor
    if (end == text)
        return -1;
    const char *waited = end;
    const long long value = std::strtoll(waited, &end, 10);
    return end == waited ? -1 : qint64(value);
}

// The threads ready to run now over the machine's processors (the fourth field of
// /proc/loadavg, "ready/all", counts the reader itself), at least 1.
double readyThreadsShare()
{
    static const long processors = std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN));
    const int file = ::open("/proc/loadavg", O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return 1;
    char text[128] = {};
    const ssize_t got = ::read(file, text, sizeof text - 1);
    ::close(file);
    if (got <= 0)
        return 1;
    const char *at = text;
    for (int field = 0; field < 3 && at; ++field) {
        at = std::strchr(at, ' ');
        if (at)
            ++at;
    }
    if (!at)
        return 1;
    const long ready = std::strtol(at, nullptr, 10);
    return std::max(1.0, double(ready) / double(processors));
}

// The reference work: the same instructions and memory whatever the build (optimised,
// and not instrumented by the sanitizers, whose cost is not the machine's).
__attribute__((noinline, no_sanitize("address", "undefined")
#if defined(__GNUC__) && !defined(__clang__)
               , optimize("O2")
#endif
               )) std::uint64_t referenceWork()
{
    void *mapped = ::mmap(nullptr, ReferenceBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return 0;
    auto *words = static_cast<volatile std::uint64_t *>(mapped);
    constexpr std::size_t count = ReferenceBytes / sizeof(std::uint64_t);
    for (std::size_t i = 0; i < count; ++i)
        words[i] = i * 0x9E3779B97F4A7C15ull;
    std::uint64_t hash = 1469598103934665603ull;
    for (int pass = 0; pass < ReferencePasses; ++pass) {
        for (std::size_t i = 0; i < count; ++i)
            hash = (hash ^ words[(i * 97) % count]) * 1099511628211ull;
    }
    ::munmap(mapped, ReferenceBytes);
    return hash;
}

// The samples in [from, to], and the one just before `from`.
std::vector<Sample> samplesIn(Samples &s, qint64 from, qint64 to)
{
    std::vector<Sample> found;
    const Sample *before = nullptr;
    for (const Sample &sample : s.ring) {
        if (sample.at == 0)
            continue;
        if (sample.at >= from && sample.at <= to)
            found.push_back(sample);
        else if (sample.at < from && (!before || sample.at > before->at))
            before = &sample;
    }
    if (before)
        found.push_back(*before);
    return found;
}

} // namespace

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void sample()
{
    const qint64 waitedBefore = waitedForAProcessor();
    const qint64 start = nowNs();
    static volatile std::uint64_t sink = 0;
    sink = sink + referenceWork();
    const qint64 end = nowNs();
    const qint64 waitedAfter = waitedForAProcessor();
    if (waitedBefore < 0 || waitedAfter < 0)
        return;
    const qint64 own = std::max<qint64>(1, (end - start) - (waitedAfter - waitedBefore));
    const double share = readyThreadsShare();
    Samples &s = samples();
    const std::lock_guard<std::mutex> lock(s.mutex);
    if (s.ring.size() < KeptSamples)
        s.ring.push_back({end, own, share});
    else
        s.ring[s.next++ % KeptSamples] = {end, own, share};
    s.fastest = std::min(s.fastest, own);
}

double holdFactor(qint64 fromNs, qint64 toNs)
{
    Samples &s = samples();
    const std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<Sample> found = samplesIn(s, fromNs, toNs);
    if (found.empty())
        return 1;
    std::vector<qint64> times;
    for (const Sample &sample : found)
        times.push_back(sample.ownNs);
    const auto middle = times.begin() + qsizetype(times.size() / 2);
    std::nth_element(times.begin(), middle, times.end());
    return std::clamp(double(*middle) / double(s.fastest), 1.0, HoldFactorCap);
}

double testFactor(qint64 fromNs, qint64 toNs)
{
    Samples &s = samples();
    const std::lock_guard<std::mutex> lock(s.mutex);
    const std::vector<Sample> found = samplesIn(s, fromNs, toNs);
    if (found.empty())
        return 1;
    double own = 0;
    double share = 0;
    for (const Sample &sample : found) {
        own += double(sample.ownNs) / double(s.fastest);
        share += sample.share;
    }
    own /= double(found.size());
    share /= double(found.size());
    return std::clamp(own * share, 1.0, TestFactorCap);
}

qint64 stretchedMs(qint64 ms, qint64 sinceNs)
{
    return qint64(double(ms) * testFactor(sinceNs, nowNs()));
}

} // namespace testsupport::MachinePace
