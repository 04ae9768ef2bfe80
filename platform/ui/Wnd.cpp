#include "platform/ui/Wnd.h"

#include "platform/ui/DC.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/TreeCtrl.h"
#include "platform/ui/View.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace {

// Every window that exists, with its serial number. The registers of windows are never destroyed:
// windows still open when the program exits are destroyed after the static objects made since
// they opened are gone (vq::CloseWindowsAtTheEnd).
std::unordered_map<const CWnd*, std::uint64_t>& LiveWindows() {
    static auto* windows = new std::unordered_map<const CWnd*, std::uint64_t>();
    return *windows;
}

std::vector<CWnd*>& TopLevelList() {
    static auto* windows = new std::vector<CWnd*>();
    return *windows;
}

std::uint64_t NextSerial() {
    static std::uint64_t serial = 0;
    return ++serial;
}

CWnd*& FocusWindow() {
    static CWnd* focus = nullptr;
    return focus;
}

CWnd*& CaptureWindow() {
    static CWnd* capture = nullptr;
    return capture;
}

CPoint& CursorPosition() {
    static CPoint point;
    return point;
}

// Default sizes of controls built from templates without a position (the views lay them out).
CSize DefaultSize(vq::ControlKind kind) {
    switch (kind) {
    case vq::ControlKind::ListCtrl:
    case vq::ControlKind::TreeCtrl:
    case vq::ControlKind::ListBox:
    case vq::ControlKind::RichEdit:
        return CSize(300, 200);
    case vq::ControlKind::PushButton:
        return CSize(75, 24);
    case vq::ControlKind::Spin:
        return CSize(16, 22);
    case vq::ControlKind::Tab:
        return CSize(300, 200);
    default:
        return CSize(120, 22);
    }
}

} // namespace

const vq::MessageMap* CWnd::GetThisMessageMap() {
    static const vq::MessageMap map{nullptr, {}};
    return &map;
}

const vq::MessageMap* CWnd::GetMessageMap() const {
    return GetThisMessageMap();
}

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_hWnd) {
        // The derived parts are gone: destroy without their handlers.
        DestroyChildren();
        if (!m_parent)
            vq::ActiveDialogView().WindowDestroyed(*this);
        Detach();
    }
    if (FocusWindow() == this)
        FocusWindow() = nullptr;
    if (CaptureWindow() == this)
        CaptureWindow() = nullptr;
}

void CWnd::Attach(CWnd* parent, int id, bool ownedByParent) {
    m_hWnd = this;
    m_parent = parent;
    m_id = id;
    m_ownedByParent = ownedByParent;
    m_serial = NextSerial();
    LiveWindows()[this] = m_serial;
    if (parent)
        parent->m_children.push_back(this);
    else
        TopLevelList().push_back(this);
}

void CWnd::Detach() {
    if (m_parent) {
        auto& siblings = m_parent->m_children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    } else {
        auto& tops = TopLevelList();
        tops.erase(std::remove(tops.begin(), tops.end(), this), tops.end());
    }
    vq::ReleaseWindowSurface(*this);
    LiveWindows().erase(this);
    m_hWnd = nullptr;
    m_parent = nullptr;
    if (FocusWindow() == this)
        FocusWindow() = nullptr;
    if (CaptureWindow() == this)
        CaptureWindow() = nullptr;
}

void CWnd::DestroyChildren() {
    // Children destroy themselves one by one; each leaves the list as it goes.
    while (!m_children.empty()) {
        CWnd* child = m_children.back();
        const bool owned = child->m_ownedByParent;
        child->DestroyWindow();
        if (!m_children.empty() && m_children.back() == child)
            m_children.pop_back(); // a child whose DestroyWindow refused
        if (owned)
            delete child;
    }
}

