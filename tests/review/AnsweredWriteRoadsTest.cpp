// Every road that asks a question and then writes, in one table, in both dialects: another client
// writes what the question was about while the question is open, the person answers Yes, and
// nothing of the person's write is stored; one box says what changed. The roads' own tests go
// through their refusals one by one; this table keeps each road under the same rule.
#include "changeorders/ECOChangeItemDlg.h"
#include "changeorders/ECOChangeLableMaintainDlg.h"
#include "changeorders/ECONextAuditTaskDlg.h"
#include "changeorders/PartChangeLableMaintainDlg.h"
#include "core/VqDesignTaskApp.h"
#include "parts/BorrowRelationDlg.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/DataDeleteConfirmDlg.h"
#include "projects/DesignProjectManageDlg.h"
#include "projects/DesignProjectManageIds.h"
#include "projects/ProjectTeamDlg.h"
#include "projects/ProjectTeamIds.h"
#include "review/AssistAuditDlg.h"
#include "review/AuditFlowEngine.h"
#include "review/AuditOpinionDlg.h"
#include "review/DesignFileAuditSender.h"
#include "review/ProjectTaskAuditDlg.h"
#include "review/WorkDocAuditResultDlg.h"
#include "teamwork/DeleteWorkCascade.h"
#include "teamwork/TaskPartDlg.h"
#include "teamwork/TaskResourceDlg.h"
#include "teamwork/TeamWorkTaskStateDlg.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

using Ws = vqtest::DbWorkspace;

struct Road {
    const char* name;
    void (*setUp)(Ws&); // the rows when the road opens
    // The person's actions, the question answered Yes among them; a question that is a dialog of
    // its own runs the other client's write itself while it is open.
    void (*script)(vq::ScriptedUser&, const std::function<void()>& write);
    void (*open)();       // opens the road
    const char* question; // the box asked; nullptr: the question is a dialog
    void (*write)(Ws&);   // another client's, while the question is open
    const char* refusal;  // nullptr: refused without a box
    const char* check;    // a query of what the person's write would have changed
    const char* expected; // its value afterwards
};

void Users(Ws& ws) {
    ws.Execute(
        "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三'), ('lisi', '李四'), "
        "('zhaoliu', '赵六'), ('admin', '管理员')");
}

// A work task T1#001 below project task T1 of project P1, managed by zhangsan.
void WorkTask(Ws& ws, const char* state) {
    Users(ws);
    ws.Execute(
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
        "TaskType) "
        "VALUES ('P1', '项目甲', '项目管理', 'zhangsan', '正进行中', 'V'), ('T1', '任务一', '项目甲\\', "
        "'zhangsan', '正进行中', 'T')");
    CString sql;
    sql.Format(
        "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType, WorkState) "
        "VALUES ('T1', 'T1', 'T1#001', 'zhangsan', '箱体设计', 'W', '%s')",
        state);
    ws.Execute(sql);
}

void Sql(Ws& ws, const char* sql) {
    ws.Execute(sql);
}

// A temporary change notice C-1 of zhangsan with the label a on its drawing 箱盖图.
void LabelledNotice(Ws& ws) {
    Users(ws);
    Sql(ws, "INSERT INTO ECOChangeManage (ECONo, SaveUser, State) VALUES ('C-1', '张三', '临时')");
    Sql(ws,
        "INSERT INTO ECOFileChangeLabel VALUES ('更改单', 'C-1', '箱盖图', 'a', '2B', '1', 'F-1', '张三', "
        "'2026-11-02', '', '', '', '50.000000', '50.000000', '250.000000', '210.000000')");
}

// The project group of P: zhangsan its leader, lisi a member.
void ProjectGroup(Ws& ws) {
    Users(ws);
    Sql(ws,
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
        "TaskType, TaskAssigner) VALUES ('P', '项目', '项目管理', 'zhangsan', '未开始', 'V', 'zhangsan')");
    Sql(ws, "INSERT INTO DesignProjectTeam (ProjectNo, TeamType, TeamGroup, TeamUser, IsLeader) VALUES ('P', "
            "'_P', 'P', 'zhangsan', 'Y'), ('P', '_P', 'P', 'lisi', 'N')");
}

void OpenProjectGroup() {
    CProjectTeamDlg dlg;
    dlg.m_strProjectNo = "P";
    dlg.DoModal();
}

void DeleteNoticeLabel(vq::ScriptedUser& user, const std::function<void()>&) {
    user.Dialog("设计更改标记管理")
        .Select(CECOChangeLableMaintainDlg::kListId, "a")
        .Click("删除...")
        .Message("是否真的要删除选中的更改标记项?", IDYES)
        .Click("退出");
}

void OpenNoticeLabels() {
    CECOChangeLableMaintainDlg dlg;
    dlg.m_strECOGroup = "更改单";
    dlg.m_strECONo = "C-1";
    dlg.m_strDocType = "箱盖图";
    dlg.DoModal();
}

// An open assisting-review task 校对[1] of lisi on the step 校对[N] of the change order C-1.
void AssistingTask(Ws& ws) {
    Users(ws);
    Sql(ws, "INSERT INTO ECONextAuditManage (ECOGroup, ECONo, UpAuditName, Assigner, AuditName, Auditor, "
            "BeginTime, AuditState) VALUES ('更改单', 'C-1', '校对[N]', 'zhangsan', '校对[1]', 'lisi', "
            "'2026-11-01', '未完成')");
}

void OpenAssistingTasks() {
    CECONextAuditTaskDlg dlg;
    dlg.m_strECOGroup = "更改单";
    dlg.m_strECONo = "C-1";
    dlg.m_strUpAuditName = "校对[N]";
    dlg.DoModal();
}

void RestartAssistingTask(vq::ScriptedUser& user, const std::function<void()>&) {
    user.Dialog("更改单—协助评审任务管理")
        .Select(CECONextAuditTaskDlg::kListId, "校对[1]")
        .Click(CECONextAuditTaskDlg::kReReviewId)
        .Message("是否要重新启动选中的协助评审任务?", IDYES)
        .Click("退出");
}

