// The review of a project task through DoProjectTaskAudit, in both dialects, against a real FTP
// server on loopback: a task with two levels reviewed to its end (opinions stored on the server
// and fetched back, a redline file attached and saved again, a group step waited for), a fail
// that returns the task, decide later, the passed document types moved both ways, the failures
// that must leave the database as it was, and two users of one machine reviewing with the host.
#include "controls/FtpTransferWindow.h"
#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/Folders.h"
#include "platform/base/TextCodec.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/ScriptedUser.h"
#include "review/ProjectTaskAuditDlg.h"
#include "review/ProjectTaskDecision.h"
#include "teamwork/AuditPath.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/FtpServer.h"
#include "tests/support/HostProcess.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/RecordingShell.h"
#include "tests/support/VsftpdServer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern "C" int DoProjectTaskAudit(CString taskNo, CString login, CString stepName);
extern "C" int DoMultiProjectTaskAudit(int unused, CString taskNo, CString login, CString stepName);

namespace {

using D = CProjectTaskAuditDlg;

using vqtest::RecordingShell;

// Two levels in the mixed style: 校对 and 标准化, then 审核 and the group step 会审 (marked in
// lower case).
const char* const kTask =
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, AuditingModel, "
    "AuditorName) VALUES ('P-1', '泵体设计', '项目\\', 'mgr', '评审', '两级评审', 'u1|*|u2|*|u3|*|grp');"
    "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('两级评审', '混合', "
    "'校对(40,20)|*|标准化(240,20)|*|审核(40,110)|*|会审[m](240,110)');"
    "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('会签', '并联', "
    "'设计会签(40,20)|*|工艺会签(240,110)');"
    "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, AuditManager) "
    "VALUES ('P-1', '校对', 'u1', '2026-12-01', '未完成', 'F', 'u1'), "
    "('P-1', '标准化', 'u2', '2026-12-01', '未完成', 'F', 'u2');"
    "INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, FileRemark) "
    "VALUES ('P-1', '总图', 'total.dwg', 'AutoCAD 图形', '12KB', '2026-11-30', ''), "
    "('P-1', '说明书', 'spec.doc', 'Word', '3KB', '2026-11-30', '')";

class ProjectTaskAuditTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(ftp.IsRunning());
        ws.emplace(GetParam());
        vqtest::ConfigRow row;
        row.domainName = "127.0.0.1:" + CString(std::to_string(ftp.Port()));
        row.ftpUser = ftp.User();
        row.ftpPwd = ftp.Password();
        ws->SetConfig(row);
        ws->Execute(kTask);
        ftp.WriteFile("Vq/Working/P-1/total.dwg", "drawing bytes");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_pFtpConnection = nullptr;
        ws.reset();
    }

    // The review works on another server from now on.
    template <typename Server> void UseServer(const Server& server) {
        vqtest::ConfigRow row;
        row.domainName = server.Url();
        row.ftpUser = server.User();
        row.ftpPwd = server.Password();
        ws->SetConfig(row);
    }

    CString Query(const CString& sql) const { return ws->QueryText(sql); }
    CString Step(const CString& name, const CString& column) const {
        return Query("SELECT " + column + " FROM TaskAuditManage WHERE ProjectNo='P-1' AND AuditName='" + name + "'");
    }
    CString TaskState() const { return Query("SELECT WorkState FROM ProjectManage WHERE ProjectNo='P-1'"); }
    CString Count(const CString& from) const { return Query("SELECT COUNT(*) FROM " + from); }

    // Opens a step, moves every document to the passed list, writes the opinion and passes (or
    // fails) it; more actions (message answers) may follow in the same script.
    static vq::ScriptedUser& Decide(vq::ScriptedUser& user, const CString& opinion, int radio) {
        return user.DialogContaining("评审意见")
            .Select(D::kDocumentsId, "总图")
            .Click(D::kToPassedId)
            .Select(D::kDocumentsId, "说明书")
            .Click(D::kToPassedId)
            .Set(D::kOpinionId, opinion)
            .Check(radio, 1)
            .Click(IDOK);
    }
    void Run(vq::ScriptedUser& user, const CString& login, const CString& step) {
        EXPECT_EQ(DoProjectTaskAudit("P-1", login, step), 0);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }

    vqtest::FtpServer ftp;
    std::optional<vqtest::DbWorkspace> ws;
};

} // namespace

TEST_P(ProjectTaskAuditTest, TwoLevelsReviewedToTheEnd) {
    const CString redline = ws->TempDir() + "/mark.dwf";
    std::ofstream(redline.str()) << "markup";
    {
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Do([this](CDialog& d) {
                auto& dlg = static_cast<D&>(d);
                EXPECT_EQ(CString(d.GetWindowTextValue()), "评审意见 - P-1[泵体设计] - 校对");
                EXPECT_EQ(dlg.m_strTaskName, "泵体设计");
                EXPECT_EQ(dlg.m_nResult, 2);
                EXPECT_EQ(dlg.Path().m_nCurrentLevel, 20);
                EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
                EXPECT_EQ(dlg.Documents().m_markedTexts.GetSize(), 2);
                EXPECT_EQ(Step("校对", "Working"), "T");
            })
            .Select(D::kDocumentsId, "总图")
            .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(D::kAttachId)->IsWindowEnabled()); })
            .Click(D::kAttachId)
            .Dialog("输入文件名")
            .Set(1182, redline)
            .Click(IDOK)
            .Click(D::kToPassedId)
            .Check(D::kPassId, 1)
            .Click(IDOK)
            .Message("有未审查通过文档，请确认...", IDOK)
            // 说明书 goes over and back again, then over for good.
            .Select(D::kDocumentsId, "说明书")
            .Click(D::kToPassedId)
            .Select(D::kPassedId, "说明书")
            .Click(D::kBackId)
            .Do([](CDialog& d) {
                auto& dlg = static_cast<D&>(d);
                EXPECT_EQ(dlg.Passed().GetCount(), 1);
                ASSERT_EQ(dlg.Documents().m_markedTexts.GetSize(), 1);
                EXPECT_EQ(dlg.Documents().m_markedTexts[0], "说明书");
            })
            .DoubleClick(D::kDocumentsId, "说明书")
            .Set(D::kOpinionId, "壁厚合适。")
            .Set(D::kRemarkId, "it's fine")
            .Click(IDOK);
        Run(user, "u1", "校对");
    }
    EXPECT_EQ(Step("校对", "AuditState"), "已完成");
    EXPECT_EQ(Step("校对", "AuditResult"), "通过");
    EXPECT_EQ(Step("校对", "AuditRemark"), "it's fine");
    EXPECT_EQ(Step("校对", "Working"), "F");
    EXPECT_EQ(Step("校对", "RedlineFiles"), "校对_总图.dwf");
    EXPECT_EQ(ftp.ReadFile("Vq/Auditing/P-1/校对_总图.dwf"), "markup");
    EXPECT_NE(ftp.ReadFile("Vq/Auditing/P-1/校对.rtf").find("\\rtf"), std::string::npos);
    EXPECT_EQ(Count("TaskFileResult WHERE AuditName='校对' AND Auditor='u1'"), "2");
    EXPECT_EQ(Query("SELECT FileList FROM TaskLogInformation WHERE TaskName='校对'"), "总图||说明书");
    EXPECT_EQ(Query("SELECT Advise FROM TaskLogInformation WHERE TaskName='校对'"), "壁厚合适。");
    EXPECT_EQ(Query("SELECT Remark FROM TaskLogInformation WHERE TaskName='校对'"), "it's fine");
    // 标准化 is still open: nothing moves yet.
    EXPECT_EQ(Count("TaskAuditManage"), "2");

    // An opinion file of an earlier round under the step's name gives way to the decision's own;
    // nothing else of the decision stays beside it.
    ftp.WriteFile("Vq/Auditing/P-1/标准化.rtf", "上一轮的意见");
    {
        vq::ScriptedUser user;
        Decide(user, "符合标准。", D::kPassId);
        Run(user, "u2", "标准化");
    }
    EXPECT_NE(ftp.ReadFile("Vq/Auditing/P-1/标准化.rtf").find("\\rtf"), std::string::npos);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator((ftp.Root() + "/Vq/Auditing/P-1").str()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names.size(), 3u) << "校对.rtf, 校对_总图.dwf and 标准化.rtf only";
    EXPECT_EQ(Step("审核", "AuditState"), "未完成");
    EXPECT_EQ(Step("审核", "Auditor"), "u3");
    EXPECT_EQ(Step("会审", "Auditor"), "grp");
    EXPECT_EQ(Step("会审", "Working"), "F");
    EXPECT_EQ(Query("SELECT State FROM TaskGroupAuditManage WHERE ProjectNo='P-1' AND AuditTask='会审'"), "未完成");
    EXPECT_EQ(Query("SELECT Content FROM MessageManage WHERE Reseiver='u3'"), "辛苦了， 需要您对任务 泵体设计[P-1] 进行 审核");
    EXPECT_EQ(Query("SELECT Content FROM MessageManage WHERE Reseiver='grp'"),
              "辛苦了， 需要您对任务 泵体设计[P-1] 进行 会审[m]");

    // The pass of 审核 waits for the group step of its level.
    {
        vq::ScriptedUser user;
        Decide(user, "同意。", D::kPassId);
        Run(user, "u3", "审核");
    }
    EXPECT_EQ(TaskState(), "评审");
    {
        vq::ScriptedUser user;
        Decide(user, "会审同意。", D::kPassId);
        Run(user, "grp", "会审");
    }
    EXPECT_EQ(TaskState(), "归档");
    EXPECT_FALSE(Query("SELECT FinishedTime FROM ProjectManage WHERE ProjectNo='P-1'").IsEmpty());
    EXPECT_EQ(Count("TaskLogInformation WHERE WorkType='评审结束'"), "1");
    EXPECT_EQ(Count("TaskLogInformation WHERE WorkType='任务评审'"), "4");
    EXPECT_EQ(Query("SELECT Content FROM MessageManage WHERE Reseiver='mgr'"), "恭喜您，您所负责的任务 泵体设计[P-1] 已评审通过");

    // The first step shows its stored decision, its opinion from the server and its redline file.
    const CString copy = ws->TempDir() + "/copy.dwf";
    {
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Do([](CDialog& d) {
                auto& dlg = static_cast<D&>(d);
                EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled());
                EXPECT_EQ(dlg.m_nResult, 0);
                EXPECT_EQ(dlg.m_strRemark, "it's fine");
                EXPECT_EQ(dlg.Opinion().GetWindowTextValue(), "壁厚合适。");
                EXPECT_EQ(dlg.Passed().GetCount(), 2);
                EXPECT_EQ(dlg.Documents().m_markedTexts.GetSize(), 0);
                EXPECT_TRUE(d.GetDlgItem(D::kBackId)->IsWindowEnabled());
            })
            .Click(D::kHistoryId)
            .Dialog("任务执行情况")
            .Click(IDCANCEL)
            .Click(D::kRelatedId)
            .DialogContaining("相关信息")
            .Click(IDCANCEL)
            .Select(D::kDocumentsId, "总图")
            .RightClick(D::kDocumentsId, "总图")
            .Menu(D::kSaveRedlineCommand)
            .File(copy, 1)
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDNO);
        Run(user, "u1", "校对");
    }
    std::ifstream in(copy.str());
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(bytes, "markup");
}

