#include "review/ProjectTaskDecision.h"

#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/UserNotice.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/Ado.h"
#include "projects/ProjectTaskRecords.h"
#include "review/AuditFlowEngine.h"
#include "teamwork/AuditPath.h"

namespace {

constexpr const char* kSqlFailure = "执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n";
constexpr const char* kPassed = "通过";
constexpr const char* kFailed = "不通过";
constexpr const char* kArchived = "归档";
constexpr const char* kReturned = "评审-更改";

CString LocalDate() {
    return CTime::GetCurrentTime().Format("%Y-%m-%d");
}

bool Contains(const CStringArray& texts, const CString& text) {
    for (const CString& entry : texts)
        if (entry.CompareNoCase(text) == 0)
            return true;
    return false;
}

} // namespace

int CProjectTaskDecision::SaveAuditResult(bool pass) {
    CWaitCursor wait;
    const CString resultText = pass ? kPassed : kFailed;
    m_notices.clear();
    m_strBlockingStep.Empty();
    m_strNewTaskState.Empty();
    m_nAction = kWait;
    m_said.clear();
    m_bStepChanged = m_bStepDecided = false;
    CAuditFlowEngine::RunBeforeDecision();
    const bool stored = StoreInTransaction(pass, resultText);
    SayWhyRefused();
    if (!stored) {
        m_strNewTaskState.Empty();
        return 0;
    }
    SendPendingNotices();
    // The own decision is stored; the task waits until the step held by another reviewer is
    // decided, and the last decision of the group moves it on.
    if (!m_strBlockingStep.IsEmpty())
        AfxMessageBox("同组的 " + m_strBlockingStep + " 正在评审，请稍后再进行!");
    return 1;
}

bool CProjectTaskDecision::StoreInTransaction(bool pass, const CString& resultText) {
    CSqlTransaction transaction;
    if (!transaction.IsActive() || !LockTask(transaction) || !StepIsStillOurs(true))
        return false;
    if (!UpdateStepRow(resultText))
        return false;
    if (pass) {
        if (!AdvanceAfterPass())
            return false;
    } else if (!FinishTask(kReturned)) {
        return false;
    }
    if (!SaveFileResults() || !WriteTaskLog(resultText))
        return false;
    if (m_placeOpinion) {
        CString why;
        if (!m_placeOpinion(why)) {
            if (!why.IsEmpty())
                m_said.push_back(why);
            return false;
        }
    }
    return transaction.Commit();
}

// Decide later changes neither state nor result, but it writes the step's remark, its reviewer and
// its passed document types: only under the task's lock, while the task is in review and the step
// is still open and the reviewer's.
int CProjectTaskDecision::SaveDecideLater() {
    CWaitCursor wait;
    m_said.clear();
    m_bStepChanged = m_bStepDecided = false;
    CAuditFlowEngine::RunBeforeDecision();
    bool stored = false;
    {
        CSqlTransaction transaction;
        if (transaction.IsActive() && LockTask(transaction) && StepIsStillOurs(true)) {
            CString sql;
            sql.Format(
                "UPDATE TaskAuditManage SET AuditRemark='%s', AuditManager='%s' WHERE ProjectNo='%s' AND "
                "AuditName='%s'",
                SqlQuote(m_strRemark), SqlQuote(m_strLoginUser), SqlQuote(m_strTaskNo),
                SqlQuote(m_strStepName));
            stored = ExecuteOnStepRow(sql) && SaveFileResults() && transaction.Commit();
        }
    }
    SayWhyRefused();
    return stored ? 1 : 0;
}

bool CProjectTaskDecision::IsGroupStep() const {
    if (!m_pPath)
        return false;
    for (int i = 0; i < m_pPath->GetCount(); ++i) {
        CString name = m_pPath->GetItem(i)->m_strTaskName;
        if (StoredStepName(name).CompareNoCase(m_strStepName) != 0)
            continue;
        name.MakeUpper();
        if (name.Find("[M]") >= 0)
            return true;
    }
    return false;
}

int CProjectTaskDecision::CheckStep() {
    m_said.clear();
    m_bStepChanged = m_bStepDecided = false;
    const bool ours = StepIsStillOurs(false);
    SayWhyRefused();
    return ours ? 1 : 0;
}

