#include "changeorders/ECONextAuditTaskDlg.h"

#include "changeorders/ChangeOrderState.h"
#include "changeorders/ECONextAuditTaskItemDlg.h"
#include "controls/ListHelpers.h"
#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/StoredRowEdit.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "review/AssistTaskRows.h"

#include <algorithm>
#include <vector>

namespace {

using Dlg = CECONextAuditTaskDlg;

constexpr const char* kOpenState = "未完成";
constexpr const char* kDoneState = "完成";
constexpr int kMaxTasks = 100;

const vq::DialogTemplate kTaskTemplate{
    "更改单—协助评审任务管理",
    {vq::ReportList(Dlg::kListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS),
     vq::PushButton(IDCANCEL, "退出", vq::kRightColumn),
     vq::PushButton(Dlg::kReReviewId, "重新评审...", vq::kRightColumn),
     vq::PushButton(Dlg::kAddId, "增加...", vq::kRightColumn),
     vq::PushButton(Dlg::kModifyId, "修改...", vq::kRightColumn),
     vq::PushButton(Dlg::kDeleteId, "删除...", vq::kRightColumn)},
    CSize(900, 360)};
const vq::TemplateRegistration kTaskRegistration(CECONextAuditTaskDlg::IDD, kTaskTemplate);

struct ColumnSpec {
    const char* title;
    int width;
};
constexpr ColumnSpec kColumns[Dlg::kColumnCount] = {{"协助评审任务", 140}, {"负责人", 80}, {"开始时间", 100},
                                                    {"完成时间", 100},     {"状态", 60},   {"结果", 60},
                                                    {"意见", 120},         {"要求", 80}};

} // namespace

BEGIN_MESSAGE_MAP(CECONextAuditTaskDlg, CDialog)
    ON_BN_CLICKED(CECONextAuditTaskDlg::kAddId, &CECONextAuditTaskDlg::OnAddTask)
    ON_BN_CLICKED(CECONextAuditTaskDlg::kModifyId, &CECONextAuditTaskDlg::OnModifyTask)
    ON_BN_CLICKED(CECONextAuditTaskDlg::kDeleteId, &CECONextAuditTaskDlg::OnDeleteTask)
    ON_BN_CLICKED(CECONextAuditTaskDlg::kReReviewId, &CECONextAuditTaskDlg::OnReReview)
    ON_NOTIFY(NM_DBLCLK, CECONextAuditTaskDlg::kListId, &CECONextAuditTaskDlg::OnDblClick)
END_MESSAGE_MAP()

CECONextAuditTaskDlg::CECONextAuditTaskDlg(CWnd* parent) : CDialog(IDD, parent) {}

CECONextAuditTaskDlg::~CECONextAuditTaskDlg() {
    m_pConnection = nullptr;
}

void CECONextAuditTaskDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
}

CString CECONextAuditTaskDlg::BaseNameOf(const CString& stepName) {
    const int mark = stepName.Find("[N]");
    return mark > 0 ? stepName.Left(mark) : stepName;
}

BOOL CECONextAuditTaskDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strLoginUser = theApp.m_strLoginUser;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    for (int c = 0; c < kColumnCount; ++c)
        m_list.InsertColumn(c, kColumns[c].title, LVCFMT_LEFT, kColumns[c].width);
    m_strBaseName = BaseNameOf(m_strUpAuditName);
    LoadTasks();
    if (m_bDisplayOnly) {
        for (int id : {kReReviewId, kAddId, kModifyId, kDeleteId})
            GetDlgItem(id)->EnableWindow(FALSE);
    } else {
        EnableRowButtons();
    }
    return TRUE;
}

void CECONextAuditTaskDlg::EnableRowButtons() {
    const BOOL any = m_list.GetItemCount() > 0 ? TRUE : FALSE;
    GetDlgItem(kModifyId)->EnableWindow(any);
    GetDlgItem(kDeleteId)->EnableWindow(any);
}

