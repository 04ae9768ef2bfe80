// Runs the host program (vqhost of this build) as a person or a script would, and collects
// what it prints (standard output and error together) and its exit status.
#pragma once

#include <string>
#include <vector>

namespace vqtest {

struct HostRun {
    std::string out;
    int status = -1;       // the exit status; -1 when it did not exit normally
    double seconds = 0;    // wall time of the run (RunHostMeasured)
    long peakKiB = 0;      // the host's peak resident memory (RunHostMeasured)
    double cpuSeconds = 0; // user and system time of the run (RunHostMeasured)
};

// args are appended to the host's path as written (quote paths with spaces yourself).
HostRun RunHost(const std::string& args);

// Runs the host with these arguments (no shell), measuring its wall time, processor time and
// peak memory.
HostRun RunHostMeasured(const std::vector<std::string>& args);
// The same for another program of the build or the system, by its path.
HostRun RunProgramMeasured(const std::string& program, const std::vector<std::string>& args);

} // namespace vqtest
