#include "controls/SelectGroupDlg.h"

#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/DataExchange.h"

namespace {

const vq::DialogTemplate kSelectGroupTemplate{
    "选择用户组",
    {vq::ReportList(1060, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL),
     vq::DefPushButton(1236, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kSelectGroupRegistration(CSelectGroupDlg::IDD, kSelectGroupTemplate);

constexpr char kFieldSeparator = '\x1f';
constexpr const char* kGroupStatement =
    "Select GroupName,GroupDescription,Groupmanager FROM GroupInformation";

} // namespace

BEGIN_MESSAGE_MAP(CSelectGroupDlg, CDialog)
    ON_BN_CLICKED(1236, &CSelectGroupDlg::OnOkButton)
    ON_NOTIFY(LVN_ITEMCHANGED, 1060, &CSelectGroupDlg::OnItemChanged)
    ON_NOTIFY(NM_DBLCLK, 1060, &CSelectGroupDlg::OnDblClick)
END_MESSAGE_MAP()

CSelectGroupDlg::CSelectGroupDlg(CWnd* parent) : CDialog(IDD, parent) {}

CSelectGroupDlg::~CSelectGroupDlg() {
    FreeItemTexts();
}

void CSelectGroupDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, 1060, m_list);
}

void CSelectGroupDlg::FreeItemTexts() {
    DeleteItemTexts(m_itemTexts);
}

BOOL CSelectGroupDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_imageRows.Create(160, 19, 1, RGB(0xC0, 0xFF, 0xC0));
    m_imageArrows.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.SetImageList(&m_imageRows, LVSIL_NORMAL);
    m_list.SetImageList(&m_imageRows, LVSIL_SMALL);
    m_list.m_header.SetImageList(&m_imageArrows);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    m_list.InsertColumn(0, "组名", LVCFMT_LEFT, 200);
    m_list.InsertColumn(1, "组描述", LVCFMT_LEFT, 200);
    m_list.InsertColumn(2, "组负责人", LVCFMT_LEFT, 100);
    LoadGroups();
    if (m_nCurRow >= 0) {
        const int row = m_nCurRow;
        m_list.SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list.EnsureVisible(row, FALSE);
        m_nCurRow = row;
    }
    return TRUE;
}

void CSelectGroupDlg::LoadGroups() {
    m_list.DeleteAllItems();
    FreeItemTexts();
    m_nCurRow = -1;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(kGroupStatement, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        int row = 0;
        while (!rs->IsEOF()) {
            auto* item = new CItemText;
            item->m_cSeparator = kFieldSeparator;
            for (long f = 0; f < 3; ++f)
                item->SetField(static_cast<int>(f), VariantToString(rs->GetCollect(f)));
            m_itemTexts.Add(item);
            m_list.InsertItem(row, item->GetField(0), 1);
            m_list.SetItemText(row, 1, item->GetField(1));
            m_list.SetItemText(row, 2, item->GetField(2));
            m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(item));
            if (item->GetField(0).CompareNoCase(m_strGroupName) == 0)
                m_nCurRow = row;
            ++row;
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
        AfxMessageBox(kGroupStatement);
    }
}

void CSelectGroupDlg::OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    m_nCurRow = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iItem;
}

void CSelectGroupDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    OnOkButton();
}

void CSelectGroupDlg::OnOkButton() {
    // The selected row: a remembered row number of a deselection would name a group the user
    // did not choose.
    const int row = m_list.GetNextItem(-1, LVNI_SELECTED);
    if (m_list.GetItemCount() < 1 || row < 0)
        return;
    m_strGroupName = m_list.GetItemText(row, 0);
    m_strGroupManager = m_list.GetItemText(row, 2);
    EndDialog(IDOK);
}

// The template has no OK button; an OK command (Enter) chooses as the button 1236 does.
void CSelectGroupDlg::OnOK() {
    OnOkButton();
}

void CSelectGroupDlg::OnDestroy() {
    FreeItemTexts();
    CDialog::OnDestroy();
}
