// CAssistAuditTaskDlg ("设计过程—协助评审任务"): one assisting review: its name, its auditor (picked
// with "...") and what the assigner asks of the auditor. OK stores, while the stored task is still
// open, the fields the person changed over the task as stored now (CStoredRowEdit): a field another
// client changed to another value meanwhile, or a task deleted (or deleted and added again) since
// the dialog opened, stores nothing and one box says so. Auditor and AuditRequest then hold the
// task as stored.
#pragma once

#include "core/StoredRowEdit.h"
#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"

#include <memory>
#include <vector>

class CSqlTransaction;

// The stored state of an assisting task (trimmed), read in `transaction` after it took the
// document's lock that the assisting reviewer's result takes too, so that the state cannot change
// before the transaction ends; false when the lock or the read failed.
bool ReadAssistTaskStateLocked(CSqlTransaction& transaction, const CString& fileId,
                               const CString& upAuditName, const CString& task, CString& state);

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

private:
    std::vector<StoredField> StoredFields() const;
    std::unique_ptr<CStoredRowEdit> m_storedRow;
};
