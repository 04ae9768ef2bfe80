// CAuditResubmitDlg ("设计文档评审提交"): where a document submitted again after a failed review
// starts its review: from the failed step, from the failed level, or from the start. The failed
// steps are listed; "评审流程" shows the document's review path read-only.
#pragma once

#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"

class CAuditResubmitDlg : public CDialog {
public:
    enum { IDD = 346 };
    static constexpr int kHeadingId = 1001;
    static constexpr int kFromTaskId = 1002;
    static constexpr int kFromLevelId = 1003;
    static constexpr int kFromStartId = 1004;
    static constexpr int kFailedTasksId = 1005;
    static constexpr int kFlowId = 1006;

    explicit CAuditResubmitDlg(CWnd* parent = nullptr);

    CString m_strFileID;
    CString m_strAuditModel;
    CString m_strAuditorName;
    CStringArray m_arrFailedTasks;    // the failed steps
    CStringArray m_arrFailedAuditors; // their auditors, by index
    int m_bChangeRow = 0;             // the document was returned to a chosen step
    int m_nChangeLevelKind = 0;       // 1: returned with its whole level ("S"); 0: the step alone
    int m_nMode = 0;                  // out after OK: 0 from the failed step, 1 its level, 2 start

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    afx_msg void OnShowFlow();
    DECLARE_MESSAGE_MAP()

private:
    CListBox m_listFailed;
};
