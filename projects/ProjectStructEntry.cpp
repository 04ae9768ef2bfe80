// The entry function of the project structure display.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "projects/ProjectStructDlg.h"

// AssignProjectStructMain(projectNo, login, unused): shows the project; always 0.
extern "C" int AssignProjectStructMain(CString projectNo, CString login, int unused) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CProjectStructDlg dlg(nullptr);
    dlg.ProjectNo = StoredNumber("ProjectManage", "ProjectNo", projectNo);
    dlg.DoModal();
    return 0;
}
VQ_EXPORT_ENTRY(AssignProjectStructMain, 2, "设计项目结构显示", vq::kProjectsSubsystem);
