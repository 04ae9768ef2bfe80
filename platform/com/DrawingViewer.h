// The drawing viewer: one viewer of our own behind both drawing viewer controls the dialogs host
// (CAvViewX, control 6027 of their templates, and CAutoVueX, created in code). It shows what can
// be read as a picture (raster images), with pan, zoom, zoom to a rectangle, quarter turns and the
// whole picture; for a file it cannot show it says so in the window. Redline markup (lines,
// rectangles, clouds and texts) is drawn over the picture and kept in markup files of our own
// format (MarkupFile.md beside this file).
//
// A dialog places the control in its template as vq::CustomWindow(6027, ...) and binds it with
// DDX_Control; the control's mouse-down event reaches the dialog's message map:
//
//   BEGIN_MESSAGE_MAP(CSomeDlg, CDialog)
//       ON_VIEWER_MOUSEDOWN(6027, &CSomeDlg::OnViewerMouseDown)  // (short button, short shift, double x,
//       double y)
//   END_MESSAGE_MAP()
//
// Commands (the current command, the viewer's mode of the left mouse button):
//   "Select"      nothing (the default)
//   "Pan"         dragging moves the picture
//   "Zoom"        dragging up enlarges, dragging down reduces, around the point first pressed
//   "ZoomToRect"  the rectangle dragged fills the window; a click enlarges twice around it
//   "Orbit"       a click turns the picture a quarter clockwise (with Shift anticlockwise)
//   "Sketch"      dragging draws a redline rectangle (with Shift a line, with Ctrl a cloud)
//   "Text"        a click asks for a text and places it there
// The Home key shows the whole picture.
#pragma once

#include "platform/base/String.h"
#include "platform/ui/DC.h"
#include "platform/ui/MessageMap.h"
#include "platform/ui/Wnd.h"

#include <string>
#include <vector>

namespace vq {

enum class MarkupKind { Line, Rectangle, Cloud, Text };

// One redline item in drawing coordinates (the picture's pixels, x to the right, y downwards):
// lines from (x1, y1) to (x2, y2); rectangles and clouds between the two corners; texts start at
// (x1, y1) (top left) with the height of their letters in y2.
struct MarkupItem {
    MarkupKind kind = MarkupKind::Rectangle;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    COLORREF color = RGB(255, 0, 0);
    int width = 2; // pen width in screen pixels
    CString text;

    bool operator==(const MarkupItem& other) const = default;
};

// What a markup file holds: the drawing it was drawn on (its file name and bytes; both empty when
// the markup was saved without one) and the items.
struct MarkupDocument {
    CString drawingName;
    std::string drawingBytes;
    std::vector<MarkupItem> items;
};

// Writes and reads markup files (the format is in MarkupFile.md). Reading fails for a file that is
// not a markup file or is damaged; nothing is half read.
bool WriteMarkupFile(const CString& path, const MarkupDocument& document);
bool ReadMarkupFile(const CString& path, MarkupDocument& document);
bool IsMarkupFile(const CString& path);

} // namespace vq

// The mouse-down event of a viewer control: button 1 left, 2 right, 4 middle; shift state 1 Shift,
// 2 Ctrl; x and y in the control's client coordinates.
struct NMVIEWERMOUSE {
    NMHDR hdr;
    short button = 0;
    short shift = 0;
    double x = 0;
    double y = 0;
};
constexpr UINT VQN_VIEWERMOUSEDOWN = 0U - 2605U;

namespace vq {
template <class T>
MessageMapEntry ViewerMouseDownEntry(UINT id, void (T::*fn)(short, short, double, double)) {
    return {MessageMapEntry::Kind::Notify, VQN_VIEWERMOUSEDOWN, id, id,
            [fn](CWnd* self, UINT, WPARAM, LPARAM lParam, LRESULT* result) {
                const auto* e = reinterpret_cast<const NMVIEWERMOUSE*>(lParam);
                (static_cast<T*>(self)->*fn)(e->button, e->shift, e->x, e->y);
                *result = 0;
                return true;
            }};
}
} // namespace vq
#define ON_VIEWER_MOUSEDOWN(id, fn) ::vq::ViewerMouseDownEntry<ThisClass>((id), fn),

class CDrawingViewer : public CWnd {
public:
    CDrawingViewer();
    ~CDrawingViewer() override;

    // --- The file shown
    // Shows a drawing, a picture or a markup file (a markup file brings its own drawing, or is laid
    // over the drawing shown when it has none); an empty path shows nothing. FALSE when the file
    // cannot be read; a file whose format cannot be shown is read (TRUE) and the window says so.
    BOOL ShowFile(const CString& path);
    const CString& GetShownFile() const { return m_file; }
    // True while a picture is shown.
    bool HasPicture() const { return m_picture.GetSafeHandle() != nullptr; }
    // What the window says instead of a picture (empty when it shows one or shows nothing).
    const CString& GetNotice() const { return m_notice; }
    // Shows no drawing and says this instead (why no drawing was loaded).
    void ShowNotice(const CString& text);
    CSize GetPictureSize() const { return m_picture.GetSize(); }

    // Reads a picture file the viewer can show (raster images); FALSE when it cannot.
    static BOOL LoadPicture(const CString& path, CBitmap& picture);

