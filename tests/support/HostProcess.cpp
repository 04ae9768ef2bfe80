#include "tests/support/HostProcess.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

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

} // namespace vqtest
