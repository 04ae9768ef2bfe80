// The report list with sort arrows and a marked row, and the tree with images, as the Qt view
// shows them to a person (rendered off screen; VQ_SCREENSHOT_DIR keeps a picture of the dialog).
#include "controls/ColorListCtrl.h"
#include "controls/TreeCtrlEx.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ImageList.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"

#include <gtest/gtest.h>

namespace {

constexpr int kList = 1092;
constexpr int kTree = 1051;
constexpr COLORREF kMagenta = RGB(255, 0, 255);
constexpr COLORREF kArrowColor = RGB(64, 64, 64);
constexpr COLORREF kProduct = RGB(30, 90, 200);
constexpr COLORREF kPart = RGB(40, 160, 60);

const vq::DialogTemplate kShowTemplate{
    "零部件结构 - 示例",
    {vq::ReportList(kList, vq::kNoLayoutFlags, LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SHOWSELALWAYS),
     vq::Tree(kTree), vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};

// Sort arrows: 0 ascending (pointing up), 1 descending, on the mask colour.
void MakeArrows(CImageList& images) {
    images.Create(12, 12, ILC_COLOR32 | ILC_MASK, 0, 2);
    CBitmap strip;
    strip.CreateBitmap(24, 12);
    CDC dc(strip);
    dc.FillSolidRect(0, 0, 24, 12, kMagenta);
    for (int row = 0; row < 5; ++row) {
        dc.FillSolidRect(6 - row, 3 + row, 2 * row + 1, 1, kArrowColor);      // up
        dc.FillSolidRect(12 + 6 - row, 8 - row, 2 * row + 1, 1, kArrowColor); // down
    }
    images.Add(&strip, kMagenta);
}

// Node images: each image followed by its selected look.
void MakeNodeImages(CImageList& images) {
    images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 4);
    CBitmap strip;
    strip.CreateBitmap(64, 16);
    CDC dc(strip);
    dc.FillSolidRect(0, 0, 64, 16, kMagenta);
    const COLORREF colors[] = {kProduct, kProduct, kPart, kPart};
    for (int i = 0; i < 4; ++i) {
        dc.FillSolidRect(16 * i + 2, 3, 12, 10, colors[i]);
        if (i % 2 == 1)
            dc.FillSolidRect(16 * i + 6, 6, 4, 4, RGB(255, 255, 255)); // the selected look
    }
    images.Add(&strip, kMagenta);
}

class CShowDlg : public CDialog {
public:
    CShowDlg() : CDialog(kShowTemplate, nullptr) {}
    CColorListCtrl m_list;
    CTreeCtrlEx m_tree;
    CImageList m_arrows;
    CImageList m_nodes;
    CBitmap m_picture;
    CRect m_listRect;
    CRect m_treeRect;

protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, kList, m_list);
        DDX_Control(pDX, kTree, m_tree);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        MakeArrows(m_arrows);
        MakeNodeImages(m_nodes);
        m_list.InsertColumn(0, "图号", LVCFMT_LEFT, 130);
        m_list.InsertColumn(1, "名称", LVCFMT_LEFT, 130);
        m_list.InsertColumn(2, "数量", LVCFMT_RIGHT, 70);
        const char* rows[][3] = {{"VQ-100-01", "底座", "1"},
                                 {"VQ-100-02", "立柱组件装配（含焊接件及标准件清单）", "2"},
                                 {"VQ-100-03", "横梁", "4"},
                                 {"VQ-100-04", "滑块", "8"}};
        for (int r = 0; r < 4; ++r) {
            m_list.InsertItem(r, rows[r][0]);
            m_list.SetItemText(r, 1, rows[r][1]);
            m_list.SetItemText(r, 2, rows[r][2]);
        }
        m_list.m_header.SetImageList(&m_arrows);
        m_list.m_header.SetColumnImage(0, 0);
        m_list.m_header.SetColumnImage(1, -1);
        m_list.m_markedTexts.Add("vq-100-03");
        m_list.SetItemState(1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);

        m_tree.SetImageList(&m_nodes, TVSIL_NORMAL);
        CTreeCursor product = m_tree.GetRootItem().AddChild("机床 [VQ-100]", 0);
        product.AddChild("底座 [VQ-100-01]", 2);
        CTreeCursor column = product.AddChild("立柱 [VQ-100-02]", 2);
        column.AddChild("导轨 [VQ-100-02-1]", 2);
        product.AddChild("横梁 [VQ-100-03]", 2);
        m_tree.Expand(product, TVE_EXPAND);
        m_tree.Expand(column, TVE_EXPAND);
        m_tree.SelectItem(column);

        m_picture = vq::RenderDialogInQt(*this);
        m_listRect = m_list.GetRectInParent();
        m_treeRect = m_tree.GetRectInParent();
        PostMessage(WM_USER + 9);
        return TRUE;
    }
    LRESULT OnEndNow(WPARAM, LPARAM) {
        EndDialog(IDOK);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CShowDlg, CDialog)
    ON_MESSAGE(WM_USER + 9, &CShowDlg::OnEndNow)
END_MESSAGE_MAP()

int CountColor(const CBitmap& picture, const CRect& r, COLORREF color) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            n += picture.GetPixel(x, y) == color;
    return n;
}

class ListQtViewTest : public ::testing::Test {
protected:
    void SetUp() override { m_previous = vq::SetDialogView(&vq::QtDialogView()); }
    void TearDown() override { vq::SetDialogView(m_previous); }
    vq::DialogView* m_previous = nullptr;
};

TEST_F(ListQtViewTest, ThePersonSeesArrowsTheMarkedRowAndTheTreeImages) {
    CShowDlg dlg;
    ASSERT_EQ(dlg.DoModal(), IDOK);
    ASSERT_FALSE(dlg.m_listRect.IsRectEmpty());
    // The marked row is painted yellow by the list's own drawing.
    EXPECT_GT(CountColor(dlg.m_picture, dlg.m_listRect, RGB(255, 255, 0)), 200);
    // The sort arrow shows in the header (the top strip of the list).
    CRect header = dlg.m_listRect;
    header.bottom = header.top + 30;
    EXPECT_GT(CountColor(dlg.m_picture, header, kArrowColor), 10);
    // The header's own text stands on the face of the header, not on a box of another colour:
    // along a line through the middle of the header nothing in the first column is lighter than
    // the face beside the text.
    const int middle = dlg.m_listRect.top + 11;
    const COLORREF face = dlg.m_picture.GetPixel(dlg.m_listRect.left + 4, middle);
    for (int x = dlg.m_listRect.left + 4; x < dlg.m_listRect.left + 120; ++x)
        EXPECT_LE(GetRValue(dlg.m_picture.GetPixel(x, middle)), GetRValue(face) + 3) << "at x " << x;
    // The tree shows its product and part images.
    EXPECT_GT(CountColor(dlg.m_picture, dlg.m_treeRect, kProduct), 50);
    EXPECT_GT(CountColor(dlg.m_picture, dlg.m_treeRect, kPart), 50);
    if (const char* dir = std::getenv("VQ_SCREENSHOT_DIR"))
        dlg.m_picture.SavePng(CString(dir) + "/list-and-tree.png");
}

} // namespace
