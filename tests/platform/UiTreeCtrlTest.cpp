// Trees: navigation, sibling order through insertions and deletions anywhere in a level, steps
// between shown rows, selection notifications (and refusing them), deleting the selected branch,
// items filled in when first expanded, hit tests, check boxes, label edits.
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/TreeCtrl.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int kTree = 3001;

const vq::DialogTemplate kTreeTemplate{
    "结构",
    {vq::Tree(kTree, vq::kNoLayoutFlags, TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_CHECKBOXES),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

class CTreeHost : public CDialog {
public:
    CTreeHost() : CDialog(kTreeTemplate, nullptr) {}
    std::vector<CString> m_selections; // new item text of each TVN_SELCHANGED ("" for none)
    std::vector<UINT> m_actions;
    int m_expandings = 0;
    bool m_refuseSelection = false;
    bool m_acceptLabels = true;
    CString m_chosen;

    CTreeCtrl* Tree() { return static_cast<CTreeCtrl*>(GetDlgItem(kTree)); }

protected:
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        // Children of "产品A [P1]" are filled in when it is first opened, as lazy trees do.
        HTREEITEM root =
            Tree()->InsertItem(TVIF_TEXT | TVIF_PARAM, "产品A [P1]", 0, 0, 0, 0, 1, TVI_ROOT, TVI_LAST);
        TVITEM item;
        item.mask = TVIF_CHILDREN | TVIF_HANDLE;
        item.hItem = root;
        item.cChildren = 1;
        Tree()->SetItem(&item);
        Tree()->InsertItem("产品B [P2]");
        return TRUE;
    }

    void OnSelChanging(NMHDR*, LRESULT* result) { *result = m_refuseSelection ? TRUE : FALSE; }
    void OnSelChanged(NMHDR* header, LRESULT*) {
        auto* nm = reinterpret_cast<NMTREEVIEW*>(header);
        m_selections.push_back(nm->itemNew.hItem ? Tree()->GetItemText(nm->itemNew.hItem) : CString());
        m_actions.push_back(nm->action);
    }
    void OnExpanding(NMHDR* header, LRESULT* result) {
        auto* nm = reinterpret_cast<NMTREEVIEW*>(header);
        ++m_expandings;
        HTREEITEM item = nm->itemNew.hItem;
        if (nm->action == TVE_EXPAND && !Tree()->GetChildItem(item)) {
            HTREEITEM part = Tree()->InsertItem("部件B [B2]", item);
            Tree()->InsertItem("零件C [C3]", part);
            Tree()->InsertItem("部件D [D4]", item);
        }
        *result = 0;
    }
    void OnEndLabel(NMHDR* header, LRESULT* result) {
        auto* info = reinterpret_cast<NMTVDISPINFO*>(header);
        *result = m_acceptLabels && info->item.pszText && info->item.pszText[0] ? TRUE : FALSE;
    }
    void OnDblClk(NMHDR*, LRESULT* result) {
        HTREEITEM item = Tree()->GetSelectedItem();
        m_chosen = item ? Tree()->GetItemText(item) : CString();
        *result = 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTreeHost, CDialog)
ON_NOTIFY(TVN_SELCHANGING, kTree, &CTreeHost::OnSelChanging)
ON_NOTIFY(TVN_SELCHANGED, kTree, &CTreeHost::OnSelChanged)
ON_NOTIFY(TVN_ITEMEXPANDING, kTree, &CTreeHost::OnExpanding)
ON_NOTIFY(TVN_ENDLABELEDIT, kTree, &CTreeHost::OnEndLabel)
ON_NOTIFY(NM_DBLCLK, kTree, &CTreeHost::OnDblClk)
END_MESSAGE_MAP()

class UiTreeCtrlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Create(kTreeTemplate));
        tree = host.Tree();
        root = tree->GetRootItem();
        ASSERT_TRUE(tree->UserExpand(root, true));
        part = tree->FindPath("产品A [P1]/部件B [B2]");
        ASSERT_NE(part, nullptr);
    }
    void TearDown() override { host.DestroyWindow(); }

    vq::ScriptedUser user; // the view while the windows live: no widgets, no layout
    CTreeHost host;
    CTreeCtrl* tree = nullptr;
    HTREEITEM root = nullptr;
    HTREEITEM part = nullptr;
};

