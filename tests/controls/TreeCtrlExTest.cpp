// The tree control with cursors: walking, inserting with images, comparing, deleting with the
// style map, and the double-buffered paint.
#include "controls/TreeCtrlEx.h"
#include "controls/TreeItemData.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/ScriptedUser.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);

// A strip of solid 16 x 16 images, one per colour.
void FillImages(CImageList& images, const std::vector<COLORREF>& colors) {
    images.Create(16, 16, ILC_COLOR32, 0, 4);
    CBitmap strip;
    strip.CreateBitmap(16 * static_cast<int>(colors.size()), 16);
    CDC dc(strip);
    for (std::size_t i = 0; i < colors.size(); ++i)
        dc.FillSolidRect(16 * static_cast<int>(i), 0, 16, 16, colors[i]);
    images.Add(&strip, CLR_NONE);
}

class TreeCtrlExTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tree.Create(WS_VISIBLE | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS,
                                CRect(0, 0, 200, 120), nullptr, 3001));
    }
    void TearDown() override {
        if (tree.GetSafeHwnd())
            tree.DestroyWindow();
        vq::ReleaseWindowSurface(tree);
    }
    vq::ScriptedUser user;
    CTreeCtrlEx tree;
};

TEST_F(TreeCtrlExTest, WalkingChildrenEndsOnANullItemOfTheSameTree) {
    CTreeCursor root = tree.GetRootItem().AddChild("产品A [P1]", -1);
    root.AddChild("部件B [B2]", -1);
    root.AddChild("部件C [C3]", -1);
    root.AddChild("部件D [D4]", -1);

    std::vector<CString> texts;
    for (CTreeCursor child = root.GetChild(); child.m_item; child = child.GetNext())
        texts.push_back(child.GetText());
    EXPECT_EQ(texts, (std::vector<CString>{"部件B [B2]", "部件C [C3]", "部件D [D4]"}));

    CTreeCursor leaf = root.GetChild();
    EXPECT_EQ(leaf.GetParent(), root);
    const CTreeCursor end[] = {leaf.GetChild(), root.GetNext(), root.GetParent()};
    for (const CTreeCursor& cursor : end) {
        EXPECT_EQ(cursor.m_item, nullptr);
        EXPECT_EQ(cursor.m_tree, &tree);
    }
}

TEST_F(TreeCtrlExTest, AddChildOnTheRootOfAnEmptyTreeInsertsAtTheTopLevel) {
    CTreeCursor none = tree.GetRootItem();
    EXPECT_EQ(none.m_item, nullptr);
    CTreeCursor first = none.AddChild("产品A [P1]", 0);
    CTreeCursor second = none.AddChild("产品B [P2]", 0);
    EXPECT_EQ(tree.GetRootItem(), first);
    EXPECT_EQ(first.GetNext(), second);
    EXPECT_EQ(first.GetParent().m_item, nullptr);
}

TEST_F(TreeCtrlExTest, ImageNGivesSelectedImageNPlusOneAndMinusOneSetsNone) {
    CTreeCursor four = tree.GetRootItem().AddChild("四", 4);
    int image = -5, selected = -5;
    ASSERT_TRUE(tree.GetItemImage(four, image, selected));
    EXPECT_EQ(image, 4);
    EXPECT_EQ(selected, 5);
    EXPECT_EQ(four.GetImage(), 4);

    CTreeCursor none = four.AddChild("无", -1);
    ASSERT_TRUE(tree.GetItemImage(none, image, selected));
    EXPECT_EQ(image, 0); // the control shows image 0
    EXPECT_EQ(selected, 0);

    // The insertion under its other name follows the same rule and appends.
    CTreeCursor two = tree.InsertItem(four, "二", 2);
    EXPECT_EQ(none.GetNext(), two);
    ASSERT_TRUE(tree.GetItemImage(two, image, selected));
    EXPECT_EQ(selected, 3);
    CTreeCursor top = tree.InsertItem(CTreeCursor(), "顶", -1);
    EXPECT_EQ(four.GetNext(), top);
}

