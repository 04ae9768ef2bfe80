// The drawing-number revision browser: the tree built from revision paths, the first revision
// recorded for a part that has none, borrowed parts, the documents and modification notices of
// the chosen revision, notice sheets out of the file store, released documents fetched from a
// real FTP server, browse rights, and the entry function.
#include "parts/PartRevisionTreeDlg.h"
#include "core/VqDesignTaskApp.h"
#include "parts/DwgDetailDlg.h"
#include "platform/ftp/FtpConnection.h"
#include "platform/ftp/InternetSession.h"
#include "platform/maker/FileStore.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/Button.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/FtpServer.h"
#include "tests/support/RecordingShell.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <memory>
#include <optional>
#include <vector>

namespace {

const CString kRoot = "图号 P1 的版本信息...";

using vqtest::RecordingShell;

// One node of the tree as text: "label:image", children in brackets.
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

class PartRevisionTreeTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        m_oldUser = theApp.m_strLoginUser;
        theApp.m_strLoginUser = "admin";
        ws->Execute(
            "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, CurrentRev, LateRev) VALUES "
            "('P1', '底座', 'PRD', 'B', 'C');"
            "INSERT INTO VqkorvelVer_title (TCode, TName, LateRev) VALUES ('P1', '底座旧', 'A');"
            "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', '', 'A');"
            "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'A\\', 'B');"
            "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'A\\B\\', 'C');"
            "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'A\\', 'E');"
            "INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'a\\', 'Z');"
            "INSERT INTO Documents VALUES ('P1', '装配图', 'doc.dwg', 'DWG', '12KB', '2026-01-01', 'r1', "
            "'B');"
            "INSERT INTO Documents VALUES ('P1', '说明书', 'gone.txt', 'TXT', '1KB', '2026-01-02', '', 'b');"
            "INSERT INTO Documents VALUES ('P1', '旧图', 'old.dwg', 'DWG', '9KB', '2025-01-01', '', 'A');"
            "INSERT INTO Documents VALUES ('P9', '别的', 'x.dwg', 'DWG', '1KB', '', '', 'B');"
            "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, IsChanged, RevNo) VALUES "
            "('修改单', 'M-1', 'P1', '是', 'B');"
            "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, IsChanged) VALUES "
            "('修改单', 'M-2', 'P1', '否');"
            "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, IsChanged, RevNo) VALUES "
            "('修改单', 'M-3', 'P1', '是', 'A');"
            "INSERT INTO ECOPartRelease (ECOGroup, ECONo, PartCode, IsChanged, RevNo) VALUES "
            "('更改单', 'G-1', 'P1', '是', 'B')");
    }
    void TearDown() override {
        theApp.m_strLoginUser = m_oldUser;
        theApp.m_pFtpConnection = nullptr;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        ws.reset();
    }

    static CPartRevisionTreeDlg& Dlg(CDialog& d) { return static_cast<CPartRevisionTreeDlg&>(d); }

    std::optional<vqtest::DbWorkspace> ws;
    CString m_oldUser;
};

TEST_P(PartRevisionTreeTest, TreeFollowsRevisionPathsAndMarksTheCurrentRevision) {
    CString tree, current, latest;
    bool propertiesEnabled = true, browseEnabled = true;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Do([&](CDialog& d) {
            tree = Describe(Dlg(d).m_treeRevisions.GetRootItem());
            d.GetDlgItemText(1001, current);
            d.GetDlgItemText(1228, latest);
            propertiesEnabled = d.GetDlgItem(1077)->IsWindowEnabled();
            browseEnabled = d.GetDlgItem(1013)->IsWindowEnabled();
        })
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // "a\" is not the path of A: Z is not shown.
    EXPECT_EQ(tree, kRoot + ":4[A:0[B:2[C:0],E:0]]");
    EXPECT_EQ(current, "B");
    EXPECT_EQ(latest, "C");
    EXPECT_FALSE(propertiesEnabled);
    EXPECT_FALSE(browseEnabled);
    EXPECT_EQ(dlg.m_strProductCode, "PRD");
}

