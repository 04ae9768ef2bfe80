// CWnd: a window of ours. It holds its state (id, text, style, position, children) and receives
// messages through its message map and its virtual handlers. Whoever shows it (the Qt view or the
// scripted user) reads that state and feeds input back through the entry points of the controls.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/Geometry.h"
#include "platform/base/MessageBox.h"
#include "platform/base/String.h"
#include "platform/ui/DialogTemplate.h"
#include "platform/ui/MessageMap.h"
#include "platform/ui/Messages.h"

#include <cstdint>
#include <vector>

class CBitmap;
class CDC;
class CFont;
class CMenu;
class CDataExchange;

struct MSG {
    HWND hwnd = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    POINT pt;
};

class CWnd : public CObject {
public:
    // The window's handle: the object itself while the window exists, null before and after.
    HWND m_hWnd = nullptr;

    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    static const vq::MessageMap* GetThisMessageMap();
    virtual const vq::MessageMap* GetMessageMap() const;

    // What kind of window this is: the views build their widget from it.
    virtual vq::ControlKind GetControlKind() const { return vq::ControlKind::Window; }

    // --- Creation and destruction -------------------------------------------------------------
    // Creates a child window (or a top-level one without parent) of this class at rect (in the
    // parent's client coordinates).
    virtual BOOL Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                        UINT id, void* context = nullptr);
    BOOL CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                  CWnd* parent, UINT id, LPVOID param = nullptr);
    // Destroys the window and its children; the object stays (PostNcDestroy may delete it).
    virtual BOOL DestroyWindow();
    // Makes this object the control `id` of the dialog `parent` (which built it from its
    // template): the object takes the control's place and its state from the template.
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    // Makes this object take the place of an existing window (its state and its place among its
    // parent's children); the old object stays but no longer counts as a window.
    BOOL SubclassWindow(HWND existing);
    HWND GetSafeHwnd() const { return m_hWnd; }
    static CWnd* FromHandle(HWND hWnd) { return hWnd; }
    // True while the window exists.
    BOOL IsWindow() const { return m_hWnd != nullptr; }

    // --- Family ---------------------------------------------------------------------------------
    CWnd* GetParent() const { return m_parent; }
    CWnd* GetOwner() const { return m_owner ? m_owner : m_parent; }
    void SetOwner(CWnd* owner) { m_owner = owner; }
    CWnd* GetTopLevelParent() const;
    CWnd* GetDlgItem(int id) const;
    int GetDlgCtrlID() const { return m_id; }
    int SetDlgCtrlID(int id);
    // The child windows in creation (template) order.
    const std::vector<CWnd*>& GetChildren() const { return m_children; }
    CWnd* GetWindow(UINT cmd) const;
    CWnd* GetNextDlgGroupItem(CWnd* control, BOOL previous = FALSE) const;
    // True when window is a child (or a child's child ...) of this one.
    BOOL IsChild(const CWnd* window) const;

    // --- Text -------------------------------------------------------------------------------
    void SetWindowText(const CString& text);
    void GetWindowText(CString& text) const { text = GetWindowTextValue(); }
    int GetWindowText(LPTSTR buffer, int maxCount) const;
    int GetWindowTextLength() const { return GetWindowTextValue().GetLength(); }
    // The text as the control holds it (edit controls keep theirs in their own state).
    virtual CString GetWindowTextValue() const { return m_text; }
    void SetDlgItemText(int id, const CString& text);
    int GetDlgItemText(int id, CString& text) const;
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE);
    UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;
    void CheckDlgButton(int id, UINT check);
    UINT IsDlgButtonChecked(int id) const;
    void CheckRadioButton(int firstId, int lastId, int checkId);
    int GetCheckedRadioButton(int firstId, int lastId) const;

    // --- State ----------------------------------------------------------------------------
    BOOL EnableWindow(BOOL enable = TRUE); // returns TRUE when it was disabled
    BOOL IsWindowEnabled() const { return (m_style & WS_DISABLED) == 0; }
    BOOL ShowWindow(int cmd); // returns TRUE when it was visible
    BOOL IsWindowVisible() const;
    DWORD GetStyle() const { return m_style; }
    DWORD GetExStyle() const { return m_exStyle; }
    BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0);
    BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0);
    CWnd* SetFocus();
    static CWnd* GetFocus();
    void SetFont(CFont* font, BOOL redraw = TRUE);
    CFont* GetFont() const { return m_font; }
    // The window's icon (an icon of the image lists, HICON); the view shows the big one.
    const CBitmap* SetIcon(const CBitmap* icon, BOOL big);
    const CBitmap* GetIcon(BOOL big) const { return big ? m_bigIcon : m_smallIcon; }
    void SetRedraw(BOOL redraw = TRUE);
    bool IsRedrawEnabled() const { return m_redraw; }

    // --- Position ---------------------------------------------------------------------------
    // Positions: a child's rectangle is in its parent's client coordinates, a top-level window's
    // in screen coordinates. The client area starts at (0, 0) and has the window's size.
    void GetWindowRect(LPRECT rect) const;
    void GetClientRect(LPRECT rect) const;
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void MoveWindow(LPCRECT rect, BOOL repaint = TRUE);
    BOOL SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags);
    void ClientToScreen(LPPOINT point) const;
    void ClientToScreen(LPRECT rect) const;
    void ScreenToClient(LPPOINT point) const;
    void ScreenToClient(LPRECT rect) const;
    void CenterWindow(CWnd* alternateOwner = nullptr);
    // The rectangle in parent coordinates (for views and layout).
    const CRect& GetRectInParent() const { return m_rect; }

    // --- Painting and mouse -------------------------------------------------------------------
    void Invalidate(BOOL erase = TRUE);
    void InvalidateRect(LPCRECT rect, BOOL erase = TRUE);
    void UpdateWindow();
    // A context drawing into the window's picture (a CClientDC); give it back with ReleaseDC.
    CDC* GetDC();
    int ReleaseDC(CDC* dc);
    CWnd* SetCapture();
    static CWnd* GetCapture();

    // --- Messages -----------------------------------------------------------------------------
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    // Queues the message; it runs when the view next returns to its loop (if the window still exists).
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendDlgItemMessage(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
    // Keys go through every window from the target up to its top-level window first; TRUE stops them.
    virtual BOOL PreTranslateMessage(MSG* msg);

    // --- Data exchange ----------------------------------------------------------------------------
    // Moves values between the members and the controls (save: from the controls, validating).
    // FALSE when a value failed validation (the person has been told and the control has focus).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);
    virtual void DoDataExchange(CDataExchange* pDX) {}

    // A message box owned by this window; without a caption the application's title is used.
    int MessageBox(LPCTSTR text, LPCTSTR caption = nullptr, UINT type = MB_OK);

    // --- Handlers ------------------------------------------------------------------------------
    // A message sent to the window runs its handler whether or not the message map lists it; a
    // person's mouse and keys reach it through the Qt view only when the class's map has the
    // ON_WM_xxx entry (see MessageMap.h).
    virtual int OnCreate(void* createStruct) { return 0; }
    virtual void OnDestroy() {}
    virtual void PostNcDestroy() {}
    // The object has just become the window (Create, SubclassWindow, DDX_Control): a control
    // class sets itself up here, e.g. subclasses a child of its own.
    virtual void PreSubclassWindow() {}
    virtual void OnPaint();
    virtual BOOL OnEraseBkgnd(void* dc) { return TRUE; }
    virtual void OnSize(UINT type, int cx, int cy) {}
    virtual void OnClose();
    virtual void OnTimer(UINT_PTR id) {}
    virtual void OnLButtonDown(UINT flags, CPoint point) {}
    virtual void OnLButtonUp(UINT flags, CPoint point) {}
    virtual void OnLButtonDblClk(UINT flags, CPoint point) {}
    virtual void OnRButtonDown(UINT flags, CPoint point) {}
    virtual void OnRButtonUp(UINT flags, CPoint point) {}
    virtual void OnMouseMove(UINT flags, CPoint point) {}
    virtual void OnKeyDown(UINT key, UINT repeat, UINT flags) {}
    virtual void OnChar(UINT ch, UINT repeat, UINT flags) {}
    virtual void OnSetFocus(CWnd* oldWnd) {}
    virtual void OnKillFocus(CWnd* newWnd) {}
    virtual void OnShowWindow(BOOL show, UINT status) {}
    // A right click that nobody handled as a notification; the default asks the parent.
    virtual void OnContextMenu(CWnd* window, CPoint screenPoint);
    // A spin button (scrollBar) beside the window moved to pos.
    virtual void OnHScroll(UINT code, UINT pos, CWnd* scrollBar) {}
    virtual void OnVScroll(UINT code, UINT pos, CWnd* scrollBar) {}
    // The limits of resizing; views ask with vq::MinTrackSize.
    virtual void OnGetMinMaxInfo(MINMAXINFO* info) {}

    // --- For the views --------------------------------------------------------------------------
    // A view's own data for this window (its widget); the window does not look at it.
    void* GetViewData() const { return m_viewData; }
    void SetViewData(void* data) { m_viewData = data; }
    // The view has placed the window (parent client coordinates); no message goes back to the view.
    void ViewSetRect(const CRect& rect);
    // Sets up the window's state from its template entry (controls add their own state).
    virtual void InitFromTemplate(const vq::ControlTemplate& item);
    // The template entry the window was built from (null for windows created in code).
    const vq::ControlTemplate* GetTemplate() const { return m_template; }
    // The window's serial number: unique for each window created in this process.
    std::uint64_t GetSerial() const { return m_serial; }
    // Tells the view that the window's state changed (unless redraw is off).
    void StateChanged();

protected:
    // Forgets the contents a control holds (rows, items, text) when its window is destroyed, so
    // that the object starts empty when it becomes a window again.
    virtual void ClearState() {}
    // Sends a WM_COMMAND notification to the parent (after the window's own reflected handler).
    void NotifyParent(UINT code);
    // Sends a WM_NOTIFY notification to the parent (hwndFrom, idFrom and code are filled in).
    LRESULT NotifyParent(NMHDR& header, UINT code);
    // Makes the window exist as a child of parent (or top level); used by Create and by dialogs.
    void Attach(CWnd* parent, int id, bool ownedByParent);
    // Finds a handler in the maps of this class and its bases.
    bool FindAndRun(vq::MessageMapEntry::Kind kind, UINT code, UINT id, WPARAM wParam, LPARAM lParam,
                    LRESULT* result);
    void ReplaceChild(CWnd* oldChild, CWnd* newChild);

    CString m_text;
    DWORD m_style = WS_VISIBLE;
    DWORD m_exStyle = 0;
    CRect m_rect;

private:
    friend class CDialog;
    friend class CListCtrl;
    void DestroyChildren();
    void Detach();

    CWnd* m_parent = nullptr;
    CWnd* m_owner = nullptr;
    std::vector<CWnd*> m_children;
    bool m_ownedByParent = false; // built from a template: deleted with its parent
    int m_id = 0;
    CFont* m_font = nullptr;
    const CBitmap* m_bigIcon = nullptr;
    const CBitmap* m_smallIcon = nullptr;
    bool m_redraw = true;
    void* m_viewData = nullptr;
    const vq::ControlTemplate* m_template = nullptr;
    std::uint64_t m_serial = 0;
};

