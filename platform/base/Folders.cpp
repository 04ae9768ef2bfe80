#include "platform/base/Folders.h"

#include "platform/base/ProcessMark.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

CString EnvText(const char* name) {
    const char* v = std::getenv(name);
    return CString(v ? v : "");
}

CString WithoutTrailingSeparator(CString path) {
    while (path.GetLength() > 1 && path[path.GetLength() - 1] == '/')
        path = path.Left(path.GetLength() - 1);
    return path;
}

CString ConfigFolder(const char* variable) {
    CString dir = EnvText(variable);
    if (dir.IsEmpty()) {
        CString xdg = EnvText("XDG_CONFIG_HOME");
        if (!xdg.IsEmpty()) {
            dir = WithoutTrailingSeparator(xdg) + "/vqpdm";
        } else {
            CString home = EnvText("HOME");
            if (home.IsEmpty())
                return CString();
            dir = WithoutTrailingSeparator(home) + "/.config/vqpdm";
        }
    }
    return WithoutTrailingSeparator(dir);
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The entry of folder dir whose name equals name without regard to ASCII case; of several, the
// first in byte order, so the choice does not depend on the order the folder lists them in.
bool FindEntryNoCase(const std::string& dir, const std::string& name, std::string& found) {
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return false;
    std::vector<std::string> matches;
    while (dirent* e = ::readdir(d)) {
        if (vq::EqualNoCase(e->d_name, name))
            matches.emplace_back(e->d_name);
    }
    ::closedir(d);
    if (matches.empty())
        return false;
    found = *std::min_element(matches.begin(), matches.end());
    return true;
}

// The working folder this process chose for a temporary folder (both without a trailing '/': a
// trailing '/' would make lstat follow a link standing at the name).
std::mutex g_workingMutex;
std::map<std::string, std::string> g_workingFolders;

std::string UsualWorkingFolder(const std::string& temp) {
    return temp + "vqpdm-" + std::to_string(::geteuid());
}

// A folder fit to hold the user's copies: a real folder, the user's, closed to everybody else.
bool IsPrivateFolder(const std::string& folder) {
    struct stat st;
    return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

// Closes a real folder of the user's own (not a link) to everybody else; true when it is then the
// user's private folder. The mode is changed through the folder opened without following a link,
// so a link put at the name meanwhile is never followed.
bool ClosedOwnFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    const bool own = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    const bool closed = own && ((st.st_mode & 07777) == 0700 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    return closed && IsPrivateFolder(folder);
}

// Makes the usual folder when it is missing; true when it is (now) the user's private folder.
bool UsableUsualFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) == 0)
        return ::chmod(folder.c_str(), 0700) == 0 && IsPrivateFolder(folder);
    return errno == EEXIST && ClosedOwnFolder(folder);
}

// The folder "<usual>-XXXXXX" that an earlier run made because something else held the usual name,
// closed again; empty when there is none. Only a real folder of the user's own counts (nobody else
// can make one); of several (made by runs at the same moment) the one holding the registry store,
// else the first by name, so that every run takes the same one.
std::string EarlierRunsFolder(const std::string& temp, const std::string& usual) {
    const std::string prefix = usual.substr(temp.size()) + "-";
    DIR* d = ::opendir(temp.c_str());
    if (!d)
        return std::string();
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0 &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                        [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }))
            names.push_back(temp + name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    const auto own = [](const std::string& folder) {
        struct stat st;
        return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
    };
    const auto holdsRegistry = [](const std::string& folder) {
        struct stat st;
        return ::lstat((folder + "/registry").c_str(), &st) == 0;
    };
    std::stable_partition(names.begin(), names.end(), holdsRegistry);
    for (const std::string& folder : names)
        if (own(folder) && ClosedOwnFolder(folder))
            return folder;
    return std::string();
}

// The working folder (the usual one, or the one this process chose) that a path lies in, without
// a trailing '/'; empty when it lies in none. below gets the rest of the path inside it.
std::string WorkingFolderHolding(const CString& path, std::string* below = nullptr) {
    namespace fs = std::filesystem;
    const auto normal = [](const std::string& p) {
        std::error_code ec;
        const fs::path full = fs::absolute(fs::path(p), ec);
        return ec ? std::string() : full.lexically_normal().string();
    };
    const std::string native = vq::NativePath(path).str();
    const std::string full = native.empty() ? std::string() : normal(native);
    if (full.empty())
        return std::string();
    const std::string temp = vq::TempFolder().str();
    std::vector<std::string> folders{UsualWorkingFolder(temp)};
    {
        std::lock_guard<std::mutex> lock(g_workingMutex);
        const auto chosen = g_workingFolders.find(temp);
        if (chosen != g_workingFolders.end())
            folders.push_back(chosen->second);
    }
    for (const std::string& folder : folders) {
        const std::string inside = normal(folder + "/");
        if (!inside.empty() && full.size() > inside.size() && full.compare(0, inside.size(), inside) == 0) {
            if (below)
                *below = full.substr(inside.size());
            return folder;
        }
    }
    return std::string();
}

