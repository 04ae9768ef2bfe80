#include "review/DesignFileAuditSender.h"

#include "core/ComError.h"
#include "core/Settings.h"
#include "core/SqlTransaction.h"
#include "core/UserNotice.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/com/ProcessPlanningUtility.h"
#include "platform/db/SqlText.h"
#include "platform/maker/DBConnect.h"
#include "review/AuditFlowEngine.h"
#include "review/AuditResubmitDlg.h"
#include "review/TaskAuditFlowDlg.h"

#include <algorithm>
#include <initializer_list>
#include <memory>

namespace {

constexpr const char* kSettingsSection = "设计过程管理配置";
constexpr const char* kEcoPassMarker = "_ECO_Design_Pass";

bool IsFailedResult(const CString& result) {
    return result == "不通过" || result == "不通过-返";
}

// Reads every row of a statement into parallel arrays (one per column); false after the error.
bool ReadRows(const CString& sql, std::initializer_list<CStringArray*> columns) {
    for (CStringArray* column : columns)
        column->RemoveAll();
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, theApp.m_pConnPDM, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            long index = 0;
            for (CStringArray* column : columns)
                column->Add(VariantToString(rs->GetCollect(index++)));
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        return false;
    }
    return true;
}

} // namespace

CDesignFileAuditSender::CDesignFileAuditSender()
    : m_pConnPDM(theApp.m_pConnPDM), m_pConnCAPP(theApp.m_pConnCAPP), m_nAdoCloseMode(theApp.m_nAdoCloseMode),
      m_nDatabaseType(theApp.m_nDatabaseType), m_strLogin(theApp.m_strLoginUser) {}

void CDesignFileAuditSender::SetBatchNotice(const CString& text) {
    WriteSetting(kSettingsSection, "批量提交文档评审提示", text);
}

int CDesignFileAuditSender::ReadDocumentRow() {
    CString sql;
    sql.Format("SELECT FilePrompt, AuditingModel, AuditorName, AuditingType, State FROM TeamWorkResult WHERE "
               "FileID='%s'",
               SqlQuote(m_strFileID));
    CStringArray prompt, model, auditors, type, state;
    if (!ReadRows(sql, {&prompt, &model, &auditors, &type, &state}) || prompt.GetSize() == 0)
        return 0;
    m_strFilePrompt = prompt[0];
    m_strAuditingModel = model[0];
    m_strAuditorName = auditors[0];
    m_strAuditingType = type[0];
    m_strState = state[0];
    return 1;
}

int CDesignFileAuditSender::ReadTemplate() {
    CString sql;
    sql.Format("SELECT AuditingStyle,AuditingPath FROM AuditingManage WHERE AuditingModel='%s'",
               SqlQuote(m_strAuditingModel));
    CStringArray style, path;
    m_bTemplateFound = false;
    if (!ReadRows(sql, {&style, &path}) || style.GetSize() == 0)
        return 0;
    m_strAuditingStyle = style[0];
    m_strAuditingPath = path[0];
    m_bTemplateFound = true;
    return 1;
}

void CDesignFileAuditSender::SplitAuditors() {
    m_path.ClearAuditPath();
    m_path.m_strAuditorName = m_strAuditorName;
    m_path.SplitList();
}

void CDesignFileAuditSender::BuildPathSteps() {
    m_path.m_strAuditingStyle = m_strAuditingStyle;
    m_path.m_strAuditingPath = m_strAuditingPath;
    m_path.m_bValidPath = 1;
    m_path.BuildAuditPath();
}

int CDesignFileAuditSender::ReadAuditRows() {
    CString sql;
    sql.Format("SELECT AuditTask, Auditor, Result FROM TeamWorkAudit WHERE FileID='%s'",
               SqlQuote(m_strFileID));
    return ReadRows(sql, {&m_arrRowTasks, &m_arrRowAuditors, &m_arrRowResults}) ? 1 : 0;
}

