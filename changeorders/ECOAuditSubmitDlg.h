// CECOAuditSubmitDlg ("更修单评审提交"): asked when a change order that failed its review is
// submitted again: where the review restarts (at the failed steps, at the failed level, from the
// beginning), with the failed steps listed and the review flow to look at.
#pragma once

#include "platform/base/Collections.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"

class CECOAuditSubmitDlg : public CDialog {
public:
    enum { IDD = 30029 };
    static constexpr int kRestartAtStepId = 1001; // the first of the three radio buttons
    static constexpr int kRestartAtLevelId = 1002;
    static constexpr int kRestartAllId = 1003;
    static constexpr int kFailedListId = 1004;
    static constexpr int kFlowId = 1005;

    explicit CECOAuditSubmitDlg(CWnd* parent = nullptr);

    int m_nRestartType = 0; // 0 at the failed steps, 1 at the failed level, 2 from the beginning
    CString m_strECONo;
    CString m_strAuditingModel; // shown by "评审流程"
    CString m_strAuditorName;
    CStringArray m_arrFailedNames; // listed as "name [auditor]"
    CStringArray m_arrFailedAuditors;
    int m_bFixedRestart = 0;  // the restart is given: the choices are disabled
    int m_bRestartAtStep = 0; // ... at the failed steps (else at the failed level)

    CListBox m_listFailed;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnAuditFlow();
    DECLARE_MESSAGE_MAP()
};
