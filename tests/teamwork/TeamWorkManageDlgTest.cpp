// The work task list of a project task in both dialects: the rows at every depth, adding with
// serial numbers that stay distinct, modifying read-only by state, an archived task, and the
// selected-row helper.
#include "teamwork/TeamWorkManageDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"

#include <gtest/gtest.h>

namespace {

constexpr int kList = 1070;
constexpr int kAdd = 1072;
constexpr int kModify = 1073;
constexpr int kDelete = 1074;
constexpr int kResource = 1075;

std::vector<std::string> Rows(CDialog& d) {
    auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(kList));
    std::vector<std::string> rows;
    for (int i = 0; i < list->GetItemCount(); ++i) {
        std::string row;
        for (int c = 0; c < 5; ++c)
            row += (c ? "|" : "") + list->GetItemText(i, c).str();
        rows.push_back(row);
    }
    return rows;
}

class TeamWorkManageTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
            "WorkState, TaskType) VALUES "
            "('P1', '项目甲', '项目管理', 'zhangsan', '2099-12-31', '正进行中', 'V'),"
            "('A', '任务A', '项目甲\\', 'zhangsan', '2040-12-31', '正进行中', 'T'),"
            "('B', '任务B', '项目甲\\', 'zhangsan', '2040-12-31', '已入库', 'T'),"
            "('C', '任务C', '项目甲\\', 'zhangsan', '2040-12-31', '未开始', 'T')");
        ws.Execute(
            "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, WorkState, "
            "PreEndedTime) VALUES "
            "('A', 'A', 'A#002', 'lisi', '二', 'W', '评审', '2040-06-30'),"
            "('A', 'A#001', 'A#001#001', 'lisi', '子', 'W', '完成', '2040-06-30'),"
            "('A', 'A', 'A#001', 'zhangsan', '一', 'V', '待确认', '2040-06-30'),"
            "('B', 'B', 'B#001', 'lisi', '乙', 'W', '完成', '2040-06-30')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_nDocStorageMode = 0;
    }
    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(TeamWorkManageTest, TheListShowsTheWorksAtEveryDepthAndAddsBelowTheTask) {
    CTeamWorkManageDlg dlg;
    dlg.TaskNo = "A";
    dlg.TaskName = "任务A";
    std::vector<std::string> before, after;
    CString state;
    vq::ScriptedUser user;
    user.Dialog("工作任务管理 - 任务A[A]")
        .Do([&](CDialog& d) {
            before = Rows(d);
            d.GetDlgItemText(1071, state);
        })
        .Click(kAdd)
        .Dialog("工作任务分解")
        .Set(1002, "三")
        .Set(1004, "2030-01-01")
        .Set(1010, "2030-01-01")
        .Set(1012, "2030-01-01")
        .Click(IDOK)
        .Dialog("工作任务管理 - 任务A[A]")
        .Do([&](CDialog& d) { after = Rows(d); })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(state, "正进行中");
    EXPECT_EQ(before, (std::vector<std::string>{"1|A#001|一|zhangsan|待确认", "2|A#001#001|子|lisi|完成",
                                                "3|A#002|二|lisi|评审"}));
    EXPECT_EQ(after.back(), "4|A#003|三|zhangsan|待确认");
    EXPECT_EQ(ws.QueryText("SELECT UpWorkID FROM TeamWorkManage WHERE WorkID='A#003'"), "A");
}

