// Project groups and task work groups: adding, refreshing, deleting members and choosing the
// leader; the member picker; the project task browser; and the members step of the item dialog.
#include "projects/ProjectTeamDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/ProjectTaskItemIds.h"
#include "projects/ProjectTeamIds.h"
#include "projects/SelectProjectTeamerDlg.h"
#include "projects/TaskQueryIds.h"
#include "teamwork/BrowseProjectTaskDlg.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace projects::team_ids;

namespace {

const CString kRoot = "项目：P 的工作团队...";

void Walk(CTreeCtrl& tree, HTREEITEM item, int depth, std::vector<std::string>& out) {
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + tree.GetItemText(child).str());
        Walk(tree, child, depth + 1, out);
    }
}

std::vector<std::string> TreeTexts(CDialog& d, int id) {
    std::vector<std::string> out;
    Walk(*dynamic_cast<CTreeCtrl*>(d.GetDlgItem(id)), TVI_ROOT, 0, out);
    return out;
}

// The tree's lines with the members in name order: the database returns them in no set order.
std::vector<std::string> MemberTexts(CDialog& d, int id) {
    std::vector<std::string> out = TreeTexts(d, id);
    if (out.size() > 1)
        std::sort(out.begin() + 1, out.end());
    return out;
}

std::string Selected(CDialog& d, int id) {
    auto* tree = dynamic_cast<CTreeCtrl*>(d.GetDlgItem(id));
    HTREEITEM item = tree->GetSelectedItem();
    return item ? tree->GetItemText(item).str() : std::string();
}

class ProjectTeamTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_strLoginUser = "zhangsan";
        ws.WriteSetting("公共管理功能", "当前登陆用户帐号", "zhangsan");
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('lisi', '李四'),"
                   "('wangwu', '王五'), ('zhaoliu', '赵六')");
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
                   "PreendedTime, WorkState, TaskType, TaskAssigner) VALUES "
                   "('P', '项目', '项目管理', 'zhangsan', '2026-01-01 08:00', '9999-01-01', '未开始', 'V', 'zhangsan'),"
                   "('P-01', '任务一', '项目\\', 'lisi', '2026-01-01 08:00', '9999-01-01', '未开始', 'T', 'zhangsan'),"
                   "('P-01-01', '子任务', '项目\\任务一\\', 'wangwu', '2026-01-01 08:00', '9999-01-01', '未开始', 'T', "
                   "'zhangsan'),"
                   "('PX', '别的项目', '项目管理', 'zhaoliu', '2026-01-01 08:00', '9999-01-01', '未开始', 'V', 'zhaoliu')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager) VALUES "
                   "('P-01', 'P-01', 'P-01#001', 'zhaoliu'), ('P-01', 'P-01', 'P-01#002', 'ghost')");
        ws.Execute("INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader, SaveTime) VALUES "
                   "('P', '_P', 'P', 'zhangsan', 'Y', '2026-01-01 08:00'),"
                   "('P', '_P', 'P', 'ghost', 'N', '2026-01-01 08:00'),"
                   "('P', '_T', 'P-01', 'lisi', 'N', '2026-01-01 08:00')");
        ws.Execute("INSERT INTO DesignProjectTeamRight (TeamType, TeamGroup, TeamUser, RightName) VALUES "
                   "('_P', 'P', 'zhangsan', '浏览')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    CString Members(const char* type, const char* group) {
        return ws.QueryText(CString("SELECT count(*) FROM DesignProjectTeam WHERE TeamType='") + type +
                            "' AND TeamGroup='" + group + "'");
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(ProjectTeamTest, AddingMembersThroughTheUserPickerSkipsThoseInTheGroup) {
    CProjectTeamDlg dlg;
    dlg.m_strProjectNo = "P";
    vq::ScriptedUser user;
    user.Dialog("项目组成员管理")
        .Do([](CDialog& d) {
            // The member whose login has no user row is not shown.
            EXPECT_EQ(TreeTexts(d, kTree), (std::vector<std::string>{kRoot.str(), "  张三 [zhangsan]"}));
            EXPECT_FALSE(d.GetDlgItem(kChooseGroup)->IsWindowVisible());
            EXPECT_FALSE(d.GetDlgItem(kTaskNo)->IsWindowVisible());
            EXPECT_FALSE(d.GetDlgItem(kDeleteMember)->IsWindowEnabled());
        })
        .Click(kAddMembers)
        .Dialog("用户浏览 - 选择组(多用户)")
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog("项目组成员管理")
        .Click(kAddMembers)
        .Dialog("用户浏览 - 选择组(多用户)")
        .Select(1059, "zhangsan")
        .Click(IDOK)
        .Message("用户：zhangsan 已在项目：P 中...", IDOK)
        .Dialog("项目组成员管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(MemberTexts(d, kTree),
                      (std::vector<std::string>{kRoot.str(), "  张三 [zhangsan]", "  李四 [lisi]"}));
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_bChanged, 1);
    EXPECT_EQ(Members("_P", "P"), "3");
    EXPECT_EQ(ws.QueryText("SELECT IsLeader FROM DesignProjectTeam WHERE TeamUser='lisi' AND TeamType='_P'"), "N");
    if (GetParam() == 2) { // the Oracle dialect numbers the rows itself
        EXPECT_EQ(ws.QueryText("SELECT InterID FROM DesignProjectTeam WHERE TeamUser='lisi' AND TeamType='_P'"), "0");
    }
}

