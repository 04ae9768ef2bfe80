// The whole road of a change notice in both dialects, as its people walk it: the preparer
// registers it (number reserved for the product), stores it temporarily and sends it to review;
// the reviewers decide level by level along the mixed review path, one of them with an
// assisting reviewer; the last decision publishes it; the review result dialog then shows every
// step passed. The reviewers' own decisions are recorded outside this system: the test writes
// them as the review engine does.
#include "changeorders/ECOAuditResultDlg.h"
#include "changeorders/ECOChangeItemDlg.h"
#include "changeorders/ECONextAuditTaskDlg.h"
#include "changeorders/ECOPublisher.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "teamwork/AuditPath.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

extern "C" int ShowECOChanageItemData(CString number, CString login);
extern "C" int ECOAssignNextAuditTaskMain(CString group, CString number, CString stepName, CString login,
                                          int displayOnly);

namespace {

using Form = CECOChangeItemDlg;

const char* const kFormCaption = "更改通知单 - 改底图";
const char* const kStyle = "混合";
const char* const kPath = "校对(40,1)|*|审核[N](40,2)|*|批准(40,3)";
const char* const kAuditors = "zhaoliu|*|zhangsan|*|admin";

const char* const kData =
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('admin', '系统管理员');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('lisi', '李四');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('wangwu', '王五');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhaoliu', '赵六');"
    "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle) VALUES ('JX', '减速机', 'JX');"
    "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
    "('三级', '混合', '校对(40,1)|*|审核[N](40,2)|*|批准(40,3)');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '评审方式', "
    "'0');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '评审流程', "
    "'三级');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '评审人员', "
    "'zhaoliu|*|zhangsan|*|admin');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '编号方式', "
    "'1');"
    "INSERT INTO ECOConfigure (ConfigureGroup, ConfigureType, ConfigureValue) VALUES ('更改单', '编号宽度', "
    "'3');"
    "INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES ('P-1', '箱座', 'zhangsan');"
    "INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES ('A-1', '箱体', 'wangwu');"
    "INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('A-1', 'P-1')";

class ChangeOrderRoadTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.Execute(kData);
        ws.WriteSetting("选择产品", "按产品大类", "0");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
    }
    void LogIn(const char* account, const char* name) {
        theApp.m_strLoginUser = account;
        theApp.m_strUserName = name;
    }
    CString Query(const CString& sql) const { return ws.QueryText(sql); }
    CString Step(const CString& number, const char* step, const char* columns) const {
        return Query(CString("SELECT ") + columns +
                     " FROM ECOAuditManage WHERE ECOGroup='更改单' AND ECONo='" + number +
                     "' AND AuditName='" + step + "'");
    }
    // The reviewer of an open step passes it, and the steps of the next level of the path are
    // opened (as the review engine records a decision); false when it was the last level.
    bool Pass(const CString& number, const char* step) const {
        const CString today = CTime::GetCurrentTime().Format("%Y-%m-%d");
        ws.Execute("UPDATE ECOAuditManage SET AuditState='完成', AuditResult='通过', FinishTime='" + today +
                   "' WHERE ECOGroup='更改单' AND ECONo='" + number + "' AND AuditName='" + step + "'");
        CAuditPath path;
        path.Load(kStyle, kPath, kAuditors, step);
        path.CollectNextLevelSteps();
        for (const CString& next : path.m_arrNextSteps)
            for (int i = 0; i < path.GetCount(); ++i)
                if (path.GetItem(i)->m_strTaskName == next)
                    ws.Execute(
                        "INSERT INTO ECOAuditManage (ECOGroup, ECONo, AuditingType, AuditName, Auditor, "
                        "BeginTime, AuditState, AuditManager) VALUES ('更改单', '" +
                        number + "', '按组', '" + next + "', '" + path.GetItem(i)->m_strAuditor + "', '" +
                        today + "', '未完成', '" + path.GetItem(i)->m_strAuditor + "')");
        return path.m_arrNextSteps.GetSize() > 0;
    }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
};

} // namespace