TEST_F(TreeCtrlExTest, CursorsCompareByItemOnly) {
    CTreeCtrlEx other;
    CTreeCursor item = tree.GetRootItem().AddChild("A", -1);
    EXPECT_TRUE(CTreeCursor(item.m_item, &other) == item);
    EXPECT_TRUE(CTreeCursor(nullptr, &other) == CTreeCursor(nullptr, &tree));
    EXPECT_FALSE(item == tree.GetRootItem().AddChild("B", -1));

    CTreeCursor copy = item;
    CTreeCursor& alias = copy;
    copy = alias;
    EXPECT_EQ(copy.m_item, item.m_item);
    EXPECT_EQ(copy.m_tree, &tree);
}

TEST_F(TreeCtrlExTest, SelectionAndHitTestGiveCursors) {
    CTreeCursor a = tree.GetRootItem().AddChild("A", -1);
    CTreeCursor b = tree.GetRootItem().AddChild("B", -1);
    EXPECT_EQ(tree.GetSelectedItem().m_item, nullptr);
    tree.SelectItem(b);
    EXPECT_EQ(tree.GetSelectedItem(), b);
    EXPECT_EQ(a.GetSelected(), b); // whatever the cursor's own item
    EXPECT_EQ(tree.GetSelectedItem().m_tree, &tree);

    CRect rect;
    tree.GetItemRect(a, &rect, TRUE);
    UINT flags = 0;
    EXPECT_EQ(tree.HitTest(rect.CenterPoint(), &flags), a);
    EXPECT_NE(flags & TVHT_ONITEMLABEL, 0u);
    EXPECT_EQ(tree.HitTest(CPoint(5, 110)).m_item, nullptr);
}

TEST_F(TreeCtrlExTest, DeleteAllItemsEmptiesTheStyleMapOnlyWhenItSucceeds) {
    CTreeCursor a = tree.GetRootItem().AddChild("A", -1);
    TreeItemStyle style;
    style.color = kRed;
    tree.m_styleMap.SetAt(a, style);
    EXPECT_TRUE(tree.DeleteAllItems());
    EXPECT_EQ(tree.GetCount(), 0u);
    EXPECT_TRUE(tree.m_styleMap.IsEmpty());

    // A tree without a window cannot delete: the result is 0 and the map stays.
    CTreeCtrlEx closed;
    closed.m_styleMap.SetAt(a, style);
    EXPECT_FALSE(closed.DeleteAllItems());
    EXPECT_EQ(closed.m_styleMap.GetCount(), 1);
}

TEST_F(TreeCtrlExTest, NodesCarryTheirRecordsAsItemData) {
    CTreeCursor part = tree.GetRootItem().AddChild("零件C [C3]", 2);
    TreeItemData data;
    data.kind = "_Part";
    data.code = "C3";
    data.text = "零件C";
    TVITEM item;
    item.mask = TVIF_PARAM;
    item.hItem = part;
    item.lParam = reinterpret_cast<LPARAM>(&data);
    ASSERT_TRUE(tree.SetItem(&item));
    const auto* back = reinterpret_cast<const TreeItemData*>(tree.GetItemData(part));
    ASSERT_EQ(back, &data);
    EXPECT_EQ(back->code, "C3");
    EXPECT_EQ(part.GetText(), "零件C [C3]"); // the text is untouched
    EXPECT_EQ(part.GetImage(), 2);
}

// --- Painting -------------------------------------------------------------------------------------

// The control's own picture, drawn straight into an image of the client size.
CBitmap DefaultPicture(CTreeCtrlEx& tree) {
    CRect client;
    tree.GetClientRect(&client);
    CBitmap picture;
    picture.CreateBitmap(client.Width(), client.Height());
    CDC dc(picture);
    tree.DrawItems(dc);
    return picture;
}

