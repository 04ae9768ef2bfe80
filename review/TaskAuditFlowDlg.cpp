#include "review/TaskAuditFlowDlg.h"

#include "core/ComError.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/MessageBox.h"
#include "platform/base/WaitCursor.h"
#include "platform/db/SqlText.h"
#include "platform/ui/DataExchange.h"
#include "projects/FlowView.h"
#include "teamwork/AuditPath.h"

namespace {

const vq::DialogTemplate kTaskAuditFlowTemplate{
    "任务评审流程图",
    {vq::Label("评审模板名:"), vq::DropDownList(CTaskAuditFlowDlg::kTemplateId),
     vq::Label("评审模式:", vq::kBeside),
     vq::EditBox(CTaskAuditFlowDlg::kAuditModeId, vq::kBeside, ES_READONLY),
     vq::Label("工作状态", vq::kBeside),
     vq::EditBox(CTaskAuditFlowDlg::kWorkStateId, vq::kBeside, ES_READONLY),
     vq::CustomWindow(CTaskAuditFlowDlg::kChartId, vq::kFill, 0, CRect(0, 0, 560, 380)),
     vq::DefPushButton(IDOK, "确定"), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kTaskAuditFlowRegistration(CTaskAuditFlowDlg::IDD, kTaskAuditFlowTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CTaskAuditFlowDlg, CDialog)
    ON_CBN_SELCHANGE(CTaskAuditFlowDlg::kTemplateId, &CTaskAuditFlowDlg::OnSelChangeTemplate)
END_MESSAGE_MAP()

CTaskAuditFlowDlg::CTaskAuditFlowDlg(CWnd* parent) : CDialog(IDD, parent) {}

CTaskAuditFlowDlg::~CTaskAuditFlowDlg() {
    delete m_pFlowView;
}

void CTaskAuditFlowDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kTemplateId, m_comboTemplate);
    DDX_Text(pDX, kAuditModeId, m_strAuditMode);
    DDX_Text(pDX, kWorkStateId, m_strWorkState);
}

BOOL CTaskAuditFlowDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    m_bInitialising = 1;
    CWnd* placeholder = GetDlgItem(kChartId);
    auto* view = new CFlowView;
    const CRect rect = placeholder ? placeholder->GetRectInParent() : CRect(0, 0, 560, 380);
    if (view->Create(nullptr, "", WS_CHILD | WS_VISIBLE | WS_BORDER, rect, this, kFlowViewId)) {
        m_pFlowView = view;
        view->m_nCols = 6;
        view->m_nRows = 6;
        view->m_bShowGrid = 0;
        view->m_bDotGrid = 0;
        view->m_bSnapGrid = 0;
        view->m_strKind = kFlowKindAssign;
        view->m_strStyle = "并联";
        view->m_bReadOnly = m_bReadOnly;
        view->m_bGeneralAuditor = m_bGeneralAuditor;
        view->m_bKeepAuditor = m_bKeepAuditor;
        view->m_strTaskID = m_strTaskID;
        view->m_nPickerOption = m_bSubmitMode;
    } else {
        delete view;
        m_bInitialising = 0;
        return TRUE;
    }
    m_pConnection = theApp.m_pConnPDM;
    m_nAdoCloseMode = theApp.m_nAdoCloseMode;
    m_nDatabaseType = theApp.m_nDatabaseType;
    LoadTemplates();
    m_strChosenModel = m_strAuditModel;
    m_strWorkAuditors = m_strAuditorName;
    if (m_strChosenModel.IsEmpty() && m_bSubmitMode)
        ReadTaskRow();
    SplitAuditors();
    if (!m_strTaskState.IsEmpty() && m_strTaskState != "未开始" && m_strTaskState != "正进行中")
        m_comboTemplate.EnableWindow(FALSE);
    ShowTemplate();
    if (m_bSubmitMode) {
        CString caption;
        if (m_strTaskID.IsEmpty())
            caption.Format("提交评审 - %s\\%s", m_strProjectPath, m_strProjectName);
        else
            caption.Format("提交评审 - %s[%s]", m_strProjectName, m_strTaskID);
        SetWindowText(caption);
    }
    if (m_bReadOnly) {
        m_comboTemplate.EnableWindow(FALSE);
        GetDlgItem(IDOK)->EnableWindow(FALSE);
    }
    UpdateData(FALSE);
    if (m_bKeepAuditor)
        m_comboTemplate.EnableWindow(FALSE);
    m_bInitialising = 0;
    // The chart takes the keys (the frame it was made over is empty): typing at once chooses no
    // other template.
    m_pFlowView->SetFocus();
    return FALSE;
}

