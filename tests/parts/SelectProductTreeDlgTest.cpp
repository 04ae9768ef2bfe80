// The product classification tree: the classes an account may see, stands under the first
// matching class, nested groups and products, the display types, single and multiple choice,
// preselection and a loop in the classification table.
#include "parts/SelectProductTreeDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class SelectProductTreeTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
        theApp.m_strLoginUser = "admin";
        ws->Execute(
            "INSERT INTO ProductGroup (ProductStyle, ProductName, Description, Manager, UpperManager) VALUES "
            "('JX', '减速机类', '减速机', 'mgr1', 'up1');"
            "INSERT INTO ProductGroup (ProductStyle, ProductName, Description, Manager) VALUES ('BF', "
            "'泵类', '泵', "
            "'mgr2');"
            "INSERT INTO ProductGroup (ProductStyle, ProductName, Description) VALUES ('ZZ', '其他', '其他');"
            "INSERT INTO ProductDesigner (ProductStyle, UserName) VALUES ('ZZ', 'des1');"
            "INSERT INTO ProductStand VALUES ('JX', 'ZQ-250');"
            "INSERT INTO ProductStand VALUES ('JX', 'ZQ-350');"
            "INSERT INTO ProductStand VALUES ('BF', 'IS-80');"
            "INSERT INTO ProductGroupTree VALUES ('JX', 'ZQ-250', 'ZQ-250', '_S', 'G1', '一组', '_G');"
            "INSERT INTO ProductGroupTree VALUES ('JX', 'ZQ-250', 'G1', '_G', 'P-1000', '减速机A', '_P');"
            "INSERT INTO ProductGroupTree VALUES ('JX', 'ZQ-250', 'G1', '_G', 'P-1001', '减速机B', '_P');"
            "INSERT INTO ProductGroupTree VALUES ('JX', 'ZQ-250', 'zq-250', '_S', 'P-2000', '减速机C', '_P');"
            "INSERT INTO ProductGroupTree VALUES ('JX', 'ZQ-250', 'NOPE', '_G', 'P-9', '孤儿', '_P');"
            "INSERT INTO ProductGroupTree VALUES ('BF', 'IS-80', 'IS-80', '_S', 'B-1', '泵A', '_P')");
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        theApp.m_strLoginUser = "admin";
        ws.reset();
    }

    static std::vector<std::string> TreeLines(CSelectProductTreeDlg& dlg) {
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

    // The node texts shown to the given account.
    std::vector<std::string> Shown(const CString& login) {
        theApp.m_strLoginUser = login;
        std::vector<std::string> lines;
        vq::ScriptedUser user;
        user.Dialog("选择产品信息")
            .Do([&](CDialog& d) { lines = TreeLines(static_cast<CSelectProductTreeDlg&>(d)); })
            .Click(IDCANCEL);
        CSelectProductTreeDlg dlg;
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
        return lines;
    }

    std::optional<vqtest::DbWorkspace> ws;
};

using Lines = std::vector<std::string>;

} // namespace

TEST_P(SelectProductTreeTest, AdminSeesEveryClassWithItsStandsGroupsAndProducts) {
    EXPECT_EQ(Shown("ADMIN"), (Lines{"所有产品大类信息...", "  泵", "    IS-80", "      泵A", "  减速机",
                                     "    ZQ-250", "      G1", "        减速机A", "        减速机B",
                                     "      减速机C", "    ZQ-350", "  其他"}));
}

TEST_P(SelectProductTreeTest, OtherAccountsSeeTheClassesTheyManageOverseeOrDesign) {
    EXPECT_EQ(Shown("mgr1").size(), 8u);
    EXPECT_EQ(Shown("up1")[1], "  减速机");
    EXPECT_EQ(Shown("des1"), (Lines{"所有产品大类信息...", "  其他"}));
    EXPECT_EQ(Shown("nobody"), (Lines{"所有产品大类信息..."}));
    EXPECT_EQ(Shown("x' OR '1'='1"), (Lines{"所有产品大类信息..."}));
}

