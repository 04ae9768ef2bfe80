// The personal work-task browser in both dialects: the trees of both modes, the works shown for
// the login account, the preset selection, the choice rules, "定位" and "展开".
#include "teamwork/PersonalWorkTaskDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

namespace {

constexpr int kTree = 1009;

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

std::string SelectedText(CDialog& d) {
    auto* tree = dynamic_cast<CTreeCtrl*>(d.GetDlgItem(kTree));
    HTREEITEM item = tree->GetSelectedItem();
    return item ? tree->GetItemText(item).str() : std::string();
}

class PersonalWorkTaskTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, "
                   "TaskType) VALUES "
                   "('P1', '项目甲', '项目管理', 'zhangsan', 'V'),"
                   "('P1-01', '任务一', '项目甲\\', 'lisi', 'T'),"
                   "('P1-01-01', '子任务', '项目甲\\任务一\\', 'lisi', 'V'),"
                   "('P1-01-01-01', '深任务', '项目甲\\任务一\\子任务\\', 'ZhangSan', 'T'),"
                   "('P2', '项目乙', '项目管理', 'lisi', 'V'),"
                   "('P2-01', '乙任务', '项目乙\\', 'zhangsan', 'T'),"
                   "('P3', '简单项目', '项目管理', 'lisi', 'S'),"
                   "('C1', '更改甲', '更改任务管理', 'zhangsan', 'M')");
        ws.Execute(
            "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType) VALUES "
            "('P2-01', 'P2-01', 'P2-01#001', 'zhangsan', '我的工作', 'W'),"
            "('P2-01', 'P2-01', 'P2-01#002', 'lisi', '他人工作', 'W'),"
            "('P2-01', 'P2-01', 'P2-01#003', 'lisi', '工作组', 'V'),"
            "('P2-01', 'P2-01#003', 'P2-01#003#001', 'zhangsan', '组内工作', 'W'),"
            "('P2-01', 'P2-01', 'P2-01#004', 'lisi', '空组', 'V'),"
            "('P2-01', 'P2-01#004', 'P2-01#004#001', 'lisi', '空组工作', 'W'),"
            "('P1-01-01-01', 'P1-01-01-01', 'P1-01-01-01#001', 'zhangsan', '深工作', 'W'),"
            "('P3', 'P3', 'P3#001', 'zhangsan', '简单工作', 'W')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
    }

    vqtest::DbWorkspace ws{GetParam()};
};

TEST_P(PersonalWorkTaskTest, ManagedProjectsShowTheTasksOnTheWayAndTheOwnWorks) {
    CPersonalWorkTaskDlg dlg;
    dlg.m_nTreeMode = 1;
    dlg.m_strWorkID = "p2-01#003#001";
    std::vector<std::string> tree;
    std::string selected;
    bool okEnabled = false;
    vq::ScriptedUser user;
    user.Dialog("浏览个人工作任务")
        .Do([&](CDialog& d) {
            tree = TreeTexts(d);
            selected = SelectedText(d);
            okEnabled = d.GetDlgItem(IDOK)->IsWindowEnabled();
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree,
              (std::vector<std::string>{"所有工作任务...", "  更改甲 [C1]", "  项目甲 [P1]",
                                        "    任务一 [P1-01]", "      子任务 [P1-01-01]",
                                        "        深任务 [P1-01-01-01]", "          深工作 [P1-01-01-01#001]",
                                        "  项目乙 [P2]", "    乙任务 [P2-01]", "      我的工作 [P2-01#001]",
                                        "      工作组 [P2-01#003]", "        组内工作 [P2-01#003#001]"}));
    EXPECT_EQ(selected, "组内工作 [P2-01#003#001]");
    EXPECT_TRUE(okEnabled);
    EXPECT_EQ(dlg.m_strWorkID, "P2-01#003#001");
    EXPECT_EQ(dlg.m_strWorkName, "组内工作");
    EXPECT_TRUE(dlg.m_strChosenNo.IsEmpty());
}

TEST_P(PersonalWorkTaskTest, TasksHoldingOwnWorksHangDirectlyUnderTheirProject) {
    CPersonalWorkTaskDlg dlg;
    dlg.m_strWorkID = "P1-01-01"; // a task: in this mode only works are located
    std::vector<std::string> tree;
    std::string selected;
    vq::ScriptedUser user;
    user.Dialog("浏览个人工作任务")
        .Do([&](CDialog& d) {
            tree = TreeTexts(d);
            selected = SelectedText(d);
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{"所有工作任务...", "  项目甲 [P1]", "    深任务 [P1-01-01-01]",
                                              "      深工作 [P1-01-01-01#001]", "  项目乙 [P2]",
                                              "    乙任务 [P2-01]", "      我的工作 [P2-01#001]",
                                              "      工作组 [P2-01#003]", "        组内工作 [P2-01#003#001]",
                                              "  简单项目 [P3]", "    简单工作 [P3#001]"}));
    EXPECT_EQ(selected, "所有工作任务...");
}

TEST_P(PersonalWorkTaskTest, AChangeTaskIsItsOwnProjectInBothModes) {
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType) VALUES "
               "('C1', 'C1', 'C1#001', 'zhangsan', '更改工作', 'W')");
    for (int mode : {0, 1}) {
        CPersonalWorkTaskDlg dlg;
        dlg.m_nTreeMode = mode;
        std::vector<std::string> tree;
        vq::ScriptedUser user;
        user.Dialog("浏览个人工作任务").Do([&](CDialog& d) { tree = TreeTexts(d); }).Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        ASSERT_GE(tree.size(), 3u);
        EXPECT_EQ(tree[1], "  更改甲 [C1]") << "mode " << mode;
        EXPECT_EQ(tree[2], "    更改工作 [C1#001]") << "mode " << mode;
    }
}

