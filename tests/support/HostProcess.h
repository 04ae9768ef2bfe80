// Runs the host program (vqhost of this build) as a person or a script would, and collects
// what it prints (standard output and error together) and its exit status.
#pragma once

#include <string>

namespace vqtest {

struct HostRun {
    std::string out;
    int status = -1; // the exit status; -1 when it did not exit normally
};

// args are appended to the host's path as written (quote paths with spaces yourself).
HostRun RunHost(const std::string& args);

} // namespace vqtest
