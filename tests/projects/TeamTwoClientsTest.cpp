// Clients working on one project at the same time. Two clients add members to one group under
// the Oracle dialect, where each row takes the next InterID: no member is lost and no identifier
// is given twice; a client that loses the race for the identifier many times over still stores
// its member. Two clients divide the same project node: every task is stored once, under numbers
// that follow each other, and each manager is told the number the task was stored under.
//
// The test program runs itself twice more with VQ_TEAM_CLIENT (adding members) or
// VQ_DIVIDE_CLIENT (dividing) set; those runs only do the client's part.
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/AssignProjectTaskDlg.h"
#include "projects/ProjectTaskItemIds.h"
#include "projects/ProjectTeamTree.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>

extern char** environ;

namespace {

constexpr int kMembers = 40;
constexpr int kTasksEach = 6;

// Runs one test of this program in a new process with the role variable set to the client's number.
pid_t StartClient(const char* role, int client, const char* test) {
    setenv(role, std::to_string(client).c_str(), 1);
    std::string exe = "/proc/self/exe";
    std::string filter = std::string("--gtest_filter=TeamTwoClientsTest.") + test;
    char* argv[] = {exe.data(), filter.data(), nullptr};
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ);
    unsetenv(role);
    return rc == 0 ? pid : -1;
}

void WaitForClients(const pid_t (&clients)[2]) {
    for (pid_t pid : clients) {
        ASSERT_GT(pid, 0);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a client failed: status " << status;
    }
}

bool IsClient() {
    return std::getenv("VQ_TEAM_CLIENT") || std::getenv("VQ_DIVIDE_CLIENT");
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
    // A message would fail the client at once instead of waiting for somebody to answer it.
    vqtest::MessageBoxRecorder boxes;
    const ProjectTeamGroup group{"P", "项目", "", "", 0};
    for (int i = 0; i < kMembers; ++i) {
        const CString login = CString("u") + client + "-" + std::to_string(i).c_str();
        ASSERT_EQ(StoreTeamMember(group, login, "2026-12-07 10:00"), 1) << login.str();
    }
    theApp.m_pConnPDM = nullptr;
}

TEST(TeamTwoClientsTest, AddMembersAtTheSameTime) {
    if (IsClient())
        GTEST_SKIP();
    vqtest::DbWorkspace ws(2);
    const pid_t clients[2] = {StartClient("VQ_TEAM_CLIENT", 0, "Client"),
                              StartClient("VQ_TEAM_CLIENT", 1, "Client")};
    WaitForClients(clients);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamType='_P' AND TeamGroup='P'"),
              std::to_string(2 * kMembers).c_str());
    EXPECT_EQ(ws.QueryText("SELECT count(DISTINCT InterID) FROM DesignProjectTeam"), std::to_string(2 * kMembers).c_str());
    EXPECT_EQ(ws.QueryText("SELECT max(InterID) FROM DesignProjectTeam"), std::to_string(2 * kMembers - 1).c_str());
}

