// Stored texts that name files or folders (document types, step names, file names, stored copy names, task
// numbers, product codes) choose no place on the file server: every place that builds a server
// path from such a text is run with hostile texts against a real FTP server on loopback, and
// afterwards the served tree is byte for byte as it was, the temporary folder holds no new file,
// nothing was opened and the rows of another task are all there. A stored name with a subfolder
// that stays below its folder still works. Each test runs against a server that keeps names as
// they come and against one that reads them as a Windows server does ("XM-02-01. " is
// "XM-02-01").
#include "changeorders/ECOChangeItemDlg.h"
#include "changeorders/ECOChangeLableBrowseDlg.h"
#include "changeorders/ECOChangeLableMaintainDlg.h"
#include "changeorders/ECOModifyItemDlg.h"
#include "changeorders/ECONextAuditTaskDlg.h"
#include "changeorders/PartChangeLableMaintainDlg.h"
#include "changeorders/PartDesignHistoryDlg.h"
#include "changeorders/PartDrawingSource.h"
#include "core/EntryFrame.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ChangeOrderSheet.h"
#include "parts/PartRevisionTreeDlg.h"
#include "parts/RevisionDocumentList.h"
#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/db/SqlText.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/maker/FileStore.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/ScriptedUser.h"
#include "projects/AssignProjectTaskDlg.h"
#include "projects/DataDeleteConfirmDlg.h"
#include "projects/ProjectStructDlg.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/ProjectTeamDlg.h"
#include "projects/ProjectTeamIds.h"
#include "projects/SelectProjectTeamerDlg.h"
#include "projects/TaskVersionDlg.h"
#include "review/AssistAuditDlg.h"
#include "review/AuditOpinionDlg.h"
#include "review/ProjectTaskAuditDlg.h"
#include "review/WorkDocAuditResultDlg.h"
#include "teamwork/AssignTeamTaskDlg.h"
#include "teamwork/DeleteWorkCascade.h"
#include "teamwork/TaskPartDlg.h"
#include "teamwork/TeamGroupFileManageDlg.h"
#include "teamwork/TeamTaskItemDlg.h"
#include "teamwork/TeamWorkTaskStateDlg.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/RecordingShell.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>
#include <vector>

extern "C" int DoProjectTaskAudit(CString taskNo, CString login, CString stepName);
extern "C" int DoMultiProjectTaskAudit(int unused, CString taskNo, CString login, CString stepName);
extern "C" int PartChangeLableMaintain(CString partNumber, int unused, CString login);
extern "C" int PartChangeLableBrowse(CString partNumber, CString login);
extern "C" int BrowsePartReversionTree(CString partCode, CString login);
extern "C" int DoTeamTaskAudit(CString fileId, CString login, CString step);
extern "C" int AssignProjectStructMain(CString projectNo, CString login, int unused);
extern "C" int ShowECOChanageItemData(CString number, CString login);
extern "C" int ECOChangeLableBrowseMain(CString group, CString number, CString login);
extern "C" int ShowPartECODesignHistory(CString partCode, CString login);
extern "C" int DoMultiTeamTaskAudit(int unused, CString fileId, CString login, CString step);
extern "C" int DoMultiTeamTaskAuditEx(CStringArray* fileIds, CString login, CStringArray* steps,
                                      CString workId, int delegated, int assisting);
extern "C" int DoTeamTaskAuditWithMarkup(CString fileId, CString login, CString task, int delegated);
extern "C" int DoTeamTaskNextAudit(CString fileId, CString login, CString task);
extern "C" int TeamAssignNextAuditTaskMain(CString fileId, CString step, CString login, int readOnly);
extern "C" int TeamAssignNextAuditTaskShow(CString fileId, CString step, CString login);
extern "C" int ShowTeamTaskAuditResult(CString fileId, CString login);
extern "C" int SendDesignFileToAudit(CString fileId, CString login, CString superior);
extern "C" int ECOAssignNextAuditTaskMain(CString group, CString number, CString stepName, CString login,
                                          int displayOnly);
extern "C" int ECOAssignNextAuditTaskShow(CString group, CString number, CString stepName, CString login);
extern "C" int ShowECOModifyItemData(CString number, CString login);
extern "C" int ECOChangeLableMainTain(CString group, CString number, CString docType, int readOnly,
                                      CString login);
extern "C" int ECOChangeLableBrowse(CString group, CString number, CString docType, CString login);
extern "C" int ECOChangeLableBrowseMainEx(CString group, CString number, CString login, int editOverride);
extern "C" int AssignProjectTaskMain(CString projectNo, CString login, int readOnly);
extern "C" int TeamWorkTaskStateMaintain(CString workId, CString login, int unused);
extern "C" int TeamGorupFileManageMain(CString taskNo, int byWorkId, CString login);
extern "C" int AssignTaskPartMain(CString workId, CString login, int readOnly);
extern "C" int AssignProjectTeamMain(CString taskNo, CString projectNo, CString groupType, CString login,
                                     int readOnly);
extern "C" CString SelectProjectTeamer(CString taskNo, CString projectNo, CString groupType, CString login);
extern "C" CString CreateNewProjectTaskItem(CString itemNo, CString unused, CString login);
extern "C" CString CreateNewTeamTaskItem(CString taskNo, CString upWorkId, CString unused, CString login);
extern "C" int AssignTeamTaskMain(CString projectNo, CString parentNo, CString login, int readOnly,
                                  int groupMode);

namespace {

namespace fs = std::filesystem;
using D = CProjectTaskAuditDlg;

// The refusal of a name the file server cannot use in the folder it is taken in: the name itself
// is shown, not a failure of the network, with its control characters and the blanks at its ends
// written out ("XM-02-01<U+0020>").
CString UnusableName(const CString& name) {
    return "增加文档失败，文件服务器上不能使用这个名称:\n" + CString(vq::VisibleText(name.str()));
}

// The names of the fault reports: each would reach a file outside the folder it is taken in.
const char* const kHostileNames[] = {
    "x/../../../Working/XM-02-01/B-3000-02-01",
    "x\\..\\..\\..\\Working\\XM-02-01\\B-3000-02-01",
    "../../../../x.dwg",
    "/srv/x.dwg",
    "..\\..\\x.dwg",
    "../../Proven/P-1000/P-1000-01-02/B/P-1000-01-02.dwg",
    "C:\\x.dwg",
    "a\x01"
    "b.dwg",
};

// Names of dots and blanks only: as a whole file or folder name each names the folder it is
// taken in or the one above (a server that drops trailing dots and blanks reads "...", ". " and
// ".. " as "." or "..").
const char* const kDotNames[] = {".", "...", ". ", ".. "};

// Another task's number "XM-02-01" as another client may store it for a task of its own: to a
// server that drops trailing dots and blanks, or to a reader that trims the text, it is
// "XM-02-01".
const char* const kOtherTaskNumbers[] = {"XM-02-01.", "XM-02-01..", "XM-02-01 ",
                                         " XM-02-01", "XM-02-01. ", "XM-02-01\t"};

const char* const kTask =
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
    "AuditingModel, AuditorName) VALUES ('P-1', '泵体设计', '项目\\', 'mgr', '评审', '一级评审', 'u1');"
    "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('一级评审', '串联', "
    "'校对(40,20)');"
    "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, "
    "AuditManager) VALUES ('P-1', '校对', 'u1', '2026-12-01', '未完成', 'F', 'u1');"
    "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, CurrentRev) VALUES ('P1', '箱座', 'PRD', "
    "'B');"
    // Task XM-02-01 of another project, with its documents, review step and log.
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('XM-02', '项目二', "
    "'项目管理', '正进行中'), ('XM-02-01', '箱体', '项目二\\', '正进行中');"
    "INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName) VALUES ('XM-02-01', '总图', "
    "'B-3000-02-01.dwg'), ('XM-02-01', '零件图', 'B-3000-02-01.dwf');"
    "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, "
    "AuditManager) "
    "VALUES ('XM-02-01', '校对', 'u2', '2026-12-01', '未完成', 'F', 'u2');"
    "INSERT INTO TaskLogInformation (ProjectNo, WorkType) VALUES ('XM-02-01', '分配任务')";

// Every file below a folder with its size and a hash of its bytes (a short text for a failure).
std::map<std::string, std::string> FilesBelow(const CString& root) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root.str())) {
        if (!entry.is_regular_file())
            continue;
        std::string bytes;
        if (FILE* f = std::fopen(entry.path().c_str(), "rb")) {
            char buffer[4096];
            for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, f)) > 0;)
                bytes.append(buffer, n);
            std::fclose(f);
        }
        files[fs::relative(entry.path(), root.str()).string()] =
            std::to_string(bytes.size()) + " bytes, hash " + std::to_string(std::hash<std::string>{}(bytes));
    }
    return files;
}

using vqtest::RecordingShell;

// The dialect, and whether the server reads names as a Windows server does.
class StoredNamePathsTest : public ::testing::TestWithParam<std::tuple<int, bool>> {
public:
    int Dialect() const { return std::get<0>(GetParam()); }
    bool WindowsNames() const { return std::get<1>(GetParam()); }

