#include "controls/TreeStack.h"

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
