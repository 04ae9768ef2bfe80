#include "changeorders/PartChangeLableMaintainDlg.h"

#include "changeorders/ChangeLabelList.h"
#include "changeorders/ChangeLableItemDlg.h"
#include "controls/ItemTextSort.h"
#include "controls/ListHelpers.h"
#include "controls/ProgressDlg.h"
#include "controls/RedlineViewDlg.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/Button.h"
#include "platform/ui/DataExchange.h"

#include <cstdlib>

namespace {

using Dlg = CPartChangeLableMaintainDlg;

const vq::DialogTemplate kMaintainTemplate{
    "零部件更改标记管理",
    ChangeLabelMaintainControls(
        {vq::Label("零部件图号", vq::kRightColumn),
         vq::EditBox(Dlg::kPartCodeId, vq::kRightColumn, ES_AUTOHSCROLL | ES_READONLY),
         vq::Label("当前版本号", vq::kRightColumn),
         vq::EditBox(Dlg::kRevisionId, vq::kRightColumn, ES_AUTOHSCROLL | ES_READONLY)},
        Dlg::kListId, Dlg::kAddId, Dlg::kModifyId, Dlg::kDeleteId, Dlg::kCheckId, Dlg::kViewerId, false),
    CSize(680, 680), WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX};
const vq::TemplateRegistration kMaintainRegistration(CPartChangeLableMaintainDlg::IDD, kMaintainTemplate);

constexpr int kColumns = 6;

} // namespace

BEGIN_MESSAGE_MAP(CPartChangeLableMaintainDlg, CDialog)
    ON_WM_SIZE()
    ON_BN_CLICKED(CPartChangeLableMaintainDlg::kAddId, &CPartChangeLableMaintainDlg::OnAddLabel)
    ON_BN_CLICKED(CPartChangeLableMaintainDlg::kModifyId, &CPartChangeLableMaintainDlg::OnModifyLabel)
    ON_BN_CLICKED(CPartChangeLableMaintainDlg::kDeleteId, &CPartChangeLableMaintainDlg::OnDeleteLabel)
    ON_BN_CLICKED(CPartChangeLableMaintainDlg::kCheckId, &CPartChangeLableMaintainDlg::OnCheckLabel)
    ON_NOTIFY(LVN_ITEMCHANGED, CPartChangeLableMaintainDlg::kListId,
              &CPartChangeLableMaintainDlg::OnItemChanged)
    ON_NOTIFY(NM_DBLCLK, CPartChangeLableMaintainDlg::kListId, &CPartChangeLableMaintainDlg::OnDblClick)
    ON_NOTIFY(LVN_COLUMNCLICK, CPartChangeLableMaintainDlg::kListId,
              &CPartChangeLableMaintainDlg::OnColumnClick)
    ON_VIEWER_MOUSEDOWN(CPartChangeLableMaintainDlg::kViewerId,
                        &CPartChangeLableMaintainDlg::OnViewerMouseDown)
END_MESSAGE_MAP()

CPartChangeLableMaintainDlg::CPartChangeLableMaintainDlg(CWnd* parent) : CDialog(IDD, parent) {}

CPartChangeLableMaintainDlg::~CPartChangeLableMaintainDlg() {
    DeleteItemTexts(m_arrRows);
}

void CPartChangeLableMaintainDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_listLabels);
    DDX_Control(pDX, kViewerId, m_viewer);
    DDX_Check(pDX, kCheckId, m_bCheckLabel);
    DDX_Text(pDX, kPartCodeId, m_strPartCode);
    DDX_Text(pDX, kRevisionId, m_strRevision);
}