TEST_P(ProjectTeamTest, RefreshTakesTheManagersOfTheProjectOrOfTheTasksWorks) {
    CProjectTeamDlg project;
    project.m_strProjectNo = "P";
    vq::ScriptedUser user;
    user.Dialog("项目组成员管理").Click(kRefreshFromWork).Click(IDCANCEL);
    project.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(project.m_bChanged, 0);
    // zhangsan was there; lisi and wangwu manage tasks numbered below P; PX's manager stays out.
    EXPECT_EQ(Members("_P", "P"), "4");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamUser='zhaoliu'"), "0");

    CProjectTeamDlg task;
    task.m_strProjectNo = "P";
    task.m_strTaskNo = "P-01";
    task.m_bWorkGroup = 1;
    vq::ScriptedUser user2;
    user2.Dialog("项目组成员管理")
        .Click(kRefreshFromWork)
        .Do([](CDialog& d) {
            EXPECT_EQ(MemberTexts(d, kTree), (std::vector<std::string>{"任务：[任务一]P-01 的工作组...",
                                                                        "  李四 [lisi]", "  赵六 [zhaoliu]"}));
            EXPECT_TRUE(d.GetDlgItem(kTaskNo)->IsWindowVisible());
        })
        .Click(IDCANCEL);
    task.DoModal();
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(Members("_T", "P-01"), "2");
}

TEST_P(ProjectTeamTest, DeletingAMemberTakesItsRightsAndTheLeaderIsUnique) {
    ws.Execute("INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) VALUES "
               "('P', '_P', 'P', 'lisi', 'N'), ('P', '_P', 'P', 'wangwu', 'N')");
    CProjectTeamDlg dlg;
    dlg.m_strProjectNo = "P";
    vq::ScriptedUser user;
    user.Dialog("项目组成员管理")
        .RightClick(kTree, kRoot + "/李四 [lisi]")
        .Menu(kLeaderCommand)
        .Message("是否设置选中组员为组长?", IDYES)
        .Tree(kTree, kRoot + "/张三 [zhangsan]")
        .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(kDeleteMember)->IsWindowEnabled()); })
        .Click(kDeleteMember)
        .Message("真的要删除选定的项目成员吗?", IDNO)
        .Click(kDeleteMember)
        .Message("真的要删除选定的项目成员吗?", IDYES)
        .Do([](CDialog& d) {
            EXPECT_EQ(MemberTexts(d, kTree),
                      (std::vector<std::string>{kRoot.str(), "  李四 [lisi]", "  王五 [wangwu]"}));
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT TeamUser FROM DesignProjectTeam WHERE TeamType='_P' AND IsLeader='Y'"), "lisi");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamUser='zhangsan'"), "0");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeamRight"), "0");
}

