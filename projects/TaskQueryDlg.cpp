#include "projects/TaskQueryDlg.h"

#include "controls/ItemTextSort.h"
#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "projects/TaskQueryIds.h"

using namespace projects::query_ids;

namespace {

const vq::DialogTemplate kQueryTemplate{
    "任务查询",
    {vq::Label("用户名:"), vq::EditBox(kUserEdit, vq::kBeside), vq::PushButton(kPickUser, "选用户...", vq::kBeside),
     vq::RadioButton(kGivenUser, "指定用户", true), vq::RadioButton(kAllUsers, "所有用户", false, vq::kBeside),
     vq::RadioButton(kThisProject, "本项目", true, vq::kBeside),
     vq::RadioButton(kAllProjects, "所有项目", false, vq::kBeside),
     vq::ReportList(kList, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL),
     vq::PushButton(IDCANCEL, "退出")},
    CSize(700, 420)};

constexpr int kColumns = 7;

} // namespace

BEGIN_MESSAGE_MAP(CTaskQueryDlg, CDialog)
    ON_BN_CLICKED(kGivenUser, &CTaskQueryDlg::OnScopeChanged)
    ON_BN_CLICKED(kAllUsers, &CTaskQueryDlg::OnScopeChanged)
    ON_BN_CLICKED(kThisProject, &CTaskQueryDlg::OnScopeChanged)
    ON_BN_CLICKED(kAllProjects, &CTaskQueryDlg::OnScopeChanged)
    ON_BN_CLICKED(kPickUser, &CTaskQueryDlg::OnPickUser)
    ON_NOTIFY(LVN_COLUMNCLICK, kList, &CTaskQueryDlg::OnColumnClick)
END_MESSAGE_MAP()

CTaskQueryDlg::CTaskQueryDlg(CWnd* parent) : CDialog(kQueryTemplate, parent) {}

CTaskQueryDlg::~CTaskQueryDlg() {
    DeleteItemTexts(m_records);
}

void CTaskQueryDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kList, m_list);
    DDX_Text(pDX, kUserEdit, UserName);
    DDX_Radio(pDX, kGivenUser, m_nUserScope);
    DDX_Radio(pDX, kThisProject, m_nProjectScope);
}

BOOL CTaskQueryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_arrowImages.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_arrowImages);
    m_rowImages.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (HICON icon = vq::LoadIconResource(6007))
        m_rowImages.Add(icon);
    m_list.SetImageList(&m_rowImages, LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    const std::pair<const char*, int> columns[kColumns] = {{"序号", 60},    {"编号", 140},       {"名称", 160},
                                                           {"负责人", 70}, {"应完成日期", 110}, {"状态", 70},
                                                           {"来源", 60}};
    for (int c = 0; c < kColumns; ++c)
        m_list.InsertColumn(c, columns[c].first, LVCFMT_LEFT, columns[c].second);

    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;
    if (UserName.IsEmpty())
        UserName = theApp.m_strLoginUser;
    if (ProjectNo.IsEmpty()) {
        m_nProjectScope = 1;
        GetDlgItem(kThisProject)->EnableWindow(FALSE);
        GetDlgItem(kAllProjects)->EnableWindow(FALSE);
    }
    UpdateData(FALSE);
    Refill();
    return TRUE;
}

void CTaskQueryDlg::OnDestroy() {
    DeleteItemTexts(m_records);
    CDialog::OnDestroy();
}

CString CTaskQueryDlg::ProjectTaskStatement() const {
    const CString select = "SELECT ProjectNo,ProjectName,ProjectManager,PreEndedTime,WorkState,'项目' FROM ProjectManage";
    const bool oracle = m_nDatabaseType == 2;
    const CString number = SqlQuote(ProjectNo);
    const CString pattern = SqlLikeLiteral(ProjectNo) + "-%";
    CString sql;
    if (m_nProjectScope == 0 && m_nUserScope == 0) {
        if (oracle)
            sql.Format("%s WHERE rtrim(ProjectManager)='%s' AND (rtrim(ProjectNo)='%s' OR rtrim(ProjectNo) LIKE "
                       "'%s'%s)",
                       select, SqlQuote(UserName), number, pattern, kSqlLikeEscape);
        else
            sql.Format("%s WHERE ProjectManager='%s' AND (ProjectNo='%s' OR ProjectNo LIKE '%s'%s)", select,
                       SqlQuote(UserName), number, pattern, kSqlLikeEscape);
    } else if (m_nProjectScope == 0) {
        sql.Format("%s WHERE ProjectNo='%s' OR ProjectNo LIKE '%s'%s", select, number, pattern, kSqlLikeEscape);
    } else if (m_nUserScope == 0) {
        sql.Format("%s WHERE %s='%s'", select, oracle ? "rtrim(ProjectManager)" : "ProjectManager",
                   SqlQuote(UserName));
    } else {
        sql = select;
    }
    return sql;
}

