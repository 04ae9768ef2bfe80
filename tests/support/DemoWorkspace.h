// A fresh demo workspace (scripts/demo-workspace) in a temporary folder, removed at the end; the
// host runs headless on it with a script of actions, and the demo database can be queried.
#pragma once

#include <filesystem>
#include <string>

namespace vqtest {

struct ShellRun {
    std::string out;
    int status = -1;
};

// Runs a shell command; standard output and error together.
ShellRun Shell(const std::string& cmd);

class DemoWorkspace {
public:
    DemoWorkspace();
    // A workspace in the given folder as it stands (a copy of another, say); removed at the end.
    explicit DemoWorkspace(std::filesystem::path dir) : m_dir(std::move(dir)) {}
    ~DemoWorkspace();
    DemoWorkspace(const DemoWorkspace&) = delete;
    DemoWorkspace& operator=(const DemoWorkspace&) = delete;

    // Runs the host through the demo workspace script with a script of actions; the workspace's
    // FTP and mail servers run beside it unless turned off.
    ShellRun Host(const std::string& script, const std::string& args) const;
    void SetServers(bool on) { m_servers = on; }
    // The shell command that runs the demo workspace script on the host of this build folder
    // (another than the tests' one: a stand-in host) with these arguments.
    std::string Command(const std::string& build, const std::string& args) const;
    // The first result of a statement on the demo product database (sqlite3), without line end.
    std::string Query(const std::string& sql) const;
    // Runs a statement on the local configuration database of the workspace.
    void ExecuteConfig(const std::string& sql) const;
    const std::filesystem::path& Dir() const { return m_dir; }

private:
    std::filesystem::path m_dir;
    bool m_servers = true;
};

} // namespace vqtest