BOOL CWnd::Create(LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id,
                  void* context) {
    if (m_hWnd)
        return FALSE;
    m_text = windowName ? windowName : "";
    m_style = style;
    m_rect = rect;
    Attach(parent, static_cast<int>(id), false);
    PreSubclassWindow();
    if (OnCreate(context) == -1) {
        DestroyWindow();
        return FALSE;
    }
    if (!parent)
        vq::ActiveDialogView().WindowCreated(*this);
    else
        StateChanged();
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCTSTR className, LPCTSTR windowName, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, LPVOID param) {
    m_exStyle = exStyle;
    return Create(className, windowName, style, rect, parent, id, param);
}

BOOL CWnd::DestroyWindow() {
    if (!m_hWnd)
        return FALSE;
    if (!m_parent)
        vq::ActiveDialogView().WindowDestroyed(*this);
    else
        m_parent->StateChanged();
    OnDestroy();
    DestroyChildren();
    ClearState();
    Detach();
    PostNcDestroy(); // may delete this
    return TRUE;
}

BOOL CWnd::SubclassWindow(HWND existing) {
    if (!existing || existing == this || m_hWnd || !::IsWindow(existing))
        return FALSE;
    CWnd* old = existing;
    m_text = old->m_text;
    m_style = old->m_style;
    m_exStyle = old->m_exStyle;
    m_rect = old->m_rect;
    m_font = old->m_font;
    if (old->m_template)
        InitFromTemplate(*old->m_template);
    m_text = old->m_text;
    m_style = old->m_style;
    m_exStyle = old->m_exStyle;
    m_rect = old->m_rect;
    m_template = old->m_template;
    m_id = old->m_id;
    m_parent = old->m_parent;
    m_owner = old->m_owner;
    m_hWnd = this;
    m_serial = NextSerial();
    LiveWindows()[this] = m_serial;
    // The old object's children (a list's header) come along.
    m_children = std::move(old->m_children);
    old->m_children.clear();
    for (CWnd* child : m_children)
        child->m_parent = this;
    if (m_parent) {
        std::replace(m_parent->m_children.begin(), m_parent->m_children.end(), old, this);
    } else {
        std::replace(TopLevelList().begin(), TopLevelList().end(), old, this);
    }
    if (FocusWindow() == old)
        FocusWindow() = this;
    const bool owned = old->m_ownedByParent;
    old->m_parent = nullptr;
    old->m_hWnd = nullptr;
    LiveWindows().erase(old);
    m_ownedByParent = false;
    if (owned)
        delete old;
    PreSubclassWindow();
    StateChanged();
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
    if (!parent)
        return FALSE;
    CWnd* existing = parent->GetDlgItem(static_cast<int>(id));
    if (existing == this)
        return TRUE;
    return existing ? SubclassWindow(existing) : FALSE;
}

void CWnd::ReplaceChild(CWnd* oldChild, CWnd* newChild) {
    std::replace(m_children.begin(), m_children.end(), oldChild, newChild);
}

CWnd* CWnd::GetTopLevelParent() const {
    const CWnd* w = this;
    while (w->m_parent)
        w = w->m_parent;
    return const_cast<CWnd*>(w);
}

CWnd* CWnd::GetDlgItem(int id) const {
    for (CWnd* child : m_children)
        if (child->m_id == id)
            return child;
    return nullptr;
}

int CWnd::SetDlgCtrlID(int id) {
    return std::exchange(m_id, id);
}

CWnd* CWnd::GetWindow(UINT cmd) const {
    constexpr UINT kNext = 2, kPrev = 3, kChild = 5, kFirst = 0, kLast = 1;
    if (cmd == kChild)
        return m_children.empty() ? nullptr : m_children.front();
    if (!m_parent)
        return nullptr;
    const auto& siblings = m_parent->m_children;
    auto it = std::find(siblings.begin(), siblings.end(), this);
    if (it == siblings.end())
        return nullptr;
    switch (cmd) {
    case kFirst:
        return siblings.front();
    case kLast:
        return siblings.back();
    case kNext:
        return it + 1 == siblings.end() ? nullptr : *(it + 1);
    case kPrev:
        return it == siblings.begin() ? nullptr : *(it - 1);
    default:
        return nullptr;
    }
}

