// The multi-part picker: the product's structure loaded a level at a time (or as a flat list),
// locating by drawing number, expanding everything with its cycle check, and the list of chosen
// parts with what OK returns.
#include "parts/MultiPartSelectDlg.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

const char* const kTop = "所有产品结构信息...";
const char* const kProductPath = "所有产品结构信息.../减速机 [P1]";

// Product P1: B (item 1) and A (item 2) below it, X without a title row; A holds ABC, B holds C,
// and C holds B again (a cycle). AB has a title row but lies in no structure.
void AddStructure(const vqtest::DbWorkspace& ws) {
    ws.Execute(
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('P1', "
        "'减速机', "
        "'JX', 'ZQ');"
        "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, Tother1) VALUES ('P1', '减速机', 'P1', "
        "'');"
        "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, Tother1) VALUES ('B', '部件B', 'P1', "
        "'');"
        "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, Tother1) VALUES ('ABC', '零件ABC', "
        "'P1', '');"
        "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, Tother1) VALUES ('a', '部件A', 'P1', "
        "'');"
        "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, Tother1) VALUES ('C', '零件C', 'P1', "
        "'');"
        "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, Tother1) VALUES ('AB', '零件AB', 'P1', "
        "'');"
        "INSERT INTO VqkorvelAll_title (TCode, TName, ProductDwgCode, Tother1) VALUES ('Q9', '别的', 'P2', "
        "'');"
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname) VALUES ('P1', 2, 'A', '部件A');"
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname) VALUES ('P1', 1, 'B', '部件B');"
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname) VALUES ('P1', 3, 'X', '无标题');"
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname) VALUES ('A', 1, 'ABC', '零件ABC');"
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname) VALUES ('B', 1, 'C', '零件C');"
        "INSERT INTO VqkorvelAll_detail (UpCode, Ditem, Dcode, Dname) VALUES ('C', 1, 'b', '部件B')");
}

std::vector<std::string> Children(CTreeCtrl& tree, HTREEITEM parent) {
    std::vector<std::string> texts;
    for (HTREEITEM child = tree.GetChildItem(parent); child; child = tree.GetNextSiblingItem(child))
        texts.push_back(tree.GetItemText(child).str());
    return texts;
}

std::vector<std::string> Strings(const CStringArray& a) {
    std::vector<std::string> v;
    for (const CString& s : a)
        v.push_back(s.str());
    return v;
}

// The rows of the chosen list, each "number|code|name|flag".
std::vector<std::string> Rows(CListCtrl& list) {
    std::vector<std::string> rows;
    for (int r = 0; r < list.GetItemCount(); ++r)
        rows.push_back((list.GetItemText(r, 0) + "|" + list.GetItemText(r, 1) + "|" + list.GetItemText(r, 2) +
                        "|" + list.GetItemText(r, 3))
                           .str());
    return rows;
}

class MultiPartSelectTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        AddStructure(*ws);
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        ws.reset();
    }
    // Shows product P1 without going through the product picker.
    static void LoadP1(CMultiPartSelectDlg& dlg) {
        dlg.m_strProductCode = "P1";
        dlg.m_strLoadedProduct = "P1";
        dlg.UpdateData(FALSE);
        dlg.LoadProductTree();
    }
    std::optional<vqtest::DbWorkspace> ws;
};

} // namespace

