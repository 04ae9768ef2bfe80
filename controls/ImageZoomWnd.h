// The zoom window of the picture page: shows an image on an adjustable background, fitted to the
// window in one of several ways, and zooms in real time or to a rectangle dragged with the mouse.
// Its context menu offers the fit modes, the two zoom modes and the background colour.
#pragma once

#include "platform/ui/DC.h"
#include "platform/ui/Wnd.h"

class CImageZoomWnd : public CWnd {
public:
    enum Mode {
        kBackground = 3000,   // the menu command of the background colour
        kFitWhole = 3001,     // the whole image, as large as it fits
        kFitWidth = 3002,     // the image's width fills the window
        kFitHeight = 3003,    // the image's height fills the window
        kActualSize = 3004,   // the image at its own size
        kStretch = 3005,      // the image stretched to the window
        kRealTimeZoom = 3006, // dragging enlarges or reduces
        kWindowZoom = 3007,   // the rectangle dragged fills the window
        kPlain = 3008         // after leaving a zoom mode
    };

    CImageZoomWnd();

    // Makes the window a child of parent at rect.
    BOOL Create(const RECT& rect, CWnd* parent, UINT id);
    // The cursor resources of the fit modes, real-time zoom and window zoom.
    void SetCursors(UINT fitCursor, UINT realTimeCursor, UINT windowCursor);
    // The cursor now shown: one of the three, or 0 for the arrow (no image loaded).
    UINT GetCursorId() const;

    // The image shown (its own size is its size in pixels); the displayed size follows the mode.
    void SetImage(const CBitmap& image);
    void ClearImage();
    bool HasImage() const { return m_image.GetSafeHandle() != nullptr; }

    // Sets a mode (nothing when it is already the mode); the fit modes place the image anew.
    void SetMode(int mode);
    int GetMode() const { return m_nMode; }
    void SetBkColor(COLORREF color);
    COLORREF GetBkColor() const { return m_crBack; }
    // Where the image is shown, in client coordinates (it may reach beyond the window).
    CRect GetImageRect() const;

protected:
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnRButtonUp(UINT flags, CPoint point) override;

private:
    void PlaceImage();
    void DrawZoomFrame(const CRect& rect);
    void ShowContextMenu(CPoint screenPoint);

    int m_nMode = kActualSize;
    COLORREF m_crBack;
    CBitmap m_image;
    int m_nImageWidth = 0; // the image's own size in pixels
    int m_nImageHeight = 0;
    int m_nShowWidth = 0; // the displayed size
    int m_nShowHeight = 0;
    int m_nLeft = 0; // the displayed image's top-left corner in client coordinates
    int m_nTop = 0;
    UINT m_cursorFit = 0;
    UINT m_cursorRealTime = 0;
    UINT m_cursorWindow = 0;
    UINT m_cursor = 0;
    bool m_bLButtonDown = false;
    CPoint m_ptStart;
    CPoint m_ptLast;
    CRect m_rcFrame; // the focus frame drawn during a window zoom

    DECLARE_MESSAGE_MAP()
};
