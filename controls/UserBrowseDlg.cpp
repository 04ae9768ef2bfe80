#include "controls/UserBrowseDlg.h"

#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kUserBrowseTemplate{
    "用户浏览",
    {vq::ReportList(1059, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT),
     vq::ListBox(1060, vq::kBeside), vq::Label("", vq::kNoLayoutFlags, 0, 1252),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kUserBrowseRegistration(CUserBrowseDlg::IDD, kUserBrowseTemplate);

// The fields of the row records are separated by a character that no text holds.
constexpr char kFieldSeparator = '\x1f';
constexpr const char* kJoin = "),(";

// sortData: the column, negated minus one for descending order.
int CompareRows(LPARAM a, LPARAM b, LPARAM sortData) {
    const int column = static_cast<int>(sortData >= 0 ? sortData : -sortData - 1);
    const auto* left = reinterpret_cast<const CItemText*>(a);
    const auto* right = reinterpret_cast<const CItemText*>(b);
    if (!left || !right)
        return 0;
    const int result = left->GetField(column).CollateNoCase(right->GetField(column));
    return sortData >= 0 ? result : -result;
}

} // namespace

BEGIN_MESSAGE_MAP(CUserBrowseDlg, CDialog)
    ON_LBN_SELCHANGE(1060, &CUserBrowseDlg::OnGroupChanged)
    ON_NOTIFY(LVN_COLUMNCLICK, 1059, &CUserBrowseDlg::OnColumnClick)
    ON_NOTIFY(LVN_ITEMCHANGED, 1059, &CUserBrowseDlg::OnItemChanged)
    ON_NOTIFY(NM_DBLCLK, 1059, &CUserBrowseDlg::OnDblClick)
END_MESSAGE_MAP()

CUserBrowseDlg::CUserBrowseDlg(CWnd* parent) : CDialog(IDD, parent) {}

CUserBrowseDlg::~CUserBrowseDlg() {
    FreeItemTexts();
}

bool CUserBrowseDlg::GroupTextNames(const CString& groupText, const CString& group) {
    if (groupText.CompareNoCase(group) == 0)
        return true;
    if (group.IsEmpty())
        return false;
    // Each of the names joined by "),(" must be the whole group name, so that a group is not
    // taken for another whose name begins with it.
    const CString join = kJoin;
    int start = 0;
    while (start <= groupText.GetLength()) {
        int end = groupText.Find(join, start);
        if (end < 0)
            end = groupText.GetLength();
        if (groupText.Mid(start, end - start).CompareNoCase(group) == 0)
            return true;
        start = end + join.GetLength();
    }
    return false;
}

void CUserBrowseDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1059, m_list);
    DDX_Control(pDX, 1060, m_groups);
}

void CUserBrowseDlg::FreeItemTexts() {
    DeleteItemTexts(m_itemTexts);
}

BOOL CUserBrowseDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_imageRows.Create(160, 19, 1, RGB(0xC0, 0xFF, 0xC0));
    m_imageArrows.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_imageArrows);
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;

    if (m_bMultiSelect) {
        SetWindowText("用户浏览 - 选择组(多用户)");
    } else {
        SetWindowText("用户浏览 - 选择用户");
        m_list.ModifyStyle(0, LVS_SINGLESEL);
    }
    m_list.SetImageList(&m_imageRows, LVSIL_SMALL);
    m_list.InsertColumn(0, "用户名", LVCFMT_LEFT, 80);
    m_list.InsertColumn(1, "用户全名", LVCFMT_LEFT, 120);
    m_list.InsertColumn(2, "用户描述", LVCFMT_LEFT, 220);

    m_groups.AddString(kAllUsers);
    ReadGroups();
    ReadUsers();
    m_groups.SetCurSel(0);
    m_strCurGroup = kAllUsers;
    FillList();

    // The preset user, when listed, replaces the first row as the selection.
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        if (m_list.GetItemText(i, 0).CompareNoCase(m_strLogName) == 0) {
            m_list.SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
            m_list.SetItemState(i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            m_list.EnsureVisible(i, FALSE);
            break;
        }
    }

    m_resize.Create(this);
    m_resize.Add(1059, 0, 0, 100, 100);
    m_resize.Add(IDOK, 100, 0, 0, 0);
    m_resize.Add(IDCANCEL, 100, 0, 0, 0);
    m_resize.Add(1252, 100, 0, 0, 0);
    m_resize.Add(1060, 100, 0, 0, 100);
    CenterWindow();
    return TRUE;
}

