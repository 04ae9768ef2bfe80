// The entry function that shows the design history of one part.
#include "changeorders/PartDesignHistoryDlg.h"
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"

// ShowPartECODesignHistory(partCode, login): 0 when the product database cannot be opened;
// otherwise 1, whatever the user does in the dialog.
extern "C" int ShowPartECODesignHistory(CString partCode, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CPartDesignHistoryDlg dlg;
    dlg.m_strPartCode = StoredNumber("VqkorvelAll_title", "TCode", partCode);
    dlg.DoModal();
    return 1;
}

VQ_EXPORT_ENTRY(ShowPartECODesignHistory, 2, "零部件设计历史", vq::kChangeOrdersSubsystem);
