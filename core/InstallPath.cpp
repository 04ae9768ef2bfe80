#include "core/InstallPath.h"

#include "platform/base/Folders.h"
#include "platform/base/MessageBox.h"
#include "platform/base/TextCodec.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace {

constexpr const char* kCaption = "错误信息";
constexpr const char* kVqpdmError = "读取VQPDM注册变量出错，请正确安装VQPDM3.5!";
constexpr const char* kSetupError = "读取VQ60注册变量出错，请正确安装VQMCAD6.0!";

void ShowError(const CString& text) {
    vq::ShowMessageBox(kCaption, text, MB_OK);
}

// Opens a file of the Windows folder; the name is found without regard to case.
FILE* OpenInWindowsFolder(const char* windowsDir, const char* name, CString& fullPath) {
    fullPath = vq::NativePath(CString(windowsDir) + "/" + name);
    return std::fopen(fullPath.c_str(), "r");
}

// The number of bytes at the end of text that begin a UTF-8 sequence without completing it.
std::size_t CutUtf8Tail(const std::string& text) {
    for (std::size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        unsigned char b = static_cast<unsigned char>(text[text.size() - back]);
        if ((b & 0xC0) == 0x80)
            continue; // a continuation byte: look further back for the lead byte
        std::size_t len = b < 0x80             ? 1
                          : (b & 0xE0) == 0xC0 ? 2
                          : (b & 0xF0) == 0xE0 ? 3
                          : (b & 0xF8) == 0xF0 ? 4
                                               : 1;
        return len > back ? back : 0;
    }
    return 0;
}

// The first line as read with a 260-byte line buffer: at most 259 bytes (never a cut double-byte
// character), without its line end. False when not even a line end can be read.
bool ReadFirstLine(FILE* f, std::string& line) {
    char buffer[MAX_PATH];
    if (!std::fgets(buffer, sizeof buffer, f))
        return false;
    std::string raw(buffer);
    std::size_t nl = raw.find('\n');
    if (nl != std::string::npos)
        raw.resize(nl);
    if (!raw.empty() && raw.back() == '\r')
        raw.pop_back();
    // The installer of this system writes UTF-8; a file written by a Windows installer holds code
    // page 936. Text that is not valid UTF-8 is taken as code page 936.
    std::string utf8 = raw;
    if (nl == std::string::npos)
        utf8.resize(utf8.size() - CutUtf8Tail(utf8)); // drop a character cut by the buffer
    if (vq::IsValidUtf8(utf8)) {
        line = utf8;
    } else {
        // A double-byte character cut by the buffer is dropped.
        std::size_t i = 0, end = 0;
        while (i < raw.size()) {
            std::size_t len = vq::IsGbkLeadByte(static_cast<unsigned char>(raw[i])) ? 2 : 1;
            if (i + len > raw.size())
                break;
            i += len;
            end = i;
        }
        line = vq::GbkToUtf8(raw.substr(0, end));
    }
    return true;
}

std::atomic<unsigned long> g_lookups{0};

// Steps 3 to 5 shared by both functions: read the folder, append the relative path, copy it out.
int BuildPath(FILE* f, const CString& fullPath, LPCTSTR relPath, LPTSTR outBuf, const char* readError) {
    ++g_lookups;
    std::string folder;
    bool ok = ReadFirstLine(f, folder);
    std::fclose(f);
    if (!ok) {
        // The box keeps the system's words; which file it means goes to standard error.
        std::fprintf(stderr, "vqdesigntask: %s is empty or cannot be read\n", fullPath.c_str());
        ShowError(readError);
        return 0;
    }
    CString path = vq::NativePath(CString(folder) + "\\" + (relPath ? relPath : ""));
    if (path.GetLength() >= MAX_PATH)
        return 0; // refused: the caller's buffer holds MAX_PATH bytes
    std::memcpy(outBuf, path.c_str(), static_cast<std::size_t>(path.GetLength()) + 1);
    return 1;
}

bool WindowsDirectory(char* buffer) {
    UINT n = GetWindowsDirectory(buffer, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        ShowError("获取Windows路径出错!");
        return false;
    }
    return true;
}

} // namespace

unsigned long InstallFolderLookupsSoFar() {
    return g_lookups;
}

