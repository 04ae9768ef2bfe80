// The work-group document manager in both dialects: the tree of a project task and of a work task
// group, the documents of the root, of a branch and of a part, parts loaded from the product
// structures when first selected, part trees wider than the part stack and with a cycle, the
// placeholder root, browsing with its log row, the properties and the entry function.
#include "teamwork/TeamGroupFileManageDlg.h"
#include "core/EntryFrame.h"
#include "core/VqDesignTaskApp.h"
#include "platform/com/DocViewer.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

extern "C" int TeamGorupFileManageMain(CString taskNo, int byWorkId, CString login);

namespace {

using D = CTeamGroupFileManageDlg;
using Texts = std::vector<std::string>;
constexpr char kCaption[] = "工作组文档管理";
constexpr char kRoot[] = "项目：项目甲[P1] 下的任务：任务一[T1]...";

void WalkTree(CTreeCtrl& tree, HTREEITEM item, int depth, Texts& out) {
    for (HTREEITEM child = tree.GetChildItem(item); child; child = tree.GetNextSiblingItem(child)) {
        out.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + tree.GetItemText(child).str());
        WalkTree(tree, child, depth + 1, out);
    }
}

Texts TreeTexts(CDialog& d) {
    Texts out;
    WalkTree(*dynamic_cast<CTreeCtrl*>(d.GetDlgItem(D::kTreeId)), TVI_ROOT, 0, out);
    return out;
}

// Each row as "work id / file name / part code / manager".
Texts ListRows(CDialog& d) {
    auto* list = dynamic_cast<CListCtrl*>(d.GetDlgItem(D::kListId));
    Texts rows;
    for (int row = 0; row < list->GetItemCount(); ++row)
        rows.push_back((list->GetItemText(row, 0) + " " + list->GetItemText(row, 1) + " " +
                        list->GetItemText(row, 2) + " " + list->GetItemText(row, 7) + " " + list->GetItemText(row, 8))
                           .str());
    return rows;
}

// Records each path it opens and, in `bytes` when given, what the file held then (the copies go
// with the dialog).
class RecordingViewer : public vq::DocumentViewer {
public:
    explicit RecordingViewer(std::vector<CString>& opened, std::vector<std::string>* bytes = nullptr)
        : m_opened(opened), m_bytes(bytes) {}
    bool OpenFile(const CString& path) override {
        m_opened.push_back(path);
        if (m_bytes) {
            std::ifstream in(path.str(), std::ios::binary);
            m_bytes->emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return true;
    }
    void SetViewCacheMode(bool) override {}
    void ResetViewCache() override {}
    void SetCachedFileName(const CString&) override {}

private:
    std::vector<CString>& m_opened;
    std::vector<std::string>* m_bytes;
};

class GroupFileManageTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.Execute("INSERT INTO ProjectManage (ProjectNo, ProjectName, ProjectPath, ProjectManager, TaskType) VALUES "
                   "('P1', '项目甲', '项目管理', 'zhangsan', 'V'), ('T1', '任务一', '项目甲\\', 'zhangsan', 'T'),"
                   "('T2', '任务二', '项目甲\\', 'lisi', 'T')");
        ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType) VALUES "
                   "('T1', 'T1', 'T1#001', 'zhangsan', '工作组', 'V'),"
                   "('T1', 'T1#001', 'T1#001#001', 'wangwu', '子工作', 'w'),"
                   "('T1', 'T1', 'T1#002', 'lisi', '工作二', 'W'),"
                   "('T2', 'T2', 'T2#001', 'zhaoliu', '他任务工作', 'W')");
        ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES "
                   "('T1#002', 'T1#002', 'A', '部件A'), ('T1#002', 'A', 'A1', '零件A1'),"
                   "('T1#002', 'A', 'A2', '零件A2'), ('T1#002', 'A2', 'A21', '零件A21'),"
                   "('T1#001#001', 'T1#001#001', 'B', '部件B')");
        ws.Execute("INSERT INTO TeamWorkResult (FileID, WorkID, FilePrompt, FileName, FileType, State, PartCode) "
                   "VALUES ('F1', 'T1#001', '组文档', 'g.doc', 'Word', '正式', ''),"
                   "('F2', 'T1#001#001', '子文档', 'b.dwg', 'AutoCAD', '评审', 'B'),"
                   "('F3', 'T1#002', '二文档', 'a1.dwg', 'AutoCAD', '正式', 'A1'),"
                   "('F4', 'T2#001', '他文档', 'x.dwg', 'AutoCAD', '正式', 'A1')");
        ASSERT_TRUE(frame.IsOpen());
        theApp.m_nDatabaseType = GetParam();
    }

    vqtest::DbWorkspace ws{GetParam()};
    CEntryFrame frame{"zhangsan"};
};

