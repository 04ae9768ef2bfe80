#include "review/SelectReturnTaskDlg.h"

#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/ui/DataExchange.h"
#include "projects/FlowNode.h"
#include "projects/FlowView.h"
#include "teamwork/AuditPath.h"

#include <algorithm>

namespace {

const vq::DialogTemplate kSelectReturnTaskTemplate{
    "选择评审返回的任务",
    {vq::CustomWindow(CSelectReturnTaskDlg::kChartId, vq::kFill, 0, CRect(0, 0, 520, 300)),
     vq::Label("返回的评审任务:"), vq::ListBox(CSelectReturnTaskDlg::kStepListId),
     vq::CheckBox(CSelectReturnTaskDlg::kSameLevelId, "返回同级"), vq::DefPushButton(IDOK, "确定"),
     vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kSelectReturnTaskRegistration(CSelectReturnTaskDlg::IDD, kSelectReturnTaskTemplate);

} // namespace

CSelectReturnTaskDlg::CSelectReturnTaskDlg(CWnd* parent) : CDialog(IDD, parent) {}

CSelectReturnTaskDlg::~CSelectReturnTaskDlg() {
    delete m_pFlowView;
}

void CSelectReturnTaskDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kStepListId, m_listSteps);
    DDX_Check(pDX, kSameLevelId, m_bSameLevel);
}

BOOL CSelectReturnTaskDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWnd* placeholder = GetDlgItem(kChartId);
    auto* view = new CFlowView;
    const CRect rect = placeholder ? placeholder->GetRectInParent() : CRect(0, 0, 520, 300);
    if (view->Create(nullptr, "", WS_CHILD | WS_VISIBLE | WS_BORDER, rect, this, kFlowViewId)) {
        m_pFlowView = view;
        view->m_nCols = 6;
        view->m_nRows = 6;
        view->m_bShowGrid = 0;
        view->m_bDotGrid = 0;
        view->m_bSnapGrid = 0;
        view->m_strKind = kFlowKindAssign;
        view->m_bReadOnly = 1;
        view->m_bGeneralAuditor = 0;
        view->m_strStyle = m_strAuditStyle;
    } else {
        delete view;
        return TRUE;
    }
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    if (m_strAuditModel.IsEmpty())
        return TRUE;
    BuildChart();
    for (int i = 0; i < m_arrCandidates.GetSize(); ++i) {
        CString line;
        line.Format("%s(%s)", m_arrCandidates[i], AuditorOfStep(m_arrCandidates[i]));
        m_listSteps.AddString(line);
    }
    if (m_listSteps.GetCount() > 0)
        m_listSteps.SetCurSel(0);
    else
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    return TRUE;
}

void CSelectReturnTaskDlg::BuildChart() {
    SplitAuditList(m_strAuditorName, m_arrAuditorEntries);
    CStringArray entries;
    SplitAuditList(m_strAuditPath, entries);
    for (int i = 0; i < entries.GetSize(); ++i) {
        const AuditPathEntry parsed = ParseAuditPathEntry(entries[i]);
        const CString auditor = i < m_arrAuditorEntries.GetSize() ? m_arrAuditorEntries[i] : CString();
        m_pFlowView->m_arrNodes.Add(new CFlowNode(parsed.name, parsed.left, parsed.top, auditor));
    }
    m_pFlowView->Invalidate();
}

CString CSelectReturnTaskDlg::AuditorOfStep(const CString& stepName) const {
    if (stepName.IsEmpty() || !m_pFlowView)
        return CString();
    CString auditor;
    const int count = std::min<int>(m_pFlowView->GetNodeCount(), m_arrAuditorEntries.GetSize());
    for (int i = 0; i < count; ++i) {
        if (m_pFlowView->GetNode(i)->m_strName.CompareNoCase(stepName) == 0)
            auditor = m_arrAuditorEntries[i];
    }
    return auditor;
}

void CSelectReturnTaskDlg::OnOK() {
    UpdateData(TRUE);
    m_strLevelType = m_bSameLevel ? "S" : "U";
    const int selected = m_listSteps.GetCurSel();
    if (selected < 0) {
        AfxMessageBox("请选择要返回的评审任务...");
        return;
    }
    CString line;
    m_listSteps.GetText(selected, line);
    const int open = line.Find('(');
    m_strReturnTask = open >= 0 ? line.Left(open) : line;
    m_strReturnAuditor = open >= 0 ? line.Mid(open + 1, line.GetLength() - open - 2) : CString();
    EndDialog(IDOK);
}
