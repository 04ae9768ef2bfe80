#include "controls/SortListCtrl.h"

BEGIN_MESSAGE_MAP(CSortListCtrl, CListCtrl)
    ON_WM_RBUTTONDOWN()
END_MESSAGE_MAP()

void CSortListCtrl::PreSubclassWindow() {
    CListCtrl::PreSubclassWindow();
    if (CHeaderCtrl* header = GetHeaderCtrl(); header && header != &m_header)
        m_header.SubclassWindow(header->GetSafeHwnd());
}

void CSortListCtrl::OnRButtonDown(UINT flags, CPoint point) {
    CPoint screen = point;
    ClientToScreen(&screen);
    m_clickPoint = screen;
    CListCtrl::OnRButtonDown(flags, point);
}
