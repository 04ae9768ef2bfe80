#include "platform/base/TextCodec.h"

#include <cerrno>
#include <cstdint>
#include <iconv.h>
#include <vector>

namespace vq {

namespace {

// One conversion descriptor per thread and direction, opened on first use and kept.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (m_cd != reinterpret_cast<iconv_t>(-1))
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts the whole input; onInvalid appends a replacement and tells how many input bytes to skip.
    template <class OnInvalid> std::string Convert(std::string_view in, OnInvalid onInvalid) {
        std::string out;
        if (m_cd == reinterpret_cast<iconv_t>(-1)) {
            out.assign(in);
            return out;
        }
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        out.reserve(in.size() * 3 / 2 + 4);
        char buffer[1024];
        const char* src = in.data();
        std::size_t srcLeft = in.size();
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            char* srcPtr = const_cast<char*>(src);
            std::size_t rc = iconv(m_cd, &srcPtr, &srcLeft, &dst, &dstLeft);
            int err = errno;
            out.append(buffer, static_cast<std::size_t>(dst - buffer));
            src = srcPtr;
            if (rc != static_cast<std::size_t>(-1))
                continue;
            if (err == E2BIG)
                continue;
            // EILSEQ (invalid or unmappable) or EINVAL (incomplete at the end).
            std::size_t skip = onInvalid(out, std::string_view(src, srcLeft), err == EINVAL);
            if (skip == 0 || skip > srcLeft)
                skip = srcLeft;
            src += skip;
            srcLeft -= skip;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        return out;
    }

private:
    iconv_t m_cd;
};

// Length of the UTF-8 sequence that starts with this byte (1 for a stray byte).
std::size_t Utf8SequenceLength(std::string_view text) {
    unsigned char b = static_cast<unsigned char>(text[0]);
    std::size_t len = b < 0x80             ? 1
                      : (b & 0xE0) == 0xC0 ? 2
                      : (b & 0xF0) == 0xE0 ? 3
                      : (b & 0xF8) == 0xF0 ? 4
                                           : 1;
    if (len > text.size())
        return 1;
    for (std::size_t i = 1; i < len; ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            return 1;
    return len;
}

bool HasNonAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// The sort key of each character of the Basic Multilingual Plane: its code page 936 bytes as one
// number (a single byte b as b << 8, a double byte as lead << 8 | trail, so that the numbers
// order as the bytes do), ASCII letters lower-cased; "?" for a character without such a form.
class SortKeyTable {
public:
    SortKeyTable() : m_keys(0x10000, static_cast<std::uint16_t>('?' << 8)) {
        for (std::uint32_t c = 0; c < 0x80; ++c)
            m_keys[c] = static_cast<std::uint16_t>((c >= 'A' && c <= 'Z' ? c + 32 : c) << 8);
        iconv_t cd = iconv_open("CP936", "UTF-8");
        if (cd == reinterpret_cast<iconv_t>(-1))
            return;
        for (std::uint32_t c = 0x80; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            char in[3];
            std::size_t inLeft = 0;
            if (c < 0x800) {
                in[0] = static_cast<char>(0xC0 | (c >> 6));
                in[1] = static_cast<char>(0x80 | (c & 0x3F));
                inLeft = 2;
            } else {
                in[0] = static_cast<char>(0xE0 | (c >> 12));
                in[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
                in[2] = static_cast<char>(0x80 | (c & 0x3F));
                inLeft = 3;
            }
            unsigned char out[4] = {};
            char* src = in;
            char* dst = reinterpret_cast<char*>(out);
            std::size_t outLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &src, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1))
                continue;
            const std::size_t written = sizeof out - outLeft;
            if (written == 1)
                m_keys[c] = static_cast<std::uint16_t>(out[0] << 8);
            else if (written == 2)
                m_keys[c] = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
        }
        iconv_close(cd);
    }
    std::uint16_t operator[](std::uint32_t c) const { return c < 0x10000 ? m_keys[c] : '?' << 8; }

private:
    std::vector<std::uint16_t> m_keys;
};

// The character at pos (advancing pos past it); a stray byte is U+FFFD's stand-in 0x110000.
std::uint32_t NextCharacter(std::string_view text, std::size_t& pos) {
    const std::size_t len = Utf8SequenceLength(text.substr(pos));
    const unsigned char lead = static_cast<unsigned char>(text[pos]);
    std::uint32_t c;
    if (len == 1)
        c = lead < 0x80 ? lead : 0x110000;
    else
        c = lead & (0x7F >> len);
    for (std::size_t i = 1; i < len; ++i)
        c = (c << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
    pos += len;
    return c;
}

} // namespace

int CompareSortText(std::string_view a, std::string_view b) {
    static const SortKeyTable keys;
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[j]);
        if (ca < 0x80 && cb < 0x80) { // the common case: two ASCII characters
            const int la = ca >= 'A' && ca <= 'Z' ? ca + 32 : ca;
            const int lb = cb >= 'A' && cb <= 'Z' ? cb + 32 : cb;
            if (la != lb)
                return la < lb ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        const std::uint32_t ka = keys[NextCharacter(a, i)];
        const std::uint32_t kb = keys[NextCharacter(b, j)];
        if (ka != kb)
            return ka < kb ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    return j < b.size() ? -1 : 0;
}

std::string Utf8ToGbk(std::string_view utf8) {
    if (!HasNonAscii(utf8))
        return std::string(utf8);
    thread_local Converter converter("CP936", "UTF-8");
    return converter.Convert(utf8, [](std::string& out, std::string_view rest, bool incomplete) {
        out += '?';
        if (incomplete)
            return rest.size(); // a sequence cut off at the end is one character
        // Skip the whole unmappable character, or the one stray byte.
        return IsValidUtf8(rest.substr(0, Utf8SequenceLength(rest))) ? Utf8SequenceLength(rest)
                                                                     : std::size_t{1};
    });
}

bool Utf8ToGb2312(std::string_view utf8, std::string& out) {
    if (!HasNonAscii(utf8)) {
        out.assign(utf8);
        return true;
    }
    thread_local Converter converter("GB2312", "UTF-8");
    bool complete = true;
    out = converter.Convert(utf8, [&complete](std::string&, std::string_view, bool) {
        complete = false;
        return std::size_t{0}; // the rest is of no use
    });
    return complete;
}

std::string Utf8ToGb18030(std::string_view utf8) {
    if (!HasNonAscii(utf8))
        return std::string(utf8);
    thread_local Converter converter("GB18030", "UTF-8");
    return converter.Convert(utf8, [](std::string& out, std::string_view rest, bool incomplete) {
        // Every character has a form: only a byte that is no UTF-8 gets here.
        out += '?';
        return incomplete ? rest.size() : std::size_t{1};
    });
}

std::size_t GbCharacterLength(std::string_view bytes, std::size_t pos) {
    if (pos >= bytes.size() || !IsGbkLeadByte(static_cast<unsigned char>(bytes[pos])) ||
        pos + 1 >= bytes.size())
        return 1;
    const auto second = static_cast<unsigned char>(bytes[pos + 1]);
    if (second >= '0' && second <= '9')
        return pos + 3 < bytes.size() ? 4 : bytes.size() - pos;
    return 2;
}

bool HasGbkForm(std::string_view utf8) {
    return !HasNonAscii(utf8) || GbkToUtf8(Utf8ToGbk(utf8)) == utf8;
}

std::string GbkToUtf8(std::string_view gbk) {
    if (!HasNonAscii(gbk))
        return std::string(gbk);
    thread_local Converter converter("UTF-8", "CP936");
    return converter.Convert(gbk, [](std::string& out, std::string_view, bool) {
        out += "\xEF\xBF\xBD";
        // Skip only the offending byte: a bad trail byte may itself be an ASCII character.
        return std::size_t{1};
    });
}

std::string_view TruncateToGbkBytes(std::string_view utf8, std::size_t maxBytes) {
    std::size_t used = 0;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t len = Utf8SequenceLength(utf8.substr(pos));
        std::size_t cost = len == 1 ? 1 : Utf8ToGbk(utf8.substr(pos, len)).size();
        if (used + cost > maxBytes)
            break;
        used += cost;
        pos += len;
    }
    return utf8.substr(0, pos);
}

