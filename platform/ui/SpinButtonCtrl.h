// Spin buttons (up-down controls), usually beside an edit field (their buddy) whose number they
// step.
#pragma once

#include "platform/ui/Wnd.h"

class CSpinButtonCtrl : public CWnd {
public:
    vq::ControlKind GetControlKind() const override { return vq::ControlKind::Spin; }
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);

    void SetRange(short lower, short upper) { SetRange32(lower, upper); }
    void SetRange32(int lower, int upper);
    DWORD GetRange() const { return MAKELONG(static_cast<WORD>(m_upper), static_cast<WORD>(m_lower)); }
    void GetRange(int& lower, int& upper) const {
        lower = m_lower;
        upper = m_upper;
    }
    void GetRange32(int& lower, int& upper) const { GetRange(lower, upper); }
    // Sets the position (kept in the range) and, with UDS_SETBUDDYINT, the buddy's text.
    int SetPos(int pos);
    int SetPos32(int pos) { return SetPos(pos); }
    // The position; with UDS_SETBUDDYINT read from the buddy's text when that is a number in range.
    int GetPos() const;
    int GetPos32(BOOL* error = nullptr) const;
    CWnd* SetBuddy(CWnd* buddy);
    CWnd* GetBuddy() const;
    int SetBase(int base);
    int GetBase() const { return m_base; }

    // A person presses the up (+1) or down (-1) arrow: UDN_DELTAPOS with the position and the
    // step; unless the parent refuses (non-zero result) the position moves (wrapping with UDS_WRAP).
    bool UserDelta(int delta);

    void InitFromTemplate(const vq::ControlTemplate& item) override;
    // Takes the control before it as buddy (UDS_AUTOBUDDY) once the dialog's controls exist.
    void AttachAutoBuddy();

private:
    int m_lower = 0;
    int m_upper = 100;
    int m_pos = 0;
    int m_base = 10;
    mutable CWnd* m_buddy = nullptr;
};
