// On the demo workspace the change notice's publishing mail goes to the demo's own mail server
// (the settings the workspace's servers write name it as "address:port") and lands in its folder.
#include "tests/support/DemoWorkspace.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

const char* const kStoreFormal = "dialog \"更改通知单 - 改底图\"\n"
                                 "click \"确定\"\n"
                                 "dialog \"操作提示\"\n"
                                 "click \"正式\"\n";

} // namespace

TEST(ChangeOrderRoadDemo, ThePublishingMailLandsInTheDemosMailFolder) {
    vqtest::DemoWorkspace demo;
    // The first run makes the workspace; the group is then set to publish without review.
    const std::string look = "dialog \"更改通知单 - 改底图\"\nclick \"取消\"\n";
    vqtest::ShellRun run = demo.Host(look, "ShowECOChanageItemData JX-2026-004 lisi");
    ASSERT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    demo.Query("UPDATE ECOConfigure SET ConfigureValue='2' WHERE ConfigureGroup='更改单' AND "
               "ConfigureType='评审方式'");

    run = demo.Host(kStoreFormal, "ShowECOChanageItemData JX-2026-004 lisi");
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(demo.Query("SELECT State FROM ECOChangeManage WHERE ECONo='JX-2026-004'"), "正式");
    EXPECT_EQ(demo.Query("SELECT count(*) FROM ECOPartRelease WHERE ECONo='JX-2026-004'"), "1");

    std::string mails;
    if (std::filesystem::is_directory(demo.Dir() / "mail"))
        for (const auto& entry : std::filesystem::directory_iterator(demo.Dir() / "mail")) {
            std::ifstream file(entry.path(), std::ios::binary);
            std::stringstream text;
            text << file.rdbuf();
            mails += text.str();
        }
    EXPECT_NE(mails.find("zhangsan@localhost"), std::string::npos) << run.out;
    EXPECT_NE(mails.find("vqpdm@demo.local"), std::string::npos) << run.out;
}
