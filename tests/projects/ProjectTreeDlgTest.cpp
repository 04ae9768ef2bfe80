// The work breakdown and the structure display of a project: the trees built from task paths
// (grouped without regard to letter case) and work numbers, dividing a node into a task with its
// first work task (also when another client took the proposed number, or the store fails),
// modifying and deleting tasks with their rights, and the read-only mode.
#include "core/VqDesignTaskApp.h"
#include "platform/base/Time.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/AssignProjectTaskDlg.h"
#include "projects/ProjectStructDlg.h"
#include "projects/ProjectTaskItemIds.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

// One node as "text:image", children in brackets.
CString Describe(CTreeCursor node) {
    CString text;
    text.Format("%s:%d", node.GetText(), node.GetImage());
    CTreeCursor child = node.GetChild();
    if (child.m_item) {
        text += "[";
        for (bool first = true; child.m_item; child = child.GetNext(), first = false)
            text += (first ? "" : ",") + Describe(child);
        text += "]";
    }
    return text;
}

// Project A (P, manager zhangsan, created by lisi): T1 (P-01, a work-group task with sub-task
// T11), T2 (P-02), and T3 (P-03) whose path was stored in lower case.
const char* const kProject =
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, WorkState, "
    "TaskType, TaskAssigner) VALUES ('P', 'A', '项目管理', 'zhangsan', '2099-12-31', '未开始', 'V', 'lisi');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, WorkState, "
    "TaskType) VALUES ('P-01', 'T1', 'A\\', 'wangwu', '2099-12-31', '未开始', 't');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, WorkState, "
    "TaskType) VALUES ('P-02', 'T2', 'A\\', 'zhangsan', '2099-12-31', '未开始', 'V');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, WorkState, "
    "TaskType) VALUES ('P-01-01', 'T11', 'A\\T1\\', 'wangwu', '2099-12-31', '未开始', 'V');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, PreendedTime, WorkState, "
    "TaskType) VALUES ('P-03', 'T3', 'a\\', 'zhangsan', '2099-12-31', '未开始', 'V');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('PX', 'A', '项目管理', "
    "'未开始');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('PX-01', 'X', 'A\\', "
    "'未开始');"
    "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三')";

const char* const kWorks =
    "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkType) VALUES ('P-01', 'P-01', "
    "'P-01#001', '箱体', 'W');"
    "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkType) VALUES ('P-01', 'P-01#001', "
    "'P-01#001#001', '箱盖', 'V');"
    // WorkID is unique, so two works can only name each other as parents out of the tree's reach.
    "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkType) VALUES ('P-01', "
    "'P-01#009', 'P-01#008', '循环', 'V');"
    "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkType) VALUES ('P-01', "
    "'P-01#008', 'P-01#009', '循环', 'V');"
    "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkType) VALUES ('P', 'P', 'P#001', "
    "'简单', 'W')";

const CString kRoot = "项目：A[P] ...";
const CString kTree = kRoot + ":2[T1 [P-01]:6[T11 [P-01-01]:4],T2 [P-02]:4,T3 [P-03]:4]";

class ProjectTreeTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        m_oldUser = theApp.m_strLoginUser;
        Login("zhangsan");
        ws->Execute(kProject);
    }
    void TearDown() override {
        theApp.m_strLoginUser = m_oldUser;
        theApp.m_pFtpConnection = nullptr;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        connection.reset();
        server.reset();
        ws.reset();
    }
    void Login(const CString& account) {
        ws->WriteSetting("公共管理功能", "当前登陆用户帐号", account);
        theApp.m_strLoginUser = account;
    }
    void StartFtp() {
        server.emplace();
        ASSERT_TRUE(server->IsRunning());
        for (const char* folder : {"Vq/Working", "Vq/Auditing", "Vq/Proven"})
            server->MakeFolder(folder);
        connection.reset(session.GetFtpConnection(server->Host(), server->User(), server->Password(),
                                                  static_cast<INTERNET_PORT>(server->Port())));
        ASSERT_TRUE(connection);
        theApp.m_pFtpConnection = connection.get();
    }
    CString Query(const CString& sql) { return ws->QueryText(sql); }

    std::optional<vqtest::DbWorkspace> ws;
    std::optional<vqtest::FtpServer> server;
    CInternetSession session{"vqtest"};
    std::unique_ptr<CFtpConnection> connection;
    CString m_oldUser;
};

