#include "controls/MessageChoiceDlg.h"

#include "platform/ui/DC.h"

#include <algorithm>

namespace {

// The classic dialog font: 4 dialog units across are 6 pixels, 8 down are 13.
constexpr int kBaseUnitX = 6;
constexpr int kBaseUnitY = 13;
// Controls that are not buttons carry the static id: their notices never end the dialog.
constexpr int kStaticId = 0xFFFF;

// The in-memory template: no controls, 185 by 92 dialog units, the caption "." until it opens.
const vq::DialogTemplate kMessageChoiceTemplate{
    ".", {}, CSize(185 * kBaseUnitX / 4, 92 * kBaseUnitY / 8), WS_POPUP | WS_CAPTION | WS_SYSMENU};

} // namespace

CMessageChoiceDlg::CMessageChoiceDlg(CWnd* parent) {
    m_pParentWnd = parent;
    SetTemplate(kMessageChoiceTemplate);
}

CMessageChoiceDlg::~CMessageChoiceDlg() {
    if (m_hWnd)
        DestroyWindow();
}

void CMessageChoiceDlg::AddButton(UINT id, BOOL isDefault, BOOL isCancel, LPCTSTR caption) {
    m_buttons.push_back(ButtonRecord{id, caption ? caption : ""});
    if (isDefault)
        m_nDefId = static_cast<int>(id);
    if (isCancel)
        m_nCancelId = static_cast<int>(id);
}

BOOL CMessageChoiceDlg::SetMessageText(LPCTSTR text) {
    m_strMessage = text ? text : "";
    return TRUE;
}

INT_PTR CMessageChoiceDlg::DoModal() {
    return CDialog::DoModal();
}

CButton* CMessageChoiceDlg::GetButton(int index) const {
    if (index < 0 || index >= static_cast<int>(m_buttonWindows.size()))
        return nullptr;
    return m_buttonWindows[static_cast<std::size_t>(index)].get();
}

// The size the whole message needs: its widest line (lines wider than two thirds of the screen
// wrap there) and the height of all its lines.
void CMessageChoiceDlg::MeasureMessage(CDC& dc) {
    const int maxWidth = GetSystemMetrics(SM_CXFULLSCREEN) * 2 / 3;
    const int lineHeight = std::max<int>(dc.GetTextExtent("Ag").cy, 1);
    int width = 0;
    int lines = 0;
    int start = 0;
    const CString& text = m_strMessage;
    while (start <= text.GetLength()) {
        int end = text.Find('\n', start);
        if (end < 0)
            end = text.GetLength();
        CString line = text.Mid(start, end - start);
        line.TrimRight("\r");
        const int lineWidth = dc.GetTextExtent(line).cx;
        if (lineWidth > maxWidth) {
            width = maxWidth;
            lines += (lineWidth + maxWidth - 1) / maxWidth;
        } else {
            width = std::max(width, lineWidth);
            ++lines;
        }
        start = end + 1;
    }
    // A little room for the edit control's own border.
    m_messageSize = CSize(width + 8, lines * lineHeight + 6);
}

