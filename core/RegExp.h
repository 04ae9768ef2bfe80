// CRegExp: a small backtracking regular-expression matcher. Syntax: literal characters, "." (any
// character), sets "[abc]", "[a-z]", "[^...]", groups "( )" (at most nine), alternatives "|", the
// anchors "^" and "$", the quantifiers "*", "+" and "?" after an atom, and "\" to take the next
// character literally.
//
// The pattern and the searched text are given in UTF-8 and matched on their code page 936 bytes, one
// byte at a time, as stored texts of the product database are compared: "." and a set match one
// byte. A Chinese character of the pattern is kept whole: a quantifier after it repeats the
// character, and its second byte is never taken for a metacharacter. A match is only tried
// from the start of a character (never inside a double-byte character), and Find returns an offset
// into the UTF-8 text it was given.
#pragma once

#include "platform/base/String.h"

#include <string>
#include <vector>

class CRegExp {
public:
    CRegExp() = default;
    virtual ~CRegExp() = default;

    // Returns this object when the pattern compiled, nullptr after a syntax error (no message).
    CRegExp* Compile(LPCTSTR pattern);
    // The UTF-8 byte offset of the first match in text, or -1 (also when nothing is compiled).
    int Find(LPCTSTR text);
    // The text matched by the last successful Find (empty after a failed one).
    CString GetLastMatch() const;

private:
    // Compiling
    int Reg(bool paren, int& flags);
    int Branch(int& flags);
    int Piece(int& flags);
    int Atom(int& flags);
    int Node(unsigned char op);
    void Emit(char c);
    void Insert(unsigned char op, int operand);
    void Tail(int p, int val);
    void OpTail(int p, int val);
    int Next(int p) const;
    bool DoubleByteAt(std::size_t i) const; // a Chinese character starts at pattern byte i
    // Matching
    bool Try(int start);
    bool Match(int prog, int depth);
    int Repeat(int node);

    bool m_compiled = false;
    std::string m_lastMatch; // code page 936 bytes
    int m_groupStart[10] = {};
    int m_groupEnd[10] = {};
    char m_firstChar = '\0';
    bool m_anchored = false;
    std::string m_required; // text every match contains
    std::vector<unsigned char> m_program;

    // Compile state
    std::string m_pattern;
    std::size_t m_parse = 0;
    int m_groupCount = 0;
    bool m_failed = false;

    // Match state (offsets into m_text)
    std::string m_text;
    int m_input = 0;
};
