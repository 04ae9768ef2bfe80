// The review set-up of a change notice in both dialects: from the start on plain and mixed paths,
// per-order notices, from the failed step, from the failed level, the refusals when the restart
// cannot be found, a path without steps, and a failing statement that leaves nothing behind;
// and the submit dialog that asks where the review restarts.
#include "changeorders/ECOAuditSetup.h"
#include "changeorders/ECOAuditSubmitDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

class ECOAuditSetupTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
                   "('两级', '串联', '校对(40,1)|*|审核(40,2)');"
                   "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
                   "('混两级', '混合', '校对(40,1)|*|会签(200,1)|*|审核(40,2)');"
                   "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('空', "
                   "'混合', '');"
                   "INSERT INTO ECOChangeManage (ECONo, State) VALUES ('E-1', '更改')");
        setup.m_strECONo = "E-1";
        setup.m_nReviewMode = 0;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    void Step(const char* name, const char* auditor, const char* result) {
        ws.Execute(
            CString(
                "INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditName, Auditor, AuditResult, AuditState) "
                "VALUES ('更改单', 'E-1', '") +
            name + "', '" + auditor + "', '" + result + "', '完成')");
    }
    CString Query(const CString& sql) const { return ws.QueryText(sql); }
    CString Open(const char* step) const {
        return Query(
            CString("SELECT Auditor FROM ECOAuditManage WHERE ECONo='E-1' AND AuditState='未完成' AND "
                    "AuditName='") +
            step + "'");
    }
    CString OpenCount() const {
        return Query("SELECT count(*) FROM ECOAuditManage WHERE ECONo='E-1' AND AuditState='未完成'");
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
    CECOAuditSetup setup;
};

} // namespace

TEST_P(ECOAuditSetupTest, FromTheStartAPlainPathOpensEveryStepWithItsAuditor) {
    Step("旧步骤", "x", "不通过");
    setup.m_strAuditingModel = "两级";
    setup.m_strAuditorName = "zhaoliu|*|zhangsan";
    setup.m_nRestartType = 2;
    EXPECT_EQ(setup.SetupAuditFlow(), 1);
    EXPECT_EQ(OpenCount(), "2");
    EXPECT_EQ(Open("校对"), "zhaoliu");
    EXPECT_EQ(Open("审核"), "zhangsan");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage WHERE ECONo='E-1'"), "2"); // the old rows are gone
    EXPECT_EQ(Query("SELECT AuditingType FROM ECOAuditManage WHERE AuditName='审核'"), "按组");
    EXPECT_EQ(Query("SELECT AuditManager FROM ECOAuditManage WHERE AuditName='审核'"), "zhangsan");
    EXPECT_EQ(Query("SELECT BeginTime FROM ECOAuditManage WHERE AuditName='审核'").GetLength(), 10);
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='E-1'"), "评审");
    EXPECT_EQ(Query("SELECT count(*) FROM MessageManage"), "0"); // notices only per order
}

TEST_P(ECOAuditSetupTest, FromTheStartAMixedPathOpensTheFirstLevelAndPerOrderReviewsNotify) {
    setup.m_strAuditingModel = "混两级";
    setup.m_strAuditorName = "zhaoliu"; // fewer auditors than steps
    setup.m_nReviewMode = 1;
    setup.m_nRestartType = 2;
    EXPECT_EQ(setup.SetupAuditFlow(), 1);
    EXPECT_EQ(OpenCount(), "2");
    EXPECT_EQ(Open("校对"), "zhaoliu");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage WHERE AuditName='会签' AND Auditor=''"), "1");
    EXPECT_EQ(Query("SELECT AuditingType FROM ECOAuditManage WHERE AuditName='会签'"), "按单");
    // The step without an auditor sends no notice.
    EXPECT_EQ(Query("SELECT count(*) FROM MessageManage"), "1");
    EXPECT_EQ(Query("SELECT Reseiver FROM MessageManage"), "zhaoliu");
    EXPECT_EQ(Query("SELECT Content FROM MessageManage"), "辛苦了， 需要您对更改单 E-1 进行 校对");
    EXPECT_EQ(Query("SELECT Topic FROM MessageManage"), "系统工作消息");
    EXPECT_EQ(Query("SELECT Sender FROM MessageManage"), "系统");
    EXPECT_EQ(Query("SELECT ReadFlag FROM MessageManage"), "N");
}

TEST_P(ECOAuditSetupTest, FromTheFailedStepOnlyThatStepIsOpenedAgain) {
    Step("校对", "zhaoliu", "通过");
    Step("审核", "zhangsan", "不通过");
    setup.m_strAuditingModel = "两级";
    setup.m_strAuditorName = "zhaoliu|*|lisi";
    setup.m_nRestartType = 0;
    EXPECT_EQ(setup.SetupAuditFlow(), 1);
    EXPECT_EQ(OpenCount(), "1");
    EXPECT_EQ(Open("审核"), "lisi"); // a fresh row with the path's auditor
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage WHERE AuditName='审核'"), "1");
    EXPECT_EQ(Query("SELECT AuditResult FROM ECOAuditManage WHERE AuditName='校对'"), "通过");
}

