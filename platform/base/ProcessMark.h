// Who made a file, lastingly enough for a later run to tell whether its maker still runs: the
// machine, the boot, the PID and time namespaces the process ran in, its process id and its start
// time (an id alone may have been given to another process since).
//
// A maker is taken for ended only when that is proven from here. A process of another machine, or
// of a PID namespace this process cannot look into (a sandbox or container sharing the temporary
// folder), may still run whatever this process sees, and so may one whose files cannot be read.
// Reading another process's files never throws: a process that ends while it is read has ended.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vq {

struct ProcessMark {
    // The machine's identity: a hash of its machine id (/etc/machine-id, else
    // /var/lib/dbus/machine-id), else of its host name. In a mark of the earlier form, a hash of the
    // host name.
    std::uint64_t machine = 0;
    std::uint32_t boot = 0;       // a hash of the kernel's boot id
    std::uint32_t pidSpace = 0;   // the inode of the PID namespace; 0 when unknown
    std::uint32_t timeSpace = 0;  // the inode of the time namespace; 0 when the kernel has none
    long pid = 0;                 // in the PID namespace above
    unsigned long long start = 0; // clock ticks after boot; 0 when it cannot be read
    // Of the form earlier builds wrote: the host name's hash, the boot, the id and the start only.
    bool earlierForm = false;
    bool operator==(const ProcessMark&) const = default;
};

// The mark of this process.
ProcessMark ThisProcessMark();
// The mark of a running process that this process sees, by its id: of this machine, boot and
// namespaces; false when it does not run.
bool MarkOfProcess(long pid, ProcessMark& mark);

// "<machine><boot><pid namespace><time namespace>-<pid>-<start>" (the hashes and inodes in hex,
// sixteen digits for the machine and eight for each other), and back. Marks of the earlier form,
// "<machine><boot>-<pid>-<start>" with eight digits each, are read as well.
std::string MarkText(const ProcessMark& mark);
bool ParseMark(const std::string& text, ProcessMark& mark);

// Whether the process of a mark has ended for certain. It has when it ran on this machine (by its
// machine id) in an earlier boot; or in this boot and this PID namespace while no process of its id
// and start time runs (a zombie has ended); or in this boot in another PID namespace (or in a mark
// of the earlier form, whose namespace is unknown, made on a machine of this host name in this
// boot) while this process sees every process of the machine (it runs in the first PID namespace)
// and none of them started at that moment. Anything else may still run.
bool ProcessHasEnded(const ProcessMark& mark);

// Whether the marks name processes of one machine, boot and PID namespace (the process ids of one
// may be looked up by the other).
bool SameProcessSpace(const ProcessMark& a, const ProcessMark& b);

// Whether a process of the session (by its id) may still run on this machine: false only when none
// does for certain.
bool SessionMayRun(long session);

// For each folder (an absolute path without a trailing separator): whether a process that this
// process can look into has a file inside it open or mapped, or works in it. Processes of other
// users and of namespaces this process cannot see are not looked into; a process that ends
// meanwhile holds nothing.
std::vector<bool> FoldersInUse(const std::vector<std::string>& folders);

} // namespace vq
