// Fills the openers of core/DialogSeams.h for the work-task dialogs that the part and project
// dialogs open.
#include "core/DialogSeams.h"
#include "teamwork/BrowseProjectTaskDlg.h"
#include "teamwork/PersonalWorkTaskDlg.h"
#include "teamwork/TaskResourceDlg.h"
#include "teamwork/TeamWorkManageDlg.h"

namespace {

INT_PTR OpenPersonalWorks(CString& workId, int tasksSelectable, int treeMode, int showWorks) {
    CPersonalWorkTaskDlg dlg;
    dlg.m_strWorkID = workId;
    dlg.m_bTasksSelectable = tasksSelectable;
    dlg.m_nTreeMode = treeMode;
    dlg.m_bShowWorks = showWorks;
    const INT_PTR result = dlg.DoModal();
    workId = dlg.m_strWorkID;
    return result;
}

INT_PTR OpenResources(CWnd* parent, const CString& taskNo, const CString& taskName, int workTask,
                      int readOnly) {
    CTaskResourceDlg dlg(parent);
    dlg.m_strTaskNo = taskNo;
    dlg.m_strTaskName = taskName;
    dlg.m_bWorkTask = workTask;
    dlg.m_bReadOnly = readOnly;
    return dlg.DoModal();
}

INT_PTR OpenWorks(CWnd* parent, const CString& taskNo, const CString& taskName, int readOnly) {
    CTeamWorkManageDlg dlg(parent);
    dlg.TaskNo = taskNo;
    dlg.TaskName = taskName;
    dlg.ReadOnly = readOnly;
    return dlg.DoModal();
}

INT_PTR OpenProjectTaskBrowser(CWnd* parent, CString& taskNo, CString& taskName) {
    CBrowseProjectTaskDlg dlg(parent);
    dlg.m_strTaskNo = taskNo;
    const INT_PTR result = dlg.DoModal();
    taskNo = dlg.m_strTaskNo;
    taskName = dlg.m_strTaskName;
    return result;
}

bool Register() {
    vq::DialogSlots& openers = vq::Dialogs();
    openers.personalWorkTask = &OpenPersonalWorks;
    openers.taskResources = &OpenResources;
    openers.teamWorks = &OpenWorks;
    openers.browseProjectTask = &OpenProjectTaskBrowser;
    return true;
}

[[maybe_unused]] const bool registered = Register();

} // namespace