// Global helpers of the window layer.
// A window class name for CWnd::CreateEx; every window of ours is drawn by its own object, so
// the class only names it.
LPCTSTR AfxRegisterWndClass(UINT classStyle, const void* cursor = nullptr, const void* background = nullptr,
                            const void* icon = nullptr);
// Sizes of the window system's parts, fixed to the classic look (the screen of headless runs is
// 1280 by 800 pixels).
constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr int SM_CXVSCROLL = 2;
constexpr int SM_CYHSCROLL = 3;
constexpr int SM_CYCAPTION = 4;
constexpr int SM_CXBORDER = 5;
constexpr int SM_CYBORDER = 6;
constexpr int SM_CXDLGFRAME = 7;
constexpr int SM_CYDLGFRAME = 8;
constexpr int SM_CYVSCROLL = 20;
constexpr int SM_CXHSCROLL = 21;
constexpr int SM_CXICON = 11;
constexpr int SM_CYICON = 12;
constexpr int SM_CYMENU = 15;
constexpr int SM_CXFULLSCREEN = 16;
constexpr int SM_CYFULLSCREEN = 17;
constexpr int SM_CXFRAME = 32;
constexpr int SM_CYFRAME = 33;
constexpr int SM_CXSMICON = 49;
constexpr int SM_CYSMICON = 50;
int GetSystemMetrics(int index);

