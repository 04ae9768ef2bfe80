#include "platform/base/String.h"
#include "platform/base/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstring>
#include <locale.h>
#include <vector>
#include <wctype.h>

namespace vq {

std::string FormatV(const char* fmt, ...) {
    if (!fmt)
        return {};
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int needed = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<std::size_t>(needed));
    }
    va_end(args);
    return out;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

std::string_view TruncateUtf8(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = maxBytes;
    // Step back over continuation bytes to the lead byte of the character that would be cut.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

namespace {

// The C library's UTF-8 character table, whatever locale the process runs in.
locale_t Utf8Locale() {
    static const locale_t locale = [] {
        for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
            if (locale_t l = newlocale(LC_CTYPE_MASK, name, static_cast<locale_t>(nullptr)))
                return l;
        }
        return static_cast<locale_t>(nullptr);
    }();
    return locale;
}

long LowerCase(long code) {
    if (code < 0x80)
        return code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code;
    const locale_t locale = Utf8Locale();
    return locale ? static_cast<long>(towlower_l(static_cast<wint_t>(code), locale)) : code;
}

long UpperCase(long code) {
    if (code < 0x80)
        return code >= 'a' && code <= 'z' ? code - 'a' + 'A' : code;
    const locale_t locale = Utf8Locale();
    return locale ? static_cast<long>(towupper_l(static_cast<wint_t>(code), locale)) : code;
}

template <class Map> std::string MapCharacters(std::string_view text, Map map) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const long code = DecodeUtf8Character(text, pos);
        if (code < 0)
            out += text[start];
        else
            AppendUtf8Character(out, static_cast<unsigned long>(map(code)));
    }
    return out;
}

// Characters that show nothing, or show as a blank: controls, format characters (joiners, marks
// of direction, the byte order mark), blanks other than U+0020, line and paragraph separators,
// variation selectors and the fillers that some fonts draw empty.
bool IsHiddenCharacter(long code) {
    struct Range {
        long first, last;
    };
    static const Range kHidden[] = {
        {0x0000, 0x001F},   {0x007F, 0x00A0}, {0x00AD, 0x00AD}, {0x034F, 0x034F},   {0x061C, 0x061C},
        {0x115F, 0x1160},   {0x1680, 0x1680}, {0x17B4, 0x17B5}, {0x180B, 0x180F},   {0x2000, 0x200F},
        {0x2028, 0x202F},   {0x205F, 0x206F}, {0x3000, 0x3000}, {0x3164, 0x3164},   {0xFE00, 0xFE0F},
        {0xFEFF, 0xFEFF},   {0xFFA0, 0xFFA0}, {0xFFF9, 0xFFFB}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
        {0xE0000, 0xE0FFF},
    };
    for (const Range& range : kHidden) {
        if (code >= range.first && code <= range.last)
            return true;
    }
    return false;
}

} // namespace

std::string FoldCase(std::string_view text) {
    return MapCharacters(text, LowerCase);
}

std::string FolderNameKey(std::string_view text) {
    return MapCharacters(text, [](long code) { return UpperCase(LowerCase(code)); });
}

std::string ValidFileName(std::string text) {
    for (char& c : text) {
        if (c != '\0' && std::strchr(kFileNameUnsafe, c))
            c = '#';
    }
    return text;
}

std::string VisibleText(std::string_view text) {
    // The blanks at either end are shown too: "XM-02-01 " is no "XM-02-01".
    std::size_t first = 0, last = text.size();
    while (first < last && text[first] == ' ')
        ++first;
    while (last > first && text[last - 1] == ' ')
        --last;
    std::string out;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const long code = DecodeUtf8Character(text, pos);
        if (code < 0) {
            out += FormatV("<0x%02X>", static_cast<unsigned char>(text[start]));
        } else if (IsHiddenCharacter(code) || (code == ' ' && (start < first || start >= last))) {
            out += FormatV("<U+%04lX>", code);
        } else {
            out.append(text.substr(start, pos - start));
        }
    }
    return out;
}

} // namespace vq

