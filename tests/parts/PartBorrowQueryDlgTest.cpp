// The where-used query: the upward tree and the table of direct parents, standard parts, cycles,
// parts listed twice, the count, header sorting, the part pickers and both text exports, which
// are compared byte for byte with the expected files.
#include "parts/PartBorrowQueryDlg.h"
#include "controls/ProgressWnd.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string ReadBytes(const CString& path) {
    std::ifstream in(path.str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

CString ExpectedFile(const char* name) {
    return CString(VQ_SOURCE_DIR) + "/tests/parts/data/" + name;
}

class RecordingShell : public vq::ShellOpener {
public:
    RecordingShell() { m_old = vq::SetShellOpener(this); }
    ~RecordingShell() override { vq::SetShellOpener(m_old); }
    bool OpenFile(const CString& path) override {
        opened.push_back(path);
        return true;
    }
    bool StartProgram(const CString&, const std::vector<CString>&) override { return true; }
    std::vector<CString> opened;

private:
    vq::ShellOpener* m_old = nullptr;
};

class PartBorrowQueryTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_nAdoCloseMode = 0;
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        ws.reset();
    }
    void Line(const char* up, const char* upName, const char* code, const char* product = "") {
        CString sql;
        sql.Format("INSERT INTO VqkorvelAll_detail (UpCode, UpName, Dcode, ProductDwgCode) VALUES ('%s', "
                   "'%s', '%s', "
                   "'%s')",
                   SqlQuote(up), SqlQuote(upName), SqlQuote(code), SqlQuote(product));
        ws->Execute(sql);
    }
    // A in B (first) and C (last); B in D.
    void SampleStructure() {
        ws->Execute("INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode) VALUES ('A', '轴', 'P-9')");
        Line("B", "部件B", "A", "P-1");
        Line("C", "部件C", "A", "P-2");
        Line("D", "总成D", "B", "P-1");
    }

    // Node texts of the tree in pre-order, each indented by two spaces per level.
    static std::vector<std::string> TreeLines(CPartBorrowQueryDlg& dlg) {
        std::vector<std::string> lines;
        std::function<void(CTreeCursor, int)> walk = [&](CTreeCursor n, int depth) {
            for (; n.m_item; n = n.GetNext()) {
                lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') + n.GetText().str());
                walk(n.GetChild(), depth + 1);
            }
        };
        walk(dlg.m_tree.GetRootItem(), 0);
        return lines;
    }

    std::optional<vqtest::DbWorkspace> ws;
};

using Lines = std::vector<std::string>;

} // namespace