bool InstallationNamed() {
    char windowsDir[MAX_PATH];
    UINT n = GetWindowsDirectory(windowsDir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    for (const char* name : {"vqpdm.txt", "vqsetup.ini"}) {
        CString fullPath;
        if (FILE* f = OpenInWindowsFolder(windowsDir, name, fullPath)) {
            std::fclose(f);
            return true;
        }
    }
    return false;
}

CString InstallationFault(CString* folder) {
    char windowsDir[MAX_PATH];
    UINT n = GetWindowsDirectory(windowsDir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return CString(); // nothing is named: the entry call says what it says of that
    auto fault = [](const char* systemText, const CString& detail) {
        return CString(systemText) + "\n" + detail;
    };
    // vqpdm.txt, else vqsetup.ini, as GetInstallFilePath takes them.
    CString unreadable;
    for (const char* name : {"vqpdm.txt", "vqsetup.ini"}) {
        const char* systemText = std::strcmp(name, "vqpdm.txt") == 0 ? kVqpdmError : kSetupError;
        CString fullPath;
        FILE* f = OpenInWindowsFolder(windowsDir, name, fullPath);
        if (!f) {
            const int error = errno;
            if (error != ENOENT && unreadable.IsEmpty()) {
                CString detail;
                detail.Format("不能读取文件 %s (%s)。", fullPath, std::strerror(error));
                unreadable = fault(systemText, detail);
            }
            continue;
        }
        std::string line;
        const bool read = ReadFirstLine(f, line);
        std::fclose(f);
        CString detail;
        if (!read) {
            detail.Format("文件 %s 是空的或不能读取。", fullPath);
            return fault(systemText, detail);
        }
        if (line.empty()) {
            detail.Format("文件 %s 的第一行没有指定安装目录。", fullPath);
            return fault(systemText, detail);
        }
        const CString native = vq::NativePath(CString(line));
        struct stat st {};
        if (::stat(native.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            detail.Format("文件 %s 指定的安装目录 %s 不存在。", fullPath, native);
            return fault(systemText, detail);
        }
        if (folder)
            *folder = native;
        return CString();
    }
    // A vqpdm.txt that is there but cannot be read, without a vqsetup.ini to fall back on.
    return unreadable;
}

int GetInstallFilePath(LPCTSTR relPath, LPTSTR outBuf) {
    if (!outBuf)
        return 0;
    outBuf[0] = '\0';
    char windowsDir[MAX_PATH];
    if (!WindowsDirectory(windowsDir))
        return 0;
    CString fullPath;
    FILE* f = OpenInWindowsFolder(windowsDir, "vqpdm.txt", fullPath);
    if (!f)
        return GetInstallFilePathFromSetup(relPath, outBuf);
    return BuildPath(f, fullPath, relPath, outBuf, kVqpdmError);
}

int GetInstallFilePathFromSetup(LPCTSTR relPath, LPTSTR outBuf) {
    if (!outBuf)
        return 0;
    outBuf[0] = '\0';
    char windowsDir[MAX_PATH];
    if (!WindowsDirectory(windowsDir))
        return 0;
    CString fullPath;
    FILE* f = OpenInWindowsFolder(windowsDir, "vqsetup.ini", fullPath);
    if (!f) {
        CString text;
        text.Format("打开文件 %s 出错!", fullPath);
        ShowError(text);
        return 0;
    }
    return BuildPath(f, fullPath, relPath, outBuf, kSetupError);
}

CString ReadFileLine(FILE* file) {
    if (!file)
        return CString();
    constexpr std::size_t kPiece = 99; // a 100-byte buffer with its NUL
    std::string piece;
    bool lineEnd = false;
    int c;
    while (piece.size() < kPiece && (c = std::fgetc(file)) != EOF) {
        if (c == '\n') {
            lineEnd = true;
            break;
        }
        if (c == '\r') {
            int next = std::fgetc(file);
            if (next == '\n') {
                lineEnd = true;
                break;
            }
            if (next != EOF)
                std::ungetc(next, file);
        }
        if (vq::IsGbkLeadByte(static_cast<unsigned char>(c))) {
            if (piece.size() + 2 > kPiece) {
                std::ungetc(c, file); // the character goes whole into the next piece
                break;
            }
            piece += static_cast<char>(c);
            int trail = std::fgetc(file);
            if (trail == EOF)
                break;
            if (trail == '\n' || trail == '\r') {
                // A lone lead byte at the line end: keep the line end for the next read.
                std::ungetc(trail, file);
                continue;
            }
            piece += static_cast<char>(trail);
            continue;
        }
        piece += static_cast<char>(c);
    }
    if (!lineEnd && piece.size() == kPiece) {
        // The line end right after a full piece ends this piece, instead of giving an empty one.
        int next = std::fgetc(file);
        if (next == '\r') {
            int after = std::fgetc(file);
            if (after != '\n') {
                // A lone CR is no line end: both go back for the next piece.
                if (after != EOF)
                    std::ungetc(after, file);
                std::ungetc('\r', file);
            }
        } else if (next != '\n' && next != EOF) {
            std::ungetc(next, file);
        }
    }
    return CString(vq::GbkToUtf8(piece));
}

CString GetTempDirectory() {
    char buffer[MAX_PATH];
    DWORD n = GetTempPath(MAX_PATH, buffer);
    if (n == 0 || n >= MAX_PATH)
        return CString();
    return CString(buffer);
}
