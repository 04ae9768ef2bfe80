#include "controls/FtpTransferWindow.h"

#include "platform/ui/View.h"

#include <algorithm>

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

[[maybe_unused]] const bool registered =
    (SetFtpTransferDisplayFactory(
         []() -> std::unique_ptr<FtpTransferDisplay> { return std::make_unique<CFtpTransferWindow>(); }),
     true);

} // namespace

CString CFtpTransferWindow::MessageOf(const FtpTransferState& state) {
    CString moved = SizeText(state.done);
    if (state.total > 0)
        moved += " / " + SizeText(state.total);
    const double speed = state.seconds > 0 ? static_cast<double>(state.done) / state.seconds : 0;
    return "文件: " + state.fileName + "\n已传输: " + moved +
           "\n速度: " + SizeText(static_cast<std::uint64_t>(speed)) + "/s";
}

bool CFtpTransferWindow::Update(const FtpTransferState& state) {
    if (!m_window) {
        // A transfer of another thread (a worker of the caller's) is not shown: windows belong
        // to the main thread. The program's end still stops it.
        if (state.seconds < kShowAfterSeconds || !vq::IsWindowThread())
            return true;
        m_window = std::make_unique<CProgressWnd>(nullptr, state.upload ? "正在上传文件" : "正在下载文件");
        m_window->SetRange(0, 100);
    } else if (m_window->Cancelled()) {
        return false;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastShown >= kRefresh) {
        m_lastShown = now;
        m_window->SetText(MessageOf(state));
        if (state.total > 0)
            m_window->SetPos(static_cast<int>(std::min<std::uint64_t>(state.done * 100 / state.total, 100)));
    }
    return !m_window->PeekAndPump();
}
