#include "controls/TreeStack.h"

#include "platform/base/MessageBox.h"

void CTreeStack::Push(const CTreeCursor& cursor, const CString& code, const CString& name, int number) {
    if (m_top <= 0) {
        AfxMessageBox("生成装配树所用堆栈已满");
        return;
    }
    // A stack that was never emptied with Init counts as empty.
    if (m_top > kCapacity)
        m_top = kCapacity;
    --m_top;
    CTreeStackItem& item = m_items[m_top];
    item.m_cursor = cursor;
    item.m_code = code;
    item.m_name = name;
    item.m_number = number;
}

CTreeStackItem CTreeStack::GetTop() const {
    if (IsEmpty() || m_top < 0)
        return CTreeStackItem();
    return m_items[m_top];
}

BOOL CTreeStack::Drop() {
    if (IsEmpty())
        return TRUE;
    ++m_top;
    return FALSE;
}