TEST_F(UiTreeCtrlTest, NavigationByParentChildAndSibling) {
    EXPECT_EQ(tree->GetItemText(root), "产品A [P1]");
    EXPECT_EQ(tree->GetChildItem(root), part);
    HTREEITEM second = tree->GetNextSiblingItem(part);
    EXPECT_EQ(tree->GetItemText(second), "部件D [D4]");
    EXPECT_EQ(tree->GetNextSiblingItem(second), nullptr);
    EXPECT_EQ(tree->GetPrevSiblingItem(second), part);
    EXPECT_EQ(tree->GetParentItem(part), root);
    EXPECT_EQ(tree->GetParentItem(root), nullptr);
    EXPECT_EQ(tree->GetItemText(tree->GetNextItem(root, TVGN_NEXT)), "产品B [P2]");
    EXPECT_EQ(tree->GetItemData(root), 1u);
    EXPECT_EQ(tree->GetCount(), 5u);
    // Visible order: the collapsed "部件B" hides its child.
    std::vector<CString> visible;
    for (HTREEITEM item : tree->VisibleItems())
        visible.push_back(tree->GetItemText(item));
    EXPECT_EQ(visible, (std::vector<CString>{"产品A [P1]", "部件B [B2]", "部件D [D4]", "产品B [P2]"}));
    EXPECT_EQ(tree->GetNextVisibleItem(second), tree->GetNextSiblingItem(root));
}

// The texts of the children of an item, walked forward; the walk back from the last one must
// give the same order.
std::vector<CString> Children(CTreeCtrl& tree, HTREEITEM parent) {
    std::vector<CString> forward, backward;
    HTREEITEM last = nullptr;
    for (HTREEITEM c = tree.GetChildItem(parent); c; c = tree.GetNextSiblingItem(c)) {
        forward.push_back(tree.GetItemText(c));
        last = c;
    }
    for (HTREEITEM c = last; c; c = tree.GetPrevSiblingItem(c))
        backward.insert(backward.begin(), tree.GetItemText(c));
    EXPECT_EQ(forward, backward) << "the walks forward and back disagree";
    return forward;
}

TEST_F(UiTreeCtrlTest, SiblingOrderHoldsThroughInsertsAndDeletesInTheMiddle) {
    using Texts = std::vector<CString>;
    HTREEITEM level = tree->InsertItem("层");
    HTREEITEM b = tree->InsertItem("b", level);
    tree->InsertItem("d", level, TVI_LAST);
    HTREEITEM a = tree->InsertItem("a", level, TVI_FIRST);
    HTREEITEM c = tree->InsertItem("c", level, b);
    HTREEITEM bb = tree->InsertItem("bb", level, TVI_SORT);
    HTREEITEM e = tree->InsertItem("e", level, part); // after an item of another level: at the end
    EXPECT_EQ(Children(*tree, level), (Texts{"a", "b", "bb", "c", "d", "e"}));
    EXPECT_EQ(tree->GetCount(), 12u);

    ASSERT_TRUE(tree->DeleteItem(bb));
    ASSERT_TRUE(tree->DeleteItem(a));
    ASSERT_TRUE(tree->DeleteItem(e));
    EXPECT_EQ(Children(*tree, level), (Texts{"b", "c", "d"}));
    EXPECT_EQ(tree->GetPrevSiblingItem(b), nullptr);
    tree->InsertItem("x", level, TVI_FIRST);
    tree->InsertItem("y", level);
    tree->InsertItem("cc", level, c);
    tree->InsertItem("a", level, TVI_SORT); // before the first text that sorts after it
    EXPECT_EQ(Children(*tree, level), (Texts{"a", "x", "b", "c", "cc", "d", "y"}));

    // The top level is a level like any other.
    ASSERT_TRUE(tree->DeleteItem(tree->GetNextSiblingItem(root)));
    EXPECT_EQ(Children(*tree, TVI_ROOT), (Texts{"产品A [P1]", "层"}));

    // A branch goes whole, and a sort relinks the level.
    HTREEITEM below = tree->InsertItem("子", c);
    tree->InsertItem("孙", below);
    const UINT count = tree->GetCount();
    ASSERT_TRUE(tree->DeleteItem(c));
    EXPECT_EQ(tree->GetCount(), count - 3);
    EXPECT_FALSE(tree->IsValidItem(below));
    ASSERT_TRUE(tree->SortChildren(level));
    EXPECT_EQ(Children(*tree, level), (Texts{"a", "b", "cc", "d", "x", "y"}));
    tree->InsertItem("z", level, tree->GetChildItem(level));
    EXPECT_EQ(Children(*tree, level), (Texts{"a", "z", "b", "cc", "d", "x", "y"}));
}

