// CTaskAuditFlowDlg ("任务评审流程图"): the review path of a task or document as a flow chart in
// which the user chooses the review template and the auditor of every step. Callers set the
// public members before DoModal and read the template, the auditor list and the first-level
// steps after OK.
#pragma once

#include "platform/db/Ado.h"
#include "platform/ui/ComboBox.h"
#include "platform/ui/Dialog.h"

class CFlowNode;
class CFlowView;

class CTaskAuditFlowDlg : public CDialog {
public:
    enum { IDD = 202 };
    static constexpr int kTemplateId = 1001;
    static constexpr int kAuditModeId = 1002;
    static constexpr int kWorkStateId = 1003;
    static constexpr int kChartId = 1004;
    static constexpr int kFlowViewId = 6000;

    explicit CTaskAuditFlowDlg(CWnd* parent = nullptr);
    ~CTaskAuditFlowDlg() override;

    CString m_strAuditMode;   // the template's style ("混合" or another)
    CString m_strWorkState;   // shown only
    CString m_strProjectPath; // "项目管理" when empty and the task row is read
    CString m_strProjectName;
    CString m_strTaskID; // ProjectNo, or a work id (holds "#")
    int m_bReadOnly = 0;
    int m_bWriteToTask = 0;
    CString m_strAuditModel;  // in: preset template; out after OK: the chosen one
    CString m_strAuditorName; // in: preset auditors ("|*|"); out after OK: the new list
    int m_bSubmitMode = 1;
    int m_bCollectAuditors = 1;
    int m_bGeneralAuditor = 0;
    int m_bKeepAuditor = 0;
    CStringArray m_arrFirstNames;
    CStringArray m_arrFirstAuditors;

    CFlowView* GetFlowView() const { return m_pFlowView; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void PostNcDestroy() override;
    afx_msg void OnSelChangeTemplate();
    DECLARE_MESSAGE_MAP()

private:
    void LoadTemplates();
    void ReadTaskRow();
    void SplitAuditors();
    void ShowTemplate();
    void BuildNodes();
    void CollectFirstSteps();
    // The box of path entry `index` (found by its name), or the box at that index.
    const CFlowNode* BoxOfEntry(int index) const;

    CComboBox m_comboTemplate;
    CString m_strSavedAuditors;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CFlowView* m_pFlowView = nullptr;
    CString m_strTaskState;
    CString m_strChosenModel;
    CString m_strWorkAuditors;
    CString m_strChosenPath;
    CStringArray m_arrModelNames;
    CStringArray m_arrModelStyles;
    CStringArray m_arrModelPaths;
    CStringArray m_arrAuditorEntries;
    int m_bInitialising = 1;
};
