// The design project management: the list and its filters, adding a project with its first work
// task, the refusals of deletion, the rights to change, and the entry function.
#include "projects/DesignProjectManageDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/DesignProjectManageIds.h"
#include "projects/ProjectTaskItemIds.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/MessageServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace projects::manage_ids;

namespace {

std::vector<std::string> Column(CDialog& d, int column) {
    auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(kProjectList));
    std::vector<std::string> out;
    for (int i = 0; i < list->GetItemCount(); ++i)
        out.push_back(list->GetItemText(i, column).str());
    return out;
}

bool Enabled(CDialog& d, int id) {
    return d.GetDlgItem(id)->IsWindowEnabled() != FALSE;
}

class DesignProjectManageTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        Login("zhangsan");
        ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('lisi', '李四'),"
                   "('admin', '系统管理员')");
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
                   "WorkState, TaskType, TaskAssigner) VALUES "
                   "('A1', 'A_', '项目管理', 'zhangsan', '2026-01-01 08:00', '未开始', 'V', 'zhangsan'),"
                   "('A2', 'AB', '项目管理', 'zhangsan', '2026-01-02 08:00', '未开始', 'V', 'lisi'),"
                   "('A2-01', '任务', 'AB\\', 'zhangsan', '2026-01-02 08:00', '未开始', 'V', 'lisi'),"
                   "('A3', '简单', '项目管理', 'zhangsan', '2026-01-03 08:00', '未开始', 'S', 'zhangsan'),"
                   "('A4', '进行', '项目管理', 'zhangsan', '2026-01-04 08:00', '正进行中', 'V', 'zhangsan'),"
                   "('B1', '已归档项目', '项目管理', 'lisi', '2026-01-05 08:00', '已归档', 'V', 'lisi')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('A3', 'A3', 'A3#001')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
    }
    void Login(const CString& account) {
        ws.WriteSetting("公共管理功能", "当前登陆用户帐号", account);
        theApp.m_strLoginUser = account;
    }

    vqtest::DbWorkspace ws{GetParam()};
};

} // namespace

TEST_P(DesignProjectManageTest, FiltersByManagerAndState) {
    CDesignProjectManageDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("设计项目管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 0), (std::vector<std::string>{"A1", "A2", "A3", "A4"}));
            EXPECT_TRUE(Enabled(d, kModifyProject));
        })
        .Select(kStateList, 2)
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0), (std::vector<std::string>{"A4"})); })
        .Set(kManagerEdit, "")
        .Select(kStateList, 7)
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0), (std::vector<std::string>{"A1", "A2", "A3", "A4"})); })
        .Select(kStateList, 0)
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 4).size(), 5u); })
        .Column(kProjectList, 0)
        .Column(kProjectList, 0)
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0).front(), "B1"); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 0);
}

TEST_P(DesignProjectManageTest, DeletionIsRefusedForStartedProjectsAndProjectsWithTasksOrWorks) {
    Login("lisi");
    ws.Execute("UPDATE ProjectManage SET TaskAssigner='lisi'");
    CDesignProjectManageDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("设计项目管理")
        .Set(kManagerEdit, "zhangsan")
        .Click(kRefresh)
        .Select(kProjectList, "A4")
        .Click(kDeleteProject)
        .Message("指定设计项目已开始，不能删除...", IDOK)
        .Select(kProjectList, "A2")
        .Click(kDeleteProject)
        .Message("选定的设计项目已分配工作，不能直接删除...", IDOK)
        .Select(kProjectList, "A3")
        .Click(kDeleteProject)
        .Message("选定的简单项目已经进行任务细分, 不能直接删除...", IDOK)
        // "A_" is not taken for a prefix of the tasks of "AB".
        .Select(kProjectList, "A1")
        .Click(kDeleteProject)
        .Message("是否要删除选中的设计项目?", IDNO)
        .Click(kDeleteProject)
        .Message("是否要删除选中的设计项目?", IDYES)
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0), (std::vector<std::string>{"A2", "A3", "A4"})); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 1);
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectNo='A1'"), "0");
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ProjectManage"), "5");
}

