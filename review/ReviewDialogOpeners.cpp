// Fills the openers of core/DialogSeams.h for the review dialogs that the project and work-task
// dialogs open.
#include "core/DialogSeams.h"
#include "review/AuditResultChooser.h"
#include "review/TaskAuditFlowDlg.h"

namespace {

INT_PTR OpenAuditFlow(vq::TaskAuditFlowRequest& request) {
    CTaskAuditFlowDlg dlg(request.parent);
    dlg.m_strAuditMode = request.auditMode;
    dlg.m_strWorkState = request.workState;
    dlg.m_strProjectPath = request.projectPath;
    dlg.m_strProjectName = request.projectName;
    dlg.m_strTaskID = request.taskId;
    dlg.m_bReadOnly = request.readOnly;
    dlg.m_bWriteToTask = request.writeToTask;
    dlg.m_strAuditModel = request.auditModel;
    dlg.m_strAuditorName = request.auditorName;
    dlg.m_bSubmitMode = request.submitMode;
    const INT_PTR result = dlg.DoModal();
    request.auditModel = dlg.m_strAuditModel;
    request.auditorName = dlg.m_strAuditorName;
    return result;
}

void ShowResults(const CString& fileId, const CString& fileName) {
    ShowAuditResultDialog(fileId, fileName);
}

bool Register() {
    vq::DialogSlots& openers = vq::Dialogs();
    openers.taskAuditFlow = &OpenAuditFlow;
    openers.auditResult = &ShowResults;
    return true;
}

[[maybe_unused]] const bool registered = Register();

} // namespace
