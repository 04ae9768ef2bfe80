// The entry functions of the assisting-review tasks of a change order's review step: the task
// management dialog, read-write or display-only, and the entry for change orders whose assisting
// reviews need no task list, which touches nothing (no login account, no database).
#include "changeorders/ECONextAuditTaskDlg.h"
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"

extern "C" int ECOAssignNextAuditTaskMain(CString group, CString number, CString stepName, CString login,
                                          int displayOnly) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CECONextAuditTaskDlg dlg;
    dlg.m_strECOGroup = group;
    dlg.m_strECONo = StoredNumber(group == "修改单" ? "ECOModifyManage" : "ECOChangeManage", "ECONo", number);
    dlg.m_strUpAuditName = stepName;
    dlg.m_bDisplayOnly = displayOnly;
    dlg.DoModal();
    return 1;
}

extern "C" int ECOAssignNextAuditTaskShow(CString group, CString number, CString stepName, CString login) {
    return ECOAssignNextAuditTaskMain(group, number, stepName, login, 1);
}

extern "C" int ECOAssignNextAuditFlatroof(CString, CString, CString, CString) {
    return 1;
}

VQ_EXPORT_ENTRY(ECOAssignNextAuditTaskMain, 4, "更改单—协助评审任务管理", vq::kChangeOrdersSubsystem);
VQ_EXPORT_ENTRY(ECOAssignNextAuditTaskShow, 4, "更改单—协助评审任务管理(浏览)", vq::kChangeOrdersSubsystem);
VQ_EXPORT_ENTRY(ECOAssignNextAuditFlatroof, 0, "更改单协助评审 (无对话框)", vq::kChangeOrdersSubsystem);
