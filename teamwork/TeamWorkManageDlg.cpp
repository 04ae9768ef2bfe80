#include "teamwork/TeamWorkManageDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "teamwork/DeleteWorkCascade.h"
#include "teamwork/TaskResourceDlg.h"
#include "teamwork/TeamTaskItemDlg.h"

namespace {

constexpr int kListId = 1070;
constexpr int kStateEdit = 1071;
constexpr int kAddButton = 1072;
constexpr int kModifyButton = 1073;
constexpr int kDeleteButton = 1074;
constexpr int kResourceButton = 1075;

const vq::DialogTemplate kTeamWorkManageTemplate{
    "工作任务管理",
    {vq::ReportList(kListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL), vq::Label("状态"),
     vq::EditBox(kStateEdit, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(kAddButton, "增加..."), vq::PushButton(kModifyButton, "修改...", vq::kBeside),
     vq::PushButton(kDeleteButton, "删除...", vq::kBeside),
     vq::PushButton(kResourceButton, "分配资源...", vq::kBeside),
     vq::PushButton(IDCANCEL, "退出", vq::kBeside)},
    CSize(620, 380)};

enum Column { kSerial, kWorkId, kWorkName, kManager, kState, kColumns };

constexpr const char* kNoSelection = "请选择具体的工作...";

} // namespace

int GetSelectedItem(CListCtrl& list) {
    if (list.GetItemCount() == 0)
        return -1;
    POSITION pos = list.GetFirstSelectedItemPosition();
    if (!pos)
        return -1;
    const int row = list.GetNextSelectedItem(pos);
    list.EnsureVisible(row, TRUE);
    return row;
}

BEGIN_MESSAGE_MAP(CTeamWorkManageDlg, CDialog)
    ON_BN_CLICKED(kAddButton, &CTeamWorkManageDlg::OnAddWork)
    ON_BN_CLICKED(kModifyButton, &CTeamWorkManageDlg::OnModifyWork)
    ON_BN_CLICKED(kDeleteButton, &CTeamWorkManageDlg::OnDelete)
    ON_BN_CLICKED(kResourceButton, &CTeamWorkManageDlg::OnAssignResources)
    ON_NOTIFY(NM_DBLCLK, kListId, &CTeamWorkManageDlg::OnListDblClk)
END_MESSAGE_MAP()

CTeamWorkManageDlg::CTeamWorkManageDlg(CWnd* parent) : CDialog(kTeamWorkManageTemplate, parent) {}

CTeamWorkManageDlg::~CTeamWorkManageDlg() = default;

void CTeamWorkManageDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
    DDX_Text(pDX, kStateEdit, m_taskState);
}

BOOL CTeamWorkManageDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_connection = theApp.m_pConnPDM;
    m_closeMode = theApp.m_nAdoCloseMode;
    m_images.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (HICON icon = vq::LoadIconResource(158))
        m_images.Add(icon);
    m_list.SetImageList(&m_images, LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    const std::pair<const char*, int> columns[] = {
        {"序号", 60}, {"工作编号", 180}, {"工作名称", 180}, {"负责人", 70}, {"状态", 70}};
    int i = 0;
    for (const auto& [text, width] : columns)
        m_list.InsertColumn(i++, text, LVCFMT_LEFT, width);

    CString caption;
    caption.Format("工作任务管理 - %s[%s]", TaskName, TaskNo);
    SetWindowText(caption);
    CString sql;
    sql.Format("SELECT WorkState FROM ProjectManage WHERE ProjectNo='%s'", SqlQuote(TaskNo));
    m_taskState = theApp.GetSqlString(sql);
    SetDlgItemText(kStateEdit, m_taskState);
    FillList();
    if (m_taskState.Find("归档") >= 0 || m_taskState.Find("入库") >= 0)
        ReadOnly = 1;
    if (m_list.GetItemCount() > 0) {
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    if (m_list.GetItemCount() == 0 || ReadOnly) {
        if (ReadOnly)
            GetDlgItem(kAddButton)->EnableWindow(FALSE);
        EnableRowButtons(FALSE);
    }
    return TRUE;
}

void CTeamWorkManageDlg::EnableRowButtons(BOOL enable) {
    for (int id : {kModifyButton, kDeleteButton, kResourceButton})
        GetDlgItem(id)->EnableWindow(enable);
}

CItemText* CTeamWorkManageDlg::NewRecord(int serial, const CString& id, const CString& name,
                                         const CString& manager, const CString& state) {
    auto record = std::make_unique<CItemText>();
    CString number;
    number.Format("%d", serial);
    record->SetField(kSerial, number);
    record->SetField(kWorkId, id);
    record->SetField(kWorkName, name);
    record->SetField(kManager, manager);
    record->SetField(kState, state);
    m_records.push_back(std::move(record));
    return m_records.back().get();
}

void CTeamWorkManageDlg::SetRowTexts(int row, CItemText* record) {
    for (int column = 0; column < kColumns; ++column)
        m_list.SetItemText(row, column, record->GetField(column));
    m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
}

// Serial numbers follow the rows as they stand, so that no two rows show the same number.
void CTeamWorkManageDlg::RenumberRows() {
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        CString number;
        number.Format("%d", row + 1);
        m_list.SetItemText(row, kSerial, number);
        if (auto* record = reinterpret_cast<CItemText*>(m_list.GetItemData(row)))
            record->SetField(kSerial, number);
    }
}

