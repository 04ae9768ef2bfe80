// CFtpTransferWindow: how a fetch or a store of the FTP layer is shown. A transfer that takes
// longer than a second gets a progress window with the file's name, the bytes moved of the
// whole, the speed and a cancel button (取消, or Esc); pressing it stops the transfer. While the
// window is up, the window's input (and the host's) is let run between the transfer's steps.
// A store shows what the server has taken, and once it has taken everything, that the server's
// answer is awaited; the bar stays short of 100 % while the transfer runs.
//
// The window stands above the window the transfer serves (the dialog whose command started it)
// and is modal to it: that window takes no input until the transfer ends, and its caption says why
// meanwhile ("评审意见 (正在上传文件，完成前本窗口不能操作)"). Closing it meanwhile (its close box,
// the window manager) first asks whether to stop the transfer; stopped, the transfer ends as
// cancelled and the window closes once it has. When the transfer ends the served window comes
// back in front and active, restored when it had been minimised.
//
// A request that moves no file (the logon, a command, a listing) and waits for a server slow to
// answer gets the same window from a second on, saying that it waits for the server
// ("正在连接FTP服务器" / "正在等待FTP服务器"), whose 取消 stops the request.
//
// The library sets it up as the display of every transfer when it is loaded
// (SetFtpTransferDisplayFactory); nothing else makes one.
#pragma once

#include "controls/ProgressWnd.h"
#include "platform/ftp/FtpConnection.h"

#include <chrono>
#include <cstdint>
#include <memory>

class CFtpTransferWindow : public FtpTransferDisplay {
public:
    // How long a transfer runs before its window appears.
    static constexpr double kShowAfterSeconds = 1.0;

    CFtpTransferWindow() = default;
    ~CFtpTransferWindow() override;
    CFtpTransferWindow(const CFtpTransferWindow&) = delete;
    CFtpTransferWindow& operator=(const CFtpTransferWindow&) = delete;

    bool Update(const FtpTransferState& state) override;
    bool Waiting(const CString& server, bool connecting, double seconds) override;

    // The window, once it appears (null before).
    CProgressWnd* Window() const { return m_window.get(); }
    // The window the transfer serves, while it exists (null when it serves none).
    CWnd* ServedWindow() const;
    // The message line of a state: "文件: a.dwg\n已传输: 1.5 MB / 2.0 MB\n速度: 1.0 KB/s", and
    // kWaitingForServer below once the server has taken every byte of a store.
    static CString MessageOf(const FtpTransferState& state);
    static constexpr const char* kWaitingForServer = "文件已全部发出，正在等待FTP服务器确认...";
    // The message line of a wait: "正在等待FTP服务器 127.0.0.1:21 的应答..." (its bar says how long
    // it has waited: "已等待 3 秒").
    static CString WaitingMessage(const CString& server, bool connecting);
    // The caption the served window shows while it takes no input: its own, then why.
    static CString BusyCaption(const CString& caption, const CString& why);
    // The question asked when the served window is closed during the transfer.
    static constexpr const char* kStopQuestion = "文件正在传输，是否停止传输并关闭窗口?";
    // ... and during a wait for the server.
    static constexpr const char* kStopWaitingQuestion = "正在等待FTP服务器的应答，是否停止等待并关闭窗口?";
    // Sent to the served window when it is closed during the transfer, before anything is asked.
    // A window whose close asks a question of its own asks it here, together with the stop, in one
    // box, and answers kStopForClose (the transfer stops; the window closes once it has ended, and
    // asks nothing more) or kGoOn (the transfer and the window go on). A window that does not
    // handle it (0) gets kStopQuestion.
    static constexpr UINT kCloseDuringTransfer = WM_USER + 0x3A51;
    enum CloseAnswer : LRESULT { kAskedNothing = 0, kStopForClose = 1, kGoOn = 2 };

    // The transfer of this window that serves `window`, or null.
    static CFtpTransferWindow* ServingWindow(const CWnd& window);
    // The served window is being closed: asks whether to stop the transfer. Stopped, the window
    // closes once the transfer has ended.
    void AskToStopForClose();

private:
    void BeginServing();
    void EndServing();
    // Shows the window (the first time the request has run long enough), modal to the served window.
    void Open(const CString& title);

    std::unique_ptr<CProgressWnd> m_window;
    std::chrono::steady_clock::time_point m_lastShown;
    bool m_started = false;
    CWnd* m_served = nullptr;
    std::uint64_t m_servedSerial = 0;
    bool m_servedWasEnabled = false;
    CString m_servedCaption; // the served window's caption before the window opened
    CString m_busyCaption;   // ... and the one it shows meanwhile
    bool m_waiting = false;  // a request that moves no file
    bool m_stopped = false; // the person stopped the transfer on closing the served window
};
