#include "controls/ImageZoomWnd.h"

#include "platform/ui/ColorDialog.h"
#include "platform/ui/Menu.h"

#include <algorithm>
#include <cmath>

BEGIN_MESSAGE_MAP(CImageZoomWnd, CWnd)
    ON_WM_PAINT()
    ON_WM_SIZE()
    ON_WM_LBUTTONDOWN()
    ON_WM_MOUSEMOVE()
    ON_WM_LBUTTONUP()
    ON_WM_RBUTTONUP()
END_MESSAGE_MAP()

CImageZoomWnd::CImageZoomWnd() : m_crBack(GetSysColor(COLOR_WINDOW)) {}

BOOL CImageZoomWnd::Create(const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(AfxRegisterWndClass(0), nullptr, WS_CHILD | WS_VISIBLE, rect, parent, id);
}

void CImageZoomWnd::SetCursors(UINT fitCursor, UINT realTimeCursor, UINT windowCursor) {
    m_cursorFit = fitCursor;
    m_cursorRealTime = realTimeCursor;
    m_cursorWindow = windowCursor;
    m_cursor = m_nMode == kRealTimeZoom ? m_cursorRealTime
               : m_nMode == kWindowZoom ? m_cursorWindow
                                        : m_cursorFit;
}

UINT CImageZoomWnd::GetCursorId() const {
    return HasImage() ? m_cursor : 0;
}

void CImageZoomWnd::SetImage(const CBitmap& image) {
    m_image = image;
    const CSize size = image.GetSize();
    m_nImageWidth = size.cx;
    m_nImageHeight = size.cy;
    PlaceImage();
}

void CImageZoomWnd::ClearImage() {
    m_image.DeleteObject();
    m_nImageWidth = m_nImageHeight = m_nShowWidth = m_nShowHeight = 0;
    Invalidate();
}

void CImageZoomWnd::SetMode(int mode) {
    if (mode == m_nMode)
        return;
    m_nMode = mode;
    if (mode == kRealTimeZoom) {
        m_cursor = m_cursorRealTime;
        return;
    }
    if (mode == kWindowZoom) {
        m_cursor = m_cursorWindow;
        return;
    }
    m_cursor = m_cursorFit;
    PlaceImage();
}

void CImageZoomWnd::PlaceImage() {
    CRect client;
    GetClientRect(&client);
    m_nShowWidth = m_nImageWidth;
    m_nShowHeight = m_nImageHeight;
    if (m_nImageWidth > 0 && m_nImageHeight > 0 && client.Width() > 0 && client.Height() > 0) {
        const double ratioX = static_cast<double>(m_nImageWidth) / client.Width();
        const double ratioY = static_cast<double>(m_nImageHeight) / client.Height();
        double ratio = 0;
        switch (m_nMode) {
        case kFitWhole:
            ratio = std::max(ratioX, ratioY);
            break;
        case kFitWidth:
            ratio = ratioX;
            break;
        case kFitHeight:
            ratio = ratioY;
            break;
        case kStretch:
            m_nShowWidth = client.Width();
            m_nShowHeight = client.Height();
            break;
        default:
            break;
        }
        if (ratio > 0) {
            m_nShowWidth = static_cast<int>(m_nImageWidth / ratio);
            m_nShowHeight = static_cast<int>(m_nImageHeight / ratio);
        }
    }
    m_nLeft = (client.Width() - m_nShowWidth) / 2;
    m_nTop = (client.Height() - m_nShowHeight) / 2;
    Invalidate();
}

void CImageZoomWnd::OnSize(UINT, int, int) {
    // A fitted image keeps its fit in the new size; a zoomed one stays where it was put.
    if (m_nMode >= kFitWhole && m_nMode <= kStretch)
        PlaceImage();
}

void CImageZoomWnd::SetBkColor(COLORREF color) {
    m_crBack = color;
    Invalidate();
}

CRect CImageZoomWnd::GetImageRect() const {
    return CRect(m_nLeft, m_nTop, m_nLeft + m_nShowWidth, m_nTop + m_nShowHeight);
}

void CImageZoomWnd::OnPaint() {
    CPaintDC dc(this);
    CRect client;
    GetClientRect(&client);
    CRgn clip;
    clip.CreateRectRgnIndirect(&client);
    dc.SelectClipRgn(&clip);
    if (!HasImage()) {
        dc.FillSolidRect(&client, m_crBack);
        return;
    }
    // The background around the image; the image's own rectangle is not filled.
    const CRect image = GetImageRect();
    CRgn around, inside;
    around.CreateRectRgnIndirect(&client);
    inside.CreateRectRgnIndirect(&image);
    around.CombineRgn(&around, &inside, RGN_DIFF);
    CBrush brush(m_crBack);
    dc.FillRgn(&around, &brush);
    CDC source(m_image);
    dc.SetStretchBltMode(HALFTONE);
    dc.StretchBlt(image.left, image.top, image.Width(), image.Height(), &source, 0, 0, m_nImageWidth,
                  m_nImageHeight, SRCCOPY);
}

void CImageZoomWnd::DrawZoomFrame(const CRect& rect) {
    if (rect.IsRectEmpty())
        return;
    CClientDC dc(this);
    dc.DrawFocusRect(&rect);
}

