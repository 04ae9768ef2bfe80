#include "core/DialogSeams.h"

#include "platform/base/MessageBox.h"

namespace vq {

namespace {

// Constant-initialised, so that the registration objects of the subsystems may fill it whatever
// the order in which the library's files are initialised.
constinit DialogSlots openers;

} // namespace

DialogSlots& Dialogs() {
    return openers;
}

INT_PTR OpenPartChangeHistory(const CString& partCode, const CString& revision, int lockPart) {
    return openers.partChangeHistory ? openers.partChangeHistory(partCode, revision, lockPart) : IDCANCEL;
}

INT_PTR OpenPersonalWorkTask(CString& workId, int tasksSelectable, int treeMode, int showWorks) {
    return openers.personalWorkTask ? openers.personalWorkTask(workId, tasksSelectable, treeMode, showWorks)
                                    : IDCANCEL;
}

INT_PTR OpenTaskAuditFlow(TaskAuditFlowRequest& request) {
    return openers.taskAuditFlow ? openers.taskAuditFlow(request) : IDCANCEL;
}

INT_PTR OpenTaskResources(CWnd* parent, const CString& taskNo, const CString& taskName, int workTask,
                          int readOnly) {
    return openers.taskResources ? openers.taskResources(parent, taskNo, taskName, workTask, readOnly)
                                 : IDCANCEL;
}

INT_PTR OpenTeamWorks(CWnd* parent, const CString& taskNo, const CString& taskName, int readOnly) {
    return openers.teamWorks ? openers.teamWorks(parent, taskNo, taskName, readOnly) : IDCANCEL;
}

INT_PTR OpenBrowseProjectTask(CWnd* parent, CString& taskNo, CString& taskName) {
    return openers.browseProjectTask ? openers.browseProjectTask(parent, taskNo, taskName) : IDCANCEL;
}

void ShowAuditResult(const CString& fileId, const CString& fileName) {
    if (openers.auditResult)
        openers.auditResult(fileId, fileName);
}

} // namespace vq
