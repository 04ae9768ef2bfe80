#include "platform/ui/ComboBox.h"

#include "platform/base/TextCodec.h"
#include "platform/ui/ItemSearch.h"

vq::ControlKind CComboBox::GetControlKind() const {
    return HasEditField() ? vq::ControlKind::ComboBox : vq::ControlKind::DropDownList;
}

BOOL CComboBox::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("COMBOBOX", "", style, rect, parent, id);
}

void CComboBox::InitFromTemplate(const vq::ControlTemplate& item) {
    CWnd::InitFromTemplate(item);
    if (item.kind == vq::ControlKind::DropDownList && (m_style & 0x3) != CBS_DROPDOWNLIST)
        m_style = (m_style & ~0x3u) | CBS_DROPDOWNLIST;
    if (item.kind == vq::ControlKind::ComboBox && (m_style & 0x3) == 0)
        m_style |= CBS_DROPDOWN;
    m_text.Empty();
    m_items.clear();
    m_curSel = -1;
}

int CComboBox::AddString(LPCTSTR text) {
    if (m_style & CBS_SORT) {
        const int index = vq::SortedInsertIndex(
            GetCount(), [this](int i) { return m_items[static_cast<std::size_t>(i)].text; }, text);
        return InsertString(index, text);
    }
    return InsertString(-1, text);
}

int CComboBox::InsertString(int index, LPCTSTR text) {
    if (index < -1 || index > GetCount())
        return CB_ERR;
    if (index == -1)
        index = GetCount();
    m_items.insert(m_items.begin() + index, Item{text ? text : "", 0});
    if (m_curSel >= index)
        ++m_curSel;
    StateChanged();
    return index;
}

int CComboBox::DeleteString(UINT index) {
    if (index >= m_items.size())
        return CB_ERR;
    m_items.erase(m_items.begin() + static_cast<std::ptrdiff_t>(index));
    if (m_curSel == static_cast<int>(index)) {
        m_curSel = -1;
        if (!HasEditField())
            m_text.Empty();
    } else if (m_curSel > static_cast<int>(index)) {
        --m_curSel;
    }
    StateChanged();
    return GetCount();
}

void CComboBox::ResetContent() {
    m_items.clear();
    m_curSel = -1;
    m_text.Empty();
    StateChanged();
}

int CComboBox::SetCurSel(int index) {
    if (index < -1 || index >= GetCount()) {
        m_curSel = -1;
        m_text.Empty();
        StateChanged();
        return CB_ERR;
    }
    m_curSel = index;
    m_text = index >= 0 ? m_items[static_cast<std::size_t>(index)].text : CString();
    StateChanged();
    return index;
}

int CComboBox::GetLBText(int index, CString& text) const {
    if (index < 0 || index >= GetCount()) {
        text.Empty();
        return CB_ERR;
    }
    text = m_items[static_cast<std::size_t>(index)].text;
    return text.GetLength();
}

CString CComboBox::GetLBText(int index) const {
    CString text;
    GetLBText(index, text);
    return text;
}

int CComboBox::GetLBTextLen(int index) const {
    return (index < 0 || index >= GetCount()) ? CB_ERR
                                              : m_items[static_cast<std::size_t>(index)].text.GetLength();
}

DWORD_PTR CComboBox::GetItemData(int index) const {
    return (index < 0 || index >= GetCount()) ? static_cast<DWORD_PTR>(CB_ERR)
                                              : m_items[static_cast<std::size_t>(index)].data;
}

int CComboBox::SetItemData(int index, DWORD_PTR data) {
    if (index < 0 || index >= GetCount())
        return CB_ERR;
    m_items[static_cast<std::size_t>(index)].data = data;
    return 0;
}

int CComboBox::FindString(int startAfter, LPCTSTR text) const {
    return vq::FindEntry(
        GetCount(), [this](int i) { return m_items[static_cast<std::size_t>(i)].text; }, startAfter, text,
        false);
}

int CComboBox::FindStringExact(int startAfter, LPCTSTR text) const {
    return vq::FindEntry(
        GetCount(), [this](int i) { return m_items[static_cast<std::size_t>(i)].text; }, startAfter, text,
        true);
}

int CComboBox::SelectString(int startAfter, LPCTSTR text) {
    const int index = FindString(startAfter, text);
    if (index < 0)
        return CB_ERR;
    return SetCurSel(index);
}

BOOL CComboBox::LimitText(int maxBytes) {
    m_limit = maxBytes < 0 ? 0 : maxBytes;
    return TRUE;
}

int CComboBox::SetDroppedWidth(UINT width) {
    m_droppedWidth = static_cast<int>(width);
    StateChanged();
    return m_droppedWidth;
}

void CComboBox::ShowDropDown(BOOL show) {
    m_dropped = show != FALSE;
    StateChanged();
}

bool CComboBox::UserSelect(int index) {
    if (!m_hWnd || !IsWindowEnabled() || index < 0 || index >= GetCount())
        return false;
    const std::uint64_t serial = GetSerial();
    auto alive = [this, serial] { return ::IsWindow(this) && GetSerial() == serial; };
    m_dropped = true;
    NotifyParent(CBN_DROPDOWN);
    if (!alive())
        return true;
    const bool changed = index != m_curSel;
    SetCurSel(index);
    if (changed)
        NotifyParent(CBN_SELCHANGE);
    if (!alive())
        return true;
    NotifyParent(CBN_SELENDOK);
    if (!alive())
        return true;
    m_dropped = false;
    NotifyParent(CBN_CLOSEUP);
    return true;
}

bool CComboBox::UserSetText(const CString& text) {
    if (!m_hWnd || !IsWindowEnabled() || !HasEditField())
        return false;
    std::string value = text.str();
    if (m_limit > 0)
        value = std::string(vq::TruncateToGbkBytes(value, static_cast<std::size_t>(m_limit)));
    m_text = CString(std::move(value));
    // Typing leaves no entry selected unless the text is one of them.
    m_curSel = FindStringExact(-1, m_text);
    if (m_curSel >= 0 && m_items[static_cast<std::size_t>(m_curSel)].text != m_text)
        m_curSel = -1;
    StateChanged();
    NotifyParent(CBN_EDITUPDATE);
    NotifyParent(CBN_EDITCHANGE);
    return true;
}

void CComboBox::ClearState() {
    m_items.clear();
    m_curSel = -1;
    m_text.Empty();
}
