#include "changeorders/PartChangeLableBrowseDlg.h"

#include "changeorders/ChangeLabelList.h"
#include "changeorders/ChangeLableItemDlg.h"
#include "controls/ListHelpers.h"
#include "controls/ProgressDlg.h"
#include "controls/RedlineViewDlg.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "parts/PartRevisionTreeDlg.h"
#include "parts/TaskRevSelectDlg.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/Button.h"
#include "platform/ui/DataExchange.h"

#include <cstdlib>

namespace {

using Dlg = CPartChangeLableBrowseDlg;

vq::ControlTemplate LabelList(int id) {
    return ChangeLabelListTemplate(id, vq::kRightColumn, 220, 200);
}

const vq::DialogTemplate kBrowseTemplate{
    "更改标记比较浏览",
    {vq::CustomWindow(Dlg::kUpperViewerId, vq::kFill, 0, CRect(0, 0, 560, 260)),
     vq::CustomWindow(Dlg::kLowerViewerId, vq::kFill, 0, CRect(0, 0, 560, 260)),
     vq::Label("当前版本:", vq::kRightColumn),
     vq::EditBox(Dlg::kCurrentRevId, vq::kRightColumn | vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(Dlg::kRevBrowseId, "版本浏览...", vq::kRightColumn | vq::kBeside),
     vq::Label("更改标记列表:", vq::kRightColumn),
     vq::PushButton(Dlg::kUpperPropId, "属性...", vq::kRightColumn | vq::kBeside), LabelList(Dlg::kUpperListId),
     vq::Label("比较版本:", vq::kRightColumn),
     vq::EditBox(Dlg::kCompareRevId, vq::kRightColumn | vq::kBeside, ES_AUTOHSCROLL | ES_READONLY),
     vq::PushButton(Dlg::kPickRevId, "...", vq::kRightColumn | vq::kBeside),
     vq::CheckBox(Dlg::kAssociateId, "自动进行更改区域关联显示", vq::kRightColumn),
     vq::Label("更改标记列表:", vq::kRightColumn),
     vq::PushButton(Dlg::kLowerPropId, "属性...", vq::kRightColumn | vq::kBeside), LabelList(Dlg::kLowerListId),
     vq::PushButton(IDCANCEL, "退出", vq::kRightColumn)},
    CSize(820, 640),
    WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX};
const vq::TemplateRegistration kBrowseRegistration(CPartChangeLableBrowseDlg::IDD, kBrowseTemplate);

constexpr int kColumns = 3;

} // namespace

BEGIN_MESSAGE_MAP(CPartChangeLableBrowseDlg, CDialog)
    ON_WM_SIZE()
    ON_BN_CLICKED(CPartChangeLableBrowseDlg::kPickRevId, &CPartChangeLableBrowseDlg::OnSelectRevision)
    ON_BN_CLICKED(CPartChangeLableBrowseDlg::kRevBrowseId, &CPartChangeLableBrowseDlg::OnBrowseRevisions)
    ON_BN_CLICKED(CPartChangeLableBrowseDlg::kUpperPropId, &CPartChangeLableBrowseDlg::OnUpperProperty)
    ON_BN_CLICKED(CPartChangeLableBrowseDlg::kLowerPropId, &CPartChangeLableBrowseDlg::OnLowerProperty)
    ON_NOTIFY(LVN_ITEMCHANGED, CPartChangeLableBrowseDlg::kUpperListId,
              &CPartChangeLableBrowseDlg::OnUpperItemChanged)
    ON_NOTIFY(LVN_ITEMCHANGED, CPartChangeLableBrowseDlg::kLowerListId,
              &CPartChangeLableBrowseDlg::OnLowerItemChanged)
    ON_NOTIFY(NM_DBLCLK, CPartChangeLableBrowseDlg::kUpperListId, &CPartChangeLableBrowseDlg::OnUpperDblClick)
    ON_NOTIFY(NM_DBLCLK, CPartChangeLableBrowseDlg::kLowerListId, &CPartChangeLableBrowseDlg::OnLowerDblClick)
    ON_VIEWER_MOUSEDOWN(CPartChangeLableBrowseDlg::kUpperViewerId,
                        &CPartChangeLableBrowseDlg::OnUpperViewerMouseDown)
    ON_VIEWER_MOUSEDOWN(CPartChangeLableBrowseDlg::kLowerViewerId,
                        &CPartChangeLableBrowseDlg::OnLowerViewerMouseDown)
END_MESSAGE_MAP()

CPartChangeLableBrowseDlg::CPartChangeLableBrowseDlg(CWnd* parent) : CDialog(IDD, parent) {}

CPartChangeLableBrowseDlg::~CPartChangeLableBrowseDlg() {
    DeleteItemTexts(m_arrRows);
}

void CPartChangeLableBrowseDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kLowerListId, m_listLower);
    DDX_Control(pDX, kUpperListId, m_listUpper);
    DDX_Check(pDX, kAssociateId, m_bAssociate);
    DDX_Control(pDX, kUpperViewerId, m_viewerUpper);
    DDX_Control(pDX, kLowerViewerId, m_viewerLower);
    DDX_Text(pDX, kCurrentRevId, m_strCurrentRev);
    DDX_Text(pDX, kCompareRevId, m_strCompareRev);
}

