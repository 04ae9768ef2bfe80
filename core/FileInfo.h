// Facts about one file path: its name parts, size, last-write time, shell type name and existence.
// The path may be native or written with backslashes; the name parts are split afresh at each call.
#pragma once

#include "platform/base/String.h"

class CFileInfo {
public:
    explicit CFileInfo(CString path);
    virtual ~CFileInfo() = default;

    CString GetFileName() const;  // "a.dwg" for C:\x\a.dwg
    CString GetFileTitle() const; // "a"
    CString GetFileExt() const;   // ".dwg", or empty
    // "%ldKB" of bytes / 1024 + 1 ("0KB" when the file cannot be read).
    CString GetFileSizeKB() const;
    // The size in bytes as "%ld" ("0" when the file cannot be read).
    CString GetFileSize() const;
    CString GetFileTypeName() const;
    // The last-write time in local time as "%Y-%m-%d %H:%M"; empty when the path is not a file that
    // can be opened for reading.
    CString GetModifyTime() const;
    // True when the path (one trailing separator ignored) names an existing file or folder; a last
    // component with wildcards is true when any entry matches.
    bool Exists() const;

private:
    // The path's parts, as the runtime library's path splitter gives them.
    void Split(CString& drive, CString& folder, CString& title, CString& ext) const;
    bool Size(long long& size) const;

    CString m_strPath;
};
