// The progress window as a person sees it in the Qt view: the cancel button pressed while a loop
// runs stops the loop at its next PeekAndPump.
#include "controls/ProgressDlg.h"
#include "controls/ProgressWnd.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"

#include <gtest/gtest.h>

#include <cstdlib>

TEST(ProgressQtTest, PersonPressesCancelWhileTheLoopRuns) {
    CProgressWnd progress(nullptr, "导入数据");
    progress.SetRange(0, 100);
    progress.SetText("正在存储明细信息......");
    int done = 0;
    for (int i = 0; i < 100; ++i) {
        if (i == 5) {
            ASSERT_TRUE(vq::qtinput::Click(progress.m_cancelButton)) << "the window has its widgets";
        }
        progress.StepIt();
        if (progress.PeekAndPump())
            break;
        ++done;
    }
    EXPECT_EQ(done, 5);
    EXPECT_TRUE(progress.m_cancelled);
    EXPECT_EQ(vq::qtinput::ShownText(progress.m_message), "正在存储明细信息......");
}

TEST(ProgressQtTest, ProgressDialogShowsItsOwnPaintedBarInTheView) {
    CProgressDlg dlg(nullptr);
    ASSERT_TRUE(dlg.Create(CProgressDlg::IDD, nullptr));
    dlg.m_progress.SetRange(0, 10);
    dlg.m_progress.SetPos(10);
    dlg.SetText("正在存储标题信息......");
    const CBitmap picture = vq::RenderDialogInQt(dlg);
    ASSERT_GT(picture.Width(), 100);
    // The filled bar is our gradient of the highlight colour, not the view's own progress bar.
    int h = 0, l = 0, s = 0, barPixels = 0;
    int hueOfBar = 0, lOfBar = 0, sOfBar = 0;
    vq::RgbToHls(dlg.m_progress.m_barColor, hueOfBar, lOfBar, sOfBar);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.Width(); ++x) {
            vq::RgbToHls(picture.GetPixel(x, y), h, l, s);
            if (s > 100 && std::abs(h - hueOfBar) < 4)
                ++barPixels;
        }
    EXPECT_GT(barPixels, 500);
    if (const char* dir = std::getenv("VQ_SCREENSHOT_DIR"))
        picture.SavePng(CString(dir) + "/progress-dialog.png");
    dlg.DestroyWindow();
}