int CDesignFileAuditSender::ReadAuditChange() {
    CString sql;
    sql.Format("SELECT PreAuditName, PreAuditor, LevelType FROM TeamWorkAuditChange WHERE FileID='%s'",
               SqlQuote(m_strFileID));
    CStringArray name, auditor, levelType;
    m_bChangeRowFound = 0;
    if (!ReadRows(sql, {&name, &auditor, &levelType}))
        return 0;
    if (name.GetSize() > 0) {
        m_bChangeRowFound = 1;
        m_strPreAuditName = name[0];
        m_strPreAuditor = auditor[0];
        m_nChangeLevelKind = levelType[0].CompareNoCase("S") == 0 ? 1 : 0;
    }
    return 1;
}

int CDesignFileAuditSender::ReadWorkTask() {
    CString sql;
    sql.Format(
        "SELECT a.WorkName, a.Manager, a.WorkID FROM TeamWorkManage a, TeamWorkResult b WHERE a.WorkID = "
        "b.WorkID AND b.FileID = '%s'",
        SqlQuote(m_strFileID));
    CStringArray name, manager, work;
    if (!ReadRows(sql, {&name, &manager, &work}) || name.GetSize() == 0)
        return 0;
    m_strWorkName = name[0];
    m_strManager = manager[0];
    m_strWorkID = work[0];
    return 1;
}

void CDesignFileAuditSender::PickFirstSteps() {
    m_path.CollectFirstLevelSteps(m_arrStartNames, m_arrStartAuditors);
}

bool CDesignFileAuditSender::PickRestartSteps() {
    m_arrStartNames.RemoveAll();
    m_arrStartAuditors.RemoveAll();
    m_arrFailedSteps.clear();
    bool anyFailedRow = false;
    for (int i = 0; i < m_arrRowResults.GetSize(); ++i)
        anyFailedRow = anyFailedRow || IsFailedResult(m_arrRowResults[i]);
    if (!anyFailedRow) {
        Say("任务状态与评审流程的状态不符，请与系统管理员联系!");
        return false;
    }
    for (int p = 0; p < m_path.GetCount(); ++p) {
        const AuditPathItem& step = *m_path.GetItem(p);
        const CString stored = StoredStepName(step.m_strTaskName);
        for (int r = 0; r < m_arrRowTasks.GetSize(); ++r) {
            if (StoredStepName(m_arrRowTasks[r]).CompareNoCase(stored) != 0 ||
                !IsFailedResult(m_arrRowResults[r]))
                continue;
            m_arrFailedSteps.push_back(
                {step.m_strTaskName, step.m_strAuditor, m_arrRowResults[r], step.m_nLevel});
            break;
        }
    }
    // Lowest level first; among equal levels the path order stays.
    std::stable_sort(
        m_arrFailedSteps.begin(), m_arrFailedSteps.end(),
        [](const AuditStepRecord& a, const AuditStepRecord& b) { return a.m_nLevel < b.m_nLevel; });
    if (m_arrFailedSteps.empty()) {
        if (m_nRestartMode == 1)
            Say("该评审任务不存在，为无效路径!");
        return false;
    }
    const AuditStepRecord& restart = m_arrFailedSteps.front();
    if (m_nRestartMode == 0) {
        m_arrStartNames.Add(restart.m_strTaskName);
        m_arrStartAuditors.Add(restart.m_strAuditor);
        return true;
    }
    for (int p = 0; p < m_path.GetCount(); ++p) {
        const AuditPathItem& step = *m_path.GetItem(p);
        if (step.m_nLevel != restart.m_nLevel)
            continue;
        m_arrStartNames.Add(step.m_strTaskName);
        m_arrStartAuditors.Add(step.m_strAuditor);
    }
    return true;
}

