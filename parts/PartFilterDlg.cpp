#include "parts/PartFilterDlg.h"

#include "parts/FilterConditionDlg.h"
#include "parts/PartFilterCondition.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kPartFilterTemplate{
    "设置零部件过滤条件",
    {vq::ReportList(1000, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_EDITLABELS), vq::Label("比较项:"),
     vq::DropDownList(1266, vq::kBeside), vq::PushButton(1090, "增加", vq::kBeside),
     vq::PushButton(1091, "删除...", vq::kBeside), vq::PushButton(1007, "条件...", vq::kBeside),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "退出", vq::kBeside)}};

enum Column { kItemColumn = 0, kOperatorColumn = 1, kValueColumn = 2 };

} // namespace

BEGIN_MESSAGE_MAP(CPartFilterDlg, CDialog)
    ON_BN_CLICKED(1090, &CPartFilterDlg::OnAdd)
    ON_BN_CLICKED(1091, &CPartFilterDlg::OnDelete)
    ON_BN_CLICKED(1007, &CPartFilterDlg::OnCondition)
    ON_NOTIFY(NM_DBLCLK, 1000, &CPartFilterDlg::OnDblClkList)
    ON_NOTIFY(LVN_ITEMCHANGED, 1000, &CPartFilterDlg::OnItemChangedList)
END_MESSAGE_MAP()

CPartFilterDlg::CPartFilterDlg(CWnd* parent) : CDialog(kPartFilterTemplate, parent) {}

void CPartFilterDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1000, m_list);
    DDX_Control(pDX, 1266, m_comboItems);
}

BOOL CPartFilterDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(kItemColumn, "比较项", LVCFMT_LEFT, 90);
    m_list.InsertColumn(kOperatorColumn, "条件", LVCFMT_LEFT, 60);
    m_list.InsertColumn(kValueColumn, "条件值", LVCFMT_LEFT, 120);
    // Only the value column is edited in place.
    m_list.m_editable = 1;
    m_list.m_editColumns.Add(kValueColumn);

    for (int i = 0; i < kPartFilterItemCount; ++i)
        m_comboItems.AddString(kPartFilterItems[i]);
    m_comboItems.SetCurSel(0);

    for (const PartFilterText& condition : LoadPartFilterList())
        AddRow(condition.item, condition.op, condition.value);
    UpdateDeleteButton();
    return TRUE;
}

void CPartFilterDlg::AddRow(const CString& item, const CString& op, const CString& value) {
    int row = m_list.InsertItem(m_list.GetItemCount(), item);
    m_list.SetItemText(row, kOperatorColumn, op);
    m_list.SetItemText(row, kValueColumn, value);
}

void CPartFilterDlg::UpdateDeleteButton() {
    if (CWnd* button = GetDlgItem(1091))
        button->EnableWindow(m_list.GetItemCount() > 0);
}

void CPartFilterDlg::OnAdd() {
    int index = m_comboItems.GetCurSel();
    CString item = kPartFilterItems[index >= 0 && index < kPartFilterItemCount ? index : 0];
    AddRow(item, "含", "");
    UpdateDeleteButton();
}

void CPartFilterDlg::OnDelete() {
    if (vq::ShowMessageBox("操作提示", "是否真的要删除?", MB_YESNO | MB_ICONEXCLAMATION) != IDYES)
        return;
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row) {
        if (m_list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED)
            m_list.DeleteItem(row);
    }
    UpdateDeleteButton();
}

void CPartFilterDlg::OnCondition() {
    POSITION pos = m_list.GetFirstSelectedItemPosition();
    int row = pos ? m_list.GetNextSelectedItem(pos) : -1;
    if (row < 0) {
        AfxMessageBox("请先选择过滤条件项...");
        return;
    }
    CFilterConditionDlg dlg(this);
    dlg.m_nItem = PartFilterItemIndex(m_list.GetItemText(row, kItemColumn));
    dlg.m_strOperator = m_list.GetItemText(row, kOperatorColumn);
    if (dlg.DoModal() != IDOK)
        return;
    if (dlg.m_nItem >= 0 && dlg.m_nItem < kPartFilterItemCount)
        m_list.SetItemText(row, kItemColumn, kPartFilterItems[dlg.m_nItem]);
    m_list.SetItemText(row, kOperatorColumn, dlg.m_strOperator);
}

void CPartFilterDlg::OnDblClkList(NMHDR*, LRESULT* result) {
    OnCondition();
    *result = 0;
}

void CPartFilterDlg::OnItemChangedList(NMHDR*, LRESULT* result) {
    UpdateDeleteButton();
    *result = 0;
}

void CPartFilterDlg::OnOK() {
    // Rows without a value filter nothing: they are dropped before the list is stored.
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row) {
        CString value = m_list.GetItemText(row, kValueColumn);
        if (value.Trim().IsEmpty())
            m_list.DeleteItem(row);
    }
    UpdateDeleteButton();
    std::vector<PartFilterText> conditions;
    for (int row = 0; row < m_list.GetItemCount(); ++row)
        conditions.push_back({m_list.GetItemText(row, kItemColumn), m_list.GetItemText(row, kValueColumn),
                              m_list.GetItemText(row, kOperatorColumn)});
    if (!PartFilterListFits(FormatPartFilterList(conditions))) {
        AfxMessageBox("条件太多，不能正常存储...");
        return;
    }
    StorePartFilterList(conditions);
    EndDialog(IDOK);
}