void CImageZoomWnd::OnLButtonDown(UINT, CPoint point) {
    if (!HasImage())
        return;
    m_bLButtonDown = true;
    m_ptStart = m_ptLast = point;
    m_rcFrame.SetRectEmpty();
    SetCapture();
}

void CImageZoomWnd::OnMouseMove(UINT, CPoint point) {
    if (!m_bLButtonDown)
        return;
    if (m_nMode == kWindowZoom) {
        DrawZoomFrame(m_rcFrame); // drawing it again takes it away
        m_rcFrame = CRect(m_ptStart, point);
        m_rcFrame.NormalizeRect();
        DrawZoomFrame(m_rcFrame);
    } else if (m_nMode == kRealTimeZoom) {
        // Moving up enlarges, moving down reduces, about the image's centre.
        const double factor = 1.0 + (m_ptLast.y - point.y) / 100.0;
        CRect client;
        GetClientRect(&client);
        const int width = static_cast<int>(m_nShowWidth * factor);
        const int height = static_cast<int>(m_nShowHeight * factor);
        const bool tooLarge = width > 3 * m_nImageWidth || height > 3 * m_nImageHeight;
        const bool tooSmall = width < client.Width() / 5 || height < client.Height() / 5;
        if (factor > 0 && !(factor > 1 && tooLarge) && !(factor < 1 && tooSmall)) {
            const int centreX = m_nLeft + m_nShowWidth / 2, centreY = m_nTop + m_nShowHeight / 2;
            m_nShowWidth = width;
            m_nShowHeight = height;
            m_nLeft = centreX - width / 2;
            m_nTop = centreY - height / 2;
            Invalidate();
        }
    }
    m_ptLast = point;
}

void CImageZoomWnd::OnLButtonUp(UINT, CPoint point) {
    if (!m_bLButtonDown)
        return;
    m_bLButtonDown = false;
    if (GetCapture() == this)
        ReleaseCapture();
    if (m_nMode != kWindowZoom)
        return;
    DrawZoomFrame(m_rcFrame);
    CRect rect(m_ptStart, point);
    rect.NormalizeRect();
    m_rcFrame.SetRectEmpty();
    if (rect.Width() <= 0 || rect.Height() <= 0)
        return;
    if (m_nShowWidth >= 5 * m_nImageWidth && m_nShowHeight >= 5 * m_nImageHeight)
        return; // large enough
    CRect client;
    GetClientRect(&client);
    const double factor = std::min(static_cast<double>(client.Width()) / rect.Width(),
                                   static_cast<double>(client.Height()) / rect.Height());
    const CPoint centre = rect.CenterPoint();
    m_nShowWidth = static_cast<int>(m_nShowWidth * factor);
    m_nShowHeight = static_cast<int>(m_nShowHeight * factor);
    m_nLeft = client.Width() / 2 - static_cast<int>((centre.x - m_nLeft) * factor);
    m_nTop = client.Height() / 2 - static_cast<int>((centre.y - m_nTop) * factor);
    Invalidate();
}

void CImageZoomWnd::OnRButtonUp(UINT, CPoint point) {
    if (m_bLButtonDown)
        return;
    ClientToScreen(&point);
    ShowContextMenu(point);
}

void CImageZoomWnd::ShowContextMenu(CPoint screenPoint) {
    CMenu menu;
    menu.CreatePopupMenu();
    if (HasImage()) {
        menu.AppendMenu(MF_STRING, kFitWhole, "自动适应");
        menu.AppendMenu(MF_STRING, kFitWidth, "整宽调整");
        menu.AppendMenu(MF_STRING, kFitHeight, "整高调整");
        menu.AppendMenu(MF_STRING, kActualSize, "实际尺寸");
        menu.AppendMenu(MF_STRING, kStretch, "整个窗口");
        menu.AppendMenu(MF_SEPARATOR);
        menu.AppendMenu(MF_STRING, kRealTimeZoom, "实时缩放");
        menu.AppendMenu(MF_STRING, kWindowZoom, "窗口放大");
        menu.CheckMenuItem(static_cast<UINT>(m_nMode), MF_BYCOMMAND | MF_CHECKED);
        menu.AppendMenu(MF_SEPARATOR);
    }
    menu.AppendMenu(MF_STRING, kBackground, "背景设定");
    const UINT command =
        menu.TrackPopupMenu(TPM_RIGHTBUTTON | TPM_RETURNCMD, screenPoint.x, screenPoint.y, this);
    switch (command) {
    case kFitWhole:
    case kFitWidth:
    case kFitHeight:
    case kActualSize:
    case kStretch:
        SetMode(static_cast<int>(command));
        break;
    case kRealTimeZoom:
    case kWindowZoom:
        SetMode(m_nMode == static_cast<int>(command) ? kPlain : static_cast<int>(command));
        break;
    case kBackground: {
        CColorDialog dlg(m_crBack, CC_RGBINIT, this);
        if (dlg.DoModal() == IDOK)
            SetBkColor(dlg.GetColor());
        break;
    }
    default:
        break;
    }
}
