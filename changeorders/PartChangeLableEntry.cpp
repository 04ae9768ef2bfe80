// The entry functions of the change labels of part drawings. Both also open the FTP server, whose
// connection the dialogs fetch the drawings with; 0 without a dialog when the database or the FTP
// server cannot be opened.
#include "changeorders/PartChangeLableBrowseDlg.h"
#include "changeorders/PartChangeLableMaintainDlg.h"
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"

// PartChangeLableMaintain(partNumber, unused, login): 1 after the dialog has closed.
extern "C" int PartChangeLableMaintain(CString partNumber, int, CString login) {
    CEntryFrame frame(login, CEntryFrame::Ftp::Yes);
    if (!frame.IsOpen())
        return 0;
    CPartChangeLableMaintainDlg dlg;
    dlg.m_strPartNumber = partNumber;
    dlg.DoModal();
    return 1;
}
VQ_EXPORT_ENTRY(PartChangeLableMaintain, 3, "零部件更改标记管理", vq::kChangeOrdersSubsystem);

// PartChangeLableBrowse(partNumber, login): 1 after the dialog has closed.
extern "C" int PartChangeLableBrowse(CString partNumber, CString login) {
    CEntryFrame frame(login, CEntryFrame::Ftp::Yes);
    if (!frame.IsOpen())
        return 0;
    CPartChangeLableBrowseDlg dlg;
    dlg.m_strPartNumber = partNumber;
    dlg.DoModal();
    return 1;
}
VQ_EXPORT_ENTRY(PartChangeLableBrowse, 2, "更改标记比较浏览", vq::kChangeOrdersSubsystem);
