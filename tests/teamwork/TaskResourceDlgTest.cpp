// Outside resources of tasks and works: files added in batches, stored with their contents,
// listed again, viewed from the database, deleted; the resource numbering; the refusals of a
// store that cannot be done and the clean-up when a content cannot be stored.
#include "teamwork/TaskResourceDlg.h"
#include "core/FileInfo.h"
#include "core/StoredRow.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/File.h"
#include "platform/base/Time.h"
#include "platform/maker/FileStore.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/RecordingShell.h"

#include <gtest/gtest.h>

#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

namespace {

using vqtest::RecordingShell;

std::string ReadAll(const CString& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

CString Today() {
    return CTime::GetCurrentTime().Format("%Y%m%d");
}

class TaskResourceTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 1;
        m_oldUser = theApp.m_strLoginUser;
        theApp.m_strLoginUser = "zhangsan";
        ws->WriteSetting("浏览器配置", "直接浏览文档格式", "dwg; txt");
        fileA = ws->WriteFile("in/a.txt", "content of a");
        fileB = ws->WriteFile("in/b.dwg", std::string("drawing\0bytes", 13));
        // The works whose resources the tests store.
        ws->Execute(
            "INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, WorkName) VALUES ('XM-01', 'XM-01', "
            "'XM-01#001', '箱体'), ('W', 'W', 'W1', '工作')");
    }
    void TearDown() override {
        theApp.m_strLoginUser = m_oldUser;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_nAdoCloseMode = 0;
        ws.reset();
    }
    CString Query(const CString& sql) { return ws->QueryText(sql); }

    std::optional<vqtest::DbWorkspace> ws;
    CString m_oldUser;
    CString fileA, fileB;
};

TEST(FormatSerialNo4Test, PadsToFourDigitsAndKeepsLongerNumbers) {
    EXPECT_EQ(FormatSerialNo4(7), "0007");
    EXPECT_EQ(FormatSerialNo4(9999), "9999");
    EXPECT_EQ(FormatSerialNo4(10000), "10000");
}

TEST_P(TaskResourceTest, WorkResourcesAreStoredListedViewedAndDeleted) {
    const CString prefix = Today() + "#ZHANGSAN#";
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Click("批量增加...")
        .Files({fileA, fileB})
        .Click(IDOK);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "XM-01#001";
    dlg.m_strTaskName = "箱体";
    dlg.m_bWorkTask = 1;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResource WHERE WorkID='XM-01#001'"), "2");
    EXPECT_EQ(Query("SELECT ResourceType FROM TeamWorkResource WHERE ResourceID='" + prefix + "0001'"), "a.txt");
    EXPECT_EQ(Query("SELECT ResourceName FROM TeamWorkResource WHERE ResourceID='" + prefix + "0002'"), "b.dwg");
    EXPECT_EQ(Query("SELECT FileSize FROM TeamWorkResource WHERE ResourceID='" + prefix + "0001'"), "1KB");
    EXPECT_EQ(Query("SELECT DocSaved FROM TeamWorkResourcePack WHERE ResourceID='" + prefix + "0002'"), "1");

    // Listed again; ticking "浏览文档" fetches the stored content into the dialog's own folder.
    RecordingShell shell;
    CString fetched;
    vq::ScriptedUser view;
    view.Dialog("任务资源管理")
        .Do([&](CDialog& d) {
            auto& list = static_cast<CTaskResourceDlg&>(d).m_list;
            ASSERT_EQ(list.GetItemCount(), 2);
            EXPECT_EQ(list.GetItemText(1, 0), "b.dwg");
        })
        .Select(CTaskResourceDlg::kListId, 1)
        .Check(CTaskResourceDlg::kViewCheckId, 1)
        // Deleting a stored resource asks twice and deletes its rows at once.
        .Select(CTaskResourceDlg::kListId, 0)
        .Click("删除")
        .Message("是否删除选定文档?", IDYES)
        .Message("该文档已存储在服务器中，是否继续删?", IDYES)
        .Do([&](CDialog& d) { EXPECT_EQ(static_cast<CTaskResourceDlg&>(d).m_list.GetItemCount(), 1); })
        .Click(IDCANCEL);
    CTaskResourceDlg again;
    again.m_strTaskNo = "XM-01#001";
    again.m_bWorkTask = 1;
    again.DoModal();
    ASSERT_TRUE(view.Succeeded()) << view.Error().c_str() << " remaining " << view.Remaining();
    ASSERT_FALSE(shell.opened.empty());
    fetched = shell.opened.front();
    EXPECT_EQ(ws->CopyInCallFolder(fetched), "TXM-01#001_b.dwg");
    EXPECT_EQ(ReadAll(fetched), std::string("drawing\0bytes", 13));
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResource WHERE ResourceID='" + prefix + "0001'"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResourcePack WHERE ResourceID='" + prefix + "0001'"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResource"), "1");
}

