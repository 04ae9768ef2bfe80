#include "platform/ui/SpinButtonCtrl.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

BOOL CSpinButtonCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    if (!CWnd::Create("msctls_updown32", "", style, rect, parent, id))
        return FALSE;
    AttachAutoBuddy();
    return TRUE;
}

void CSpinButtonCtrl::InitFromTemplate(const vq::ControlTemplate& item) {
    CWnd::InitFromTemplate(item);
    m_text.Empty();
    // A new spin button counts from 100 down to 0 until its owner sets a range.
    m_lower = 100;
    m_upper = 0;
    m_pos = 0;
    m_buddy = nullptr;
}

void CSpinButtonCtrl::AttachAutoBuddy() {
    GetBuddy();
}

CWnd* CSpinButtonCtrl::GetBuddy() const {
    // With UDS_AUTOBUDDY the control before it becomes its buddy once both are windows.
    if (!m_buddy && (m_style & UDS_AUTOBUDDY) && m_hWnd)
        m_buddy = GetWindow(3 /* previous sibling */);
    if (m_buddy && !::IsWindow(m_buddy))
        m_buddy = nullptr;
    return m_buddy;
}

void CSpinButtonCtrl::SetRange32(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
    m_pos = std::clamp(m_pos, std::min(lower, upper), std::max(lower, upper));
    StateChanged();
}

int CSpinButtonCtrl::SetPos(int pos) {
    const int old = GetPos();
    m_pos = std::clamp(pos, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    if (CWnd* buddy = GetBuddy(); buddy && (m_style & UDS_SETBUDDYINT)) {
        CString text;
        text.Format(m_base == 16 ? "0x%X" : "%d", m_pos);
        buddy->SetWindowText(text);
    }
    StateChanged();
    return old;
}

int CSpinButtonCtrl::GetPos32(BOOL* error) const {
    if (error)
        *error = FALSE;
    if (CWnd* buddy = GetBuddy(); buddy && (m_style & UDS_SETBUDDYINT)) {
        CString text = buddy->GetWindowTextValue();
        text.Trim();
        text.Remove(',');
        errno = 0;
        char* end = nullptr;
        const long value = std::strtol(text.c_str(), &end, m_base == 16 ? 16 : 10);
        if (!text.IsEmpty() && *end == '\0' && errno != ERANGE && value >= std::min(m_lower, m_upper) &&
            value <= std::max(m_lower, m_upper))
            return static_cast<int>(value);
        if (error)
            *error = TRUE;
    }
    return m_pos;
}

int CSpinButtonCtrl::GetPos() const {
    return GetPos32();
}

CWnd* CSpinButtonCtrl::SetBuddy(CWnd* buddy) {
    CWnd* old = m_buddy;
    m_buddy = buddy;
    StateChanged();
    return old;
}

int CSpinButtonCtrl::SetBase(int base) {
    if (base != 10 && base != 16)
        return 0;
    return std::exchange(m_base, base);
}

bool CSpinButtonCtrl::UserDelta(int delta) {
    if (!m_hWnd || !IsWindowEnabled() || delta == 0)
        return false;
    const int low = std::min(m_lower, m_upper);
    const int high = std::max(m_lower, m_upper);
    const int current = GetPos();
    // With the range reversed the up arrow counts down.
    const int step = m_lower > m_upper ? -delta : delta;
    NMUPDOWN nm;
    nm.iPos = current;
    nm.iDelta = step;
    const std::uint64_t serial = GetSerial();
    if (NotifyParent(nm.hdr, UDN_DELTAPOS) != 0)
        return true; // the parent refused the change
    if (!::IsWindow(this) || GetSerial() != serial)
        return true;
    int next = current + nm.iDelta;
    if (next > high)
        next = (m_style & UDS_WRAP) ? low : high;
    else if (next < low)
        next = (m_style & UDS_WRAP) ? high : low;
    SetPos(next);
    return true;
}