    void SetUp() override {
        ASSERT_TRUE(ftp.IsRunning());
        ws.emplace(Dialect());
        vqtest::ConfigRow row;
        row.domainName = "127.0.0.1:" + CString(std::to_string(ftp.Port()));
        row.ftpUser = ftp.User();
        row.ftpPwd = ftp.Password();
        ws->SetConfig(row);
        ws->Execute(kTask);
        // What lies outside the folders the places work in: a task's working drawing, another
        // product's released drawing, files at the top of the served tree.
        ftp.WriteFile("Vq/Working/XM-02-01/B-3000-02-01", std::string(5903, 'W'));
        ftp.WriteFile("Vq/Working/XM-02-01/B-3000-02-01.dwf", std::string(5903, 'W'));
        ftp.WriteFile("Vq/Working/XM-02-01/B-3000-02-01.rtf", "{\\rtf1 another task's text}");
        ftp.WriteFile("Vq/Auditing/XM-02-01/校对.rtf", "{\\rtf1 another task's opinion}");
        ftp.WriteFile("Vq/Proven/P-1000/P-1000-01-02/B/P-1000-01-02.dwg",
                      "released drawing of another product");
        ftp.WriteFile("x.dwg", "top");
        ftp.WriteFile("srv/x.dwg", "srv");
        ftp.WriteFile("Vq/Working/P-1/total.dwg", "task drawing");
        ftp.WriteFile("Vq/Working/P-1/sub/part.dwg", "drawing in a subfolder");
        ftp.MakeFolder("Vq/Auditing/P-1");
        ftp.MakeFolder("Vq/Proven/PRD/P1/B");
        // Released under a product whose code is the part's own: "Vq/Proven/./P1/B" would be it.
        ftp.WriteFile("Vq/Proven/P1/B/drawing.dwg", "released drawing of product P1");
        redline = ws->WriteFile("in/redline.dwf", "redline markup.");
    }
    void TearDown() override {
        Lend(false);
        ws.reset();
    }

    // Lends the product database and an FTP connection to the application, as an entry call does.
    void Lend(bool lend) {
        if (lend) {
            connection.reset(session.GetFtpConnection(ftp.Host(), ftp.User(), ftp.Password(),
                                                      static_cast<INTERNET_PORT>(ftp.Port())));
            ASSERT_TRUE(connection);
            theApp.m_pConnPDM = ws->Connect();
            theApp.m_pFtpConnection = connection.get();
        } else {
            theApp.m_pFtpConnection = nullptr;
            theApp.m_pConnPDM = nullptr;
            connection.reset();
        }
    }
    void SetTaskDocument(const CString& type, const CString& file) {
        ws->Execute("DELETE FROM TaskDocuments WHERE ProjectNo='P-1';INSERT INTO TaskDocuments (ProjectNo, "
                    "DocumentType, FileName, "
                    "FileType, "
                    "FileBulk, FileDate, FileRemark) VALUES ('P-1', '" +
                    SqlQuote(type) + "', '" + SqlQuote(file) +
                    "', 'AutoCAD 图形', '12KB', '2026-11-30', '')");
    }
    // The documents, review steps and log rows of task XM-02-01, and whether its row is there.
    CString RowsOfTheOtherTask() const {
        CString rows;
        for (const char* table : {"ProjectManage", "TaskDocuments", "TaskAuditManage", "TaskLogInformation"})
            rows +=
                ws->QueryText(CString("SELECT count(*) FROM ") + table + " WHERE ProjectNo='XM-02-01'") + " ";
        return rows;
    }
    CString RedlineFiles() const {
        return ws->QueryText(
            "SELECT RedlineFiles FROM TaskAuditManage WHERE ProjectNo='P-1' AND AuditName='校对'");
    }

    vqtest::FtpServer ftp{"vquser", "vqpass", true, false, false, false, WindowsNames()};
    std::optional<vqtest::DbWorkspace> ws;
    CInternetSession session{"vqtest"};
    std::unique_ptr<CFtpConnection> connection;
    CString redline;
};

// What a place takes the stored text as: a part of a file name (the names with separators are
// hostile there), a whole file name (the dot names as well), or a number or code that names a
// folder once made a valid file name (only the dot names reach anything there), or a task's
// number (the dot names, and another task's number as a server or a trimming reader reads it).
enum class Taken { PartOfName, WholeName, FolderName, TaskNumber };

// One place that builds a server path from a stored text: it runs with that text and checks the
// refusal it shows (the dialog's own failure message, or the failure result of a store call).
struct Place {
    const char* name;
    std::function<void(StoredNamePathsTest& f, const CString& text)> run;
    Taken taken = Taken::PartOfName;
};

// The review of a task numbered with the text: the task's documents, opinion and redline files
// live in the folders named after the number.
void AddTaskNumbered(StoredNamePathsTest& f, const CString& text) {
    const CString no = SqlQuote(text);
    f.ws->Execute(
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
        "AuditingModel, AuditorName) VALUES ('" +
        no +
        "', '点号任务', '项目\\', 'mgr', '评审', '一级评审', 'u1');"
        "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, "
        "AuditManager) VALUES ('" +
        no +
        "', '校对', 'u1', '2026-12-01', '未完成', 'F', 'u1');"
        "INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, "
        "FileRemark) VALUES ('" +
        no + "', '总图', 'XM-02-01/B-3000-02-01.dwf', 'DWF', '6KB', '2026-11-30', '')");
}

// The project-task review: its documents, opinions and redlines.
std::vector<Place> ReviewPlaces() {
    return {
        {"redline upload of the project-task review (document type)",
         [](StoredNamePathsTest& f, const CString& text) {
             f.SetTaskDocument(text, "total.dwg");
             vq::ScriptedUser user;
             user.DialogContaining("评审意见")
                 .Select(D::kDocumentsId, 0)
                 .Click(D::kAttachId)
                 .Dialog("输入文件名")
                 .Set(1182, f.redline)
                 .Click(IDOK)
                 .Message(UnusableName("校对_" + text + ".dwf"), IDOK)
                 .Click(IDCANCEL)
                 .Message("是否要保存审查文档结果?", IDNO);
             EXPECT_EQ(DoProjectTaskAudit("P-1", "u1", "校对"), 0);
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             EXPECT_EQ(f.RedlineFiles(), "");
         }},
        {"opinion of the project-task review (step name)",
         [](StoredNamePathsTest& f, const CString& text) {
             f.ws->Execute("INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, "
                           "AuditResult, Working, AuditManager) VALUES ('P-1', '" +
                           SqlQuote(text) + "', 'u1', '2026-12-01', '已完成', '通过', 'F', 'u1')");
             vq::ScriptedUser user;
             user.Message("打开评审意见文件出错!", IDOK)
                 .Message("该评审任务不存在，为无效路径!", IDOK)
                 .DialogContaining("评审意见")
                 .Click(IDCANCEL)
                 .Message("是否要保存审查文档结果?", IDNO);
             EXPECT_EQ(DoProjectTaskAudit("P-1", "u1", text), 0);
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             f.ws->Execute("DELETE FROM TaskAuditManage WHERE AuditName<>'校对'");
         }},
        {"document list of the project-task review (file name)",
         [](StoredNamePathsTest& f, const CString& text) {
             f.SetTaskDocument("总图", text);
             vq::ScriptedUser user;
             user.DialogContaining("评审意见")
                 .Check(D::kBrowseId, 1)
                 .Click(IDCANCEL)
                 .Message("是否要保存审查文档结果?", IDNO);
             EXPECT_EQ(DoProjectTaskAudit("P-1", "u1", "校对"), 0);
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
         },
         Taken::WholeName},
    };
}

// The project-task review of a task numbered with the text.
std::vector<Place> NumberedTaskReviewPlaces() {
    return {
        {"project-task review of a task numbered with the text (task number)",
         [](StoredNamePathsTest& f, const CString& text) {
             AddTaskNumbered(f, text);
             f.ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwf");
             vq::ScriptedUser user;
             user.DialogContaining("评审意见")
                 .Check(D::kBrowseId, 1)
                 .Select(D::kDocumentsId, 0)
                 .Click(D::kAttachId)
                 .Dialog("输入文件名")
                 .Set(1182, f.redline)
                 .Click(IDOK)
                 .Message(UnusableName(text), IDOK)
                 .Click(IDCANCEL)
                 .Message("是否要保存审查文档结果?", IDNO);
             EXPECT_EQ(DoProjectTaskAudit(text, "u1", "校对"), 0);
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             EXPECT_EQ(f.ws->QueryText("SELECT AuditState FROM TaskAuditManage WHERE ProjectNo='" +
                                       SqlQuote(text) + "'"),
                       "未完成");
             // The reviewer's opinion is written to the temporary folder before it is sent: that
             // copy is the reviewer's own text, named after the step.
             std::remove((f.ws->WorkDir() + "/校对.rtf").c_str());
             const CString no = SqlQuote(text);
             f.ws->Execute("DELETE FROM ProjectManage WHERE ProjectNo='" + no +
                           "';DELETE FROM TaskAuditManage WHERE ProjectNo='" + no +
                           "';DELETE FROM TaskDocuments WHERE ProjectNo='" + no + "'");
         },
         Taken::TaskNumber},
    };
}

// The released documents and drawings of a revision, and the revision browser of a product's part.
std::vector<Place> ReleasedPlaces() {
    return {
        {"released document of a revision (file name)",
         [](StoredNamePathsTest& f, const CString& text) {
             f.Lend(true);
             ASSERT_TRUE(f.connection->SetCurrentDirectory("/Vq/Proven/PRD/P1/B"));
             vq::ScriptedUser user;
             user.Message("文档下载失败!", IDOK);
             vq::CallFolder copies;
             EXPECT_EQ(FetchRevisionDocument(f.connection.get(), copies.Path(), text, "P1", "B",
                                             INTERNET_FLAG_RELOAD),
                       "");
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             f.Lend(false);
         },
         Taken::WholeName},
        {"released drawing of the change labels (file name)",
         [](StoredNamePathsTest& f, const CString& text) {
             // Only drawings are fetched there: the hostile name ends as one.
             const CString name = text.Right(4).CompareNoCase(".dwg") == 0 ? text : text + ".dwg";
             f.ws->Execute("DELETE FROM Documents;INSERT INTO Documents VALUES ('P1', '设计图', '" +
                           SqlQuote(name) + "', 'DWG', '12KB', '', '', 'B')");
             f.Lend(true);
             {
                 CPartDrawingSource source;
                 source.m_strPartCode = "P1";
                 ASSERT_EQ(source.ResolveDrawing(), 1);
                 ASSERT_EQ(source.FindDesignDrawing("B"), name);
                 // A path that leaves the revision's folder is refused; one that stays below it
                 // finds nothing there.
                 vq::ScriptedUser user;
                 user.Message(vq::StaysBelowFolder(source.RemotePath("B"))
                                  ? "不能取得文档" + name + "：服务器上没有该文件。"
                                  : CString("不能正常读取设计文档..."),
                              IDOK);
                 vq::CallFolder copies;
                 EXPECT_EQ(source.FetchDrawing(copies.Path(), "B", true), "");
                 EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             }
             f.Lend(false);
         }},
        {"revision browser of a part of a product coded with the text (product code)",
         [](StoredNamePathsTest& f, const CString& text) {
             f.ws->Execute(
                 "UPDATE VqkorvelAll_title SET ProductDwgCode='" + SqlQuote(text) +
                 "' WHERE TCode='P1';"
                 "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', '', 'B');"
                 "DELETE FROM Documents;INSERT INTO Documents VALUES ('P1', '设计图', 'drawing.dwg', 'DWG', "
                 "'12KB', '', '', 'B')");
             f.ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
             f.Lend(true);
             {
                 vq::ScriptedUser user;
                 user.Dialog("浏览图号版本信息")
                     .Tree(1009, "图号 P1 的版本信息.../B")
                     .Check(1013, 1)
                     .Message("不能正常设置服务器存储信息...", IDOK)
                     .Click(IDOK);
                 CPartRevisionTreeDlg dlg;
                 dlg.m_strPartCode = "P1";
                 dlg.DoModal();
                 EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             }
             f.Lend(false);
             f.ws->Execute("UPDATE VqkorvelAll_title SET ProductDwgCode='PRD' WHERE TCode='P1';DELETE FROM "
                           "PartRevManage;DELETE FROM Documents");
         },
         Taken::FolderName},
    };
}

