#include "review/AssistAuditDlg.h"

#include "controls/DocViewLauncher.h"
#include "controls/ListHelpers.h"
#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/DocumentFetch.h"
#include "core/FileInfo.h"
#include "core/InstallPath.h"
#include "core/ItemText.h"
#include "core/SqlTransaction.h"
#include "core/StoredRowEdit.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/maker/FileStore.h"
#include "platform/ui/DataExchange.h"
#include "review/AssistAuditTaskDlg.h"
#include "review/AssistTaskRows.h"
#include "review/AuditFlowEngine.h"

#include "platform/base/File.h"

#include <algorithm>
#include <utility>

namespace {

using D = CAssistAuditDlg;

const vq::DialogTemplate kAssistAuditTemplate{
    "设计过程—协助评审任务管理",
    {vq::ReportList(D::kListId, vq::kFill), vq::PushButton(D::kAddId, "增加..."),
     vq::PushButton(D::kModifyId, "修改...", vq::kBeside), vq::PushButton(D::kDeleteId, "删除...", vq::kBeside),
     vq::PushButton(D::kRestartId, "重新评审...", vq::kBeside),
     vq::PushButton(D::kBrowseMarkupId, "浏览批注...", vq::kBeside), vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(780, 320)};

const vq::TemplateRegistration kAssistAuditRegistration(CAssistAuditDlg::IDD, kAssistAuditTemplate);

constexpr const char* kNoSelectionText = "请选择协助评审任务项...";
constexpr const char* kTooManyTasksText = "协助评审任务不能超过100项...";
constexpr const char* kOpenState = "未完成";

bool IsFinishedState(const CString& state) {
    return state == "完成" || state == "已完成";
}

} // namespace

BEGIN_MESSAGE_MAP(CAssistAuditDlg, CDialog)
    ON_BN_CLICKED(CAssistAuditDlg::kAddId, &CAssistAuditDlg::OnAddTask)
    ON_BN_CLICKED(CAssistAuditDlg::kModifyId, &CAssistAuditDlg::OnModifyTask)
    ON_BN_CLICKED(CAssistAuditDlg::kDeleteId, &CAssistAuditDlg::OnDeleteTask)
    ON_BN_CLICKED(CAssistAuditDlg::kRestartId, &CAssistAuditDlg::OnRestartTask)
    ON_BN_CLICKED(CAssistAuditDlg::kBrowseMarkupId, &CAssistAuditDlg::OnBrowseMarkup)
    ON_NOTIFY(NM_DBLCLK, CAssistAuditDlg::kListId, &CAssistAuditDlg::OnDblClick)
END_MESSAGE_MAP()

CAssistAuditDlg::CAssistAuditDlg(CWnd* parent) : CDialog(IDD, parent) {}

CAssistAuditDlg::~CAssistAuditDlg() = default;

void CAssistAuditDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
}

BOOL CAssistAuditDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    Connection = theApp.m_pConnPDM;
    CloseMode = theApp.m_nAdoCloseMode;
    LoginName = theApp.m_strLoginUser;
    const int mark = UpAuditName.Find("[N]");
    StepName = mark >= 1 ? UpAuditName.Left(mark) : UpAuditName;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const struct {
        const char* heading;
        int width;
    } columns[] = {{"协助评审任务", 140}, {"负责人", 80}, {"开始时间", 100}, {"完成时间", 100},
                   {"状态", 60},          {"结果", 60},   {"意见", 120},     {"要求", 80}};
    for (int i = 0; i < 8; ++i)
        m_list.InsertColumn(i, columns[i].heading, LVCFMT_LEFT, columns[i].width);
    LoadTasks();
    if (ReadOnly) {
        for (int id : {kRestartId, kAddId, kModifyId, kDeleteId})
            GetDlgItem(id)->EnableWindow(FALSE);
    } else {
        EnableEditButtons();
    }
    if (AutoAssign) {
        GetDlgItem(kModifyId)->EnableWindow(FALSE);
        GetDlgItem(kDeleteId)->EnableWindow(FALSE);
        OnAddTask();
        EndDialog(IDOK);
    }
    return TRUE;
}

void CAssistAuditDlg::OnDestroy() {
    for (int i = 0; i < TempFiles.GetSize(); ++i)
        DeleteFile(TempFiles[i]);
    TempFiles.RemoveAll();
    CDialog::OnDestroy();
}

