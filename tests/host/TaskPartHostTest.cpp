// The host runs the design product structure of a work task headless on the demo workspace: the
// manager of a pending work accepts it and adds a part to its structure through the
// add-design-part dialog; a user who only looks gets 0.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <string>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

TEST(TaskPartHost, AssignTaskPartMainAddsAPartThroughTheDesignPartDialog) {
    DemoWorkspace demo;
    const std::string script = "message \"该任务尚处于待确认状态，是否接受此任务?\" IDYES\n"
                               "dialog \"设计产品结构管理\"\n"
                               "click \"新建零部件...\"\n"
                               "dialog \"增加设计零部件\"\n"
                               "set \"零部件图号\" \"P-1000-05\"\n"
                               "set \"零部件图名\" \"透气塞\"\n"
                               "set \"备注\" \"箱盖附件\"\n"
                               "click 1\n"
                               "dialog \"设计产品结构管理\"\n"
                               "tree 1070 \"任务：箱体结构设计[XM-01-01] 下的工作：箱盖附件设计"
                               "[XM-01-01#002].../透气塞 [P-1000-05]\"\n"
                               "click \"退出\"\n";
    const ShellRun run = demo.Host(script, "AssignTaskPartMain XM-01-01#002 zhaoliu 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("dialog \"增加设计零部件\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(demo.Query("SELECT UpCode || '|' || DName || '|' || Other1 FROM TeamWorkPartTree WHERE "
                         "WorkID='XM-01-01#002' AND DCode='P-1000-05'"),
              "XM-01-01#002|透气塞|箱盖附件");
    EXPECT_EQ(
        demo.Query("SELECT WorkID || '|' || PartName || '|' || PartRev || '|' || UserName || '|' || UsedFlag "
                   "|| '|' || State FROM TeamWorkPart WHERE PartCode='P-1000-05'"),
        "XM-01-01#002|透气塞|A|zhaoliu|0|分配");
    EXPECT_EQ(demo.Query("SELECT WorkState FROM TeamWorkManage WHERE WorkID='XM-01-01#002'"), "正进行中");
}

TEST(TaskPartHost, AssignTaskPartMainReturnsZeroWhenTheUserOnlyLooks) {
    DemoWorkspace demo;
    const ShellRun run =
        demo.Host("dialog \"设计产品结构管理\"\nclick \"退出\"\n", "AssignTaskPartMain XM-01-01#001 lisi 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
}
