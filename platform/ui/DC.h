// Painting: device contexts and the drawing objects selected into them. A device context draws
// into an image: the backing image of a window (CPaintDC, CClientDC), a bitmap selected into a
// memory context (CreateCompatibleDC + SelectObject), or a bitmap given directly. The images are
// plain 32-bit pixels, so tests read back exactly what was painted.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/Geometry.h"
#include "platform/base/String.h"

#include <functional>
#include <memory>
#include <vector>

class CWnd;
class CDC;

using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPPOINT = POINT*;
using LPCPOINT = const POINT*;

// ---- Constants -------------------------------------------------------------------------------

// Pen styles
constexpr int PS_SOLID = 0;
constexpr int PS_DASH = 1;
constexpr int PS_DOT = 2;
constexpr int PS_DASHDOT = 3;
constexpr int PS_DASHDOTDOT = 4;
constexpr int PS_NULL = 5;
constexpr int PS_INSIDEFRAME = 6;

// Hatch styles of CBrush::CreateHatchBrush
constexpr int HS_HORIZONTAL = 0;
constexpr int HS_VERTICAL = 1;
constexpr int HS_FDIAGONAL = 2;
constexpr int HS_BDIAGONAL = 3;
constexpr int HS_CROSS = 4;
constexpr int HS_DIAGCROSS = 5;

// Stock objects
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;

// System colours
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr int COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT;

// "No colour" (transparent background of an image list, colour not set)
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

// Background modes
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Text alignment of TextOut
constexpr UINT TA_NOUPDATECP = 0;
constexpr UINT TA_UPDATECP = 1;
constexpr UINT TA_LEFT = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_BOTTOM = 8;
constexpr UINT TA_BASELINE = 24;

// ExtTextOut options
constexpr UINT ETO_OPAQUE = 0x2;
constexpr UINT ETO_CLIPPED = 0x4;

// DrawText formats
constexpr UINT DT_TOP = 0x0;
constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_RIGHT = 0x2;
constexpr UINT DT_VCENTER = 0x4;
constexpr UINT DT_BOTTOM = 0x8;
constexpr UINT DT_WORDBREAK = 0x10;
constexpr UINT DT_SINGLELINE = 0x20;
constexpr UINT DT_EXPANDTABS = 0x40;
constexpr UINT DT_TABSTOP = 0x80;
constexpr UINT DT_NOCLIP = 0x100;
constexpr UINT DT_EXTERNALLEADING = 0x200;
constexpr UINT DT_CALCRECT = 0x400;
constexpr UINT DT_NOPREFIX = 0x800;
constexpr UINT DT_PATH_ELLIPSIS = 0x4000;
constexpr UINT DT_END_ELLIPSIS = 0x8000;
constexpr UINT DT_MODIFYSTRING = 0x10000;
constexpr UINT DT_WORD_ELLIPSIS = 0x40000;

// Raster operations of BitBlt / StretchBlt / PatBlt
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

// Drawing modes of SetROP2
constexpr int R2_BLACK = 1;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_COPYPEN = 13;
constexpr int R2_WHITE = 16;

// Modes of SetStretchBltMode: HALFTONE averages the source pixels a scaled picture covers, so
// thin lines survive shrinking and enlarged pictures are not stair-stepped.
constexpr int BLACKONWHITE = 1;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// Edges of DrawEdge
constexpr UINT BDR_RAISEDOUTER = 0x1;
constexpr UINT BDR_SUNKENOUTER = 0x2;
constexpr UINT BDR_RAISEDINNER = 0x4;
constexpr UINT BDR_SUNKENINNER = 0x8;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr UINT EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr UINT EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x1;
constexpr UINT BF_TOP = 0x2;
constexpr UINT BF_RIGHT = 0x4;
constexpr UINT BF_BOTTOM = 0x8;
constexpr UINT BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr UINT BF_ADJUST = 0x2000;

// Region combination and results
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// Device capabilities
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;

