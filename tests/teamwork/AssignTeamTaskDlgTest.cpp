// The work-group work management in both dialects: the work tree of a project task and of a work
// task group, the rights of the parent's manager, dividing and editing through the item dialog,
// change tasks that stay divisible, and the parent marked started when the dialog closes.
#include "teamwork/AssignTeamTaskDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

namespace {

constexpr int kTree = 1050;
constexpr int kDivide = 1055;
constexpr int kProperties = 1056;
constexpr int kDelete = 1057;
constexpr int kItemName = 1002;

void WalkTree(CTreeCtrl& tree, HTREEITEM item, int depth, std::vector<std::string>& out) {
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + tree.GetItemText(child).str());
        WalkTree(tree, child, depth + 1, out);
    }
}

std::vector<std::string> TreeTexts(CDialog& d) {
    std::vector<std::string> out;
    WalkTree(*dynamic_cast<CTreeCtrl*>(d.GetDlgItem(kTree)), TVI_ROOT, 0, out);
    return out;
}

class AssignTeamTaskTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三')");
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, "
            "WorkState, TaskType) VALUES "
            "('P1', '项目甲', '项目管理', 'zhangsan', '2099-12-31', '未开始', 'V'),"
            "('A', '任务A', '项目甲\\', 'ZhangSan', '2040-12-31', '未开始', 'T')");
        ws.Execute(
            "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, WorkState, "
            "PreEndedTime) VALUES "
            "('A', 'A', 'A#001', 'zhangsan', '组', 'V', '待确认', '2040-06-30'),"
            "('A', 'A#001', 'A#001#001', 'lisi', '子', 'W', '待确认', '2040-06-30'),"
            "('A', 'A', 'A#002', 'lisi', '实', 'W', '评审', '2040-06-30'),"
            "('A', 'A', 'A#003', 'lisi', '更改', 'M', '待确认', '2040-06-30')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }
    // Fills the item dialog of a new work task and stores it.
    static void NewWork(vq::ScriptedUser& user, const char* name) {
        user.Dialog("工作任务分解")
            .Set(kItemName, name)
            .Set(1004, "2030-01-01")
            .Set(1010, "2030-01-02")
            .Set(1012, "2030-01-03")
            .Click(IDOK);
    }

    vqtest::DbWorkspace ws{GetParam()};
    const std::string root = "项目：项目甲[P1] 下的任务：任务A[A]...";
};

} // namespace

TEST_P(AssignTeamTaskTest, TheTreeShowsTheWorksBelowTheTask) {
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A";
    std::vector<std::string> tree;
    bool selectVisible = true, propertiesEnabled = true, divideEnabled = false;
    int focused = 0;
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理")
        .Do([&](CDialog& d) {
            focused = CWnd::GetFocus() ? CWnd::GetFocus()->GetDlgCtrlID() : 0;
            tree = TreeTexts(d);
            selectVisible = d.GetDlgItem(1058)->IsWindowVisible();
            propertiesEnabled = d.GetDlgItem(kProperties)->IsWindowEnabled();
            divideEnabled = d.GetDlgItem(kDivide)->IsWindowEnabled();
        })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{root, "  组 [A#001]", "    子 [A#001#001]", "  实 [A#002]",
                                              "  更改 [A#003]"}));
    EXPECT_EQ(dlg.ProjectNo, "P1");
    EXPECT_EQ(dlg.ProjectName, "项目甲");
    EXPECT_EQ(dlg.ParentName, "任务A");
    EXPECT_FALSE(selectVisible);
    EXPECT_FALSE(propertiesEnabled);
    EXPECT_TRUE(divideEnabled);
    EXPECT_EQ(dlg.Changed, 0);
    EXPECT_EQ(focused, kTree) << "the read-only numbers above the tree are passed over";
}

TEST_P(AssignTeamTaskTest, OnlyTheTaskManagerMaintainsWorksOfAnOpenTask) {
    theApp.m_strLoginUser = "lisi";
    {
        CAssignTeamTaskDlg dlg;
        dlg.ParentNo = "A";
        bool divideEnabled = true;
        vq::ScriptedUser user;
        user.Message("非工作组任务负责人，不能进行工作任务维护...", IDOK)
            .Dialog("设计工作组工作管理")
            .Do([&](CDialog& d) { divideEnabled = d.GetDlgItem(kDivide)->IsWindowEnabled(); })
            .Tree(kTree, root + "/实 [A#002]")
            .Do([&](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(kDelete)->IsWindowEnabled()); })
            .Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_FALSE(divideEnabled);
        EXPECT_EQ(dlg.ReadOnly, 1);
    }
    theApp.m_strLoginUser = "zhangsan";
    ws.Execute("UPDATE ProjectManage SET WorkState='完成' WHERE ProjectNo='A'");
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A";
    vq::ScriptedUser user;
    user.Message("工作组任务正处于：完成，不能进行工作任务维护...", IDOK)
        .Dialog("设计工作组工作管理")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.ReadOnly, 1);
}

