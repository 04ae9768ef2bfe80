#include "changeorders/PartChangeHistoryDlg.h"

#include "changeorders/ECOAuditResultDlg.h"
#include "changeorders/NoticeFormView.h"
#include "controls/DocViewLauncher.h"
#include "controls/ItemTextSort.h"
#include "controls/ListHelpers.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "parts/ChangeOrderSheet.h"
#include "parts/PartBorrowQueryDlg.h"
#include "parts/PartRevSelectDlg.h"
#include "platform/base/File.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/os/ShellOpen.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/Edit.h"
#include "platform/ui/FileDialog.h"

namespace {

using Dlg = CPartChangeHistoryDlg;

const vq::DialogTemplate kPartChangeHistoryTemplate{
    "零部件更改历史",
    {vq::GroupFrame("", Dlg::kFrameId), vq::CheckBox(Dlg::kProductCheckId, "产品"),
     vq::Label("零部件图号:", vq::kBeside), vq::EditBox(Dlg::kPartCodeId, vq::kBeside, ES_READONLY),
     vq::PushButton(Dlg::kPartButtonId, "...", vq::kBeside), vq::Label("零部件图名:", vq::kBeside),
     vq::EditBox(Dlg::kPartNameId, vq::kBeside, ES_READONLY), vq::Label("负责人:", vq::kBeside),
     vq::EditBox(Dlg::kManagerId, vq::kBeside, ES_READONLY),
     vq::PushButton(Dlg::kManagerButtonId, "...", vq::kBeside, WS_DISABLED),
     vq::ReportList(Dlg::kListId, vq::kFill, LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS),
     vq::PushButton(IDCANCEL, "退出", vq::kRightColumn), vq::DropDownList(Dlg::kStateComboId, vq::kRightColumn),
     vq::CheckBox(Dlg::kAllProductsId, "所有产品", vq::kRightColumn, WS_DISABLED),
     vq::CheckBox(Dlg::kResponsibleId, "负 责 制", vq::kRightColumn, WS_DISABLED),
     vq::CheckBox(Dlg::kSearchModeId, "查询模式", vq::kRightColumn),
     vq::DefPushButton(Dlg::kStartId, "开始...", vq::kRightColumn),
     vq::PushButton(Dlg::kExportId, "导出...", vq::kRightColumn),
     vq::PushButton(Dlg::kDrawingPropId, "图纸属性...", vq::kRightColumn),
     vq::PushButton(Dlg::kBorrowId, "涉及借用...", vq::kRightColumn),
     vq::PushButton(Dlg::kOrderPropId, "单据属性...", vq::kRightColumn),
     vq::PushButton(Dlg::kAuditResultId, "评审结果...", vq::kRightColumn),
     vq::CheckBox(Dlg::kByProductClassId, "产品大类", vq::kRightColumn)},
    CSize(882, 584)};

const vq::TemplateRegistration kPartChangeHistoryRegistration(CPartChangeHistoryDlg::IDD,
                                                              kPartChangeHistoryTemplate);

struct ColumnSpec {
    const char* header;
    int width;
};
constexpr ColumnSpec kColumns[] = {{"序号", 50},   {"类  型", 80},   {"编  号", 135},    {"图  号", 100},
                                   {"图  名", 100}, {"更改日期", 120}, {"状态/更新", 90}, {"版本", 50}};
constexpr int kColumnCount = 8;

const char* const kSelectRelease =
    "SELECT ECOGroup, ECONo, PartCode, PartName, SaveDate, IsChanged, RevNo FROM ECOPartRelease WHERE PartCode='%s'";

// Widths in bytes of the export's columns; the last column is not padded.
constexpr std::size_t kExportWidths[] = {6, 10, 25, 30, 30, 15, 10};

// A text in the export's code page, padded with blanks to width bytes (as "%-*s" pads).
std::string PaddedGbk(const CString& text, std::size_t width) {
    std::string bytes = vq::Utf8ToGbk(text.str());
    if (bytes.size() < width)
        bytes.append(width - bytes.size(), ' ');
    return bytes;
}

std::string ExportLine(const CString (&fields)[kColumnCount]) {
    std::string line;
    for (int c = 0; c < kColumnCount - 1; ++c)
        line += PaddedGbk(fields[c], kExportWidths[c]);
    return line + vq::Utf8ToGbk(fields[kColumnCount - 1].str()) + "\r\n";
}

} // namespace

