// CColorButton: a flat, owner-drawn push button that shows a colour swatch and a drop-down arrow.
// A click opens the colour palette (CColorPopupDlg); the colour chosen there becomes the button's
// colour and the parent hears WM_COLORBUTTON_CHANGED (no parameters).
#pragma once

#include "platform/ui/Button.h"
#include "platform/ui/DC.h"

// Sent to the parent after the button took a new colour.
constexpr UINT WM_COLORBUTTON_CHANGED = WM_USER + 33;

class CColorButton : public CButton {
public:
    CColorButton();

    COLORREF GetColor() const { return m_color; }
    void SetColor(COLORREF color, BOOL redraw = TRUE);

    // The colours of the normal and of the hot (or pressed) state. CLR_DEFAULT sets a colour back
    // to its system colour.
    void SetBkColor(COLORREF color = CLR_DEFAULT, BOOL redraw = TRUE);
    void SetTextColor(COLORREF color = CLR_DEFAULT, BOOL redraw = TRUE);
    void SetHotBkColor(COLORREF color = CLR_DEFAULT, BOOL redraw = TRUE);
    void SetHotTextColor(COLORREF color = CLR_DEFAULT, BOOL redraw = TRUE);
    COLORREF GetBkColor() const { return m_bkColor; }
    COLORREF GetTextColor() const { return m_textColor; }
    COLORREF GetHotBkColor() const { return m_hotBkColor; }
    COLORREF GetHotTextColor() const { return m_hotTextColor; }
    BOOL IsHot() const { return m_hot; }

    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

    COLORREF m_color = RGB(155, 155, 55);
    COLORREF m_bkColor;
    COLORREF m_textColor;
    COLORREF m_hotBkColor;
    COLORREF m_hotTextColor;
    BOOL m_trackHot = TRUE;
    BOOL m_hot = FALSE;

protected:
    void PreSubclassWindow() override;
    void OnMouseMove(UINT flags, CPoint point) override;
    afx_msg void OnClicked();
    DECLARE_MESSAGE_MAP()

private:
    void SetOne(COLORREF& slot, COLORREF color, int sysColor, BOOL redraw);

    CPen m_nullPen;
    CPen m_blackPen;
    CPen m_whitePen;
    CBrush m_nullBrush;
    CBrush m_faceBrush;
    CPen m_greyPen;
};