BOOL CWnd::IsChild(const CWnd* window) const {
    for (const CWnd* w = window ? window->m_parent : nullptr; w; w = w->m_parent)
        if (w == this)
            return TRUE;
    return FALSE;
}

int CWnd::MessageBox(LPCTSTR text, LPCTSTR caption, UINT type) {
    return vq::ShowMessageBox(caption ? CString(caption) : vq::DefaultMessageBoxCaption(), text ? text : "",
                              type);
}

CWnd* CWnd::GetNextDlgGroupItem(CWnd* control, BOOL previous) const {
    if (!control || control->m_parent != this)
        return nullptr;
    // The group: from the control with WS_GROUP at or before this one up to the next WS_GROUP.
    auto it = std::find(m_children.begin(), m_children.end(), control);
    auto first = it;
    while (first != m_children.begin() && !((*first)->m_style & WS_GROUP))
        --first;
    auto last = it + 1;
    while (last != m_children.end() && !((*last)->m_style & WS_GROUP))
        ++last;
    if (previous)
        return it == first ? *(last - 1) : *(it - 1);
    return it + 1 == last ? *first : *(it + 1);
}

// --- Text ---------------------------------------------------------------------------------------

void CWnd::SetWindowText(const CString& text) {
    SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

int CWnd::GetWindowText(LPTSTR buffer, int maxCount) const {
    if (!buffer || maxCount <= 0)
        return 0;
    const CString text = GetWindowTextValue();
    const auto part = vq::TruncateUtf8(text.str(), static_cast<std::size_t>(maxCount - 1));
    std::memcpy(buffer, part.data(), part.size());
    buffer[part.size()] = '\0';
    return static_cast<int>(part.size());
}

void CWnd::SetDlgItemText(int id, const CString& text) {
    if (CWnd* item = GetDlgItem(id))
        item->SetWindowText(text);
}

int CWnd::GetDlgItemText(int id, CString& text) const {
    CWnd* item = GetDlgItem(id);
    text = item ? item->GetWindowTextValue() : CString();
    return text.GetLength();
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned) {
    CString text;
    if (isSigned)
        text.Format("%d", static_cast<int>(value));
    else
        text.Format("%u", value);
    SetDlgItemText(id, text);
}

UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const {
    if (translated)
        *translated = FALSE;
    CString text;
    if (!GetDlgItem(id))
        return 0;
    GetDlgItemText(id, text);
    text.Trim();
    if (text.IsEmpty())
        return 0;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE)
        return 0;
    if (isSigned ? (value < INT32_MIN || value > INT32_MAX) : (value < 0 || value > UINT32_MAX))
        return 0;
    if (translated)
        *translated = TRUE;
    return static_cast<UINT>(value);
}

void CWnd::CheckDlgButton(int id, UINT check) {
    SendDlgItemMessage(id, 0x00F1 /* BM_SETCHECK */, check, 0);
}

UINT CWnd::IsDlgButtonChecked(int id) const {
    CWnd* item = GetDlgItem(id);
    return item ? static_cast<UINT>(item->SendMessage(0x00F0 /* BM_GETCHECK */)) : 0;
}

void CWnd::CheckRadioButton(int firstId, int lastId, int checkId) {
    for (int id = firstId; id <= lastId; ++id)
        CheckDlgButton(id, id == checkId ? BST_CHECKED : BST_UNCHECKED);
}

int CWnd::GetCheckedRadioButton(int firstId, int lastId) const {
    for (int id = firstId; id <= lastId; ++id)
        if (IsDlgButtonChecked(id))
            return id;
    return 0;
}

// --- State --------------------------------------------------------------------------------------

