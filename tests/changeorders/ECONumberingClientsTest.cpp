// Four client processes reserve change-order numbers in one series at the same time (on the
// PostgreSQL server when the tests run there, else on the SQLite file): every number is handed
// out once, and together they are the first serials without a gap.
//
// The test program runs itself four more times with VQ_ECO_NUMBERING_ROLE set; in those runs
// only the client test does anything, on the data source the parent's workspace wrote.
#include "changeorders/ECONumbering.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr int kClients = 4;
constexpr int kNumbersEach = 30;

pid_t StartClient(int role, const std::string& outFile) {
    setenv("VQ_ECO_NUMBERING_ROLE", std::to_string(role).c_str(), 1);
    setenv("VQ_ECO_NUMBERING_OUT", outFile.c_str(), 1);
    std::string exe = "/proc/self/exe";
    std::string filter = "--gtest_filter=ECONumberingClientsTest.Client";
    char* argv[] = {exe.data(), filter.data(), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ);
    unsetenv("VQ_ECO_NUMBERING_ROLE");
    unsetenv("VQ_ECO_NUMBERING_OUT");
    return rc == 0 ? pid : -1;
}

} // namespace

// The client run: reserve numbers one after another, as fast as it can, and write them down.
TEST(ECONumberingClientsTest, Client) {
    const char* role = std::getenv("VQ_ECO_NUMBERING_ROLE");
    if (!role)
        GTEST_SKIP() << "run by ECONumberingClientsTest.ClientsNumberingAtOnceGetDistinctNumbers";
    vqtest::MessageBoxRecorder rec; // any message box fails the client
    _ConnectionPtr conn;
    conn.CreateInstance();
    conn->Open("DSN=vqdetail; UID=sa; PWD=");
    theApp.m_pConnPDM = conn;
    CECONumbering numbering;
    numbering.m_nNoWidth = 3;
    numbering.m_nNoMode = 1;
    numbering.m_strProductStyle = "JX";
    numbering.m_strYear = "2030";
    numbering.m_strSaveUser = CString("client ") + role;
    // Every client starts numbering when the parent says so, so that they overlap.
    const std::filesystem::path go =
        std::filesystem::path(std::getenv("VQ_ECO_NUMBERING_OUT")).parent_path() / "go";
    while (!std::filesystem::exists(go))
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::ofstream out(std::getenv("VQ_ECO_NUMBERING_OUT"));
    for (int i = 0; i < kNumbersEach; ++i) {
        CString number;
        ASSERT_EQ(numbering.ApplyNumber(number), 1);
        out << number.str() << "\n";
    }
    out.close();
    EXPECT_TRUE(rec.Shown().empty());
    theApp.m_pConnPDM = nullptr;
}

TEST(ECONumberingClientsTest, ClientsNumberingAtOnceGetDistinctNumbers) {
    if (std::getenv("VQ_ECO_NUMBERING_ROLE"))
        GTEST_SKIP();
    vqtest::DbWorkspace ws;
    std::vector<std::string> files;
    std::vector<pid_t> clients;
    for (int c = 0; c < kClients; ++c) {
        files.push_back((ws.TempDir() + "/numbers" + CString(std::to_string(c)) + ".txt").str());
        clients.push_back(StartClient(c, files.back()));
    }
    std::ofstream((ws.TempDir() + "/go").str()) << "go\n";
    for (pid_t pid : clients) {
        ASSERT_GT(pid, 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a client failed: status " << status;
    }
    std::set<std::string> numbers;
    std::size_t count = 0;
    for (const std::string& file : files) {
        std::ifstream in(file);
        for (std::string line; std::getline(in, line);) {
            numbers.insert(line);
            ++count;
        }
    }
    EXPECT_EQ(count, static_cast<std::size_t>(kClients * kNumbersEach));
    EXPECT_EQ(numbers.size(), count) << "a number was handed out twice";
    for (int n = 1; n <= kClients * kNumbersEach; ++n) {
        char number[32];
        std::snprintf(number, sizeof number, "JX-2030-%03d", n);
        EXPECT_EQ(numbers.count(number), 1u) << number;
    }
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ECOSerialNo WHERE NoGroup='JX-2030'"),
              std::to_string(kClients * kNumbersEach));
}