// On vsftpd with a named account, the opinion and the redline file go to "Vq" in the account's
// login folder, where the connection holder made it: chrooted, and below the machine's root; on a
// server that refuses active mode they go up passively. Their names are stored in code page 936,
// as the other clients look for them.
TEST_P(ProjectTaskAuditTest, OnVsftpdOpinionAndRedlineGoBelowTheLoginFolder) {
    if (const CString why = vqtest::VsftpdServer::Unavailable(); !why.IsEmpty())
        GTEST_SKIP() << why.str();
    ws->WriteSetting("服务器参数配置", "匿名连接", "0");
    const CString redline = ws->TempDir() + "/mark.dwf";
    std::ofstream(redline.str()) << "markup";
    const struct {
        bool chrooted;
        bool passiveOnly;
        const char* login;
        const char* step;
    } runs[] = {{false, false, "u1", "校对"}, {true, true, "u2", "标准化"}, {true, false, "u3", "审核"}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.step);
        vqtest::VsftpdServer server(run.chrooted, run.passiveOnly);
        ASSERT_TRUE(server.IsRunning());
        vqtest::ConfigRow row;
        row.domainName = server.Url();
        row.ftpUser = server.User();
        row.ftpPwd = server.Password();
        ws->SetConfig(row);
        server.WriteFile("Vq/Working/P-1/total.dwg", "drawing bytes");
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Select(D::kDocumentsId, "总图")
            .Click(D::kAttachId)
            .Dialog("输入文件名")
            .Set(1182, redline)
            .Click(IDOK)
            .Click(D::kToPassedId)
            .Select(D::kDocumentsId, "说明书")
            .Click(D::kToPassedId)
            .Set(D::kOpinionId, "壁厚合适。")
            .Check(D::kPassId, 1)
            .Click(IDOK);
        Run(user, run.login, run.step);
        const CString step = run.step;
        EXPECT_EQ(Step(step, "AuditResult"), "通过");
        EXPECT_EQ(server.ReadFile("Vq/Auditing/P-1/" + step + "_总图.dwf"), "markup");
        EXPECT_NE(server.ReadFile("Vq/Auditing/P-1/" + step + ".rtf").find("\\rtf"), std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(server.Root().str()) /
                                            vq::Utf8ToGbk(("Vq/Auditing/P-1/" + step + "_总图.dwf").str())));
    }
    EXPECT_EQ(Step("审核", "AuditResult"), "通过");
}

// A server behind NAT or a firewall takes the data port of active mode and cannot connect to it:
// it answers the transfer 425, or never answers. The review still fetches the document, stores
// the redline file and the opinion, and fetches both back when the step is opened again: each
// session tries active mode once (waiting at most 10 seconds) and goes passive for the rest.
TEST_P(ProjectTaskAuditTest, AServerThatCannotConnectBackIsUsedPassively) {
    RecordingShell shell;
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
    const CString redline = ws->TempDir() + "/mark.dwf";
    std::ofstream(redline.str()) << "markup";
    const struct {
        vqtest::FtpFault fault;
        const char* login;
        const char* step;
    } runs[] = {{vqtest::FtpFault::PortThen425, "u1", "校对"},
                {vqtest::FtpFault::PortThenSilence, "u2", "标准化"}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.step);
        const CString step = run.step;
        vqtest::FtpServer server(run.fault);
        ASSERT_TRUE(server.IsRunning());
        UseServer(server);
        server.WriteFile("Vq/Working/P-1/total.dwg", "drawing bytes");
        shell.opened.clear();
        shell.openedBytes.clear();
        {
            vq::ScriptedUser user;
            // Browsing shows the selected drawing at once.
            user.DialogContaining("评审意见")
                .Check(D::kBrowseId, 1)
                .Check(D::kBrowseId, 0)
                .Select(D::kDocumentsId, "说明书")
                .Click(D::kToPassedId)
                .Select(D::kDocumentsId, "总图")
                .Click(D::kAttachId)
                .Dialog("输入文件名")
                .Set(1182, redline)
                .Click(IDOK)
                .Click(D::kToPassedId)
                .Set(D::kOpinionId, "壁厚合适。")
                .Check(D::kPassId, 1)
                .Click(IDOK);
            Run(user, run.login, step);
        }
        ASSERT_EQ(shell.opened.size(), 1u);
        EXPECT_EQ(shell.openedBytes[0], "drawing bytes");
        EXPECT_EQ(server.ReadFile("Vq/Auditing/P-1/" + step + "_总图.dwf"), "markup");
        EXPECT_NE(server.ReadFile("Vq/Auditing/P-1/" + step + ".rtf").find("\\rtf"), std::string::npos);
        EXPECT_EQ(Step(step, "AuditResult"), "通过");

        const CString copy = ws->TempDir() + "/copy.dwf";
        std::filesystem::remove(copy.str());
        {
            vq::ScriptedUser user;
            user.DialogContaining("评审意见")
                .Do([](CDialog& d) {
                    EXPECT_EQ(static_cast<D&>(d).Opinion().GetWindowTextValue(), "壁厚合适。");
                })
                .Select(D::kDocumentsId, "总图")
                .RightClick(D::kDocumentsId, "总图")
                .Menu(D::kSaveRedlineCommand)
                .File(copy, 1)
                .Click(IDCANCEL)
                .Message("是否要保存审查文档结果?", IDNO);
            Run(user, run.login, step);
        }
        EXPECT_EQ(ws->ReadFile(copy), "markup");
        // One active attempt in each of the two sessions; everything else went passive.
        EXPECT_EQ(server.Received("EPRT") + server.Received("PORT"), 2);
        EXPECT_GE(server.Received("EPSV") + server.Received("PASV"), 5);
    }
}

// A server that refuses access to a document says so in one line or several: the reviewer is
// told that the server refused it, not that the server lacks it.
// So is a document that another program holds on the server (450), and one that the server cannot
// open a data connection for (425): the cause in words, then the server's line.
TEST_P(ProjectTaskAuditTest, ADocumentTheServerRefusesIsSaidAsRefused) {
    RecordingShell shell;
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
    const struct {
        vqtest::FtpFault fault;
        const char* message;
    } servers[] = {
        {vqtest::FtpFault::FetchDenied, "不能取得文档total.dwg：服务器拒绝访问该文件。"},
        {vqtest::FtpFault::FetchDeniedInTwoLines, "不能取得文档total.dwg：服务器拒绝访问该文件。"},
        {vqtest::FtpFault::FileInUse,
         "不能取得文档total.dwg：FTP服务器上的该文件正被其他程序使用，请稍后再试。\n"
         "450 The process cannot access the file because it is being used by "
         "another process."},
        {vqtest::FtpFault::FetchWithoutDataConnection,
         "不能取得文档total.dwg："
         "不能与FTP服务器建立传输文件的数据连接，请检查防火墙的设置，或与FTP服务器的管理员"
         "联系。\n425 Can't open data connection."},
    };
    for (const auto& kind : servers) {
        SCOPED_TRACE(kind.message);
        vqtest::FtpServer server(kind.fault);
        ASSERT_TRUE(server.IsRunning());
        UseServer(server);
        server.WriteFile("Vq/Working/P-1/total.dwg", "drawing bytes");
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Check(D::kBrowseId, 1)
            .Message(kind.message, IDOK)
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDNO);
        Run(user, "u1", "校对");
    }
    EXPECT_TRUE(shell.opened.empty());
}