constexpr char kCallPrefix[] = "call-";
constexpr std::size_t kCallSuffixSize = 7; // "-XXXXXX"
constexpr char kViewersSuffix[] = ".viewers";

// The maker's mark in the name of a call folder, "call-<mark>-XXXXXX"; false for another name.
bool CallFolderMaker(const std::string& name, vq::ProcessMark& maker) {
    const std::size_t prefix = sizeof kCallPrefix - 1;
    if (name.compare(0, prefix, kCallPrefix) != 0 || name.size() <= prefix + kCallSuffixSize ||
        name[name.size() - kCallSuffixSize] != '-')
        return false;
    return vq::ParseMark(name.substr(prefix, name.size() - prefix - kCallSuffixSize), maker);
}

// The sessions of the viewers that were handed a copy of the folder, one a line of its record
// beside it ("<folder>.viewers").
std::vector<long> ViewerSessions(const std::string& folder) {
    std::vector<long> sessions;
    const int fd = ::open((folder + kViewersSuffix).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return sessions;
    std::string text;
    char buffer[512];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) != 0;) {
        if (n > 0)
            text.append(buffer, static_cast<std::size_t>(n));
        else if (errno != EINTR)
            break;
    }
    ::close(fd);
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        const long session = std::atol(text.substr(at, end - at).c_str());
        if (session > 0)
            sessions.push_back(session);
        at = end + 1;
    }
    return sessions;
}

// Whether a copy handed to a viewer may still be read from the folder, apart from a process
// holding one of its files open (vq::FoldersInUse, asked of every folder before it goes): the
// folder has a viewers record that was written less than vq::kHandedCopiesKeptFor ago, or a
// process of a recorded viewer's session still runs. A viewer may read the copy outside its
// session, and late: one that daemonises, or hands the path to a running instance of itself or to
// the desktop's service manager, long after the program started with the path has ended. Sessions
// are looked up only where their ids mean the same as to the maker (sessionsHere). A record that
// cannot be read counts as a new one.
bool HandedCopiesMayBeRead(const std::string& folder, bool sessionsHere) {
    struct stat st;
    if (::lstat((folder + kViewersSuffix).c_str(), &st) != 0)
        return errno != ENOENT;
    timespec now{};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return true;
    const auto keptFor = std::chrono::duration_cast<std::chrono::seconds>(vq::kHandedCopiesKeptFor).count();
    // A record from the future (a clock set back) is as new as can be.
    if (st.st_mtim.tv_sec > now.tv_sec || now.tv_sec - st.st_mtim.tv_sec < keptFor)
        return true;
    if (!sessionsHere)
        return false;
    const std::vector<long> sessions = ViewerSessions(folder);
    return std::any_of(sessions.begin(), sessions.end(), vq::SessionMayRun);
}

// The record goes first: a run ended between the two leaves a folder without viewers, which the
// next run removes.
void RemoveCallFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::remove(folder + kViewersSuffix, ec);
    // Links inside are removed, never followed.
    std::filesystem::remove_all(folder, ec);
}

// This process's call folders whose object went after a copy in them was handed to a viewer, and
// those whose viewer could not be recorded (kept until a later run).
std::mutex g_keptMutex;
std::vector<std::string> g_keptForViewers;
std::set<std::string> g_unrecordedViewers;

// A call folder of the working folder that nobody can still read, unless a process holds one of
// its files: made by a process that has ended for certain (not this one), of the user's own, with
// no copy in it that a viewer may still read.
bool Abandoned(const std::string& working, const std::string& name) {
    vq::ProcessMark maker;
    if (!CallFolderMaker(name, maker))
        return false;
    const vq::ProcessMark own = vq::ThisProcessMark();
    if (maker == own || !vq::ProcessHasEnded(maker))
        return false;
    const std::string folder = working + "/" + name;
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    // Viewers of an earlier boot have ended with it (a maker of this machine in another boot is
    // proven ended only by a mark of the current form).
    if (!maker.earlierForm && maker.boot != own.boot)
        return true;
    return !HandedCopiesMayBeRead(folder, vq::SameProcessSpace(maker, own));
}

