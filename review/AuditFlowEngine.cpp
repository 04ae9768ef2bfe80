#include "review/AuditFlowEngine.h"

#include "core/ComError.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/com/ProcessPlanningUtility.h"
#include "platform/db/SqlText.h"
#include "review/AuditFlowList.h"
#include "teamwork/ECOAuditLevel.h"

#include <initializer_list>

namespace {

constexpr const char* kSettingsSection = "设计过程管理配置";
constexpr const char* kUnderReview = "评审";
constexpr const char* kReleased = "正式";
constexpr const char* kBadStatementText = "执行出错的SQL语句,(请检查表、字段是否存在，或字段类型是否匹配)：\n";
constexpr const char* kCheckSchemaText = "请检查数据库结构是否已更新...";

// Reads every row of a statement into parallel arrays (one per column); false after the error
// was shown.
bool ReadRows(const _ConnectionPtr& connection, int closeMode, const CString& sql,
              std::initializer_list<CStringArray*> columns) {
    for (CStringArray* column : columns)
        column->RemoveAll();
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            long index = 0;
            for (CStringArray* column : columns)
                column->Add(VariantToString(rs->GetCollect(index++)));
            rs->MoveNext();
        }
        if (closeMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

// The step is marked "[M]" in the path: its row stores the group of its auditors.
bool IsGroupStep(const CAuditPath& path, const CString& step) {
    for (int i = 0; i < path.GetCount(); ++i) {
        CString name = path.GetItem(i)->m_strTaskName;
        if (StoredStepName(name).CompareNoCase(step) != 0)
            continue;
        name.MakeUpper();
        if (name.Find("[M]") >= 0)
            return true;
    }
    return false;
}

bool IsFinishedAssist(const CString& state) {
    return state == "已完成" || state == "完成";
}

// Marks an engine as deciding while it lives: what the decision says is kept until then.
struct Deciding {
    bool& flag;
    Deciding(bool& f, unsigned long& failuresBefore) : flag(f) {
        flag = true;
        failuresBefore = ReportedDbFailureCount();
    }
    ~Deciding() { flag = false; }
    Deciding(const Deciding&) = delete;
    Deciding& operator=(const Deciding&) = delete;
};

} // namespace

AuditFlowOptions CAuditFlowEngine::OpinionDialogOptions(bool several) {
    AuditFlowOptions options;
    options.joinStoredPrompt = several ? 1 : 0;
    options.collectNotices = several ? 1 : 0;
    return options;
}

AuditFlowOptions CAuditFlowEngine::DesignDocDialogOptions() {
    AuditFlowOptions options;
    options.requireNextAuditor = 0;
    options.noticeTimeWithSeconds = 1;
    options.linkProcessPlanning = 0;
    options.clearReturnRecordOnAdvance = 1;
    options.quietReturnToStep = 1;
    return options;
}

CAuditFlowEngine::CAuditFlowEngine(const AuditFlowOptions& options)
    : m_options(options), m_pConnPDM(theApp.m_pConnPDM), m_nDatabaseType(theApp.m_nDatabaseType),
      m_nAdoCloseMode(theApp.m_nAdoCloseMode), m_strLogin(theApp.m_strLoginUser) {}

CAuditFlowEngine::~CAuditFlowEngine() = default;

int CAuditFlowEngine::ExecuteSql(const CString& sql) {
    return theApp.ExecuteSql(sql);
}

CString CAuditFlowEngine::Now(bool seconds) const {
    return CTime::GetCurrentTime().Format(seconds ? "%Y-%m-%d %H:%M:%S" : "%Y-%m-%d %H:%M");
}

// ---------------------------------------------------------------------------------------------
// Loading

int CAuditFlowEngine::ReadDocumentInfo() {
    CString sql;
    sql.Format("SELECT FilePrompt, FileName, FileSize FROM TeamWorkResult WHERE FileID='%s'",
               SqlQuote(m_strFileID));
    CStringArray prompt, name, size;
    if (!ReadRows(m_pConnPDM, m_nAdoCloseMode, sql, {&prompt, &name, &size}) || prompt.GetSize() == 0)
        return 0;
    m_strFilePrompt = prompt[0];
    m_strFileName = name[0];
    m_strFileSize = size[0];
    return 1;
}

int CAuditFlowEngine::ReadDocumentRecord() {
    CString sql;
    sql.Format("SELECT WorkID, State, AuditingModel, AuditorName, FileName FROM TeamWorkResult WHERE FileID='%s'",
               SqlQuote(m_strFileID));
    CStringArray work, state, model, auditors, name;
    if (!ReadRows(m_pConnPDM, m_nAdoCloseMode, sql, {&work, &state, &model, &auditors, &name}) ||
        work.GetSize() == 0)
        return 0;
    m_strWorkID = work[0];
    m_strDocState = state[0];
    m_strAuditingModel = model[0];
    m_strAuditorName = auditors[0];
    m_strFileName = name[0];
    return 1;
}

int CAuditFlowEngine::ReadAuditPath() {
    CString sql;
    sql.Format("SELECT AuditingStyle,AuditingPath FROM AuditingManage WHERE AuditingModel='%s'",
               SqlQuote(m_strAuditingModel));
    CStringArray style, path;
    m_strAuditingStyle.Empty();
    m_strAuditingPath.Empty();
    if (!ReadRows(m_pConnPDM, m_nAdoCloseMode, sql, {&style, &path}) || style.GetSize() == 0)
        return 0;
    m_strAuditingStyle = style[0];
    m_strAuditingPath = path[0];
    return 1;
}

void CAuditFlowEngine::BuildPath() {
    m_path.Load(m_strAuditingStyle, m_strAuditingPath, m_strAuditorName, m_strAuditTask);
}

int CAuditFlowEngine::LoadDocument() {
    const unsigned long failures = ReportedDbFailureCount();
    if (!ReadDocumentInfo()) {
        // A database that cannot be read (a disk error, locked, lost) has been said as what it is.
        if (!NoWriteFailureReportedSince(failures))
            AfxMessageBox("无法正确读取设计文档信息...");
        return 0;
    }
    ReadDocumentRecord();
    ReadAuditPath();
    BuildPath();
    if (m_strReadStep != ReadStepKey()) {
        CString state, result, prompt;
        ReadStepRow(state, result, prompt);
    }
    if (m_strWorkManager.IsEmpty() && m_strProjectManager.IsEmpty())
        ReadWorkManagers();
    return 1;
}

void CAuditFlowEngine::ReadWorkManagers() {
    CString sql;
    sql.Format("SELECT Manager FROM TeamWorkManage WHERE WorkID='%s'", SqlQuote(m_strWorkID));
    m_strWorkManager = theApp.GetSqlString(sql);
    sql.Format("SELECT ProjectManager FROM ProjectManage WHERE ProjectNo IN (SELECT TaskNo FROM TeamWorkManage "
               "WHERE WorkID='%s')",
               SqlQuote(m_strWorkID));
    m_strProjectManager = theApp.GetSqlString(sql);
}

int CAuditFlowEngine::ReadStepRow(CString& state, CString& result, CString& prompt) {
    CString sql;
    if (m_bAssistAudit)
        sql.Format("SELECT State, Result, Prompt, Auditor FROM TeamWorkNextAudit WHERE FileID='%s' AND "
                   "AuditTask='%s'",
                   SqlQuote(m_strFileID), SqlQuote(m_strAuditTask));
    else
        sql.Format(
            "SELECT State, Result, Prompt, Auditor FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'",
            SqlQuote(m_strFileID), SqlQuote(m_strAuditTask));
    CStringArray states, results, prompts, auditors;
    if (!ReadRows(m_pConnPDM, m_nAdoCloseMode, sql, {&states, &results, &prompts, &auditors}) ||
        states.GetSize() == 0)
        return 0;
    state = states[0];
    result = results[0];
    prompt = prompts[0];
    m_strReadAuditor = auditors[0];
    m_strReadAuditor.Trim();
    m_strReadStep = ReadStepKey();
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Helpers

CString CAuditFlowEngine::AssistParentStep(const CString& assistTask) {
    const int bracket = assistTask.Find('[');
    if (bracket > 0)
        return assistTask.Left(bracket) + "[N]";
    return assistTask;
}

bool CAuditFlowEngine::IsChangeTaskDocument() const {
    return theApp.m_nUseChangeTask != 0 && m_strWorkID.Find("[M]#001") > 0;
}

bool CAuditFlowEngine::CanAskReturnToStep() const {
    return m_path.m_arrLowerSteps.GetSize() > 0 && theApp.m_nUseChangeTask == 0 &&
           m_strWorkID.Find("[M]#001") > 0;
}

bool CAuditFlowEngine::StepRowExists() {
    if (m_bStepRowTaken)
        return true;
    CString sql;
    sql.Format("SELECT count(*) FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'",
               SqlQuote(m_strFileID), SqlQuote(m_strAuditTask));
    return theApp.GetSqlInt(sql) >= 1;
}

CString CAuditFlowEngine::StoredOpinion() {
    if (!m_options.joinStoredPrompt)
        return m_strOpinion;
    CString present = m_strTakenPrompt;
    if (!m_bStepRowTaken) {
        CString sql;
        sql.Format("SELECT Prompt FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'",
                   SqlQuote(m_strFileID), SqlQuote(m_strAuditTask));
        present = theApp.GetSqlString(sql);
    }
    if (present.IsEmpty())
        return m_strOpinion;
    return present + " ;  \n 集中评审意见:" + m_strOpinion;
}

int CAuditFlowEngine::WriteNotice(const CString& receiver, const CString& text, bool seconds) {
    if (receiver.IsEmpty())
        return 1;
    const CTime now = CTime::GetCurrentTime();
    CString sql;
    sql.Format("INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
               "ReadFlag) VALUES('系统', '%s', '%s', '%s', '%s', '系统工作消息', '%s', 'N')",
               SqlQuote(receiver),
               SqlQuote(now.Format(seconds || m_options.noticeTimeWithSeconds ? "%Y-%m-%d %H:%M:%S"
                                                                               : "%Y-%m-%d %H:%M")),
               SqlQuote(now.Format("%Y-%m-%d")), SqlQuote(theApp.m_strHostIP), SqlQuote(text));
    if (!ExecuteSql(sql))
        return 0;
    m_pending.push_back({receiver, text});
    return 1;
}

void CAuditFlowEngine::SendPendingNotifications() {
    for (const PendingNotice& notice : m_pending) {
        if (notice.receiver.IsEmpty())
            AfxMessageBox(notice.text); // a message kept until the decision was committed
        else
            theApp.NotifyMessageServer(notice.receiver, notice.text);
    }
    m_pending.clear();
}

// ---------------------------------------------------------------------------------------------
// Deciding

int CAuditFlowEngine::LockDocument() {
    // Taking the document row first makes a second decision on the same document wait until
    // this one is committed; its reads then see this decision. On a server the write that takes
    // the row gives its state back in the same statement: one round trip instead of two (the
    // SQLite driver gives no rows back from a write).
    CString sql;
    sql.Format("UPDATE TeamWorkResult SET State=State WHERE FileID='%s'", SqlQuote(m_strFileID));
    if (m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL) {
        sql += " RETURNING State";
    } else {
        if (!ExecuteSql(sql))
            return 0;
        sql.Format("SELECT State FROM TeamWorkResult WHERE FileID='%s'", SqlQuote(m_strFileID));
    }
    CStringArray state;
    if (!ReadRows(m_pConnPDM, m_nAdoCloseMode, sql, {&state}))
        return 0;
    if (state.GetSize() == 0) {
        Say("无法正确读取设计文档信息...");
        return 0;
    }
    m_strDocState = state[0];
    if (m_strDocState != kUnderReview) {
        Say("该工作文档不在评审中，不能保存评审结果...");
        return 0;
    }
    return 1;
}

CString CAuditFlowEngine::ReadStepKey() const {
    return CString(m_bAssistAudit ? "TeamWorkNextAudit" : "TeamWorkAudit") + "\n" + m_strFileID + "\n" +
           m_strAuditTask;
}

std::function<void()> CAuditFlowEngine::s_beforeNextDecision;

void CAuditFlowEngine::RunBeforeDecision() {
    std::function<void()> write;
    write.swap(s_beforeNextDecision);
    if (write)
        write();
}

int CAuditFlowEngine::CheckStep() {
    m_said.clear();
    m_bStepChanged = false;
    int ours = 0;
    {
        const Deciding deciding(m_bDeciding, m_failuresBefore);
        ours = CheckStepUnderLock(false);
    }
    SayKept();
    return ours;
}

int CAuditFlowEngine::CheckStepUnderLock(bool takeRow) {
    // The step's row is taken first: a client that writes it without the flow's lock (a hand-over
    // by another program) waits until this decision has ended, or has committed before it is read.
    CString where;
    if (m_bAssistAudit)
        where.Format(
            "TeamWorkNextAudit SET State=State WHERE FileID='%s' AND UpAuditName='%s' AND AuditTask='%s'",
            SqlQuote(m_strFileID), SqlQuote(AssistParentStep(m_strAuditTask)), SqlQuote(m_strAuditTask));
    else
        where.Format("TeamWorkAudit SET State=State WHERE FileID='%s' AND AuditTask='%s'",
                     SqlQuote(m_strFileID), SqlQuote(m_strAuditTask));
    m_bStepRowTaken = false;
    m_strTakenPrompt.Empty();
    // On a server the write gives the row back in the same statement, as LockDocument's does.
    const bool returning = takeRow && m_pConnPDM->GetEngine() == vq::db::Engine::PostgreSQL;
    if (takeRow && !returning && !ExecuteSql("UPDATE " + where))
        return 0;
    CString sql;
    if (returning)
        sql = "UPDATE " + where +
              (m_bAssistAudit ? " RETURNING State, Auditor, Auditor, Prompt"
                              : " RETURNING State, Auditor, Manager, Prompt");
    else if (m_bAssistAudit)
        sql.Format("SELECT State, Auditor, Auditor, Prompt FROM TeamWorkNextAudit WHERE FileID='%s' AND "
                   "UpAuditName='%s' AND "
                   "AuditTask='%s'",
                   SqlQuote(m_strFileID), SqlQuote(AssistParentStep(m_strAuditTask)),
                   SqlQuote(m_strAuditTask));
    else
        sql.Format("SELECT State, Auditor, Manager, Prompt FROM TeamWorkAudit WHERE FileID='%s' AND "
                   "AuditTask='%s'",
                   SqlQuote(m_strFileID), SqlQuote(m_strAuditTask));
    CStringArray states, auditors, deciders, prompts;
    if (!ReadRows(m_pConnPDM, m_nAdoCloseMode, sql, {&states, &auditors, &deciders, &prompts}))
        return 0;
    if (states.GetSize() == 0)
        return 1;
    if (takeRow && !m_bAssistAudit) {
        m_bStepRowTaken = true;
        m_strTakenPrompt = prompts[0];
    }
    CString state = states[0], auditor = auditors[0], decider = deciders[0];
    state.Trim();
    auditor.Trim();
    decider.Trim();
    const bool finished = m_bAssistAudit ? IsFinishedAssist(state) : state == "已完成";
    if (finished) {
        m_bStepChanged = true;
        CString text = "该评审任务已完成，不能保存评审结果...";
        if (!decider.IsEmpty())
            text.Format("该评审任务已被%s评审，不能保存评审结果...", CString(vq::VisibleText(decider.str())));
        Say(text);
        return 0;
    }
    // The step is still the reviewer's: he is its auditor; a delegate acts for the auditor the
    // window read; a step of mixed auditors ("[M]") stores its group, which a member decides while
    // it has the group the window read.
    const bool readThisStep = m_strReadStep == ReadStepKey();
    const bool asRead = readThisStep && auditor.CompareNoCase(m_strReadAuditor) == 0;
    bool ours = auditor.CompareNoCase(m_strLogin) == 0;
    if (m_bConsigned && !m_bAssistAudit)
        ours = asRead || !readThisStep;
    else if (!ours && !m_bAssistAudit && IsGroupStep(m_path, m_strAuditTask))
        ours = asRead;
    if (ours)
        return 1;
    m_bStepChanged = true;
    CString text = "该评审任务的负责人已被更换，不能保存评审结果...";
    if (!auditor.IsEmpty())
        text.Format("该评审任务的负责人已被更换为%s，不能保存评审结果...",
                    CString(vq::VisibleText(auditor.str())));
    Say(text);
    return 0;
}

int CAuditFlowEngine::ApplyAuditResult() {
    if (!m_path.m_bValidPath) {
        if (m_options.reportInvalidPath)
            AfxMessageBox("无评审路径或缺负责人，为无效路径!");
        return 0;
    }
    if (m_path.m_nCurrentLevel < 0) {
        if (m_options.reportInvalidPath)
            AfxMessageBox("该评审任务不存在，为无效路径!");
        return 0;
    }
    CWaitCursor wait;
    m_pending.clear();
    m_said.clear();
    m_bStepChanged = false;
    RunBeforeDecision();
    int stored = 0;
    {
        // What the decision has to say waits until its transaction has ended: a box shown with
        // the document's row locked would keep every other client waiting (on SQLite the whole
        // database) until the reviewer answers it.
        const Deciding deciding(m_bDeciding, m_failuresBefore);
        stored = StoreInTransaction();
    }
    if (stored)
        SendPendingNotifications();
    else
        m_pending.clear();
    SayKept();
    return stored;
}

void CAuditFlowEngine::SayKept() {
    std::vector<CString> said;
    said.swap(m_said);
    for (const CString& text : said)
        AfxMessageBox(text);
}

CString CAuditFlowEngine::FlowLockName() const {
    // The documents of a change task advance their levels together: one decision on any of them
    // at a time. Any other document is a flow of its own.
    if (!IsChangeTaskDocument())
        return DocumentLockName(m_strFileID);
    CString name = "ECOAuditLevel:" + m_strWorkID;
    name.MakeUpper();
    return name;
}

CString CAuditFlowEngine::DocumentLockName(const CString& fileId) {
    CString name = "TeamWorkResult:" + fileId;
    name.MakeUpper();
    return name;
}

int CAuditFlowEngine::StoreInTransaction() {
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return 0;
    // Everything that decides is read after the flow's lock: a decision taken at the same moment
    // as this one has been committed by then, or waits until this one is. The lock is asked with
    // the document's row lock, LockDocument's first statement.
    if (!transaction.Lock(FlowLockName(), true) || !LockDocument() || !CheckStepUnderLock(true))
        return 0;
    if (m_nResult == kFail && m_bReturnToStep && !WriteReturnRecord())
        return 0;
    if (!StoreDecision())
        return 0;
    if (m_nResult == kPass) {
        if (!DriveAuditFlow())
            return 0;
    } else {
        CString state = "更改";
        if (m_bReassign)
            state = "待评审";
        if (m_bReturnToStep)
            state = kUnderReview;
        if (!FinishAudit(state))
            return 0;
    }
    if (!WriteAuditLog())
        return 0;
    return transaction.Commit() ? 1 : 0;
}

void CAuditFlowEngine::Say(const CString& text) {
    // A database that takes no writes (read-only, full, locked, lost) has been said in one box
    // with what was stored: that a step of the decision failed adds nothing to it.
    if (m_bDeciding && NoWriteFailureReportedSince(m_failuresBefore))
        return;
    if (m_bDeciding)
        m_said.push_back(text);
    else
        AfxMessageBox(text);
}

int CAuditFlowEngine::StoreDecision() {
    const CString result = m_nResult == kPass ? "通过" : "不通过";
    const CString now = theApp.GetServerDateTime();
    if (now.IsEmpty())
        return 0;
    CString sql;
    CString auditor = m_strLogin;
    if (m_bConsigned) {
        sql.Format("SELECT Auditor FROM TeamworkAudit WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(m_strFileID),
                   SqlQuote(m_strAuditTask));
        auditor = theApp.GetSqlString(sql);
        sql.Format("SELECT count(*) FROM UserInformation WHERE UserLogName = '%s'", SqlQuote(auditor));
        if (theApp.GetSqlInt(sql) < 1)
            auditor = m_strLogin;
    }
    m_strStoredOpinion = StoredOpinion();

    const CString rowQuery =
        "SELECT FinishDate, State, Result, Prompt, Manager FROM TeamWorkAudit WHERE FileID='" +
        SqlQuote(m_strFileID) + "' AND AuditTask='" + SqlQuote(m_strAuditTask) + "'";
    // A missing row is a failed statement; a lost connection has been said as what it is.
    if (!StepRowExists()) {
        if (!theApp.m_bConnectionLost)
            Say(kBadStatementText + rowQuery);
        return 0;
    }
    sql.Format("UPDATE TeamWorkAudit SET FinishDate='%s', State='已完成', Result='%s', Prompt='%s', Manager='%s' "
               "WHERE FileID='%s' AND AuditTask='%s'",
               SqlQuote(now), SqlQuote(result), SqlQuote(m_strStoredOpinion), SqlQuote(auditor),
               SqlQuote(m_strFileID), SqlQuote(m_strAuditTask));
    if (!ExecuteSql(sql))
        return 0;
    if (m_onStepStored)
        m_onStepStored();

    if (m_bConsigned) {
        sql.Format("INSERT INTO AuditConsignHistory (OPERATOR, AUDITCONSIGNER, WORKID, FILEID, AUDITNAME, "
                   "AUDITRESULT, AUDITOPTION, AUDITTIME)  VALUES ( '%s', '%s', '%s', '%s', '%s', '%s', '%s', '%s')",
                   SqlQuote(auditor), SqlQuote(m_strLogin), SqlQuote(m_strWorkID), SqlQuote(m_strFileID),
                   SqlQuote(m_strAuditTask), SqlQuote(result), SqlQuote(m_strOpinion), SqlQuote(now));
        if (!ExecuteSql(sql)) {
            Say("插入评审委托记录时, 数据库发生异常...");
            return 0;
        }
    }
    if (ReadSettingInt(kSettingsSection, "使用混合评审负责人", "0") != 0) {
        sql.Format("UPDATE TeamWorkGroupAudit SET State='已完成' WHERE FileID='%s' AND AuditTask='%s'",
                   SqlQuote(m_strFileID), SqlQuote(m_strAuditTask));
        if (!ExecuteSql(sql))
            return 0;
    }
    if (m_bReturnToStep) {
        sql.Format("UPDATE TeamWorkGroupAudit SET State='未完成' WHERE FileID='%s' AND AuditTask='%s'",
                   SqlQuote(m_strFileID), SqlQuote(StoredStepName(m_strReturnStep)));
        if (!ExecuteSql(sql))
            return 0;
    }
    return 1;
}

int CAuditFlowEngine::WriteReturnRecord() {
    CString sql;
    sql.Format("DELETE FROM TeamWorkAuditChange WHERE FileID='%s' AND TaskGroup='Task'", SqlQuote(m_strFileID));
    if (!ExecuteSql(sql)) {
        Say(kCheckSchemaText); // the statement has been shown with its cause
        return 0;
    }
    const CString savedTime = m_strReturnTime.IsEmpty() ? Now(false) : m_strReturnTime;
    sql.Format("INSERT INTO TeamWorkAuditChange (FileID, TaskGroup, PreAuditName, PreAuditor, LevelType, "
               "CurrentAudit, CurrentAuditor, SavedTime) VALUES('%s', 'Task', '%s', '%s', '%s', '%s', '%s', '%s')",
               SqlQuote(m_strFileID), SqlQuote(StoredStepName(m_strReturnStep)),
               SqlQuote(m_strReturnStepAuditor), SqlQuote(m_strReturnLevelType), SqlQuote(m_strAuditTask),
               SqlQuote(m_strLogin), SqlQuote(savedTime));
    if (!ExecuteSql(sql)) {
        Say(kCheckSchemaText); // the statement has been shown with its cause
        return 0;
    }
    return ReturnToEarlierStep(m_strReturnStep, m_strReturnLevelType);
}

int CAuditFlowEngine::ReturnToEarlierStep(const CString& stepName, const CString& levelType) {
    if (!m_path.IsMixed())
        return 1;
    const AuditPathItem* chosen = nullptr;
    for (int i = 0; i < m_path.GetCount() && !chosen; ++i) {
        if (m_path.GetItem(i)->m_strTaskName.CompareNoCase(stepName) == 0)
            chosen = m_path.GetItem(i);
    }
    if (!chosen || chosen->m_nLevel < 0)
        return 1;
    const int level = chosen->m_nLevel;
    const bool wholeLevel = levelType == "S";
    for (int i = 0; i < m_path.GetCount(); ++i) {
        const AuditPathItem& item = *m_path.GetItem(i);
        if (item.m_nLevel < level || item.m_nLevel >= m_path.m_nCurrentLevel)
            continue;
        if (!wholeLevel && item.m_strTaskName.CompareNoCase(stepName) != 0)
            continue;
        CString sql;
        sql.Format("UPDATE TeamWorkAudit SET Result='不通过-返', State='未完成' WHERE FileID='%s' AND AuditTask='%s'",
                   SqlQuote(m_strFileID), SqlQuote(StoredStepName(item.m_strTaskName)));
        if (!ExecuteSql(sql))
            return 0; // the statement has been shown with its cause
    }
    return 1;
}

int CAuditFlowEngine::DriveAuditFlow() {
    m_path.CollectPeerSteps();
    m_path.CollectNextLevelSteps();
    if (!ReadAuditStepTable())
        return 0;
    const int next = CheckPeerSteps();
    if (next == 0)
        return 1;
    if (next == 1 && !StartNextLevel())
        return 0;
    if (next == 2 && !FinishAudit(kReleased))
        return 0;
    if (m_options.clearReturnRecordOnAdvance) {
        CString sql;
        sql.Format("DELETE FROM TeamWorkAuditChange WHERE FileID='%s' AND TaskGroup='Task'", SqlQuote(m_strFileID));
        if (!ExecuteSql(sql)) {
            Say(kCheckSchemaText); // the statement has been shown with its cause
            return 0;
        }
    }
    return 1;
}

int CAuditFlowEngine::ReadAuditStepTable() {
    CString sql;
    sql.Format("SELECT AuditTask, State, Result, Working FROM TeamWorkAudit WHERE FileID='%s'", SqlQuote(m_strFileID));
    CStringArray states, results;
    if (!ReadRows(m_pConnPDM, m_nAdoCloseMode, sql, {&m_arrStepNames, &states, &results, &m_arrStepWorking}))
        return 0;
    m_arrStepStates.RemoveAll();
    for (int i = 0; i < states.GetSize(); ++i)
        m_arrStepStates.Add(states[i] + "|" + results[i]);
    return 1;
}

int CAuditFlowEngine::CheckPeerSteps() {
    CString held;
    const int next = CheckPeerStepRows(m_path.m_arrPeerSteps, m_path.m_arrNextSteps.GetSize() > 0, m_arrStepNames,
                                       m_arrStepStates, m_arrStepWorking, held);
    // The own decision is stored; the last decision of the level moves the document on.
    if (!held.IsEmpty())
        Say("同组的 " + held + " 正在评审，请稍后再进行!");
    return next;
}

int CAuditFlowEngine::StartNextLevel() {
    const bool changeTask = IsChangeTaskDocument();
    for (int n = 0; n < m_path.m_arrNextSteps.GetSize(); ++n) {
        const CString name = m_path.m_arrNextSteps[n];
        CString auditor;
        for (int i = 0; i < m_path.GetCount() && auditor.IsEmpty(); ++i) {
            const AuditPathItem& item = *m_path.GetItem(i);
            if (item.m_strTaskName.CompareNoCase(name) == 0)
                auditor = item.m_strAuditor;
        }
        CString upper = name;
        upper.MakeUpper();
        const bool groupStep = upper.Find("[M]") >= 0;
        const CString stored = StoredStepName(name);
        if (auditor.IsEmpty() && m_options.requireNextAuditor) {
            Say("没有设置下级评审负责人，不能到下级评审...");
            return 0;
        }
        const CString state = changeTask ? "等待" : "未完成";
        CString sql;
        sql.Format("DELETE FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(m_strFileID),
                   SqlQuote(stored));
        if (!ExecuteSql(sql))
            return 0;
        sql.Format("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Manager) VALUES('%s', "
                   "'%s', '%s', '%s', '%s', '%s')",
                   SqlQuote(m_strFileID), SqlQuote(stored), SqlQuote(auditor), SqlQuote(Now(false)),
                   SqlQuote(state), SqlQuote(auditor));
        if (!ExecuteSql(sql))
            return 0;
        if (groupStep) {
            sql.Format("DELETE FROM TeamWorkGroupAudit WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(m_strFileID),
                       SqlQuote(stored));
            if (!ExecuteSql(sql))
                return 0;
            sql.Format("INSERT INTO TeamWorkGroupAudit (FileID, AuditTask, Auditor, State) VALUES('%s', '%s', '%s', "
                       "'%s')",
                       SqlQuote(m_strFileID), SqlQuote(stored), SqlQuote(auditor), SqlQuote(state));
            if (!ExecuteSql(sql))
                return 0;
        }
        if (changeTask) {
            CECOAuditLevel levels(&m_changeTask);
            const int levelIndex = levels.GetAuditorIndex(m_strAuditingPath, stored);
            if (!levels.AdvanceFileLevel(m_strWorkID, m_strFileID, 1)) {
                if (!theApp.m_bConnectionLost)
                    Say("改变评审流程级别时, 发生异常...");
                return 0;
            }
            if (!levels.ResetWaitingAudits(levelIndex, m_strWorkID, groupStep ? 1 : 0)) {
                Say("驱动评审流程时, 发生异常...");
                return 0;
            }
        }
        if (m_options.collectNotices && m_pNotices) {
            m_pNotices->AddStep(auditor, AuditNoticeItem::NextAuditor, name, "");
        } else {
            CString text;
            text.Format("辛苦了， 需要您对工作文档 %s [%s] 进行 %s", m_strFilePrompt, m_strFileID, name);
            if (!WriteNotice(auditor, text, false))
                return 0;
        }
    }
    return 1;
}

int CAuditFlowEngine::FinishAudit(const CString& state) {
    const bool changeTask = IsChangeTaskDocument();
    const CString finalState = state == kReleased && changeTask ? "等待正式" : state;
    CString sql;
    sql.Format("UPDATE TeamWorkResult SET State='%s' WHERE FileID='%s'", SqlQuote(finalState), SqlQuote(m_strFileID));
    if (!ExecuteSql(sql))
        return 0;
    m_strDocState = state;
    const bool collect = m_options.collectNotices && m_pNotices;

    if (state == kReleased) {
        if (m_options.linkProcessPlanning && m_pProcessPlanning) {
            sql.Format("SELECT CFileID FROM CAPPFileIDMap WHERE PFileID = '%s'", SqlQuote(m_strFileID));
            const CString mapped = theApp.GetSqlString(sql);
            if (!mapped.IsEmpty())
                m_pProcessPlanning->SetFileState(mapped, 5);
        }
        if (collect) {
            m_pNotices->AddStep(m_strWorkManager, AuditNoticeItem::Passed, m_strAuditTask, "");
        } else {
            CString text;
            text.Format("恭喜您，您提交的工作文档： %s [%s] 在 %s 评审通过", m_strFilePrompt, m_strFileID, m_strAuditTask);
            if (!WriteNotice(m_strWorkManager, text, false))
                return 0;
        }
        if (changeTask) {
            CECOAuditLevel levels(&m_changeTask);
            levels.AdvanceFileLevel(m_strWorkID, m_strFileID, 1); // 0 also when already at the top
            if (theApp.m_bConnectionLost)
                return 0; // said once: the level's questions could only fail after it
            int current = 0, maximum = 0;
            if (!levels.GetFileLevels(m_strWorkID, m_strFileID, maximum, current)) {
                Say("获取文件当前的评审流程级别时, 发生异常...");
                return 0;
            }
            if (!levels.ResetWaitingAudits(maximum, m_strWorkID, 0)) {
                Say("驱动评审流程时, 发生异常...");
                return 0;
            }
            if (levels.CountUnfinishedFiles(m_strWorkID) == 1) {
                if (!levels.ReleaseWaitingResults(m_strWorkID))
                    return 0;
                m_pending.push_back({CString(), "恭喜全部设计更改文档通过评审！"});
            }
        }
        return 1;
    }

    if (m_options.quietReturnToStep && state.CompareNoCase(kUnderReview) == 0)
        return 1;
    if (collect) {
        m_pNotices->AddStep(m_strWorkManager, AuditNoticeItem::NotPassed, m_strAuditTask, "");
    } else {
        CString text;
        text.Format("对不起，您提交的工作文档： %s [%s] 在 %s 未评审通过，需要再修改", m_strFilePrompt, m_strFileID,
                    m_strAuditTask);
        if (!WriteNotice(m_strWorkManager, text, false))
            return 0;
    }
    if (changeTask && !RejectInChangeOrder(state))
        return 0;
    if (!m_strProjectManager.IsEmpty()) {
        const CString member = theApp.GetUserNameByLogName(m_strWorkManager);
        if (collect) {
            m_pNotices->AddStep(m_strProjectManager, AuditNoticeItem::MemberNotPassed, m_strAuditTask, member);
        } else {
            CString text;
            text.Format("您负责的工作组成员：%s 的工作文档的 %s [%s] 在 %s 未评审通过，需要再修改", member,
                        m_strFilePrompt, m_strFileID, m_strAuditTask);
            if (!WriteNotice(m_strProjectManager, text, true))
                return 0;
        }
    }
    return 1;
}

int CAuditFlowEngine::RejectInChangeOrder(const CString& state) {
    // Runs inside the decision's transaction: a failure rolls back the whole decision.
    CECOAuditLevel levels(&m_changeTask);
    if (!levels.AdvanceFileLevel(m_strWorkID, m_strFileID, 0)) {
        Say("改变评审流程级别时, 发生异常...");
        return 0;
    }
    if (!levels.RejectECOFiles(m_strWorkID, state, m_strAuditTask)) {
        Say("改变更改单状态时, 发生异常...");
        return 0;
    }
    return 1;
}

int CAuditFlowEngine::WriteAuditLog() {
    const CString result = m_nResult == kPass ? "通过" : "不通过";
    CString sql;
    sql.Format("SELECT BeginDate FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(m_strFileID),
               SqlQuote(m_strAuditTask));
    const CString beginDate = theApp.GetSqlString(sql);
    sql.Format("SELECT Auditor FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(m_strFileID),
               SqlQuote(m_strAuditTask));
    const CString userText = theApp.GetSqlString(sql) + "{" + theApp.GetUserNameByLogName(m_strLogin) + "}";
    // The opinion goes in with the row: a second log row of the same minute cannot take it.
    sql.Format("INSERT INTO TaskLogInformation (ProjectNo,TaskName,UserName,Other1,SavedTime,Result,Advise ) VALUES "
               "('%s','%s','%s','%s','%s','%s','%s')",
               SqlQuote(m_strFileID), SqlQuote(m_strAuditTask), SqlQuote(userText), SqlQuote(beginDate),
               SqlQuote(Now(false)), SqlQuote(result), SqlQuote(m_strStoredOpinion));
    return ExecuteSql(sql);
}

int CAuditFlowEngine::SaveOpinionOnly() {
    m_said.clear();
    m_bStepChanged = false;
    RunBeforeDecision();
    int stored = 0;
    {
        const Deciding deciding(m_bDeciding, m_failuresBefore);
        stored = StoreOpinionInTransaction();
    }
    SayKept();
    return stored;
}

// Decide later changes no state, but it writes the step's opinion and reviewer: it is taken under
// the same lock as a decision, so that it never lands on a step another client has decided or
// handed over, nor on a document that left review meanwhile.
int CAuditFlowEngine::StoreOpinionInTransaction() {
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return 0;
    if (!transaction.Lock(FlowLockName(), true) || !LockDocument() || !CheckStepUnderLock(true))
        return 0;
    m_strStoredOpinion = StoredOpinion();
    if (!StepRowExists()) {
        if (!theApp.m_bConnectionLost)
            Say(kBadStatementText +
                CString("SELECT FinishDate, Prompt, Manager FROM TeamWorkAudit WHERE FileID='") +
                SqlQuote(m_strFileID) + "' AND AuditTask='" + SqlQuote(m_strAuditTask) + "'");
        return 0;
    }
    CString sql;
    sql.Format("UPDATE TeamWorkAudit SET FinishDate='%s', Prompt='%s', Manager='%s' WHERE FileID='%s' AND "
               "AuditTask='%s'",
               SqlQuote(Now(false)), SqlQuote(m_strStoredOpinion), SqlQuote(m_strLogin), SqlQuote(m_strFileID),
               SqlQuote(m_strAuditTask));
    if (!ExecuteSql(sql))
        return 0;
    return transaction.Commit() ? 1 : 0;
}

int CAuditFlowEngine::SaveAssistAuditResult() {
    m_said.clear();
    m_bStepChanged = false;
    RunBeforeDecision();
    int stored = 0;
    {
        const Deciding deciding(m_bDeciding, m_failuresBefore);
        stored = StoreAssistInTransaction();
    }
    SayKept();
    return stored;
}

int CAuditFlowEngine::StoreAssistInTransaction() {
    const CString parent = AssistParentStep(m_strAuditTask);
    CSqlTransaction transaction;
    if (!transaction.IsActive())
        return 0;
    // The task is read under the document's lock, which the window that adds and deletes the
    // assisting tasks takes too: a task deleted at the same moment is gone by then (and the result
    // is refused, not written into nothing), or its deletion waits and finds it decided.
    if (!transaction.Lock(DocumentLockName(m_strFileID)))
        return 0;
    const CString where = "WHERE FileID='" + SqlQuote(m_strFileID) + "' AND UpAuditName='" +
                          SqlQuote(parent) + "' AND AuditTask='" + SqlQuote(m_strAuditTask) + "'";
    // A missing task is a failed statement; a lost connection has been said as what it is.
    if (theApp.GetSqlInt("SELECT count(*) FROM TeamWorkNextAudit " + where) < 1) {
        const CString taskQuery =
            "SELECT FinishDate, State, Result, Prompt, Auditor FROM TeamWorkNextAudit " + where;
        if (!theApp.m_bConnectionLost)
            Say(kBadStatementText + taskQuery);
        return 0;
    }
    if (!CheckStepUnderLock(true))
        return 0;
    CString sql;
    if (m_nResult == kLater) {
        sql.Format("Update TeamWorkNextAudit SET Prompt='%s', Auditor='%s', Working='F'  WHERE FileID='%s' AND "
                   "UpAuditName='%s' AND AuditTask='%s'",
                   SqlQuote(m_strOpinion), SqlQuote(m_strLogin), SqlQuote(m_strFileID), SqlQuote(parent),
                   SqlQuote(m_strAuditTask));
    } else {
        const CString result = m_nResult == kPass ? "通过" : "不通过";
        sql.Format("Update TeamWorkNextAudit SET FinishDate='%s', State='已完成', Result='%s', Prompt='%s', "
                   "Auditor='%s', Working='F'  WHERE FileID='%s' AND UpAuditName='%s' AND AuditTask='%s'",
                   SqlQuote(CTime::GetCurrentTime().Format("%Y-%m-%d")), SqlQuote(result), SqlQuote(m_strOpinion),
                   SqlQuote(m_strLogin), SqlQuote(m_strFileID), SqlQuote(parent), SqlQuote(m_strAuditTask));
    }
    if (!ExecuteSql(sql))
        return 0;
    return transaction.Commit() ? 1 : 0;
}

int CAuditFlowEngine::CheckAssistAudits(const CString& fileId, const CString& upStepName) {
    CString sql;
    sql.Format("SELECT State, Result FROM TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s'", SqlQuote(fileId),
               SqlQuote(upStepName));
    CStringArray states, results;
    if (!ReadRows(m_pConnPDM, m_nAdoCloseMode, sql, {&states, &results}))
        return 0;
    for (int i = 0; i < states.GetSize(); ++i) {
        if (!IsFinishedAssist(states[i]))
            return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Holding a step

int CAuditFlowEngine::MarkAssistWorking() {
    CString sql;
    sql.Format("UPDATE TeamWorkNextAudit SET Working='T' WHERE FileID='%s' AND UpAuditName='%s' AND AuditTask='%s'",
               SqlQuote(m_strFileID), SqlQuote(AssistParentStep(m_strAuditTask)), SqlQuote(m_strAuditTask));
    return ExecuteSql(sql);
}

int CAuditFlowEngine::ClearWorking() {
    CString sql;
    if (m_bAssistAudit)
        sql.Format("UPDATE TeamWorkNextAudit SET Working='F' WHERE FileID='%s' AND UpAuditName='%s' AND AuditTask='%s'",
                   SqlQuote(m_strFileID), SqlQuote(AssistParentStep(m_strAuditTask)), SqlQuote(m_strAuditTask));
    else
        sql.Format("UPDATE TeamWorkAudit SET Working='F' WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(m_strFileID),
                   SqlQuote(m_strAuditTask));
    // Given back as the window closes: a database that takes no writes has been said already.
    try {
        _Connection::CheckUsable(theApp.m_pConnPDM);
        theApp.m_pConnPDM->Execute(sql, nullptr, adCmdText);
        NoteWriteSucceeded();
        return 1;
    } catch (_com_error& e) {
        if (!NoWriteFailureSaid(e))
            theApp.ReportSqlError(e, sql);
    }
    return 0;
}
