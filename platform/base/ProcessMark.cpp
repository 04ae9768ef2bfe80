#include "platform/base/ProcessMark.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace vq {
namespace {

// The inodes the kernel gives its first PID and time namespaces (those of init).
constexpr std::uint32_t kFirstPidSpace = 0xEFFFFFFCu;
constexpr std::uint32_t kFirstTimeSpace = 0xEFFFFFFAu;

std::uint32_t Fnv1a(const std::string& text) {
    std::uint32_t hash = 2166136261u;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 16777619u;
    }
    return hash;
}

std::uint64_t Fnv1a64(const std::string& text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return hash;
}

// A descriptor closed when it goes out of scope (only ever one opened for reading).
class ReadDescriptor {
public:
    explicit ReadDescriptor(int fd) : m_fd(fd) {}
    ~ReadDescriptor() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ReadDescriptor(const ReadDescriptor&) = delete;
    ReadDescriptor& operator=(const ReadDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

class OpenDirectory {
public:
    explicit OpenDirectory(const char* path) : m_dir(::opendir(path)) {}
    ~OpenDirectory() {
        if (m_dir)
            ::closedir(m_dir);
    }
    OpenDirectory(const OpenDirectory&) = delete;
    OpenDirectory& operator=(const OpenDirectory&) = delete;
    DIR* get() const { return m_dir; }
    // The next entry's name; nullptr at the end, and when the listing failed (failed() then says so).
    const char* Next() {
        errno = 0;
        const dirent* entry = ::readdir(m_dir);
        if (!entry) {
            m_failed = errno != 0;
            return nullptr;
        }
        return entry->d_name;
    }
    bool failed() const { return m_failed; }

private:
    DIR* m_dir;
    bool m_failed = false;
};

// What reading a file of /proc came to: its text, the process gone (it ended before or while it was
// read: ENOENT or ESRCH), or a failure that tells nothing (no permission, say).
enum class Read { kDone, kGone, kFailed };

bool GoneError(int error) {
    return error == ENOENT || error == ESRCH;
}

// Reads a whole file with plain reads: a process that ends meanwhile gives kGone, never an
// exception.
Read ReadFileText(const std::string& path, std::string& text) {
    text.clear();
    int fd;
    do
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return GoneError(errno) ? Read::kGone : Read::kFailed;
    const ReadDescriptor file(fd);
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(file.get(), buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0) {
            return Read::kDone;
        } else if (errno != EINTR) {
            return GoneError(errno) ? Read::kGone : Read::kFailed;
        }
    }
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ' || text.back() == '\t'))
        text.pop_back();
    return text;
}

// A machine id as systemd writes it: 32 hex digits ("uninitialized" and empty files are not ids).
bool ReadMachineId(const char* path, std::string& id) {
    if (ReadFileText(path, id) != Read::kDone)
        return false;
    id = Trimmed(id);
    return id.size() == 32 && id.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
}

std::string HostName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (::gethostname(name, sizeof name - 1) != 0)
        return std::string();
    return name;
}

std::uint32_t NamespaceInode(const char* path) {
    struct stat st;
    if (::stat(path, &st) != 0)
        return 0;
    const auto inode = static_cast<std::uint64_t>(st.st_ino);
    return static_cast<std::uint32_t>(inode ^ (inode >> 32));
}

// What this process knows of where it runs.
struct Identity {
    std::uint64_t machine = 0;
    bool machineById = false;   // from a machine id, not the host name
    std::uint32_t hostHash = 0; // the machine of the earlier form
    std::uint32_t boot = 0;
    std::uint32_t pidSpace = 0;
    std::uint32_t timeSpace = 0;
    bool procIsOurs = false; // /proc shows the processes of this process's PID namespace
};