TEST_P(TeamWorkManageTest, AnEmptyListEnablesTheRowButtonsWithItsFirstWork) {
    CTeamWorkManageDlg dlg;
    dlg.TaskNo = "C";
    dlg.TaskName = "任务C";
    bool before = true, after = false;
    vq::ScriptedUser user;
    user.Dialog("工作任务管理 - 任务C[C]")
        .Do([&](CDialog& d) { before = d.GetDlgItem(kModify)->IsWindowEnabled(); })
        .Click(kAdd)
        .Dialog("工作任务分解")
        .Set(1002, "第一")
        .Set(1004, "2030-01-01")
        .Set(1010, "2030-01-01")
        .Set(1012, "2030-01-01")
        .Click(IDOK)
        .Dialog("工作任务管理 - 任务C[C]")
        .Do([&](CDialog& d) {
            after = d.GetDlgItem(kModify)->IsWindowEnabled() && d.GetDlgItem(kDelete)->IsWindowEnabled() &&
                    d.GetDlgItem(kResource)->IsWindowEnabled();
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(before);
    EXPECT_TRUE(after);
}

TEST_P(TeamWorkManageTest, ModifyingOpensWorksUnderReviewReadOnly) {
    CTeamWorkManageDlg dlg;
    dlg.TaskNo = "A";
    dlg.TaskName = "任务A";
    bool reviewOk = true, doneOk = false;
    std::vector<std::string> rows;
    vq::ScriptedUser user;
    user.Dialog("工作任务管理 - 任务A[A]")
        .Select(kList, 2)
        .Click(kModify)
        .Dialog("工作任务属性")
        .Do([&](CDialog& d) { reviewOk = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .Click(IDCANCEL)
        .Dialog("工作任务管理 - 任务A[A]")
        .DoubleClick(kList, 0)
        .Dialog("工作任务组属性")
        .Do([&](CDialog& d) { doneOk = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .Set(1002, "一改")
        .Click(IDOK)
        .Dialog("工作任务管理 - 任务A[A]")
        .Do([&](CDialog& d) { rows = Rows(d); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(reviewOk);
    EXPECT_TRUE(doneOk);
    EXPECT_EQ(rows.front(), "1|A#001|一改|zhangsan|待确认");
}

TEST_P(TeamWorkManageTest, AStoredTaskOpensWithEveryCommandDisabled) {
    CTeamWorkManageDlg dlg;
    dlg.TaskNo = "B";
    dlg.TaskName = "任务B";
    std::vector<bool> enabled;
    bool okEnabled = true;
    vq::ScriptedUser user;
    user.Dialog("工作任务管理 - 任务B[B]")
        .Do([&](CDialog& d) {
            for (int id : {kAdd, kModify, kDelete, kResource})
                enabled.push_back(d.GetDlgItem(id)->IsWindowEnabled());
        })
        .DoubleClick(kList, 0)
        .Dialog("工作任务属性")
        .Do([&](CDialog& d) { okEnabled = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .Click(IDCANCEL)
        .Dialog("工作任务管理 - 任务B[B]")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(enabled, (std::vector<bool>{false, false, false, false}));
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(dlg.ReadOnly, 1);
}

TEST(GetSelectedItemTest, TheFirstSelectedRowOrNone) {
    const vq::DialogTemplate tmpl{"列表", {vq::ReportList(kList, vq::kFill)}};
    CDialog dlg(tmpl);
    int empty = 0, none = 0, second = 0, third = 0;
    vq::ScriptedUser user;
    user.Dialog("列表").Do([&](CDialog& d) {
        auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(kList));
        empty = GetSelectedItem(*list);
        list->InsertColumn(0, "a", LVCFMT_LEFT, 50);
        for (int i = 0; i < 4; ++i)
            list->InsertItem(i, "x");
        none = GetSelectedItem(*list);
        list->SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
        second = GetSelectedItem(*list);
        third = list->GetItemState(2, LVIS_SELECTED) ? 1 : 0;
        d.EndDialog(IDOK);
    });
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(empty, -1);
    EXPECT_EQ(none, -1);
    EXPECT_EQ(second, 2);
    EXPECT_EQ(third, 1);
}

// Serial numbers are rewritten after a deletion and an addition, so no two rows share one. The
// work documents are kept on the FTP server, which the list is given no connection to: each
// deletion reaches the server of the configuration through the file store.
TEST_P(TeamWorkManageTest, DeletingSelectsANeighbourAndRenumbers) {
    vqtest::FtpServer ftp;
    ASSERT_TRUE(ftp.IsRunning());
    vqtest::ConfigRow row;
    row.domainName = ftp.Url();
    ws.SetConfig(row);
    theApp.m_nDocStorageMode = 2;
    ws.Execute("UPDATE TeamWorkManage SET WorkState='待确认' WHERE TaskNo='A'");
    ws.Execute("DELETE FROM TeamWorkManage WHERE WorkID='A#001#001'");
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, "
               "WorkState) VALUES "
               "('A', 'A', 'A#003', 'lisi', '三', 'W', '待确认')");
    CTeamWorkManageDlg dlg;
    dlg.TaskNo = "A";
    dlg.TaskName = "任务A";
    std::vector<std::string> afterMiddle, afterAdd;
    int selected = -1;
    bool buttons = true;
    vq::ScriptedUser user;
    user.Dialog("工作任务管理 - 任务A[A]")
        .Select(kList, 1)
        .Click(kDelete)
        .Message("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDYES)
        .Do([&](CDialog& d) {
            afterMiddle = Rows(d);
            selected = GetSelectedItem(*dynamic_cast<CListCtrl*>(d.GetDlgItem(kList)));
        })
        .Click(kAdd)
        .Dialog("工作任务分解")
        .Set(1002, "新")
        .Set(1004, "2030-01-01")
        .Set(1010, "2030-01-01")
        .Set(1012, "2030-01-01")
        .Click(IDOK)
        .Dialog("工作任务管理 - 任务A[A]")
        .Do([&](CDialog& d) { afterAdd = Rows(d); });
    for (int i = 0; i < 3; ++i)
        user.Select(kList, 0).Click(kDelete).Message("删除该工作任务将失去其对应的所有信息,真的要删除吗?",
                                                     IDYES);
    user.Do([&](CDialog& d) { buttons = d.GetDlgItem(kModify)->IsWindowEnabled(); }).Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(afterMiddle,
              (std::vector<std::string>{"1|A#001|一|zhangsan|待确认", "2|A#003|三|lisi|待确认"}));
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(afterAdd.back(), "3|A#002|新|zhangsan|待确认");
    EXPECT_FALSE(buttons);
    EXPECT_EQ(ws.QueryText("SELECT LogPrompt FROM TeamWorkLog WHERE LogID='A#003' AND LogType='删除'"),
              "撤消给lisi分配工作：三[A#003]");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE TaskNo='A'"), "0");
}

INSTANTIATE_TEST_SUITE_P(Dialects, TeamWorkManageTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
