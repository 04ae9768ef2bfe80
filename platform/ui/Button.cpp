#include "platform/ui/Button.h"

namespace {
constexpr UINT kGetCheck = 0x00F0;
constexpr UINT kSetCheck = 0x00F1;
} // namespace

vq::ControlKind CButton::GetControlKind() const {
    switch (m_style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_3STATE:
    case BS_AUTO3STATE:
        return vq::ControlKind::CheckBox;
    case BS_RADIOBUTTON:
    case BS_AUTORADIOBUTTON:
        return vq::ControlKind::RadioButton;
    case BS_GROUPBOX:
        return vq::ControlKind::GroupBox;
    default:
        return vq::ControlKind::PushButton;
    }
}

BOOL CButton::Create(LPCTSTR caption, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("BUTTON", caption, style, rect, parent, id);
}

void CButton::SetCheck(int check) {
    if (check == m_check)
        return;
    m_check = check;
    StateChanged();
}

void CButton::SetButtonStyle(UINT style, BOOL redraw) {
    m_style = (m_style & ~0xffu) | (style & 0xff);
    if (redraw)
        StateChanged();
}

LRESULT CButton::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kGetCheck)
        return m_check;
    if (message == kSetCheck) {
        SetCheck(static_cast<int>(wParam));
        return 0;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

std::vector<CButton*> CButton::RadioGroup() const {
    std::vector<CButton*> group;
    CWnd* parent = GetParent();
    if (!parent)
        return group;
    const auto& siblings = parent->GetChildren();
    std::size_t self = 0;
    while (self < siblings.size() && siblings[self] != this)
        ++self;
    if (self == siblings.size())
        return group;
    // Back to the button that starts the group, then forward to the next group start.
    std::size_t first = self;
    while (first > 0 && !(siblings[first]->GetStyle() & WS_GROUP))
        --first;
    for (std::size_t i = first; i < siblings.size(); ++i) {
        if (i > first && (siblings[i]->GetStyle() & WS_GROUP))
            break;
        auto* button = dynamic_cast<CButton*>(siblings[i]);
        if (button && button->GetControlKind() == vq::ControlKind::RadioButton)
            group.push_back(button);
    }
    return group;
}

void CButton::Click() {
    if (!m_hWnd || !IsWindowEnabled() || !IsWindowVisible())
        return;
    switch (m_style & BS_TYPEMASK) {
    case BS_AUTOCHECKBOX:
        SetCheck(m_check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
        break;
    case BS_AUTO3STATE:
        SetCheck((m_check + 1) % 3);
        break;
    case BS_AUTORADIOBUTTON:
        for (CButton* other : RadioGroup())
            if (other != this)
                other->SetCheck(BST_UNCHECKED);
        SetCheck(BST_CHECKED);
        break;
    default:
        break;
    }
    NotifyParent(BN_CLICKED);
}