BEGIN_MESSAGE_MAP(CPartChangeHistoryDlg, CDialog)
    ON_BN_CLICKED(CPartChangeHistoryDlg::kStartId, &CPartChangeHistoryDlg::OnStart)
    ON_CBN_CLOSEUP(CPartChangeHistoryDlg::kStateComboId, &CPartChangeHistoryDlg::OnStateCloseUp)
    ON_BN_CLICKED(CPartChangeHistoryDlg::kOrderPropId, &CPartChangeHistoryDlg::OnOrderProperty)
    ON_BN_CLICKED(CPartChangeHistoryDlg::kAuditResultId, &CPartChangeHistoryDlg::OnAuditResult)
    ON_BN_CLICKED(CPartChangeHistoryDlg::kBorrowId, &CPartChangeHistoryDlg::OnBorrow)
    ON_BN_CLICKED(CPartChangeHistoryDlg::kDrawingPropId, &CPartChangeHistoryDlg::OnDrawingProperty)
    ON_BN_CLICKED(CPartChangeHistoryDlg::kExportId, &CPartChangeHistoryDlg::OnExport)
    ON_NOTIFY(NM_DBLCLK, CPartChangeHistoryDlg::kListId, &CPartChangeHistoryDlg::OnDblClick)
    ON_NOTIFY(LVN_COLUMNCLICK, CPartChangeHistoryDlg::kListId, &CPartChangeHistoryDlg::OnColumnClick)
END_MESSAGE_MAP()

CPartChangeHistoryDlg::CPartChangeHistoryDlg(CWnd* parent) : CDialog(IDD, parent) {}

CPartChangeHistoryDlg::~CPartChangeHistoryDlg() {
    DeleteItemTexts(m_arrRows);
}

void CPartChangeHistoryDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_list);
    DDX_Control(pDX, kStateComboId, m_comboState);
    DDX_Text(pDX, kPartCodeId, m_strPartCode);
    DDX_Text(pDX, kPartNameId, m_strPartName);
    DDX_Text(pDX, kManagerId, m_strManager);
    DDX_CBIndex(pDX, kStateComboId, m_nStateFilter);
    DDX_Check(pDX, kByProductClassId, m_bByProductClass);
    DDX_Check(pDX, kProductCheckId, m_bProduct);
    DDX_Check(pDX, kAllProductsId, m_bAllProducts);
    DDX_Check(pDX, kResponsibleId, m_bResponsible);
    DDX_Check(pDX, kSearchModeId, m_bSearchMode);
}

BOOL CPartChangeHistoryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_imageArrows.Create(344, 16, 10, RGB(0, 0, 0));
    m_list.m_header.SetImageList(&m_imageArrows);
    m_pConnection = theApp.m_pConnPDM;
    m_strManager = theApp.m_strLoginUser;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_list.SetExtendedStyle(m_list.GetExtendedStyle() | LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (int c = 0; c < kColumnCount; ++c)
        m_list.InsertColumn(c, kColumns[c].header, LVCFMT_LEFT, kColumns[c].width);
    for (const char* state : {"未更新", "已更新", "所有正式"})
        m_comboState.AddString(state);
    m_comboState.AddString("编制中");
    m_bByProductClass = ReadSettingInt("选择产品", "按产品大类", "0");
    UpdateData(FALSE);
    // The part is fixed for the whole life of the dialog.
    GetDlgItem(kPartButtonId)->EnableWindow(FALSE);
    GetDlgItem(kProductCheckId)->EnableWindow(FALSE);
    GetDlgItem(kSearchModeId)->EnableWindow(FALSE);
    if (!m_strPartCode.IsEmpty())
        RunQuery();
    else
        EnableRowButtons(FALSE);

    m_resize.Create(this);
    m_resize.Add(kFrameId, 0, 0, 100, 0);
    m_resize.Add(kListId, 0, 0, 100, 100);
    for (int id : {IDCANCEL, kStateComboId, kAllProductsId, kResponsibleId, kSearchModeId, kStartId, kExportId,
                   kDrawingPropId, kBorrowId, kOrderPropId, kAuditResultId, kByProductClassId})
        m_resize.Add(id, 100, 100, 0, 0);
    m_resize.SetMinimumTrackingSize();
    CenterWindow();
    return TRUE;
}