TEST_P(ECOAuditSetupTest, FromTheFailedLevelEveryStepOfItsLevelIsOpened) {
    Step("校对", "zhaoliu", "通过");
    Step("会签", "wangwu", "不通过");
    setup.m_strAuditingModel = "混两级";
    setup.m_strAuditorName = "zhaoliu|*|wangwu|*|zhangsan";
    setup.m_nRestartType = 1;
    EXPECT_EQ(setup.SetupAuditFlow(), 1);
    EXPECT_EQ(OpenCount(), "2");
    EXPECT_EQ(Open("校对"), "zhaoliu");
    EXPECT_EQ(Open("会签"), "wangwu");
    EXPECT_TRUE(Open("审核").IsEmpty());

    // On a plain path the failed level is the whole path.
    CECOAuditSetup plain;
    plain.m_strECONo = "E-1";
    plain.m_strAuditingModel = "两级";
    plain.m_strAuditorName = "a|*|b";
    plain.m_nRestartType = 1;
    EXPECT_EQ(plain.SetupAuditFlow(), 1);
    EXPECT_EQ(Open("审核"), "b");
}

TEST_P(ECOAuditSetupTest, ARestartThatCannotBeFoundOpensNothing) {
    setup.m_strAuditingModel = "混两级";
    setup.m_strAuditorName = "a|*|b|*|c";
    setup.m_nRestartType = 0;
    Step("校对", "a", "通过");
    rec.Expect("任务状态与评审流程的状态不符，请与系统管理员联系!");
    EXPECT_EQ(setup.SetupAuditFlow(), 0);
    Step("已删除的步骤", "a", "不通过");
    setup.m_nRestartType = 1;
    rec.Expect("该评审任务不存在，为无效路径!");
    EXPECT_EQ(setup.SetupAuditFlow(), 0);
    EXPECT_EQ(OpenCount(), "0");
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='E-1'"), "更改");
}

TEST_P(ECOAuditSetupTest, APathWithoutStepsIsAFailure) {
    setup.m_strAuditingModel = "空";
    setup.m_nRestartType = 2;
    rec.Expect("没有可启动的评审任务");
    EXPECT_EQ(setup.SetupAuditFlow(), 0);
    setup.m_strAuditingModel = "不存在的模板";
    rec.Expect("没有可启动的评审任务");
    EXPECT_EQ(setup.SetupAuditFlow(), 0);
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage"), "0");
    EXPECT_EQ(Query("SELECT State FROM ECOChangeManage WHERE ECONo='E-1'"), "更改");
}

TEST_P(ECOAuditSetupTest, AFailingStatementLeavesTheOldStepsAndNoNotice) {
    Step("校对", "zhaoliu", "不通过");
    ws.Execute("DROP TABLE ECOChangeManage");
    setup.m_strAuditingModel = "两级";
    setup.m_strAuditorName = "zhaoliu|*|zhangsan";
    setup.m_nReviewMode = 1;
    setup.m_nRestartType = 2;
    rec.Expect("");
    rec.Expect("执行出错的SQL语句");
    EXPECT_EQ(setup.SetupAuditFlow(), 0);
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage"), "1");
    EXPECT_EQ(Query("SELECT AuditResult FROM ECOAuditManage"), "不通过");
    EXPECT_EQ(Query("SELECT count(*) FROM MessageManage"), "0");
}

TEST_P(ECOAuditSetupTest, TheSubmitDialogListsTheFailedStepsAndReturnsTheChoice) {
    CECOAuditSubmitDlg dlg;
    dlg.m_arrFailedNames.Add("审核");
    dlg.m_arrFailedAuditors.Add("zhangsan");
    dlg.m_strAuditingModel = "两级";
    dlg.m_strAuditorName = "zhaoliu|*|zhangsan";
    vq::ScriptedUser user;
    user.Dialog("更修单评审提交")
        .Do([](CDialog& d) {
            auto* list = dynamic_cast<CListBox*>(d.GetDlgItem(CECOAuditSubmitDlg::kFailedListId));
            ASSERT_EQ(list->GetCount(), 1);
            CString line;
            list->GetText(0, line);
            EXPECT_EQ(line, "审核 [zhangsan]");
            EXPECT_TRUE(d.GetDlgItem(CECOAuditSubmitDlg::kRestartAllId)->IsWindowEnabled());
        })
        .Click("评审流程")
        .Dialog("任务评审流程图")
        .Click(IDCANCEL)
        .Dialog("更修单评审提交")
        .Check("从头开始", 1)
        .Click("确定");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_nRestartType, 2);

    CECOAuditSubmitDlg fixed;
    fixed.m_nRestartType = 2;
    fixed.m_bFixedRestart = 1;
    vq::ScriptedUser user2;
    user2.Dialog("更修单评审提交")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(CECOAuditSubmitDlg::kRestartAtStepId)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(CECOAuditSubmitDlg::kRestartAllId)->IsWindowEnabled());
        })
        .Click(IDOK);
    EXPECT_EQ(fixed.DoModal(), IDOK);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(fixed.m_nRestartType, 1);
}

INSTANTIATE_TEST_SUITE_P(Dialects, ECOAuditSetupTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
