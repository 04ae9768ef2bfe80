#include "platform/ftp/FtpFileFind.h"

#include <string_view>

namespace {

// "*" and "?" wildcards; letter case counts.
bool MatchWildcard(std::string_view pattern, std::string_view name) {
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

CFtpFileFind::CFtpFileFind(CFtpConnection* connection, DWORD_PTR /*context*/) : m_pConnection(connection) {}

BOOL CFtpFileFind::FindFile(LPCTSTR name, DWORD /*flags*/) {
    Close();
    if (!m_pConnection)
        return FALSE;
    CString pattern = name && *name ? CString(name) : CString("*");
    pattern.Replace('\\', '/');
    CString folder;
    int slash = pattern.ReverseFind('/');
    if (slash >= 0) {
        folder = slash == 0 ? CString("/") : pattern.Left(slash);
        pattern = pattern.Mid(slash + 1);
    }
    if (pattern.IsEmpty() || pattern == "*.*")
        pattern = "*";
    m_strFolder = m_pConnection->FullPath(folder);

    std::vector<FtpDirEntry> entries;
    if (!m_pConnection->ListDirectory(m_strFolder, entries))
        return FALSE;
    for (FtpDirEntry& entry : entries) {
        if (MatchWildcard(pattern.str(), entry.name.str()))
            m_matches.push_back(std::move(entry));
    }
    return m_matches.empty() ? FALSE : TRUE;
}

BOOL CFtpFileFind::FindNextFile() {
    if (m_nNext >= static_cast<int>(m_matches.size()))
        return FALSE;
    m_nCurrent = m_nNext++;
    return m_nNext < static_cast<int>(m_matches.size()) ? TRUE : FALSE;
}

void CFtpFileFind::Close() {
    m_matches.clear();
    m_strFolder.Empty();
    m_nNext = 0;
    m_nCurrent = -1;
}

const FtpDirEntry* CFtpFileFind::Current() const {
    if (m_nCurrent < 0 || m_nCurrent >= static_cast<int>(m_matches.size()))
        return nullptr;
    return &m_matches[static_cast<std::size_t>(m_nCurrent)];
}

CString CFtpFileFind::GetFileName() const {
    const FtpDirEntry* entry = Current();
    return entry ? entry->name : CString();
}

CString CFtpFileFind::GetFileTitle() const {
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot > 0 ? name.Left(dot) : name;
}

CString CFtpFileFind::GetFilePath() const {
    const FtpDirEntry* entry = Current();
    if (!entry)
        return CString();
    return m_strFolder == "/" ? "/" + entry->name : m_strFolder + "/" + entry->name;
}

CString CFtpFileFind::GetFileURL() const {
    const FtpDirEntry* entry = Current();
    if (!entry || !m_pConnection)
        return CString();
    return m_pConnection->BaseUrl() + GetFilePath();
}

std::uint64_t CFtpFileFind::GetLength() const {
    const FtpDirEntry* entry = Current();
    return entry ? entry->size : 0;
}

BOOL CFtpFileFind::IsDirectory() const {
    const FtpDirEntry* entry = Current();
    return entry && entry->isDirectory ? TRUE : FALSE;
}

BOOL CFtpFileFind::IsDots() const {
    CString name = GetFileName();
    return name == "." || name == ".." ? TRUE : FALSE;
}
