// CFtpTransferWindow: how a fetch or a store of the FTP layer is shown. A transfer that takes
// longer than a second gets a progress window with the file's name, the bytes moved of the
// whole, the speed and a cancel button (取消, or Esc); pressing it stops the transfer. While the
// window is up, the window's input (and the host's) is let run between the transfer's steps.
//
// The library sets it up as the display of every transfer when it is loaded
// (SetFtpTransferDisplayFactory); nothing else makes one.
#pragma once

#include "controls/ProgressWnd.h"
#include "platform/ftp/FtpConnection.h"

#include <chrono>
#include <memory>

class CFtpTransferWindow : public FtpTransferDisplay {
public:
    // How long a transfer runs before its window appears.
    static constexpr double kShowAfterSeconds = 1.0;

    bool Update(const FtpTransferState& state) override;

    // The window, once it appears (null before).
    CProgressWnd* Window() const { return m_window.get(); }
    // The message line of a state: "文件: a.dwg\n已传输: 1.5 MB / 2.0 MB\n速度: 1.0 KB/s".
    static CString MessageOf(const FtpTransferState& state);

private:
    std::unique_ptr<CProgressWnd> m_window;
    std::chrono::steady_clock::time_point m_lastShown;
};
