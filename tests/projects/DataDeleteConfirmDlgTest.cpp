// Deleting a project subtree against a real FTP server: the list of what goes (and of nothing
// else: a sibling whose name the node's name matches as a pattern stays), the opening checks,
// the rows and the server's folders afterwards in each storage mode, and a deletion stopped
// half way when the server goes down.
#include "projects/DataDeleteConfirmDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/String.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/VsftpdServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

// Project "A_" (P) with tasks P-01 (T1, below it P-01-01 T11) and P-02 (T2); its sibling "AB" (Q)
// with task Q-01, which the pattern "A_\%" would match without escaping.
const char* const kProjects =
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('P', 'A_', '项目管理', "
    "'未开始');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('P-01', 'T1', 'A_\\', "
    "'未开始');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('P-01-01', 'T11', "
    "'A_\\T1\\', '未开始');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('P-02', 'T2', 'A_\\', "
    "'未开始');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('Q', 'AB', '项目管理', "
    "'未开始');"
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('Q-01', 'T1', 'AB\\', "
    "'正进行中');"
    "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('P', '任务书');"
    "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('P-01-01', '图纸');"
    "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('P-02', '图纸');"
    "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('Q-01', '图纸');"
    "INSERT INTO TaskExtDocument (TaskNo, DocType) VALUES ('P-01', '外部');"
    "INSERT INTO TaskLogInformation (ProjectNo, WorkType) VALUES ('P-02', '分配任务');"
    "INSERT INTO TaskLogInformation (ProjectNo, WorkType) VALUES ('Q-01', '分配任务');"
    "INSERT INTO TaskRevManage (ProjectNo, RevNumber) VALUES ('P-01', 'A');"
    "INSERT INTO TaskAuditManage (ProjectNo, AuditName) VALUES ('P-01-01', '审核')";

// A work task with one document, as another client adds it while the deletion is asked about.
const char* const kLateWork =
    "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('P-01', 'P-01', 'P-01#001');"
    "INSERT INTO TeamWorkResult (FileID, WorkID, FileName) VALUES ('F1', 'P-01#001', 'D1.dwg');"
    "INSERT INTO TeamWorkResultPack (FileID, DocSaved) VALUES ('F1', '1');"
    "INSERT INTO TeamWorkAudit (FileID, AuditTask) VALUES ('F1', '校对');"
    "INSERT INTO TeamWorkResource (WorkID, ResourceID) VALUES ('P-01#001', 'R1');"
    "INSERT INTO TeamWorkResourcePack (ResourceID) VALUES ('R1')";

class DataDeleteConfirmTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        theApp.m_nDocStorageMode = 0;
        StartFtp();
    }
    void TearDown() override {
        theApp.m_pFtpConnection = nullptr;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        theApp.m_nDocStorageMode = 0;
        connection.reset();
        server.reset();
        ws.reset();
    }
    void StartFtp() {
        server.emplace();
        ASSERT_TRUE(server->IsRunning());
        connection.reset(session.GetFtpConnection(server->Host(), server->User(), server->Password(),
                                                  static_cast<INTERNET_PORT>(server->Port())));
        ASSERT_TRUE(connection);
        theApp.m_pFtpConnection = connection.get();
        for (const char* folder : {"Vq/Working", "Vq/Auditing", "Vq/Proven"})
            server->MakeFolder(folder);
    }
    // Task folders with nested contents, a neighbour's folder and a work document's copy.
    void FillServer() {
        server->MakeFolder("Vq/Proven");
        server->WriteFile("Vq/Working/P-01/A/d1.dwg", "version A");
        server->WriteFile("Vq/Working/P-01/A/sub/x.txt", "x");
        server->WriteFile("Vq/Auditing/P-01-01/r.dwg", "r");
        server->WriteFile("Vq/Working/Q-01/A/q.dwg", "neighbour");
        server->WriteFile("Vq/Working/F1.dwg", "work document");
    }
    int Count(const CString& sql) { return atoi(ws->QueryText(sql)); }
    int Rows(const char* table, const char* where = "1=1") {
        CString sql;
        sql.Format("SELECT count(*) FROM %s WHERE %s", table, where);
        return Count(sql);
    }
    void Prepare(CDataDeleteConfirmDlg& dlg, const CString& no = "P", const CString& name = "A_",
                 const CString& path = "项目管理") {
        dlg.ProjectNo = no;
        dlg.ProjectName = name;
        dlg.ProjectPath = path;
    }

    std::optional<vqtest::DbWorkspace> ws;
    std::optional<vqtest::FtpServer> server;
    CInternetSession session{"vqtest"};
    std::unique_ptr<CFtpConnection> connection;
};