// The member chosen as leader is removed by another client while "是否设置选中组员为组长?" is
// open: the group keeps its leader and the box says why nothing was set.
TEST_P(ProjectTeamTest, AMemberRemovedWhileAskedIsNotMadeLeader) {
    ws.Execute("INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) VALUES "
               "('P', '_P', 'P', 'lisi', 'N')");
    CProjectTeamDlg dlg;
    dlg.m_strProjectNo = "P";
    vq::ScriptedUser user;
    user.Dialog("项目组成员管理")
        .RightClick(kTree, kRoot + "/李四 [lisi]")
        .Menu(kLeaderCommand)
        .Message("是否设置选中组员为组长?", IDYES)
        .Click(IDCANCEL);
    vqtest::MessageBoxRecorder boxes;
    boxes.WhenShown("是否设置选中组员为组长?",
                    [this] { ws.Execute("DELETE FROM DesignProjectTeam WHERE TeamUser='lisi'"); });
    boxes.Expect("选中的组员已不在项目组中，没有设置组长...");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamType='_P' AND IsLeader='Y'"),
              "1");
    EXPECT_EQ(ws.QueryText("SELECT TeamUser FROM DesignProjectTeam WHERE TeamType='_P' AND IsLeader='Y'"),
              "zhangsan");
}

// The member to delete is removed by another client, or the leader to delete is no longer the
// leader, before the answer: nothing is deleted, the box says what changed, and the tree is read
// again.
TEST_P(ProjectTeamTest, AMemberChangedWhileAskedIsNotDeleted) {
    ws.Execute("INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) VALUES "
               "('P', '_P', 'P', 'lisi', 'N'), ('P', '_P', 'P', 'wangwu', 'N')");
    CProjectTeamDlg dlg;
    dlg.m_strProjectNo = "P";
    vq::ScriptedUser user;
    user.Dialog("项目组成员管理")
        .Tree(kTree, kRoot + "/李四 [lisi]")
        .Do([this](CDialog&) { ws.Execute("DELETE FROM DesignProjectTeam WHERE TeamUser='lisi'"); })
        .Click(kDeleteMember)
        .Message("真的要删除选定的项目成员吗?", IDYES)
        .Message("选定的项目成员已被其他用户删除...", IDOK)
        .Do([](CDialog& d) {
            const std::vector<std::string> lines = TreeTexts(d, kTree);
            EXPECT_EQ(std::count(lines.begin(), lines.end(), "  李四 [lisi]"), 0);
        })
        .Tree(kTree, kRoot + "/张三 [zhangsan]")
        .Do([this](CDialog&) {
            ws.Execute(
                "UPDATE DesignProjectTeam SET IsLeader=CASE WHEN TeamUser='wangwu' THEN 'Y' ELSE 'N' END "
                "WHERE TeamType='_P'");
        })
        .Click(kDeleteMember)
        .Message("真的要删除选定的项目成员吗?", IDYES)
        .Message("选定的项目成员已不再是组长，本次没有删除。", IDOK)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamUser='zhangsan'"), "1");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeamRight WHERE TeamUser='zhangsan'"), "1");
}

