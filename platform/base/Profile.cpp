#include "platform/base/Profile.h"

#include "platform/base/File.h"
#include "platform/base/Folders.h"
#include "platform/base/TextCodec.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace {

// One line of the file: its bytes as stored, without and with its line end, and what it means.
struct Line {
    enum Kind { Other, Section, Key };
    std::string bytes; // code page 936, without the line end
    std::string eol;   // "\r\n", "\n" or "" (last line without a line end)
    Kind kind = Other;
    std::string name;  // section or key name, UTF-8, trimmed
    std::string value; // key value, UTF-8, trimmed, quotes removed
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b]))
        ++b;
    while (e > b && IsBlank(s[e - 1]))
        --e;
    return std::string(s.substr(b, e - b));
}

// The line is parsed in UTF-8: in code page 936 the bytes of "[" and "]" also occur as the second
// byte of a Chinese character, so the raw bytes cannot be split at them.
void Parse(Line& line) {
    std::string text = vq::GbkToUtf8(line.bytes);
    std::string t = Trim(text);
    if (t.empty() || t[0] == ';')
        return;
    if (t[0] == '[') {
        std::size_t close = t.find(']');
        line.kind = Line::Section;
        line.name =
            Trim(std::string_view(t).substr(1, close == std::string::npos ? std::string::npos : close - 1));
        return;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string::npos)
        return;
    std::string key = Trim(std::string_view(t).substr(0, eq));
    if (key.empty())
        return;
    line.kind = Line::Key;
    line.name = key;
    std::string value = Trim(std::string_view(t).substr(eq + 1));
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        value = value.substr(1, value.size() - 2);
    line.value = value;
}

// A line whose bytes the system has just set means what a read of them would find.
void ParseAgain(Line& line) {
    line.kind = Line::Other;
    line.name.clear();
    line.value.clear();
    Parse(line);
}

struct ProfileFile {
    std::vector<Line> lines;
    std::string eol = "\r\n"; // the line end for new lines
    std::string encodingFault; // why the bytes are not code page 936 text; empty when they are
};

bool ReadBytes(const std::string& path, std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    char buffer[8192];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

ProfileFile Load(const std::string& bytes) {
    ProfileFile file;
    file.encodingFault = vq::Cp936TextFault(bytes);
    std::size_t first = bytes.find('\n');
    if (first != std::string::npos)
        file.eol = first > 0 && bytes[first - 1] == '\r' ? "\r\n" : "\n";
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t nl = bytes.find('\n', pos);
        Line line;
        if (nl == std::string::npos) {
            line.bytes = bytes.substr(pos);
            pos = bytes.size();
        } else {
            std::size_t end = nl;
            if (end > pos && bytes[end - 1] == '\r') {
                --end;
                line.eol = "\r\n";
            } else {
                line.eol = "\n";
            }
            line.bytes = bytes.substr(pos, end - pos);
            pos = nl + 1;
        }
        Parse(line);
        file.lines.push_back(std::move(line));
    }
    return file;
}

// --- Files kept parsed ---------------------------------------------------------------------------
// A file is read and parsed again only when it may have changed: every setting of every decision
// reads the settings file. What a file is, as far as the system can tell without reading it: a
// change by any program gives another inode (a file renamed into place), size or change time.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    explicit FileIdentity(const struct stat& st)
        : device(st.st_dev), inode(st.st_ino), size(st.st_size), modified(st.st_mtim), changed(st.st_ctim) {}
    bool operator==(const FileIdentity& o) const {
        return device == o.device && inode == o.inode && size == o.size &&
               modified.tv_sec == o.modified.tv_sec && modified.tv_nsec == o.modified.tv_nsec &&
               changed.tv_sec == o.changed.tv_sec && changed.tv_nsec == o.changed.tv_nsec;
    }
};

// The file system stamps a change with a clock of its own resolution (a clock tick, a second, two
// seconds on some), so a file rewritten within one step of it keeps its times. A parse is trusted
// on its times alone once they were older than this when the file was read: every later change
// has later times. Until then the file is read again and its bytes compared.
constexpr time_t kSettledSeconds = 2;

struct ParsedFile {
    FileIdentity identity;
    bool settled = false;
    std::string bytes;
    std::shared_ptr<const ProfileFile> file;
};