TEST_P(PartRevisionTreeTest, FirstRevisionIsRecordedForATitledPartWithoutOne) {
    ws->Execute("INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, CurrentRev) VALUES "
                "('N1', '新件', 'PRD', 'C')");
    CString tree;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Do([&](CDialog& d) { tree = Describe(Dlg(d).m_treeRevisions.GetRootItem()); })
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "N1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, "图号 N1 的版本信息...:4[C:2]");
    EXPECT_EQ(ws->QueryText("SELECT count(*) FROM PartRevManage WHERE PartCode='N1' AND RevPath='' AND "
                            "RevNumber='C'"),
              "1");
    EXPECT_FALSE(ws->QueryText("SELECT CreateDate FROM PartRevManage WHERE PartCode='N1'").IsEmpty());
}

TEST_P(PartRevisionTreeTest, PartWithoutTitleGetsNoRevisionAndIgnoresChoices) {
    CString tree;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Do([&](CDialog& d) { tree = Describe(Dlg(d).m_treeRevisions.GetRootItem()); })
        .Tree(1009, "图号 Q' OR 'x 的版本信息.../该图号对应的图档未入库...")
        .Do([&](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(1077)->IsWindowEnabled()); })
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "Q' OR 'x";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, "图号 Q' OR 'x 的版本信息...:4[该图号对应的图档未入库...:6]");
    EXPECT_EQ(ws->QueryText("SELECT count(*) FROM PartRevManage"), "5");
    EXPECT_EQ(dlg.CurrentRevision(), "A");
}

TEST_P(PartRevisionTreeTest, BorrowedCodeShowsThePartItWasBorrowedFrom) {
    ws->Execute("INSERT INTO BorrowingRelation (Code, BorrowedCode) VALUES ('P1-COPY', 'P1');"
                "INSERT INTO BorrowedParts (PartCode, ProductCode) VALUES ('P1', 'PRD2')");
    CString tree;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Do([&](CDialog& d) { tree = Describe(Dlg(d).m_treeRevisions.GetRootItem()); })
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1-COPY";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strPartCode, "P1");
    EXPECT_EQ(dlg.m_strProductCode, "PRD2");
    EXPECT_EQ(tree.Left(kRoot.GetLength()), kRoot);
    // The current revision is looked up under the product of the borrowing: none there.
    EXPECT_EQ(dlg.CurrentRevision(), "B"); // the title row's own value replaces it
}

TEST_P(PartRevisionTreeTest, DatabaseErrorInTheBorrowingLookupIsReported) {
    ws->Execute("DROP TABLE BorrowedParts");
    CString tree;
    vq::ScriptedUser user;
    user.AnyMessage(IDOK)
        .Dialog("浏览图号版本信息")
        .Do([&](CDialog& d) { tree = Describe(Dlg(d).m_treeRevisions.GetRootItem()); })
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // The rest of the dialog works as before.
    EXPECT_EQ(tree, kRoot + ":4[A:0[B:2[C:0],E:0]]");
}

TEST_P(PartRevisionTreeTest, ChosenRevisionListsItsDocumentsAndNotices) {
    std::vector<CString> docs, notices;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Tree(1009, kRoot + "/A/B")
        .Do([&](CDialog& d) {
            auto& dlg = Dlg(d);
            for (int i = 0; i < dlg.m_listDocuments.GetItemCount(); ++i)
                docs.push_back(
                    dlg.m_listDocuments.GetItemText(i, 0) + "|" + dlg.m_listDocuments.GetItemText(i, 1) +
                    "|" + dlg.m_listDocuments.GetItemText(i, 2) + "|" +
                    dlg.m_listDocuments.GetItemText(i, 3) + "|" + dlg.m_listDocuments.GetItemText(i, 4));
            for (int i = 0; i < dlg.m_listChangeOrders.GetItemCount(); ++i)
                notices.push_back(dlg.m_listChangeOrders.GetItemText(i, 0) + "|" +
                                  dlg.m_listChangeOrders.GetItemText(i, 1));
            EXPECT_EQ(dlg.ChosenRevision(), "B");
            EXPECT_EQ(dlg.CurrentDocumentRow(), 0); // the first row is chosen at once
            EXPECT_TRUE(d.GetDlgItem(1077)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(1013)->IsWindowEnabled()); // no FTP connection lent
        })
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_EQ(docs[0], "装配图|DWG|12KB|2026-01-01|r1");
    EXPECT_EQ(docs[1], "说明书|TXT|1KB|2026-01-02|");
    std::sort(notices.begin(), notices.end());
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_EQ(notices[0], "M-1|√");
    EXPECT_EQ(notices[1], "M-2|");
}

