#include "platform/ui/DialogTemplate.h"

#include "platform/ui/Button.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/DateTimeCtrl.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/Edit.h"
#include "platform/ui/HeaderCtrl.h"
#include "platform/ui/ListBox.h"
#include "platform/ui/ListCtrl.h"
#include "platform/ui/ProgressCtrl.h"
#include "platform/ui/RichEditCtrl.h"
#include "platform/ui/SpinButtonCtrl.h"
#include "platform/ui/Static.h"
#include "platform/ui/TabCtrl.h"
#include "platform/ui/TreeCtrl.h"

namespace vq {

const ControlTemplate* DialogTemplate::Find(int id) const {
    for (const auto& item : controls)
        if (item.id == id)
            return &item;
    return nullptr;
}

namespace {
ControlTemplate Make(ControlKind kind, int id, const CString& text, DWORD style, unsigned layout,
                     DWORD exStyle = 0) {
    ControlTemplate item;
    item.kind = kind;
    item.id = id;
    item.text = text;
    item.style = style;
    item.exStyle = exStyle;
    item.layout = layout;
    return item;
}
} // namespace

ControlTemplate Label(const CString& text, unsigned layout, DWORD style, int id) {
    return Make(ControlKind::Static, id, text, style, layout);
}

ControlTemplate GroupFrame(const CString& text, int id) {
    return Make(ControlKind::GroupBox, id, text, BS_GROUPBOX, kNoLayoutFlags);
}

ControlTemplate PushButton(int id, const CString& text, unsigned layout, DWORD style) {
    return Make(ControlKind::PushButton, id, text, (style & ~BS_TYPEMASK) | BS_PUSHBUTTON | WS_TABSTOP,
                layout);
}

ControlTemplate DefPushButton(int id, const CString& text, unsigned layout, DWORD style) {
    return Make(ControlKind::PushButton, id, text, (style & ~BS_TYPEMASK) | BS_DEFPUSHBUTTON | WS_TABSTOP,
                layout);
}

ControlTemplate CheckBox(int id, const CString& text, unsigned layout, DWORD style) {
    const DWORD type = (style & BS_TYPEMASK) ? (style & BS_TYPEMASK) : BS_AUTOCHECKBOX;
    return Make(ControlKind::CheckBox, id, text, (style & ~BS_TYPEMASK) | type | WS_TABSTOP, layout);
}

ControlTemplate RadioButton(int id, const CString& text, bool firstOfGroup, unsigned layout, DWORD style) {
    const DWORD type = (style & BS_TYPEMASK) ? (style & BS_TYPEMASK) : BS_AUTORADIOBUTTON;
    return Make(ControlKind::RadioButton, id, text,
                (style & ~BS_TYPEMASK) | type | (firstOfGroup ? WS_GROUP | WS_TABSTOP : 0), layout);
}

ControlTemplate EditBox(int id, unsigned layout, DWORD style, const CString& text) {
    return Make(ControlKind::Edit, id, text, style | WS_TABSTOP, layout, WS_EX_CLIENTEDGE);
}

ControlTemplate ComboBox(int id, unsigned layout, DWORD style) {
    return Make(ControlKind::ComboBox, id, "",
                (style & ~0x3u) | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_TABSTOP | WS_VSCROLL, layout);
}

ControlTemplate DropDownList(int id, unsigned layout, DWORD style) {
    return Make(ControlKind::DropDownList, id, "",
                (style & ~0x3u) | CBS_DROPDOWNLIST | WS_TABSTOP | WS_VSCROLL, layout);
}

ControlTemplate ListBox(int id, unsigned layout, DWORD style) {
    return Make(ControlKind::ListBox, id, "", style | WS_TABSTOP | WS_VSCROLL, layout, WS_EX_CLIENTEDGE);
}

ControlTemplate ReportList(int id, unsigned layout, DWORD style, DWORD exStyle) {
    return Make(ControlKind::ListCtrl, id, "", style | WS_TABSTOP, layout, exStyle);
}

ControlTemplate Tree(int id, unsigned layout, DWORD style) {
    return Make(ControlKind::TreeCtrl, id, "", style | WS_TABSTOP, layout);
}

ControlTemplate ProgressBar(int id, unsigned layout, DWORD style) {
    return Make(ControlKind::Progress, id, "", style, layout);
}

ControlTemplate Spin(int id, unsigned layout, DWORD style) {
    return Make(ControlKind::Spin, id, "", style, layout);
}

ControlTemplate DateTimePicker(int id, unsigned layout, DWORD style) {
    return Make(ControlKind::DateTime, id, "", style | WS_TABSTOP, layout);
}

ControlTemplate TabControl(int id, unsigned layout, DWORD style) {
    return Make(ControlKind::Tab, id, "", style | WS_TABSTOP, layout);
}

ControlTemplate RichEdit(int id, unsigned layout, DWORD style) {
    return Make(ControlKind::RichEdit, id, "", style | WS_TABSTOP, layout, WS_EX_CLIENTEDGE);
}

ControlTemplate CustomWindow(int id, unsigned layout, DWORD style, CRect rect) {
    ControlTemplate item = Make(ControlKind::Window, id, "", style, layout);
    item.rect = rect;
    return item;
}

CWnd* CreateControlForTemplate(const ControlTemplate& item) {
    switch (item.kind) {
    case ControlKind::PushButton:
    case ControlKind::CheckBox:
    case ControlKind::RadioButton:
    case ControlKind::GroupBox:
        return new CButton;
    case ControlKind::Static:
        return new CStatic;
    case ControlKind::Edit:
        return new CEdit;
    case ControlKind::ComboBox:
    case ControlKind::DropDownList:
        return new CComboBox;
    case ControlKind::ListBox:
        return new CListBox;
    case ControlKind::ListCtrl:
        return new CListCtrl;
    case ControlKind::Header:
        return new CHeaderCtrl;
    case ControlKind::TreeCtrl:
        return new CTreeCtrl;
    case ControlKind::Progress:
        return new CProgressCtrl;
    case ControlKind::Spin:
        return new CSpinButtonCtrl;
    case ControlKind::DateTime:
        return new CDateTimeCtrl;
    case ControlKind::Tab:
        return new CTabCtrl;
    case ControlKind::RichEdit:
        return new CRichEditCtrl;
    case ControlKind::Window:
    case ControlKind::Dialog:
        return new CWnd;
    }
    return new CWnd;
}

} // namespace vq
