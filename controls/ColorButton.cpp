#include "controls/ColorButton.h"

#include "controls/ColorPopupDlg.h"

BEGIN_MESSAGE_MAP(CColorButton, CButton)
    ON_CONTROL_REFLECT(BN_CLICKED, &CColorButton::OnClicked)
    ON_WM_MOUSEMOVE()
END_MESSAGE_MAP()

CColorButton::CColorButton()
    : m_bkColor(GetSysColor(COLOR_BTNFACE)), m_textColor(GetSysColor(COLOR_BTNTEXT)),
      m_hotBkColor(GetSysColor(COLOR_BTNFACE)), m_hotTextColor(GetSysColor(COLOR_BTNTEXT)) {
    m_nullPen.CreateStockObject(NULL_PEN);
    m_blackPen.CreateStockObject(BLACK_PEN);
    m_whitePen.CreateStockObject(WHITE_PEN);
    m_nullBrush.CreateStockObject(NULL_BRUSH);
    m_faceBrush.CreateSysColorBrush(COLOR_BTNFACE);
    m_greyPen.CreatePen(PS_SOLID, 1, RGB(128, 128, 128));
}

void CColorButton::PreSubclassWindow() {
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
}

void CColorButton::SetColor(COLORREF color, BOOL redraw) {
    m_color = color;
    if (redraw)
        Invalidate();
}

void CColorButton::SetOne(COLORREF& slot, COLORREF color, int sysColor, BOOL redraw) {
    slot = color == CLR_DEFAULT ? GetSysColor(sysColor) : color;
    if (redraw)
        Invalidate();
}

void CColorButton::SetBkColor(COLORREF color, BOOL redraw) {
    SetOne(m_bkColor, color, COLOR_BTNFACE, redraw);
}
void CColorButton::SetTextColor(COLORREF color, BOOL redraw) {
    SetOne(m_textColor, color, COLOR_BTNTEXT, redraw);
}
void CColorButton::SetHotBkColor(COLORREF color, BOOL redraw) {
    SetOne(m_hotBkColor, color, COLOR_BTNFACE, redraw);
}
void CColorButton::SetHotTextColor(COLORREF color, BOOL redraw) {
    SetOne(m_hotTextColor, color, COLOR_BTNTEXT, redraw);
}

void CColorButton::OnClicked() {
    m_hot = TRUE;
    Invalidate();
    CColorPopupDlg popup(this);
    if (popup.DoModal() == IDOK && popup.m_selected >= 0) {
        m_color = CColorPopupDlg::GetPaletteColor(popup.m_selected);
        Invalidate();
        if (CWnd* parent = GetParent())
            parent->SendMessage(WM_COLORBUTTON_CHANGED);
    }
    m_hot = FALSE;
    if (m_hWnd)
        Invalidate();
}

void CColorButton::OnMouseMove(UINT flags, CPoint point) {
    if (!m_trackHot)
        return;
    if ((flags & MK_LBUTTON) && !m_hot)
        return;
    CRect client;
    GetClientRect(&client);
    if (GetCapture() != this) {
        if (GetParent()) {
            m_hot = TRUE;
            SetCapture();
            Invalidate();
        }
    } else if (!client.PtInRect(point)) {
        m_hot = FALSE;
        Invalidate();
        if (!(flags & MK_LBUTTON))
            ReleaseCapture();
    }
}

void CColorButton::DrawItem(LPDRAWITEMSTRUCT drawItem) {
    if (!drawItem || !drawItem->hDC)
        return;
    CDC& dc = *drawItem->hDC;
    CRect rect = drawItem->rcItem;
    const bool pressed = (drawItem->itemState & ODS_SELECTED) != 0;
    const bool disabled = (drawItem->itemState & ODS_DISABLED) != 0 || !IsWindowEnabled();
    const bool hot = m_hot != FALSE;

    dc.FillSolidRect(&rect, (hot || pressed) ? GetSysColor(COLOR_BTNFACE) : m_bkColor);

    if (pressed) {
        dc.Draw3dRect(&rect, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_3DHILIGHT));
        CRect inner = rect;
        inner.DeflateRect(1, 1);
        dc.Draw3dRect(&inner, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT));
    } else if (hot) {
        dc.Draw3dRect(&rect, GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_BTNSHADOW));
    }

    const int shift = pressed ? 1 : 0;
    if (CFont* font = GetFont())
        dc.SelectObject(font);
    const CString text = GetWindowTextValue();
    const int textHeight = dc.GetTextExtent(text.IsEmpty() ? CString("M") : text).cy;
    const int side = std::min(textHeight, static_cast<int>(rect.Height()));
    const int margin = (rect.Height() - side) / 2;
    CRect swatch(rect.left + margin + shift, rect.top + margin + shift, rect.left + margin + side + shift,
                 rect.top + margin + side + shift);
    if (!disabled) {
        CBrush brush(m_color);
        CPen* oldPen = dc.SelectObject(&m_blackPen);
        CBrush* oldBrush = dc.SelectObject(&brush);
        dc.Rectangle(&swatch);
        dc.SelectObject(oldPen);
        dc.SelectObject(oldBrush);
    }

    // The drop-down arrow: three lines of 6, 4 and 2 pixels, centred on the middle line, within
    // 9 to 4 pixels of the right edge.
    CPen* oldPen = dc.SelectObject(disabled ? &m_greyPen : &m_blackPen);
    const int middle = rect.top + rect.Height() / 2 + shift;
    const int right = rect.right - 3 + shift;
    for (int i = 0; i < 3; ++i) {
        const int length = 6 - 2 * i;
        const int y = middle - 1 + i;
        const int start = right - 6 + i;
        dc.MoveTo(start, y);
        dc.LineTo(start + length, y);
    }
    dc.SelectObject(oldPen);

    if (!text.IsEmpty()) {
        // The text cell takes the background of the state's colours.
        dc.SetBkMode(OPAQUE);
        dc.SetBkColor((hot || pressed) ? m_hotBkColor : m_bkColor);
        dc.SetTextColor(disabled ? GetSysColor(COLOR_GRAYTEXT)
                                 : ((hot || pressed) ? m_hotTextColor : m_textColor));
        CRect textRect(swatch.right + 2, rect.top + 1 + shift, rect.right - 10, rect.bottom + shift);
        dc.DrawText(text, &textRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    }
}
