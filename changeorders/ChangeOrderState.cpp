#include "changeorders/ChangeOrderState.h"

#include "changeorders/ECOConfigure.h"
#include "core/ComError.h"
#include "core/SqlTransaction.h"
#include "core/VqDesignTaskApp.h"
#include "platform/db/Ado.h"
#include "platform/db/SqlText.h"

#include <utility>

namespace {

bool IsModifyNotice(const CString& group) {
    return group == kModifyNoticeGroup;
}

// The states in which the preparer may still change the order.
bool IsEditableState(const CString& state) {
    return state == "临时" || state == "更改";
}

} // namespace

CChangeOrderState::CChangeOrderState(CString group, CString number)
    : m_strGroup(std::move(group)), m_strNumber(std::move(number)) {}

bool CChangeOrderState::ReadNow(bool& found, CString& state) const {
    CString sql;
    sql.Format(IsModifyNotice(m_strGroup) ? "SELECT State FROM ECOModifyManage WHERE ECONo='%s'"
                                          : "SELECT State FROM ECOChangeManage WHERE ECONo='%s'",
               SqlQuote(m_strNumber));
    std::vector<CString> values;
    if (!ReadFirstRowTexts(sql, values, found))
        return false;
    state = found ? values[0] : CString();
    return true;
}

bool CChangeOrderState::Read() {
    return ReadNow(m_bFound, m_strState);
}

CString CChangeOrderState::LockName() const {
    CString name = (IsModifyNotice(m_strGroup) ? "ECOModifyManage:" : "ECOChangeManage:") + m_strNumber;
    name.MakeUpper();
    return name;
}

bool CChangeOrderState::LockStillEditable(CSqlTransaction& transaction, const CString& what) const {
    bool found = false;
    CString state;
    if (!transaction.Lock(LockName()) || !ReadNow(found, state))
        return false;
    // The order stays as the window found it, or it is still in the preparer's hands (the form
    // that holds this window may have stored it itself meanwhile).
    if (found == m_bFound && (state == m_strState || IsEditableState(state)))
        return true;
    const CString group = m_strGroup.IsEmpty() ? CString(kChangeNoticeGroup) : m_strGroup;
    const CString number(vq::VisibleText(m_strNumber.str()));
    CString text;
    if (!found)
        text.Format("%s：%s 已被删除，本次没有删除%s。", group, number, what);
    else if (state == "正式")
        text.Format("%s：%s 已发布，本次没有删除%s。", group, number, what);
    else if (state == "评审")
        text.Format("%s：%s 已提交评审，本次没有删除%s。", group, number, what);
    else
        text.Format("%s：%s 的状态已变为“%s”，本次没有删除%s。", group, number,
                    CString(vq::VisibleText(state.str())), what);
    ShowDbMessage(text);
    return false;
}