TEST_P(PartRevisionTreeTest, VersionPropertiesShowTheRevisionTablesForAnEarlierRevision) {
    CString name;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Tree(1009, kRoot + "/A")
        .Click(1077)
        .Dialog("图纸的详细信息")
        .Do([&](CDialog& d) {
            name = static_cast<CDwgDetailDlg&>(d).m_titleList.GetItemText(1, 1);
            EXPECT_FALSE(d.GetDlgItem(1381)->IsWindowEnabled());
        })
        .Click(IDCANCEL)
        .Dialog("浏览图号版本信息")
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(name, "底座旧");
}

TEST_P(PartRevisionTreeTest, NoticeSheetComesOutOfTheFileStore) {
    ws->WriteSetting("浏览器配置", "直接浏览文档格式", "tbl");
    ws->Execute("INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileBulk) VALUES "
                "('修改单', 'M-1', '_VQ_ECO', '1KB')");
    const CString source = ws->WriteFile("sheet.tbl", "sheet bytes\x01\x02");
    CVQSaveFileToDB store;
    ASSERT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM ECORelateFile WHERE ECOGroup='修改单' AND "
                                 "ECONo='M-1' AND DocType='_VQ_ECO'",
                                 source, "DocContent", "PDM"),
              1);
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Tree(1009, kRoot + "/A/B")
        .DoubleClick(1382, "M-2")
        .Message("没有对应的更改单，检查是否采用新的更改单编制方式填写...", IDOK)
        .DoubleClick(1382, "M-1")
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(ws->CopyInCallFolder(shell.opened[0]), "MM-1_ECO.tbl");
    EXPECT_EQ(shell.openedBytes[0], "sheet bytes\x01\x02");
    bool recorded = false;
    for (int i = 0; i < theApp.m_arrDownloadFiles.GetSize(); ++i)
        recorded = recorded || theApp.m_arrDownloadFiles[i] == shell.opened[0];
    EXPECT_TRUE(recorded);
}

TEST_P(PartRevisionTreeTest, UnreadableNoticeSheetSaysTheDownloadFailed) {
    // A size is recorded but no content was ever stored.
    ws->Execute("INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileBulk) VALUES "
                "('修改单', 'M-1', '_VQ_ECO', '1KB')");
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Tree(1009, kRoot + "/A/B")
        .DoubleClick(1382, "M-1")
        .Message("不能取得文档修改单M-1：服务器上没有该文件。", IDOK)
        .Message("没有对应的更改单，检查是否采用新的更改单编制方式填写...", IDOK)
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(shell.opened.empty());
}

class ReleasedDocumentTest : public PartRevisionTreeTest {
protected:
    void SetUp() override {
        PartRevisionTreeTest::SetUp();
        ASSERT_TRUE(server.IsRunning());
        connection.reset(session.GetFtpConnection(server.Host(), server.User(), server.Password(),
                                                  static_cast<INTERNET_PORT>(server.Port())));
        ASSERT_TRUE(connection);
        theApp.m_pFtpConnection = connection.get();
        server.MakeFolder("Vq/Proven/PRD/P1/B");
        server.WriteFile("Vq/Proven/PRD/P1/B/doc.dwg", "released drawing");
        ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg; txt");
    }
    void TearDown() override {
        theApp.m_pFtpConnection = nullptr;
        connection.reset();
        PartRevisionTreeTest::TearDown();
    }

    vqtest::FtpServer server;
    CInternetSession session{"vqtest"};
    std::unique_ptr<CFtpConnection> connection;
};