// Font weights, character sets, pitch and family
constexpr int FW_DONTCARE = 0;
constexpr int FW_THIN = 100;
constexpr int FW_LIGHT = 300;
constexpr int FW_NORMAL = 400;
constexpr int FW_MEDIUM = 500;
constexpr int FW_SEMIBOLD = 600;
constexpr int FW_BOLD = 700;
constexpr int FW_HEAVY = 900;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE GB2312_CHARSET = 134;
constexpr BYTE OUT_DEFAULT_PRECIS = 0;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0;
constexpr BYTE DEFAULT_QUALITY = 0;
constexpr BYTE DEFAULT_PITCH = 0;
constexpr BYTE FIXED_PITCH = 1;
constexpr BYTE VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00;
constexpr BYTE FF_ROMAN = 0x10;
constexpr BYTE FF_SWISS = 0x20;
constexpr BYTE FF_MODERN = 0x30;

constexpr int LF_FACESIZE = 32;

// A logical font, as fonts are described to CreateFontIndirect and read back by GetLogFont.
struct LOGFONT {
    LONG lfHeight = 0; // < 0: character height in pixels; > 0: cell height; 0: default size
    LONG lfWidth = 0;
    LONG lfEscapement = 0;
    LONG lfOrientation = 0;
    LONG lfWeight = 0;
    BYTE lfItalic = 0;
    BYTE lfUnderline = 0;
    BYTE lfStrikeOut = 0;
    BYTE lfCharSet = 0;
    BYTE lfOutPrecision = 0;
    BYTE lfClipPrecision = 0;
    BYTE lfQuality = 0;
    BYTE lfPitchAndFamily = 0;
    char lfFaceName[LF_FACESIZE] = {};
};
using LPLOGFONT = LOGFONT*;

struct TEXTMETRIC {
    LONG tmHeight = 0;
    LONG tmAscent = 0;
    LONG tmDescent = 0;
    LONG tmInternalLeading = 0;
    LONG tmExternalLeading = 0;
    LONG tmAveCharWidth = 0;
    LONG tmMaxCharWidth = 0;
    LONG tmWeight = 0;
};

struct BITMAP {
    LONG bmType = 0;
    LONG bmWidth = 0;
    LONG bmHeight = 0;
    LONG bmWidthBytes = 0;
    WORD bmPlanes = 1;
    WORD bmBitsPixel = 32;
    void* bmBits = nullptr;
};

// The colour of a system element (COLOR_WINDOW ...), fixed to a light classic scheme.
COLORREF GetSysColor(int index);

namespace vq {
struct GdiData;
struct DcState;
// The face name of the font that shows Chinese text; used for every face that is not installed.
const char* DefaultFontFace();
// The pixel size of the font (DefaultFontFace) in which the Qt view shows dialogs.
constexpr int kViewFontPixels = 13;
// How much wider the view's font sets text than the system's 9-point font for which the dialog
// code chose its pixel widths (12 pixels a Chinese character, 6 a Latin letter or digit), for the
// widest of Chinese, letters and digits: what fitted a width there fits that width times this
// here. Never less than 1.
double ViewTextScale();
} // namespace vq

// ---- Drawing objects -------------------------------------------------------------------------

// Base of pens, brushes, fonts, bitmaps and regions. Objects are values that share their data:
// a copy refers to the same object; DeleteObject detaches this one.
class CGdiObject : public CObject {
public:
    CGdiObject();
    ~CGdiObject() override;
    CGdiObject(const CGdiObject&);
    CGdiObject& operator=(const CGdiObject&);

    BOOL DeleteObject();
    // Non-null while the object has been created (the framework's handle test).
    const void* GetSafeHandle() const;
    BOOL CreateStockObject(int index);

    // Internal: the shared description.
    const std::shared_ptr<vq::GdiData>& Data() const { return m_data; }
    void SetData(std::shared_ptr<vq::GdiData> data) { m_data = std::move(data); }

protected:
    std::shared_ptr<vq::GdiData> m_data;
};

