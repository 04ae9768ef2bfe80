#include "changeorders/ECOChangeLableMaintainDlg.h"

#include "changeorders/ChangeLabelList.h"
#include "changeorders/ECOChangeLableItemDlg.h"
#include "changeorders/PartDrawingSource.h"
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

namespace {

using Dlg = CECOChangeLableMaintainDlg;

const vq::DialogTemplate kMaintainTemplate{
    "设计更改标记管理",
    ChangeLabelMaintainControls(
        {vq::Label("更改单据类型", vq::kRightColumn),
         vq::EditBox(Dlg::kGroupId, vq::kRightColumn, ES_AUTOHSCROLL | ES_READONLY),
         vq::Label("更改单编号", vq::kRightColumn),
         vq::EditBox(Dlg::kNumberId, vq::kRightColumn, ES_AUTOHSCROLL | ES_READONLY),
         vq::Label("文档编号", vq::kRightColumn),
         vq::EditBox(Dlg::kDocTypeId, vq::kRightColumn, ES_AUTOHSCROLL | ES_READONLY)},
        Dlg::kListId, Dlg::kAddId, Dlg::kModifyId, Dlg::kDeleteId, Dlg::kCheckId, Dlg::kViewerId, true),
    CSize(680, 680), WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX};
const vq::TemplateRegistration kMaintainRegistration(CECOChangeLableMaintainDlg::IDD, kMaintainTemplate);

constexpr int kColumns = 6;

} // namespace

BEGIN_MESSAGE_MAP(CECOChangeLableMaintainDlg, CDialog)
    ON_WM_SIZE()
    ON_BN_CLICKED(CECOChangeLableMaintainDlg::kAddId, &CECOChangeLableMaintainDlg::OnAddLabel)
    ON_BN_CLICKED(CECOChangeLableMaintainDlg::kModifyId, &CECOChangeLableMaintainDlg::OnModifyLabel)
    ON_BN_CLICKED(CECOChangeLableMaintainDlg::kDeleteId, &CECOChangeLableMaintainDlg::OnDeleteLabel)
    ON_BN_CLICKED(CECOChangeLableMaintainDlg::kCheckId, &CECOChangeLableMaintainDlg::OnCheckMark)
    ON_NOTIFY(LVN_ITEMCHANGED, CECOChangeLableMaintainDlg::kListId,
              &CECOChangeLableMaintainDlg::OnItemChanged)
    ON_NOTIFY(NM_DBLCLK, CECOChangeLableMaintainDlg::kListId, &CECOChangeLableMaintainDlg::OnDblClick)
    ON_NOTIFY(LVN_COLUMNCLICK, CECOChangeLableMaintainDlg::kListId,
              &CECOChangeLableMaintainDlg::OnColumnClick)
    ON_VIEWER_MOUSEDOWN(CECOChangeLableMaintainDlg::kViewerId, &CECOChangeLableMaintainDlg::OnViewerMouseDown)
END_MESSAGE_MAP()

CECOChangeLableMaintainDlg::CECOChangeLableMaintainDlg(CWnd* parent) : CDialog(IDD, parent) {}

CECOChangeLableMaintainDlg::~CECOChangeLableMaintainDlg() {
    DeleteItemTexts(m_arrRows);
}

void CECOChangeLableMaintainDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kListId, m_listLabels);
    DDX_Control(pDX, kViewerId, m_viewer);
    DDX_Check(pDX, kCheckId, m_bCheckMark);
    DDX_Text(pDX, kGroupId, m_strECOGroup);
    DDX_Text(pDX, kNumberId, m_strECONo);
    DDX_Text(pDX, kDocTypeId, m_strDocType);
}

CECODocumentDrawing CECOChangeLableMaintainDlg::Drawing() const {
    CECODocumentDrawing drawing;
    drawing.m_strECOGroup = m_strECOGroup;
    drawing.m_strECONo = m_strECONo;
    drawing.m_strDocType = m_strDocType;
    return drawing;
}

void CECOChangeLableMaintainDlg::SetUpList() {
    SetUpChangeLabelList(m_listLabels, m_imageRows, true);
    SetUpSortArrows(m_listLabels, m_imageArrows);
}

BOOL CECOChangeLableMaintainDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;
    SetUpList();
    UpdateData(FALSE);

    {
        CLabelProgress progress("正在自动显示零部件设计图纸......");
        LoadOrderState();
        CheckEditRights();
        LoadLabels();
        progress.SetPos(6);
        const CString blank = BlankDrawingPath();
        if (!blank.IsEmpty())
            m_viewer.SetDrawingFile(blank);
        DownloadDocument();
        progress.SetPos(10);
    }

    if (m_bReadOnly) {
        GetDlgItem(kAddId)->EnableWindow(FALSE);
        if (m_bEditOverride == 1)
            for (int id : {kAddId, kModifyId, kDeleteId})
                GetDlgItem(id)->EnableWindow(TRUE);
        SetDlgItemText(kModifyId, "属性...");
    }
    m_size.Start(*this);
    return TRUE;
}

