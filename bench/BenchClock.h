#pragma once
// CPU time for the benchmarks: the machine may be shared, so wall time says little.
// The process's time for work spread over threads, the calling thread's for work
// that stays on it.
#include <ctime>

namespace benchclock {

inline double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

inline double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

} // namespace benchclock
