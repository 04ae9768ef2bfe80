#include "platform/ui/ListBox.h"

#include "platform/ui/ItemSearch.h"

BOOL CListBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("LISTBOX", "", style, rect, parent, id);
}

int CListBox::AddString(LPCTSTR text) {
    if (m_style & LBS_SORT) {
        const int index = vq::SortedInsertIndex(
            GetCount(), [this](int i) { return m_items[static_cast<std::size_t>(i)].text; }, text);
        return InsertString(index, text);
    }
    return InsertString(-1, text);
}

int CListBox::InsertString(int index, LPCTSTR text) {
    if (index < -1 || index > GetCount())
        return LB_ERR;
    if (index == -1)
        index = GetCount();
    m_items.insert(m_items.begin() + index, Item{text ? text : "", 0, false});
    if (m_caret >= index)
        ++m_caret;
    StateChanged();
    return index;
}

int CListBox::DeleteString(UINT index) {
    if (index >= m_items.size())
        return LB_ERR;
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
    if (m_caret == static_cast<int>(index))
        m_caret = -1;
    else if (m_caret > static_cast<int>(index))
        --m_caret;
    if (m_top >= GetCount())
        m_top = std::max(0, GetCount() - 1);
    StateChanged();
    return GetCount();
}

void CListBox::ResetContent() {
    m_items.clear();
    m_caret = -1;
    m_top = 0;
    StateChanged();
}

int CListBox::GetText(int index, CString& text) const {
    if (index < 0 || index >= GetCount()) {
        text.Empty();
        return LB_ERR;
    }
    text = m_items[static_cast<std::size_t>(index)].text;
    return text.GetLength();
}

CString CListBox::GetText(int index) const {
    CString text;
    GetText(index, text);
    return text;
}

int CListBox::GetTextLen(int index) const {
    return (index < 0 || index >= GetCount()) ? LB_ERR
                                              : m_items[static_cast<std::size_t>(index)].text.GetLength();
}

DWORD_PTR CListBox::GetItemData(int index) const {
    return (index < 0 || index >= GetCount()) ? static_cast<DWORD_PTR>(LB_ERR)
                                              : m_items[static_cast<std::size_t>(index)].data;
}

int CListBox::SetItemData(int index, DWORD_PTR data) {
    if (index < 0 || index >= GetCount())
        return LB_ERR;
    m_items[static_cast<std::size_t>(index)].data = data;
    return 0;
}

int CListBox::FindString(int startAfter, LPCTSTR text) const {
    return vq::FindEntry(
        GetCount(), [this](int i) { return m_items[static_cast<std::size_t>(i)].text; }, startAfter, text,
        false);
}

int CListBox::FindStringExact(int startAfter, LPCTSTR text) const {
    return vq::FindEntry(
        GetCount(), [this](int i) { return m_items[static_cast<std::size_t>(i)].text; }, startAfter, text,
        true);
}

int CListBox::SelectString(int startAfter, LPCTSTR text) {
    const int index = FindString(startAfter, text);
    if (index < 0)
        return LB_ERR;
    SetCurSel(index);
    return index;
}

int CListBox::GetCurSel() const {
    if (IsMultipleSelection())
        return m_caret; // the focused entry, as the system answers for such boxes
    for (int i = 0; i < GetCount(); ++i)
        if (m_items[static_cast<std::size_t>(i)].selected)
            return i;
    return LB_ERR;
}

int CListBox::SetCurSel(int index) {
    if (IsMultipleSelection())
        return LB_ERR;
    for (auto& item : m_items)
        item.selected = false;
    if (index < 0 || index >= GetCount()) {
        StateChanged();
        return index == -1 ? LB_ERR : LB_ERR;
    }
    m_items[static_cast<std::size_t>(index)].selected = true;
    m_caret = index;
    StateChanged();
    return index;
}

int CListBox::GetSel(int index) const {
    if (index < 0 || index >= GetCount())
        return LB_ERR;
    return m_items[static_cast<std::size_t>(index)].selected ? 1 : 0;
}

int CListBox::SetSel(int index, BOOL select) {
    if (!IsMultipleSelection())
        return LB_ERR;
    if (index == -1) {
        for (auto& item : m_items)
            item.selected = select != FALSE;
    } else if (index < 0 || index >= GetCount()) {
        return LB_ERR;
    } else {
        m_items[static_cast<std::size_t>(index)].selected = select != FALSE;
        m_caret = index;
    }
    StateChanged();
    return 0;
}

int CListBox::GetSelCount() const {
    if (!IsMultipleSelection())
        return LB_ERR;
    int count = 0;
    for (const auto& item : m_items)
        count += item.selected ? 1 : 0;
    return count;
}

int CListBox::GetSelItems(int maxItems, LPINT items) const {
    if (!IsMultipleSelection())
        return LB_ERR;
    int n = 0;
    for (int i = 0; i < GetCount() && n < maxItems; ++i)
        if (m_items[static_cast<std::size_t>(i)].selected)
            items[n++] = i;
    return n;
}

int CListBox::SetCaretIndex(int index, BOOL) {
    if (index < 0 || index >= GetCount())
        return LB_ERR;
    m_caret = index;
    StateChanged();
    return 0;
}

int CListBox::SetTopIndex(int index) {
    if (index < 0 || index >= std::max(1, GetCount()))
        return LB_ERR;
    m_top = index;
    StateChanged();
    return 0;
}

bool CListBox::UserSelect(int index, bool toggle) {
    if (!m_hWnd || !IsWindowEnabled() || index < 0 || index >= GetCount())
        return false;
    if (IsMultipleSelection()) {
        auto& item = m_items[static_cast<std::size_t>(index)];
        if (toggle || (m_style & LBS_MULTIPLESEL)) {
            item.selected = !item.selected;
        } else {
            for (auto& other : m_items)
                other.selected = false;
            item.selected = true;
        }
        m_caret = index;
        StateChanged();
    } else {
        SetCurSel(index);
    }
    NotifyParent(LBN_SELCHANGE);
    return true;
}

bool CListBox::UserDoubleClick(int index) {
    if (!UserSelect(index))
        return false;
    if (::IsWindow(this))
        NotifyParent(LBN_DBLCLK);
    return true;
}

void CListBox::ClearState() {
    m_items.clear();
    m_caret = -1;
    m_top = 0;
}
