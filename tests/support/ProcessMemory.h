#pragma once
// This process's resident memory, for the tests and benchmarks that measure it
// (Linux /proc; 0 where it cannot be read). Header-only: the benchmarks link no test
// support library.
#include <fstream>
#include <string>

namespace testsupport {

// A field of /proc/self/status ("VmRSS", "VmHWM", …) in MiB.
inline double statusMiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return std::stod(line.substr(prefix.size())) / 1024.0;
    return 0.0;
}

// Starts the peak resident size (VmHWM) afresh from the current resident size.
inline void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

inline double residentMiB() { return statusMiB("VmRSS"); }
inline double peakResidentMiB() { return statusMiB("VmHWM"); }

} // namespace testsupport
