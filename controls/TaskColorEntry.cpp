// The entry function of the task colour settings: no arguments, no database.
#include "controls/TaskColorDlg.h"
#include "core/EntryRegistry.h"

extern "C" int ConfigureTaskItemColor() {
    CTaskColorDlg dialog(nullptr);
    return dialog.DoModal() == IDOK ? 1 : 0;
}
VQ_EXPORT_ENTRY(ConfigureTaskItemColor, 0, "配置任务项显示颜色", vq::kControlsSubsystem);