void SweepCallFolders(const std::string& working) {
    // A sweep that fails part way leaves folders for a later one: it never throws.
    try {
        if (!IsPrivateFolder(working))
            return;
        std::vector<std::string> candidates;
        {
            std::lock_guard<std::mutex> lock(g_keptMutex);
            for (const std::string& folder : g_keptForViewers)
                if (g_unrecordedViewers.count(folder) == 0 && !HandedCopiesMayBeRead(folder, true))
                    candidates.push_back(folder);
        }
        const std::size_t kept = candidates.size();
        std::vector<std::string> names;
        {
            DIR* d = ::opendir(working.c_str());
            if (!d)
                return;
            while (const dirent* e = ::readdir(d))
                names.emplace_back(e->d_name);
            ::closedir(d);
        }
        for (const std::string& name : names)
            if (Abandoned(working, name))
                candidates.push_back(working + "/" + name);
        // Nothing goes while a process still reads from it.
        const std::vector<bool> inUse = vq::FoldersInUse(candidates);
        std::vector<std::string> removed;
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            if (inUse[i])
                continue;
            RemoveCallFolder(candidates[i]);
            if (i < kept)
                removed.push_back(candidates[i]);
        }
        std::lock_guard<std::mutex> lock(g_keptMutex);
        std::erase_if(g_keptForViewers, [&removed](const std::string& folder) {
            return std::find(removed.begin(), removed.end(), folder) != removed.end();
        });
    } catch (...) {
    }
}

UINT CopyOut(const CString& text, LPTSTR buf, UINT size) {
    if (text.IsEmpty())
        return 0;
    UINT needed = static_cast<UINT>(text.GetLength()) + 1;
    if (!buf || size < needed)
        return needed;
    std::memcpy(buf, text.c_str(), needed);
    return needed - 1;
}

} // namespace

namespace vq {

CString WindowsFolder() {
    return ConfigFolder("VQ_WINDOWS_DIR");
}

CString SystemFolder() {
    return ConfigFolder("VQ_SYSTEM_DIR");
}

CString TempFolder() {
    CString dir = EnvText("TMPDIR");
    if (dir.IsEmpty())
        dir = "/tmp";
    dir = WithoutTrailingSeparator(dir);
    if (dir != "/")
        dir += '/';
    return dir;
}

CString WorkingFolder() {
    const std::string temp = TempFolder().str();
    std::string folder;
    {
        std::lock_guard<std::mutex> lock(g_workingMutex);
        const auto chosen = g_workingFolders.find(temp);
        if (chosen != g_workingFolders.end() && IsPrivateFolder(chosen->second))
            return CString(chosen->second + "/");
        const std::string usual = UsualWorkingFolder(temp);
        folder = usual;
        if (!UsableUsualFolder(folder)) {
            // The name is held by something not the user's own: the folder of a new name that an
            // earlier run made, else one made here.
            folder = EarlierRunsFolder(temp, usual);
            if (folder.empty()) {
                folder = usual + "-XXXXXX";
                if (!::mkdtemp(folder.data()))
                    return CString(usual + "/"); // not the user's: nothing is written there
            }
        }
        g_workingFolders[temp] = folder;
    }
    // What earlier runs that ended without closing their windows (killed, or their machine
    // stopped) left there goes when the folder is first taken.
    SweepCallFolders(folder);
    return CString(folder + "/");
}

bool InWorkingFolder(const CString& path) {
    return !WorkingFolderHolding(path).empty();
}

bool InPrivateWorkingFolder(const CString& path) {
    std::string below;
    const std::string folder = WorkingFolderHolding(path, &below);
    if (folder.empty() || !IsPrivateFolder(folder))
        return false;
    // Each folder on the way down that exists is a real folder of the user's own that nobody else
    // may write to: a folder reused after it was open to others may hold what they put there.
    std::string inner = folder;
    for (std::size_t slash; (slash = below.find('/')) != std::string::npos; below.erase(0, slash + 1)) {
        inner += "/" + below.substr(0, slash);
        struct stat st;
        if (::lstat(inner.c_str(), &st) != 0)
            break;
        if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 022) != 0)
            return false;
    }
    return true;
}

CallFolder::~CallFolder() {
    // Nothing here may throw: a window's object goes with it.
    try {
        if (m_folder.empty())
            return;
        {
            // A folder with a copy handed to a viewer is left to the sweeps, which keep it while the
            // viewer may read it; one without goes now.
            std::lock_guard<std::mutex> lock(g_keptMutex);
            struct stat st;
            if (g_unrecordedViewers.count(m_folder) != 0 ||
                ::lstat((m_folder + kViewersSuffix).c_str(), &st) == 0 || errno != ENOENT)
                g_keptForViewers.push_back(m_folder);
            else
                RemoveCallFolder(m_folder);
        }
        const std::size_t slash = m_folder.rfind('/');
        SweepCallFolders(m_folder.substr(0, slash));
    } catch (...) {
    }
}

