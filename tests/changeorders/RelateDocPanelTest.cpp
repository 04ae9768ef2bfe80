// The attached documents of a change order in both dialects, hosted by a small form: documents
// added, refused under a taken description, stored with their contents and fetched back byte for
// byte, opened, copied, deleted; the sheet of a modification notice kept out of the list; stores
// that fail leave no row without content; fetched files stay in a folder of the form's own, which
// goes with it.
#include "changeorders/RelateDocPanel.h"
#include "changeorders/ECOConfigure.h"
#include "core/StoredRow.h"
#include "core/VqDesignTaskApp.h"
#include "platform/maker/FileStore.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/ProcessBarrier.h"
#include "tests/support/RecordingShell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace {

constexpr RelateDocControlIds kIds{2001, 2002, 2003, 2004, 2005};

using vqtest::RecordingShell;

std::string ReadAll(const CString& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A form that holds nothing but the documents of one order.
class DocHostDlg : public CDialog {
public:
    enum { IDD_CHANGE = 39901, IDD_MODIFY = 39902 };
    DocHostDlg(const CString& group, const CString& number, int readOnly = 0)
        : CDialog(group == kModifyNoticeGroup ? IDD_MODIFY : IDD_CHANGE), m_docs(group, kIds) {
        m_docs.m_strECONo = number;
        m_docs.m_bReadOnly = readOnly;
    }
    static vq::DialogTemplate Template(const char* group) {
        std::vector<vq::ControlTemplate> controls = CRelateDocPanel(group, kIds).TemplateControls();
        controls.push_back(vq::DefPushButton(IDOK, "确定"));
        controls.push_back(vq::PushButton(IDCANCEL, "取消", vq::kBeside));
        return vq::DialogTemplate("附加文档", controls);
    }

    CRelateDocPanel m_docs;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        CDialog::DoDataExchange(pDX);
        m_docs.DoDataExchange(pDX);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_docs.Init(this);
        m_docs.LoadRelatedDocs();
        return TRUE;
    }
    void OnAdd() { m_docs.OnAddDocument(); }
    void OnDelete() { m_docs.OnDeleteDocument(); }
    void OnSaveAs() { m_docs.OnSaveDocumentAs(); }
    void OnBrowse() { m_docs.OnBrowseDocument(); }
    void OnChanged(NMHDR* n, LRESULT* r) { m_docs.OnDocumentChanged(n, r); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(DocHostDlg, CDialog)
    ON_BN_CLICKED(2002, &DocHostDlg::OnAdd)
    ON_BN_CLICKED(2003, &DocHostDlg::OnDelete)
    ON_BN_CLICKED(2004, &DocHostDlg::OnSaveAs)
    ON_BN_CLICKED(2005, &DocHostDlg::OnBrowse)
    ON_NOTIFY(LVN_ITEMCHANGED, 2001, &DocHostDlg::OnChanged)
END_MESSAGE_MAP()

const vq::DialogTemplate kChangeTemplate = DocHostDlg::Template("更改单");
const vq::DialogTemplate kModifyTemplate = DocHostDlg::Template("修改单");
const vq::TemplateRegistration kChangeRegistration(DocHostDlg::IDD_CHANGE, kChangeTemplate);
const vq::TemplateRegistration kModifyRegistration(DocHostDlg::IDD_MODIFY, kModifyTemplate);

DocHostDlg& Host(CDialog& d) {
    return dynamic_cast<DocHostDlg&>(d);
}

class RelateDocPanelTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg; txt");
        fileA = ws->WriteFile("in/a.txt", "content of a");
        fileB = ws->WriteFile("in/b.dwg", std::string("drawing\0bytes\xff", 14));
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        EXPECT_EQ(rec.Pending(), 0) << "an expected message box was not shown";
        ws.reset();
    }
    // Adds a file through the file dialog and the description prompt.
    static void Add(vq::ScriptedUser& user, const CString& path, const CString& description) {
        user.Click(2002)
            .File(path)
            .Dialog("输入字符串")
            .Set(1013, description)
            .Click(IDOK)
            .Dialog("附加文档");
    }
    CString Query(const CString& sql) { return ws->QueryText(sql); }
    // Stores two documents of the change notice "E-1" through the panel.
    void StoreTwo() {
        DocHostDlg dlg(kChangeNoticeGroup, "E-1");
        vq::ScriptedUser user;
        user.Dialog("附加文档");
        Add(user, fileA, "说明A");
        Add(user, fileB, "图纸B");
        user.Do([](CDialog& d) { EXPECT_EQ(Host(d).m_docs.SaveRelatedDocs(), 1); }).Click(IDOK);
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }

    std::optional<vqtest::DbWorkspace> ws;
    vqtest::MessageBoxRecorder rec;
    CString fileA, fileB;
};

} // namespace