// The work-document store and the versions of a task.
std::vector<Place> StorePlaces() {
    return {
        {"work-document store (stored copy name)",
         [](StoredNamePathsTest& f, const CString& text) {
             f.Lend(true);
             CVQTWSaveFileToFTP store;
             store.SetConnection(f.connection.get());
             ASSERT_EQ(store.InitVQPDMFTP(), 1);
             EXPECT_EQ(store.PutVQPDMFileToFTP(f.redline, text), 0);
             EXPECT_EQ(store.GetVQPDMFileFromFTP(text, f.ws->TempDir() + "/copy.dwg"), 0);
             EXPECT_EQ(store.DeleteVQPDMFileInFTP("F1", text), 0);
             // Not looked for: the copy counts as one that may still be there.
             EXPECT_EQ(store.FindVQPDMFileInFTP(text), -1);
             f.Lend(false);
         },
         Taken::WholeName},
        {"versions of a task numbered with the text (task number)",
         [](StoredNamePathsTest& f, const CString& text) {
             const CString no = SqlQuote(text);
             // Version "XM-02-01" of task "." would be another task's working folder.
             f.ws->Execute(
                 "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState, CurrentRev) "
                 "VALUES ('" +
                 no +
                 "', '点号任务', '项目\\', '完成', 'XM-02-01');"
                 "INSERT INTO TaskRevManage (ProjectNo, RevPath, RevNumber) VALUES ('" +
                 no +
                 "', '', 'XM-02-01');"
                 "INSERT INTO TaskRevDocuments VALUES ('" +
                 no + "', '总图', 'B-3000-02-01.dwf', 'DWF', '6KB', '2026-01-01', '', 'XM-02-01')");
             f.ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwf");
             f.Lend(true);
             {
                 vq::ScriptedUser user;
                 user.Dialog("浏览所有版本信息")
                     .Tree(CTaskVersionDlg::kTreeId, "项目 " + text + " 的版本信息.../XM-02-01")
                     .Check(CTaskVersionDlg::kBrowseId, 1)
                     .Select(CTaskVersionDlg::kListId, 0)
                     .Click(IDCANCEL);
                 CTaskVersionDlg dlg;
                 dlg.m_strTaskNo = text;
                 dlg.DoModal();
                 EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             }
             f.Lend(false);
             f.ws->Execute("DELETE FROM ProjectManage WHERE ProjectNo='" + no +
                           "';DELETE FROM TaskRevManage;DELETE FROM TaskRevDocuments");
         },
         Taken::TaskNumber},
    };
}

// The cascade deletion in the work breakdown.
std::vector<Place> DeletionPlaces() {
    return {
        {"cascade deletion of a task numbered with the text below the deleted one (task number)",
         [](StoredNamePathsTest& f, const CString& text) {
             const CString no = SqlQuote(text);
             f.ws->Execute(
                 "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES "
                 "('Q-9', '上级任务', '项目管理', '未开始'), ('" +
                 no +
                 "', '点号任务', '上级任务\\', '未开始');"
                 "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('" +
                 no + "', '图纸')");
             f.Lend(true);
             {
                 // The task keeps its rows, its own row among them, and everything on the server;
                 // the box names it (the row above it is gone).
                 vq::ScriptedUser user;
                 user.Dialog("数据删除确认 - 项目")
                     .Click(IDOK)
                     .Message("删除将不可再恢复，是否真的要删除?", IDYES)
                     .MessageContaining("以下 1 项任务的编号不能用作文件服务器(FTP)上的文件夹名", IDOK);
                 CDataDeleteConfirmDlg dlg;
                 dlg.ProjectNo = "Q-9";
                 dlg.ProjectName = "上级任务";
                 dlg.ProjectPath = "项目管理";
                 EXPECT_EQ(dlg.DoModal(), IDOK);
                 EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             }
             f.Lend(false);
             EXPECT_EQ(f.ws->QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectNo='Q-9'"), "0");
             EXPECT_EQ(
                 f.ws->QueryText("SELECT ProjectName FROM ProjectManage WHERE ProjectPath LIKE '上级任务%'"),
                 "点号任务");
             EXPECT_EQ(f.ws->QueryText("SELECT count(*) FROM TaskDocuments WHERE ProjectNo='" + no + "'"),
                       "1");
             f.ws->Execute("DELETE FROM TaskDocuments WHERE ProjectNo='" + no +
                           "';DELETE FROM ProjectManage WHERE ProjectPath LIKE '上级任务%'");
         },
         Taken::TaskNumber},
    };
}

// Every place of the list, run with each name it may take, reaches nothing outside its folder: no
// file on the server or in the temporary folder changes, the other task keeps its rows and nothing
// is opened.
void ExpectHostileNamesReachNothing(StoredNamePathsTest& f, const std::vector<Place>& places) {
    RecordingShell shell;
    const auto served = FilesBelow(f.ftp.Root());
    const auto temporary = FilesBelow(f.ws->TempDir());
    const CString otherTask = f.RowsOfTheOtherTask();
    ASSERT_EQ(otherTask, "1 2 1 1 ");
    for (const Place& place : places) {
        std::vector<const char*> names;
        if (place.taken == Taken::PartOfName || place.taken == Taken::WholeName)
            names.assign(std::begin(kHostileNames), std::end(kHostileNames));
        if (place.taken != Taken::PartOfName)
            names.insert(names.end(), std::begin(kDotNames), std::end(kDotNames));
        if (place.taken == Taken::TaskNumber)
            names.insert(names.end(), std::begin(kOtherTaskNumbers), std::end(kOtherTaskNumbers));
        for (const char* name : names) {
            SCOPED_TRACE(std::string(place.name) + ": \"" + name + "\"");
            place.run(f, name);
            EXPECT_EQ(FilesBelow(f.ftp.Root()), served);
            EXPECT_EQ(FilesBelow(f.ws->TempDir()), temporary);
            EXPECT_EQ(f.RowsOfTheOtherTask(), otherTask);
            EXPECT_TRUE(shell.opened.empty());
            shell.opened.clear();
        }
    }
}

} // namespace

TEST_P(StoredNamePathsTest, HostileNamesInTheReviewReachNothingOutsideTheirFolder) {
    ExpectHostileNamesReachNothing(*this, ReviewPlaces());
}

TEST_P(StoredNamePathsTest, HostileTaskNumbersInTheReviewReachNothingOutsideTheirFolder) {
    ExpectHostileNamesReachNothing(*this, NumberedTaskReviewPlaces());
}

TEST_P(StoredNamePathsTest, HostileNamesOfReleasedFilesReachNothingOutsideTheirFolder) {
    ExpectHostileNamesReachNothing(*this, ReleasedPlaces());
}

TEST_P(StoredNamePathsTest, HostileNamesInTheStoreAndVersionsReachNothingOutsideTheirFolder) {
    ExpectHostileNamesReachNothing(*this, StorePlaces());
}

TEST_P(StoredNamePathsTest, HostileNamesInTheCascadeDeletionReachNothingOutsideTheirFolder) {
    ExpectHostileNamesReachNothing(*this, DeletionPlaces());
}

namespace {

// Numbers made of another task's number "XM-02-01" with up to two of '.', ' ', TAB and NUL before
// or after it.
std::vector<std::string> NumbersAroundAnotherTasksNumber() {
    const std::string marks(". \t\0", 4);
    std::vector<std::string> affixes{""};
    for (char a : marks)
        affixes.emplace_back(1, a);
    for (char a : marks) {
        for (char b : marks)
            affixes.push_back(std::string{a, b});
    }
    std::vector<std::string> numbers;
    for (const std::string& before : affixes) {
        for (const std::string& after : affixes) {
            if (!before.empty() || !after.empty())
                numbers.push_back(before + "XM-02-01" + after);
        }
    }
    return numbers;
}

// A text as a SQL expression; a NUL in it as SQLite's char(0).
CString SqlTextExpression(const std::string& text) {
    CString expression;
    for (std::size_t start = 0;;) {
        const std::size_t nul = text.find('\0', start);
        expression += "'" + SqlQuote(CString(text.substr(start, nul - start))) + "'";
        if (nul == std::string::npos)
            return expression;
        expression += " || char(0) || ";
        start = nul + 1;
    }
}

// The names of the tasks directly below a path.
std::set<std::string> TaskNamesBelow(const _ConnectionPtr& connection, const CString& path) {
    std::set<std::string> names;
    _RecordsetPtr rs;
    rs.CreateInstance();
    rs->Open("SELECT ProjectName FROM ProjectManage WHERE ProjectPath='" + SqlQuote(path) + "'", connection,
             adOpenForwardOnly, adLockReadOnly, adCmdText);
    for (; !rs->IsEOF(); rs->MoveNext()) {
        CString name;
        rs->GetCollect(0L).TryGetString(name);
        names.insert(name.str());
    }
    return names;
}

} // namespace