bool Enabled(CDialog& d, int id) {
    return d.GetDlgItem(id)->IsWindowEnabled() != FALSE;
}

TEST_P(ProjectTreeTest, StructureShowsWorksBeforeSubTasksAndNoWorksOfTheProjectItself) {
    ws->Execute(kWorks);
    CString tree;
    vq::ScriptedUser user;
    user.Dialog("设计项目结构显示")
        .Do([&](CDialog& d) { tree = Describe(static_cast<CProjectStructDlg&>(d).m_tree.GetRootItem()); })
        .RightClick(CProjectStructDlg::kTreeId, kRoot + "/T1 [P-01]")
        .Menu(1)
        .Do([&](CDialog& d) {
            auto& t = static_cast<CProjectStructDlg&>(d).m_tree;
            CTreeCursor work = t.GetRootItem().GetChild().GetChild();
            EXPECT_EQ(work.GetText(), "箱体 [P-01#001]");
            EXPECT_TRUE(t.GetItemState(work, TVIS_EXPANDED) & TVIS_EXPANDED);
        })
        .Click(IDCANCEL);
    CProjectStructDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, kRoot + ":2[T1 [P-01]:6[箱体 [P-01#001]:10[箱盖 [P-01#001#001]:8],T11 [P-01-01]:4],T2 [P-02]:4,T3 [P-03]:4]");
}

TEST_P(ProjectTreeTest, BreakdownTreeFollowsPathsWhateverTheirLetterCase) {
    CString tree;
    bool pickShown = true;
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Do([&](CDialog& d) {
            tree = Describe(static_cast<CAssignProjectTaskDlg&>(d).m_tree.GetRootItem());
            pickShown = d.GetDlgItem(CAssignProjectTaskDlg::kPickProjectId)->IsWindowVisible() != FALSE;
        })
        // A node with children and the root open nothing on a double click.
        .DoubleClick(CAssignProjectTaskDlg::kTreeId, kRoot)
        .DoubleClick(CAssignProjectTaskDlg::kTreeId, kRoot + "/T1 [P-01]")
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, kTree);
    EXPECT_FALSE(pickShown);
    EXPECT_EQ(dlg.Changed, 0);
}

// A breakdown far wider than a person lists by hand: every sub-task is in the tree, and building
// it shows no message at all (a message per node would bury the dialog).
TEST_P(ProjectTreeTest, BreakdownOfThousandsOfSubTasksShowsWholeWithoutMessages) {
    constexpr int kWide = 1600, kDeep = 40;
    CString rows;
    for (int i = 0; i < kWide; ++i) {
        CString row;
        row.Format("%s('P-02-%04d', 'S%04d', 'A\\T2\\', '未开始', 'V')", i ? "," : "", i, i);
        rows += row;
    }
    // A chain below the first sub-task, so that the wide level waits while the deep one is built.
    CString path = "A\\T2\\S0000\\";
    for (int i = 0; i < kDeep; ++i) {
        CString row;
        row.Format(",('P-D%02d', 'D%02d', '%s', '未开始', 'V')", i, i, path.c_str());
        rows += row;
        path += CString(vq::FormatV("D%02d\\", i));
    }
    ws->Execute(
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState, TaskType) VALUES " +
        rows);
    int wide = 0, deep = 0;
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Do([&](CDialog& d) {
            CTreeCursor t2 = static_cast<CAssignProjectTaskDlg&>(d).m_tree.GetRootItem().GetChild().GetNext();
            EXPECT_EQ(t2.GetText(), "T2 [P-02]");
            for (CTreeCursor c = t2.GetChild(); c.m_item; c = c.GetNext())
                ++wide;
            for (CTreeCursor c = t2.GetChild().GetChild(); c.m_item; c = c.GetChild())
                ++deep;
        })
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(wide, kWide);
    EXPECT_EQ(deep, kDeep);
}