TEST_P(TaskResourceTest, NumberingReusesFreedNumbersAndOnlyCountsItsOwnPrefix) {
    const CString prefix = Today() + "#ZHANGSAN#";
    ws->Execute("INSERT INTO TeamWorkResource (WorkID, ResourceID) VALUES ('W9', '" + prefix + "0001');"
                "INSERT INTO TeamWorkResource (WorkID, ResourceID) VALUES ('W9', '" + prefix + "0003');"
                "INSERT INTO TeamWorkResource (WorkID, ResourceID) VALUES ('W9', '" + prefix + "x');"
                "INSERT INTO TeamWorkResource (WorkID, ResourceID) VALUES ('W9', '" + Today() + "#LISI#0002')");
    // A login whose name holds LIKE wildcards numbers only its own identifiers.
    ws->Execute("INSERT INTO TeamWorkResource (WorkID, ResourceID) VALUES ('W9', '" + Today() + "#A_B#0001')");
    CTaskResourceDlg dlg;
    EXPECT_EQ(dlg.MakeNewResourceID(), ""); // the login account is taken when the dialog opens
    vq::ScriptedUser user;
    CString first, wildcard;
    user.Dialog("任务资源管理")
        .Do([&](CDialog& d) { first = static_cast<CTaskResourceDlg&>(d).MakeNewResourceID(); })
        .Click(IDCANCEL);
    dlg.m_strTaskNo = "W1";
    dlg.m_bWorkTask = 1;
    dlg.DoModal();
    EXPECT_EQ(first, prefix + "0002");

    theApp.m_strLoginUser = "a%b";
    vq::ScriptedUser other;
    other.Dialog("任务资源管理")
        .Do([&](CDialog& d) { wildcard = static_cast<CTaskResourceDlg&>(d).MakeNewResourceID(); })
        .Click(IDCANCEL);
    CTaskResourceDlg dlg2;
    dlg2.m_strTaskNo = "W1";
    dlg2.m_bWorkTask = 1;
    dlg2.DoModal();
    EXPECT_EQ(wildcard, Today() + "#A%B#0001");
}

// A second client stores the number this one computed: the insert is refused by the unique
// identifier and the next free number is taken.
class RacingResourceDlg : public CTaskResourceDlg {
public:
    CString MakeNewResourceID() override {
        if (m_bRace) {
            m_bRace = false;
            CString taken = CTaskResourceDlg::MakeNewResourceID();
            m_bRaced = m_ws->WritesAtOnce(
                "INSERT INTO TeamWorkResource (WorkID, ResourceID) VALUES ('OTHER', '" + taken + "')");
            return taken;
        }
        return CTaskResourceDlg::MakeNewResourceID();
    }
    bool m_bRace = true;
    bool m_bRaced = false;
    const vqtest::DbWorkspace* m_ws = nullptr;
};

