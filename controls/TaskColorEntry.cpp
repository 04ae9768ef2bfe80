// The entry function of the task colour settings: no arguments, no database.
#include "controls/TaskColorDlg.h"
#include "core/EntryRegistry.h"
#include "core/Settings.h"
#include "platform/ui/View.h"

extern "C" int ConfigureTaskItemColor() {
    if (!vq::EntryCallCanShowDialogs())
        return 0;
    // Without an installation folder each of the seven colours would say so again: it is said
    // once, and the call ends here. So is a settings file that cannot be read, which OK would
    // otherwise fail to write in silence.
    if (SaidSettingsFault() || GetSettingsFilePath().IsEmpty())
        return 0;
    CTaskColorDlg dialog(nullptr);
    return dialog.DoModal() == IDOK ? 1 : 0;
}
VQ_EXPORT_ENTRY(ConfigureTaskItemColor, 0, "配置任务项显示颜色", vq::kControlsSubsystem);
