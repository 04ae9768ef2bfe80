// The host runs the review of the demo project task headless: without the workspace's FTP server
// it opens no dialog; with it the review window, captioned with the task's number and name, lets
// the first level's reviewer pass both documents, and the next level opens. Two users of one
// machine review steps of the same tasks, each in a working folder of their own.
#include "tests/support/DbWorkspace.h"
#include "tests/support/DemoWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/HostProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using vqtest::DemoWorkspace;
using vqtest::ShellRun;

TEST(ProjectTaskAuditHost, FirstReviewerEndsTheFirstLevelOfTheDemoTask) {
    DemoWorkspace demo;
    // Without the workspace's FTP server the call says so and opens no dialog.
    demo.SetServers(false);
    const ShellRun refused = demo.Host("message * IDOK\nmessage \"请检查服务器是否正确安装,或网络是否正常工作?\" IDOK\n",
                                       "DoProjectTaskAudit XM-02-01 zhaoliu 校对");
    EXPECT_EQ(refused.out.find("dialog \""), std::string::npos) << refused.out;
    EXPECT_NE(refused.out.find("result: 0"), std::string::npos) << refused.out;

    demo.SetServers(true);
    const std::string script = "dialog \"评审意见 - XM-02-01[泵体结构设计] - 校对\"\n"
                               "select 1001 \"泵体装配图\"\n"
                               "click \"->\"\n"
                               "select 1001 \"强度计算书\"\n"
                               "click \"->\"\n"
                               "set 1005 \"结构合理，同意。\"\n"
                               "check \"评审通过\" 1\n"
                               "click 1\n";
    const ShellRun run = demo.Host(script, "DoProjectTaskAudit XM-02-01 zhaoliu 校对");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("result: 0"), std::string::npos) << run.out;
    EXPECT_EQ(demo.Query("SELECT AuditState || AuditResult FROM TaskAuditManage WHERE ProjectNo='XM-02-01' AND "
                         "AuditName='校对'"),
              "已完成通过");
    EXPECT_EQ(demo.Query("SELECT group_concat(AuditName || ':' || Auditor || ':' || AuditState, ',') FROM "
                         "(SELECT * FROM TaskAuditManage WHERE ProjectNo='XM-02-01' AND AuditName<>'校对' ORDER BY "
                         "AuditName)"),
              "审核:zhangsan:未完成,工艺审查:wangwu:未完成");
    EXPECT_TRUE(std::filesystem::is_regular_file(demo.Dir() / "ftp" / "Vq" / "Auditing" / "XM-02-01" / "校对.rtf"));
}

namespace {

namespace fs = std::filesystem;

// Task P-1 has the parallel steps 校对 (u1) and 标准化 (u2) and a drawing; task P-2 has a step
// 校对 of its own (u2).
const char* const kTwoTasks =
    "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, WorkState, "
    "AuditingModel, AuditorName) VALUES ('P-1', '泵体设计', '项目\\', 'mgr', '评审', '并行评审', 'u1|*|u2'), "
    "('P-2', '泵盖设计', '项目\\', 'mgr', '评审', '一级评审', 'u2');"
    "INSERT INTO AuditingManage (AuditingModel, AuditingStyle, AuditingPath) VALUES "
    "('并行评审', '并联', '校对(40,20)|*|标准化(240,20)'), ('一级评审', '串联', '校对(40,20)');"
    "INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, AuditState, Working, "
    "AuditManager) VALUES ('P-1', '校对', 'u1', '2026-12-01', '未完成', 'F', 'u1'), "
    "('P-1', '标准化', 'u2', '2026-12-01', '未完成', 'F', 'u2'), "
    "('P-2', '校对', 'u2', '2026-12-01', '未完成', 'F', 'u2');"
    "INSERT INTO TaskDocuments (ProjectNo, DocumentType, FileName, FileType, FileBulk, FileDate, FileRemark) "
    "VALUES ('P-1', '总图', 'total.dwg', 'AutoCAD 图形', '12KB', '2026-11-30', '')";

// A review of a step: the drawing viewed (fetched, then opened by the desktop's program) and moved
// to the passed list when there is one, the opinion written, the step passed.
std::string PassScript(bool drawing, const std::string& opinion) {
    std::string script = "dialog ~\"评审意见\"\n";
    if (drawing)
        script += "check 1010 1\nselect 1001 \"总图\"\nclick 1003\n";
    return script + "set 1005 \"" + opinion + "\"\ncheck 1006 1\nclick 1\n";
}

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

class TwoUsersTest : public ::testing::TestWithParam<int> {};

} // namespace