// By native path. Made on first use and never destroyed: settings are read while the library
// loads and may be read while the process ends.
struct ParsedFiles {
    std::mutex mutex;
    std::unordered_map<std::string, ParsedFile> files;
    vq::ProfileReadCounts counts;
};
ParsedFiles& Parsed() {
    static auto* parsed = new ParsedFiles;
    return *parsed;
}

bool OlderThan(const timespec& stamp, const timespec& limit) {
    return stamp.tv_sec < limit.tv_sec || (stamp.tv_sec == limit.tv_sec && stamp.tv_nsec < limit.tv_nsec);
}

bool ReadAll(int fd, std::string& bytes) {
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0)
            return true;
        else if (errno != EINTR)
            return false;
    }
}

// The parse of a file as it is now, or nothing when it cannot be read.
std::shared_ptr<const ProfileFile> ReadParsed(int fd, const std::string& path) {
    struct stat before {};
    if (::fstat(fd, &before) != 0)
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(Parsed().mutex);
        ++Parsed().counts.opens;
    }
    const FileIdentity identity(before);
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    now.tv_sec -= kSettledSeconds;
    const bool settled = OlderThan(before.st_mtim, now) && OlderThan(before.st_ctim, now);
    ParsedFiles& parsed = Parsed();
    {
        std::lock_guard<std::mutex> lock(parsed.mutex);
        auto kept = parsed.files.find(path);
        if (kept != parsed.files.end() && kept->second.settled && kept->second.identity == identity)
            return kept->second.file;
    }
    std::string bytes;
    if (!ReadAll(fd, bytes))
        return nullptr;
    struct stat after {};
    const bool stable = ::fstat(fd, &after) == 0 && FileIdentity(after) == identity;
    std::lock_guard<std::mutex> lock(parsed.mutex);
    auto kept = parsed.files.find(path);
    std::shared_ptr<const ProfileFile> file;
    if (kept != parsed.files.end() && kept->second.bytes == bytes) {
        file = kept->second.file;
    } else {
        file = std::make_shared<const ProfileFile>(Load(bytes));
        ++parsed.counts.parses;
    }
    if (!S_ISREG(before.st_mode) || !stable) {
        // Not a plain file, or written to while it was read: parsed anew next time.
        if (kept != parsed.files.end())
            parsed.files.erase(kept);
        return file;
    }
    if (parsed.files.size() >= 64 && kept == parsed.files.end())
        parsed.files.clear();
    parsed.files.insert_or_assign(path, ParsedFile{identity, settled, std::move(bytes), file});
    return file;
}

std::shared_ptr<const ProfileFile> LoadParsed(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    std::shared_ptr<const ProfileFile> file = ReadParsed(fd, path);
    ::close(fd);
    return file;
}

// After the system's own write of these bytes: they are what the file holds, so the next read
// takes their parse once it has seen that the file still holds them (its times are recent, so the
// read compares the bytes), instead of parsing them again.
void KeepWritten(const std::string& path, std::string bytes, const ProfileFile& written) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    ParsedFiles& parsed = Parsed();
    std::lock_guard<std::mutex> lock(parsed.mutex);
    if (parsed.files.size() >= 64 && parsed.files.find(path) == parsed.files.end())
        parsed.files.clear();
    parsed.files.insert_or_assign(path, ParsedFile{FileIdentity(st), false, std::move(bytes),
                                                   std::make_shared<const ProfileFile>(written)});
}

// Before the system's own write: the next read parses the file anew whatever its times say.
void ForgetParsed(const std::string& path) {
    ParsedFiles& parsed = Parsed();
    std::lock_guard<std::mutex> lock(parsed.mutex);
    parsed.files.erase(path);
}

// Index of the first section header with this name, or -1.
int FindSection(const ProfileFile& file, std::string_view section) {
    for (std::size_t i = 0; i < file.lines.size(); ++i)
        if (file.lines[i].kind == Line::Section && vq::EqualNoCase(file.lines[i].name, section))
            return static_cast<int>(i);
    return -1;
}

// One past the last line of the section whose header is at index header.
int SectionEnd(const ProfileFile& file, int header) {
    int i = header + 1;
    while (i < static_cast<int>(file.lines.size()) &&
           file.lines[static_cast<std::size_t>(i)].kind != Line::Section)
        ++i;
    return i;
}

int FindKey(const ProfileFile& file, int header, std::string_view key) {
    int end = SectionEnd(file, header);
    for (int i = header + 1; i < end; ++i) {
        const Line& l = file.lines[static_cast<std::size_t>(i)];
        if (l.kind == Line::Key && vq::EqualNoCase(l.name, key))
            return i;
    }
    return -1;
}