CString CECONextAuditTaskDlg::TaskCondition(const CString& taskName) const {
    CString where;
    where.Format("ECOGroup='%s' AND ECONo='%s' AND UpAuditName='%s' AND AuditName='%s'",
                 SqlQuote(m_strECOGroup), SqlQuote(m_strECONo), SqlQuote(m_strUpAuditName),
                 SqlQuote(taskName));
    return where;
}

void CECONextAuditTaskDlg::LoadTasks() {
    CString sql;
    sql.Format("SELECT AuditName, Auditor, BeginTime, FinishTime, AuditState, AuditResult, AuditRemark, "
               "AuditRequest FROM ECONextAuditManage WHERE ECOGroup='%s' AND ECONo='%s' AND UpAuditName='%s'",
               SqlQuote(m_strECOGroup), SqlQuote(m_strECONo), SqlQuote(m_strUpAuditName));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        AppendTextRows(m_list, rs, kColumnCount);
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CECONextAuditTaskDlg::ReloadTasks() {
    m_list.DeleteAllItems();
    LoadTasks();
    EnableRowButtons();
}

BOOL CECONextAuditTaskDlg::IsItemInList(CString text) {
    return ::IsItemInList(m_list, text);
}

CString CECONextAuditTaskDlg::MakeNewTaskName() {
    for (int n = 1; n <= kMaxTasks; ++n) {
        CString name;
        name.Format("%s[%d]", m_strBaseName, n);
        if (!IsItemInList(name))
            return name;
    }
    AfxMessageBox("协助评审任务不能超过100项...");
    return CString();
}

bool CECONextAuditTaskDlg::HasAuditor(const CString& account) const {
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        if (m_list.GetItemText(row, kAuditorColumn).CompareNoCase(account) == 0)
            return true;
    return false;
}

void CECONextAuditTaskDlg::SendTaskNotice(const CString& account, const CString& sendTime,
                                          const CString& sendDate) {
    if (account.IsEmpty())
        return;
    CString text;
    text.Format("辛苦了， 需要您对更改单 %s 进行 %s 的协助评审", m_strECONo, m_strUpAuditName);
    CString sql;
    sql.Format("INSERT INTO MessageManage (Sender, Reseiver, SendTime, SendDate, MachineIP, Topic, Content, "
               "ReadFlag) VALUES('系统', '%s', '%s', '%s', '%s', '系统工作消息', '%s', 'N')",
               SqlQuote(account), SqlQuote(sendTime), SqlQuote(sendDate), SqlQuote(theApp.m_strHostIP),
               SqlQuote(text));
    theApp.ExecuteSql(sql);
    theApp.NotifyMessageServer(account, text);
}

void CECONextAuditTaskDlg::OnAddTask() {
    CUserBrowseDlg picker;
    picker.m_bMultiSelect = 1;
    picker.m_bAllowAllUsers = 1;
    if (picker.DoModal() != IDOK)
        return;
    // The server's clock stamps the notices of this operation.
    const CString sendDate = theApp.GetServerDate();
    const CString sendTime = theApp.GetServerDateTime();
    for (int i = 0; i < picker.m_arrLogNames.GetSize(); ++i) {
        const CString account = picker.m_arrLogNames[i];
        CString name;
        CString today;
        bool skip = false;
        // The name is the first one free in the list; another user may store it between the
        // loading of the list and this insert. The step's key then refuses it: the list is read
        // again (the other user's tasks appear in it) and the next free name is tried.
        for (int attempt = 0;; ++attempt) {
            name = MakeNewTaskName();
            if (name.IsEmpty())
                return;
            if (HasAuditor(account)) {
                AfxMessageBox("选定的评审负责人已经有评审任务，不能再分配...");
                skip = true;
                break;
            }
            today = theApp.GetServerDate();
            CString sql;
            sql.Format("INSERT INTO ECONextAuditManage (ECOGroup, ECONo, UpAuditName, Assigner, AssignDate, "
                       "AuditName, Auditor, BeginTime, AuditState) VALUES('%s', '%s', '%s', '%s', '%s', '%s', "
                       "'%s', '%s', '未完成')",
                       SqlQuote(m_strECOGroup), SqlQuote(m_strECONo), SqlQuote(m_strUpAuditName),
                       SqlQuote(m_strLoginUser), SqlQuote(today), SqlQuote(name), SqlQuote(account),
                       SqlQuote(today));
            try {
                m_pConnection->Execute(sql, nullptr, adCmdText);
                break;
            } catch (_com_error& e) {
                if (attempt + 1 < kMaxTasks && ClassifyDbError(e) == DbFailure::Other &&
                    theApp.GetSqlInt("SELECT count(*) FROM ECONextAuditManage WHERE " + TaskCondition(name)) > 0) {
                    ReloadTasks();
                    continue;
                }
                theApp.ReportSqlError(e, sql);
                return;
            }
        }
        if (skip)
            continue;
        const int row = m_list.InsertItem(m_list.GetItemCount(), name);
        m_list.SetItemText(row, kAuditorColumn, account);
        m_list.SetItemText(row, kBeginColumn, today);
        m_list.SetItemText(row, kStateColumn, kOpenState);
        if (m_list.GetItemCount() == 1)
            EnableRowButtons();
        SendTaskNotice(account, sendTime, sendDate);
    }
}

void CECONextAuditTaskDlg::OnModifyTask() {
    const int row = GetFirstSelectedItem(m_list);
    if (row < 0) {
        AfxMessageBox("请选择协助评审任务项...");
        return;
    }
    const CString name = m_list.GetItemText(row, kNameColumn);
    const CString state = m_list.GetItemText(row, kStateColumn);
    int readOnly = m_bDisplayOnly ? 1 : 0;
    if (!m_bDisplayOnly && state != kOpenState) {
        AfxMessageBox("该评审任务已执行，不能再修改...");
        readOnly = 1;
    }
    CECONextAuditTaskItemDlg item;
    item.m_strAuditor = m_list.GetItemText(row, kAuditorColumn);
    item.m_strAuditName = name;
    item.m_bReadOnly = readOnly;
    item.m_strUpAuditName = m_strUpAuditName;
    item.m_strECOGroup = m_strECOGroup;
    item.m_strECONo = m_strECONo;
    // A task only looked at was not changed: nothing to show anew, nobody to tell again.
    if (item.DoModal() != IDOK || readOnly)
        return;
    m_list.SetItemText(row, kAuditorColumn, item.m_strAuditor);
    m_list.SetItemText(row, kRequestColumn, item.m_strRequest);
    // Changes are stamped by the workstation's clock.
    const CTime now = CTime::GetCurrentTime();
    SendTaskNotice(item.m_strAuditor, now.Format("%Y-%m-%d %H:%M:%S"), now.Format("%Y-%m-%d"));
}

void CECONextAuditTaskDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    OnModifyTask();
    *pResult = 0;
}