BOOL CWnd::EnableWindow(BOOL enable) {
    const BOOL wasDisabled = !IsWindowEnabled();
    if (enable)
        m_style &= ~WS_DISABLED;
    else
        m_style |= WS_DISABLED;
    if (wasDisabled != !enable) {
        if (!enable && FocusWindow() == this)
            FocusWindow() = nullptr;
        StateChanged();
    }
    return wasDisabled;
}

BOOL CWnd::ShowWindow(int cmd) {
    const BOOL wasVisible = (m_style & WS_VISIBLE) != 0;
    if (cmd == SW_HIDE)
        m_style &= ~WS_VISIBLE;
    else
        m_style |= WS_VISIBLE;
    if (wasVisible != ((m_style & WS_VISIBLE) != 0)) {
        OnShowWindow(cmd != SW_HIDE, 0);
        StateChanged();
    }
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const {
    for (const CWnd* w = this; w; w = w->m_parent)
        if (!(w->m_style & WS_VISIBLE))
            return FALSE;
    return m_hWnd != nullptr;
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) {
    const DWORD old = m_style;
    m_style = (m_style & ~remove) | add;
    if (old != m_style)
        StateChanged();
    return TRUE;
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags) {
    const DWORD old = m_exStyle;
    m_exStyle = (m_exStyle & ~remove) | add;
    if (old != m_exStyle)
        StateChanged();
    return TRUE;
}

CWnd* CWnd::SetFocus() {
    CWnd* old = FocusWindow();
    if (old == this || !m_hWnd)
        return old;
    FocusWindow() = this;
    if (old && ::IsWindow(old))
        old->SendMessage(WM_KILLFOCUS, reinterpret_cast<WPARAM>(this));
    SendMessage(WM_SETFOCUS, reinterpret_cast<WPARAM>(old));
    vq::ActiveDialogView().FocusChanged(*this);
    return old;
}

CWnd* CWnd::GetFocus() {
    return FocusWindow();
}

void CWnd::SetFont(CFont* font, BOOL redraw) {
    m_font = font;
    if (redraw)
        StateChanged();
}

const CBitmap* CWnd::SetIcon(const CBitmap* icon, BOOL big) {
    const CBitmap*& slot = big ? m_bigIcon : m_smallIcon;
    const CBitmap* old = slot;
    slot = icon;
    StateChanged();
    return old;
}

LPCTSTR AfxRegisterWndClass(UINT, const void*, const void*, const void*) {
    return "VqWindow";
}

void CWnd::SetRedraw(BOOL redraw) {
    const bool was = m_redraw;
    m_redraw = redraw != FALSE;
    if (m_redraw && !was)
        StateChanged();
}

void CWnd::StateChanged() {
    if (!m_hWnd || !m_redraw)
        return;
    vq::ActiveDialogView().ControlChanged(*this);
}

// --- Position -----------------------------------------------------------------------------------

void CWnd::GetWindowRect(LPRECT rect) const {
    if (!rect)
        return;
    CRect r = m_rect;
    if (m_parent) {
        CPoint origin(0, 0);
        m_parent->ClientToScreen(&origin);
        r.OffsetRect(origin);
    }
    *rect = r;
}

void CWnd::GetClientRect(LPRECT rect) const {
    if (rect)
        *rect = CRect(0, 0, m_rect.Width(), m_rect.Height());
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
    const CRect newRect(x, y, x + width, y + height);
    if (newRect == m_rect)
        return;
    const bool resized = newRect.Width() != m_rect.Width() || newRect.Height() != m_rect.Height();
    m_rect = newRect;
    if (resized)
        SendMessage(
            WM_SIZE, 0,
            MAKELPARAM(static_cast<WORD>(std::max(0, width)), static_cast<WORD>(std::max(0, height))));
    StateChanged();
}

void CWnd::MoveWindow(LPCRECT rect, BOOL repaint) {
    if (rect)
        MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

BOOL CWnd::SetWindowPos(const CWnd*, int x, int y, int cx, int cy, UINT flags) {
    CRect r = m_rect;
    if (!(flags & SWP_NOMOVE))
        r.MoveToXY(x, y);
    if (!(flags & SWP_NOSIZE)) {
        r.right = r.left + cx;
        r.bottom = r.top + cy;
    }
    MoveWindow(&r);
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(SW_SHOW);
    if (flags & SWP_HIDEWINDOW)
        ShowWindow(SW_HIDE);
    return TRUE;
}

void CWnd::ClientToScreen(LPPOINT point) const {
    if (!point)
        return;
    for (const CWnd* w = this; w; w = w->m_parent) {
        point->x += w->m_rect.left;
        point->y += w->m_rect.top;
    }
}

void CWnd::ClientToScreen(LPRECT rect) const {
    if (!rect)
        return;
    CPoint origin(0, 0);
    ClientToScreen(&origin);
    static_cast<CRect*>(rect)->OffsetRect(origin);
}

void CWnd::ScreenToClient(LPPOINT point) const {
    if (!point)
        return;
    CPoint origin(0, 0);
    ClientToScreen(&origin);
    point->x -= origin.x;
    point->y -= origin.y;
}

void CWnd::ScreenToClient(LPRECT rect) const {
    if (!rect)
        return;
    CPoint origin(0, 0);
    ClientToScreen(&origin);
    static_cast<CRect*>(rect)->OffsetRect(-origin.x, -origin.y);
}

void CWnd::CenterWindow(CWnd* alternateOwner) {
    CRect area(0, 0, 1280, 800); // the screen of headless runs; the Qt view centres for real
    CWnd* owner = alternateOwner ? alternateOwner : GetOwner();
    if (m_parent)
        m_parent->GetClientRect(&area);
    else if (owner && owner->m_hWnd)
        owner->GetWindowRect(&area);
    const int x = area.left + (area.Width() - m_rect.Width()) / 2;
    const int y = area.top + (area.Height() - m_rect.Height()) / 2;
    MoveWindow(x, y, m_rect.Width(), m_rect.Height());
}

void CWnd::ViewSetRect(const CRect& rect) {
    const bool resized = rect.Width() != m_rect.Width() || rect.Height() != m_rect.Height();
    m_rect = rect;
    if (resized)
        SendMessage(WM_SIZE, 0,
                    MAKELPARAM(static_cast<WORD>(std::max(0, rect.Width())),
                               static_cast<WORD>(std::max(0, rect.Height()))));
}

// --- Painting and mouse -------------------------------------------------------------------------

void CWnd::Invalidate(BOOL) {
    if (m_hWnd && m_redraw)
        vq::ActiveDialogView().Invalidate(*this);
}

void CWnd::InvalidateRect(LPCRECT, BOOL erase) {
    Invalidate(erase);
}

void CWnd::UpdateWindow() {}

void CWnd::OnPaint() {}

CDC* CWnd::GetDC() {
    return m_hWnd ? new CClientDC(this) : nullptr;
}

int CWnd::ReleaseDC(CDC* dc) {
    if (!dc)
        return 0;
    delete dc;
    return 1;
}

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return 1280;
    case SM_CYSCREEN:
        return 800;
    case SM_CXFULLSCREEN:
        return 1280;
    case SM_CYFULLSCREEN:
        return 800 - 22;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CYCAPTION:
        return 22;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CYMENU:
        return 19;
    default:
        return 0;
    }
}