void AppendUtf8Character(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

long DecodeUtf8Character(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<unsigned char>(text[pos]);
    const std::size_t length = lead < 0x80             ? 1
                               : (lead & 0xE0) == 0xC0 ? 2
                               : (lead & 0xF0) == 0xE0 ? 3
                               : (lead & 0xF8) == 0xF0 ? 4
                                                       : 0;
    if (length == 0 || pos + length > text.size()) {
        ++pos;
        return -1;
    }
    long code = length == 1 ? lead : lead & (0x3F >> (length - 1));
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return -1;
        }
        code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are not valid.
    static const long kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++pos;
        return -1;
    }
    pos += length;
    return code;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        if (static_cast<unsigned char>(text[pos]) < 0x80)
            ++pos; // the common case
        else if (DecodeUtf8Character(text, pos) < 0)
            return false;
    }
    return true;
}

std::string Cp936TextFault(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return "它是UTF-8文本(以UTF-8的字节顺序标记开头)";
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
        return "它是UTF-16文本(以UTF-16的字节顺序标记开头)";
    if (bytes.find('\0') != std::string_view::npos)
        return "它含有NUL字节(可能是UTF-16文本)";
    if (!HasNonAscii(bytes) || !IsValidUtf8(bytes))
        return std::string();
    // Well-formed UTF-8 of two-byte characters only (accented Latin letters) is well-formed code
    // page 936 as well, and stays that; a character of three bytes or more (every Chinese one)
    // decides it.
    for (std::size_t pos = 0; pos < bytes.size();) {
        if (static_cast<unsigned char>(bytes[pos]) >= 0xE0)
            return "它是UTF-8文本";
        pos += Utf8SequenceLength(bytes.substr(pos));
    }
    return std::string();
}

} // namespace vq
