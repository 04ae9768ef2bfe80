// CAuditFlowEngine: stores a reviewer's decision on one step of a work document and moves the
// document along its review path, without any window of its own. The review dialogs load a
// document into it, set the decision and call one of the three writers:
//
//   CAuditFlowEngine engine(CAuditFlowEngine::OpinionDialogOptions(false));
//   engine.m_strFileID = fileId;
//   engine.m_strAuditTask = step;
//   if (!engine.LoadDocument())                 // document, template, path around the step
//       return;                                 // the message has been shown
//   engine.m_strOpinion = opinion;
//   engine.m_nResult = CAuditFlowEngine::kPass;  // or kFail (then the return choice, below)
//   if (engine.ApplyAuditResult())              // one transaction; 0: nothing stored
//       ...;                                    // engine.m_strDocState: "正式", "评审", "更改", ...
//
// A decision (pass or fail, the return to an earlier step included) is one transaction on the
// product connection. It takes the lock of its flow first (the change task for the documents of a
// change task, else the document) and then the document's row, so that reviewers who decide at
// the same moment are taken one after the other: the second one sees the first one's step as
// decided, and exactly one of them opens the next level or releases. A lock another reviewer
// holds longer than the lock wait is said in one box, and nothing is stored. A decision is refused (nothing
// stored) on a path that is invalid, on a step that is not on the path and on a document that is not under
// review ("评审"). Under the same lock the step is read again: a step that another client has decided, or
// handed over to another auditor, since the window read it is not decided again (decide later included):
// one box says who has it now and nothing is stored. The message server hears of the notices only after
// the commit, and the reviewer sees the decision's messages only once its transaction has ended, so that
// no lock is held while he reads them.
//
// Tables written: TeamWorkAudit, TeamWorkGroupAudit, TeamWorkNextAudit (assisting results),
// TeamWorkAuditChange (return record), AuditConsignHistory (delegates), TeamWorkResult.State,
// TaskLogInformation, MessageManage, and ECOAuditLevel through CECOAuditLevel for the documents of
// a change task.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"
#include "teamwork/AuditPath.h"
#include "teamwork/ECOAuditLevel.h"

#include <functional>
#include <vector>

class CAuditFlowList;

namespace vq {
class ProcessPlanningUtility;
}

// Where the work-document opinion dialog and the design-document dialog run the flow differently.
struct AuditFlowOptions {
    // Several documents decided together: a step's stored Prompt grows by the new opinion
    // (" ;  \n 集中评审意见:" + opinion) instead of being replaced by it.
    int joinStoredPrompt = 0;
    // Notices are collected in m_pNotices (sent once by the caller) instead of being written at
    // once; only the notices to the next auditors and to the submitter/project manager.
    int collectNotices = 0;
    // A next-level step without an auditor stops the opening with "没有设置下级评审负责人，不能到下级
    // 评审..." (opinion dialog); 0: the step is opened with an empty auditor (design-document dialog).
    int requireNextAuditor = 1;
    // Every notice of the decision carries a send time with seconds.
    int noticeTimeWithSeconds = 0;
    // After the last pass the process-planning side is told (utility member 4 with the number 5).
    int linkProcessPlanning = 1;
    // When the flow moves on (next level opened or review finished) the document's return record
    // (TeamWorkAuditChange, TaskGroup 'Task') is deleted.
    int clearReturnRecordOnAdvance = 0;
    // A fail that returns the document to an earlier step (final state "评审") writes no fail
    // notice and no change-order rejection.
    int quietReturnToStep = 0;
    // The path, the step and the document state are checked when a decision is stored, with the
    // messages "无评审路径或缺负责人，为无效路径!" and "该评审任务不存在，为无效路径!". Invalid
    // decisions are refused either way; 0 only leaves the messages to the caller's load.
    int reportInvalidPath = 1;
};

class CAuditFlowEngine {
public:
    enum Result { kPass = 0, kFail = 1, kLater = 2 };

    // The options of the work-document opinion dialog (several: a batch of documents).
    static AuditFlowOptions OpinionDialogOptions(bool several);
    // The options of the design-document review dialog.
    static AuditFlowOptions DesignDocDialogOptions();

    // Takes the application's connection, database type, close mode and login account.
    explicit CAuditFlowEngine(const AuditFlowOptions& options = AuditFlowOptions());
    virtual ~CAuditFlowEngine();
    CAuditFlowEngine(const CAuditFlowEngine&) = delete;
    CAuditFlowEngine& operator=(const CAuditFlowEngine&) = delete;