// A finished assisting review 会审[1] of lisi on the open step 会审[N] of the document F-1 under review.
void WorkAssistingTask(Ws& ws) {
    Users(ws);
    Sql(ws, "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State) VALUES ('F-1', "
            "'XM-01#001', "
            "'箱盖零件图', 'a.dwg', '评审')");
    Sql(ws,
        "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State) VALUES ('F-1', '会审[N]', 'zhangsan', "
        "'未完成')");
    Sql(ws,
        "INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, Assigner, AuditTask, Auditor, State, Result) "
        "VALUES ('F-1', '会审[N]', 'zhangsan', '会审[1]', 'lisi', '已完成', '通过')");
}

void OpenWorkAssistingTasks() {
    CAssistAuditDlg dlg(nullptr);
    dlg.FileID = "F-1";
    dlg.UpAuditName = "会审[N]";
    dlg.DoModal();
}

// The document F-1 under review on a two-level path; its first step 校对 is lisi's and open.
void DocumentUnderReview(Ws& ws) {
    Users(ws);
    Sql(ws, "INSERT INTO TeamWorkManage (TaskNo, WorkID, Manager, WorkName) VALUES ('XM-01', 'XM-01#001', "
            "'zhangsan', '箱体部件设计')");
    Sql(ws,
        "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级评审', '混合', "
        "'校对(40,20)|*|审核(40,110)')");
    Sql(ws, "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
            "AuditorName, "
            "AuditingType) VALUES ('F-1', 'XM-01#001', '箱盖说明', 'a.txt', '评审', '两级评审', "
            "'lisi|*|zhaoliu', "
            "'混合')");
    Sql(ws,
        "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Manager, Working) VALUES "
        "('F-1', '校对', 'lisi', '2026-12-01 10:00', '未完成', 'lisi', 'F')");
}

// The superior hands 校对 over to zhaoliu.
void HandOverDocumentStep(Ws& ws) {
    Sql(ws, "UPDATE TeamWorkAudit SET Auditor='zhaoliu', Manager='zhaoliu' WHERE AuditTask='校对'");
    Sql(ws, "UPDATE TeamWorkResult SET AuditorName='zhaoliu|*|zhaoliu'");
}

// A second window of lisi passes 校对.
void PassDocumentStepElsewhere(Ws& ws) {
    Sql(ws, "UPDATE TeamWorkAudit SET State='已完成', Result='通过', Prompt='可以', Manager='lisi' WHERE "
            "AuditTask='校对'");
}