CString CPartChangeHistoryDlg::BuildQuerySql(int stateFilter) const {
    const CString code = SqlQuote(m_strPartCode);
    CString sql;
    switch (stateFilter) {
    case kNotUpdated:
    case kUpdated:
        sql.Format(CString(kSelectRelease) + " AND %s", code,
                   stateFilter == kNotUpdated ? "IsChanged='否'" : "IsChanged='是'");
        break;
    case kPreparing:
        sql.Format("SELECT '修改单', ECONo, '%s', '%s', SaveDate, State, '' FROM ECOModifyManage WHERE "
                   "State<>'正式' AND ECONo IN (SELECT ECONo FROM ECOModifyPart WHERE PartCode='%s')",
                   code, SqlQuote(m_strPartName), code);
        break;
    default:
        sql.Format(kSelectRelease, code);
        break;
    }
    return sql;
}

void CPartChangeHistoryDlg::OnStart() {
    RunQuery();
}

void CPartChangeHistoryDlg::LookUpPartName() {
    CString sql;
    sql.Format("SELECT TName FROM VqkorvelAll_title WHERE TCode='%s'", SqlQuote(m_strPartCode));
    m_strPartName = theApp.GetSqlString(sql);
    m_strPartName.Trim();
    UpdateData(FALSE);
}

void CPartChangeHistoryDlg::RunQuery() {
    UpdateData(TRUE);
    if (m_strPartName.IsEmpty())
        LookUpPartName();
    CWaitCursor wait;
    m_list.DeleteAllItems();
    DeleteItemTexts(m_arrRows);
    EnableRowButtons(FALSE);
    const CString sql = BuildQuerySql(m_nStateFilter);
    bool complete = true;
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            auto* record = new CItemText;
            CString number;
            number.Format("%d", m_list.GetItemCount() + 1);
            record->SetFirstField(number);
            for (long f = 0; f < kColumnCount - 1; ++f)
                record->SetField(static_cast<int>(f) + 1, VariantToString(rs->GetCollect(f)));
            m_arrRows.Add(record);
            const int row = m_list.InsertItem(m_list.GetItemCount(), number);
            m_list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
            for (int c = 1; c < kColumnCount; ++c)
                m_list.SetItemText(row, c, record->GetField(c));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        complete = false;
        theApp.ReportSqlError(e, sql);
    }
    // After a failed read the rows shown are not the whole history: the row buttons wait for the
    // next query.
    if (complete && m_list.GetItemCount() > 0)
        EnableRowButtons(TRUE);
    if (m_list.GetItemCount() > 0) {
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        m_list.EnsureVisible(0, FALSE);
    }
}

void CPartChangeHistoryDlg::EnableRowButtons(BOOL enable) {
    for (int id : {kBorrowId, kOrderPropId, kAuditResultId})
        GetDlgItem(id)->EnableWindow(enable);
}

