// The dialogs linked to the item properties: the manager pickers, the task query, the group
// members, the outside resources, the work list of a simple project and the review flow; what
// each hands back, and the lock of a new item's number.
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/Edit.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/ProjectTaskItemIds.h"
#include "projects/ProjectTeamIds.h"
#include "projects/TaskQueryIds.h"
#include "review/TaskAuditFlowDlg.h"
#include "teamwork/TaskResourceDlg.h"
#include "teamwork/TeamWorkManageDlg.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

using namespace projects::item_ids;

namespace {

CString Text(CDialog& d, int id) {
    CString text;
    d.GetDlgItemText(id, text);
    return text;
}

bool NumberLocked(CDialog& d) {
    return dynamic_cast<CEdit*>(d.GetDlgItem(kNumber))->IsReadOnly() &&
           !d.GetDlgItem(kNewCode)->IsWindowEnabled();
}

class ItemLinksTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws.WriteSetting("公共管理功能", "当前登陆用户帐号", "zhangsan");
        theApp.m_strLoginUser = "zhangsan";
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), "
                   "('lisi', '李四')");
        ws.Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
            "PreendedTime, WorkState, TaskType, TaskAssigner, Other4, AuditingModel, AuditorName) VALUES "
            "('P1', '项目甲', '项目管理', 'zhangsan', '2026-01-01 08:00', '2099-12-31', '正进行中', 'V', "
            "'zhangsan', 500, '', ''),"
            "('P1-01', '任务一', '项目甲\\', 'zhangsan', '2026-01-01 09:00', '2099-06-30', '未开始', 'V', "
            "'zhangsan', 500, '旧模板', 'lisi|*|wangwu'),"
            "('S1', '简单甲', '项目管理', 'zhangsan', '2026-01-01 08:00', '2099-12-31', '未开始', 'S', "
            "'zhangsan', 500, '', '')");
        ws.Execute(
            "INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) VALUES "
            "('P1', '_P', 'P1', 'lisi', 'N')");
        ws.Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
                   "('会签', '并联', '设计会签(40,20)|*|工艺会签(240,20)')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(ItemLinksTest, ManagerPickersOfATaskAndOfAProject) {
    CProjectTaskItemDlg task;
    task.ProjectNo = "P1-01";
    task.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Click(kManagerPick)
        .Dialog("选择项目组成员")
        .Tree(projects::team_ids::kTree, "项目：P1 的工作团队.../李四 [lisi]")
        .Click(IDOK)
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_EQ(Text(d, kManager), "lisi"); })
        .Click(IDCANCEL);
    task.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(task.Manager, "lisi");

    CProjectTaskItemDlg project;
    project.ProjectNo = "P1";
    project.Editable = 1;
    vq::ScriptedUser user2;
    user2.Dialog("项目/任务项属性")
        .Click(kManagerPick)
        .Dialog("用户浏览 - 选择用户")
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_EQ(Text(d, kManager), "lisi"); })
        .Click(IDCANCEL);
    project.DoModal();
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
}

TEST_P(ItemLinksTest, TaskQueryOffersItsUserAsTheManager) {
    auto run = [](int editable, int answer) {
        CProjectTaskItemDlg dlg;
        dlg.ProjectNo = "P1-01";
        dlg.Editable = editable;
        vq::ScriptedUser user;
        user.Dialog("项目/任务项属性")
            .Click(kTaskQuery)
            .Dialog("任务查询 - zhangsan")
            .Click(projects::query_ids::kPickUser)
            .Dialog("用户浏览 - 选择用户")
            .Select(1059, "lisi")
            .Click(IDOK)
            .Dialog("任务查询 - lisi")
            .Click(IDCANCEL);
        if (answer)
            user.Message("是否把负责人：zhangsan 更改为：lisi", answer);
        user.Dialog("项目/任务项属性").Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        return dlg.Manager;
    };
    EXPECT_EQ(run(1, IDYES), "lisi");
    EXPECT_EQ(run(1, IDNO), "zhangsan");
    EXPECT_EQ(run(0, 0), "zhangsan") << "a read-only item never asks";
}

