// Progress indicators: the self-painted bar looked at by pixel, the progress window's steps and
// its cancel through the pump, and the status-bar indicator with and without a host status bar.
#include "controls/FtpTransferWindow.h"
#include "controls/ProgressDlg.h"
#include "controls/ProgressWnd.h"
#include "controls/StatusProgress.h"
#include "controls/TextProgressCtrl.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/ScriptedUser.h"
#include "platform/ui/StatusBar.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Counts the repaints a window asks for.
class CountingUser : public vq::ScriptedUser {
public:
    int invalidated = 0;
    void Invalidate(CWnd&) override { ++invalidated; }
};

int CountPixels(const CBitmap& image, COLORREF color) {
    int count = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            if (image.GetPixel(x, y) == color)
                ++count;
    return count;
}

// Pixels of text drawn in a colour: smoothed glyphs are mostly near the colour, seldom exact.
int CountNearPixels(const CBitmap& image, COLORREF color, int tolerance = 60) {
    int count = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            const COLORREF p = image.GetPixel(x, y);
            if (std::abs(GetRValue(p) - GetRValue(color)) + std::abs(GetGValue(p) - GetGValue(color)) +
                    std::abs(GetBValue(p) - GetBValue(color)) <
                tolerance)
                ++count;
        }
    return count;
}

struct BarHost {
    CWnd parent;
    CTextProgressCtrl bar;
    BarHost(int width = 200, int height = 20) {
        parent.CreateEx(0, "VqWindow", "host", WS_POPUP, CRect(0, 0, 300, 100), nullptr, 0);
        bar.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, width, height), &parent, 12);
    }
};

} // namespace

TEST(ProgressTextBarTest, EmptyBarShowsZeroPercentInTheTextColourOverTheBackground) {
    vq::ScriptedUser user;
    BarHost host;
    host.bar.SetRange(0, 10);
    host.bar.SetPos(0);
    const CBitmap image = vq::RenderWindow(host.bar);
    ASSERT_EQ(image.Width(), 200);
    EXPECT_EQ(image.GetPixel(0, 10), host.bar.m_bkColor);
    EXPECT_EQ(image.GetPixel(199, 10), host.bar.m_bkColor);
    EXPECT_GT(CountNearPixels(image, host.bar.m_textColor), 5) << "the text \"0%\" is drawn in m_textColor";
}

TEST(ProgressTextBarTest, FullBarIsFilledAndItsTextIsInTheBarTextColour) {
    vq::ScriptedUser user;
    BarHost host;
    host.bar.m_textBarColor = RGB(255, 255, 0); // told apart from every colour of the gradient
    host.bar.SetRange(0, 10);
    host.bar.SetPos(10);
    const CBitmap image = vq::RenderWindow(host.bar);
    EXPECT_NE(image.GetPixel(0, 2), host.bar.m_bkColor);
    EXPECT_NE(image.GetPixel(199, 2), host.bar.m_bkColor);
    EXPECT_EQ(CountPixels(image, host.bar.m_bkColor), 0);
    EXPECT_GT(CountNearPixels(image, RGB(255, 255, 0)), 5);
}

TEST(ProgressTextBarTest, GradientGetsLighterFromLeftToRight) {
    vq::ScriptedUser user;
    BarHost host;
    host.bar.m_showText = FALSE;
    host.bar.SetPos(100);
    const CBitmap image = vq::RenderWindow(host.bar);
    int h = 0, leftL = 0, rightL = 0, s = 0;
    vq::RgbToHls(image.GetPixel(0, 5), h, leftL, s);
    vq::RgbToHls(image.GetPixel(198, 5), h, rightL, s);
    EXPECT_GT(rightL, leftL + 50);
}

TEST(ProgressTextBarTest, HlsConversionKnowsGreysAndRoundTrips) {
    int h = 0, l = 0, s = 0;
    vq::RgbToHls(RGB(128, 128, 128), h, l, s);
    EXPECT_EQ(h, 170);
    EXPECT_EQ(s, 0);
    for (COLORREF c : {RGB(0, 120, 215), RGB(255, 0, 0), RGB(12, 200, 40), RGB(250, 250, 10)}) {
        vq::RgbToHls(c, h, l, s);
        const COLORREF back = vq::HlsToRgb(h, l, s);
        // The 0..255 scale cannot split the hue circle in six exact parts: a few units are lost.
        EXPECT_NEAR(GetRValue(back), GetRValue(c), 6);
        EXPECT_NEAR(GetGValue(back), GetGValue(c), 6);
        EXPECT_NEAR(GetBValue(back), GetBValue(c), 6);
    }
}