CWnd* CWnd::SetCapture() {
    return std::exchange(CaptureWindow(), this);
}

CWnd* CWnd::GetCapture() {
    return CaptureWindow();
}

BOOL ReleaseCapture() {
    CaptureWindow() = nullptr;
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    return hWnd && LiveWindows().count(hWnd) != 0;
}

namespace {

constexpr unsigned kShiftHeld = 1;
constexpr unsigned kControlHeld = 2;

unsigned& HeldKeyBits() {
    static unsigned bits = 0;
    return bits;
}

} // namespace

short GetKeyState(int virtualKey) {
    const unsigned bits = HeldKeyBits();
    const bool held = (virtualKey == static_cast<int>(VK_SHIFT) && (bits & kShiftHeld)) ||
                      (virtualKey == static_cast<int>(VK_CONTROL) && (bits & kControlHeld));
    return held ? static_cast<short>(-128) : 0;
}

vq::HeldKeys::HeldKeys(bool shift, bool control) : m_before(HeldKeyBits()) {
    HeldKeyBits() = (shift ? kShiftHeld : 0) | (control ? kControlHeld : 0);
}

vq::HeldKeys::~HeldKeys() {
    HeldKeyBits() = m_before;
}

BOOL GetCursorPos(LPPOINT point) {
    if (!point)
        return FALSE;
    *point = CursorPosition();
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    CursorPosition() = CPoint(x, y);
    return TRUE;
}