Identity ReadIdentity() {
    Identity identity;
    std::string id;
    const std::string host = HostName();
    // Two machines may have one host name (and a sandbox another one than its machine): the
    // machine id tells them apart. The host name serves only where the machine has no id.
    if (ReadMachineId("/etc/machine-id", id) || ReadMachineId("/var/lib/dbus/machine-id", id)) {
        for (char& c : id)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        identity.machine = Fnv1a64("machine-id:" + id);
        identity.machineById = true;
    } else if (!host.empty()) {
        identity.machine = Fnv1a64("host:" + host);
    }
    if (!host.empty())
        identity.hostHash = Fnv1a(host);
    std::string boot;
    if (ReadFileText("/proc/sys/kernel/random/boot_id", boot) == Read::kDone) {
        boot = Trimmed(boot);
        identity.boot = boot.empty() ? 0 : Fnv1a(boot);
    }
    identity.pidSpace = NamespaceInode("/proc/self/ns/pid");
    identity.timeSpace = NamespaceInode("/proc/self/ns/time");
    char self[32] = {};
    const ssize_t n = ::readlink("/proc/self", self, sizeof self - 1);
    identity.procIsOurs =
        n > 0 && std::string(self, static_cast<std::size_t>(n)) == std::to_string(::getpid());
    return identity;
}

struct ProcStat {
    char state = '?';
    long session = 0;
    unsigned long long start = 0;
    bool Ended() const { return state == 'Z' || state == 'X' || state == 'x'; }
};

// The fields of /proc/<pid>/stat after the program's name (which may hold blanks and brackets):
// the state first, then the parent, the group, the session, ... the start time as the 20th.
Read ReadStat(const std::string& pid, ProcStat& stat) {
    std::string text;
    const Read read = ReadFileText("/proc/" + pid + "/stat", text);
    if (read != Read::kDone)
        return read;
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return Read::kFailed;
    std::vector<std::string> fields;
    for (std::size_t at = close + 1; at < text.size();) {
        const std::size_t begin = text.find_first_not_of(" \n", at);
        if (begin == std::string::npos)
            break;
        const std::size_t end = std::min(text.find_first_of(" \n", begin), text.size());
        fields.push_back(text.substr(begin, end - begin));
        at = end;
    }
    if (fields.size() < 20 || fields[0].empty())
        return Read::kFailed;
    stat.state = fields[0][0];
    stat.session = std::strtol(fields[3].c_str(), nullptr, 10);
    stat.start = std::strtoull(fields[19].c_str(), nullptr, 10);
    return Read::kDone;
}

bool IsProcessId(const char* name) {
    if (!name || *name < '1' || *name > '9')
        return false;
    for (const char* c = name; *c; ++c)
        if (*c < '0' || *c > '9')
            return false;
    return true;
}

Identity OwnIdentity(ProcessMark* mark = nullptr) {
    // Read once a process: a child made by fork reads its own.
    static std::mutex mutex;
    static long readBy = 0;
    static Identity identity;
    static ProcessMark own;
    const long pid = static_cast<long>(::getpid());
    std::lock_guard<std::mutex> lock(mutex);
    if (readBy != pid) {
        identity = ReadIdentity();
        own = ProcessMark{};
        own.machine = identity.machine;
        own.boot = identity.boot;
        own.pidSpace = identity.pidSpace;
        own.timeSpace = identity.timeSpace;
        own.pid = pid;
        ProcStat stat;
        if (ReadStat("self", stat) == Read::kDone)
            own.start = stat.start;
        readBy = pid;
    }
    if (mark)
        *mark = own;
    return identity;
}

