#pragma once
// The start of a benchmark program that makes widgets: the heap as the program sets
// it, offscreen unless the environment names a platform, a QApplication for the length
// of the run, then the benchmarks the command line selects. The caller prints its
// figures afterwards.
#include "platform/foundation/ThreadHeap.h"

#include <benchmark/benchmark.h>

#include <QApplication>

namespace benchmain {

inline void runWidgetBenchmarks(int argc, char **argv)
{
    // The heap as the program's launch sets it.
    platform::ThreadHeap::mergeFreedBlocksWhereFreed();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
}

} // namespace benchmain