void CECOChangeLableMaintainDlg::CheckEditRights() {
    CString sql;
    sql.Format(m_nDatabaseType == 2 ? "SELECT UserName FROM UserInformation WHERE rtrim(UserLogName)='%s'"
                                    : "SELECT UserName FROM UserInformation WHERE UserLogName='%s'",
               SqlQuote(theApp.m_strLoginUser));
    const CString userName = theApp.GetSqlString(sql);
    // The check only ever makes the dialog read-only; a caller's read-only stays.
    const bool preparer = !m_strOrderSaveUser.IsEmpty() && m_strOrderSaveUser.CompareNoCase(userName) == 0;
    if (!preparer || (m_strOrderState != "临时" && m_strOrderState != "更改"))
        m_bReadOnly = 1;
}

void CECOChangeLableMaintainDlg::LoadOrderState() {
    CString sql;
    sql.Format(m_strECOGroup == "修改单" ? "SELECT SaveUser, State FROM ECOModifyManage WHERE ECONo='%s'"
                                         : "SELECT SaveUser, State FROM ECOChangeManage WHERE ECONo='%s'",
               SqlQuote(m_strECONo));
    m_order = CChangeOrderState(m_strECOGroup, m_strECONo);
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strOrderSaveUser = VariantToString(rs->GetCollect(0L));
            m_strOrderState = VariantToString(rs->GetCollect(1L));
            m_order.Keep(true, m_strOrderState);
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        theApp.ReportSqlError(e, sql);
    }
}

void CECOChangeLableMaintainDlg::LoadLabels() {
    CWaitCursor wait;
    m_listLabels.DeleteAllItems();
    DeleteItemTexts(m_arrRows);
    const CString sql = "SELECT ChangeLabel, ChangeArea, ChangeCount, FileSerial, Changer, ChangeDate FROM "
                        "ECOFileChangeLabel WHERE " +
                        Drawing().KeyCondition();
    ReadChangeLabelRows(m_listLabels, sql, m_pConnection, m_nAdoCloseMode, kColumns, m_arrRows);
    if (m_listLabels.GetItemCount() > 0) {
        GetDlgItem(kModifyId)->EnableWindow(TRUE);
        if (!m_bReadOnly)
            GetDlgItem(kDeleteId)->EnableWindow(TRUE);
    }
}

int CECOChangeLableMaintainDlg::DownloadDocument() {
    m_strFetched = Drawing().DownloadDocument(m_copies.Path());
    if (m_strFetched.IsEmpty())
        return 0;
    m_viewer.SetDrawingFile(m_strFetched);
    return 1;
}

int CECOChangeLableMaintainDlg::ShowLabelArea(int row) {
    if (!m_bCheckMark || row < 0 || row >= m_listLabels.GetItemCount())
        return 0;
    double area[4];
    if (!Drawing().ReadLabelArea(m_listLabels.GetItemText(row, 0), area))
        return 0;
    m_viewer.ZoomToArea(area[0], area[1], area[2], area[3]);
    return 1;
}

void CECOChangeLableMaintainDlg::OnAddLabel() {
    CECOChangeLableItemDlg item;
    m_viewer.GetViewExtents(item.m_dLeftX, item.m_dLeftY, item.m_dRightX, item.m_dRightY);
    item.m_strECOGroup = m_strECOGroup;
    item.m_strECONo = m_strECONo;
    item.m_strDocType = m_strDocType;
    item.m_bReadOnly = m_bReadOnly;
    item.m_bEditOverride = m_bEditOverride;
    if (item.DoModal() != IDOK)
        return;
    const int row = m_listLabels.InsertItem(m_listLabels.GetItemCount(), item.m_strChangeLabel, 0);
    ShowLabelRow(m_listLabels, row, item, m_arrRows);
    if (row == 0 && (!m_bReadOnly || m_bEditOverride)) {
        GetDlgItem(kModifyId)->EnableWindow(TRUE);
        GetDlgItem(kDeleteId)->EnableWindow(TRUE);
    }
}