// --- Messages -----------------------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd)
        return 0;
    return WindowProc(message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd)
        return FALSE;
    vq::PostWindowMessage(*this, message, wParam, lParam);
    return TRUE;
}

LRESULT CWnd::SendDlgItemMessage(int id, UINT message, WPARAM wParam, LPARAM lParam) {
    CWnd* item = GetDlgItem(id);
    return item ? item->SendMessage(message, wParam, lParam) : 0;
}

bool CWnd::FindAndRun(vq::MessageMapEntry::Kind kind, UINT code, UINT id, WPARAM wParam, LPARAM lParam,
                      LRESULT* result) {
    for (const vq::MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
        for (const auto& entry : map->entries) {
            if (entry.kind != kind || entry.code != code || !entry.handler)
                continue;
            if (kind != vq::MessageMapEntry::Kind::Message && (id < entry.id || id > entry.lastId))
                continue;
            if (entry.handler(this, id, wParam, lParam, result))
                return true;
        }
    }
    return false;
}

bool vq::MapHandlesMessage(const MessageMap* map, UINT message) {
    for (; map; map = map->base ? map->base() : nullptr)
        for (const MessageMapEntry& entry : map->entries)
            if (entry.code == message && (entry.kind == MessageMapEntry::Kind::Standard ||
                                          (entry.kind == MessageMapEntry::Kind::Message && entry.handler)))
                return true;
    return false;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    return FindAndRun(vq::MessageMapEntry::Kind::Command, HIWORD(wParam), LOWORD(wParam), wParam, lParam,
                      &result);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header)
        return FALSE;
    return FindAndRun(vq::MessageMapEntry::Kind::Notify, header->code, static_cast<UINT>(header->idFrom),
                      wParam, lParam, result);
}

namespace {
std::vector<vq::WindowProcHook>& WindowProcHooks() {
    static auto* hooks = new std::vector<vq::WindowProcHook>();
    return *hooks;
}
} // namespace

