// Who made a file, lastingly enough for a later run to tell whether its maker still runs: the
// machine, the boot, the process id and the process's start time (an id alone may have been given
// to another process since).
#pragma once

#include <cstdint>
#include <string>

namespace vq {

struct ProcessMark {
    std::uint32_t machine = 0; // a hash of the host name
    std::uint32_t boot = 0;    // a hash of the kernel's boot id
    long pid = 0;
    unsigned long long start = 0; // clock ticks after boot; 0 when it cannot be read
    bool operator==(const ProcessMark&) const = default;
};

// The mark of this process.
ProcessMark ThisProcessMark();
// The mark of a running process of this machine, by its id; false when it does not run.
bool MarkOfProcess(long pid, ProcessMark& mark);

// "<machine><boot>-<pid>-<start>" (the hashes as eight hex digits each), and back.
std::string MarkText(const ProcessMark& mark);
bool ParseMark(const std::string& text, ProcessMark& mark);

// Whether the process of a mark has ended for certain: it was started on this machine, and either
// in an earlier boot or no process of its id with its start time runs (a zombie has ended). A
// process of another machine, or one that cannot be checked, may still run.
bool ProcessHasEnded(const ProcessMark& mark);

// Whether a process of the session (by its id) may still run on this machine: false only when none
// does for certain.
bool SessionMayRun(long session);

} // namespace vq
