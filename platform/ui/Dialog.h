// CDialog: a window built from a template, shown modal (DoModal) or modeless (Create).
//
//   class CPickDlg : public CDialog {
//   public:
//       explicit CPickDlg(CWnd* parent = nullptr) : CDialog(kPickTemplate, parent) {}
//       CString m_name;
//   protected:
//       void DoDataExchange(CDataExchange* pDX) override { DDX_Text(pDX, 1147, m_name); }
//       BOOL OnInitDialog() override;
//       void OnBrowse();
//       DECLARE_MESSAGE_MAP()
//   };
//
// Templates may also be registered under a number (vq::RegisterDialogTemplate) and named by it:
// CDialog(IDD, parent).
#pragma once

#include <vector>

#include "platform/ui/DialogTemplate.h"
#include "platform/ui/Wnd.h"

class CDialog : public CWnd {
public:
    CDialog();
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    explicit CDialog(const vq::DialogTemplate& dialogTemplate, CWnd* parent = nullptr);
    ~CDialog() override;

    vq::ControlKind GetControlKind() const override { return vq::ControlKind::Dialog; }

    // Builds the dialog, runs data exchange and OnInitDialog, then the modal loop of the view in
    // use; returns the value given to EndDialog (-1 when the template is missing).
    virtual INT_PTR DoModal();
    // Builds a modeless dialog (shown unless its template hides it); TRUE on success.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);
    BOOL Create(const vq::DialogTemplate& dialogTemplate, CWnd* parent = nullptr);
    // Sets the template DoModal and Create use (for dialogs constructed without one).
    void SetTemplate(const vq::DialogTemplate& dialogTemplate) { m_templatePtr = &dialogTemplate; }
    const vq::DialogTemplate* GetDialogTemplate() const;

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // The close box: Cancel unless the dialog handles it otherwise.
    void OnClose() override;
    // Ends the modal loop with the result (modal), or hides the dialog (modeless).
    void EndDialog(int result);
    bool IsModal() const { return m_modal; }
    bool HasEnded() const { return m_ended; }
    bool IsInModalLoop() const { return m_inModalLoop; }
    INT_PTR GetModalResult() const { return m_modalResult; }

    // The default button (pressed by Enter).
    void SetDefID(UINT id);
    DWORD GetDefID() const;
    void GotoDlgCtrl(CWnd* control);
    void NextDlgCtrl();
    void PrevDlgCtrl();
    CWnd* GetParentWindow() const { return m_parentWindow; }

    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    static const vq::MessageMap* GetThisMessageMap();
    const vq::MessageMap* GetMessageMap() const override;

protected:
    CWnd* m_pParentWnd = nullptr;

private:
    bool Build(CWnd* parent);
    void FocusStep(int direction);

    UINT m_templateId = 0;
    const vq::DialogTemplate* m_templatePtr = nullptr;
    CWnd* m_parentWindow = nullptr;
    bool m_modal = false;
    bool m_ended = false;
    bool m_inModalLoop = false;
    INT_PTR m_modalResult = -1;
    int m_defId = IDOK;
};

namespace vq {

// Registers a template under a number for CDialog(templateId, parent). The template must live as
// long as the program (a global constant).
void RegisterDialogTemplate(UINT templateId, const DialogTemplate& dialogTemplate);
const DialogTemplate* FindDialogTemplate(UINT templateId);
// The numbers of every registered template, in order.
std::vector<UINT> RegisteredDialogTemplateIds();

// Registers a template at program start: `static const vq::TemplateRegistration reg(6027, kViewerTemplate);`
struct TemplateRegistration {
    TemplateRegistration(UINT templateId, const DialogTemplate& dialogTemplate) {
        RegisterDialogTemplate(templateId, dialogTemplate);
    }
};

// Creates the control object for a template entry (CButton, CEdit, CListCtrl ...).
CWnd* CreateControlForTemplate(const ControlTemplate& item);

} // namespace vq
