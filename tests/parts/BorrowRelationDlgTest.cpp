// The borrowing relation browser: the tree of the borrowing register, which commands each node
// allows, releasing one borrowing or all those below a node (refused on a level another client
// stored meanwhile), and the query list.
#include "parts/BorrowRelationDlg.h"
#include "core/VqDesignTaskApp.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

// U1 holds K1 and K'2; U2 holds K3 and U3, which itself holds K4.
void AddBorrowings(const vqtest::DbWorkspace& ws) {
    ws.Execute("INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K1', 'S1', "
               "'U1', 'PA');"
               "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K''2', "
               "'S2', 'U1', 'PA');"
               "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K1', 'S1', "
               "'U9', 'PZ');"
               "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K3', 'S3', "
               "'U2', 'PB');"
               "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('U3', 'S4', "
               "'U2', 'PB');"
               "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K4', 'S5', "
               "'U3', 'PB')");
}

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

class BorrowRelationTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ws.emplace(GetParam());
        AddBorrowings(*ws);
        theApp.m_pConnPDM = ws->Connect();
        theApp.m_nDatabaseType = GetParam();
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = 0;
        ws.reset();
    }
    CString Count(const char* where) const {
        return ws->QueryText(CString("SELECT COUNT(*) FROM BorrowingRelation WHERE ") + where);
    }
    std::optional<vqtest::DbWorkspace> ws;
};

// Whether "属性" and "解除借用" are enabled.
std::pair<bool, bool> Buttons(CDialog& d) {
    return {d.GetDlgItem(1029)->IsWindowEnabled() != 0, d.GetDlgItem(1091)->IsWindowEnabled() != 0};
}

} // namespace

