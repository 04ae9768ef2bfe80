// Files: CFile (binary reading and writing), CStdioFile (text files in code page 936, read as UTF-8
// lines) and the framework's free file functions (copy, delete, move, folders, attributes).
//
// Every path may be native or written with backslashes; it is resolved with vq::NativePath, so an
// existing entry is found whatever the case of its letters.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/String.h"
#include "platform/base/Time.h"

#include <cstdio>

// Why an open failed (CFileException::m_cause).
class CFileException {
public:
    enum Cause {
        none = 0,
        genericException = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDir = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14
    };

    int m_cause = none;
    LONG m_lOsError = 0; // the system's error number
    CString m_strFileName;

    // Fills the cause and the file name from a system error number.
    void Set(int osError, const CString& fileName);
};

// What CFile::GetStatus reports about a file.
struct CFileStatus {
    CTime m_ctime; // the last status change (there is no creation time)
    CTime m_mtime; // the last write
    CTime m_atime; // the last access
    long long m_size = 0;
    BYTE m_attribute = 0; // CFile::Attribute bits
    CString m_szFullName; // the native full path
};

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000
    };
    enum Attribute : BYTE {
        normal = 0x00,
        readOnly = 0x01,
        hidden = 0x02,
        system = 0x04,
        directory = 0x10,
        archive = 0x20
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    virtual ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens (modeCreate: creates or, without modeNoTruncate, empties the file). The share flags have
    // no effect. On failure returns FALSE and, when given, fills error.
    virtual BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr);
    virtual void Close();
    // Closes without reporting anything (the framework's close after a failure).
    void Abort() { Close(); }
    bool IsOpen() const { return m_file != nullptr; }

    // Raw bytes. Read returns the number of bytes read (0 at the end); Write returns FALSE when not
    // all bytes could be written.
    virtual UINT Read(void* buffer, UINT count);
    virtual BOOL Write(const void* buffer, UINT count);
    virtual void Flush();

    long long Seek(long long offset, UINT from);
    void SeekToBegin() { Seek(0, begin); }
    long long SeekToEnd() { return Seek(0, end); }
    long long GetPosition() const;
    long long GetLength() const;
    BOOL SetLength(long long length);

    CString GetFilePath() const { return m_path; }
    CString GetFileName() const;  // name with extension
    CString GetFileTitle() const; // name without extension

    static BOOL GetStatus(LPCTSTR fileName, CFileStatus& status);
    // FALSE (instead of the framework's exception) when the file cannot be removed or renamed.
    static BOOL Remove(LPCTSTR fileName);
    static BOOL Rename(LPCTSTR oldName, LPCTSTR newName);

protected:
    std::FILE* m_file = nullptr;
    CString m_path;
    UINT m_flags = 0;
};

// A text file. In text mode (the default; typeBinary turns it off) the file holds code page 936 and
// ReadString and WriteString convert to and from UTF-8; lines may end with CRLF or LF and both
// reach the caller as "\n"; WriteString writes each "\n" as CRLF, the line end of the Windows
// programs that share these files. Read and Write pass raw bytes; don't mix them with
// ReadString on one open file.
class CStdioFile : public CFile {
public:
    CStdioFile() = default;

    BOOL Open(LPCTSTR fileName, UINT openFlags, CFileException* error = nullptr) override;
    void Close() override;

    // The next line without its line end; FALSE at the end of the file (nothing left to read).
    BOOL ReadString(CString& line);
    // fgets-like: at most maxCount - 1 bytes of UTF-8 (never a split character), up to and
    // including the "\n"; nullptr at the end of the file.
    LPTSTR ReadString(LPTSTR buffer, UINT maxCount);
    BOOL WriteString(LPCTSTR text);

private:
    bool FillLine(); // reads the next raw line into m_pending; false at the end
    bool m_text = true;
    std::string m_pending; // UTF-8 text read but not yet handed out
};

// The framework's free file functions. Each returns FALSE (or INVALID_FILE_ATTRIBUTES) on failure.
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;

