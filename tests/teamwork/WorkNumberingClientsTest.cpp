// Three host programs divide one project task at the same time, each several times: every work
// task is stored, under distinct numbers below the task (on the PostgreSQL server when the tests
// run there, else on the SQLite file).
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <set>
#include <string>
#include <sys/wait.h>

namespace {

constexpr int kHosts = 3;
constexpr int kWorksEach = 5;

std::string DivideScript(int host) {
    std::string script = "dialog \"设计工作组工作管理\"\n";
    for (int i = 0; i < kWorksEach; ++i)
        script += "click \"划分任务...\"\n"
                  "dialog \"工作任务分解\"\n"
                  "set \"工作名称\" \"工作-" +
                  std::to_string(host) + "-" + std::to_string(i) +
                  "\"\n"
                  "set \"开始时间\" \"2030-01-01\"\n"
                  "set \"报警时间\" \"2030-01-02\"\n"
                  "set \"完成时间\" \"2030-01-03\"\n"
                  "click 1\n"
                  "dialog \"设计工作组工作管理\"\n";
    return script + "click \"退出\"\n";
}

} // namespace

TEST(WorkNumberingClientsTest, HostsDividingOneTaskAtOnceGetDistinctNumbers) {
    vqtest::DbWorkspace ws(0);
    ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
               "WorkState, TaskType) VALUES ('P1', '项目甲', '项目管理', 'zhangsan', '2099-12-31', '正进行中', 'V'),"
               "('T1', '任务一', '项目甲\\', 'zhangsan', '2040-12-31', '正进行中', 'T')");
    std::array<FILE*, kHosts> pipes{};
    for (int h = 0; h < kHosts; ++h) {
        const CString script = ws.WriteFile(CString("in/divide" + std::to_string(h) + ".script"), DivideScript(h));
        const std::string cmd = std::string(VQ_BINARY_DIR) + "/host/vqhost --headless --script " + script.str() +
                                " AssignTeamTaskMain P1 T1 zhangsan 0 0 2>&1";
        pipes[h] = popen(cmd.c_str(), "r");
        ASSERT_NE(pipes[h], nullptr);
    }
    for (int h = 0; h < kHosts; ++h) {
        std::string out;
        std::array<char, 4096> buf{};
        while (fgets(buf.data(), buf.size(), pipes[h]))
            out += buf.data();
        const int raw = pclose(pipes[h]);
        EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0) << out;
        EXPECT_NE(out.find("result: 1"), std::string::npos) << out;
    }
    _ConnectionPtr conn = ws.Connect();
    _RecordsetPtr rs = conn->Execute("SELECT WorkID, WorkName FROM TeamWorkManage WHERE TaskNo='T1'");
    std::set<std::string> ids, names;
    while (!rs->IsEOF()) {
        ids.insert(rs->GetCollect(0L).ToString().str());
        names.insert(rs->GetCollect(1L).ToString().str());
        rs->MoveNext();
    }
    EXPECT_EQ(names.size(), static_cast<std::size_t>(kHosts * kWorksEach));
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(kHosts * kWorksEach));
    // The numbers are the first ones, without gaps.
    for (int n = 1; n <= kHosts * kWorksEach; ++n) {
        char id[16];
        std::snprintf(id, sizeof id, "T1#%03d", n);
        EXPECT_EQ(ids.count(id), 1u) << id;
    }
    // One work-log row per stored work task, none for a number another host took.
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkLog WHERE LogType='增加'"), "15");
}