// Every such number, stored by another client for a task below the task deleted in the work
// breakdown, deletes nothing of task XM-02-01: neither its rows nor its folders. The tasks whose
// number names a folder of its own (".XM-02-01", "..XM-02-01", ". XM-02-01") go with their
// folders; every other keeps its rows, its own row among them. The unique index on the number does not let in
// at once two numbers that compare equal (on SQLite, two that differ only after a NUL): they are stored in
// later rounds.
TEST_P(StoredNamePathsTest, NumbersMadeOfAnotherTasksNumberDeleteNothingOfThatTask) {
    std::vector<std::string> untested;
    for (const std::string& number : NumbersAroundAnotherTasksNumber()) {
        // PostgreSQL keeps no NUL in a text.
        if (!vqtest::DbWorkspace::OnPostgreSQL() || number.find('\0') == std::string::npos)
            untested.push_back(number);
    }
    const std::set<std::string> ownFolders = {".XM-02-01", "..XM-02-01", ". XM-02-01"};
    const CString below = "项目一\\泵体\\";
    ws->Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('XM-01', "
                "'项目一', '项目管理', '未开始')");
    const auto served = FilesBelow(ftp.Root());
    const CString otherTask = RowsOfTheOtherTask();
    Lend(true);
    for (int round = 1; !untested.empty(); ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        CString script = "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES "
                         "('XM-01-02', '泵体', '项目一\\', '未开始')";
        // The last one makes sure that a task of every round is refused.
        std::vector<std::string> numbers = untested;
        numbers.push_back("XM-02-01.");
        for (std::size_t i = 0; i < numbers.size(); ++i) {
            const CString number = SqlTextExpression(numbers[i]);
            script += ";INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) SELECT " +
                      number + ", '子任务" + CString(std::to_string(i)) + "', '" + SqlQuote(below) +
                      "', '未开始' WHERE NOT EXISTS (SELECT 1 FROM ProjectManage WHERE ProjectNo=" + number +
                      ")";
        }
        script += ";INSERT INTO TaskDocuments (ProjectNo, DocumentType) SELECT ProjectNo, '图纸' FROM "
                  "ProjectManage "
                  "WHERE ProjectPath='" +
                  SqlQuote(below) + "'";
        ws->Execute(script);
        const std::set<std::string> stored = TaskNamesBelow(theApp.m_pConnPDM, below);
        std::vector<std::string> later;
        int ownFolderTasks = 0;
        for (std::size_t i = 0; i + 1 < numbers.size(); ++i) {
            if (!stored.count("子任务" + std::to_string(i))) {
                later.push_back(numbers[i]);
            } else if (ownFolders.count(numbers[i])) {
                ++ownFolderTasks;
                ftp.WriteFile("Vq/Working/" + CString(numbers[i]) + "/a.dwg", "own drawing");
                ftp.WriteFile("Vq/Auditing/" + CString(numbers[i]) + "/校对.rtf", "own opinion");
            }
        }
        ASSERT_LT(later.size(), untested.size());

        vq::ScriptedUser user;
        user.Dialog("数据删除确认 - 项目")
            .Click(IDOK)
            .Message("删除将不可再恢复，是否真的要删除?", IDYES)
            .MessageContaining("项任务的编号不能用作文件服务器(FTP)上的文件夹名", IDOK);
        CDataDeleteConfirmDlg dlg;
        dlg.ProjectNo = "XM-01-02";
        dlg.ProjectName = "泵体";
        dlg.ProjectPath = "项目一\\";
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

        EXPECT_EQ(RowsOfTheOtherTask(), otherTask);
        EXPECT_EQ(FilesBelow(ftp.Root()), served);
        // The refused tasks keep their documents and their own rows; every other row goes.
        const CString kept = CString(std::to_string(stored.size() - ownFolderTasks));
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectPath LIKE '项目一%'"), kept);
        EXPECT_EQ(
            ws->QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectPath='" + SqlQuote(below) + "'"),
            kept);
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM TaskDocuments WHERE DocumentType='图纸'"), kept);
        ws->Execute("DELETE FROM TaskDocuments WHERE DocumentType='图纸';DELETE FROM ProjectManage WHERE "
                    "ProjectPath LIKE '项目一%'");
        untested = later;
    }
    Lend(false);
}

namespace {

// Numbers that a server ignoring case reads as one folder name, made of the capital and small
// letters of several scripts (final and medial sigma are two letters to the database, one to such
// a server); each pair in both orders.
std::vector<std::pair<std::string, std::string>> FoldEqualNumbers() {
    const std::pair<const char*, const char*> letters[] = {{"X", "x"},       {"Σ", "σ"}, {"Σ", "ς"},
                                                           {"σ", "ς"},       {"Ж", "ж"}, {"Ｘ", "ｘ"},
                                                           {"ΣЖＸ", "ςжｘ"}, {"Ω", "ω"}};
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const auto& [one, other] : letters) {
        pairs.emplace_back(std::string(one) + "M-03-01", std::string(other) + "m-03-01");
        pairs.emplace_back(std::string(other) + "m-03-01", std::string(one) + "M-03-01");
    }
    return pairs;
}

// Numbers that name one folder once made valid file names: "XM-03#01" beside "XM-03+01" and each
// other character the mapping writes as "#" (on any server), and "xm-03#01" beside "XM-03+01" (on
// a server ignoring case). The first names its folder as it is.
std::vector<std::pair<std::string, std::string>> FileNameEqualNumbers() {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const char* ch = vq::kFileNameUnsafe; *ch; ++ch)
        pairs.emplace_back("XM-03#01", "XM-03" + std::string(1, *ch) + "01");
    pairs.emplace_back("xm-03#01", "XM-03+01");
    return pairs;
}

// The line of the deletion box for a folder kept because a staying task's number names it too.
CString SharedFolderLine(const CString& area, const std::string& deleted, const std::string& other) {
    return "/Vq/" + area + "/" + CString(vq::VisibleText(StoredFolderName(CString(deleted)).str())) +
           "（任务 " + CString(vq::VisibleText(deleted)) + " 与任务 " + CString(vq::VisibleText(other)) +
           "）";
}

} // namespace

// Two tasks whose numbers name one folder on the server (read without regard to case, or made
// valid file names), stored by another client (or before such numbers were refused): deleting the
// one below the deleted task leaves every file of the other and its rows; the folders are kept and
// named with both numbers, on a server that ignores case and on one that does not.
TEST_P(StoredNamePathsTest, DeletingOneOfTwoTasksOfOneFolderNameLeavesTheOthersFiles) {
    Lend(true);
    auto twins = FoldEqualNumbers();
    for (const auto& pair : FileNameEqualNumbers())
        twins.push_back(pair);
    for (const auto& [other, deleted] : twins) {
        SCOPED_TRACE("deleting " + deleted + " beside " + other);
        ws->Execute(
            "DELETE FROM ProjectManage WHERE ProjectName IN ('项目一', '泵体', '子任务', '项目三', "
            "'他人任务');"
            "DELETE FROM TaskDocuments WHERE DocumentType IN ('图纸', '他人图纸');"
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('XM-01', "
            "'项目一', '项目管理', '未开始'), ('XM-01-02', '泵体', '项目一\\', '未开始'), ('XM-03', "
            "'项目三', "
            "'项目管理', '正进行中'), ('" +
            CString(other) +
            "', '他人任务', '项目三\\', '正进行中');"
            "INSERT INTO TaskDocuments (ProjectNo, DocumentType) VALUES ('" +
            CString(other) +
            "', '他人图纸');"
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) SELECT '" +
            CString(deleted) +
            "', '子任务', '项目一\\泵体\\', '未开始' WHERE NOT EXISTS (SELECT 1 FROM "
            "ProjectManage WHERE ProjectNo='" +
            CString(deleted) +
            "');"
            "INSERT INTO TaskDocuments (ProjectNo, DocumentType) SELECT ProjectNo, '图纸' FROM ProjectManage "
            "WHERE ProjectName='子任务'");
        if (ws->QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectName='子任务'") == "0")
            continue; // the unique index holds the two numbers equal
        ftp.WriteFile("Vq/Working/" + CString(other) + "/a.dwg", "other task's drawing");
        ftp.WriteFile("Vq/Auditing/" + CString(other) + "/校对.rtf", "other task's opinion");
        const auto served = FilesBelow(ftp.Root());

        vq::ScriptedUser user;
        user.Dialog("数据删除确认 - 项目")
            .Click(IDOK)
            .Message("删除将不可再恢复，是否真的要删除?", IDYES)
            .Message(
                CString("以下 2 个文件夹也是其他现有任务的文件夹（两项任务的编号在文件服务器(FTP)上对应同一个"
                        "文件夹名），为免误删这些任务的文件，没有删除：\n\n") +
                    SharedFolderLine("Auditing", deleted, other) + "\n" +
                    SharedFolderLine("Working", deleted, other),
                IDOK);
        CDataDeleteConfirmDlg dlg;
        dlg.ProjectNo = "XM-01-02";
        dlg.ProjectName = "泵体";
        dlg.ProjectPath = "项目一\\";
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(FilesBelow(ftp.Root()), served);
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectName IN ('泵体', '子任务')"),
                  "0");
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectName='他人任务'"), "1");
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM TaskDocuments WHERE DocumentType='他人图纸'"), "1");
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM TaskDocuments WHERE DocumentType='图纸'"), "0");
        for (const char* area : {"Vq/Working/", "Vq/Auditing/"})
            fs::remove_all((ftp.Root() + "/" + area + CString(other)).str());
    }
    Lend(false);
}

