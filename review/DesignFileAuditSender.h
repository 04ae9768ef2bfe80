// CDesignFileAuditSender: puts one design document (a row of TeamWorkResult) into review. It reads
// the document's review template and auditors, asks at most one question, opens the review-flow
// dialog for a first submission without a path or the re-submission dialog after a failed
// review, writes the first level's step rows with a notice to each auditor and sets the
// document's state. Built for the length of one entry call.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"
#include "teamwork/AuditPath.h"

#include <vector>

// A failed step of the path: its name, auditor and result, and its level.
struct AuditStepRecord {
    CString m_strTaskName;
    CString m_strAuditor;
    CString m_strResult;
    int m_nLevel = 0;
};

class CDesignFileAuditSender {
public:
    CDesignFileAuditSender();
    virtual ~CDesignFileAuditSender() = default;
    CDesignFileAuditSender(const CDesignFileAuditSender&) = delete;
    CDesignFileAuditSender& operator=(const CDesignFileAuditSender&) = delete;

    // The whole submission; 1 submitted, 0 not.
    int Send();

    int ReadDocumentRow();
    int ReadTemplate();
    void SplitAuditors();
    void BuildPathSteps();
    int ReadAuditRows();
    int ReadAuditChange();
    int ReadWorkTask();
    void PickFirstSteps();
    // Restart from the failed step (mode 0) or its level (mode 1); false after the message that
    // the path and the step rows do not fit.
    bool PickRestartSteps();
    int StartStep(CString stepName, CString auditor);
    int StartReview();
    int MarkWaitingForReview();
    int ChooseTemplateAndStart();
    void SetBatchNotice(const CString& text);

    CString m_strFileID;
    CString m_strSuperior; // the responsible superior, or "_ECO_Design_Pass"
    _ConnectionPtr m_pConnPDM;
    _ConnectionPtr m_pConnCAPP;
    int m_nProcessPlanning = 0; // [VQCAPP配置] "有无VQCAPP"
    int m_nAdoCloseMode = 0;
    int m_nDatabaseType = 0;
    CString m_strLogin;
    CString m_strFilePrompt, m_strState, m_strAuditingModel, m_strAuditorName, m_strAuditingType;
    CString m_strWorkID, m_strWorkName, m_strManager;
    CString m_strAuditingStyle, m_strAuditingPath;
    CAuditPath m_path; // the path steps with their auditors and levels
    std::vector<AuditStepRecord> m_arrFailedSteps;
    CStringArray m_arrRowTasks, m_arrRowAuditors, m_arrRowResults;
    CStringArray m_arrStartNames, m_arrStartAuditors;
    int m_bChangeRowFound = 0;
    CString m_strPreAuditName, m_strPreAuditor;
    int m_nChangeLevelKind = 0;
    int m_nRestartMode = 2;
    int m_nConfirmPath = 0;
    int m_nBatchCount = 0;
    int m_bEcoPass = 0;

private:
    bool ConnectProcessPlanning();
    void TellProcessPlanning();
    int Resubmit();

    bool m_bTemplateFound = false;
    bool m_bNoStepError = false; // the review found no step to open after an error
};
