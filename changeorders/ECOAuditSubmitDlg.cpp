#include "changeorders/ECOAuditSubmitDlg.h"

#include "platform/base/WaitCursor.h"
#include "platform/ui/DataExchange.h"
#include "review/TaskAuditFlowDlg.h"

namespace {

using Dlg = CECOAuditSubmitDlg;

const vq::DialogTemplate kSubmitTemplate{
    "更修单评审提交",
    {vq::Label("  属于评审不通过后的再提交，需要确认如下内容："), vq::GroupFrame("评审启动类型:"),
     vq::RadioButton(Dlg::kRestartAtStepId, "从\"不通过\"处开始", true),
     vq::RadioButton(Dlg::kRestartAtLevelId, "从\"不通过\"级开始", false),
     vq::RadioButton(Dlg::kRestartAllId, "从头开始", false), vq::GroupFrame("有不通过意见的评审任务:"),
     vq::ListBox(Dlg::kFailedListId, vq::kFill), vq::PushButton(Dlg::kFlowId, "评审流程"),
     vq::DefPushButton(IDOK, "确定", vq::kBeside), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kSubmitRegistration(CECOAuditSubmitDlg::IDD, kSubmitTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CECOAuditSubmitDlg, CDialog)
    ON_BN_CLICKED(CECOAuditSubmitDlg::kFlowId, &CECOAuditSubmitDlg::OnAuditFlow)
END_MESSAGE_MAP()

CECOAuditSubmitDlg::CECOAuditSubmitDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CECOAuditSubmitDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kFailedListId, m_listFailed);
    DDX_Radio(pDX, kRestartAtStepId, m_nRestartType);
}

BOOL CECOAuditSubmitDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    CWaitCursor wait;
    for (int i = 0; i < m_arrFailedNames.GetSize(); ++i) {
        const CString auditor = i < m_arrFailedAuditors.GetSize() ? m_arrFailedAuditors[i] : CString();
        CString line;
        line.Format("%s [%s]", m_arrFailedNames[i], auditor);
        m_listFailed.AddString(line);
    }
    if (m_bFixedRestart) {
        m_nRestartType = m_bRestartAtStep ? 0 : 1;
        for (int id : {kRestartAtStepId, kRestartAtLevelId, kRestartAllId})
            GetDlgItem(id)->EnableWindow(FALSE);
    }
    UpdateData(FALSE);
    return TRUE;
}

void CECOAuditSubmitDlg::OnAuditFlow() {
    CTaskAuditFlowDlg flow;
    flow.m_bReadOnly = 1;
    flow.m_bSubmitMode = 0;
    flow.m_bWriteToTask = 0;
    flow.m_strAuditModel = m_strAuditingModel;
    flow.m_strAuditorName = m_strAuditorName;
    flow.DoModal();
}

void CECOAuditSubmitDlg::OnOK() {
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}
