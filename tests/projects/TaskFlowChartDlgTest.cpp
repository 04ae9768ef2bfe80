// The task flow chart: the tasks of one level placed from LeftTopPoint and joined from
// PreTaskName, the grid settings and their limits, and a chart that changes nothing.
#include "projects/TaskFlowChartDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/FlowView.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using D = CTaskFlowChartDlg;

std::vector<std::string> Nodes(CDialog& d) {
    std::vector<std::string> out;
    const CFlowView* view = static_cast<D&>(d).GetFlowView();
    for (int i = 0; view && i < view->GetNodeCount(); ++i) {
        const CFlowNode* node = view->GetNode(i);
        CString text;
        text.Format("%s@%d,%d/%s", node->m_strName, node->m_nLeft, node->m_nTop, node->m_strAuditor);
        out.push_back(text.str());
    }
    return out;
}

std::vector<std::string> Links(CDialog& d) {
    std::vector<std::string> out;
    const CFlowView* view = static_cast<D&>(d).GetFlowView();
    for (int i = 0; view && i < view->m_arrLinks.GetSize(); ++i)
        out.push_back(view->m_arrLinks[i].str());
    return out;
}

class TaskFlowChartTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreTaskName, "
            "LeftTopPoint) VALUES "
            "('P1', '项目甲', '项目管理', 'admin', '', ''),"
            "('P1-01', 'A设计', '项目甲\\', 'zhangsan', '', '(120,45)'),"
            "('P1-02', 'B校核', '项目甲\\', 'lisi', 'a设计|*|外部任务', ''),"
            "('P1-03', 'C审批', '项目甲\\', 'wangwu', 'A设计|*|B校核', '(0,0)'),"
            "('P1-04', 'D归档', '项目甲\\', 'admin', '', NULL),"
            "('P1-01-01', 'E细节', '项目甲\\A设计\\', 'zhangsan', '', '(5,5)')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    CString Settings() { return CString(ws.ReadFile(ws.SettingsPath())); }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(TaskFlowChartTest, OneLevelPlacedAndLinkedFromItsRows) {
    ws.WriteSetting("工作流管理", "Grid", "true");
    const CString settingsBefore = Settings();
    vq::ScriptedUser user;
    user.Dialog("同级任务流程图 - B校核")
        .Do([](CDialog& d) {
            // Unplaced tasks (empty or 0,0) fall on the diagonal by their place in the order read.
            EXPECT_EQ(Nodes(d), (std::vector<std::string>{"A设计@120,45/zhangsan", "B校核@20,20/lisi",
                                                          "C审批@40,40/wangwu", "D归档@60,60/admin"}));
            // Predecessors outside the chart are dropped; names match without letter case.
            EXPECT_EQ(Links(d),
                      (std::vector<std::string>{"a设计->*<-B校核", "A设计->*<-C审批", "B校核->*<-C审批"}));
            const CFlowView* view = static_cast<D&>(d).GetFlowView();
            EXPECT_EQ(view->m_strKind, "流程设计");
            EXPECT_EQ(view->m_bReadOnly, 1);
            // The chart keeps six by six without a grid whatever the settings say.
            EXPECT_EQ(view->m_nCols, 6);
            EXPECT_EQ(view->m_nRows, 6);
            EXPECT_EQ(view->m_bShowGrid, 0);
            EXPECT_FALSE(d.GetDlgItem(D::kShowGridId)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    CTaskFlowChartDlg dlg;
    dlg.m_strProjectPath = "项目甲\\";
    dlg.m_strProjectName = "B校核";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Settings(), settingsBefore);
    EXPECT_EQ(ws.QueryText("SELECT LeftTopPoint FROM ProjectManage WHERE ProjectNo='P1-01'"), "(120,45)");
}

TEST_P(TaskFlowChartTest, ItemFoundByNumberAndALevelWithoutTasks) {
    vq::ScriptedUser user;
    user.Dialog("同级任务流程图 - E细节")
        .Do([](CDialog& d) { EXPECT_EQ(Nodes(d), (std::vector<std::string>{"E细节@5,5/zhangsan"})); })
        .Click(IDCANCEL)
        .Dialog("同级任务流程图 - 无此任务")
        .Do([](CDialog& d) {
            EXPECT_TRUE(Nodes(d).empty());
            EXPECT_TRUE(Links(d).empty());
        })
        .Click(IDCANCEL);
    CTaskFlowChartDlg byNumber;
    byNumber.m_strProjectNo = "P1-01-01";
    byNumber.DoModal();
    CTaskFlowChartDlg empty;
    empty.m_strProjectPath = "项目乙\\";
    empty.m_strProjectName = "无此任务";
    empty.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(TaskFlowChartTest, GridSettingsAndTheirLimits) {
    ws.WriteSetting("工作流管理", "Rows", "30");
    ws.WriteSetting("工作流管理", "Columns", "x");
    ws.WriteSetting("工作流管理", "DotLine", "TRUE");
    vq::ScriptedUser user;
    user.Dialog("同级任务流程图 - A设计")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItemInt(D::kRowsId), 6u);
            EXPECT_EQ(d.GetDlgItemInt(D::kColumnsId), 6u);
            EXPECT_EQ(d.IsDlgButtonChecked(D::kDotLineId), 1u);
            // Grid off: the grid controls are disabled.
            EXPECT_FALSE(d.GetDlgItem(D::kRowsId)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(D::kSnapId)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    CTaskFlowChartDlg off;
    off.m_strProjectPath = "项目甲\\";
    off.m_strProjectName = "A设计";
    off.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    ws.WriteSetting("工作流管理", "Grid", "TRUE");
    ws.WriteSetting("工作流管理", "Rows", "8");
    ws.WriteSetting("工作流管理", "DotLine", "no");
    vq::ScriptedUser user2;
    user2.Dialog("同级任务流程图 - A设计")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItemInt(D::kRowsId), 8u);
            EXPECT_TRUE(d.GetDlgItem(D::kRowsId)->IsWindowEnabled());
        })
        .Set(D::kRowsId, "0")
        .Set(D::kColumnsId, "40")
        .Do([](CDialog& d) {
            EXPECT_EQ(d.GetDlgItemInt(D::kRowsId), 1u);
            EXPECT_EQ(d.GetDlgItemInt(D::kColumnsId), 25u);
            const CFlowView* view = static_cast<D&>(d).GetFlowView();
            EXPECT_EQ(view->m_nRows, 1);
            EXPECT_EQ(view->m_nCols, 25);
            EXPECT_EQ(view->m_bDotGrid, 0);
        })
        .Check(D::kDotLineId, 1)
        .Check(D::kSnapId, 1)
        .Do([](CDialog& d) {
            const CFlowView* view = static_cast<D&>(d).GetFlowView();
            EXPECT_EQ(view->m_bDotGrid, 1);
            EXPECT_EQ(view->m_bSnapGrid, 1);
        })
        .Click(IDCANCEL);
    CTaskFlowChartDlg on;
    on.m_strProjectPath = "项目甲\\";
    on.m_strProjectName = "A设计";
    on.DoModal();
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
}

TEST(TaskFlowChartPointTest, LeftTopPointTexts) {
    EXPECT_EQ(ParseLeftTopPoint("(120,45)"), CPoint(120, 45));
    EXPECT_EQ(ParseLeftTopPoint(""), CPoint(0, 0));
    EXPECT_EQ(ParseLeftTopPoint("(-5,7)"), CPoint(-5, 7));
    EXPECT_EQ(ParseLeftTopPoint("junk"), CPoint(0, 0));
}

INSTANTIATE_TEST_SUITE_P(Dialects, TaskFlowChartTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
