// The entry function of the drawing-number revision browser.
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"
#include "parts/PartRevisionTreeDlg.h"

// BrowsePartReversionTree(partCode, login): opens no FTP server, so the documents of the part
// are listed but not opened.
extern "C" int BrowsePartReversionTree(CString partCode, CString login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CPartRevisionTreeDlg dlg(nullptr);
    dlg.m_strPartCode = StoredNumber("VqkorvelAll_title", "TCode", partCode);
    dlg.m_strProductCode = "";
    dlg.DoModal();
    return 1;
}

VQ_EXPORT_ENTRY(BrowsePartReversionTree, 2, "浏览图号版本信息", vq::kPartsSubsystem);
