// The entry functions of the work task state maintenance, the work-group document manager and
// the drawing download request query.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "teamwork/TeamGroupFileManageDlg.h"
#include "teamwork/TeamWorkPrintSearchDlg.h"
#include "teamwork/TeamWorkTaskStateDlg.h"

// TeamWorkTaskStateMaintain(workId, login, unused): 1 after a mark command ran to its end, else 0
// (also when the database cannot be opened).
extern "C" int TeamWorkTaskStateMaintain(CString workId, CString login, int /*unused*/) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CTeamWorkTaskStateDlg dlg(nullptr);
    dlg.WorkID = StoredNumber("TeamWorkManage", "WorkID", workId);
    dlg.DoModal();
    return dlg.Changed;
}

VQ_EXPORT_ENTRY(TeamWorkTaskStateMaintain, 2, "工作任务状态维护", vq::kTeamworkSubsystem);

// TeamGorupFileManageMain(taskNo, byWorkId, login), the name spelled so: the host reads no
// result; 1 when the dialog was shown, 0 when the database cannot be opened.
extern "C" int TeamGorupFileManageMain(CString taskNo, int byWorkId, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CTeamGroupFileManageDlg dlg(nullptr);
    dlg.TaskNo = byWorkId ? StoredNumber("TeamWorkManage", "WorkID", taskNo)
                          : StoredNumber("ProjectManage", "ProjectNo", taskNo);
    dlg.ByWorkID = byWorkId;
    dlg.DoModal();
    return 1;
}

VQ_EXPORT_ENTRY(TeamGorupFileManageMain, 3, "工作组文档管理", vq::kTeamworkSubsystem);

// TeamWorkPrintSearchMain(drawingNo, login): 1, or 0 when the database cannot be opened.
extern "C" int TeamWorkPrintSearchMain(CString drawingNo, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CTeamWorkPrintSearchDlg dlg(nullptr);
    dlg.DrawingNo = drawingNo;
    dlg.Applicant = login;
    dlg.DoModal();
    return 1;
}

VQ_EXPORT_ENTRY(TeamWorkPrintSearchMain, 2, "图纸申请下载情况查询", vq::kTeamworkSubsystem);
