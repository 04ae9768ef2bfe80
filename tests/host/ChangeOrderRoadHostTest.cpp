// The road of a change notice through the host, as its people take it on the demo data, in both
// dialects: the preparer's temporary demo notice JX-2026-004 (registered and numbered for the
// product JX) is stored formally and enters review at the first level of the demo template; with
// the change-order group set to publish without review, the same store publishes it: release and
// notice rows, the reviewers' and managers' message rows and the mails on a loopback SMTP server.
// On the demo workspace itself the mail goes to the demo's own mail server and lands in its folder.
#include "mail/LfsrCipher.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/DemoWorkspace.h"
#include "tests/support/HostProcess.h"
#include "tests/support/SmtpServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

const char* const kStoreFormal = "dialog \"更改通知单 - 改底图\"\n"
                                 "click \"确定\"\n"
                                 "dialog \"操作提示\"\n"
                                 "click \"正式\"\n";

class ChangeOrderRoadHostTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        std::ifstream file(VQ_SOURCE_DIR "/schema/sqlite/demo.sql");
        std::stringstream text;
        text << file.rdbuf();
        vqtest::DbWorkspace::RunScript(ws.Connect(), CString(text.str()));
    }
    vqtest::HostRun StoreFormally(const char* login) {
        const CString script = ws.WriteFile("in/formal.script", kStoreFormal);
        return vqtest::RunHost("--headless --script " + script.str() + " ShowECOChanageItemData JX-2026-004 " +
                               login);
    }
    // The workspace's mail settings name the server as "address:port", as the demo's do.
    void UseMailServer(const vqtest::SmtpServer& server) {
        const char* section = "邮件服务器配置";
        ws.WriteSetting(section, "使用邮件服务器", "1");
        ws.WriteSetting(section, "邮件配置方式", "0");
        ws.WriteSetting(section, "SMTP地址", server.Host() + ":" + CString(std::to_string(server.Port())));
        ws.WriteSetting(section, "SMTP邮件发送帐号", "vqpdm@demo.local");
        ws.WriteSetting(section, "SMTP校验帐号", server.User());
        CString bytes = server.Password();
        CLfsrCipher cipher;
        cipher.TransformString(CLfsrCipher::kMailKey, &bytes);
        ws.WriteFile("install/qent/spt/_vqpass.ini", bytes.str());
    }
    CString Query(const CString& sql) const { return ws.QueryText(sql); }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(ChangeOrderRoadHostTest, ThePreparersFormalStoreSendsTheNoticeToItsFirstReviewLevel) {
    const vqtest::HostRun run = StoreFormally("lisi");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(Query("SELECT State || '/' || AuditingModel FROM ECOChangeManage WHERE ECONo='JX-2026-004'"),
              "评审/三级评审");
    // The demo template is mixed: its first level is the one step "校对", reviewed by zhaoliu.
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage WHERE ECONo='JX-2026-004'"), "1");
    EXPECT_EQ(Query("SELECT AuditName || '/' || Auditor || '/' || AuditState FROM ECOAuditManage WHERE "
                    "ECOGroup='更改单' AND ECONo='JX-2026-004'"),
              "校对/zhaoliu/未完成");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOChangePart WHERE ECONo='JX-2026-004'"), "1");
    // Nothing is published before the review has ended.
    EXPECT_EQ(Query("SELECT count(*) FROM ECOPartRelease WHERE ECONo='JX-2026-004'"), "0");

    // In review the preparer only looks at it: a second store cannot be made.
    const CString look = ws.WriteFile("in/look.script", "dialog \"更改通知单 - 改底图\"\n"
                                                        "click \"取消\"\n");
    const vqtest::HostRun again =
        vqtest::RunHost("--headless --script " + look.str() + " ShowECOChanageItemData JX-2026-004 lisi");
    EXPECT_NE(again.out.find("result: 1"), std::string::npos) << again.out;
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage WHERE ECONo='JX-2026-004'"), "1");
}

TEST_P(ChangeOrderRoadHostTest, PublishedWithoutReviewItsReleaseNoticesMessagesAndMailsAreThere) {
    vqtest::SmtpServer server;
    ASSERT_TRUE(server.IsRunning());
    UseMailServer(server);
    ws.Execute("UPDATE ECOConfigure SET ConfigureValue='2' WHERE ConfigureGroup='更改单' AND "
               "ConfigureType='评审方式'");

    const vqtest::HostRun run = StoreFormally("lisi");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='JX-2026-004'"), "正式");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage WHERE ECONo='JX-2026-004'"), "0");

    // The changed part is released; it and the assemblies using it are noted for their managers.
    EXPECT_EQ(Query("SELECT PartCode || '/' || PartName FROM ECOPartRelease WHERE ECOGroup='更改单' AND "
                    "ECONo='JX-2026-004'"),
              "P-1000-01-01/箱座");
    EXPECT_EQ(Query("SELECT RelateType || '/' || Manager FROM ECOPartNotify WHERE ECONo='JX-2026-004' AND "
                    "PartCode='P-1000-01-01'"),
              "直接/zhangsan");
    EXPECT_NE(Query("SELECT count(*) FROM ECOPartNotify WHERE ECONo='JX-2026-004' AND RelateType='间接'"), "0");

    // zhangsan manages the part: one message row and one mail with the notices merged.
    const CString message = Query("SELECT Content FROM MessageManage WHERE Reseiver='zhangsan' AND "
                                  "Topic='更改单发放自动通知'");
    EXPECT_EQ(message.Find("更改单：JX-2026-004 已发布，涉及到您负责的零部件 P-1000-01-01[箱座]发生了更改"), 0)
        << message.str();
    ASSERT_TRUE(server.WaitForMails(1)) << run.out;
    bool toZhangsan = false;
    for (const auto& mail : server.Received()) {
        EXPECT_EQ(mail.from, "vqpdm@demo.local");
        for (const CString& to : mail.recipients)
            toZhangsan = toZhangsan || to == "zhangsan@localhost";
    }
    EXPECT_TRUE(toZhangsan);
}

INSTANTIATE_TEST_SUITE_P(Dialects, ChangeOrderRoadHostTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

// On the demo workspace the publisher's mail reaches the demo's mail server, whose folder keeps it.
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