TEST_P(PartBorrowQueryTest, TheTreeClimbsToTheTopAssembliesAndCountsTheLeaves) {
    SampleStructure();
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询 : 原设计产品[P-9]")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_EQ(TreeLines(dlg), (Lines{"轴 [A]", "  部件B [B]", "    总成D [D]", "  部件C [C]"}));
            CString count;
            d.GetDlgItemText(1252, count);
            EXPECT_EQ(count, "共2处");
            EXPECT_EQ(dlg.m_tree.GetSelectedItem(), dlg.m_startNode);
            EXPECT_TRUE(dlg.m_tree.GetItemState(dlg.m_startNode, TVIS_EXPANDED) & TVIS_EXPANDED);
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = " A ";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, TheTableListsOnlyTheDirectParents) {
    SampleStructure();
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询 : 原设计产品[P-9]")
        .Check(1393, 1)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_TRUE(dlg.m_list.IsWindowVisible());
            EXPECT_FALSE(dlg.m_tree.IsWindowVisible());
            ASSERT_EQ(dlg.m_list.GetItemCount(), 2);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 0), "B");
            EXPECT_EQ(dlg.m_list.GetItemText(0, 1), "部件B");
            EXPECT_EQ(dlg.m_list.GetItemText(1, 2), "P-2");
            CString count;
            d.GetDlgItemText(1252, count);
            EXPECT_EQ(count, "共2处");
        })
        .Check(1392, 1)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_TRUE(dlg.m_tree.IsWindowVisible());
            EXPECT_FALSE(dlg.m_list.IsWindowVisible());
            EXPECT_EQ(dlg.m_tree.GetCount(), 4u);
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "A";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, AnUnusedPartShowsItsNodeAloneAndCountsNothing) {
    ws->Execute("INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('LONE', '孤件')");
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_EQ(TreeLines(dlg), (Lines{"孤件 [LONE]"}));
            CString count;
            d.GetDlgItemText(1252, count);
            EXPECT_EQ(count, "共0处");
        })
        .Check(1393, 1)
        .Do([](CDialog& d) {
            EXPECT_EQ(static_cast<CPartBorrowQueryDlg&>(d).m_list.GetItemCount(), 0);
            CString count;
            d.GetDlgItemText(1252, count);
            EXPECT_EQ(count, "共0处");
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "LONE";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, StandardPartsAreNotClimbedButTheirTableIsListed) {
    Line("B", "部件B", "GB-93");
    Line("C", "部件C", "GB-93");
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeLines(static_cast<CPartBorrowQueryDlg&>(d)), (Lines{" [GB-93]"}));
        })
        .Check(1393, 1)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<CPartBorrowQueryDlg&>(d).m_list.GetItemCount(), 2); })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "GB-93";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, ACycleIsReportedOnceAndEndsItsBranch) {
    ws->Execute("INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('A', '甲')");
    Line("B", "乙", "A");
    Line("A", "甲", "B");
    Line("E", "戊", "B");
    vq::ScriptedUser user;
    user.Message("图号: A 在: A||B|| 处出现循环，请检查设计图纸...", IDOK)
        .Dialog("零部件借用性查询")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_EQ(TreeLines(dlg), (Lines{"甲 [A]", "  乙 [B]", "    甲 [A]", "    戊 [E]"}));
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "A";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, APartListedTwiceInOneAssemblyGivesTwoNodesAndRows) {
    Line("B", "乙", "X");
    Line("B", "乙", "X");
    Line("TOP", "顶", "B");
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询")
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeLines(static_cast<CPartBorrowQueryDlg&>(d)),
                      (Lines{" [X]", "  乙 [B]", "    顶 [TOP]", "  乙 [B]", "    顶 [TOP]"}));
            CString count;
            d.GetDlgItemText(1252, count);
            EXPECT_EQ(count, "共2处");
        })
        .Check(1393, 1)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<CPartBorrowQueryDlg&>(d).m_list.GetItemCount(), 2); })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "X";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, AnEmptyCodeRunsNothingAndQuotesAreSearchedAsText) {
    Line("B'1", "引'号", "O'Brien");
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询")
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<CPartBorrowQueryDlg&>(d).m_tree.GetCount(), 0u); })
        .Click(1244)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<CPartBorrowQueryDlg&>(d).m_tree.GetCount(), 0u); })
        .Set(1022, "O'Brien")
        .Click(1244)
        .Do([](CDialog& d) {
            EXPECT_EQ(TreeLines(static_cast<CPartBorrowQueryDlg&>(d)),
                      (Lines{" [O'Brien]", "  引'号 [B'1]"}));
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, HeaderClicksSortAscendingThenDescendingAndMoveTheArrow) {
    Line("b2", "乙", "X", "P3");
    Line("A1", "丙", "X", "P1");
    Line("C3", "甲", "X", "P2");
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询")
        .Check(1393, 1)
        .Column(1395, 0)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 0), "A1");
            EXPECT_EQ(dlg.m_list.GetItemText(1, 0), "b2") << "without regard to case";
            EXPECT_EQ(dlg.m_list.m_header.GetColumnImage(0), 0);
        })
        .Column(1395, 0)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 0), "C3");
            EXPECT_EQ(dlg.m_list.m_header.GetColumnImage(0), 1);
        })
        .Column(1395, 2)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_EQ(dlg.m_list.GetItemText(0, 2), "P1");
            EXPECT_EQ(dlg.m_list.m_header.GetColumnImage(0), -1);
            EXPECT_EQ(dlg.m_list.m_header.GetColumnImage(2), 0);
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "X";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, BothExportsMatchTheExpectedFilesByteForByte) {
    SampleStructure();
    RecordingShell shell;
    const CString treePath = ws->TempDir() + "/tree.txt";
    const CString tablePath = ws->TempDir() + "/table.txt";
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询 : 原设计产品[P-9]")
        .Click(1211)
        .File(treePath, 1)
        .Message("存储完毕，是否打开该文件?", IDYES)
        .Check(1393, 1)
        .Click(1211)
        .File(tablePath, 1)
        .Message("存储完毕，是否打开该文件?", IDNO)
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "A";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ReadBytes(treePath), ReadBytes(ExpectedFile("where-used-tree.txt")));
    EXPECT_EQ(ReadBytes(tablePath), ReadBytes(ExpectedFile("where-used-table.txt")));
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0], treePath);
}

TEST_P(PartBorrowQueryTest, ExportsRefuseOtherExtensionsAndUnwritablePaths) {
    SampleStructure();
    const CString csv = ws->TempDir() + "/tree.csv";
    const CString unwritable = ws->TempDir() + "/no/such/folder/tree.txt";
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询 : 原设计产品[P-9]")
        .Click(1211)
        .File(csv, 1)
        .Message("该文件必须是TXT类型的文本文件!", IDOK)
        .Click(1211)
        .File(unwritable, 1)
        .Message("不能打开文件 " + unwritable, IDOK)
        .Click(1211)
        .File("", 1)
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "A";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(ReadBytes(csv).empty());
}

