#include "projects/DesignProjectManageDlg.h"

#include "controls/ItemTextSort.h"
#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/SqlTransaction.h"
#include "core/TeamWorkLog.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/Time.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "projects/DesignProjectManageIds.h"
#include "projects/ProjectTaskItemDlg.h"
#include "projects/ProjectTaskRecords.h"
#include "projects/ProjectTaskStore.h"

using namespace projects::manage_ids;

namespace {

const vq::DialogTemplate kManageTemplate{
    "设计项目管理",
    {vq::PushButton(kManagerButton, "负责人"), vq::EditBox(kManagerEdit, vq::kBeside),
     vq::Label("状态", vq::kBeside), vq::DropDownList(kStateList, vq::kBeside),
     vq::PushButton(kRefresh, "刷新", vq::kBeside),
     vq::ReportList(kProjectList, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL),
     vq::PushButton(kAddProject, "增加项目..."), vq::PushButton(kModifyProject, "修改项目...", vq::kBeside, WS_DISABLED),
     vq::PushButton(kDeleteProject, "删除项目...", vq::kBeside, WS_DISABLED),
     vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(660, 420)};

struct StateChoice {
    const char* item;
    const char* clause;
};

const StateChoice kStates[] = {{"所有", ""},
                               {"未开始", " AND WorkState='未开始'"},
                               {"正进行中", " AND WorkState='正进行中'"},
                               {"评审-更改", " AND WorkState='评审-更改'"},
                               {"归档", " AND WorkState='归档'"},
                               {"已归档", " AND WorkState='已归档'"},
                               {"已入库", " AND WorkState='已入库'"},
                               {"未归档", " AND WorkState<>'已归档'"},
                               {"未入库", " AND WorkState<>'已入库'"}};

constexpr int kColumns = 5;

} // namespace

BEGIN_MESSAGE_MAP(CDesignProjectManageDlg, CDialog)
    ON_BN_CLICKED(kAddProject, &CDesignProjectManageDlg::OnAddProject)
    ON_BN_CLICKED(kModifyProject, &CDesignProjectManageDlg::OnModifyProject)
    ON_BN_CLICKED(kDeleteProject, &CDesignProjectManageDlg::OnDeleteProject)
    ON_BN_CLICKED(kRefresh, &CDesignProjectManageDlg::OnRefresh)
    ON_BN_CLICKED(kManagerButton, &CDesignProjectManageDlg::OnPickManager)
    ON_CBN_SELCHANGE(kStateList, &CDesignProjectManageDlg::OnStateChanged)
    ON_NOTIFY(LVN_COLUMNCLICK, kProjectList, &CDesignProjectManageDlg::OnColumnClick)
    ON_NOTIFY(NM_DBLCLK, kProjectList, &CDesignProjectManageDlg::OnDblClick)
END_MESSAGE_MAP()

CDesignProjectManageDlg::CDesignProjectManageDlg(CWnd* parent) : CDialog(kManageTemplate, parent) {}

CDesignProjectManageDlg::~CDesignProjectManageDlg() {
    DeleteItemTexts(m_records);
}

CString CDesignProjectManageDlg::StateClause(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(kStates)))
        return CString();
    return kStates[index].clause;
}

void CDesignProjectManageDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kProjectList, m_list);
    DDX_Control(pDX, kStateList, m_state);
    DDX_Text(pDX, kManagerEdit, ManagerFilter);
    DDX_CBIndex(pDX, kStateList, StateIndex);
}