void CAssistAuditDlg::LoadTasks() {
    m_list.DeleteAllItems();
    CString sql;
    sql.Format("SELECT AuditTask, Auditor, BeginDate, FinishDate, State, Result, Prompt, AuditRequest FROM "
               "TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s'",
               SqlQuote(FileID), SqlQuote(UpAuditName));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        AppendTextRows(m_list, rs, 8);
        if (CloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CAssistAuditDlg::EnableEditButtons() {
    if (ReadOnly)
        return;
    const BOOL any = m_list.GetItemCount() > 0;
    GetDlgItem(kModifyId)->EnableWindow(any);
    GetDlgItem(kDeleteId)->EnableWindow(any);
}

CString CAssistAuditDlg::FreeTaskName() const {
    for (int n = 1; n <= 100; ++n) {
        CString name;
        name.Format("%s[%d]", StepName, n);
        if (!IsItemInList(m_list, name))
            return name;
    }
    return CString();
}

CString CAssistAuditDlg::MakeTaskName() {
    const CString name = FreeTaskName();
    if (name.IsEmpty())
        AfxMessageBox(kTooManyTasksText);
    return name;
}

bool CAssistAuditDlg::HasAuditor(const CString& auditor) const {
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        if (m_list.GetItemText(i, kAuditorColumn).CompareNoCase(auditor) == 0)
            return true;
    }
    return false;
}

void CAssistAuditDlg::SendAssistNotice(const CString& auditor, const CString& sendTime, const CString& sendDate) {
    CString text;
    text.Format("辛苦了， 需要您对工作组任务 %s 进行 %s 的协助评审", FileID, UpAuditName);
    CString sql;
    sql.Format("INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
               "ReadFlag) VALUES('系统', '%s', '%s', '%s', '%s', '系统工作消息', '%s', 'N')",
               SqlQuote(auditor), SqlQuote(sendTime), SqlQuote(sendDate), SqlQuote(theApp.m_strHostIP),
               SqlQuote(text));
    theApp.ExecuteSql(sql); // a notice that cannot be written does not undo the task
    theApp.NotifyMessageServer(auditor, text);
}

void CAssistAuditDlg::OnAddTask() {
    CStringArray users;
    if (!AutoAssign) {
        CUserBrowseDlg dlg(nullptr);
        dlg.m_bMultiSelect = 1;
        dlg.m_bAllowAllUsers = 1;
        if (dlg.DoModal() != IDOK)
            return;
        users.Copy(dlg.m_arrLogNames);
        PresetAuditors.Append(dlg.m_arrLogNames);
    } else {
        users.Copy(PresetAuditors);
    }
    const CTime now = CTime::GetCurrentTime();
    const CString sendTime = now.Format("%Y-%m-%d %H:%M:%S");
    const CString sendDate = now.Format("%Y-%m-%d");
    for (int i = 0; i < users.GetSize(); ++i) {
        if (!AddTaskFor(users[i], sendTime, sendDate))
            return;
    }
}

bool CAssistAuditDlg::AddTaskFor(const CString& user, const CString& sendTime, const CString& sendDate) {
    CString task;
    const CString today = CTime::GetCurrentTime().Format("%Y-%m-%d");
    const char* refusal = nullptr;
    CString closed;
    {
        // Two windows adding tasks to one step at the same moment would otherwise both take the
        // first name free in their own list, and the results of the two tasks would then go into
        // one another's row.
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(CAuditFlowEngine::DocumentLockName(FileID)))
            return false;
        LoadTasks();
        // The step may have been decided, or the document released, since the caller saw it open
        // (the automatic mode of the opinion dialog adds to documents it read before the person
        // picked the auditors): a task added now would be one nobody can take up.
        if (!ReadStepClosed(closed)) {
            EnableEditButtons();
            return false;
        }
        task = FreeTaskName();
        if (!closed.IsEmpty()) {
            // refused below, once the lock is given back
        } else if (task.IsEmpty()) {
            refusal = kTooManyTasksText;
        } else if (HasAuditor(user)) {
            refusal = "选定的评审负责人已经有评审任务，不能再分配...";
        } else {
            CString sql;
            sql.Format(
                "INSERT INTO TeamWorkNextAudit (FileID, UpAuditName, Assigner, AssignDate, AuditTask, "
                "Auditor, BeginDate, State) VALUES('%s', '%s', '%s', '%s', '%s', '%s', '%s', '未完成')",
                SqlQuote(FileID), SqlQuote(UpAuditName), SqlQuote(LoginName), SqlQuote(today), SqlQuote(task),
                SqlQuote(user), SqlQuote(today));
            if (!theApp.ExecuteSql(sql) || !transaction.Commit()) {
                EnableEditButtons();
                return false;
            }
        }
    }
    // The boxes wait until the lock is given back: on SQLite it holds the whole database.
    if (!closed.IsEmpty()) {
        EnableEditButtons();
        ShowDbMessage(closed + "本次没有增加协助评审任务。");
        return false;
    }
    if (refusal) {
        EnableEditButtons();
        AfxMessageBox(refusal);
        return refusal != kTooManyTasksText;
    }
    const int row = m_list.InsertItem(m_list.GetItemCount(), task);
    m_list.SetItemText(row, kAuditorColumn, user);
    m_list.SetItemText(row, kBeginColumn, today);
    m_list.SetItemText(row, kStateColumn, "未完成");
    EnableEditButtons();
    SendAssistNotice(user, sendTime, sendDate);
    return true;
}