// Two users of one machine review with the host over one shared temporary folder: each fetches
// the same drawing and passes a step named 校对, in a working folder of the user's own; files a
// third user planted at the names the copies once had in the shared folder (mode 0666) are
// neither used nor changed.
TEST_P(TwoUsersTest, FetchAndPassTheSameStepsEachInAWorkingFolderOfTheirOwn) {
    if (!vqtest::CanActAsOtherUser())
        GTEST_SKIP() << "needs root to run the host as a second user";
    vqtest::FtpServer ftp;
    ASSERT_TRUE(ftp.IsRunning());
    vqtest::DbWorkspace ws(GetParam());
    vqtest::ConfigRow row;
    row.domainName = "127.0.0.1:" + CString(std::to_string(ftp.Port()));
    row.ftpUser = ftp.User();
    row.ftpPwd = ftp.Password();
    ws.SetConfig(row);
    ws.Execute(kTwoTasks);
    ws.WriteSetting("浏览器配置", "直接浏览文档格式", "dwg");
    ftp.WriteFile("Vq/Working/P-1/total.dwg", "drawing bytes");
    // The desktop's program that opens the drawing: one that opens nothing.
    const CString opener = ws.WriteFile("bin/xdg-open", "#!/bin/sh\nexit 0\n");
    // The second user reads the installation, writes the product database and shares the
    // temporary folder as every user shares /tmp.
    const fs::path odbc = fs::path(ws.ProductDatabasePath().str()).parent_path();
    for (const fs::path& folder : {fs::path(ws.Root().str()), odbc})
        fs::permissions(folder, fs::perms::all);
    fs::permissions(ws.TempDir().str(), fs::perms::all | fs::perms::sticky_bit);
    fs::permissions(opener.str(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                                      fs::perms::group_read | fs::perms::others_read);
    if (fs::exists(ws.ProductDatabasePath().str()))
        fs::permissions(ws.ProductDatabasePath().str(), fs::perms::all & ~fs::perms::owner_exec &
                                                            ~fs::perms::group_exec & ~fs::perms::others_exec);

    const unsigned planter = vqtest::kOtherUser - 1;
    std::map<std::string, FileState> planted;
    for (const char* name : {"P-1_total_.dwg", "校对.rtf", "标准化.rtf"}) {
        const CString path = ws.WriteFile(ws.TempDir() + "/" + name, "planted");
        ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
        ASSERT_EQ(::chown(path.c_str(), planter, planter), 0);
        planted[name] = StateOf(path);
    }

    const std::vector<std::string> env = {"PATH=" + (ws.Root() + "/bin:").str() + std::getenv("PATH")};
    const auto review = [&](unsigned uid, const std::string& script, const std::string& task,
                            const std::string& login, const std::string& step) {
        const CString file = ws.WriteFile("in/" + CString(login + "-" + task + ".script"), script);
        fs::permissions(file.str(), fs::perms::all & ~fs::perms::owner_exec & ~fs::perms::group_exec &
                                        ~fs::perms::others_exec);
        const vqtest::HostRun run = vqtest::RunHostAs(
            uid, env, {"--headless", "--script", file.str(), "DoProjectTaskAudit", task, login, step});
        EXPECT_EQ(run.status, 0) << run.out;
        EXPECT_NE(run.out.find("result: "), std::string::npos) << run.out;
        EXPECT_EQ(ws.QueryText("SELECT AuditState || AuditResult FROM TaskAuditManage WHERE ProjectNo='" +
                               CString(task) + "' AND AuditName='" + CString(step) + "'"),
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
        EXPECT_TRUE(StateOf(ws.TempDir() + "/" + CString(name)) == state) << name;
    // Each user's copies are the user's alone, in a folder nobody else may enter.
    for (const unsigned uid : {0u, vqtest::kOtherUser}) {
        const CString folder = ws.TempDir() + "/vqpdm-" + CString(std::to_string(uid));
        SCOPED_TRACE(folder.str());
        EXPECT_TRUE((StateOf(folder) == FileState{0700, uid, ""}));
        EXPECT_TRUE((StateOf(folder + "/P-1_total_.dwg") == FileState{0600, uid, "drawing bytes"}));
        const FileState opinion = StateOf(folder + (uid == 0 ? "/校对.rtf" : "/标准化.rtf"));
        EXPECT_EQ(opinion.mode, 0600u);
        EXPECT_EQ(opinion.owner, uid);
    }
    const FileState secondOpinion =
        StateOf(ws.TempDir() + "/vqpdm-" + CString(std::to_string(vqtest::kOtherUser)) + "/校对.rtf");
    EXPECT_NE(secondOpinion.bytes.find("checked by u2"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Dialects, TwoUsersTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
