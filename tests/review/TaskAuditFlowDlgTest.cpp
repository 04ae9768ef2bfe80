// The review-flow dialog in both dialects: the task's template and auditors, choosing another
// template and the auditors of its steps, what OK hands back and writes, and its refusals.
#include "review/TaskAuditFlowDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DC.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/FlowView.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
using D = CTaskAuditFlowDlg;

CFlowView& View(CDialog& d) {
    return *static_cast<CTaskAuditFlowDlg&>(d).GetFlowView();
}

Texts Boxes(CDialog& d) {
    Texts out;
    CFlowView& view = View(d);
    for (int i = 0; i < view.GetNodeCount(); ++i)
        out.push_back((view.GetNode(i)->m_strName + "=" + view.GetNode(i)->m_strAuditor).str());
    return out;
}

Texts Items(const CStringArray& a) {
    Texts out;
    for (const CString& s : a)
        out.push_back(s.str());
    return out;
}

// A person's double click on the box of a step.
void DoubleClickBox(CDialog& d, const char* name) {
    CFlowView& view = View(d);
    vq::RenderWindow(view);
    const CFlowNode* node = view.FindNode(name);
    ASSERT_NE(node, nullptr) << name;
    view.SendMessage(WM_LBUTTONDBLCLK, 0, MAKELPARAM(node->m_nLeft + 4, node->m_nTop + 4));
}

class TaskAuditFlowTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute(
            "INSERT INTO UserInformation (UserLogName, UserName, GroupName) VALUES ('zhangsan', '张三', "
            "'设计一室'), ('lisi', '李四', ''), ('wangwu', '王五', '')");
        ws.Execute(
            "INSERT INTO GroupInformation (GroupName, GroupDescription, Groupmanager) VALUES ('设计一室', "
            "'', 'zhangsan')");
        ws.Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
                   "('三级评审', '混合', '校对(40,20)|*|批准(40,200)|*|审核(40,110)|*|工艺审查(240,110)'),"
                   "('会签', '并联', '设计会签(40,20)|*|工艺会签(240,20)'),"
                   "('混合组', '并联', '组审[M](40,20)|*|签字(240,20)'),"
                   "('混合组二', '并联', '组签[m](40,20)|*|复核(240,20)'),"
                   "('空模板', '并联', '')");
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
            "AuditingModel, AuditorName) VALUES ('XM-01', '减速机', '项目管理', 'zhangsan', '正进行中', "
            "'会签', 'lisi|*|wangwu'), ('XM-02', 'o''brien', '项目管理', 'zhangsan', '完成', '会签', "
            "'lisi|*|wangwu')");
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(TaskAuditFlowTest, ChoosingATemplateAndItsAuditorsWritesThemToTheTask) {
    CTaskAuditFlowDlg dlg;
    dlg.m_strProjectName = "减速机";
    dlg.m_bWriteToTask = 1;
    vq::ScriptedUser user;
    user.Dialog("提交评审 - 项目管理\\减速机")
        .Do([](CDialog& d) {
            // The task's own template and auditors.
            EXPECT_EQ(Boxes(d), (Texts{"设计会签=lisi", "工艺会签=wangwu"}));
            EXPECT_EQ(d.GetDlgItem(D::kAuditModeId)->GetWindowTextValue(), "并联");
            EXPECT_TRUE(d.GetDlgItem(D::kTemplateId)->IsWindowEnabled());
            // Typing at once must not choose another template: the chart takes the keys.
            EXPECT_EQ(CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0, D::kFlowViewId);
        })
        .Select(D::kTemplateId, "三级评审")
        .Do([](CDialog& d) {
            EXPECT_EQ(Boxes(d), (Texts{"校对=lisi", "批准=wangwu", "审核=", "工艺审查="}));
            EXPECT_EQ(d.GetDlgItem(D::kAuditModeId)->GetWindowTextValue(), "混合");
        })
        .Click(IDOK)
        .Message("评审任务: (审核) 无负责人，请确定!", IDOK)
        .Do([](CDialog& d) { DoubleClickBox(d, "审核"); })
        .Dialog("评审负责人")
        .Set(1147, "zhangsan")
        .Click(IDOK)
        .Dialog("提交评审 - 项目管理\\减速机")
        .Do([](CDialog& d) { DoubleClickBox(d, "工艺审查"); })
        .Dialog("评审负责人")
        .Set(1147, "wangwu")
        .Click(IDOK)
        .Dialog("提交评审 - 项目管理\\减速机")
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK) << user.Error();
    EXPECT_EQ(dlg.m_strAuditModel, "三级评审");
    // Entry by entry of the path, although the chart shows the rows sorted.
    EXPECT_EQ(dlg.m_strAuditorName, "lisi|*|wangwu|*|zhangsan|*|wangwu");
    EXPECT_EQ(Items(dlg.m_arrFirstNames), (Texts{"校对"}));
    EXPECT_EQ(Items(dlg.m_arrFirstAuditors), (Texts{"lisi"}));
    EXPECT_EQ(ws.QueryText("SELECT AuditingModel FROM ProjectManage WHERE ProjectNo='XM-01'"), "三级评审");
    EXPECT_EQ(ws.QueryText("SELECT AuditorName FROM ProjectManage WHERE ProjectNo='XM-01'"),
              "lisi|*|wangwu|*|zhangsan|*|wangwu");
}

