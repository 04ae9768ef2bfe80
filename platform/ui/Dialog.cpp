#include "platform/ui/Dialog.h"

#include "platform/ui/SpinButtonCtrl.h"
#include "platform/ui/View.h"

#include <map>

namespace vq {
namespace {

// The control a dialog opens in, so that what a person types at once goes where it means
// something and never chooses for them. First the first field that takes typed text (a name, a
// number: an edit field or a rich text that is not read-only, a combo box with a field of its
// own); else the first list or tree (typing there moves to a row); else the first window that
// paints itself (a chart); else the first button or tab. A read-only field would lose the text; a
// drop-down list, a check box, a radio button, a date picker or a spin would take it as a choice.
void FocusFirstField(CWnd& dialog) {
    const auto rank = [](CWnd& child) {
        if (!child.IsWindowEnabled() || !(child.GetStyle() & WS_VISIBLE))
            return 0;
        switch (child.GetControlKind()) {
        case vq::ControlKind::Edit:
        case vq::ControlKind::RichEdit:
            return (child.GetStyle() & ES_READONLY) ? 0 : 4;
        case vq::ControlKind::ComboBox:
            return 4;
        case vq::ControlKind::ListBox:
        case vq::ControlKind::ListCtrl:
        case vq::ControlKind::TreeCtrl:
            return 3;
        case vq::ControlKind::Window:
            return 2;
        case vq::ControlKind::PushButton:
        case vq::ControlKind::Tab:
            return 1;
        default:
            return 0;
        }
    };
    CWnd* best = nullptr;
    int bestRank = 0;
    for (CWnd* child : dialog.GetChildren()) {
        const int r = rank(*child);
        if (r > bestRank) {
            best = child;
            bestRank = r;
        }
    }
    if (best)
        best->SetFocus();
}

// Whether the keyboard focus is on the window or on one of its controls (a dialog's own
// OnInitDialog may have put it there).
bool FocusInside(CWnd& window) {
    for (CWnd* w = CWnd::GetFocus(); w; w = w->GetParent())
        if (w == &window)
            return true;
    return false;
}

std::map<UINT, const DialogTemplate*>& Templates() {
    static std::map<UINT, const DialogTemplate*> templates;
    return templates;
}

} // namespace

void RegisterDialogTemplate(UINT templateId, const DialogTemplate& dialogTemplate) {
    Templates()[templateId] = &dialogTemplate;
}

const DialogTemplate* FindDialogTemplate(UINT templateId) {
    auto it = Templates().find(templateId);
    return it == Templates().end() ? nullptr : it->second;
}

std::vector<UINT> RegisteredDialogTemplateIds() {
    std::vector<UINT> ids;
    for (const auto& [id, dialogTemplate] : Templates())
        ids.push_back(id);
    return ids;
}

} // namespace vq

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, &CDialog::OnOK)
ON_COMMAND(IDCANCEL, &CDialog::OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT templateId, CWnd* parent) : m_pParentWnd(parent), m_templateId(templateId) {}

CDialog::CDialog(const vq::DialogTemplate& dialogTemplate, CWnd* parent)
    : m_pParentWnd(parent), m_templatePtr(&dialogTemplate) {}

CDialog::~CDialog() {
    if (m_hWnd)
        DestroyWindow();
}

const vq::DialogTemplate* CDialog::GetDialogTemplate() const {
    if (m_templatePtr)
        return m_templatePtr;
    return vq::FindDialogTemplate(m_templateId);
}

