// CSelectReturnTaskDlg ("选择评审返回的任务"): the reviewer who fails a document chooses the earlier
// step it goes back to, seeing the document's review path read-only, and whether the whole level
// of that step is reviewed again ("返回同级": level type "S") or the step alone ("U"). Callers
// set the template, the auditor list, the style, the path and the candidate steps before DoModal
// and read the chosen step, its auditor and the level type after OK.
#pragma once

#include "platform/db/Ado.h"
#include "platform/ui/Dialog.h"
#include "platform/ui/ListBox.h"

class CFlowView;

class CSelectReturnTaskDlg : public CDialog {
public:
    enum { IDD = 354 };
    static constexpr int kStepListId = 1001;
    static constexpr int kSameLevelId = 1002;
    static constexpr int kChartId = 1003;
    static constexpr int kFlowViewId = 6000;

    explicit CSelectReturnTaskDlg(CWnd* parent = nullptr);
    ~CSelectReturnTaskDlg() override;

    // The auditor entry at the position of the box named stepName (letter case ignored; among
    // the boxes that have an auditor entry, the last such box wins); empty for an empty name or
    // no match.
    CString AuditorOfStep(const CString& stepName) const;

    int m_bSameLevel = 1;
    CString m_strAuditModel;  // in: the document's template; empty: the dialog shows nothing
    CString m_strAuditorName; // in: the auditor list
    CString m_strAuditStyle;  // in: the template's style
    CString m_strAuditPath;   // in: the template's path text
    CStringArray m_arrCandidates; // in: the steps the document may return to
    CString m_strReturnTask;      // out: the chosen step
    CString m_strReturnAuditor;   // out: its auditor
    CString m_strLevelType = "S"; // out: "S" with "返回同级" ticked, else "U"

    CFlowView* GetFlowView() const { return m_pFlowView; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void BuildChart();

    CListBox m_listSteps;
    _ConnectionPtr m_pConnection;
    int m_nAdoCloseMode = 0;
    CFlowView* m_pFlowView = nullptr;
    CStringArray m_arrAuditorEntries;
};