TEST_P(ProjectTreeTest, DividingStoresTheTaskWithItsFirstWorkTask) {
    const CString end = (CTime::GetCurrentTime() + CTimeSpan(30, 0, 0, 0)).Format("%Y-%m-%d");
    CString tree;
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Tree(CAssignProjectTaskDlg::kTreeId, kRoot + "/T2 [P-02]")
        .Click("划分任务...")
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { d.SetDlgItemText(projects::item_ids::kNumber, "P-02-01"); })
        .Set(projects::item_ids::kName, "新任务")
        .Set(projects::item_ids::kEndDate, end)
        .Select(projects::item_ids::kTaskType, 1)
        // The item dialog offers "创建任务" for simple projects; the box is ticked as it would be.
        .Do([](CDialog& d) { d.CheckDlgButton(projects::item_ids::kCreateWorkTask, BST_CHECKED); })
        .Click(IDOK)
        .Dialog("设计项目结构管理 — WBS分解")
        .Do([&](CDialog& d) { tree = Describe(static_cast<CAssignProjectTaskDlg&>(d).m_tree.GetRootItem()); })
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 1);
    EXPECT_EQ(tree, kRoot + ":2[T1 [P-01]:6[T11 [P-01-01]:4],T2 [P-02]:4[新任务 [P-02-01]:6],T3 [P-03]:4]");
    EXPECT_EQ(Query("SELECT TaskType FROM ProjectManage WHERE ProjectNo='P-02-01' AND ProjectPath='A\\T2\\' AND "
                    "WorkState='未开始' AND TaskAssigner='zhangsan'"),
              "T");
    EXPECT_EQ(Query("SELECT WorkType FROM TaskLogInformation WHERE ProjectNo='P-02-01'"), "分配任务");
    EXPECT_EQ(Query("SELECT WorkState FROM TeamWorkManage WHERE WorkID='P-02-01#001' AND TaskNo='P-02-01' AND "
                    "UpWorkID='P-02-01' AND WorkType='W' AND BeginNum=1 AND EndNum=9999"),
              "待确认");
    EXPECT_EQ(Query("SELECT LogPrompt FROM TeamWorkLog WHERE LogID='P-02-01#001'"),
              "给张三分配新工作：P-02-01[P-02-01#001]");
}

// Another client stores a task under the number the dialog proposed while it is open: the task
// is stored under the next free number, and the log and the notice name that number.
TEST_P(ProjectTreeTest, DividingTakesTheNextNumberWhenAnotherClientStoredTheProposedOne) {
    const CString end = (CTime::GetCurrentTime() + CTimeSpan(30, 0, 0, 0)).Format("%Y-%m-%d");
    CString proposed, tree;
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Tree(CAssignProjectTaskDlg::kTreeId, kRoot + "/T2 [P-02]")
        .Click("划分任务...")
        .Dialog("项目/任务项属性")
        .Do([&](CDialog& d) {
            d.GetDlgItemText(projects::item_ids::kNumber, proposed);
            ws->Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
                        "TaskType) VALUES ('P-02-01', '别人的任务', 'A\\T2\\', 'lisi', '未开始', 'V')");
        })
        .Set(projects::item_ids::kName, "新任务")
        .Set(projects::item_ids::kEndDate, end)
        .Click(IDOK)
        .Dialog("设计项目结构管理 — WBS分解")
        .Do([&](CDialog& d) { tree = Describe(static_cast<CAssignProjectTaskDlg&>(d).m_tree.GetRootItem()); })
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(proposed, "P-02-01");
    EXPECT_EQ(dlg.Changed, 1);
    EXPECT_EQ(tree, kRoot + ":2[T1 [P-01]:6[T11 [P-01-01]:4],T2 [P-02]:4[新任务 [P-02-02]:4],T3 [P-03]:4]");
    EXPECT_EQ(Query("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='P-02-01'"), "别人的任务");
    EXPECT_EQ(Query("SELECT ProjectNo FROM ProjectManage WHERE ProjectName='新任务'"), "P-02-02");
    EXPECT_EQ(Query("SELECT ProjectNo FROM TaskLogInformation WHERE WorkType='分配任务'"), "P-02-02");
    EXPECT_EQ(Query("SELECT PartCode FROM LogInformation WHERE Operation='增加任务属性'"), "P-02-02");
    EXPECT_EQ(Query("SELECT Content FROM MessageManage WHERE Reseiver='zhangsan'"),
              "辛苦了，项目上级张三给您分配了项目任务：新任务[P-02-02]...");
    // The number is a key: a second row with it is refused whatever its letter case.
    _ConnectionPtr other = ws->Connect();
    EXPECT_THROW(other->Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath) VALUES "
                                "('p-02-02', '重复', 'A\\T2\\')",
                                nullptr, adCmdText),
                 _com_error);
}