TEST_P(ItemLinksTest, MembersOfANewProjectLockItsNumberAndGoWithACancel) {
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.IsProject = 1;
    dlg.ProjectPath = "项目管理";
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Set(kNumber, "P1")
        .Click(kMembers)
        .Message("相同编号的项目已存在，不能设置项目成员...", IDOK)
        .Set(kNumber, "P9")
        .Set(kName, "项目九")
        .Click(kMembers)
        .Message("设置项目成员将不再允许修改项目编号，是否继续?", IDYES)
        .Dialog("项目组成员管理")
        .Click(projects::team_ids::kAddMembers)
        .Dialog("用户浏览 - 选择组(多用户)")
        .Select(1059, "lisi")
        .Click(IDOK)
        .Dialog("项目组成员管理")
        .Click(IDCANCEL)
        .Dialog("项目/任务项属性")
        .Do([&](CDialog& d) {
            EXPECT_TRUE(NumberLocked(d));
            EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamGroup='P9'"), "1");
        })
        // The members this dialog stored do not keep it from its own number.
        .Click(kMembers)
        .Dialog("项目组成员管理")
        .Click(IDCANCEL)
        .Dialog("项目/任务项属性")
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamGroup='P9'"), "0");
}

TEST_P(ItemLinksTest, ANewProjectCannotLockTheNumberOfAnExistingTask) {
    // A cancel removes the rows stored under the locked number: those of an existing task must
    // never be among them.
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('P1-01', 'P1-01', 'P1-01#001'), "
               "('P1-01', 'P1-01', 'P1-01#002')");
    ws.Execute("INSERT INTO TaskExtDocument (TaskNo, DocType, FileName) VALUES ('P1-01', '外部', 'a.doc')");
    ws.Execute("INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) VALUES "
               "('P1', '_P', 'P1-01', 'lisi', 'N')");
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.IsProject = 1;
    dlg.ProjectPath = "项目管理";
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Set(kNumber, "P1-01")
        .Set(kName, "项目九")
        .Click(kMembers)
        .Message("相同编号的项目已存在，不能设置项目成员...", IDOK)
        .Click(kResources)
        .Message("相同编号的项目已存在，不能增加外部资源...", IDOK)
        .Check(kSimpleProject, 1)
        .Click(kSubdivide)
        .Message("相同编号的项目已存在，不能增加外部资源...", IDOK)
        .Do([](CDialog& d) { EXPECT_FALSE(NumberLocked(d)); })
        // Nor a number under which rows are stored without an item: they are not the dialog's.
        .Set(kNumber, "P8")
        .Click(kSubdivide)
        .Message("相同编号的项目已存在，不能增加外部资源...", IDOK)
        .Click(IDCANCEL);
    ws.Execute("INSERT INTO TaskExtDocument (TaskNo, DocType, FileName) VALUES ('P8', '外部', 'b.doc')");
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TeamWorkManage WHERE TaskNo='P1-01'"), "2");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TaskExtDocument WHERE TaskNo='P1-01'"), "1");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM DesignProjectTeam WHERE TeamGroup='P1-01'"), "1");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM TaskExtDocument WHERE TaskNo='P8'"), "1");
}

