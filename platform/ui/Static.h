// Labels, frames and static pictures.
#pragma once

#include "platform/ui/Wnd.h"

class CStatic : public CWnd {
public:
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::Static; }
    BOOL Create(LPCTSTR text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xffff);
    // A person clicks the label (only labels with SS_NOTIFY tell their parent).
    void Click();
    void DoubleClick();
};
