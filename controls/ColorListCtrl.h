// CColorListCtrl: an owner-drawn report list (the owner's template gives it LVS_OWNERDRAWFIXED
// and report view). It paints rows in the system colours, shortens cell texts that do not fit
// with "...", and paints rows yellow whose text in the mark column is one of the marked texts.
#pragma once

#include "controls/ImageHeaderCtrl.h"
#include "platform/ui/ListCtrl.h"

class CColorListCtrl : public CListCtrl {
public:
    CColorListCtrl();

    void DrawItem(LPDRAWITEMSTRUCT drawItem) override;

    // The text as drawn in a width limit: whole when its width plus offset fits, otherwise cut at
    // the end (keeping at least one character) so that the rest, "..." and the offset fit.
    static CString MakeShortString(CDC* dc, const CString& text, int limit, int offset);

    CImageHeaderCtrl m_header;
    CPoint m_clickPoint;
    BOOL m_fullRowSelect = TRUE;
    BOOL m_clientWidthSelect = FALSE;
    int m_clientWidth = 0;
    int m_stateImageOffset = 0;
    // A row whose text in column m_markColumn equals one of these (ignoring case) is yellow.
    CStringArray m_markedTexts;
    int m_markColumn = 0;
    COLORREF m_textColor;
    COLORREF m_textBkColor;
    COLORREF m_bkColor;

protected:
    void PreSubclassWindow() override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnSetFocus(CWnd* oldWnd) override;
    void OnKillFocus(CWnd* newWnd) override;

private:
    bool IsMarked(int row) const;
    void RepaintSelectedRows();

    DECLARE_MESSAGE_MAP()
};
