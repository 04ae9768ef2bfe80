#include "platform/ui/Edit.h"

#include "platform/base/TextCodec.h"

#include <algorithm>

BOOL CEdit::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("EDIT", "", style, rect, parent, id);
}

void CEdit::InitFromTemplate(const vq::ControlTemplate& item) {
    CWnd::InitFromTemplate(item);
    m_limit = 0;
    m_selStart = m_selEnd = 0;
    m_modified = false;
    m_passwordChar = (item.style & ES_PASSWORD) ? '*' : 0;
}

void CEdit::SetLimitText(UINT maxBytes) {
    m_limit = maxBytes;
}

BOOL CEdit::SetReadOnly(BOOL readOnly) {
    return ModifyStyle(readOnly ? 0 : ES_READONLY, readOnly ? ES_READONLY : 0);
}

void CEdit::SetSel(int start, int end, BOOL) {
    const int length = m_text.GetLength();
    if (start < 0) {
        // (-1, ...) removes the selection and leaves the caret where it was.
        m_selStart = m_selEnd = std::min(m_selEnd, length);
        StateChanged();
        return;
    }
    if (end < 0 || end > length)
        end = length;
    start = std::min(start, length);
    if (start > end)
        std::swap(start, end);
    // Never inside a character: move the ends back to a character start.
    auto charStart = [this](int i) {
        while (i > 0 &&
               (static_cast<unsigned char>(m_text.str()[static_cast<std::size_t>(i)]) & 0xC0) == 0x80)
            --i;
        return i;
    };
    m_selStart = start < length ? charStart(start) : start;
    m_selEnd = end < length ? charStart(end) : end;
    StateChanged();
}

void CEdit::GetSel(int& start, int& end) const {
    start = m_selStart;
    end = m_selEnd;
}

DWORD CEdit::GetSel() const {
    return MAKELONG(static_cast<WORD>(m_selStart), static_cast<WORD>(m_selEnd));
}

void CEdit::ReplaceSel(LPCTSTR text, BOOL) {
    const int length = m_text.GetLength();
    const int start = std::clamp(m_selStart, 0, length);
    const int end = std::clamp(m_selEnd, start, length);
    std::string value = m_text.str();
    const std::string inserted = text ? text : "";
    value.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start), inserted);
    m_text = CString(std::move(value));
    m_selStart = m_selEnd = start + static_cast<int>(inserted.size());
    m_modified = true;
    StateChanged();
    NotifyParent(EN_UPDATE);
    NotifyParent(EN_CHANGE);
}

int CEdit::GetLineCount() const {
    if (!IsMultiLine())
        return 1;
    return static_cast<int>(std::count(m_text.str().begin(), m_text.str().end(), '\n')) + 1;
}

CString CEdit::GetLineText(int index) const {
    const std::string& s = m_text.str();
    std::size_t begin = 0;
    for (int line = 0; line < index; ++line) {
        const std::size_t next = s.find('\n', begin);
        if (next == std::string::npos)
            return CString();
        begin = next + 1;
    }
    std::size_t end = s.find('\n', begin);
    if (end == std::string::npos)
        end = s.size();
    if (end > begin && s[end - 1] == '\r')
        --end;
    return CString(s.substr(begin, end - begin));
}

int CEdit::GetLine(int index, LPTSTR buffer, int maxLength) const {
    if (!buffer || maxLength <= 0)
        return 0;
    const CString line = GetLineText(index);
    // The buffer is not terminated, as the framework's call leaves it.
    const auto part = vq::TruncateUtf8(line.str(), static_cast<std::size_t>(maxLength));
    std::copy(part.begin(), part.end(), buffer);
    return static_cast<int>(part.size());
}

bool CEdit::UserSetText(const CString& text) {
    if (!m_hWnd || !IsWindowEnabled() || IsReadOnly())
        return false;
    if (IsDigitsOnly() &&
        !std::all_of(text.str().begin(), text.str().end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    std::string value = text.str();
    if (m_limit > 0)
        value = std::string(vq::TruncateToGbkBytes(value, m_limit));
    m_text = CString(std::move(value));
    m_selStart = m_selEnd = m_text.GetLength();
    m_modified = true;
    StateChanged();
    NotifyParent(EN_UPDATE);
    NotifyParent(EN_CHANGE);
    return true;
}

void CEdit::UserFocus(bool gained) {
    if (gained)
        SetFocus();
    NotifyParent(gained ? EN_SETFOCUS : EN_KILLFOCUS);
}

LRESULT CEdit::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT) {
        const LRESULT result = CWnd::DefWindowProc(message, wParam, lParam);
        m_selStart = m_selEnd = 0;
        m_modified = false;
        // Text set by the code tells the parent too (single-line fields only, as the system does).
        if (!IsMultiLine()) {
            NotifyParent(EN_UPDATE);
            NotifyParent(EN_CHANGE);
        }
        return result;
    }
    return CWnd::DefWindowProc(message, wParam, lParam);
}

void CEdit::ClearState() {
    m_text.Empty();
    m_selStart = m_selEnd = 0;
}
