// The entry function of the work breakdown of a project.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "projects/AssignProjectTaskDlg.h"

// AssignProjectTaskMain(projectNo, login, readOnly): 1 when a task was divided, changed or
// deleted, else 0. The call also opens the FTP server and lends its connection to the application
// object (the deletion of a subtree removes the tasks' folders there); 0 without a dialog when the
// database or the FTP server cannot be opened.
extern "C" int AssignProjectTaskMain(CString projectNo, CString login, int readOnly) {
    CEntryFrame frame(login, CEntryFrame::Ftp::Yes);
    if (!frame.IsOpen())
        return 0;
    CAssignProjectTaskDlg dlg(nullptr);
    dlg.ProjectNo = StoredNumber("ProjectManage", "ProjectNo", projectNo);
    dlg.ReadOnly = readOnly;
    dlg.DoModal();
    return dlg.Changed;
}
VQ_EXPORT_ENTRY(AssignProjectTaskMain, 2, "设计项目结构管理 — WBS分解", vq::kProjectsSubsystem);