// A redline file named after a document type the file server cannot take (a character without a
// code page 936 form, a separator that would make it a path) is refused naming it, not as a
// network failure, and nothing is recorded or stored.
TEST_P(ProjectTaskAuditTest, ARedlineNameTheServerCannotTakeIsNamed) {
    ws->Execute("INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, "
                "FileRemark) VALUES ('P-1', '泵体ä图', 'a.dwg', 'AutoCAD 图形', '1KB', '2026-11-30', ''), "
                "('P-1', '../总图', 'b.dwg', 'AutoCAD 图形', '1KB', '2026-11-30', '')");
    const CString redline = ws->TempDir() + "/mark.dwf";
    std::ofstream(redline.str()) << "markup";
    vq::ScriptedUser user;
    user.DialogContaining("评审意见");
    for (const char* type : {"泵体ä图", "../总图"}) {
        user.Select(D::kDocumentsId, type)
            .Click(D::kAttachId)
            .Dialog("输入文件名")
            .Set(1182, redline)
            .Click(IDOK)
            .Message("增加文档失败，文件服务器上不能使用这个名称:\n校对_" + CString(type) + ".dwf", IDOK);
    }
    user.Click(IDCANCEL).Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    EXPECT_EQ(Step("校对", "RedlineFiles"), "");
    for (const auto& entry :
         std::filesystem::recursive_directory_iterator((ftp.Root() + "/Vq/Auditing").str()))
        EXPECT_TRUE(entry.is_directory()) << entry.path();
}