int CDesignFileAuditSender::StartStep(CString stepName, CString auditor) {
    const CString dateTime = CTime::GetCurrentTime().Format("%Y-%m-%d %H:%M");
    const CString passedName = stepName;
    CString task = stepName;
    task.MakeUpper();
    const bool groupStep = task.Find("[M]") >= 0;
    task = StoredStepName(task);
    CString sql;
    sql.Format("DELETE FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(m_strFileID),
               SqlQuote(task));
    if (!theApp.ExecuteSql(sql))
        return 0;
    sql.Format("INSERT INTO TeamWorkAudit (FileID, AuditTask, Auditor, BeginDate, State, Manager) "
               "VALUES('%s', '%s', "
               "'%s', '%s', '未完成', '%s')",
               SqlQuote(m_strFileID), SqlQuote(task), SqlQuote(auditor), SqlQuote(dateTime),
               SqlQuote(auditor));
    if (!theApp.ExecuteSql(sql))
        return 0;
    if (groupStep) {
        sql.Format("DELETE FROM TeamWorkGroupAudit WHERE FileID='%s' AND AuditTask='%s'",
                   SqlQuote(m_strFileID), SqlQuote(task));
        theApp.ExecuteSql(sql);
        sql.Format(
            "INSERT INTO TeamWorkGroupAudit (FileID, AuditTask, Auditor, State) VALUES('%s', '%s', '%s', "
            "'未完成')",
            SqlQuote(m_strFileID), SqlQuote(task), SqlQuote(auditor));
        theApp.ExecuteSql(sql);
    }
    ReadWorkTask();
    CString notice;
    notice.Format("辛苦了，%s[%s]给您分配了工作组评审任务：%s任务%s[%s], 任务负责人: %s...",
                  theApp.GetUserNameByLogName(m_strLogin), m_strSuperior, passedName, m_strWorkName,
                  m_strWorkID, m_strManager);
    if (!WriteUserNoticeRow(auditor, notice))
        return 0;
    m_notices.emplace_back(auditor, notice);
    return 1;
}

int CDesignFileAuditSender::StartReview() {
    CWaitCursor wait;
    m_bNoStepError = false;
    if (!ReadTemplate()) {
        m_bNoStepError = true;
        // Without its template a document would be released without any review.
        CString text;
        text.Format("评审流程模板 %s 不存在，不能提交设计评审...", m_strAuditingModel);
        Say(text);
        return 0;
    }
    SplitAuditors();
    BuildPathSteps();
    const bool mixed = m_strAuditingStyle == kMixedAuditStyle;
    if (m_nRestartMode == 0 || (m_nRestartMode == 1 && mixed)) {
        // A restart that finds no step to open has failed: the document keeps its state.
        if (!PickRestartSteps()) {
            m_bNoStepError = true;
            return 0;
        }
    } else {
        PickFirstSteps();
    }
    CString sql;
    if (m_nRestartMode == 2) {
        sql.Format("DELETE FROM TeamWorkAudit WHERE FileID='%s'", SqlQuote(m_strFileID));
        if (!theApp.ExecuteSql(sql))
            return 0;
    }
    CString longText, shortText;
    for (int i = 0; i < m_arrStartNames.GetSize(); ++i) {
        if (!StartStep(m_arrStartNames[i], m_arrStartAuditors[i]))
            return 0;
        CString entry;
        if (i == 0) {
            entry.Format("%s [%s]", m_arrStartNames[i], m_arrStartAuditors[i]);
            longText.Format("设计文档：%s[%s] 已提交：%s", m_strFilePrompt, m_strFileID, entry);
            shortText.Format("设计文档已提交：%s", entry);
        } else {
            entry.Format("，%s [%s]", m_arrStartNames[i], m_arrStartAuditors[i]);
            longText += entry;
            shortText += entry;
        }
    }
    if (!longText.IsEmpty()) {
        longText += " 进行评审...";
        shortText += " 进行评审...";
        // Said (or kept for the host) by the locked write once the rows are committed.
        if (m_nBatchCount == 1)
            m_strKeptSummary = longText;
        else
            m_strKeptBatchNotice = shortText;
    }
    sql.Format("UPDATE TeamWorkResult SET State='%s', Other3 = '%s' WHERE FileID='%s'",
               m_arrStartNames.GetSize() > 0 ? "评审" : "正式", SqlQuote(theApp.GetServerDateTime()),
               SqlQuote(m_strFileID));
    return theApp.ExecuteSql(sql) ? 1 : 0;
}

int CDesignFileAuditSender::MarkWaitingForReview() {
    CString sql;
    sql.Format("UPDATE TeamWorkResult SET State='待评审', Other3 = '%s' WHERE FileID='%s'",
               SqlQuote(theApp.GetServerDateTime()), SqlQuote(m_strFileID));
    return theApp.ExecuteSql(sql) ? 1 : 0;
}

