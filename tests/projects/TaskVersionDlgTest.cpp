// The task version browser: the version tree from the revision paths, the documents of the
// chosen version, and version documents fetched from a real FTP server.
#include "projects/TaskVersionDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/RecordingShell.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

namespace {

using D = CTaskVersionDlg;
const CString kRoot = "项目 T-1 的版本信息...";

using vqtest::RecordingShell;

// The tree below a node as text: "label:image", children in brackets.
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

CString TreeText(CDialog& d) {
    auto* tree = static_cast<CTreeCtrlEx*>(d.GetDlgItem(D::kTreeId));
    return Describe(CTreeCursor(tree->GetRootItem(), tree));
}

std::vector<std::string> Rows(CDialog& d) {
    auto* list = static_cast<CListCtrl*>(d.GetDlgItem(D::kListId));
    std::vector<std::string> rows;
    for (int i = 0; i < list->GetItemCount(); ++i)
        rows.push_back(list->GetItemText(i, 0).str());
    return rows;
}

class TaskVersionTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws->Execute(
            "INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, WorkState, CurrentRev) VALUES "
            "('T-1', '任务甲', '项目\\', '完成', 'b'), ('T-2', '任务乙', '项目\\', '未开始', '')");
        ws->Execute("INSERT INTO TaskRevManage (ProjectNo, RevPath, RevNumber) VALUES "
                    "('T-1', '', 'A'), ('T-1', 'A\\', 'B'), ('T-1', 'A\\B\\', 'C'), ('T-1', 'A\\', 'E'),"
                    "('T-1', 'X\\', 'Y'), ('T-1', '', 'D'), ('T-1', 'D\\', 'B')");
        ws->Execute("INSERT INTO TaskRevDocuments VALUES "
                    "('T-1', '总图', 'main.dwg', 'DWG', '12KB', '2026-01-01', '', 'B'),"
                    "('T-1', '说明', 'gone.txt', 'TXT', '1KB', '2026-01-02', '', 'b'),"
                    "('T-1', '旧图', 'old.dwg', 'DWG', '9KB', '2025-01-01', '', 'A'),"
                    "('T-2', '别的', 'x.dwg', 'DWG', '1KB', '', '', 'B')");
    }
    void TearDown() override {
        theApp.m_pFtpConnection = nullptr;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        ws.reset();
    }

    std::optional<vqtest::DbWorkspace> ws;
};

} // namespace

TEST_P(TaskVersionTest, TreeOfVersionsWithTheCurrentOneMarked) {
    vq::ScriptedUser user;
    user.Dialog("浏览所有版本信息")
        .Do([](CDialog& d) {
            // A → B → C and A → E; D → B. B is current in another letter case, in both branches;
            // Y hangs below a version X that does not exist and is not shown.
            EXPECT_EQ(TreeText(d), kRoot + ":4[A:0[B:2[C:0],E:0],D:0[B:2]]");
            EXPECT_EQ(static_cast<D&>(d).m_strWorkState, "完成");
            EXPECT_FALSE(d.GetDlgItem(D::kStoreId)->IsWindowEnabled());
            EXPECT_TRUE(Rows(d).empty());
        })
        .Tree(D::kTreeId, kRoot + "/A/B")
        .Do([](CDialog& d) {
            EXPECT_EQ(Rows(d), (std::vector<std::string>{"总图", "说明"}));
            EXPECT_EQ(static_cast<D&>(d).SelectedVersion(), "B");
            EXPECT_EQ(static_cast<D&>(d).SelectedRow(), 0);
            // No FTP connection: documents are listed only.
            EXPECT_FALSE(d.GetDlgItem(D::kBrowseId)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(D::kStoreId)->IsWindowEnabled());
        })
        .Tree(D::kTreeId, kRoot + "/A/E")
        .Do([](CDialog& d) {
            EXPECT_TRUE(Rows(d).empty());
            EXPECT_FALSE(d.GetDlgItem(D::kBrowseId)->IsWindowEnabled());
        })
        .Tree(D::kTreeId, kRoot)
        .Do([](CDialog& d) { EXPECT_TRUE(Rows(d).empty()); })
        .Click(IDCANCEL);
    CTaskVersionDlg dlg;
    dlg.m_strTaskNo = "T-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(TaskVersionTest, TaskWithoutVersionsFoundByPathAndName) {
    vq::ScriptedUser user;
    user.Dialog("浏览所有版本信息")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeText(d), "项目 T-2 的版本信息...:4[该任务还未归过档...:6]");
            EXPECT_EQ(static_cast<D&>(d).m_strTaskNo, "T-2");
        })
        .Tree(D::kTreeId, "项目 T-2 的版本信息.../该任务还未归过档...")
        .Do([](CDialog& d) { EXPECT_TRUE(Rows(d).empty()); })
        .Click(IDCANCEL);
    CTaskVersionDlg dlg;
    dlg.m_strTaskName = "任务乙";
    dlg.m_strProjectPath = "项目\\";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(TaskVersionTest, QuotesInTheNumberAreValuesNotStatementText) {
    vq::ScriptedUser user;
    user.Dialog("浏览所有版本信息")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeText(d), "项目 T-1' OR ''=' 的版本信息...:4[该任务还未归过档...:6]");
        })
        .Click(IDCANCEL);
    CTaskVersionDlg dlg;
    dlg.m_strTaskNo = "T-1' OR ''='";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

