#include "core/ItemText.h"

#include "platform/base/Folders.h"
#include "platform/ui/DC.h"

#include <string>
#include <utility>

CItemText::CItemText() : m_crText(GetSysColor(COLOR_WINDOWTEXT)) {}

CString CItemText::GetField(int n) const {
    if (n < 0)
        return CString();
    const std::string& text = m_strText.str();
    std::size_t start = 0;
    for (int i = 0; i < n; ++i) {
        std::size_t sep = text.find(m_cSeparator, start);
        if (sep == std::string::npos)
            return CString();
        start = sep + 1;
    }
    std::size_t end = text.find(m_cSeparator, start);
    return CString(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
}

void CItemText::SetField(int n, CString text) {
    if (n < 0)
        return;
    const std::string& current = m_strText.str();
    std::size_t start = 0;
    int separators = 0;
    while (separators < n) {
        std::size_t sep = current.find(m_cSeparator, start);
        if (sep == std::string::npos)
            break;
        start = sep + 1;
        ++separators;
    }
    if (separators < n) {
        // Fewer fields than n: add the missing empty fields, then the new one.
        m_strText = CString(current + std::string(static_cast<std::size_t>(n - separators), m_cSeparator) +
                            text.str());
        return;
    }
    // Field n runs from start to the next separator (or the end); an empty field 0 is kept.
    std::size_t end = current.find(m_cSeparator, start);
    std::string result = current.substr(0, start) + text.str();
    if (end != std::string::npos)
        result += current.substr(end);
    m_strText = CString(std::move(result));
}

CString MakeValidFileName(CString text) {
    return CString(vq::ValidFileName(std::move(text.str())));
}

CString StoredFolderName(const CString& text) {
    const CString name = MakeValidFileName(text);
    if (name.IsEmpty() || name[0] == ' ')
        return CString();
    const char last = name[name.GetLength() - 1];
    if (last == ' ' || last == '.')
        return CString();
    return vq::StaysBelowFolder(name) ? name : CString();
}

CString WildcardToSqlLike(CString text) {
    text.Replace('*', '%');
    return text;
}

void DeleteItemTexts(CPtrArray& records) {
    for (void* p : records)
        delete static_cast<CItemText*>(p);
    records.RemoveAll();
}