TEST_P(TaskAuditFlowTest, MixedTemplatesAskForNewAuditorsAndPlainOnesGetThemBack) {
    CTaskAuditFlowDlg dlg;
    dlg.m_bSubmitMode = 0;
    dlg.m_strAuditModel = "会签";
    dlg.m_strAuditorName = "lisi|*|wangwu";
    vq::ScriptedUser user;
    user.Dialog("任务评审流程图")
        .Select(D::kTemplateId, "混合组")
        .Do([](CDialog& d) {
            EXPECT_EQ(Boxes(d), (Texts{"组审[M]=", "签字="}));
        })
        .Select(D::kTemplateId, "混合组二")
        .Do([](CDialog& d) {
            EXPECT_EQ(Boxes(d), (Texts{"组签[m]=", "复核="}));
        })
        .Select(D::kTemplateId, "会签")
        .Do([](CDialog& d) {
            EXPECT_EQ(Boxes(d), (Texts{"设计会签=lisi", "工艺会签=wangwu"}));
        })
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK) << user.Error();
    EXPECT_EQ(dlg.m_strAuditorName, "lisi|*|wangwu");
    EXPECT_EQ(Items(dlg.m_arrFirstNames), (Texts{"设计会签", "工艺会签"})) << "every step of a plain path";
    EXPECT_EQ(ws.QueryText("SELECT AuditorName FROM ProjectManage WHERE ProjectNo='XM-01'"), "lisi|*|wangwu")
        << "nothing written without the write switch";
}

TEST_P(TaskAuditFlowTest, RefusalsOfOK) {
    CTaskAuditFlowDlg dlg;
    dlg.m_bSubmitMode = 0;
    dlg.m_strAuditModel = "旧模板";
    vq::ScriptedUser user;
    user.Dialog("任务评审流程图")
        .Do([](CDialog& d) {
            EXPECT_TRUE(Boxes(d).empty()) << "a template that is not in the table shows nothing";
            EXPECT_EQ(dynamic_cast<CComboBox*>(d.GetDlgItem(D::kTemplateId))->GetCurSel(), -1);
        })
        .Click(IDOK)
        .Message("该评审模板没有设计评审路径，请重新指定...", IDOK)
        .Select(D::kTemplateId, "空模板")
        .Click(IDOK)
        .Message("该评审模板没有设计评审路径，请重新指定...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    CTaskAuditFlowDlg none;
    none.m_bSubmitMode = 0;
    user.Dialog("任务评审流程图").Click(IDOK).Message("请先选择评审模板...", IDOK).Click(IDCANCEL);
    EXPECT_EQ(none.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

TEST_P(TaskAuditFlowTest, WithoutCollectingAuditorsOKHandsBackAnEmptyList) {
    CTaskAuditFlowDlg dlg;
    dlg.m_bSubmitMode = 0;
    dlg.m_bCollectAuditors = 0;
    dlg.m_strAuditModel = "三级评审";
    dlg.m_strAuditorName = "lisi";
    vq::ScriptedUser user;
    user.Dialog("任务评审流程图").Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK) << user.Error();
    EXPECT_EQ(dlg.m_strAuditorName, "");
    EXPECT_EQ(Items(dlg.m_arrFirstNames), (Texts{"校对"}));
    EXPECT_EQ(Items(dlg.m_arrFirstAuditors), (Texts{"lisi"}));
}

TEST_P(TaskAuditFlowTest, ReadOnlyAndFinishedTasksKeepTheirTemplate) {
    CTaskAuditFlowDlg dlg;
    dlg.m_bReadOnly = 1;
    dlg.m_bSubmitMode = 0;
    dlg.m_strAuditModel = "会签";
    dlg.m_strAuditorName = "lisi|*|wangwu";
    vq::ScriptedUser user;
    user.Dialog("任务评审流程图")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(D::kTemplateId)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            // The template is fixed: the flow chart, not the read-only mode, takes the keys.
            EXPECT_EQ(CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0, D::kFlowViewId);
            DoubleClickBox(d, "设计会签"); // no auditor dialog opens
            EXPECT_EQ(Boxes(d), (Texts{"设计会签=lisi", "工艺会签=wangwu"}));
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
    // A finished task: the template cannot be changed, the auditors can.
    CTaskAuditFlowDlg done;
    done.m_strProjectName = "o'brien";
    done.m_strTaskID = "XM-02";
    done.m_bGeneralAuditor = 1;
    user.Dialog("提交评审 - o'brien[XM-02]")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(D::kTemplateId)->IsWindowEnabled()); })
        .Click(IDCANCEL);
    EXPECT_EQ(done.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error();
}

INSTANTIATE_TEST_SUITE_P(Dialects, TaskAuditFlowTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