class TaskVersionFtpTest : public TaskVersionTest {
protected:
    void SetUp() override {
        TaskVersionTest::SetUp();
        ASSERT_TRUE(server.IsRunning());
        connection.reset(session.GetFtpConnection(server.Host(), server.User(), server.Password(),
                                                  static_cast<INTERNET_PORT>(server.Port())));
        ASSERT_TRUE(connection);
        theApp.m_pFtpConnection = connection.get();
        server.MakeFolder("Vq/Working/T-1/B");
        server.WriteFile("Vq/Working/T-1/B/main.dwg", "version B drawing");
        server.MakeFolder("Vq/Working/T-1/A");
        server.WriteFile("Vq/Working/T-1/A/old.dwg", "version A drawing");
        ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg; txt");
    }
    void TearDown() override {
        theApp.m_pFtpConnection = nullptr;
        connection.reset();
        TaskVersionTest::TearDown();
    }

    vqtest::FtpServer server;
    CInternetSession session{"vqtest"};
    std::unique_ptr<CFtpConnection> connection;
};

TEST_P(TaskVersionFtpTest, DocumentsAreFetchedIntoTheTemporaryFolder) {
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("浏览所有版本信息")
        .Tree(D::kTreeId, kRoot + "/A/B")
        .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(D::kBrowseId)->IsWindowEnabled()); })
        .Check(D::kBrowseId, 1)
        // With the box ticked another version opens its first document at once.
        .Tree(D::kTreeId, kRoot + "/A")
        .Tree(D::kTreeId, kRoot + "/A/B")
        .Select(D::kListId, 1) // gone.txt is not in the version folder
        .Message("该文档已不在原存放位置，请检查!", IDOK)
        .Click(IDCANCEL);
    CTaskVersionDlg dlg;
    dlg.m_strTaskNo = "T-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(shell.opened.size(), 3u);
    EXPECT_EQ(ws->CopyInCallFolder(shell.opened[0]), "T-1_main_B.dwg");
    EXPECT_EQ(ws->CopyInCallFolder(shell.opened[1]), "T-1_old_A.dwg");
    EXPECT_EQ(shell.opened[2], shell.opened[0]);
    EXPECT_EQ(ws->ReadFile(shell.opened[0]), "version B drawing");
    EXPECT_EQ(ws->ReadFile(shell.opened[1]), "version A drawing");
    int recorded = 0;
    for (int i = 0; i < theApp.m_arrDownloadFiles.GetSize(); ++i)
        recorded += theApp.m_arrDownloadFiles[i] == shell.opened[0] ? 1 : 0;
    EXPECT_EQ(recorded, 1);
}

TEST_P(TaskVersionFtpTest, AFailedFetchOpensNothingAndAMissingVersionFolderStopsSilently) {
    server.MakeFolder("Vq/Working/T-1/B/gone.txt"); // found by name, but no file to fetch
    ws->Execute("INSERT INTO TaskRevDocuments VALUES ('T-1', '附图', 'e.dwg', 'DWG', '1KB', '', '', 'E')");
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("浏览所有版本信息")
        .Tree(D::kTreeId, kRoot + "/A/B")
        .Select(D::kListId, 1)
        .Check(D::kBrowseId, 1)
        .Message("不能取得文档gone.txt：服务器上没有该文件。", IDOK)
        .Tree(D::kTreeId, kRoot + "/A/E") // no folder E on the server: no message
        .Click(IDCANCEL);
    CTaskVersionDlg dlg;
    dlg.m_strTaskNo = "T-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(shell.opened.empty());
}

INSTANTIATE_TEST_SUITE_P(Dialects, TaskVersionTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
INSTANTIATE_TEST_SUITE_P(Dialects, TaskVersionFtpTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
