// The progress window as a person sees it in the Qt view: the cancel button pressed while a loop
// runs stops the loop at its next PeekAndPump; a transfer's window and the dialog it serves as
// they are minimised and restored.
#include "controls/FtpTransferWindow.h"
#include "controls/ProgressDlg.h"
#include "controls/ProgressWnd.h"
#include "platform/ui/View.h"
#include "platform/ui/qt/QtDialogView.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

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

namespace {

// The Qt view runs the modal loops of the test, as for a person.
class WithTheQtView {
public:
    WithTheQtView() : m_previous(vq::SetDialogView(&vq::QtDialogView())) {}
    ~WithTheQtView() { vq::SetDialogView(m_previous); }
    WithTheQtView(const WithTheQtView&) = delete;
    WithTheQtView& operator=(const WithTheQtView&) = delete;

private:
    vq::DialogView* m_previous;
};

// Lets the view's events run until the windows are as expected (true), or for 30 seconds (false).
bool Settles(const std::function<bool()>& expected) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!expected()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        vq::ActiveDialogView().ProcessPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

} // namespace

// A transfer's window has a taskbar entry of its own (so does a dialog that no window owns), and
// the dialog it serves takes no input meanwhile and says why in its caption. The two go together
// when either is minimised and come back together when the person restores either; and when the
// transfer ends with both minimised, the dialog is shown normal, active, enabled and with its own
// caption again.
TEST(FtpTransferWindowQtTest, TheTransfersWindowAndItsDialogComeBackTogether) {
    WithTheQtView view;
    static const vq::DialogTemplate kServed{
        "评审意见", {vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};
    CDialog dialog(kServed);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    const auto orLate = [deadline](bool ready) {
        return ready || std::chrono::steady_clock::now() > deadline;
    };
    vq::qtinput::WhenReady(
        [&] { return orLate(vq::qtinput::IsActive(dialog)); },
        [&] {
            EXPECT_TRUE(vq::qtinput::HasTaskbarEntry(dialog)) << "no window owns the dialog";
            {
                CFtpTransferWindow display;
                FtpTransferState state;
                state.fileName = "校对_总图.dwg";
                state.upload = true;
                state.total = 40000;
                state.seconds = 1.5;
                EXPECT_TRUE(display.Update(state));
                CProgressWnd* window = display.Window();
                ASSERT_NE(window, nullptr);
                EXPECT_TRUE(vq::qtinput::HasTaskbarEntry(*window));
                EXPECT_FALSE(dialog.IsWindowEnabled());
                EXPECT_EQ(dialog.GetWindowTextValue(), "评审意见 (正在上传文件，完成前本窗口不能操作)");
                EXPECT_TRUE(Settles([&] { return vq::qtinput::IsActive(*window); }))
                    << "typing goes to the transfer's window, where 取消 is";

                const auto bothMinimised = [&](bool minimised) {
                    if (Settles([&] {
                            return vq::qtinput::IsMinimized(dialog) == minimised &&
                                   vq::qtinput::IsMinimized(*window) == minimised;
                        }))
                        return ::testing::AssertionSuccess();
                    return ::testing::AssertionFailure()
                           << "the dialog " << (vq::qtinput::IsMinimized(dialog) ? "minimised" : "shown")
                           << ", the transfer's window "
                           << (vq::qtinput::IsMinimized(*window) ? "minimised" : "shown");
                };
                for (bool restoreTheDialog : {true, false}) {
                    SCOPED_TRACE(restoreTheDialog ? "the dialog restored" : "the transfer's window restored");
                    EXPECT_TRUE(vq::qtinput::Minimize(*window));
                    EXPECT_TRUE(bothMinimised(true)) << "the dialog goes with the transfer's window";
                    EXPECT_TRUE(
                        vq::qtinput::Restore(restoreTheDialog ? static_cast<CWnd&>(dialog) : *window));
                    EXPECT_TRUE(bothMinimised(false)) << "both come back";
                    EXPECT_TRUE(display.Update(state));
                }

                EXPECT_TRUE(vq::qtinput::Minimize(dialog));
                EXPECT_TRUE(bothMinimised(true)) << "the transfer's window goes with its dialog";
                state.seconds = 2.0;
                state.done = state.total;
                EXPECT_TRUE(display.Update(state));
            }
            EXPECT_TRUE(Settles([&] { return !vq::qtinput::IsMinimized(dialog); }));
            EXPECT_TRUE(dialog.IsWindowEnabled());
            EXPECT_EQ(dialog.GetWindowTextValue(), "评审意见");
            vq::qtinput::WhenReady([&] { return orLate(vq::qtinput::IsActive(dialog)); },
                                   [&] {
                                       EXPECT_TRUE(vq::qtinput::IsActive(dialog));
                                       dialog.EndDialog(IDOK);
                                   });
        });
    EXPECT_EQ(dialog.DoModal(), IDOK);
}
