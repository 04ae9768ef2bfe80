#include "review/AuditResubmitDlg.h"

#include "core/Settings.h"
#include "platform/ui/DataExchange.h"
#include "review/TaskAuditFlowDlg.h"

namespace {

constexpr const char* kResubmitHeading = "  属于评审不通过后的再提交，需要确认如下内容：";
constexpr const char* kFirstHeading = "  属于评审任务的首次提交，需要确认如下内容：";

const vq::DialogTemplate kAuditResubmitTemplate{
    "设计文档评审提交",
    {vq::Label(kResubmitHeading, vq::kNoLayoutFlags, 0, CAuditResubmitDlg::kHeadingId),
     vq::RadioButton(CAuditResubmitDlg::kFromTaskId, "从\"不通过\"处开始", true),
     vq::RadioButton(CAuditResubmitDlg::kFromLevelId, "从\"不通过\"级开始", false),
     vq::RadioButton(CAuditResubmitDlg::kFromStartId, "从头开始", false), vq::Label("不通过的评审任务:"),
     vq::ListBox(CAuditResubmitDlg::kFailedTasksId), vq::PushButton(CAuditResubmitDlg::kFlowId, "评审流程"),
     vq::DefPushButton(IDOK, "确定", vq::kBeside), vq::PushButton(IDCANCEL, "取消", vq::kBeside)}};

const vq::TemplateRegistration kAuditResubmitRegistration(CAuditResubmitDlg::IDD, kAuditResubmitTemplate);

} // namespace

BEGIN_MESSAGE_MAP(CAuditResubmitDlg, CDialog)
    ON_BN_CLICKED(CAuditResubmitDlg::kFlowId, &CAuditResubmitDlg::OnShowFlow)
END_MESSAGE_MAP()

CAuditResubmitDlg::CAuditResubmitDlg(CWnd* parent) : CDialog(IDD, parent) {}

void CAuditResubmitDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, kFailedTasksId, m_listFailed);
    DDX_Radio(pDX, kFromTaskId, m_nMode);
}

BOOL CAuditResubmitDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    for (int i = 0; i < m_arrFailedTasks.GetSize(); ++i) {
        CString line;
        line.Format("%s [%s]", m_arrFailedTasks[i],
                    i < m_arrFailedAuditors.GetSize() ? m_arrFailedAuditors[i] : CString());
        m_listFailed.AddString(line);
    }
    if (m_bChangeRow) {
        // A document returned to a chosen step starts there, as the reviewer who returned it said.
        m_nMode = m_nChangeLevelKind ? 0 : 1;
        GetDlgItem(kFromTaskId)->EnableWindow(FALSE);
        GetDlgItem(kFromLevelId)->EnableWindow(FALSE);
        GetDlgItem(kFromStartId)->EnableWindow(FALSE);
    } else if (m_arrFailedTasks.GetSize() == 0) {
        m_nMode = 2;
        GetDlgItem(kFromTaskId)->EnableWindow(FALSE);
        GetDlgItem(kFromLevelId)->EnableWindow(FALSE);
        GetDlgItem(kHeadingId)->SetWindowText(kFirstHeading);
    }
    UpdateData(FALSE);
    if (ReadSetting("设计过程管理配置", "强制设计再提交评审任务从头开始", "0") != "0") {
        m_nMode = 2;
        UpdateData(FALSE);
        EndDialog(IDOK);
    }
    return TRUE;
}

void CAuditResubmitDlg::OnShowFlow() {
    CTaskAuditFlowDlg dlg(this);
    dlg.m_bReadOnly = 1;
    dlg.m_bSubmitMode = 0;
    dlg.m_strAuditModel = m_strAuditModel;
    dlg.m_strAuditorName = m_strAuditorName;
    dlg.DoModal();
}