class CPen : public CGdiObject {
public:
    CPen() = default;
    CPen(int style, int width, COLORREF color) { CreatePen(style, width, color); }
    BOOL CreatePen(int style, int width, COLORREF color);
    int GetStyle() const;
    int GetWidth() const;
    COLORREF GetColor() const;
};

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    explicit CBrush(COLORREF color) { CreateSolidBrush(color); }
    CBrush(int hatch, COLORREF color) { CreateHatchBrush(hatch, color); }
    BOOL CreateSolidBrush(COLORREF color);
    BOOL CreateHatchBrush(int hatch, COLORREF color);
    BOOL CreateSysColorBrush(int index) { return CreateSolidBrush(GetSysColor(index)); }
    // The brush's colour; CLR_NONE for the null brush.
    COLORREF GetColor() const;
};

class CFont : public CGdiObject {
public:
    BOOL CreateFontIndirect(const LOGFONT* font);
    BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic,
                    BYTE underline, BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision,
                    BYTE quality, BYTE pitchAndFamily, const char* faceName);
    // Size in tenths of a point (90 = 9 points), at 96 pixels per inch.
    BOOL CreatePointFont(int pointSize, const char* faceName, CDC* dc = nullptr);
    int GetLogFont(LOGFONT* font) const;
};

class CBitmap : public CGdiObject {
public:
    // A bitmap of the given size, black as a fresh screen bitmap is (32-bit, opaque).
    BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
    BOOL CreateBitmap(int width, int height, UINT planes = 1, UINT bitsPerPixel = 32,
                      const void* bits = nullptr);
    // A bitmap resource: the image registered under this id (vq::RegisterBitmapResource).
    BOOL LoadBitmap(UINT resourceId);
    int GetBitmap(BITMAP* info) const;
    CSize GetSize() const;
    int Width() const { return GetSize().cx; }
    int Height() const { return GetSize().cy; }

    // Pixel access (for tests and image lists); outside the bitmap GetPixel gives CLR_INVALID.
    COLORREF GetPixel(int x, int y) const;
    void SetPixel(int x, int y, COLORREF color);
    // Fully transparent pixel (image lists with a mask).
    bool IsTransparent(int x, int y) const;
    // Writes the bitmap as a PNG file.
    bool SavePng(const CString& path) const;
    // A deep copy (drawing into it leaves this one unchanged).
    CBitmap Clone() const;
    // The part (x, y, width, height) as a new bitmap.
    CBitmap Copy(int x, int y, int width, int height) const;
};

class CRgn : public CGdiObject {
public:
    BOOL CreateRectRgn(int left, int top, int right, int bottom);
    BOOL CreateRectRgnIndirect(LPCRECT rect);
    BOOL CreateEllipticRgn(int left, int top, int right, int bottom);
    // Combines a and b into this region (which must have been created); returns the kind of the
    // result (NULLREGION, SIMPLEREGION, COMPLEXREGION) or ERROR.
    int CombineRgn(const CRgn* a, const CRgn* b, int mode);
    int CopyRgn(const CRgn* source) { return CombineRgn(source, nullptr, RGN_COPY); }
    BOOL PtInRegion(int x, int y) const;
    BOOL PtInRegion(POINT p) const { return PtInRegion(p.x, p.y); }
    BOOL RectInRegion(LPCRECT rect) const;
    int GetRgnBox(LPRECT rect) const;
    void OffsetRgn(int dx, int dy);
};

// ---- Device contexts -------------------------------------------------------------------------

class CDC {
public:
    // A context without a target: a memory context gets one with SelectObject(CBitmap*).
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    // A context that draws into the given bitmap (shares its pixels).
    explicit CDC(CBitmap& target);

    // Contexts are handed around as pointers (DRAWITEMSTRUCT::hDC); these keep the framework's
    // ways of taking one: FromHandle gives it back, Attach makes this object draw through it
    // (same state, same target) until Detach.
    static CDC* FromHandle(CDC* dc) { return dc; }
    CDC* GetSafeHdc() { return this; }
    BOOL Attach(CDC* dc);
    CDC* Detach();

    BOOL CreateCompatibleDC(CDC* dc);
    BOOL DeleteDC();
    // True while the context has something to draw into.
    bool HasTarget() const;

