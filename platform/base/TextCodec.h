// Conversion between the UTF-8 text of memory and code page 936 (GBK), the encoding of the
// settings file, the special-characters file, import text files and text exports; and to GB2312
// and GB18030, the charsets of outgoing mail. Nothing else in the system converts text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vq {

// UTF-8 to code page 936. A character that has no code page 936 form, and a byte that is not part
// of valid UTF-8, becomes "?" (as the system's own conversion writes an unmappable character).
std::string Utf8ToGbk(std::string_view utf8);

// True when every character of the UTF-8 text has a code page 936 form, so that the text reaches a
// file or a server in that code page as itself and comes back unchanged ("é" does; "e" followed by
// U+0301, the ligature "ﬁ" and a byte that is no UTF-8 do not).
bool HasGbkForm(std::string_view utf8);

// Code page 936 to UTF-8. A byte that does not start a valid character (a stray trail byte, a lead
// byte cut off at the end) becomes U+FFFD; the text after it is converted normally.
std::string GbkToUtf8(std::string_view gbk);

// The longest prefix of the UTF-8 text whose code page 936 form takes at most maxBytes bytes.
// Used where a buffer limit of the code page 936 world is visible behaviour; no character is split.
std::string_view TruncateToGbkBytes(std::string_view utf8, std::size_t maxBytes);

// True when the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The code point of the well-formed UTF-8 character at pos, advancing pos past it; -1, advancing
// one byte, where the bytes there start none (a stray or cut sequence, an overlong form, a
// surrogate, a value past U+10FFFF).
long DecodeUtf8Character(std::string_view text, std::size_t& pos);

// Appends the UTF-8 form of a code point (at most U+10FFFF).
void AppendUtf8Character(std::string& out, unsigned long code);

// Compares two UTF-8 texts as lists sort and search them: by their code page 936 bytes, ASCII
// letters without regard to case (so 箱 comes before 支, 阀 before 减, "abc" equals "ABC"). A
// character without a code page 936 form, and a byte that is not valid UTF-8, counts as "?".
// The texts are compared character by character through a table built once, so a large sort
// converts nothing. <0, 0 or >0.
int CompareSortText(std::string_view a, std::string_view b);

// UTF-8 to GB2312 (EUC-CN): true, with the bytes in out, when every character of the text has a
// GB2312 form; false (out undefined) when one has none (镕, 喆, 堃, "—", "·") or a byte is no UTF-8.
bool Utf8ToGb2312(std::string_view utf8, std::string& out);

// UTF-8 to GB18030, which has a form for every Unicode character (a superset of code page 936 in
// its one- and two-byte forms, four bytes for the rest). A byte that is not valid UTF-8 becomes "?".
std::string Utf8ToGb18030(std::string_view utf8);

// The length of the character that starts at pos of code page 936 or GB18030 bytes: 4 for a
// GB18030 four-byte form (a lead byte, then a digit), 2 for another lead byte with a byte after
// it, else 1. Text of either charset is cut between characters by stepping with it.
std::size_t GbCharacterLength(std::string_view bytes, std::size_t pos);

// Why the bytes of a file are not code page 936 text, in words for the person who saved it (in
// Chinese); empty when they may well be. Certain: a UTF-8 or UTF-16 byte order mark, a NUL byte
// (text of two bytes a character). Near certain: well-formed UTF-8 that holds a character of three
// or four bytes, as every Chinese character is (code page 936 text almost never is well-formed
// UTF-8). Text of ASCII only, or of two-byte UTF-8 characters only, is well-formed in both and
// passes.
std::string Cp936TextFault(std::string_view bytes);

// Whether the byte can start a double-byte character of code page 936.
inline bool IsGbkLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

} // namespace vq