TEST_F(UiTreeCtrlTest, VisibleStepsFollowTheShownRowsBothWays) {
    HTREEITEM level = tree->InsertItem("层");
    HTREEITEM open = tree->InsertItem("开", level);
    tree->InsertItem("开一", open);
    tree->InsertItem("开二", open);
    HTREEITEM shut = tree->InsertItem("合", level);
    HTREEITEM hidden = tree->InsertItem("合一", shut);
    tree->InsertItem("尾", level);
    tree->Expand(level, TVE_EXPAND);
    tree->Expand(open, TVE_EXPAND);
    const std::vector<HTREEITEM> rows = tree->VisibleItems();
    ASSERT_EQ(rows.size(), 10u);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(tree->GetNextVisibleItem(rows[i]), i + 1 < rows.size() ? rows[i + 1] : nullptr) << i;
        EXPECT_EQ(tree->GetPrevVisibleItem(rows[i]), i > 0 ? rows[i - 1] : nullptr) << i;
    }
    // An item inside a collapsed branch is on no row.
    EXPECT_EQ(tree->GetNextVisibleItem(hidden), nullptr);
    EXPECT_EQ(tree->GetPrevVisibleItem(hidden), nullptr);
}

TEST_F(UiTreeCtrlTest, ExpandingByAPersonAsksTheParentOnceFilled) {
    EXPECT_EQ(host.m_expandings, 1);
    EXPECT_TRUE(tree->GetItemState(root, TVIS_EXPANDED));
    tree->UserExpand(root, true); // already open: nothing to ask
    EXPECT_EQ(host.m_expandings, 1);
    tree->UserExpand(root, false);
    EXPECT_EQ(host.m_expandings, 2);
    tree->Expand(root, TVE_EXPAND); // the code opening it asks nobody
    EXPECT_EQ(host.m_expandings, 2);
    EXPECT_EQ(tree->GetCount(), 5u) << "children were filled in once";
}

TEST_F(UiTreeCtrlTest, SelectionNotifiesAndCanBeRefused) {
    ASSERT_TRUE(tree->UserSelect(part));
    EXPECT_EQ(tree->GetSelectedItem(), part);
    EXPECT_EQ(host.m_selections.back(), "部件B [B2]");
    EXPECT_EQ(host.m_actions.back(), TVC_BYMOUSE);
    tree->SelectItem(root);
    EXPECT_EQ(host.m_actions.back(), TVC_UNKNOWN);
    host.m_refuseSelection = true;
    EXPECT_FALSE(tree->SelectItem(part));
    EXPECT_EQ(tree->GetSelectedItem(), root);
    EXPECT_TRUE(tree->GetItemState(root, TVIS_SELECTED));
}

TEST_F(UiTreeCtrlTest, SelectingADeepItemOpensThePathToIt) {
    HTREEITEM deep = tree->FindPath("产品A [P1]/部件B [B2]/零件C [C3]");
    ASSERT_NE(deep, nullptr);
    tree->SelectItem(deep);
    EXPECT_TRUE(tree->GetItemState(part, TVIS_EXPANDED));
    EXPECT_EQ(tree->FindPath("产品A [P1]/部件X"), nullptr);
    EXPECT_EQ(tree->FindPath("产品A"), nullptr) << "whole texts only";
}

TEST_F(UiTreeCtrlTest, DeletingTheSelectedBranchLeavesNoSelection) {
    HTREEITEM deep = tree->FindPath("产品A [P1]/部件B [B2]/零件C [C3]");
    tree->SelectItem(deep);
    ASSERT_TRUE(tree->DeleteItem(part));
    EXPECT_EQ(tree->GetSelectedItem(), nullptr);
    EXPECT_EQ(host.m_selections.back(), "") << "the parent hears that nothing is selected";
    EXPECT_FALSE(tree->IsValidItem(deep));
    EXPECT_EQ(tree->GetItemText(deep), "") << "a stale handle reads as nothing";
    EXPECT_EQ(tree->GetCount(), 3u);
    EXPECT_FALSE(tree->DeleteItem(part));
    tree->DeleteAllItems();
    EXPECT_EQ(tree->GetCount(), 0u);
    EXPECT_EQ(tree->GetRootItem(), nullptr);
}

