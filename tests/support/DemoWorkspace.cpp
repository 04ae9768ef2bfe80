#include "tests/support/DemoWorkspace.h"

#include <array>
#include <cstdio>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace vqtest {

ShellRun Shell(const std::string& cmd) {
    ShellRun run;
    FILE* pipe = popen((cmd + " 2>&1").c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buf{};
    while (fgets(buf.data(), buf.size(), pipe))
        run.out += buf.data();
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

DemoWorkspace::DemoWorkspace() {
    m_dir = std::filesystem::temp_directory_path() / ("vq-demo-" + std::to_string(::getpid()));
    std::filesystem::remove_all(m_dir);
}

DemoWorkspace::~DemoWorkspace() {
    std::filesystem::remove_all(m_dir);
}

ShellRun DemoWorkspace::Host(const std::string& script, const std::string& args) const {
    const auto file = std::filesystem::temp_directory_path() / ("vq-demo-" + std::to_string(::getpid()) + ".script");
    std::ofstream(file) << script;
    ShellRun run = Shell(Command(VQ_BINARY_DIR, "--headless --script '" + file.string() + "' " + args));
    std::filesystem::remove(file);
    return run;
}

std::string DemoWorkspace::Command(const std::string& build, const std::string& args) const {
    return std::string(m_servers ? "" : "VQ_DEMO_SERVERS=0 ") + "VQ_DEMO_DIR='" + m_dir.string() + "' '" +
           std::string(VQ_SOURCE_DIR) + "/scripts/demo-workspace' '" + build + "' " + args;
}

std::string DemoWorkspace::Query(const std::string& sql) const {
    ShellRun run = Shell("sqlite3 '" + (m_dir / "db" / "vqpdm.db").string() + "' \"" + sql + "\"");
    while (!run.out.empty() && (run.out.back() == '\n' || run.out.back() == '\r'))
        run.out.pop_back();
    return run.out;
}

void DemoWorkspace::ExecuteConfig(const std::string& sql) const {
    Shell("sqlite3 '" + (m_dir / "system" / "vqdetail.mdb").string() + "' \"" + sql + "\"");
}

} // namespace vqtest
