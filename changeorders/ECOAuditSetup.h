// The review set-up of a change notice stored as formal: its review path (template and auditors)
// becomes one "未完成" ECOAuditManage row per step to be worked now, with a notice to each
// auditor when the review is chosen per order, and the notice's state becomes "评审". Where the
// review restarts follows m_nRestartType: at the failed steps, at the failed level (a mixed path;
// otherwise from the beginning), or from the beginning (the old step rows are removed first).
//
// The change notice form owns one object, sets the inputs and calls SetupAuditFlow before it
// writes the notice's header. Paths are read through the review path model (CAuditPath).
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "teamwork/AuditPath.h"

class CWnd;

class CECOAuditSetup {
public:
    // 1 when at least one step was opened and the state set; 0 otherwise (the reason has been
    // shown). The statements run in one transaction unless the caller already holds one; then the
    // auditors are told only when the caller calls SendNotices after its commit.
    int SetupAuditFlow();
    // Tells the auditors of the opened steps through the message server (after the commit of the
    // caller's transaction), once: the list is emptied.
    void SendNotices();

    // The steps of a set-up, exposed for the form and its tests.
    int LoadAuditTemplate();
    void SplitAuditors();
    void BuildAuditSteps();
    int LoadAuditResults();
    void SelectFailedSteps(bool levelMode);
    void SelectFirstSteps();
    int CreateAuditTask(const CString& stepName, const CString& auditor);

    // Inputs.
    CString m_strECONo;
    CString m_strAuditingModel; // the notice's review template
    CString m_strAuditorName;   // its auditors, joined by "|*|"
    int m_nReviewMode = 0;
    int m_nRestartType = 2;   // 0 at the failed steps, 1 at the failed level, 2 from the beginning
    CWnd* m_pOwner = nullptr; // the form: its OK is disabled when the restart cannot be found

    // Working data.
    CAuditPath m_path; // template style and path, auditor list, step list
    CStringArray m_arrResultNames;
    CStringArray m_arrResultTexts;
    CStringArray m_arrOpenSteps;
    CStringArray m_arrOpenAuditors;

private:
    int OpenSteps();
    void DisableOwnerOk();

    // Notices to send once the rows are stored: auditor and text.
    CStringArray m_arrNoticeReceivers;
    CStringArray m_arrNoticeTexts;
};
