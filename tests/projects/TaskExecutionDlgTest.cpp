// The execution status of a task: its header for a project task and a work task, the design
// cycles as tabs with their rows, statistics and pie, the text of a log entry, and the linked
// dialogs opened with the task's path read from its row.
#include "projects/TaskExecutionDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TabCtrl.h"
#include "projects/ProjectTaskItemIds.h"
#include "projects/TaskChangeNoticeDlg.h"
#include "projects/TaskFlowChartDlg.h"
#include "projects/FlowView.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using D = CTaskExecutionDlg;

std::vector<std::string> Tabs(CDialog& d) {
    auto* tabs = static_cast<CTabCtrl*>(d.GetDlgItem(D::kTabId));
    std::vector<std::string> out;
    for (int i = 0; i < tabs->GetItemCount(); ++i)
        out.push_back(tabs->GetItemText(i).str());
    return out;
}

std::vector<std::string> History(CDialog& d) {
    auto* list = static_cast<CListCtrl*>(d.GetDlgItem(D::kHistoryId));
    std::vector<std::string> out;
    for (int i = 0; i < list->GetItemCount(); ++i)
        out.push_back(
            (list->GetItemText(i, 0) + "|" + list->GetItemText(i, 1) + "|" + list->GetItemText(i, 2)).str());
    return out;
}

std::vector<std::string> Statistics(CDialog& d) {
    auto* box = static_cast<CListBox*>(d.GetDlgItem(D::kStatisticsId));
    std::vector<std::string> out;
    for (int i = 0; i < box->GetCount(); ++i)
        out.push_back(box->GetText(i).str());
    return out;
}

std::vector<int> Slices(CDialog& d) {
    CPieChartCtrl& pie = static_cast<D&>(d).PieChart();
    std::vector<int> out;
    for (int i = 0; i < pie.GetSliceCount(); ++i)
        out.push_back(pie.GetSlice(i)->m_value);
    return out;
}

class TaskExecutionTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "admin";
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
            "WorkState, TaskType, LeftTopPoint) VALUES "
            "('P1', '项目甲', '项目管理', 'admin', '2099-12-31', '正进行中', 'V', ''),"
            "('P1-01', '任务一', '项目甲\\', 'zhangsan', '2026-01-10', '评审', 'T', '(100,30)'),"
            "('P1-02', '任务二', '项目甲\\', 'lisi', '2020-01-01', '正进行中', 'V', '')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, Manager, PreendedTime, "
                   "WorkState) "
                   "VALUES ('P1-01', 'P1-01', 'P1-01#001', '工作甲', 'wangwu', '2026-01-20', '正进行中')");
        ws.Execute("INSERT INTO TaskLogInformation (ProjectNo, UserName, SavedTime, WorkType, Advise) VALUES "
                   "('P1-01', 'admin', '2026-01-01 08:00:00', '分配任务', '分配'),"
                   "('P1-01', 'zhangsan', '2026-01-02 08:00:00', '首次提交', ''),"
                   "('P1-01', 'lisi', '2026-01-02 14:00:00', '任务评审', '通过'),"
                   "('P1-01', 'lisi', '2026-01-02 20:00:00', '评审结束', ''),"
                   "('P1-01', 'admin', '2026-01-03 08:00:00', '任务更改通知', '孔径改为20'),"
                   "('P1-01', 'zhangsan', '2026-01-04 08:00:00', '首次提交', ''),"
                   "('P1-02', 'admin', '2019-12-31 00:00:00', '分配任务', ''),"
                   "('P1-02', 'lisi', '2020-01-01 00:00:00', '首次提交', '')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(TaskExecutionTest, DesignCyclesWithTheirStatisticsAndPie) {
    vq::ScriptedUser user;
    user.Dialog("任务执行情况")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<D&>(d);
            EXPECT_EQ(CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0, D::kHistoryId)
                << "every field above the list is read-only: the list takes the keys";
            EXPECT_EQ(dlg.m_bProjectTask, 1);
            EXPECT_EQ(dlg.m_bChangeNotice, 1);
            EXPECT_EQ(dlg.m_strTaskName, "任务一");
            EXPECT_EQ(dlg.m_strManager, "zhangsan");
            EXPECT_EQ(dlg.m_strWorkState, "评审");
            EXPECT_EQ(Tabs(d), (std::vector<std::string>{"首次设计", "第2次设计"}));
            EXPECT_EQ(History(d), (std::vector<std::string>{"2026-01-01 08:00:00|admin|分配任务",
                                                            "2026-01-02 08:00:00|zhangsan|首次提交",
                                                            "2026-01-02 14:00:00|lisi|任务评审",
                                                            "2026-01-02 20:00:00|lisi|评审结束"}));
            const auto lines = Statistics(d);
            ASSERT_EQ(lines.size(), 11u);
            EXPECT_EQ(lines[3], "要求完成时间 : 2026-01-10");
            EXPECT_EQ(lines[8], "任务评审次数 : 1 次");
            EXPECT_EQ(lines[9], "设计完成时间 : 24 小时(1.00天)");
            EXPECT_EQ(lines[10], "设计评审时间 : 12 小时(0.50天)");
            // With a notice the pie runs to the required finish: 208 hours from the assignment.
            EXPECT_EQ(Slices(d), (std::vector<int>{41, 20, 299}));
            EXPECT_EQ(static_cast<D&>(d).PieChart().GetSlice(0)->m_label, "设计");
            EXPECT_EQ(static_cast<D&>(d).PieChart().GetSlice(0)->m_color, RGB(255, 128, 0));
        })
        .Select(D::kTabId, 1)
        .Do([](CDialog& d) {
            EXPECT_EQ(History(d), (std::vector<std::string>{"2026-01-03 08:00:00|admin|任务更改通知",
                                                            "2026-01-04 08:00:00|zhangsan|首次提交"}));
            const auto lines = Statistics(d);
            EXPECT_EQ(lines[4], "任务分配日期 : 2026-01-03 08:00:00");
            EXPECT_EQ(lines[6], "评审结束日期 : ");
            EXPECT_EQ(Slices(d), (std::vector<int>{54, 0, 306})); // 24 of 160 hours
        })
        // Rows but none selected.
        .Click("工作说明...")
        .Message("没有选择列表中的项,请选择...", IDOK)
        .DoubleClick(D::kHistoryId, 0)
        .Dialog("任务更改内容 - 任务一[P1-01]")
        .Do([](CDialog& d) {
            // The path was read from the task row: the form finds the task and may be accepted.
            EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            EXPECT_EQ(static_cast<CTaskChangeNoticeDlg&>(d).TextControl().GetWindowTextValue(), "孔径改为20");
            EXPECT_EQ(static_cast<CTaskChangeNoticeDlg&>(d).m_strWorkState, "评审");
        })
        .Click(IDCANCEL)
        .Dialog("任务执行情况")
        .Click(IDCANCEL);
    CTaskExecutionDlg dlg;
    dlg.m_strTaskNo = "P1-01";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(TaskExecutionTest, LinkedDialogsOpenOnTheTasksPath) {
    vq::ScriptedUser user;
    user.Dialog("任务执行情况")
        .Click("属性...")
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) {
            CString number;
            d.GetDlgItemText(projects::item_ids::kNumber, number);
            EXPECT_EQ(number, "P1-01");
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDCANCEL)
        .Dialog("任务执行情况")
        .Click("任务流程")
        .Dialog("同级任务流程图 - 任务一")
        .Do([](CDialog& d) {
            const CFlowView* view = static_cast<CTaskFlowChartDlg&>(d).GetFlowView();
            ASSERT_TRUE(view);
            EXPECT_EQ(view->GetNodeCount(), 2);
        })
        .Click(IDCANCEL)
        .Dialog("任务执行情况")
        .Click("任务版本")
        .Dialog("浏览所有版本信息")
        .Click(IDCANCEL)
        .Dialog("任务执行情况")
        .Click("评审流程")
        .Dialog("提交评审 - 任务一[P1-01]")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDCANCEL)
        .Dialog("任务执行情况")
        .Click(IDCANCEL);
    CTaskExecutionDlg dlg;
    dlg.m_strTaskNo = "P1-01";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strProjectPath, "项目甲\\");
}

