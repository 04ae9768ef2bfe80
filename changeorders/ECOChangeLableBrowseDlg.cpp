#include "changeorders/ECOChangeLableBrowseDlg.h"

#include "changeorders/ChangeLabelList.h"
#include "changeorders/ECOChangeLableItemDlg.h"
#include "changeorders/ECOChangeLableMaintainDlg.h"
#include "changeorders/ECODocumentDrawing.h"
#include "changeorders/PartDrawingSource.h"
#include "controls/ListHelpers.h"
#include "controls/ProgressDlg.h"
#include "controls/RedlineViewDlg.h"
#include "core/ComError.h"
#include "core/ItemText.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"

namespace {

using Dlg = CECOChangeLableBrowseDlg;

vq::ControlTemplate List(int id, int width, int height) {
    return ChangeLabelListTemplate(id, vq::kBeside, width, height);
}

const vq::DialogTemplate kBrowseTemplate{
    "设计更改标记浏览",
    {vq::Label("更改附加文件列表"), List(Dlg::kFileListId, 420, 130), vq::Label("更改标记列表", vq::kBeside),
     List(Dlg::kLabelListId, 220, 130), vq::CustomWindow(Dlg::kViewerId, vq::kFill, 0, CRect(0, 0, 680, 420)),
     vq::PushButton(IDCANCEL, "退出", vq::kRightColumn),
     vq::PushButton(Dlg::kManageId, "更改标记...", vq::kRightColumn),
     vq::PushButton(Dlg::kPropertiesId, "属性...", vq::kRightColumn, WS_DISABLED),
     vq::Label("更改单据类型", vq::kRightColumn),
     vq::EditBox(Dlg::kGroupId, vq::kRightColumn, ES_AUTOHSCROLL | ES_READONLY),
     vq::Label("更改单编号", vq::kRightColumn),
     vq::EditBox(Dlg::kNumberId, vq::kRightColumn, ES_AUTOHSCROLL | ES_READONLY)},
    CSize(900, 660),
    WS_CAPTION | WS_SYSMENU | WS_MAXIMIZEBOX};
const vq::TemplateRegistration kBrowseRegistration(CECOChangeLableBrowseDlg::IDD, kBrowseTemplate);

constexpr int kLabelColumns = 3;

} // namespace

BEGIN_MESSAGE_MAP(CECOChangeLableBrowseDlg, CDialog)
    ON_WM_SIZE()
    ON_BN_CLICKED(CECOChangeLableBrowseDlg::kManageId, &CECOChangeLableBrowseDlg::OnManageLabels)
    ON_BN_CLICKED(CECOChangeLableBrowseDlg::kPropertiesId, &CECOChangeLableBrowseDlg::OnLabelProperties)
    ON_NOTIFY(LVN_ITEMCHANGED, CECOChangeLableBrowseDlg::kFileListId,
              &CECOChangeLableBrowseDlg::OnFileListClick)
    ON_NOTIFY(LVN_ITEMCHANGED, CECOChangeLableBrowseDlg::kLabelListId,
              &CECOChangeLableBrowseDlg::OnLabelChanged)
    ON_NOTIFY(NM_DBLCLK, CECOChangeLableBrowseDlg::kLabelListId, &CECOChangeLableBrowseDlg::OnLabelDblClick)
    ON_VIEWER_MOUSEDOWN(CECOChangeLableBrowseDlg::kViewerId, &CECOChangeLableBrowseDlg::OnViewerMouseDown)
END_MESSAGE_MAP()

CECOChangeLableBrowseDlg::CECOChangeLableBrowseDlg(CWnd* parent) : CDialog(IDD, parent) {}

CECOChangeLableBrowseDlg::~CECOChangeLableBrowseDlg() {
    DeleteItemTexts(m_arrRows);
}

void CECOChangeLableBrowseDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kLabelListId, m_listLabels);
    DDX_Control(pDX, kFileListId, m_listFiles);
    DDX_Control(pDX, kViewerId, m_viewer);
    DDX_Text(pDX, kGroupId, m_strECOGroup);
    DDX_Text(pDX, kNumberId, m_strECONo);
}