namespace {

// Runs a statement on a connection of its own and returns the first column of the first row.
CString QueryOn(const _ConnectionPtr& conn, const CString& sql) {
    _RecordsetPtr rs = conn->Execute(sql, nullptr, adCmdText);
    return rs->IsEOF() ? CString() : rs->GetCollect(0L).ToString();
}

// Waits until the session waits for the transaction to end; false after a minute.
bool WaitUntilWaitingFor(const _ConnectionPtr& watcher, const CString& session, const CString& transaction) {
    CString sql;
    sql.Format("SELECT count(*) FROM pg_locks WHERE pid=%s AND NOT granted AND locktype='transactionid' AND "
               "transactionid::text='%s'",
               session, transaction);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (QueryOn(watcher, sql) != "1") {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

// Other clients win the race for the identifier 25 times in a row: each time the member's row
// waits for another client's row with the same InterID, which is then committed. The member is
// stored all the same, under the first identifier nobody took, and no message is shown. (Only a
// server lets a statement wait for another session's uncommitted row.)
TEST(TeamTwoClientsTest, MemberIsStoredHoweverOftenOtherClientsTakeTheIdentifierFirst) {
    if (IsClient() || !vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    constexpr int kLosses = 25;
    vqtest::DbWorkspace ws(2);
    theApp.m_pConnPDM = ws.Connect();
    theApp.m_nDatabaseType = 2;
    const CString session = QueryOn(theApp.m_pConnPDM, "SELECT pg_backend_pid()");
    _ConnectionPtr watcher = ws.Connect();
    _ConnectionPtr others[2] = {ws.Connect(), ws.Connect()};
    CString transactions[2];
    // Another client's member with the identifier, not committed yet.
    auto hold = [&](int other, int id) {
        others[other]->BeginTrans();
        CString sql;
        sql.Format("INSERT INTO DesignProjectTeam (InterID, ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) "
                   "VALUES(%d, 'Q', '_P', 'Q', 'other%d', 'N')",
                   id, id);
        others[other]->Execute(sql, nullptr, adCmdText);
        transactions[other] = QueryOn(others[other], "SELECT pg_current_xact_id()::text");
    };
    vqtest::MessageBoxRecorder boxes;
    hold(0, 0);
    int stored = -1;
    std::thread client([&] { stored = StoreTeamMember({"P", "项目", "", "", 0}, "u1", "2026-12-07 10:00"); });
    for (int id = 0; id < kLosses; ++id) {
        const int holder = id % 2;
        const bool waiting = WaitUntilWaitingFor(watcher, session, transactions[holder]);
        EXPECT_TRUE(waiting) << "the member's row does not wait for identifier " << id;
        if (waiting && id + 1 < kLosses)
            hold(1 - holder, id + 1);
        others[holder]->CommitTrans();
        if (!waiting)
            break;
    }
    client.join();
    theApp.m_pConnPDM = nullptr;
    theApp.m_nDatabaseType = 0;
    EXPECT_EQ(stored, 1);
    for (const CString& text : boxes.Texts())
        ADD_FAILURE() << text.str();
    EXPECT_EQ(ws.QueryText("SELECT InterID FROM DesignProjectTeam WHERE TeamUser='u1'"),
              std::to_string(kLosses).c_str());
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam"), std::to_string(kLosses + 1).c_str());
}

// Another client divides the same node and stores the proposed number after this client's
// dialog has checked it: the store waits for the other client's lock of the parent, then finds
// the number taken and stores the task under the next one.
TEST(TeamTwoClientsTest, DivisionWaitsForAnotherClientsDivisionAndTakesTheNextNumber) {
    if (IsClient() || !vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    vqtest::DbWorkspace ws(0);
    ws.WriteSetting("公共管理功能", "当前登陆用户帐号", "zhangsan");
    ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
               "WorkState, TaskType, TaskAssigner) VALUES ('P', 'A', '项目管理', 'zhangsan', '2099-12-31', '未开始', "
               "'V', 'zhangsan');"
               "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三')");
    theApp.m_pConnPDM = ws.Connect();
    theApp.m_nDatabaseType = 0;
    theApp.m_nAdoCloseMode = 1;
    const CString oldUser = theApp.m_strLoginUser;
    theApp.m_strLoginUser = "zhangsan";
    const CString session = QueryOn(theApp.m_pConnPDM, "SELECT pg_backend_pid()");
    _ConnectionPtr watcher = ws.Connect();
    _ConnectionPtr other = ws.Connect();
    other->BeginTrans();
    other->Execute("UPDATE ProjectManage SET WorkState=WorkState WHERE ProjectNo='P'", nullptr, adCmdText);
    other->Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
                   "TaskType) VALUES ('P-01', '别人的任务', 'A\\', 'lisi', '未开始', 'V')",
                   nullptr, adCmdText);
    const CString transaction = QueryOn(other, "SELECT pg_current_xact_id()::text");
    bool waited = false;
    std::thread commit([&] {
        waited = WaitUntilWaitingFor(watcher, session, transaction);
        other->CommitTrans();
    });
    const CString end = (CTime::GetCurrentTime() + CTimeSpan(30, 0, 0, 0)).Format("%Y-%m-%d");
    CString proposed, node;
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Click("划分任务...")
        .Dialog("项目/任务项属性")
        .Do([&](CDialog& d) { d.GetDlgItemText(projects::item_ids::kNumber, proposed); })
        .Set(projects::item_ids::kName, "新任务")
        .Set(projects::item_ids::kEndDate, end)
        .Click(IDOK)
        .Dialog("设计项目结构管理 — WBS分解")
        .Do([&](CDialog& d) {
            node = static_cast<CAssignProjectTaskDlg&>(d).m_tree.GetRootItem().GetChild().GetText();
        })
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    commit.join();
    theApp.m_pConnPDM = nullptr;
    theApp.m_nAdoCloseMode = 0;
    theApp.m_strLoginUser = oldUser;
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(waited);
    EXPECT_EQ(proposed, "P-01");
    EXPECT_EQ(node, "新任务 [P-02]");
    EXPECT_EQ(ws.QueryText("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='P-01'"), "别人的任务");
    EXPECT_EQ(ws.QueryText("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='新任务'"), "P-02");
    EXPECT_EQ(ws.QueryText("SELECT Content FROM MessageManage"), "辛苦了，项目上级张三给您分配了项目任务：新任务[P-02]...");
}

TEST(TeamTwoClientsTest, DivideClient) {
    const char* client = std::getenv("VQ_DIVIDE_CLIENT");
    if (!client)
        GTEST_SKIP() << "run by TeamTwoClientsTest.DivideOneProjectAtTheSameTime";
    _ConnectionPtr conn;
    conn.CreateInstance();
    conn->Open("DSN=vqdetail; UID=sa; PWD=");
    theApp.m_pConnPDM = conn;
    theApp.m_nDatabaseType = 0;
    theApp.m_nAdoCloseMode = 1;
    theApp.m_strLoginUser = "zhangsan";
    const CString end = (CTime::GetCurrentTime() + CTimeSpan(30, 0, 0, 0)).Format("%Y-%m-%d");
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解");
    for (int i = 0; i < kTasksEach; ++i)
        user.Tree(CAssignProjectTaskDlg::kTreeId, "项目：A[P] ...")
            .Click("划分任务...")
            .Dialog("项目/任务项属性")
            .Set(projects::item_ids::kName, CString("任务") + client + "-" + std::to_string(i).c_str())
            .Set(projects::item_ids::kEndDate, end)
            .Click(IDOK)
            .Dialog("设计项目结构管理 — WBS分解");
    user.Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    theApp.m_pConnPDM = nullptr;
}

TEST(TeamTwoClientsTest, DivideOneProjectAtTheSameTime) {
    if (IsClient())
        GTEST_SKIP();
    vqtest::DbWorkspace ws(0);
    ws.WriteSetting("公共管理功能", "当前登陆用户帐号", "zhangsan");
    ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
               "WorkState, TaskType, TaskAssigner) VALUES ('P', 'A', '项目管理', 'zhangsan', '2099-12-31', '未开始', "
               "'V', 'zhangsan');"
               "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三')");
    const pid_t clients[2] = {StartClient("VQ_DIVIDE_CLIENT", 0, "DivideClient"),
                              StartClient("VQ_DIVIDE_CLIENT", 1, "DivideClient")};
    WaitForClients(clients);
    constexpr int kTasks = 2 * kTasksEach;
    _ConnectionPtr conn = ws.Connect();
    _RecordsetPtr rs = conn->Execute("SELECT ProjectNo, ProjectName FROM ProjectManage WHERE ProjectPath='A\\'",
                                     nullptr, adCmdText);
    std::set<std::string> numbers, names;
    while (!rs->IsEOF()) {
        const CString number = rs->GetCollect(0L).ToString();
        const CString name = rs->GetCollect(1L).ToString();
        numbers.insert(number.str());
        names.insert(name.str());
        // The manager was told the number the task is stored under.
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage WHERE Content='辛苦了，项目上级张三给您分配了项目任务：" +
                               name + "[" + number + "]...'"),
                  "1")
            << number.str();
        rs->MoveNext();
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kTasks));
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kTasks));
    for (int n = 1; n <= kTasks; ++n) {
        char number[16];
        std::snprintf(number, sizeof number, "P-%02d", n);
        EXPECT_EQ(numbers.count(number), 1u) << number;
    }
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), std::to_string(kTasks).c_str());
    EXPECT_EQ(ws.QueryText("SELECT count(DISTINCT ProjectNo) FROM TaskLogInformation"), std::to_string(kTasks).c_str());
}