TEST_P(GroupFileManageTest, TreeShowsWorksWithTheirPartsBeforeTheirSubWorks) {
    ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES "
               "('T1#001', 'T1#001', 'G', '组部件')");
    // Parents are found without regard to case: a part row and a work row that name theirs in
    // lower case.
    ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES ('T1#002', 'a1', 'A11', "
               "'零件A11')");
    ws.Execute("INSERT INTO TeamWorkManage (TaskNo, UpWorkID, WorkID, Manager, WorkName, WorkType) VALUES "
               "('T1', 't1#002', 'T1#002#001', 'lisi', '小写工作', 'W')");
    Texts tree, rows;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([&](CDialog& d) {
            tree = TreeTexts(d);
            rows = ListRows(d);
        })
        .Click("退出");
    CTeamGroupFileManageDlg dlg;
    dlg.TaskNo = "T1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (Texts{kRoot, "  工作组 [T1#001]", "    组部件 [G]", "    子工作 [T1#001#001]",
                           "      部件B [B]", "  工作二 [T1#002]", "    部件A [A]", "      零件A1 [A1]",
                           "        零件A11 [A11]", "      零件A2 [A2]", "        零件A21 [A21]",
                           "    小写工作 [T1#002#001]"}));
    // The root lists the documents of every work task of the project task, with their managers.
    EXPECT_EQ(rows, (Texts{"1 T1#001 组文档  zhangsan", "2 T1#001#001 子文档 B wangwu", "3 T1#002 二文档 A1 lisi"}));
}

TEST_P(GroupFileManageTest, BranchesAndPartsListTheirDocuments) {
    ws.Execute("INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('A1-1', '标准件'), ('A1-2', '外购件')");
    ws.Execute("INSERT INTO VqkorvelAll_detail (UpCode, Dcode, Dname) VALUES ('A1', 'A1-2', '外购件'),"
               "('A1', 'A1-1', '标准件'), ('A1', 'A1-9', '无标题')");
    Texts group, part, loaded;
    int partImage = -1;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Tree(D::kTreeId, CString(kRoot) + "/工作组 [T1#001]")
        .Do([&](CDialog& d) { group = ListRows(d); })
        .Tree(D::kTreeId, CString(kRoot) + "/工作二 [T1#002]/部件A [A]/零件A1 [A1]")
        .Do([&](CDialog& d) {
            part = ListRows(d);
            Texts all = TreeTexts(d);
            loaded.assign(all.begin() + 7, all.begin() + 9);
            auto* tree = dynamic_cast<CTreeCtrl*>(d.GetDlgItem(D::kTreeId));
            int selected = 0;
            tree->GetItemImage(tree->GetSelectedItem(), partImage, selected);
        })
        .Click("退出");
    CTeamGroupFileManageDlg dlg;
    dlg.TaskNo = "T1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(group, (Texts{"1 T1#001 组文档  zhangsan", "2 T1#001#001 子文档 B wangwu"}));
    // A part lists its documents in whatever work task they are.
    EXPECT_EQ(part, (Texts{"1 T1#002 二文档 A1 lisi", "2 T2#001 他文档 A1 zhaoliu"}));
    // Its children come from the archive structure, only those with a title row.
    EXPECT_EQ(loaded, (Texts{"        标准件 [A1-1]", "        外购件 [A1-2]"}));
    EXPECT_EQ(partImage, 16);
}

TEST_P(GroupFileManageTest, AWorkTaskGroupShowsItsSubWorksAndListsItsOwnDocumentsAtTheRoot) {
    Texts tree, rows;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([&](CDialog& d) {
            tree = TreeTexts(d);
            rows = ListRows(d);
        })
        .Click("退出");
    CTeamGroupFileManageDlg dlg;
    dlg.TaskNo = "T1#001";
    dlg.ByWorkID = 1;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (Texts{"项目：项目甲[P1] 下的任务：任务一[T1#001]...", "  子工作 [T1#001#001]", "    部件B [B]"}));
    EXPECT_EQ(rows, (Texts{"1 T1#001 组文档  zhangsan", "2 T1#001#001 子文档 B wangwu"}));
}

TEST_P(GroupFileManageTest, WithoutATaskOnlyThePlaceholderShows) {
    Texts tree;
    vq::ScriptedUser user;
    user.Message("无法获取下级工作组任务信息...", IDOK)
        .Dialog(kCaption)
        .Do([&](CDialog& d) { tree = TreeTexts(d); })
        .Click("浏览...") // no row: nothing happens
        .Click("文档属性...")
        .Click("退出");
    CTeamGroupFileManageDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(tree, (Texts{"请选择指定的工作组任务..."}));
}

