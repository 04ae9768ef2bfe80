#include "platform/ui/FileDialog.h"

#include <cstring>

CFileDialog::CFileDialog(BOOL openFileDialog, LPCTSTR defaultExt, LPCTSTR fileName, DWORD flags,
                         LPCTSTR filter, CWnd* parent, DWORD, BOOL)
    : m_open(openFileDialog), m_defaultExt(defaultExt ? defaultExt : ""),
      m_fileName(fileName ? fileName : ""), m_filter(filter ? filter : ""), m_parent(parent) {
    m_ofn.Flags = flags;
    m_ofn.nFilterIndex = 1;
}

std::vector<std::pair<CString, CString>> CFileDialog::ParseFilter(const CString& filter) {
    std::vector<std::pair<CString, CString>> pairs;
    const std::string& s = filter.str();
    std::vector<std::string> parts;
    std::size_t begin = 0;
    while (begin < s.size()) {
        const std::size_t end = s.find('|', begin);
        parts.push_back(s.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        if (end == std::string::npos)
            break;
        begin = end + 1;
        // "||" ends the list.
        if (begin < s.size() && s[begin] == '|')
            break;
    }
    for (std::size_t i = 0; i + 1 < parts.size(); i += 2)
        if (!parts[i].empty() || !parts[i + 1].empty())
            pairs.emplace_back(CString(parts[i]), CString(parts[i + 1]));
    return pairs;
}

CString CFileDialog::ApplyDefaultExtension(const CString& path, const CString& defaultExt) {
    if (defaultExt.IsEmpty() || path.IsEmpty())
        return path;
    CString ext = defaultExt;
    if (ext[0] == '.')
        ext = ext.Mid(1);
    const int slash = path.ReverseFind('/');
    const int dot = path.ReverseFind('.');
    if (dot > slash) {
        // "name." asks for no extension at all.
        return dot == path.GetLength() - 1 ? path.Left(dot) : path;
    }
    return path + "." + ext;
}

INT_PTR CFileDialog::DoModal() {
    vq::FileDialogRequest request;
    request.open = m_open != FALSE;
    request.title = m_ofn.lpstrTitle ? m_ofn.lpstrTitle : "";
    request.initialDir = m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : "";
    request.fileName = (m_ofn.lpstrFile && m_ofn.lpstrFile[0]) ? CString(m_ofn.lpstrFile) : m_fileName;
    request.defaultExt = m_ofn.lpstrDefExt ? CString(m_ofn.lpstrDefExt) : m_defaultExt;
    request.filters = ParseFilter(m_filter);
    request.filterIndex = m_ofn.nFilterIndex ? static_cast<int>(m_ofn.nFilterIndex) : 1;
    request.multiSelect = (m_ofn.Flags & OFN_ALLOWMULTISELECT) != 0;
    request.overwritePrompt = !m_open && (m_ofn.Flags & OFN_OVERWRITEPROMPT);
    request.fileMustExist = m_open && (m_ofn.Flags & OFN_FILEMUSTEXIST);
    request.owner = m_parent;
    m_paths.clear();
    if (!vq::ActiveDialogView().RunFileDialog(request) || request.paths.empty())
        return IDCANCEL;
    for (const CString& path : request.paths)
        m_paths.push_back(request.open ? path : ApplyDefaultExtension(path, request.defaultExt));
    m_ofn.nFilterIndex = static_cast<DWORD>(request.chosenFilterIndex);
    if (m_ofn.lpstrFile && m_ofn.nMaxFile > 0) {
        const auto part = vq::TruncateUtf8(m_paths.front().str(), m_ofn.nMaxFile - 1);
        std::memcpy(m_ofn.lpstrFile, part.data(), part.size());
        m_ofn.lpstrFile[part.size()] = '\0';
    }
    return IDOK;
}

CString CFileDialog::GetPathName() const {
    return m_paths.empty() ? CString() : m_paths.front();
}

CString CFileDialog::GetFileName() const {
    const CString path = GetPathName();
    return path.Mid(path.ReverseFind('/') + 1);
}

CString CFileDialog::GetFileExt() const {
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFileTitle() const {
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

CString CFileDialog::GetFolderPath() const {
    const CString path = GetPathName();
    const int slash = path.ReverseFind('/');
    return slash < 0 ? CString() : path.Left(slash);
}

// Positions are index + 1 (0 is the end).
POSITION CFileDialog::GetStartPosition() const {
    return m_paths.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<std::uintptr_t>(1));
}

CString CFileDialog::GetNextPathName(POSITION& pos) const {
    const std::size_t index = reinterpret_cast<std::uintptr_t>(pos) - 1;
    if (!pos || index >= m_paths.size()) {
        pos = nullptr;
        return CString();
    }
    pos = index + 1 < m_paths.size() ? reinterpret_cast<POSITION>(static_cast<std::uintptr_t>(index + 2))
                                     : nullptr;
    return m_paths[index];
}
