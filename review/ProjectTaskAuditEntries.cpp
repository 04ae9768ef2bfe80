// The entry functions of the review of a project task. Both open the product database and the
// FTP server (the opinion and redline files live there) and lend both to the application object
// for the call; without either the call returns at once. Both always return 0.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "review/ProjectTaskAuditDlg.h"

namespace {

void RunProjectTaskAudit(const CString& taskNo, const CString& login, const CString& stepName) {
    CEntryFrame frame(login, CEntryFrame::Ftp::Yes);
    if (!frame.IsOpen())
        return;
    CProjectTaskAuditDlg dlg(nullptr);
    dlg.m_strTaskNo = taskNo;
    dlg.m_strReviewer = login;
    dlg.m_strStepName = stepName;
    dlg.m_strTaskName.Empty();
    dlg.DoModal();
}

} // namespace

// DoProjectTaskAudit(taskNo, login, stepName)
extern "C" int DoProjectTaskAudit(CString taskNo, CString login, CString stepName) {
    RunProjectTaskAudit(taskNo, login, stepName);
    return 0;
}

// DoMultiProjectTaskAudit(unused, taskNo, login, stepName)
extern "C" int DoMultiProjectTaskAudit(int, CString taskNo, CString login, CString stepName) {
    RunProjectTaskAudit(taskNo, login, stepName);
    return 0;
}

VQ_EXPORT_ENTRY(DoProjectTaskAudit, 2, "评审意见 — 项目任务", vq::kReviewSubsystem);
VQ_EXPORT_ENTRY(DoMultiProjectTaskAudit, 3, "评审意见 — 多任务评审中的一个项目任务", vq::kReviewSubsystem);