CString CTaskQueryDlg::WorkTaskStatement() const {
    const CString select = "SELECT WorkID, WorkName, Manager, PreEndedTime, WorkState, '工作组' FROM TeamWorkManage";
    const bool oracle = m_nDatabaseType == 2;
    const CString number = SqlQuote(ProjectNo);
    const CString pattern = SqlLikeLiteral(ProjectNo) + "-%";
    CString sql;
    if (m_nProjectScope == 0 && m_nUserScope == 0) {
        if (oracle)
            sql.Format("%s WHERE Manager='%s' AND TaskNo IN (SELECT ProjectNo FROM ProjectManage WHERE "
                       "rtrim(ProjectNo)='%s' OR rtrim(ProjectNo) LIKE '%s'%s)",
                       select, SqlQuote(UserName), number, pattern, kSqlLikeEscape);
        else
            sql.Format("%s WHERE Manager='%s' AND TaskNo IN (SELECT ProjectNo FROM ProjectManage WHERE ProjectNo='%s' "
                       "OR ProjectNo LIKE '%s'%s)",
                       select, SqlQuote(UserName), number, pattern, kSqlLikeEscape);
    } else if (m_nProjectScope == 0) {
        sql.Format("%s WHERE TaskNo IN (SELECT ProjectNo FROM ProjectManage WHERE ProjectNo='%s' OR ProjectNo LIKE "
                   "'%s'%s)",
                   select, number, pattern, kSqlLikeEscape);
    } else if (m_nUserScope == 0) {
        sql.Format("%s WHERE Manager='%s'", select, SqlQuote(UserName));
    } else {
        sql = select;
    }
    return sql;
}

void CTaskQueryDlg::ReadRows(const CString& sql) {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString texts[kColumns];
            texts[0].Format("%d", m_list.GetItemCount() + 1);
            for (int c = 1; c < kColumns; ++c)
                texts[c] = VariantToString(rs->GetCollect(static_cast<long>(c - 1)));
            auto* record = new CItemText;
            for (int c = 0; c < kColumns; ++c)
                record->SetField(c, texts[c]);
            m_records.Add(record);
            const int row = m_list.InsertItem(m_list.GetItemCount(), texts[0], 0);
            for (int c = 1; c < kColumns; ++c)
                m_list.SetItemText(row, c, texts[c]);
            m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

void CTaskQueryDlg::Refill() {
    CWaitCursor wait;
    m_list.DeleteAllItems();
    DeleteItemTexts(m_records);
    if (UserName.IsEmpty())
        return;
    CString caption;
    caption.Format("任务查询 - %s", UserName);
    SetWindowText(caption);
    ReadRows(ProjectTaskStatement());
    ReadRows(WorkTaskStatement());
}

void CTaskQueryDlg::OnScopeChanged() {
    UpdateData(TRUE);
    Refill();
}

void CTaskQueryDlg::OnPickUser() {
    UpdateData(TRUE);
    CUserBrowseDlg picker(this);
    picker.m_strLogName = UserName;
    if (picker.DoModal() != IDOK)
        return;
    UserName = picker.m_strLogName;
    SetDlgItemText(kUserEdit, UserName);
    Refill();
}

void CTaskQueryDlg::RenumberRows() {
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        CString serial;
        serial.Format("%d", row + 1);
        m_list.SetItemText(row, 0, serial);
        auto* record = reinterpret_cast<CItemText*>(m_list.GetItemData(row));
        if (!record)
            continue;
        record->m_strText.Empty();
        for (int c = 0; c < kColumns; ++c)
            record->SetField(c, m_list.GetItemText(row, c));
    }
}

void CTaskQueryDlg::OnColumnClick(NMHDR* header, LRESULT* result) {
    *result = 0;
    SortListByItemText(m_list, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    RenumberRows();
}