TEST_P(ReleasedDocumentTest, CheckingBrowseFetchesTheChosenDocumentIntoTheTemporaryFolder) {
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Tree(1009, kRoot + "/A/B")
        .Do([&](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(1013)->IsWindowEnabled()); })
        .Check(1013, 1)
        .Do([](CDialog& d) {
            // The window message that unchecks the box.
            EXPECT_EQ(d.SendMessage(WM_USER + 10), 1);
            EXPECT_FALSE(Dlg(d).m_bBrowseDocument);
            EXPECT_EQ(static_cast<CButton*>(d.GetDlgItem(1013))->GetCheck(), 0);
        })
        .Check(1013, 1)
        .Select(1172, 1) // gone.txt is not on the server
        .Message("该文档已不在原存放位置，请检查!", IDOK)
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    // Checking the box twice opened the chosen row twice, from the same local copy.
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(ws->CopyInCallFolder(shell.opened[0]), "P1_doc_B.dwg");
    EXPECT_EQ(shell.opened[1], shell.opened[0]);
    EXPECT_EQ(ws->ReadFile(shell.opened[0]), "released drawing");
    int recorded = 0;
    for (int i = 0; i < theApp.m_arrDownloadFiles.GetSize(); ++i)
        recorded += theApp.m_arrDownloadFiles[i] == shell.opened[0] ? 1 : 0;
    EXPECT_EQ(recorded, 1);
}

TEST_P(ReleasedDocumentTest, FailedFetchOpensNothing) {
    server.MakeFolder("Vq/Proven/PRD/P1/B/gone.txt"); // found by name, but cannot be fetched
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Tree(1009, kRoot + "/A/B")
        .Select(1172, 1)
        .Check(1013, 1)
        .Message("不能取得文档gone.txt：服务器上没有该文件。", IDOK)
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(shell.opened.empty());
}

TEST_P(ReleasedDocumentTest, BrowseRightsAreCheckedWhenTheSettingAsks) {
    ws->WriteSetting("系统权限配置", "数据权限", "1");
    theApp.m_strLoginUser = "u1";
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Tree(1009, kRoot + "/A/B")
        .Check(1013, 1)
        .Message("无浏览该零部件图纸的权限...", IDOK)
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(shell.opened.empty());

    // A right on the product covers the part.
    ws->Execute("INSERT INTO VqkorvelAll_detail (UpCode, Dcode) VALUES ('PRD', 'P1');"
                "INSERT INTO BrowseRight (UserName, PartCode, EndDate) VALUES ('u1', 'PRD', '')");
    vq::ScriptedUser again;
    again.Dialog("浏览图号版本信息").Tree(1009, kRoot + "/A/B").Check(1013, 1).Click(IDOK);
    CPartRevisionTreeDlg second;
    second.m_strPartCode = "P1";
    second.DoModal();
    EXPECT_TRUE(again.Succeeded()) << again.Error().c_str();
    EXPECT_EQ(shell.opened.size(), 1u);
}

TEST_P(PartRevisionTreeTest, EntryFunctionListsDocumentsWithoutOpeningThem) {
    theApp.m_pConnPDM = nullptr;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Tree(1009, kRoot + "/A/B")
        .Do([&](CDialog& d) {
            EXPECT_EQ(Dlg(d).m_listDocuments.GetItemCount(), 2);
            EXPECT_FALSE(d.GetDlgItem(1013)->IsWindowEnabled());
        })
        .Click(IDOK);
    EXPECT_EQ(BrowsePartReversionTree("P1", "admin"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(theApp.m_pConnPDM);
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartRevisionTreeTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
// A stored revision such as ".." names no folder of its own below the part's folder: nothing is
// fetched from the folder above, and the browser says it cannot use the server's folder.
TEST_P(ReleasedDocumentTest, RevisionNamingNoFolderOfItsOwnFetchesNothing) {
    ws->Execute("INSERT INTO PartRevManage (PartCode, RevPath, RevNumber) VALUES ('P1', 'A\\', '..');"
                "INSERT INTO Documents VALUES ('P1', '装配图', 'doc.dwg', 'DWG', '12KB', '', '', '..')");
    server.WriteFile("Vq/Proven/PRD/P1/doc.dwg", "not a drawing of this revision");
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("浏览图号版本信息")
        .Tree(1009, kRoot + "/A/..")
        .Check(1013, 1)
        .Message("不能正常设置服务器存储信息...", IDOK)
        .Click(IDOK);
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = "P1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(shell.opened.empty());
    for (const auto& entry : std::filesystem::recursive_directory_iterator(ws->WorkDir().str()))
        EXPECT_TRUE(entry.is_directory()) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Dialects, ReleasedDocumentTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

} // namespace