// A task whose number names the folders of another existing task once both are made valid file
// names (and read without regard to case), both stored by another client: its review stores nothing into
// those folders, in either direction, on a server that ignores case and on one that does not; one box names
// both numbers and the folder. A number whose folder the server's code page cannot name is refused as a name
// the server cannot use, not as a failure of the network.
TEST_P(StoredNamePathsTest, AReviewWritesNothingIntoTheFoldersOfAnotherTasksNumber) {
    std::vector<std::pair<std::string, std::string>> twins;
    for (const auto& [one, other] : FileNameEqualNumbers()) {
        twins.emplace_back(one, other);
        twins.emplace_back(other, one);
    }
    const auto review = [this](const CString& reviewed, const CString& box) {
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Select(D::kDocumentsId, 0)
            .Click(D::kToPassedId)
            .Set(D::kOpinionId, "同意")
            .Check(D::kPassId, 1)
            .Click(IDOK)
            .Message(box, IDOK)
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDNO);
        EXPECT_EQ(DoProjectTaskAudit(reviewed, "u1", "校对"), 0);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(ws->QueryText("SELECT AuditState FROM TaskAuditManage WHERE ProjectNo='" +
                                SqlQuote(reviewed) + "'"),
                  "未完成");
    };
    for (const auto& [other, reviewed] : twins) {
        SCOPED_TRACE("reviewing " + reviewed + " beside " + other);
        ws->Execute("DELETE FROM ProjectManage WHERE ProjectName IN ('点号任务', '他人任务');"
                    "DELETE FROM TaskAuditManage WHERE Auditor='u1' AND ProjectNo<>'P-1';"
                    "DELETE FROM TaskDocuments WHERE FileName='XM-02-01/B-3000-02-01.dwf'");
        AddTaskNumbered(*this, CString(reviewed));
        ws->Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('" +
                    SqlQuote(CString(other)) + "', '他人任务', '项目三\\', '正进行中')");
        const CString folder = StoredFolderName(CString(other));
        ftp.WriteFile("Vq/Auditing/" + folder + "/校对.rtf", "{\\rtf1 another task's opinion}");
        const auto served = FilesBelow(ftp.Root());
        review(CString(reviewed), "任务编号 " + CString(reviewed) + " 与现有任务编号 " + CString(other) +
                                      " 在文件服务器(FTP)上对应同一个文件夹 " +
                                      StoredFolderName(CString(reviewed)) +
                                      "，为免写入另一任务的文件夹，没有保存，请通知系统管理员处理...");
        EXPECT_EQ(FilesBelow(ftp.Root()), served);
        fs::remove_all((ftp.Root() + "/Vq/Auditing/" + folder).str());
    }
    ws->Execute("DELETE FROM ProjectManage WHERE ProjectName IN ('点号任务', '他人任务');"
                "DELETE FROM TaskAuditManage WHERE Auditor='u1' AND ProjectNo<>'P-1'");
    const auto served = FilesBelow(ftp.Root());
    for (const char* number : {"XM-e\u0301", "XM-\uFB01"}) {
        SCOPED_TRACE(number);
        AddTaskNumbered(*this, number);
        review(number, UnusableName(number));
        EXPECT_EQ(FilesBelow(ftp.Root()), served);
    }
}

// Deleting a work task whose documents another client stored while the deletion was confirmed
// (among them copies whose names a server that ignores case reads as the copy of a document of
// another work, or as a task's folder): the deletion is judged on what is stored after the answer
// and refuses, so every copy stays with everything in it, and so do all the work's rows.
TEST_P(StoredNamePathsTest, DocumentsStoredWhileAWorkDeletionIsConfirmedStopItAndEveryCopyStays) {
    Lend(true);
    theApp.m_nDocStorageMode = 2;
    ftp.MakeFolder("Vq/Proven");
    std::vector<CString> shown;
    std::vector<std::pair<CString, CString>> arriving; // FileID and file name
    const vq::MessageBoxPresenter old = vq::SetMessageBoxPresenter([&](const vq::MessageBoxRequest& request) {
        shown.push_back(request.text);
        if (request.text.Find("真的要删除吗") < 0)
            return IDOK;
        for (const auto& [fileId, fileName] : arriving)
            EXPECT_TRUE(theApp.ExecuteSql("INSERT INTO TeamWorkResult (FileID, WorkID, FileName) VALUES ('" +
                                          SqlQuote(fileId) + "', 'P-1#002', '" + SqlQuote(fileName) + "')"));
        return IDYES;
    });
    for (const auto& [other, deleted] : FoldEqualNumbers()) {
        for (const bool task : {false, true}) {
            SCOPED_TRACE("deleting a copy of " + deleted + " beside the " + (task ? "task " : "document ") +
                         other);
            const CString stored = task ? CString(deleted) : CString(deleted) + ".dwg";
            ws->Execute(
                "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkState) VALUES ('P-1', "
                "'P-1', 'P-1#002', '工作', '正进行中')");
            if (task) {
                ws->Execute(
                    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('" +
                    CString(other) + "', '他人任务', '项目\\', '正进行中')");
                ftp.WriteFile("Vq/Working/" + CString(other) + "/a.dwg", "other task's drawing");
            } else {
                ws->Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FileName) VALUES ('" +
                            CString(other) + "', 'P-1#001', 'a.dwg')");
                ftp.WriteFile("Vq/Working/" + CString(other) + ".dwg", "other document");
            }
            ftp.WriteFile("Vq/Working/F-9.dwg", "the work's own copy");
            ftp.WriteFile("Vq/Auditing/F-9.dwg", "the work's own copy");
            arriving = {{deleted, task ? "README" : "b.dwg"}, {"F-9", "c.dwg"}};
            shown.clear();

            const auto withOwnCopies = FilesBelow(ftp.Root());
            EXPECT_FALSE(DeleteWorkCascade("P-1#002", "P-1", "正进行中", true, "p"));
            EXPECT_EQ(FilesBelow(ftp.Root()), withOwnCopies);
            ASSERT_EQ(shown.size(), 2u);
            EXPECT_EQ(shown[1], " 该任务下存在工作文档，请先删除工作文档...");
            EXPECT_EQ(ws->QueryText("SELECT count(*) FROM TeamWorkManage WHERE WorkID='P-1#002'") +
                          ws->QueryText("SELECT count(*) FROM TeamWorkResult WHERE WorkID='P-1#002'"),
                      "12");
            EXPECT_EQ(ws->QueryText("SELECT count(*) FROM TeamWorkResult WHERE WorkID='P-1#001'") +
                          ws->QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectName='他人任务'"),
                      task ? "01" : "10");
            ws->Execute("DELETE FROM TeamWorkResult;DELETE FROM TeamWorkManage WHERE WorkID='P-1#002';"
                        "DELETE FROM ProjectManage WHERE ProjectName='他人任务'");
            for (const char* area : {"/Vq/Working/F-9.dwg", "/Vq/Auditing/F-9.dwg"})
                fs::remove((ftp.Root() + area).str());
            fs::remove_all((ftp.Root() + "/Vq/Working/" + CString(other)).str());
            fs::remove((ftp.Root() + "/Vq/Working/" + CString(other) + ".dwg").str());
        }
    }
    vq::SetMessageBoxPresenter(old);
    theApp.m_nDocStorageMode = 0;
    Lend(false);
}

// The same in the deletion of a task of the work breakdown, whose work and documents another
// client stored while the deletion was being confirmed: the work found after the answer refuses the
// deletion, and every copy and row stays.
TEST_P(StoredNamePathsTest, AWorkStoredWhileATaskDeletionIsConfirmedStopsItAndEveryCopyStays) {
    Lend(true);
    theApp.m_nDocStorageMode = 2;
    ftp.MakeFolder("Vq/Proven");
    for (const auto& [other, deleted] : FoldEqualNumbers()) {
        SCOPED_TRACE("deleting a copy of " + deleted + " beside the document " + other);
        ws->Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState) VALUES ('XM-01', "
            "'项目一', '项目管理', '未开始'), ('XM-01-02', '泵体', '项目一\\', '未开始');"
            "INSERT INTO TeamWorkResult (FileID, WorkID, FileName) VALUES ('" +
            CString(other) + "', 'P-1#001', 'a.dwg')");
        ftp.WriteFile("Vq/Working/" + CString(other) + ".dwg", "other document");
        ftp.WriteFile("Vq/Working/F-9.dwg", "the task's own copy");

        vq::ScriptedUser user;
        user.Dialog("数据删除确认 - 项目")
            .Do([&](CDialog&) {
                ws->Execute(
                    "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName, WorkState) VALUES "
                    "('XM-01-02', 'XM-01-02', 'XM-01-02#001', '工作', '未开始');"
                    "INSERT INTO TeamWorkResult (FileID, WorkID, FileName) VALUES ('" +
                    CString(deleted) + "', 'XM-01-02#001', 'b.dwg'), ('F-9', 'XM-01-02#001', 'c.dwg')");
            })
            .Click(IDOK)
            .Message("删除将不可再恢复，是否真的要删除?", IDYES)
            .Message("该项目任务下有 1 个相关的工作组工作任务，不能直接删除...", IDOK)
            .Click(IDCANCEL);
        CDataDeleteConfirmDlg dlg;
        dlg.ProjectNo = "XM-01-02";
        dlg.ProjectName = "泵体";
        dlg.ProjectPath = "项目一\\";
        const auto withOwnCopy = FilesBelow(ftp.Root());
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(FilesBelow(ftp.Root()), withOwnCopy);
        EXPECT_EQ(ws->QueryText("SELECT count(*) FROM TeamWorkResult WHERE WorkID='XM-01-02#001'") +
                      ws->QueryText("SELECT count(*) FROM TeamWorkResult WHERE WorkID='P-1#001'") +
                      ws->QueryText("SELECT count(*) FROM ProjectManage WHERE ProjectNo='XM-01-02'"),
                  "211");
        ws->Execute("DELETE FROM TeamWorkResult;DELETE FROM TeamWorkManage WHERE WorkID='XM-01-02#001';"
                    "DELETE FROM ProjectManage WHERE ProjectName IN ('项目一', '泵体')");
        fs::remove((ftp.Root() + "/Vq/Working/F-9.dwg").str());
        fs::remove((ftp.Root() + "/Vq/Working/" + CString(other) + ".dwg").str());
    }
    theApp.m_nDocStorageMode = 0;
    Lend(false);
}

