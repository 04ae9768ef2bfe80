// CString: the text type of the whole system. UTF-8 inside; every index and length is in bytes,
// as Find, Mid, Left and GetLength agree with each other. Functions that cut text to a limit use
// TruncateUtf8 so that no character is split.
#pragma once

#include "platform/base/Types.h"

#include <compare>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

class CString;

namespace vq {
// Arguments of CString::Format: a CString or std::string passes its character pointer, every other
// value passes unchanged. This keeps printf-style formatting type-safe for our own string class.
inline const char* FormatArg(const CString& s);
inline const char* FormatArg(const std::string& s) {
    return s.c_str();
}
template <class T>
inline T FormatArg(T v) requires(std::is_arithmetic_v<T> || std::is_pointer_v<T> || std::is_enum_v<T>) {
    return v;
}
std::string FormatV(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Equal texts when ASCII letters are compared without regard to case (other bytes, and so Chinese
// text, must match exactly), as CString::CompareNoCase compares.
bool EqualNoCase(std::string_view a, std::string_view b);

// The longest prefix of at most maxBytes bytes that does not end inside a UTF-8 sequence.
std::string_view TruncateUtf8(std::string_view text, std::size_t maxBytes);

// The text with every character in lower case as the product database folds it where it compares
// without regard to case: each character alone, by the C library's UTF-8 character table (the
// lower() of PostgreSQL's citext on a UTF-8 database). Two project or task numbers are one number
// when their folded texts are equal ("ΣM-05" and "σm-05", "ＸＭ-06" and "ｘｍ-06"). Bytes that are
// no UTF-8 character stay as they are.
std::string FoldCase(std::string_view text);

// The key under which a file server that ignores letter case may read a folder name as another:
// each character in the upper case of its folded lower case, so that names one server reads alike
// by their lower case and another by their upper case ("ς" and "σ", "ſ" and "s") have one key.
std::string FolderNameKey(std::string_view text);

// The characters that a file or folder name on the file server or on disk cannot hold; each
// becomes "#" in the name a stored or typed text gives a file or folder (ValidFileName).
inline constexpr const char kFileNameUnsafe[] = "\"*+/:<>?\\|";
// The text with each character of kFileNameUnsafe as "#": "XM-05+1-01" names the folder
// "XM-05#1-01", as "XM-05#1-01" does.
std::string ValidFileName(std::string text);

// The text with what cannot be seen or told apart in a message written out: control and format
// characters, every space other than U+0020, and blanks at either end, as "<U+200B>"; a byte
// that is no UTF-8 character as "<0xFF>". Stored numbers and names are shown so in boxes and
// logs, so that "XM-02-01" followed by an invisible character does not read as "XM-02-01".
std::string VisibleText(std::string_view text);
} // namespace vq

class CString {
public:
    CString() = default;
    CString(const char* s) : m_s(s ? s : "") {}
    CString(const char* s, int len)
        : m_s(s ? std::string(s, static_cast<std::size_t>(len < 0 ? 0 : len)) : "") {}
    CString(std::string s) : m_s(std::move(s)) {}
    CString(std::string_view s) : m_s(s) {}
    explicit CString(char ch, int count = 1) : m_s(static_cast<std::size_t>(count < 0 ? 0 : count), ch) {}

    // Access
    int GetLength() const { return static_cast<int>(m_s.size()); }
    bool IsEmpty() const { return m_s.empty(); }
    void Empty() { m_s.clear(); }
    char GetAt(int i) const;
    void SetAt(int i, char ch);
    char operator[](int i) const { return GetAt(i); }
    operator const char*() const { return m_s.c_str(); }
    const char* c_str() const { return m_s.c_str(); }
    const std::string& str() const { return m_s; }
    std::string& str() { return m_s; }

    // Writable buffer of at least minLength bytes; ReleaseBuffer trims at the first NUL (or at len).
    char* GetBuffer(int minLength = 0);
    char* GetBufferSetLength(int length);
    void ReleaseBuffer(int newLength = -1);

    // Concatenation and comparison
    CString& operator=(const char* s) {
        m_s = s ? s : "";
        return *this;
    }
    CString& operator=(char ch) {
        m_s.assign(1, ch);
        return *this;
    }
    CString& operator+=(const CString& s) {
        m_s += s.m_s;
        return *this;
    }
    CString& operator+=(const char* s) {
        if (s)
            m_s += s;
        return *this;
    }
    CString& operator+=(char ch) {
        m_s += ch;
        return *this;
    }
    friend CString operator+(const CString& a, const CString& b) { return CString(a.m_s + b.m_s); }
    friend CString operator+(const CString& a, const char* b) { return CString(a.m_s + (b ? b : "")); }
    friend CString operator+(const char* a, const CString& b) { return CString((a ? a : "") + b.m_s); }
    friend CString operator+(const CString& a, char b) { return CString(a.m_s + b); }
    friend CString operator+(char a, const CString& b) { return CString(a + b.m_s); }
    friend bool operator==(const CString& a, const CString& b) { return a.m_s == b.m_s; }
    friend bool operator==(const CString& a, const char* b) { return a.m_s == (b ? b : ""); }
    friend std::strong_ordering operator<=>(const CString& a, const CString& b) { return a.m_s <=> b.m_s; }
    friend std::strong_ordering operator<=>(const CString& a, const char* b) {
        return a.m_s <=> std::string_view(b ? b : "");
    }

    int Compare(const char* s) const;       // <0, 0, >0 by bytes
    int CompareNoCase(const char* s) const; // ASCII letters without regard to case
    int Collate(const char* s) const { return Compare(s); }
    // As lists sort and search: by the code page 936 bytes, ASCII letters without case.
    int CollateNoCase(const char* s) const;

    // Extraction (byte positions; out-of-range arguments are clamped as the framework does)
    CString Left(int count) const;
    CString Right(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString SpanIncluding(const char* set) const;
    CString SpanExcluding(const char* set) const;
    CString Tokenize(const char* delims, int& start) const;

    // Search (byte positions; -1 when not found)
    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* set) const;

    // Modification
    void MakeUpper(); // ASCII letters only; other bytes (and so Chinese text) are unchanged
    void MakeLower();
    void MakeReverse();
    CString& Trim();
    CString& Trim(char ch);
    CString& Trim(const char* set);
    CString& TrimLeft();
    CString& TrimLeft(char ch);
    CString& TrimLeft(const char* set);
    CString& TrimRight();
    CString& TrimRight(char ch);
    CString& TrimRight(const char* set);
    int Replace(char from, char to);
    int Replace(const char* from, const char* to);
    int Remove(char ch);
    int Insert(int index, char ch);
    int Insert(int index, const char* s);
    int Delete(int index, int count = 1);

    // printf-style formatting; CString arguments may be passed directly.
    template <class... Args> void Format(const char* fmt, const Args&... args) {
        m_s = vq::FormatV(fmt, vq::FormatArg(args)...);
    }
    template <class... Args> void AppendFormat(const char* fmt, const Args&... args) {
        m_s += vq::FormatV(fmt, vq::FormatArg(args)...);
    }

private:
    std::string m_s;
};

inline const char* vq::FormatArg(const CString& s) {
    return s.c_str();
}

template <> struct std::hash<CString> {
    std::size_t operator()(const CString& s) const noexcept { return std::hash<std::string>()(s.str()); }
};