TEST_P(TaskResourceTest, IdentifierTakenByAnotherClientMeanwhileIsNotStoredTwice) {
    const CString prefix = Today() + "#ZHANGSAN#";
    vq::ScriptedUser user;
    user.Dialog("任务资源管理").Click("批量增加...").Files({fileA}).Click(IDOK);
    RacingResourceDlg dlg;
    dlg.m_ws = &*ws;
    dlg.m_strTaskNo = "W1";
    dlg.m_bWorkTask = 1;
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    // On SQLite the store's transaction keeps every other writer out while it numbers; a server
    // lets another client take the number, and the store takes the next one.
    const bool server = vqtest::DbWorkspace::OnPostgreSQL();
    EXPECT_EQ(dlg.m_bRaced, server);
    const CString ours = prefix + (server ? "0002" : "0001");
    if (server) {
        EXPECT_EQ(Query("SELECT WorkID FROM TeamWorkResource WHERE ResourceID='" + prefix + "0001'"),
                  "OTHER");
    }
    EXPECT_EQ(Query("SELECT WorkID FROM TeamWorkResource WHERE ResourceID='" + ours + "'"), "W1");
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResourcePack WHERE ResourceID='" + ours + "'"), "1");
}

TEST_P(TaskResourceTest, ProjectTaskDocumentsRefuseDuplicateDescriptionsAfterStoringTheRowsBefore) {
    const CString fileC = ws->WriteFile("in/A.TXT", "upper");
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Click("批量增加...")
        .Files({fileB, fileA, fileC})
        .Click("存储...")
        .Message("第 2 行与第 3 行存在重复的文件说明：a.txt，不能存储...", IDOK)
        // The new row's description is changed; another row's description is refused.
        .Select(CTaskResourceDlg::kListId, 2)
        .Click("文档提示...")
        .Dialog("输入字符串")
        .Set(1013, "b.dwg")
        .Click(IDOK)
        .Dialog("输入字符串")
        .Set(1013, "说明C")
        .Click(IDOK)
        .Click(IDOK);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "XM-01-01";
    dlg.m_strTaskName = "箱体结构设计";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    EXPECT_EQ(Query("SELECT count(*) FROM TaskExtDocument WHERE TaskNo='XM-01-01'"), "3");
    EXPECT_EQ(Query("SELECT FileName FROM TaskExtDocument WHERE DocType='说明C'"), "A.TXT");
    EXPECT_EQ(Query("SELECT DocSaved FROM TaskExtDocument WHERE DocType='b.dwg'"), "1");
}

TEST_P(TaskResourceTest, ADocumentAnotherClientStoredMeanwhileUnderTheDescriptionIsNotReplaced) {
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Click("批量增加...")
        .Files({fileA})
        .Do([this](CDialog&) {
            ws->Execute("INSERT INTO TaskExtDocument (TaskNo, DocType, FileName, FileType, FileBulk, "
                        "DocSaved) VALUES "
                        "('XM-01-01', 'A.TXT', 'theirs.txt', '文本文件', '1KB', '1')");
        })
        .Click(IDOK)
        .Message("文档说明：a.txt 已被其他用户存储，本次没有保存，请修改文档说明后再存储。", IDOK)
        // The row stays in the list; under another description it is stored beside theirs.
        .Select(CTaskResourceDlg::kListId, 0)
        .Click("文档提示...")
        .Dialog("输入字符串")
        .Set(1013, "我的说明")
        .Click(IDOK)
        .Click(IDOK);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "XM-01-01";
    dlg.m_strTaskName = "箱体结构设计";
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    EXPECT_EQ(Query("SELECT FileName FROM TaskExtDocument WHERE DocType='A.TXT'"), "theirs.txt");
    EXPECT_EQ(Query("SELECT FileName || DocSaved FROM TaskExtDocument WHERE DocType='我的说明'"), "a.txt1");
    EXPECT_EQ(Query("SELECT count(*) FROM TaskExtDocument"), "2");
}

