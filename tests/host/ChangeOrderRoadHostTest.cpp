// The road of a change notice through the host, as its people take it on the demo data, in both
// dialects. The demo's temporary notice JX-2026-004 (registered and numbered for the product JX by
// its preparer lisi) stored formally enters review at the first level of the demo template. With
// the change-order group set to publish without review, lisi attaches the housing's new drawing,
// marks a change label on it and stores the notice formally: it is published, its release and
// notice rows are written, the part's manager gets his message row and his mail (from an SMTP
// server on loopback named "address:port" as the demo workspace names its own), and the housing's
// change history lists the notice.
#include "changeorders/ChangeLableItemDlg.h"
#include "changeorders/ECOChangeItemDlg.h"
#include "mail/LfsrCipher.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/HostProcess.h"
#include "tests/support/SmtpServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// A small white picture, stored as the order's drawing.
const char* const kDrawingPng = "89504e470d0a1a0a0000000d49484452000000400000003008020000002e29eb480000003f49"
                                "44415478daedcf310d00000c03a0fa"
                                "37dd5ad8bb041c903e1701010101010101010101010101010101010101010101010101010101"
                                "01010101010181ab01cad6de0e8e2d"
                                "542e0000000049454e44ae426082";

std::string Bytes(const char* hex) {
    std::string bytes;
    for (const char* p = hex; p[0] && p[1]; p += 2)
        bytes += static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16));
    return bytes;
}

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
        return vqtest::RunHost("--headless --script " + script.str() +
                               " ShowECOChanageItemData JX-2026-004 " + login);
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