TEST_P(SelectProductTreeTest, TheDisplayTypeChoosesNamesNumbersOrBoth) {
    ws->WriteSetting("产品数据区", "显示类型", "1");
    EXPECT_EQ(Shown("admin")[3], "      B-1");
    ws->WriteSetting("产品数据区", "显示类型", "2");
    EXPECT_EQ(Shown("admin")[3], "      泵A [B-1]");
    EXPECT_EQ(Shown("admin")[6], "      G1") << "groups always show their number";
}

TEST_P(SelectProductTreeTest, SingleChoiceNeedsAProductAndReturnsItsClassAndStand) {
    vq::ScriptedUser user;
    user.Dialog("选择产品信息")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Tree(1001, "所有产品大类信息.../减速机/ZQ-250/G1")
        .Do([](CDialog& d) { EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Tree(1001, "所有产品大类信息.../减速机/ZQ-250/G1/减速机B")
        .Do([](CDialog& d) { EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled()); })
        .Click(IDOK);
    CSelectProductTreeDlg dlg;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strCode, "P-1001");
    EXPECT_EQ(dlg.m_strName, "减速机B");
    EXPECT_EQ(dlg.m_strStyle, "JX");
    EXPECT_EQ(dlg.m_strStand, "ZQ-250");
}

TEST_P(SelectProductTreeTest, ThePreselectedProductOpensSelected) {
    vq::ScriptedUser user;
    user.Dialog("选择产品信息")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CSelectProductTreeDlg&>(d);
            EXPECT_EQ(dlg.m_tree.GetSelectedItem().GetText(), "减速机C");
            EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowEnabled());
        })
        .Click(IDOK);
    CSelectProductTreeDlg dlg;
    dlg.m_strCode = "p-2000";
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(dlg.m_strCode, "P-2000");
    EXPECT_EQ(dlg.m_strStand, "ZQ-250");
}

TEST_P(SelectProductTreeTest, MultipleChoiceCollectsEveryProductBelowTheNodeOnce) {
    ws->Execute(
        "INSERT INTO ProductGroupTree VALUES ('JX', 'ZQ-250', 'zq-250', '_S', 'p-1000', '重复', '_P')");
    vq::ScriptedUser user;
    user.Dialog("选择产品信息")
        .Tree(1001, "所有产品大类信息.../其他")
        .Click(IDOK)
        .Message("无产品信息，请重新选择...", IDOK)
        .Tree(1001, "所有产品大类信息.../减速机/ZQ-250")
        .Click(IDOK);
    CSelectProductTreeDlg dlg;
    dlg.m_bMultiSelect = TRUE;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    std::vector<std::string> codes;
    for (const CString& c : dlg.m_arrCodes)
        codes.push_back(c.str());
    EXPECT_EQ(codes, (std::vector<std::string>{"P-1000", "P-1001", "P-2000"}));
    EXPECT_EQ(dlg.m_arrNames[0], "减速机A");
    EXPECT_EQ(dlg.m_strStyle, "JX");
    EXPECT_EQ(dlg.m_strStand, "ZQ-250");
}

TEST_P(SelectProductTreeTest, ALoopInTheClassificationEndsItsBranch) {
    ws->Execute("INSERT INTO ProductGroupTree VALUES ('JX', 'ZQ-350', 'ZQ-350', '_S', 'L1', '环1', '_G');"
                "INSERT INTO ProductGroupTree VALUES ('JX', 'ZQ-350', 'L1', '_G', 'L2', '环2', '_G');"
                "INSERT INTO ProductGroupTree VALUES ('JX', 'ZQ-350', 'L2', '_G', 'L1', '环1', '_G')");
    Lines lines = Shown("admin");
    auto at = std::find(lines.begin(), lines.end(), "    ZQ-350");
    ASSERT_NE(at, lines.end());
    EXPECT_EQ(Lines(at, at + 4), (Lines{"    ZQ-350", "      L1", "        L2", "          L1"}));
    EXPECT_EQ(at + 4, lines.end() - 1);
}

INSTANTIATE_TEST_SUITE_P(Dialects, SelectProductTreeTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
