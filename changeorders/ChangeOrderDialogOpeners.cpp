// Fills the openers of core/DialogSeams.h for the change-order dialogs that the part dialogs open.
#include "changeorders/PartChangeHistoryDlg.h"
#include "core/DialogSeams.h"

namespace {

INT_PTR OpenHistory(const CString& partCode, const CString& revision, int lockPart) {
    CPartChangeHistoryDlg dlg;
    dlg.m_strPartCode = partCode;
    dlg.m_strRevision = revision;
    dlg.m_bLockPart = lockPart;
    return dlg.DoModal();
}

[[maybe_unused]] const bool registered = (vq::Dialogs().partChangeHistory = &OpenHistory, true);

} // namespace