TEST(ProgressTextBarTest, RepaintsOnlyWhenTheFilledWidthChanges) {
    CountingUser user;
    BarHost host(10, 20); // ten pixels for a range of 100: ten positions per pixel
    host.bar.SetRange(0, 100);
    host.bar.SetPos(20);
    const int afterFirst = user.invalidated;
    EXPECT_GE(afterFirst, 1);
    host.bar.SetPos(25); // still two pixels
    EXPECT_EQ(user.invalidated, afterFirst);
    EXPECT_EQ(host.bar.SetPos(30), 25); // three pixels, and the previous position back
    EXPECT_GT(user.invalidated, afterFirst);
}

TEST(ProgressTextBarTest, WithoutAWindowSetPosAnswersMinusOne) {
    CTextProgressCtrl bar;
    EXPECT_EQ(bar.SetPos(5), -1);
}

TEST(ProgressTextBarTest, WindowTextReplacesThePercentageAndIsReadBackWithinTheBuffer) {
    vq::ScriptedUser user;
    BarHost host;
    host.bar.SetPos(50);
    host.bar.SetWindowText("导入中");
    char buffer[4] = {};
    // "导入中" is nine bytes; three bytes hold one character, never half of the next.
    EXPECT_EQ(host.bar.SendMessage(WM_GETTEXT, 5, reinterpret_cast<LPARAM>(buffer)), 3);
    EXPECT_STREQ(buffer, "导");
    CString text;
    host.bar.GetWindowText(text);
    EXPECT_EQ(text, "导入中");
}

TEST(ProgressDialogTest, ShowsTextAndBarFromItsTemplate) {
    vq::ScriptedUser user;
    CProgressDlg dlg(nullptr);
    ASSERT_TRUE(dlg.Create(CProgressDlg::IDD, nullptr));
    dlg.CenterWindow();
    dlg.ShowWindow(SW_SHOW);
    dlg.m_progress.SetRange(0, 10);
    dlg.m_progress.SetPos(6);
    dlg.SetText("正在读取数据文件中的明细信息......");
    CString text;
    dlg.GetDlgItemText(CProgressDlg::kTextId, text);
    EXPECT_EQ(text, "正在读取数据文件中的明细信息......");
    EXPECT_EQ(dlg.GetDlgItem(CProgressDlg::kBarId), &dlg.m_progress);
    EXPECT_EQ(dlg.m_progress.GetPos(), 6);
    dlg.DestroyWindow();
}

TEST(ProgressWindowTest, TenStepsOfARangeOfTenReachOneHundredPercentAndStayThere) {
    vq::ScriptedUser user;
    CProgressWnd progress(nullptr, "导入数据");
    progress.SetRange(0, 10, 1);
    progress.SetPos(0);
    for (int i = 0; i < 10; ++i)
        progress.StepIt();
    CString title;
    progress.GetWindowText(title);
    EXPECT_EQ(title, "导入数据 [100%]");
    EXPECT_EQ(progress.m_bar.GetPos(), 100);
    EXPECT_EQ(progress.StepIt(), 100);
    progress.GetWindowText(title);
    EXPECT_EQ(title, "导入数据 [100%]");
}

TEST(ProgressWindowTest, EqualBoundsStepByOnePercent) {
    vq::ScriptedUser user;
    CProgressWnd progress;
    progress.SetRange(5, 5);
    progress.StepIt();
    progress.StepIt();
    EXPECT_EQ(progress.m_bar.GetPos(), 2);
    CString title;
    progress.GetWindowText(title);
    EXPECT_EQ(title, "正在进行 [2%]");
}

TEST(ProgressWindowTest, StepsAfterSetPosContinueFromThere) {
    vq::ScriptedUser user;
    CProgressWnd progress;
    progress.SetRange(0, 20);
    progress.SetPos(10);
    EXPECT_EQ(progress.m_bar.GetPos(), 50);
    progress.StepIt();
    EXPECT_EQ(progress.m_bar.GetPos(), 55);
}

