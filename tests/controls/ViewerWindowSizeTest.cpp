// The size handling of the viewer windows: changes measured from the last size followed, the
// first size as the smallest, controls moved by their edges.
#include "controls/ViewerWindowSize.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ScriptedUser.h"

#include "tests/support/NoScreenshots.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

const vq::DialogTemplate kViewerTemplate{
    "看图窗口",
    {vq::CustomWindow(101, vq::kNoLayoutFlags, 0, CRect(10, 10, 110, 60)),
     vq::CustomWindow(102, vq::kNoLayoutFlags, 0, CRect(120, 10, 220, 60)), vq::DefPushButton(IDOK, "确定")},
    CSize(300, 200)};

class CViewerDlg : public CDialog {
public:
    CViewerDlg() : CDialog(kViewerTemplate, nullptr) {}
    CRect Child(int id) const { return GetDlgItem(id)->GetRectInParent(); }
    void SizeBy(int dx, int dy) {
        CRect r;
        GetWindowRect(&r);
        MoveWindow(r.left, r.top, r.Width() + dx, r.Height() + dy);
    }
};

void WithDialog(std::function<void(CViewerDlg&)> check) {
    vqtest::NoScreenshots noScreenshots;
    vq::ScriptedUser user;
    user.Do([&](CDialog& d) { check(static_cast<CViewerDlg&>(d)); }).Click(IDOK);
    CViewerDlg dlg;
    dlg.DoModal();
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

} // namespace

TEST(ViewerWindowSizeTest, ChangesAreMeasuredFromTheLastSizeFollowedAndNeverBelowTheFirst) {
    WithDialog([](CViewerDlg& d) {
        CViewerWindowSize size;
        int dx = -1, dy = -1;
        EXPECT_FALSE(size.Follow(d, dx, dy)); // not started
        size.Start(d);
        d.SizeBy(40, 30);
        ASSERT_TRUE(size.Follow(d, dx, dy));
        EXPECT_EQ(dx, 40);
        EXPECT_EQ(dy, 30);
        ASSERT_TRUE(size.Follow(d, dx, dy));
        EXPECT_EQ(dx, 0);
        EXPECT_EQ(dy, 0);
        // Smaller than the first size both ways: not followed, so the next change counts from
        // the size followed last.
        d.SizeBy(-60, -50);
        EXPECT_FALSE(size.Follow(d, dx, dy));
        d.SizeBy(70, 60);
        ASSERT_TRUE(size.Follow(d, dx, dy));
        EXPECT_EQ(dx, 10);
        EXPECT_EQ(dy, 10);
        // Narrower but taller than the first size is followed.
        d.SizeBy(-80, 5);
        ASSERT_TRUE(size.Follow(d, dx, dy));
        EXPECT_EQ(dx, -80);
        EXPECT_EQ(dy, 5);
    });
}

TEST(ViewerWindowSizeTest, ControlsMoveByTheirEdgesAndMissingIdsAreSkipped) {
    WithDialog([](CViewerDlg& d) {
        OffsetControls(d, {102, 999, IDOK}, 25, 0);
        EXPECT_EQ(d.Child(102), CRect(145, 10, 245, 60));
        MoveEdges(*d.GetDlgItem(101), 0, 5, 20, 30);
        EXPECT_EQ(d.Child(101), CRect(10, 15, 130, 90));
    });
}
