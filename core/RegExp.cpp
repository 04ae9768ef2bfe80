#include "core/RegExp.h"

#include "platform/base/TextCodec.h"

#include <cstring>

namespace {

// Node operations.
enum : unsigned char {
    END = 0,
    BOL = 1,
    EOL = 2,
    ANY = 3,
    ANYOF = 4,
    ANYBUT = 5,
    BRANCH = 6,
    BACK = 7,
    EXACTLY = 8,
    NOTHING = 9,
    STAR = 10,
    PLUS = 11,
    OPEN = 20,  // OPEN + n, n = 1..9
    CLOSE = 30, // CLOSE + n
};

// Flags passed between the compiling steps.
constexpr int kWorst = 0;
constexpr int kHasWidth = 1; // cannot match the empty text
constexpr int kSimple = 2;   // matches exactly one character
constexpr int kSpStart = 4;  // starts with a piece repeated by "*" or "+"

constexpr const char* kMeta = "^$.[()|?+*\\";
constexpr int kNodeSize = 3;               // operation and 16-bit offset to the next node
constexpr std::size_t kMaxProgram = 32767; // offsets are 16 bits
constexpr int kMaxDepth = 20000;           // bounds the matcher's recursion on long texts

bool IsMult(char c) {
    return c == '*' || c == '+' || c == '?';
}

// The UTF-8 text as code page 936 bytes, with the start of every character marked.
struct Converted {
    std::string bytes;
    std::vector<int> utf8Offset; // per byte: the UTF-8 offset of its character start, or -1 inside one
};

Converted ToGbk(const char* text) {
    Converted c;
    std::string_view in(text);
    std::size_t i = 0;
    while (i < in.size()) {
        unsigned char b = static_cast<unsigned char>(in[i]);
        std::size_t len = b < 0x80             ? 1
                          : (b & 0xE0) == 0xC0 ? 2
                          : (b & 0xF0) == 0xE0 ? 3
                          : (b & 0xF8) == 0xF0 ? 4
                                               : 1;
        if (i + len > in.size())
            len = in.size() - i;
        std::string piece = len == 1 && b < 0x80 ? std::string(1, in[i]) : vq::Utf8ToGbk(in.substr(i, len));
        for (std::size_t k = 0; k < piece.size(); ++k)
            c.utf8Offset.push_back(k == 0 ? static_cast<int>(i) : -1);
        c.bytes += piece;
        i += len;
    }
    c.utf8Offset.push_back(static_cast<int>(in.size()));
    return c;
}

} // namespace

// ---- compiling

int CRegExp::Node(unsigned char op) {
    int at = static_cast<int>(m_program.size());
    m_program.push_back(op);
    m_program.push_back(0);
    m_program.push_back(0);
    return at;
}

void CRegExp::Emit(char c) {
    m_program.push_back(static_cast<unsigned char>(c));
}

// Inserts a node before the operand node (which is the last thing emitted).
void CRegExp::Insert(unsigned char op, int operand) {
    unsigned char node[kNodeSize] = {op, 0, 0};
    m_program.insert(m_program.begin() + operand, node, node + kNodeSize);
}

int CRegExp::Next(int p) const {
    int offset =
        (m_program[static_cast<std::size_t>(p) + 1] << 8) | m_program[static_cast<std::size_t>(p) + 2];
    if (offset == 0)
        return -1;
    return m_program[static_cast<std::size_t>(p)] == BACK ? p - offset : p + offset;
}

// Sets the next-pointer at the end of the node chain that starts at p.
void CRegExp::Tail(int p, int val) {
    int scan = p;
    for (int n = Next(scan); n >= 0; n = Next(scan))
        scan = n;
    int offset = m_program[static_cast<std::size_t>(scan)] == BACK ? scan - val : val - scan;
    if (offset < 0 || offset > 0xFFFF) {
        m_failed = true;
        return;
    }
    m_program[static_cast<std::size_t>(scan) + 1] = static_cast<unsigned char>(offset >> 8);
    m_program[static_cast<std::size_t>(scan) + 2] = static_cast<unsigned char>(offset & 0xFF);
}

// Tail on the operand of a BRANCH; nothing for other nodes.
void CRegExp::OpTail(int p, int val) {
    if (p < 0 || m_program[static_cast<std::size_t>(p)] != BRANCH)
        return;
    Tail(p + kNodeSize, val);
}