TEST_P(TaskResourceTest, ProjectTaskNumberIsFoundByNameAndAStoreWithoutNumberIsRefused) {
    ws->Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath) VALUES ('P-7', '泵', '项目管理');"
                "INSERT INTO TaskExtDocument (TaskNo, DocType, FileName, FileType, FileBulk) VALUES "
                "('P-7', '说明', 'x.doc', 'Word', '3KB')");
    CString shown;
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Do([&](CDialog& d) { shown = static_cast<CTaskResourceDlg&>(d).m_list.GetItemText(0, 2); })
        .Click(IDCANCEL);
    CTaskResourceDlg dlg;
    dlg.m_strTaskName = "泵";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    EXPECT_EQ(dlg.m_strTaskNo, "P-7");
    EXPECT_EQ(shown, "3KB");

    // A work without its number: nothing is stored under an empty number.
    vq::ScriptedUser empty;
    empty.Dialog("任务资源管理")
        .Click("批量增加...")
        .Files({fileA})
        .Click(IDOK)
        .Message("无指定的任务项，不能存储外部资源...", IDOK)
        .Click(IDCANCEL)
        .Message("外部资源已发生修改，是否存储?", IDNO);
    CTaskResourceDlg work;
    work.m_bWorkTask = 1;
    EXPECT_EQ(work.DoModal(), IDCANCEL);
    EXPECT_TRUE(empty.Succeeded()) << empty.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResource"), "0");
}

TEST_P(TaskResourceTest, ContentThatCannotBeStoredLeavesNoRowsBehind) {
    const CString folder = ws->TempDir() + "/not-a-file";
    CreateDirectory(folder);
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Do([&](CDialog& d) { static_cast<CTaskResourceDlg&>(d).AddFile(folder, "目录"); })
        .Click(IDOK)
        .Message("未能正确存储文档文件...", IDOK)
        .Click(IDCANCEL);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "W1";
    dlg.m_bWorkTask = 1;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResource"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResourcePack"), "0");

    vq::ScriptedUser task;
    task.Dialog("任务资源管理")
        .Do([&](CDialog& d) { static_cast<CTaskResourceDlg&>(d).AddFile(folder, "目录"); })
        .Click(IDOK)
        .Message("未能正确存储文档文件...", IDOK)
        .Click(IDCANCEL);
    CTaskResourceDlg taskDlg;
    taskDlg.m_strTaskNo = "P-1";
    taskDlg.DoModal();
    EXPECT_TRUE(task.Succeeded()) << task.Error().c_str();
    EXPECT_EQ(Query("SELECT count(*) FROM TaskExtDocument"), "0");
}

TEST_P(TaskResourceTest, FetchedFileStaysInTheDialogsOwnFolderWhateverItsStoredName) {
    ws->Execute("INSERT INTO TeamWorkResource (WorkID, ResourceID, ResourceType, ResourceName) VALUES "
                "('W1', 'R1', '坏名字', '..\\../escape.txt')");
    ws->Execute("INSERT INTO TeamWorkResource (WorkID, ResourceID, ResourceType, ResourceName) VALUES "
                "('W1', 'R2', '无内容', 'none.txt')");
    ws->Execute("INSERT INTO TeamWorkResourcePack (ResourceID) VALUES ('R1')");
    // The content is stored through the file store, as the dialog stores it.
    {
        CVQSaveFileToDB store;
        ASSERT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResourcePack WHERE ResourceID='R1'",
                                     fileA, "DocContent", "PDM"),
                  1);
    }
    RecordingShell shell;
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Check(CTaskResourceDlg::kViewCheckId, 1)
        .Select(CTaskResourceDlg::kListId, 1)
        .Message("不能取得文档none.txt：服务器上没有该文件。", IDOK)
        .Click(IDCANCEL);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "W1";
    dlg.m_bWorkTask = 1;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(ws->CopyInCallFolder(shell.opened[0]), "TW1_..#..#escape.txt");
    EXPECT_EQ(shell.openedBytes[0], "content of a");
    EXPECT_FALSE(CFileInfo(ws->WorkDir() + "/../escape.txt").Exists());
}

