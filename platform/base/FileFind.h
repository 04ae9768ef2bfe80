// Searching a folder for files whose names match a pattern with the wildcards "*" and "?", as the
// framework's file search does: letters match without regard to case and "*.*" matches every name.
// Entries come in name order (without regard to case). For the pattern "*" the folder's own "."
// and ".." entries are listed too (IsDots), as callers written for the framework expect.
#pragma once

#include "platform/base/String.h"
#include "platform/base/Time.h"

#include <string>
#include <vector>

class CFileFind {
public:
    CFileFind() = default;
    virtual ~CFileFind() = default;
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search; name is a path whose last component may hold wildcards (nullptr: "*.*" in
    // the current folder). TRUE when at least one entry matches. Call FindNextFile before reading
    // the first entry.
    BOOL FindFile(LPCTSTR name = nullptr, DWORD unused = 0);
    // Moves to the next entry; FALSE when the entry it moved to is the last one.
    BOOL FindNextFile();
    void Close();

    CString GetFileName() const;  // name with extension
    CString GetFileTitle() const; // name without extension
    CString GetFilePath() const;  // native full path of the entry
    CString GetRoot() const;      // the folder searched
    long long GetLength() const;
    BOOL GetLastWriteTime(CTime& time) const;
    BOOL IsDirectory() const;
    BOOL IsDots() const;
    BOOL IsReadOnly() const;
    BOOL IsHidden() const;

private:
    std::string m_root;
    std::vector<std::string> m_names;
    int m_current = -1; // index into m_names of the entry the accessors describe
};

namespace vq {
// Whether a name matches a pattern with "*" and "?" (a "?" is one character; letters match without
// regard to case; "*.*" matches every name).
bool WildcardMatch(const CString& pattern, const CString& name);
} // namespace vq
