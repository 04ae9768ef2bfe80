// CAuditManagerDlg: asks for the person (or, for a mixed review step, the user group)
// responsible for one review step and accepts only a registered user or group.
#pragma once

#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

class CAuditManagerDlg : public CDialog {
public:
    enum { IDD = 203 };
    explicit CAuditManagerDlg(CWnd* parent = nullptr);

    CString m_strManager; // preset by the caller; after OK a registered log name or group name
    int m_bGroupMode = 0; // 0: a user's log name; otherwise a group name
    CString m_strStepName;
    int m_bCheckMixed = 0; // set: a step name holding "[M]" (any case) switches to group mode

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnBrowse();
    DECLARE_MESSAGE_MAP()

private:
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
};
