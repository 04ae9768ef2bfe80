#include "platform/base/ProcessMark.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace vq {
namespace {

std::uint32_t Fnv1a(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::uint32_t MachineHash() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return 0;
    return Fnv1a(name);
}

std::uint32_t BootHash() {
    std::string id = FileText("/proc/sys/kernel/random/boot_id");
    while (!id.empty() && (id.back() == '\n' || id.back() == ' '))
        id.pop_back();
    return id.empty() ? 0 : Fnv1a(id);
}

// The fields of /proc/<pid>/stat after the program's name (which may hold blanks and brackets):
// the state first, then the parent, the group, the session, ... the start time as the 20th.
bool StatFields(long pid, std::vector<std::string>& fields) {
    const std::string text = FileText("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return false;
    std::istringstream rest(text.substr(close + 1));
    fields.assign(std::istream_iterator<std::string>(rest), std::istream_iterator<std::string>());
    return fields.size() >= 20;
}

bool ProcFilesystem() {
    std::vector<std::string> fields;
    return StatFields(static_cast<long>(::getpid()), fields);
}

} // namespace

ProcessMark ThisProcessMark() {
    // Read once a process: a child made by fork reads its own.
    static std::mutex mutex;
    static ProcessMark mark;
    const long pid = static_cast<long>(::getpid());
    std::lock_guard<std::mutex> lock(mutex);
    if (mark.pid != pid && !MarkOfProcess(pid, mark)) {
        mark.machine = MachineHash();
        mark.boot = BootHash();
        mark.pid = pid;
        mark.start = 0;
    }
    return mark;
}

bool MarkOfProcess(long pid, ProcessMark& mark) {
    std::vector<std::string> fields;
    if (!StatFields(pid, fields) || fields[0] == "Z" || fields[0] == "X")
        return false;
    mark.machine = MachineHash();
    mark.boot = BootHash();
    mark.pid = pid;
    mark.start = std::strtoull(fields[19].c_str(), nullptr, 10);
    return true;
}

std::string MarkText(const ProcessMark& mark) {
    char text[80];
    std::snprintf(text, sizeof text, "%08x%08x-%ld-%llu", mark.machine, mark.boot, mark.pid, mark.start);
    return text;
}

bool ParseMark(const std::string& text, ProcessMark& mark) {
    unsigned machine = 0, boot = 0;
    long pid = 0;
    unsigned long long start = 0;
    int used = 0;
    if (text.size() < 20 ||
        std::sscanf(text.c_str(), "%8x%8x-%ld-%llu%n", &machine, &boot, &pid, &start, &used) != 4 ||
        static_cast<std::size_t>(used) != text.size() || pid <= 0 ||
        text.find_first_of("+ ") != std::string::npos)
        return false;
    mark = ProcessMark{machine, boot, pid, start};
    return MarkText(mark) == text;
}

bool ProcessHasEnded(const ProcessMark& mark) {
    const ProcessMark own = ThisProcessMark();
    if (mark.machine != own.machine)
        return false;
    if (mark.boot != own.boot)
        return own.boot != 0 && mark.boot != 0;
    if (!ProcFilesystem())
        return ::kill(static_cast<pid_t>(mark.pid), 0) != 0 && errno == ESRCH;
    ProcessMark now;
    return !MarkOfProcess(mark.pid, now) || now.start != mark.start;
}

bool SessionMayRun(long session) {
    if (!ProcFilesystem())
        return true;
    DIR* proc = ::opendir("/proc");
    if (!proc)
        return true;
    bool found = false;
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0')
            continue;
        std::vector<std::string> fields;
        if (StatFields(pid, fields) && fields[0] != "Z" && fields[0] != "X" &&
            std::atol(fields[3].c_str()) == session) {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

} // namespace vq
