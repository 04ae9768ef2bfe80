#include "controls/ProgressWnd.h"

#include "platform/ui/DataExchange.h"
#include "platform/ui/View.h"

#include <algorithm>

namespace {

const vq::DialogTemplate kProgressWndTemplate{
    "正在进行",
    {vq::Label("", vq::kNoLayoutFlags, 0, CProgressWnd::kMessageId), vq::ProgressBar(CProgressWnd::kBarId),
     vq::PushButton(CProgressWnd::kCancelButtonId, " 取消 ", vq::kBeside)},
    CSize(),
    WS_POPUP | WS_BORDER | WS_CAPTION};

constexpr DWORD kMessageLimit = 511;

} // namespace

BEGIN_MESSAGE_MAP(CProgressWnd, CDialog)
    ON_BN_CLICKED(CProgressWnd::kCancelButtonId, &CProgressWnd::OnCancelButton)
    ON_WM_CHAR()
END_MESSAGE_MAP()

CProgressWnd::CProgressWnd(CWnd* parent, LPCTSTR title, BOOL smooth, bool ownTaskbarEntry)
    : m_smooth(smooth), m_ownTaskbarEntry(ownTaskbarEntry) {
    if (title)
        m_title = title;
    SetTemplate(kProgressWndTemplate);
    if (Create(kProgressWndTemplate, parent))
        Show();
}

// Runs inside Create, so the window is complete before a view shows it.
BOOL CProgressWnd::OnInitDialog() {
    CDialog::OnInitDialog();
    m_exStyle |= WS_EX_TOPMOST;
    // A person who minimised it finds it there, also under a window manager that gives a window
    // over another (its owner) no taskbar entry.
    if (m_ownTaskbarEntry)
        m_exStyle |= WS_EX_APPWINDOW;
    SetWindowText(m_title);
    Layout();
    CenterWindow();
    return TRUE;
}

CProgressWnd::~CProgressWnd() {
    if (m_hWnd)
        DestroyWindow();
}

void CProgressWnd::DoDataExchange(CDataExchange* pDX) {
    DDX_Control(pDX, kMessageId, m_message);
    DDX_Control(pDX, kBarId, m_bar);
    DDX_Control(pDX, kCancelButtonId, m_cancelButton);
}

void CProgressWnd::Layout() {
    if (m_smooth)
        m_bar.ModifyStyle(0, PBS_SMOOTH);
    m_bar.SetRange(0, 100);
    m_cancelButton.SetWindowText(m_cancelText);
    m_cancelButton.ModifyStyle(0, WS_TABSTOP);

    // The message area holds m_lines lines; the button sits below it, right-aligned, and the bar
    // takes the rest of the button's row.
    CClientDC dc(this);
    CString lines = "M";
    for (int i = 1; i < m_lines; ++i)
        lines += "\nM";
    CRect measure(0, 0, m_width, 0);
    const int messageHeight = dc.DrawText(lines, &measure, DT_CALCRECT | DT_NOPREFIX);
    const int edgeX = GetSystemMetrics(SM_CXBORDER) * 2, edgeY = GetSystemMetrics(SM_CYBORDER) * 2;
    const CSize cancel = dc.GetTextExtent(m_cancelText + "  ");
    const CRect messageRect(10, 10, 10 + m_width, 10 + messageHeight);
    const int buttonWidth = cancel.cx + 4 * edgeX, buttonHeight = cancel.cy + 3 * edgeY;
    const CRect buttonRect(messageRect.right - buttonWidth, messageRect.bottom + 10, messageRect.right,
                           messageRect.bottom + 10 + buttonHeight);
    const CRect barRect(messageRect.left, buttonRect.top + edgeY, buttonRect.left - 10,
                        buttonRect.bottom - edgeY);
    m_message.MoveWindow(&messageRect);
    m_cancelButton.MoveWindow(&buttonRect);
    m_bar.MoveWindow(&barRect);
    const int width = messageRect.right + 20;
    const int height = buttonRect.bottom + 30;
    CRect window;
    GetWindowRect(&window);
    MoveWindow(window.left, window.top, width, height);
}

void CProgressWnd::SetRange(int lower, int upper, int step) {
    m_lower = lower;
    m_upper = upper;
    m_step = step;
    if (m_hWnd)
        m_bar.SetRange(0, 100);
    m_percentPerUnit = upper == lower ? 1.0 : 100.0 / static_cast<double>(upper - lower);
    m_percentPos = 0;
}

void CProgressWnd::ShowPercentInTitle(int percent) {
    if (percent == m_percent)
        return;
    m_percent = percent;
    CString text;
    text.Format("%s [%d%%]", m_title, percent);
    SetWindowText(text);
}

void CProgressWnd::ApplyPercent() {
    m_percentPos = std::min(m_percentPos, 100.0);
    const int percent = static_cast<int>(m_percentPos);
    ShowPercentInTitle(percent);
    m_bar.SetPos(percent);
}

int CProgressWnd::StepIt() {
    if (!m_hWnd)
        return static_cast<int>(m_percentPos);
    Show();
    m_percentPos += m_percentPerUnit;
    const int previous = m_bar.GetPos();
    ApplyPercent();
    return previous;
}

int CProgressWnd::SetPos(int pos) {
    if (!m_hWnd)
        return m_pos;
    Show();
    m_pos = pos;
    // Measured from the lower bound and kept within 0..100, so a range that does not start at 0
    // shows the right share.
    const int percent =
        m_upper > m_lower ? std::clamp((pos - m_lower) * 100 / (m_upper - m_lower), 0, 100) : 0;
    ShowPercentInTitle(percent);
    // Steps after this continue from here, so the bar does not jump back on the next StepIt.
    m_percentPos = percent;
    return m_bar.SetPos(percent);
}

void CProgressWnd::ShowMessageText(const CString& text) {
    if (!m_hWnd)
        return;
    m_message.SetWindowText(CString(vq::TruncateUtf8(text.str(), kMessageLimit)));
}

void CProgressWnd::Hide() {
    if (m_hWnd && IsWindowVisible())
        ShowWindow(SW_HIDE);
}

void CProgressWnd::Show() {
    if (m_hWnd && !IsWindowVisible())
        ShowWindow(SW_SHOWNA);
}

BOOL CProgressWnd::PeekAndPump(BOOL cancelOnEsc) {
    if (m_cancelled)
        return TRUE;
    m_escCancels = cancelOnEsc != FALSE;
    vq::ActiveDialogView().ProcessPendingEvents();
    m_escCancels = false;
    return m_cancelled;
}

void CProgressWnd::Cancel() {
    m_cancelled = TRUE;
    Hide();
}

void CProgressWnd::OnCancelButton() {
    Cancel();
}

// The dialog's own Cancel (Esc through the dialog) is not a cancel of the loop: only the button
// and Esc while pumping with the flag set are.
void CProgressWnd::OnCancel() {}

void CProgressWnd::OnClose() {
    Cancel();
}

BOOL CProgressWnd::PreTranslateMessage(MSG* msg) {
    if (msg && msg->message == WM_KEYDOWN && msg->wParam == VK_ESCAPE) {
        if (m_escCancels)
            Cancel();
        return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
}

void CProgressWnd::OnChar(UINT ch, UINT, UINT) {
    if (ch == VK_ESCAPE && m_escCancels)
        Cancel();
}
