// Push buttons, check boxes, radio buttons and group frames.
#pragma once

#include "platform/ui/Wnd.h"

class CButton : public CWnd {
public:
    vq::ControlKind GetControlKind() const override;

    BOOL Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id);
    int GetCheck() const { return m_check; }
    void SetCheck(int check);
    UINT GetState() const { return static_cast<UINT>(m_check); }
    UINT GetButtonStyle() const { return m_style & 0xff; }
    void SetButtonStyle(UINT style, BOOL redraw = TRUE);

    // A person presses the button: check boxes toggle, radio buttons take the check from the
    // others of their group, then the parent hears BN_CLICKED. Disabled or hidden buttons do nothing.
    void Click();
    // Owner-drawn buttons (BS_OWNERDRAW) draw themselves with this; the view supplies the context.
    virtual void DrawItem(LPDRAWITEMSTRUCT drawItem) {}
    // The radio buttons of this button's group in order (the button itself included).
    std::vector<CButton*> RadioGroup() const;

protected:
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    int m_check = BST_UNCHECKED;
};
