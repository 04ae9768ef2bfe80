// The product information picker: the class, stand and product tree, the preselected product,
// one class only, the rights restriction and what OK takes under each configuration.
#include "parts/ProductInfoSelectDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

void AddCatalogue(const vqtest::DbWorkspace& ws) {
    ws.Execute(
        "INSERT INTO ProductGroup (ProductStyle, ProductName, Manager) VALUES ('JX', '减速机类', 'mgr');"
        "INSERT INTO ProductGroup (ProductStyle, ProductName, Manager) VALUES ('BF', '泵类', '');"
        "INSERT INTO ProductStand (ProductStyle, ProductStand) VALUES ('JX', 'ZQ');"
        "INSERT INTO ProductStand (ProductStyle, ProductStand) VALUES ('jx', 'ZS');"
        "INSERT INTO ProductStand (ProductStyle, ProductStand) VALUES ('BF', 'IS');"
        "INSERT INTO ProductStand (ProductStyle, ProductStand) VALUES ('QQ', 'Orphan');"
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('P1', "
        "'减速机一', "
        "'JX', 'ZQ');"
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('P2', "
        "'减速机二', "
        "'JX', 'zs');"
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('B1', "
        "'泵::特', "
        "'BF', 'IS');"
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('P9', "
        "'无规格', "
        "'BF', 'NONE');"
        "INSERT INTO Product (ProductDwgCode, ProductName, ProductStyle, ProductStand) VALUES ('Q1', '其他', "
        "'QQ', 'Orphan');"
        "INSERT INTO ProductRight (ProductDwgCode, UserLogName, ManageType) VALUES ('B1', 'u1', '控制');"
        "INSERT INTO ProductRight (ProductDwgCode, UserLogName, ManageType) VALUES ('P1', 'u1', '浏览')");
}

// Every node as an indented line: two spaces a level.
void Dump(CTreeCtrl& tree, HTREEITEM parent, int depth, std::vector<std::string>& lines) {
    for (HTREEITEM child = tree.GetChildItem(parent); child; child = tree.GetNextSiblingItem(child)) {
        lines.push_back(std::string(static_cast<std::size_t>(depth) * 2, ' ') +
                        tree.GetItemText(child).str());
        Dump(tree, child, depth + 1, lines);
    }
}

std::vector<std::string> Dump(CTreeCtrl& tree) {
    std::vector<std::string> lines;
    Dump(tree, TVI_ROOT, 0, lines);
    return lines;
}

class ProductInfoSelectTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        AddCatalogue(*ws);
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        oldLogin = theApp.m_strLoginUser;
    }
    void TearDown() override {
        theApp.m_strLoginUser = oldLogin;
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        ws.reset();
    }
    std::optional<vqtest::DbWorkspace> ws;
    CString oldLogin;
};

} // namespace

TEST_P(ProductInfoSelectTest, TreeOfClassesStandsAndProducts) {
    CProductInfoSelectDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("选择产品信息")
        .Do([&](CDialog&) {
            // Stands and products without a class or stand node are not shown.
            EXPECT_EQ(Dump(dlg.m_tree),
                      (std::vector<std::string>{"泵类::BF", "  IS", "    泵::特::B1", "减速机类::JX", "  ZQ",
                                                "    减速机一::P1", "  ZS", "    减速机二::P2"}));
            EXPECT_EQ(dlg.m_tree.GetSelectedItem(), nullptr);
            HTREEITEM cls = dlg.m_tree.GetRootItem();
            EXPECT_TRUE(dlg.m_tree.GetItemState(cls, TVIS_EXPANDED) & TVIS_EXPANDED);
            EXPECT_EQ(dlg.m_tree.GetItemData(cls), 1u);
            EXPECT_EQ(dlg.m_tree.GetItemData(dlg.m_tree.GetChildItem(cls)), 2u);
            EXPECT_EQ(dlg.m_groupPairs.GetSize() + dlg.m_standPairs.GetSize() + dlg.m_productPairs.GetSize(),
                      0);
        })
        // No node, a class and a stand are not products.
        .Click(IDOK)
        .Message("请选择具体的产品总图号...", IDOK)
        .Tree(1001, "减速机类::JX")
        .Click(IDOK)
        .Message("请选择具体的产品总图号...", IDOK)
        .Tree(1001, "减速机类::JX/ZS")
        .Click(IDOK)
        .Message("请选择具体的产品总图号...", IDOK)
        .Tree(1001, "减速机类::JX/ZS/减速机二::P2")
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strCode, "P2");
    EXPECT_EQ(dlg.m_strName, "减速机二");
    EXPECT_EQ(dlg.m_strStand, "ZS");
    EXPECT_EQ(dlg.m_strStyle, "JX");
    EXPECT_EQ(dlg.m_strStyleName, "减速机类");
    EXPECT_EQ(dlg.m_nLevel, 2);
}