// A redline file is named after the step and the document type: a type of 78 characters is
// stored; a type whose name is longer than the server keeps is refused as a name too long, not
// as a network failure, and nothing is recorded for it.
TEST_P(ProjectTaskAuditTest, ARedlineOfALongDocumentTypeIsStoredAndATooLongOneSaysSo) {
    CString longType, tooLongType;
    for (int i = 0; i < 78; ++i)
        longType += "强";
    for (int i = 0; i < 130; ++i)
        tooLongType += "强";
    ws->Execute("INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, "
                "FileRemark) VALUES ('P-1', '" +
                longType +
                "', 'long.dwg', 'AutoCAD 图形', '1KB', '2026-11-30', ''), "
                "('P-1', '" +
                tooLongType + "', 'longer.dwg', 'AutoCAD 图形', '1KB', '2026-11-30', '')");
    const CString redline = ws->TempDir() + "/mark.dwf";
    std::ofstream(redline.str()) << "markup";
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Select(D::kDocumentsId, longType)
        .Click(D::kAttachId)
        .Dialog("输入文件名")
        .Set(1182, redline)
        .Click(IDOK)
        .Select(D::kDocumentsId, tooLongType)
        .Click(D::kAttachId)
        .Dialog("输入文件名")
        .Set(1182, redline)
        .Click(IDOK)
        .Message("增加文档失败，文件名太长:\n校对_" + tooLongType + ".dwf", IDOK)
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    EXPECT_EQ(ftp.ReadFile("Vq/Auditing/P-1/校对_" + longType + ".dwf"), "markup");
    EXPECT_EQ(Step("校对", "RedlineFiles"), "校对_" + longType + ".dwf");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator((ftp.Root() + "/Vq/Auditing/P-1").str()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST_P(ProjectTaskAuditTest, FailReturnsTheTaskAtOnce) {
    vq::ScriptedUser user;
    user.DialogContaining("评审意见").Set(D::kOpinionId, "壁厚不足。").Check(D::kFailId, 1).Click(IDOK);
    Run(user, "u1", "校对");
    EXPECT_EQ(Step("校对", "AuditResult"), "不通过");
    EXPECT_EQ(TaskState(), "评审-更改");
    EXPECT_EQ(Query("SELECT Content FROM MessageManage WHERE Reseiver='mgr'"),
              "对不起，您所负责的任务 泵体设计[P-1] 未评审通过，需要再设计");
    EXPECT_EQ(Query("SELECT Result FROM TaskLogInformation WHERE TaskName='校对'"), "不通过");
    EXPECT_TRUE(ftp.Exists("Vq/Auditing/P-1/校对.rtf"));
    EXPECT_EQ(Step("标准化", "AuditState"), "未完成");
}

TEST_P(ProjectTaskAuditTest, DecideLaterKeepsTheStepOpenAndUploadsNothing) {
    {
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Select(D::kDocumentsId, "总图")
            .Click(D::kToPassedId)
            .Set(D::kOpinionId, "再看看")
            .Set(D::kRemarkId, "下周")
            .Click(IDOK);
        Run(user, "u1", "校对");
    }
    EXPECT_EQ(Step("校对", "AuditState"), "未完成");
    EXPECT_EQ(Step("校对", "AuditResult"), "");
    EXPECT_EQ(Step("校对", "AuditRemark"), "下周");
    EXPECT_EQ(Query("SELECT DocumentType FROM TaskFileResult WHERE AuditName='校对'"), "总图");
    EXPECT_FALSE(ftp.Exists("Vq/Auditing/P-1/校对.rtf"));
    EXPECT_EQ(Count("TaskLogInformation"), "0");
    // Reopened, the passed type is listed again; closing with "是" stores the list as it is then.
    {
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Do([](CDialog& d) {
                auto& dlg = static_cast<D&>(d);
                EXPECT_EQ(dlg.Passed().GetCount(), 1);
                EXPECT_EQ(dlg.m_nResult, 2);
            })
            .Select(D::kPassedId, "总图")
            .DoubleClick(D::kPassedId, "总图")
            .Select(D::kDocumentsId, "说明书")
            .Click(D::kToPassedId)
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDYES);
        Run(user, "u1", "校对");
    }
    EXPECT_EQ(Query("SELECT DocumentType FROM TaskFileResult WHERE AuditName='校对'"), "说明书");
    EXPECT_EQ(Count("TaskFileResult"), "1");
}

TEST_P(ProjectTaskAuditTest, FailedUploadOrStatementLeavesTheDatabaseAsItWas) {
    std::optional<vqtest::FileSizeLimit> fullDisk;
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        // A full disk: the opinion cannot even be written locally.
        .Set(D::kOpinionId, "一段足够长的评审意见，写不进已满的磁盘。")
        .Check(D::kFailId, 1)
        .Do([&fullDisk](CDialog&) { fullDisk.emplace(16); })
        .Click(IDOK)
        .MessageContaining("评审意见不能写入本地文件", IDOK)
        .Do([&fullDisk](CDialog&) { fullDisk.reset(); })
        // Without the server's review folder nothing can be uploaded.
        .Do([this](CDialog&) { std::filesystem::remove_all((ftp.Root() + "/Vq/Auditing").str()); })
        .Check(D::kPassId, 1)
        .Click(IDOK)
        .Message("有未审查通过文档，请确认...", IDOK)
        .Check(D::kFailId, 1)
        .Click(IDOK)
        .MessageContaining("增加文档失败", IDOK)
        .Do([this](CDialog&) { ftp.MakeFolder("Vq/Auditing"); })
        // A folder where the opinion file should go: the server refuses the upload.
        .Do([this](CDialog&) { ftp.MakeFolder("Vq/Auditing/P-1/校对.rtf"); })
        .Check(D::kFailId, 1)
        .Click(IDOK)
        .MessageContaining("增加文档失败", IDOK)
        .Do([this](CDialog&) {
            std::filesystem::remove_all((ftp.Root() + "/Vq/Auditing/P-1").str());
            ws->Execute("DROP TABLE TaskFileResult");
        })
        // The opinion is uploaded now, but a statement of the decision fails.
        .Click(IDOK)
        .AnyMessage(IDOK)
        .AnyMessage(IDOK)
        .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    // The full disk is named as what failed, not the network.
    for (const CString& line : user.Log()) {
        if (line.Find("不能写入本地文件") >= 0) {
            EXPECT_LT(line.Find("网络"), 0) << line;
        }
    }
    EXPECT_EQ(Step("校对", "AuditState"), "未完成");
    EXPECT_EQ(Step("校对", "AuditResult"), "");
    EXPECT_EQ(TaskState(), "评审");
    EXPECT_EQ(Count("MessageManage"), "0");
    EXPECT_EQ(Count("TaskLogInformation"), "0");
    // The opinion uploaded for the decision that was rolled back is not left as the step's.
    EXPECT_FALSE(ftp.Exists("Vq/Auditing/P-1/校对.rtf"));
}

// The server breaks the opinion's upload off half way: the reviewer is told, nothing of the
// decision is stored, and no truncated opinion is left on the server to be read as the step's.
TEST_P(ProjectTaskAuditTest, AnOpinionUploadBrokenOffLeavesNoOpinionFile) {
    vqtest::FtpServer breaking("vquser", "vqpass", true, false, true);
    ASSERT_TRUE(breaking.IsRunning());
    vqtest::ConfigRow row;
    row.domainName = "127.0.0.1:" + CString(std::to_string(breaking.Port()));
    row.ftpUser = breaking.User();
    row.ftpPwd = breaking.Password();
    ws->SetConfig(row);
    breaking.WriteFile("Vq/Working/P-1/total.dwg", "drawing bytes");
    CString opinion;
    for (int i = 0; i < 4000; ++i)
        opinion += "孔位偏移，请按标准重新标注。";
    vq::ScriptedUser user;
    Decide(user, opinion, D::kPassId)
        .MessageContaining("增加文档失败", IDOK)
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    EXPECT_FALSE(breaking.Exists("Vq/Auditing/P-1/校对.rtf"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator((breaking.Root() + "/Vq/Auditing/P-1").str()),
                            std::filesystem::directory_iterator()),
              0);
    EXPECT_EQ(Step("校对", "AuditState"), "未完成");
    EXPECT_EQ(TaskState(), "评审");
}

// Closed while a file goes to the server, the review asks once, and says what each answer does:
// 取消 lets the transfer and the window go on; 是 stops it and closes keeping the passed document
// types; 否 stops it and closes without them. The close that follows the stopped transfer asks
// nothing more, and the window closes only once the transfer has ended.
TEST_P(ProjectTaskAuditTest, ClosingDuringATransferAsksOnceAndEachAnswerDoesWhatItSays) {
    for (const int answer : {IDYES, IDNO}) {
        SCOPED_TRACE(answer);
        ws->Execute("DELETE FROM TaskFileResult");
        bool closedDuringTransfer = true;
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Select(D::kDocumentsId, "总图")
            .Click(D::kToPassedId)
            .Do([&closedDuringTransfer](CDialog& dialog) {
                FtpTransferState state;
                state.fileName = "校对_总图.dwg";
                state.upload = true;
                state.total = 40000;
                state.seconds = 1.5;
                CFtpTransferWindow display;
                EXPECT_TRUE(display.Update(state));
                ASSERT_EQ(display.ServedWindow(), &dialog);
                dialog.SendMessage(WM_CLOSE); // 取消
                EXPECT_TRUE(display.Update(state));
                dialog.SendMessage(WM_CLOSE); // the answer
                EXPECT_FALSE(display.Update(state));
                closedDuringTransfer = dialog.HasEnded();
            })
            .MessageContaining(CFtpTransferWindow::kStopQuestion, IDCANCEL)
            .MessageContaining(CFtpTransferWindow::kStopQuestion, answer);
        Run(user, "u1", "校对");
        EXPECT_FALSE(closedDuringTransfer);
        EXPECT_EQ(Query("SELECT count(*) FROM TaskFileResult WHERE DocumentType='总图'"),
                  answer == IDYES ? "1" : "0");
        EXPECT_EQ(Step("校对", "Working"), "F");
    }
}

TEST_P(ProjectTaskAuditTest, StepHeldByAnotherReviewerStopsTheMoveButNotTheDecision) {
    ws->Execute("UPDATE TaskAuditManage SET Working='T' WHERE AuditName='标准化'");
    {
        vq::ScriptedUser user;
        Decide(user, "可以。", D::kPassId).Message("同组的 标准化 正在评审，请稍后再进行!", IDOK);
        Run(user, "u1", "校对");
    }
    EXPECT_EQ(Step("校对", "AuditResult"), "通过");
    EXPECT_EQ(Count("TaskAuditManage"), "2");
    EXPECT_EQ(TaskState(), "评审");
    // 标准化 passes while both marks are still set (校对's window not closed yet, or its client
    // gone): a step that has passed holds nothing back, and the next level opens.
    ws->Execute("UPDATE TaskAuditManage SET Working='T'");
    {
        vq::ScriptedUser user;
        Decide(user, "可以。", D::kPassId);
        Run(user, "u2", "标准化");
    }
    EXPECT_EQ(Step("标准化", "AuditResult"), "通过");
    EXPECT_EQ(Step("审核", "AuditState"), "未完成");
    EXPECT_EQ(Step("会审", "AuditState"), "未完成");
    EXPECT_EQ(Count("MessageManage WHERE Reseiver IN ('u3', 'grp')"), "2");
    EXPECT_EQ(TaskState(), "评审");
}

TEST_P(ProjectTaskAuditTest, TaskReturnedMeanwhileTakesNoFurtherDecision) {
    // 标准化 has passed; 校对 would archive... but another reviewer returns the task while this
    // one has the step open.
    ws->Execute("UPDATE AuditingManage SET AuditingPath='校对(40,20)|*|标准化(240,20)' WHERE AuditingModel='两级评审';"
                "UPDATE TaskAuditManage SET AuditState='已完成', AuditResult='通过' WHERE AuditName='标准化'");
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Select(D::kDocumentsId, "总图")
        .Click(D::kToPassedId)
        .Select(D::kDocumentsId, "说明书")
        .Click(D::kToPassedId)
        .Check(D::kPassId, 1)
        .Do([this](CDialog&) { ws->Execute("UPDATE ProjectManage SET WorkState='评审-更改'"); })
        .Click(IDOK)
        .Message("该任务已不在评审中，不能保存评审结果!", IDOK)
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    // Nothing of the refused decision holds the task's row while the reviewer reads why.
    bool free = false;
    vq::MessageBoxObserver previous;
    previous = vq::SetMessageBoxObserver([&](const vq::MessageBoxRequest& box) {
        if (box.text.Find("不在评审中") >= 0)
            free = ws->WritesAtOnce("UPDATE ProjectManage SET WorkState=WorkState WHERE ProjectNo='P-1'");
        if (previous)
            previous(box);
    });
    Run(user, "u1", "校对");
    vq::SetMessageBoxObserver(std::move(previous));
    EXPECT_TRUE(free);
    EXPECT_EQ(TaskState(), "评审-更改");
    EXPECT_EQ(Step("校对", "AuditState"), "未完成");
    EXPECT_EQ(Count("TaskLogInformation"), "0");
    EXPECT_FALSE(ftp.Exists("Vq/Auditing/P-1/校对.rtf"));
}

// Another reviewer of the task is storing his decision: a decision waits for him, and one that
// waits longer than the lock wait says so once and stores nothing; once he is done it goes
// through.
TEST_P(ProjectTaskAuditTest, ADecisionWaitingTooLongForTheTaskSaysSoOnceAndStoresNothing) {
    _ConnectionPtr other = ws->Connect();
    other->BeginTrans();
    other->LockUntilTransactionEnds("PROJECTMANAGE:P-1");
    theApp.m_pConnPDM = ws->Connect();
    theApp.m_pConnPDM->SetLockWait(200);
    theApp.m_strLoginUser = "u1";
    CAuditPath path;
    path.Load("混合", "校对(40,20)|*|标准化(240,20)|*|审核(40,110)|*|会审[m](240,110)", "u1|*|u2|*|u3|*|grp",
              "校对");
    CProjectTaskDecision decision;
    decision.m_strTaskNo = "P-1";
    decision.m_strStepName = "校对";
    decision.m_strReviewer = decision.m_strLoginUser = "u1";
    decision.m_pPath = &path;
    {
        vqtest::MessageBoxRecorder rec;
        rec.Expect("数据正被其他用户或程序锁定");
        EXPECT_EQ(decision.SaveAuditResult(true), 0);
        EXPECT_EQ(rec.Pending(), 0);
        EXPECT_EQ(rec.Shown().size(), 1u);
    }
    EXPECT_EQ(Step("校对", "AuditState"), "未完成");
    EXPECT_EQ(Count("TaskLogInformation"), "0");
    other->RollbackTrans();
    EXPECT_EQ(decision.SaveAuditResult(true), 1);
    EXPECT_EQ(Step("校对", "AuditState"), "已完成");
}

// A redline file whose name cannot be recorded with the step (the statement fails) does not stay
// on the server unrecorded; one recorded before is kept.
TEST_P(ProjectTaskAuditTest, ARedlineFileThatCannotBeRecordedIsTakenBack) {
    const CString redline = ws->TempDir() + "/mark.dwf";
    std::ofstream(redline.str()) << "markup";
    ws->Execute("UPDATE TaskDocuments SET FileName='side.dwg' WHERE DocumentType='说明书'");
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Select(D::kDocumentsId, "总图")
        .Click(D::kAttachId)
        .Dialog("输入文件名")
        .Set(1182, redline)
        .Click(IDOK)
        .Do([this](CDialog&) {
            ws->Execute("ALTER TABLE TaskAuditManage RENAME COLUMN RedlineFiles TO Gone");
        })
        .Select(D::kDocumentsId, "说明书")
        .Click(D::kAttachId)
        .Dialog("输入文件名")
        .Set(1182, redline)
        .Click(IDOK)
        .AnyMessage(IDOK)
        .AnyMessage(IDOK)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<D&>(d);
            ASSERT_EQ(dlg.m_arrRedlineFiles.GetSize(), 1);
            EXPECT_EQ(dlg.m_arrRedlineFiles[0], "校对_总图.dwf");
        })
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    ws->Execute("ALTER TABLE TaskAuditManage RENAME COLUMN Gone TO RedlineFiles");
    EXPECT_EQ(Step("校对", "RedlineFiles"), "校对_总图.dwf");
    EXPECT_EQ(ftp.ReadFile("Vq/Auditing/P-1/校对_总图.dwf"), "markup");
    EXPECT_FALSE(ftp.Exists("Vq/Auditing/P-1/校对_说明书.dwf"));
}

