// The review result dialog of a change order in both dialects: the steps with their faces and
// responsible persons, the opinion of the selected step, the assisting-review button of "[N]"
// steps, the order's form and flow chart opened display-only, and the change-manager setting.
#include "changeorders/ECOAuditResultDlg.h"
#include "changeorders/ECONextAuditTaskDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

namespace {

using ResultDlg = CECOAuditResultDlg;

const char* const kCaption = "更修单评审结果";

const char* const kOrders =
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhaoliu', '赵六');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('wangwu', '王五');"
    "INSERT INTO ECOChangeManage (ECONo, SaveUser, State, AuditingModel, AuditorName) VALUES "
    "('C-1', '李四', '评审', '两级', 'zhaoliu|*|设计一室');"
    "INSERT INTO ECOModifyManage (ECONo, SaveUser, State) VALUES ('C-1', '李四', '正式');"
    "INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditName, Auditor, FinishTime, AuditState, AuditResult, "
    "AuditRemark, AuditManager) VALUES ('更改单', 'C-1', '校对', 'zhaoliu', '2026-11-02', '完成', '通过', "
    "'可以', 'zhaoliu');"
    "INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditName, Auditor, FinishTime, AuditState, AuditResult, "
    "AuditRemark, AuditManager) VALUES ('更改单', 'C-1', '会签[N]', '设计一室', '2026-11-03', '完成', "
    "'不通过', '尺寸不对', 'wangwu');"
    "INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditName, Auditor, AuditState, AuditManager) VALUES "
    "('更改单', 'C-1', '批准', '工艺室', '未完成', 'nobody');"
    "INSERT INTO ECONextAuditManage (ECOGroup, ECONo, UpAuditName, AuditName, Auditor, AuditState) VALUES "
    "('更改单', 'C-1', '会签[N]', '会签[1]', 'wangwu', '未完成')";

class AuditResultDlgTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strUserName = "李四";
        ws.Execute(kOrders);
        dlg.m_strECONo = "C-1";
        dlg.m_strECOGroup = "更改单";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    static CListCtrl& Steps(CDialog& d) { return *dynamic_cast<CListCtrl*>(d.GetDlgItem(ResultDlg::kStepListId)); }
    static CString Text(CDialog& d, int id) {
        CString text;
        d.GetDlgItem(id)->GetWindowText(text);
        return text;
    }
    static int Image(CDialog& d, int row) {
        LVITEM item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        Steps(d).GetItem(&item);
        return item.iImage;
    }
    static int Row(CDialog& d, const char* step) {
        for (int row = 0; row < Steps(d).GetItemCount(); ++row)
            if (Steps(d).GetItemText(row, 0) == step)
                return row;
        return -1;
    }
    static bool Visible(CDialog& d, int id) { return d.GetDlgItem(id)->IsWindowVisible() != 0; }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
    ResultDlg dlg;
};

} // namespace