// The check refuses only names that leave their folder: a stored name with a subfolder of the
// task's folder is fetched and opened, and a redline file of a document type with a plain name
// goes to the task's review folder.
TEST_P(StoredNamePathsTest, NamesWithASubfolderBelowStillWork) {
    RecordingShell shell;
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
    SetTaskDocument("总图", "sub/part.dwg");
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Check(D::kBrowseId, 1)
        .Select(D::kDocumentsId, 0)
        .Click(D::kAttachId)
        .Dialog("输入文件名")
        .Set(1182, redline)
        .Click(IDOK)
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    EXPECT_EQ(DoProjectTaskAudit("P-1", "u1", "校对"), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.openedBytes[0], "drawing in a subfolder");
    EXPECT_EQ(ftp.ReadFile("Vq/Auditing/P-1/校对_总图.dwf"), "redline markup.");
    EXPECT_EQ(RedlineFiles(), "校对_总图.dwf");
}

// An entry function called with a number in another case than its row stores finds the row (the
// comparison folds case), and names the server folders, the local copies and its window from the
// stored number: the server hears no command naming the typed spelling, and what the call stores
// lands in the stored number's folder.
TEST_P(StoredNamePathsTest, EntriesNameFoldersAndCopiesFromTheStoredNumber) {
    RecordingShell shell;
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
    SetTaskDocument("总图", "total.dwg");
    ftp.WriteFile("Vq/Proven/PRD/P1/B/released.dwg", "released drawing");
    ws->Execute("INSERT INTO Documents VALUES ('P1', '设计图', 'released.dwg', 'DWG', '12KB', '', '', 'B')");
    // A review of task P-1 through one of its two entry functions: the document viewed, the
    // opinion stored, the step passed.
    const auto review = [this, &shell](const std::function<int(const CString&)>& entry, const char* opinion) {
        ws->Execute("UPDATE TaskAuditManage SET AuditState='未完成', AuditResult='' WHERE ProjectNo='P-1';"
                    "UPDATE ProjectManage SET WorkState='评审' WHERE ProjectNo='P-1'");
        std::error_code ec;
        fs::remove((ftp.Root() + "/Vq/Auditing/P-1/校对.rtf").str(), ec);
        vq::ScriptedUser user;
        user.DialogContaining("评审意见 - P-1[泵体设计] - 校对")
            .Check(D::kBrowseId, 1)
            .Select(D::kDocumentsId, 0)
            .Click(D::kToPassedId)
            .Set(D::kOpinionId, opinion)
            .Check(D::kPassId, 1)
            .Click(IDOK);
        EXPECT_EQ(entry("p-1"), 0);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_NE(ftp.ReadFile("Vq/Auditing/P-1/校对.rtf").find(opinion), std::string::npos);
        EXPECT_EQ(
            ws->QueryText("SELECT AuditState || AuditResult FROM TaskAuditManage WHERE ProjectNo='P-1'"),
            "已完成通过");
        ASSERT_FALSE(shell.opened.empty());
        EXPECT_EQ(fs::path(shell.opened.back().str()).filename().string(), "P-1_total_.dwg");
        EXPECT_EQ(shell.openedBytes.back(), "task drawing");
    };
    // An entry that opens no FTP server: the number its dialog works with is the stored one.
    const auto opens = [](const char* caption, const std::function<CString(CDialog&)>& number,
                          const char* stored, const std::function<int()>& entry,
                          const char* question = nullptr) {
        vq::ScriptedUser user;
        user.DialogContaining(caption).Do([&](CDialog& d) { EXPECT_EQ(number(d), stored); }).Click(IDCANCEL);
        if (question)
            user.Message(question, IDNO);
        entry();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    };
    ws->Execute(
        "INSERT INTO ECOChangeManage (ECONo, State) VALUES ('JX-1', '临时');"
        "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
        "AuditorName, AuditingType) VALUES ('F-1', 'P-1#001', '总图', 'a.doc', '评审', '一级评审', 'u1', "
        "'串联');"
        "INSERT INTO UserInformation (UserLogName, UserName) VALUES ('lisi', '李四');"
        "INSERT INTO ECOModifyManage (ECONo, State) VALUES ('XG-1', '临时');"
        "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkState) VALUES ('P-1', "
        "'P-1', 'P-1#001', 'u1', '总图设计', '正进行中');"
        "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
        "AuditorName, "
        "AuditingType) VALUES ('F-3', 'P-1#001', '零件图', 'c.doc', '工作中', '一级评审', 'u2', '串联');"
        "UPDATE ProjectManage SET ProjectManager='u1', TaskAssigner='u1', PreendedTime='2099-12-31' WHERE "
        "ProjectNo IN ('XM-02', 'XM-02-01')");
    // Numbers beyond ASCII, called in another case: SQLite's own NOCASE folds ASCII letters only.
    ws->Execute(
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
        "AuditingModel, AuditorName) VALUES ('ΣM-02-01', '箱盖', '项目二\\', 'u1', '评审', '一级评审', 'u1');"
        "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, "
        "AuditManager) VALUES ('ΣM-02-01', '校对', 'u1', '2026-12-01', '未完成', 'F', 'u1');"
        "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkState) VALUES "
        "('ΣM-02-01', 'ΣM-02-01', 'ΣM-02-01#001', 'u1', '箱盖设计', '正进行中');"
        "INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, State, AuditingModel, "
        "AuditorName, AuditingType) VALUES ('ΦÉ-1', 'ΣM-02-01#001', '总图', 'a.doc', '评审', '一级评审', "
        "'u1', '串联')");
    // The work-task entries: what they store is numbered after the stored task number.
    const auto storedWork = [this](const char* column, const char* workId) {
        return ws->QueryText(CString("SELECT ") + column + " FROM TeamWorkManage WHERE WorkID='" + workId +
                             "'");
    };
    const struct {
        const char* name;
        const char* typed;
        std::function<void()> run;
        bool ftp = true;
    } entries[] = {
        {"DoProjectTaskAudit", "p-1",
         [&] { review([](const CString& no) { return DoProjectTaskAudit(no, "u1", "校对"); }, "single"); }},
        {"DoMultiProjectTaskAudit", "p-1",
         [&] {
             review([](const CString& no) { return DoMultiProjectTaskAudit(0, no, "u1", "校对"); }, "multi");
         }},
        {"PartChangeLableMaintain", "p1",
         [&] {
             vq::ScriptedUser user;
             user.Dialog("零部件更改标记管理")
                 .Do([&](CDialog& d) {
                     const auto& dlg = static_cast<CPartChangeLableMaintainDlg&>(d);
                     EXPECT_EQ(dlg.m_strPartCode, "P1");
                     EXPECT_EQ(ws->CopyInCallFolder(dlg.FetchedDrawing()), "_M_P1_released.dwg");
                     EXPECT_EQ(ws->ReadFile(dlg.FetchedDrawing()), "released drawing");
                 })
                 .Click("退出");
             EXPECT_EQ(PartChangeLableMaintain("p1", 0, "u1"), 1);
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
         }},
        {"PartChangeLableBrowse", "p1",
         [&] {
             vq::ScriptedUser user;
             user.Dialog("更改标记比较浏览").Click("退出");
             EXPECT_EQ(PartChangeLableBrowse("p1", "u1"), 1);
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
         }},
        {"DoTeamTaskAudit", "f-1",
         [&] {
             opens(
                 "评审意见", [](CDialog& d) { return static_cast<CAuditOpinionDlg&>(d).m_strFileID; }, "F-1",
                 [] { return DoTeamTaskAudit("f-1", "u1", "校对"); });
         },
         false},
        {"DoProjectTaskAudit of a number beyond ASCII", "σm-02-01",
         [&] {
             opens(
                 "评审意见 - ΣM-02-01[箱盖] - 校对",
                 [](CDialog& d) { return static_cast<CProjectTaskAuditDlg&>(d).m_strTaskNo; }, "ΣM-02-01",
                 [] { return DoProjectTaskAudit("σm-02-01", "u1", "校对"); }, "是否要保存审查文档结果?");
         },
         false},
        {"DoTeamTaskAudit of a number beyond ASCII", "φé-1",
         [&] {
             opens(
                 "评审意见", [](CDialog& d) { return static_cast<CAuditOpinionDlg&>(d).m_strFileID; }, "ΦÉ-1",
                 [] { return DoTeamTaskAudit("φé-1", "u1", "校对"); });
         },
         false},
        {"TeamWorkTaskStateMaintain of a number beyond ASCII", "σm-02-01",
         [&] {
             opens(
                 "工作任务状态维护", [](CDialog& d) { return static_cast<CTeamWorkTaskStateDlg&>(d).WorkID; },
                 "ΣM-02-01#001", [] { return TeamWorkTaskStateMaintain("σm-02-01#001", "u1", 0); });
         },
         false},
        {"BrowsePartReversionTree", "p1",
         [&] {
             opens(
                 "浏览图号版本信息",
                 [](CDialog& d) { return static_cast<CPartRevisionTreeDlg&>(d).m_strPartCode; }, "P1",
                 [] { return BrowsePartReversionTree("p1", "u1"); });
         },
         false},
        {"ShowPartECODesignHistory", "p1",
         [&] {
             opens(
                 "零部件设计历史",
                 [](CDialog& d) { return static_cast<CPartDesignHistoryDlg&>(d).m_strPartCode; }, "P1",
                 [] { return ShowPartECODesignHistory("p1", "u1"); });
         },
         false},
        {"AssignProjectStructMain", "xm-02",
         [&] {
             opens(
                 "设计项目结构显示", [](CDialog& d) { return static_cast<CProjectStructDlg&>(d).ProjectNo; },
                 "XM-02", [] { return AssignProjectStructMain("xm-02", "u1", 0); });
         },
         false},
        {"ShowECOChanageItemData", "jx-1",
         [&] {
             opens(
                 "更改通知单", [](CDialog& d) { return static_cast<CECOChangeItemDlg&>(d).m_strECONo; },
                 "JX-1", [] { return ShowECOChanageItemData("jx-1", "u1"); }, "是否存储更改单信息?");
         },
         false},
        {"ECOChangeLableBrowseMain", "jx-1",
         [&] {
             opens(
                 "设计更改标记浏览",
                 [](CDialog& d) { return static_cast<CECOChangeLableBrowseDlg&>(d).m_strECONo; }, "JX-1",
                 [] { return ECOChangeLableBrowseMain("更改单", "jx-1", "u1"); });
         },
         false},
        // Work documents and their reviews: each dialog works with the stored document number.
        {"DoMultiTeamTaskAudit", "f-1",
         [&] {
             opens(
                 "评审意见", [](CDialog& d) { return static_cast<CAuditOpinionDlg&>(d).m_strFileID; }, "F-1",
                 [] { return DoMultiTeamTaskAudit(0, "f-1", "u1", "校对"); });
         },
         false},
        {"DoMultiTeamTaskAuditEx", "f-1",
         [&] {
             CStringArray files, steps;
             files.Add("f-1");
             steps.Add("校对");
             opens(
                 "评审意见",
                 [](CDialog& d) {
                     auto& dlg = static_cast<CAuditOpinionDlg&>(d);
                     return dlg.m_strFileID + "|" + dlg.m_arrFileIDs[0] + "|" + dlg.m_strWorkID;
                 },
                 "F-1|F-1|P-1#001",
                 [&] { return DoMultiTeamTaskAuditEx(&files, "u1", &steps, "p-1#001", 0, 0); });
         },
         false},
        {"DoTeamTaskAuditWithMarkup", "f-1",
         [&] {
             opens(
                 "评审意见", [](CDialog& d) { return static_cast<CAuditOpinionDlg&>(d).m_strFileID; }, "F-1",
                 [] { return DoTeamTaskAuditWithMarkup("f-1", "u1", "校对", 0); });
         },
         false},
        {"DoTeamTaskNextAudit", "f-1",
         [&] {
             opens(
                 "评审意见", [](CDialog& d) { return static_cast<CAuditOpinionDlg&>(d).m_strFileID; }, "F-1",
                 [] { return DoTeamTaskNextAudit("f-1", "u1", "校对"); });
         },
         false},
        {"TeamAssignNextAuditTaskMain", "f-1",
         [&] {
             opens(
                 "设计过程—协助评审任务管理",
                 [](CDialog& d) { return static_cast<CAssistAuditDlg&>(d).FileID; }, "F-1",
                 [] { return TeamAssignNextAuditTaskMain("f-1", "校对", "u1", 0); });
         },
         false},
        {"TeamAssignNextAuditTaskShow", "f-1",
         [&] {
             opens(
                 "设计过程—协助评审任务管理",
                 [](CDialog& d) { return static_cast<CAssistAuditDlg&>(d).FileID; }, "F-1",
                 [] { return TeamAssignNextAuditTaskShow("f-1", "校对", "u1"); });
         },
         false},
        {"ShowTeamTaskAuditResult", "f-1",
         [&] {
             opens(
                 "工作文档评审结果",
                 [](CDialog& d) { return static_cast<CWorkDocAuditResultDlg&>(d).FileID; }, "F-1",
                 [] { return ShowTeamTaskAuditResult("f-1", "u1"); });
         },
         false},
        {"SendDesignFileToAudit", "f-3",
         [&] {
             vq::ScriptedUser user;
             EXPECT_EQ(SendDesignFileToAudit("f-3", "u1", "u1"), 1);
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             EXPECT_EQ(
                 ws->QueryText("SELECT FileID || '|' || AuditTask FROM TeamWorkAudit WHERE FileID='F-3'"),
                 "F-3|校对");
         },
         false},
        // Change orders: the task list, the modification notice and the label management.
        {"ECOAssignNextAuditTaskMain", "jx-1",
         [&] {
             opens(
                 "更改单—协助评审任务管理",
                 [](CDialog& d) { return static_cast<CECONextAuditTaskDlg&>(d).m_strECONo; }, "JX-1",
                 [] { return ECOAssignNextAuditTaskMain("更改单", "jx-1", "校对", "u1", 0); });
         },
         false},
        {"ECOAssignNextAuditTaskShow", "jx-1",
         [&] {
             opens(
                 "更改单—协助评审任务管理",
                 [](CDialog& d) { return static_cast<CECONextAuditTaskDlg&>(d).m_strECONo; }, "JX-1",
                 [] { return ECOAssignNextAuditTaskShow("更改单", "jx-1", "校对", "u1"); });
         },
         false},
        {"ShowECOModifyItemData", "xg-1",
         [&] {
             opens(
                 "修改通知单", [](CDialog& d) { return static_cast<CECOModifyItemDlg&>(d).m_strECONo; },
                 "XG-1", [] { return ShowECOModifyItemData("xg-1", "u1"); });
         },
         false},
        {"ECOChangeLableMainTain", "jx-1",
         [&] {
             opens(
                 "设计更改标记管理",
                 [](CDialog& d) { return static_cast<CECOChangeLableMaintainDlg&>(d).m_strECONo; }, "JX-1",
                 [] { return ECOChangeLableMainTain("更改单", "jx-1", "设计图", 0, "u1"); });
         },
         false},
        {"ECOChangeLableBrowse", "jx-1",
         [&] {
             opens(
                 "设计更改标记管理",
                 [](CDialog& d) { return static_cast<CECOChangeLableMaintainDlg&>(d).m_strECONo; }, "JX-1",
                 [] { return ECOChangeLableBrowse("更改单", "jx-1", "设计图", "u1"); });
         },
         false},
        {"ECOChangeLableBrowseMainEx", "jx-1",
         [&] {
             opens(
                 "设计更改标记浏览",
                 [](CDialog& d) { return static_cast<CECOChangeLableBrowseDlg&>(d).m_strECONo; }, "JX-1",
                 [] { return ECOChangeLableBrowseMainEx("更改单", "jx-1", "u1", 1); });
         },
         false},
        // Work tasks and their documents and parts.
        {"TeamWorkTaskStateMaintain", "p-1",
         [&] {
             opens(
                 "工作任务状态维护", [](CDialog& d) { return static_cast<CTeamWorkTaskStateDlg&>(d).WorkID; },
                 "P-1#001", [] { return TeamWorkTaskStateMaintain("p-1#001", "u1", 0); });
         },
         false},
        {"TeamGorupFileManageMain of a task", "p-1",
         [&] {
             opens(
                 "工作组文档管理", [](CDialog& d) { return static_cast<CTeamGroupFileManageDlg&>(d).TaskNo; },
                 "P-1", [] { return TeamGorupFileManageMain("p-1", 0, "u1"); });
         },
         false},
        {"TeamGorupFileManageMain of a work", "p-1",
         [&] {
             opens(
                 "工作组文档管理", [](CDialog& d) { return static_cast<CTeamGroupFileManageDlg&>(d).TaskNo; },
                 "P-1#001", [] { return TeamGorupFileManageMain("p-1#001", 1, "u1"); });
         },
         false},
        {"AssignTaskPartMain", "p-1",
         [&] {
             opens(
                 "设计产品结构管理", [](CDialog& d) { return static_cast<CTaskPartDlg&>(d).m_strWorkID; },
                 "P-1#001", [] { return AssignTaskPartMain("p-1#001", "u1", 0); });
         },
         false},
        {"AssignProjectTaskMain", "xm-02",
         [&] {
             opens(
                 "设计项目结构管理",
                 [](CDialog& d) { return static_cast<CAssignProjectTaskDlg&>(d).ProjectNo; }, "XM-02",
                 [] { return AssignProjectTaskMain("xm-02", "u1", 0); });
         }},
        // Project groups and items: member rows, the group tree and the item returned name the
        // stored numbers.
        {"AssignProjectTeamMain", "xm-02",
         [&] {
             vq::ScriptedUser user;
             user.Dialog("项目组成员管理")
                 .Do([](CDialog& d) {
                     auto& dlg = static_cast<CProjectTeamDlg&>(d);
                     EXPECT_EQ(dlg.m_strProjectNo + "|" + dlg.m_strTaskNo, "XM-02|XM-02-01");
                 })
                 .Click(projects::team_ids::kAddMembers)
                 .Dialog("用户浏览 - 选择组(多用户)")
                 .Select(1059, "lisi")
                 .Click(IDOK)
                 .Dialog("项目组成员管理")
                 .Click(IDCANCEL);
             EXPECT_EQ(AssignProjectTeamMain("xm-02-01", "xm-02", "_T", "u1", 0), 1);
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             EXPECT_EQ(ws->QueryText("SELECT ProjectNo || '|' || TeamGroup FROM DesignProjectTeam WHERE "
                                     "TeamUser='lisi'"),
                       "XM-02|XM-02-01");
         },
         false},
        {"SelectProjectTeamer", "xm-02",
         [&] {
             vq::ScriptedUser user;
             user.Dialog("选择项目组成员")
                 .Tree(projects::team_ids::kTree, "任务：[箱体]XM-02-01 的工作组.../李四 [lisi]")
                 .Click(IDOK);
             EXPECT_EQ(SelectProjectTeamer("xm-02-01", "xm-02", "_T", "u1"), "lisi");
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
         },
         false},
        {"CreateNewProjectTaskItem", "xm-02",
         [&] {
             vq::ScriptedUser user;
             user.Dialog("项目/任务项属性").Click(IDOK);
             EXPECT_EQ(CreateNewProjectTaskItem("xm-02-01", "", "u1"), "XM-02-01");
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
         },
         false},
        {"CreateNewTeamTaskItem", "xm-02",
         [&] {
             vq::ScriptedUser user;
             user.Dialog("工作任务分解")
                 .Set(1002, "箱体工作")
                 .Set(1004, "2030-01-01")
                 .Set(1010, "2030-01-01")
                 .Set(1012, "2030-01-01")
                 .Click(IDOK);
             EXPECT_EQ(CreateNewTeamTaskItem("xm-02-01", "", "x", "u1"), "XM-02-01#001");
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
             EXPECT_EQ(storedWork("TaskNo || '|' || UpWorkID", "XM-02-01#001"), "XM-02-01|XM-02-01");
         },
         false},
        {"AssignTeamTaskMain", "xm-02",
         [&] {
             vq::ScriptedUser user;
             user.Dialog("设计工作组工作管理")
                 .Tree(1050, "项目：项目二[XM-02] 下的任务：箱体[XM-02-01].../箱体工作 [XM-02-01#001]")
                 .Click("退出");
             EXPECT_EQ(AssignTeamTaskMain("xm-02", "xm-02-01", "u1", 0, 0), 0);
             EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
         },
         false},
    };
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.name);
        const std::size_t before = ftp.Commands().size();
        entry.run();
        const std::vector<std::string> commands = ftp.Commands();
        if (entry.ftp) {
            ASSERT_GT(commands.size(), before) << "the entry reached the server";
        }
        for (std::size_t i = before; i < commands.size(); ++i)
            EXPECT_EQ(commands[i].find(entry.typed), std::string::npos) << commands[i];
    }
    // Nothing went to a folder of the typed spelling.
    for (const char* folder : {"Vq/Auditing/p-1", "Vq/Working/p-1", "Vq/Proven/PRD/p1"})
        EXPECT_FALSE(ftp.Exists(folder)) << folder;
}

