// CInputStringDlg: asks for one name (of a special character, a document description, a review
// step). For review steps it also offers the two marks of a step name: "[N]" (the step needs
// assisting sub-reviews) and "[M]" (the step has mixed auditors), as check boxes.
#pragma once

#include "platform/ui/Dialog.h"

class CInputStringDlg : public CDialog {
public:
    enum { IDD = 141 };
    explicit CInputStringDlg(CWnd* parent = nullptr);

    CString m_strValue;        // preset by the caller; the result after OK
    int m_bMultiLevel = 0;     // check box "多级评审": the "[N]" mark
    int m_bMixed = 0;          // check box "混合评审者": the "[M]" mark
    CString m_strPrompt;       // shown above the field
    int m_bShowMultiLevel = 0; // the check boxes are shown only when asked for
    int m_bShowMixed = 0;

    // True when the text may be used as a name: not one of the names the system gives its own
    // folders and nodes, and none of the characters \ / : * ? " ' < > |.
    static bool IsReservedName(const CString& text);
    static bool HasForbiddenCharacter(const CString& text);

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
};
