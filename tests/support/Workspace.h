// A complete installation in a fresh temporary folder for one test: the Windows folder, the system
// folder, the temporary folder and an installation folder with qent/spt/, named by the first line of
// vqpdm.txt in the Windows folder. The environment (VQ_WINDOWS_DIR, VQ_SYSTEM_DIR, TMPDIR) points at
// it while the object lives; the destructor restores the environment and removes the folder.
#pragma once

#include "platform/base/String.h"

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vqtest {

// Sets or clears environment variables for one test and restores them afterwards.
class EnvGuard {
public:
    explicit EnvGuard(std::initializer_list<const char*> names);
    ~EnvGuard();
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> m_saved;
};

// The user a test acts as beside the user it runs as (root): "nobody".
constexpr unsigned kOtherUser = 65534;
// Whether the test may act as another user (it runs as root).
bool CanActAsOtherUser();
// The folder that test folders (workspaces, the database's folder) go below: the temporary folder
// the test program was started with (start), or "/tmp" where a test may run the host as another
// user and start lies below a folder that others cannot enter (root's home, mode 0700), so that
// both users reach what they share.
std::string TestFolderBase(const std::string& start);

class Workspace {
public:
    Workspace();
    virtual ~Workspace();
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    // Native paths without a trailing separator (TempDir too: TMPDIR is set to it).
    CString Root() const { return m_root; }
    CString WindowsDir() const { return m_root + "/windows"; }
    CString SystemDir() const { return m_root + "/system"; }
    CString InstallDir() const { return m_root + "/install"; }
    CString TempDir() const { return m_root + "/tmp"; }
    // The user's working folder below TempDir (vq::WorkingFolder), without a trailing separator.
    CString WorkDir() const;
    // The name of a copy that lies directly in a call folder ("call-...", vq::CallFolder) of the
    // working folder; empty for any other path.
    CString CopyInCallFolder(const CString& path) const;
    // The names in the working folder (what copies were left there).
    std::vector<std::string> WorkDirEntries() const;
    // The settings file below the installation folder (it does not exist until written).
    CString SettingsPath() const { return InstallDir() + "/qent/spt/vqpdmcad.ini"; }

    // Writes one value into the settings file (code page 936 on disk, like the host's file).
    void WriteSetting(const CString& section, const CString& key, const CString& value);
    // Writes the bytes as they are; a relative path is taken below Root(). Missing folders are created.
    // Returns the native full path.
    CString WriteFile(const CString& path, const std::string& bytes);
    // The bytes of a file (empty when it cannot be read); a relative path is taken below Root().
    std::string ReadFile(const CString& path) const;

private:
    CString FullPath(const CString& path) const;

    CString m_root;
    std::optional<std::string> m_oldWindowsDir;
    std::optional<std::string> m_oldSystemDir;
    std::optional<std::string> m_oldTmpDir;
};

} // namespace vqtest