TEST_F(UiTreeCtrlTest, HitTestFollowsRowsAndIndent) {
    tree->ViewSetMetrics(20, 0);
    UINT flags = 0;
    // Row 1 is "部件B", one level deep: indent 19, lines at root add one more, then the check box.
    EXPECT_EQ(tree->HitTest(CPoint(45, 25), &flags), part);
    EXPECT_EQ(flags, TVHT_ONITEMSTATEICON);
    EXPECT_EQ(tree->HitTest(CPoint(70, 25), &flags), part);
    EXPECT_EQ(flags, TVHT_ONITEMLABEL);
    EXPECT_EQ(tree->HitTest(CPoint(25, 25), &flags), part);
    EXPECT_EQ(flags, TVHT_ONITEMBUTTON) << "the button of an item with children";
    EXPECT_EQ(tree->HitTest(CPoint(70, 20 * 10), &flags), nullptr);
    EXPECT_EQ(flags, TVHT_NOWHERE);
    tree->ViewSetMetrics(20, 1); // scrolled by one row
    EXPECT_EQ(tree->HitTest(CPoint(70, 5)), part);
}

TEST_F(UiTreeCtrlTest, CheckBoxesAndLabelEdits) {
    EXPECT_FALSE(tree->GetCheck(part));
    tree->UserCheck(part, true);
    EXPECT_TRUE(tree->GetCheck(part));
    tree->UserEndLabelEdit(part, "部件E [E5]");
    EXPECT_EQ(tree->GetItemText(part), "部件E [E5]");
    tree->UserEndLabelEdit(part, "");
    EXPECT_EQ(tree->GetItemText(part), "部件E [E5]") << "the parent refused an empty label";
    tree->UserEndLabelEdit(part, nullptr);
    EXPECT_EQ(tree->GetItemText(part), "部件E [E5]") << "a cancelled edit changes nothing";
}

TEST_F(UiTreeCtrlTest, SortChildrenWithCallback) {
    tree->SetItemData(part, 2);
    tree->SetItemData(tree->GetNextSiblingItem(part), 1);
    TVSORTCB sort;
    sort.hParent = root;
    sort.lpfnCompare = [](LPARAM a, LPARAM b, LPARAM) { return static_cast<int>(a - b); };
    ASSERT_TRUE(tree->SortChildrenCB(&sort));
    EXPECT_EQ(tree->GetItemText(tree->GetChildItem(root)), "部件D [D4]");
}

TEST(UiTreeScriptTest, TreePathOpensLazyItemsAndDoubleClickChooses) {
    vq::ScriptedUser user;
    user.Dialog("结构")
        .Tree(kTree, "产品A [P1]/部件B [B2]/零件C [C3]")
        .DoubleClick(kTree, "产品B [P2]")
        .Click(IDOK);
    CTreeHost host;
    EXPECT_EQ(host.DoModal(), IDOK);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    ASSERT_GE(host.m_selections.size(), 2u);
    EXPECT_EQ(host.m_selections[0], "零件C [C3]");
    EXPECT_EQ(host.m_chosen, "产品B [P2]");
}

TEST(UiTreeScriptTest, MissingTreePathFailsWithThePath) {
    vq::ScriptedUser user;
    user.Tree(kTree, "产品A [P1]/部件Z");
    CTreeHost host;
    EXPECT_EQ(host.DoModal(), IDCANCEL);
    EXPECT_NE(user.Error().Find("部件Z"), -1) << user.Error().c_str();
}

} // namespace

namespace {

TEST_F(UiTreeCtrlTest, KeyboardSelectionSaysSo) {
    ASSERT_TRUE(tree->UserKeySelect(part));
    EXPECT_EQ(host.m_actions.back(), TVC_BYKEYBOARD);
    EXPECT_FALSE(tree->UserKeySelect(nullptr));
}

} // namespace