// lisi decides 校对 in the opinion dialog, which then cannot decide it again; another client
// writes between the window's read of the step and the decision.
void DecideDocumentStep(vq::ScriptedUser& user, const std::function<void()>& write, int choice) {
    user.Dialog("评审意见")
        .Set(CAuditOpinionDlg::kOpinionId, "迟到的意见")
        .Check(choice, 1)
        .Do([write](CDialog&) { CAuditFlowEngine::s_beforeNextDecision = write; })
        .Click(IDOK)
        .Dialog("评审意见")
        .Do([](CDialog& dialog) { EXPECT_FALSE(dialog.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDCANCEL);
}

void OpenDocumentStep() {
    theApp.m_strLoginUser = "lisi";
    CAuditOpinionDlg dlg(nullptr);
    dlg.m_strFileID = "F-1";
    dlg.m_strAuditTask = "校对";
    dlg.DoModal();
    EXPECT_EQ(dlg.m_bSaved, 0);
}

// The project task P-1 under review; its step 校对 is lisi's and open.
void ProjectTaskUnderReview(Ws& ws) {
    Users(ws);
    Sql(ws,
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
        "AuditingModel, AuditorName) VALUES ('P-1', '泵体设计', '项目\\', 'zhangsan', '评审', '两级评审', "
        "'lisi|*|zhaoliu')");
    Sql(ws,
        "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级评审', '串联', "
        "'校对(40,20)|*|审核(40,110)')");
    Sql(ws, "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, "
            "AuditManager) VALUES ('P-1', '校对', 'lisi', '2026-12-01', '未完成', 'F', 'lisi')");
    Sql(ws, "INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, "
            "FileRemark) VALUES ('P-1', '总图', 'total.dwg', 'AutoCAD 图形', '12KB', '2026-11-30', '')");
}

// lisi decides 校对 of the project task with the document passed; another client writes between
// the window's read of the step and the decision. Refused, the window takes no decision again.
void DecideProjectTaskStep(vq::ScriptedUser& user, const std::function<void()>& write, int choice) {
    user.DialogContaining("评审意见")
        .Select(CProjectTaskAuditDlg::kDocumentsId, "总图")
        .Click(CProjectTaskAuditDlg::kToPassedId)
        .Set(CProjectTaskAuditDlg::kRemarkId, "迟到的备注")
        .Check(choice, 1)
        .Do([write](CDialog&) { CAuditFlowEngine::s_beforeNextDecision = write; })
        .Click(IDOK)
        .DialogContaining("评审意见")
        .Do([](CDialog& dialog) { EXPECT_FALSE(dialog.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
}

// The file server of the project-task roads while the window is open, for the other client's write.
vqtest::FtpServer* g_projectTaskServer = nullptr;
constexpr const char* kOtherOpinion = "另一个窗口的意见";

void OpenProjectTaskStep() {
    // The window needs the file server's connection; a decision uploads its opinion there.
    vqtest::FtpServer server;
    server.MakeFolder("Vq/Auditing");
    g_projectTaskServer = &server;
    CInternetSession session("vqtest");
    std::unique_ptr<CFtpConnection> connection(session.GetFtpConnection(
        server.Host(), server.User(), server.Password(), static_cast<INTERNET_PORT>(server.Port())));
    ASSERT_TRUE(connection);
    theApp.m_pFtpConnection = connection.get();
    theApp.m_strLoginUser = "lisi";
    CProjectTaskAuditDlg dlg;
    dlg.m_strTaskNo = "P-1";
    dlg.m_strStepName = "校对";
    dlg.m_strReviewer = "lisi";
    dlg.DoModal();
    theApp.m_pFtpConnection = nullptr;
    g_projectTaskServer = nullptr;
    // A refused decision leaves no opinion file of its own on the server, and another window's
    // opinion keeps its place.
    if (server.Exists("Vq/Auditing/P-1/校对.rtf")) {
        EXPECT_EQ(server.ReadFile("Vq/Auditing/P-1/校对.rtf"), kOtherOpinion);
    }
    std::vector<std::string> names;
    if (server.IsFolder("Vq/Auditing/P-1"))
        for (const auto& entry :
             std::filesystem::directory_iterator((server.Root() + "/Vq/Auditing/P-1").str()))
            names.push_back(entry.path().filename().string());
    EXPECT_LE(names.size(), server.Exists("Vq/Auditing/P-1/校对.rtf") ? 1u : 0u);
}

// Another window of lisi passes 校对 of the project task, with its opinion file.
void PassProjectTaskStepElsewhere(Ws& ws) {
    Sql(ws, "UPDATE TaskAuditManage SET AuditState='已完成', AuditResult='通过', AuditRemark='可以', "
            "AuditManager='lisi'");
    if (g_projectTaskServer)
        g_projectTaskServer->WriteFile("Vq/Auditing/P-1/校对.rtf", kOtherOpinion);
}

const Road kRoads[] = {
    {"work task deletion", [](Ws& ws) { WorkTask(ws, "正进行中"); },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Message("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDYES);
     },
     [] { DeleteWorkCascade("T1#001", "T1", "正进行中", true, "p"); },
     "删除该工作任务将失去其对应的所有信息,真的要删除吗?",
     [](Ws& ws) { Sql(ws, "UPDATE TeamWorkManage SET WorkState='完成' WHERE WorkID='T1#001'"); },
     "处于评审及完成状态的任务不能删除...", "SELECT count(*) FROM TeamWorkManage WHERE WorkID='T1#001'", "1"},
    {"work task deletion from the list", [](Ws& ws) { WorkTask(ws, "正进行中"); },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Message("删除该工作任务将失去其对应的所有信息,真的要删除吗?", IDYES);
     },
     [] { DeleteWorkCascade("T1#001", "T1", "正进行中", false, "p"); },
     "删除该工作任务将失去其对应的所有信息,真的要删除吗?",
     [](Ws& ws) {
         Sql(ws,
             "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, State) VALUES ('F1', 'T1#001', 'a.dwg', "
             "'工作中')");
     },
     " 该任务下存在工作文档，请先删除工作文档...",
     "SELECT count(*) FROM TeamWorkManage WHERE WorkID='T1#001'", "1"},
    {"design project deletion",
     [](Ws& ws) {
         Users(ws);
         Sql(ws,
             "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, CreatedTime, "
             "WorkState, TaskType, TaskAssigner) VALUES ('A1', 'A_', '项目管理', 'zhangsan', '2026-01-01 "
             "08:00', '未开始', 'V', 'zhangsan')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("设计项目管理")
             .Select(projects::manage_ids::kProjectList, "A1")
             .Click(projects::manage_ids::kDeleteProject)
             .Message("是否要删除选中的设计项目?", IDYES)
             .Click(IDCANCEL);
     },
     [] {
         CDesignProjectManageDlg dlg;
         dlg.DoModal();
     },
     "是否要删除选中的设计项目?",
     [](Ws& ws) { Sql(ws, "UPDATE ProjectManage SET WorkState='正进行中' WHERE ProjectNo='A1'"); },
     "指定设计项目已开始，不能删除...", "SELECT count(*) FROM ProjectManage WHERE ProjectNo='A1'", "1"},
    {"project subtree deletion",
     [](Ws& ws) {
         Sql(ws,
             "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('P', 'A_', "
             "'项目管理', '未开始'), ('P-01', 'T1', 'A_\\', '未开始')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("数据删除确认 - 项目")
             .Click(IDOK)
             .Message("删除将不可再恢复，是否真的要删除?", IDYES)
             .Dialog("数据删除确认 - 项目")
             .Click(IDCANCEL);
     },
     [] {
         CDataDeleteConfirmDlg dlg;
         dlg.ProjectNo = "P";
         dlg.ProjectName = "A_";
         dlg.ProjectPath = "项目管理";
         dlg.DoModal();
     },
     "删除将不可再恢复，是否真的要删除?",
     [](Ws& ws) { Sql(ws, "UPDATE ProjectManage SET WorkState='评审' WHERE ProjectNo='P'"); },
     "任务处于评审或完成状态，不能进行删除...", "SELECT count(*) FROM ProjectManage", "2"},
    {"group leader", ProjectGroup,
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("项目组成员管理")
             .RightClick(projects::team_ids::kTree, "项目：P 的工作团队.../李四 [lisi]")
             .Menu(projects::team_ids::kLeaderCommand)
             .Message("是否设置选中组员为组长?", IDYES)
             .Click(IDCANCEL);
     },
     OpenProjectGroup, "是否设置选中组员为组长?",
     [](Ws& ws) { Sql(ws, "DELETE FROM DesignProjectTeam WHERE TeamUser='lisi'"); },
     "选中的组员已不在项目组中，没有设置组长...", "SELECT TeamUser FROM DesignProjectTeam WHERE IsLeader='Y'",
     "zhangsan"},
    {"release of all borrowings",
     [](Ws& ws) {
         Sql(ws,
             "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K1', 'S1', "
             "'U1', 'PA'), ('K2', 'S2', 'U1', 'PA')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("借用关系浏览")
             .RightClick(1205, "借用关系/U1")
             .Menu(1)
             .Message("是否真的要解除所有借用关系?", IDYES)
             .Click(IDCANCEL);
     },
     [] {
         CBorrowRelationDlg dlg;
         dlg.DoModal();
     },
     "是否真的要解除所有借用关系?",
     [](Ws& ws) {
         Sql(ws,
             "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K5', 'S6', "
             "'K1', 'PA')");
     },
     "存在多层的借用关系，先需逐层进行解除...", "SELECT count(*) FROM BorrowingRelation WHERE UpCode='U1'",
     "2"},
    {"release of one borrowing",
     [](Ws& ws) {
         Sql(ws,
             "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K1', 'S1', "
             "'U1', 'PA'), ('K2', 'S2', 'U1', 'PA')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("借用关系浏览")
             .Tree(1205, "借用关系/U1/K1")
             .Click(1091)
             .Message("是否真的要解除借用关系?", IDYES)
             .Click(IDCANCEL);
     },
     [] {
         CBorrowRelationDlg dlg;
         dlg.DoModal();
     },
     "是否真的要解除借用关系?",
     [](Ws& ws) {
         Sql(ws,
             "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K5', 'S6', "
             "'K1', 'PA')");
     },
     "存在多层的借用关系，先需逐层进行解除...", "SELECT count(*) FROM BorrowingRelation WHERE UpCode='U1'",
     "2"},
    {"work task marked changed", [](Ws& ws) { WorkTask(ws, "完成"); },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("工作任务状态维护")
             .Click("标记更改...")
             .Message("将修改工作任务状态为更改，是否继续?", IDYES)
             .Click("退出");
     },
     [] {
         CTeamWorkTaskStateDlg dlg;
         dlg.WorkID = "T1#001";
         dlg.DoModal();
     },
     "将修改工作任务状态为更改，是否继续?",
     [](Ws& ws) { Sql(ws, "UPDATE TeamWorkManage SET WorkState='正进行中' WHERE WorkID='T1#001'"); },
     "工作任务不处于完成状态，不能标记为更改...",
     "SELECT WorkState FROM TeamWorkManage WHERE WorkID='T1#001'", "正进行中"},
    {"work task marked complete",
     [](Ws& ws) {
         WorkTask(ws, "正进行中");
         Sql(ws,
             "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, State) VALUES ('F1', 'T1#001', 'a.dwg', "
             "'正式')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("工作任务状态维护")
             .Click("标记完成...")
             .Message("是否进行完整性分析?", IDNO)
             .Message("是否继续标记任务完成?", IDYES)
             .Click("退出");
     },
     [] {
         CTeamWorkTaskStateDlg dlg;
         dlg.WorkID = "T1#001";
         dlg.DoModal();
     },
     "是否继续标记任务完成?",
     [](Ws& ws) { Sql(ws, "UPDATE TeamWorkResult SET State='更改' WHERE FileID='F1'"); },
     "有未经过评审通过的设计文档，不能标记任务状态为完成...",
     "SELECT WorkState FROM TeamWorkManage WHERE WorkID='T1#001'", "正进行中"},
    {"work documents changed",
     [](Ws& ws) {
         WorkTask(ws, "完成");
         Sql(ws,
             "INSERT INTO TeamWorkResult (FileID, WorkID, FileName, State) VALUES ('F1', 'T1#001', 'a.dwg', "
             "'正式')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("工作任务状态维护")
             .Select(CTeamWorkTaskStateDlg::kListId, 0)
             .Click("更改文件...")
             .Message("将修改选择工作文档的状态为更改，是否继续?", IDYES)
             .Click("退出");
     },
     [] {
         CTeamWorkTaskStateDlg dlg;
         dlg.WorkID = "T1#001";
         dlg.DoModal();
     },
     "将修改选择工作文档的状态为更改，是否继续?",
     [](Ws& ws) { Sql(ws, "UPDATE TeamWorkResult SET State='评审' WHERE FileID='F1'"); },
     "选中工作文档不处于正式或已归档状态，不能更改状态...",
     "SELECT State FROM TeamWorkResult WHERE FileID='F1'", "评审"},
    // Refused without a box: the acceptance only writes while the task still waits for it.
    {"task acceptance", [](Ws& ws) { WorkTask(ws, "待确认"); },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Message("该任务尚处于待确认状态，是否接受此任务?", IDYES)
             .Dialog("设计产品结构管理")
             .Click("退出");
     },
     [] {
         CTaskPartDlg dlg;
         dlg.m_strWorkID = "T1#001";
         dlg.m_bReadOnly = 0;
         dlg.DoModal();
     },
     "是否接受此任务?",
     [](Ws& ws) { Sql(ws, "UPDATE TeamWorkManage SET WorkState='完成' WHERE WorkID='T1#001'"); }, nullptr,
     "SELECT WorkState FROM TeamWorkManage WHERE WorkID='T1#001'", "完成"},
    {"design document submission",
     [](Ws& ws) {
         WorkTask(ws, "正进行中");
         Sql(ws,
             "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级评审', "
             "'串联', '校对(40,20)|*|批准(40,110)')");
         Sql(ws, "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
                 "AuditorName, AuditingType) VALUES ('F-1', 'T1#001', '箱盖零件图', 'a.dwg', '工作中', "
                 "'两级评审', "
                 "'zhaoliu|*|admin', '串联')");
         ws.WriteSetting("设计过程管理配置", "逐个确认评审流程", "1");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Message("是否继续采用上级项目任务的评审流程进行设计评审?", IDYES);
     },
     [] {
         CDesignFileAuditSender sender;
         sender.m_strFileID = "F-1";
         sender.m_strSuperior = "admin";
         sender.Send();
     },
     "是否继续采用上级项目任务的评审流程进行设计评审?",
     [](Ws& ws) {
         Sql(ws,
             "UPDATE TeamWorkResult SET State='评审' WHERE FileID='F-1'; INSERT INTO TeamWorkAudit (FileID, "
             "AuditTask, Auditor, State) VALUES ('F-1', '校对', 'lisi', '未完成')");
     },
     "设计文档 F-1 的状态已被其他用户改为评审，不能提交设计评审...",
     "SELECT count(*) FROM MessageManage WHERE Reseiver='zhaoliu'", "0"},
    {"hand-over of a review step",
     [](Ws& ws) {
         WorkTask(ws, "正进行中");
         Sql(ws,
             "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级评审', "
             "'串联', '校对(40,20)|*|审核(40,110)')");
         Sql(ws,
             "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
             "AuditorName, AuditingType) VALUES ('F-1', 'T1#001', '箱盖零件图', 'a.dwg', '评审', '两级评审', "
             "'lisi|*|zhaoliu', '串联')");
         Sql(ws,
             "INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, State, Working) VALUES ('F-1', '校对', "
             "'lisi', '未完成', 'F')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>& write) {
         user.Dialog("工作文档评审结果")
             .Select(CWorkDocAuditResultDlg::kStepListId, "校对")
             .Click(CWorkDocAuditResultDlg::kChangeAuditorId)
             .Dialog("评审负责人")
             .Do([write](CDialog&) { write(); })
             .Set(1147, "admin")
             .Click(IDOK)
             .Dialog("工作文档评审结果")
             .Click(IDCANCEL);
     },
     [] {
         CWorkDocAuditResultDlg dlg;
         dlg.FileID = "F-1";
         dlg.DoModal();
     },
     nullptr,
     [](Ws& ws) {
         Sql(ws, "UPDATE TeamWorkAudit SET State='已完成', Result='通过' WHERE FileID='F-1' AND "
                 "AuditTask='校对'");
     },
     "该评审任务已完成，不能更换负责人...", "SELECT Auditor FROM TeamWorkAudit WHERE FileID='F-1'", "lisi"},
    {"change notice publication",
     [](Ws& ws) {
         theApp.m_strUserName = "Li Si";
         Sql(ws, "INSERT INTO VqkorvelAll_title (TCode, TName, Manager) VALUES ('P-1', '箱盖', 'zhaoliu')");
         Sql(ws,
             "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, State, ProductCode) VALUES ('C-02', "
             "'普通', 'Li Si', '临时', 'JX-0')");
         Sql(ws, "INSERT INTO ECOChangePart (ECONo, PartCode, PartName) VALUES ('C-02', 'P-1', '箱盖')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>& write) {
         user.Dialog("更改通知单 - 改底图")
             .Click("确定")
             .Dialog("操作提示")
             .Do([write](CDialog&) { write(); })
             .Click("正式")
             .Dialog("更改通知单 - 改底图")
             .Click("取消")
             .Message("是否存储更改单信息?", IDNO);
     },
     [] {
         CECOChangeItemDlg dlg;
         dlg.m_strECONo = "C-02";
         dlg.m_bNewItem = 0;
         dlg.DoModal();
     },
     nullptr, [](Ws& ws) { Sql(ws, "UPDATE ECOChangeManage SET State='正式' WHERE ECONo='C-02'"); },
     "更改单：C-02 已发布，本次没有保存，也没有再次发布。", "SELECT count(*) FROM ECOPartRelease", "0"},
    {"change label deletion of a notice published meanwhile", LabelledNotice, DeleteNoticeLabel,
     OpenNoticeLabels, "是否真的要删除选中的更改标记项?",
     [](Ws& ws) { Sql(ws, "UPDATE ECOChangeManage SET State='正式' WHERE ECONo='C-1'"); },
     "更改单：C-1 已发布，本次没有删除选中的更改标记项。", "SELECT count(*) FROM ECOFileChangeLabel", "1"},
    {"change label of a notice changed meanwhile", LabelledNotice, DeleteNoticeLabel, OpenNoticeLabels,
     "是否真的要删除选中的更改标记项?",
     [](Ws& ws) { Sql(ws, "UPDATE ECOFileChangeLabel SET ChangeCount='3' WHERE ChangeLabel='a'"); },
     "更改标记项 a 已被其他用户修改，本次没有删除。", "SELECT count(*) FROM ECOFileChangeLabel", "1"},
    {"part change label",
     [](Ws& ws) {
         Users(ws);
         Sql(ws,
             "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, CurrentRev) VALUES ('P1', '箱座', "
             "'PRD', 'B')");
         Sql(ws,
             "INSERT INTO PartChangeLabel VALUES ('P1', 'B', 'a', '2B', '2', 'GC-1', '张三', '2026-11-02', "
             "'', '', '', '50.000000', '50.000000', '250.000000', '210.000000')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Message("未能正确连接文件服务器，不能浏览设计文件...", IDOK)
             .Dialog("零部件更改标记管理")
             .Select(CPartChangeLableMaintainDlg::kListId, "a")
             .Click("删除...")
             .Message("是否真的要删除选中的更改标记项?", IDYES)
             .Click("退出");
     },
     [] {
         CPartChangeLableMaintainDlg dlg;
         dlg.m_strPartNumber = "P1";
         dlg.DoModal();
     },
     "是否真的要删除选中的更改标记项?",
     [](Ws& ws) { Sql(ws, "UPDATE PartChangeLabel SET FileSerial='GC-9' WHERE ChangeLabel='a'"); },
     "更改标记项 a 已被其他用户修改，本次没有删除。", "SELECT count(*) FROM PartChangeLabel", "1"},
    {"project task review closed with its document results",
     [](Ws& ws) {
         Users(ws);
         Sql(ws, "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
                 "AuditingModel, AuditorName) VALUES ('P-1', '泵体设计', '项目\\', 'zhangsan', '评审', "
                 "'两级评审', "
                 "'lisi|*|zhaoliu')");
         Sql(ws,
             "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级评审', "
             "'串联', '校对(40,20)|*|审核(40,110)')");
         Sql(ws,
             "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, "
             "AuditManager) VALUES ('P-1', '校对', 'lisi', '2026-12-01', '未完成', 'F', 'lisi')");
         Sql(ws,
             "INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, "
             "FileRemark) VALUES ('P-1', '总图', 'total.dwg', 'AutoCAD 图形', '12KB', '2026-11-30', '')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.DialogContaining("评审意见")
             .Select(CProjectTaskAuditDlg::kDocumentsId, "总图")
             .Click(CProjectTaskAuditDlg::kToPassedId)
             .Click(IDCANCEL)
             .Message("是否要保存审查文档结果?", IDYES);
     },
     [] {
         // The window needs the file server's connection; nothing is fetched on this road.
         vqtest::FtpServer server;
         CInternetSession session("vqtest");
         std::unique_ptr<CFtpConnection> connection(session.GetFtpConnection(
             server.Host(), server.User(), server.Password(), static_cast<INTERNET_PORT>(server.Port())));
         ASSERT_TRUE(connection);
         theApp.m_pFtpConnection = connection.get();
         CProjectTaskAuditDlg dlg;
         dlg.m_strTaskNo = "P-1";
         dlg.m_strStepName = "校对";
         dlg.m_strReviewer = "lisi";
         dlg.DoModal();
         theApp.m_pFtpConnection = nullptr;
     },
     "是否要保存审查文档结果?",
     [](Ws& ws) { Sql(ws, "UPDATE ProjectManage SET WorkState='评审-更改' WHERE ProjectNo='P-1'"); },
     "该任务已不在评审中，不能保存评审结果!", "SELECT count(*) FROM TaskFileResult", "0"},
    {"stored document deleted from a notice sent for review meanwhile",
     [](Ws& ws) {
         theApp.m_strUserName = "Li Si";
         Sql(ws,
             "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, State, ProductCode) VALUES ('C-02', "
             "'普通', 'Li Si', '临时', 'JX-0')");
         Sql(ws, "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType) VALUES "
                 "('更改单', 'C-02', '说明', 'a.txt', '1KB', '文本文档')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("更改通知单 - 改底图")
             .Select(CECOChangeItemDlg::kDocListId, "说明")
             .Click(CECOChangeItemDlg::kDocDeleteId)
             .Message("是否删除选定文档?", IDYES)
             .Message("该文档已存储在服务器中，是否继续删?", IDYES)
             .Click("取消")
             .Message("是否存储更改单信息?", IDNO);
     },
     [] {
         CECOChangeItemDlg dlg;
         dlg.m_strECONo = "C-02";
         dlg.m_bNewItem = 0;
         dlg.DoModal();
     },
     "是否删除选定文档?",
     [](Ws& ws) { Sql(ws, "UPDATE ECOChangeManage SET State='评审' WHERE ECONo='C-02'"); },
     "更改单：C-02 已提交评审，本次没有删除选定文档。", "SELECT count(*) FROM ECORelateFile", "1"},
    {"assisting-review task restarted after its reviewer finished it meanwhile", AssistingTask,
     RestartAssistingTask, OpenAssistingTasks, "是否要重新启动选中的协助评审任务?",
     [](Ws& ws) { Sql(ws, "UPDATE ECONextAuditManage SET AuditState='完成', AuditResult='通过'"); },
     "协助评审任务：校对[1] 已被其他用户修改\n本次没有重新启动选中的协助评审任务。",
     "SELECT AuditState FROM ECONextAuditManage", "完成"},
    {"assisting-review task restarted after it was deleted meanwhile", AssistingTask, RestartAssistingTask,
     OpenAssistingTasks, "是否要重新启动选中的协助评审任务?",
     [](Ws& ws) { Sql(ws, "DELETE FROM ECONextAuditManage"); },
     "协助评审任务：校对[1] 已被其他用户删除\n本次没有重新启动选中的协助评审任务。",
     "SELECT count(*) FROM ECONextAuditManage", "0"},
    {"assisting-review task deleted after it was handed to another reviewer meanwhile", AssistingTask,
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("更改单—协助评审任务管理")
             .Select(CECONextAuditTaskDlg::kListId, "校对[1]")
             .Click(CECONextAuditTaskDlg::kDeleteId)
             .Message("是否要删除选中的协助评审任务?", IDYES)
             .Click("退出");
     },
     OpenAssistingTasks, "是否要删除选中的协助评审任务?",
     [](Ws& ws) { Sql(ws, "UPDATE ECONextAuditManage SET Auditor='zhaoliu'"); },
     "协助评审任务：校对[1] 已被其他用户修改\n本次没有删除选中的协助评审任务。",
     "SELECT Auditor FROM ECONextAuditManage", "zhaoliu"},
    {"work document's assisting task restarted after the document was released meanwhile", WorkAssistingTask,
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("设计过程—协助评审任务管理")
             .Select(CAssistAuditDlg::kListId, "会审[1]")
             .Click(CAssistAuditDlg::kRestartId)
             .Message("是否要重新启动选中的协助评审任务?", IDYES)
             .Click("退出");
     },
     OpenWorkAssistingTasks, "是否要重新启动选中的协助评审任务?",
     [](Ws& ws) {
         Sql(ws, "UPDATE TeamWorkAudit SET State='已完成', Result='通过'");
         Sql(ws, "UPDATE TeamWorkResult SET State='正式'");
     },
     "工作文档：F-1 已不在评审中\n本次没有重新启动选中的协助评审任务。",
     "SELECT State FROM TeamWorkNextAudit", "已完成"},
    {"work document's assisting task deleted after it was handed to another reviewer meanwhile",
     WorkAssistingTask,
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("设计过程—协助评审任务管理")
             .Select(CAssistAuditDlg::kListId, "会审[1]")
             .Click(CAssistAuditDlg::kDeleteId)
             .Message("是否要删除选中的协助评审任务?", IDYES)
             .Click("退出");
     },
     OpenWorkAssistingTasks, "是否要删除选中的协助评审任务?",
     [](Ws& ws) { Sql(ws, "UPDATE TeamWorkNextAudit SET Auditor='zhaoliu', State='未完成'"); },
     "协助评审任务：会审[1] 已被其他用户修改\n本次没有删除选中的协助评审任务。",
     "SELECT Auditor FROM TeamWorkNextAudit", "zhaoliu"},
    {"group member deleted after another client made it leader", ProjectGroup,
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("项目组成员管理")
             .Tree(projects::team_ids::kTree, "项目：P 的工作团队.../李四 [lisi]")
             .Click(projects::team_ids::kDeleteMember)
             .Message("真的要删除选定的项目成员吗?", IDYES)
             .Click(IDCANCEL);
     },
     OpenProjectGroup, "真的要删除选定的项目成员吗?",
     [](Ws& ws) {
         Sql(ws, "UPDATE DesignProjectTeam SET IsLeader=CASE WHEN TeamUser='lisi' THEN 'Y' ELSE 'N' END");
     },
     "选定的项目成员已被其他用户设为组长，本次没有删除。",
     "SELECT TeamUser FROM DesignProjectTeam WHERE IsLeader='Y'", "lisi"},
    // Documents stored under a description: another client replaces the document while the
    // second question is open; the deletion leaves the replacement.
    {"stored document of a notice replaced under its description meanwhile",
     [](Ws& ws) {
         theApp.m_strUserName = "Li Si";
         Sql(ws,
             "INSERT INTO ECOChangeManage (ECONo, ECOLevel, SaveUser, State, ProductCode) VALUES ('C-02', "
             "'普通', 'Li Si', '临时', 'JX-0')");
         Sql(ws, "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType) VALUES "
                 "('更改单', 'C-02', '说明', 'a.txt', '1KB', '文本文档')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("更改通知单 - 改底图")
             .Select(CECOChangeItemDlg::kDocListId, "说明")
             .Click(CECOChangeItemDlg::kDocDeleteId)
             .Message("是否删除选定文档?", IDYES)
             .Message("该文档已存储在服务器中，是否继续删?", IDYES)
             .Click("取消")
             .Message("是否存储更改单信息?", IDNO);
     },
     [] {
         CECOChangeItemDlg dlg;
         dlg.m_strECONo = "C-02";
         dlg.m_bNewItem = 0;
         dlg.DoModal();
     },
     "该文档已存储在服务器中，是否继续删?",
     [](Ws& ws) {
         Sql(ws, "DELETE FROM ECORelateFile; INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, "
                 "FileBulk, FileType) VALUES ('更改单', 'C-02', '说明', 'theirs.txt', '9KB', '文本文档')");
     },
     "文档 说明 已被其他用户更换，本次没有删除。", "SELECT FileName FROM ECORelateFile", "theirs.txt"},
    {"project-task document replaced under its description meanwhile",
     [](Ws& ws) {
         Sql(ws,
             "INSERT INTO TaskExtDocument (TaskNo, DocType, FileName, FileType, FileBulk, DocSaved) VALUES "
             "('XM-01-01', 'a.txt', 'a.txt', '文本文档', '1KB', '1')");
     },
     [](vq::ScriptedUser& user, const std::function<void()>&) {
         user.Dialog("任务资源管理")
             .Select(CTaskResourceDlg::kListId, 0)
             .Click("删除")
             .Message("是否删除选定文档?", IDYES)
             .Message("该文档已存储在服务器中，是否继续删?", IDYES)
             .Click(IDCANCEL);
     },
     [] {
         CTaskResourceDlg dlg;
         dlg.m_strTaskNo = "XM-01-01";
         dlg.DoModal();
     },
     "该文档已存储在服务器中，是否继续删?",
     [](Ws& ws) {
         Sql(ws,
             "DELETE FROM TaskExtDocument; INSERT INTO TaskExtDocument (TaskNo, DocType, FileName, FileType, "
             "FileBulk, DocSaved) VALUES ('XM-01-01', 'A.TXT', 'theirs.txt', '文本文档', '9KB', '1')");
     },
     "文档 a.txt 已被其他用户更换，本次没有删除。", "SELECT FileName FROM TaskExtDocument", "theirs.txt"},
    {"work-document pass after the step was handed over meanwhile", DocumentUnderReview,
     [](vq::ScriptedUser& user, const std::function<void()>& write) {
         DecideDocumentStep(user, write, CAuditOpinionDlg::kPassId);
     },
     OpenDocumentStep, nullptr, HandOverDocumentStep,
     "该评审任务的负责人已被更换为zhaoliu，不能保存评审结果...",
     "SELECT State || '/' || Auditor || '/' || coalesce(Prompt, '') || '/' || (SELECT count(*) FROM "
     "TaskLogInformation) FROM TeamWorkAudit",
     "未完成/zhaoliu//0"},
    {"work-document fail after another window passed the step meanwhile", DocumentUnderReview,
     [](vq::ScriptedUser& user, const std::function<void()>& write) {
         DecideDocumentStep(user, write, CAuditOpinionDlg::kFailId);
     },
     OpenDocumentStep, nullptr, PassDocumentStepElsewhere, "该评审任务已被lisi评审，不能保存评审结果...",
     "SELECT Result || '/' || Prompt || '/' || (SELECT State FROM TeamWorkResult) FROM TeamWorkAudit",
     "通过/可以/评审"},
    {"work-document decided later after another window passed the step meanwhile", DocumentUnderReview,
     [](vq::ScriptedUser& user, const std::function<void()>& write) {
         DecideDocumentStep(user, write, CAuditOpinionDlg::kLaterId);
     },
     OpenDocumentStep, nullptr, PassDocumentStepElsewhere, "该评审任务已被lisi评审，不能保存评审结果...",
     "SELECT Result || '/' || Prompt FROM TeamWorkAudit", "通过/可以"},
    {"project-task pass after the step was handed over meanwhile", ProjectTaskUnderReview,
     [](vq::ScriptedUser& user, const std::function<void()>& write) {
         DecideProjectTaskStep(user, write, CProjectTaskAuditDlg::kPassId);
     },
     OpenProjectTaskStep, nullptr,
     [](Ws& ws) { Sql(ws, "UPDATE TaskAuditManage SET Auditor='zhaoliu', AuditManager='zhaoliu'"); },
     "该评审任务的负责人已被更换为zhaoliu，不能保存评审结果!",
     "SELECT AuditState || '/' || Auditor || '/' || (SELECT count(*) FROM TaskFileResult) || '/' || (SELECT "
     "WorkState FROM ProjectManage) FROM TaskAuditManage",
     "未完成/zhaoliu/0/评审"},
    {"project-task fail after another window passed the step meanwhile", ProjectTaskUnderReview,
     [](vq::ScriptedUser& user, const std::function<void()>& write) {
         DecideProjectTaskStep(user, write, CProjectTaskAuditDlg::kFailId);
     },
     OpenProjectTaskStep, nullptr, PassProjectTaskStepElsewhere, "该评审任务已被lisi评审，不能保存评审结果!",
     "SELECT AuditResult || '/' || AuditRemark || '/' || (SELECT count(*) FROM TaskFileResult) || '/' || "
     "(SELECT WorkState FROM ProjectManage) FROM TaskAuditManage",
     "通过/可以/0/评审"},
    {"project-task decided later after another window decided the step meanwhile", ProjectTaskUnderReview,
     [](vq::ScriptedUser& user, const std::function<void()>& write) {
         DecideProjectTaskStep(user, write, CProjectTaskAuditDlg::kLaterId);
     },
     OpenProjectTaskStep, nullptr,
     [](Ws& ws) {
         Sql(ws, "UPDATE TaskAuditManage SET AuditState='已完成', AuditResult='不通过', AuditRemark='不行', "
                 "AuditManager='lisi'");
         Sql(ws, "UPDATE ProjectManage SET WorkState='评审-更改'");
     },
     "该任务已不在评审中，不能保存评审结果!",
     "SELECT AuditRemark || '/' || (SELECT count(*) FROM TaskFileResult) FROM TaskAuditManage", "不行/0"},
    {"project-task decided later after another window passed the step meanwhile", ProjectTaskUnderReview,
     [](vq::ScriptedUser& user, const std::function<void()>& write) {
         DecideProjectTaskStep(user, write, CProjectTaskAuditDlg::kLaterId);
     },
     OpenProjectTaskStep, nullptr,
     [](Ws& ws) {
         Sql(ws, "UPDATE TaskAuditManage SET AuditState='已完成', AuditResult='通过', AuditRemark='可以', "
                 "AuditManager='lisi'");
     },
     "该评审任务已被lisi评审，不能保存评审结果!",
     "SELECT AuditRemark || '/' || (SELECT count(*) FROM TaskFileResult) FROM TaskAuditManage", "可以/0"},
};

// Each road in each dialect: (the database type, the road's index in kRoads).
class AnsweredWriteRoadsTest : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_strUserName.Empty();
    }
};

} // namespace

TEST_P(AnsweredWriteRoadsTest, WhatAnotherClientWritesWhileAskedStopsTheAnsweredWrite) {
    const auto [databaseType, index] = GetParam();
    const Road& road = kRoads[index];
    SCOPED_TRACE(road.name);
    Ws ws(databaseType);
    theApp.m_pConnPDM = ws.Connect();
    theApp.m_nDatabaseType = databaseType;
    theApp.m_nAdoCloseMode = 1;
    theApp.m_strLoginUser = "zhangsan";
    theApp.m_strUserName = "张三";
    ws.WriteSetting("公共管理功能", "当前登陆用户帐号", "zhangsan");
    road.setUp(ws);
    const std::function<void()> write = [&] { road.write(ws); };
    vq::ScriptedUser user;
    road.script(user, write);
    {
        vqtest::MessageBoxRecorder boxes;
        boxes.PassOnUnexpected(); // the person's script answers the question and closes the road
        if (road.question)
            boxes.WhenShown(road.question, write);
        if (road.refusal)
            boxes.Expect(road.refusal);
        road.open();
        const std::vector<CString> texts = boxes.Texts();
        auto answered = texts.begin();
        if (road.question) {
            answered = std::find_if(texts.begin(), texts.end(),
                                    [&](const CString& text) { return text.Find(road.question) >= 0; });
            ASSERT_NE(answered, texts.end());
            ++answered;
        }
        // After the answer the road says one thing of its own: what changed. Boxes the person's
        // script answers while closing the road are not the road's saying.
        const auto answeredByScript = [&user](const CString& text) {
            return std::any_of(user.Log().begin(), user.Log().end(),
                               [&](const CString& line) { return line.Find(text) >= 0; });
        };
        EXPECT_EQ(std::count_if(answered, texts.end(),
                                [&](const CString& text) { return !answeredByScript(text); }),
                  road.refusal ? 1 : 0)
            << "boxes after the answer";
    }
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.QueryText(road.check), road.expected);
    theApp.m_pConnPDM = nullptr;
}

namespace {

// A road's test is named after the road, its words joined in capitals: "SqlServer_WorkTaskDeletion".
std::string RoadTestName(const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
    std::string name = std::get<0>(info.param) == 2 ? "Oracle_" : "SqlServer_";
    bool capital = true;
    for (const char* c = kRoads[std::get<1>(info.param)].name; *c; ++c) {
        if (std::isalnum(static_cast<unsigned char>(*c))) {
            name += capital ? static_cast<char>(std::toupper(static_cast<unsigned char>(*c))) : *c;
            capital = false;
        } else if (*c != '\'') {
            capital = true;
        }
    }
    return name;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Dialects, AnsweredWriteRoadsTest,
                         ::testing::Combine(vqtest::DbWorkspace::Types(),
                                            ::testing::Range(0, static_cast<int>(std::size(kRoads)))),
                         RoadTestName);
