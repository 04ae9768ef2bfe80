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
    bool killed = false;   // it was ended by SIGKILL (DbWorkspace::RunHostKilledAtInsert)
    int signal = 0;        // the signal that ended it, 0 when it exited (FinishHost)
};

// args are appended to the host's path as written (quote paths with spaces yourself).
HostRun RunHost(const std::string& args);

// Runs the host with these arguments (no shell), measuring its wall time, processor time and
// peak memory.
HostRun RunHostMeasured(const std::vector<std::string>& args);
// Runs the host as the user uid (through setpriv when it is not the user the test runs as: the
// test must run as root), with the variables of env ("NAME=value") set beside the test's own.
HostRun RunHostAs(unsigned uid, const std::vector<std::string>& env, const std::vector<std::string>& args);

// The same for another program of the build or the system, by its path.
HostRun RunProgramMeasured(const std::string& program, const std::vector<std::string>& args);

// Starts the host with these arguments (no shell), its output going to outputFile; the process
// id, or -1 when it could not be started.
int StartHost(const std::vector<std::string>& args, const std::string& outputFile);
// The same for another program of the build or the system, by its path.
int StartProgram(const std::string& program, const std::vector<std::string>& args,
                 const std::string& outputFile);
// Waits for a host started by StartHost to end (wait false: only when it has ended already, else
// false) and fills run with its output and how it ended.
bool FinishHost(int pid, const std::string& outputFile, HostRun& run, bool wait = true);

} // namespace vqtest