TEST(ProgressWindowTest, SetPosMeasuresFromTheLowerBoundAndStaysWithinTheBar) {
    vq::ScriptedUser user;
    CProgressWnd progress(nullptr, "统计");
    progress.SetRange(10, 20);
    progress.SetPos(15);
    CString title;
    progress.GetWindowText(title);
    EXPECT_EQ(title, "统计 [50%]");
    progress.SetPos(40);
    progress.GetWindowText(title);
    EXPECT_EQ(title, "统计 [100%]");
    progress.SetRange(20, 10);
    progress.SetPos(15);
    progress.GetWindowText(title);
    EXPECT_EQ(title, "统计 [0%]") << "a reversed range shows nothing";
}

TEST(ProgressWindowTest, MessageLineTakesAFormattedText) {
    vq::ScriptedUser user;
    CProgressWnd progress;
    progress.SetText("正在处理第 %d 行: %s", 3, CString("P-1"));
    CString text;
    progress.GetDlgItemText(CProgressWnd::kMessageId, text);
    EXPECT_EQ(text, "正在处理第 3 行: P-1");
    progress.SetText(CString(std::string(600, 'x').c_str()));
    progress.GetDlgItemText(CProgressWnd::kMessageId, text);
    EXPECT_EQ(text.GetLength(), 511);
}

namespace {
// Stands for the person: a posted message that presses a button when the pump runs it.
struct Clicker : CWnd {
    CButton* button = nullptr;
    LRESULT DefWindowProc(UINT message, WPARAM w, LPARAM l) override {
        if (message == WM_USER + 2 && button)
            button->Click();
        return CWnd::DefWindowProc(message, w, l);
    }
};
} // namespace

TEST(ProgressWindowTest, CancelButtonStopsALongLoopThroughThePump) {
    vq::ScriptedUser user;
    Clicker clicker;
    clicker.CreateEx(0, "VqWindow", "", WS_POPUP, CRect(), nullptr, 0);
    CProgressWnd progress(nullptr, "处理");
    progress.SetRange(0, 1000);
    clicker.button = &progress.m_cancelButton;
    int done = 0;
    for (int i = 0; i < 1000; ++i) {
        if (i == 7)
            clicker.PostMessage(WM_USER + 2);
        progress.StepIt();
        if (progress.PeekAndPump())
            break;
        ++done;
    }
    EXPECT_EQ(done, 7);
    EXPECT_TRUE(progress.Cancelled());
    EXPECT_FALSE(progress.IsWindowVisible());
    EXPECT_TRUE(progress.PeekAndPump()) << "once cancelled it stays cancelled";
    clicker.DestroyWindow();
}

TEST(ProgressWindowTest, EscCancelsOnlyWhenPumpedWithTheFlag) {
    vq::ScriptedUser user;
    CProgressWnd progress;
    progress.PostMessage(WM_CHAR, VK_ESCAPE);
    EXPECT_FALSE(progress.PeekAndPump(FALSE));
    progress.PostMessage(WM_CHAR, VK_ESCAPE);
    EXPECT_TRUE(progress.PeekAndPump(TRUE));

    // The key pressed in the window (the Qt view's way) behaves the same.
    CProgressWnd other;
    vq::PressKey(other, VK_ESCAPE);
    EXPECT_FALSE(other.m_cancelled) << "Esc outside the pump is ignored";
    EXPECT_TRUE(other.IsWindow());
}

TEST(ProgressWindowTest, HideAndShowFollowTheVisibleStyle) {
    vq::ScriptedUser user;
    CProgressWnd progress;
    EXPECT_TRUE(progress.IsWindowVisible());
    progress.Hide();
    EXPECT_FALSE(progress.IsWindowVisible());
    progress.StepIt();
    EXPECT_TRUE(progress.IsWindowVisible()) << "stepping shows it again";
}

namespace {
class RecordingStatusBar : public vq::StatusBarSink {
public:
    std::vector<CString> texts;
    std::vector<int> positions;
    int created = 0, destroyed = 0;
    bool room = true;
    void SetText(const CString& text) override { texts.push_back(text); }
    bool CreateProgress(const CString&) override {
        if (room)
            ++created;
        return room;
    }
    void SetProgress(int pos) override { positions.push_back(pos); }
    void DestroyProgress() override { ++destroyed; }
};
} // namespace

