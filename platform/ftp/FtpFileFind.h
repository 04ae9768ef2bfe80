// Searches a folder of an FTP server, always fresh from the server:
//
//     CFtpFileFind finder(connection);
//     BOOL more = finder.FindFile("*");
//     while (more) {
//         more = finder.FindNextFile();
//         if (finder.IsDots())
//             continue;
//         ... finder.GetFileName(), finder.IsDirectory(), finder.GetLength() ...
//     }
//
// The pattern may carry a folder ("\Vq\Working\*" or "sub/*.dwg"), absolute or relative to the
// connection's current folder; its last component is matched with "*" and "?" (letter case
// counts, as on the server; "*.*" matches every name). No pattern means "*".
#pragma once

#include "platform/ftp/FtpConnection.h"

#include <cstdint>
#include <vector>

class CFtpFileFind {
public:
    explicit CFtpFileFind(CFtpConnection* connection, DWORD_PTR context = 1);
    virtual ~CFtpFileFind() = default;

    // TRUE when at least one entry matches; FindNextFile then steps to the first of them.
    BOOL FindFile(LPCTSTR name = nullptr, DWORD flags = INTERNET_FLAG_RELOAD);
    // Steps to the next match; returns FALSE when the entry it stepped to is the last one.
    BOOL FindNextFile();
    void Close();

    CString GetFileName() const;
    CString GetFileTitle() const; // the name without its extension
    CString GetFilePath() const;  // absolute server path of the entry
    CString GetFileURL() const;   // "ftp://server[:port]/path"
    std::uint64_t GetLength() const;
    BOOL IsDirectory() const;
    BOOL IsDots() const;

private:
    const FtpDirEntry* Current() const;

    CFtpConnection* m_pConnection;
    CString m_strFolder;
    std::vector<FtpDirEntry> m_matches;
    int m_nNext = 0;     // index of the entry FindNextFile steps to
    int m_nCurrent = -1; // entry the accessors describe, -1 before the first FindNextFile
};
