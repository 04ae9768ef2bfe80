// The dialog resizer: shares of a size change, remainders that never drift, the minimum size.
#include "controls/ResizeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"

#include "tests/support/NoScreenshots.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

namespace {

using vqtest::NoScreenshots;

const vq::DialogTemplate kResizeTemplate{
    "可变大小",
    {vq::CustomWindow(101, vq::kNoLayoutFlags, 0, CRect(10, 10, 110, 60)),
     vq::CustomWindow(102, vq::kNoLayoutFlags, 0, CRect(120, 10, 220, 60)), vq::DefPushButton(IDOK, "确定")},
    CSize(300, 200)};

// A dialog with a resizer, which sees its messages through the window layer's hook.
class CResizeDlg : public CDialog {
public:
    CResizeDlg() : CDialog(kResizeTemplate, nullptr) {}
    CResizeCtrl m_resize;
    int m_ownSizes = 0;

    void OnSize(UINT, int, int) override { ++m_ownSizes; }
    CRect Child(int id) const { return GetDlgItem(id)->GetRectInParent(); }
    void Grow(int dx, int dy) {
        CRect r;
        GetWindowRect(&r);
        MoveWindow(r.left, r.top, r.Width() + dx, r.Height() + dy);
    }
};

// Runs the checks on the open dialog (so its controls exist) and closes it.
void WithDialog(CResizeDlg& dlg, std::function<void(CResizeDlg&)> check) {
    NoScreenshots noScreenshots;
    vq::ScriptedUser user;
    user.Do([&](CDialog& d) { check(static_cast<CResizeDlg&>(d)); }).Click(IDOK);
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

} // namespace

TEST(ResizeCtrlTest, FullSharesFollowTheRightAndBottomEdgesAndFullLeftShareMoves) {
    CResizeDlg dlg;
    WithDialog(dlg, [](CResizeDlg& d) {
        ASSERT_TRUE(d.m_resize.Create(&d));
        ASSERT_TRUE(d.m_resize.Add(101, 0, 0, 100, 100));
        ASSERT_TRUE(d.m_resize.Add(102, 100, 0, 0, 0));
        d.Grow(40, 30);
        EXPECT_EQ(d.Child(101), CRect(10, 10, 150, 90));
        EXPECT_EQ(d.Child(102), CRect(160, 10, 260, 60));
        EXPECT_EQ(d.m_ownSizes, 1) << "the dialog's own size handler still runs";
        d.Grow(-40, -30);
        EXPECT_EQ(d.Child(101), CRect(10, 10, 110, 60));
        EXPECT_EQ(d.Child(102), CRect(120, 10, 220, 60));
    });
}

TEST(ResizeCtrlTest, HalfSharesOfSinglePixelsAddUpWithoutDrift) {
    CResizeDlg dlg;
    WithDialog(dlg, [](CResizeDlg& d) {
        d.m_resize.Create(&d);
        d.m_resize.Add(101, 0, 0, 50, 0);
        d.m_resize.Add(102, 50, 0, 50, 0);
        for (int i = 0; i < 10; ++i)
            d.Grow(1, 0);
        EXPECT_EQ(d.Child(101), CRect(10, 10, 115, 60));
        EXPECT_EQ(d.Child(102), CRect(125, 10, 230, 60));
        // Odd steps back and forth leave every control where it started.
        for (int i = 0; i < 7; ++i)
            d.Grow(-3, 0);
        for (int i = 0; i < 7; ++i)
            d.Grow(3, 0);
        for (int i = 0; i < 10; ++i)
            d.Grow(-1, 0);
        EXPECT_EQ(d.Child(101), CRect(10, 10, 110, 60));
        EXPECT_EQ(d.Child(102), CRect(120, 10, 220, 60));
    });
}

TEST(ResizeCtrlTest, RefusesSharesBeyondTheScaleAndASecondCreate) {
    CResizeDlg dlg;
    WithDialog(dlg, [](CResizeDlg& d) {
        EXPECT_FALSE(d.m_resize.Add(101, 0, 0, 100, 100)) << "nothing can be added before Create";
        EXPECT_TRUE(d.m_resize.Create(&d));
        EXPECT_FALSE(d.m_resize.Create(&d));
        EXPECT_FALSE(d.m_resize.Add(101, 60, 0, 50, 0));
        EXPECT_FALSE(d.m_resize.Add(101, 0, 70, 0, 40));
        EXPECT_FALSE(d.m_resize.Add(101, -1, 0, 0, 0));
        EXPECT_FALSE(d.m_resize.Add(101, 0, 0, 101, 0));
        EXPECT_FALSE(d.m_resize.Add(999, 0, 0, 10, 10)) << "no such control";
        d.Grow(50, 50);
        EXPECT_EQ(d.Child(101), CRect(10, 10, 110, 60)) << "the refused entries were not added";
    });
}

TEST(ResizeCtrlTest, ShrinkingBelowZeroWidthKeepsTheDeficitUntilItIsRegained) {
    CResizeDlg dlg;
    WithDialog(dlg, [](CResizeDlg& d) {
        d.m_resize.Create(&d);
        d.m_resize.Add(101, 0, 0, 100, 0); // 100 pixels wide
        d.Grow(-150, 0);
        EXPECT_EQ(d.Child(101).Width(), 0);
        d.Grow(30, 0);
        EXPECT_EQ(d.Child(101).Width(), 0) << "20 of the 50 pixels owed are paid back";
        d.Grow(25, 0);
        EXPECT_EQ(d.Child(101).Width(), 5);
        d.Grow(95, 0);
        EXPECT_EQ(d.Child(101).Width(), 100);
    });
}

TEST(ResizeCtrlTest, MinimumTrackingSizeIsTheSizeItWasTakenAt) {
    CResizeDlg dlg;
    WithDialog(dlg, [](CResizeDlg& d) {
        EXPECT_EQ(vq::MinTrackSize(d), CSize(0, 0));
        d.m_resize.Create(&d);
        d.m_resize.SetMinimumTrackingSize();
        CRect window;
        d.GetWindowRect(&window);
        EXPECT_EQ(vq::MinTrackSize(d), CSize(window.Width(), window.Height()));
        d.m_resize.SetMinimumTrackingSize(CSize(120, 90));
        EXPECT_EQ(vq::MinTrackSize(d), CSize(120, 90));
    });
}

TEST(ResizeCtrlTest, DisablingUnhooksAndTheWindowsDestructionDisables) {
    CResizeDlg dlg;
    WithDialog(dlg, [](CResizeDlg& d) {
        d.m_resize.Create(&d, FALSE);
        d.m_resize.Add(101, 0, 0, 100, 100);
        EXPECT_EQ(CResizeCtrl::FromWindow(&d), nullptr);
        EXPECT_FALSE(d.m_resize.SetEnabled(FALSE)) << "already disabled";
        EXPECT_TRUE(d.m_resize.SetEnabled(TRUE));
        EXPECT_TRUE(d.GetStyle() & WS_THICKFRAME);
        d.Grow(10, 10);
        EXPECT_EQ(d.Child(101), CRect(10, 10, 120, 70));
        EXPECT_TRUE(d.m_resize.SetEnabled(FALSE));
        EXPECT_FALSE(d.GetStyle() & WS_THICKFRAME);
        d.Grow(10, 10);
        EXPECT_EQ(d.Child(101), CRect(10, 10, 120, 70));
        d.m_resize.SetEnabled(TRUE);
    });
    EXPECT_EQ(CResizeCtrl::FromWindow(&dlg), nullptr) << "closing the dialog unhooked it";
    EXPECT_FALSE(dlg.m_resize.GetEnabled());
}

TEST(ResizeCtrlTest, ADialogOpenedAgainCanCreateItsResizerAgain) {
    CResizeDlg dlg;
    WithDialog(dlg, [](CResizeDlg& d) { EXPECT_TRUE(d.m_resize.Create(&d)); });
    WithDialog(dlg, [](CResizeDlg& d) {
        EXPECT_TRUE(d.m_resize.Create(&d));
        EXPECT_TRUE(d.m_resize.Add(101, 0, 0, 100, 0));
        d.Grow(10, 0);
        EXPECT_EQ(d.Child(101).Width(), 110);
    });
}