    // Selection; each returns the object that was selected before (the context's own default
    // when the caller selected nothing before).
    CPen* SelectObject(CPen* pen);
    CBrush* SelectObject(CBrush* brush);
    CFont* SelectObject(CFont* font);
    CBitmap* SelectObject(CBitmap* bitmap);
    int SelectObject(CRgn* region) { return SelectClipRgn(region); }
    CGdiObject* SelectStockObject(int index);
    CPen* GetCurrentPen() const;
    CBrush* GetCurrentBrush() const;
    CFont* GetCurrentFont() const;
    CBitmap* GetCurrentBitmap() const;

    int SaveDC();
    BOOL RestoreDC(int saved); // -1: the last saved state

    // Attributes
    COLORREF SetTextColor(COLORREF color);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF color);
    COLORREF GetBkColor() const;
    int SetBkMode(int mode);
    int GetBkMode() const;
    UINT SetTextAlign(UINT flags);
    UINT GetTextAlign() const;
    int SetROP2(int mode);
    int GetROP2() const;
    int SetStretchBltMode(int mode);
    int GetStretchBltMode() const;
    CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT p) { return SetViewportOrg(p.x, p.y); }
    CPoint OffsetViewportOrg(int dx, int dy);
    CPoint GetViewportOrg() const;
    CPoint SetWindowOrg(int x, int y) { return SetViewportOrg(-x, -y); }
    int GetDeviceCaps(int index) const;

    // Clipping (rectangles in logical coordinates)
    int SelectClipRgn(CRgn* region); // nullptr removes the clip region
    int IntersectClipRect(int left, int top, int right, int bottom);
    int IntersectClipRect(LPCRECT rect);
    int ExcludeClipRect(int left, int top, int right, int bottom);
    int ExcludeClipRect(LPCRECT rect);
    int GetClipBox(LPRECT rect) const;
    BOOL PtVisible(int x, int y) const;

    // Lines and shapes; shapes are outlined with the pen and filled with the brush. Rectangles
    // cover left..right-1 and top..bottom-1 as in the framework.
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT p) { return MoveTo(p.x, p.y); }
    BOOL LineTo(int x, int y); // the end point itself is not drawn
    BOOL LineTo(POINT p) { return LineTo(p.x, p.y); }
    CPoint GetCurrentPosition() const;
    BOOL Polyline(const POINT* points, int count);
    BOOL Polygon(const POINT* points, int count);
    BOOL Rectangle(int left, int top, int right, int bottom);
    BOOL Rectangle(LPCRECT rect);
    BOOL RoundRect(int left, int top, int right, int bottom, int width, int height);
    BOOL RoundRect(LPCRECT rect, POINT corner);
    BOOL Ellipse(int left, int top, int right, int bottom);
    BOOL Ellipse(LPCRECT rect);
    // A sector of the ellipse in the rectangle, counterclockwise from the radial through start
    // to the radial through end.
    BOOL Pie(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
    BOOL Pie(LPCRECT rect, POINT start, POINT end);
    BOOL Arc(int left, int top, int right, int bottom, int x1, int y1, int x2, int y2);
    BOOL Arc(LPCRECT rect, POINT start, POINT end);
    BOOL Chord(LPCRECT rect, POINT start, POINT end);

    // Areas
    void FillRect(LPCRECT rect, CBrush* brush);
    void FillSolidRect(LPCRECT rect, COLORREF color);
    void FillSolidRect(int x, int y, int width, int height, COLORREF color);
    void FrameRect(LPCRECT rect, CBrush* brush);
    BOOL FillRgn(CRgn* region, CBrush* brush);
    BOOL FrameRgn(CRgn* region, CBrush* brush, int width, int height);
    BOOL PaintRgn(CRgn* region);
    void InvertRect(LPCRECT rect);
    BOOL InvertRgn(CRgn* region);
    void Draw3dRect(LPCRECT rect, COLORREF topLeft, COLORREF bottomRight);
    void Draw3dRect(int x, int y, int width, int height, COLORREF topLeft, COLORREF bottomRight);
    BOOL DrawEdge(LPRECT rect, UINT edge, UINT flags);
    // The dotted focus frame; drawn by inverting, so drawing it twice removes it.
    void DrawFocusRect(LPCRECT rect);
    // The frame of a drag: a frame of size.cx by size.cy pixels inverted over the picture. When
    // lastRect is given the previous frame (lastSize) is inverted back first.
    void DrawDragRect(LPCRECT rect, SIZE size, LPCRECT lastRect, SIZE lastSize);

    // Pixels
    COLORREF SetPixel(int x, int y, COLORREF color);
    COLORREF SetPixel(POINT p, COLORREF color) { return SetPixel(p.x, p.y, color); }
    COLORREF GetPixel(int x, int y) const;
    COLORREF GetPixel(POINT p) const { return GetPixel(p.x, p.y); }

    // Text in the selected font and text colour; with the background mode OPAQUE the text cell
    // is first filled with the background colour.
    BOOL TextOut(int x, int y, const CString& text);
    BOOL TextOut(int x, int y, const char* text, int length);
    BOOL ExtTextOut(int x, int y, UINT options, LPCRECT rect, const CString& text, const int* dx = nullptr);
    // Returns the height of the text; DT_CALCRECT measures without drawing and adjusts rect.
    int DrawText(const CString& text, LPRECT rect, UINT format);
    int DrawText(const char* text, int length, LPRECT rect, UINT format);
    CSize GetTextExtent(const CString& text) const;
    CSize GetTextExtent(const char* text, int length) const;
    CSize GetOutputTextExtent(const CString& text) const { return GetTextExtent(text); }
    BOOL GetTextMetrics(TEXTMETRIC* metrics) const;

    // Bitmaps
    BOOL BitBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, DWORD rop);
    BOOL StretchBlt(int x, int y, int width, int height, CDC* source, int sx, int sy, int sw, int sh,
                    DWORD rop);
    BOOL PatBlt(int x, int y, int width, int height, DWORD rop);
    // Draws a bitmap whole at (x, y), honouring its transparency.
    void DrawBitmap(const CBitmap& bitmap, int x, int y);

    // Internal: the drawing state, shared with the image list and the Qt view.
    vq::DcState& State() const { return *m_state; }