TEST_P(ChangeOrderRoadHostTest,
       PublishedItsRowsNoticesAndMailsAreThereItsDrawingIsLabelledAndTheHistoryShowsIt) {
    vqtest::SmtpServer server;
    ASSERT_TRUE(server.IsRunning());
    UseMailServer(server);
    ws.Execute("UPDATE ECOConfigure SET ConfigureValue='2' WHERE ConfigureGroup='更改单' AND "
               "ConfigureType='评审方式'");

    // 1. lisi attaches the new drawing of the housing (a picture, as the viewer shows pictures) and
    //    stores the notice temporarily.
    const CString drawing = ws.WriteFile("in/P-1000-01-01.dwg", Bytes(kDrawingPng));
    const CString lines = CString("dialog \"更改通知单 - 改底图\"\n") + "click " +
                          CString(std::to_string(CECOChangeItemDlg::kDocAddId)) + "\n" + "file \"" + drawing +
                          "\"\n"
                          "dialog \"输入字符串\"\n"
                          "set 1013 \"箱座零件图\"\n"
                          "click 1\n"
                          "dialog \"更改通知单 - 改底图\"\n"
                          "click \"确定\"\n"
                          "dialog \"操作提示\"\n"
                          "click \"临时\"\n";
    const CString attach = ws.WriteFile("in/attach.script", lines.str());
    const vqtest::HostRun attached =
        vqtest::RunHost("--headless --script " + attach.str() + " ShowECOChanageItemData JX-2026-004 lisi");
    EXPECT_NE(attached.out.find("result: 1"), std::string::npos) << attached.out;
    EXPECT_EQ(Query("SELECT FileName FROM ECORelateFile WHERE ECOGroup='更改单' AND ECONo='JX-2026-004' AND "
                    "DocType='箱座零件图'"),
              "P-1000-01-01.dwg");

    // 2. While the notice is his temporary one, lisi marks a label on its drawing where the view stands.
    CString labelLines;
    labelLines.Format("dialog \"设计更改标记管理\"\n"
                      "click \"增加...\"\n"
                      "dialog \"设计更改标记项\"\n"
                      "set %d \"1\"\n"
                      "set %d \"箱座壁厚由12改为14\"\n"
                      "click 1\n"
                      "dialog \"设计更改标记管理\"\n"
                      "click \"退出\"\n",
                      CChangeLableItemDlg::kLabelId, CChangeLableItemDlg::kContentId);
    const CString labels = ws.WriteFile("in/labels.script", labelLines.str());
    const vqtest::HostRun labelled =
        vqtest::RunHost("--headless --script " + labels.str() +
                                " ECOChangeLableMainTain 更改单 JX-2026-004 箱座零件图 0 lisi");
    EXPECT_EQ(labelled.status, 0) << labelled.out;
    EXPECT_NE(labelled.out.find("result: 1"), std::string::npos) << labelled.out;
    EXPECT_EQ(Query("SELECT ChangeLabel || '/' || Content || '/' || Changer FROM ECOFileChangeLabel WHERE "
                    "ECOGroup='更改单' AND ECONo='JX-2026-004' AND DocType='箱座零件图'"),
              "1/箱座壁厚由12改为14/李四");

    // 3. Stored formally: without review it is published at once.
    const vqtest::HostRun run = StoreFormally("lisi");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='JX-2026-004'"), "正式");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage WHERE ECONo='JX-2026-004'"), "0");

    // 4. The changed part is released; it and the assemblies using it are noted for their managers.
    EXPECT_EQ(Query("SELECT PartCode || '/' || PartName FROM ECOPartRelease WHERE ECOGroup='更改单' AND "
                    "ECONo='JX-2026-004'"),
              "P-1000-01-01/箱座");
    EXPECT_EQ(Query("SELECT RelateType || '/' || Manager FROM ECOPartNotify WHERE ECONo='JX-2026-004' AND "
                    "PartCode='P-1000-01-01'"),
              "直接/zhangsan");
    EXPECT_NE(Query("SELECT count(*) FROM ECOPartNotify WHERE ECONo='JX-2026-004' AND RelateType='间接'"),
              "0");

    // 5. zhangsan manages the part: one message row and one mail with the notices merged.
    const CString message = Query("SELECT Content FROM MessageManage WHERE Reseiver='zhangsan' AND "
                                  "Topic='更改单发放自动通知'");
    EXPECT_EQ(message.Find("更改单：JX-2026-004 已发布，涉及到您负责的零部件 P-1000-01-01[箱座]发生了更改"),
              0)
        << message.str();
    ASSERT_TRUE(server.WaitForMails(1)) << run.out;
    bool toZhangsan = false;
    for (const auto& mail : server.Received()) {
        EXPECT_EQ(mail.from, "vqpdm@demo.local");
        for (const CString& to : mail.recipients)
            toZhangsan = toZhangsan || to == "zhangsan@localhost";
    }
    EXPECT_TRUE(toZhangsan);

    // 6. The change history of the housing, opened from its revision browser, lists the notice.
    const CString history = ws.WriteFile("in/history.script", "dialog \"浏览图号版本信息\"\n"
                                                              "click \"更改历史...\"\n"
                                                              "dialog \"零部件更改历史\"\n"
                                                              "click \"退出\"\n"
                                                              "dialog \"浏览图号版本信息\"\n"
                                                              "click 1\n");
    const vqtest::HostRun shown = vqtest::RunHost("--headless --script " + history.str() +
                                                  " BrowsePartReversionTree P-1000-01-01 zhangsan");
    EXPECT_EQ(shown.status, 0) << shown.out;
    const std::size_t at = shown.out.find("dialog \"零部件更改历史\"");
    ASSERT_NE(at, std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("JX-2026-004", at), std::string::npos) << shown.out;

    // 7. The housing's drawing of revision A lies released on the file server (as the archive puts
    //    it); its manager zhangsan marks on it the change the notice made.
    vqtest::FtpServer ftp;
    ASSERT_TRUE(ftp.IsRunning());
    ftp.MakeFolder("Vq/Proven/P-1000/P-1000-01-01/A");
    ftp.WriteFile("Vq/Proven/P-1000/P-1000-01-01/A/P-1000-01-01.dwg", Bytes(kDrawingPng));
    ws.Execute(
        "INSERT INTO Documents (Code, DocumentType, FileName, FileType, FileBulk, FileDate, FileRemark, "
        "RevNumber) VALUES ('P-1000-01-01', '零件设计图', 'P-1000-01-01.dwg', 'AutoCAD 图形', '1', "
        "'2026-11-02 09:00:00', '', 'A')");
    vqtest::ConfigRow config;
    config.domainName = ftp.Host() + ":" + CString(std::to_string(ftp.Port()));
    config.ftpUser = ftp.User();
    config.ftpPwd = ftp.Password();
    ws.SetConfig(config);
    ws.WriteSetting("服务器参数配置", "匿名连接", "0");
    CString partLines;
    partLines.Format("dialog \"零部件更改标记管理\"\n"
                     "click \"增加...\"\n"
                     "dialog \"图纸更改标记项\"\n"
                     "set %d \"1\"\n"
                     "set %d \"JX-2026-004\"\n"
                     "set %d \"箱座壁厚由12改为14\"\n"
                     "click 1\n"
                     "dialog \"零部件更改标记管理\"\n"
                     "click \"退出\"\n",
                     CChangeLableItemDlg::kLabelId, CChangeLableItemDlg::kFileSerialId,
                     CChangeLableItemDlg::kContentId);
    const CString partLabels = ws.WriteFile("in/part-labels.script", partLines.str());
    const vqtest::HostRun marked = vqtest::RunHost(
        "--headless --script " + partLabels.str() + " PartChangeLableMaintain P-1000-01-01 0 zhangsan");
    EXPECT_EQ(marked.status, 0) << marked.out;
    EXPECT_NE(marked.out.find("result: 1"), std::string::npos) << marked.out;
    EXPECT_EQ(Query("SELECT RevNo || '/' || ChangeLabel || '/' || FileSerial || '/' || Changer FROM "
                    "PartChangeLabel WHERE PartCode='P-1000-01-01'"),
              "A/1/JX-2026-004/张三");
}

INSTANTIATE_TEST_SUITE_P(Dialects, ChangeOrderRoadHostTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
