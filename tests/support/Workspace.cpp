#include "tests/support/Workspace.h"

#include "platform/base/Folders.h"
#include "platform/base/Profile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace vqtest {

namespace {

std::optional<std::string> GetEnv(const char* name) {
    const char* v = std::getenv(name);
    if (!v)
        return std::nullopt;
    return std::string(v);
}

void RestoreEnv(const char* name, const std::optional<std::string>& value) {
    if (value)
        setenv(name, value->c_str(), 1);
    else
        unsetenv(name);
}

} // namespace

EnvGuard::EnvGuard(std::initializer_list<const char*> names) {
    for (const char* name : names)
        m_saved.emplace_back(name, GetEnv(name));
}

EnvGuard::~EnvGuard() {
    for (const auto& [name, value] : m_saved)
        RestoreEnv(name, value);
}

bool CanActAsOtherUser() {
    return ::geteuid() == 0;
}

std::string TestFolderBase(const std::string& start) {
    if (!CanActAsOtherUser())
        return start;
    std::error_code ec;
    const fs::path folder = fs::absolute(fs::path(start), ec);
    if (ec)
        return "/tmp";
    fs::path at;
    for (const fs::path& part : folder) {
        at /= part;
        struct stat st;
        if (::stat(at.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || (st.st_mode & S_IXOTH) == 0)
            return "/tmp";
    }
    return start;
}

Workspace::Workspace()
    : m_oldWindowsDir(GetEnv("VQ_WINDOWS_DIR")), m_oldSystemDir(GetEnv("VQ_SYSTEM_DIR")),
      m_oldTmpDir(GetEnv("TMPDIR")) {
    // The workspace itself goes below the temporary folder the test program was started with.
    const std::string base =
        TestFolderBase(m_oldTmpDir && !m_oldTmpDir->empty() ? *m_oldTmpDir : std::string("/tmp"));
    std::string templ = (fs::path(base) / "vqtest-XXXXXX").string();
    if (!mkdtemp(templ.data())) {
        ADD_FAILURE() << "cannot create a workspace below " << base;
        templ = (fs::temp_directory_path() / "vqtest-fallback").string();
        fs::create_directories(templ);
    }
    m_root = templ;
    fs::create_directories(WindowsDir().str());
    fs::create_directories(SystemDir().str());
    fs::create_directories(TempDir().str());
    fs::create_directories((InstallDir() + "/qent/spt").str());
    WriteFile(WindowsDir() + "/vqpdm.txt", InstallDir().str() + "\n");

    setenv("VQ_WINDOWS_DIR", WindowsDir().c_str(), 1);
    setenv("VQ_SYSTEM_DIR", SystemDir().c_str(), 1);
    setenv("TMPDIR", TempDir().c_str(), 1);
}

Workspace::~Workspace() {
    RestoreEnv("VQ_WINDOWS_DIR", m_oldWindowsDir);
    RestoreEnv("VQ_SYSTEM_DIR", m_oldSystemDir);
    RestoreEnv("TMPDIR", m_oldTmpDir);
    std::error_code ec;
    fs::remove_all(m_root.str(), ec);
}

CString Workspace::WorkDir() const {
    const CString folder = vq::WorkingFolder();
    return folder.Left(folder.GetLength() - 1);
}

CString Workspace::CopyInCallFolder(const CString& path) const {
    const fs::path copy(path.str());
    const fs::path folder = copy.parent_path();
    if (folder.parent_path().string() != WorkDir().str() || folder.filename().string().rfind("call-", 0) != 0)
        return CString();
    return CString(copy.filename().string());
}

std::vector<std::string> Workspace::WorkDirEntries() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(WorkDir().str(), ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    return names;
}

CString Workspace::FullPath(const CString& path) const {
    if (!path.IsEmpty() && path[0] == '/')
        return path;
    return m_root + "/" + path;
}

void Workspace::WriteSetting(const CString& section, const CString& key, const CString& value) {
    EXPECT_TRUE(vq::WriteProfileString(section, key, value, SettingsPath()))
        << "cannot write [" << section.c_str() << "] " << key.c_str() << " to " << SettingsPath().c_str();
}

CString Workspace::WriteFile(const CString& path, const std::string& bytes) {
    CString full = FullPath(path);
    fs::path p(full.str());
    if (p.has_parent_path())
        fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << full.c_str();
    return full;
}

std::string Workspace::ReadFile(const CString& path) const {
    std::ifstream in(FullPath(path).str(), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace vqtest