TEST_P(PartBorrowQueryTest, ExpandAllOpensEveryNodeBelowTheSelection) {
    SampleStructure();
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询 : 原设计产品[P-9]")
        .Click(1206)
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            CTreeCursor b = dlg.m_startNode.GetChild();
            EXPECT_TRUE(dlg.m_tree.GetItemState(b, TVIS_EXPANDED) & TVIS_EXPANDED);
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "A";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, TheSearchPickerSetsTheCodeAndAsksBeforeQuerying) {
    SampleStructure();
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询")
        .Check(1177, 1)
        .Click(1056)
        .Dialog("选择零部件")
        .Set(1038, "A")
        .Click(1244)
        .Select(1051, 0)
        .Click(IDOK)
        .Message("是否开始借用性查询?", IDYES)
        .Dialog("零部件借用性查询 : 原设计产品[P-9]")
        .Do([](CDialog& d) {
            CString code;
            d.GetDlgItemText(1022, code);
            EXPECT_EQ(code, "A");
            EXPECT_EQ(static_cast<CPartBorrowQueryDlg&>(d).m_tree.GetCount(), 4u);
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, TheBrowsePickerCancelledChangesNothing) {
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询")
        .Set(1022, "KEEP")
        .Click(1056)
        .Dialog("浏览零部件")
        .Click(IDCANCEL)
        .Dialog("零部件借用性查询")
        .Do([](CDialog& d) {
            CString code;
            d.GetDlgItemText(1022, code);
            EXPECT_EQ(code, "KEEP");
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(PartBorrowQueryTest, AFailingParentLookupShowsTheErrorAndTheStatementAndKeepsTheStartNode) {
    ws->Execute("INSERT INTO VqkorvelAll_title (TCode, TName) VALUES ('A', '轴');"
                "DROP TABLE VqkorvelAll_detail");
    vq::ScriptedUser user;
    user.AnyMessage(IDOK)
        .Message("执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n"
                 "SELECT UpCode, UpName FROM VqkorvelAll_detail WHERE DCode='A'",
                 IDOK)
        .Dialog("零部件借用性查询")
        .Do([](CDialog& d) { EXPECT_EQ(TreeLines(static_cast<CPartBorrowQueryDlg&>(d)), (Lines{"轴 [A]"})); })
        .Check(1393, 1)
        .AnyMessage(IDOK)
        .Do([](CDialog& d) { EXPECT_EQ(static_cast<CPartBorrowQueryDlg&>(d).m_list.GetItemCount(), 0); })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "A";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// Ten levels where every part is used by two assemblies: the tree doubles at each level, every
// shared assembly shown under each use, read by levels however often a code is shown.
void DeepStructure(vqtest::DbWorkspace& ws, int levels) {
    CString script;
    for (int depth = 0; depth < levels; ++depth)
        for (int k = 0; k < 2; ++k)
            for (int u = 0; u < 2; ++u)
                script.AppendFormat(
                    "INSERT INTO VqkorvelAll_detail (UpCode, UpName, Dcode) VALUES ('D%d-%d', "
                    "'件%d', 'D%d-%d');",
                    depth + 1, u, depth + 1, depth, k);
    ws.Execute(script);
}

TEST_P(PartBorrowQueryTest, ADeepSharedStructureShowsEveryUseAndCountsItsTopAssemblies) {
    DeepStructure(*ws, 10);
    vq::ScriptedUser user;
    user.Dialog("零部件借用性查询")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_EQ(dlg.m_tree.GetCount(), 2047u);
            CString count;
            d.GetDlgItemText(1252, count);
            EXPECT_EQ(count, "共1024处");
            EXPECT_FALSE(dlg.m_bCancelled);
            EXPECT_EQ(dlg.m_pProgress, nullptr);
            const Lines lines = TreeLines(dlg);
            EXPECT_EQ(lines[1], "  件1 [D1-0]");
            EXPECT_EQ(lines[2], "    件2 [D2-0]");
            EXPECT_EQ(lines.back(), std::string(20, ' ') + "件10 [D10-1]");
        })
        .Click(IDCANCEL);
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = "D0-0";
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// The progress window's cancel button stops the tree where it is: the nodes shown so far stay,
// the count says the query was stopped, and no further cycle is reported.
TEST_P(PartBorrowQueryTest, CancellingTheProgressStopsTheTreeWhereItIs) {
    DeepStructure(*ws, 10);
    // The top assembly of the first branch climbed is used by the part itself: a cycle on every
    // way up, reported first on the first branch.
    Line("D0-0", "零件", "D10-1");
    vq::ScriptedUser user;
    CPartBorrowQueryDlg dlg;
    int cycles = 0;
    auto previous = vq::SetMessageBoxPresenter([&](const vq::MessageBoxRequest& request) {
        EXPECT_NE(request.text.Find("处出现循环"), -1) << request.text.c_str();
        ++cycles;
        if (dlg.m_pProgress)
            dlg.m_pProgress->m_cancelButton.Click();
        return IDOK;
    });
    user.Dialog("零部件借用性查询")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CPartBorrowQueryDlg&>(d);
            EXPECT_TRUE(dlg.m_bCancelled);
            EXPECT_GT(dlg.m_tree.GetCount(), 10u);
            EXPECT_LT(dlg.m_tree.GetCount(), 1000u);
            CString count;
            d.GetDlgItemText(1252, count);
            EXPECT_NE(count.Find("（查询已中止）"), -1) << count.c_str();
        })
        .Click(IDCANCEL);
    dlg.m_strPartCode = "D0-0";
    dlg.DoModal();
    vq::SetMessageBoxPresenter(std::move(previous));
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(cycles, 1);
}

INSTANTIATE_TEST_SUITE_P(Dialects, PartBorrowQueryTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