std::vector<int> CAssistAuditDlg::SelectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        if (m_list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)
            rows.push_back(row);
    return rows;
}

bool CAssistAuditDlg::ReadStepClosed(CString& closed) {
    // The document's row is the lock every decision on it takes (with its flow's): a decision
    // taken at the same moment has been committed by now, or waits until this transaction ends.
    CString sql;
    sql.Format("UPDATE TeamWorkResult SET State=State WHERE FileID='%s'", SqlQuote(FileID));
    if (!theApp.ExecuteSql(sql))
        return false;
    std::vector<CString> document;
    bool found = false;
    sql.Format("SELECT State FROM TeamWorkResult WHERE FileID='%s'", SqlQuote(FileID));
    if (!ReadFirstRowTexts(sql, document, found))
        return false;
    const CString shownId(vq::VisibleText(FileID.str()).c_str());
    const CString shownStep(vq::VisibleText(UpAuditName.str()).c_str());
    CString line;
    if (!found || document.empty() || document[0] != "评审") {
        line.Format("工作文档：%s 已不在评审中\n", shownId);
        closed += line;
        return true;
    }
    std::vector<CString> step;
    sql.Format("SELECT State FROM TeamWorkAudit WHERE FileID='%s' AND AuditTask='%s'", SqlQuote(FileID),
               SqlQuote(UpAuditName));
    if (!ReadFirstRowTexts(sql, step, found))
        return false;
    if (!found || step.empty())
        line.Format("工作文档：%s 的评审任务：%s 已不存在\n", shownId, shownStep);
    else if (step[0] == "已完成")
        line.Format("工作文档：%s 的评审任务：%s 已评审完成\n", shownId, shownStep);
    closed += line;
    return true;
}

bool CAssistAuditDlg::WriteTasksAsListed(const std::vector<int>& rows, const std::vector<int>& compared,
                                         const char* what, bool opensTasks,
                                         const std::function<bool()>& write) {
    CString changed;
    {
        CWaitCursor wait;
        CSqlTransaction transaction;
        // The lock the assisting reviewer's result and the adding of tasks take too.
        if (!transaction.IsActive() || !transaction.Lock(CAuditFlowEngine::DocumentLockName(FileID)))
            return false;
        if (opensTasks && !ReadStepClosed(changed))
            return false;
        const auto selectTask = [this](const CString& task) {
            CString sql;
            sql.Format(
                "SELECT AuditTask, Auditor, BeginDate, FinishDate, State, Result, Prompt, AuditRequest FROM "
                "TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s' AND AuditTask='%s'",
                SqlQuote(FileID), SqlQuote(UpAuditName), SqlQuote(task));
            return sql;
        };
        if (!FindChangedAssistTasks(m_list, rows, kTaskColumn, kColumnCount, compared, selectTask, changed))
            return false;
        if (changed.IsEmpty() && (!write() || !transaction.Commit()))
            return false;
    }
    if (changed.IsEmpty())
        return true;
    // Said once the transaction has ended; the list then shows the tasks as stored now.
    SayAssistTasksChanged(changed, what);
    LoadTasks();
    EnableEditButtons();
    return false;
}

