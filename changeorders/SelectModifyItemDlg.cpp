#include "changeorders/SelectModifyItemDlg.h"

#include "changeorders/ECOConfigure.h"
#include "changeorders/NoticeFormView.h"
#include "controls/ItemTextSort.h"
#include "controls/ListHelpers.h"
#include "controls/UserBrowseDlg.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "parts/DwgDetailDlg.h"
#include "parts/PartBrowseDlg.h"
#include "parts/PartSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"

#include <algorithm>
#include <vector>

namespace {

using Dlg = CSelectModifyItemDlg;

const vq::DialogTemplate kSelectModifyTemplate{
    "选择修改单信息",
    {vq::Label("编号:"), vq::EditBox(Dlg::kOrderNoId), vq::Label("编制人:", vq::kBeside),
     vq::EditBox(Dlg::kSaveUserId, vq::kBeside), vq::PushButton(Dlg::kUserButtonId, "...", vq::kBeside),
     vq::Label("涉及图号:", vq::kBeside), vq::EditBox(Dlg::kPartCodeId, vq::kBeside),
     vq::PushButton(Dlg::kPartButtonId, "...", vq::kBeside),
     vq::ReportList(Dlg::kListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS),
     vq::CheckBox(Dlg::kSearchModeId, "查询模式"),
     vq::PushButton(Dlg::kPartPropId, "零部件属性..", vq::kBeside),
     vq::PushButton(Dlg::kOrderPropId, "单据属性...", vq::kBeside),
     vq::DefPushButton(Dlg::kSearchId, "查询...", vq::kBeside), vq::PushButton(IDOK, "确定", vq::kBeside),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)},
    CSize(722, 484)};

const vq::TemplateRegistration kSelectModifyRegistration(CSelectModifyItemDlg::IDD, kSelectModifyTemplate);

constexpr int kColumns = 6;

} // namespace

BEGIN_MESSAGE_MAP(CSelectModifyItemDlg, CDialog)
    ON_BN_CLICKED(CSelectModifyItemDlg::kSearchId, &CSelectModifyItemDlg::OnSearch)
    ON_BN_CLICKED(CSelectModifyItemDlg::kUserButtonId, &CSelectModifyItemDlg::OnBrowseUser)
    ON_BN_CLICKED(CSelectModifyItemDlg::kPartButtonId, &CSelectModifyItemDlg::OnBrowsePart)
    ON_BN_CLICKED(CSelectModifyItemDlg::kPartPropId, &CSelectModifyItemDlg::OnPartProperty)
    ON_BN_CLICKED(CSelectModifyItemDlg::kOrderPropId, &CSelectModifyItemDlg::OnOrderProperty)
    ON_NOTIFY(NM_DBLCLK, CSelectModifyItemDlg::kListId, &CSelectModifyItemDlg::OnDblClick)
    ON_NOTIFY(LVN_COLUMNCLICK, CSelectModifyItemDlg::kListId, &CSelectModifyItemDlg::OnColumnClick)
END_MESSAGE_MAP()

CSelectModifyItemDlg::CSelectModifyItemDlg(CWnd* parent) : CDialog(IDD, parent) {}

CSelectModifyItemDlg::~CSelectModifyItemDlg() {
    DeleteItemTexts(m_arrRows);
}

void CSelectModifyItemDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
    DDX_Text(pDX, kOrderNoId, m_strOrderNo);
    DDX_Text(pDX, kSaveUserId, m_strSaveUser);
    DDX_Text(pDX, kPartCodeId, m_strPartCode);
    DDX_Check(pDX, kSearchModeId, m_bSearchMode);
}

BOOL CSelectModifyItemDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(0, "序号", LVCFMT_LEFT, 40);
    m_list.InsertColumn(1, "编号", LVCFMT_LEFT, 120);
    m_list.InsertColumn(2, "优先级", LVCFMT_LEFT, 70);
    m_list.InsertColumn(3, "编制人", LVCFMT_LEFT, 100);
    m_list.InsertColumn(4, "编制日期", LVCFMT_LEFT, 100);
    m_list.InsertColumn(5, "状态", LVCFMT_LEFT, 50);
    UpdateData(FALSE);
    if (!m_strPartCode.IsEmpty() && m_bLockPart) {
        static_cast<CEdit*>(GetDlgItem(kPartCodeId))->SetReadOnly(TRUE);
        GetDlgItem(kPartButtonId)->EnableWindow(FALSE);
        GetDlgItem(kSearchModeId)->EnableWindow(FALSE);
        OnSearch();
    }
    return TRUE;
}

CString CSelectModifyItemDlg::BuildSearchSql() const {
    // The number and author filters take "*" for any text and every other character stands for
    // itself; the part code is a LIKE pattern as typed ("%" and "_" are wildcards there).
    CStringArray conditions;
    CString condition;
    if (!m_strOrderNo.IsEmpty()) {
        condition.Format("ECONo LIKE '%s'%s", SqlLikeWildcard(m_strOrderNo), kSqlLikeEscape);
        conditions.Add(condition);
    }
    if (!m_strSaveUser.IsEmpty()) {
        condition.Format("SaveUser LIKE '%s'%s", SqlLikeWildcard(m_strSaveUser), kSqlLikeEscape);
        conditions.Add(condition);
    }
    if (!m_strPartCode.IsEmpty()) {
        condition.Format("ECONo IN (SELECT ECONo FROM %s WHERE PartCode LIKE '%s')", "ECOModifyPart",
                         SqlQuote(m_strPartCode));
        conditions.Add(condition);
    }
    CString sql = "SELECT ECONo,ECOLevel,SaveUser,SaveDate,State FROM ECOModifyManage";
    for (int i = 0; i < conditions.GetSize(); ++i)
        sql += (i == 0 ? " WHERE " : " AND ") + conditions[i];
    return sql;
}

