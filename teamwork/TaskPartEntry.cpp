// The entry function of the design product structure of a work task.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "teamwork/TaskPartDlg.h"

// AssignTaskPartMain(workId, login, readOnly): 1 when a part of the work's structure was
// created, changed or deleted in the dialog, else 0 (also when the database cannot be opened).
extern "C" int AssignTaskPartMain(CString workId, CString login, int readOnly) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CTaskPartDlg dlg(nullptr);
    dlg.m_strWorkID = StoredNumber("TeamWorkManage", "WorkID", workId);
    dlg.m_bReadOnly = readOnly;
    dlg.DoModal();
    return dlg.m_bChanged;
}

VQ_EXPORT_ENTRY(AssignTaskPartMain, 2, "设计产品结构管理", vq::kTeamworkSubsystem);
