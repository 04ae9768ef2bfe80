#include "platform/base/File.h"

#include "platform/base/Folders.h"
#include "platform/base/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Resolve(LPCTSTR path) {
    return vq::NativePath(CString(path ? path : "")).str();
}

CString NamePart(const CString& path) {
    int slash = std::max(path.ReverseFind('/'), path.ReverseFind('\\'));
    return path.Mid(slash + 1);
}

CTime ToCTime(const timespec& ts) {
    return CTime(ts.tv_sec);
}

bool WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0)
            errno = ENOSPC;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Copies everything from in (at its position) to out; errno says why when it fails.
bool CopyBytes(int in, int out) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(in, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n == 0;
        if (!WriteAll(out, std::string_view(buffer, static_cast<std::size_t>(n))))
            return false;
    }
}

// A working folder that is not the user's private folder (another's, or missing) takes no file.
bool WritableFolderOf(const std::string& path) {
    if (vq::InWorkingFolder(CString(path)) && !vq::InPrivateWorkingFolder(CString(path))) {
        errno = EACCES;
        return false;
    }
    return true;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Whether a link at path is written through (see vq::CommitNewFile).
bool FollowsLink(const std::string& path, const struct stat& link) {
    if (vq::InWorkingFolder(CString(path)))
        return false;
    const std::string parent = fs::path(path).parent_path().string();
    struct stat folder;
    if (::stat(parent.empty() ? "." : parent.c_str(), &folder) != 0)
        return false;
    return !(folder.st_mode & S_IWOTH) || link.st_uid == ::geteuid();
}

// Writes the complete file temp into the file that a link at path names, in place: the link, and
// the owner and mode of that file, stay as they are. The room is taken before a byte is written,
// so a full disk fails with the file untouched.
bool WriteThroughLink(const std::string& temp, const std::string& path) {
    const int in = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    struct stat source = {};
    struct stat target = {};
    bool ok = out >= 0 && ::fstat(in, &source) == 0 && ::fstat(out, &target) == 0;
    if (ok && !S_ISREG(target.st_mode)) {
        ok = false;
        errno = EISDIR;
    }
    if (ok && source.st_size > 0) {
        const int error = ::posix_fallocate(out, 0, source.st_size);
        ok = error == 0;
        errno = error;
    }
    ok = ok && CopyBytes(in, out) && ::ftruncate(out, source.st_size) == 0;
    int error = errno;
    ::close(in);
    if (out >= 0 && ::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    errno = error;
    return ok;
}

} // namespace

// ---- CFileException

void CFileException::Set(int osError, const CString& fileName) {
    m_lOsError = osError;
    m_strFileName = fileName;
    switch (osError) {
    case 0:
        m_cause = none;
        break;
    case ENOENT:
        m_cause = fileNotFound;
        break;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
        m_cause = badPath;
        break;
    case EMFILE:
    case ENFILE:
        m_cause = tooManyOpenFiles;
        break;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
        m_cause = accessDenied;
        break;
    case ENOSPC:
        m_cause = diskFull;
        break;
    case EIO:
        m_cause = hardIO;
        break;
    default:
        m_cause = genericException;
        break;
    }
}

// ---- CFile

CFile::~CFile() {
    CFile::Close();
}

BOOL CFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error) {
    Close();
    std::string path = Resolve(fileName);
    int access = openFlags & 0x3;
    int flags = O_CLOEXEC;
    const char* mode;
    if (access == modeWrite) {
        flags |= O_WRONLY;
        mode = "wb";
    } else if (access == modeReadWrite) {
        flags |= O_RDWR;
        mode = "r+b";
    } else {
        flags |= O_RDONLY;
        mode = "rb";
    }
    if (openFlags & modeCreate) {
        flags |= O_CREAT;
        if (!(openFlags & modeNoTruncate))
            flags |= O_TRUNC;
    }
    int fd = ::open(path.c_str(), flags, 0666);
    int err = fd < 0 ? errno : 0;
    if (fd >= 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(fd);
            fd = -1;
            err = EISDIR;
        }
    }
    if (fd >= 0) {
        m_file = ::fdopen(fd, mode);
        if (!m_file) {
            err = errno;
            ::close(fd);
        }
    }
    if (!m_file) {
        if (error)
            error->Set(err, CString(path));
        return FALSE;
    }
    m_path = CString(path);
    m_flags = openFlags;
    if (error)
        error->Set(0, m_path);
    return TRUE;
}