BOOL CMessageChoiceDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowText(m_strCaption);
    m_dluScale = CSize(1000 * kBaseUnitX / 4, 1000 * kBaseUnitY / 8);

    CClientDC dc(this);
    m_message.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY, CRect(0, 0, 10, 10), this,
                     kStaticId);
    m_message.SetWindowText(m_strMessage);
    MeasureMessage(dc);

    CSize iconSize(0, 0);
    if (m_hIcon) {
        iconSize = CSize(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
        m_icon.Create("", WS_CHILD | WS_VISIBLE | WS_DISABLED | SS_ICON, CRect(CPoint(0, 0), iconSize), this,
                      kStaticId);
    }

    // All buttons share the size of the widest and tallest caption (at least the minimum width).
    m_buttonSize = CSize(DluX(m_layout[kMinButtonWidth]), 0);
    for (const ButtonRecord& record : m_buttons) {
        const CSize extent = dc.GetTextExtent(record.caption);
        m_buttonSize.cx = std::max<int>(m_buttonSize.cx, extent.cx);
        m_buttonSize.cy = std::max<int>(m_buttonSize.cy, extent.cy);
    }
    m_buttonSize.cx += 2 * DluX(m_layout[kButtonMarginX]);
    m_buttonSize.cy += 2 * DluY(m_layout[kButtonMarginY]);
    m_buttonWindows.clear();
    for (const ButtonRecord& record : m_buttons) {
        auto button = std::make_unique<CButton>();
        button->Create(record.caption, WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON,
                       CRect(CPoint(0, 0), m_buttonSize), this, record.id);
        m_buttonWindows.push_back(std::move(button));
    }

    // Layout in pixels: the message block (icon and message) above one row of buttons.
    const int left = DluX(m_layout[kLeftMargin]);
    const int right = DluX(m_layout[kRightMargin]);
    const int top = DluY(m_layout[kTopMargin]);
    const int bottom = DluY(m_layout[kBottomMargin]);
    const int iconGap = m_hIcon ? DluX(m_layout[kIconGap]) : 0;
    const int blockWidth = m_messageSize.cx + (m_hIcon ? iconGap + iconSize.cx : 0);
    const int blockHeight = std::max<int>(m_messageSize.cy, iconSize.cy);
    const int count = static_cast<int>(m_buttons.size());
    const int buttonGap = DluX(m_layout[kButtonGap]);
    const int rowWidth = count > 0 ? count * m_buttonSize.cx + (count - 1) * buttonGap : 0;
    const int clientWidth = std::max(blockWidth, rowWidth) + left + right;
    const int clientHeight = top + blockHeight + DluY(m_layout[kMessageGap]) + m_buttonSize.cy + bottom;
    MoveWindow(0, 0, clientWidth, clientHeight);
    CenterWindow(GetParentWindow());

    if (m_hIcon)
        m_icon.MoveWindow(left, top, iconSize.cx, iconSize.cy);
    m_message.MoveWindow(left + (m_hIcon ? iconSize.cx + iconGap : 0), top, m_messageSize.cx,
                         m_messageSize.cy);
    int x = (clientWidth - rowWidth) / 2;
    const int buttonTop = clientHeight - m_buttonSize.cy - bottom;
    for (auto& button : m_buttonWindows) {
        button->MoveWindow(x, buttonTop, m_buttonSize.cx, m_buttonSize.cy);
        x += m_buttonSize.cx + buttonGap;
    }

    if (m_nCancelId < 0)
        ModifyStyle(WS_SYSMENU, 0);
    // Without a default id Enter ends the dialog with -1 (no button carries the id 0).
    SetDefID(m_nDefId >= 0 ? static_cast<UINT>(m_nDefId) : 0);
    if (m_nDefId >= 0) {
        if (CWnd* button = GetDlgItem(m_nDefId)) {
            button->SetFocus();
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CMessageChoiceDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    const UINT code = HIWORD(wParam);
    auto* source = reinterpret_cast<CWnd*>(lParam);
    if (source) {
        // A click on one of the buttons ends the dialog with its id; other notices are ignored.
        if (code == BN_CLICKED && dynamic_cast<CButton*>(source) && static_cast<int>(id) != kStaticId) {
            EndDialog(static_cast<int>(id));
            return TRUE;
        }
        return FALSE;
    }
    // Without a control: the keyboard's Escape (IDCANCEL) and Enter (any other id).
    if (id == IDCANCEL)
        OnCancel();
    else
        OnOK();
    return TRUE;
}

// Enter: the default id (a focused button has already ended the dialog with its own id).
void CMessageChoiceDlg::OnOK() {
    EndDialog(m_nDefId);
}

void CMessageChoiceDlg::OnCancel() {
    if (m_nCancelId >= 0)
        EndDialog(m_nCancelId);
}

void CMessageChoiceDlg::OnClose() {
    OnCancel();
}
