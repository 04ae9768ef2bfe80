// The entry functions of the project management and of the item properties, through the frame
// of an entry call.
#include "core/VqDesignTaskApp.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/DesignProjectManageIds.h"
#include "projects/ProjectTaskItemIds.h"
#include "projects/ProjectTeamIds.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

extern "C" int DesignProjectManageMain(CString login, int addDisabled);
extern "C" CString CreateNewProjectTaskItem(CString itemNo, CString unused, CString login);
extern "C" int AssignProjectTeamMain(CString taskNo, CString projectNo, CString groupType, CString login,
                                     int readOnly);
extern "C" CString SelectProjectTeamer(CString taskNo, CString projectNo, CString groupType, CString login);

namespace {

class ProjectEntryTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = nullptr;
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('lisi', '李四')");
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
                   "PreendedTime, WorkState, TaskType, TaskAssigner, Other4) VALUES "
                   "('P1', '项目甲', '项目管理', 'zhangsan', '2026-01-01 08:00', '9999-01-01', '未开始', 'V', "
                   "'zhangsan', 500)");
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(ProjectEntryTest, ItemPropertiesReturnTheNumberAfterOkOnly) {
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性").Set(projects::item_ids::kName, "项目乙").Click(IDOK);
    EXPECT_EQ(CreateNewProjectTaskItem("P1", "", "zhangsan"), "P1");
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='P1'"), "项目乙");
    EXPECT_FALSE(theApp.m_pConnPDM);

    // Another user sees the item read-only and gets nothing back.
    vq::ScriptedUser other;
    other.Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDCANCEL);
    EXPECT_EQ(CreateNewProjectTaskItem("P1", "", "lisi"), "");
    EXPECT_TRUE(other.Succeeded()) << other.Error().c_str();
}

TEST_P(ProjectEntryTest, ManagementReturnsWhetherProjectsWereAddedOrDeleted) {
    vq::ScriptedUser user;
    user.Dialog("设计项目管理").Click(IDCANCEL);
    EXPECT_EQ(DesignProjectManageMain("zhangsan", 0), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    vq::ScriptedUser deleting;
    deleting.Dialog("设计项目管理")
        .Select(projects::manage_ids::kProjectList, "P1")
        .Click(projects::manage_ids::kDeleteProject)
        .Message("是否要删除选中的设计项目?", IDYES)
        .Click(IDCANCEL);
    EXPECT_EQ(DesignProjectManageMain("zhangsan", 0), 1);
    EXPECT_TRUE(deleting.Succeeded()) << deleting.Error().c_str();
}

TEST_P(ProjectEntryTest, NoDialogWithoutTheDatabase) {
    ws.ClearConfig();
    vqtest::MessageBoxRecorder rec;
    rec.Expect("");
    EXPECT_EQ(DesignProjectManageMain("zhangsan", 0), 0);
    rec.Expect("");
    EXPECT_EQ(CreateNewProjectTaskItem("P1", "", "zhangsan"), "");
    EXPECT_EQ(rec.Pending(), 0);
}

TEST_P(ProjectEntryTest, TeamEntriesReturnWhetherMembersWereAddedAndTheChosenLogin) {
    ws.Execute("INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) VALUES "
               "('P1', '_P', 'P1', 'zhangsan', 'Y')");
    vq::ScriptedUser deleting;
    deleting.Dialog("项目组成员管理")
        .Tree(projects::team_ids::kTree, "项目：P1 的工作团队.../张三 [zhangsan]")
        .Click(projects::team_ids::kDeleteMember)
        .Message("真的要删除选定的项目成员吗?", IDYES)
        .Click(IDCANCEL);
    EXPECT_EQ(AssignProjectTeamMain("", "P1", "_p", "zhangsan", 0), 0);
    EXPECT_TRUE(deleting.Succeeded()) << deleting.Error().c_str();

    vq::ScriptedUser adding;
    adding.Dialog("项目组成员管理")
        .Click(projects::team_ids::kAddMembers)
        .Dialog("用户浏览 - 选择组(多用户)")
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog("项目组成员管理")
        .Click(IDCANCEL);
    EXPECT_EQ(AssignProjectTeamMain("", "P1", "_P", "zhangsan", 0), 1);
    EXPECT_TRUE(adding.Succeeded()) << adding.Error().c_str();

    vq::ScriptedUser picking;
    picking.Dialog("选择项目组成员").Tree(projects::team_ids::kTree, "项目：P1 的工作团队.../李四 [lisi]").Click(IDOK);
    EXPECT_EQ(SelectProjectTeamer("", "P1", "_P", "zhangsan"), "lisi");
    EXPECT_TRUE(picking.Succeeded()) << picking.Error().c_str();

    vq::ScriptedUser cancelling;
    cancelling.Dialog("选择项目组成员").Click(IDCANCEL);
    EXPECT_EQ(SelectProjectTeamer("", "P1", "_P", "zhangsan"), "zhangsan");
    EXPECT_TRUE(cancelling.Succeeded()) << cancelling.Error().c_str();

    ws.ClearConfig();
    vqtest::MessageBoxRecorder rec;
    rec.Expect("");
    EXPECT_EQ(SelectProjectTeamer("", "P1", "_P", "zhangsan"), "");
    rec.Expect("");
    EXPECT_EQ(AssignProjectTeamMain("", "P1", "_P", "zhangsan", 0), 0);
    EXPECT_EQ(rec.Pending(), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, ProjectEntryTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