// What another client stores while "是否要删除选中的设计项目?" is open is judged after the answer on
// the stored rows: a task below the project, a first work task, a start, the project gone. Yes
// then deletes nothing and the refusal says what changed; the row stays in the list.
TEST_P(DesignProjectManageTest, WhatAnotherClientStoresWhileAskedRefusesTheDeletion) {
    struct Change {
        const char* what;
        const char* write;
        const char* refusal;
    };
    const Change changes[] = {
        {"a task",
         "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('A1-01', "
         "'任务', "
         "'A_\\', '未开始')",
         "选定的设计项目已分配工作，不能直接删除..."},
        {"a work task", "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('A1', 'A1', 'A1#001')",
         "选定的简单项目已经进行任务细分, 不能直接删除..."},
        {"started", "UPDATE ProjectManage SET WorkState='正进行中' WHERE ProjectNo='A1'",
         "指定设计项目已开始，不能删除..."},
        {"renamed", "UPDATE ProjectManage SET ProjectName='A_改' WHERE ProjectNo='A1'",
         "选定的设计项目已不存在，或其编号不能从数据库中确切读出，不能删除..."}};
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        CDesignProjectManageDlg dlg;
        vq::ScriptedUser user;
        user.Dialog("设计项目管理")
            .Select(kProjectList, "A1")
            .Click(kDeleteProject)
            .Message("是否要删除选中的设计项目?", IDYES)
            .Do([](CDialog& d) { EXPECT_EQ(Column(d, 0).front(), "A1"); })
            .Click(IDCANCEL);
        vqtest::MessageBoxRecorder boxes;
        boxes.WhenShown("是否要删除选中的设计项目?", [&] { ws.Execute(change.write); });
        boxes.Expect(change.refusal);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(dlg.Changed, 0);
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectNo='A1'"), "1");
        ws.Execute("DELETE FROM ProjectManage WHERE ProjectNo='A1-01'; DELETE FROM TeamWorkManage WHERE "
                   "WorkID='A1#001'; UPDATE ProjectManage SET WorkState='未开始', ProjectName='A_' WHERE "
                   "ProjectNo='A1'");
    }
}

// Another client stored a project under "A1 ", which the list reads as "A1", the number of
// project "A_": deleting it deletes neither.
TEST_P(DesignProjectManageTest, AProjectWhoseNumberReadsAsAnothersIsNotDeleted) {
    ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
               "WorkState, TaskType, TaskAssigner) VALUES ('A1 ', '另一项目', '项目管理', 'zhangsan', "
               "'2026-01-06 08:00', '未开始', 'V', 'zhangsan')");
    CDesignProjectManageDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("设计项目管理")
        .Do([](CDialog& d) { EXPECT_EQ(Column(d, 1)[1], "另一项目"); })
        .Select(kProjectList, 1)
        .Click(kDeleteProject)
        .Message("选定的设计项目已不存在，或其编号不能从数据库中确切读出，不能删除...", IDOK)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectNo IN ('A1', 'A1 ')"), "2");
}