TEST_P(AssignTeamTaskTest, DividingAddsTheNewWorkAndExitMarksTheTaskStarted) {
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A";
    std::vector<std::string> tree;
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理").Click(kDivide);
    NewWork(user, "新工作");
    user.Dialog("设计工作组工作管理").Tree(kTree, root + "/组 [A#001]").Click(kDivide);
    NewWork(user, "组内新工作");
    user.Dialog("设计工作组工作管理")
        .Tree(kTree, root + "/实 [A#002]")
        .Click(kDivide)
        .Message("指定任务为实任务，不能再进行划分...", IDOK)
        .Do([&](CDialog& d) { tree = TreeTexts(d); })
        .Click("退出");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{root, "  组 [A#001]", "    子 [A#001#001]",
                                              "    组内新工作 [A#001#002]", "  实 [A#002]", "  更改 [A#003]",
                                              "  新工作 [A#004]"}));
    EXPECT_EQ(dlg.Changed, 1);
    EXPECT_EQ(ws.QueryText("SELECT TaskNo || '|' || UpWorkID FROM TeamWorkManage WHERE WorkID='A#001#002'"),
              "A|A#001");
    EXPECT_EQ(ws.QueryText("SELECT WorkState FROM ProjectManage WHERE ProjectNo='A'"), "正进行中");
    // The project above, not started either, is started with it.
    EXPECT_EQ(ws.QueryText("SELECT WorkState FROM ProjectManage WHERE ProjectNo='P1'"), "正进行中");
}

TEST_P(AssignTeamTaskTest, NothingChangedLeavesTheTaskNotStarted) {
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A";
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理").Click(kDivide).Dialog("工作任务分解").Click(IDCANCEL);
    user.Dialog("设计工作组工作管理").Close();
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 0);
    EXPECT_EQ(ws.QueryText("SELECT WorkState FROM ProjectManage WHERE ProjectNo='A'"), "未开始");
}

TEST_P(AssignTeamTaskTest, AChangeTaskStaysDivisibleAfterItWasEdited) {
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A";
    std::vector<std::string> tree;
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理")
        .Tree(kTree, root + "/更改 [A#003]")
        .Click(kProperties)
        .Dialog("更改任务属性")
        .Set(kItemName, "更改甲")
        .Click(IDOK)
        .Dialog("设计工作组工作管理")
        .Click(kDivide);
    NewWork(user, "更改下的工作");
    user.Dialog("设计工作组工作管理").Do([&](CDialog& d) { tree = TreeTexts(d); }).Close();
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{root, "  组 [A#001]", "    子 [A#001#001]", "  实 [A#002]",
                                              "  更改甲 [A#003]", "    更改下的工作 [A#003#001]"}));
    EXPECT_EQ(ws.QueryText("SELECT WorkType FROM TeamWorkManage WHERE WorkID='A#003'"), "M");
    // The close box marks the task started as "退出" does.
    EXPECT_EQ(ws.QueryText("SELECT WorkState FROM ProjectManage WHERE ProjectNo='A'"), "正进行中");
}