    // --- Viewing
    const CString& GetCommand() const { return m_command; }
    void SetCommand(const CString& command);
    // The drawing area the window shows: left-top and right-bottom corners.
    void GetViewExtents(double& leftX, double& leftY, double& rightX, double& rightY) const;
    // Shows the area (corners in any order) as large as the window allows, centred.
    void ZoomToArea(double leftX, double leftY, double rightX, double rightY);
    // Shows the whole picture.
    void ZoomExtents();
    // Turns the picture by quarter turns clockwise (negative: anticlockwise) about the window's centre.
    void Turn(int quarterTurns);
    int GetQuarterTurns() const { return m_turns; }
    double GetScale() const { return m_scale; }
    // Lays the view out again after the window was moved or resized, and repaints.
    void RefreshView();
    // The layers (picture, markup: each can be hidden), views and layouts of the drawing, in small
    // dialogs over the window.
    void ShowLayersDialog();
    void ShowViewsDialog();
    void ShowLayoutsDialog();
    bool IsPictureLayerVisible() const { return m_showPicture; }
    bool IsMarkupLayerVisible() const { return m_showMarkup; }
    void SetLayerVisible(bool picture, bool markup);
    // An option text of the hosting dialog (as "DisableRightClickMenu"); kept, the viewer has no
    // menu of its own.
    void SetOptionText(const CString& text) { m_options = text; }
    const CString& GetOptionText() const { return m_options; }

    // --- Markup
    const std::vector<vq::MarkupItem>& GetMarkup() const { return m_markup; }
    void AddMarkup(const vq::MarkupItem& item);
    // Saves the markup with the drawing shown into a markup file.
    BOOL SaveMarkup(const CString& path);
    // Discards the markup; TRUE.
    BOOL ClearMarkup();

    // --- Coordinates (the client area and the drawing)
    CPoint DrawingToClient(double x, double y) const;
    void ClientToDrawing(CPoint point, double& x, double& y) const;

protected:
    void OnPaint() override;
    void OnSize(UINT type, int cx, int cy) override;
    void OnLButtonDown(UINT flags, CPoint point) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnMouseMove(UINT flags, CPoint point) override;
    void OnRButtonDown(UINT flags, CPoint point) override;
    void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
    void ClearState() override;
    // The text of a text markup, asked of the person; FALSE when cancelled.
    virtual BOOL AskMarkupText(CString& text);

private:
    void RaiseMouseDown(short button, UINT flags, CPoint point);
    void SetPicture(const CBitmap& picture);
    void PaintMarkupItem(CDC& dc, const vq::MarkupItem& item) const;
    CSize TurnedSize() const;
    // Drawing coordinates to the turned picture's pixels and back.
    void Turned(double x, double y, double& u, double& v) const;
    void Unturned(double u, double v, double& x, double& y) const;
    void Changed();

    CString m_file;
    CString m_notice;
    CString m_drawingName;
    std::string m_drawingBytes;
    CBitmap m_picture; // as read
    CBitmap m_turned;  // turned by m_turns quarters
    std::vector<vq::MarkupItem> m_markup;
    CString m_command = "Select";
    CString m_options;
    int m_turns = 0;
    double m_scale = 1.0; // screen pixels per drawing unit
    double m_originX = 0; // client position of the turned picture's top-left corner
    double m_originY = 0;
    bool m_followExtents = true; // the whole picture is shown and stays so when the size changes
    bool m_showPicture = true;
    bool m_showMarkup = true;
    CSize m_client;
    // The drag of the left button
    bool m_dragging = false;
    UINT m_dragFlags = 0;
    CPoint m_dragStart;
    CPoint m_dragLast;

    DECLARE_MESSAGE_MAP()
};

// The dispatch wrapper of the drawing viewer control placed in dialog templates (control 6027).
// Its members, with the dispatch ids the dialogs know them by:
class CAvViewX : public CDrawingViewer {
public:
    CString GetViewMode() const { return GetCommand(); }          // 1, get
    void SetViewMode(const CString& mode) { SetCommand(mode); }   // 1, put
    CString GetDrawingFile() const { return GetShownFile(); }     // 3, get
    void SetDrawingFile(const CString& path) { ShowFile(path); }  // 3, put
    void SetOptions(const CString& text) { SetOptionText(text); } // 15, put
    void UpdateView() { RefreshView(); }                          // 60
    void ShowLayers() { ShowLayersDialog(); }                     // 61
    void ShowViews() { ShowViewsDialog(); }                       // 62
    void ShowLayouts() { ShowLayoutsDialog(); }                   // 63
    // 68 GetViewExtents and 69 ZoomToArea as in CDrawingViewer.
    void SaveMarkupFile(const CString& path) { SaveMarkup(path); } // 76
    BOOL ClearMarkupFile() { return ClearMarkup(); }               // 77
};

// The dispatch wrapper of the second viewer control, which the dialogs create as a child window
// (CWnd::Create with the rectangle it should cover).
class CAutoVueX : public CDrawingViewer {
public:
    // Creates the viewer as a child window of the hosting dialog, without a size yet. (The Qt view
    // puts a window that is created over the rectangle of a template control in that control's
    // place; so the host moves this viewer over the first one only when it is the viewer chosen.)
    BOOL CreateChild(CWnd* parent, UINT id) {
        return Create(nullptr, nullptr, WS_CHILD | WS_VISIBLE, CRect(0, 0, 0, 0), parent, id);
    }
    void SetFileName(const CString& path) { ShowFile(path); } // 1, put
    // 30: after a file was set; TRUE when a picture is shown.
    BOOL UpdateView() {
        RefreshView();
        return HasPicture() ? TRUE : FALSE;
    }
    // 50: called once when the hosting window opens; TRUE.
    BOOL Activate(BOOL on) {
        m_active = on != FALSE;
        return TRUE;
    }
    bool IsActive() const { return m_active; }

private:
    bool m_active = false;
};