// An expression: alternatives, each ended by the closing node (END, or CLOSE of the group).
int CRegExp::Reg(bool paren, int& flags) {
    flags = kHasWidth;
    int ret = -1;
    int group = 0;
    if (paren) {
        if (m_groupCount >= 10)
            return -1; // at most nine groups
        group = m_groupCount++;
        ret = Node(static_cast<unsigned char>(OPEN + group));
    }
    int branchFlags;
    int br = Branch(branchFlags);
    if (br < 0)
        return -1;
    if (ret >= 0)
        Tail(ret, br);
    else
        ret = br;
    if (!(branchFlags & kHasWidth))
        flags &= ~kHasWidth;
    flags |= branchFlags & kSpStart;
    while (m_parse < m_pattern.size() && m_pattern[m_parse] == '|') {
        ++m_parse;
        br = Branch(branchFlags);
        if (br < 0)
            return -1;
        Tail(ret, br);
        if (!(branchFlags & kHasWidth))
            flags &= ~kHasWidth;
        flags |= branchFlags & kSpStart;
    }
    int ender = Node(paren ? static_cast<unsigned char>(CLOSE + group) : static_cast<unsigned char>(END));
    Tail(ret, ender);
    for (int b = ret; b >= 0; b = Next(b))
        OpTail(b, ender);
    if (paren) {
        if (m_parse >= m_pattern.size() || m_pattern[m_parse] != ')')
            return -1; // "(" without ")"
        ++m_parse;
    } else if (m_parse < m_pattern.size()) {
        return -1; // a ")" without "(", or characters left over
    }
    return m_failed ? -1 : ret;
}

// One alternative: a BRANCH node followed by its pieces.
int CRegExp::Branch(int& flags) {
    flags = kWorst;
    int ret = Node(BRANCH);
    int chain = -1;
    while (m_parse < m_pattern.size() && m_pattern[m_parse] != '|' && m_pattern[m_parse] != ')') {
        int pieceFlags;
        int latest = Piece(pieceFlags);
        if (latest < 0)
            return -1;
        flags |= pieceFlags & kHasWidth;
        if (chain < 0)
            flags |= pieceFlags & kSpStart;
        else
            Tail(chain, latest);
        chain = latest;
    }
    if (chain < 0)
        Node(NOTHING);
    return ret;
}

// An atom with its quantifier.
int CRegExp::Piece(int& flags) {
    int atomFlags;
    int ret = Atom(atomFlags);
    if (ret < 0)
        return -1;
    char op = m_parse < m_pattern.size() ? m_pattern[m_parse] : '\0';
    if (!IsMult(op)) {
        flags = atomFlags;
        return ret;
    }
    if (!(atomFlags & kHasWidth) && op != '?')
        return -1; // "*" or "+" on something that can match the empty text
    flags = op == '*' ? (kWorst | kSpStart) : op == '+' ? (kHasWidth | kSpStart) : kWorst;

    if (op == '*' && (atomFlags & kSimple)) {
        Insert(STAR, ret);
    } else if (op == '*') {
        // x* becomes a loop: BRANCH (x BACK) BRANCH (NOTHING).
        Insert(BRANCH, ret);
        OpTail(ret, Node(BACK));
        OpTail(ret, ret);
        Tail(ret, Node(BRANCH));
        Tail(ret, Node(NOTHING));
    } else if (op == '+' && (atomFlags & kSimple)) {
        Insert(PLUS, ret);
    } else if (op == '+') {
        // x+ becomes x followed by the loop BRANCH (BACK to x) BRANCH (NOTHING).
        int next = Node(BRANCH);
        Tail(ret, next);
        Tail(Node(BACK), ret);
        Tail(next, Node(BRANCH));
        Tail(ret, Node(NOTHING));
    } else {
        // x? becomes BRANCH (x) BRANCH (NOTHING).
        Insert(BRANCH, ret);
        Tail(ret, Node(BRANCH));
        int next = Node(NOTHING);
        Tail(ret, next);
        OpTail(ret, next);
    }
    ++m_parse;
    if (m_parse < m_pattern.size() && IsMult(m_pattern[m_parse]))
        return -1; // a quantifier after a quantifier
    return m_failed ? -1 : ret;
}

bool CRegExp::DoubleByteAt(std::size_t i) const {
    return i + 1 < m_pattern.size() && vq::IsGbkLeadByte(static_cast<unsigned char>(m_pattern[i]));
}

