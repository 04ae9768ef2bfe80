#include "changeorders/NoticeFormView.h"

#include "changeorders/ECOChangeItemDlg.h"
#include "changeorders/ECOConfigure.h"
#include "changeorders/ECOModifyItemDlg.h"

namespace {

template <typename Form>
void ShowReadOnly(const CString& number) {
    Form dlg;
    dlg.m_strECONo = number;
    dlg.m_bNewItem = 0;
    dlg.m_bReadOnly = 1;
    dlg.DoModal();
}

} // namespace

void ShowNoticeReadOnly(const CString& group, const CString& number) {
    if (group == kModifyNoticeGroup)
        ShowReadOnly<CECOModifyItemDlg>(number);
    else
        ShowReadOnly<CECOChangeItemDlg>(number);
}
