// The entry functions of the work tasks of the work groups: a new work task, and the work-group
// work management of a project task or a work task group.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "teamwork/AssignTeamTaskDlg.h"
#include "teamwork/TeamTaskItemDlg.h"

// CreateNewTeamTaskItem(taskNo, upWorkId, unused, login): the new work task's id after OK, else
// empty (also when the database cannot be opened).
extern "C" CString CreateNewTeamTaskItem(CString taskNo, CString upWorkId, CString unused, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return CString();
    CTeamTaskItemDlg dlg(nullptr);
    // The new work is numbered after, and stored below, the numbers as their rows store them; the
    // parent is a work task, or the project task itself.
    dlg.TaskNo = StoredNumber("ProjectManage", "ProjectNo", taskNo);
    dlg.UpWorkID = StoredNumber("TeamWorkManage", "WorkID", upWorkId);
    if (dlg.UpWorkID == upWorkId)
        dlg.UpWorkID = StoredNumber("ProjectManage", "ProjectNo", upWorkId);
    dlg.ModifyMode = 0;
    dlg.ReadOnly = 0;
    dlg.HasSubWorks = 0;
    if (dlg.DoModal() != IDOK)
        return CString();
    return dlg.WorkID;
}

VQ_EXPORT_ENTRY(CreateNewTeamTaskItem, 4, "工作任务分解", vq::kTeamworkSubsystem);

// AssignTeamTaskMain(projectNo, parentNo, login, readOnly, groupMode): 1 when a work task was
// created, changed or deleted in the dialog, else 0 (also when the database cannot be opened).
extern "C" int AssignTeamTaskMain(CString projectNo, CString parentNo, CString login, int readOnly,
                                  int groupMode) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CAssignTeamTaskDlg dlg(nullptr);
    dlg.ProjectNo = StoredNumber("ProjectManage", "ProjectNo", projectNo);
    // The parent is a work task in the work-group mode, else a project task.
    dlg.ParentNo = groupMode ? StoredNumber("TeamWorkManage", "WorkID", parentNo)
                             : StoredNumber("ProjectManage", "ProjectNo", parentNo);
    dlg.ReadOnly = readOnly;
    dlg.GroupMode = groupMode;
    dlg.DoModal();
    return dlg.Changed;
}

VQ_EXPORT_ENTRY(AssignTeamTaskMain, 3, "设计工作组工作管理", vq::kTeamworkSubsystem);
