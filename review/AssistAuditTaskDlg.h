// CAssistAuditTaskDlg ("设计过程—协助评审任务"): one assisting review: its name, its auditor (picked
// with "...") and what the assigner asks of the auditor. OK stores auditor and request while the
// stored task is still open.
#pragma once

#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

class CAssistAuditTaskDlg : public CDialog {
public:
    enum { IDD = 30034 };
    static constexpr int kAuditorId = 1001;
    static constexpr int kPickAuditorId = 1002;
    static constexpr int kTaskId = 1003;
    static constexpr int kRequestId = 1004;

    explicit CAssistAuditTaskDlg(CWnd* parent = nullptr);

    CString Auditor;
    CString AuditTask;
    CString AuditRequest;
    CString FileID;
    CString UpAuditName;
    int ReadOnly = 0;
    _ConnectionPtr Connection;
    int CloseMode = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    afx_msg void OnPickAuditor();
    DECLARE_MESSAGE_MAP()
};