TEST_P(ItemLinksTest, OutsideResourcesOfANewProject) {
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.IsProject = 1;
    dlg.ProjectPath = "项目管理";
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Click(kResources)
        .Message("项目编号为空，不能增加外部资源...", IDOK)
        .Set(kNumber, "P1")
        .Click(kResources)
        .Message("相同编号的项目已存在，不能增加外部资源...", IDOK)
        .Set(kNumber, "P9")
        .Set(kName, "项目九")
        .Click(kResources)
        .Message("增加外部资源将不再允许修改项目编号，是否继续?", IDNO)
        .Do([](CDialog& d) { EXPECT_FALSE(NumberLocked(d)); })
        .Click(kResources)
        .Message("增加外部资源将不再允许修改项目编号，是否继续?", IDYES)
        .Dialog("任务资源管理")
        .Do([](CDialog& d) {
            auto& resources = static_cast<CTaskResourceDlg&>(d);
            EXPECT_EQ(resources.m_strTaskNo, "P9");
            EXPECT_EQ(resources.m_strTaskName, "项目九");
            EXPECT_EQ(resources.m_bWorkTask, 0);
            EXPECT_EQ(resources.m_bReadOnly, 0);
        })
        .Click(IDCANCEL)
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_TRUE(NumberLocked(d)); })
        // Locked: no second question.
        .Click(kResources)
        .Dialog("任务资源管理")
        .Click(IDCANCEL)
        .Dialog("项目/任务项属性")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ItemLinksTest, SubdivisionOfASimpleProject) {
    CProjectTaskItemDlg dlg;
    dlg.NewItem = 1;
    dlg.Editable = 1;
    dlg.IsProject = 1;
    dlg.ProjectPath = "项目管理";
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Check(kSimpleProject, 1)
        .Set(kNumber, "S9")
        .Set(kName, "简单九")
        .Set(kEndDate, "2099-03-15")
        .Click(kSubdivide)
        .Message("对简单项目进行工作任务细分将不再允许修改项目编号，是否继续?", IDYES)
        .Dialog("工作任务管理 - 简单九[S9]")
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<CTeamWorkManageDlg&>(d).ReadOnly, 0); })
        .Click(IDCANCEL)
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_TRUE(NumberLocked(d)); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ReadSetting("项目任务管理", "上级任务完成日期", ""), "2099-03-15");

    // Not editable, but the login is the manager: the work list may still be changed.
    for (const char* login : {"zhangsan", "lisi"}) {
        theApp.m_strLoginUser = login;
        CProjectTaskItemDlg existing;
        existing.ProjectNo = "S1";
        existing.Editable = 0;
        const int expected = CString(login) == "zhangsan" ? 0 : 1;
        vq::ScriptedUser user2;
        user2.Dialog("项目/任务项属性")
            .Click(kSubdivide)
            .Dialog("工作任务管理 - 简单甲[S1]")
            .Do([&](CDialog& d) {
                EXPECT_EQ(static_cast<CTeamWorkManageDlg&>(d).ReadOnly, expected) << login;
            })
            .Click(IDCANCEL)
            .Dialog("项目/任务项属性")
            .Click(IDCANCEL);
        existing.DoModal();
        EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    }
}

TEST_P(ItemLinksTest, ReviewFlowHandsBackItsTemplateAndAuditors) {
    CProjectTaskItemDlg dlg;
    dlg.ProjectNo = "P1-01";
    dlg.Editable = 1;
    vq::ScriptedUser user;
    user.Dialog("项目/任务项属性")
        .Click(kAuditFlow)
        .Dialog("提交评审 - 任务一[P1-01]")
        .Do([](CDialog& d) {
            auto& flow = static_cast<CTaskAuditFlowDlg&>(d);
            EXPECT_EQ(flow.m_strProjectPath, "项目甲\\");
            EXPECT_EQ(flow.m_bWriteToTask, 0);
            EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Select(CTaskAuditFlowDlg::kTemplateId, "会签")
        .Click(IDOK)
        .Dialog("项目/任务项属性")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.AuditingModel, "会签");
    EXPECT_EQ(dlg.AuditorName, "lisi|*|wangwu");
    EXPECT_EQ(ws.QueryText("SELECT AuditingModel FROM ProjectManage WHERE ProjectNo='P1-01'"), "旧模板")
        << "the item dialog stores, not the review flow";

    // A task under review shows its path read-only; one whose change was archived may edit it.
    for (const char* state : {"评审", "归档-更改"}) {
        ws.Execute(CString("UPDATE ProjectManage SET WorkState='") + state + "' WHERE ProjectNo='P1-01'");
        CProjectTaskItemDlg item;
        item.ProjectNo = "P1-01";
        item.Editable = 1;
        const bool editable = CString(state) == "归档-更改";
        vq::ScriptedUser user2;
        user2.Dialog("项目/任务项属性")
            .Click(kAuditFlow)
            .Dialog("提交评审 - 任务一[P1-01]")
            .Do([&](CDialog& d) {
                EXPECT_EQ(d.GetDlgItem(IDOK)->IsWindowEnabled() != FALSE, editable) << state;
            })
            .Click(IDCANCEL)
            .Dialog("项目/任务项属性")
            .Click(IDCANCEL);
        item.DoModal();
        EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    }
}

INSTANTIATE_TEST_SUITE_P(Dialects, ItemLinksTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
