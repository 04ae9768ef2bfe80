// The host takes a demo work document through its whole review headless: submitted by its
// designer, then decided by each reviewer in turn through DoTeamTaskAudit, it ends released.
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

TEST(ReviewDecisionHost, EachReviewerInTurnTakesADemoDocumentToItsRelease) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    const CString none = ws.WriteFile("in/none.script", "");
    vqtest::HostRun run =
        vqtest::RunHost("--headless --script " + none.str() + " SendDesignFileToAudit F-0005 zhangsan admin");
    ASSERT_NE(run.out.find("result: 1"), std::string::npos) << run.out;

    const CString pass = ws.WriteFile("in/pass.script", "dialog \"评审意见\"\n"
                                                        "set 1001 \"同意\"\n"
                                                        "check 1002 1\n"
                                                        "click 1\n");
    // The demo template: 校对 (zhaoliu), then 审核 (zhangsan) beside 工艺审查 (wangwu), then 批准 (admin).
    const char* const reviews[][2] = {{"zhaoliu", "校对"}, {"zhangsan", "审核"}, {"wangwu", "工艺审查"}, {"admin", "批准"}};
    for (const auto& review : reviews) {
        EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkResult WHERE FileID='F-0005'"), "评审");
        run = vqtest::RunHost("--headless --script " + pass.str() + " DoTeamTaskAudit F-0005 " + review[0] + " " +
                              review[1]);
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("result: 1"), std::string::npos) << review[1] << run.out;
    }
    EXPECT_EQ(ws.QueryText("SELECT State FROM TeamWorkResult WHERE FileID='F-0005'"), "正式");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkAudit WHERE FileID='F-0005' AND State='已完成' AND "
                           "Result='通过'"),
              "4");
}

TEST(ReviewDecisionHost, TheAssistingReviewsOfAStepOpenForViewing) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    const CString look = ws.WriteFile("in/look.script", "dialog \"设计过程—协助评审任务管理\"\n"
                                                        "click 2\n");
    const vqtest::HostRun run = vqtest::RunHost("--headless --script " + look.str() +
                                                " TeamAssignNextAuditTaskShow F-0005 审核[N] zhangsan");
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
}

TEST(ReviewDecisionHost, ListsOfDocumentsAndStepsReachTheSeveralDocumentsEntry) {
    vqtest::DbWorkspace ws(0);
    LoadDemo(ws);
    const CString none = ws.WriteFile("in/none.script", "");
    vqtest::HostRun run =
        vqtest::RunHost("--headless --script " + none.str() + " SendDesignFileToAudit F-0005 zhangsan admin");
    ASSERT_NE(run.out.find("result: 1"), std::string::npos) << run.out;

    // A list argument is written as its texts separated by "|"; here one document and its step.
    const CString pass = ws.WriteFile("in/pass.script", "dialog \"评审意见\"\n"
                                                        "set 1001 \"同意\"\n"
                                                        "check 1002 1\n"
                                                        "click 1\n");
    run = vqtest::RunHost("--headless --script " + pass.str() + " DoMultiTeamTaskAuditEx F-0005 zhaoliu 校对 '' 0 0");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 1"), std::string::npos) << run.out;
    EXPECT_EQ(ws.QueryText("SELECT State || Result FROM TeamWorkAudit WHERE FileID='F-0005' AND AuditTask='校对'"),
              "已完成通过");

    run = vqtest::RunHost("--list");
    EXPECT_NE(run.out.find("DoMultiTeamTaskAuditEx (文档编号列表 list, 登录帐号 login, 评审步骤列表 list, 工作编号 text, 委托评审 int, "
                           "协助评审 int) -> int"),
              std::string::npos)
        << run.out;
}
