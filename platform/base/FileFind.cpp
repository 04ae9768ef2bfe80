#include "platform/base/FileFind.h"

#include "platform/base/Folders.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::size_t CharLength(const std::string& s, std::size_t i) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    std::size_t len = b < 0x80             ? 1
                      : (b & 0xE0) == 0xC0 ? 2
                      : (b & 0xF0) == 0xE0 ? 3
                      : (b & 0xF8) == 0xF0 ? 4
                                           : 1;
    return std::min(len, s.size() - i);
}

bool Match(const std::string& p, std::size_t pi, const std::string& n, std::size_t ni) {
    // Iterative matching with one backtrack point for the last "*".
    std::size_t starP = std::string::npos, starN = 0;
    while (ni < n.size()) {
        if (pi < p.size() && p[pi] == '*') {
            starP = ++pi;
            starN = ni;
        } else if (pi < p.size() && p[pi] == '?') {
            ++pi;
            ni += CharLength(n, ni);
        } else if (pi < p.size() && Lower(p[pi]) == Lower(n[ni])) {
            ++pi;
            ++ni;
        } else if (starP != std::string::npos) {
            starN += CharLength(n, starN);
            ni = starN;
            pi = starP;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return Lower(x) < Lower(y); });
}

} // namespace

namespace vq {

bool WildcardMatch(const CString& pattern, const CString& name) {
    std::string p = pattern.str();
    if (p == "*.*")
        p = "*";
    return Match(p, 0, name.str(), 0);
}

} // namespace vq

BOOL CFileFind::FindFile(LPCTSTR name, DWORD) {
    Close();
    std::string path = vq::NativePath(CString(name && *name ? name : "*.*")).str();
    std::size_t slash = path.rfind('/');
    std::string pattern = slash == std::string::npos ? path : path.substr(slash + 1);
    m_root = slash == std::string::npos ? std::string(".")
                                        : (slash == 0 ? std::string("/") : path.substr(0, slash));
    if (pattern.empty())
        return FALSE;
    if (pattern == "*.*")
        pattern = "*";

    DIR* dir = ::opendir(m_root.c_str());
    if (!dir)
        return FALSE;
    bool dots = pattern == "*" && m_root != "/";
    while (dirent* e = ::readdir(dir)) {
        std::string entry = e->d_name;
        if (entry == "." || entry == "..") {
            if (dots)
                m_names.push_back(entry);
            continue;
        }
        if (vq::WildcardMatch(CString(pattern), CString(entry)))
            m_names.push_back(entry);
    }
    ::closedir(dir);
    std::sort(m_names.begin(), m_names.end(), [](const std::string& a, const std::string& b) {
        return LessNoCase(a, b) || (!LessNoCase(b, a) && a < b);
    });
    return m_names.empty() ? FALSE : TRUE;
}

BOOL CFileFind::FindNextFile() {
    if (m_current + 1 >= static_cast<int>(m_names.size()))
        return FALSE;
    ++m_current;
    return m_current + 1 < static_cast<int>(m_names.size()) ? TRUE : FALSE;
}

void CFileFind::Close() {
    m_root.clear();
    m_names.clear();
    m_current = -1;
}

CString CFileFind::GetFileName() const {
    if (m_current < 0)
        return CString();
    return CString(m_names[static_cast<std::size_t>(m_current)]);
}

CString CFileFind::GetFileTitle() const {
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot > 0 ? name.Left(dot) : name;
}

CString CFileFind::GetFilePath() const {
    if (m_current < 0)
        return CString();
    if (m_root == "/")
        return CString("/" + m_names[static_cast<std::size_t>(m_current)]);
    return CString(m_root + "/" + m_names[static_cast<std::size_t>(m_current)]);
}

CString CFileFind::GetRoot() const {
    return CString(m_root);
}

long long CFileFind::GetLength() const {
    struct stat st;
    if (m_current < 0 || ::stat(GetFilePath().c_str(), &st) != 0)
        return 0;
    return static_cast<long long>(st.st_size);
}

BOOL CFileFind::GetLastWriteTime(CTime& time) const {
    struct stat st;
    if (m_current < 0 || ::stat(GetFilePath().c_str(), &st) != 0)
        return FALSE;
    time = CTime(st.st_mtim.tv_sec);
    return TRUE;
}

BOOL CFileFind::IsDirectory() const {
    struct stat st;
    return m_current >= 0 && ::stat(GetFilePath().c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? TRUE : FALSE;
}

BOOL CFileFind::IsDots() const {
    CString name = GetFileName();
    return name == "." || name == ".." ? TRUE : FALSE;
}

BOOL CFileFind::IsReadOnly() const {
    return m_current >= 0 && ::access(GetFilePath().c_str(), W_OK) != 0 ? TRUE : FALSE;
}

BOOL CFileFind::IsHidden() const {
    CString name = GetFileName();
    return !IsDots() && name.GetLength() > 1 && name[0] == '.' ? TRUE : FALSE;
}