CString ListText(CListCtrl& list) {
    CString text;
    for (int row = 0; row < list.GetItemCount(); ++row)
        text += list.GetItemText(row, 0) + ":" + list.GetItemText(row, 2) + ";";
    return text;
}

TEST_P(DataDeleteConfirmTest, ListsTheSubtreeOnlyAndCountsItsTaskDocuments) {
    ws->Execute(kProjects);
    CString listed, sorted, documents;
    vq::ScriptedUser user;
    user.Dialog("数据删除确认 - 项目")
        .Do([&](CDialog& d) {
            auto& list = static_cast<CDataDeleteConfirmDlg&>(d).m_list;
            listed = ListText(list);
            d.GetDlgItemText(CDataDeleteConfirmDlg::kDocCountId, documents);
        })
        .Column(CDataDeleteConfirmDlg::kListId, 2)
        .Column(CDataDeleteConfirmDlg::kListId, 2)
        .Do([&](CDialog& d) { sorted = ListText(static_cast<CDataDeleteConfirmDlg&>(d).m_list); })
        .Click(IDCANCEL);
    CDataDeleteConfirmDlg dlg;
    Prepare(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(listed.Left(4), "1:P;");
    EXPECT_EQ(listed.GetLength(), CString("1:P;2:P-01;3:P-01-01;4:P-02;").GetLength());
    EXPECT_EQ(listed.Find("Q"), -1);
    EXPECT_EQ(sorted, "1:P-02;2:P-01-01;3:P-01;4:P;"); // descending, renumbered
    EXPECT_EQ(documents, "3");
    EXPECT_EQ(Rows("ProjectManage"), 6); // Cancel deletes nothing
}

TEST_P(DataDeleteConfirmTest, DeletesTheSubtreeWithItsFoldersInEveryStorageMode) {
    for (int mode = 0; mode <= 2; ++mode) {
        SCOPED_TRACE(mode);
        ws->Execute("DELETE FROM ProjectManage; DELETE FROM TaskDocuments; DELETE FROM TaskLogInformation; "
                    "DELETE FROM TeamWorkResultPack; DELETE FROM TeamWorkResource; DELETE FROM TeamWorkResourcePack");
        ws->Execute(kProjects);
        FillServer();
        theApp.m_nDocStorageMode = mode;
        vq::ScriptedUser user;
        user.Dialog("数据删除确认 - 项目").Click(IDOK).Message("删除将不可再恢复，是否真的要删除?", IDYES);
        // The question holds no lock: another client writes while it is open.
        vqtest::MessageBoxRecorder boxes;
        boxes.WhenShown("是否真的要删除", [&] {
            EXPECT_TRUE(ws->WritesAtOnce("UPDATE ProjectManage SET Remark='x' WHERE ProjectNo='Q'"));
        });
        CDataDeleteConfirmDlg dlg;
        Prepare(dlg);
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

        EXPECT_EQ(Rows("ProjectManage", "ProjectNo LIKE 'P%'"), 0);
        EXPECT_EQ(Rows("ProjectManage", "ProjectNo LIKE 'Q%'"), 2);
        EXPECT_EQ(Rows("TaskDocuments"), 1);
        EXPECT_EQ(Rows("TaskLogInformation"), 1);
        EXPECT_EQ(Rows("TaskExtDocument") + Rows("TaskRevManage") + Rows("TaskAuditManage"), 0);
        EXPECT_TRUE(server->Exists("Vq/Working/F1.dwg")); // no document of a task deleted
        EXPECT_FALSE(server->Exists("Vq/Working/P-01"));
        EXPECT_FALSE(server->Exists("Vq/Auditing/P-01-01"));
        EXPECT_TRUE(server->Exists("Vq/Working/Q-01/A/q.dwg"));
        EXPECT_TRUE(server->IsFolder("Vq/Working"));
    }
}

const char* const kKeptTasks =
    "以下 %d "
    "项任务的编号不能用作文件服务器(FTP)上的文件夹名，或不能从数据库中确切读出。为免误删其他任务的内容，这些"
    "任务在文件服务器上的内容都没有删除，任务本身及其文档、评审及日志等记录也都已保留%"
    "s，请通知系统管理员处理："
    "\n";

// keptBelowDeleted: the rows above some kept tasks are deleted.
CString KeptTasksText(const std::vector<CString>& tasks, bool keptBelowDeleted = false) {
    CString text;
    text.Format(kKeptTasks, static_cast<int>(tasks.size()),
                keptBelowDeleted ? "（其上级任务已删除，项目结构中不再显示这些任务）" : "");
    for (const CString& task : tasks)
        text += "\n" + task;
    return text;
}

// A task number such as ".." names no folder of its own below "Working" and "Auditing", and a
// number with a blank or a tab at its end is another task's to a server, or to a reader that
// trims it: such a task keeps its rows, nothing is removed on the server, and the box names the
// task (not the areas "Vq/Working/.." or the other task's folder, and its number's blank and tab
// written out). Those tasks keep their own rows as well; the other rows go.
TEST_P(DataDeleteConfirmTest, TaskNumberNamingNoFolderOfItsOwnRemovesNothingOnTheServer) {
    ws->Execute(
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('..', 'A_', "
        "'项目管理', '未开始'), ('P-01 ', 'T1', 'A_\\', '未开始'), ('P-02\t', 'T2', 'A_\\', '未开始'), "
        "('P-01', 'B', '项目管理', '未开始');"
        "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('..', '任务书'), ('P-01 ', '图纸'), "
        "('P-01', '图纸');"
        "INSERT INTO TaskLogInformation (ProjectNo, WorkType) VALUES ('P-01', '分配任务')");
    FillServer();
    vq::ScriptedUser user;
    user.Dialog("数据删除确认 - 项目")
        .Column(CDataDeleteConfirmDlg::kListId, 2) // by number: the box names the tasks in this order
        .Click(IDOK)
        .Message("删除将不可再恢复，是否真的要删除?", IDYES)
        .Message(KeptTasksText({"A_ [..]", "A_\\T1 [P-01<U+0020>]", "A_\\T2 [P-02<U+0009>]"}), IDOK);
    CDataDeleteConfirmDlg dlg;
    Prepare(dlg, "..");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows("ProjectManage"), 4);
    EXPECT_EQ(Rows("TaskDocuments"), 3);
    EXPECT_EQ(Rows("TaskLogInformation"), 1);
    for (const char* file : {"Vq/Working/P-01/A/d1.dwg", "Vq/Auditing/P-01-01/r.dwg", "Vq/Working/Q-01/A/q.dwg",
                             "Vq/Working/F1.dwg"})
        EXPECT_TRUE(server->Exists(file)) << file;
}

// The heading of two folders whose names the server's code page cannot hold.
const char* const kUnnamableFolders =
    "以下 2 个文件夹的名称中有文件服务器(FTP)不能表示的字符，服务器上不会有这些文件夹，无需清理：";

// Names and numbers that differ from another only in letter case or in width, in several scripts.
const std::pair<const char*, const char*> kTwinNames[] = {
    {"Gear", "GEAR"},     {"gear", "Gear"},         {"Ｇｅａｒ", "ＧＥＡＲ"},
    {"Gear", "Ｇｅａｒ"}, {"Шестерня", "ШЕСТЕРНЯ"}, {"Σύνδεσμος", "ΣΎΝΔΕΣΜΟΣ"}};
const std::pair<const char*, const char*> kTwinNumbers[] = {
    {"XM-02-01", "xm-02-01"},     {"XM-02-01", "Xm-02-01"}, {"ΣM-02-01", "σm-02-01"},
    {"ＸＭ-02-01", "ｘｍ-02-01"}, {"ЖM-02-01", "жm-02-01"}, {"XM-02-01", "ＸＭ-02-01"}};

// Siblings "Gear" [XM-01-07] and "GEAR" [XM-01-08], each with a sub-task, documents and folders,
// stored by another client: deleting Gear lists and deletes Gear and its sub-task only.
TEST_P(DataDeleteConfirmTest, ASiblingThatDiffersOnlyInCaseOrWidthIsNoPartOfTheDeletion) {
    for (const auto& [name, twin] : kTwinNames) {
        SCOPED_TRACE(std::string(name) + " beside " + twin);
        ws->Execute("DELETE FROM ProjectManage; DELETE FROM TaskDocuments; DELETE FROM TaskLogInformation");
        ws->Execute(
            CString("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES "
                    "('XM-01', '项目一', '项目管理', '未开始'), ('XM-01-07', '") +
            name + "', '项目一\\', '未开始'), ('XM-01-07-01', '子任务', '项目一\\" + name +
            "\\', '未开始'), ('XM-01-08', '" + twin +
            "', '项目一\\', '未开始'), ('XM-01-08-01', '子任务', "
            "'项目一\\" +
            twin +
            "\\', '未开始');"
            "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('XM-01-07', '图纸'), "
            "('XM-01-07-01', '图纸'), ('XM-01-08', '他人图纸'), ('XM-01-08-01', '他人图纸');"
            "INSERT INTO TaskLogInformation (ProjectNo, WorkType) VALUES ('XM-01-08-01', '分配任务')");
        for (const char* task : {"XM-01-07", "XM-01-07-01", "XM-01-08", "XM-01-08-01"})
            server->WriteFile("Vq/Working/" + CString(task) + "/a.dwg", task);
        CString listed, documents;
        vq::ScriptedUser user;
        user.Dialog("数据删除确认 - 项目")
            .Do([&](CDialog& d) {
                listed = ListText(static_cast<CDataDeleteConfirmDlg&>(d).m_list);
                d.GetDlgItemText(CDataDeleteConfirmDlg::kDocCountId, documents);
            })
            .Click(IDOK)
            .Message("删除将不可再恢复，是否真的要删除?", IDYES);
        CDataDeleteConfirmDlg dlg;
        Prepare(dlg, "XM-01-07", name, "项目一\\");
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(listed, "1:XM-01-07;2:XM-01-07-01;");
        EXPECT_EQ(documents, "2");
        EXPECT_EQ(Rows("ProjectManage"), 3);
        EXPECT_EQ(Rows("ProjectManage", "ProjectNo LIKE 'XM-01-08%'"), 2);
        EXPECT_EQ(Rows("TaskDocuments", "DocumentType='他人图纸'"), 2);
        EXPECT_EQ(Rows("TaskDocuments"), 2);
        EXPECT_EQ(Rows("TaskLogInformation"), 1);
        EXPECT_FALSE(server->Exists("Vq/Working/XM-01-07"));
        EXPECT_FALSE(server->Exists("Vq/Working/XM-01-07-01"));
        EXPECT_TRUE(server->Exists("Vq/Working/XM-01-08/a.dwg"));
        EXPECT_TRUE(server->Exists("Vq/Working/XM-01-08-01/a.dwg"));
    }
}

// A sub-task stored under the number of another task but for case or width ("xm-02-01" below
// XM-01-02, beside task XM-02-01 of another project), with the unique index on the number and
// without it: deleting XM-01-02 deletes the sub-task's own rows by its number exactly, and every
// row and file of XM-02-01 stays. A folder that a server ignoring case reads as XM-02-01's is
// kept and named.
TEST_P(DataDeleteConfirmTest, ASubTaskNumberedAsAnotherTaskButForCaseTakesNothingOfIt) {
    for (const bool uniqueIndex : {true, false}) {
        if (!uniqueIndex)
            ws->Execute("DROP INDEX IF EXISTS UX_ProjectManage_ProjectNo");
        for (const auto& [other, twin] : kTwinNumbers) {
            SCOPED_TRACE(std::string(twin) + " beside " + other + (uniqueIndex ? "" : ", without the index"));
            ws->Execute(
                "DELETE FROM ProjectManage; DELETE FROM TaskDocuments; DELETE FROM TaskLogInformation; "
                "DELETE FROM TaskAuditManage");
            ws->Execute(
                CString("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES "
                        "('XM-01', '项目一', '项目管理', '未开始'), ('XM-01-02', '泵体', '项目一\\', "
                        "'未开始'), ('XM-02', '项目二', '项目管理', '正进行中'), ('") +
                other +
                "', '箱体', '项目二\\', '正进行中');"
                "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('" +
                other + "', '他人图纸'), ('" + other +
                "', '他人图纸');"
                "INSERT INTO TaskAuditManage (ProjectNo, AuditName) VALUES ('" +
                other +
                "', '校对');"
                "INSERT INTO TaskLogInformation (ProjectNo, WorkType) VALUES ('" +
                other +
                "', '分配任务');"
                "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) SELECT '" +
                twin +
                "', '子任务', '项目一\\泵体\\', '未开始' WHERE NOT EXISTS (SELECT 1 FROM ProjectManage WHERE "
                "ProjectNo='" +
                twin + "')");
            if (Rows("ProjectManage", "ProjectName='子任务'") == 0)
                continue; // the index holds the two numbers equal
            ws->Execute("INSERT INTO TaskDocuments (ProjectNo, DocumentType) SELECT ProjectNo, '图纸' FROM "
                        "ProjectManage WHERE ProjectName='子任务'");
            server->WriteFile("Vq/Working/" + CString(other) + "/a.dwg", "other task's drawing");
            server->WriteFile("Vq/Auditing/" + CString(other) + "/校对.rtf", "other task's opinion");
            vq::ScriptedUser user;
            user.Dialog("数据删除确认 - 项目")
                .Click(IDOK)
                .Message("删除将不可再恢复，是否真的要删除?", IDYES);
            if (vq::FolderNameKey(other) == vq::FolderNameKey(twin)) {
                const CString both = CString("（任务 ") + twin + " 与任务 " + other + "）";
                user.Message(
                    "以下 2 "
                    "个文件夹也是其他现有任务的文件夹（两项任务的编号在文件服务器(FTP)上对应同一个文件夹"
                    "名），为免误删这些任务的文件，没有删除：\n\n/Vq/Auditing/" +
                        CString(twin) + both + "\n/Vq/Working/" + twin + both,
                    IDOK);
            }
            CDataDeleteConfirmDlg dlg;
            Prepare(dlg, "XM-01-02", "泵体", "项目一\\");
            EXPECT_EQ(dlg.DoModal(), IDOK);
            EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
            EXPECT_EQ(Rows("ProjectManage"), 3);
            EXPECT_EQ(Rows("ProjectManage", "ProjectName='箱体'"), 1);
            EXPECT_EQ(Rows("TaskDocuments"), 2);
            EXPECT_EQ(Rows("TaskDocuments", "DocumentType='他人图纸'"), 2);
            EXPECT_EQ(Rows("TaskAuditManage"), 1);
            EXPECT_EQ(Rows("TaskLogInformation"), 1);
            EXPECT_EQ(server->ReadFile("Vq/Working/" + CString(other) + "/a.dwg"), "other task's drawing");
            EXPECT_EQ(server->ReadFile("Vq/Auditing/" + CString(other) + "/校对.rtf"),
                      "other task's opinion");
        }
    }
}

// A number the code page 936 cannot write names folders the server cannot hold: the task's rows
// go, and the box names both folders as never made, with nothing for the administrator to clean.
TEST_P(DataDeleteConfirmTest, FoldersOfANumberTheCodePageLacksAreNamedAsNeverMade) {
    ws->Execute(kProjects);
    ws->Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES "
                "('P-01-02-😀', 'T12', 'A_\\T1\\', '未开始');"
                "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('P-01-02-😀', '图纸')");
    server->WriteFile("Vq/Working/P-01-02-😀/a.dwg", "a");
    vq::ScriptedUser user;
    user.Dialog("数据删除确认 - 项目")
        .Click(IDOK)
        .Message("删除将不可再恢复，是否真的要删除?", IDYES)
        .Message(CString(kUnnamableFolders) + "\n\n/Vq/Auditing/P-01-02-😀\n/Vq/Working/P-01-02-😀", IDOK);
    CDataDeleteConfirmDlg dlg;
    Prepare(dlg, "P-01", "T1", "A_\\");
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows("ProjectManage", "ProjectNo LIKE 'P-01%'"), 0);
    EXPECT_EQ(Rows("TaskDocuments", "ProjectNo LIKE 'P-01%'"), 0);
    EXPECT_TRUE(server->Exists("Vq/Working/P-01-02-😀/a.dwg"));
}

