#include "teamwork/SelectWorkPartDlg.h"

#include "controls/ItemTextSort.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"
#include "teamwork/WorkPartIds.h"

using namespace teamwork::part_ids;

namespace {

const vq::DialogTemplate kSelectWorkPartTemplate{
    "选择工作零部件",
    {vq::ReportList(kWorkPartList, vq::kFill, LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL),
     vq::Label("零部件图号"), vq::EditBox(kPickedCode, vq::kNoLayoutFlags, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("零部件图名", vq::kBeside),
     vq::EditBox(kPickedName, vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::CheckBox(kManualInput, "手工输入", vq::kBeside), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside),
     vq::PushButton(kClearAssociation, "撤消关联", vq::kBeside)},
    CSize(560, 360)};

constexpr int kColumns = 5;

// The row records keep their fields apart with a character that part codes and names do not hold.
constexpr char kFieldSeparator = '\x1f';

CString UsedFlagText(const CString& flag) {
    return flag == "0" ? CString("未") : CString("已");
}

CString StateText(const CString& state) {
    if (state == "分配")
        return "上级分配";
    if (state == "自动")
        return "独自设计";
    return state;
}

} // namespace

BEGIN_MESSAGE_MAP(CSelectWorkPartDlg, CDialog)
    ON_NOTIFY(LVN_ITEMCHANGED, kWorkPartList, &CSelectWorkPartDlg::OnItemchangedList)
    ON_NOTIFY(LVN_COLUMNCLICK, kWorkPartList, &CSelectWorkPartDlg::OnColumnclickList)
    ON_NOTIFY(NM_DBLCLK, kWorkPartList, &CSelectWorkPartDlg::OnDblclkListOK)
    ON_BN_CLICKED(kManualInput, &CSelectWorkPartDlg::OnManualInput)
    ON_BN_CLICKED(kClearAssociation, &CSelectWorkPartDlg::OnClearAssociation)
END_MESSAGE_MAP()

CSelectWorkPartDlg::CSelectWorkPartDlg(CWnd* parent) : CDialog(kSelectWorkPartTemplate, parent) {}

CSelectWorkPartDlg::~CSelectWorkPartDlg() {
    DeleteItemTexts(m_records);
}

void CSelectWorkPartDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kWorkPartList, m_list);
    DDX_Check(pDX, kManualInput, m_bManualInput);
}