BOOL CPartChangeLableMaintainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_pFtpConnection = theApp.m_pFtpConnection;
    m_drawing = CPartDrawingSource();

    SetUpSortArrows(m_listLabels, m_imageArrows);
    SetUpChangeLabelList(m_listLabels, m_imageRows, true);

    if (m_strPartNumber.IsEmpty()) {
        AfxMessageBox("零部件图号不能为空...");
        DisableCommands();
        return TRUE;
    }
    m_strPartCode = m_strPartNumber;
    if (!ResolveDrawing()) {
        AfxMessageBox("不能正常读取零部件的所属产品和当前版本等信息...");
        DisableCommands();
        return TRUE;
    }
    UpdateData(FALSE);

    {
        CLabelProgress progress("正在自动显示零部件设计图纸......");
        LoadLabels();
        progress.SetPos(6);
        const CString blank = BlankDrawingPath();
        if (!blank.IsEmpty())
            m_viewer.SetDrawingFile(blank);
        FetchDrawing();
        progress.SetPos(10);
    }

    m_size.Start(*this);
    return TRUE;
}

void CPartChangeLableMaintainDlg::DisableCommands() {
    GetDlgItem(kAddId)->EnableWindow(FALSE);
    GetDlgItem(kCheckId)->EnableWindow(FALSE);
}

int CPartChangeLableMaintainDlg::ResolveDrawing() {
    m_drawing.m_strPartCode = m_strPartCode;
    m_drawing.m_strRevision = m_strRevision;
    const int resolved = m_drawing.ResolveDrawing();
    m_strPartCode = m_drawing.m_strPartCode;
    m_strRevision = m_drawing.m_strRevision;
    return resolved;
}

CString CPartChangeLableMaintainDlg::FindDesignDrawing(const CString& revision) {
    return m_drawing.FindDesignDrawing(revision);
}

int CPartChangeLableMaintainDlg::FetchDrawing() {
    m_strFetched = m_drawing.FetchDrawing(m_copies.Path(), m_strRevision, false);
    if (m_strFetched.IsEmpty())
        return 0;
    m_viewer.SetDrawingFile(m_strFetched);
    return 1;
}

void CPartChangeLableMaintainDlg::LoadLabels() {
    CWaitCursor wait;
    m_listLabels.DeleteAllItems();
    DeleteItemTexts(m_arrRows);
    m_nCurRow = -1;
    CString sql;
    sql.Format(
        "SELECT ChangeLabel, ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate FROM PartChangeLabel "
        "WHERE PartCode='%s' AND RevNo='%s'",
        SqlQuote(m_strPartCode), SqlQuote(m_strRevision));
    ReadChangeLabelRows(m_listLabels, sql, m_pConnection, m_nAdoCloseMode, kColumns, m_arrRows);
    EnableRowButtons();
}

void CPartChangeLableMaintainDlg::EnableRowButtons() {
    const BOOL rows = m_listLabels.GetItemCount() > 0;
    GetDlgItem(kModifyId)->EnableWindow(rows);
    GetDlgItem(kDeleteId)->EnableWindow(rows);
}

void CPartChangeLableMaintainDlg::OnAddLabel() {
    CChangeLableItemDlg item;
    m_viewer.GetViewExtents(item.m_dLeftX, item.m_dLeftY, item.m_dRightX, item.m_dRightY);
    item.m_strPartCode = m_strPartCode;
    item.m_strRevNo = m_strRevision;
    if (item.DoModal() != IDOK)
        return;
    const int row = m_listLabels.InsertItem(m_listLabels.GetItemCount(), item.m_strChangeLabel, 0);
    ShowLabelRow(m_listLabels, row, item, m_arrRows);
    if (m_listLabels.GetItemCount() == 1)
        EnableRowButtons();
}

void CPartChangeLableMaintainDlg::OnModifyLabel() {
    const int row = GetFirstSelectedItem(m_listLabels);
    if (row < 0) {
        AfxMessageBox("请选择更改标记项...");
        return;
    }
    CChangeLableItemDlg item;
    if (vq::ShowMessageBox("操作提示", "是否按照当前图形显示区域来设置更改标记位置?",
                           MB_YESNO | MB_ICONWARNING) == IDYES)
        item.m_bUseViewRect = 1;
    m_viewer.GetViewExtents(item.m_dLeftX, item.m_dLeftY, item.m_dRightX, item.m_dRightY);
    item.m_bNewLabel = 0;
    item.m_strChangeLabel = m_listLabels.GetItemText(row, 0);
    item.m_strPartCode = m_strPartCode;
    item.m_strRevNo = m_strRevision;
    if (item.DoModal() != IDOK)
        return;
    ShowLabelRow(m_listLabels, row, item, m_arrRows);
}