void CFile::Close() {
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
}

UINT CFile::Read(void* buffer, UINT count) {
    if (!m_file || !buffer || count == 0)
        return 0;
    return static_cast<UINT>(std::fread(buffer, 1, count, m_file));
}

BOOL CFile::Write(const void* buffer, UINT count) {
    if (!m_file)
        return FALSE;
    if (count == 0)
        return TRUE;
    return std::fwrite(buffer, 1, count, m_file) == count ? TRUE : FALSE;
}

void CFile::Flush() {
    if (m_file)
        std::fflush(m_file);
}

long long CFile::Seek(long long offset, UINT from) {
    if (!m_file)
        return -1;
    int whence = from == current ? SEEK_CUR : from == end ? SEEK_END : SEEK_SET;
    if (::fseeko(m_file, static_cast<off_t>(offset), whence) != 0)
        return -1;
    return GetPosition();
}

long long CFile::GetPosition() const {
    return m_file ? static_cast<long long>(::ftello(m_file)) : -1;
}

long long CFile::GetLength() const {
    if (!m_file)
        return 0;
    std::fflush(m_file);
    struct stat st;
    if (::fstat(::fileno(m_file), &st) != 0)
        return 0;
    return static_cast<long long>(st.st_size);
}

BOOL CFile::SetLength(long long length) {
    if (!m_file || length < 0)
        return FALSE;
    std::fflush(m_file);
    return ::ftruncate(::fileno(m_file), static_cast<off_t>(length)) == 0 ? TRUE : FALSE;
}

CString CFile::GetFileName() const {
    return NamePart(m_path);
}

CString CFile::GetFileTitle() const {
    CString name = GetFileName();
    int dot = name.ReverseFind('.');
    return dot >= 0 ? name.Left(dot) : name;
}

BOOL CFile::GetStatus(LPCTSTR fileName, CFileStatus& status) {
    std::string path = Resolve(fileName);
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return FALSE;
    status.m_ctime = ToCTime(st.st_ctim);
    status.m_mtime = ToCTime(st.st_mtim);
    status.m_atime = ToCTime(st.st_atim);
    status.m_size = static_cast<long long>(st.st_size);
    status.m_attribute = static_cast<BYTE>(GetFileAttributes(path.c_str()) & 0x3F);
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    status.m_szFullName = CString(ec ? path : full.string());
    return TRUE;
}

BOOL CFile::Remove(LPCTSTR fileName) {
    return DeleteFile(fileName);
}

BOOL CFile::Rename(LPCTSTR oldName, LPCTSTR newName) {
    return MoveFile(oldName, newName);
}

// ---- CStdioFile

BOOL CStdioFile::Open(LPCTSTR fileName, UINT openFlags, CFileException* error) {
    m_pending.clear();
    m_text = !(openFlags & typeBinary);
    return CFile::Open(fileName, openFlags, error);
}

void CStdioFile::Close() {
    m_pending.clear();
    CFile::Close();
}

bool CStdioFile::FillLine() {
    if (!m_file)
        return false;
    std::string raw;
    int c;
    bool newline = false;
    while ((c = std::fgetc(m_file)) != EOF) {
        if (c == '\n') {
            newline = true;
            break;
        }
        raw += static_cast<char>(c);
    }
    if (raw.empty() && !newline)
        return false;
    if (m_text) {
        if (newline && !raw.empty() && raw.back() == '\r')
            raw.pop_back();
        m_pending += vq::GbkToUtf8(raw);
    } else {
        m_pending += raw;
    }
    if (newline)
        m_pending += '\n';
    return true;
}