protected:
    // Points the context at a new target (a window's backing image).
    void AttachTarget(CBitmap target);

private:
    std::shared_ptr<vq::DcState> m_state;
    CDC* m_attached = nullptr;
};

// Painting a window in its OnPaint: draws into the window's picture, which the view shows.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* window);
    ~CPaintDC() override;
    CWnd* m_pWnd = nullptr;

private:
    bool m_painting = false;
};

// Drawing on a window outside OnPaint (drag frames, immediate feedback).
class CClientDC : public CDC {
public:
    explicit CClientDC(CWnd* window);
    ~CClientDC() override;
    CWnd* m_pWnd = nullptr;
};

// The same for the whole window; our windows have no frame of their own, so it is the client area.
class CWindowDC : public CClientDC {
public:
    explicit CWindowDC(CWnd* window) : CClientDC(window) {}
};

// A memory context of the given rectangle of another context: drawing goes into an off-screen
// bitmap that is copied into the other context when this object goes.
class CMemDC : public CDC {
public:
    CMemDC(CDC* target, LPCRECT rect = nullptr);
    ~CMemDC() override;

private:
    CDC* m_target;
    CRect m_rect;
    CBitmap m_bitmap;
    CBitmap* m_oldBitmap = nullptr;
};

namespace vq {

// Bitmap resources: our own images, drawn by a function under a numeric id (the resource id the
// dialog code names). CBitmap::LoadBitmap draws a fresh copy each time.
using BitmapPainter = std::function<void(CDC& dc)>;
void RegisterBitmapResource(UINT id, int width, int height, BitmapPainter painter);
bool HasBitmapResource(UINT id);

// The picture of a window: the image its OnPaint drew last, the size of its client area.
// CPaintDC and CClientDC draw into it; the Qt view shows it.
CBitmap WindowSurface(CWnd& window);
// Forgets the picture of a window that is being destroyed.
void ReleaseWindowSurface(CWnd& window);
// Paints a window now (its OnPaint) and returns a copy of its picture (tests; the Qt view).
CBitmap RenderWindow(CWnd& window);
// Called after a window's picture was drawn outside a repaint (CClientDC), so a view can show it.
void SetSurfaceChangedHandler(std::function<void(CWnd&)> handler);

} // namespace vq