TEST_P(MultiPartSelectTest, OkBeforeAnyProductAsksForAPart) {
    CMultiPartSelectDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("多选零部件")
        .Do([&](CDialog&) {
            EXPECT_EQ(Children(dlg.m_tree, TVI_ROOT), (std::vector<std::string>{"请先选择产品..."}));
            EXPECT_FALSE(dlg.GetDlgItem(1008)->IsWindowEnabled());
        })
        .Click(IDOK)
        .Message("请选择零部件!", IDOK)
        .Click(1142)
        .Message("请选择零部件!", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(MultiPartSelectTest, PickedProductShowsItsLinesAndLoadsLevelsOnSelection) {
    ws->WriteSetting("选择产品", "按产品大类", "0");
    CMultiPartSelectDlg dlg;
    HTREEITEM productNode = nullptr;
    vq::ScriptedUser user;
    user.Dialog("多选零部件")
        .Click(1056)
        .DialogContaining("选择产品 ")
        .Select(1003, "P1")
        .Click(1236)
        .Dialog("多选零部件")
        .Do([&](CDialog&) {
            EXPECT_EQ(dlg.m_strProductCode, "P1");
            EXPECT_EQ(Children(dlg.m_tree, TVI_ROOT), (std::vector<std::string>{kTop}));
            productNode = dlg.m_tree.GetChildItem(dlg.m_tree.GetRootItem());
            // Ordered by item number; the line without a title row is left out.
            EXPECT_EQ(Children(dlg.m_tree, productNode),
                      (std::vector<std::string>{"部件B [B]", "部件A [A]"}));
        })
        // Picking the same product again keeps the tree (a loaded level stays).
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件A [A]")
        .Click(1056)
        .DialogContaining("选择产品 ")
        .Select(1003, "P1")
        .Click(1236)
        .Dialog("多选零部件")
        .Do([&](CDialog&) {
            HTREEITEM a = dlg.m_tree.FindPath("所有产品结构信息.../减速机 [P1]/部件A [A]");
            ASSERT_NE(a, nullptr);
            EXPECT_EQ(Children(dlg.m_tree, a), (std::vector<std::string>{"零件ABC [ABC]"}));
            EXPECT_EQ(dlg.m_tree.GetChildItem(dlg.m_tree.GetRootItem()), productNode);
        })
        // Selecting a node that already has children loads nothing more.
        .Tree(1051, kProductPath)
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件A [A]")
        .Do([&](CDialog&) {
            HTREEITEM a = dlg.m_tree.FindPath("所有产品结构信息.../减速机 [P1]/部件A [A]");
            EXPECT_EQ(Children(dlg.m_tree, a).size(), 1u);
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(MultiPartSelectTest, FlatListShowsEveryPartOfTheProductByCode) {
    ws->WriteSetting("VQPDM功能配置", "结构树方式", "1");
    CMultiPartSelectDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("多选零部件")
        .Do([&](CDialog&) {
            EXPECT_EQ(dlg.m_nTreeMode, 1);
            LoadP1(dlg);
            HTREEITEM product = dlg.m_tree.FindPath(kProductPath);
            ASSERT_NE(product, nullptr);
            // Lower case before upper case of the same letter; not the product itself.
            EXPECT_EQ(Children(dlg.m_tree, product),
                      (std::vector<std::string>{"部件A [a]", "零件AB [AB]", "零件ABC [ABC]", "部件B [B]",
                                                "零件C [C]"}));
        })
        // A flat-list node loads its bill-of-materials lines when selected.
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件B [B]")
        .Do([&](CDialog&) {
            HTREEITEM b = dlg.m_tree.FindPath("所有产品结构信息.../减速机 [P1]/部件B [B]");
            EXPECT_EQ(Children(dlg.m_tree, b), (std::vector<std::string>{"零件C [C]"}));
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(MultiPartSelectTest, LocateMatchesWholeCodesUnlessFuzzy) {
    CMultiPartSelectDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("多选零部件")
        .Do([&](CDialog&) { LoadP1(dlg); })
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件A [A]")
        .Tree(1051, kTop)
        .Set(1076, "ab")
        .Click(1185)
        .Do([&](CDialog&) { EXPECT_EQ(dlg.m_tree.GetItemText(dlg.m_tree.GetSelectedItem()), kTop); })
        .Check(1177, 1)
        .Click(1185)
        .Do([&](CDialog&) {
            EXPECT_EQ(dlg.m_tree.GetItemText(dlg.m_tree.GetSelectedItem()), "零件ABC [ABC]");
        })
        // The search runs below the selected node only.
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件B [B]")
        .Set(1076, "A")
        .Check(1177, 0)
        .Click(1185)
        .Do([&](CDialog&) { EXPECT_EQ(dlg.m_tree.GetItemText(dlg.m_tree.GetSelectedItem()), "部件B [B]"); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(MultiPartSelectTest, ExpandAllStopsAtACycle) {
    CMultiPartSelectDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("多选零部件")
        .Do([&](CDialog&) { LoadP1(dlg); })
        .RightClick(1051, kProductPath)
        .Menu(2)
        .Message("全部自动展开选定节点下的所有产品结构树，时间可能较长，是否等待?", IDYES)
        .Message("图号: b 在: P1||B||C|| 处出现循环，请检查设计图纸...", IDOK)
        .Message("自动展开选定节点下的产品结构树完毕...", IDOK)
        .Do([&](CDialog&) {
            HTREEITEM c = dlg.m_tree.FindPath("所有产品结构信息.../减速机 [P1]/部件B [B]/零件C [C]");
            ASSERT_NE(c, nullptr);
            EXPECT_EQ(Children(dlg.m_tree, c), (std::vector<std::string>{"部件B [b]"}));
            EXPECT_TRUE(Children(dlg.m_tree, dlg.m_tree.GetChildItem(c)).empty());
            EXPECT_NE(dlg.m_tree.FindPath("所有产品结构信息.../减速机 [P1]/部件A [A]/零件ABC [ABC]"),
                      nullptr);
        })
        // Declining keeps the tree as it is.
        .RightClick(1051, "所有产品结构信息.../减速机 [P1]/部件A [A]")
        .Menu(2)
        .Message("全部自动展开选定节点下的所有产品结构树，时间可能较长，是否等待?", IDNO)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(MultiPartSelectTest, ChosenListAddsOnceAndRenumbersAfterRemoval) {
    CMultiPartSelectDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("多选零部件")
        .Do([&](CDialog&) { LoadP1(dlg); })
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件B [B]")
        .Click(1142)
        .Do([&](CDialog&) { EXPECT_TRUE(dlg.GetDlgItem(1008)->IsWindowEnabled()); })
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件B [B]/零件C [C]")
        .Click(1142)
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件A [A]")
        .Click(1142)
        .Tree(1051, kProductPath)
        .Click(1142)
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件B [B]/零件C [C]/部件B [b]")
        .Click(1142)
        .Message("该零部件已被选入...", IDOK)
        .Do([&](CDialog&) {
            EXPECT_EQ(Rows(dlg.m_list),
                      (std::vector<std::string>{"1|B|部件B|", "2|C|零件C|", "3|A|部件A|", "4|P1|减速机|"}));
            dlg.m_list.SetItemState(-1, 0, LVIS_SELECTED);
            dlg.m_list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
            dlg.m_list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
        })
        .Click(1008)
        .Do([&](CDialog&) {
            EXPECT_EQ(Rows(dlg.m_list), (std::vector<std::string>{"1|C|零件C|", "2|P1|减速机|"}));
            EXPECT_TRUE(dlg.GetDlgItem(1008)->IsWindowEnabled());
            dlg.m_list.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
        })
        .Click(1008)
        .Do([&](CDialog&) {
            EXPECT_EQ(dlg.m_list.GetItemCount(), 0);
            EXPECT_FALSE(dlg.GetDlgItem(1008)->IsWindowEnabled());
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(MultiPartSelectTest, OkReturnsTheChosenRowsOrTheSelectedNode) {
    {
        CMultiPartSelectDlg dlg;
        vq::ScriptedUser user;
        user.Dialog("多选零部件")
            .Do([&](CDialog&) { LoadP1(dlg); })
            .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件A [A]")
            .Click(IDOK);
        ASSERT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        EXPECT_EQ(Strings(dlg.m_arrSelCode), (std::vector<std::string>{"A"}));
        EXPECT_EQ(Strings(dlg.m_arrSelName), (std::vector<std::string>{"部件A"}));
        EXPECT_EQ(Strings(dlg.m_arrSelFlag), (std::vector<std::string>{""}));
        EXPECT_EQ(dlg.m_strResultProduct, "P1");
        EXPECT_EQ(ReadSetting("选择产品", "按产品大类", "x"), "0");
    }
    CMultiPartSelectDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("多选零部件")
        .Do([&](CDialog&) { LoadP1(dlg); })
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件A [A]")
        .Click(1142)
        .Tree(1051, "所有产品结构信息.../减速机 [P1]/部件B [B]")
        .Click(1142)
        .Check(1009, 1)
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Strings(dlg.m_arrSelCode), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(Strings(dlg.m_arrSelName), (std::vector<std::string>{"部件A", "部件B"}));
    EXPECT_EQ(dlg.m_strSelCode, "B");
    EXPECT_EQ(ReadSetting("选择产品", "按产品大类", "x"), "1");

    // The stored choice of picker comes back, whatever the opener preset.
    CMultiPartSelectDlg again;
    again.m_bFuzzy = 1;
    again.m_bByProductClass = 2;
    vq::ScriptedUser user2;
    user2.Dialog("多选零部件").Click(IDCANCEL);
    again.DoModal();
    EXPECT_EQ(again.m_bByProductClass, 1);
    EXPECT_EQ(again.m_bFuzzy, 1);
}

TEST(MultiPartSelectText, CodeAndNameOfNodeTexts) {
    EXPECT_EQ(CMultiPartSelectDlg::CodeOfText("轴 [Z-1]"), "Z-1");
    EXPECT_EQ(CMultiPartSelectDlg::NameOfText("轴 [Z-1]"), "轴");
    // The first " [" starts the number; the last character closes it.
    EXPECT_EQ(CMultiPartSelectDlg::CodeOfText("轴 [a] [Z-1]"), "a] [Z-1");
    EXPECT_EQ(CMultiPartSelectDlg::NameOfText("轴 [a] [Z-1]"), "轴");
    EXPECT_EQ(CMultiPartSelectDlg::CodeOfText("请先选择产品..."), "");
    EXPECT_EQ(CMultiPartSelectDlg::CodeOfText("轴 ["), "");
}

INSTANTIATE_TEST_SUITE_P(Dialects, MultiPartSelectTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