int CRegExp::Atom(int& flags) {
    flags = kWorst;
    char c = m_pattern[m_parse++];
    int ret;
    switch (c) {
    case '^':
        ret = Node(BOL);
        break;
    case '$':
        ret = Node(EOL);
        break;
    case '.':
        ret = Node(ANY);
        flags |= kHasWidth | kSimple;
        break;
    case '[': {
        auto at = [this](std::size_t i) { return i < m_pattern.size() ? m_pattern[i] : '\0'; };
        if (at(m_parse) == '^') {
            ret = Node(ANYBUT);
            ++m_parse;
        } else {
            ret = Node(ANYOF);
        }
        if (at(m_parse) == ']' || at(m_parse) == '-')
            Emit(m_pattern[m_parse++]);
        while (at(m_parse) != '\0' && at(m_parse) != ']') {
            if (at(m_parse) == '-') {
                ++m_parse;
                if (at(m_parse) == ']' || at(m_parse) == '\0') {
                    Emit('-');
                } else {
                    int from = static_cast<signed char>(m_pattern[m_parse - 2]);
                    int to = static_cast<signed char>(m_pattern[m_parse]);
                    if (from > to)
                        return -1; // a range whose start lies above its end
                    for (int ch = from + 1; ch <= to; ++ch)
                        if (ch != 0)
                            Emit(static_cast<char>(ch));
                    ++m_parse;
                }
            } else {
                if (DoubleByteAt(m_parse))
                    Emit(m_pattern[m_parse++]); // both bytes of a Chinese character join the set
                Emit(m_pattern[m_parse++]);
            }
        }
        Emit('\0');
        if (at(m_parse) != ']')
            return -1; // the set is not closed
        ++m_parse;
        flags |= kHasWidth | kSimple;
        break;
    }
    case '(': {
        int groupFlags;
        ret = Reg(true, groupFlags);
        if (ret < 0)
            return -1;
        flags |= groupFlags & (kHasWidth | kSpStart);
        break;
    }
    case '?':
    case '+':
    case '*':
        return -1; // a quantifier that follows nothing
    case '\\':
        if (m_parse >= m_pattern.size())
            return -1; // "\" at the end of the pattern
        ret = Node(EXACTLY);
        flags |= kHasWidth;
        if (DoubleByteAt(m_parse))
            Emit(m_pattern[m_parse++]);
        else
            flags |= kSimple;
        Emit(m_pattern[m_parse++]);
        Emit('\0');
        break;
    default: {
        // A run of literal characters up to the next metacharacter. The second byte of a Chinese
        // character may have the value of a metacharacter ("[", "\", "|"...): it is part of the run.
        --m_parse;
        std::size_t len = 0, last = 0;
        while (m_parse + len < m_pattern.size()) {
            if (DoubleByteAt(m_parse + len)) {
                last = len;
                len += 2;
            } else if (std::strchr(kMeta, m_pattern[m_parse + len])) {
                break;
            } else {
                last = len++;
            }
        }
        if (len == 0)
            return -1;
        char ender = m_pattern.c_str()[m_parse + len];
        if (last > 0 && IsMult(ender))
            len = last; // the last character is the quantifier's operand
        flags |= kHasWidth;
        if (len == 1)
            flags |= kSimple;
        ret = Node(EXACTLY);
        for (std::size_t i = 0; i < len; ++i)
            Emit(m_pattern[m_parse++]);
        Emit('\0');
        break;
    }
    }
    if (m_program.size() > kMaxProgram)
        return -1;
    return ret;
}

CRegExp* CRegExp::Compile(LPCTSTR pattern) {
    m_compiled = false;
    m_program.clear();
    m_lastMatch.clear();
    m_firstChar = '\0';
    m_anchored = false;
    m_required.clear();
    if (!pattern)
        return nullptr;
    m_pattern = ToGbk(pattern).bytes;
    m_parse = 0;
    m_groupCount = 1;
    m_failed = false;
    int flags;
    if (Reg(false, flags) < 0 || m_failed || m_program.size() > kMaxProgram) {
        m_program.clear();
        return nullptr;
    }
    // With a single top-level alternative, note what every match must start with or contain.
    int first = 0; // the first BRANCH
    int next = Next(first);
    if (next >= 0 && m_program[static_cast<std::size_t>(next)] == END) {
        int scan = first + kNodeSize;
        if (m_program[static_cast<std::size_t>(scan)] == EXACTLY)
            m_firstChar = static_cast<char>(m_program[static_cast<std::size_t>(scan) + kNodeSize]);
        else if (m_program[static_cast<std::size_t>(scan)] == BOL)
            m_anchored = true;
        if (flags & kSpStart) {
            std::size_t longest = 0;
            for (; scan >= 0; scan = Next(scan)) {
                if (m_program[static_cast<std::size_t>(scan)] != EXACTLY)
                    continue;
                const char* run = reinterpret_cast<const char*>(m_program.data()) + scan + kNodeSize;
                std::size_t len = std::strlen(run);
                if (len >= longest) {
                    longest = len;
                    m_required.assign(run, len);
                }
            }
        }
    }
    m_compiled = true;
    return this;
}

// ---- matching