void CECOChangeLableBrowseDlg::SetUpLists() {
    m_listFiles.SetExtendedStyle(m_listFiles.GetExtendedStyle() | LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    m_listFiles.SetImageList(CSysImageList::GetImageList(FALSE), LVSIL_NORMAL);
    m_listFiles.SetImageList(CSysImageList::GetImageList(TRUE), LVSIL_SMALL);
    int column = 0;
    for (const auto& [text, width] : {std::pair<const char*, int>{"文件说明", 140},
                                      {"文件类型", 120},
                                      {"大小", 60},
                                      {"文件日期", 110},
                                      {"备注", 110}})
        m_listFiles.InsertColumn(column++, text, LVCFMT_LEFT, width);

    SetUpChangeLabelList(m_listLabels, m_imageRows, false);
}

BOOL CECOChangeLableBrowseDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    SetUpLists();
    const CString blank = BlankDrawingPath();
    if (!blank.IsEmpty())
        m_viewer.SetDrawingFile(blank);
    LoadRelatedFiles();
    m_size.Start(*this);
    return TRUE;
}

void CECOChangeLableBrowseDlg::LoadRelatedFiles() {
    CWaitCursor wait;
    m_nFileSelected = -1;
    m_listFiles.DeleteAllItems();
    CString sql;
    sql.Format(
        "SELECT DocType, FileName, FileType, FileBulk, Other1, Other4 FROM ECORelateFile WHERE ECOGroup='%s' "
        "AND ECONo='%s'",
        SqlQuote(m_strECOGroup), SqlQuote(m_strECONo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        for (; !rs->IsEOF(); rs->MoveNext()) {
            const CString docType = VariantToString(rs->GetCollect(0L));
            CString fileName = VariantToString(rs->GetCollect(1L));
            // The change-order sheet itself and documents that are no AutoCAD drawings are left out.
            if (docType.CompareNoCase("_VQ_ECO") == 0)
                continue;
            CString upper = fileName;
            upper.MakeUpper();
            if (upper.Find(".DWG") < 0)
                continue;
            const int row = m_listFiles.InsertItem(m_listFiles.GetItemCount(), docType,
                                                   CSysImageList::GetIconIndex(fileName));
            for (long f = 2; f < 6; ++f)
                m_listFiles.SetItemText(row, static_cast<int>(f - 1), VariantToString(rs->GetCollect(f)));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

int CECOChangeLableBrowseDlg::DownloadDocument() {
    CECODocumentDrawing drawing;
    drawing.m_strECOGroup = m_strECOGroup;
    drawing.m_strECONo = m_strECONo;
    drawing.m_strDocType = m_strDocType;
    m_strFetched = drawing.DownloadDocument(m_copies.Path());
    if (m_strFetched.IsEmpty())
        return 0;
    m_viewer.SetDrawingFile(m_strFetched);
    return 1;
}

void CECOChangeLableBrowseDlg::OnFileListClick(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (!IsRowNewlySelected(pNMHDR) || info->iItem == m_nFileSelected)
        return;
    m_nFileSelected = info->iItem;
    m_strDocType = m_listFiles.GetItemText(m_nFileSelected, 0);
    CLabelProgress progress("正在自动显示附加文件更改标记......");
    DownloadDocument();
    progress.SetPos(6);
    LoadLabels();
    EnableProperties();
    progress.SetPos(10);
}

void CECOChangeLableBrowseDlg::EnableProperties() {
    GetDlgItem(kPropertiesId)->EnableWindow(m_listLabels.GetItemCount() > 0);
}

void CECOChangeLableBrowseDlg::LoadLabels() {
    CWaitCursor wait;
    m_nLabelSelected = -1;
    m_listLabels.DeleteAllItems();
    DeleteItemTexts(m_arrRows);
    CString sql;
    sql.Format("SELECT ChangeLabel, ChangeArea, ChangeCount FROM ECOFileChangeLabel WHERE ECOGroup='%s' AND "
               "ECONo='%s' AND DocType='%s'",
               SqlQuote(m_strECOGroup), SqlQuote(m_strECONo), SqlQuote(m_strDocType));
    ReadChangeLabelRows(m_listLabels, sql, m_pConnection, m_nAdoCloseMode, kLabelColumns, m_arrRows);
}

int CECOChangeLableBrowseDlg::ShowLabelArea(int row) {
    UpdateData(TRUE);
    if (row < 0 || row >= m_listLabels.GetItemCount())
        return 0;
    CECODocumentDrawing drawing;
    drawing.m_strECOGroup = m_strECOGroup;
    drawing.m_strECONo = m_strECONo;
    drawing.m_strDocType = m_strDocType;
    double area[4];
    if (!drawing.ReadLabelArea(m_listLabels.GetItemText(row, 0), area))
        return 0;
    m_viewer.ZoomToArea(area[0], area[1], area[2], area[3]);
    return 1;
}

void CECOChangeLableBrowseDlg::OnLabelChanged(NMHDR* pNMHDR, LRESULT* pResult) {
    *pResult = 0;
    const auto* info = reinterpret_cast<const NMLISTVIEW*>(pNMHDR);
    if (!IsRowNewlySelected(pNMHDR) || info->iItem == m_nLabelSelected)
        return;
    m_nLabelSelected = info->iItem;
    ShowLabelArea(m_nLabelSelected);
}

void CECOChangeLableBrowseDlg::OnLabelDblClick(NMHDR*, LRESULT* pResult) {
    *pResult = 0;
    OnLabelProperties();
}

void CECOChangeLableBrowseDlg::OnLabelProperties() {
    if (m_listLabels.GetItemCount() == 0)
        return;
    if (m_nLabelSelected < 0) {
        AfxMessageBox("请选择指定的更改标记...");
        return;
    }
    CECOChangeLableItemDlg item;
    item.m_bNewLabel = 0;
    item.m_bReadOnly = 1;
    item.m_strChangeLabel = m_listLabels.GetItemText(m_nLabelSelected, 0);
    item.m_strECOGroup = m_strECOGroup;
    item.m_strECONo = m_strECONo;
    item.m_strDocType = m_strDocType;
    item.DoModal();
}

void CECOChangeLableBrowseDlg::OnManageLabels() {
    if (m_nFileSelected < 0) {
        AfxMessageBox("请先选择制定的附加文件...");
        return;
    }
    CECOChangeLableMaintainDlg dlg;
    dlg.m_strECOGroup = m_strECOGroup;
    dlg.m_strECONo = m_strECONo;
    dlg.m_strDocType = m_strDocType;
    dlg.m_bEditOverride = m_bEditOverride;
    dlg.DoModal();
    LoadLabels();
    EnableProperties();
}

void CECOChangeLableBrowseDlg::OnViewerMouseDown(short button, short, double x, double y) {
    if (button == 2)
        TrackViewerCommandMenu(m_viewer, x, y, this, false);
}

void CECOChangeLableBrowseDlg::OnSize(UINT type, int cx, int cy) {
    CDialog::OnSize(type, cx, cy);
    int dx = 0, dy = 0;
    if (!m_viewer.GetSafeHwnd() || !m_size.Follow(*this, dx, dy))
        return;
    // A view that lays the window out (the Qt view) has already placed the controls.
    if (!m_viewer.GetViewData()) {
        OffsetControls(*this, {IDCANCEL, kManageId, kPropertiesId, kGroupId, kNumberId, kLabelListId}, dx, 0);
        MoveEdges(m_viewer, 0, 0, dx, dy);
        MoveEdges(m_listFiles, 0, 0, dx, 0);
    }
    m_viewer.UpdateView();
    Invalidate();
}

void CECOChangeLableBrowseDlg::PostNcDestroy() {
    DeleteItemTexts(m_arrRows);
    CDialog::PostNcDestroy();
}