// Copies get names predictable from stored data, so they go to a folder of the call's own in the
// user's private working folder, never to the shared temporary folder: a file of mode 0666 that
// another user planted at each name the copies once had there is neither used nor changed, every
// copy is the user's alone (0600), and links at the copies' names in the working folder are not
// even looked at.
TEST_P(StoredNamePathsTest, CopiesGoToTheWorkingFolderWhateverStandsAtTheirFormerNames) {
    RecordingShell shell;
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
    SetTaskDocument("总图", "total.dwg");
    ftp.WriteFile("Vq/Proven/PRD/P1/B/p1.dwg", "released drawing");
    ws->Execute("INSERT INTO Documents VALUES ('P1', '设计图', 'p1.dwg', 'DWG', '12KB', '', '', 'B');"
                "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk) VALUES "
                "('更改单', 'JX-1', '_VQ_ECO', 'JX-1.tbl', '1KB')");
    const CString outside = ws->WriteFile("elsewhere/precious.txt", "precious");
    const std::map<std::string, std::string> expected = {
        {"P1_p1_B.dwg", "released drawing"},
        {"MJX-1_ECO.tbl", "change order sheet"},
    };
    const char* const reviewNames[] = {"P-1_total_.dwg", "P-1_校对.rtf", "校对.rtf", "_M_P1[B]_p1.dwg"};
    for (const char* name : reviewNames)
        fs::create_symlink(outside.str(), (ws->WorkDir() + "/" + CString(name)).str());
    const bool otherUser = vqtest::CanActAsOtherUser();
    ::chmod(ws->TempDir().c_str(), 01777);
    for (const auto& [name, content] : expected) {
        const CString former = ws->WriteFile(ws->TempDir() + "/" + CString(name), "planted");
        ::chmod(former.c_str(), 0666);
        if (otherUser) {
            ASSERT_EQ(::chown(former.c_str(), vqtest::kOtherUser, vqtest::kOtherUser), 0);
        }
        fs::create_symlink(outside.str(), (ws->WorkDir() + "/" + CString(name)).str());
    }
    const CString opinion = ws->WriteFile(ws->TempDir() + "/校对.rtf", "planted");
    ::chmod(opinion.c_str(), 0666);

    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Check(D::kBrowseId, 1)
        .Select(D::kDocumentsId, 0)
        .Click(D::kToPassedId)
        .Set(D::kOpinionId, "同意")
        .Check(D::kPassId, 1)
        .Click(IDOK);
    EXPECT_EQ(DoProjectTaskAudit("P-1", "u1", "校对"), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws->QueryText("SELECT AuditState FROM TaskAuditManage WHERE ProjectNo='P-1'"), "已完成");
    EXPECT_EQ(ftp.ReadFile("Vq/Auditing/P-1/校对.rtf").rfind("{\\rtf", 0), 0u);
    ASSERT_EQ(shell.openedBytes.size(), 1u);
    EXPECT_EQ(shell.openedBytes[0], "task drawing");
    vq::ScriptedUser again;
    again.DialogContaining("评审意见")
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<D&>(d).Opinion().GetWindowTextValue(), "同意"); })
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    EXPECT_EQ(DoProjectTaskAudit("P-1", "u1", "校对"), 0);
    EXPECT_TRUE(again.Succeeded()) << again.Error().c_str();

    Lend(true);
    CPartDrawingSource source;
    source.m_strPartCode = "P1";
    ASSERT_EQ(source.ResolveDrawing(), 1);
    {
        vq::CallFolder copies;
        const CString drawing = source.FetchDrawing(copies.Path(), "B", true);
        EXPECT_EQ(ws->CopyInCallFolder(drawing), "_M_P1[B]_p1.dwg");
        EXPECT_EQ(ws->ReadFile(drawing), "released drawing");
    }
    std::map<std::string, CString> copies;
    vq::CallFolder browser;
    ASSERT_TRUE(connection->SetCurrentDirectory("/Vq/Proven/PRD/P1/B"));
    copies["P1_p1_B.dwg"] =
        FetchRevisionDocument(connection.get(), browser.Path(), "p1.dwg", "P1", "B", INTERNET_FLAG_RELOAD);
    const CString sheet = ws->WriteFile("in/sheet.tbl", "change order sheet");
    CVQSaveFileToDB store;
    ASSERT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM ECORelateFile WHERE ECONo='JX-1'", sheet,
                                 "DocContent", "PDM"),
              1);
    copies["MJX-1_ECO.tbl"] = FetchChangeOrderSheet(browser.Path(), "更改单", "JX-1");
    Lend(false);

    EXPECT_EQ(ws->ReadFile(outside), "precious");
    EXPECT_EQ(ws->ReadFile(opinion), "planted");
    for (const auto& [name, content] : expected) {
        const CString former = ws->TempDir() + "/" + CString(name);
        const CString copy = copies[name];
        EXPECT_EQ(ws->CopyInCallFolder(copy), CString(name));
        struct stat st;
        ASSERT_EQ(::lstat(former.c_str(), &st), 0) << name;
        EXPECT_EQ(st.st_mode & 07777, 0666u) << name;
        EXPECT_EQ(ws->ReadFile(former), "planted") << name;
        ASSERT_EQ(::lstat(copy.c_str(), &st), 0) << name;
        EXPECT_TRUE(S_ISREG(st.st_mode)) << name;
        EXPECT_EQ(st.st_mode & 07777, 0600u) << name;
        EXPECT_EQ(ws->ReadFile(copy), content) << name;
        EXPECT_TRUE(fs::is_symlink((ws->WorkDir() + "/" + CString(name)).str())) << name;
    }
    for (const char* name : reviewNames)
        EXPECT_TRUE(fs::is_symlink((ws->WorkDir() + "/" + CString(name)).str())) << name;
}

