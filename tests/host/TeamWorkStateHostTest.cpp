// The host runs the work task state maintenance headless on the demo workspace: a work task of a
// work group is marked complete and its work task group shows the state.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <string>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

TEST(TeamWorkStateHost, TeamWorkTaskStateMaintainCompletesADemoWorkTask) {
    DemoWorkspace demo;
    const std::string script = "dialog \"工作任务状态维护\"\n"
                               "click \"标记完成...\"\n"
                               "message \"是否进行完整性分析?\" IDNO\n"
                               "message \"是否继续标记任务完成?\" IDYES\n"
                               "message \"工作任务已标记为完成状态...\" IDOK\n"
                               "click \"退出\"\n";
    const ShellRun run = demo.Host(script, "TeamWorkTaskStateMaintain XM-01-03#001#001 zhaoliu 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(demo.Query("SELECT WorkState FROM TeamWorkManage WHERE WorkID='XM-01-03#001#001'"), "完成");
    EXPECT_EQ(demo.Query("SELECT WorkState FROM TeamWorkManage WHERE WorkID='XM-01-03#001'"), "完成");
}

TEST(TeamWorkStateHost, TeamWorkPrintSearchMainListsTheDemoRequests) {
    DemoWorkspace demo;
    const std::string script = "dialog \"图纸申请下载情况查询\"\n"
                               "set \"申请时间从:\" \"2026-11-01\"\n"
                               "set \"申请时间到:\" \"2026-11-30\"\n"
                               "click \"查询\"\n"
                               "select * \"1\"\n"
                               "click \"退出\"\n";
    const ShellRun run = demo.Host(script, "TeamWorkPrintSearchMain P-1000-01-01 zhangsan");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
}