// The insert of the new task fails (on the server its session ends in the middle of it): the
// task was never stored, so nobody is told of it and no operation is logged.
TEST_P(ProjectTreeTest, DividingWhoseStoreFailsIsNeitherLoggedNorAnnounced) {
    _ConnectionPtr admin = ws->Connect();
    if (vqtest::DbWorkspace::OnPostgreSQL()) {
        admin->Execute("CREATE FUNCTION end_own_session() RETURNS trigger LANGUAGE plpgsql AS "
                       "'BEGIN PERFORM pg_terminate_backend(pg_backend_pid()); RETURN NEW; END'",
                       nullptr, adCmdText);
        admin->Execute("CREATE TRIGGER end_session BEFORE INSERT ON ProjectManage FOR EACH ROW EXECUTE FUNCTION "
                       "end_own_session()",
                       nullptr, adCmdText);
    } else {
        admin->Execute("CREATE TRIGGER end_session BEFORE INSERT ON ProjectManage BEGIN SELECT RAISE(ABORT, "
                       "'session ended'); END",
                       nullptr, adCmdText);
    }
    const CString end = (CTime::GetCurrentTime() + CTimeSpan(30, 0, 0, 0)).Format("%Y-%m-%d");
    CString tree;
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Tree(CAssignProjectTaskDlg::kTreeId, kRoot + "/T2 [P-02]")
        .Click("划分任务...")
        .Dialog("项目/任务项属性")
        .Set(projects::item_ids::kName, "任务甲")
        .Set(projects::item_ids::kEndDate, end)
        .Click(IDOK);
    if (vqtest::DbWorkspace::OnPostgreSQL())
        user.MessageContaining("与数据库的连接已断开", IDOK); // a lost session is said once
    else
        user.AnyMessage(IDOK) // the database's error
            .AnyMessage(IDOK); // what it means
    user.Dialog("设计项目结构管理 — WBS分解")
        .Do([&](CDialog& d) { tree = Describe(static_cast<CAssignProjectTaskDlg&>(d).m_tree.GetRootItem()); })
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 0);
    EXPECT_EQ(tree, kTree);
    EXPECT_EQ(Query("SELECT count(*) FROM ProjectManage WHERE ProjectName='任务甲'"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM MessageManage"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM LogInformation WHERE Operation='增加任务属性'"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM TaskLogInformation"), "0");
}

// The server restarts under the open window: the command that meets the lost session says so,
// and only that (not that the user is not the task's manager); the next command opens the
// connection again and works.
TEST_P(ProjectTreeTest, ALostSessionIsSaidOnceAndTheNextCommandWorksAgain) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    theApp.m_bConnectionLost = FALSE;
    const CString lost = "与数据库的连接已断开，操作不能继续。";
    auto endSession = [this](CDialog&) { ws->EndSession(theApp.m_pConnPDM); };
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Tree(CAssignProjectTaskDlg::kTreeId, kRoot + "/T2 [P-02]")
        .Do(endSession)
        .Click("划分任务...")
        .Message(lost, IDOK)
        .Click("划分任务...")
        .Dialog("项目/任务项属性")
        .Click(IDCANCEL)
        .Do(endSession)
        .Click("删除任务...")
        .Message(lost, IDOK)
        .Click("删除任务...")
        .DialogContaining("数据删除确认")
        .Click(IDCANCEL)
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(theApp.m_bConnectionLost);
    EXPECT_EQ(Query("SELECT count(*) FROM ProjectManage WHERE ProjectNo='P-02'"), "1");
}

TEST_P(ProjectTreeTest, DividingIsRefusedForWorkGroupTasksAndOtherManagers) {
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Tree(CAssignProjectTaskDlg::kTreeId, kRoot + "/T1 [P-01]")
        .Click("划分任务...")
        .Message("指定项目节点为实项目任务，不能再进行划分...", IDOK)
        .Tree(CAssignProjectTaskDlg::kTreeId, kRoot + "/T1 [P-01]/T11 [P-01-01]")
        .Click("划分任务...")
        .Message("非您负责的项目任务，不能进行任务划分...", IDOK)
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM ProjectManage"), "7");

    Login("admin"); // no exemption for dividing
    vq::ScriptedUser admin;
    admin.Dialog("设计项目结构管理 — WBS分解")
        .Click("划分任务...")
        .Message("非您负责的项目任务，不能进行任务划分...", IDOK)
        .Click(IDCANCEL);
    CAssignProjectTaskDlg asAdmin;
    asAdmin.ProjectNo = "P";
    asAdmin.DoModal();
    EXPECT_TRUE(admin.Succeeded()) << admin.Error().c_str();
}

