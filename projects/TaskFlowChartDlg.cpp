#include "projects/TaskFlowChartDlg.h"

#include "core/ComError.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "platform/ui/SpinButtonCtrl.h"
#include "projects/FlowView.h"

#include <cstdlib>

namespace {

using D = CTaskFlowChartDlg;

const vq::DialogTemplate kFlowChartTemplate{
    "任务流程图",
    {vq::CheckBox(D::kShowGridId, "显示网格"), vq::CheckBox(D::kDotLineId, "虚线显示", vq::kBeside),
     vq::CheckBox(D::kSnapId, "捕捉交点", vq::kBeside), vq::Label("网格行数:", vq::kBeside),
     vq::EditBox(D::kRowsId, vq::kBeside, ES_NUMBER), vq::Spin(D::kRowsSpinId),
     vq::Label("网格列数:", vq::kBeside), vq::EditBox(D::kColumnsId, vq::kBeside, ES_NUMBER),
     vq::Spin(D::kColumnsSpinId), vq::CustomWindow(D::kFrameId, vq::kFill, 0, CRect(0, 0, 600, 400)),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

constexpr const char* kSection = "工作流管理";
constexpr const char* kJoin = "|*|";

bool FlagSetting(const char* key) {
    return ReadSetting(kSection, key, "FALSE").CompareNoCase("TRUE") == 0;
}

// A grid size of the settings: a number from 1 to 25, else 6.
int GridSetting(const char* key) {
    const CString text = ReadSetting(kSection, key, "6").Trim();
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.IsEmpty() || *end != '\0' || value < 1 || value > 25)
        return 6;
    return static_cast<int>(value);
}

} // namespace

CPoint ParseLeftTopPoint(const CString& text) {
    if (text.IsEmpty())
        return CPoint(0, 0);
    const int comma = text.Find(',');
    if (comma < 0)
        return CPoint(0, 0);
    const CString x = text.Mid(1, comma - 1);
    const CString y = text.Mid(comma + 1, text.GetLength() - comma - 2);
    return CPoint(std::atoi(x.c_str()), std::atoi(y.c_str()));
}

BEGIN_MESSAGE_MAP(CTaskFlowChartDlg, CDialog)
    ON_EN_CHANGE(kRowsId, &CTaskFlowChartDlg::OnGridChanged)
    ON_EN_CHANGE(kColumnsId, &CTaskFlowChartDlg::OnGridChanged)
    ON_BN_CLICKED(kDotLineId, &CTaskFlowChartDlg::OnGridChanged)
    ON_BN_CLICKED(kSnapId, &CTaskFlowChartDlg::OnSnapClicked)
END_MESSAGE_MAP()

CTaskFlowChartDlg::CTaskFlowChartDlg(CWnd* parent) : CDialog(kFlowChartTemplate, parent) {}

CTaskFlowChartDlg::~CTaskFlowChartDlg() {
    delete m_pFlowView;
}

void CTaskFlowChartDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Check(pDX, kShowGridId, m_bShowGrid);
    DDX_Check(pDX, kDotLineId, m_bDotLine);
    DDX_Check(pDX, kSnapId, m_bSnap);
    DDX_Text(pDX, kRowsId, m_nRows);
    DDV_MinMaxInt(pDX, m_nRows, 1, 25);
    DDX_Text(pDX, kColumnsId, m_nColumns);
    DDV_MinMaxInt(pDX, m_nColumns, 1, 25);
}

BOOL CTaskFlowChartDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;
    if (!m_strProjectNo.IsEmpty())
        ReadItem();
    ReadSettings();
    if (auto* spin = dynamic_cast<CSpinButtonCtrl*>(GetDlgItem(kRowsSpinId)))
        spin->SetRange(1, 25);
    if (auto* spin = dynamic_cast<CSpinButtonCtrl*>(GetDlgItem(kColumnsSpinId)))
        spin->SetRange(1, 25);
    EnableGridControls();
    UpdateData(FALSE);

    CWnd* frame = GetDlgItem(kFrameId);
    auto* view = new CFlowView;
    const CRect rect = frame ? frame->GetRectInParent() : CRect(0, 0, 600, 400);
    if (!view->Create(nullptr, "", WS_CHILD | WS_VISIBLE | WS_BORDER, rect, this, kFlowViewId)) {
        delete view;
        return TRUE;
    }
    m_pFlowView = view;
    GetDlgItem(kShowGridId)->EnableWindow(FALSE);
    GetDlgItem(IDOK)->EnableWindow(FALSE);
    view->m_nCols = 6;
    view->m_nRows = 6;
    view->m_bShowGrid = 0;
    view->m_bDotGrid = 0;
    view->m_bSnapGrid = 0;
    view->m_strKind = kFlowKindTask;
    view->m_bReadOnly = 1;
    ReadTasks();
    BuildChart();
    CString caption;
    caption.Format("同级任务流程图 - %s%s", "", m_strProjectName);
    SetWindowText(caption);
    return TRUE;
}