bool CProjectTaskDecision::StepIsStillOurs(bool takeRow) {
    CString sql;
    // Under the task's lock the step's row is taken first: a client that writes it without that
    // lock (a hand-over by another program) waits until the decision has ended, or has committed
    // before it is read.
    if (takeRow) {
        sql.Format("UPDATE TaskAuditManage SET Working=Working WHERE ProjectNo='%s' AND AuditName='%s'",
                   SqlQuote(m_strTaskNo), SqlQuote(m_strStepName));
        if (!theApp.ExecuteSql(sql))
            return false;
    }
    sql.Format("SELECT AuditState, Auditor, AuditManager FROM TaskAuditManage WHERE ProjectNo='%s' AND "
               "AuditName='%s'",
               SqlQuote(m_strTaskNo), SqlQuote(m_strStepName));
    CString state, auditor, decider;
    bool found = false;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            found = true;
            state = VariantToString(rs->GetCollect(0L));
            auditor = VariantToString(rs->GetCollect(1L));
            decider = VariantToString(rs->GetCollect(2L));
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        m_said.push_back(kSqlFailure + sql);
        return false;
    }
    if (!found)
        return true;
    state.Trim();
    auditor.Trim();
    decider.Trim();
    if (state == "已完成") {
        m_bStepChanged = m_bStepDecided = true;
        CString text = "该评审任务已完成，不能保存评审结果!";
        if (!decider.IsEmpty())
            text.Format("该评审任务已被%s评审，不能保存评审结果!", CString(vq::VisibleText(decider.str())));
        m_said.push_back(text);
        return false;
    }
    // The step is still the reviewer's: he is its auditor, or the step of mixed auditors ("[M]")
    // still has the group the window read.
    if (auditor.CompareNoCase(m_strLoginUser) == 0 ||
        (IsGroupStep() && m_bStepRead && auditor.CompareNoCase(m_strReadAuditor) == 0))
        return true;
    m_bStepChanged = true;
    CString text = "该评审任务的负责人已被更换，不能保存评审结果!";
    if (!auditor.IsEmpty())
        text.Format("该评审任务的负责人已被更换为%s，不能保存评审结果!",
                    CString(vq::VisibleText(auditor.str())));
    m_said.push_back(text);
    return false;
}

// Like a decision, the passed document types are written under the task's lock and only while
// the task is still in review: another reviewer may have returned or archived it while this one
// was asked whether to save them.
int CProjectTaskDecision::SaveFileResultsOnly() {
    m_said.clear();
    bool stored = false;
    {
        CSqlTransaction transaction;
        stored = transaction.IsActive() && LockTask(transaction) && SaveFileResults() && transaction.Commit();
    }
    SayWhyRefused();
    return stored ? 1 : 0;
}

// Why a decision was refused is told once its transaction has been rolled back: a box shown with
// the task's row locked would keep every other client waiting (on SQLite the whole database)
// until the reviewer answers it.
void CProjectTaskDecision::SayWhyRefused() {
    std::vector<CString> said;
    said.swap(m_said);
    for (const CString& text : said)
        AfxMessageBox(text);
}

