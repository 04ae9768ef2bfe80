// CProjectTaskDecision: stores a reviewer's decision on one step of a project task's review and
// moves the task on, over the step rows of TaskAuditManage.
//
// After a pass the task waits until every other step that must pass has passed (the steps of the
// same level in the mixed style, every other step of the path otherwise), then opens the next
// level of the path (fresh rows and notices to their auditors) or, when no level follows,
// archives the task ("归档"). After a fail the task goes back to its designers ("评审-更改").
// Every decision records the passed document types and a task log row.
//
// The database part of a decision is one transaction that takes the task's lock first, so that
// reviewers who decide at the same moment are taken one after the other and exactly one of them
// opens the next level or archives: when any statement fails, or the lock is held by another
// reviewer longer than the lock wait, nothing of the decision stays written. Notices are rows of the
// transaction; the message server hears of them after the commit, and the reviewer reads why a decision was
// refused after the rollback. The review dialog stages the opinion file on the server under a name of its
// own before it calls the decision; the decision puts it in place (m_placeOpinion) as its last write under
// the lock, so that a refused decision leaves nothing of it and replaces no other reviewer's opinion.
//
//   CProjectTaskDecision decision;
//   decision.m_strTaskNo = ...; decision.m_pPath = &path; ...   // the dialog's facts
//   if (decision.SaveAuditResult(true)) ...                      // 1: stored
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

#include <functional>
#include <utility>
#include <vector>

class CAuditPath;
class CSqlTransaction;

class CProjectTaskDecision {
public:
    // What DecideNextAction finds.
    enum Action { kWait = 0, kOpenNextLevel = 1, kArchive = 2 };

    // The facts of the review, set by the dialog.
    CString m_strTaskNo;
    CString m_strStepName;
    CString m_strReviewer;   // the account given to the entry function: Auditor of TaskFileResult
    CString m_strLoginUser;  // the application's login account: AuditManager, log rows
    CString m_strTaskName;
    CString m_strTaskManager;
    CString m_strRemark;
    CString m_strOpinionText;         // the opinion as plain text
    CStringArray m_arrDocumentTypes;  // the row texts of the documents list, in order
    CStringArray m_arrPassedTypes;    // the entries of the passed list
    CAuditPath* m_pPath = nullptr;    // the task's review path, loaded around the step
    CString m_strReadAuditor;         // the step's auditor as the window read it
    bool m_bStepRead = false;         // ... when it read one
    // Runs under the task's lock once the step was read again, as the decision's last write before
    // the commit: puts the opinion file the dialog staged in place. False refuses the decision, and
    // `why` (when not empty) is said after the rollback. Empty: no file goes with the decision.
    std::function<bool(CString& why)> m_placeOpinion;

    // Pass (true) or fail: the step row, the moving on, the passed document types and the log
    // row. 1 stored; 0 after the failure was shown, with nothing written.
    int SaveAuditResult(bool pass);
    // Decide later: the remark and the passed document types; state and result stay.
    int SaveDecideLater();
    // The step as stored now, without a lock: 1 while it is open and the reviewer's, else 0 after
    // one box said what changed (before anything, such as the opinion file, is written).
    int CheckStep();
    // Only the passed document types of the step (closing the dialog with "是"), under the task's
    // lock while the task is in review; 0 after one box said why nothing was written.
    int SaveFileResultsOnly();

    // Filled while a pass is stored.
    CStringArray m_arrWaitSteps;   // the other steps that must have passed
    CStringArray m_arrNextSteps;   // the steps of the next level (mixed style)
    CStringArray m_arrStepNames;   // every step row of the task: AuditName
    CStringArray m_arrStepOutcomes; // AuditState + "|" + AuditResult
    CStringArray m_arrStepWorking; // Working
    Action m_nAction = kWait;
    CString m_strNewTaskState; // the task's state after the decision, empty when unchanged
    // The last decision was refused because another client decided the step (m_bStepDecided),
    // handed it over or took the task out of review since the window read it.
    bool m_bStepChanged = false;
    bool m_bStepDecided = false;

private:
    bool StoreInTransaction(bool pass, const CString& resultText);
    bool LockTask(CSqlTransaction& transaction);
    bool UpdateStepRow(const CString& resultText);
    // Reads the step again (under the task's lock, taking its row, when takeRow): false after
    // noting what changed in m_said. A step without a row passes: its write reports it.
    bool StepIsStillOurs(bool takeRow);
    bool ExecuteOnStepRow(const CString& sql);
    // The step is marked "[M]" in the path: its row stores the group of its auditors.
    bool IsGroupStep() const;
    bool AdvanceAfterPass();
    void CollectSameLevelSteps();
    void CollectNextLevelSteps();
    bool ReadStepStates();
    Action DecideNextAction();
    bool OpenNextLevel();
    bool FinishTask(const CString& state);
    bool SaveFileResults();
    bool WriteTaskLog(const CString& resultText);
    bool Notify(const CString& receiver, const CString& text);
    void SendPendingNotices();
    void SayWhyRefused();

    CString m_strBlockingStep; // a step of the same group that another reviewer has open
    std::vector<std::pair<CString, CString>> m_notices; // receiver, text; told after the commit
    std::vector<CString> m_said; // why a decision was refused, shown once it was rolled back
};