void CTaskAuditFlowDlg::LoadTemplates() {
    m_comboTemplate.ResetContent();
    m_arrModelNames.RemoveAll();
    m_arrModelStyles.RemoveAll();
    m_arrModelPaths.RemoveAll();
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open("SELECT AuditingModel,AuditingStyle,AuditingPath FROM AuditingManage Order By AuditingModel",
                 m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        while (!rs->IsEOF()) {
            const CString model = VariantToString(rs->GetCollect(0L));
            m_comboTemplate.AddString(model);
            m_arrModelNames.Add(model);
            m_arrModelStyles.Add(VariantToString(rs->GetCollect(1L)));
            m_arrModelPaths.Add(VariantToString(rs->GetCollect(2L)));
            rs->MoveNext();
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskAuditFlowDlg::ReadTaskRow() {
    if (m_strProjectPath.IsEmpty())
        m_strProjectPath = "项目管理";
    const bool oracle = m_nDatabaseType == 2;
    CString sql;
    if (m_strTaskID.IsEmpty())
        sql.Format("SELECT WorkState,AuditingModel,AuditorName FROM ProjectManage WHERE %s='%s' AND %s='%s'",
                   oracle ? "rtrim(ProjectName)" : "ProjectName", SqlQuote(m_strProjectName),
                   oracle ? "rtrim(ProjectPath)" : "ProjectPath", SqlQuote(m_strProjectPath));
    else
        sql.Format("SELECT WorkState,AuditingModel,AuditorName FROM ProjectManage WHERE %s='%s'",
                   oracle ? "rtrim(ProjectNo)" : "ProjectNo", SqlQuote(m_strTaskID));
    try {
        _RecordsetPtr rs;
        rs.CreateInstance();
        rs->Open(sql, m_pConnection, adOpenForwardOnly, adLockReadOnly, adCmdText);
        if (!rs->IsEOF()) {
            m_strTaskState = VariantToString(rs->GetCollect(0L));
            m_strChosenModel = VariantToString(rs->GetCollect(1L));
            m_strWorkAuditors = VariantToString(rs->GetCollect(2L));
        }
        if (m_nAdoCloseMode)
            rs->Close();
    } catch (_com_error& e) {
        ReportComError(e);
    }
}

void CTaskAuditFlowDlg::SplitAuditors() {
    m_arrAuditorEntries.RemoveAll();
    SplitAuditList(m_strWorkAuditors, m_arrAuditorEntries);
}

void CTaskAuditFlowDlg::ShowTemplate() {
    if (m_strChosenModel.IsEmpty())
        return;
    int found = -1;
    for (int i = 0; i < m_arrModelNames.GetSize(); ++i)
        if (m_arrModelNames[i].CompareNoCase(m_strChosenModel) == 0) {
            found = i;
            break;
        }
    if (found < 0) {
        if (m_pFlowView)
            m_pFlowView->Invalidate();
        return;
    }
    m_comboTemplate.SetCurSel(found);
    m_strAuditMode = m_arrModelStyles[found];
    m_strChosenPath = m_arrModelPaths[found];
    if (m_pFlowView)
        m_pFlowView->m_strStyle = m_strAuditMode;
    if (!m_bInitialising) {
        CString upper = m_strChosenPath;
        upper.MakeUpper();
        if (upper.Find("[M]") >= 0) {
            // The auditors of mixed steps are groups and must be chosen anew; the list chosen
            // so far is kept aside once, so that choosing back a plain template restores it.
            if (!m_strWorkAuditors.IsEmpty())
                m_strSavedAuditors = m_strWorkAuditors;
            m_strWorkAuditors.Empty();
        } else if (m_strWorkAuditors.IsEmpty()) {
            m_strWorkAuditors = m_strSavedAuditors;
        }
        SplitAuditors();
    }
    BuildNodes();
    if (m_pFlowView)
        m_pFlowView->Invalidate();
    UpdateData(FALSE);
}

void CTaskAuditFlowDlg::BuildNodes() {
    if (!m_pFlowView)
        return;
    CStringArray entries;
    SplitAuditList(m_strChosenPath, entries);
    for (const CString& entry : entries) {
        const AuditPathEntry parsed = ParseAuditPathEntry(entry);
        const int index = m_pFlowView->GetNodeCount();
        const CString auditor =
            index < m_arrAuditorEntries.GetSize() ? m_arrAuditorEntries[index] : CString();
        m_pFlowView->m_arrNodes.Add(new CFlowNode(parsed.name, parsed.left, parsed.top, auditor));
    }
}

void CTaskAuditFlowDlg::OnSelChangeTemplate() {
    if (m_pFlowView)
        m_pFlowView->RemoveAllNodes();
    const int selected = m_comboTemplate.GetCurSel();
    if (selected < 0)
        return;
    m_strChosenModel = m_comboTemplate.GetLBText(selected);
    ShowTemplate();
}

void CTaskAuditFlowDlg::OnOK() {
    if (m_strChosenModel.IsEmpty()) {
        AfxMessageBox("请先选择评审模板...");
        return;
    }
    CString sql;
    sql.Format("SELECT AuditingPath FROM AuditingManage WHERE AuditingModel='%s'",
               SqlQuote(m_strChosenModel));
    const CString path = theApp.GetSqlString(sql);
    if (theApp.m_bConnectionLost)
        return;
    if (path.IsEmpty()) {
        AfxMessageBox("该评审模板没有设计评审路径，请重新指定...");
        return;
    }
    CString auditors;
    if (m_bCollectAuditors && m_pFlowView) {
        const int count = m_pFlowView->GetNodeCount();
        for (int i = 0; i < count; ++i) {
            const CFlowNode& node = *m_pFlowView->GetNode(i);
            if (node.m_strAuditor.IsEmpty()) {
                AfxMessageBox("评审任务: (" + node.m_strName + ") 无负责人，请确定!");
                return;
            }
        }
        // Entry i of the auditor list belongs to entry i of the path; the view keeps the boxes
        // of a mixed path sorted by row, so each entry takes the auditor of its own box.
        for (int i = 0; i < count; ++i) {
            if (i > 0)
                auditors += kAuditListSeparator;
            auditors += BoxOfEntry(i)->m_strAuditor;
        }
    }
    CollectFirstSteps();
    m_strAuditModel = m_strChosenModel;
    m_strAuditorName = auditors;
    if (m_bWriteToTask && m_bSubmitMode) {
        sql.Format("UPDATE ProjectManage SET AuditingModel='%s', AuditorName='%s' WHERE ProjectName='%s' AND "
                   "ProjectPath='%s'",
                   SqlQuote(m_strAuditModel), SqlQuote(m_strAuditorName), SqlQuote(m_strProjectName),
                   SqlQuote(m_strProjectPath));
        theApp.ExecuteSql(sql);
    }
    EndDialog(IDOK);
}

void CTaskAuditFlowDlg::CollectFirstSteps() {
    m_arrFirstNames.RemoveAll();
    m_arrFirstAuditors.RemoveAll();
    if (!m_pFlowView)
        return;
    // The boxes in path order: the one rule of first steps applies to them as to the path.
    CAuditPath path;
    path.m_strAuditingStyle = m_strAuditMode;
    for (int i = 0; i < m_pFlowView->GetNodeCount(); ++i) {
        const CFlowNode& node = *BoxOfEntry(i);
        path.AddStep(node.m_strName, node.m_strAuditor, node.m_nTop);
    }
    path.CollectFirstLevelSteps(m_arrFirstNames, m_arrFirstAuditors);
}

const CFlowNode* CTaskAuditFlowDlg::BoxOfEntry(int index) const {
    CStringArray entries;
    SplitAuditList(m_strChosenPath, entries);
    if (index < entries.GetSize() && m_pFlowView->GetNodeCount() == entries.GetSize())
        if (const CFlowNode* node = m_pFlowView->FindNode(ParseAuditPathEntry(entries[index]).name))
            return node;
    return m_pFlowView->GetNode(index);
}

void CTaskAuditFlowDlg::PostNcDestroy() {
    delete m_pFlowView;
    m_pFlowView = nullptr;
    m_arrModelNames.RemoveAll();
    m_arrModelStyles.RemoveAll();
    m_arrModelPaths.RemoveAll();
    m_arrAuditorEntries.RemoveAll();
    CDialog::PostNcDestroy();
}