// Projects whose names differ from another's only in case or width, stored by another client: a
// project without tasks is deleted beside its twin that has one, and the twin's rows stay; the
// twin is refused for its own task.
TEST_P(DesignProjectManageTest, AProjectWithoutTasksIsDeletedBesideItsCaseTwinWithTasks) {
    const std::pair<const char*, const char*> twins[] = {{"Pump", "PUMP"},         {"pump", "Pump"},
                                                         {"Ｐｕｍｐ", "ＰＵＭＰ"}, {"Pump", "Ｐｕｍｐ"},
                                                         {"Насос", "НАСОС"},       {"Αντλία", "ΑΝΤΛΊΑ"}};
    for (const auto& [name, twin] : twins) {
        SCOPED_TRACE(std::string(name) + " beside " + twin);
        ws.Execute("DELETE FROM ProjectManage WHERE ProjectNo LIKE 'C%'");
        ws.Execute(CString("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, "
                           "CreatedTime, WorkState, TaskType, TaskAssigner) VALUES "
                           "('C1', '") +
                   name +
                   "', '项目管理', 'zhangsan', '2026-02-01 08:00', '未开始', 'V', "
                   "'zhangsan'), ('C2', '" +
                   twin +
                   "', '项目管理', 'zhangsan', '2026-02-02 08:00', '未开始', 'V', "
                   "'zhangsan'), ('C2-01', '任务', '" +
                   twin +
                   "\\', 'zhangsan', '2026-02-02 08:00', '未开始', "
                   "'V', 'zhangsan')");
        CDesignProjectManageDlg dlg;
        vq::ScriptedUser user;
        user.Dialog("设计项目管理")
            .Select(kProjectList, "C2")
            .Click(kDeleteProject)
            .Message("选定的设计项目已分配工作，不能直接删除...", IDOK)
            .Select(kProjectList, "C1")
            .Click(kDeleteProject)
            .Message("是否要删除选中的设计项目?", IDYES)
            .Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectNo LIKE 'C%'"), "2");
        EXPECT_EQ(ws.QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectNo='C1'"), "0");
    }
}

TEST_P(DesignProjectManageTest, OnlyTheCreatorOrAdminChangesAProject) {
    CDesignProjectManageDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("设计项目管理")
        .Select(kProjectList, "A2")
        .Click(kDeleteProject)
        .Message("只有项目创建者或系统管理员能删除选定项目...", IDOK)
        .DoubleClick(kProjectList, "A2")
        .Message("只有项目创建者或系统管理员能修改属性...", IDOK)
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDCANCEL)
        .Dialog("设计项目管理")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(DesignProjectManageTest, AddingASimpleProjectStoresItsRowLogFirstWorkTaskAndTellsTheManager) {
    vqtest::MessageServer server;
    ws.WriteSetting("消息配置", "服务器名称", server.ServerName());
    ws.WriteSetting("消息配置", "自动连接消息服务器", "1");
    const CString end = (CTime::GetCurrentTime() + CTimeSpan(30, 0, 0, 0)).Format("%Y-%m-%d");
    ws.Execute("DELETE FROM ProjectManage");
    CDesignProjectManageDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("设计项目管理")
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, kModifyProject)); })
        .Click(kRefresh)
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, kDeleteProject)); })
        .Click(kAddProject)
        .Dialog("项目/任务项属性")
        .Set(projects::item_ids::kNumber, "N_1")
        .Set(projects::item_ids::kName, "新减速机")
        .Set(projects::item_ids::kEndDate, end)
        .Check(projects::item_ids::kSimpleProject, 1)
        .Check(projects::item_ids::kCreateWorkTask, 1)
        .Click(IDOK)
        .Dialog("设计项目管理")
        .Do([](CDialog& d) {
            EXPECT_EQ(Column(d, 0), (std::vector<std::string>{"N_1"}));
            EXPECT_EQ(Column(d, 4), (std::vector<std::string>{"未开始"}));
            EXPECT_TRUE(Enabled(d, kModifyProject));
            EXPECT_TRUE(Enabled(d, kDeleteProject));
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 1);
    EXPECT_EQ(ws.QueryText("SELECT TaskType FROM ProjectManage WHERE ProjectNo='N_1' AND ProjectPath='项目管理' "
                           "AND WorkState='未开始' AND TaskAssigner='zhangsan'"),
              "S");
    EXPECT_EQ(ws.QueryText("SELECT WorkType FROM TaskLogInformation WHERE ProjectNo='N_1'"), "分配任务");
    EXPECT_EQ(ws.QueryText("SELECT WorkID FROM TeamWorkManage WHERE TaskNo='N_1' AND UpWorkID='N_1' AND "
                           "WorkState='待确认' AND Manager='zhangsan'"),
              "N_1#001");
    EXPECT_EQ(ws.QueryText("SELECT LogPrompt FROM TeamWorkLog WHERE LogID='N_1#001'"),
              "给zhangsan分配新工作：N_1[N_1#001]");
    // The dialog's notice is a row and a message; the work task's notice is a message only.
    EXPECT_EQ(ws.QueryText("SELECT count(*) FROM MessageManage"), "1");
    ASSERT_TRUE(server.WaitForClosedSessions(2));
    const auto sessions = server.Sessions();
    ASSERT_EQ(sessions.size(), 2u);
    ASSERT_EQ(sessions[1].notices.size(), 1u);
    EXPECT_EQ(sessions[1].notices[0].second, "辛苦了，张三[zhangsan]给您分配了工作组工作任务：N_1[N_1#001]...");
}

TEST_P(DesignProjectManageTest, AddDisabledKeepsTheButtonsOffButDoubleClickStillOpensOrAsksForARow) {
    CDesignProjectManageDlg dlg;
    dlg.AddDisabled = 1;
    vq::ScriptedUser user;
    user.Dialog("设计项目管理")
        .Do([](CDialog& d) {
            EXPECT_FALSE(Enabled(d, kAddProject));
            EXPECT_FALSE(Enabled(d, kModifyProject));
            EXPECT_FALSE(Enabled(d, kDeleteProject));
            // A double click below the rows leaves no row selected.
            dynamic_cast<CListCtrl*>(d.GetDlgItem(kProjectList))->UserDoubleClick(-1);
        })
        .Message("请选择指定的设计项目项...", IDOK)
        .DoubleClick(kProjectList, "A1")
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDCANCEL)
        .Dialog("设计项目管理")
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, DesignProjectManageTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