TEST(ProgressStatusBarTest, PromptBarAndIdleTextGoToTheHostStatusBar) {
    RecordingStatusBar bar;
    vq::StatusBarSink* old = vq::SetStatusBarSink(&bar);
    {
        CStatusProgress progress(IDS_STATUS_WAIT, TRUE);
        EXPECT_TRUE(vq::IsWaitCursorShown());
        progress.SetText("显示");
        progress.SetPos(20);
        progress.SetPos(50);
        progress.SetPos(100);
    }
    vq::SetStatusBarSink(old);
    EXPECT_FALSE(vq::IsWaitCursorShown());
    ASSERT_EQ(bar.texts.size(), 3u);
    EXPECT_EQ(bar.texts[0], "执行等待");
    EXPECT_EQ(bar.texts[1], "显示");
    EXPECT_EQ(bar.texts[2], vq::IdleStatusText());
    EXPECT_EQ(bar.created, 1);
    EXPECT_EQ(bar.destroyed, 1);
    EXPECT_EQ(bar.positions, (std::vector<int>{20, 50, 100}));
}

TEST(ProgressStatusBarTest, NegativePositionShowsPromptAndWaitCursorButNoBar) {
    RecordingStatusBar bar;
    vq::StatusBarSink* old = vq::SetStatusBarSink(&bar);
    {
        CStatusProgress progress(IDS_STATUS_WAIT);
        EXPECT_FALSE(progress.m_shown);
        progress.SetPos(-1);
        EXPECT_TRUE(progress.m_shown);
        EXPECT_TRUE(vq::IsWaitCursorShown());
    }
    vq::SetStatusBarSink(old);
    EXPECT_EQ(bar.created, 0);
    EXPECT_EQ(bar.destroyed, 0);
    EXPECT_FALSE(vq::IsWaitCursorShown());
}

TEST(ProgressStatusBarTest, WithoutAHostStatusBarNothingFails) {
    ASSERT_FALSE(vq::HasStatusBar());
    CStatusProgress progress(IDS_STATUS_WAIT, TRUE);
    progress.SetPos(10);
    progress.Show(); // shown twice: hides first, so the wait cursor is not counted twice
    progress.Hide();
    EXPECT_FALSE(vq::IsWaitCursorShown());
    EXPECT_FALSE(progress.m_hasBar);
}

// An FTP transfer gets its window only once it has run for a second; the window names the file,
// what moved of the whole and the speed, and its cancel button stops the transfer at its next step.
TEST(FtpTransferWindowTest, ALongTransferIsShownAndItsCancelStopsIt) {
    vq::ScriptedUser user;
    CFtpTransferWindow display;
    FtpTransferState state;
    state.fileName = "图纸 100%.dwg";
    state.done = 512;
    state.total = 2 << 20;
    state.seconds = 0.5;
    EXPECT_TRUE(display.Update(state));
    EXPECT_EQ(display.Window(), nullptr) << "a short transfer shows nothing";

    state.done = 3 << 19;
    state.seconds = 1.5;
    EXPECT_TRUE(display.Update(state));
    CProgressWnd* window = display.Window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->IsWindowVisible());
    CString text;
    window->GetWindowText(text);
    EXPECT_EQ(text, "正在下载文件 [75%]");
    window->GetDlgItemText(CProgressWnd::kMessageId, text);
    EXPECT_EQ(text, "文件: 图纸 100%.dwg\n已传输: 1.5 MB / 2.0 MB\n速度: 1.0 MB/s");
    window->GetDlgItemText(CProgressWnd::kCancelButtonId, text);
    EXPECT_EQ(text.Trim(), "取消");

    Clicker clicker;
    clicker.CreateEx(0, "VqWindow", "", WS_POPUP, CRect(), nullptr, 0);
    clicker.button = &window->m_cancelButton;
    clicker.PostMessage(WM_USER + 2);
    state.done += 1024;
    EXPECT_FALSE(display.Update(state));
    EXPECT_FALSE(display.Update(state)) << "a stopped transfer stays stopped";
    clicker.DestroyWindow();

    // A store of a file of unknown size says what went up.
    CFtpTransferWindow upload;
    state.upload = true;
    state.total = 0;
    state.done = 100;
    state.seconds = 2;
    EXPECT_TRUE(upload.Update(state));
    ASSERT_NE(upload.Window(), nullptr);
    upload.Window()->GetDlgItemText(CProgressWnd::kMessageId, text);
    EXPECT_EQ(text, "文件: 图纸 100%.dwg\n已传输: 100 字节\n速度: 50 字节/s");
}

