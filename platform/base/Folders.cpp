#include "platform/base/Folders.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <sys/stat.h>
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
    std::lock_guard<std::mutex> lock(g_workingMutex);
    const auto chosen = g_workingFolders.find(temp);
    if (chosen != g_workingFolders.end() && IsPrivateFolder(chosen->second))
        return CString(chosen->second + "/");
    const std::string usual = UsualWorkingFolder(temp);
    std::string folder = usual;
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
    if (m_folder.empty())
        return;
    // Links inside are removed, never followed.
    std::error_code ec;
    std::filesystem::remove_all(m_folder, ec);
}

CString CallFolder::Path() {
    if (!m_folder.empty() && IsPrivateFolder(m_folder))
        return CString(m_folder + "/");
    const CString working = WorkingFolder();
    std::string folder = working.str() + "call-XXXXXX";
    if (!InPrivateWorkingFolder(CString(folder)) || !::mkdtemp(folder.data()))
        return working + "call-unavailable/missing/";
    if (!m_folder.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(m_folder, ec);
    }
    m_folder = folder;
    return CString(m_folder + "/");
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