void vq::AddWindowProcHook(WindowProcHook hook) {
    auto& hooks = WindowProcHooks();
    if (hook && std::find(hooks.begin(), hooks.end(), hook) == hooks.end())
        hooks.push_back(hook);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    for (vq::WindowProcHook hook : WindowProcHooks())
        if (hook(this, message, wParam, lParam, &result))
            return result;
    // A handler may destroy the window (and delete the object): nothing touches it afterwards.
    switch (message) {
    case WM_COMMAND:
        if (OnCommand(wParam, lParam))
            return 0;
        break;
    case WM_NOTIFY:
        if (OnNotify(wParam, lParam, &result))
            return result;
        break;
    default:
        if (FindAndRun(vq::MessageMapEntry::Kind::Message, message, 0, wParam, lParam, &result))
            return result;
        break;
    }
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const CPoint point(static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                       static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam))));
    const UINT flags = static_cast<UINT>(wParam);
    switch (message) {
    case WM_SETTEXT:
        m_text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        StateChanged();
        return TRUE;
    case WM_GETTEXT:
        return GetWindowText(reinterpret_cast<LPTSTR>(lParam), static_cast<int>(wParam));
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_SIZE:
        OnSize(flags, LOWORD(static_cast<DWORD_PTR>(lParam)), HIWORD(static_cast<DWORD_PTR>(lParam)));
        return 0;
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_TIMER:
        OnTimer(wParam);
        return 0;
    case WM_LBUTTONDOWN:
        OnLButtonDown(flags, point);
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(flags, point);
        return 0;
    case WM_LBUTTONDBLCLK:
        OnLButtonDblClk(flags, point);
        return 0;
    case WM_RBUTTONDOWN:
        OnRButtonDown(flags, point);
        return 0;
    case WM_RBUTTONUP:
        OnRButtonUp(flags, point);
        return 0;
    case WM_MOUSEMOVE:
        OnMouseMove(flags, point);
        return 0;
    case WM_KEYDOWN:
        OnKeyDown(flags, 1, 0);
        return 0;
    case WM_CHAR:
        OnChar(flags, 1, 0);
        return 0;
    case WM_CONTEXTMENU:
        OnContextMenu(reinterpret_cast<CWnd*>(wParam), point);
        return 0;
    case WM_HSCROLL:
        OnHScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<CWnd*>(lParam));
        return 0;
    case WM_VSCROLL:
        OnVScroll(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<CWnd*>(lParam));
        return 0;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_SETFOCUS:
        OnSetFocus(reinterpret_cast<CWnd*>(wParam));
        return 0;
    case WM_KILLFOCUS:
        OnKillFocus(reinterpret_cast<CWnd*>(wParam));
        return 0;
    default:
        return 0;
    }
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

void CWnd::OnClose() {
    DestroyWindow();
}

void CWnd::OnContextMenu(CWnd* window, CPoint screenPoint) {
    if (m_parent)
        m_parent->SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                              MAKELPARAM(static_cast<WORD>(screenPoint.x), static_cast<WORD>(screenPoint.y)));
}

void CWnd::NotifyParent(UINT code) {
    // The control's own (reflected) handler first; it may keep the notification to itself.
    LRESULT result = 0;
    if (FindAndRun(vq::MessageMapEntry::Kind::ReflectCommand, code, 0, 0, 0, &result))
        return;
    if (m_parent && m_hWnd)
        m_parent->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_id), static_cast<WORD>(code)),
                              reinterpret_cast<LPARAM>(this));
}

LRESULT CWnd::NotifyParent(NMHDR& header, UINT code) {
    header.hwndFrom = this;
    header.idFrom = static_cast<UINT_PTR>(m_id);
    header.code = code;
    LRESULT result = 0;
    if (FindAndRun(vq::MessageMapEntry::Kind::ReflectNotify, code, 0, 0, reinterpret_cast<LPARAM>(&header),
                   &result))
        return result;
    if (m_parent && m_hWnd)
        return m_parent->SendMessage(WM_NOTIFY, static_cast<WPARAM>(m_id), reinterpret_cast<LPARAM>(&header));
    return 0;
}

// --- Data exchange ------------------------------------------------------------------------------

BOOL CWnd::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const vq::DataExchangeFailure&) {
        return FALSE;
    }
    return TRUE;
}

// --- Templates ----------------------------------------------------------------------------------

void CWnd::InitFromTemplate(const vq::ControlTemplate& item) {
    m_template = &item;
    m_text = item.text;
    m_style = item.style | WS_CHILD;
    if (item.layout & vq::kHidden)
        m_style &= ~WS_VISIBLE;
    else
        m_style |= WS_VISIBLE;
    m_exStyle = item.exStyle;
    if (!item.rect.IsRectEmpty())
        m_rect = item.rect;
    else
        m_rect = CRect(CPoint(0, 0), DefaultSize(item.kind));
}

