#include "platform/ui/Static.h"

BOOL CStatic::Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("STATIC", text, style, rect, parent, id);
}

void CStatic::Click() {
    if (m_hWnd && IsWindowEnabled() && (m_style & SS_NOTIFY))
        NotifyParent(STN_CLICKED);
}

void CStatic::DoubleClick() {
    if (m_hWnd && IsWindowEnabled() && (m_style & SS_NOTIFY))
        NotifyParent(STN_DBLCLK);
}
