// The colour button and its palette: ranks of the cells, "其它..." through the colour dialog,
// a cancelled popup, and the button drawn into an image.
#include "controls/ColorButton.h"
#include "controls/ColorPopupDlg.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"

#include "tests/support/NoScreenshots.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace {

using vqtest::NoScreenshots;

const vq::DialogTemplate kHostTemplate{
    "颜色按钮", {vq::PushButton(1001, "颜色", vq::kNoLayoutFlags), vq::DefPushButton(IDOK, "确定")}};

class CColorHostDlg : public CDialog {
public:
    CColorHostDlg() : CDialog(kHostTemplate, nullptr) {}
    CColorButton m_button;
    int m_changes = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 1001, m_button); }
    LRESULT OnColorChanged(WPARAM, LPARAM) {
        ++m_changes;
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColorHostDlg, CDialog)
    ON_MESSAGE(WM_COLORBUTTON_CHANGED, &CColorHostDlg::OnColorChanged)
END_MESSAGE_MAP()

class ColorPopupTest : public ::testing::Test {
protected:
    void SetUp() override { CColorPopupDlg::ResetPalette(); }
    void TearDown() override { CColorPopupDlg::ResetPalette(); }

    // Opens the host dialog, runs the actions on the popup and closes the host.
    void Run(const std::function<void(vq::ScriptedUser&)>& popupActions) {
        vq::ScriptedUser user;
        user.Dialog("颜色按钮").Click(1001).Dialog("颜色");
        popupActions(user);
        user.Click(IDOK);
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    }
    CColorHostDlg dlg;
};

} // namespace

TEST_F(ColorPopupTest, PaletteStartsWithTheTwentyColoursAndTheirRanks) {
    EXPECT_EQ(CColorPopupDlg::GetPaletteColor(0), RGB(0, 0, 0));
    EXPECT_EQ(CColorPopupDlg::GetPaletteColor(9), RGB(166, 202, 240));
    EXPECT_EQ(CColorPopupDlg::GetPaletteColor(19), RGB(255, 255, 255));
    std::set<int> ranks;
    for (int i = 0; i < CColorPopupDlg::kCellCount; ++i)
        ranks.insert(CColorPopupDlg::GetPaletteRank(i));
    EXPECT_EQ(ranks.size(), 20u);
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(10), 20);
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(19), 2);
}

TEST_F(ColorPopupTest, ChoosingACellTakesItsColourRanksItFirstAndTellsTheParent) {
    Run([](vq::ScriptedUser& user) { user.Click(5114); }); // cell 13: red, rank 14
    EXPECT_EQ(dlg.m_button.GetColor(), RGB(255, 0, 0));
    EXPECT_EQ(dlg.m_changes, 1);
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(13), 1);
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(0), 2);   // was 1
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(3), 8);   // was 7
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(6), 14);  // was 13
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(7), 15);  // was 15: used before the chosen one, unchanged
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(10), 20); // the oldest stays the oldest
    EXPECT_FALSE(dlg.m_button.IsHot());
}

TEST_F(ColorPopupTest, OtherWithAPaletteColourOnlyReranksThatCell) {
    Run([](vq::ScriptedUser& user) { user.Click(5121).Color(RGB(0, 0, 255)); });
    EXPECT_EQ(dlg.m_button.GetColor(), RGB(0, 0, 255));
    EXPECT_EQ(CColorPopupDlg::GetPaletteColor(16), RGB(0, 0, 255));
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(16), 1);
    EXPECT_EQ(CColorPopupDlg::GetPaletteColor(10), RGB(255, 251, 240)) << "nothing replaced";
}

TEST_F(ColorPopupTest, TwoNewColoursReplaceTheTwoCellsUsedLongestAgo) {
    Run([](vq::ScriptedUser& user) { user.Click("其它...").Color(RGB(1, 2, 3)); });
    EXPECT_EQ(CColorPopupDlg::GetPaletteColor(10), RGB(1, 2, 3)); // rank 20 before
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(10), 1);
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(9), 20); // was 19: now the oldest
    Run([](vq::ScriptedUser& user) { user.Click("其它...").Color(RGB(4, 5, 6)); });
    EXPECT_EQ(CColorPopupDlg::GetPaletteColor(9), RGB(4, 5, 6));
    EXPECT_EQ(CColorPopupDlg::GetPaletteColor(10), RGB(1, 2, 3)) << "the first new colour stays";
    EXPECT_EQ(CColorPopupDlg::GetPaletteRank(10), 2);
    EXPECT_EQ(dlg.m_button.GetColor(), RGB(4, 5, 6));
    EXPECT_EQ(dlg.m_changes, 2);
}

