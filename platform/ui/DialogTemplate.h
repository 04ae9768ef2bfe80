// Dialog templates: the caption and the controls (kind, id, text, style) of a dialog. The views
// lay the controls out themselves: labels beside the fields that follow them, lists and trees
// taking the free space, push buttons in a row, or in a column on the right where the controls
// say so (kRightColumn). Positions are optional hints.
//
//   const vq::DialogTemplate kPickTemplate{
//       "选择负责人",
//       {vq::Label("负责人:"), vq::EditBox(1147), vq::PushButton(1148, "...", vq::kBeside),
//        vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消")}};
#pragma once

#include "platform/base/Geometry.h"
#include "platform/base/String.h"
#include "platform/ui/Messages.h"

#include <vector>

namespace vq {

enum class ControlKind {
    Window, // a window of its own that paints itself (custom control)
    Dialog,
    PushButton,
    CheckBox,
    RadioButton,
    GroupBox,
    Static, // a label
    Edit,
    ComboBox, // drop-down with an edit field
    DropDownList,
    ListBox,
    ListCtrl, // report list
    Header,
    TreeCtrl,
    Progress,
    Spin,
    DateTime,
    Tab,
    RichEdit
};

// Layout flags of a control template (independent of the window style bits).
enum LayoutFlags : unsigned {
    kNoLayoutFlags = 0,
    kBeside = 1, // on the same row as the control before it
    kHidden = 2, // created hidden
    kFill = 4,   // takes the free space (lists, trees, multi-line fields do this anyway)
    // In the column on the right of the dialog, beside everything else: the controls so marked
    // stand one under the other from the top, in template order (with kBeside: on the row of the
    // one before them in the column). The other controls take the free space on the left.
    kRightColumn = 8,
};

struct ControlTemplate {
    ControlKind kind = ControlKind::Static;
    int id = -1; // -1: a label or frame that nobody addresses
    CString text;
    DWORD style = 0;   // window and control style bits (WS_DISABLED, ES_READONLY, ...)
    DWORD exStyle = 0; // extended styles (LVS_EX_... of report lists)
    unsigned layout = kNoLayoutFlags;
    CRect rect; // optional position and size in pixels (empty: chosen by the view)
};

struct DialogTemplate {
    DialogTemplate() = default;
    DialogTemplate(CString caption_, std::vector<ControlTemplate> controls_, CSize size_ = CSize(),
                   DWORD style_ = WS_CAPTION | WS_SYSMENU)
        : caption(std::move(caption_)), controls(std::move(controls_)), size(size_), style(style_) {}

    CString caption;
    std::vector<ControlTemplate> controls;
    CSize size; // optional client size in pixels (0: chosen by the view)
    DWORD style = WS_CAPTION | WS_SYSMENU;

    const ControlTemplate* Find(int id) const;
};

// Builders for template entries.
ControlTemplate Label(const CString& text, unsigned layout = kNoLayoutFlags, DWORD style = 0, int id = -1);
ControlTemplate GroupFrame(const CString& text, int id = -1);
ControlTemplate PushButton(int id, const CString& text, unsigned layout = kNoLayoutFlags, DWORD style = 0);
ControlTemplate DefPushButton(int id, const CString& text, unsigned layout = kNoLayoutFlags, DWORD style = 0);
ControlTemplate CheckBox(int id, const CString& text, unsigned layout = kNoLayoutFlags, DWORD style = 0);
// The first radio button of a group carries WS_GROUP; the buttons of a group follow each other.
ControlTemplate RadioButton(int id, const CString& text, bool firstOfGroup, unsigned layout = kNoLayoutFlags,
                            DWORD style = 0);
ControlTemplate EditBox(int id, unsigned layout = kNoLayoutFlags, DWORD style = ES_AUTOHSCROLL,
                        const CString& text = "");
ControlTemplate ComboBox(int id, unsigned layout = kNoLayoutFlags, DWORD style = 0);
ControlTemplate DropDownList(int id, unsigned layout = kNoLayoutFlags, DWORD style = 0);
ControlTemplate ListBox(int id, unsigned layout = kNoLayoutFlags, DWORD style = LBS_NOTIFY);
ControlTemplate ReportList(int id, unsigned layout = kNoLayoutFlags,
                           DWORD style = LVS_REPORT | LVS_SHOWSELALWAYS, DWORD exStyle = 0);
ControlTemplate Tree(int id, unsigned layout = kNoLayoutFlags,
                     DWORD style = TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS);
ControlTemplate ProgressBar(int id, unsigned layout = kNoLayoutFlags, DWORD style = 0);
ControlTemplate Spin(int id, unsigned layout = kBeside,
                     DWORD style = UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_AUTOBUDDY | UDS_ARROWKEYS);
ControlTemplate DateTimePicker(int id, unsigned layout = kNoLayoutFlags, DWORD style = DTS_SHORTDATEFORMAT);
ControlTemplate TabControl(int id, unsigned layout = kNoLayoutFlags, DWORD style = 0);
ControlTemplate RichEdit(int id, unsigned layout = kNoLayoutFlags,
                         DWORD style = ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL);
ControlTemplate CustomWindow(int id, unsigned layout = kNoLayoutFlags, DWORD style = 0, CRect rect = CRect());

} // namespace vq