void CSelectModifyItemDlg::OnSearch() {
    UpdateData(TRUE);
    GetDlgItem(IDOK)->EnableWindow(FALSE);
    CWaitCursor wait;
    m_list.DeleteAllItems();
    DeleteItemTexts(m_arrRows);
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(BuildSearchSql(), m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* record = new CItemText;
            CString number;
            number.Format("%d", m_list.GetItemCount() + 1);
            record->SetFirstField(number);
            for (long f = 0; f < 5; ++f)
                record->SetField(static_cast<int>(f) + 1, VariantToString(rs->GetCollect(f)));
            const int row = m_list.InsertItem(m_list.GetItemCount(), number);
            m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            for (int c = 1; c < kColumns; ++c)
                m_list.SetItemText(row, c, record->GetField(c));
            m_arrRows.Add(record);
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
    if (m_list.GetItemCount() > 0)
        GetDlgItem(IDOK)->EnableWindow(TRUE);
}

void CSelectModifyItemDlg::OnBrowseUser() {
    UpdateData(TRUE);
    CUserBrowseDlg dlg;
    if (dlg.DoModal() != IDOK)
        return;
    m_strSaveUser = dlg.m_strUserName;
    UpdateData(FALSE);
}

void CSelectModifyItemDlg::OnBrowsePart() {
    UpdateData(TRUE);
    CWaitCursor wait;
    if (m_bSearchMode) {
        CPartSelectDlg dlg;
        dlg.m_strCode = m_strPartCode;
        if (dlg.DoModal() != IDOK)
            return;
        m_strPartCode = dlg.m_strSelCode;
    } else {
        CPartBrowseDlg dlg;
        dlg.m_childFilter = 2;
        if (dlg.DoModal() != IDOK)
            return;
        m_strPartCode = dlg.m_partCode;
    }
    UpdateData(FALSE);
}

void CSelectModifyItemDlg::OnPartProperty() {
    UpdateData(TRUE);
    if (m_strPartCode.IsEmpty()) {
        AfxMessageBox("请先指定零部件图号...");
        return;
    }
    CDwgDetailDlg dlg;
    dlg.m_strTablePrefix = "VqkorvelAll";
    dlg.m_strRevision.Empty();
    dlg.m_strPartCode = m_strPartCode;
    dlg.DoModal();
}

void CSelectModifyItemDlg::OnOrderProperty() {
    const int row = GetFirstSelectedItem(m_list);
    if (row < 0) {
        AfxMessageBox("未选中任何内容...");
        return;
    }
    ShowNoticeReadOnly(kModifyNoticeGroup, m_list.GetItemText(row, 1));
}

void CSelectModifyItemDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    OnOK();
}

void CSelectModifyItemDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    CWaitCursor wait;
    SortListByItemText(m_list, reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem);
    RenumberRows();
}

// After a sort column 0 counts the rows from the top again; each row gets a record of its new
// texts (the earlier records stay in m_arrRows until the next search).
void CSelectModifyItemDlg::RenumberRows() {
    int lastSelected = -1;
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        auto* record = new CItemText;
        CString number;
        number.Format("%d", row + 1);
        m_list.SetItemText(row, 0, number);
        record->SetFirstField(number);
        for (int c = 1; c < kColumns; ++c)
            record->SetField(c, m_list.GetItemText(row, c));
        m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
        m_arrRows.Add(record);
        if (m_list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)
            lastSelected = row;
    }
    if (lastSelected >= 0)
        m_list.EnsureVisible(lastSelected, TRUE);
}

void CSelectModifyItemDlg::OnOK() {
    m_arrSelectedNo.RemoveAll();
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        if (m_list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)
            m_arrSelectedNo.Add(m_list.GetItemText(row, 1));
    if (m_arrSelectedNo.GetSize() < 1) {
        AfxMessageBox("未选中任何内容...");
        return;
    }
    m_strSelectedNo = m_arrSelectedNo[0];
    EndDialog(IDOK);
}

void CSelectModifyItemDlg::PostNcDestroy() {
    DeleteItemTexts(m_arrRows);
    CDialog::PostNcDestroy();
}

CString AppendRelatedNumbers(const CString& text, const CStringArray& numbers) {
    std::vector<CString> entries;
    for (int start = 0; start <= text.GetLength();) {
        int end = text.Find(';', start);
        if (end < 0)
            end = text.GetLength();
        CString entry = text.Mid(start, end - start);
        entry.Trim();
        if (!entry.IsEmpty())
            entries.push_back(entry);
        start = end + 1;
    }
    CString result = text;
    for (int i = 0; i < numbers.GetSize(); ++i) {
        const CString& number = numbers[i];
        const bool listed = std::any_of(entries.begin(), entries.end(), [&number](const CString& entry) {
            return entry.CompareNoCase(number) == 0;
        });
        if (listed || number.IsEmpty())
            continue;
        result += (result.IsEmpty() ? "" : "; ") + number;
        entries.push_back(number);
    }
    return result;
}
