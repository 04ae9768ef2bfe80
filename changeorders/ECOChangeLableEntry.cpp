// The entry functions of the change labels of change-order documents: the label management of
// one attached drawing (editable or read-only) and the label browser of all drawings attached to
// an order. Each returns 1 after its dialog has closed, 0 without a dialog when the database
// cannot be opened.
#include "changeorders/ECOChangeLableBrowseDlg.h"
#include "changeorders/ECOChangeLableMaintainDlg.h"
#include "core/EntryFrame.h"
#include "core/EntryRegistry.h"

namespace {

int RunLabelMaintenance(const CString& group, const CString& number, const CString& docType, int readOnly,
                        const CString& login) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CECOChangeLableMaintainDlg dlg;
    dlg.m_strECOGroup = group;
    dlg.m_strECONo = StoredNumber(group == "修改单" ? "ECOModifyManage" : "ECOChangeManage", "ECONo", number);
    dlg.m_strDocType = docType;
    dlg.m_bReadOnly = readOnly;
    dlg.DoModal();
    return 1;
}

int RunLabelBrowser(const CString& group, const CString& number, const CString& login, int editOverride) {
    CEntryFrame frame(login);
    if (!frame.IsOpen())
        return 0;
    CECOChangeLableBrowseDlg dlg;
    dlg.m_strECOGroup = group;
    dlg.m_strECONo = StoredNumber(group == "修改单" ? "ECOModifyManage" : "ECOChangeManage", "ECONo", number);
    dlg.m_bEditOverride = editOverride;
    dlg.DoModal();
    return 1;
}

} // namespace

// ECOChangeLableMainTain(group, number, docType, readOnly, login)
extern "C" int ECOChangeLableMainTain(CString group, CString number, CString docType, int readOnly,
                                      CString login) {
    return RunLabelMaintenance(group, number, docType, readOnly, login);
}
VQ_EXPORT_ENTRY(ECOChangeLableMainTain, 5, "设计更改标记管理", vq::kChangeOrdersSubsystem);

// ECOChangeLableBrowse(group, number, docType, login): the management, always read-only.
extern "C" int ECOChangeLableBrowse(CString group, CString number, CString docType, CString login) {
    return RunLabelMaintenance(group, number, docType, 1, login);
}
VQ_EXPORT_ENTRY(ECOChangeLableBrowse, 4, "设计更改标记管理(浏览)", vq::kChangeOrdersSubsystem);

// ECOChangeLableBrowseMain(group, number, login)
extern "C" int ECOChangeLableBrowseMain(CString group, CString number, CString login) {
    return RunLabelBrowser(group, number, login, 0);
}
VQ_EXPORT_ENTRY(ECOChangeLableBrowseMain, 3, "设计更改标记浏览", vq::kChangeOrdersSubsystem);

// ECOChangeLableBrowseMainEx(group, number, login, editOverride)
extern "C" int ECOChangeLableBrowseMainEx(CString group, CString number, CString login, int editOverride) {
    return RunLabelBrowser(group, number, login, editOverride);
}
VQ_EXPORT_ENTRY(ECOChangeLableBrowseMainEx, 3, "设计更改标记浏览(可编辑)", vq::kChangeOrdersSubsystem);