// A number followed by a character that cannot be seen (a zero-width space, a no-break space, a
// byte order mark, an em space) names folders the code page cannot write: the box names them with
// that character written out, so that they do not read as task XM-02-01's folders. A task whose
// number ends in a blank keeps its rows, and the box shows the blank as well.
TEST_P(DataDeleteConfirmTest, BoxesShowTheCharactersOfAStoredNumberThatCannotBeSeen) {
    const std::pair<const char*, const char*> hidden[] = {
        {"\u200B", "<U+200B>"}, {"\u00A0", "<U+00A0>"}, {"\uFEFF", "<U+FEFF>"}, {"\u2003", "<U+2003>"}};
    for (const auto& [character, shown] : hidden) {
        SCOPED_TRACE(shown);
        ws->Execute("DELETE FROM ProjectManage; DELETE FROM TaskDocuments");
        ws->Execute(
            CString("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES "
                    "('XM-01-02', '泵体', '项目一\\', '未开始'), ('XM-02-01") +
            character + "', '子任务', '项目一\\泵体\\', '未开始'), (' XM-02-01 ', '子任务" + character +
            "', '项目一\\泵体\\', '未开始'), ('XM-02-01', '箱体', '项目二\\', '正进行中')");
        vq::ScriptedUser user;
        user.Dialog("数据删除确认 - 项目")
            .Click(IDOK)
            .Message("删除将不可再恢复，是否真的要删除?", IDYES)
            .Message(KeptTasksText({"项目一\\泵体\\子任务" + CString(shown) + " [<U+0020>XM-02-01<U+0020>]"},
                                   true) +
                         "\n\n" + kUnnamableFolders + "\n\n/Vq/Auditing/XM-02-01" + shown +
                         "\n/Vq/Working/XM-02-01" + shown,
                     IDOK);
        CDataDeleteConfirmDlg dlg;
        Prepare(dlg, "XM-01-02", "泵体", "项目一\\");
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        // The kept task keeps its own row; its parent is gone.
        EXPECT_EQ(Rows("ProjectManage"), 2);
        EXPECT_EQ(Rows("ProjectManage", "ProjectNo=' XM-02-01 '"), 1);
    }
}