TEST_P(PersonalWorkTaskTest, PresetWorkIsSelectedInTheWorkTaskTree) {
    CPersonalWorkTaskDlg dlg;
    dlg.m_strWorkID = "P3#001";
    std::string selected;
    vq::ScriptedUser user;
    user.Dialog("浏览个人工作任务").Do([&](CDialog& d) { selected = SelectedText(d); }).Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(selected, "简单工作 [P3#001]");
    EXPECT_EQ(dlg.m_strWorkID, "P3#001");
    EXPECT_EQ(dlg.m_strWorkName, "简单工作");
}

TEST_P(PersonalWorkTaskTest, TasksAndOtherWorksAreChosenOnlyWhereAllowed) {
    CPersonalWorkTaskDlg dlg;
    dlg.m_nTreeMode = 1;
    bool taskWhileWorksShown = true, otherWork = true;
    vq::ScriptedUser user;
    user.Dialog("浏览个人工作任务")
        .Tree(kTree, "所有工作任务.../项目乙 [P2]/乙任务 [P2-01]")
        .Do([&](CDialog& d) { taskWhileWorksShown = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .Tree(kTree, "所有工作任务.../项目乙 [P2]/乙任务 [P2-01]/工作组 [P2-01#003]")
        .Do([&](CDialog& d) { otherWork = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(taskWhileWorksShown);
    EXPECT_FALSE(otherWork);

    CPersonalWorkTaskDlg selectable;
    selectable.m_nTreeMode = 1;
    selectable.m_bTasksSelectable = 1;
    vq::ScriptedUser user2;
    user2.Dialog("浏览个人工作任务")
        .Tree(kTree, "所有工作任务.../项目乙 [P2]/乙任务 [P2-01]/工作组 [P2-01#003]")
        .DoubleClick(kTree, "所有工作任务.../项目乙 [P2]/乙任务 [P2-01]/工作组 [P2-01#003]");
    EXPECT_EQ(selectable.DoModal(), IDOK);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(selectable.m_strChosenNo, "P2-01#003");
    EXPECT_EQ(selectable.m_strChosenName, "工作组");
    EXPECT_TRUE(selectable.m_strWorkID.IsEmpty());
}

TEST_P(PersonalWorkTaskTest, WithoutWorksEveryProjectAndTaskCanBeChosen) {
    CPersonalWorkTaskDlg dlg;
    dlg.m_nTreeMode = 1;
    dlg.m_bShowWorks = 0;
    dlg.m_strWorkID = "P1-01-01";
    std::vector<std::string> tree;
    vq::ScriptedUser user;
    user.Dialog("浏览个人工作任务").Do([&](CDialog& d) { tree = TreeTexts(d); }).Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (std::vector<std::string>{"所有工作任务...", "  更改甲 [C1]", "  项目甲 [P1]",
                                              "    任务一 [P1-01]", "      子任务 [P1-01-01]",
                                              "        深任务 [P1-01-01-01]", "  项目乙 [P2]",
                                              "    乙任务 [P2-01]"}));
    EXPECT_EQ(dlg.m_strChosenNo, "P1-01-01");
    EXPECT_EQ(dlg.m_strChosenName, "子任务");
    EXPECT_TRUE(dlg.m_strWorkID.IsEmpty());
}

TEST_P(PersonalWorkTaskTest, UnknownPresetLeavesTheRootSelectedAndNothingToChoose) {
    CPersonalWorkTaskDlg dlg;
    dlg.m_nTreeMode = 1;
    dlg.m_strWorkID = "NO-SUCH#001";
    std::string selected;
    bool okEnabled = true;
    vq::ScriptedUser user;
    user.Dialog("浏览个人工作任务")
        .Do([&](CDialog& d) {
            selected = SelectedText(d);
            okEnabled = d.GetDlgItem(IDOK)->IsWindowEnabled();
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(selected, "所有工作任务...");
    EXPECT_FALSE(okEnabled);
}

TEST_P(PersonalWorkTaskTest, FindSearchesBelowTheSelectedNodeOnly) {
    CPersonalWorkTaskDlg dlg;
    dlg.m_nTreeMode = 1;
    std::string fromRoot, fromLeaf;
    vq::ScriptedUser user;
    user.Dialog("浏览个人工作任务")
        .Set(1001, "p2-01#003")
        .Click(1002)
        .Do([&](CDialog& d) { fromRoot = SelectedText(d); })
        .Tree(kTree, "所有工作任务.../项目乙 [P2]/乙任务 [P2-01]/我的工作 [P2-01#001]")
        .Set(1001, "组内")
        .Click(1002)
        .Do([&](CDialog& d) { fromLeaf = SelectedText(d); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(fromRoot, "工作组 [P2-01#003]");
    EXPECT_EQ(fromLeaf, "我的工作 [P2-01#001]");
}

TEST_P(PersonalWorkTaskTest, AWorkWithoutNumberIsNoChoice) {
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType) VALUES "
               "('P2-01', 'P2-01', '', 'zhangsan', '无编号', 'W')");
    CPersonalWorkTaskDlg dlg;
    dlg.m_nTreeMode = 1;
    bool okEnabled = true;
    vq::ScriptedUser user;
    user.Dialog("浏览个人工作任务")
        .Tree(kTree, "所有工作任务.../项目乙 [P2]/乙任务 [P2-01]/无编号 []")
        .Do([&](CDialog& d) { okEnabled = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .DoubleClick(kTree, "所有工作任务.../项目乙 [P2]/乙任务 [P2-01]/无编号 []")
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(okEnabled);
}

TEST_P(PersonalWorkTaskTest, ExpandOpensTheWholeSubtree) {
    CPersonalWorkTaskDlg dlg;
    dlg.m_nTreeMode = 1;
    bool deepExpanded = false;
    vq::ScriptedUser user;
    user.Dialog("浏览个人工作任务")
        .Click(1003)
        .Do([&](CDialog& d) {
            auto* tree = dynamic_cast<CTreeCtrl*>(d.GetDlgItem(kTree));
            std::vector<HTREEITEM> pending{tree->GetRootItem()};
            deepExpanded = true;
            while (!pending.empty()) {
                HTREEITEM item = pending.back();
                pending.pop_back();
                HTREEITEM child = tree->GetChildItem(item);
                if (child && !(tree->GetItemState(item, TVIS_EXPANDED) & TVIS_EXPANDED))
                    deepExpanded = false;
                for (; child; child = tree->GetNextSiblingItem(child))
                    pending.push_back(child);
            }
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(deepExpanded);
}

INSTANTIATE_TEST_SUITE_P(Dialects, PersonalWorkTaskTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