std::vector<int> CECONextAuditTaskDlg::SelectedRows() const {
    std::vector<int> rows;
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        if (m_list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)
            rows.push_back(row);
    return rows;
}

bool CECONextAuditTaskDlg::LockTasksAsListed(CSqlTransaction& transaction, const std::vector<int>& rows,
                                             bool wholeTask, const char* what) {
    // The same lock the task item form takes on its task; taken in the order of the names, so
    // that two clients locking overlapping selections never wait for each other in a circle.
    std::vector<CString> locks;
    for (int row : rows) {
        const CStoredRowEdit task("ECONextAuditManage",
                                  {{"ECOGroup", m_strECOGroup},
                                   {"ECONo", m_strECONo},
                                   {"UpAuditName", m_strUpAuditName},
                                   {"AuditName", m_list.GetItemText(row, kNameColumn)}});
        locks.push_back(task.LockName());
    }
    std::sort(locks.begin(), locks.end(),
              [](const CString& a, const CString& b) { return a.str() < b.str(); });
    locks.erase(std::unique(locks.begin(), locks.end()), locks.end());
    for (const CString& lock : locks)
        if (!transaction.Lock(lock))
            return false;
    CString changed;
    const std::vector<int> compared =
        wholeTask ? std::vector<int>{} : std::vector<int>{kAuditorColumn, kRequestColumn};
    if (!FindChangedAssistTasks(
            m_list, rows, kNameColumn, kColumnCount, compared,
            [this](const CString& name) {
                return "SELECT AuditName, Auditor, BeginTime, FinishTime, AuditState, AuditResult, "
                       "AuditRemark, AuditRequest FROM ECONextAuditManage WHERE " +
                       TaskCondition(name);
            },
            changed))
        return false;
    if (changed.IsEmpty())
        return true;
    SayAssistTasksChanged(changed, what);
    return false;
}