void CPartChangeLableMaintainDlg::OnDeleteLabel() {
    const int row = GetFirstSelectedItem(m_listLabels);
    if (row < 0) {
        AfxMessageBox("请选择更改标记项...");
        return;
    }
    if (vq::ShowMessageBox("操作提示", "是否真的要删除选中的更改标记项?", MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    if (!DeleteLabelRow(row))
        return;
    m_listLabels.DeleteItem(row);
    m_nCurRow = -1;
    if (m_listLabels.GetItemCount() == 0)
        EnableRowButtons();
}

bool CPartChangeLableMaintainDlg::DeleteLabelRow(int row) {
    CWaitCursor wait;
    CSqlTransaction transaction;
    if (!transaction.IsActive() ||
        !LockLabelAsListed(transaction, m_listLabels, row, "PartChangeLabel",
                           {{"PartCode", m_strPartCode}, {"RevNo", m_strRevision}}))
        return false;
    CString sql;
    sql.Format("DELETE FROM PartChangeLabel WHERE PartCode='%s' AND RevNo='%s' AND ChangeLabel='%s'",
               SqlQuote(m_strPartCode), SqlQuote(m_strRevision), SqlQuote(m_listLabels.GetItemText(row, 0)));
    return theApp.ExecuteSql(sql) && transaction.Commit();
}

void CPartChangeLableMaintainDlg::ShowLabelArea(int row) {
    if (!m_bCheckLabel || row < 0 || row >= m_listLabels.GetItemCount())
        return;
    double area[4];
    if (ReadPartLabelArea(m_pConnection, m_nAdoCloseMode, m_strPartCode, m_strRevision,
                          m_listLabels.GetItemText(row, 0), area))
        m_viewer.ZoomToArea(area[0], area[1], area[2], area[3]);
}

void CPartChangeLableMaintainDlg::OnCheckLabel() {
    UpdateData(TRUE);
    ShowLabelArea(GetFirstSelectedItem(m_listLabels));
}

void CPartChangeLableMaintainDlg::OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (!IsRowNewlySelected(pNMHDR))
        return;
    m_nCurRow = reinterpret_cast<const NMLISTVIEW*>(pNMHDR)->iItem;
    m_bCheckLabel = static_cast<CButton*>(GetDlgItem(kCheckId))->GetCheck();
    ShowLabelArea(m_nCurRow);
}

void CPartChangeLableMaintainDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (m_listLabels.GetItemCount() > 0)
        OnModifyLabel();
}

void CPartChangeLableMaintainDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    CWaitCursor wait;
    SortListByItemText(m_listLabels, reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem);
    m_nCurRow = GetFirstSelectedItem(m_listLabels);
}

void CPartChangeLableMaintainDlg::OnViewerMouseDown(short button, short, double x, double y) {
    if (button == 2)
        TrackViewerCommandMenu(m_viewer, x, y, this, false);
}

void CPartChangeLableMaintainDlg::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    int dx = 0, dy = 0;
    if (!m_viewer.GetSafeHwnd() || !m_size.Follow(*this, dx, dy))
        return;
    // A view that lays the window out (the Qt view) has already placed the controls.
    if (!m_viewer.GetViewData()) {
        OffsetControls(*this, {IDCANCEL, kAddId, kModifyId, kDeleteId, kCheckId, kPartCodeId, kRevisionId},
                       dx, 0);
        MoveEdges(m_viewer, 0, 0, dx, dy);
        MoveEdges(m_listLabels, 0, 0, dx, 0);
    }
    m_viewer.UpdateView();
    Invalidate();
}

void CPartChangeLableMaintainDlg::PostNcDestroy() {
    DeleteItemTexts(m_arrRows);
    CDialog::PostNcDestroy();
}