TEST_P(ProductInfoSelectTest, PreselectedProductAndNamesWithSeparator) {
    CProductInfoSelectDlg dlg;
    dlg.m_strCode = "p2";
    vq::ScriptedUser user;
    user.Dialog("选择产品信息")
        .Do([&](CDialog&) {
            EXPECT_EQ(dlg.m_tree.GetItemText(dlg.m_tree.GetSelectedItem()), "减速机二::P2");
        })
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strCode, "P2");

    // A name holding "::" is cut at the first one: such a product cannot be preselected by its code.
    CProductInfoSelectDlg cut;
    cut.m_strCode = "B1";
    vq::ScriptedUser user1;
    user1.Dialog("选择产品信息")
        .Do([&](CDialog&) { EXPECT_EQ(cut.m_tree.GetSelectedItem(), nullptr); })
        .Tree(1001, "泵类::BF/IS/泵::特::B1")
        .Click(IDOK);
    ASSERT_EQ(cut.DoModal(), IDOK);
    EXPECT_TRUE(user1.Succeeded()) << user1.Error().c_str();
    EXPECT_EQ(cut.m_strName, "泵");
    EXPECT_EQ(cut.m_strCode, "特::B1");
    EXPECT_EQ(cut.m_strStand, "IS");

    CProductInfoSelectDlg unlisted;
    unlisted.m_strCode = "P9";
    vq::ScriptedUser user2;
    user2.Dialog("选择产品信息")
        .Do([&](CDialog&) { EXPECT_EQ(unlisted.m_tree.GetSelectedItem(), nullptr); })
        .Click(IDCANCEL);
    EXPECT_EQ(unlisted.DoModal(), IDCANCEL);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(unlisted.m_strCode, "P9");
}

