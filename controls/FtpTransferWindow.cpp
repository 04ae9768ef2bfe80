#include "controls/FtpTransferWindow.h"

#include "platform/ui/View.h"

#include <algorithm>
#include <vector>

namespace {

// The window shows what moved at most this often; the cancel button is looked at on every step.
constexpr auto kRefresh = std::chrono::milliseconds(100);

CString SizeText(std::uint64_t bytes) {
    CString text;
    if (bytes < 1024)
        text.Format("%llu 字节", static_cast<unsigned long long>(bytes));
    else if (bytes < 1024 * 1024)
        text.Format("%.1f KB", static_cast<double>(bytes) / 1024.0);
    else
        text.Format("%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

// The transfers running on the window thread that serve a window, innermost last.
std::vector<CFtpTransferWindow*>& Serving() {
    static auto* transfers = new std::vector<CFtpTransferWindow*>();
    return *transfers;
}

// The window a transfer serves: the dialog whose modal loop runs innermost (the transfer runs in
// one of its commands), else the top-level window that holds the keyboard focus (a modeless
// window's command).
CWnd* WindowToServe() {
    CWnd* served = nullptr;
    for (CWnd* window : vq::TopLevelWindows()) {
        const auto* dialog = dynamic_cast<const CDialog*>(window);
        if (dialog && dialog->IsInModalLoop() && dialog->IsWindowVisible())
            served = window;
    }
    if (served)
        return served;
    CWnd* focus = CWnd::GetFocus();
    CWnd* top = focus ? focus->GetTopLevelParent() : nullptr;
    return top && top->IsWindowVisible() ? top : nullptr;
}

// A close of a window that a transfer serves asks first whether to stop the transfer.
bool AskBeforeClosingDuringTransfer(CWnd* window, UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_CLOSE || !window)
        return false;
    CFtpTransferWindow* transfer = CFtpTransferWindow::ServingWindow(*window);
    if (!transfer)
        return false;
    transfer->AskToStopForClose();
    *result = 0;
    return true;
}

[[maybe_unused]] const bool registered =
    (SetFtpTransferDisplayFactory(
         []() -> std::unique_ptr<FtpTransferDisplay> { return std::make_unique<CFtpTransferWindow>(); }),
     vq::AddWindowProcHook(&AskBeforeClosingDuringTransfer), true);

} // namespace

CString CFtpTransferWindow::MessageOf(const FtpTransferState& state) {
    CString moved = SizeText(state.done);
    if (state.total > 0)
        moved += " / " + SizeText(state.total);
    // The speed of what the server has taken, not of what went into the system's buffers.
    const double speed = state.seconds > 0 ? static_cast<double>(state.done) / state.seconds : 0;
    CString text = "文件: " + state.fileName + "\n已传输: " + moved +
                   "\n速度: " + SizeText(static_cast<std::uint64_t>(speed)) + "/s";
    if (state.waitingForServer)
        text += CString("\n") + kWaitingForServer;
    return text;
}

CString CFtpTransferWindow::WaitingMessage(const CString& server, bool connecting) {
    return connecting ? "正在连接FTP服务器 " + server + " ..." : "正在等待FTP服务器 " + server + " 的应答...";
}

CString CFtpTransferWindow::BusyCaption(const CString& caption, const CString& why) {
    return caption + " (" + why + "，完成前本窗口不能操作)";
}

CFtpTransferWindow::~CFtpTransferWindow() {
    m_window.reset();
    EndServing();
}

CWnd* CFtpTransferWindow::ServedWindow() const {
    return m_served && ::IsWindow(m_served) && m_served->GetSerial() == m_servedSerial ? m_served : nullptr;
}

CFtpTransferWindow* CFtpTransferWindow::ServingWindow(const CWnd& window) {
    for (CFtpTransferWindow* transfer : Serving())
        if (transfer->ServedWindow() == &window)
            return transfer;
    return nullptr;
}

// From the transfer's start the window it serves is known, and a close of it asks first.
void CFtpTransferWindow::BeginServing() {
    m_served = WindowToServe();
    if (!m_served)
        return;
    m_servedSerial = m_served->GetSerial();
    Serving().push_back(this);
}

void CFtpTransferWindow::EndServing() {
    auto& serving = Serving();
    serving.erase(std::remove(serving.begin(), serving.end(), this), serving.end());
    CWnd* served = ServedWindow();
    m_served = nullptr;
    if (!served)
        return;
    if (m_servedWasEnabled) {
        // Its own caption again, unless its code gave it another meanwhile.
        if (served->GetWindowTextValue() == m_busyCaption)
            served->SetWindowText(m_servedCaption);
        served->EnableWindow(TRUE);
        // The window comes back where the person works: restored when it was minimised (some window
        // managers minimise it with the transfer's window, others leave it behind), in front and
        // active.
        vq::ActiveDialogView().BringToFront(*served);
    }
    // The close the person asked for, now that the transfer has ended.
    if (m_stopped)
        served->PostMessage(WM_CLOSE);
}

void CFtpTransferWindow::AskToStopForClose() {
    if (m_stopped)
        return;
    CWnd* served = ServedWindow();
    if (!served)
        return;
    const LRESULT own = served->SendMessage(kCloseDuringTransfer);
    if (own == kGoOn || !ServedWindow())
        return;
    if (own != kStopForClose && served->MessageBox(m_waiting ? kStopWaitingQuestion : kStopQuestion,
                                                   "操作提示", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    m_stopped = true;
}

bool CFtpTransferWindow::Update(const FtpTransferState& state) {
    // A transfer of another thread (a worker of the caller's) is not shown: windows belong to the
    // main thread. The program's end still stops it.
    if (!vq::IsWindowThread())
        return true;
    // Whatever touches a display that has gone ends the program where it stands: the transfer stops
    // first, taking back what it left half done, and its window is left alone.
    if (vq::ActiveDialogView().DisplayGone())
        return false;
    if (!m_started) {
        m_started = true;
        BeginServing();
    }
    if (m_stopped)
        return false;
    if (!m_window) {
        if (state.seconds < kShowAfterSeconds)
            return true;
        Open(state.upload ? "正在上传文件" : "正在下载文件");
        m_window->SetRange(0, 100);
    } else if (m_window->Cancelled()) {
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastShown >= kRefresh) {
        m_lastShown = now;
        m_window->SetText(MessageOf(state));
        // The file is whole on the server only once the server says so, after the transfer: while
        // it runs the bar stops short of 100 %.
        if (state.total > 0)
            m_window->SetPos(static_cast<int>(std::min<std::uint64_t>(state.done * 100 / state.total, 99)));
    }
    return !m_window->PeekAndPump() && !m_stopped;
}

bool CFtpTransferWindow::Waiting(const CString& server, bool connecting, double seconds) {
    if (!vq::IsWindowThread())
        return true;
    if (!m_started) {
        m_started = true;
        m_waiting = true;
        BeginServing();
    }
    if (m_stopped)
        return false;
    if (!m_window) {
        if (seconds < kShowAfterSeconds)
            return true;
        Open(connecting ? "正在连接FTP服务器" : "正在等待FTP服务器");
        m_window->SetText(WaitingMessage(server, connecting));
    } else if (m_window->Cancelled()) {
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastShown >= kRefresh) {
        m_lastShown = now;
        // Nothing to measure: the bar says how long it has waited.
        CString waited;
        waited.Format("已等待 %d 秒", static_cast<int>(seconds));
        m_window->m_bar.SetWindowText(waited);
    }
    return !m_window->PeekAndPump() && !m_stopped;
}

void CFtpTransferWindow::Open(const CString& title) {
    CWnd* served = ServedWindow();
    // A taskbar entry of its own: the person may minimise it and must find it again.
    m_window = std::make_unique<CProgressWnd>(served, title, FALSE, true);
    if (!served)
        return;
    // Modal to the served window: it takes no input while the request runs, and says why in its
    // caption; the window is where typing goes, so that 取消 is at hand.
    m_servedWasEnabled = served->EnableWindow(FALSE) == FALSE;
    if (m_servedWasEnabled) {
        m_servedCaption = served->GetWindowTextValue();
        m_busyCaption = BusyCaption(m_servedCaption, title);
        served->SetWindowText(m_busyCaption);
    }
    vq::ActiveDialogView().BringToFront(*m_window);
}