int CDesignFileAuditSender::ChooseTemplateAndStart() {
    CTaskAuditFlowDlg dlg(nullptr);
    dlg.m_strAuditModel = m_strAuditingModel;
    dlg.m_strAuditorName = m_strAuditorName;
    dlg.m_bSubmitMode = 0;
    dlg.m_bReadOnly = 0;
    dlg.m_bWriteToTask = 0;
    if (dlg.DoModal() != IDOK)
        return 0;
    m_strAuditingModel = dlg.m_strAuditModel;
    m_strAuditorName = dlg.m_strAuditorName;
    m_strAuditingType = dlg.m_strAuditMode;
    return WriteUnderDocumentLock([this] {
        CString sql;
        sql.Format("UPDATE TeamWorkResult SET AuditingModel='%s', AuditorName='%s', AuditingType='%s', "
                   "State='评审', Other3 = '%s' WHERE FileID='%s'",
                   SqlQuote(m_strAuditingModel), SqlQuote(m_strAuditorName), SqlQuote(m_strAuditingType),
                   SqlQuote(theApp.GetServerDateTime()), SqlQuote(m_strFileID));
        if (!theApp.ExecuteSql(sql))
            return 0;
        m_nRestartMode = 2;
        return StartReview();
    });
}

bool CDesignFileAuditSender::ConnectProcessPlanning() {
    if (m_nProcessPlanning <= 0 || m_pConnCAPP)
        return true;
    CVQDBConnect* connect = CVQDBConnect::GetCurDBConnect();
    std::unique_ptr<CVQDBConnect> own;
    if (!connect) {
        own = std::make_unique<CVQDBConnect>();
        if (!own->Init() || !own->ConnectPDM())
            return false;
        connect = own.get();
    }
    m_pConnCAPP = connect->GetPtrCAPP();
    return true;
}

void CDesignFileAuditSender::TellProcessPlanning() {
    if (m_nProcessPlanning != 1)
        return;
    std::unique_ptr<vq::OutsideObject> object = vq::CreateOutsideObject(vq::kProcessPlanningUtility);
    auto* utility = dynamic_cast<vq::ProcessPlanningUtility*>(object.get());
    if (!utility)
        return;
    utility->SetPdmConnection(m_pConnPDM);
    utility->SetCappConnection(m_pConnCAPP);
    CString sql;
    sql.Format("SELECT CFileID FROM CAPPFileIDMap WHERE PFileID = '%s'", SqlQuote(m_strFileID));
    const CString cappFileId = theApp.GetSqlString(sql);
    if (!cappFileId.IsEmpty())
        utility->SetFileState(cappFileId, 3);
}

int CDesignFileAuditSender::Resubmit() {
    // The dialog shows the step rows as read now: these are what the choice is made on.
    if (!ReadStepRowsText(m_seen.steps))
        return 0;
    ReadAuditRows();
    ReadAuditChange();
    if (m_arrRowTasks.GetSize() == 0) {
        m_nRestartMode = 2;
    } else {
        CAuditResubmitDlg dlg(nullptr);
        dlg.m_strFileID = m_strFileID;
        dlg.m_strAuditModel = m_strAuditingModel;
        dlg.m_strAuditorName = m_strAuditorName;
        dlg.m_bChangeRow = m_bChangeRowFound;
        dlg.m_nChangeLevelKind = m_nChangeLevelKind;
        if (m_bChangeRowFound) {
            dlg.m_arrFailedTasks.Add(m_strPreAuditName);
            dlg.m_arrFailedAuditors.Add(m_strPreAuditor);
        } else {
            for (int i = 0; i < m_arrRowTasks.GetSize(); ++i) {
                if (m_arrRowResults[i] != "不通过")
                    continue;
                dlg.m_arrFailedTasks.Add(m_arrRowTasks[i]);
                dlg.m_arrFailedAuditors.Add(m_arrRowAuditors[i]);
            }
        }
        if (dlg.DoModal() != IDOK)
            return 0;
        m_nRestartMode = dlg.m_nMode;
    }
    if (WriteUnderDocumentLock([this] { return StartReview(); }))
        return 1;
    // A review that could open no step after an error is a failed submission: the document keeps
    // its state, as it does when another client changed it meanwhile. A failed statement leaves
    // it waiting for its superior instead.
    if (m_bEcoPass || m_bNoStepError || !m_bWriteFailed)
        return 0;
    return WriteUnderDocumentLock([this] { return MarkWaitingForReview(); });
}