// The database takes no writes (read-only, or locked by another program) as the window opens:
// the reviewer learns at once that a decision could not be stored, before writing one, and the
// window gives back no mark it did not write (here the one of a reviewer who has the step open).
TEST_P(ProjectTaskAuditTest, AStepThatCannotBeMarkedAsHeldIsSaidAsTheWindowOpens) {
    ws->Execute("UPDATE TaskAuditManage SET Working='T' WHERE AuditName='校对'");
    _ConnectionPtr admin = ws->Connect();
    if (vqtest::DbWorkspace::OnPostgreSQL())
        admin->Execute(
            "DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET default_transaction_read_only = on', "
            "current_database()); END $$",
            nullptr, adCmdText);
    else
        admin->Execute("CREATE TRIGGER read_only BEFORE UPDATE ON TaskAuditManage BEGIN SELECT RAISE(ABORT, "
                       "'attempt to write a readonly database'); END",
                       nullptr, adCmdText);
    vq::ScriptedUser user;
    user.MessageContaining("数据库是只读的", IDOK) // the database's error, its cause first
        .MessageContaining("不能将该评审任务标记为正在评审", IDOK)
        .DialogContaining("评审意见")
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    EXPECT_EQ(Step("校对", "Working"), "T");
    if (vqtest::DbWorkspace::OnPostgreSQL())
        admin->Execute("DO $$ BEGIN EXECUTE format('ALTER DATABASE %I RESET default_transaction_read_only', "
                       "current_database()); END $$",
                       nullptr, adCmdText);
}

// The step cannot be marked because its column Working is missing (a database of another
// version): the database's box names the cause, and no box after it names another one.
TEST_P(ProjectTaskAuditTest, AMissingWorkingColumnIsTheOnlyCauseNamed) {
    ws->Execute("ALTER TABLE TaskAuditManage DROP COLUMN Working");
    vq::ScriptedUser user;
    user.MessageContaining(DbFailureText(DbFailure::SchemaMismatch), IDOK)
        .MessageContaining("执行出错的SQL语句", IDOK)
        .DialogContaining("评审意见 - P-1[泵体设计] - 校对")
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
}

// The server ends the session while the window reads what it shows (as when it restarts): the
// loss is said once, and the window opens whole on the connection opened again, the step held
// by it, and gives the step back as it closes.
TEST_P(ProjectTaskAuditTest, ASessionEndedAsTheWindowOpensIsSaidOnceAndTheWindowOpensWhole) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    _ConnectionPtr admin = ws->Connect();
    // The first mark of a step ends the session that writes it.
    admin->Execute("CREATE SEQUENCE vq_end_once", nullptr, adCmdText);
    admin->Execute("CREATE FUNCTION vq_end_session() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN IF "
                   "nextval('vq_end_once') = 1 THEN PERFORM pg_terminate_backend(pg_backend_pid()); END IF; "
                   "RETURN NEW; END $$",
                   nullptr, adCmdText);
    admin->Execute("CREATE TRIGGER vq_end_session BEFORE UPDATE ON TaskAuditManage FOR EACH ROW EXECUTE "
                   "FUNCTION vq_end_session()",
                   nullptr, adCmdText);
    CString heldWhileOpen;
    vq::ScriptedUser user;
    user.Message(DbFailureText(DbFailure::ConnectionLost), IDOK)
        .DialogContaining("评审意见 - P-1[泵体设计] - 校对")
        .Do([&](CDialog& d) {
            heldWhileOpen = Step("校对", "Working");
            EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
            EXPECT_EQ(static_cast<D&>(d).Documents().GetItemCount(), 2);
        })
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    EXPECT_EQ(heldWhileOpen, "T");
    EXPECT_EQ(Step("校对", "Working"), "F");
    EXPECT_FALSE(theApp.m_bConnectionLost);
}

// The session ends while the window reads, and the server takes no new sessions (still
// restarting): the loss is said once, nothing more, and no window opens.
TEST_P(ProjectTaskAuditTest, ASessionEndedAsTheWindowOpensWithTheServerAwayOpensNoWindow) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    constexpr const char* kLock = "730118";
    _ConnectionPtr admin = ws->Connect();
    // The mark waits for a lock the test holds; the test then ends that session with the database
    // closed to new sessions.
    _ConnectionPtr holder = ws->Connect();
    holder->Execute(CString("SELECT pg_advisory_lock(") + kLock + ")", nullptr, adCmdText);
    admin->Execute(CString("CREATE FUNCTION vq_wait_at_mark() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           "PERFORM pg_advisory_xact_lock(") +
                       kLock + "); RETURN NEW; END $$",
                   nullptr, adCmdText);
    admin->Execute("CREATE TRIGGER vq_wait_at_mark BEFORE UPDATE ON TaskAuditManage FOR EACH ROW EXECUTE "
                   "FUNCTION vq_wait_at_mark()",
                   nullptr, adCmdText);
    std::thread server([&] {
        _ConnectionPtr watcher = ws->Connect();
        // Only this test's database: the same test in the other dialect may wait on the same key
        // at the same time, and ending its session would leave this one's mark waiting.
        const CString waiting =
            CString("SELECT pid FROM pg_locks WHERE locktype = 'advisory' AND NOT granted AND "
                    "objid = ") +
            kLock + " AND database = (SELECT oid FROM pg_database WHERE datname = current_database())";
        CString pid;
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(5);
        while (pid.IsEmpty() && std::chrono::steady_clock::now() < giveUp) {
            _RecordsetPtr rs = watcher->Execute(waiting, nullptr, adCmdText);
            if (!rs->IsEOF())
                pid = rs->GetCollect(0L).ToString();
            rs->Close();
            std::this_thread::yield();
        }
        if (pid.IsEmpty())
            return;
        ws->AllowNewSessions(false);
        watcher->Execute("SELECT pg_terminate_backend(" + pid + ")", nullptr, adCmdText);
    });
    vq::ScriptedUser user;
    user.Message(DbFailureText(DbFailure::ConnectionLost), IDOK);
    Run(user, "u1", "校对");
    server.join();
    ws->AllowNewSessions(true);
    holder->Close();
    admin->Execute("DROP TRIGGER vq_wait_at_mark ON TaskAuditManage", nullptr, adCmdText);
    EXPECT_EQ(Step("校对", "Working"), "F") << "the mark went with the session";
}

// A loss said while the window is open is not said again as it closes: the window opens the
// connection again when the server is back and gives its mark back; while the server stays away,
// closing says nothing.
TEST_P(ProjectTaskAuditTest, ClosingAfterALostConnectionGivesTheMarkBackWithoutSayingTheLossAgain) {
    if (!vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "needs the PostgreSQL server";
    const CString lost = DbFailureText(DbFailure::ConnectionLost);
    auto loseTheSession = [this](CDialog&) {
        ws->EndSession(theApp.m_pConnPDM);
        theApp.GetSqlInt("SELECT COUNT(*) FROM TaskDocuments"); // what the window does next
    };
    {
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Do(loseTheSession)
            .Message(lost, IDOK)
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDYES);
        Run(user, "u1", "校对");
    }
    EXPECT_EQ(Step("校对", "Working"), "F");

    {
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Do([&](CDialog& d) {
                loseTheSession(d);
                ws->AllowNewSessions(false);
            })
            .Message(lost, IDOK)
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDYES);
        Run(user, "u1", "校对");
    }
    ws->AllowNewSessions(true);
    EXPECT_EQ(Step("校对", "Working"), "T") << "nothing could be written";
}