TEST_P(ChangeOrderRoadTest, RegisteredStoredSentToReviewReviewedThroughTheLevelsAndPublished) {
    const CString number = "JX-" + CTime::GetCurrentTime().Format("%Y") + "-001";
    vq::ScriptedUser user;

    // 1. lisi registers the notice for the product JX and stores it temporarily.
    LogIn("lisi", "李四");
    {
        Form form;
        user.Dialog(kFormCaption)
            .Do([](CDialog& d) {
                EXPECT_TRUE(d.GetDlgItem(Form::kNumberButtonId)->IsWindowEnabled());
                EXPECT_FALSE(d.GetDlgItem(Form::kAuditFlowId)->IsWindowVisible());
            })
            .Click(Form::kNumberButtonId)
            .DialogContaining("选择产品")
            .Select(1003, "JX")
            .Click(1236)
            .Dialog(kFormCaption)
            .Do([number](CDialog& d) {
                CString text;
                d.GetDlgItem(Form::kNumberId)->GetWindowText(text);
                EXPECT_EQ(text, number);
                d.GetDlgItem(Form::kProductNameId)->GetWindowText(text);
                EXPECT_EQ(text, "减速机");
                auto& parts = *dynamic_cast<CListCtrl*>(d.GetDlgItem(Form::kPartListId));
                parts.InsertItem(0, "P-1");
                parts.SetItemText(0, 1, "箱座");
                parts.SetItemText(0, 2, "a");
                parts.SetItemText(0, 3, "2");
            })
            .Set(Form::kRemarkId, "箱座壁厚加大")
            .Click("确定")
            .Dialog("操作提示")
            .Click("临时")
            .Message("是否继续注册更改单?", IDNO);
        EXPECT_EQ(form.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
    EXPECT_EQ(
        Query("SELECT State || '/' || SaveUser || '/' || ProductCode FROM ECOChangeManage WHERE ECONo='" +
              number + "'"),
        "临时/李四/JX");
    EXPECT_EQ(Query("SELECT ECONo FROM ECOSerialNo WHERE ECOGroup='更改单'"), number);

    // 2. Opened again through the entry function, editable for its preparer, sent to review.
    theApp.m_pConnPDM = nullptr;
    user.Dialog(kFormCaption)
        .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click("确定")
        .Dialog("操作提示")
        .Click("正式");
    EXPECT_EQ(ShowECOChanageItemData(number, "lisi"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    theApp.m_pConnPDM = ws.Connect();
    EXPECT_EQ(Query("SELECT State || '/' || AuditingModel FROM ECOChangeManage WHERE ECONo='" + number + "'"),
              "评审/三级");
    EXPECT_EQ(Query("SELECT count(*) FROM ECOAuditManage WHERE ECONo='" + number + "'"), "1");
    EXPECT_EQ(Step(number, "校对", "Auditor || '/' || AuditState"), "zhaoliu/未完成");

    // In review the preparer can only look at it.
    LogIn("lisi", "李四");
    {
        Form form;
        form.m_strECONo = number;
        form.m_bNewItem = 0;
        user.Dialog(kFormCaption)
            .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
            .Click("取消");
        form.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }

    // 3. Level by level: 校对, then 审核[N] with an assisting reviewer, then 批准.
    ASSERT_TRUE(Pass(number, "校对"));
    EXPECT_EQ(Step(number, "审核[N]", "Auditor || '/' || AuditState"), "zhangsan/未完成");
    theApp.m_pConnPDM = nullptr;
    user.Dialog("更改单—协助评审任务管理")
        .Click(CECONextAuditTaskDlg::kAddId)
        .Dialog("用户浏览 - 选择组(多用户)")
        .Select(1059, "wangwu")
        .Click(IDOK)
        .Dialog("更改单—协助评审任务管理")
        .Click("退出");
    EXPECT_EQ(ECOAssignNextAuditTaskMain("更改单", number, "审核[N]", "zhangsan", 0), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    theApp.m_pConnPDM = ws.Connect();
    EXPECT_EQ(Query("SELECT AuditName || '/' || Auditor || '/' || Assigner FROM ECONextAuditManage WHERE "
                    "ECONo='" +
                    number + "'"),
              "审核[1]/wangwu/zhangsan");
    ws.Execute("UPDATE ECONextAuditManage SET AuditState='完成', AuditResult='通过'");
    ASSERT_TRUE(Pass(number, "审核[N]"));
    EXPECT_FALSE(Pass(number, "批准"));

    // The last decision makes the notice formal and publishes it.
    ws.Execute("UPDATE ECOChangeManage SET State='正式' WHERE ECONo='" + number + "'");
    CECOPublisher publisher;
    publisher.m_strECONo = number;
    publisher.m_strECOGroup = "更改单";
    publisher.Publish();
    EXPECT_EQ(Query("SELECT count(*) FROM ECOPartRelease WHERE ECONo='" + number + "' AND PartCode='P-1'"),
              "1");
    EXPECT_EQ(Query("SELECT RelateType FROM ECOPartNotify WHERE ECONo='" + number + "' AND PartCode='A-1'"),
              "间接");

    // 4. The review result dialog shows the three steps passed and the state.
    CECOAuditResultDlg results;
    results.m_strECONo = number;
    results.m_strECOGroup = "更改单";
    user.Dialog("更修单评审结果")
        .Do([](CDialog& d) {
            auto& steps = *dynamic_cast<CListCtrl*>(d.GetDlgItem(CECOAuditResultDlg::kStepListId));
            ASSERT_EQ(steps.GetItemCount(), 3);
            for (int row = 0; row < 3; ++row) {
                EXPECT_EQ(steps.GetItemText(row, 4), "通过");
                LVITEM item{};
                item.mask = LVIF_IMAGE;
                item.iItem = row;
                steps.GetItem(&item);
                EXPECT_EQ(item.iImage, CECOAuditResultDlg::kPassedStepImage);
            }
            CString state;
            d.GetDlgItem(CECOAuditResultDlg::kStateId)->GetWindowText(state);
            EXPECT_EQ(state, "正式");
        })
        .Select(CECOAuditResultDlg::kStepListId, "审核[N]")
        .Click("协助评审...")
        .Dialog("更改单—协助评审任务管理")
        .Do([](CDialog& d) {
            auto& tasks = *dynamic_cast<CListCtrl*>(d.GetDlgItem(CECONextAuditTaskDlg::kListId));
            ASSERT_EQ(tasks.GetItemCount(), 1);
            EXPECT_EQ(tasks.GetItemText(0, CECONextAuditTaskDlg::kResultColumn), "通过");
        })
        .Click("退出")
        .Dialog("更修单评审结果")
        .Click("退出");
    results.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, ChangeOrderRoadTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
