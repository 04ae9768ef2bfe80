// CECONextAuditTaskItemDlg ("更改单—协助评审任务"): one assisting-review task of a change order's
// review step: its name, its assisting reviewer (chosen with the user picker) and the request to
// him. "确定" writes auditor and request to the task's ECONextAuditManage row, refusing an
// auditor who holds another task of the step; with the read-only switch the values cannot be
// changed and "确定" writes nothing.
#pragma once

#include "core/StoredRowEdit.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

#include <memory>
#include <vector>

class CECONextAuditTaskItemDlg : public CDialog {
public:
    enum { IDD = 6022 };
    static constexpr int kAuditNameId = 1001;
    static constexpr int kAuditorId = 1002;
    static constexpr int kAuditorButtonId = 1003;
    static constexpr int kRequestId = 1004;

    explicit CECONextAuditTaskItemDlg(CWnd* parent = nullptr);
    ~CECONextAuditTaskItemDlg() override;

    CString m_strAuditor;   // in: from the list; out after OK: the chosen auditor
    CString m_strAuditName; // the task's name (its key within the step)
    CString m_strRequest;   // out after OK
    CString m_strECOGroup;
    CString m_strECONo;
    CString m_strUpAuditName; // the review step
    int m_bReadOnly = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnBrowseAuditor();
    DECLARE_MESSAGE_MAP()

private:
    void LoadTask();
    // True when another task of the step is held by the account (compared without case).
    bool HoldsAnotherTask(const CString& auditor);
    // The task's fields as the dialog shows them now.
    std::vector<StoredField> StoredFields() const;

    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    // The task as the dialog read it; OK writes only what the user changed in it.
    std::unique_ptr<CStoredRowEdit> m_storedRow;
};