namespace vq {

bool PreTranslateKey(CWnd& target, UINT key) {
    MSG msg;
    msg.hwnd = &target;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    const std::uint64_t serial = target.GetSerial();
    // Every window from the target up gets its PreTranslateMessage.
    for (CWnd* w = &target; w; w = w->GetParent()) {
        if (w->PreTranslateMessage(&msg))
            return true;
        if (!::IsWindow(&target) || target.GetSerial() != serial)
            return true;
    }
    return false;
}

void PressKey(CWnd& target, UINT key) {
    if (PreTranslateKey(target, key))
        return;
    const std::uint64_t serial = target.GetSerial();
    target.SendMessage(WM_KEYDOWN, key, 0);
    if (!::IsWindow(&target) || target.GetSerial() != serial)
        return;
    const bool multiLine =
        target.GetControlKind() == ControlKind::RichEdit ||
        (target.GetControlKind() == ControlKind::Edit && (target.GetStyle() & ES_WANTRETURN));
    if ((key == VK_RETURN && !multiLine) || key == VK_ESCAPE) {
        auto* dialog = dynamic_cast<CDialog*>(
            target.GetControlKind() == ControlKind::Dialog ? &target : target.GetTopLevelParent());
        if (!dialog)
            return;
        if (key == VK_ESCAPE) {
            dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return;
        }
        // Enter: a focused push button presses itself, else the default button.
        UINT id = static_cast<UINT>(LOWORD(dialog->GetDefID()));
        if (target.GetControlKind() == ControlKind::PushButton && &target != dialog)
            id = static_cast<UINT>(target.GetDlgCtrlID());
        CWnd* button = dialog->GetDlgItem(static_cast<int>(id));
        if (button && !button->IsWindowEnabled())
            return;
        // Without a button shown for it, Enter in a list or tree does what a double click on its
        // current item does (opens it), as a person expects where no default button is shown.
        const bool shown = button && button->IsWindowVisible();
        if (!shown && DoubleClickCurrentItem(target))
            return;
        EnterKeyScope enter(shown ? nullptr : dialog);
        dialog->SendMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED),
                            reinterpret_cast<LPARAM>(button));
    }
}

namespace {
const CWnd* g_enterWithoutButton = nullptr;
} // namespace

EnterKeyScope::EnterKeyScope(const CWnd* dialogWithoutButton) : m_before(g_enterWithoutButton) {
    g_enterWithoutButton = dialogWithoutButton;
}

EnterKeyScope::~EnterKeyScope() {
    g_enterWithoutButton = m_before;
}

bool EnterWithoutButton(const CWnd& dialog) {
    return g_enterWithoutButton == &dialog;
}

bool DoubleClickCurrentItem(CWnd& control) {
    if (auto* list = dynamic_cast<CListCtrl*>(&control)) {
        int row = list->GetNextItem(-1, LVNI_FOCUSED);
        if (row < 0)
            row = list->GetNextItem(-1, LVNI_SELECTED);
        if (row >= 0)
            list->UserDoubleClick(row);
        return true;
    }
    if (auto* tree = dynamic_cast<CTreeCtrl*>(&control)) {
        if (HTREEITEM item = tree->GetSelectedItem())
            tree->UserDoubleClick(item);
        return true;
    }
    return false;
}

void PaintWindow(CWnd& window) {
    window.SendMessage(WM_PAINT);
}

CSize MinTrackSize(CWnd& window) {
    MINMAXINFO info;
    window.SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
    return CSize(info.ptMinTrackSize.x, info.ptMinTrackSize.y);
}

void SetCursorPosition(CPoint screenPoint) {
    CursorPosition() = screenPoint;
}

std::vector<CWnd*> TopLevelWindows() {
    return TopLevelList();
}

} // namespace vq