BOOL ReleaseCapture();
BOOL IsWindow(HWND hWnd);
// Whether a key is held down while the key being delivered is pressed: negative for Shift or
// Ctrl held (VK_SHIFT, VK_CONTROL), else 0.
short GetKeyState(int virtualKey);
BOOL GetCursorPos(LPPOINT point);
BOOL SetCursorPos(int x, int y);

namespace vq {

// Tells GetKeyState which of Shift and Ctrl are held with the key a view is delivering, for as
// long as the object lives.
class HeldKeys {
public:
    HeldKeys(bool shift, bool control);
    ~HeldKeys();
    HeldKeys(const HeldKeys&) = delete;
    HeldKeys& operator=(const HeldKeys&) = delete;

private:
    unsigned m_before;
};

// A procedure that sees every window's messages before the window's own procedure does, for
// helpers that attach themselves to windows they do not own (a dialog resizer). It returns true
// when it has handled the message, with the result in *result.
using WindowProcHook = bool (*)(CWnd* window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
void AddWindowProcHook(WindowProcHook hook);

// Offers a key-down to PreTranslateMessage of the window and each window above it. True when one
// of them took the key, or when the window went away meanwhile; false when the key is still to be
// delivered to the window.
bool PreTranslateKey(CWnd& target, UINT key);
// While it lives, the command sent to the dialog comes from Enter pressed where the dialog shows
// no button for it (no OK button): the dialog's own OK (CDialog::OnOK) then closes nothing.
// Dialogs opened meanwhile are not concerned.
class EnterKeyScope {
public:
    explicit EnterKeyScope(const CWnd* dialogWithoutButton);
    ~EnterKeyScope();
    EnterKeyScope(const EnterKeyScope&) = delete;
    EnterKeyScope& operator=(const EnterKeyScope&) = delete;

private:
    const CWnd* m_before;
};
bool EnterWithoutButton(const CWnd& dialog);
// Raises the double click of the current row of a report list, or the selected item of a tree,
// as a person's double click there; nothing when there is none. False when the control is neither.
bool DoubleClickCurrentItem(CWnd& control);

// Presses a key in a window as a person would: PreTranslateMessage from the window up to its
// top-level window, then WM_KEYDOWN to the window; Enter and Escape left unhandled by the window
// press the default button (or OK) and Cancel of its dialog.
void PressKey(CWnd& target, UINT key);

// The window that should paint, be it through the Qt view or into an image: calls OnPaint.
void PaintWindow(CWnd& window);

// Queues a message for the window (CWnd::PostMessage); vq::DispatchPostedMessages runs it.
void PostWindowMessage(CWnd& window, UINT message, WPARAM wParam, LPARAM lParam);

// The position of the mouse in screen coordinates, as the last input left it. Views set it
// before they pass on mouse input; the scripted user sets it over the items it clicks.
void SetCursorPosition(CPoint screenPoint);

// The smallest size a person may give the window (its OnGetMinMaxInfo); (0, 0) when no limit.
CSize MinTrackSize(CWnd& window);

// The windows that exist at the top level (modeless and modal), oldest first.
std::vector<CWnd*> TopLevelWindows();

} // namespace vq