TEST_P(AuditResultDlgTest, StepsShowTheirFacesResponsiblePersonsAndTheFirstOpinion) {
    // Rows come in the order the database returns them: the checks look a step up by its name.
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) {
            auto& steps = Steps(d);
            ASSERT_EQ(steps.GetItemCount(), 3);
            const int check = Row(d, "校对");
            const int sign = Row(d, "会签[N]");
            const int approve = Row(d, "批准");
            ASSERT_GE(check, 0);
            ASSERT_GE(sign, 0);
            ASSERT_GE(approve, 0);
            EXPECT_EQ(steps.GetItemText(check, 1), "zhaoliu{赵六}");
            // A group: the manager's name; neither with a name: the text itself.
            EXPECT_EQ(steps.GetItemText(sign, 1), "设计一室{王五}");
            EXPECT_EQ(steps.GetItemText(approve, 1), "工艺室{工艺室}");
            EXPECT_EQ(steps.GetItemText(sign, 2), "2026-11-03");
            EXPECT_EQ(steps.GetItemText(sign, 3), "完成");
            EXPECT_EQ(steps.GetItemText(sign, 4), "不通过");
            EXPECT_EQ(Image(d, check), ResultDlg::kPassedStepImage);
            EXPECT_EQ(Image(d, sign), ResultDlg::kFailedStepImage);
            EXPECT_EQ(Image(d, approve), ResultDlg::kPlainStepImage);
            // The first row is selected, its opinion shown.
            EXPECT_EQ(steps.GetItemState(0, LVIS_SELECTED), static_cast<UINT>(LVIS_SELECTED));
            const CString opinions[] = {"可以", "尺寸不对", ""};
            const int first = check == 0 ? 0 : sign == 0 ? 1 : 2;
            EXPECT_EQ(Text(d, ResultDlg::kOpinionId), opinions[first]);
            EXPECT_EQ(Visible(d, ResultDlg::kAssistAuditId), sign == 0);
            EXPECT_EQ(Text(d, ResultDlg::kStateId), "评审");
            EXPECT_TRUE(Visible(d, ResultDlg::kChangeManagerId));
            EXPECT_FALSE(d.GetDlgItem(ResultDlg::kChangeManagerId)->IsWindowEnabled());
        })
        .Select(ResultDlg::kStepListId, "批准")
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, ResultDlg::kOpinionId), "");
            EXPECT_FALSE(Visible(d, ResultDlg::kAssistAuditId));
        })
        .Select(ResultDlg::kStepListId, "校对")
        .Do([](CDialog& d) { EXPECT_EQ(Text(d, ResultDlg::kOpinionId), "可以"); })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(AuditResultDlgTest, AnAssistedStepListsItsTasksDisplayOnly) {
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Select(ResultDlg::kStepListId, "会签[N]")
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, ResultDlg::kOpinionId), "尺寸不对");
            EXPECT_TRUE(Visible(d, ResultDlg::kAssistAuditId));
        })
        .Click("协助评审...")
        .Dialog("更改单—协助评审任务管理")
        .Do([](CDialog& d) {
            auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(CECONextAuditTaskDlg::kListId));
            ASSERT_EQ(list->GetItemCount(), 1);
            EXPECT_EQ(list->GetItemText(0, 0), "会签[1]");
            EXPECT_FALSE(d.GetDlgItem(CECONextAuditTaskDlg::kAddId)->IsWindowEnabled());
        })
        .Click("退出")
        .Dialog(kCaption)
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(AuditResultDlgTest, PropertiesOpenTheFormOfTheOrdersGroupReadOnly) {
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Click("属性...")
        .Dialog("更改通知单 - 改底图")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click("取消")
        .Dialog(kCaption)
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    ResultDlg modify;
    modify.m_strECONo = "C-1";
    modify.m_strECOGroup = "修改单";
    user.Dialog(kCaption)
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, ResultDlg::kStateId), "正式");
            EXPECT_EQ(Steps(d).GetItemCount(), 0);
        })
        .Click("属性...")
        .Dialog("修改通知单 - 改蓝图")
        .Click("取消")
        .Dialog(kCaption)
        .Click("退出");
    modify.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(AuditResultDlgTest, AnOrderWithoutHeaderShowsAnEmptyFlowAndTheSettingHidesTheManagerButton) {
    ws.WriteSetting("设计过程管理配置", "允许设计者更换评审负责人", "0");
    ResultDlg other;
    other.m_strECONo = "C-9";
    other.m_strECOGroup = ""; // any group but "修改单" reads the change notices
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([](CDialog& d) {
            EXPECT_EQ(Text(d, ResultDlg::kStateId), "");
            EXPECT_FALSE(Visible(d, ResultDlg::kChangeManagerId));
        })
        .Click("评审流程...")
        .Dialog("任务评审流程图")
        .Close()
        .Dialog(kCaption)
        .Click("退出");
    other.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, AuditResultDlgTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