// vsftpd lists a folder that is not there as an empty one: tasks without folders are deleted
// without a word, and a task's folder with files goes, with what uploads that never ended left in
// it under their hidden temporary names.
TEST_P(DataDeleteConfirmTest, TasksWithoutFoldersOnVsftpdAreDeletedWithoutABox) {
    if (const CString why = vqtest::VsftpdServer::Unavailable(); !why.IsEmpty())
        GTEST_SKIP() << why.str();
    for (bool chrooted : {false, true}) {
        SCOPED_TRACE(chrooted ? "chrooted" : "below the machine's root");
        ws->Execute("DELETE FROM ProjectManage; DELETE FROM TaskDocuments");
        ws->Execute(kProjects);
        vqtest::VsftpdServer vsftpd(chrooted);
        ASSERT_TRUE(vsftpd.IsRunning());
        for (const char* folder : {"Vq/Working", "Vq/Auditing", "Vq/Proven"})
            vsftpd.MakeFolder(folder);
        vsftpd.WriteFile("Vq/Working/P-02/A/d2.dwg", "version A");
        vsftpd.WriteFile("Vq/Working/Q-01/q.dwg", "neighbour");
        vsftpd.WriteFile("Vq/Auditing/P-02/.vq00112233445566ff.part", "an opinion never sent whole");
        vsftpd.WriteFile("Vq/Working/P-02/A/.vq0123456789abcdef.part", "a version never sent whole");
        std::unique_ptr<CFtpConnection> ftp(session.GetFtpConnection(
            vsftpd.Host(), vsftpd.User(), vsftpd.Password(), static_cast<INTERNET_PORT>(vsftpd.Port())));
        ASSERT_TRUE(ftp);
        theApp.m_pFtpConnection = ftp.get();
        vq::ScriptedUser user;
        user.Dialog("数据删除确认 - 项目").Click(IDOK).Message("删除将不可再恢复，是否真的要删除?", IDYES);
        CDataDeleteConfirmDlg dlg;
        Prepare(dlg);
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        theApp.m_pFtpConnection = connection.get();
        EXPECT_EQ(Rows("ProjectManage", "ProjectNo LIKE 'P%'"), 0);
        EXPECT_FALSE(vsftpd.Exists("Vq/Working/P-02"));
        EXPECT_FALSE(vsftpd.Exists("Vq/Auditing/P-02"));
        EXPECT_TRUE(vsftpd.Exists("Vq/Working/Q-01/q.dwg"));
    }
}