TEST_P(AssignTeamTaskTest, AWorkUnderReviewOpensReadOnly) {
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A";
    bool okEnabled = true;
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理")
        .DoubleClick(kTree, root + "/实 [A#002]")
        .Message("指定任务处于评审或归档状态，不能进行修改...", IDOK)
        .Dialog("工作任务属性")
        .Do([&](CDialog& d) { okEnabled = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .Click(IDCANCEL)
        .Dialog("设计工作组工作管理")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(dlg.Changed, 0);
}

TEST_P(AssignTeamTaskTest, TheMenusOfRootAndWorkNodes) {
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A";
    std::vector<std::string> tree;
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理").RightClick(kTree, root + "/组 [A#001]").Menu(2);
    NewWork(user, "菜单工作");
    user.Dialog("设计工作组工作管理").Do([&](CDialog& d) { tree = TreeTexts(d); }).Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree[3], "    菜单工作 [A#001#002]");
}

TEST_P(AssignTeamTaskTest, WorkGroupModeShowsTheGroupsWorks) {
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A#001";
    dlg.GroupMode = 1;
    std::vector<std::string> tree;
    vq::ScriptedUser user;
    user.Dialog("工作任务组任务管理").Do([&](CDialog& d) { tree = TreeTexts(d); }).Click(kDivide);
    NewWork(user, "组内工作");
    user.Dialog("工作任务组任务管理").Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{"工作任务组:任务A[A]下的工作任务: 组[A#001]...",
                                              "  子 [A#001#001]"}));
    EXPECT_EQ(dlg.ProjectNo, "A");
    EXPECT_EQ(ws.QueryText("SELECT TaskNo || '|' || UpWorkID FROM TeamWorkManage WHERE WorkID='A#001#002'"),
              "A|A#001");
    // The group's state is no task's state: no project row changes.
    EXPECT_EQ(ws.QueryText("SELECT WorkState FROM ProjectManage WHERE ProjectNo='A'"), "未开始");
}

TEST_P(AssignTeamTaskTest, DeletingAWorkRemovesItsNodeAndLogsIt) {
    ws.Execute("UPDATE TeamWorkManage SET WorkState='待确认' WHERE WorkID='A#002'");
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A";
    std::vector<std::string> tree;
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理")
        .Tree(kTree, root + "/组 [A#001]")
        .Click(kDelete)
        .Message("请先删除任务下面的任务，再删除本任务...", IDOK)
        .Tree(kTree, root + "/实 [A#002]")
        .Click(kDelete)
        .Message("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDNO)
        .Click(kDelete)
        .Message("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDYES)
        .Do([&](CDialog& d) { tree = TreeTexts(d); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{root, "  组 [A#001]", "    子 [A#001#001]", "  更改 [A#003]"}));
    EXPECT_EQ(dlg.Changed, 1);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE WorkID='A#002'"), "0");
    EXPECT_EQ(ws.QueryText("SELECT LogTopic || '|' || LogPrompt FROM TeamWorkLog WHERE LogID='A#002'"),
              "撤消工作|撤消任务A[A]下的工作：实[A#002]");
}

TEST_P(AssignTeamTaskTest, AWorkUnderReviewIsNotDeleted) {
    CAssignTeamTaskDlg dlg;
    dlg.ParentNo = "A";
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理")
        .Tree(kTree, root + "/实 [A#002]")
        .Click(kDelete)
        .Message("处于评审及完成状态的任务不能删除...", IDOK)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 0);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE WorkID='A#002'"), "1");
}

TEST_P(AssignTeamTaskTest, WithoutAParentTheTaskIsChosenFirst) {
    CAssignTeamTaskDlg dlg;
    std::vector<std::string> before, after;
    bool divideBefore = true, divideAfter = false;
    vq::ScriptedUser user;
    user.Dialog("设计工作组工作管理")
        .Do([&](CDialog& d) {
            before = TreeTexts(d);
            divideBefore = d.GetDlgItem(kDivide)->IsWindowEnabled();
        })
        .Click("选择任务...")
        .Dialog("浏览项目工作任务")
        .Do([](CDialog& d) {
            auto* tree = dynamic_cast<CTreeCtrl*>(d.GetDlgItem(1009));
            std::vector<HTREEITEM> stack{TVI_ROOT};
            while (!stack.empty()) {
                HTREEITEM item = stack.back();
                stack.pop_back();
                for (HTREEITEM c = tree->GetChildItem(item); c; c = tree->GetNextSiblingItem(c)) {
                    if (tree->GetItemText(c) == "任务A [A]")
                        tree->SelectItem(c);
                    stack.push_back(c);
                }
            }
        })
        .Click(IDOK)
        .Dialog("设计工作组工作管理")
        .Do([&](CDialog& d) {
            after = TreeTexts(d);
            divideAfter = d.GetDlgItem(kDivide)->IsWindowEnabled();
        })
        .Click("项目成员...")
        .DialogContaining("成员")
        .Click(IDCANCEL)
        .Dialog("设计工作组工作管理")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(before, (std::vector<std::string>{"请选择指定的项目任务..."}));
    EXPECT_FALSE(divideBefore);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front(), root);
    EXPECT_TRUE(divideAfter);
    EXPECT_EQ(dlg.ParentNo, "A");
    EXPECT_EQ(dlg.ProjectNo, "P1");
}

INSTANTIATE_TEST_SUITE_P(Dialects, AssignTeamTaskTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