void CPartChangeHistoryDlg::OnStateCloseUp() {
    const int index = m_comboState.GetCurSel();
    if (index == m_nStateFilter || index < 0 || m_strPartCode.IsEmpty())
        return;
    if (vq::ShowMessageBox("操作提示", "数据发生变化，是否更新显示...", MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        RunQuery();
}

int CPartChangeHistoryDlg::SelectedRowOrTell() {
    const int row = GetFirstSelectedItem(m_list);
    if (row < 0)
        AfxMessageBox("请选择列表项...");
    return row;
}

void CPartChangeHistoryDlg::OnOrderProperty() {
    const int row = SelectedRowOrTell();
    if (row < 0)
        return;
    const CString group = m_list.GetItemText(row, 1);
    const CString number = m_list.GetItemText(row, 2);
    ShowNoticeReadOnly(group, number);
}

void CPartChangeHistoryDlg::OnAuditResult() {
    const int row = SelectedRowOrTell();
    if (row < 0)
        return;
    CECOAuditResultDlg dlg;
    dlg.m_strECONo = m_list.GetItemText(row, 2);
    dlg.m_strECOGroup = m_list.GetItemText(row, 1);
    dlg.DoModal();
}

void CPartChangeHistoryDlg::OnBorrow() {
    const int row = SelectedRowOrTell();
    if (row < 0)
        return;
    CPartBorrowQueryDlg dlg;
    dlg.m_strPartCode = m_list.GetItemText(row, 3);
    dlg.DoModal();
}

void CPartChangeHistoryDlg::OnDrawingProperty() {
    const int row = SelectedRowOrTell();
    if (row < 0)
        return;
    CPartRevSelectDlg dlg;
    dlg.m_strPartCode = m_list.GetItemText(row, 3);
    dlg.m_strInitialRevision = "A";
    dlg.m_bChangeHistory = FALSE;
    dlg.DoModal();
}

// The order's sheet is fetched into the dialog's own folder, which goes with the dialog; once its
// program has been started with it, it stays while that program may still read it
// (vq::HandedToViewer).
void CPartChangeHistoryDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    const int row = GetFirstSelectedItem(m_list);
    if (row < 0)
        return;
    const CString path =
        FetchChangeOrderSheet(m_copies.Path(), m_list.GetItemText(row, 1), m_list.GetItemText(row, 2));
    if (path.IsEmpty()) {
        AfxMessageBox("没有对应的更改单，检查是否采用新的更改单编制方式填写...");
        return;
    }
    OpenDocumentFile(path);
}

void CPartChangeHistoryDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const int column = reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem;
    if (column < 0 || column >= kColumnCount)
        return;
    CWaitCursor wait;
    SortListByItemText(m_list, column);
    RenumberRows();
}

// After a sort column 0 counts the rows from the top again, in the list and in the records.
void CPartChangeHistoryDlg::RenumberRows() {
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        CString number;
        number.Format("%d", row + 1);
        m_list.SetItemText(row, 0, number);
        if (auto* record = reinterpret_cast<CItemText*>(m_list.GetItemData(row)))
            record->SetFirstField(number);
    }
}

std::string CPartChangeHistoryDlg::ExportText() const {
    CString head;
    head.Format("产品或零部件图号: %s\r\n\r\n", m_strPartCode);
    std::string out = vq::Utf8ToGbk(head.str());
    out += vq::Utf8ToGbk("-----------------------图纸更改历史记录------------------------\r\n\r\n");
    const CString titles[kColumnCount] = {"序号", "类型", "编号", "图号", "图名", "更改日期", "已更新", "版本"};
    out += ExportLine(titles) + "\r\n";
    for (int row = 0; row < m_list.GetItemCount(); ++row) {
        CString fields[kColumnCount];
        for (int c = 0; c < kColumnCount; ++c)
            fields[c] = m_list.GetItemText(row, c);
        out += ExportLine(fields);
    }
    return out;
}

void CPartChangeHistoryDlg::OnExport() {
    if (m_list.GetItemCount() == 0) {
        AfxMessageBox("列表中无查询结果...");
        return;
    }
    CFileDialog dialog(FALSE, "txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "综合查询结果文件 (*.txt)|*.txt||", this);
    if (dialog.DoModal() != IDOK)
        return;
    CString ext = dialog.GetFileExt();
    ext.MakeUpper();
    if (ext != "TXT") {
        AfxMessageBox("该文件必须是TXT类型的文本文件!");
        return;
    }
    const CString path = dialog.GetPathName();
    {
        CWaitCursor wait;
        if (!vq::ReplaceFileContent(path, ExportText())) {
            AfxMessageBox("不能打开文件 " + path);
            return;
        }
    }
    if (vq::ShowMessageBox("操作提示", "存储完毕，是否打开该文件?", MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        vq::ShellOpenFile(path);
}

void CPartChangeHistoryDlg::OnCancel() {
    UpdateData(TRUE);
    CString value;
    value.Format("%d", m_bByProductClass);
    WriteSetting("选择产品", "按产品大类", value);
    CDialog::OnCancel();
}

void CPartChangeHistoryDlg::PostNcDestroy() {
    DeleteItemTexts(m_arrRows);
    CDialog::PostNcDestroy();
}
