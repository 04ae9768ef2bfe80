#include "controls/ResizeCtrl.h"

#include <cstdint>
#include <map>

namespace {

// The resizer of each hooked window (the window's "___CResizeCtrl___Class___" property), with the
// serial number of the window it was hooked to.
struct Hook {
    CResizeCtrl* resizer = nullptr;
    std::uint64_t serial = 0;
};
// Never destroyed: windows still open when the program exits unhook as they are destroyed then.
std::map<const CWnd*, Hook>& HookedWindows() {
    static auto* windows = new std::map<const CWnd*, Hook>();
    return *windows;
}

bool IsSameWindow(const CWnd* wnd, std::uint64_t serial) {
    return ::IsWindow(const_cast<CWnd*>(wnd)) && wnd->GetSerial() == serial;
}

} // namespace

CResizeCtrl::~CResizeCtrl() {
    if (m_enabled)
        Disable();
    delete m_entries;
}

BOOL CResizeCtrl::Create(CWnd* wnd, BOOL enable, int scale) {
    if (!wnd || !wnd->m_hWnd || scale <= 0)
        return FALSE;
    if (m_entries) {
        // Created for a window that still exists; a dialog opened again starts afresh.
        if (IsSameWindow(m_hWnd, m_serial))
            return FALSE;
        if (m_enabled)
            Disable();
        delete m_entries;
        m_entries = nullptr;
    }
    m_entries = new std::vector<ResizeEntry>();
    m_serial = wnd->GetSerial();
    m_hWnd = wnd;
    m_scale = scale;
    m_enabled = FALSE;
    m_inResize = FALSE;
    m_maxTrackSize = CSize(-1, -1);
    m_minTrackSize = CSize(-1, -1);
    m_hadThickFrame = (wnd->GetStyle() & WS_THICKFRAME) != 0;
    if (enable)
        SetEnabled(TRUE);
    else
        wnd->GetWindowRect(&m_windowRect);
    return TRUE;
}

BOOL CResizeCtrl::Add(int id, int left, int top, int width, int height) {
    if (!m_hWnd || !IsSameWindow(m_hWnd, m_serial))
        return FALSE;
    return Add(m_hWnd->GetDlgItem(id), left, top, width, height);
}

BOOL CResizeCtrl::Add(CWnd* child, int left, int top, int width, int height) {
    if (!m_entries)
        return FALSE;
    for (int share : {left, top, width, height})
        if (share < 0 || share > m_scale)
            return FALSE;
    if (left + width > m_scale || top + height > m_scale)
        return FALSE;
    if (!child || !::IsWindow(child))
        return FALSE;
    ResizeEntry entry;
    entry.wnd = child;
    entry.serial = child->GetSerial();
    entry.shares[0] = left;
    entry.shares[1] = top;
    entry.shares[2] = width;
    entry.shares[3] = height;
    m_entries->push_back(entry);
    return TRUE;
}

BOOL CResizeCtrl::SetEnabled(BOOL enable) {
    if ((enable != FALSE) == (m_enabled != FALSE) || !m_hWnd || (enable && !IsSameWindow(m_hWnd, m_serial)))
        return FALSE;
    if (enable)
        Enable();
    else
        Disable();
    return TRUE;
}

void CResizeCtrl::Enable() {
    m_hWnd->GetWindowRect(&m_windowRect);
    m_inResize = FALSE;
    // Our windows have no frame of their own: the client area keeps its size with either style.
    if (!m_hadThickFrame)
        m_hWnd->ModifyStyle(0, WS_THICKFRAME);
    CRect client;
    m_hWnd->GetClientRect(&client);
    m_lastClientSize = CSize(client.Width(), client.Height());
    HookedWindows()[m_hWnd] = Hook{this, m_serial};
    m_enabled = TRUE;
}

void CResizeCtrl::Disable() {
    auto it = HookedWindows().find(m_hWnd);
    if (it != HookedWindows().end() && it->second.resizer == this)
        HookedWindows().erase(it);
    if (!m_hadThickFrame && IsSameWindow(m_hWnd, m_serial))
        m_hWnd->ModifyStyle(WS_THICKFRAME, 0);
    m_enabled = FALSE;
}

void CResizeCtrl::SetMinimumTrackingSize(const CSize& size) {
    m_minTrackSize = size;
}

void CResizeCtrl::SetMinimumTrackingSize() {
    if (!m_hWnd || !IsSameWindow(m_hWnd, m_serial))
        return;
    CRect window;
    m_hWnd->GetWindowRect(&window);
    m_minTrackSize = CSize(window.Width(), window.Height());
}