    // --- Loading ------------------------------------------------------------------------------
    // "SELECT FilePrompt, FileName, FileSize FROM TeamWorkResult ..." into the file members; 1
    // when a row was read.
    int ReadDocumentInfo();
    // Work id, document state, template name, auditor list and file name of the document.
    int ReadDocumentRecord();
    // Style and path text of the template.
    int ReadAuditPath();
    // Builds m_path around m_strAuditTask (current level, lower-level steps).
    void BuildPath();
    // ReadDocumentInfo (message "无法正确读取设计文档信息..." when it fails), ReadDocumentRecord,
    // ReadAuditPath, BuildPath, and ReadStepRow unless the window has read this step already (the
    // decision acts for the auditor the window showed); 1 when the document could be read.
    int LoadDocument();
    // The submitter (Manager of the work) and the project manager above the work of m_strWorkID.
    void ReadWorkManagers();
    // State, Result and Prompt of the step row (TeamWorkAudit, or TeamWorkNextAudit for an
    // assisting review); 0 when there is no row. The step's auditor is kept: a decision stored
    // later checks that the step still has it.
    int ReadStepRow(CString& state, CString& result, CString& prompt);

    // --- Deciding -----------------------------------------------------------------------------
    // Pass or fail of a main step, with the return record and the reopening of earlier steps
    // when m_bReturnToStep is set: 1 when everything was stored, 0 when nothing was.
    int ApplyAuditResult();
    // Decide later: FinishDate (local time), Prompt and Manager of the step row only; under the
    // document's lock, while the document is under review and the step is still open and the
    // reviewer's.
    int SaveOpinionOnly();
    // The result of an assisting review (TeamWorkNextAudit); decide later keeps it open. One
    // transaction under the document's lock; a task that no longer exists is said once and
    // nothing is stored (0).
    int SaveAssistAuditResult();
    // The step as stored now, without a lock: 1 while it is open and still the reviewer's, else 0
    // after one box said what changed (before the confirm writes anything, such as markup). The
    // decision reads it again under its lock.
    int CheckStep();
    // 1 when every assisting review of the step is finished ("已完成" or "完成"), also when
    // there is none.
    int CheckAssistAudits(const CString& fileId, const CString& upStepName);

    // --- Steps of a decision (run inside ApplyAuditResult's transaction; public for the dialogs
    // that need a single one) --------------------------------------------------------------------
    // Deletes and writes the document's return record (TeamWorkAuditChange) and reopens the
    // chosen steps; 0 when a statement failed.
    int WriteReturnRecord();
    // Reopens the steps between the return step and the current level ("S": the whole level and
    // the levels after it; "U": the steps named like the return step). Mixed style only.
    int ReturnToEarlierStep(const CString& stepName, const CString& levelType);
    // After a pass: peers, next level, then wait, open the next level or finish.
    int DriveAuditFlow();
    int ReadAuditStepTable();
    // 0 wait for the peers, 1 open the next level, 2 the last level passed. A peer that has
    // passed counts as passed whatever its working mark.
    int CheckPeerSteps();
    int StartNextLevel();
    // Sets the document's final state and sends the pass or fail notices; 0 when a write failed.
    int FinishAudit(const CString& state);
    // One TaskLogInformation row with the opinion.
    int WriteAuditLog();

    // --- Holding a step -----------------------------------------------------------------------
    // Marks the assisting review as being worked on ('T'); 0 when the statement failed.
    int MarkAssistWorking();
    // Clears the working mark of the step (TeamWorkAudit or TeamWorkNextAudit).
    int ClearWorking();

    // --- Helpers ------------------------------------------------------------------------------
    // The step an assisting review hangs under: the name cut before its first "[" (when that
    // lies after the first character) with "[N]" appended, else the name itself.
    static CString AssistParentStep(const CString& assistTask);
    // The name of the lock that one document's decisions take (the flow of any document outside a
    // change task); the assisting tasks of the document's steps are added under it too.
    static CString DocumentLockName(const CString& fileId);
    // The work id marks a change-task document and the change-task switch is on.
    bool IsChangeTaskDocument() const;
    // The fail may be returned to an earlier step: there are lower-level steps, the change-task
    // switch is off and the work id holds "[M]#001" after its first character.
    bool CanAskReturnToStep() const;
    // Runs a writing statement through the application's SQL services.
    int ExecuteSql(const CString& sql);