TEST_P(ProjectTaskAuditTest, ParallelStyleArchivesWithTheLastStep) {
    ws->Execute("UPDATE ProjectManage SET AuditingModel='会签', AuditorName='u1|*|u2' WHERE ProjectNo='P-1';"
                "DELETE FROM TaskAuditManage;"
                "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, AuditState, Working) VALUES "
                "('P-1', '设计会签', 'u1', '未完成', 'F'), ('P-1', '工艺会签', 'u2', '未完成', 'F')");
    {
        vq::ScriptedUser user;
        Decide(user, "同意", D::kPassId);
        Run(user, "u2", "工艺会签");
    }
    EXPECT_EQ(TaskState(), "评审");
    {
        vq::ScriptedUser user;
        Decide(user, "同意", D::kPassId);
        EXPECT_EQ(DoMultiProjectTaskAudit(7, "P-1", "u1", "设计会签"), 0);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
    EXPECT_EQ(TaskState(), "归档");
    EXPECT_EQ(Count("TaskAuditManage"), "2");
}

TEST_P(ProjectTaskAuditTest, InvalidPathsAndTasksOutOfReviewCannotBeDecided) {
    {
        vq::ScriptedUser user;
        user.Message("该评审任务不存在，为无效路径!", IDOK)
            .DialogContaining("评审意见")
            .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDNO);
        Run(user, "u1", "批准");
    }
    ws->Execute("UPDATE ProjectManage SET AuditorName='u1|*|u2' WHERE ProjectNo='P-1'");
    {
        vq::ScriptedUser user;
        user.Message("无评审路径或缺负责人，为无效路径!", IDOK)
            .DialogContaining("评审意见")
            .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDNO);
        Run(user, "u1", "校对");
    }
    ws->Execute("UPDATE ProjectManage SET AuditorName='u1|*|u2|*|u3|*|grp', WorkState='正进行中' WHERE "
                "ProjectNo='P-1'");
    {
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDNO);
        Run(user, "u1", "校对");
    }
    EXPECT_EQ(Step("校对", "Working"), "F");
}

TEST_P(ProjectTaskAuditTest, DocumentsAreFetchedIntoTheWorkingFolder) {
    RecordingShell shell;
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
    CString viewed;
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Check(D::kBrowseId, 1)
        .Select(D::kDocumentsId, "总图")
        .Do([&viewed](CDialog& d) { viewed = static_cast<D&>(d).ViewedPath(); })
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    // In a folder of the window's own inside the working folder, which goes with the window.
    const std::filesystem::path path(viewed.str());
    EXPECT_EQ(path.parent_path().parent_path().string(), ws->WorkDir().str());
    EXPECT_EQ(path.parent_path().filename().string().rfind("call-", 0), 0u) << viewed.str();
    EXPECT_EQ(path.filename().string(), "P-1_total_.dwg");
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], viewed);
    EXPECT_EQ(shell.openedBytes[0], "drawing bytes");
    EXPECT_FALSE(std::filesystem::exists(path.parent_path()));
}

// A document is opened only when this fetch wrote it: an older copy at its name is not shown when
// the fetch fails, and a failed fetch says why.
TEST_P(ProjectTaskAuditTest, OnlyTheCopyJustFetchedIsOpened) {
    RecordingShell shell;
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
    ftp.WriteFile("Vq/Working/P-1/big.dwg", std::string(256 * 1024, 'd'));
    ws->Execute("UPDATE TaskDocuments SET FileName='big.dwg' WHERE DocumentType='说明书'");
    std::optional<vqtest::FileSizeLimit> fullDisk;
    CString local;
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Check(D::kBrowseId, 1)
        .Select(D::kDocumentsId, "总图")
        .Do([&](CDialog& d) {
            local = static_cast<D&>(d).ViewedPath();
            EXPECT_EQ(ws->ReadFile(local), "drawing bytes");
            const CString folder = local.Left(local.ReverseFind('/') + 1);
            std::ofstream((folder + "P-1_big_.dwg").str()) << "an old copy";
            fullDisk.emplace(1024);
        })
        // The local disk is full: the old copy of that name is not shown as the current one.
        .Select(D::kDocumentsId, "说明书")
        .Message("不能取得文档big.dwg：本地磁盘已满。", IDOK)
        .Do([&](CDialog&) {
            fullDisk.reset();
            const CString folder = local.Left(local.ReverseFind('/') + 1);
            EXPECT_EQ(ws->ReadFile(folder + "P-1_big_.dwg"), "an old copy");
            std::filesystem::remove((ftp.Root() + "/Vq/Working/P-1/total.dwg").str());
        })
        // The drawing is gone from the server: the copy fetched a moment ago is not opened again.
        .Select(D::kDocumentsId, "总图")
        .Message("不能取得文档total.dwg：服务器上没有该文件。", IDOK)
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], local);
}

// A server whose disk is full refuses the opinion, before its data or after it: the reviewer is
// told so with the server's line, not sent to check the network. Links at the names the opinion's
// local file once had in the working folder are neither followed nor used.
TEST_P(ProjectTaskAuditTest, AFullServerDiskIsSaidWithTheServersLine) {
    const std::string outside = (ws->Root() + "/precious.txt").str();
    std::ofstream(outside) << "precious";
    for (const char* name : {"/校对.rtf", "/校对.rtf.part"})
        std::filesystem::create_symlink(outside, (ws->WorkDir() + name).str());
    for (const auto& kind : vqtest::FullDiskServerKinds()) {
        SCOPED_TRACE(kind.reply);
        const auto full = vqtest::StartFullDiskServer(kind);
        ASSERT_TRUE(full->IsRunning());
        UseServer(*full);
        full->MakeFolder("Vq/Working/P-1");
        full->MakeFolder("Vq/Auditing");
        vq::ScriptedUser user;
        Decide(user, "同意", D::kPassId)
            .Message("增加文档失败，服务器磁盘已满：\n" + CString(kind.reply), IDOK)
            .Click(IDCANCEL)
            .Message("是否要保存审查文档结果?", IDNO);
        Run(user, "u1", "校对");
        EXPECT_FALSE(full->Exists("Vq/Auditing/P-1/校对.rtf"));
    }
    EXPECT_EQ(ws->ReadFile(CString(outside)), "precious");
    EXPECT_TRUE(std::filesystem::is_symlink((ws->WorkDir() + "/校对.rtf").str()));
    EXPECT_EQ(Step("校对", "AuditState"), "未完成");
}

// A server that cannot take the opinion because another program holds the file (450) says so: the
// reviewer is told the cause with the server's line, not sent to check the network, and nothing of
// the decision is stored.
TEST_P(ProjectTaskAuditTest, AnOpinionFileHeldOnTheServerIsSaidAsHeld) {
    vqtest::FtpServer server(vqtest::FtpFault::FileInUse);
    ASSERT_TRUE(server.IsRunning());
    UseServer(server);
    server.MakeFolder("Vq/Working/P-1");
    server.MakeFolder("Vq/Auditing");
    vq::ScriptedUser user;
    Decide(user, "同意", D::kPassId)
        .Message("增加文档失败，FTP服务器上的该文件正被其他程序使用，请稍后再试。\n"
                 "450 The process cannot access the file because it is being used by another process.",
                 IDOK)
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    EXPECT_FALSE(server.Exists("Vq/Auditing/P-1/校对.rtf"));
    EXPECT_EQ(Step("校对", "AuditState"), "未完成");
}

// vsftpd whose disk fills up while an 8 MB redline file streams in cuts the upload off, and a stock
// pyftpdlib server resets the data connection before its reply: the reviewer is told that the
// server's disk is full, and nothing is recorded. A small opinion still goes up.
TEST_P(ProjectTaskAuditTest, ALargeRedlineToAFullVsftpdDiskIsSaidAsAFullDisk) {
    if (const CString why = vqtest::VsftpdServer::Unavailable(); !why.IsEmpty())
        GTEST_SKIP() << why.str();
    ws->WriteSetting("服务器参数配置", "匿名连接", "0");
    // The reviewer goes on to pass the step, or leaves it.
    const auto attachToAFullDisk = [this](const auto& server, const char* reply, bool pass) {
        SCOPED_TRACE(reply);
        ASSERT_TRUE(server.IsRunning());
        UseServer(server);
        server.WriteFile("Vq/Working/P-1/total.dwg", "drawing bytes");
        const CString redline = ws->TempDir() + "/mark.dwf";
        std::ofstream(redline.str()) << std::string(8 << 20, 'm');
        vq::ScriptedUser user;
        user.DialogContaining("评审意见")
            .Select(D::kDocumentsId, "总图")
            .Click(D::kAttachId)
            .Dialog("输入文件名")
            .Set(1182, redline)
            .Click(IDOK)
            .Message("增加文档失败，服务器磁盘已满：\n" + CString(reply), IDOK);
        if (pass)
            user.Click(D::kToPassedId)
                .Select(D::kDocumentsId, "说明书")
                .Click(D::kToPassedId)
                .Set(D::kOpinionId, "壁厚合适。")
                .Check(D::kPassId, 1)
                .Click(IDOK);
        else
            user.Click(IDCANCEL).Message("是否要保存审查文档结果?", IDNO);
        Run(user, "u1", "校对");
        EXPECT_EQ(Step("校对", "RedlineFiles"), "");
        EXPECT_FALSE(server.Exists("Vq/Auditing/P-1/校对_总图.dwf"));
    };
    {
        vqtest::VsftpdServer server(true, false, 1 << 20);
        attachToAFullDisk(server, "451 Failure writing to local file.", true);
        EXPECT_EQ(Step("校对", "AuditResult"), "通过");
        EXPECT_NE(server.ReadFile("Vq/Auditing/P-1/校对.rtf").find("\\rtf"), std::string::npos);
    }
    // A stock pyftpdlib server resets the data connection before it says why.
    vqtest::FtpServer resetting(vqtest::FtpFault::DiskFullResetsDataConnection);
    attachToAFullDisk(resetting, "426 Transfer aborted; [Errno 28] No space left on device.", false);
}