// Taking the task's lock and then its row first makes a second decision on the same task wait
// until this one is committed, so that its reads of the step rows see this decision; and a task
// that another reviewer has returned (or that was archived) meanwhile takes no further decision.
// A wait longer than the lock wait is said once (after the rollback) and stores nothing.
bool CProjectTaskDecision::LockTask(CSqlTransaction& transaction) {
    if (!transaction.Lock(projects::ProjectTaskLockName(m_strTaskNo)))
        return false;
    CString sql;
    sql.Format("UPDATE ProjectManage SET WorkState=WorkState WHERE ProjectNo='%s'", SqlQuote(m_strTaskNo));
    if (!theApp.ExecuteSql(sql))
        return false;
    sql.Format("SELECT WorkState FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(m_strTaskNo));
    if (theApp.GetSqlString(sql) != "评审") {
        m_bStepChanged = true;
        m_said.push_back("该任务已不在评审中，不能保存评审结果!");
        return false;
    }
    return true;
}

bool CProjectTaskDecision::UpdateStepRow(const CString& resultText) {
    CString sql;
    sql.Format("UPDATE TaskAuditManage SET FinishTime='%s', AuditState='已完成', AuditResult='%s', "
               "AuditRemark='%s', AuditManager='%s' WHERE ProjectNo='%s' AND AuditName='%s'",
               SqlQuote(LocalDate()), SqlQuote(resultText), SqlQuote(m_strRemark), SqlQuote(m_strLoginUser),
               SqlQuote(m_strTaskNo), SqlQuote(m_strStepName));
    return ExecuteOnStepRow(sql);
}

// A write of the step's row; a row that is not there is a failure like any other, not a silent
// no-op.
bool CProjectTaskDecision::ExecuteOnStepRow(const CString& sql) {
    long affected = 0;
    try {
        theApp.m_pConnPDM->Execute(sql, &affected, adCmdText);
    } catch (_com_error& e) {
        ReportComError(e);
        m_said.push_back(kSqlFailure + sql);
        return false;
    }
    if (affected < 1) {
        m_said.push_back(kSqlFailure + sql);
        return false;
    }
    return true;
}

bool CProjectTaskDecision::AdvanceAfterPass() {
    CollectSameLevelSteps();
    CollectNextLevelSteps();
    if (!ReadStepStates())
        return false;
    m_nAction = DecideNextAction();
    if (m_nAction == kOpenNextLevel)
        return OpenNextLevel();
    if (m_nAction == kArchive)
        return FinishTask(kArchived);
    return true;
}

// The steps are those of the path; the own step is left out by its stored form, so that a group
// step ("[M]") does not wait for itself.
void CProjectTaskDecision::CollectSameLevelSteps() {
    m_arrWaitSteps.RemoveAll();
    if (!m_pPath)
        return;
    m_pPath->CollectPeerSteps();
    m_arrWaitSteps.Copy(m_pPath->m_arrPeerSteps);
}

void CProjectTaskDecision::CollectNextLevelSteps() {
    m_arrNextSteps.RemoveAll();
    if (!m_pPath)
        return;
    m_pPath->CollectNextLevelSteps();
    m_arrNextSteps.Copy(m_pPath->m_arrNextSteps);
}

bool CProjectTaskDecision::ReadStepStates() {
    m_arrStepNames.RemoveAll();
    m_arrStepOutcomes.RemoveAll();
    m_arrStepWorking.RemoveAll();
    CString sql;
    sql.Format("SELECT AuditName,AuditState,AuditResult,Working FROM TaskAuditManage WHERE ProjectNo='%s'",
               SqlQuote(m_strTaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            m_arrStepNames.Add(VariantToString(rs->GetCollect(0L)));
            m_arrStepOutcomes.Add(VariantToString(rs->GetCollect(1L)) + "|" + VariantToString(rs->GetCollect(2L)));
            m_arrStepWorking.Add(VariantToString(rs->GetCollect(3L)));
            rs->MoveNext();
        }
        if (theApp.m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        AfxMessageBox(kSqlFailure + sql);
        return false;
    }
    return true;
}

CProjectTaskDecision::Action CProjectTaskDecision::DecideNextAction() {
    return static_cast<Action>(CheckPeerStepRows(m_arrWaitSteps, !m_arrNextSteps.IsEmpty(), m_arrStepNames,
                                                 m_arrStepOutcomes, m_arrStepWorking, m_strBlockingStep));
}

bool CProjectTaskDecision::OpenNextLevel() {
    const CString today = LocalDate();
    for (const CString& name : m_arrNextSteps) {
        const CString auditor = m_pPath->AuditorOfStep(name);
        CString upper = name;
        upper.MakeUpper();
        const bool group = upper.Find("[M]") >= 0;
        const CString stored = StoredStepName(name);
        CString sql;
        sql.Format("DELETE FROM TaskAuditManage WHERE ProjectNo='%s' AND AuditName='%s'", SqlQuote(m_strTaskNo),
                   SqlQuote(stored));
        if (!theApp.ExecuteSql(sql))
            return false;
        sql.Format("INSERT INTO TaskAuditManage (ProjectNo, AuditName, Auditor, BeginTime, FinishTime, AuditState, "
                   "AuditResult, AuditRemark, Working, RedlineFiles, AuditManager) VALUES('%s', '%s', '%s', '%s', "
                   "NULL, '未完成', NULL, NULL, 'F', NULL, '%s')",
                   SqlQuote(m_strTaskNo), SqlQuote(stored), SqlQuote(auditor), SqlQuote(today), SqlQuote(auditor));
        if (!theApp.ExecuteSql(sql))
            return false;
        if (group) {
            sql.Format("DELETE FROM TaskGroupAuditManage WHERE ProjectNo='%s' AND AuditTask='%s'",
                       SqlQuote(m_strTaskNo), SqlQuote(stored));
            if (!theApp.ExecuteSql(sql))
                return false;
            sql.Format("INSERT INTO TaskGroupAuditManage (ProjectNo, AuditTask, Auditor, State) VALUES('%s', '%s', "
                       "'%s', '未完成')",
                       SqlQuote(m_strTaskNo), SqlQuote(stored), SqlQuote(auditor));
            if (!theApp.ExecuteSql(sql))
                return false;
        }
        if (!auditor.IsEmpty()) {
            CString text;
            text.Format("辛苦了， 需要您对任务 %s[%s] 进行 %s", m_strTaskName, m_strTaskNo, name);
            if (!Notify(auditor, text))
                return false;
        }
    }
    return true;
}

bool CProjectTaskDecision::FinishTask(const CString& state) {
    const bool archive = state == kArchived;
    CString sql;
    if (archive)
        sql.Format("UPDATE ProjectManage SET WorkState='%s', FinishedTime='%s' WHERE ProjectNo='%s'", SqlQuote(state),
                   SqlQuote(LocalDate()), SqlQuote(m_strTaskNo));
    else
        sql.Format("UPDATE ProjectManage SET WorkState='%s' WHERE ProjectNo='%s'", SqlQuote(state),
                   SqlQuote(m_strTaskNo));
    if (!theApp.ExecuteSql(sql))
        return false;
    m_strNewTaskState = state;
    CString text;
    if (archive) {
        sql.Format("INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType) "
                   "VALUES('%s', '%s', '%s', '%s', '评审结束')",
                   SqlQuote(m_strTaskNo), SqlQuote(m_strTaskName), SqlQuote(m_strLoginUser),
                   SqlQuote(theApp.GetServerDateTime()));
        if (!theApp.ExecuteSql(sql))
            return false;
        text.Format("恭喜您，您所负责的任务 %s[%s] 已评审通过", m_strTaskName, m_strTaskNo);
    } else {
        text.Format("对不起，您所负责的任务 %s[%s] 未评审通过，需要再设计", m_strTaskName, m_strTaskNo);
    }
    if (!m_strTaskManager.IsEmpty() && !Notify(m_strTaskManager, text))
        return false;
    return true;
}

bool CProjectTaskDecision::SaveFileResults() {
    CString sql;
    sql.Format("DELETE FROM TaskFileResult WHERE ProjectNo='%s' AND AuditName='%s'", SqlQuote(m_strTaskNo),
               SqlQuote(m_strStepName));
    if (!theApp.ExecuteSql(sql))
        return false;
    for (const CString& type : m_arrDocumentTypes) {
        if (!Contains(m_arrPassedTypes, type))
            continue;
        sql.Format("INSERT INTO TaskFileResult (ProjectNo, AuditName, Auditor, DocumentType) VALUES('%s', '%s', "
                   "'%s', '%s')",
                   SqlQuote(m_strTaskNo), SqlQuote(m_strStepName), SqlQuote(m_strReviewer), SqlQuote(type));
        if (!theApp.ExecuteSql(sql))
            return false;
    }
    return true;
}

// The opinion and the remark are written with the row itself: looking the row up again by its
// time could find another row of the same second (the "评审结束" row of an archived task).
bool CProjectTaskDecision::WriteTaskLog(const CString& resultText) {
    CString files;
    for (int i = 0; i < m_arrPassedTypes.GetSize(); ++i)
        files += (i ? "||" : "") + m_arrPassedTypes[i];
    CString sql;
    sql.Format("INSERT INTO TaskLogInformation (ProjectNo, ProjectName, UserName, SavedTime, WorkType, Result, "
               "FileList, TaskName, Advise, Remark) VALUES('%s', '%s', '%s', '%s', '任务评审', '%s', '%s', '%s', "
               "'%s', '%s')",
               SqlQuote(m_strTaskNo), SqlQuote(m_strTaskName), SqlQuote(m_strLoginUser),
               SqlQuote(theApp.GetServerDateTime()), SqlQuote(resultText), SqlQuote(files), SqlQuote(m_strStepName),
               SqlQuote(m_strOpinionText), SqlQuote(m_strRemark));
    return theApp.ExecuteSql(sql) != 0;
}

bool CProjectTaskDecision::Notify(const CString& receiver, const CString& text) {
    if (!WriteUserNoticeRow(receiver, text))
        return false;
    m_notices.emplace_back(receiver, text);
    return true;
}

void CProjectTaskDecision::SendPendingNotices() {
    for (const auto& [receiver, text] : m_notices)
        theApp.NotifyMessageServer(receiver, text);
    m_notices.clear();
}
