// The entry function that shows one change notice (the name is spelled as the host calls it).
#include "changeorders/ECOChangeItemDlg.h"
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"

extern "C" int ShowECOChanageItemData(CString number, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CECOChangeItemDlg dlg;
    dlg.m_strECONo = StoredNumber("ECOChangeManage", "ECONo", number);
    dlg.m_bNewItem = 0;
    dlg.m_bReadOnly = 1;
    dlg.DoModal();
    return 1;
}

VQ_EXPORT_ENTRY(ShowECOChanageItemData, 2, "更改通知单 - 改底图", vq::kChangeOrdersSubsystem);