TEST_P(BorrowRelationTest, TreeAndTheCommandsEachNodeAllows) {
    CBorrowRelationDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("借用关系浏览")
        .Do([&](CDialog& d) {
            EXPECT_EQ(Dump(dlg.m_tree),
                      (std::vector<std::string>{"借用关系", "  U1", "    K'2", "    K1", "  U2", "    K3",
                                                "    U3", "      K4", "  U9", "    K1"}));
            EXPECT_EQ(Buttons(d), std::make_pair(false, false));
        })
        .Tree(1205, "借用关系")
        .Do([&](CDialog& d) { EXPECT_EQ(Buttons(d), std::make_pair(false, false)); })
        .Tree(1205, "借用关系/U1")
        .Do([&](CDialog& d) { EXPECT_EQ(Buttons(d), std::make_pair(true, false)); })
        .Tree(1205, "借用关系/U1/K1")
        .Do([&](CDialog& d) { EXPECT_EQ(Buttons(d), std::make_pair(true, true)); })
        .Tree(1205, "借用关系/U2/U3")
        .Do([&](CDialog& d) { EXPECT_EQ(Buttons(d), std::make_pair(true, false)); })
        // A parent node carries no record.
        .Tree(1205, "借用关系/U2")
        .Click(1029)
        .Message("请选择借用图号!", IDOK)
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(BorrowRelationTest, PropertiesOpenTheDrawingDetailOfTheRow) {
    CBorrowRelationDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("借用关系浏览")
        .Tree(1205, "借用关系/U1/K1")
        .Click(1029)
        .Dialog("图纸的详细信息")
        .Click(IDCANCEL)
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(BorrowRelationTest, ReleasingOneBorrowingDeletesItsRow) {
    CBorrowRelationDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("借用关系浏览")
        .Tree(1205, "借用关系/U1/K1")
        .Click(1091)
        .Message("是否真的要解除借用关系?", IDNO)
        .Do([&](CDialog&) { EXPECT_EQ(Count("Code='K1'"), "2"); })
        .Click(1091)
        .Message("是否真的要解除借用关系?", IDYES)
        .Do([&](CDialog&) {
            // Only the row of this product goes.
            EXPECT_EQ(Count("Code='K1'"), "1");
            EXPECT_EQ(Count("Code='K1' AND ProductCode='PZ'"), "1");
            EXPECT_EQ(dlg.m_tree.GetItemText(dlg.m_tree.GetSelectedItem()), "U1");
            EXPECT_EQ(dlg.m_tree.FindPath("借用关系/U1/K1"), nullptr);
        })
        // A code with a quote is matched as written.
        .Tree(1205, "借用关系/U1/K'2")
        .Click(1091)
        .Message("是否真的要解除借用关系?", IDYES)
        .Do([&](CDialog&) { EXPECT_EQ(Count("UpCode='U1'"), "0"); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(BorrowRelationTest, ReleasingAllBelowANodeOneLevelAtATime) {
    CBorrowRelationDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("借用关系浏览")
        // A leaf offers no menu.
        .RightClick(1205, "借用关系/U1/K1")
        // A node with a grandchild refuses.
        .RightClick(1205, "借用关系/U2")
        .Menu(1)
        .Message("是否真的要解除所有借用关系?", IDYES)
        .Message("存在多层的借用关系，先需逐层进行解除...", IDOK)
        .Do([&](CDialog&) { EXPECT_EQ(Count("UpCode='U2'"), "2"); })
        .RightClick(1205, "借用关系/U1")
        .Menu(1)
        .Message("是否真的要解除所有借用关系?", IDNO)
        .Do([&](CDialog&) { EXPECT_EQ(Count("UpCode='U1'"), "2"); })
        .RightClick(1205, "借用关系/U1")
        .Menu(1)
        .Message("是否真的要解除所有借用关系?", IDYES)
        .Do([&](CDialog&) {
            EXPECT_EQ(Count("UpCode='U1'"), "0");
            EXPECT_EQ(Count("1=1"), "4");
            HTREEITEM u1 = dlg.m_tree.FindPath("借用关系/U1");
            ASSERT_NE(u1, nullptr);
            EXPECT_EQ(dlg.m_tree.GetChildItem(u1), nullptr);
        })
        // Level by level: U3's borrowings first, then U2's.
        .RightClick(1205, "借用关系/U2/U3")
        .Menu(1)
        .Message("是否真的要解除所有借用关系?", IDYES)
        .RightClick(1205, "借用关系/U2")
        .Menu(1)
        .Message("是否真的要解除所有借用关系?", IDYES)
        .Do([&](CDialog&) { EXPECT_EQ(Count("1=1"), "1"); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

// A borrowing that another client stores below one of the parts while "解除所有借用" is asked
// about makes two levels: judged on the stored rows after the answer, nothing is released.
TEST_P(BorrowRelationTest, ALevelStoredWhileAskedRefusesReleasingAll) {
    CBorrowRelationDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("借用关系浏览")
        .RightClick(1205, "借用关系/U1")
        .Menu(1)
        .Message("是否真的要解除所有借用关系?", IDYES)
        .Do([&](CDialog&) { EXPECT_EQ(Count("UpCode='U1'"), "2"); })
        .Click(IDCANCEL);
    vqtest::MessageBoxRecorder boxes;
    boxes.WhenShown("是否真的要解除所有借用关系?", [this] {
        ws->Execute(
            "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K5', 'S6', "
            "'K1', 'PA')");
    });
    boxes.Expect("存在多层的借用关系，先需逐层进行解除...");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Count("1=1"), "7");
}

// The same for one borrowing: a part below which another client stored a borrowing while "解除借用"
// was asked keeps its borrowing (of either product) and its node, and one box says why; once the
// lower level is released, the part can be released.
TEST_P(BorrowRelationTest, ALevelStoredWhileAskedRefusesReleasingOne) {
    CBorrowRelationDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("借用关系浏览")
        .Tree(1205, "借用关系/U1/K1")
        .Click(1091)
        .Message("是否真的要解除借用关系?", IDYES)
        .Do([&](CDialog& d) {
            EXPECT_EQ(Count("Code='K1'"), "2");
            EXPECT_NE(dlg.m_tree.FindPath("借用关系/U1/K1"), nullptr);
            EXPECT_EQ(dlg.m_tree.GetItemText(dlg.m_tree.GetSelectedItem()), "K1");
            EXPECT_EQ(Buttons(d), std::make_pair(true, true));
        })
        .Do([&](CDialog&) { ws->Execute("DELETE FROM BorrowingRelation WHERE UpCode='K1'"); })
        .Click(1091)
        .Message("是否真的要解除借用关系?", IDYES)
        .Do([&](CDialog&) {
            EXPECT_EQ(Count("Code='K1'"), "1");
            EXPECT_EQ(dlg.m_tree.FindPath("借用关系/U1/K1"), nullptr);
        })
        .Click(IDCANCEL);
    vqtest::MessageBoxRecorder boxes;
    boxes.WhenShown("是否真的要解除借用关系?", [this] {
        ws->Execute(
            "INSERT INTO BorrowingRelation (Code, BorrowedCode, UpCode, ProductCode) VALUES ('K5', 'S6', "
            "'K1', 'PA')");
    });
    boxes.Expect("存在多层的借用关系，先需逐层进行解除...");
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(boxes.Pending(), 0);
    EXPECT_EQ(Count("1=1"), "5");
}

TEST_P(BorrowRelationTest, QueryListJumpsToTheTreeNode) {
    CBorrowRelationDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("借用关系浏览")
        .Set(1076, "k")
        .Click(IDOK) // "查询"
        .Do([&](CDialog&) {
            EXPECT_EQ(dlg.m_listQuery.GetCount(), 5);
            EXPECT_EQ(dlg.m_nFoundCount, 5);
        })
        // Without the link a choice leaves the tree alone.
        .Select(1237, 3)
        .Do([&](CDialog&) { EXPECT_EQ(dlg.m_tree.GetSelectedItem(), nullptr); })
        .Check(1007, 1)
        .Do([&](CDialog&) { EXPECT_EQ(dlg.m_tree.GetItemText(dlg.m_tree.GetSelectedItem()), "K4"); })
        .Select(1237, 0)
        .Do([&](CDialog&) {
            HTREEITEM selected = dlg.m_tree.GetSelectedItem();
            EXPECT_EQ(dlg.m_tree.GetItemText(selected), "K'2");
        })
        .Click(IDCANCEL);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST_P(BorrowRelationTest, AFailingDeleteKeepsTheTree) {
    if (vqtest::DbWorkspace::OnPostgreSQL())
        GTEST_SKIP() << "the refusing trigger is written for SQLite";
    ws->Connect()->Execute("CREATE TRIGGER refuse_delete BEFORE DELETE ON BorrowingRelation BEGIN SELECT "
                           "RAISE(ABORT, 'refused'); END");
    CBorrowRelationDlg dlg;
    vq::ScriptedUser user;
    user.Dialog("借用关系浏览")
        .Tree(1205, "借用关系/U1/K1")
        .Click(1091)
        .Message("是否真的要解除借用关系?", IDYES)
        .AnyMessage(IDOK)
        .AnyMessage(IDOK)
        .Do([&](CDialog&) { EXPECT_NE(dlg.m_tree.FindPath("借用关系/U1/K1"), nullptr); })
        .Click(IDCANCEL);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Count("1=1"), "6");
}

INSTANTIATE_TEST_SUITE_P(Dialects, BorrowRelationTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