int CRegExp::Find(LPCTSTR text) {
    m_lastMatch.clear();
    if (!text || !m_compiled)
        return -1;
    Converted converted = ToGbk(text);
    m_text = std::move(converted.bytes);
    if (!m_required.empty() && m_text.find(m_required) == std::string::npos)
        return -1;
    const int size = static_cast<int>(m_text.size());
    for (int start = 0; start <= size; ++start) {
        if (converted.utf8Offset[static_cast<std::size_t>(start)] < 0)
            continue; // inside a double-byte character
        if (m_firstChar != '\0' && m_text[static_cast<std::size_t>(start)] != m_firstChar)
            continue;
        if (Try(start)) {
            m_lastMatch = m_text.substr(static_cast<std::size_t>(m_groupStart[0]),
                                        static_cast<std::size_t>(m_groupEnd[0] - m_groupStart[0]));
            return converted.utf8Offset[static_cast<std::size_t>(start)];
        }
        if (m_anchored)
            break;
    }
    return -1;
}

CString CRegExp::GetLastMatch() const {
    return CString(vq::GbkToUtf8(m_lastMatch));
}

bool CRegExp::Try(int start) {
    for (int i = 0; i < 10; ++i)
        m_groupStart[i] = m_groupEnd[i] = -1;
    m_input = start;
    if (!Match(0, 0))
        return false;
    m_groupStart[0] = start;
    m_groupEnd[0] = m_input;
    return true;
}

bool CRegExp::Match(int prog, int depth) {
    if (depth > kMaxDepth)
        return false;
    auto opnd = [this](int node) {
        return reinterpret_cast<const char*>(m_program.data()) + node + kNodeSize;
    };
    auto input = [this]() { return m_text.c_str()[m_input]; };
    int scan = prog;
    while (scan >= 0) {
        int next = Next(scan);
        unsigned char op = m_program[static_cast<std::size_t>(scan)];
        switch (op) {
        case BOL:
            if (m_input != 0)
                return false;
            break;
        case EOL:
            if (input() != '\0')
                return false;
            break;
        case ANY:
            if (input() == '\0')
                return false;
            ++m_input;
            break;
        case EXACTLY: {
            const char* run = opnd(scan);
            std::size_t len = std::strlen(run);
            if (m_text.compare(static_cast<std::size_t>(m_input), len, run, len) != 0)
                return false;
            m_input += static_cast<int>(len);
            break;
        }
        case ANYOF:
            if (input() == '\0' || !std::strchr(opnd(scan), input()))
                return false;
            ++m_input;
            break;
        case ANYBUT:
            if (input() == '\0' || std::strchr(opnd(scan), input()))
                return false;
            ++m_input;
            break;
        case NOTHING:
        case BACK:
            break;
        case BRANCH: {
            if (next < 0 || m_program[static_cast<std::size_t>(next)] != BRANCH) {
                next = scan + kNodeSize; // a single alternative: no choice to make
                break;
            }
            do {
                int save = m_input;
                if (Match(scan + kNodeSize, depth + 1))
                    return true;
                m_input = save;
                scan = Next(scan);
            } while (scan >= 0 && m_program[static_cast<std::size_t>(scan)] == BRANCH);
            return false;
        }
        case STAR:
        case PLUS: {
            // The next literal character, when known, rules out counts it would not follow.
            char nextChar =
                next >= 0 && m_program[static_cast<std::size_t>(next)] == EXACTLY ? *opnd(next) : '\0';
            int min = op == STAR ? 0 : 1;
            int save = m_input;
            int count = Repeat(scan + kNodeSize);
            while (count >= min) {
                m_input = save + count;
                if (nextChar == '\0' || input() == nextChar) {
                    if (Match(next, depth + 1))
                        return true;
                }
                --count;
            }
            m_input = save;
            return false;
        }
        case END:
            return true;
        default:
            if (op > OPEN && op < OPEN + 10) {
                int n = op - OPEN;
                int save = m_input;
                if (!Match(next, depth + 1))
                    return false;
                // The first successful path sets the group.
                if (m_groupStart[n] < 0)
                    m_groupStart[n] = save;
                return true;
            }
            if (op > CLOSE && op < CLOSE + 10) {
                int n = op - CLOSE;
                int save = m_input;
                if (!Match(next, depth + 1))
                    return false;
                if (m_groupEnd[n] < 0)
                    m_groupEnd[n] = save;
                return true;
            }
            return false; // not a node of this program
        }
        scan = next;
    }
    return false;
}

// How often the simple node matches from the current input, going as far as it can.
int CRegExp::Repeat(int node) {
    const char* operand = reinterpret_cast<const char*>(m_program.data()) + node + kNodeSize;
    const char* s = m_text.c_str() + m_input;
    const char* start = s;
    switch (m_program[static_cast<std::size_t>(node)]) {
    case ANY:
        s += std::strlen(s);
        break;
    case EXACTLY:
        while (*s && *operand == *s)
            ++s;
        break;
    case ANYOF:
        while (*s && std::strchr(operand, *s))
            ++s;
        break;
    case ANYBUT:
        while (*s && !std::strchr(operand, *s))
            ++s;
        break;
    default:
        break;
    }
    return static_cast<int>(s - start);
}