void CPartChangeLableBrowseDlg::SetUpList(CSortListCtrl& list) {
    SetUpSortArrows(list, m_imageArrows);
    SetUpChangeLabelList(list, m_imageRows, false);
}

BOOL CPartChangeLableBrowseDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_pFtpConnection = theApp.m_pFtpConnection;
    m_drawing = CPartDrawingSource();
    SetUpList(m_listUpper);
    SetUpList(m_listLower);

    if (m_strPartNumber.IsEmpty()) {
        AfxMessageBox("零部件图号不能为空...");
        GetDlgItem(kPickRevId)->EnableWindow(FALSE);
        return TRUE;
    }
    m_drawing.m_strPartCode = m_strPartNumber;
    if (!m_drawing.ResolveDrawing()) {
        AfxMessageBox("不能正常读取零部件的所属产品和当前版本等信息...");
        return TRUE;
    }
    m_strCurrentRev = m_drawing.m_strRevision;
    UpdateData(FALSE);
    {
        CLabelProgress progress("正在自动显示零部件设计图纸......");
        LoadLabels(kUpper, m_strCurrentRev);
        progress.SetPos(6);
        const CString blank = BlankDrawingPath();
        if (!blank.IsEmpty()) {
            m_viewerUpper.SetDrawingFile(blank);
            m_viewerLower.SetDrawingFile(blank);
        }
        FetchDrawing(kUpper, m_strCurrentRev);
        progress.SetPos(10);
    }
    m_size.Start(*this);
    return TRUE;
}

void CPartChangeLableBrowseDlg::LoadLabels(int list, const CString& revision) {
    CSortListCtrl& labels = List(list);
    labels.DeleteAllItems();
    m_nRow[list] = -1;
    CString sql;
    sql.Format("SELECT ChangeLabel, ChangeArea, ChangeCount FROM PartChangeLabel WHERE PartCode='%s' AND "
               "RevNo='%s'",
               SqlQuote(m_drawing.m_strPartCode), SqlQuote(revision));
    ReadChangeLabelRows(labels, sql, m_pConnection, m_nAdoCloseMode, kColumns, m_arrRows);
}

int CPartChangeLableBrowseDlg::FetchDrawing(int viewer, const CString& revision) {
    m_strFetched[viewer] = m_drawing.FetchDrawing(m_copies.Path(), revision, true);
    if (m_strFetched[viewer].IsEmpty()) {
        // A stopped fetch told nothing: the viewer says why it stays empty.
        if (m_drawing.FetchStopped())
            Viewer(viewer).ShowNotice("版本 " + revision + " 的设计图纸未载入：文件传输已取消。");
        return 0;
    }
    Viewer(viewer).SetDrawingFile(m_strFetched[viewer]);
    return 1;
}

void CPartChangeLableBrowseDlg::OnSelectRevision() {
    CTaskRevSelectDlg dlg;
    dlg.m_nTaskMode = 0;
    dlg.m_strCode = m_drawing.m_strPartCode;
    dlg.m_strCurrentRev = m_drawing.m_strRevision;
    if (dlg.DoModal() != IDOK)
        return;
    if (dlg.m_strSelectedRev.CompareNoCase(m_drawing.m_strRevision) == 0) {
        AfxMessageBox("不能与当前版本相同，请选择其他版本...");
        return;
    }
    m_strCompareRev = dlg.m_strSelectedRev;
    SetDlgItemText(kCompareRevId, m_strCompareRev);
    CLabelProgress progress("正在自动显示零部件设计图纸......");
    LoadLabels(kLower, m_strCompareRev);
    progress.SetPos(6);
    FetchDrawing(kLower, m_strCompareRev);
    progress.SetPos(10);
}