TEST_P(DataDeleteConfirmTest, StartedDescendantsAreAskedAbout) {
    ws->Execute(kProjects);
    ws->Execute("UPDATE ProjectManage SET WorkState='正进行中' WHERE ProjectNo='P-01-01'");
    vq::ScriptedUser no;
    no.Message("该项目任务下有 1 个下级子项目，不能直接删除，是否继续?", IDNO);
    CDataDeleteConfirmDlg dlg;
    Prepare(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(no.Succeeded()) << no.Error().c_str();

    // A task below the project's first task: the subtree of T1 only.
    vq::ScriptedUser yes;
    yes.Message("该项目任务下有 1 个下级子项目，不能直接删除，是否继续?", IDYES)
        .Dialog("数据删除确认 - 项目")
        .Click(IDOK)
        .Message("删除将不可再恢复，是否真的要删除?", IDYES);
    CDataDeleteConfirmDlg task;
    Prepare(task, "P-01", "T1", "A_\\");
    EXPECT_EQ(task.DoModal(), IDOK);
    EXPECT_TRUE(yes.Succeeded()) << yes.Error().c_str();
    EXPECT_EQ(Rows("ProjectManage", "ProjectNo LIKE 'P-01%'"), 0);
    EXPECT_EQ(Rows("ProjectManage", "ProjectNo IN ('P', 'P-02', 'Q', 'Q-01')"), 4);
}

TEST_P(DataDeleteConfirmTest, WorkTaskOnTheSubtreeDisablesOkAndFinishedNodeIsRefused) {
    ws->Execute(kProjects);
    ws->Execute("INSERT INTO TeamWorkManage (TaskNo, WorkID) VALUES ('P-01-01', 'P-01-01#001');"
                "INSERT INTO TeamWorkManage (TaskNo, WorkID) VALUES ('Q-01', 'Q-01#001')");
    bool okEnabled = true;
    vq::ScriptedUser user;
    user.Message("该项目任务下有 1 个相关的工作组工作任务，不能直接删除...", IDOK)
        .Dialog("数据删除确认 - 项目")
        .Do([&](CDialog& d) { okEnabled = d.GetDlgItem(IDOK)->IsWindowEnabled(); })
        .Click(IDCANCEL);
    CDataDeleteConfirmDlg dlg;
    Prepare(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(okEnabled);

    ws->Execute("UPDATE ProjectManage SET WorkState='完成' WHERE ProjectNo='P-02'");
    vq::ScriptedUser done;
    done.Dialog("数据删除确认 - 项目")
        .Click(IDOK)
        .Message("任务处于评审或完成状态，不能进行删除...", IDOK)
        .Click(IDCANCEL);
    CDataDeleteConfirmDlg finished;
    Prepare(finished, "P-02", "T2", "A_\\");
    EXPECT_EQ(finished.DoModal(), IDCANCEL);
    EXPECT_TRUE(done.Succeeded()) << done.Error().c_str();
    EXPECT_EQ(Rows("ProjectManage"), 6);
}

// What another client stores while the question is open, judged on the stored rows after the
// answer: a work task on a listed task, a task below one (it would stay without its parent), a
// listed task gone, a task document more than the box counted, the node sent to review. Yes then
// deletes nothing, one box says what changed, and the dialog stays open.
TEST_P(DataDeleteConfirmTest, WhatAnotherClientStoresWhileAskedRefusesTheDeletion) {
    struct Change {
        const char* what;
        const char* write;
        const char* refusal;
    };
    const CString changedTasks =
        "打开删除确认后，其他用户增加、删除或修改了该项目下的任务，没有删除任何数据，请重新打开后再删除...";
    const Change changes[] = {
        {"a work task", kLateWork, "该项目任务下有 1 个相关的工作组工作任务，不能直接删除..."},
        {"a task below a listed one",
         "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('P-02-01', "
         "'T21', "
         "'A_\\T2\\', '未开始')",
         changedTasks},
        {"a listed task gone", "UPDATE ProjectManage SET ProjectPath='AB\\' WHERE ProjectNo='P-02'",
         changedTasks},
        {"a task document", "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('P-02', '图纸')",
         "打开删除确认后，涉及文档数目已变为 4，没有删除任何数据，请重新打开后再删除..."},
        {"the node sent to review", "UPDATE ProjectManage SET WorkState='评审' WHERE ProjectNo='P'",
         "任务处于评审或完成状态，不能进行删除..."}};
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        ws->Execute(
            "DELETE FROM ProjectManage; DELETE FROM TaskDocuments; DELETE FROM TaskLogInformation; DELETE "
            "FROM TaskExtDocument; DELETE FROM TaskRevManage; DELETE FROM TaskAuditManage; DELETE FROM "
            "TeamWorkManage; DELETE FROM TeamWorkResult; DELETE FROM TeamWorkResultPack; DELETE FROM "
            "TeamWorkAudit; DELETE FROM TeamWorkResource; DELETE FROM TeamWorkResourcePack");
        ws->Execute(kProjects);
        FillServer();
        const int projectRows = Rows("ProjectManage");
        vq::ScriptedUser user;
        user.Dialog("数据删除确认 - 项目")
            .Click(IDOK)
            .Message("删除将不可再恢复，是否真的要删除?", IDYES)
            .Dialog("数据删除确认 - 项目")
            .Click(IDCANCEL);
        vqtest::MessageBoxRecorder boxes;
        boxes.WhenShown("是否真的要删除", [&] { ws->Execute(change.write); });
        boxes.Expect(change.refusal);
        CDataDeleteConfirmDlg dlg;
        Prepare(dlg);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(Rows("ProjectManage"), projectRows + (change.write == changes[1].write ? 1 : 0));
        EXPECT_EQ(Rows("TaskExtDocument") + Rows("TaskRevManage") + Rows("TaskAuditManage"), 3);
        EXPECT_EQ(Rows("TeamWorkManage"), change.write == kLateWork ? 1 : 0);
        EXPECT_TRUE(server->Exists("Vq/Working/P-01/A/d1.dwg"));
        EXPECT_TRUE(server->Exists("Vq/Auditing/P-01-01/r.dwg"));
    }
}

// A work task that another client stores on a task not yet deleted, while the deletion runs: the
// deletion stops before that task's rows go, says why, and says what went.
class WorkTaskArrivesDlg : public CDataDeleteConfirmDlg {
public:
    explicit WorkTaskArrivesDlg(const vqtest::DbWorkspace& ws) : m_ws(ws) {}

protected:
    void OnTaskDeleted(int row) override {
        if (row == 0)
            m_ws.Execute(
                "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID) VALUES ('P-02', 'P-02', 'P-02#001')");
    }

private:
    const vqtest::DbWorkspace& m_ws;
};

TEST_P(DataDeleteConfirmTest, AWorkTaskStoredWhileTheDeletionRunsStopsItBeforeItsTask) {
    ws->Execute(kProjects);
    vq::ScriptedUser user;
    user.Dialog("数据删除确认 - 项目")
        .Click(IDOK)
        .Message("删除将不可再恢复，是否真的要删除?", IDYES)
        .Message("该项目任务下有 1 个相关的工作组工作任务，不能直接删除...", IDOK)
        .MessageContaining("删除未能完成：1 项任务", IDOK)
        .Dialog("数据删除确认 - 项目")
        .Click(IDCANCEL);
    WorkTaskArrivesDlg dlg(*ws);
    Prepare(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows("ProjectManage", "ProjectNo LIKE 'P%'"), 4);
    EXPECT_EQ(Rows("TeamWorkManage"), 1);
    EXPECT_EQ(Rows("TaskLogInformation", "ProjectNo='P-02'"), 1); // the task not reached keeps its rows
}

TEST_P(DataDeleteConfirmTest, NothingIsDeletedWithoutTheFtpServer) {
    ws->Execute(kProjects);
    theApp.m_pFtpConnection = nullptr;
    vq::ScriptedUser user;
    user.Dialog("数据删除确认 - 项目")
        .Click(IDOK)
        .Message("删除将不可再恢复，是否真的要删除?", IDYES)
        .Message("文件服务器(FTP)不能使用，没有删除任何数据...", IDOK)
        .Click(IDCANCEL);
    CDataDeleteConfirmDlg dlg;
    Prepare(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows("ProjectManage"), 6);
    EXPECT_EQ(Rows("TaskDocuments"), 4);
}

// The server goes down after the first task was deleted.
class ServerLostDlg : public CDataDeleteConfirmDlg {
public:
    explicit ServerLostDlg(std::optional<vqtest::FtpServer>& server) : m_server(server) {}

protected:
    void OnTaskDeleted(int row) override {
        if (row == 0)
            m_server.reset();
    }

private:
    std::optional<vqtest::FtpServer>& m_server;
};

TEST_P(DataDeleteConfirmTest, DeletionStoppedHalfWayByTheServerLosesNothingUnreported) {
    ws->Execute(kProjects);
    FillServer();
    vq::ScriptedUser user;
    user.Dialog("数据删除确认 - 项目")
        .Click(IDOK)
        .Message("删除将不可再恢复，是否真的要删除?", IDYES)
        .MessageContaining("文件服务器(FTP)连接中断，删除在第 2 项任务[P-0", IDOK)
        .Click(IDCANCEL);
    ServerLostDlg dlg(server);
    Prepare(dlg);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // The project's own task rows went; the tasks after it and every ProjectManage row stay.
    EXPECT_EQ(Rows("TaskDocuments", "ProjectNo='P'"), 0);
    EXPECT_EQ(Rows("TaskExtDocument", "TaskNo='P-01'"), 1);
    EXPECT_EQ(Rows("TaskRevManage", "ProjectNo='P-01'"), 1);
    EXPECT_EQ(Rows("ProjectManage"), 6);
}

// The database refuses the last step, the project rows, once every task was deleted.
class LastStepCutOffDlg : public CDataDeleteConfirmDlg {
public:
    explicit LastStepCutOffDlg(vqtest::DbWorkspace& ws) : m_ws(ws) {}
    bool cutOff = true;

protected:
    void OnTaskDeleted(int row) override {
        if (cutOff && row == m_list.GetItemCount() - 1)
            m_ws.Execute("ALTER TABLE ProjectManage RENAME TO ProjectManageAway");
    }

private:
    vqtest::DbWorkspace& m_ws;
};

TEST_P(DataDeleteConfirmTest, DeletionCutOffAtItsLastStepSaysWhatWentAndFinishesWhenRepeated) {
    ws->Execute(kProjects);
    FillServer();
    LastStepCutOffDlg dlg(*ws);
    vq::ScriptedUser user;
    user.Dialog("数据删除确认 - 项目")
        .Click(IDOK)
        .Message("删除将不可再恢复，是否真的要删除?", IDYES)
        .AnyMessage(IDOK) // the database's own error
        .AnyMessage(IDOK)
        .Message("删除未能完成：4 项任务的文档、日志及文件服务器上的文件夹已删除，任务本身的记录仍在。\n"
                 "再次删除即可完成删除。",
                 IDOK)
        .Do([&](CDialog&) {
            // The tasks' documents and folders are gone, their rows are not.
            ws->Execute("ALTER TABLE ProjectManageAway RENAME TO ProjectManage");
            EXPECT_EQ(Rows("ProjectManage"), 6);
            EXPECT_EQ(Rows("TaskDocuments", "ProjectNo LIKE 'P%'"), 0);
            EXPECT_FALSE(server->Exists("Vq/Working/P-01"));
            dlg.cutOff = false;
        })
        .Click(IDOK)
        .Message("删除将不可再恢复，是否真的要删除?", IDYES);
    Prepare(dlg);
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Rows("ProjectManage", "ProjectNo LIKE 'P%'"), 0);
    EXPECT_EQ(Rows("ProjectManage", "ProjectNo LIKE 'Q%'"), 2);
    EXPECT_EQ(Rows("TaskDocuments"), 1);
}

INSTANTIATE_TEST_SUITE_P(Dialects, DataDeleteConfirmTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