// Two resource dialogs of one user (two hosts) view the same resource of a task: each fetches it
// into a folder of its own, so the copy the first opened stays as it was when the second fetches
// the content stored meanwhile, and each folder goes with its dialog.
TEST_P(TaskResourceTest, TwoDialogsViewingOneResourceEachHaveTheirOwnCopy) {
    ws->Execute("INSERT INTO TaskExtDocument (TaskNo, DocType, FileName) VALUES ('XM-01', '图纸', 'b.dwg')");
    const CString select = "SELECT DocSaved, DocContent FROM TaskExtDocument WHERE TaskNo='XM-01'";
    CVQSaveFileToDB store;
    ASSERT_EQ(store.PushFileToDB(select, fileB, "DocContent", "PDM"), 1);
    const CString newer = ws->WriteFile("in/newer.dwg", "stored meanwhile");
    RecordingShell shell;
    std::optional<CTaskResourceDlg> first(std::in_place);
    first->m_strTaskNo = "XM-01";
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Select(CTaskResourceDlg::kListId, 0)
        .Check(CTaskResourceDlg::kViewCheckId, 1)
        .Do([&](CDialog&) {
            CVQSaveFileToDB again;
            ASSERT_EQ(again.PushFileToDB(select, newer, "DocContent", "PDM"), 1);
            CTaskResourceDlg second;
            second.m_strTaskNo = "XM-01";
            second.DoModal();
        })
        .Dialog("任务资源管理")
        .Select(CTaskResourceDlg::kListId, 0)
        .Check(CTaskResourceDlg::kViewCheckId, 1)
        .Click(IDCANCEL)
        .Dialog("任务资源管理")
        .Do([&](CDialog&) {
            ASSERT_EQ(shell.opened.size(), 2u);
            EXPECT_EQ(ReadAll(shell.opened[0]), std::string("drawing\0bytes", 13));
            EXPECT_FALSE(CFileInfo(shell.opened[1]).Exists()) << "went with the second dialog";
        })
        .Click(IDCANCEL);
    first->DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    EXPECT_EQ(ReadAll(shell.opened.at(0)), std::string("drawing\0bytes", 13))
        << "the first's copy stays with it";
    first.reset();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_NE(shell.opened[0], shell.opened[1]);
    for (const CString& copy : shell.opened)
        EXPECT_EQ(ws->CopyInCallFolder(copy), "TXM-01_b.dwg");
    EXPECT_EQ(shell.openedBytes[1], "stored meanwhile");
    EXPECT_TRUE(ws->WorkDirEntries().empty());
}

TEST_P(TaskResourceTest, LargeSelectionIsTakenWhole) {
    // Far more than the 4096 characters of a name buffer.
    std::vector<CString> files;
    for (int i = 0; i < 150; ++i) {
        CString name;
        name.Format("in/many/一个相当长的外部资源文件名称_%03d.txt", i);
        files.push_back(ws->WriteFile(name, "x"));
    }
    int rows = 0;
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Click("批量增加...")
        .Files(files)
        .Do([&](CDialog& d) { rows = static_cast<CTaskResourceDlg&>(d).m_list.GetItemCount(); })
        .Click(IDCANCEL)
        .Message("外部资源已发生修改，是否存储?", IDNO);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "P-1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(rows, 150);
    EXPECT_EQ(Query("SELECT count(*) FROM TaskExtDocument"), "0");
}