void CECOChangeLableMaintainDlg::OnModifyLabel() {
    const int row = GetFirstSelectedItem(m_listLabels);
    if (row < 0) {
        AfxMessageBox("请选择更改标记项...");
        return;
    }
    m_listLabels.EnsureVisible(row, FALSE);
    CECOChangeLableItemDlg item;
    if (!m_bReadOnly && vq::ShowMessageBox("操作提示", "是否按照当前图形显示区域来设置更改标记位置?",
                                           MB_YESNO | MB_ICONEXCLAMATION) == IDYES)
        item.m_bUseViewRect = 1;
    m_viewer.GetViewExtents(item.m_dLeftX, item.m_dLeftY, item.m_dRightX, item.m_dRightY);
    item.m_bNewLabel = 0;
    item.m_strChangeLabel = m_listLabels.GetItemText(row, 0);
    item.m_strECOGroup = m_strECOGroup;
    item.m_strECONo = m_strECONo;
    item.m_strDocType = m_strDocType;
    item.m_bReadOnly = m_bReadOnly;
    item.m_bEditOverride = m_bEditOverride;
    if (item.DoModal() != IDOK)
        return;
    ShowLabelRow(m_listLabels, row, item, m_arrRows);
}

void CECOChangeLableMaintainDlg::OnDeleteLabel() {
    const int row = GetFirstSelectedItem(m_listLabels);
    if (row < 0) {
        AfxMessageBox("请选择更改标记项...");
        return;
    }
    m_listLabels.EnsureVisible(row, FALSE);
    if (vq::ShowMessageBox("操作提示", "是否真的要删除选中的更改标记项?", MB_YESNO | MB_ICONEXCLAMATION) !=
        IDYES)
        return;
    if (!DeleteLabelRow(row))
        return;
    m_listLabels.DeleteItem(row);
    if (m_listLabels.GetItemCount() == 0) {
        GetDlgItem(kModifyId)->EnableWindow(FALSE);
        GetDlgItem(kDeleteId)->EnableWindow(FALSE);
    } else {
        m_listLabels.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
}

bool CECOChangeLableMaintainDlg::DeleteLabelRow(int row) {
    CWaitCursor wait;
    CSqlTransaction transaction;
    if (!transaction.IsActive() || !m_order.LockStillEditable(transaction, "选中的更改标记项") ||
        !LockLabelAsListed(transaction, m_listLabels, row, "ECOFileChangeLabel",
                           {{"ECOGroup", m_strECOGroup}, {"ECONo", m_strECONo}, {"DocType", m_strDocType}}))
        return false;
    const CString sql = "DELETE FROM ECOFileChangeLabel WHERE " + Drawing().KeyCondition() +
                        " AND ChangeLabel='" + SqlQuote(m_listLabels.GetItemText(row, 0)) + "'";
    return theApp.ExecuteSql(sql) && transaction.Commit();
}

void CECOChangeLableMaintainDlg::OnCheckMark() {
    UpdateData(TRUE);
    const int row = GetFirstSelectedItem(m_listLabels);
    if (m_bCheckMark && row >= 0)
        ShowLabelArea(row);
}

void CECOChangeLableMaintainDlg::OnItemChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (!IsRowNewlySelected(pNMHDR))
        return;
    m_nSelected = reinterpret_cast<const NMLISTVIEW*>(pNMHDR)->iItem;
    UpdateData(TRUE);
    if (m_bCheckMark)
        ShowLabelArea(GetFirstSelectedItem(m_listLabels));
}

void CECOChangeLableMaintainDlg::OnDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    if (m_listLabels.GetItemCount() == 0)
        return;
    ShowLabelArea(m_nSelected);
    OnModifyLabel();
}

void CECOChangeLableMaintainDlg::OnColumnClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    CWaitCursor wait;
    SortListByItemText(m_listLabels, reinterpret_cast<NMLISTVIEW*>(pNMHDR)->iSubItem);
    m_nSelected = GetFirstSelectedItem(m_listLabels);
}

void CECOChangeLableMaintainDlg::OnViewerMouseDown(short button, short, double x, double y) {
    if (button == 2)
        TrackViewerCommandMenu(m_viewer, x, y, this, false);
}

void CECOChangeLableMaintainDlg::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    int dx = 0, dy = 0;
    if (!m_viewer.GetSafeHwnd() || !m_size.Follow(*this, dx, dy))
        return;
    // A view that lays the window out (the Qt view) has already placed the controls.
    if (!m_viewer.GetViewData()) {
        OffsetControls(*this,
                       {IDCANCEL, kAddId, kModifyId, kDeleteId, kCheckId, kGroupId, kNumberId, kDocTypeId},
                       dx, 0);
        MoveEdges(m_viewer, 0, 0, dx, dy);
        MoveEdges(m_listLabels, 0, 0, dx, 0);
    }
    m_viewer.UpdateView();
    Invalidate();
}

void CECOChangeLableMaintainDlg::PostNcDestroy() {
    DeleteItemTexts(m_arrRows);
    CDialog::PostNcDestroy();
}