BOOL CSelectWorkPartDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nDatabaseType = theApp.m_nDatabaseType;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_arrowImages.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_arrowImages);
    m_rowImages.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    if (HICON icon = vq::LoadIconResource(6007))
        m_rowImages.Add(icon);
    m_list.SetImageList(&m_rowImages, LVSIL_SMALL);
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const std::pair<const char*, int> columns[kColumns] = {
        {"图号", 140}, {"图名", 140}, {"负责人", 70}, {"已提交", 70}, {"类型", 90}};
    for (int c = 0; c < kColumns; ++c)
        m_list.InsertColumn(c, columns[c].first, LVCFMT_LEFT, columns[c].second);
    FillPartList();
    if (m_list.GetItemCount() > 0) {
        if (m_nCurrentRow == -1)
            m_nCurrentRow = 0;
        m_list.SetItemState(m_nCurrentRow, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list.EnsureVisible(m_nCurrentRow, FALSE);
        ShowRowInBoxes(m_nCurrentRow);
    } else {
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    return TRUE;
}

void CSelectWorkPartDlg::PostNcDestroy() {
    DeleteItemTexts(m_records);
    CDialog::PostNcDestroy();
}

void CSelectWorkPartDlg::FillPartList() {
    CWaitCursor wait;
    m_list.DeleteAllItems();
    DeleteItemTexts(m_records);
    if (m_strScopeCode.IsEmpty())
        return;
    CString sql;
    if (!m_bTaskScope)
        sql.Format("SELECT PartCode, PartName, UserName, UsedFlag, State FROM TeamWorkPart WHERE WorkID='%s'",
                   SqlQuote(m_strScopeCode));
    else if (m_nDatabaseType == 2)
        sql.Format(
            "SELECT PartCode, PartName, UserName, UsedFlag, State FROM TeamWorkPart WHERE rtrim(WorkID) IN "
            "(SELECT WorkID FROM TeamWorkManage WHERE TaskNo='%s')",
            SqlQuote(m_strScopeCode));
    else
        sql.Format("SELECT PartCode, PartName, UserName, UsedFlag, State FROM TeamWorkPart WHERE WorkID IN "
                   "(SELECT WorkID FROM TeamWorkManage WHERE TaskNo='%s')",
                   SqlQuote(m_strScopeCode));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            CString texts[kColumns];
            for (int c = 0; c < kColumns; ++c)
                texts[c] = VariantToString(rs->GetCollect(static_cast<long>(c)));
            texts[3] = UsedFlagText(texts[3]);
            texts[4] = StateText(texts[4]);
            auto* record = new CItemText;
            record->m_cSeparator = kFieldSeparator;
            for (int c = 0; c < kColumns; ++c)
                record->SetField(c, texts[c]);
            m_records.Add(record);
            const int row = m_list.InsertItem(m_list.GetItemCount(), texts[0], 0);
            for (int c = 1; c < kColumns; ++c)
                m_list.SetItemText(row, c, texts[c]);
            m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            if (texts[0].CompareNoCase(m_strPartCode) == 0)
                m_nCurrentRow = row;
            rs->MoveNext();
        }
        if (m_nAdoCloseMode && rs->GetState() == adStateOpen)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CSelectWorkPartDlg::ShowRowInBoxes(int row) {
    if (row < 0 || row >= m_list.GetItemCount())
        return;
    SetDlgItemText(kPickedCode, m_list.GetItemText(row, 0));
    SetDlgItemText(kPickedName, m_list.GetItemText(row, 1));
}

void CSelectWorkPartDlg::OnItemchangedList(NMHDR* header, LRESULT* result) {
    *result = 0;
    const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
    // Only a row that becomes selected becomes the current row; a row that loses the selection
    // stays current, so that OK still takes it.
    if (!(change->uChanged & LVIF_STATE) || !(change->uNewState & LVIS_SELECTED) ||
        (change->uOldState & LVIS_SELECTED))
        return;
    if (change->iItem == m_nCurrentRow)
        return;
    m_nCurrentRow = change->iItem;
    UpdateData(TRUE);
    if (!m_bManualInput)
        ShowRowInBoxes(m_nCurrentRow);
}

void CSelectWorkPartDlg::OnColumnclickList(NMHDR* header, LRESULT* result) {
    *result = 0;
    // The current row is followed through the sort by its record.
    const DWORD_PTR current =
        m_nCurrentRow >= 0 && m_nCurrentRow < m_list.GetItemCount() ? m_list.GetItemData(m_nCurrentRow) : 0;
    SortListByItemText(m_list, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
    if (current) {
        for (int row = 0; row < m_list.GetItemCount(); ++row)
            if (m_list.GetItemData(row) == current)
                m_nCurrentRow = row;
    }
}

void CSelectWorkPartDlg::OnDblclkListOK(NMHDR*, LRESULT* result) {
    OnOK();
    *result = 0;
}

void CSelectWorkPartDlg::SetBoxesEditable(bool editable) {
    for (int id : {kPickedCode, kPickedName})
        if (auto* edit = dynamic_cast<CEdit*>(GetDlgItem(id)))
            edit->SetReadOnly(!editable);
}

void CSelectWorkPartDlg::OnManualInput() {
    UpdateData(TRUE);
    SetBoxesEditable(m_bManualInput != 0);
    GetDlgItem(IDOK)->EnableWindow(m_bManualInput || m_list.GetItemCount() > 0);
}

void CSelectWorkPartDlg::OnOK() {
    UpdateData(TRUE);
    // A part typed by hand can be confirmed also when no row was ever current (empty list).
    if (m_nCurrentRow == -1 && !m_bManualInput) {
        AfxMessageBox("请先选择零部件...");
        return;
    }
    CString code, name;
    if (m_bManualInput) {
        GetDlgItemText(kPickedCode, code);
        GetDlgItemText(kPickedName, name);
    } else {
        code = m_list.GetItemText(m_nCurrentRow, 0);
        name = m_list.GetItemText(m_nCurrentRow, 1);
    }
    if (code.IsEmpty()) {
        AfxMessageBox("图号不能为空...");
        return;
    }
    m_strPartCode = code;
    m_strPartName = name;
    EndDialog(IDOK);
}

void CSelectWorkPartDlg::OnClearAssociation() {
    m_strPartCode.Empty();
    m_strPartName.Empty();
    EndDialog(IDOK);
}