TEST_P(RelateDocPanelTest, DocumentsAreStoredAndFetchedBackByteForByte) {
    StoreTwo();
    EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile WHERE ECOGroup='更改单' AND ECONo='E-1'"), "2");
    EXPECT_EQ(Query("SELECT FileName FROM ECORelateFile WHERE DocType='图纸B'"), "b.dwg");
    EXPECT_EQ(Query("SELECT FileBulk FROM ECORelateFile WHERE DocType='图纸B'"), "1KB");
    EXPECT_EQ(Query("SELECT DocSaved FROM ECORelateFile WHERE DocType='图纸B'"), "1");
    EXPECT_FALSE(Query("SELECT Other1 FROM ECORelateFile WHERE DocType='说明A'").IsEmpty());

    // Opened again: the stored rows come back, and browsing fetches and opens the content.
    RecordingShell shell;
    DocHostDlg dlg(kChangeNoticeGroup, "E-1");
    vq::ScriptedUser user;
    user.Dialog("附加文档")
        .Do([](CDialog& d) {
            ASSERT_EQ(Host(d).m_docs.m_list.GetItemCount(), 2);
            EXPECT_EQ(Host(d).m_docs.ItemOf(0)->m_bStored, 1);
            EXPECT_EQ(Host(d).m_docs.ItemOf(1)->m_bStored, 1);
        })
        .Check(2005, 1) // before any row was selected: nothing is opened
        .Select(2001, "图纸B")
        .Do([](CDialog& d) { EXPECT_GE(Host(d).m_docs.m_nCurDoc, 0); })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(shell.opened.size(), 1u);
    const CString fetched = shell.opened[0];
    EXPECT_EQ(ws->CopyInCallFolder(fetched), "ME-1_b.dwg");
    EXPECT_EQ(shell.openedBytes[0], std::string("drawing\0bytes\xff", 14));
    EXPECT_EQ(theApp.m_arrDownloadFiles.GetSize() > 0
                  ? theApp.m_arrDownloadFiles[theApp.m_arrDownloadFiles.GetSize() - 1]
                  : CString(),
              fetched);
}