TEST_P(ProjectTeamTest, AFailedRightsDeleteKeepsTheMember) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the refusing trigger is written for SQLite";
    theApp.m_pConnPDM->Execute("CREATE TRIGGER refuse BEFORE DELETE ON DesignProjectTeamRight "
                               "BEGIN SELECT RAISE(ABORT, 'refused'); END");
    CProjectTeamDlg dlg;
    dlg.m_strProjectNo = "P";
    vq::ScriptedUser user;
    user.Dialog("项目组成员管理")
        .Tree(kTree, kRoot + "/张三 [zhangsan]")
        .Click(kDeleteMember)
        .Message("真的要删除选定的项目成员吗?", IDYES)
        .MessageContaining("refused", IDOK)
        .MessageContaining("执行出错的SQL语句", IDOK)
        .Do([](CDialog& d) { EXPECT_EQ(TreeTexts(d, kTree).size(), 2u); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamUser='zhangsan'"), "1");
}

TEST_P(ProjectTeamTest, ReadOnlyShowsMembersWithoutChangingThem) {
    CProjectTeamDlg dlg;
    dlg.m_strProjectNo = "P";
    dlg.m_bReadOnly = 1;
    vq::ScriptedUser user;
    user.Dialog("项目组成员管理")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(kAddMembers)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(kRefreshFromWork)->IsWindowEnabled());
        })
        .Tree(kTree, kRoot + "/张三 [zhangsan]")
        .Do([](CDialog& d) {
            EXPECT_FALSE(d.GetDlgItem(kDeleteMember)->IsWindowEnabled());
            EXPECT_TRUE(d.GetDlgItem(kSetRights)->IsWindowEnabled());
        })
        // No menu that changes the group: the right click on a member opens nothing.
        .RightClick(kTree, kRoot + "/张三 [zhangsan]")
        .RightClick(kTree, kRoot)
        .Menu(kExpandCommand)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ProjectTeamTest, ChoosingTheTaskOfAWorkGroupFindsItsProject) {
    theApp.m_strLoginUser = "lisi";
    CProjectTeamDlg dlg;
    dlg.m_bWorkGroup = 1;
    vq::ScriptedUser user;
    user.Dialog("项目组成员管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeTexts(d, kTree), (std::vector<std::string>{"请选择指定的设计项目..."}));
            EXPECT_FALSE(d.GetDlgItem(kAddMembers)->IsWindowEnabled());
        })
        .Click("选择任务...")
        .Dialog("浏览项目工作任务")
        .Tree(1009, "个人相关工作任务.../项目 [P]/任务一 [P-01]")
        .Click(IDOK)
        .Dialog("项目组成员管理")
        .Do([](CDialog& d) {
            CString project;
            d.GetDlgItemText(kProjectNo, project);
            EXPECT_EQ(project, "P");
            EXPECT_EQ(TreeTexts(d, kTree), (std::vector<std::string>{"任务：[任务一]P-01 的工作组...", "  李四 [lisi]"}));
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ProjectTeamTest, PickerPresetsOkAndCancel) {
    CSelectProjectTeamerDlg dlg;
    dlg.m_strProjectNo = "P";
    dlg.m_strLogName = "ZhangSan";
    vq::ScriptedUser user;
    user.Dialog("选择项目组成员")
        .Do([](CDialog& d) {
            EXPECT_EQ(Selected(d, kTree), "张三 [zhangsan]");
            EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strLogName, "zhangsan");
    EXPECT_EQ(dlg.m_strUserName, "张三");

    CSelectProjectTeamerDlg task;
    task.m_strProjectNo = "P";
    task.m_strTaskNo = "P-01";
    task.m_bWorkGroup = 1;
    task.m_strLogName = "wangwu";
    vq::ScriptedUser user2;
    user2.Dialog("选择项目组成员")
        .Do([](CDialog& d) {
            EXPECT_EQ(Selected(d, kTree), "任务：[任务一]P-01 的工作组...");
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    EXPECT_EQ(task.DoModal(), IDCANCEL);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(task.m_strLogName, "wangwu");

    CSelectProjectTeamerDlg empty;
    empty.m_strProjectNo = "PX";
    vq::ScriptedUser user3;
    user3.Dialog("选择项目组成员")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeTexts(d, kTree), (std::vector<std::string>{"项目：PX 的工作团队..."}));
            EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    EXPECT_EQ(empty.DoModal(), IDCANCEL);
    EXPECT_TRUE(user3.Succeeded()) << user3.Error().c_str();
}

TEST_P(ProjectTeamTest, TaskBrowserShowsTheTasksOnTheWayAndLocates) {
    theApp.m_strLoginUser = "wangwu";
    CBrowseProjectTaskDlg dlg;
    dlg.m_strTaskNo = "p-01-01";
    vq::ScriptedUser user;
    user.Dialog("浏览项目工作任务")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeTexts(d, 1009), (std::vector<std::string>{"个人相关工作任务...", "  项目 [P]",
                                                                     "    任务一 [P-01]", "      子任务 [P-01-01]"}));
            EXPECT_EQ(Selected(d, 1009), "子任务 [P-01-01]");
        })
        .Tree(1009, "个人相关工作任务...")
        .Set(1001, "子任务")
        .Click(1002)
        .Do([](CDialog& d) { EXPECT_EQ(Selected(d, 1009), "子任务 [P-01-01]"); })
        .Click(IDOK);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strTaskNo, "P-01-01");
    EXPECT_EQ(dlg.m_strTaskName, "子任务");
}