namespace {

struct FileState {
    unsigned mode = 0;
    unsigned owner = 0;
    std::string bytes;
    bool operator==(const FileState&) const = default;
};

FileState StateOf(const CString& path) {
    FileState state;
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0)
        return state;
    state.mode = st.st_mode & 07777;
    state.owner = st.st_uid;
    if (!S_ISREG(st.st_mode))
        return state;
    std::ifstream in(path.str(), std::ios::binary);
    state.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return state;
}

// A review of a step with the host: the documents viewed (fetched, then opened by the desktop's
// program) and moved to the passed list, the opinion written, the step passed.
std::string PassScript(bool documents, const std::string& opinion) {
    std::string script = "dialog ~\"评审意见\"\n";
    if (documents)
        script += "check 1010 1\nselect 1001 \"总图\"\nclick 1003\nselect 1001 \"说明书\"\nclick 1003\n";
    return script + "set 1005 \"" + opinion + "\"\ncheck 1006 1\nclick 1\n";
}

} // namespace

// Two users of one machine review with the host over one shared temporary folder: each fetches
// the same drawing and passes a step named 校对, in a working folder of the user's own; files a
// third user planted at the names the copies once had in the shared folder (mode 0666) are
// neither used nor changed.
TEST_P(ProjectTaskAuditTest, TwoUsersFetchAndPassTheSameStepsEachInAWorkingFolderOfTheirOwn) {
    if (!vqtest::CanActAsOtherUser())
        GTEST_SKIP() << "needs root to run the host as a second user";
    namespace fs = std::filesystem;
    ws->Execute(
        "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
        "AuditingModel, AuditorName) VALUES ('P-2', '泵盖设计', '项目\\', 'mgr', '评审', '一级评审', 'u2');"
        "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('一级评审', "
        "'串联', '校对(40,20)');"
        "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, "
        "AuditManager) VALUES ('P-2', '校对', 'u2', '2026-12-01', '未完成', 'F', 'u2')");
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg; doc");
    ftp.WriteFile("Vq/Working/P-1/spec.doc", "说明书");
    // The desktop's program that opens the documents: one that opens nothing.
    const CString opener = ws->WriteFile("bin/xdg-open", "#!/bin/sh\nexit 0\n");
    // The second user reads the installation, writes the product database and shares the
    // temporary folder as every user shares /tmp.
    const fs::perms readable =
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(ws->Root().str(), fs::perms::all);
    fs::permissions(fs::path(ws->ProductDatabasePath().str()).parent_path(), fs::perms::all);
    fs::permissions(ws->TempDir().str(), fs::perms::all | fs::perms::sticky_bit);
    fs::permissions(opener.str(),
                    readable | fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec);
    if (fs::exists(ws->ProductDatabasePath().str()))
        fs::permissions(ws->ProductDatabasePath().str(),
                        readable | fs::perms::group_write | fs::perms::others_write);

    const unsigned planter = vqtest::kOtherUser - 1;
    std::map<std::string, FileState> planted;
    for (const char* name : {"P-1_total_.dwg", "校对.rtf", "标准化.rtf"}) {
        const CString path = ws->WriteFile(ws->TempDir() + "/" + name, "planted");
        ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
        ASSERT_EQ(::chown(path.c_str(), planter, planter), 0);
        planted[name] = StateOf(path);
    }

    const std::vector<std::string> env = {"PATH=" + (ws->Root() + "/bin:").str() + std::getenv("PATH")};
    const auto review = [&](unsigned uid, const std::string& script, const CString& task,
                            const CString& login, const CString& step) {
        const CString file = ws->WriteFile("in/" + login + "-" + task + ".script", script);
        fs::permissions(file.str(), readable);
        const vqtest::HostRun run =
            vqtest::RunHostAs(uid, env,
                              {"--headless", "--script", file.str(), "DoProjectTaskAudit", task.str(),
                               login.str(), step.str()});
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("result: "), std::string::npos) << run.out;
        EXPECT_EQ(Query("SELECT AuditState || AuditResult FROM TaskAuditManage WHERE ProjectNo='" + task +
                        "' AND AuditName='" + step + "'"),
                  "已完成通过")
            << run.out;
    };
    review(0, PassScript(true, "checked by u1"), "P-1", "u1", "校对");
    review(vqtest::kOtherUser, PassScript(true, "standard by u2"), "P-1", "u2", "标准化");
    review(vqtest::kOtherUser, PassScript(false, "checked by u2"), "P-2", "u2", "校对");

    EXPECT_NE(ftp.ReadFile("Vq/Auditing/P-1/校对.rtf").find("checked by u1"), std::string::npos);
    EXPECT_NE(ftp.ReadFile("Vq/Auditing/P-1/标准化.rtf").find("standard by u2"), std::string::npos);
    EXPECT_NE(ftp.ReadFile("Vq/Auditing/P-2/校对.rtf").find("checked by u2"), std::string::npos);
    for (const auto& [name, state] : planted)
        EXPECT_TRUE(StateOf(ws->TempDir() + "/" + CString(name)) == state) << name;
    // Each user's copies were the user's alone, in a folder nobody else may enter. What the
    // review's window did not take with it are the call folders of the copies handed to the
    // desktop's program (which may have passed them on to a viewer that opens them later), each with
    // its record.
    for (const unsigned uid : {0u, vqtest::kOtherUser}) {
        const CString folder = ws->TempDir() + "/vqpdm-" + CString(std::to_string(uid));
        SCOPED_TRACE(folder.str());
        EXPECT_TRUE((StateOf(folder) == FileState{0700, uid, ""}));
        for (const auto& entry : fs::directory_iterator(folder.str())) {
            const std::string name = entry.path().filename().string();
            EXPECT_EQ(name.rfind("call-", 0), 0u) << name;
            const std::string path = entry.path().string();
            EXPECT_TRUE(
                fs::exists(entry.is_directory() ? path + ".viewers" : path.substr(0, path.size() - 8)))
                << name;
        }
    }
}

// Two hosts of one user review two tasks at steps of one name at the same time, the first held
// by a slow server between writing its opinion and sending it: each task's opinion on the server
// is its own, and neither host leaves its copies behind.
TEST_P(ProjectTaskAuditTest, TwoHostsOfOneUserAtStepsOfOneNameEachStoreTheirOwnOpinion) {
    for (const char* task : {"P-2", "P-3"})
        ws->Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
            "AuditingModel, AuditorName) VALUES ('" +
            CString(task) +
            "', '泵盖设计', '项目\\', 'mgr', '评审', '一级评审', 'u1');"
            "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, "
            "Working, AuditManager) VALUES ('" +
            CString(task) + "', '校对', 'u1', '2026-12-01', '未完成', 'F', 'u1')");
    ws->Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('一级评审', "
                "'串联', '校对(40,20)')");
    const auto args = [&](const char* task, const std::string& opinion) {
        const CString script = ws->WriteFile("in/" + CString(task) + ".script", PassScript(false, opinion));
        return std::vector<std::string>{"--headless", "--script", script.str(), "DoProjectTaskAudit",
                                        task,         "u1",       "校对"};
    };
    ftp.HoldCommand("CWD /Vq/Auditing/P-2");
    const std::string output = (ws->Root() + "/first.out").str();
    const int first = vqtest::StartHost(args("P-2", "the first task's opinion"), output);
    ASSERT_GT(first, 0);
    const bool held = ftp.WaitUntilHeld(first);
    const vqtest::HostRun second = vqtest::RunHostMeasured(args("P-3", "the second task's opinion"));
    ftp.Release();
    vqtest::HostRun run;
    ASSERT_TRUE(vqtest::FinishHost(first, output, run));
    EXPECT_TRUE(held) << run.out;
    for (const vqtest::HostRun& host : {run, second}) {
        EXPECT_EQ(host.status, 0) << host.out;
        EXPECT_NE(host.out.find("result: "), std::string::npos) << host.out;
    }
    const std::string opinions[] = {ftp.ReadFile("Vq/Auditing/P-2/校对.rtf"),
                                    ftp.ReadFile("Vq/Auditing/P-3/校对.rtf")};
    EXPECT_NE(opinions[0].find("the first task's opinion"), std::string::npos) << opinions[0];
    EXPECT_NE(opinions[1].find("the second task's opinion"), std::string::npos) << opinions[1];
    for (const char* task : {"P-2", "P-3"})
        EXPECT_EQ(Query("SELECT AuditState || AuditResult FROM TaskAuditManage WHERE ProjectNo='" +
                        CString(task) + "' AND AuditName='校对'"),
                  "已完成通过");
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(ws->WorkDir().str()))
        left.push_back(entry.path().filename().string());
    EXPECT_TRUE(left.empty()) << left.front();
}