bool CDialog::Build(CWnd* parent) {
    const vq::DialogTemplate* dialogTemplate = GetDialogTemplate();
    if (!dialogTemplate || m_hWnd)
        return false;
    m_parentWindow = parent;
    m_ended = false;
    m_modalResult = -1;
    m_text = dialogTemplate->caption;
    m_style = dialogTemplate->style | WS_VISIBLE;
    const CSize size = dialogTemplate->size.cx > 0 ? dialogTemplate->size : CSize(400, 300);
    m_rect = CRect(CPoint(0, 0), size);
    SetOwner(parent);
    // A dialog is a top-level window with an owner, unless its template makes it a child (a page
    // inside another window).
    if ((dialogTemplate->style & WS_CHILD) && parent)
        Attach(parent, 0, false);
    else
        Attach(nullptr, 0, false);
    m_defId = IDOK;
    for (const auto& item : dialogTemplate->controls) {
        CWnd* control = vq::CreateControlForTemplate(item);
        control->InitFromTemplate(item);
        control->Attach(this, item.id, true);
        if ((item.kind == vq::ControlKind::PushButton) && ((item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON))
            m_defId = item.id;
    }
    for (CWnd* child : GetChildren())
        if (auto* spin = dynamic_cast<CSpinButtonCtrl*>(child))
            spin->AttachAutoBuddy();
    CenterWindow();
    return true;
}

INT_PTR CDialog::DoModal() {
    if (!Build(m_pParentWnd))
        return -1;
    m_modal = true;
    const std::uint64_t serial = GetSerial();
    const BOOL focusDefault = static_cast<BOOL>(SendMessage(WM_INITDIALOG));
    // The focus may still be where the dialog was opened from (the button of a dialog below).
    if (focusDefault && ::IsWindow(this) && !vq::FocusInside(*this))
        vq::FocusFirstField(*this);
    if (::IsWindow(this) && GetSerial() == serial && !m_ended) {
        vq::SaveDialogScreenshot(*this);
        m_inModalLoop = true;
        vq::ActiveDialogView().RunModal(*this);
        m_inModalLoop = false;
        // A second picture as the dialog closes, with what its lists and trees came to show.
        if (::IsWindow(this) && GetSerial() == serial)
            vq::SaveDialogScreenshot(*this);
    }
    const INT_PTR result = m_modalResult;
    if (m_hWnd)
        DestroyWindow();
    m_modal = false;
    return result;
}

BOOL CDialog::Create(UINT templateId, CWnd* parent) {
    m_templateId = templateId;
    m_templatePtr = nullptr;
    const vq::DialogTemplate* dialogTemplate = vq::FindDialogTemplate(templateId);
    return dialogTemplate ? Create(*dialogTemplate, parent) : FALSE;
}

BOOL CDialog::Create(const vq::DialogTemplate& dialogTemplate, CWnd* parent) {
    m_templatePtr = &dialogTemplate;
    if (!Build(parent))
        return FALSE;
    m_modal = false;
    const std::uint64_t serial = GetSerial();
    const BOOL focusDefault = static_cast<BOOL>(SendMessage(WM_INITDIALOG));
    if (!::IsWindow(this) || GetSerial() != serial)
        return FALSE;
    // A window of its own opens where typing goes, as a modal dialog does (a page inside another
    // window leaves the focus to the window it is in).
    if (focusDefault && !(GetStyle() & WS_CHILD) && !vq::FocusInside(*this))
        vq::FocusFirstField(*this);
    if (GetParent())
        GetParent()->StateChanged();
    else
        vq::ActiveDialogView().WindowCreated(*this);
    // A modeless window's picture as it opens, as a modal dialog's.
    if (::IsWindow(this) && GetSerial() == serial)
        vq::SaveDialogScreenshot(*this);
    return TRUE;
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG)
        return OnInitDialog();
    return CWnd::DefWindowProc(message, wParam, lParam);
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    // Enter in a dialog without an OK button shown presses no hidden button: the dialog stays.
    if (vq::EnterWithoutButton(*this))
        return;
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::OnClose() {
    SendMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

void CDialog::EndDialog(int result) {
    m_modalResult = result;
    if (!m_modal) {
        ShowWindow(SW_HIDE);
        return;
    }
    m_ended = true;
    if (m_inModalLoop)
        vq::ActiveDialogView().EndModal(*this, result);
}

void CDialog::SetDefID(UINT id) {
    m_defId = static_cast<int>(id);
    StateChanged();
}

DWORD CDialog::GetDefID() const {
    return MAKELONG(static_cast<WORD>(m_defId), 0x534B /* DC_HASDEFID */);
}

void CDialog::GotoDlgCtrl(CWnd* control) {
    if (control)
        control->SetFocus();
}

void CDialog::FocusStep(int direction) {
    const auto& children = GetChildren();
    if (children.empty())
        return;
    const int count = static_cast<int>(children.size());
    int start = -1;
    for (int i = 0; i < count; ++i)
        if (children[static_cast<std::size_t>(i)] == CWnd::GetFocus())
            start = i;
    for (int step = 1; step <= count; ++step) {
        const int i = ((start < 0 ? (direction > 0 ? -1 : 0) : start) + direction * step + count * 2) % count;
        CWnd* child = children[static_cast<std::size_t>(i)];
        const auto kind = child->GetControlKind();
        if (child->IsWindowEnabled() && (child->GetStyle() & WS_VISIBLE) && kind != vq::ControlKind::Static &&
            kind != vq::ControlKind::GroupBox) {
            child->SetFocus();
            return;
        }
    }
}

void CDialog::NextDlgCtrl() {
    FocusStep(1);
}

void CDialog::PrevDlgCtrl() {
    FocusStep(-1);
}