void CPartChangeLableBrowseDlg::OnBrowseRevisions() {
    CPartRevisionTreeDlg dlg;
    dlg.m_strPartCode = m_drawing.m_strPartCode;
    dlg.m_strProductCode = m_drawing.m_strProductDwgCode;
    dlg.DoModal();
}

void CPartChangeLableBrowseDlg::ItemChanged(int list, NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    if (!IsRowNewlySelected(pNMHDR))
        return;
    m_nRow[list] = reinterpret_cast<const NMLISTVIEW*>(pNMHDR)->iItem;
    ShowLabelArea(list, m_nRow[list]);
}

void CPartChangeLableBrowseDlg::ShowLabelArea(int list, int row) {
    m_bAssociate = static_cast<CButton*>(GetDlgItem(kAssociateId))->GetCheck();
    CSortListCtrl& labels = List(list);
    if (row < 0 || row >= labels.GetItemCount())
        return;
    double area[4];
    if (!ReadPartLabelArea(m_pConnection, m_nAdoCloseMode, m_drawing.m_strPartCode, Revision(list),
                           labels.GetItemText(row, 0), area))
        return;
    Viewer(list).ZoomToArea(area[0], area[1], area[2], area[3]);
    const int other = list == kUpper ? kLower : kUpper;
    if (m_bAssociate && !Revision(other).IsEmpty())
        Viewer(other).ZoomToArea(area[0], area[1], area[2], area[3]);
}

void CPartChangeLableBrowseDlg::ShowProperty(int list) {
    CSortListCtrl& labels = List(list);
    if (labels.GetItemCount() == 0 || m_nRow[list] == -1)
        return;
    CChangeLableItemDlg item;
    item.m_bNewLabel = 0;
    item.m_bReadOnly = 1;
    item.m_strChangeLabel = labels.GetItemText(m_nRow[list], 0);
    item.m_strPartCode = m_drawing.m_strPartCode;
    item.m_strRevNo = Revision(list);
    item.DoModal();
}

void CPartChangeLableBrowseDlg::OnUpperDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    ShowLabelArea(kUpper, m_nRow[kUpper]);
    ShowProperty(kUpper);
}

void CPartChangeLableBrowseDlg::OnLowerDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    ShowLabelArea(kLower, m_nRow[kLower]);
    ShowProperty(kLower);
}

void CPartChangeLableBrowseDlg::OnUpperViewerMouseDown(short button, short, double x, double y) {
    if (button == 2)
        TrackViewerCommandMenu(m_viewerUpper, x, y, this, false);
}

void CPartChangeLableBrowseDlg::OnLowerViewerMouseDown(short button, short, double x, double y) {
    if (button == 2)
        TrackViewerCommandMenu(m_viewerLower, x, y, this, false);
}

void CPartChangeLableBrowseDlg::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    int dx = 0, dy = 0;
    if (!m_viewerUpper.GetSafeHwnd() || !m_size.Follow(*this, dx, dy))
        return;
    const int half = dy / 2;
    // A view that lays the window out (the Qt view) has already placed the controls.
    if (!m_viewerUpper.GetViewData()) {
        OffsetControls(*this,
                       {IDCANCEL, kRevBrowseId, kCurrentRevId, kUpperPropId, kLowerPropId, kUpperListId, kLowerListId,
                        kAssociateId, kCompareRevId, kPickRevId},
                       dx, 0);
        MoveEdges(m_viewerUpper, 0, 0, dx, half);
        MoveEdges(m_viewerLower, 0, half, dx, dy);
    }
    m_viewerUpper.UpdateView();
    m_viewerLower.UpdateView();
    Invalidate();
}

void CPartChangeLableBrowseDlg::PostNcDestroy() {
    DeleteItemTexts(m_arrRows);
    CDialog::PostNcDestroy();
}
