// CTextProgressCtrl: a progress bar that paints itself: a gradient bar with its percentage (or a
// text of the caller's) drawn over it, in one colour over the filled part and another over the
// empty part.
#pragma once

#include "platform/ui/DC.h"
#include "platform/ui/ProgressCtrl.h"

class CTextProgressCtrl : public CProgressCtrl {
public:
    CTextProgressCtrl();

    // Painted by its own OnPaint, so the view shows it as a painted window.
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::Window; }

    // Stores the bounds; no repaint.
    void SetRange(int lower, int upper);
    // Stores the position and returns the previous one (-1 without a window); repaints only when
    // the filled width in pixels changes.
    int SetPos(int pos);
    int GetPos() const { return m_pos; }
    void SetStep(int step) { m_step = step; }
    int StepIt() { return SetPos(m_pos + m_step); }

    // The filled width in pixels that a position gives in the current client width.
    int FilledWidth(int pos) const;

    int m_pos = 0;
    int m_step = 1;
    int m_upper = 100;
    int m_lower = 0;
    BOOL m_showText = TRUE;
    int m_lastWidth = -1;
    COLORREF m_barColor;
    COLORREF m_bkColor;
    COLORREF m_textColor;    // text over the empty part
    COLORREF m_textBarColor; // text over the filled part

protected:
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

namespace vq {
// Hue, lightness and saturation on a 0..255 scale (a grey has hue 170 and saturation 0), and back.
void RgbToHls(COLORREF color, int& hue, int& lightness, int& saturation);
COLORREF HlsToRgb(int hue, int lightness, int saturation);
} // namespace vq