CString CallFolder::Path() {
    if (!m_folder.empty() && IsPrivateFolder(m_folder))
        return CString(m_folder + "/");
    const CString working = WorkingFolder();
    std::string folder = working.str() + kCallPrefix + MarkText(ThisProcessMark()) + "-XXXXXX";
    // The working folder missing (or not the user's private one) is the folder the person is told
    // of: nothing can be written there.
    if (!InPrivateWorkingFolder(CString(folder)))
        return working;
    if (!::mkdtemp(folder.data()))
        return CString(folder + "/");
    if (!m_folder.empty())
        RemoveCallFolder(m_folder);
    m_folder = folder;
    return CString(m_folder + "/");
}

std::size_t CallFolderPathLength() {
    return static_cast<std::size_t>(WorkingFolder().GetLength()) + std::strlen(kCallPrefix) +
           MarkText(ThisProcessMark()).size() + std::strlen("-XXXXXX/");
}

void HandedToViewer(const CString& path, long session) {
    // Only a copy directly inside a call folder of the working folder is recorded.
    std::string below;
    const std::string working = WorkingFolderHolding(path, &below);
    const std::size_t slash = below.find('/');
    vq::ProcessMark maker;
    if (working.empty() || slash == std::string::npos || below.find('/', slash + 1) != std::string::npos ||
        !CallFolderMaker(below.substr(0, slash), maker) || !InPrivateWorkingFolder(path))
        return;
    const std::string folder = working + "/" + below.substr(0, slash);
    const std::string line = std::to_string(session) + "\n";
    const int fd = ::open((folder + kViewersSuffix).c_str(),
                          O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    const bool written =
        fd >= 0 && ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    const bool closed = fd >= 0 && ::close(fd) == 0;
    if (!written || !closed) {
        // Without the record the folder is kept for the rest of the run and left to a later one.
        std::lock_guard<std::mutex> lock(g_keptMutex);
        g_unrecordedViewers.insert(folder);
    }
}

void RemoveLeftoverCallFolders() {
    const CString working = WorkingFolder();
    SweepCallFolders(working.Left(working.GetLength() - 1).str());
}

CString HomeFolder() {
    const CString home = EnvText("HOME");
    return home.IsEmpty() ? home : WithoutTrailingSeparator(home);
}

CString NativePath(const CString& path) {
    std::string p = path.str();
    std::replace(p.begin(), p.end(), '\\', '/');
    if (p.empty())
        return CString();

    std::string result;
    std::size_t pos = 0;
    if (p[0] == '/') {
        result = "/";
        pos = 1;
    }
    bool resolving = true;
    while (pos <= p.size()) {
        std::size_t slash = p.find('/', pos);
        std::size_t end = slash == std::string::npos ? p.size() : slash;
        std::string component = p.substr(pos, end - pos);
        if (resolving && !component.empty() && component != "." && component != "..") {
            std::string candidate = result + component;
            if (!Exists(candidate)) {
                std::string found;
                if (FindEntryNoCase(result, component, found))
                    component = found;
                else
                    resolving = false;
            }
        }
        result += component;
        if (slash == std::string::npos)
            break;
        result += '/';
        pos = slash + 1;
    }
    return CString(result);
}

bool StaysBelowFolder(const CString& path) {
    const std::string& text = path.str();
    if (text.empty() || text[0] == '/' || text[0] == '\\')
        return false;
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    if (text.size() >= 2 && letter(text[0]) && text[1] == ':')
        return false;
    // A component of dots and blanks only is "." or ".." to a server that drops trailing dots and
    // blanks from names: it names the folder itself or the one above.
    std::size_t length = 0;
    bool dotsAndBlanks = true;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size()) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c < 0x20 || c == 0x7F)
                return false;
            if (c != '/' && c != '\\') {
                ++length;
                dotsAndBlanks = dotsAndBlanks && (c == '.' || c == ' ');
                continue;
            }
        }
        if (length > 0 && dotsAndBlanks)
            return false;
        length = 0;
        dotsAndBlanks = true;
    }
    return true;
}

} // namespace vq

UINT GetWindowsDirectory(LPTSTR buf, UINT size) {
    return CopyOut(vq::WindowsFolder(), buf, size);
}

UINT GetSystemDirectory(LPTSTR buf, UINT size) {
    return CopyOut(vq::SystemFolder(), buf, size);
}

DWORD GetTempPath(DWORD size, LPTSTR buf) {
    return CopyOut(vq::WorkingFolder(), buf, size);
}