namespace {

// The call folders ("call-...") in a working folder.
std::vector<std::filesystem::path> CallFolders(const CString& working) {
    std::vector<std::filesystem::path> folders;
    for (const auto& entry : std::filesystem::directory_iterator(working.str()))
        if (entry.is_directory() && entry.path().filename().string().rfind("call-", 0) == 0)
            folders.push_back(entry.path());
    return folders;
}

// Waits until a process that is not the test's child has ended.
void WaitUntilEnded(pid_t pid) {
    const int fd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (fd < 0)
        return; // gone already
    pollfd ended{fd, POLLIN, 0};
    while (::poll(&ended, 1, -1) < 0 && errno == EINTR) {
    }
    ::close(fd);
}

} // namespace

// A host killed in the middle of a review (SIGKILL: no window closes) leaves its folder with the
// opinion typed in it; the next run removes it when it starts, and uses a folder of its own.
TEST_P(ProjectTaskAuditTest, AReviewKilledMidwayLeavesItsCopiesOnlyUntilTheNextRun) {
    for (const char* task : {"P-2", "P-3"})
        ws->Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
            "AuditingModel, AuditorName) VALUES ('" +
            CString(task) +
            "', '泵盖设计', '项目\\', 'mgr', '评审', '一级评审', 'u1');"
            "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, "
            "Working, AuditManager) VALUES ('" +
            CString(task) + "', '校对', 'u1', '2026-12-01', '未完成', 'F', 'u1')");
    ws->Execute("INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES ('一级评审', "
                "'串联', '校对(40,20)')");
    const auto args = [&](const char* task, const std::string& opinion) {
        const CString script = ws->WriteFile("in/" + CString(task) + ".script", PassScript(false, opinion));
        return std::vector<std::string>{"--headless", "--script", script.str(), "DoProjectTaskAudit",
                                        task,         "u1",       "校对"};
    };
    // This process takes the working folder first: what it finds there at that moment is not the
    // killed run's.
    const CString working = ws->WorkDir();
    ftp.HoldCommand("CWD /Vq/Auditing/P-2");
    const std::string output = (ws->Root() + "/killed.out").str();
    const int killed = vqtest::StartHost(args("P-2", "typed before the kill"), output);
    ASSERT_GT(killed, 0);
    const bool held = ftp.WaitUntilHeld(killed);
    ::kill(killed, SIGKILL);
    vqtest::HostRun run;
    ASSERT_TRUE(vqtest::FinishHost(killed, output, run));
    ftp.Release();
    ASSERT_TRUE(held) << run.out;
    const std::vector<std::filesystem::path> left = CallFolders(working);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_NE(ws->ReadFile(CString((left[0] / "校对.rtf").string())).find("typed before the kill"),
              std::string::npos);

    const vqtest::HostRun next = vqtest::RunHostMeasured(args("P-3", "the next run's opinion"));
    EXPECT_EQ(next.status, 0) << next.out;
    EXPECT_FALSE(std::filesystem::exists(left[0]));
    EXPECT_TRUE(std::filesystem::is_empty(working.str()));
    EXPECT_EQ(Query("SELECT AuditState || AuditResult FROM TaskAuditManage WHERE ProjectNo='P-3'"),
              "已完成通过");
}

// A viewer started from the review opens the copy only after the window has closed (it starts
// slowly): the copy is still there, and goes once the viewer has ended.
TEST_P(ProjectTaskAuditTest, AViewerThatStartsSlowlyFindsTheCopyAfterTheWindowClosed) {
    namespace fs = std::filesystem;
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
    const std::string root = ws->Root().str();
    const std::string go = root + "/go", done = root + "/done", seen = root + "/seen";
    ASSERT_EQ(::mkfifo(go.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(done.c_str(), 0600), 0);
    // The desktop's program for drawings: it reads the copy when the test lets it go on.
    const CString opener = ws->WriteFile("bin/xdg-open", "#!/bin/sh\nread go < '" + go + "'\ncat \"$1\" > '" +
                                                             seen + "'\necho $$ > '" + done + "'\n");
    fs::permissions(opener.str(), fs::perms::owner_all);
    vqtest::EnvGuard path({"PATH"});
    setenv("PATH", (root + "/bin:" + std::getenv("PATH")).c_str(), 1);
    CString viewed;
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Check(D::kBrowseId, 1)
        .Select(D::kDocumentsId, "总图")
        .Do([&viewed](CDialog& d) { viewed = static_cast<D&>(d).ViewedPath(); })
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    ASSERT_FALSE(viewed.IsEmpty());
    const fs::path folder = fs::path(viewed.str()).parent_path();
    EXPECT_EQ(folder.parent_path().string(), ws->WorkDir().str());
    EXPECT_TRUE(fs::exists(viewed.str()));
    std::ofstream(go) << "go\n";
    long viewer = 0;
    std::ifstream(done) >> viewer;
    EXPECT_EQ(ws->ReadFile(CString(seen)), "drawing bytes");
    ASSERT_GT(viewer, 0);
    WaitUntilEnded(static_cast<pid_t>(viewer));
    // The program may have passed the copy on to a viewer that opens it later: it stays until it
    // was handed over long enough ago.
    vq::RemoveLeftoverCallFolders();
    EXPECT_TRUE(fs::exists(viewed.str()));
    fs::last_write_time(folder.string() + ".viewers", fs::file_time_type::clock::now() -
                                                          vq::kHandedCopiesKeptFor - std::chrono::minutes(1));
    vq::RemoveLeftoverCallFolders();
    EXPECT_FALSE(fs::exists(folder));
}

// With TMPDIR naming a folder that is missing, the reviewer is told which folder that is, and
// nothing of the decision is stored.
TEST_P(ProjectTaskAuditTest, AMissingTemporaryFolderIsNamed) {
    const CString missing = ws->Root() + "/missing";
    vqtest::EnvGuard temp({"TMPDIR"});
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Set(D::kOpinionId, "孔位偏移")
        .Check(D::kFailId, 1)
        .Do([&missing](CDialog&) { setenv("TMPDIR", missing.c_str(), 1); })
        .Click(IDOK)
        .Message("评审意见不能写入本地文件：\n" + missing + "/vqpdm-" + CString(std::to_string(::geteuid())) +
                     "/校对.rtf\n请检查磁盘空间和文件夹的写入权限!",
                 IDOK)
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    EXPECT_EQ(Step("校对", "AuditState"), "未完成");
    EXPECT_FALSE(std::filesystem::exists(missing.str()));
}

TEST_P(ProjectTaskAuditTest, OpinionFilesMustBeRtf) {
    const CString rtf = ws->TempDir() + "/opinion.RTF";
    const CString bad = ws->TempDir() + "/plain.rtf";
    vq::ScriptedUser user;
    user.DialogContaining("评审意见")
        .Set(D::kOpinionId, "保存的意见")
        .Click(D::kStoreId)
        .File(ws->TempDir() + "/opinion.txt")
        .Message("该文件必须是RTF类型的文件!", IDOK)
        .Click(D::kStoreId)
        .File(rtf)
        .Set(D::kOpinionId, "别的")
        .Click(D::kOpenId)
        .File(rtf)
        .Message("打开意见文件将覆盖当前内容，是否继续?", IDYES)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<D&>(d).Opinion().GetWindowTextValue(), "保存的意见"); })
        // A file that only carries the extension is refused and the opinion stays.
        .Do([bad](CDialog&) { std::ofstream(bad.str()) << "plain text"; })
        .Click(D::kOpenId)
        .File(bad)
        .Message("打开意见文件将覆盖当前内容，是否继续?", IDYES)
        .Message("不能读取该RTF文件!", IDOK)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<D&>(d).Opinion().GetWindowTextValue(), "保存的意见"); })
        .Click(IDCANCEL)
        .Message("是否要保存审查文档结果?", IDNO);
    Run(user, "u1", "校对");
    EXPECT_TRUE(std::filesystem::exists(rtf.str()));
}

TEST_P(ProjectTaskAuditTest, NoFtpServerNoDialog) {
    vqtest::ConfigRow row;
    row.domainName = "127.0.0.1:1";
    ws->SetConfig(row);
    vq::ScriptedUser user;
    // One box: what happened, and what to check.
    user.Message(
        "无法连接FTP服务器 127.0.0.1:1：服务器拒绝了连接。\n请检查服务器是否正确安装,或网络是否正常工作?",
        IDOK);
    Run(user, "u1", "校对");
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Step("校对", "Working"), "F");
}

TEST_P(ProjectTaskAuditTest, DialogWithoutTheFtpConnectionClosesAtOnce) {
    theApp.m_pConnPDM = ws->Connect();
    theApp.m_pFtpConnection = nullptr;
    vq::ScriptedUser user;
    user.Message("连接文件服务器出错...", IDOK);
    CProjectTaskAuditDlg dlg;
    dlg.m_strTaskNo = "P-1";
    dlg.m_strStepName = "校对";
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Step("校对", "Working"), "F");
}

INSTANTIATE_TEST_SUITE_P(Dialects, ProjectTaskAuditTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