// Copies the bytes and the permission bits (0600 in the working folder); with failIfExists an
// existing target is an error, otherwise it is replaced as vq::CommitNewFile says.
BOOL CopyFile(LPCTSTR existingFile, LPCTSTR newFile, BOOL failIfExists);
BOOL DeleteFile(LPCTSTR fileName);
// Moves or renames a file or folder; an existing target is an error.
BOOL MoveFile(LPCTSTR existingFile, LPCTSTR newFile);
// Creates one folder (its parent must exist); the security argument is ignored.
BOOL CreateDirectory(LPCTSTR pathName, void* securityAttributes = nullptr);
// Removes an empty folder.
BOOL RemoveDirectory(LPCTSTR pathName);
DWORD GetFileAttributes(LPCTSTR fileName);
// True when the file or folder exists.
BOOL PathFileExists(LPCTSTR path);

namespace vq {
// UTF-8 text as a text file holds it: code page 936, line ends CRLF (as CStdioFile writes).
std::string TextFileBytes(std::string_view utf8);
// Replaces the whole content of a file (created when missing; its folder must exist). The bytes
// go to a new file in the same folder, every write and the close are checked, and only then does
// it take the file's place as vq::CommitNewFile says: a failed write (a full disk) leaves the old
// file whole and no temporary file behind. On failure errno says why.
bool ReplaceFileContent(const CString& path, std::string_view bytes);
// Makes the file that a new content of path is written into before vq::CommitNewFile gives it the
// name: "<path>.XXXXXX" in the same folder, created exclusively with mode 0600. Returns its
// descriptor and its name in temp; -1 (errno set) when it cannot be made, and always in a working
// folder that is not the user's private one (vq::InPrivateWorkingFolder).
int CreateFileBeside(const std::string& path, std::string& temp);
// Gives path the content of temp, a complete file made by CreateFileBeside and closed. This is
// the one place that decides how a name is written:
// - in the working folder (vq::InWorkingFolder) the file takes the name with mode 0600, whatever
//   stood there (a link included): names there are built from stored data;
// - elsewhere (settings, registry, exports the user chose) a symbolic link at the name is written
//   through, so that a name kept as a link to a shared file stays one; the file it names keeps its
//   owner and mode. A link in a folder others may write to is followed only when it is the user's
//   own. Otherwise the file takes the name with the permission bits mode when they are given,
//   else with those of the file it replaces (0666 less the umask for a new name).
// With failIfExists a name that is taken (by a link too) is an error. temp is gone afterwards,
// whatever the outcome; on failure errno says why.
bool CommitNewFile(const std::string& temp, const CString& path, int mode = -1, bool failIfExists = false);
// Whether an errno value says that the disk is full (or the quota or file size limit is reached).
bool IsDiskFullError(int error);
// Why a document could not be fetched to a local copy, as far as the user can act on it.
enum class FetchFailure {
    None,               // fetched
    NotOnServer,        // the server or the store holds no such document
    LocalDiskFull,      // the local disk is full: the copy could not be written
    ServerDiskFull,     // the server's disk is full (an upload)
    NameTooLong,        // a name longer than the server (or the local disk) keeps
    UnusableName,       // a name the file server cannot take (a character without a code page 936 form)
    AccessDenied,       // the server refused access to the file ("550 Permission denied.")
    ServerBusy,         // the server takes no more sessions now ("421 Too many connections.")
    LoginRefused,       // the server no longer accepts the session's logon ("530 Not logged in.")
    EncryptionRequired, // the server accepts only encrypted sessions, which this client does not offer
    ServiceUnavailable, // the server refuses service altogether now ("421 Service not available ...")
    NoDataConnection, // no data connection could be opened to the server ("425 Can't open data connection.")
    FileInUse,        // the server cannot use the file now: another holds it ("450 ... being used ...")
    Cancelled,        // the person, or the program's end, stopped the transfer
    Other,            // anything else: the connection, ...
};
// Makes an empty file (mode 0600) of a name no other file has, "<prefix><six characters><suffix>" in
// the folder (a path ending in a separator or not; a working folder only when it is the user's
// private one), and returns its native path; empty when it cannot.
CString CreateUniqueFile(const CString& folder, const CString& prefix, const CString& suffix);
} // namespace vq