TEST_P(ProductInfoSelectTest, OneGivenClassNeedsNoGroupRow) {
    CProductInfoSelectDlg dlg;
    dlg.m_strStyle = "QQ";
    dlg.m_strStyleName = "其他类";
    vq::ScriptedUser user;
    user.Dialog("选择产品信息")
        .Do([&](CDialog&) {
            EXPECT_EQ(Dump(dlg.m_tree), (std::vector<std::string>{"其他类::QQ", "  Orphan", "    其他::Q1"}));
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(ProductInfoSelectTest, RightsLimitTheProductsExceptForAdmin) {
    theApp.m_strLoginUser = "u1";
    {
        CProductInfoSelectDlg dlg;
        dlg.m_nRightMode = 2;
        vq::ScriptedUser user;
        user.Dialog("选择产品信息 - [u1]控制")
            .Do([&](CDialog&) {
                EXPECT_EQ(Dump(dlg.m_tree), (std::vector<std::string>{"泵类::BF", "  IS", "    泵::特::B1",
                                                                      "减速机类::JX", "  ZQ", "  ZS"}));
            })
            .Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
    // The manager of a class controls all its products.
    theApp.m_strLoginUser = "mgr";
    {
        CProductInfoSelectDlg dlg;
        dlg.m_nRightMode = 2;
        vq::ScriptedUser user;
        user.Dialog("选择产品信息 - [mgr]控制")
            .Do([&](CDialog&) {
                EXPECT_EQ(Dump(dlg.m_tree),
                          (std::vector<std::string>{"泵类::BF", "  IS", "减速机类::JX", "  ZQ",
                                                    "    减速机一::P1", "  ZS", "    减速机二::P2"}));
            })
            .Click(IDCANCEL);
        dlg.DoModal();
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
    // "admin" in any case sees everything under the restricted caption.
    theApp.m_strLoginUser = "Admin";
    CProductInfoSelectDlg dlg;
    dlg.m_nRightMode = 2;
    vq::ScriptedUser user;
    user.Dialog("选择产品信息 - [Admin]控制")
        .Do([&](CDialog&) { EXPECT_EQ(Dump(dlg.m_tree).size(), 8u); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_nRightMode, 0);
    // Without the restriction nobody is limited.
    theApp.m_strLoginUser = "u1";
    CProductInfoSelectDlg open;
    vq::ScriptedUser user2;
    user2.Dialog("选择产品信息")
        .Do([&](CDialog&) { EXPECT_EQ(Dump(open.m_tree).size(), 8u); })
        .Click(IDCANCEL);
    open.DoModal();
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
}

TEST_P(ProductInfoSelectTest, AnyLevelTakesClassesAndStands) {
    CProductInfoSelectDlg stand;
    stand.m_bAnyLevel = 1;
    stand.m_strCode = "old";
    stand.m_strName = "old";
    vq::ScriptedUser user;
    user.Dialog("选择产品信息").Tree(1001, "减速机类::JX/ZQ").Click(IDOK);
    ASSERT_EQ(stand.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(stand.m_nLevel, 1);
    EXPECT_EQ(stand.m_strCode, "");
    EXPECT_EQ(stand.m_strName, "");
    EXPECT_EQ(stand.m_strStand, "ZQ");
    EXPECT_EQ(stand.m_strStyle, "JX");
    EXPECT_EQ(stand.m_strStyleName, "减速机类");

    CProductInfoSelectDlg cls;
    cls.m_bAnyLevel = 1;
    cls.m_strStand = "old";
    vq::ScriptedUser user2;
    user2.Dialog("选择产品信息").Tree(1001, "泵类::BF").Click(IDOK);
    ASSERT_EQ(cls.DoModal(), IDOK);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(cls.m_nLevel, 0);
    EXPECT_EQ(cls.m_strStand, "");
    EXPECT_EQ(cls.m_strStyle, "BF");
    EXPECT_EQ(cls.m_strStyleName, "泵类");
}

TEST_P(ProductInfoSelectTest, StandAloneKeepsTheEntryProductAndBrowseOnlyTakesNothing) {
    CProductInfoSelectDlg dlg;
    dlg.m_bNeedProduct = 0;
    dlg.m_strCode = "entry";
    vq::ScriptedUser user;
    user.Dialog("选择产品信息")
        .Click(IDOK)
        .Message("请选择具体的产品规格...", IDOK)
        .Tree(1001, "泵类::BF")
        .Click(IDOK)
        .Message("请选择具体的产品规格...", IDOK)
        .Tree(1001, "泵类::BF/IS")
        .Click(IDOK);
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_nLevel, 1);
    EXPECT_EQ(dlg.m_strStand, "IS");
    EXPECT_EQ(dlg.m_strStyle, "BF");
    EXPECT_EQ(dlg.m_strCode, "entry");

    CProductInfoSelectDlg browse;
    browse.m_bBrowseOnly = 1;
    browse.m_strCode = "P1";
    vq::ScriptedUser user2;
    user2.Dialog("选择产品信息").Tree(1001, "减速机类::JX/ZS/减速机二::P2").Click(IDOK);
    ASSERT_EQ(browse.DoModal(), IDOK);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(browse.m_strCode, "P1");
    EXPECT_EQ(browse.m_strStand, "");
}

TEST_P(ProductInfoSelectTest, DeeperNodesUnderLooserConfigurations) {
    // A stand is asked for and a product is chosen: taken as the product with its stand and class.
    CProductInfoSelectDlg stand;
    stand.m_bNeedProduct = 0;
    vq::ScriptedUser user;
    user.Dialog("选择产品信息").Tree(1001, "减速机类::JX/ZQ/减速机一::P1").Click(IDOK);
    ASSERT_EQ(stand.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(stand.m_nLevel, 2);
    EXPECT_EQ(stand.m_strCode, "P1");
    EXPECT_EQ(stand.m_strStand, "ZQ");
    EXPECT_EQ(stand.m_strStyle, "JX");

    // Nothing asked for: the class of whatever node is chosen.
    CProductInfoSelectDlg any;
    any.m_bNeedProduct = 0;
    any.m_bNeedStand = 0;
    vq::ScriptedUser user2;
    user2.Dialog("选择产品信息").Tree(1001, "泵类::BF/IS/泵::特::B1").Click(IDOK);
    ASSERT_EQ(any.DoModal(), IDOK);
    EXPECT_TRUE(user2.Succeeded()) << user2.Error().c_str();
    EXPECT_EQ(any.m_nLevel, 2);
    EXPECT_EQ(any.m_strStyle, "BF");
    EXPECT_EQ(any.m_strStyleName, "泵类");
    EXPECT_EQ(any.m_strCode, "");
}

TEST_P(ProductInfoSelectTest, ExpandOpensEveryNodeBelowTheSelection) {
    CProductInfoSelectDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("选择产品信息")
        .Tree(1001, "减速机类::JX")
        .Click(1206)
        .Do([&](CDialog&) {
            HTREEITEM jx = dlg.m_tree.GetSelectedItem();
            for (HTREEITEM s = dlg.m_tree.GetChildItem(jx); s; s = dlg.m_tree.GetNextSiblingItem(s))
                EXPECT_TRUE(dlg.m_tree.GetItemState(s, TVIS_EXPANDED) & TVIS_EXPANDED);
            HTREEITEM is = dlg.m_tree.FindPath("泵类::BF/IS");
            EXPECT_FALSE(dlg.m_tree.GetItemState(is, TVIS_EXPANDED) & TVIS_EXPANDED);
        })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

INSTANTIATE_TEST_SUITE_P(Dialects, ProductInfoSelectTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