// Whether no process of this kernel that started at the given moment still runs, for certain: this
// process sees every process (it runs in the first PID namespace, with /proc of its own) and reads
// the start times as the kernel keeps them (the first time namespace), and every process listed
// could be read. A process hidden from this user (/proc mounted with hidepid) is another user's,
// never the maker of the user's own folder.
bool NoProcessStartedAt(unsigned long long start, const Identity& own) {
    if (start == 0 || !own.procIsOurs || own.pidSpace != kFirstPidSpace ||
        (own.timeSpace != 0 && own.timeSpace != kFirstTimeSpace))
        return false;
    OpenDirectory proc("/proc");
    if (!proc.get())
        return false;
    while (const char* name = proc.Next()) {
        if (!IsProcessId(name))
            continue;
        ProcStat stat;
        const Read read = ReadStat(name, stat);
        if (read == Read::kGone)
            continue;
        if (read != Read::kDone)
            return false;
        if (!stat.Ended() && stat.start == start)
            return false;
    }
    return !proc.failed();
}

} // namespace

ProcessMark ThisProcessMark() {
    ProcessMark mark;
    OwnIdentity(&mark);
    return mark;
}

bool MarkOfProcess(long pid, ProcessMark& mark) {
    ProcessMark own;
    if (pid <= 0 || !OwnIdentity(&own).procIsOurs)
        return false;
    ProcStat stat;
    if (ReadStat(std::to_string(pid), stat) != Read::kDone || stat.Ended())
        return false;
    mark = own;
    mark.pid = pid;
    mark.start = stat.start;
    return true;
}

std::string MarkText(const ProcessMark& mark) {
    char text[96];
    if (mark.earlierForm)
        std::snprintf(text, sizeof text, "%08x%08x-%ld-%llu", static_cast<unsigned>(mark.machine), mark.boot,
                      mark.pid, mark.start);
    else
        std::snprintf(text, sizeof text, "%016llx%08x%08x%08x-%ld-%llu",
                      static_cast<unsigned long long>(mark.machine), mark.boot, mark.pidSpace, mark.timeSpace,
                      mark.pid, mark.start);
    return text;
}

bool ParseMark(const std::string& text, ProcessMark& mark) {
    if (text.size() < 20 || text.find_first_of("+ ") != std::string::npos)
        return false;
    ProcessMark parsed;
    int used = 0;
    const std::size_t hexDigits = text.find('-');
    if (hexDigits == 40) {
        unsigned long long machine = 0;
        unsigned boot = 0, pidSpace = 0, timeSpace = 0;
        if (std::sscanf(text.c_str(), "%16llx%8x%8x%8x-%ld-%llu%n", &machine, &boot, &pidSpace, &timeSpace,
                        &parsed.pid, &parsed.start, &used) != 6)
            return false;
        parsed.machine = machine;
        parsed.boot = boot;
        parsed.pidSpace = pidSpace;
        parsed.timeSpace = timeSpace;
    } else if (hexDigits == 16) {
        unsigned machine = 0, boot = 0;
        if (std::sscanf(text.c_str(), "%8x%8x-%ld-%llu%n", &machine, &boot, &parsed.pid, &parsed.start,
                        &used) != 4)
            return false;
        parsed.machine = machine;
        parsed.boot = boot;
        parsed.earlierForm = true;
    } else {
        return false;
    }
    if (static_cast<std::size_t>(used) != text.size() || parsed.pid <= 0 || MarkText(parsed) != text)
        return false;
    mark = parsed;
    return true;
}

bool SameProcessSpace(const ProcessMark& a, const ProcessMark& b) {
    return !a.earlierForm && !b.earlierForm && a.machine == b.machine && a.boot == b.boot &&
           a.pidSpace == b.pidSpace && a.pidSpace != 0;
}