    AuditFlowOptions m_options;

    // Set by the caller.
    CString m_strFileID;
    CString m_strAuditTask;   // the step decided, as passed by the caller
    CString m_strWorkID;      // read with the document; a batch may preset it for the managers
    CString m_strOpinion;     // the opinion as typed
    int m_nResult = kLater;   // kPass, kFail, kLater
    int m_bReassign = 0;      // "建议重新安排评审负责人": a fail goes back to "待评审"
    int m_bConsigned = 0;     // the reviewer acts for the step's auditor
    int m_bAssistAudit = 0;   // the step is an assisting review (TeamWorkNextAudit)
    int m_bReturnToStep = 0;  // a fail returns the document to an earlier step
    CString m_strReturnStep;  // the chosen step as the choice dialog returns it
    CString m_strReturnStepAuditor;
    CString m_strReturnLevelType = "S"; // "S" or "U"
    CString m_strReturnTime;  // "%Y-%m-%d %H:%M" noted when the reviewer confirmed
    CAuditFlowList* m_pNotices = nullptr;                    // not owned; collectNotices
    vq::ProcessPlanningUtility* m_pProcessPlanning = nullptr; // not owned; may be absent

    // Read by the load.
    CString m_strFilePrompt, m_strFileName, m_strFileSize;
    CString m_strDocState;
    CString m_strAuditingModel, m_strAuditorName, m_strAuditingStyle, m_strAuditingPath;
    CString m_strWorkManager, m_strProjectManager;
    CAuditPath m_path; // path state: items, current level, lower/peer/next-level steps

    // The document's step rows, read by ReadAuditStepTable.
    CStringArray m_arrStepNames, m_arrStepStates, m_arrStepWorking; // state: State + "|" + Result

    // Written by the decision.
    CString m_strStoredOpinion;

    // Tests only: runs inside a decision's transaction right after the step row was written.
    std::function<void()> m_onStepStored;
    // Tests only: runs once, just before the next decision of any review window (project tasks
    // included) takes its lock: another client's write between the window's read and the write.
    static std::function<void()> s_beforeNextDecision;
    static void RunBeforeDecision();
    // The last decision was refused because the step was decided or handed over meanwhile.
    bool m_bStepChanged = false;

    _ConnectionPtr m_pConnPDM;
    int m_nDatabaseType = 0;
    int m_nAdoCloseMode = 0;
    CString m_strLogin;

private:
    int StoreInTransaction();
    int StoreAssistInTransaction();
    // Shows what the decision kept to say while its transaction was open.
    void SayKept();
    // The name of the lock that serialises the decisions of the document's flow.
    CString FlowLockName() const;
    // A message of the decision: kept until its transaction has ended while one is open, shown
    // at once otherwise.
    void Say(const CString& text);
    int StoreDecision();
    int LockDocument();
    // Reads the step again under the decision's lock: 1 while it is open and still the reviewer's
    // (his own, the auditor's he acts for, or his group's as the window read them); 0 after saying
    // what changed. A step without a row passes: the write reports it.
    int CheckStepUnderLock(bool takeRow);
    int StoreOpinionInTransaction();
    // Names the step that ReadStepRow read (the kind of row, the document and the step).
    CString ReadStepKey() const;
    CString StoredOpinion();
    // The main step's row is there (taken by the decision's lock, or counted).
    bool StepRowExists();
    CString Now(bool seconds) const;
    int WriteNotice(const CString& receiver, const CString& text, bool seconds);
    void SendPendingNotifications();
    int RejectInChangeOrder(const CString& state);

    struct PendingNotice {
        CString receiver;
        CString text;
    };
    std::vector<PendingNotice> m_pending; // told to the message server after the commit
    std::vector<CString> m_said;          // shown once the decision's transaction has ended
    bool m_bDeciding = false;
    // The count of reported database failures as the decision began (ReportedDbFailureCount).
    unsigned long m_failuresBefore = 0;
    // The step's auditor as the window read it (ReadStepRow, LoadDocument), and which step that was.
    CString m_strReadAuditor;
    CString m_strReadStep;
    // The main step's row as the decision's lock took it (CheckStepUnderLock): while the lock
    // holds, nobody else changes it, so that its prompt and its presence need no second read.
    bool m_bStepRowTaken = false;
    CString m_strTakenPrompt;
    // The change task's parts, drawings and levels, read once for the decisions of this engine.
    ECOTaskSnapshot m_changeTask;
};
