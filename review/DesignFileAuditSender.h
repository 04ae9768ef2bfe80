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

#include <functional>
#include <utility>
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
    // Run inside WriteUnderDocumentLock, which says its summary after the commit.
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
    // What a submission decides on: the document's state and path, and its step rows (and
    // change row) as one text.
    struct ReviewRows {
        bool found = false;
        CString state, model, auditors, type, steps;
    };

    bool ConnectProcessPlanning();
    void TellProcessPlanning();
    int Resubmit();
    bool ReadStepRowsText(CString& text);
    // The rows as stored now; false after a database error.
    bool ReadReviewRows(ReviewRows& rows);
    // The same, read under the document's lock.
    bool ReadReviewRowsLocked(ReviewRows& rows);
    // False (after one box saying what changed, or the database error) when another client
    // changed the rows since they were first read.
    bool StillAsRead();
    // The refusal that says what another client changed since the rows were first read; empty
    // when nothing did.
    CString WhatChanged(const ReviewRows& now) const;
    // Runs write in one transaction under the document's lock, which the review decisions and
    // the other submissions of the document take too, after reading the rows again: when another
    // client changed what the submission was decided on, nothing is written and one box says what
    // changed. Boxes and message-server notices of the write come after the transaction ended.
    int WriteUnderDocumentLock(const std::function<int()>& write);
    // A box inside the locked write is shown once the transaction has ended.
    void Say(const CString& text);

    ReviewRows m_seen; // as read before the question and the dialogs
    bool m_bWriting = false;
    bool m_bWriteFailed = false; // the write itself (not the lock or a refusal) failed
    std::vector<CString> m_said;
    std::vector<std::pair<CString, CString>> m_notices; // receiver, text
    CString m_strKeptBatchNotice, m_strKeptSummary;     // of a write not yet committed

    bool m_bTemplateFound = false;
    bool m_bNoStepError = false; // the review found no step to open after an error
};