void CDesignFileAuditSender::Say(const CString& text) {
    if (m_bWriting)
        m_said.push_back(text);
    else
        AfxMessageBox(text);
}

bool CDesignFileAuditSender::ReadStepRowsText(CString& text) {
    CString sql;
    sql.Format(
        "SELECT AuditTask, Auditor, State, Result FROM TeamWorkAudit WHERE FileID='%s' ORDER BY AuditTask, "
        "Auditor, State, Result",
        SqlQuote(m_strFileID));
    CStringArray task, auditor, state, result;
    if (!ReadRows(sql, {&task, &auditor, &state, &result}))
        return false;
    sql.Format(
        "SELECT PreAuditName, PreAuditor, LevelType FROM TeamWorkAuditChange WHERE FileID='%s' ORDER BY "
        "PreAuditName, PreAuditor, LevelType",
        SqlQuote(m_strFileID));
    CStringArray name, preAuditor, levelType;
    if (!ReadRows(sql, {&name, &preAuditor, &levelType}))
        return false;
    // Fields and rows are joined by control characters, which stored names do not hold.
    text.Empty();
    for (int i = 0; i < task.GetSize(); ++i)
        text += task[i] + "\x1f" + auditor[i] + "\x1f" + state[i] + "\x1f" + result[i] + "\x1e";
    text += "\x1d";
    for (int i = 0; i < name.GetSize(); ++i)
        text += name[i] + "\x1f" + preAuditor[i] + "\x1f" + levelType[i] + "\x1e";
    return true;
}

bool CDesignFileAuditSender::ReadReviewRowsLocked(ReviewRows& rows) {
    // Taking the document's row makes this wait for a decision on it that holds the row under
    // another lock (the documents of a change task); what is read next is what it committed.
    CString sql;
    sql.Format("UPDATE TeamWorkResult SET State=State WHERE FileID='%s'", SqlQuote(m_strFileID));
    return theApp.ExecuteSql(sql) && ReadReviewRows(rows);
}

bool CDesignFileAuditSender::ReadReviewRows(ReviewRows& rows) {
    CString sql;
    sql.Format("SELECT State, AuditingModel, AuditorName, AuditingType FROM TeamWorkResult WHERE FileID='%s'",
               SqlQuote(m_strFileID));
    CStringArray state, model, auditors, type;
    if (!ReadRows(sql, {&state, &model, &auditors, &type}))
        return false;
    rows.found = state.GetSize() > 0;
    if (rows.found) {
        rows.state = state[0];
        rows.model = model[0];
        rows.auditors = auditors[0];
        rows.type = type[0];
    }
    return ReadStepRowsText(rows.steps);
}

CString CDesignFileAuditSender::WhatChanged(const ReviewRows& now) const {
    const CString visibleId(vq::VisibleText(m_strFileID.str()));
    CString text;
    if (!now.found)
        text.Format("设计文档 %s 不存在，不能提交设计评审...", visibleId);
    else if (now.state != m_seen.state)
        text.Format("设计文档 %s 的状态已被其他用户改为%s，不能提交设计评审...", visibleId,
                    CString(vq::VisibleText(now.state.str())));
    else if (now.model != m_seen.model || now.auditors != m_seen.auditors || now.type != m_seen.type)
        text.Format("设计文档 %s 的评审流程已被其他用户修改，不能提交设计评审...", visibleId);
    else if (now.steps != m_seen.steps)
        text.Format("设计文档 %s 的评审任务已被其他用户修改，不能提交设计评审...", visibleId);
    return text;
}

bool CDesignFileAuditSender::StillAsRead() {
    ReviewRows now;
    if (!ReadReviewRows(now))
        return false;
    const CString refusal = WhatChanged(now);
    if (refusal.IsEmpty())
        return true;
    AfxMessageBox(refusal);
    return false;
}