TEST_P(TaskExecutionTest, WorkTaskHeaderAndAnOverdueTaskWithoutNotices) {
    vq::ScriptedUser user;
    user.Dialog("任务执行情况")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<D&>(d);
            EXPECT_EQ(dlg.m_bProjectTask, 0);
            EXPECT_EQ(dlg.m_strTaskName, "工作甲");
            EXPECT_EQ(dlg.m_strManager, "wangwu");
            // The work's planned completion is its required finish time, not its state.
            EXPECT_EQ(dlg.m_strRequiredFinish, "2026-01-20");
            EXPECT_EQ(dlg.m_strWorkState, "");
            EXPECT_EQ(Tabs(d), (std::vector<std::string>{"首次设计"}));
            EXPECT_TRUE(History(d).empty());
            // No rows: the work note does nothing.
        })
        .Click("工作说明...")
        .Click(IDCANCEL)
        .Dialog("任务执行情况")
        .Do([](CDialog& d) {
            // Overdue since 2020 without a notice: measured up to the server's time, so the one
            // day of design is a sliver.
            EXPECT_EQ(Tabs(d), (std::vector<std::string>{"首次设计"}));
            const auto slices = Slices(d);
            ASSERT_EQ(slices.size(), 3u);
            EXPECT_EQ(slices[0], 0);
            EXPECT_EQ(slices[2], 360);
        })
        .Click(IDCANCEL);
    CTaskExecutionDlg work;
    work.m_strTaskNo = "P1-01#001";
    work.DoModal();
    CTaskExecutionDlg overdue;
    overdue.m_strTaskNo = "P1-02";
    overdue.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(TaskExecutionTest, HeaderByPathAndName) {
    vq::ScriptedUser user;
    user.Dialog("任务执行情况")
        .Do([](CDialog& d) {
            EXPECT_EQ(static_cast<D&>(d).m_strTaskNo, "P1-02");
            EXPECT_EQ(static_cast<D&>(d).m_strManager, "lisi");
        })
        .Click(IDCANCEL);
    CTaskExecutionDlg dlg;
    dlg.m_strTaskNo = "ignored";
    dlg.m_strTaskName = "任务二";
    dlg.m_strProjectPath = "项目甲\\";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, TaskExecutionTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