void CUserBrowseDlg::ReadGroups() {
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("Select GroupName FROM GroupInformation", m_pConnection, adOpenForwardOnly, adLockReadOnly,
                 adCmdText);
        while (!rs->IsEOF()) {
            m_groups.AddString(VariantToString(rs->GetCollect(0L)));
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

CString CUserBrowseDlg::UserStatement() const {
    const CString select = "Select UserLogName,UserName,UserDescription,GroupName FROM UserInformation";
    if (!m_bTeamFilter)
        return select;
    const CString column = m_nDatabaseType == 2 ? "rtrim(UserLogName)" : "UserLogName";
    const char* teamType = m_nTeamType == 0 ? "_P" : "_T";
    const CString key = m_nTeamType == 0 ? m_strProjectNo : m_strTaskNo;
    CString sql;
    sql.Format(
        "%s WHERE %s IN (SELECT TeamUser FROM DesignProjectTeam WHERE TeamType='%s' AND TeamGroup='%s')",
        select, column, CString(teamType), SqlQuote(key));
    return sql;
}

void CUserBrowseDlg::ReadUsers() {
    m_users.clear();
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(UserStatement(), m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            UserInfoRecord user;
            user.m_strLogName = VariantToString(rs->GetCollect(0L));
            user.m_strUserName = VariantToString(rs->GetCollect(1L));
            user.m_strDescription = VariantToString(rs->GetCollect(2L));
            user.m_strGroupName = VariantToString(rs->GetCollect(3L));
            m_users.push_back(std::move(user));
            rs->MoveNext();
        }
        rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CUserBrowseDlg::FillList() {
    CWaitCursor wait;
    m_list.DeleteAllItems();
    m_nCurRow = -1;
    FreeItemTexts();
    const bool all = m_strCurGroup == kAllUsers;
    int row = 0;
    for (const UserInfoRecord& user : m_users) {
        if (!all && !GroupTextNames(user.m_strGroupName, m_strCurGroup))
            continue;
        auto* item = new CItemText;
        item->m_cSeparator = kFieldSeparator;
        item->SetField(0, user.m_strLogName);
        item->SetField(1, user.m_strUserName);
        item->SetField(2, user.m_strDescription);
        m_itemTexts.Add(item);
        m_list.InsertItem(row, user.m_strLogName, 0);
        m_list.SetItemText(row, 1, user.m_strUserName);
        m_list.SetItemText(row, 2, user.m_strDescription);
        m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
        ++row;
    }
    CString count;
    count.Format("共 %d 个用户", row);
    SetDlgItemText(1252, count);
    if (row > 0)
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

void CUserBrowseDlg::OnGroupChanged() {
    const int index = m_groups.GetCurSel();
    if (index < 0)
        return;
    m_strCurGroup = m_groups.GetText(index);
    FillList();
}

void CUserBrowseDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
    // No mark or the descending mark: ascending now.
    const bool ascending = m_list.m_header.GetColumnImage(column) != 0;
    for (int c = 0; c < m_list.GetColumnCount(); ++c)
        m_list.m_header.SetColumnImage(c, -1);
    m_list.m_header.SetColumnImage(column, ascending ? 0 : 1);
    m_list.SortItems(CompareRows, ascending ? column : -column - 1);
    POSITION pos = m_list.GetFirstSelectedItemPosition();
    if (pos)
        m_list.EnsureVisible(m_list.GetNextSelectedItem(pos), FALSE);
}

void CUserBrowseDlg::OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    m_nCurRow = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iItem;
}

void CUserBrowseDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (m_list.GetItemCount() > 0)
        OnOK();
}

void CUserBrowseDlg::OnOK() {
    if (!m_bMultiSelect) {
        // The selected row (sorting moves rows, so a remembered row number could name another
        // user); without a selection there is nothing to return.
        const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
        if (row < 0)
            return;
        m_strLogName = m_list.GetItemText(row, 0);
        m_strUserName = m_list.GetItemText(row, 1);
        EndDialog(IDOK);
        return;
    }
    if (m_strCurGroup == kAllUsers && !m_bAllowAllUsers) {
        AfxMessageBox("不能选择《所有用户...》，请选择具体的用户组");
        return;
    }
    if (m_list.GetItemCount() == 0) {
        AfxMessageBox("组中无用户，请再选择...");
        return;
    }
    m_arrLogNames.RemoveAll();
    m_arrUserNames.RemoveAll();
    for (int i = 0; i < m_list.GetItemCount(); ++i) {
        if (m_list.GetItemState(i, LVIS_SELECTED) & LVIS_SELECTED) {
            m_arrLogNames.Add(m_list.GetItemText(i, 0));
            m_arrUserNames.Add(m_list.GetItemText(i, 1));
        }
    }
    EndDialog(IDOK);
}

void CUserBrowseDlg::OnDestroy() {
    FreeItemTexts();
    CDialog::OnDestroy();
}
