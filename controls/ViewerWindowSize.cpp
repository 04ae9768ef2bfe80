#include "controls/ViewerWindowSize.h"

void CViewerWindowSize::Start(const CWnd& window) {
    CRect rect;
    window.GetWindowRect(&rect);
    m_lastWidth = m_initWidth = rect.Width();
    m_lastHeight = m_initHeight = rect.Height();
}

bool CViewerWindowSize::Follow(const CWnd& window, int& dx, int& dy) {
    if (m_initWidth < 1 || m_initHeight < 1)
        return false;
    CRect rect;
    window.GetWindowRect(&rect);
    if (rect.Width() < m_initWidth && rect.Height() < m_initHeight)
        return false;
    dx = rect.Width() - m_lastWidth;
    dy = rect.Height() - m_lastHeight;
    m_lastWidth = rect.Width();
    m_lastHeight = rect.Height();
    return true;
}

void OffsetControls(CWnd& window, std::initializer_list<int> ids, int dx, int dy) {
    for (int id : ids) {
        if (CWnd* control = window.GetDlgItem(id)) {
            CRect place = control->GetRectInParent();
            place.OffsetRect(dx, dy);
            control->MoveWindow(&place);
        }
    }
}

void MoveEdges(CWnd& control, int left, int top, int right, int bottom) {
    CRect place = control.GetRectInParent();
    place.left += left;
    place.top += top;
    place.right += right;
    place.bottom += bottom;
    control.MoveWindow(&place);
}
