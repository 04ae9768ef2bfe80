#include "controls/TreeStack.h"

#include "platform/base/MessageBox.h"

void CTreeStack::Push(const CTreeCursor& cursor, const CString& code, const CString& name, int number) {
    m_items.push_back(CTreeStackItem{cursor, code, name, number});
}

CTreeStackItem CTreeStack::GetTop() const {
    return m_items.empty() ? CTreeStackItem() : m_items.back();
}

BOOL CTreeStack::Drop() {
    if (m_items.empty())
        return TRUE;
    m_items.pop_back();
    return FALSE;
}

void CTreeCycleNotice::Report(const CString& code, const CString& path) {
    if (m_shown)
        return;
    m_shown = true;
    CString message;
    message.Format("图号: %s 在: %s 处出现循环，请检查设计图纸...", code, path);
    AfxMessageBox(message);
}
