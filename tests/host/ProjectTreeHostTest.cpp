// The host runs the work breakdown and the structure display headless on the demo workspace: the
// breakdown needs the workspace's FTP server (a clear 0 without one, the dialog with one), the
// structure display shows the demo project with its work tasks.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <string>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

TEST(ProjectTreeHost, WorkBreakdownNeedsTheFtpServerOfTheDemoSettings) {
    DemoWorkspace demo;
    // Without the workspace's servers nothing listens where the settings point: the call says so
    // and returns 0 without a dialog.
    demo.SetServers(false);
    const std::string expand = "dialog \"设计项目结构管理 — WBS分解\"\n"
                               "tree 1501 \"项目：二级减速机设计[XM-01] .../箱体结构设计 [XM-01-01]\"\n"
                               "click 1509\n"
                               "click 2\n";
    // One box: that the server refused the connection, and what to check.
    const std::string refused =
        "message ~\"服务器拒绝了连接。\\n请检查服务器是否正确安装,或网络是否正常工作?\" IDOK\n";
    const ShellRun without = demo.Host(refused, "AssignProjectTaskMain XM-01 zhangsan 0");
    EXPECT_EQ(without.status, 0) << without.out;
    EXPECT_NE(without.out.find("请检查服务器是否正确安装,或网络是否正常工作?"), std::string::npos) << without.out;
    EXPECT_NE(without.out.find("result: 0"), std::string::npos) << without.out;
    EXPECT_EQ(without.out.find("dialog \""), std::string::npos) << without.out;

    demo.SetServers(true);
    const ShellRun with = demo.Host(expand, "AssignProjectTaskMain XM-01 zhangsan 0");
    EXPECT_EQ(with.status, 0) << with.out;
    EXPECT_NE(with.out.find("dialog \"设计项目结构管理 — WBS分解\""), std::string::npos) << with.out;
    EXPECT_NE(with.out.find("result: 0"), std::string::npos) << with.out;
}

TEST(ProjectTreeHost, StructureDisplayShowsTheDemoProjectWithItsWorkTasks) {
    DemoWorkspace demo;
    const std::string script = "dialog \"设计项目结构显示\"\n"
                               "tree 1401 \"项目：二级减速机设计[XM-01] .../箱体结构设计 [XM-01-01]/箱盖附件设计 "
                               "[XM-01-01#002]\"\n"
                               "click 2\n";
    const ShellRun run = demo.Host(script, "AssignProjectStructMain XM-01 zhangsan 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("dialog \"设计项目结构显示\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
}
