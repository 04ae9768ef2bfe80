// Progress bars.
#pragma once

#include "platform/ui/Wnd.h"

class CProgressCtrl : public CWnd {
public:
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::Progress; }
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    void SetRange(short lower, short upper) { SetRange32(lower, upper); }
    void SetRange32(int lower, int upper);
    void GetRange(int& lower, int& upper) const {
        lower = m_lower;
        upper = m_upper;
    }
    // The position is kept inside the range; returns the previous one.
    int SetPos(int pos);
    int GetPos() const { return m_pos; }
    int OffsetPos(int delta) { return SetPos(m_pos + delta); }
    int SetStep(int step);
    // Advances by the step, starting again from the bottom after the top.
    int StepIt();
    COLORREF SetBarColor(COLORREF color);
    COLORREF GetBarColor() const { return m_barColor; }
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_bkColor; }

private:
    int m_lower = 0;
    int m_upper = 100;
    int m_pos = 0;
    int m_step = 10;
    COLORREF m_barColor = static_cast<COLORREF>(-1);
    COLORREF m_bkColor = static_cast<COLORREF>(-1);
};