void CTeamWorkManageDlg::FillList() {
    CWaitCursor wait;
    m_list.DeleteAllItems();
    m_records.clear();
    CString sql;
    sql.Format(
        "SELECT WorkID, WorkName, Manager, WorkState FROM TeamWorkManage WHERE TaskNo='%s' ORDER BY WorkID",
        SqlQuote(TaskNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_connection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const int row = m_list.GetItemCount();
            CItemText* record =
                NewRecord(row + 1, VariantToString(rs->GetCollect(0L)), VariantToString(rs->GetCollect(1L)),
                          VariantToString(rs->GetCollect(2L)), VariantToString(rs->GetCollect(3L)));
            m_list.InsertItem(row, record->GetField(kSerial), 0);
            SetRowTexts(row, record);
            rs->MoveNext();
        }
        if (m_closeMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTeamWorkManageDlg::OnAddWork() {
    CTeamTaskItemDlg dlg(this);
    dlg.ModifyMode = 0;
    dlg.ReadOnly = 0;
    dlg.HasSubWorks = 0;
    dlg.TaskNo = TaskNo;
    dlg.TaskName = TaskName;
    dlg.UpWorkID = "";
    if (dlg.DoModal() != IDOK)
        return;
    const int row = m_list.GetItemCount();
    CItemText* record = NewRecord(row + 1, dlg.WorkID, dlg.WorkName, dlg.Manager, dlg.WorkState);
    m_list.InsertItem(row, record->GetField(kSerial), 0);
    SetRowTexts(row, record);
    RenumberRows();
    if (row == 0)
        EnableRowButtons(TRUE);
}

void CTeamWorkManageDlg::OnModifyWork() {
    const int row = GetSelectedItem(m_list);
    if (row < 0) {
        AfxMessageBox(kNoSelection);
        return;
    }
    const CString state = m_list.GetItemText(row, kState);
    CTeamTaskItemDlg dlg(this);
    dlg.ModifyMode = 1;
    dlg.TaskNo = TaskNo;
    dlg.TaskName = TaskName;
    dlg.WorkID = m_list.GetItemText(row, kWorkId);
    dlg.ReadOnly = (state == "评审" || state == "归档" || ReadOnly) ? 1 : 0;
    dlg.HasSubWorks = 0;
    if (dlg.DoModal() != IDOK)
        return;
    CItemText* record = NewRecord(row + 1, dlg.WorkID, dlg.WorkName, dlg.Manager, dlg.WorkState);
    SetRowTexts(row, record);
}

// The state shown in the row decides, as the list was read.
void CTeamWorkManageDlg::OnDelete() {
    const int row = GetSelectedItem(m_list);
    if (row < 0) {
        AfxMessageBox(kNoSelection);
        return;
    }
    const CString id = m_list.GetItemText(row, kWorkId);
    CString prompt;
    // Stored names and numbers go into the log line as they can be read (vq::VisibleText).
    prompt.Format("撤消给%s分配工作：%s[%s]", m_list.GetItemText(row, kManager),
                  CString(vq::VisibleText(m_list.GetItemText(row, kWorkName).str())),
                  CString(vq::VisibleText(id.str())));
    if (!DeleteWorkCascade(id, TaskNo, m_list.GetItemText(row, kState), false, prompt))
        return;
    CWaitCursor wait;
    const int count = m_list.GetItemCount();
    m_list.DeleteItem(row);
    RenumberRows();
    if (count > 1) {
        const int next = row < count - 1 ? row : count - 2;
        m_list.SetItemState(next, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    } else {
        EnableRowButtons(FALSE);
    }
}

void CTeamWorkManageDlg::OnAssignResources() {
    const int row = GetSelectedItem(m_list);
    if (row < 0) {
        AfxMessageBox(kNoSelection);
        return;
    }
    CTaskResourceDlg dlg(this);
    dlg.m_strTaskNo = m_list.GetItemText(row, kWorkId);
    dlg.m_strTaskName = m_list.GetItemText(row, kWorkName);
    dlg.m_bWorkTask = 1;
    dlg.m_bReadOnly = 0;
    dlg.DoModal();
}

void CTeamWorkManageDlg::OnListDblClk(NMHDR*, LRESULT* result) {
    *result = 0;
    if (GetSelectedItem(m_list) >= 0)
        OnModifyWork();
}