bool CECONextAuditTaskDlg::WriteTasksAsListed(const std::vector<int>& rows, bool wholeTask, const char* what,
                                              const std::function<bool()>& write) {
    bool refused = false;
    {
        CWaitCursor wait;
        CSqlTransaction transaction;
        if (!transaction.IsActive())
            return false;
        refused = !LockTasksAsListed(transaction, rows, wholeTask, what);
        if (!refused && (!write() || !transaction.Commit()))
            return false;
    }
    // Read again once the transaction has ended: the list shows the tasks as stored now.
    if (refused)
        ReloadTasks();
    return !refused;
}

void CECONextAuditTaskDlg::OnDeleteTask() {
    if (GetFirstSelectedItem(m_list) < 0) {
        AfxMessageBox("请选择协助评审任务项...");
        return;
    }
    if (AfxMessageBox("是否要删除选中的协助评审任务?", MB_YESNO) != IDYES)
        return;
    const std::vector<int> rows = SelectedRows();
    // Decided on the tasks as stored after the answer, under their locks, in the transaction that
    // deletes: a task deleted or handed to another reviewer meanwhile stops the deletion; a
    // finished task stays (the delete itself spares one finished by the reviewer outside this
    // system meanwhile); the others go together or not at all.
    std::vector<int> finished;
    const bool deleted = WriteTasksAsListed(rows, false, "删除", [&] {
        for (int row : rows) {
            const CString condition = TaskCondition(m_list.GetItemText(row, kNameColumn));
            if (!theApp.ExecuteSql("DELETE FROM ECONextAuditManage WHERE " + condition +
                                   " AND (AuditState IS NULL OR AuditState <> '完成')"))
                return false;
            const int left = theApp.GetSqlInt("SELECT count(*) FROM ECONextAuditManage WHERE " + condition);
            if (left < 0)
                return false;
            if (left > 0)
                finished.push_back(row);
        }
        return true;
    });
    if (!deleted)
        return;
    for (int row : finished) {
        m_list.SetItemText(row, kStateColumn, kDoneState);
        CString text;
        text.Format("协助评审任务：%s 已完成，不能进行删除...", m_list.GetItemText(row, kNameColumn));
        AfxMessageBox(text);
    }
    // From the last row up, so that the rows still to remove keep their places.
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (std::find(finished.begin(), finished.end(), *it) == finished.end())
            m_list.DeleteItem(*it);
    if (m_list.GetItemCount() == 0)
        EnableRowButtons();
}

void CECONextAuditTaskDlg::OnReReview() {
    if (GetFirstSelectedItem(m_list) < 0) {
        AfxMessageBox("请选择协助评审任务项...");
        return;
    }
    if (AfxMessageBox("是否要重新启动选中的协助评审任务?", MB_YESNO) != IDYES)
        return;
    const std::vector<int> rows = SelectedRows();
    // Only tasks still stored as listed are restarted: not one deleted, decided or handed to
    // another reviewer while the question was open.
    const bool restarted = WriteTasksAsListed(rows, true, "重新启动", [&] {
        for (int row : rows)
            if (!theApp.ExecuteSql("UPDATE ECONextAuditManage SET AuditState='未完成' WHERE " +
                                   TaskCondition(m_list.GetItemText(row, kNameColumn))))
                return false;
        return true;
    });
    if (!restarted)
        return;
    for (int row : rows)
        m_list.SetItemText(row, kStateColumn, kOpenState);
}
