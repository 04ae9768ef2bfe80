// CResizeCtrl: makes a dialog resizable. The dialog keeps one as a member, creates it in its
// initialisation and registers its controls with the shares of a size change they follow:
//
//   BOOL CPickDlg::OnInitDialog() {
//       CDialog::OnInitDialog();
//       m_resize.Create(this);                        // enabled, shares in hundredths
//       m_resize.Add(IDC_LIST, 0, 0, 100, 100);       // grows with the dialog
//       m_resize.Add(IDOK, 100, 100, 0, 0);           // moves with the bottom-right corner
//       m_resize.SetMinimumTrackingSize();            // no smaller than it opened
//       return TRUE;
//   }
//
// Shares are parts of the change, in units of the scale (100 by default), by which a control's
// left edge moves, top edge moves, width grows and height grows. Fractions of a pixel are kept per
// control and paid out on later changes, so nothing drifts however the size changes.
//
// The resizer sees the dialog's messages through CResizeCtrl::HookedWindowProc, which the window
// layer calls for a hooked window before the window's own procedure.
#pragma once

#include "platform/ui/Wnd.h"

#include <cstdint>
#include <vector>

class CResizeCtrl {
public:
    CResizeCtrl() = default;
    virtual ~CResizeCtrl();
    CResizeCtrl(const CResizeCtrl&) = delete;
    CResizeCtrl& operator=(const CResizeCtrl&) = delete;

    // FALSE when already created for a window that still exists, or without a window.
    BOOL Create(CWnd* wnd, BOOL enable = TRUE, int scale = 100);
    // FALSE unless every share lies in 0..scale, left + width and top + height stay within the
    // scale and the child exists.
    BOOL Add(int id, int left, int top, int width, int height);
    BOOL Add(CWnd* child, int left, int top, int width, int height);
    // FALSE when the state is already the one asked for.
    BOOL SetEnabled(BOOL enable);
    BOOL GetEnabled() const { return m_enabled; }
    // The smallest outer size a person may give the window; without an argument its current size.
    void SetMinimumTrackingSize(const CSize& size);
    void SetMinimumTrackingSize();
    CSize GetMinimumTrackingSize() const { return m_minTrackSize; }
    int GetScale() const { return m_scale; }

    // The hooking window procedure: gives the message to the resizer of the window (when it has
    // one). Returns true when the resizer consumed it, with the result in *result.
    static bool HookedWindowProc(CWnd* wnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    // The resizer hooked to the window, or null.
    static CResizeCtrl* FromWindow(const CWnd* wnd);

protected:
    struct ResizeEntry {
        CWnd* wnd = nullptr;
        std::uint64_t serial = 0;
        int remainders[4] = {0, 0, 0, 0}; // left, top, width, height
        int shares[4] = {0, 0, 0, 0};
    };

    // Handles one message of the hooked window; true when consumed.
    virtual bool ProcessMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
    void Resize(int width, int height);
    static void ApplyPart(int delta, int share, int& remainder, int& value, bool isSize, int scale);

    BOOL m_hadThickFrame = FALSE;
    BOOL m_enabled = FALSE;
    int m_scale = 100;
    CWnd* m_hWnd = nullptr;
    std::uint64_t m_serial = 0; // of the hooked window, so a later window at its address is not taken for it
    CSize m_lastClientSize;
    std::vector<ResizeEntry>* m_entries = nullptr; // allocated by Create
    CSize m_maxTrackSize{-1, -1};
    CSize m_minTrackSize{-1, -1};
    BOOL m_inResize = FALSE;
    CRect m_windowRect;

private:
    void Enable();
    void Disable();
};