namespace {

bool InSet(char ch, const char* set) {
    return set && ch != '\0' && std::strchr(set, ch) != nullptr;
}

bool IsSpace(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

int Clamp(int v, int lo, int hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

} // namespace

char CString::GetAt(int i) const {
    if (i < 0 || i >= GetLength())
        return '\0';
    return m_s[static_cast<std::size_t>(i)];
}

void CString::SetAt(int i, char ch) {
    if (i >= 0 && i < GetLength())
        m_s[static_cast<std::size_t>(i)] = ch;
}

char* CString::GetBuffer(int minLength) {
    if (minLength > GetLength())
        m_s.resize(static_cast<std::size_t>(minLength));
    return m_s.data();
}

char* CString::GetBufferSetLength(int length) {
    m_s.resize(static_cast<std::size_t>(length < 0 ? 0 : length));
    return m_s.data();
}

void CString::ReleaseBuffer(int newLength) {
    if (newLength < 0) {
        auto nul = m_s.find('\0');
        if (nul != std::string::npos)
            m_s.resize(nul);
    } else if (newLength <= GetLength()) {
        m_s.resize(static_cast<std::size_t>(newLength));
    }
}

int CString::Compare(const char* s) const {
    int r = m_s.compare(s ? s : "");
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int CString::CompareNoCase(const char* s) const {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(m_s.c_str());
    const unsigned char* b = reinterpret_cast<const unsigned char*>(s ? s : "");
    for (;; ++a, ++b) {
        int ca = (*a < 0x80) ? std::tolower(*a) : *a;
        int cb = (*b < 0x80) ? std::tolower(*b) : *b;
        if (ca != cb)
            return ca < cb ? -1 : 1;
        if (ca == 0)
            return 0;
    }
}

int CString::CollateNoCase(const char* s) const {
    return vq::CompareSortText(m_s, s ? s : "");
}

CString CString::Left(int count) const {
    count = Clamp(count, 0, GetLength());
    return CString(m_s.substr(0, static_cast<std::size_t>(count)));
}

CString CString::Right(int count) const {
    count = Clamp(count, 0, GetLength());
    return CString(m_s.substr(m_s.size() - static_cast<std::size_t>(count)));
}

CString CString::Mid(int first) const {
    return Mid(first, GetLength());
}

CString CString::Mid(int first, int count) const {
    first = Clamp(first, 0, GetLength());
    count = Clamp(count, 0, GetLength() - first);
    return CString(m_s.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count)));
}

CString CString::SpanIncluding(const char* set) const {
    std::size_t n = 0;
    while (n < m_s.size() && InSet(m_s[n], set))
        ++n;
    return CString(m_s.substr(0, n));
}

CString CString::SpanExcluding(const char* set) const {
    std::size_t n = 0;
    while (n < m_s.size() && !InSet(m_s[n], set))
        ++n;
    return CString(m_s.substr(0, n));
}

CString CString::Tokenize(const char* delims, int& start) const {
    if (start < 0 || start >= GetLength()) {
        start = -1;
        return CString();
    }
    std::size_t pos = static_cast<std::size_t>(start);
    while (pos < m_s.size() && InSet(m_s[pos], delims))
        ++pos;
    if (pos >= m_s.size()) {
        start = -1;
        return CString();
    }
    std::size_t end = pos;
    while (end < m_s.size() && !InSet(m_s[end], delims))
        ++end;
    start = static_cast<int>(end < m_s.size() ? end + 1 : end);
    return CString(m_s.substr(pos, end - pos));
}

int CString::Find(char ch, int start) const {
    if (start < 0 || start >= GetLength())
        return -1;
    auto pos = m_s.find(ch, static_cast<std::size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || start > GetLength())
        return -1;
    auto pos = m_s.find(sub, static_cast<std::size_t>(start));
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::ReverseFind(char ch) const {
    auto pos = m_s.rfind(ch);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

int CString::FindOneOf(const char* set) const {
    if (!set || !*set)
        return -1;
    auto pos = m_s.find_first_of(set);
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

void CString::MakeUpper() {
    for (char& c : m_s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
}

void CString::MakeLower() {
    for (char& c : m_s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
}

void CString::MakeReverse() {
    // Reverse whole characters so that a UTF-8 sequence stays intact.
    std::vector<std::string> chars;
    for (std::size_t i = 0; i < m_s.size();) {
        std::size_t j = i + 1;
        while (j < m_s.size() && (static_cast<unsigned char>(m_s[j]) & 0xC0) == 0x80)
            ++j;
        chars.emplace_back(m_s.substr(i, j - i));
        i = j;
    }
    std::string out;
    out.reserve(m_s.size());
    for (auto it = chars.rbegin(); it != chars.rend(); ++it)
        out += *it;
    m_s = std::move(out);
}

CString& CString::TrimLeft() {
    std::size_t n = 0;
    while (n < m_s.size() && IsSpace(m_s[n]))
        ++n;
    m_s.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(char ch) {
    std::size_t n = 0;
    while (n < m_s.size() && m_s[n] == ch)
        ++n;
    m_s.erase(0, n);
    return *this;
}

CString& CString::TrimLeft(const char* set) {
    std::size_t n = 0;
    while (n < m_s.size() && InSet(m_s[n], set))
        ++n;
    m_s.erase(0, n);
    return *this;
}

CString& CString::TrimRight() {
    while (!m_s.empty() && IsSpace(m_s.back()))
        m_s.pop_back();
    return *this;
}

CString& CString::TrimRight(char ch) {
    while (!m_s.empty() && m_s.back() == ch)
        m_s.pop_back();
    return *this;
}

CString& CString::TrimRight(const char* set) {
    while (!m_s.empty() && InSet(m_s.back(), set))
        m_s.pop_back();
    return *this;
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}
CString& CString::Trim(char ch) {
    return TrimRight(ch).TrimLeft(ch);
}
CString& CString::Trim(const char* set) {
    return TrimRight(set).TrimLeft(set);
}

int CString::Replace(char from, char to) {
    int n = 0;
    for (char& c : m_s)
        if (c == from) {
            c = to;
            ++n;
        }
    return n;
}

int CString::Replace(const char* from, const char* to) {
    if (!from || !*from)
        return 0;
    std::string_view f(from), t(to ? to : "");
    std::string out;
    int n = 0;
    std::size_t pos = 0;
    for (;;) {
        auto hit = m_s.find(f, pos);
        if (hit == std::string::npos)
            break;
        out.append(m_s, pos, hit - pos);
        out.append(t);
        pos = hit + f.size();
        ++n;
    }
    if (n) {
        out.append(m_s, pos, std::string::npos);
        m_s = std::move(out);
    }
    return n;
}

int CString::Remove(char ch) {
    auto old = m_s.size();
    m_s.erase(std::remove(m_s.begin(), m_s.end(), ch), m_s.end());
    return static_cast<int>(old - m_s.size());
}

int CString::Insert(int index, char ch) {
    index = Clamp(index, 0, GetLength());
    m_s.insert(m_s.begin() + index, ch);
    return GetLength();
}

int CString::Insert(int index, const char* s) {
    index = Clamp(index, 0, GetLength());
    if (s)
        m_s.insert(static_cast<std::size_t>(index), s);
    return GetLength();
}

int CString::Delete(int index, int count) {
    if (index < 0)
        index = 0;
    if (index < GetLength() && count > 0) {
        count = Clamp(count, 0, GetLength() - index);
        m_s.erase(static_cast<std::size_t>(index), static_cast<std::size_t>(count));
    }
    return GetLength();
}