// A store shows what the server has taken and the speed of that; once the server has taken every
// byte, the window says that it waits for the server's answer, and the bar stays at 99 % until the
// transfer has ended (the window then goes).
TEST(FtpTransferWindowTest, AStoreWaitingForTheServersAnswerIsNotShownAsDone) {
    vq::ScriptedUser user;
    CFtpTransferWindow display;
    FtpTransferState state;
    state.fileName = "校对_总图.dwg";
    state.upload = true;
    state.total = 200 * 1024;
    state.done = 3 * 1024;
    state.seconds = 3;
    EXPECT_TRUE(display.Update(state));
    CProgressWnd* window = display.Window();
    ASSERT_NE(window, nullptr);
    CString text;
    window->GetDlgItemText(CProgressWnd::kMessageId, text);
    EXPECT_EQ(text, "文件: 校对_总图.dwg\n已传输: 3.0 KB / 200.0 KB\n速度: 1.0 KB/s");
    window->GetWindowText(text);
    EXPECT_EQ(text, "正在上传文件 [1%]");

    // The next step is shown once the window's refresh interval has passed.
    state.done = state.total;
    state.seconds = 200;
    state.waitingForServer = true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    do {
        EXPECT_TRUE(display.Update(state));
        window->GetDlgItemText(CProgressWnd::kMessageId, text);
    } while (text.Find(CFtpTransferWindow::kWaitingForServer) < 0 &&
             std::chrono::steady_clock::now() < deadline);
    EXPECT_EQ(text, CString("文件: 校对_总图.dwg\n已传输: 200.0 KB / 200.0 KB\n速度: 1.0 KB/s\n") +
                        CFtpTransferWindow::kWaitingForServer);
    window->GetWindowText(text);
    EXPECT_EQ(text, "正在上传文件 [99%]");
}

// A transfer started by a command of a dialog serves that dialog: its window belongs to the dialog,
// which takes no input while the transfer runs. Closing the dialog meanwhile asks first: 否 lets the
// transfer go on and keeps the dialog; 是 stops the transfer, and the dialog closes once the
// transfer has ended, not while it still runs.
TEST(FtpTransferWindowTest, TheServedDialogIsClosedOnlyAfterAskingAndOnlyOnceTheTransferEnded) {
    static const vq::DialogTemplate kServed{
        "评审意见", {vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};
    FtpTransferState state;
    state.fileName = "校对_总图.dwg";
    state.upload = true;
    state.total = 40000;
    bool closedDuringTransfer = true;
    vq::ScriptedUser user;
    user.Dialog("评审意见")
        .Do([&](CDialog& dialog) {
            CFtpTransferWindow display;
            state.seconds = 0.2;
            EXPECT_TRUE(display.Update(state));
            state.seconds = 1.5;
            EXPECT_TRUE(display.Update(state));
            ASSERT_NE(display.Window(), nullptr);
            EXPECT_EQ(display.Window()->GetParentWindow(), &dialog);
            EXPECT_EQ(display.ServedWindow(), &dialog);
            EXPECT_FALSE(dialog.IsWindowEnabled());
            dialog.SendMessage(WM_CLOSE); // 否
            EXPECT_TRUE(display.Update(state));
            dialog.SendMessage(WM_CLOSE); // 是
            EXPECT_FALSE(display.Update(state));
            EXPECT_FALSE(display.Update(state)) << "a stopped transfer stays stopped";
            closedDuringTransfer = dialog.HasEnded();
        })
        .Message(CFtpTransferWindow::kStopQuestion, IDNO)
        .Message(CFtpTransferWindow::kStopQuestion, IDYES);
    CDialog dialog(kServed);
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_FALSE(closedDuringTransfer);

    // Without a dialog of its own the window belongs to none and nothing is disabled.
    CFtpTransferWindow display;
    state.seconds = 1.5;
    EXPECT_TRUE(display.Update(state));
    ASSERT_NE(display.Window(), nullptr);
    EXPECT_EQ(display.Window()->GetParentWindow(), nullptr);
}