int CDesignFileAuditSender::WriteUnderDocumentLock(const std::function<int()>& write) {
    m_bWriteFailed = false;
    m_said.clear();
    m_notices.clear();
    m_strKeptBatchNotice.Empty();
    m_strKeptSummary.Empty();
    CString refusal;
    int written = 0;
    {
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(CAuditFlowEngine::DocumentLockName(m_strFileID)))
            return 0;
        ReviewRows now;
        if (!ReadReviewRowsLocked(now))
            return 0;
        refusal = WhatChanged(now);
        if (refusal.IsEmpty()) {
            m_bWriting = true;
            written = write();
            m_bWriting = false;
            m_bWriteFailed = written == 0;
            if (written && !transaction.Commit())
                written = 0;
        }
    }
    if (!refusal.IsEmpty()) {
        AfxMessageBox(refusal);
        return 0;
    }
    if (written) {
        if (!m_strKeptBatchNotice.IsEmpty())
            SetBatchNotice(m_strKeptBatchNotice);
        for (const auto& [receiver, text] : m_notices)
            theApp.NotifyMessageServer(receiver, text);
        if (!m_strKeptSummary.IsEmpty())
            AfxMessageBox(m_strKeptSummary);
    }
    m_notices.clear();
    std::vector<CString> said;
    said.swap(m_said);
    for (const CString& text : said)
        AfxMessageBox(text);
    return written;
}

int CDesignFileAuditSender::Send() {
    SetBatchNotice("");
    if (m_strFileID.IsEmpty()) {
        AfxMessageBox("设计文档编号不能为空，不能提交设计评审...");
        return 0;
    }
    if (m_strSuperior.IsEmpty()) {
        AfxMessageBox("无上级负责人信息，不能提交设计评审...");
        return 0;
    }
    m_bEcoPass = m_strSuperior.CompareNoCase(kEcoPassMarker) == 0 ? 1 : 0;
    // The step rows are read first: what another client writes after either read is found when
    // the rows are read again before writing.
    if (!ReadStepRowsText(m_seen.steps))
        return 0;
    if (!ReadDocumentRow()) {
        // Review rows of a document that is not there would be left without an owner.
        CString text;
        text.Format("设计文档 %s 不存在，不能提交设计评审...", m_strFileID);
        AfxMessageBox(text);
        return 0;
    }
    m_seen.found = true;
    m_seen.state = m_strState;
    m_seen.model = m_strAuditingModel;
    m_seen.auditors = m_strAuditorName;
    m_seen.type = m_strAuditingType;
    const bool hasPath =
        !m_strAuditingModel.IsEmpty() && !m_strAuditorName.IsEmpty() && !m_strAuditingType.IsEmpty();
    m_nConfirmPath = ReadSettingInt(kSettingsSection, "逐个确认评审流程", "0");
    m_nBatchCount = ReadSettingInt(kSettingsSection, "批量提交文档数量", "0");
    const int assignedBySuperior = ReadSettingInt(kSettingsSection, "工作任务评审流程由上级指派", "0");
    m_nProcessPlanning = ReadSettingInt("VQCAPP配置", "有无VQCAPP", "0");
    if (!ConnectProcessPlanning())
        return 0;

    bool keepPath = hasPath;
    if (assignedBySuperior != 2 && hasPath && m_nConfirmPath != 0 && !m_bEcoPass) {
        const char* question = m_strState == "工作中" ? "是否继续采用上级项目任务的评审流程进行设计评审?"
                                                      : "是否继续采用工作任务的原评审流程进行设计评审?";
        keepPath = AfxMessageBox(question, MB_YESNO | MB_ICONEXCLAMATION) == IDYES;
        // No dialog opens on a document another client changed while the question was open.
        if (!StillAsRead())
            return 0;
    }
    // Whatever was answered, the write is decided on the rows as stored when it is made.
    const auto markWaiting = [this] {
        return WriteUnderDocumentLock([this] { return MarkWaitingForReview(); });
    };
    int result = 0;
    if (assignedBySuperior == 2)
        result = markWaiting();
    else if (!keepPath)
        result = assignedBySuperior != 0 ? markWaiting() : ChooseTemplateAndStart();
    else
        result = Resubmit();
    if (!result)
        return 0;
    TellProcessPlanning();
    return 1;
}
