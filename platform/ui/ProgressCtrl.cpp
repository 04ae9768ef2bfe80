#include "platform/ui/ProgressCtrl.h"

#include <algorithm>

BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("msctls_progress32", "", style, rect, parent, id);
}

void CProgressCtrl::SetRange32(int lower, int upper) {
    m_lower = lower;
    m_upper = upper;
    m_pos = std::clamp(m_pos, std::min(lower, upper), std::max(lower, upper));
    StateChanged();
}

int CProgressCtrl::SetPos(int pos) {
    const int old = m_pos;
    m_pos = std::clamp(pos, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
    if (m_pos != old)
        StateChanged();
    return old;
}

int CProgressCtrl::SetStep(int step) {
    return std::exchange(m_step, step);
}

int CProgressCtrl::StepIt() {
    const int old = m_pos;
    int next = m_pos + m_step;
    if (next > std::max(m_lower, m_upper))
        next = std::min(m_lower, m_upper) + (next - std::max(m_lower, m_upper));
    if (next < std::min(m_lower, m_upper))
        next = std::max(m_lower, m_upper) - (std::min(m_lower, m_upper) - next);
    SetPos(next);
    return old;
}

COLORREF CProgressCtrl::SetBarColor(COLORREF color) {
    const COLORREF old = std::exchange(m_barColor, color);
    StateChanged();
    return old;
}

COLORREF CProgressCtrl::SetBkColor(COLORREF color) {
    const COLORREF old = std::exchange(m_bkColor, color);
    StateChanged();
    return old;
}