CResizeCtrl* CResizeCtrl::FromWindow(const CWnd* wnd) {
    auto it = HookedWindows().find(wnd);
    if (it == HookedWindows().end())
        return nullptr;
    if (!IsSameWindow(wnd, it->second.serial)) {
        // The window was destroyed (and perhaps another one took its place): the hook is gone.
        CResizeCtrl* stale = it->second.resizer;
        HookedWindows().erase(it);
        stale->m_enabled = FALSE;
        return nullptr;
    }
    return it->second.resizer;
}

// Every window's messages pass the resizer first; windows without a resizer are left alone.
[[maybe_unused]] static const bool kHookInstalled = (vq::AddWindowProcHook(&CResizeCtrl::HookedWindowProc), true);

bool CResizeCtrl::HookedWindowProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    CResizeCtrl* resizer = FromWindow(wnd);
    if (!resizer)
        return false;
    LRESULT ignored = 0;
    return resizer->ProcessMessage(message, wParam, lParam, result ? result : &ignored);
}

bool CResizeCtrl::ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    CWnd* wnd = m_hWnd;
    switch (message) {
    case WM_DESTROY:
        Disable();
        return false;
    case WM_SIZE: {
        *result = wnd->DefWindowProc(message, wParam, lParam);
        Resize(LOWORD(static_cast<DWORD_PTR>(lParam)), HIWORD(static_cast<DWORD_PTR>(lParam)));
        return true;
    }
    case WM_GETMINMAXINFO: {
        *result = wnd->DefWindowProc(message, wParam, lParam);
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (!info)
            return true;
        if (m_minTrackSize.cx == -1)
            m_minTrackSize.cx = info->ptMinTrackSize.x;
        if (m_minTrackSize.cy == -1)
            m_minTrackSize.cy = info->ptMinTrackSize.y;
        if (m_maxTrackSize.cx == -1)
            m_maxTrackSize.cx = info->ptMaxTrackSize.x;
        if (m_maxTrackSize.cy == -1)
            m_maxTrackSize.cy = info->ptMaxTrackSize.y;
        info->ptMinTrackSize.x = m_minTrackSize.cx;
        info->ptMinTrackSize.y = m_minTrackSize.cy;
        info->ptMaxTrackSize.x = m_maxTrackSize.cx;
        info->ptMaxTrackSize.y = m_maxTrackSize.cy;
        return true;
    }
    default:
        return false;
    }
}

void CResizeCtrl::ApplyPart(int delta, int share, int& remainder, int& value, bool isSize, int scale) {
    if (share < 1)
        return;
    const int t = delta * share + remainder;
    if (t == 0)
        return;
    value += t / scale;
    remainder = t % scale;
    if (isSize && value < 0) {
        // The deficit stays in the remainder and is paid back by later growth.
        remainder = scale * value + remainder;
        value = 0;
    }
}

void CResizeCtrl::Resize(int width, int height) {
    if (m_inResize || !m_entries)
        return;
    const int dx = width - m_lastClientSize.cx;
    const int dy = height - m_lastClientSize.cy;
    if (dx == 0 && dy == 0)
        return;
    m_inResize = TRUE;
    // Every new rectangle is worked out first, then all children move at once.
    std::vector<std::pair<CWnd*, CRect>> moves;
    for (ResizeEntry& entry : *m_entries) {
        if (!IsSameWindow(entry.wnd, entry.serial))
            continue;
        const CRect rect = entry.wnd->GetRectInParent();
        int values[4] = {rect.left, rect.top, rect.Width(), rect.Height()};
        const int before[4] = {values[0], values[1], values[2], values[3]};
        ApplyPart(dx, entry.shares[0], entry.remainders[0], values[0], false, m_scale);
        ApplyPart(dy, entry.shares[1], entry.remainders[1], values[1], false, m_scale);
        ApplyPart(dx, entry.shares[2], entry.remainders[2], values[2], true, m_scale);
        ApplyPart(dy, entry.shares[3], entry.remainders[3], values[3], true, m_scale);
        if (values[0] != before[0] || values[1] != before[1] || values[2] != before[2] ||
            values[3] != before[3])
            moves.emplace_back(entry.wnd,
                               CRect(values[0], values[1], values[0] + values[2], values[1] + values[3]));
    }
    for (auto& [child, rect] : moves)
        if (::IsWindow(child)) // a child's own handler may have destroyed another
            child->MoveWindow(&rect);
    m_lastClientSize = CSize(width, height);
    m_inResize = FALSE;
}
