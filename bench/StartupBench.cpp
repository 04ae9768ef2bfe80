// Starts the host as a whole process - loading the library and what it needs, reading the
// installation, opening one dialog from a script and ending - and compares it with a minimal Qt
// Widgets program that opens and closes one dialog. The two run in turn, so that a drift of the
// machine's speed touches both alike; the ratio is taken pair by pair and its median printed.
//
//   build/rel/bench/startup_bench [pairs]      (default: 41)
#include "bench/Goals.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Workspace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

struct Series {
    std::vector<double> wall, cpu;
    void Add(const vqtest::HostRun& r) {
        wall.push_back(r.seconds);
        cpu.push_back(r.cpuSeconds);
    }
};

} // namespace

int main(int argc, char** argv) {
    const int pairs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 41;
    vqtest::Workspace ws;
    ws.WriteFile(ws.WindowsDir() + "/vqsetup.ini", ws.InstallDir().str() + "\n");
    const CString script = ws.WriteFile("start.script", "dialog \"配置任务项显示颜色\"\nclick 2\n");
    const std::vector<std::string> hostArgs{"--headless", "--script", script.str(), "ConfigureTaskItemColor"};
    const std::string yardstick = std::string(VQ_BINARY_DIR) + "/bench/minimal_qt_start";

    Series host, qt;
    std::vector<double> wallRatio, cpuRatio;
    for (int i = -2; i < pairs; ++i) { // two pairs to warm the file cache, not counted
        const vqtest::HostRun a = vqtest::RunHostMeasured(hostArgs);
        const vqtest::HostRun b = vqtest::RunProgramMeasured(yardstick, {});
        if (a.status != 0 || a.out.find("result: 0") == std::string::npos) {
            std::fprintf(stderr, "the host did not open and close the dialog:\n%s\n", a.out.c_str());
            return 1;
        }
        if (b.status != 0) {
            std::fprintf(stderr, "the minimal Qt program failed:\n%s\n", b.out.c_str());
            return 1;
        }
        if (i < 0)
            continue;
        host.Add(a);
        qt.Add(b);
        wallRatio.push_back(a.seconds / b.seconds);
        cpuRatio.push_back(b.cpuSeconds > 0 ? a.cpuSeconds / b.cpuSeconds : 0);
    }
    std::printf("start of the host with one dialog beside a minimal Qt program, %d pairs (medians)\n", pairs);
    std::printf("%-10s %12s %12s %8s\n", "", "host s", "minimal s", "ratio");
    const bool met = bench::Goal("host start against a minimal Qt program", Median(wallRatio), "<=", 1.1);
    std::printf("%-10s %12.4f %12.4f %8.2f (goal <= 1.1: %s)\n", "wall", Median(host.wall), Median(qt.wall),
                Median(wallRatio), bench::Verdict(met));
    std::printf("%-10s %12.4f %12.4f %8.2f\n", "processor", Median(host.cpu), Median(qt.cpu),
                Median(cpuRatio));
    return bench::Status();
}
