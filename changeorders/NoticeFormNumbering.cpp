#include "changeorders/NoticeFormNumbering.h"

#include "changeorders/ECONumbering.h"
#include "parts/ProductInfoSelectDlg.h"
#include "parts/ProductSelectDlg.h"

namespace {

bool PickProduct(bool byProductClass, NoticeProduct& product) {
    if (byProductClass) {
        CProductInfoSelectDlg dlg;
        dlg.m_strCode = product.code;
        if (dlg.DoModal() != IDOK)
            return false;
        product = {dlg.m_strCode, dlg.m_strName, dlg.m_strStyle};
        return true;
    }
    CProductSelectDlg dlg;
    dlg.m_nMode = 0;
    dlg.m_strCode = product.code;
    dlg.m_strStyle.Empty();
    if (dlg.DoModal() != IDOK)
        return false;
    product = {dlg.m_strCode, dlg.m_strName, dlg.m_strStyle};
    return true;
}

CECONumbering Numbering(const NoticeNumbering& settings) {
    CECONumbering numbering;
    numbering.m_strGroup = settings.group;
    numbering.m_nNoWidth = settings.width;
    numbering.m_strNoSeparator = settings.separator;
    numbering.m_nNoMode = settings.mode;
    numbering.m_strSaveUser = settings.saveUser;
    numbering.m_strSaveDate = settings.saveDate;
    return numbering;
}

} // namespace

bool PickProductAndApplyNumber(bool byProductClass, const NoticeNumbering& settings, NoticeProduct& product,
                               CString& number) {
    if (!PickProduct(byProductClass, product))
        return false;
    CECONumbering numbering = Numbering(settings);
    numbering.m_strProductStyle = product.style;
    // The numbering shows its own messages ("申请编号未成功..." included); nothing more is said
    // here, so no second box with an empty number follows a failed request.
    numbering.ApplyNumber(number);
    return true;
}

CString ApplyPersonalNoticeNumber(const NoticeNumbering& settings, const CString& personalCode) {
    CECONumbering numbering = Numbering(settings);
    numbering.m_strPersonalCode = personalCode;
    return numbering.ApplyPersonalNumber();
}