TEST_P(ProjectTeamTest, CancellingANewProjectRemovesOnlyTheMembersOfTheNumberItLocked) {
    const CString end = (CTime::GetCurrentTime() + CTimeSpan(30, 0, 0, 0)).Format("%Y-%m-%d");
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.IsProject = 1;
    dlg.ProjectPath = "项目管理";
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Click(projects::item_ids::kMembers)
        .Message("项目编号为空，不能设置项目成员...", IDOK)
        .Set(projects::item_ids::kNumber, "P")
        .Click(projects::item_ids::kMembers)
        .Message("相同编号的项目已存在，不能设置项目成员...", IDOK)
        .Set(projects::item_ids::kNumber, "NEW")
        .Click(projects::item_ids::kMembers)
        .Message("设置项目成员将不再允许修改项目编号，是否继续?", IDYES)
        .Dialog("项目组成员管理")
        .Click(kAddMembers)
        .Dialog("用户浏览 - 选择组(多用户)")
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog("项目组成员管理")
        .Click(IDCANCEL)
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(projects::item_ids::kNewCode)->IsWindowEnabled()); })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Members("_P", "NEW"), "0");
    EXPECT_EQ(Members("_P", "P"), "2");

    // A number typed but never locked removes nothing when the dialog is cancelled.
    CProjectTaskItemDlg typed;
    typed.NewItem = 1;
    typed.Editable = 1;
    typed.IsProject = 1;
    typed.ProjectPath = "项目管理";
    vq::ScriptedUser user2;
    user2.Dialog("项目/任务项属性").Set(projects::item_ids::kNumber, "P").Set(projects::item_ids::kEndDate, end).Click(IDCANCEL);
    EXPECT_EQ(typed.DoModal(), IDCANCEL);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(Members("_P", "P"), "2");
}

TEST_P(ProjectTeamTest, ManagerOfATaskIsPickedFromTheProjectGroup) {
    ws.Execute("INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) VALUES "
               "('P', '_P', 'P', 'wangwu', 'N')");
    CProjectTaskItemDlg dlg;
    dlg.ProjectNo = "P-01-01";
    dlg.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Click(projects::item_ids::kManagerPick)
        .Dialog("选择项目组成员")
        .Do([](CDialog& d) { EXPECT_EQ(Selected(d, kTree), "王五 [wangwu]"); })
        .Tree(kTree, kRoot + "/张三 [zhangsan]")
        .Click(IDOK)
        .Dialog("项目/任务项属性")
        .Click(projects::item_ids::kTaskQuery)
        .DialogContaining("任务查询")
        .Click(projects::query_ids::kPickUser)
        .Dialog("用户浏览 - 选择用户")
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog("任务查询 - lisi")
        .Click(IDCANCEL)
        .Message("是否把负责人：zhangsan 更改为：lisi", IDNO)
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) {
            CString manager;
            d.GetDlgItemText(projects::item_ids::kManager, manager);
            EXPECT_EQ(manager, "zhangsan");
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, ProjectTeamTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