TEST_F(ColorPopupTest, CancelledColourDialogLeavesThePopupOpenWithTheCapture) {
    Run([](vq::ScriptedUser& user) {
        user.Click(5121)
            .Color(-1)
            .Do([](CDialog& popup) {
                EXPECT_EQ(CWnd::GetCapture(), &popup);
                EXPECT_FALSE(popup.HasEnded());
            })
            .Click(5101);
    });
    EXPECT_EQ(dlg.m_button.GetColor(), RGB(0, 0, 0));
}

TEST_F(ColorPopupTest, ClickOutsideThePopupCancelsWithoutAColourOrAMessage) {
    Run([](vq::ScriptedUser& user) {
        user.Do([](CDialog& popup) {
            CRect window;
            popup.GetWindowRect(&window);
            CPoint outside(window.right + 20, window.bottom + 20);
            popup.ScreenToClient(&outside);
            popup.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON,
                              MAKELPARAM(static_cast<WORD>(outside.x), static_cast<WORD>(outside.y)));
        });
    });
    EXPECT_EQ(dlg.m_button.GetColor(), RGB(155, 155, 55));
    EXPECT_EQ(dlg.m_changes, 0);
    EXPECT_EQ(CWnd::GetCapture(), nullptr);
}

TEST_F(ColorPopupTest, PopupOpensBelowTheButtonsBottomLeftCorner) {
    NoScreenshots noScreenshots;
    Run([this](vq::ScriptedUser& user) {
        user.Do([this](CDialog& popup) {
                CRect button, window;
                dlg.m_button.GetWindowRect(&button);
                popup.GetWindowRect(&window);
                EXPECT_EQ(window.left, button.left);
                EXPECT_EQ(window.top, button.bottom);
            })
            .Click(5101);
    });
}

TEST(ColorButtonTest, DrawsItsSwatchAndArrowAndHidesTheSwatchWhenDisabled) {
    vq::ScriptedUser user;
    CWnd parent;
    parent.CreateEx(0, "VqWindow", "", WS_POPUP, CRect(0, 0, 200, 100), nullptr, 0);
    CColorButton button;
    ASSERT_TRUE(button.Create("归档", WS_CHILD | WS_VISIBLE, CRect(0, 0, 100, 24), &parent, 7));
    EXPECT_EQ(button.GetButtonStyle() & BS_TYPEMASK, BS_OWNERDRAW);
    button.SetColor(RGB(200, 0, 0));
    auto draw = [&button](UINT state) {
        CBitmap canvas;
        canvas.CreateBitmap(100, 24);
        CDC dc(canvas);
        DRAWITEMSTRUCT item;
        item.CtlType = ODT_BUTTON;
        item.itemState = state;
        item.hDC = &dc;
        item.rcItem = CRect(0, 0, 100, 24);
        button.DrawItem(&item);
        return canvas;
    };
    const CBitmap normal = draw(0);
    EXPECT_EQ(normal.GetPixel(8, 12), RGB(200, 0, 0)) << "the swatch near the left, centred";
    // The arrow's first line of six pixels, ending 4 pixels from the right edge.
    EXPECT_EQ(normal.GetPixel(91, 11), RGB(0, 0, 0));
    EXPECT_EQ(normal.GetPixel(96, 11), RGB(0, 0, 0));
    EXPECT_NE(normal.GetPixel(97, 11), RGB(0, 0, 0));
    EXPECT_EQ(normal.GetPixel(93, 13), RGB(0, 0, 0)) << "the point of the arrow";
    EXPECT_NE(normal.GetPixel(92, 13), RGB(0, 0, 0));
    const CBitmap pressed = draw(ODS_SELECTED);
    EXPECT_EQ(pressed.GetPixel(0, 0), GetSysColor(COLOR_BTNSHADOW)) << "sunken edge when pressed";
    button.EnableWindow(FALSE);
    const CBitmap disabled = draw(ODS_DISABLED);
    EXPECT_NE(disabled.GetPixel(8, 12), RGB(200, 0, 0));
    EXPECT_EQ(disabled.GetPixel(91, 11), RGB(128, 128, 128)) << "grey arrow when disabled";
    button.DestroyWindow();
    parent.DestroyWindow();
}

TEST(ColorButtonTest, ColoursResetToTheirSystemColours) {
    CColorButton button;
    button.SetHotBkColor(RGB(220, 220, 220), FALSE);
    EXPECT_EQ(button.GetHotBkColor(), RGB(220, 220, 220));
    button.SetHotBkColor(CLR_DEFAULT, FALSE);
    EXPECT_EQ(button.GetHotBkColor(), GetSysColor(COLOR_BTNFACE));
    button.SetTextColor(RGB(1, 1, 1), FALSE);
    button.SetTextColor();
    EXPECT_EQ(button.GetTextColor(), GetSysColor(COLOR_BTNTEXT));
}