bool ProcessHasEnded(const ProcessMark& mark) {
    ProcessMark self;
    const Identity own = OwnIdentity(&self);
    if (mark.earlierForm) {
        // Earlier builds named the machine by its host name alone and kept no namespace: another
        // machine of the same host name, or a sandbox of this one, made the same mark. A different
        // boot therefore proves nothing, and in this boot (the same kernel) the process id may be
        // of another namespace: only no process of the machine having started at that moment
        // proves the maker ended. The maker is taken to have read the kernel's own clock (only
        // checkpoint/restore tools run a process in a time namespace of its own).
        return own.hostHash != 0 && mark.machine == own.hostHash && mark.boot != 0 && mark.boot == own.boot &&
               NoProcessStartedAt(mark.start, own);
    }
    if (own.machine == 0 || mark.machine != own.machine)
        return false;
    if (mark.boot != own.boot)
        // An earlier boot of this machine: all its processes have ended. Machines named only by
        // their host name may be two, each in a boot of its own.
        return own.machineById && own.boot != 0 && mark.boot != 0;
    if (mark.pidSpace == 0 || mark.pidSpace != own.pidSpace)
        return mark.timeSpace == own.timeSpace && NoProcessStartedAt(mark.start, own);
    if (!own.procIsOurs)
        return ::kill(static_cast<pid_t>(mark.pid), 0) != 0 && errno == ESRCH;
    ProcStat stat;
    const Read read = ReadStat(std::to_string(mark.pid), stat);
    if (read == Read::kGone)
        return true;
    if (read != Read::kDone)
        return false;
    if (stat.Ended())
        return true;
    // Start times read in different time namespaces differ by the namespaces' offsets.
    return mark.timeSpace == own.timeSpace && mark.start != 0 && stat.start != mark.start;
}

bool SessionMayRun(long session) {
    if (!OwnIdentity().procIsOurs)
        return true;
    OpenDirectory proc("/proc");
    if (!proc.get())
        return true;
    while (const char* name = proc.Next()) {
        if (!IsProcessId(name))
            continue;
        // A process that ended meanwhile, or cannot be read (another user's), is not of the
        // session.
        ProcStat stat;
        if (ReadStat(name, stat) == Read::kDone && !stat.Ended() && stat.session == session)
            return true;
    }
    return proc.failed();
}

std::vector<bool> FoldersInUse(const std::vector<std::string>& folders) {
    std::vector<bool> used(folders.size(), false);
    if (folders.empty())
        return used;
    // The paths the processes' links name: the folders' real paths.
    std::vector<std::string> real;
    for (const std::string& folder : folders) {
        char resolved[PATH_MAX];
        real.push_back(::realpath(folder.c_str(), resolved) ? std::string(resolved) : folder);
    }
    const auto mark = [&](const std::string& target) {
        for (std::size_t i = 0; i < real.size(); ++i)
            if (target.compare(0, real[i].size(), real[i]) == 0 &&
                (target.size() == real[i].size() || target[real[i].size()] == '/'))
                used[i] = true;
    };
    const auto link = [](int dir, const char* name, std::string& target) {
        char buffer[PATH_MAX];
        const ssize_t n = ::readlinkat(dir, name, buffer, sizeof buffer);
        if (n <= 0 || static_cast<std::size_t>(n) >= sizeof buffer)
            return false;
        target.assign(buffer, static_cast<std::size_t>(n));
        return true;
    };
    OpenDirectory proc("/proc");
    if (!proc.get())
        return std::vector<bool>(folders.size(), true);
    std::string target, maps;
    while (const char* name = proc.Next()) {
        if (!IsProcessId(name))
            continue;
        const std::string base = std::string("/proc/") + name;
        if (link(AT_FDCWD, (base + "/cwd").c_str(), target))
            mark(target);
        OpenDirectory descriptors((base + "/fd").c_str());
        if (descriptors.get()) {
            const int dir = ::dirfd(descriptors.get());
            while (const char* fd = descriptors.Next())
                if (*fd != '.' && link(dir, fd, target))
                    mark(target);
        }
        if (ReadFileText(base + "/maps", maps) == Read::kDone)
            for (std::size_t i = 0; i < real.size(); ++i)
                if (maps.find(real[i] + "/") != std::string::npos)
                    used[i] = true;
    }
    // Without the whole list nothing is known not to be in use.
    if (proc.failed())
        return std::vector<bool>(folders.size(), true);
    return used;
}

} // namespace vq