TEST_P(GroupFileManageTest, WidePartTreesKeepEverySubtreeAndACycleEnds) {
    // 1,510 parts side by side, each with one child: more entries wait on the stack than it holds.
    ws.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1510) "
               "INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) "
               "SELECT 'T2#001', 'T2#001', 'S' || i, 'N' FROM n");
    ws.Execute("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1510) "
               "INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) "
               "SELECT 'T2#001', 'S' || i, 'C' || i, 'M' FROM n");
    // A cycle: A21 names A as its child again.
    ws.Execute("INSERT INTO TeamWorkPartTree (WorkID, UpCode, DCode, DName) VALUES ('T1#002', 'A21', 'A', '部件A')");
    std::size_t wide = 0;
    bool first = false, last = false;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Do([&](CDialog& d) {
            Texts tree = TreeTexts(d);
            wide = tree.size();
            first = std::find(tree.begin(), tree.end(), "      M [C1]") != tree.end();
            last = std::find(tree.begin(), tree.end(), "      M [C1510]") != tree.end();
        })
        .Click("退出");
    CTeamGroupFileManageDlg dlg;
    dlg.TaskNo = "T2";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(wide, 1u + 1u + 2u * 1510u);
    EXPECT_TRUE(first);
    EXPECT_TRUE(last);

    Texts cyclic;
    vq::ScriptedUser again;
    again.Dialog(kCaption).Do([&](CDialog& d) { cyclic = TreeTexts(d); }).Click("退出");
    CTeamGroupFileManageDlg second;
    second.TaskNo = "T1";
    second.DoModal();
    EXPECT_TRUE(again.Succeeded()) << again.Error().c_str();
    ASSERT_EQ(cyclic.size(), 10u);
    EXPECT_EQ(cyclic[9], "          部件A [A]"); // shown once below A21, not followed again
}

TEST_P(GroupFileManageTest, BrowsingFetchesOpensAndLogsTheDocument) {
    // A stored name with a folder in it is fetched under a plain name in the temporary folder.
    ws.Execute("UPDATE TeamWorkResult SET FileName='dir\\a1.dwg' WHERE FileID='F3'");
    ws.Execute("INSERT INTO TeamWorkResultPack (FileID, DocSaved) VALUES ('F3', '')");
    const CString source = ws.WriteFile("in/a1.dwg", "drawing");
    CVQSaveFileToDB store;
    ASSERT_EQ(store.PushFileToDB("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='F3'", source,
                                 "DocContent", "PDM"),
              1);
    std::vector<CString> opened;
    std::vector<std::string> bytes;
    vq::SetDocumentViewerFactory([&opened, &bytes](const CString&) -> std::unique_ptr<vq::DocumentViewer> {
        return std::make_unique<RecordingViewer>(opened, &bytes);
    });
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .Tree(D::kTreeId, CString(kRoot) + "/工作二 [T1#002]")
        .DoubleClick(D::kListId, 0)
        .Select(D::kListId, 0)
        .Click("文档属性...")
        .Dialog("工作文档属性")
        .Click("退出")
        .Tree(D::kTreeId, CString(kRoot) + "/工作组 [T1#001]")
        .Select(D::kListId, 0)
        .Click("浏览...")
        .Message("不能取得文档g.doc：服务器上没有该文件。", IDOK)
        .Click("退出");
    {
        CTeamGroupFileManageDlg dlg;
        dlg.TaskNo = "T1";
        dlg.DoModal();
    }
    vq::SetDocumentViewerFactory(nullptr);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(ws.CopyInCallFolder(opened[0]), "TF3_dir#a1.dwg");
    EXPECT_EQ(bytes[0], "drawing");
    EXPECT_TRUE(ws.WorkDirEntries().empty()) << "the copy went with the dialog";
    EXPECT_EQ(ws.QueryText("SELECT LogPrompt FROM TeamWorkLog WHERE LogTopic='浏览文档' AND LogID='F3' AND "
                           "LogPrompt LIKE '直接%'"),
              "直接浏览工作文档：二文档[F3]");
}

TEST_P(GroupFileManageTest, RightClickExpandsTheWholeSubtree) {
    bool expanded = false;
    vq::ScriptedUser user;
    user.Dialog(kCaption)
        .RightClick(D::kTreeId, CString(kRoot) + "/工作二 [T1#002]")
        .Menu("展开(&E)")
        .Do([&](CDialog& d) {
            auto* tree = dynamic_cast<CTreeCtrl*>(d.GetDlgItem(D::kTreeId));
            HTREEITEM work = tree->GetNextSiblingItem(tree->GetChildItem(tree->GetRootItem()));
            HTREEITEM a = tree->GetChildItem(work);
            HTREEITEM a2 = tree->GetNextSiblingItem(tree->GetChildItem(a));
            expanded = (tree->GetItemState(a, TVIS_EXPANDED) & TVIS_EXPANDED) &&
                       (tree->GetItemState(a2, TVIS_EXPANDED) & TVIS_EXPANDED);
            EXPECT_EQ(ListRows(d), (Texts{"1 T1#002 二文档 A1 lisi"}));
        })
        .Click("退出");
    CTeamGroupFileManageDlg dlg;
    dlg.TaskNo = "T1";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(expanded);
}

TEST_P(GroupFileManageTest, EntryFunctionShowsTheDialogAndNeedsTheDatabase) {
    vq::ScriptedUser user;
    user.Dialog(kCaption).Click("退出");
    EXPECT_EQ(TeamGorupFileManageMain("T1", 0, "lisi"), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ws.ClearConfig();
    vqtest::MessageBoxRecorder rec;
    rec.Expect("");
    EXPECT_EQ(TeamGorupFileManageMain("T1", 0, "lisi"), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, GroupFileManageTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);

} // namespace
