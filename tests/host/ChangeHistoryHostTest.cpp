// The host runs the revision browser headless on the demo workspace: "更改历史..." opens the
// change history of the demo housing, which lists its published change notice; the notice's form
// opens from the row.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <string>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

TEST(ChangeHistoryHost, RevisionBrowserOpensTheChangeHistoryOfAPartWithAPublishedOrder) {
    DemoWorkspace demo;
    demo.SetServers(false);
    const std::string script = "dialog \"浏览图号版本信息\"\n"
                               "click \"更改历史...\"\n"
                               "dialog \"零部件更改历史\"\n"
                               "select 1408 \"1\"\n"
                               "click \"单据属性...\"\n"
                               "dialog \"更改通知单 - 改底图\"\n"
                               "click 2\n"
                               "dialog \"零部件更改历史\"\n"
                               "click \"退出\"\n"
                               "dialog \"浏览图号版本信息\"\n"
                               "click 1\n";
    const ShellRun run = demo.Host(script, "BrowsePartReversionTree P-1000-01-01 zhangsan");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("dialog \"零部件更改历史\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("dialog \"更改通知单 - 改底图\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("message"), std::string::npos) << run.out;
    // The notice listed is the demo's published one.
    EXPECT_EQ(demo.Query("SELECT State FROM ECOChangeManage WHERE ECONo='JX-2026-001'"), "正式");
}