INSTANTIATE_TEST_SUITE_P(Dialects, StoredNamePathsTest,
                         ::testing::Combine(vqtest::DbWorkspace::Types(), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
                             return std::string(std::get<0>(info.param) == 2 ? "Oracle" : "SqlServer") +
                                    (std::get<1>(info.param) ? "_WindowsNames" : "");
                         });
// A number typed with blanks around it, in another case than its row stores it: where the
// engine's comparison finds the row by it, the stored number is taken; where it does not (neither
// SQLite nor PostgreSQL's citext ignores the blanks), the text stays as typed and the review finds
// no task: nothing is written, and no server folder is named after it.
TEST_P(StoredNamePathsTest, NumbersWithBlanksAroundTakeTheStoredNumberOnlyWhereTheyFindItsRow) {
    ws->Execute("INSERT INTO ECOChangeManage (ECONo, State) VALUES ('JX-1', '临时');"
                "INSERT INTO TeamWorkManage (TaskNo, WorkID) VALUES ('P-1', 'P-1#001');"
                "INSERT INTO TeamWorkResult (FileID, WorkID) VALUES ('F-1', 'P-1#001')");
    const struct {
        const char* table;
        const char* column;
        const char* stored;
    } numbers[] = {{"ProjectManage", "ProjectNo", "XM-02-01"},
                   {"TeamWorkManage", "WorkID", "P-1#001"},
                   {"TeamWorkResult", "FileID", "F-1"},
                   {"ECOChangeManage", "ECONo", "JX-1"},
                   {"VqkorvelAll_title", "TCode", "P1"}};
    Lend(true);
    for (const auto& number : numbers) {
        CString lower(number.stored);
        lower.MakeLower();
        for (const CString& typed : {" " + lower + " ", lower + " ", " " + lower}) {
            SCOPED_TRACE(std::string(number.table) + " \"" + typed.str() + "\"");
            const CString found = ws->QueryText(CString("SELECT count(*) FROM ") + number.table + " WHERE " +
                                                number.column + "='" + SqlQuote(typed) + "'");
            EXPECT_EQ(StoredNumber(number.table, number.column, typed),
                      found == "1" ? CString(number.stored) : typed);
        }
    }
    Lend(false);

    const auto served = FilesBelow(ftp.Root());
    const std::size_t before = ftp.Commands().size();
    vq::ScriptedUser user;
    user.AnyMessage(IDOK)
        .Message("该评审任务不存在，为无效路径!", IDOK)
        .Dialog("评审意见 -  p-1 [] - 校对")
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    DoProjectTaskAudit(" p-1 ", "u1", "校对");
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(FilesBelow(ftp.Root()), served);
    const std::vector<std::string> commands = ftp.Commands();
    for (std::size_t i = before; i < commands.size(); ++i)
        EXPECT_EQ(commands[i].find("p-1"), std::string::npos) << commands[i];
    EXPECT_EQ(ws->QueryText("SELECT AuditState FROM TaskAuditManage WHERE ProjectNo='P-1'"), "未完成");
}