void CTaskFlowChartDlg::ReadItem() {
    CString sql;
    if (m_nDatabaseType == 2)
        sql.Format("SELECT ProjectName, ProjectPath FROM ProjectManage WHERE rtrim(ProjectNo)='%s'",
                   SqlQuote(m_strProjectNo));
    else
        sql.Format("SELECT ProjectName, ProjectPath FROM ProjectManage WHERE ProjectNo='%s'",
                   SqlQuote(m_strProjectNo));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strProjectName = VariantToString(rs->GetCollect(0L));
            m_strProjectPath = VariantToString(rs->GetCollect(1L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskFlowChartDlg::ReadSettings() {
    m_bShowGrid = FlagSetting("Grid") ? 1 : 0;
    m_bDotLine = FlagSetting("DotLine") ? 1 : 0;
    m_bSnap = FlagSetting("Catch") ? 1 : 0;
    m_nRows = GridSetting("Rows");
    m_nColumns = GridSetting("Columns");
}

void CTaskFlowChartDlg::EnableGridControls() {
    const BOOL on = m_bShowGrid ? TRUE : FALSE;
    for (int id : {kRowsId, kRowsSpinId, kColumnsId, kColumnsSpinId, kDotLineId, kSnapId})
        if (CWnd* control = GetDlgItem(id))
            control->EnableWindow(on);
}

void CTaskFlowChartDlg::ReadTasks() {
    const CString prefix = m_strProjectPath == "项目管理" ? CString() : m_strProjectPath;
    CString sql;
    sql.Format("SELECT ProjectName,ProjectManager,PreTaskName,LeftTopPoint FROM ProjectManage WHERE %s='%s' "
               "ORDER BY "
               "ProjectName",
               m_nDatabaseType == 2 ? "rtrim(ProjectPath)" : "ProjectPath", SqlQuote(prefix));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            m_arrNames.Add(VariantToString(rs->GetCollect(0L)));
            m_arrManagers.Add(VariantToString(rs->GetCollect(1L)));
            m_arrPredecessors.Add(VariantToString(rs->GetCollect(2L)));
            m_arrPositions.Add(VariantToString(rs->GetCollect(3L)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskFlowChartDlg::BuildChart() {
    for (int k = 0; k < m_arrNames.GetSize(); ++k) {
        CPoint point = ParseLeftTopPoint(m_arrPositions[k]);
        // Unplaced tasks fall on a diagonal 20 pixels apart.
        if (point.x == 0 && point.y == 0)
            point = CPoint(20 * k, 20 * k);
        m_pFlowView->m_arrNodes.Add(new CFlowNode(m_arrNames[k], point.x, point.y, m_arrManagers[k]));
    }
    for (int k = 0; k < m_arrNames.GetSize(); ++k) {
        const CString& text = m_arrPredecessors[k];
        int start = 0;
        while (start <= text.GetLength() && !text.IsEmpty()) {
            int end = text.Find(kJoin, start);
            if (end < 0)
                end = text.GetLength();
            const CString part = text.Mid(start, end - start);
            for (int j = 0; j < m_arrNames.GetSize(); ++j) {
                if (!part.IsEmpty() && m_arrNames[j].CompareNoCase(part) == 0) {
                    m_pFlowView->m_arrLinks.Add(part + kFlowLinkSeparator + m_arrNames[k]);
                    break;
                }
            }
            start = end + 3;
        }
    }
    m_pFlowView->Invalidate();
}

void CTaskFlowChartDlg::OnGridChanged() {
    if (!m_pFlowView || !m_bShowGrid)
        return;
    m_nRows = static_cast<int>(GetDlgItemInt(kRowsId));
    m_nColumns = static_cast<int>(GetDlgItemInt(kColumnsId));
    m_bDotLine = IsDlgButtonChecked(kDotLineId) ? 1 : 0;
    const int rows = std::clamp(m_nRows, 1, 25);
    const int columns = std::clamp(m_nColumns, 1, 25);
    if (rows != m_nRows)
        SetDlgItemInt(kRowsId, static_cast<UINT>(rows));
    if (columns != m_nColumns)
        SetDlgItemInt(kColumnsId, static_cast<UINT>(columns));
    m_nRows = rows;
    m_nColumns = columns;
    m_pFlowView->m_nCols = m_nColumns;
    m_pFlowView->m_nRows = m_nRows;
    m_pFlowView->m_bDotGrid = m_bDotLine;
    m_pFlowView->Invalidate();
}

void CTaskFlowChartDlg::OnSnapClicked() {
    m_bSnap = IsDlgButtonChecked(kSnapId) ? 1 : 0;
    if (!m_pFlowView)
        return;
    m_pFlowView->m_bSnapGrid = m_bSnap;
    m_pFlowView->Invalidate();
}

void CTaskFlowChartDlg::PostNcDestroy() {
    m_arrNames.RemoveAll();
    m_arrManagers.RemoveAll();
    m_arrPredecessors.RemoveAll();
    m_arrPositions.RemoveAll();
    delete m_pFlowView;
    m_pFlowView = nullptr;
    CDialog::PostNcDestroy();
}