BOOL CStdioFile::ReadString(CString& line) {
    line.Empty();
    if (m_pending.empty() && !FillLine())
        return FALSE;
    std::size_t nl = m_pending.find('\n');
    if (nl == std::string::npos) {
        line = CString(m_pending);
        m_pending.clear();
    } else {
        line = CString(m_pending.substr(0, nl));
        m_pending.erase(0, nl + 1);
    }
    return TRUE;
}

LPTSTR CStdioFile::ReadString(LPTSTR buffer, UINT maxCount) {
    if (!buffer || maxCount == 0)
        return nullptr;
    if (m_pending.empty() && !FillLine())
        return nullptr;
    std::size_t nl = m_pending.find('\n');
    std::size_t take = nl == std::string::npos ? m_pending.size() : nl + 1;
    take = vq::TruncateUtf8(std::string_view(m_pending).substr(0, take), maxCount - 1).size();
    std::memcpy(buffer, m_pending.data(), take);
    buffer[take] = '\0';
    m_pending.erase(0, take);
    return buffer;
}

BOOL CStdioFile::WriteString(LPCTSTR text) {
    if (!m_file)
        return FALSE;
    if (!text || !*text)
        return TRUE;
    std::string out = m_text ? vq::TextFileBytes(text) : std::string(text);
    return CFile::Write(out.data(), static_cast<UINT>(out.size()));
}

// ---- free functions

BOOL CopyFile(LPCTSTR existingFile, LPCTSTR newFile, BOOL failIfExists) {
    std::string from = Resolve(existingFile);
    std::string to = Resolve(newFile);
    if (from.empty() || to.empty())
        return FALSE;
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return FALSE;
    struct stat st;
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return FALSE;
    }
    // A failed copy leaves the old target whole: the bytes go to a new file first.
    std::string temp;
    const int out = vq::CreateFileBeside(to, temp);
    if (out < 0) {
        ::close(in);
        return FALSE;
    }
    bool ok = CopyBytes(in, out);
    ::close(in);
    ok = ::close(out) == 0 && ok;
    if (!ok) {
        ::unlink(temp.c_str());
        return FALSE;
    }
    return vq::CommitNewFile(temp, CString(to), static_cast<int>(st.st_mode & 0777), failIfExists) ? TRUE
                                                                                                   : FALSE;
}

BOOL DeleteFile(LPCTSTR fileName) {
    std::string path = Resolve(fileName);
    struct stat st;
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return FALSE;
    return ::unlink(path.c_str()) == 0 ? TRUE : FALSE;
}

BOOL MoveFile(LPCTSTR existingFile, LPCTSTR newFile) {
    std::string from = Resolve(existingFile);
    std::string to = Resolve(newFile);
    struct stat st;
    if (from.empty() || to.empty() || ::lstat(from.c_str(), &st) != 0 || ::lstat(to.c_str(), &st) == 0)
        return FALSE;
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return TRUE;
    if (errno != EXDEV)
        return FALSE;
    // Another file system: copy the file, then remove the original.
    std::error_code ec;
    if (!fs::is_regular_file(from, ec) || !fs::copy_file(from, to, fs::copy_options::none, ec) || ec)
        return FALSE;
    if (::unlink(from.c_str()) != 0) {
        ::unlink(to.c_str());
        return FALSE;
    }
    return TRUE;
}

BOOL CreateDirectory(LPCTSTR pathName, void*) {
    std::string path = Resolve(pathName);
    return !path.empty() && ::mkdir(path.c_str(), 0777) == 0 ? TRUE : FALSE;
}

BOOL RemoveDirectory(LPCTSTR pathName) {
    std::string path = Resolve(pathName);
    return !path.empty() && ::rmdir(path.c_str()) == 0 ? TRUE : FALSE;
}