bool CAssistAuditDlg::DeleteTaskMarkup(const CString& task) {
    CString sql;
    sql.Format("SELECT FileLogID FROM DesignMarkupManage WHERE FileID='%s' AND AuditName='%s'",
               SqlQuote(FileID), SqlQuote(task));
    const int markupId = theApp.GetSqlInt(sql);
    if (theApp.m_bConnectionLost)
        return false;
    sql.Format("DELETE FROM DesignMarkupManage WHERE FileLogID = %d", markupId);
    if (!theApp.ExecuteSql(sql))
        return false;
    sql.Format("DELETE FROM DesignMarkupPackage WHERE FileLogID = %d", markupId);
    return theApp.ExecuteSql(sql) != FALSE;
}

void CAssistAuditDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    OnModifyTask();
    if (pResult)
        *pResult = 0;
}

void CAssistAuditDlg::OnModifyTask() {
    const int row = GetFirstSelectedItem(m_list);
    if (row < 0) {
        AfxMessageBox(kNoSelectionText);
        return;
    }
    int readOnly = ReadOnly;
    if (!readOnly && m_list.GetItemText(row, kStateColumn) != "未完成") {
        AfxMessageBox("该评审任务已执行，不能再修改...");
        readOnly = 1;
    }
    CAssistAuditTaskDlg dlg(nullptr);
    dlg.AuditTask = m_list.GetItemText(row, kTaskColumn);
    dlg.Auditor = m_list.GetItemText(row, kAuditorColumn);
    dlg.FileID = FileID;
    dlg.UpAuditName = UpAuditName;
    dlg.ReadOnly = readOnly;
    if (dlg.DoModal() != IDOK)
        return;
    m_list.SetItemText(row, kAuditorColumn, dlg.Auditor);
    m_list.SetItemText(row, kRequestColumn, dlg.AuditRequest);
    const CTime now = CTime::GetCurrentTime();
    SendAssistNotice(dlg.Auditor, now.Format("%Y-%m-%d %H:%M:%S"), now.Format("%Y-%m-%d"));
}

void CAssistAuditDlg::OnRestartTask() {
    if (m_list.GetSelectedCount() == 0) {
        AfxMessageBox(kNoSelectionText);
        return;
    }
    if (AfxMessageBox("是否要重新启动选中的协助评审任务?", MB_YESNO) != IDYES)
        return;
    const std::vector<int> rows = SelectedRows();
    // Only tasks still stored as listed are restarted (not one deleted, decided again or handed to
    // another reviewer while the question was open), and only on a step still open: a task of a
    // decided step or of a document no longer under review would wait for nobody.
    const bool restarted = WriteTasksAsListed(rows, {}, "重新启动", true, [&] {
        for (int row : rows) {
            CString sql;
            sql.Format(
                "UPDATE TeamWorkNextAudit SET State='未完成' WHERE FileID='%s' AND UpAuditName='%s' AND "
                "AuditTask='%s'",
                SqlQuote(FileID), SqlQuote(UpAuditName), SqlQuote(m_list.GetItemText(row, kTaskColumn)));
            if (!theApp.ExecuteSql(sql))
                return false;
        }
        return true;
    });
    if (!restarted)
        return;
    for (int row : rows)
        m_list.SetItemText(row, kStateColumn, kOpenState);
}