TEST_P(RelateDocPanelTest, ATakenDescriptionIsAskedAgainInAnyLetterCase) {
    DocHostDlg dlg(kChangeNoticeGroup, "E-2");
    vq::ScriptedUser user;
    user.Dialog("附加文档");
    Add(user, fileA, "Plan");
    user.Click(2002)
        .File(fileB)
        .Dialog("输入字符串")
        .Do([](CDialog& d) { EXPECT_EQ(d.GetDlgItem(1013)->GetWindowTextValue(), "b"); })
        .Set(1013, "PLAN")
        .Click(IDOK)
        .Dialog("输入字符串")
        .Do([](CDialog& d) { EXPECT_EQ(d.GetDlgItem(1014)->GetWindowTextValue(), "该文档说明已存在..."); })
        .Set(1013, "Plan 2")
        .Click(IDOK)
        .Dialog("附加文档")
        .Do([](CDialog& d) {
            ASSERT_EQ(Host(d).m_docs.m_list.GetItemCount(), 2);
            EXPECT_EQ(Host(d).m_docs.m_list.GetItemText(1, 0), "Plan 2");
            EXPECT_EQ(Host(d).m_docs.m_nCurDoc, 1);
            EXPECT_TRUE(d.GetDlgItem(2003)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile"), "0");
}

TEST_P(RelateDocPanelTest, StoredDocumentsAreDeletedAfterTwoQuestionsNewOnesAfterOne) {
    StoreTwo();
    DocHostDlg dlg(kChangeNoticeGroup, "E-1");
    vq::ScriptedUser user;
    user.Dialog("附加文档");
    Add(user, fileA, "新的");
    user.Select(2001, "说明A")
        .Click(2003)
        .Message("是否删除选定文档?", IDYES)
        .Message("该文档已存储在服务器中，是否继续删?", IDNO)
        .Click(2003)
        .Message("是否删除选定文档?", IDYES)
        .Message("该文档已存储在服务器中，是否继续删?", IDYES)
        .Do([this](CDialog& d) {
            EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile WHERE DocType='说明A'"), "0");
            EXPECT_EQ(Host(d).m_docs.m_list.GetItemCount(), 2);
        })
        .Select(2001, "新的")
        .Click(2003)
        .Message("是否删除选定文档?", IDYES)
        .Select(2001, "图纸B")
        .Click(2003)
        .Message("是否删除选定文档?", IDYES)
        .Message("该文档已存储在服务器中，是否继续删?", IDYES)
        .Do([](CDialog& d) {
            EXPECT_EQ(Host(d).m_docs.m_list.GetItemCount(), 0);
            EXPECT_FALSE(d.GetDlgItem(2003)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(2004)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile"), "0");
}

TEST_P(RelateDocPanelTest, TheSheetOfAModificationNoticeIsNeitherListedNorReplaced) {
    ws->Execute(
        "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, DocSaved) "
        "VALUES ('修改单', 'M-1', '_vq_eco', 'M-1_ECO.tbl', '1KB', 'tbl', '1');"
        "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType) "
        "VALUES ('修改单', 'M-1', '附图', 'p.dwg', '3KB', 'dwg');"
        "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType) "
        "VALUES ('更改单', 'M-1', '_VQ_ECO', 'x.tbl', '1KB', 'tbl')");
    DocHostDlg dlg(kModifyNoticeGroup, "M-1", 1);
    vq::ScriptedUser user;
    user.Dialog("附加文档")
        .Do([](CDialog& d) {
            ASSERT_EQ(Host(d).m_docs.m_list.GetItemCount(), 1);
            EXPECT_EQ(Host(d).m_docs.m_list.GetItemText(0, 0), "附图");
            EXPECT_EQ(Host(d).m_docs.m_arrDocs.GetSize(), 2);
            // Read-only: adding and deleting are disabled, copying is not.
            EXPECT_FALSE(d.GetDlgItem(2002)->IsWindowEnabled());
            EXPECT_FALSE(d.GetDlgItem(2003)->IsWindowEnabled());
            EXPECT_TRUE(d.GetDlgItem(2004)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();

    // An editable notice may not add a document under the sheet's description.
    DocHostDlg edit(kModifyNoticeGroup, "M-1");
    vq::ScriptedUser user2;
    user2.Dialog("附加文档")
        .Click(2002)
        .File(fileA)
        .Dialog("输入字符串")
        .Set(1013, "_VQ_eco")
        .Click(IDOK)
        .Dialog("输入字符串")
        .Do([](CDialog& d) { EXPECT_EQ(d.GetDlgItem(1014)->GetWindowTextValue(), "该文档说明已存在..."); })
        .Click(IDCANCEL)
        .Dialog("附加文档")
        .Do([](CDialog& d) { EXPECT_EQ(Host(d).m_docs.SaveRelatedDocs(), 1); })
        .Click(IDCANCEL);
    EXPECT_EQ(edit.DoModal(), IDCANCEL);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(Query("SELECT FileName FROM ECORelateFile WHERE ECOGroup='修改单' AND DocType='_VQ_ECO'"),
              "M-1_ECO.tbl");

    // The change notice lists every row of its group, its sheet too.
    DocHostDlg change(kChangeNoticeGroup, "M-1");
    vq::ScriptedUser user3;
    user3.Dialog("附加文档")
        .Do([](CDialog& d) { EXPECT_EQ(Host(d).m_docs.m_list.GetItemCount(), 1); })
        .Click(IDCANCEL);
    EXPECT_EQ(change.DoModal(), IDCANCEL);
    EXPECT_TRUE(user3.Succeeded()) << user3.Error().c_str();
}

TEST_P(RelateDocPanelTest, AStoreThatFailsLeavesNoRowWithoutContent) {
    const CString folder = ws->TempDir() + "/not-a-file.txt";
    std::filesystem::create_directories(folder.str());
    const CString doomed = ws->WriteFile("in/gone.txt", "soon removed");
    DocHostDlg dlg(kModifyNoticeGroup, "M-2");
    vq::ScriptedUser user;
    user.Dialog("附加文档");
    Add(user, fileA, "first");
    Add(user, folder, "unreadable");
    Add(user, doomed, "gone");
    user.Do([](CDialog& d) { EXPECT_EQ(Host(d).m_docs.SaveRelatedDocs(), 0); })
        .Message("未能正确存储文档文件...", IDOK)
        .Do([this](CDialog&) {
            // The row before the failure is stored whole; the failed one and those after it not.
            EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile WHERE ECONo='M-2'"), "1");
            EXPECT_EQ(Query("SELECT DocType FROM ECORelateFile WHERE ECONo='M-2'"), "first");
        })
        .Select(2001, 1)
        .Click(2003)
        .Message("是否删除选定文档?", IDYES)
        .Do([doomed](CDialog& d) {
            std::filesystem::remove(doomed.str());
            EXPECT_EQ(Host(d).m_docs.SaveRelatedDocs(), 0);
        })
        .Message("文档文件: gone 已不存在，请检查...", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile WHERE ECONo='M-2'"), "1");
}

TEST_P(RelateDocPanelTest, AFetchedFileStaysInTheFormsOwnFolder) {
    StoreTwo();
    ws->Execute("UPDATE ECORelateFile SET FileName='../../x/../evil.txt' WHERE DocType='说明A'");
    ws->Execute("UPDATE ECORelateFile SET ECONo='E/1' WHERE ECONo='E-1'");
    std::optional<DocHostDlg> dlg(std::in_place, kChangeNoticeGroup, "E/1");
    CString fetched;
    vq::ScriptedUser user;
    user.Dialog("附加文档")
        .Do([&fetched](CDialog& d) {
            CRelateDocPanel& docs = Host(d).m_docs;
            const int row = docs.m_list.GetItemText(0, 0) == "说明A" ? 0 : 1;
            fetched = docs.FetchDocument(*docs.ItemOf(row));
            EXPECT_EQ(ReadAll(fetched), "content of a");
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg->DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws->CopyInCallFolder(fetched), "ME#1_..#..#x#..#evil.txt");
    EXPECT_EQ(ReadAll(fetched), "content of a") << "kept while the form lives";
    dlg.reset();
    EXPECT_TRUE(ws->WorkDirEntries().empty()) << "the copy went with the form";
}

// Two forms of one user (two hosts) open the same attached document: each fetches it into a folder
// of its own, so the second fetch, of content stored meanwhile, leaves the copy the first form
// opened as it was; each folder goes when its form closes (the recording shell hands nothing to a
// viewer), the first's only when the first closes.
TEST_P(RelateDocPanelTest, TwoFormsOpeningOneDocumentEachHaveTheirOwnCopy) {
    StoreTwo();
    const CString newer = ws->WriteFile("in/newer.dwg", "the drawing stored meanwhile");
    RecordingShell shell;
    std::optional<DocHostDlg> first(std::in_place, kChangeNoticeGroup, "E-1");
    vq::ScriptedUser user;
    user.Dialog("附加文档")
        .Check(2005, 1)
        .Select(2001, "图纸B")
        .Do([&](CDialog&) {
            CVQSaveFileToDB store;
            ASSERT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM ECORelateFile WHERE ECONo='E-1' "
                                         "AND DocType='图纸B'",
                                         newer, "DocContent", "PDM"),
                      1);
            DocHostDlg second(kChangeNoticeGroup, "E-1");
            EXPECT_EQ(second.DoModal(), IDCANCEL);
        })
        .Dialog("附加文档")
        .Check(2005, 1)
        .Select(2001, "图纸B")
        .Click(IDCANCEL)
        .Dialog("附加文档")
        .Do([&](CDialog&) {
            ASSERT_EQ(shell.opened.size(), 2u);
            EXPECT_EQ(ReadAll(shell.opened[0]), std::string("drawing\0bytes\xff", 14));
            EXPECT_FALSE(std::filesystem::exists(shell.opened[1].str())) << "went with the second form";
            EXPECT_EQ(ws->WorkDirEntries().size(), 1u);
        })
        .Click(IDCANCEL);
    EXPECT_EQ(first->DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ReadAll(shell.opened.at(0)), std::string("drawing\0bytes\xff", 14))
        << "kept while the form lives";
    first.reset();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_NE(shell.opened[0], shell.opened[1]);
    for (const CString& copy : shell.opened)
        EXPECT_EQ(ws->CopyInCallFolder(copy), "ME-1_b.dwg");
    EXPECT_EQ(shell.openedBytes[0], std::string("drawing\0bytes\xff", 14));
    EXPECT_EQ(shell.openedBytes[1], "the drawing stored meanwhile");
    EXPECT_TRUE(ws->WorkDirEntries().empty());
}

TEST_P(RelateDocPanelTest, ACopyKeepsTheTypeOfTheDocument) {
    StoreTwo();
    const CString wrong = ws->TempDir() + "/copy.dxf";
    const CString right = ws->TempDir() + "/copy.DWG";
    DocHostDlg dlg(kChangeNoticeGroup, "E-1");
    vq::ScriptedUser user;
    user.Dialog("附加文档")
        .Click(2004)
        .Message("请先选择附加文档...", IDOK)
        .Select(2001, "图纸B")
        .Click(2004)
        .File(wrong)
        .Message("原文件类型为*.dwg, 类型不匹配, 请重新输入!", IDOK)
        .Click(2004)
        .File(right)
        .Message("附加文档另存完毕，是否打开?", IDNO)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(std::filesystem::exists(wrong.str()));
    EXPECT_EQ(ReadAll(right), std::string("drawing\0bytes\xff", 14));
}

INSTANTIATE_TEST_SUITE_P(Dialects, RelateDocPanelTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);

// A stored document is deleted on the notice and the document as stored when the person
// answers: one that another client replaced or deleted meanwhile, or whose notice was published
// meanwhile (a modification notice under its own table), deletes nothing and says so once.
TEST_P(RelateDocPanelTest, AStoredDocumentChangedWhileAskedIsNotDeleted) {
    ws->Execute("INSERT INTO ECOChangeManage (ECONo, SaveUser, State) VALUES ('E-1', '张三', '临时');"
                "INSERT INTO ECOModifyManage (ECONo, SaveUser, State) VALUES ('M-1', '张三', '更改')");
    const struct {
        const char* group;
        const char* number;
        const char* write;
        const char* refusal;
        const char* left; // rows afterwards
    } cases[] = {
        {"更改单", "E-1", "UPDATE ECORelateFile SET FileName='c.txt', FileBulk='2KB'",
         "文档 说明A 已被其他用户更换，本次没有删除。", "1"},
        {"更改单", "E-1", "DELETE FROM ECORelateFile", "文档 说明A 已被其他用户删除...", "0"},
        {"修改单", "M-1", "UPDATE ECOModifyManage SET State='正式'",
         "修改单：M-1 已发布，本次没有删除选定文档。", "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refusal);
        ws->Execute("DELETE FROM ECORelateFile");
        CString sql;
        sql.Format(
            "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType) VALUES "
            "('%s', '%s', '说明A', 'a.txt', '1KB', '文本文档')",
            c.group, c.number);
        ws->Execute(sql);
        DocHostDlg dlg(c.group, c.number);
        vq::ScriptedUser user;
        user.Dialog("附加文档")
            .Select(2001, "说明A")
            .Click(2003)
            .Do([](CDialog& d) { EXPECT_EQ(Host(d).m_docs.m_list.GetItemCount(), 1); })
            .Click(IDCANCEL);
        vqtest::MessageBoxRecorder boxes;
        boxes.Expect("是否删除选定文档?", IDYES);
        boxes.Expect("该文档已存储在服务器中，是否继续删?", IDYES, [&] { ws->Execute(c.write); });
        // The box is shown with nothing of the deletion holding the notice or the database.
        bool free = false;
        boxes.Expect(c.refusal, IDOK,
                     [&] { free = ws->WritesAtOnce("UPDATE ECORelateFile SET FileBulk=FileBulk"); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(free);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(boxes.Pending(), 0);
        EXPECT_EQ(boxes.Texts().size(), 3u);
        EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile"), c.left);
    }
}

// A store under a description another client took meanwhile stores nothing and says so once; the
// other client's row and content stay, whatever the letter case of its description. A program
// that takes none of our locks and stores under the description between the check and the
// insert: on a server the last guard sees it and the store is rolled back; on SQLite the store's
// lock keeps it out until the store has ended.
TEST_P(RelateDocPanelTest, AStoreNeverReplacesADocumentStoredUnderItsDescriptionMeanwhile) {
    const char* theirs = "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType, "
                         "DocSaved) VALUES ('更改单', 'E-1', '说明a', 'theirs.txt', '9KB', '文本文档', '1')";
    for (const bool atTheMoment : {false, true}) {
        SCOPED_TRACE(atTheMoment ? "between the check and the insert" : "while the form was open");
        ws->Execute("DELETE FROM ECORelateFile");
        bool wrote = false;
        if (atTheMoment)
            SetAfterRecheckHook([&] { wrote = ws->WritesAtOnce(theirs); });
        const bool refused = !atTheMoment || vqtest::DbWorkspace::OnPostgreSQL();
        DocHostDlg dlg(kChangeNoticeGroup, "E-1");
        vq::ScriptedUser user;
        user.Dialog("附加文档");
        Add(user, fileB, "说明A");
        user.Do([&](CDialog& d) {
            if (!atTheMoment)
                ws->Execute(theirs);
            EXPECT_EQ(Host(d).m_docs.SaveRelatedDocs(), refused ? 0 : 1);
        });
        if (refused)
            user.Message("文档说明：说明A "
                         "已存在（其他用户已存储该说明的文档），本次没有保存，请修改文档说明后再存储。",
                         IDOK);
        user.Click(IDCANCEL);
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        SetAfterRecheckHook(nullptr);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(wrote, atTheMoment && vqtest::DbWorkspace::OnPostgreSQL());
        EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile"), "1");
        EXPECT_EQ(Query("SELECT FileName FROM ECORelateFile"), refused ? "theirs.txt" : "b.dwg");
    }
    // A document stored by the form is not stored again by the form's next store.
    ws->Execute("DELETE FROM ECORelateFile");
    DocHostDlg dlg(kChangeNoticeGroup, "E-1");
    vq::ScriptedUser user;
    user.Dialog("附加文档");
    Add(user, fileA, "说明A");
    user.Do([](CDialog& d) {
            EXPECT_EQ(Host(d).m_docs.SaveRelatedDocs(), 1);
            EXPECT_EQ(Host(d).m_docs.SaveRelatedDocs(), 1);
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT FileName || DocSaved FROM ECORelateFile"), "a.txt1");
}

// After the questions the deletion re-reads the document under its locks and deletes that row
// alone: on a server the row re-read is kept from other writers until the end, and a document a
// program that takes none of our locks stores under the description at that moment is seen by the
// last guard (nothing deleted, one box); on SQLite the deletion's lock keeps both out. A document
// stored by the form itself is deleted as stored.
TEST_P(RelateDocPanelTest, ADeletionDeletesOnlyTheRowItReadAgain) {
    ws->Execute("INSERT INTO ECOChangeManage (ECONo, SaveUser, State) VALUES ('E-1', '张三', '临时');"
                "INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, FileType) VALUES "
                "('更改单', 'E-1', '说明A', 'a.txt', '1KB', '文本文档')");
    bool changed = true;
    bool added = false;
    SetAfterRecheckHook([&] {
        changed = ws->WritesAtOnce("UPDATE ECORelateFile SET FileName='c.txt'");
        added =
            ws->WritesAtOnce("INSERT INTO ECORelateFile (ECOGroup, ECONo, DocType, FileName, FileBulk, "
                             "FileType) VALUES ('更改单', 'E-1', '说明a', 'theirs.txt', '9KB', '文本文档')");
    });
    const bool server = vqtest::DbWorkspace::OnPostgreSQL();
    {
        DocHostDlg dlg(kChangeNoticeGroup, "E-1");
        vq::ScriptedUser user;
        user.Dialog("附加文档").Select(2001, "说明A").Click(2003).Click(IDCANCEL);
        vqtest::MessageBoxRecorder boxes;
        boxes.Expect("是否删除选定文档?", IDYES);
        boxes.Expect("该文档已存储在服务器中，是否继续删?", IDYES);
        if (server)
            boxes.Expect("文档 说明A 已被其他用户更换，本次没有删除。");
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        SetAfterRecheckHook(nullptr);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(boxes.Pending(), 0);
    }
    EXPECT_FALSE(changed);
    EXPECT_EQ(added, server);
    EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile WHERE FileName='a.txt'"), server ? "1" : "0");
    EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile WHERE FileName='theirs.txt'"), server ? "1" : "0");

    ws->Execute("DELETE FROM ECORelateFile");
    DocHostDlg dlg(kChangeNoticeGroup, "E-1");
    vq::ScriptedUser user;
    user.Dialog("附加文档");
    Add(user, fileA, "说明A");
    user.Do([](CDialog& d) { EXPECT_EQ(Host(d).m_docs.SaveRelatedDocs(), 1); })
        .Select(2001, "说明A")
        .Click(2003)
        .Message("是否删除选定文档?", IDYES)
        .Message("该文档已存储在服务器中，是否继续删?", IDYES)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile"), "0");
}

// Windows of two to four clients store a document under one description at the same moment
// (they meet at a barrier right before the store), nine times over: one stores its document, every
// other stores nothing and says in one box that the description is taken; the row holds the
// storing window's document.
TEST_P(RelateDocPanelTest, WindowsStoringUnderOneDescriptionAtOnceKeepOneDocument) {
    const std::string taken =
        "文档说明：说明A 已存在（其他用户已存储该说明的文档），本次没有保存，请修改文档说明后再存储。|";
    for (int run = 0; run < 9; ++run) {
        const int windows = 2 + run % 3;
        ws->Execute("DELETE FROM ECORelateFile");
        std::vector<CString> files;
        for (int window = 0; window < windows; ++window) {
            CString name;
            name.Format("in/w%d.txt", window);
            files.push_back(ws->WriteFile(name, std::string(static_cast<size_t>(window + 1), 'w')));
        }
        const auto reports =
            vqtest::RunAtBarrier(windows, [&](int index, const std::function<void()>& arrive) {
                theApp.m_pConnPDM = ws->Connect();
                int stored = -1;
                DocHostDlg dlg(kChangeNoticeGroup, "E-1");
                vq::ScriptedUser user;
                // After the scripted user: the boxes come here.
                std::string said;
                vq::SetMessageBoxPresenter([&said](const vq::MessageBoxRequest& request) {
                    said += request.text.str() + "|";
                    return IDOK;
                });
                user.Dialog("附加文档");
                Add(user, files[static_cast<size_t>(index)], "说明A");
                user.Do([&](CDialog& d) {
                        arrive();
                        stored = Host(d).m_docs.SaveRelatedDocs();
                    })
                    .Click(IDCANCEL);
                dlg.DoModal();
                return std::to_string(stored) + "|" + said;
            });
        int storing = -1;
        for (int window = 0; window < windows; ++window) {
            ASSERT_TRUE(reports[static_cast<size_t>(window)]) << "run " << run << ", window " << window;
            const std::string& report = *reports[static_cast<size_t>(window)];
            if (report == "1|") {
                EXPECT_EQ(storing, -1) << "run " << run;
                storing = window;
            } else {
                EXPECT_EQ(report, "0|" + taken) << "run " << run << ", window " << window;
            }
        }
        ASSERT_NE(storing, -1) << "run " << run;
        EXPECT_EQ(Query("SELECT count(*) FROM ECORelateFile"), "1") << "run " << run;
        CString name;
        name.Format("w%d.txt", storing);
        EXPECT_EQ(Query("SELECT FileName FROM ECORelateFile"), name) << "run " << run;
        CString size;
        size.Format("%d", storing + 1);
        EXPECT_EQ(Query("SELECT length(DocContent) FROM ECORelateFile"), size) << "run " << run;
    }
}
