// The entry functions of review flows: ShowTeamTaskAuditFlow shows a work document's review
// path read-only; the names the host's menus may call for project-task review flows and for
// review histories share one body that opens nothing and returns 1 (the host treats 1 as done).
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "review/TaskAuditFlowDlg.h"
#include "teamwork/WorkDocAuditInfo.h"

// ShowTeamTaskAuditFlow(fileId, login, unused): 0 when the database cannot be opened or the
// document has no row; otherwise 1, whatever the user does in the dialog.
extern "C" int ShowTeamTaskAuditFlow(CString fileId, CString login, int) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CWorkDocAuditInfo info;
    if (!info.ReadDocAuditInfo(StoredNumber("TeamWorkResult", "FileID", fileId)))
        return 0;
    CTaskAuditFlowDlg dlg(nullptr);
    dlg.m_bReadOnly = 1;
    dlg.m_bSubmitMode = 0;
    dlg.m_bWriteToTask = 0;
    dlg.m_strAuditMode = info.AuditingType;
    dlg.m_strAuditModel = info.AuditingModel;
    dlg.m_strAuditorName = info.AuditorName;
    dlg.DoModal();
    return 1;
}
VQ_EXPORT_ENTRY(ShowTeamTaskAuditFlow, 2, "任务评审流程图", vq::kReviewSubsystem);

namespace {
int DoNothing() {
    return 1;
}
} // namespace

extern "C" int ShowProjectTaskAuditFlow(CString, CString, int) {
    return DoNothing();
}
extern "C" int ShowProjectTaskAuditResult(CString, CString, int) {
    return DoNothing();
}
extern "C" int ShowTeamTaskAuditHistory(CString, CString, int) {
    return DoNothing();
}
extern "C" int ShowProjectTaskAuditHistory(CString, CString, int) {
    return DoNothing();
}

VQ_EXPORT_ENTRY(ShowProjectTaskAuditFlow, 0, "项目任务审核流程 (无对话框)", vq::kReviewSubsystem);
VQ_EXPORT_ENTRY(ShowProjectTaskAuditResult, 0, "项目任务审核结果 (无对话框)", vq::kReviewSubsystem);
VQ_EXPORT_ENTRY(ShowTeamTaskAuditHistory, 0, "工作任务审核历史 (无对话框)", vq::kReviewSubsystem);
VQ_EXPORT_ENTRY(ShowProjectTaskAuditHistory, 0, "项目任务审核历史 (无对话框)", vq::kReviewSubsystem);
