// CProgressWnd: a modeless window with a message line, a progress bar and a cancel button, for
// long loops that run on the user-interface thread:
//
//   CProgressWnd progress(this, "导入数据");
//   progress.SetRange(0, count);
//   for (int i = 0; i < count; ++i) {
//       progress.SetText("正在处理第 %d 行", i + 1);
//       ... one step of work ...
//       progress.StepIt();
//       if (progress.PeekAndPump())   // TRUE once the person pressed cancel (or Esc)
//           break;
//   }
//
// PeekAndPump lets the window and the rest of the host take their pending input, so the cancel
// button works while the loop runs.
#pragma once

#include "controls/TextProgressCtrl.h"
#include "platform/ui/Button.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Static.h"

class CProgressWnd : public CDialog {
public:
    static constexpr int kCancelButtonId = 10;
    static constexpr int kMessageId = 11;
    static constexpr int kBarId = 12;

    // Creates and shows the window at once; without a parent it belongs to no window. With
    // ownTaskbarEntry it has a taskbar entry of its own, for a window that a person may minimise by
    // itself and must find again (a transfer's, whose parent takes no input meanwhile); else the
    // window manager keeps it with its parent.
    explicit CProgressWnd(CWnd* parent = nullptr, LPCTSTR title = "正在进行", BOOL smooth = FALSE,
                          bool ownTaskbarEntry = false);
    ~CProgressWnd() override;

    // The range of the loop and the step of StepIt. The bar itself always shows percentages.
    void SetRange(int lower, int upper, int step = 1);
    // Advances by one step (in percent of the range); returns the bar's previous position.
    int StepIt();
    // Moves to a position of the range; returns the bar's previous position.
    int SetPos(int pos);
    // Formats the message line like printf (at most 511 bytes kept).
    template <class... Args> void SetText(LPCTSTR format, const Args&... args) {
        CString text;
        text.Format(format, args...);
        ShowMessageText(text);
    }
    void SetText(LPCTSTR text) { ShowMessageText(text ? CString(text) : CString()); }
    void Hide();
    void Show();
    // Lets pending input run (the cancel button, Esc when cancelOnEsc is set, the host's own
    // windows). Returns TRUE when the person has cancelled.
    BOOL PeekAndPump(BOOL cancelOnEsc = TRUE);
    BOOL Cancelled() const { return m_cancelled; }

    BOOL m_cancelled = FALSE;
    int m_pos = 0;
    int m_percent = -1;
    int m_step = 1;
    int m_upper = 100;
    int m_lower = 0;
    int m_lines = 4;
    CStatic m_message;
    CTextProgressCtrl m_bar;
    CButton m_cancelButton;
    CString m_title = "正在进行";
    CString m_cancelText = " 取消 ";
    int m_width = 270;
    int m_height = 70;
    double m_percentPos = 0;
    double m_percentPerUnit = 1.0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override {}
    void OnClose() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnChar(UINT ch, UINT repeat, UINT flags) override;
    afx_msg void OnCancelButton();
    DECLARE_MESSAGE_MAP()

private:
    void ShowMessageText(const CString& text);
    void ApplyPercent();
    void ShowPercentInTitle(int percent);
    void Layout();
    void Cancel();

    BOOL m_smooth = FALSE;
    bool m_ownTaskbarEntry = false;
    // Set while PeekAndPump runs with its cancel-on-Esc flag.
    bool m_escCancels = false;
};
