#include "changeorders/SelectDeptDlg.h"

#include "controls/ItemTextSort.h"
#include "controls/ListHelpers.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"

namespace {

constexpr int kListId = 1060;

const vq::DialogTemplate kSelectDeptTemplate{
    "选择部门",
    {vq::ReportList(kListId, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)},
    CSize(423, 331)};

const vq::TemplateRegistration kSelectDeptRegistration(CSelectDeptDlg::IDD, kSelectDeptTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CSelectDeptDlg, CDialog)
    ON_NOTIFY(LVN_COLUMNCLICK, kListId, &CSelectDeptDlg::OnColumnClick)
END_MESSAGE_MAP()

CSelectDeptDlg::CSelectDeptDlg(CWnd* parent) : CDialog(IDD, parent) {}

CSelectDeptDlg::~CSelectDeptDlg() {
    DeleteItemTexts(m_arrRows);
}

void CSelectDeptDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
}

BOOL CSelectDeptDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_imageArrows.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_imageArrows);
    m_imageRows.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (HICON icon = vq::LoadIconResource(166))
        m_imageRows.Add(icon);
    m_list.SetImageList(&m_imageRows, LVSIL_SMALL);
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(0, "编号", LVCFMT_LEFT, 120);
    m_list.InsertColumn(1, "名称", LVCFMT_LEFT, 120);
    m_list.InsertColumn(2, "负责人", LVCFMT_LEFT, 120);
    LoadDepartments();
    return TRUE;
}

void CSelectDeptDlg::LoadDepartments() {
    CWaitCursor wait;
    m_list.DeleteAllItems();
    DeleteItemTexts(m_arrRows);
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT Code,Name,Manager FROM EnpartmentManage", m_pConnection, adOpenForwardOnly,
                 adLockReadOnly, adCmdText);
        AppendItemTextRows(m_list, rs, 3, m_arrRows);
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CSelectDeptDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    SortListByItemText(m_list, reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem);
}

void CSelectDeptDlg::OnOK() {
    m_arrDeptCode.RemoveAll();
    m_arrDeptName.RemoveAll();
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        if (!(m_list.GetItemState(row, LVIS_SELECTED) & LVIS_SELECTED))
            continue;
        m_arrDeptCode.Add(m_list.GetItemText(row, 0));
        m_arrDeptName.Add(m_list.GetItemText(row, 1));
    }
    if (m_arrDeptCode.GetSize() < 1) {
        AfxMessageBox("请选择部门...");
        return;
    }
    EndDialog(IDOK);
}

void CSelectDeptDlg::PostNcDestroy() {
    DeleteItemTexts(m_arrRows);
    CDialog::PostNcDestroy();
}