void CAssistAuditDlg::OnDeleteTask() {
    if (m_list.GetSelectedCount() == 0) {
        AfxMessageBox(kNoSelectionText);
        return;
    }
    if (AfxMessageBox("是否要删除选中的协助评审任务?", MB_YESNO) != IDYES)
        return;
    const std::vector<int> rows = SelectedRows();
    // Decided on the tasks as stored after the answer: a task deleted or handed to another
    // reviewer meanwhile stops the deletion; a finished assisting review is part of the step's
    // record and stays (also one finished after the list was read); the others go with their
    // markup together or not at all.
    std::vector<std::pair<int, CString>> finished; // row, stored state
    const bool deleted = WriteTasksAsListed(rows, {kAuditorColumn, kRequestColumn}, "删除", false, [&] {
        finished.clear();
        for (int row : rows) {
            const CString task = m_list.GetItemText(row, kTaskColumn);
            CString sql;
            sql.Format("SELECT State FROM TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s' AND "
                       "AuditTask='%s'",
                       SqlQuote(FileID), SqlQuote(UpAuditName), SqlQuote(task));
            const CString state = theApp.GetSqlString(sql).Trim();
            if (theApp.m_bConnectionLost)
                return false;
            if (IsFinishedState(state)) {
                finished.emplace_back(row, state);
                continue;
            }
            sql.Format(
                "DELETE FROM TeamWorkNextAudit WHERE FileID='%s' AND UpAuditName='%s' AND AuditTask='%s'",
                SqlQuote(FileID), SqlQuote(UpAuditName), SqlQuote(task));
            if (!theApp.ExecuteSql(sql) || !DeleteTaskMarkup(task))
                return false;
        }
        return true;
    });
    if (!deleted)
        return;
    for (const auto& [row, state] : finished) {
        m_list.SetItemText(row, kStateColumn, state);
        CString text;
        text.Format("协助评审任务：%s 已完成，不能进行删除...", m_list.GetItemText(row, kTaskColumn));
        AfxMessageBox(text);
    }
    // From the last row up, so that the rows still to remove keep their places.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (std::none_of(finished.begin(), finished.end(),
                         [&](const auto& kept) { return kept.first == *it; }))
            m_list.DeleteItem(*it);
    EnableEditButtons();
}

bool CAssistAuditDlg::FindTaskMarkup(const CString& task, CString& markupId, CString& fileType) {
    CString sql;
    sql.Format("SELECT FileLogID, FileType FROM DesignMarkupManage WHERE TaskGroup='_T' AND FileID='%s' AND "
               "AuditName='%s' AND FileGroup='_Markup'",
               SqlQuote(FileID), SqlQuote(task));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, Connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        bool found = false;
        if (!rs->IsEOF()) {
            markupId = VariantToString(rs->GetCollect(0L));
            fileType = VariantToString(rs->GetCollect(1L));
            found = true;
        }
        if (CloseMode)
            rs->Close();
        return found;
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
        return false;
    }
}

CString CAssistAuditDlg::DownloadMarkup(const CString& markupId, const CString& fileType) {
    CWaitCursor wait;
    CString target;
    target.Format("%s%s", m_callFolder.Path(), MakeValidFileName("Vq_Markup_" + markupId + fileType));
    CString sql;
    sql.Format("SELECT DocSaved, DocContent FROM DesignMarkupPackage WHERE FileLogID=%s", SqlQuote(markupId));
    CVQSaveFileToDB store;
    const CString path = store.PopFileFromDB(sql, target, "DocContent", "PDM");
    if (path.IsEmpty()) {
        ReportFetchFailure("Vq_Markup_" + markupId + fileType, store.GetLastFailure(), "文档下载失败!");
        return CString();
    }
    TempFiles.Add(path);
    return path;
}

CString CAssistAuditDlg::DownloadDocument() {
    CWaitCursor wait;
    CString sql;
    sql.Format("SELECT FileName FROM TeamWorkResult WHERE FileID='%s'", SqlQuote(FileID));
    const CString fileName = theApp.GetSqlString(sql);
    CString target;
    target.Format("%s%s", m_callFolder.Path(), MakeValidFileName("T" + FileID + "_" + fileName));
    sql.Format("SELECT DocSaved, DocContent FROM TeamWorkResultPack WHERE FileID='%s'", SqlQuote(FileID));
    CVQSaveFileToDB store;
    const CString path = store.PopFileFromDB(sql, target, "DocContent", FileID, fileName);
    if (path.IsEmpty()) {
        ReportFetchFailure(fileName, store.GetLastFailure(), "文档下载失败!");
        return CString();
    }
    TempFiles.Add(path);
    DocPath = path;
    return path;
}

void CAssistAuditDlg::OnBrowseMarkup() {
    const int row = GetFirstSelectedItem(m_list);
    if (row < 0)
        return;
    CString markupId, fileType, markupPath;
    if (FindTaskMarkup(m_list.GetItemText(row, kTaskColumn), markupId, fileType))
        markupPath = DownloadMarkup(markupId, fileType);
    if (DocPath.IsEmpty() || !CFileInfo(DocPath).Exists())
        DownloadDocument();
    const CString path = markupId.IsEmpty() ? DocPath : markupPath;
    if (!path.IsEmpty())
        OpenDocumentFile(path);
}