TEST_P(ProjectTreeTest, ReadOnlyModeOffersNoCommandThatChangesData) {
    std::vector<std::pair<int, bool>> states;
    vq::ScriptedUser user;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Do([&](CDialog& d) {
            for (int id : {CAssignProjectTaskDlg::kDivideId, CAssignProjectTaskDlg::kModifyId,
                           CAssignProjectTaskDlg::kDeleteId, CAssignProjectTaskDlg::kMembersId})
                EXPECT_FALSE(Enabled(d, id)) << id;
        })
        .Tree(CAssignProjectTaskDlg::kTreeId, kRoot + "/T2 [P-02]")
        .Do([&](CDialog& d) {
            EXPECT_TRUE(Enabled(d, CAssignProjectTaskDlg::kModifyId));
            EXPECT_FALSE(Enabled(d, CAssignProjectTaskDlg::kDeleteId));
            EXPECT_FALSE(Enabled(d, CAssignProjectTaskDlg::kDivideId));
        })
        // The menu offers expanding and looking at the properties only: command 1504 (divide)
        // and 1506 (delete) are not in it.
        .RightClick(CAssignProjectTaskDlg::kTreeId, kRoot + "/T2 [P-02]")
        .Menu(CAssignProjectTaskDlg::kModifyId)
        .Dialog("项目/任务项属性")
        .Do([](CDialog& d) { EXPECT_FALSE(Enabled(d, IDOK)); })
        .Click(IDCANCEL)
        .Dialog("设计项目结构管理 — WBS分解")
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.ReadOnly = 1;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 0);
}

TEST_P(ProjectTreeTest, ModifyingATaskRenamesItsNode) {
    vq::ScriptedUser user;
    CString tree;
    user.Dialog("设计项目结构管理 — WBS分解")
        .DoubleClick(CAssignProjectTaskDlg::kTreeId, kRoot + "/T2 [P-02]")
        .Dialog("项目/任务项属性")
        .Set(projects::item_ids::kName, "T2改")
        .Click(IDOK)
        .Dialog("设计项目结构管理 — WBS分解")
        .Do([&](CDialog& d) { tree = Describe(static_cast<CAssignProjectTaskDlg&>(d).m_tree.GetRootItem()); })
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 1);
    EXPECT_EQ(tree, kRoot + ":2[T1 [P-01]:6[T11 [P-01-01]:4],T2改 [P-02]:4,T3 [P-03]:4]");
    EXPECT_EQ(Query("SELECT ProjectName FROM ProjectManage WHERE ProjectNo='P-02'"), "T2改");
}

TEST_P(ProjectTreeTest, DeletingATaskRemovesItsSubtreeAndLogsIt) {
    StartFtp();
    server->WriteFile("Vq/Working/P-01-01/A/x.dwg", "x");
    // Only the manager of the parent node deletes: wangwu manages T1, zhangsan the project.
    vq::ScriptedUser user;
    CString tree;
    user.Dialog("设计项目结构管理 — WBS分解")
        .Tree(CAssignProjectTaskDlg::kTreeId, kRoot + "/T1 [P-01]/T11 [P-01-01]")
        .Click("删除任务...")
        .Message("非上级任务负责人，不能删除指定任务...", IDOK)
        .Tree(CAssignProjectTaskDlg::kTreeId, kRoot + "/T1 [P-01]")
        .Click("删除任务...")
        .Dialog("数据删除确认 - 项目")
        .Click(IDOK)
        .Message("删除将不可再恢复，是否真的要删除?", IDYES)
        .Dialog("设计项目结构管理 — WBS分解")
        .Do([&](CDialog& d) { tree = Describe(static_cast<CAssignProjectTaskDlg&>(d).m_tree.GetRootItem()); })
        .Click(IDCANCEL);
    CAssignProjectTaskDlg dlg;
    dlg.ProjectNo = "P";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.Changed, 1);
    EXPECT_EQ(tree, kRoot + ":2[T2 [P-02]:4,T3 [P-03]:4]");
    EXPECT_EQ(Query("SELECT count(*) FROM ProjectManage WHERE ProjectNo LIKE 'P-01%'"), "0");
    EXPECT_FALSE(server->Exists("Vq/Working/P-01-01"));
    EXPECT_EQ(Query("SELECT Operation FROM LogInformation WHERE LogType='删除'"), "删除子项目");
}

INSTANTIATE_TEST_SUITE_P(Dialects, ProjectTreeTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);

} // namespace