BOOL CDesignProjectManageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_strLoginUser = theApp.m_strLoginUser;

    m_arrowImages.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_arrowImages);
    m_rowImages.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (HICON icon = vq::LoadIconResource(158))
        m_rowImages.Add(icon);
    m_list.SetImageList(&m_rowImages, LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_list.InsertColumn(0, "项目编号", LVCFMT_LEFT, 120);
    m_list.InsertColumn(1, "项目名称", LVCFMT_LEFT, 190);
    m_list.InsertColumn(2, "负责人", LVCFMT_LEFT, 90);
    m_list.InsertColumn(3, "创建日期", LVCFMT_LEFT, 120);
    m_list.InsertColumn(4, "状态", LVCFMT_LEFT, 90);
    for (const StateChoice& choice : kStates)
        m_state.AddString(choice.item);

    ManagerFilter = m_strLoginUser;
    UpdateData(FALSE);
    Refill();
    if (m_list.GetItemCount() > 0 && AddDisabled == 0)
        EnableRowButtons(true);
    if (AddDisabled)
        GetDlgItem(kAddProject)->EnableWindow(FALSE);
    return TRUE;
}

void CDesignProjectManageDlg::OnDestroy() {
    DeleteItemTexts(m_records);
    CDialog::OnDestroy();
}

void CDesignProjectManageDlg::EnableRowButtons(bool enable) {
    GetDlgItem(kModifyProject)->EnableWindow(enable ? TRUE : FALSE);
    GetDlgItem(kDeleteProject)->EnableWindow(enable ? TRUE : FALSE);
}

int CDesignProjectManageDlg::AppendRow(const CString texts[kColumns]) {
    auto* record = new CItemText;
    for (int c = 0; c < kColumns; ++c)
        record->SetField(c, texts[c]);
    m_records.Add(record);
    const int row = m_list.InsertItem(m_list.GetItemCount(), texts[0], 0);
    for (int c = 1; c < kColumns; ++c)
        m_list.SetItemText(row, c, texts[c]);
    m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
    return row;
}

void CDesignProjectManageDlg::RebuildRecord(int row) {
    auto* record = reinterpret_cast<CItemText*>(m_list.GetItemData(row));
    if (!record)
        return;
    record->m_strText.Empty();
    for (int c = 0; c < kColumns; ++c)
        record->SetField(c, m_list.GetItemText(row, c));
}