// Copies a text into the caller's buffer without splitting a character; returns the length copied.
DWORD CopyValue(std::string_view text, LPTSTR buf, DWORD size) {
    if (!buf || size == 0)
        return 0;
    std::string_view cut = vq::TruncateUtf8(text, size - 1);
    std::memcpy(buf, cut.data(), cut.size());
    buf[cut.size()] = '\0';
    return static_cast<DWORD>(cut.size());
}

// Copies a list of names, each ended by a NUL, with a second NUL after the last.
DWORD CopyList(const std::vector<std::string>& names, LPTSTR buf, DWORD size) {
    if (!buf || size == 0)
        return 0;
    if (size == 1) {
        buf[0] = '\0';
        return 0;
    }
    std::string list;
    for (const auto& n : names) {
        list += n;
        list += '\0';
    }
    if (list.size() + 1 <= size) {
        std::memcpy(buf, list.data(), list.size());
        buf[list.size()] = '\0';
        if (list.empty())
            return 0;
        return static_cast<DWORD>(list.size());
    }
    // Cut: the last (partial) name still ends with NUL, followed by the list's final NUL.
    std::string_view cut = vq::TruncateUtf8(list, size - 2);
    std::memcpy(buf, cut.data(), cut.size());
    buf[cut.size()] = '\0';
    buf[size - 1] = '\0';
    return size - 2;
}

std::string WithoutLineBreaks(std::string text) {
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

// Replaces the file's content; a failed write (a full disk) leaves the old file intact.
bool Store(const std::string& path, const ProfileFile& file) {
    std::string bytes;
    for (const Line& l : file.lines) {
        bytes += l.bytes;
        bytes += l.eol;
    }
    if (!vq::ReplaceFileContent(CString(path), bytes))
        return false;
    // The file read through a link is the one the link points at, kept under the link's path.
    KeepWritten(path, std::move(bytes), file);
    return true;
}

std::string TrimTrailingBlanks(const char* s) {
    std::string t = s ? s : "";
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t'))
        t.pop_back();
    return t;
}

// The whole value, or nothing when the file, section or key is missing.
bool LookUp(const std::string& path, std::string_view section, std::string_view key, std::string& value) {
    const std::shared_ptr<const ProfileFile> file = LoadParsed(path);
    if (!file)
        return false;
    int header = FindSection(*file, section);
    if (header < 0)
        return false;
    int k = FindKey(*file, header, key);
    if (k < 0)
        return false;
    value = file->lines[static_cast<std::size_t>(k)].value;
    return true;
}

} // namespace

namespace vq {

ProfileReadCounts ProfileReadCountsSoFar() {
    std::lock_guard<std::mutex> lock(Parsed().mutex);
    return Parsed().counts;
}

CString ProfilePath(const CString& path) {
    if (path.Find('/') < 0 && path.Find('\\') < 0)
        return NativePath(WindowsFolder() + "/" + path);
    return NativePath(path);
}

CString ProfileEncodingFault(const CString& path) {
    const std::shared_ptr<const ProfileFile> file = LoadParsed(ProfilePath(path).str());
    return file ? CString(file->encodingFault) : CString();
}

CString ReadProfileString(const CString& section, const CString& key, const CString& def,
                          const CString& path) {
    std::string value;
    if (LookUp(ProfilePath(path).str(), section.str(), key.str(), value))
        return CString(value);
    return CString(TrimTrailingBlanks(def.c_str()));
}

BOOL WriteProfileString(const CString& section, const CString& key, const CString& value,
                        const CString& path) {
    return WritePrivateProfileString(section, key, value, path);
}

} // namespace vq

DWORD GetPrivateProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR def, LPTSTR buf, DWORD size,
                              LPCTSTR path) {
    std::string file = vq::ProfilePath(path ? path : "").str();
    if (!section || !key) {
        std::vector<std::string> names;
        if (const std::shared_ptr<const ProfileFile> parsed = LoadParsed(file)) {
            const ProfileFile& pf = *parsed;
            if (!section) {
                for (const Line& l : pf.lines)
                    if (l.kind == Line::Section)
                        names.push_back(l.name);
            } else {
                int header = FindSection(pf, section);
                if (header >= 0) {
                    int end = SectionEnd(pf, header);
                    for (int i = header + 1; i < end; ++i)
                        if (pf.lines[static_cast<std::size_t>(i)].kind == Line::Key)
                            names.push_back(pf.lines[static_cast<std::size_t>(i)].name);
                }
            }
        }
        return CopyList(names, buf, size);
    }
    std::string value;
    if (!LookUp(file, section, key, value))
        value = TrimTrailingBlanks(def);
    return CopyValue(value, buf, size);
}