TEST_P(TaskResourceTest, ReadOnlyDialogOffersNoCommandThatChangesData) {
    ws->Execute("INSERT INTO TaskExtDocument (TaskNo, DocType, FileName) VALUES ('P-1', '说明', 'x.doc')");
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Do([](CDialog& d) {
            for (int id : {CTaskResourceDlg::kBatchAddId, CTaskResourceDlg::kDeleteId,
                           CTaskResourceDlg::kDescriptionId, CTaskResourceDlg::kStoreId, static_cast<int>(IDOK)})
                EXPECT_FALSE(d.GetDlgItem(id)->IsWindowEnabled()) << id;
            EXPECT_TRUE(d.GetDlgItem(CTaskResourceDlg::kViewCheckId)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "P-1";
    dlg.m_bReadOnly = 1;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
}

// A project-task document is deleted, after "该文档已存储在服务器中，是否继续删?", as the person saw
// it: one another client replaced or deleted while the question was open stays (one box); on a
// server the row re-read is kept from other writers until the end, and a document a program that
// takes none of our locks stores under the description at that moment is seen by the last guard;
// on SQLite the deletion's lock keeps both out. A document stored in the same window is deleted.
TEST_P(TaskResourceTest, ADeletionDeletesOnlyTheDocumentThePersonSaw) {
    const bool server = vqtest::DbWorkspace::OnPostgreSQL();
    const char* mine =
        "INSERT INTO TaskExtDocument (TaskNo, DocType, FileName, FileType, FileBulk, DocSaved) "
        "VALUES ('XM-01-01', 'a.txt', 'a.txt', '文本文档', '1KB', '1')";
    const char* theirs =
        "INSERT INTO TaskExtDocument (TaskNo, DocType, FileName, FileType, FileBulk, DocSaved) "
        "VALUES ('XM-01-01', 'A.TXT', 'theirs.txt', '文本文档', '9KB', '1')";
    const CString replace = CString("DELETE FROM TaskExtDocument;") + theirs;
    const struct {
        const char* what;
        const char* whileAsked; // another client's write while the question is open
        bool atTheMoment;       // a client without our locks writes between the re-read and the delete
        const char* refusal;
        const char* mineLeft;
        const char* theirsLeft;
    } cases[] = {
        {"replaced while asked", replace.c_str(), false, "文档 a.txt 已被其他用户更换，本次没有删除。", "0",
         "1"},
        {"deleted while asked", "DELETE FROM TaskExtDocument", false, "文档 a.txt 已被其他用户删除...", "0",
         "0"},
        {"stored beside it at the moment", nullptr, true,
         server ? "文档 a.txt 已被其他用户更换，本次没有删除。" : nullptr, server ? "1" : "0",
         server ? "1" : "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ws->Execute("DELETE FROM TaskExtDocument");
        ws->Execute(mine);
        bool changed = true;
        bool added = false;
        if (c.atTheMoment)
            SetAfterRecheckHook([&] {
                changed = ws->WritesAtOnce("UPDATE TaskExtDocument SET FileName='c.txt'");
                added = ws->WritesAtOnce(theirs);
            });
        vq::ScriptedUser user;
        user.Dialog("任务资源管理").Select(CTaskResourceDlg::kListId, 0).Click("删除").Click(IDCANCEL);
        vqtest::MessageBoxRecorder boxes;
        boxes.Expect("是否删除选定文档?", IDYES);
        boxes.Expect("该文档已存储在服务器中，是否继续删?", IDYES, [&] {
            if (c.whileAsked)
                ws->Execute(c.whileAsked);
        });
        if (c.refusal)
            boxes.Expect(c.refusal);
        CTaskResourceDlg dlg;
        dlg.m_strTaskNo = "XM-01-01";
        dlg.DoModal();
        SetAfterRecheckHook(nullptr);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
        EXPECT_EQ(boxes.Pending(), 0);
        EXPECT_EQ(boxes.Texts().size(), c.refusal ? 3u : 2u);
        if (c.atTheMoment) {
            EXPECT_FALSE(changed);
            EXPECT_EQ(added, server);
        }
        EXPECT_EQ(Query("SELECT count(*) FROM TaskExtDocument WHERE FileName='a.txt'"), c.mineLeft);
        EXPECT_EQ(Query("SELECT count(*) FROM TaskExtDocument WHERE FileName='theirs.txt'"), c.theirsLeft);
    }
    // Stored in this window, then deleted in it.
    ws->Execute("DELETE FROM TaskExtDocument");
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Click("批量增加...")
        .Files({fileA})
        .Click("存储...")
        .Select(CTaskResourceDlg::kListId, 0)
        .Click("删除")
        .Message("是否删除选定文档?", IDYES)
        .Message("该文档已存储在服务器中，是否继续删?", IDYES)
        .Click(IDCANCEL);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "XM-01-01";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    EXPECT_EQ(Query("SELECT count(*) FROM TaskExtDocument"), "0");
}

// A store's last guard: a program that takes none of our locks stores a document under the
// description between the store's check and its insert. On a server the store is rolled back
// (one box, theirs alone stays); on SQLite the store's lock keeps the other out.
TEST_P(TaskResourceTest, AStoreIsRolledBackWhenADocumentCameUnderItsDescriptionAtThatMoment) {
    const bool server = vqtest::DbWorkspace::OnPostgreSQL();
    bool added = false;
    SetAfterRecheckHook([&] {
        added =
            ws->WritesAtOnce("INSERT INTO TaskExtDocument (TaskNo, DocType, FileName, FileType, FileBulk, "
                             "DocSaved) VALUES ('XM-01-01', 'A.TXT', 'theirs.txt', '文本文档', '9KB', '1')");
    });
    vq::ScriptedUser user;
    user.Dialog("任务资源管理").Click("批量增加...").Files({fileA}).Click("存储...");
    if (server)
        user.Message("文档说明：a.txt 已被其他用户存储，本次没有保存，请修改文档说明后再存储。", IDOK);
    user.Click(IDCANCEL);
    if (server)
        user.Message("外部资源已发生修改，是否存储?", IDNO);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "XM-01-01";
    dlg.DoModal();
    SetAfterRecheckHook(nullptr);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    EXPECT_EQ(added, server);
    EXPECT_EQ(Query("SELECT count(*) FROM TaskExtDocument"), "1");
    EXPECT_EQ(Query("SELECT FileName FROM TaskExtDocument"), server ? "theirs.txt" : "a.txt");
}

// A work's resource is stored under the work's lock, the lock its deletion takes, on the work read
// again: a work another client deleted while the window was open takes no resource (one box, no
// row); a program without our locks cannot delete the work between that read and the insert. A
// work the item dialog is making is not stored yet, and its resources are.
TEST_P(TaskResourceTest, AResourceIsNotStoredForAWorkDeletedMeanwhile) {
    vq::ScriptedUser user;
    user.Dialog("任务资源管理")
        .Click("批量增加...")
        .Files({fileA})
        .Do([&](CDialog&) { ws->Execute("DELETE FROM TeamWorkManage WHERE WorkID='W1'"); })
        .Click("存储...")
        .Message("该工作任务已被其他用户删除，外部资源没有保存...", IDOK)
        .Click(IDCANCEL)
        .Message("外部资源已发生修改，是否存储?", IDNO);
    CTaskResourceDlg dlg;
    dlg.m_strTaskNo = "W1";
    dlg.m_bWorkTask = 1;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str() << " remaining " << user.Remaining();
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResource"), "0");
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResourcePack"), "0");

    bool deleted = true;
    SetAfterRecheckHook(
        [&] { deleted = ws->WritesAtOnce("DELETE FROM TeamWorkManage WHERE WorkID='XM-01#001'"); });
    vq::ScriptedUser kept;
    kept.Dialog("任务资源管理").Click("批量增加...").Files({fileA}).Click(IDOK);
    CTaskResourceDlg work;
    work.m_strTaskNo = "XM-01#001";
    work.m_bWorkTask = 1;
    EXPECT_EQ(work.DoModal(), IDOK);
    SetAfterRecheckHook(nullptr);
    EXPECT_TRUE(kept.Succeeded()) << kept.Error().c_str() << " remaining " << kept.Remaining();
    EXPECT_FALSE(deleted);
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkManage WHERE WorkID='XM-01#001'"), "1");
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResource WHERE WorkID='XM-01#001'"), "1");
    EXPECT_EQ(Query("SELECT count(*) FROM TeamWorkResourcePack"), "1");

    vq::ScriptedUser making;
    making.Dialog("任务资源管理").Click("批量增加...").Files({fileB}).Click(IDOK);
    CTaskResourceDlg newWork;
    newWork.m_strTaskNo = "W2";
    newWork.m_bWorkTask = 1;
    newWork.m_bNewWork = 1;
    EXPECT_EQ(newWork.DoModal(), IDOK);
    EXPECT_TRUE(making.Succeeded()) << making.Error().c_str() << " remaining " << making.Remaining();
    EXPECT_EQ(Query("SELECT ResourceName FROM TeamWorkResource WHERE WorkID='W2'"), "b.dwg");
}

INSTANTIATE_TEST_SUITE_P(Dialects, TaskResourceTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);

} // namespace
