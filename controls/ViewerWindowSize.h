// The size handling of the windows built around a drawing viewer (the change-label windows and
// the design-document review): the size a window opened with is its smallest; when its size
// changes, the controls on its right side move with the right edge and the viewer grows with
// the window.
//
//   void CLabelDlg::OnSize(UINT type, int cx, int cy) {
//       CDialog::OnSize(type, cx, cy);
//       int dx = 0, dy = 0;
//       if (!m_viewer.GetSafeHwnd() || !m_size.Follow(*this, dx, dy))
//           return;
//       OffsetControls(*this, {IDOK, IDCANCEL}, dx, 0);
//       MoveEdges(m_viewer, 0, 0, dx, dy);
//   }
#pragma once

#include "platform/ui/Wnd.h"

#include <initializer_list>

class CViewerWindowSize {
public:
    // Remembers the window's size as it opened.
    void Start(const CWnd& window);
    // The change of the window's size since the size last followed, in dx and dy. False before
    // Start and while the window is smaller than its first size both ways: nothing is to be
    // moved then, and the next change is measured from the last size followed.
    bool Follow(const CWnd& window, int& dx, int& dy);

private:
    int m_initWidth = 0;
    int m_initHeight = 0;
    int m_lastWidth = 0;
    int m_lastHeight = 0;
};

// Moves the window's controls with these ids by (dx, dy); an id without a control is skipped.
void OffsetControls(CWnd& window, std::initializer_list<int> ids, int dx, int dy);

// Moves a control's left and top edges by (left, top) and its right and bottom edges by
// (right, bottom).
void MoveEdges(CWnd& control, int left, int top, int right, int bottom);
