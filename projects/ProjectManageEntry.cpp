// The entry function of the design project management.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "projects/DesignProjectManageDlg.h"

// DesignProjectManageMain(login, addDisabled): 1 when a project was added or deleted, else 0 (also
// when the database cannot be opened).
extern "C" int DesignProjectManageMain(CString login, int addDisabled) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CDesignProjectManageDlg dlg(nullptr);
    dlg.AddDisabled = addDisabled;
    dlg.DoModal();
    return dlg.Changed;
}
VQ_EXPORT_ENTRY(DesignProjectManageMain, 1, "设计项目管理", vq::kProjectsSubsystem);