BOOL WritePrivateProfileString(LPCTSTR section, LPCTSTR key, LPCTSTR value, LPCTSTR path) {
    if (!section || !path || !*path)
        return FALSE;
    std::string file = vq::ProfilePath(path).str();
    ForgetParsed(file);
    ProfileFile pf;
    std::string bytes;
    if (ReadBytes(file, bytes))
        pf = Load(bytes);
    else if (::access(file.c_str(), F_OK) == 0)
        return FALSE; // exists but cannot be read: never overwrite it
    if (!pf.encodingFault.empty())
        return FALSE; // text of another encoding: lines of this one would make it two files in one
    struct stat st;
    if (::stat(file.c_str(), &st) == 0 && (!(st.st_mode & 0222) || ::access(file.c_str(), W_OK) != 0))
        return FALSE; // a read-only file stays as it is (even for a user whose rights would allow it)

    int header = FindSection(pf, section);
    if (!key) {
        if (header < 0)
            return TRUE;
        int end = SectionEnd(pf, header);
        pf.lines.erase(pf.lines.begin() + header, pf.lines.begin() + end);
        return Store(file, pf) ? TRUE : FALSE;
    }
    if (!value) {
        if (header < 0)
            return TRUE;
        int k = FindKey(pf, header, key);
        if (k < 0)
            return TRUE;
        pf.lines.erase(pf.lines.begin() + k);
        return Store(file, pf) ? TRUE : FALSE;
    }

    std::string newValue = vq::Utf8ToGbk(WithoutLineBreaks(value));
    if (header >= 0) {
        int k = FindKey(pf, header, key);
        if (k >= 0) {
            // The key keeps its spelling as found in the file; only the value changes.
            Line& l = pf.lines[static_cast<std::size_t>(k)];
            std::size_t eq = l.bytes.find('=');
            std::string keyPart = Trim(std::string_view(l.bytes).substr(0, eq));
            l.bytes = keyPart + "=" + newValue;
            ParseAgain(l);
        } else {
            // After the last non-blank line of the section.
            int end = SectionEnd(pf, header);
            int at = end;
            while (at > header + 1 && Trim(pf.lines[static_cast<std::size_t>(at - 1)].bytes).empty())
                --at;
            Line l;
            l.bytes = vq::Utf8ToGbk(WithoutLineBreaks(key)) + "=" + newValue;
            l.eol = pf.eol;
            ParseAgain(l);
            if (pf.lines[static_cast<std::size_t>(at - 1)].eol.empty())
                pf.lines[static_cast<std::size_t>(at - 1)].eol = pf.eol;
            pf.lines.insert(pf.lines.begin() + at, std::move(l));
        }
    } else {
        if (!pf.lines.empty() && pf.lines.back().eol.empty())
            pf.lines.back().eol = pf.eol;
        Line h;
        h.bytes = "[" + vq::Utf8ToGbk(WithoutLineBreaks(section)) + "]";
        h.eol = pf.eol;
        ParseAgain(h);
        pf.lines.push_back(std::move(h));
        Line l;
        l.bytes = vq::Utf8ToGbk(WithoutLineBreaks(key)) + "=" + newValue;
        l.eol = pf.eol;
        ParseAgain(l);
        pf.lines.push_back(std::move(l));
    }
    return Store(file, pf) ? TRUE : FALSE;
}

UINT GetPrivateProfileInt(LPCTSTR section, LPCTSTR key, int def, LPCTSTR path) {
    if (!section || !key)
        return static_cast<UINT>(def);
    std::string value;
    if (!LookUp(vq::ProfilePath(path ? path : "").str(), section, key, value) || value.empty())
        return static_cast<UINT>(def);
    const char* p = value.c_str();
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = *p++ == '-';
    unsigned long long n = 0;
    while (*p >= '0' && *p <= '9') {
        n = n * 10 + static_cast<unsigned>(*p - '0');
        if (n > UINT_MAX)
            n = UINT_MAX;
        ++p;
    }
    if (negative)
        return 0;
    return static_cast<UINT>(n);
}