bool SamePixels(const CBitmap& a, const CBitmap& b) {
    if (a.GetSize() != b.GetSize())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.GetPixel(x, y) != b.GetPixel(x, y))
                return false;
    return true;
}

TEST_F(TreeCtrlExTest, WithoutStylesThePaintIsTheDefaultPicturePixelForPixel) {
    CImageList images;
    FillImages(images, {RGB(0, 0, 200), RGB(0, 200, 0), RGB(200, 0, 0), RGB(200, 200, 0)});
    tree.SetImageList(&images, TVSIL_NORMAL);
    CTreeCursor root = tree.GetRootItem().AddChild("产品A [P1]", 0);
    root.AddChild("部件B [B2]", 2);
    root.AddChild("部件C [C3]", 2);
    tree.Expand(root, TVE_EXPAND);
    tree.SelectItem(root.GetChild());

    const CBitmap painted = vq::RenderWindow(tree);
    EXPECT_TRUE(SamePixels(painted, DefaultPicture(tree)));
    if (const char* dir = std::getenv("VQ_SCREENSHOT_DIR"))
        painted.SavePng(CString(dir) + "/tree-paint.png");
    // Nothing of the black memory bitmap shows through.
    EXPECT_EQ(painted.GetPixel(199, 119), GetSysColor(COLOR_WINDOW));

    // Scrolled and collapsed, still the same picture.
    tree.Expand(root, TVE_COLLAPSE);
    EXPECT_TRUE(SamePixels(vq::RenderWindow(tree), DefaultPicture(tree)));
}

TEST_F(TreeCtrlExTest, ItemsShowTheirImageAndTheSelectedItemTheNextOne) {
    constexpr COLORREF kBlue = RGB(0, 0, 200);
    constexpr COLORREF kGreen = RGB(0, 200, 0);
    CImageList images;
    FillImages(images, {kBlue, kGreen});
    tree.SetImageList(&images, TVSIL_NORMAL);
    CTreeCursor a = tree.GetRootItem().AddChild("A", 0);
    CTreeCursor b = tree.GetRootItem().AddChild("B", 0);
    tree.SelectItem(b);

    const CBitmap painted = vq::RenderWindow(tree);
    CRect ra, rb;
    tree.GetItemRect(a, &ra, TRUE);
    tree.GetItemRect(b, &rb, TRUE);
    // The image stands just left of the label.
    EXPECT_EQ(painted.GetPixel(ra.left - 10, ra.CenterPoint().y), kBlue);
    EXPECT_EQ(painted.GetPixel(rb.left - 10, rb.CenterPoint().y), kGreen);
    // The selected label is highlighted.
    EXPECT_EQ(painted.GetPixel(rb.left + 1, rb.top + 1), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(painted.GetPixel(ra.left + 1, ra.top + 1), GetSysColor(COLOR_WINDOW));
}

int Reddish(const CBitmap& picture, const CRect& r) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF p = picture.GetPixel(x, y);
            n += GetRValue(p) > 160 && GetGValue(p) < 120 && GetBValue(p) < 120;
        }
    return n;
}

TEST_F(TreeCtrlExTest, StyledItemsAreDrawnInTheirColourUnlessSelected) {
    CTreeCursor a = tree.GetRootItem().AddChild("设计任务", -1);
    CTreeCursor b = tree.GetRootItem().AddChild("评审任务", -1);
    TreeItemStyle style;
    style.color = kRed;
    tree.m_styleMap.SetAt(a, style);
    tree.m_styleMap.SetAt(b, style);
    tree.SelectItem(b);

    const CBitmap painted = vq::RenderWindow(tree);
    CRect ra, rb;
    tree.GetItemRect(a, &ra, TRUE);
    tree.GetItemRect(b, &rb, TRUE);
    ra.right = rb.right = 200;
    EXPECT_GT(Reddish(painted, ra), 10);
    EXPECT_EQ(Reddish(painted, rb), 0);
}

} // namespace