void CDesignProjectManageDlg::Refill() {
    UpdateData(TRUE);
    m_strStateClause = StateClause(StateIndex);
    CWaitCursor wait;
    m_list.DeleteAllItems();
    DeleteItemTexts(m_records);
    CString sql;
    if (ManagerFilter.IsEmpty())
        sql.Format("SELECT ProjectNo, ProjectName, ProjectManager, CreatedTime, WorkState FROM ProjectManage WHERE "
                   "ProjectPath='项目管理' %s ORDER BY ProjectNo",
                   m_strStateClause);
    else
        sql.Format("SELECT ProjectNo, ProjectName, ProjectManager, CreatedTime, WorkState FROM ProjectManage WHERE "
                   "ProjectPath='项目管理' %s AND ProjectManager='%s' ORDER BY ProjectNo",
                   m_strStateClause, SqlQuote(ManagerFilter));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString texts[kColumns];
            for (int c = 0; c < kColumns; ++c)
                texts[c] = VariantToString(rs->GetCollect(static_cast<long>(c)));
            AppendRow(texts);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

void CDesignProjectManageDlg::OnRefresh() {
    Refill();
}

void CDesignProjectManageDlg::OnStateChanged() {
    Refill();
}

void CDesignProjectManageDlg::OnPickManager() {
    UpdateData(TRUE);
    CUserBrowseDlg dlg(this);
    dlg.m_strLogName = ManagerFilter;
    if (dlg.DoModal() != IDOK)
        return;
    ManagerFilter = dlg.m_strLogName;
    SetDlgItemText(kManagerEdit, ManagerFilter);
    Refill();
}

void CDesignProjectManageDlg::OnColumnClick(NMHDR* header, LRESULT* result) {
    *result = 0;
    SortListByItemText(m_list, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
}

int CDesignProjectManageDlg::SelectedRow() {
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (row >= 0)
        m_list.EnsureVisible(row, FALSE);
    return row;
}

bool CDesignProjectManageDlg::MayChange(const CString& projectNo) {
    CString sql;
    sql.Format("SELECT TaskAssigner FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(projectNo));
    const CString creator = theApp.GetSqlString(sql);
    return creator.CompareNoCase(m_strLoginUser) == 0 || m_strLoginUser.CompareNoCase("admin") == 0;
}

bool CDesignProjectManageDlg::CreateFirstWorkTask(const CProjectTaskItemDlg& item, const CString& created,
                                                  const CString& today) {
    const CString workId = projects::InsertFirstWorkTask(item, created, today);
    if (workId.IsEmpty())
        return false;
    CString prompt;
    prompt.Format("给%s分配新工作：%s[%s]", item.Manager, item.ItemNo, workId);
    CTeamWorkLog log;
    if (!log.WriteLog(workId, "增加", "分配工作", prompt))
        return false;
    CString text;
    text.Format("辛苦了，%s[%s]给您分配了工作组工作任务：%s[%s]...", theApp.GetUserNameByLogName(m_strLoginUser),
                m_strLoginUser, item.ItemNo, workId);
    theApp.NotifyMessageServer(item.Manager, text);
    return true;
}

void CDesignProjectManageDlg::OnAddProject() {
    if (AddDisabled)
        return;
    CProjectTaskItemDlg item(this);
    item.NewItem = 1;
    item.Editable = 1;
    item.IsProject = 1;
    item.ProjectPath = projects::kRootPath;
    item.ProjectName.Empty();
    if (item.DoModal() != IDOK)
        return;
    CWaitCursor wait;
    const CTime now = CTime::GetCurrentTime();
    const CString created = now.Format("%Y-%m-%d %H:%M");
    const CString today = now.Format("%Y-%m-%d");
    if (!projects::InsertNewItemRow(item, projects::kRootPath, created, m_strLoginUser))
        return;
    // The row is stored: the list shows it whatever follows.
    Changed = 1;
    const CString texts[kColumns] = {item.ItemNo, item.ItemName, item.Manager, created, "未开始"};
    const int row = AppendRow(texts);
    if (row == 0)
        EnableRowButtons(true);
    projects::WriteAssignTaskLog(item.ItemNo, item.ItemName, m_strLoginUser);
    item.AnnounceNewItem();
    if (item.CreateWorkTask)
        CreateFirstWorkTask(item, created, today);
}

void CDesignProjectManageDlg::OnModifyProject() {
    const int row = SelectedRow();
    if (row < 0) {
        AfxMessageBox("请选择指定的设计项目项...");
        return;
    }
    const CString number = m_list.GetItemText(row, 0);
    const bool editable = MayChange(number);
    if (!editable)
        AfxMessageBox("只有项目创建者或系统管理员能修改属性...");
    CProjectTaskItemDlg item(this);
    item.ProjectNo = number;
    item.ItemName = m_list.GetItemText(row, 1);
    item.Editable = editable ? 1 : 0;
    item.NewItem = 0;
    if (item.DoModal() != IDOK)
        return;
    m_list.SetItemText(row, 2, item.Manager);
    RebuildRecord(row);
}

void CDesignProjectManageDlg::OnDblClick(NMHDR*, LRESULT* result) {
    *result = 0;
    OnModifyProject();
}

namespace {

// Why the project (number and name as the list shows them, state as the refusal judges it) may
// not be deleted, as the refusal says it; empty when nothing refuses. False after a database
// error has been shown.
bool FindProjectRefusal(const CString& number, const CString& name, const CString& state, CString& refusal) {
    refusal.Empty();
    if (state != "未开始") {
        refusal = "指定设计项目已开始，不能删除...";
        return true;
    }
    // The tasks are this project's by their path exactly: those of a project "PUMP" beside
    // "Pump" are not.
    const vq::db::Engine engine = theApp.m_pConnPDM ? theApp.m_pConnPDM->GetEngine() : vq::db::Engine::Other;
    CString sql;
    sql.Format("SELECT count(*) FROM ProjectManage WHERE %s",
               SqlExactPrefix(engine, "ProjectPath", projects::ChildrenPath(projects::kRootPath, name)));
    const int tasks = projects::QueryGuardCount(sql);
    if (tasks < 0)
        return false;
    if (tasks > 0) {
        refusal = "选定的设计项目已分配工作，不能直接删除...";
        return true;
    }
    sql.Format("SELECT count(*) from TeamWorkManage WHERE taskNo = '%s'", SqlQuote(number));
    const int works = projects::QueryGuardCount(sql);
    if (works < 0)
        return false;
    if (works > 0)
        refusal = "选定的简单项目已经进行任务细分, 不能直接删除...";
    return true;
}

// The condition that selects the project's own row: the number as the list read it may be
// another project's (a number stored with a blank at its end reads as the number without it).
CString ProjectIdentity(const CString& number, const CString& name) {
    const vq::db::Engine engine = theApp.m_pConnPDM ? theApp.m_pConnPDM->GetEngine() : vq::db::Engine::Other;
    return projects::NumberIsExactly("ProjectNo", number) + " AND ProjectPath='项目管理' AND " +
           SqlExactEquals(engine, "ProjectName", name);
}

// Deletes the project's row in a transaction that first takes the project's lock and judges the
// stored rows again: a task, a work task or a start that another client stored while the question
// was open refuses (said once the lock is given back). True when the row was deleted.
bool DeleteProjectIfUnchanged(const CString& number, const CString& name) {
    const CString identity = ProjectIdentity(number, name);
    CString refusal;
    {
        CSqlTransaction transaction;
        if (!transaction.IsActive() || !transaction.Lock(projects::ProjectTaskLockName(number)))
            return false;
        CString sql;
        sql.Format("SELECT count(*) FROM ProjectManage WHERE %s", identity);
        const int rows = projects::QueryGuardCount(sql);
        if (rows < 0)
            return false;
        if (rows != 1) {
            refusal = "选定的设计项目已不存在，或其编号不能从数据库中确切读出，不能删除...";
        } else {
            sql.Format("SELECT WorkState FROM ProjectManage WHERE %s", identity);
            const CString state = theApp.GetSqlString(sql);
            if (theApp.m_bConnectionLost || !FindProjectRefusal(number, name, state, refusal))
                return false;
        }
        if (refusal.IsEmpty()) {
            sql.Format("DELETE FROM ProjectManage WHERE %s", identity);
            return theApp.ExecuteSql(sql) && transaction.Commit();
        }
    }
    AfxMessageBox(refusal);
    return false;
}

} // namespace

void CDesignProjectManageDlg::OnDeleteProject() {
    const int row = SelectedRow();
    if (row < 0) {
        AfxMessageBox("请选择指定的设计项目项...");
        return;
    }
    const CString number = m_list.GetItemText(row, 0);
    const CString name = m_list.GetItemText(row, 1);
    if (!MayChange(number)) {
        AfxMessageBox("只有项目创建者或系统管理员能删除选定项目...");
        return;
    }
    // The guards must have been read: a failed read stops the deletion.
    CString refusal;
    if (!FindProjectRefusal(number, name, m_list.GetItemText(row, 4), refusal))
        return;
    if (!refusal.IsEmpty()) {
        AfxMessageBox(refusal);
        return;
    }
    CString sql;
    sql.Format("SELECT count(*) FROM ProjectManage WHERE %s", ProjectIdentity(number, name));
    const int rows = projects::QueryGuardCount(sql);
    if (rows < 0)
        return;
    if (rows != 1) {
        AfxMessageBox("选定的设计项目已不存在，或其编号不能从数据库中确切读出，不能删除...");
        return;
    }
    if (AfxMessageBox("是否要删除选中的设计项目?", MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    if (!DeleteProjectIfUnchanged(number, name))
        return;
    m_list.DeleteItem(row);
    if (m_list.GetItemCount() == 0)
        EnableRowButtons(false);
    Changed = 1;
}