DWORD GetFileAttributes(LPCTSTR fileName) {
    std::string path = Resolve(fileName);
    struct stat st;
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return INVALID_FILE_ATTRIBUTES;
    DWORD attributes = 0;
    if (S_ISDIR(st.st_mode))
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (::access(path.c_str(), W_OK) != 0)
        attributes |= FILE_ATTRIBUTE_READONLY;
    std::string name = NamePart(CString(path)).str();
    if (name.size() > 1 && name[0] == '.' && name != "..")
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL PathFileExists(LPCTSTR path) {
    std::string p = Resolve(path);
    struct stat st;
    return !p.empty() && ::stat(p.c_str(), &st) == 0 ? TRUE : FALSE;
}

namespace vq {

std::string TextFileBytes(std::string_view utf8) {
    std::string converted = Utf8ToGbk(utf8);
    std::string out;
    out.reserve(converted.size() + 8);
    for (std::size_t i = 0; i < converted.size(); ++i) {
        if (converted[i] == '\n' && (i == 0 || converted[i - 1] != '\r'))
            out += '\r';
        out += converted[i];
    }
    return out;
}

bool IsDiskFullError(int error) {
    return error == ENOSPC || error == EFBIG || error == EDQUOT;
}

bool ReplaceFileContent(const CString& file, std::string_view bytes) {
    const std::string path = Resolve(file.c_str());
    if (path.empty())
        return false;
    std::string temp;
    const int fd = CreateFileBeside(path, temp);
    if (fd < 0)
        return false;
    bool ok = WriteAll(fd, bytes);
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        // The caller may tell a full disk from other failures.
        errno = error;
        return false;
    }
    return CommitNewFile(temp, CString(path));
}

int CreateFileBeside(const std::string& path, std::string& temp) {
    // A short name of its own: a target named near the file system's limit still has one.
    const std::size_t slash = path.rfind('/');
    temp = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + ".vqnew.XXXXXX";
    if (!WritableFolderOf(path))
        return -1;
    return ::mkostemp(temp.data(), O_CLOEXEC);
}

bool CommitNewFile(const std::string& temp, const CString& file, int mode, bool failIfExists) {
    const std::string path = Resolve(file.c_str());
    struct stat st;
    const bool exists = !path.empty() && ::lstat(path.c_str(), &st) == 0;
    bool ok = false;
    bool renamed = false;
    if (path.empty()) {
        errno = ENOENT;
    } else if (exists && S_ISLNK(st.st_mode) && !failIfExists && FollowsLink(path, st)) {
        ok = WriteThroughLink(temp, path);
    } else {
        mode_t bits = NewFileMode();
        if (InWorkingFolder(CString(path)))
            bits = 0600;
        else if (mode >= 0)
            bits = static_cast<mode_t>(mode);
        else if (exists && S_ISREG(st.st_mode))
            bits = st.st_mode & 07777;
        // failIfExists: link() refuses any name that is taken (a dangling link included).
        ok = ::chmod(temp.c_str(), bits) == 0 && (failIfExists ? ::link(temp.c_str(), path.c_str()) == 0
                                                               : ::rename(temp.c_str(), path.c_str()) == 0);
        renamed = ok && !failIfExists;
    }
    if (!renamed) {
        const int error = errno;
        ::unlink(temp.c_str());
        errno = error;
    }
    return ok;
}

CString CreateUniqueFile(const CString& folder, const CString& prefix, const CString& suffix) {
    std::string dir = NativePath(folder).str();
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    std::string pattern = dir + prefix.str() + "XXXXXX" + suffix.str();
    if (!WritableFolderOf(pattern))
        return CString();
    const int fd = ::mkstemps(pattern.data(), static_cast<int>(suffix.str().size()));
    if (fd < 0)
        return CString();
    if (::close(fd) != 0) {
        ::unlink(pattern.c_str());
        return CString();
    }
    return CString(pattern);
}

} // namespace vq
