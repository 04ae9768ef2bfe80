// The host runs the design project management headless on the demo workspace: a project added
// through the item dialog is in ProjectManage; numbers that are a stored one's are refused.
#include "platform/base/Time.h"
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <string>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

TEST(ProjectHost, ManagementAddsAProjectThroughTheItemDialog) {
    DemoWorkspace demo;
    const std::string end = (CTime::GetCurrentTime() + CTimeSpan(60, 0, 0, 0)).Format("%Y-%m-%d").str();
    const std::string script = "dialog \"设计项目管理\"\n"
                               "click 1106\n"
                               "dialog \"项目/任务项属性\"\n"
                               "set 1001 \"XM-09\"\n"
                               "set 1003 \"演示新项目\"\n"
                               "set 1006 \"" + end + "\"\n"
                               "click 1\n"
                               "dialog \"设计项目管理\"\n"
                               "click 2\n";
    const ShellRun run = demo.Host(script, "DesignProjectManageMain admin 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(demo.Query("SELECT ProjectName || '|' || ProjectPath || '|' || WorkState || '|' || TaskAssigner "
                         "FROM ProjectManage WHERE ProjectNo='XM-09'"),
              "演示新项目|项目管理|未开始|admin");

    // Another client stored "ΣM-08": the host's SQLite connection compares numbers as PostgreSQL
    // does. A server ignoring case would read "ςm-08" as its folder too, but the file server's code
    // page 936 has no "ς": that number is refused for its characters.
    demo.Query("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('ΣM-08', "
               "'他人项目', '项目管理', '未开始')");
    const std::string refused = "dialog \"设计项目管理\"\n"
                                "click 1106\n"
                                "dialog \"项目/任务项属性\"\n"
                                "set 1001 \"σm-08\"\n"
                                "set 1003 \"又一项目\"\n"
                                "set 1006 \"" +
                                end +
                                "\"\n"
                                "click 1\n"
                                "message \"该项目或任务编号已存在，请重新输入!\" IDOK\n"
                                "set 1001 \"ςm-08\"\n"
                                "click 1\n"
                                "message ~\"项目或任务编号不能包含以下字母\" IDOK\n"
                                "click 2\n"
                                "dialog \"设计项目管理\"\n"
                                "click 2\n";
    const ShellRun again = demo.Host(refused, "DesignProjectManageMain admin 0");
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_EQ(demo.Query("SELECT count(*) FROM ProjectManage WHERE ProjectName='又一项目'"), "0");
    // The demo data holds a project with tasks and work tasks for the other dialogs.
    EXPECT_EQ(demo.Query("SELECT count(*) FROM ProjectManage WHERE ProjectPath LIKE '二级减速机设计%'"), "3");
    EXPECT_EQ(demo.Query("SELECT count(*) FROM TeamWorkManage WHERE TaskNo LIKE 'XM-01%'"), "4");
}

TEST(ProjectHost, TeamMembersAndTheMemberPickerOnTheDemoWorkspace) {
    DemoWorkspace demo;
    const std::string add = "dialog \"项目组成员管理\"\n"
                            "click 1207\n"
                            "dialog \"用户浏览 - 选择组(多用户)\"\n"
                            "select 1059 \"wangwu\"\n"
                            "click 1\n"
                            "dialog \"项目组成员管理\"\n"
                            "click 2\n";
    const ShellRun added = demo.Host(add, "AssignProjectTeamMain '' XM-01 _P zhangsan 0");
    EXPECT_EQ(added.status, 0) << added.out;
    EXPECT_NE(added.out.find("result: 1"), std::string::npos) << added.out;
    EXPECT_EQ(demo.Query("SELECT IsLeader FROM DesignProjectTeam WHERE TeamType='_P' AND TeamGroup='XM-01' AND "
                         "TeamUser='wangwu'"),
              "N");

    const std::string pick = "dialog \"选择项目组成员\"\n"
                             "tree 1206 \"任务：[箱体结构设计]XM-01-01 的工作组.../赵六 [zhaoliu]\"\n"
                             "click 1\n";
    const ShellRun picked = demo.Host(pick, "SelectProjectTeamer XM-01-01 XM-01 _T zhangsan");
    EXPECT_EQ(picked.status, 0) << picked.out;
    EXPECT_NE(picked.out.find("result: \"zhaoliu\""), std::string::npos) << picked.out;
}
