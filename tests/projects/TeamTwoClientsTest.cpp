// Two clients add members to one group at the same time under the Oracle dialect, where each row
// takes the next InterID: no member is lost and no identifier is given twice. The test program
// runs itself twice more with VQ_TEAM_CLIENT set; those runs only add members.
#include "core/VqDesignTaskApp.h"
#include "projects/ProjectTeamTree.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern char** environ;

namespace {

constexpr int kMembers = 40;

pid_t StartClient(int client) {
    setenv("VQ_TEAM_CLIENT", std::to_string(client).c_str(), 1);
    std::string exe = "/proc/self/exe";
    std::string filter = "--gtest_filter=TeamTwoClientsTest.Client";
    char* argv[] = {exe.data(), filter.data(), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ);
    unsetenv("VQ_TEAM_CLIENT");
    return rc == 0 ? pid : -1;
}

} // namespace

TEST(TeamTwoClientsTest, Client) {
    const char* client = std::getenv("VQ_TEAM_CLIENT");
    if (!client)
        GTEST_SKIP() << "run by TeamTwoClientsTest.AddMembersAtTheSameTime";
    _ConnectionPtr conn;
    conn.CreateInstance();
    conn->Open("DSN=vqdetail; UID=sa; PWD=");
    theApp.m_pConnPDM = conn;
    theApp.m_nDatabaseType = 2;
    const ProjectTeamGroup group{"P", "项目", "", "", 0};
    for (int i = 0; i < kMembers; ++i) {
        const CString login = CString("u") + client + "-" + std::to_string(i).c_str();
        ASSERT_EQ(StoreTeamMember(group, login, "2026-12-07 10:00"), 1) << login.str();
    }
    theApp.m_pConnPDM = nullptr;
}

TEST(TeamTwoClientsTest, AddMembersAtTheSameTime) {
    if (std::getenv("VQ_TEAM_CLIENT"))
        GTEST_SKIP();
    vqtest::DbWorkspace ws(2);
    pid_t clients[2] = {StartClient(0), StartClient(1)};
    for (pid_t pid : clients) {
        ASSERT_GT(pid, 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a client failed: status " << status;
    }
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamType='_P' AND TeamGroup='P'"),
              std::to_string(2 * kMembers).c_str());
    EXPECT_EQ(ws.QueryText("SELECT count(DISTINCT InterID) FROM DesignProjectTeam"), std::to_string(2 * kMembers).c_str());
    EXPECT_EQ(ws.QueryText("SELECT max(InterID) FROM DesignProjectTeam"), std::to_string(2 * kMembers - 1).c_str());
}
