// The host runs the work task entry functions headless on the demo data: the work-group work
// management divides a work-group task through the work task item dialog, and a new work task
// is created on its own.
#include "platform/db/Ado.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

void LoadDemo(const vqtest::DbWorkspace& ws) {
    std::ifstream file(VQ_SOURCE_DIR "/schema/sqlite/demo.sql");
    std::stringstream text;
    text << file.rdbuf();
    vqtest::DbWorkspace::RunScript(ws.Connect(), CString(text.str()));
}

} // namespace

TEST(TeamTaskHost, AssignTeamTaskMainDividesAWorkGroupTask) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    const CString script = ws.WriteFile("in/divide.script",
                                        "dialog \"设计工作组工作管理\"\n"
                                        "tree 1050 \"项目：二级减速机设计[XM-01] 下的任务：箱体结构设计[XM-01-01]...\"\n"
                                        "click \"划分任务...\"\n"
                                        "dialog \"工作任务分解\"\n"
                                        "set \"工作名称\" \"箱体密封设计\"\n"
                                        "set \"工作内容\" \"密封件选型\"\n"
                                        "set \"开始时间\" \"2026-12-10\"\n"
                                        "set \"报警时间\" \"2026-12-20\"\n"
                                        "set \"完成时间\" \"2027-01-20\"\n"
                                        "click 1\n"
                                        "dialog \"设计工作组工作管理\"\n"
                                        "click \"退出\"\n");
    const vqtest::HostRun run =
        vqtest::RunHost("--headless --script " + script.str() + " AssignTeamTaskMain XM-01 XM-01-01 zhangsan 0 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("工作任务分解"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT TaskNo || '|' || UpWorkID || '|' || Manager || '|' || WorkName || '|' || WorkType "
                           "|| '|' || WorkState || '|' || PreEndedTime FROM TeamWorkManage WHERE WorkID='XM-01-01#003'"),
              "XM-01-01|XM-01-01|zhangsan|箱体密封设计|W|待确认|2027-01-20");
    EXPECT_EQ(ws.QueryText("SELECT LogTopic FROM TeamWorkLog WHERE LogID='XM-01-01#003'"), "分配工作");
}

TEST(TeamTaskHost, CreateNewTeamTaskItemReturnsTheNewId) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    const CString script = ws.WriteFile("in/create.script", "dialog \"工作任务分解\"\n"
                                                            "set \"工作名称\" \"传动轴设计\"\n"
                                                            "set \"开始时间\" \"2026-12-10\"\n"
                                                            "set \"报警时间\" \"2026-12-10\"\n"
                                                            "set \"完成时间\" \"2027-01-10\"\n"
                                                            "click 1\n");
    const vqtest::HostRun run = vqtest::RunHost("--headless --script " + script.str() +
                                                " CreateNewTeamTaskItem XM-01-02 \"\" x lisi");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: \"XM-01-02#001\""), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT Manager FROM TeamWorkManage WHERE WorkID='XM-01-02#001'"), "lisi");
}
