#include "tests/support/HostProcess.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vqtest {

HostRun RunHost(const std::string& args) {
    const std::string cmd = std::string(VQ_BINARY_DIR) + "/host/vqhost " + args + " 2>&1";
    HostRun r;
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe)
        return r;
    std::array<char, 4096> buf{};
    while (fgets(buf.data(), buf.size(), pipe))
        r.out += buf.data();
    const int raw = pclose(pipe);
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

HostRun RunHostMeasured(const std::vector<std::string>& args) {
    return RunProgramMeasured(std::string(VQ_BINARY_DIR) + "/host/vqhost", args);
}

namespace {

// The host and its library copied to a folder below /tmp that every user can enter, for runs as
// another user: the build may lie below a folder only its owner enters (a home folder of mode
// 0700). The host finds the library beside itself. Removed again when the test program ends.
class StagedHost {
public:
    StagedHost() {
        namespace fs = std::filesystem;
        std::string folder = "/tmp/vqhost-XXXXXX";
        if (!::mkdtemp(folder.data()))
            return;
        m_folder = folder;
        std::error_code ec;
        fs::permissions(m_folder,
                        fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                            fs::perms::others_read | fs::perms::others_exec,
                        ec);
        for (const char* file : {"/host/vqhost", "/libvqdesigntask.so"})
            fs::copy_file(std::string(VQ_BINARY_DIR) + file,
                          m_folder + "/" + fs::path(file).filename().string(), ec);
        if (!ec)
            m_host = m_folder + "/vqhost";
    }
    ~StagedHost() {
        std::error_code ec;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, ec);
    }
    StagedHost(const StagedHost&) = delete;
    StagedHost& operator=(const StagedHost&) = delete;
    // The staged host's path; empty when it could not be staged.
    const std::string& Host() const { return m_host; }

private:
    std::string m_folder;
    std::string m_host;
};

} // namespace

HostRun RunHostAs(unsigned uid, const std::vector<std::string>& env, const std::vector<std::string>& args) {
    std::vector<std::string> all = env;
    std::string host = std::string(VQ_BINARY_DIR) + "/host/vqhost";
    if (uid != ::geteuid()) {
        static const StagedHost staged;
        if (staged.Host().empty()) {
            HostRun failed;
            failed.out = "the host could not be staged below /tmp for another user";
            return failed;
        }
        host = staged.Host();
        const std::string id = std::to_string(uid);
        all.insert(all.end(), {"setpriv", "--reuid=" + id, "--regid=" + id, "--clear-groups", "--"});
    }
    all.push_back(host);
    all.insert(all.end(), args.begin(), args.end());
    return RunProgramMeasured("/usr/bin/env", all);
}

HostRun RunProgramMeasured(const std::string& host, const std::vector<std::string>& args) {
    HostRun r;
    std::vector<char*> argv{const_cast<char*>(host.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0)
        return r;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0) {
        close(fds[0]);
        close(fds[1]);
        return r;
    }
    if (pid == 0) {
        dup2(fds[1], 1);
        dup2(fds[1], 2);
        close(fds[0]);
        close(fds[1]);
        execv(host.c_str(), argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::array<char, 4096> buf{};
    for (ssize_t n; (n = read(fds[0], buf.data(), buf.size())) > 0;)
        r.out.append(buf.data(), static_cast<std::size_t>(n));
    close(fds[0]);
    int raw = 0;
    rusage usage{};
    wait4(pid, &raw, 0, &usage);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakKiB = usage.ru_maxrss;
    r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return r;
}

int StartHost(const std::vector<std::string>& args, const std::string& outputFile) {
    return StartProgram(std::string(VQ_BINARY_DIR) + "/host/vqhost", args, outputFile);
}

int StartProgram(const std::string& program, const std::vector<std::string>& args,
                 const std::string& outputFile) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int out = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (out < 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out, 1);
        dup2(out, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out);
    return pid;
}

bool FinishHost(int pid, const std::string& outputFile, HostRun& run, bool wait) {
    int raw = 0;
    const pid_t ended = waitpid(pid, &raw, wait ? 0 : WNOHANG);
    if (ended != pid)
        return false;
    std::ifstream in(outputFile, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    run.out = text.str();
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.signal = WIFSIGNALED(raw) ? WTERMSIG(raw) : 0;
    run.killed = run.signal == SIGKILL;
    return true;
}

} // namespace vqtest
