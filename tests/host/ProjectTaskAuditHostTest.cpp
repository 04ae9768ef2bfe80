// The host runs the review of the demo project task headless: without the workspace's FTP server
// it opens no dialog; with it the review window, captioned with the task's number and name, lets
// the first level's reviewer pass both documents, and the next level opens.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

TEST(ProjectTaskAuditHost, FirstReviewerEndsTheFirstLevelOfTheDemoTask) {
    DemoWorkspace demo;
    // Without the workspace's FTP server the call says so and opens no dialog.
    demo.SetServers(false);
    const ShellRun refused = demo.Host("message ~\"请检查服务器是否正确安装,或网络是否正常工作?\" IDOK\n",
                                       "DoProjectTaskAudit XM-02-01 zhaoliu 校对");
    EXPECT_EQ(refused.out.find("dialog \""), std::string::npos) << refused.out;
    EXPECT_NE(refused.out.find("result: 0"), std::string::npos) << refused.out;

    demo.SetServers(true);
    const std::string script = "dialog \"评审意见 - XM-02-01[泵体结构设计] - 校对\"\n"
                               "select 1001 \"泵体装配图\"\n"
                               "click \"->\"\n"
                               "select 1001 \"强度计算书\"\n"
                               "click \"->\"\n"
                               "set 1005 \"结构合理，同意。\"\n"
                               "check \"评审通过\" 1\n"
                               "click 1\n";
    const ShellRun run = demo.Host(script, "DoProjectTaskAudit XM-02-01 zhaoliu 校对");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    EXPECT_EQ(demo.Query("SELECT AuditState || AuditResult FROM TaskAuditManage WHERE ProjectNo='XM-02-01' AND "
                         "AuditName='校对'"),
              "已完成通过");
    EXPECT_EQ(demo.Query("SELECT group_concat(AuditName || ':' || Auditor || ':' || AuditState, ',') FROM "
                         "(SELECT * FROM TaskAuditManage WHERE ProjectNo='XM-02-01' AND AuditName<>'校对' ORDER BY "
                         "AuditName)"),
              "审核:zhangsan:未完成,工艺审查:wangwu:未完成");
    EXPECT_TRUE(std::filesystem::is_regular_file(demo.Dir() / "ftp" / "Vq" / "Auditing" / "XM-02-01" / "校对.rtf"));
}
