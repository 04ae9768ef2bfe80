// The entry function that shows one modification notice, read-only.
#include "changeorders/ECOModifyItemDlg.h"
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"

extern "C" int ShowECOModifyItemData(CString number, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CECOModifyItemDlg dlg;
    dlg.m_strECONo = StoredNumber("ECOModifyManage", "ECONo", number);
    dlg.m_bNewItem = 0;
    dlg.m_bReadOnly = 1;
    dlg.DoModal();
    return 1;
}

VQ_EXPORT_ENTRY(ShowECOModifyItemData, 2, "修改通知单 - 改蓝图", vq::kChangeOrdersSubsystem);
