#include "platform/db/SqlDialect.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <regex>
#include <unordered_map>

namespace vq::db {
namespace {

// One token of a statement; a parenthesised group holds its inner tokens. Raw holds text that a
// rewrite produced.
struct Node {
    enum Kind { Word, Str, Num, Punct, Space, Group, QIdent, Raw };
    Kind kind;
    std::string text;
    std::vector<Node> children;
};
using Nodes = std::vector<Node>;

bool IsWordChar(unsigned char ch) {
    return std::isalnum(ch) || ch == '_' || ch == '$' || ch == '#' || ch == '@' || ch >= 0x80;
}

// The end of the quoted text that starts at `pos` ('...', "..." or [...]; within the first two a
// doubled quote stands for itself): the position after its closing quote, or the end of the text.
std::size_t QuotedEnd(std::string_view s, std::size_t pos) {
    const char close = s[pos] == '[' ? ']' : s[pos];
    ++pos;
    while (pos < s.size()) {
        if (s[pos] == close) {
            if (close != ']' && pos + 1 < s.size() && s[pos + 1] == close) {
                pos += 2;
                continue;
            }
            return pos + 1;
        }
        ++pos;
    }
    return pos;
}

Nodes Tokenize(std::string_view s, std::size_t& pos, bool inGroup) {
    Nodes out;
    while (pos < s.size()) {
        unsigned char ch = static_cast<unsigned char>(s[pos]);
        std::size_t start = pos;
        if (std::isspace(ch)) {
            while (pos < s.size() && std::isspace(static_cast<unsigned char>(s[pos])))
                ++pos;
            out.push_back({Node::Space, std::string(s.substr(start, pos - start)), {}});
        } else if (ch == '-' && pos + 1 < s.size() && s[pos + 1] == '-') {
            while (pos < s.size() && s[pos] != '\n')
                ++pos;
            out.push_back({Node::Space, std::string(s.substr(start, pos - start)), {}});
        } else if (ch == '/' && pos + 1 < s.size() && s[pos + 1] == '*') {
            std::size_t end = s.find("*/", pos + 2);
            pos = end == std::string_view::npos ? s.size() : end + 2;
            out.push_back({Node::Space, std::string(s.substr(start, pos - start)), {}});
        } else if (ch == '\'' || ch == '"' || ch == '[') {
            pos = QuotedEnd(s, pos);
            out.push_back(
                {ch == '\'' ? Node::Str : Node::QIdent, std::string(s.substr(start, pos - start)), {}});
        } else if (std::isdigit(ch) ||
                   (ch == '.' && pos + 1 < s.size() && std::isdigit((unsigned char)s[pos + 1]))) {
            while (pos < s.size() && (std::isalnum(static_cast<unsigned char>(s[pos])) || s[pos] == '.'))
                ++pos;
            out.push_back({Node::Num, std::string(s.substr(start, pos - start)), {}});
        } else if (IsWordChar(ch)) {
            while (pos < s.size() && IsWordChar(static_cast<unsigned char>(s[pos])))
                ++pos;
            out.push_back({Node::Word, std::string(s.substr(start, pos - start)), {}});
        } else if (ch == '(') {
            ++pos;
            Node group{Node::Group, {}, Tokenize(s, pos, true)};
            out.push_back(std::move(group));
        } else if (ch == ')' && inGroup) {
            ++pos;
            return out;
        } else {
            ++pos;
            out.push_back({Node::Punct, std::string(1, static_cast<char>(ch)), {}});
        }
    }
    return out;
}

std::string Serialize(const Nodes& nodes);

std::string Serialize(const Node& node) {
    if (node.kind == Node::Group)
        return "(" + Serialize(node.children) + ")";
    return node.text;
}

std::string Serialize(const Nodes& nodes) {
    std::string out;
    for (const Node& n : nodes)
        out += Serialize(n);
    return out;
}

std::string Trim(std::string s) {
    std::size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
        return {};
    std::size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Whether a word of a statement is `lower` (a keyword written in lower case), in any case.
bool WordIs(std::string_view word, std::string_view lower) {
    return word.size() == lower.size() && std::equal(word.begin(), word.end(), lower.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

bool IsWord(const Node& n, const char* word) {
    return n.kind == Node::Word && WordIs(n.text, word);
}
bool IsPunct(const Node& n, char ch) {
    return n.kind == Node::Punct && n.text[0] == ch;
}

// Index of the next token that is not blank, from i on; size() when none.
std::size_t NextSig(const Nodes& v, std::size_t i) {
    while (i < v.size() && v[i].kind == Node::Space)
        ++i;
    return i;
}
std::size_t PrevSig(const Nodes& v, std::size_t i) {
    while (i > 0) {
        --i;
        if (v[i].kind != Node::Space)
            return i;
    }
    return v.size();
}

std::vector<std::size_t> SigIndexes(const Nodes& v) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (v[i].kind != Node::Space)
            out.push_back(i);
    return out;
}

Nodes Slice(const Nodes& v, std::size_t from, std::size_t to) {
    return Nodes(v.begin() + static_cast<long>(from), v.begin() + static_cast<long>(std::min(to, v.size())));
}

// Splits at top-level tokens that match the predicate.
template <class Pred> std::vector<Nodes> SplitAt(const Nodes& v, Pred isSeparator) {
    std::vector<Nodes> parts(1);
    for (const Node& n : v) {
        if (isSeparator(n))
            parts.emplace_back();
        else
            parts.back().push_back(n);
    }
    return parts;
}

bool IsPlusGroup(const Node& n) {
    if (n.kind != Node::Group)
        return false;
    auto sig = SigIndexes(n.children);
    return sig.size() == 1 && IsPunct(n.children[sig[0]], '+');
}

Node RawNode(std::string text) {
    return {Node::Raw, std::move(text), {}};
}

constexpr const char* kNow = "datetime('now','localtime')";
// PostgreSQL: the same text, from the session's local time.
constexpr const char* kPgNow = "to_char(statement_timestamp(), 'YYYY-MM-DD HH24:MI:SS')";

// The PostgreSQL to_char format for the Oracle format, with the fields StrftimeFormat knows (hh
// is the hour of 24, as there); other letters are quoted so that they stay literal.
std::string PgDateFormat(const std::string& oracleFormat) {
    static const std::pair<const char*, const char*> kFields[] = {
        {"yyyy", "YYYY"}, {"hh24", "HH24"}, {"yy", "YY"}, {"mm", "MM"},
        {"dd", "DD"},     {"hh", "HH24"},   {"mi", "MI"}, {"ss", "SS"}};
    std::string lower = Lower(oracleFormat), out;
    for (std::size_t i = 0; i < oracleFormat.size();) {
        bool matched = false;
        for (const auto& [field, pg] : kFields) {
            if (lower.compare(i, std::strlen(field), field) == 0) {
                out += pg;
                i += std::strlen(field);
                matched = true;
                break;
            }
        }
        if (matched)
            continue;
        char ch = oracleFormat[i++];
        if (std::isalpha(static_cast<unsigned char>(ch)))
            out += std::string("\"") + ch + "\"";
        else if (ch == '"' || ch == '\\')
            out += std::string("\\") + ch;
        else
            out += ch;
    }
    return out;
}

// A text or time value as a timestamp (text columns hold times as 'yyyy-mm-dd hh:mi:ss').
std::string PgTimestamp(const std::string& value) {
    return "CAST(CAST(" + value + " AS TEXT) AS TIMESTAMP)";
}

std::string StrftimeFormat(const std::string& oracleFormat) {
    std::string f = oracleFormat, out;
    std::string lower = Lower(f);
    for (std::size_t i = 0; i < f.size();) {
        auto starts = [&](const char* p) { return lower.compare(i, std::strlen(p), p) == 0; };
        if (starts("yyyy")) {
            out += "%Y";
            i += 4;
        } else if (starts("hh24")) {
            out += "%H";
            i += 4;
        } else if (starts("yy")) {
            out += "%y";
            i += 2;
        } else if (starts("mm")) {
            out += "%m";
            i += 2;
        } else if (starts("dd")) {
            out += "%d";
            i += 2;
        } else if (starts("hh")) {
            out += "%H";
            i += 2;
        } else if (starts("mi")) {
            out += "%M";
            i += 2;
        } else if (starts("ss")) {
            out += "%S";
            i += 2;
        } else if (f[i] == '%') {
            out += "%%";
            ++i;
        } else {
            out += f[i++];
        }
    }
    return out;
}

// Unquoted content of a string token ('a''b' -> a'b).
std::string StringContent(const std::string& token) {
    std::string inner = token.size() >= 2 ? token.substr(1, token.size() - 2) : std::string();
    std::string out;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        out += inner[i];
        if (inner[i] == '\'' && i + 1 < inner.size() && inner[i + 1] == '\'')
            ++i;
    }
    return out;
}

std::string QuoteString(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

std::vector<std::string> GroupArguments(const Node& group) {
    std::vector<std::string> args;
    for (const Nodes& part : SplitAt(group.children, [](const Node& n) { return IsPunct(n, ','); }))
        args.push_back(Trim(Serialize(part)));
    if (args.size() == 1 && args[0].empty())
        args.clear();
    return args;
}

std::optional<std::string> DatePartFormat(std::string part) {
    static const std::map<std::string, std::string> kParts = {
        {"yy", "%Y"}, {"yyyy", "%Y"},   {"year", "%Y"}, {"mm", "%m"}, {"m", "%m"},     {"month", "%m"},
        {"dd", "%d"}, {"d", "%d"},      {"day", "%d"},  {"hh", "%H"}, {"hour", "%H"},  {"mi", "%M"},
        {"n", "%M"},  {"minute", "%M"}, {"ss", "%S"},   {"s", "%S"},  {"second", "%S"}};
    auto it = kParts.find(Lower(part));
    if (it == kParts.end())
        return std::nullopt;
    return it->second;
}

// The Oracle field for a strftime field of DatePartFormat.
std::string StrftimeToOracle(const std::string& fmt) {
    static const std::map<std::string, std::string> kFields = {{"%Y", "yyyy"}, {"%m", "mm"}, {"%d", "dd"},
                                                               {"%H", "hh24"}, {"%M", "mi"}, {"%S", "ss"}};
    auto it = kFields.find(fmt);
    return it == kFields.end() ? fmt : it->second;
}

// getdate(), sysdate, DATEPART, TO_CHAR, FROM DUAL and rtrim at one level.
void RewriteFunctions(Nodes& v, Engine engine) {
    const bool pg = engine == Engine::PostgreSQL;
    Nodes out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        Node& n = v[i];
        if (n.kind != Node::Word) {
            out.push_back(std::move(n));
            continue;
        }
        std::size_t next = NextSig(v, i + 1);
        bool callFollows = next < v.size() && v[next].kind == Node::Group;
        // The tokens before i have moved to out already.
        std::size_t prev = PrevSig(out, out.size());
        bool qualified = prev < out.size() && IsPunct(out[prev], '.');
        if (qualified) {
            out.push_back(std::move(n));
            continue;
        }
        if (IsWord(n, "getdate") && callFollows && GroupArguments(v[next]).empty()) {
            out.push_back(RawNode(pg ? kPgNow : kNow));
            i = next;
        } else if (IsWord(n, "sysdate") && !callFollows) {
            out.push_back(RawNode(pg ? kPgNow : kNow));
        } else if (IsWord(n, "datepart") && callFollows) {
            auto args = GroupArguments(v[next]);
            std::optional<std::string> fmt;
            if (args.size() == 2)
                fmt = DatePartFormat(args[0]);
            if (!fmt) {
                out.push_back(std::move(n));
                continue;
            }
            if (pg)
                out.push_back(RawNode("CAST(to_char(" + PgTimestamp(args[1]) + ", '" +
                                      PgDateFormat(StrftimeToOracle(*fmt)) + "') AS INTEGER)"));
            else
                out.push_back(RawNode("CAST(strftime('" + *fmt + "', " + args[1] + ") AS INTEGER)"));
            i = next;
        } else if (IsWord(n, "to_char") && callFollows) {
            auto args = GroupArguments(v[next]);
            const Nodes& inner = v[next].children;
            auto sig = SigIndexes(inner);
            if (args.size() == 1) {
                out.push_back(RawNode("CAST(" + args[0] + " AS TEXT)"));
            } else if (args.size() == 2 && !sig.empty() && inner[sig.back()].kind == Node::Str) {
                std::string oracle = StringContent(inner[sig.back()].text);
                if (pg)
                    out.push_back(RawNode("to_char(" + PgTimestamp(args[0]) + ", " +
                                          QuoteString(PgDateFormat(oracle)) + ")"));
                else
                    out.push_back(
                        RawNode("strftime(" + QuoteString(StrftimeFormat(oracle)) + ", " + args[0] + ")"));
            } else {
                out.push_back(std::move(n));
                continue;
            }
            i = next;
        } else if (IsWord(n, "from") && next < v.size() && IsWord(v[next], "dual")) {
            std::size_t after = NextSig(v, next + 1);
            if (after < v.size() && IsPunct(v[after], '.')) {
                out.push_back(std::move(n));
                continue;
            }
            i = next; // drop "FROM DUAL"
        } else if (pg && IsWord(n, "group_concat") && callFollows && !GroupArguments(v[next]).empty() &&
                   GroupArguments(v[next]).size() <= 2) {
            auto args = GroupArguments(v[next]);
            out.push_back(RawNode("string_agg(CAST(" + args[0] + " AS TEXT), " +
                                  (args.size() == 2 ? args[1] : std::string("','")) + ")"));
            i = next;
        } else if (IsWord(n, "rtrim") && callFollows) {
            std::size_t after = NextSig(v, next + 1);
            bool collated = after < v.size() && IsWord(v[after], "collate");
            if (pg) {
                // rtrim gives text, which compares with regard to case; citext does not.
                if (collated)
                    out.push_back(std::move(n));
                else
                    out.push_back(RawNode("CAST(" + n.text + Serialize(v[next]) + " AS CITEXT)"));
                for (std::size_t k = i + 1; collated && k <= next; ++k)
                    out.push_back(std::move(v[k]));
                i = next;
                continue;
            }
            out.push_back(std::move(n));
            for (std::size_t k = i + 1; k <= next; ++k)
                out.push_back(std::move(v[k]));
            if (!(after < v.size() && IsWord(v[after], "collate")))
                out.push_back(RawNode(" COLLATE NOCASE"));
            i = next;
        } else {
            out.push_back(std::move(n));
        }
    }
    v = std::move(out);
}

bool IsClauseEnd(const Node& n) {
    static const char* kWords[] = {"group",  "order", "having", "union",  "intersect",
                                   "except", "minus", "start",  "connect"};
    for (const char* w : kWords)
        if (IsWord(n, w))
            return true;
    return false;
}

std::size_t FindWord(const Nodes& v, const char* word, std::size_t from = 0) {
    for (std::size_t i = from; i < v.size(); ++i)
        if (IsWord(v[i], word))
            return i;
    return v.size();
}

// The alias of a FROM item ("Table t", "Table AS t", "(subquery) d", "Table").
std::string ItemAlias(const Nodes& item) {
    auto sig = SigIndexes(item);
    if (sig.empty())
        return {};
    const Node& last = item[sig.back()];
    if (last.kind == Node::Word)
        return Lower(last.text);
    return {};
}

// "FROM a x, b y WHERE x.c = y.d(+)" -> "FROM a x LEFT JOIN b y ON x.c = y.d".
void RewriteOuterJoins(Nodes& v) {
    std::size_t from = FindWord(v, "from");
    std::size_t where = FindWord(v, "where", from);
    if (from == v.size() || where == v.size())
        return;
    std::size_t end = where + 1;
    while (end < v.size() && !IsClauseEnd(v[end]))
        ++end;
    bool hasPlus = false;
    for (std::size_t i = where; i < end; ++i)
        hasPlus = hasPlus || IsPlusGroup(v[i]);
    if (!hasPlus)
        return;
    Nodes fromList = Slice(v, from + 1, where);
    Nodes whereList = Slice(v, where + 1, end);
    for (const Node& n : fromList)
        if (IsWord(n, "join"))
            return;
    for (const Node& n : whereList)
        if (IsWord(n, "or") || IsWord(n, "between"))
            return;

    std::vector<Nodes> items = SplitAt(fromList, [](const Node& n) { return IsPunct(n, ','); });
    std::vector<Nodes> conjuncts = SplitAt(whereList, [](const Node& n) { return IsWord(n, "and"); });
    std::map<std::string, std::vector<std::string>> joinConditions; // optional alias -> conditions
    std::vector<std::string> remaining;
    for (Nodes& c : conjuncts) {
        std::string optionalAlias;
        Nodes cleaned;
        for (std::size_t i = 0; i < c.size(); ++i) {
            if (IsPlusGroup(c[i])) {
                std::size_t col = PrevSig(c, i);
                std::size_t dot = col < c.size() ? PrevSig(c, col) : c.size();
                std::size_t qual = dot < c.size() ? PrevSig(c, dot) : c.size();
                if (qual >= c.size() || !IsPunct(c[dot], '.') || c[qual].kind != Node::Word)
                    return; // an unqualified column: leave the statement as it is
                optionalAlias = Lower(c[qual].text);
                continue;
            }
            cleaned.push_back(c[i]);
        }
        std::string text = Trim(Serialize(cleaned));
        if (optionalAlias.empty())
            remaining.push_back(text);
        else
            joinConditions[optionalAlias].push_back(text);
    }

    std::string fromText;
    std::string joins;
    for (const Nodes& item : items) {
        std::string alias = ItemAlias(item);
        auto it = joinConditions.find(alias);
        std::string itemText = Trim(Serialize(item));
        if (it == joinConditions.end()) {
            fromText += (fromText.empty() ? "" : ", ") + itemText;
            continue;
        }
        std::string on;
        for (const std::string& cond : it->second)
            on += (on.empty() ? "" : " AND ") + cond;
        joins += " LEFT JOIN " + itemText + " ON " + on;
        joinConditions.erase(it);
    }
    if (!joinConditions.empty() || fromText.empty())
        return; // (+) on an alias that is not in the FROM list
    std::string text = "FROM " + fromText + joins;
    if (!remaining.empty()) {
        text += " WHERE ";
        for (std::size_t i = 0; i < remaining.size(); ++i)
            text += (i ? " AND " : "") + remaining[i];
    }
    text += " ";
    Nodes out = Slice(v, 0, from);
    out.push_back(RawNode(text));
    for (std::size_t i = end; i < v.size(); ++i)
        out.push_back(v[i]);
    v = std::move(out);
}

// The last identifier of a column reference ("d.DCode" -> "DCode").
std::string ColumnName(const Nodes& ref) {
    auto sig = SigIndexes(ref);
    if (sig.empty() || ref[sig.back()].kind != Node::Word)
        return {};
    for (std::size_t k = 0; k + 1 < sig.size(); ++k)
        if (!(ref[sig[k]].kind == Node::Word || IsPunct(ref[sig[k]], '.')))
            return {};
    return ref[sig.back()].text;
}

// "SELECT cols FROM t [a] [WHERE w] START WITH s CONNECT BY c = PRIOR p [ORDER BY o]" as a
// recursive query (see the header for the rules).
void RewriteConnectBy(Nodes& v, Engine engine) {
    auto sig = SigIndexes(v);
    if (sig.empty() || !IsWord(v[sig[0]], "select"))
        return;
    std::size_t start = v.size(), connect = v.size(), order = v.size(), from = v.size(), where = v.size();
    for (std::size_t k = 0; k < sig.size(); ++k) {
        const Node& n = v[sig[k]];
        bool nextWith = k + 1 < sig.size() && IsWord(v[sig[k + 1]], "with");
        bool nextBy = k + 1 < sig.size() && IsWord(v[sig[k + 1]], "by");
        if (IsWord(n, "start") && nextWith && start == v.size())
            start = sig[k];
        else if (IsWord(n, "connect") && nextBy && connect == v.size())
            connect = sig[k];
        else if (IsWord(n, "order") && order == v.size() && connect != v.size())
            order = sig[k];
        else if (IsWord(n, "from") && from == v.size())
            from = sig[k];
        else if (IsWord(n, "where") && where == v.size() && from != v.size() && start == v.size() &&
                 connect == v.size())
            where = sig[k];
    }
    if (start == v.size() || connect == v.size() || from == v.size())
        return;
    std::size_t fromEnd = std::min({where, start, connect});
    std::size_t whereEnd = std::min(start, connect);
    auto clauseEnd = [&](std::size_t clause) {
        std::size_t e = v.size();
        for (std::size_t other : {start, connect, order})
            if (other > clause && other < e)
                e = other;
        return e;
    };
    std::size_t startBody = NextSig(v, NextSig(v, start + 1) + 1);
    std::size_t connectBody = NextSig(v, NextSig(v, connect + 1) + 1);
    if (connectBody < v.size() && IsWord(v[connectBody], "nocycle"))
        connectBody = NextSig(v, connectBody + 1);
    std::string columns = Trim(Serialize(Slice(v, sig[0] + 1, from)));
    Nodes fromItem = Slice(v, from + 1, fromEnd);
    std::string startCond = Trim(Serialize(Slice(v, startBody, clauseEnd(start))));
    Nodes connectCond = Slice(v, connectBody, clauseEnd(connect));
    std::string whereCond = where < v.size() ? Trim(Serialize(Slice(v, where + 1, whereEnd))) : std::string();
    std::string orderBy;
    if (order < v.size()) {
        std::size_t by = NextSig(v, order + 1);
        if (by < v.size() && IsWord(v[by], "siblings"))
            by = NextSig(v, by + 1);
        orderBy = Trim(Serialize(Slice(v, by + 1, v.size())));
    }

    // The table and its alias.
    auto fromSig = SigIndexes(fromItem);
    std::string table, alias;
    std::vector<const Node*> parts;
    for (std::size_t k : fromSig)
        parts.push_back(&fromItem[k]);
    if (parts.empty() || parts[0]->kind != Node::Word)
        return;
    std::size_t used = 1;
    table = parts[0]->text;
    if (parts.size() >= 3 && IsPunct(*parts[1], '.') && parts[2]->kind == Node::Word) {
        table += "." + parts[2]->text;
        used = 3;
    }
    if (parts.size() == used + 2 && IsWord(*parts[used], "as") && parts[used + 1]->kind == Node::Word)
        alias = parts[used + 1]->text;
    else if (parts.size() == used + 1 && parts[used]->kind == Node::Word)
        alias = parts[used]->text;
    else if (parts.size() != used)
        return;

    // c = PRIOR p, or PRIOR p = c.
    std::vector<Nodes> sides = SplitAt(connectCond, [](const Node& n) { return IsPunct(n, '='); });
    if (sides.size() != 2)
        return;
    for (const Nodes& side : sides)
        for (const Node& n : side)
            if (IsWord(n, "and") || IsWord(n, "or"))
                return;
    auto stripPrior = [](Nodes side, bool& hadPrior) {
        std::size_t first = NextSig(side, 0);
        hadPrior = first < side.size() && IsWord(side[first], "prior");
        if (hadPrior)
            side.erase(side.begin() + static_cast<long>(first));
        return side;
    };
    bool leftPrior = false, rightPrior = false;
    Nodes left = stripPrior(sides[0], leftPrior);
    Nodes right = stripPrior(sides[1], rightPrior);
    if (leftPrior == rightPrior)
        return;
    std::string childColumn = ColumnName(leftPrior ? right : left);
    std::string priorColumn = ColumnName(leftPrior ? left : right);
    if (childColumn.empty() || priorColumn.empty())
        return;

    std::string a = alias.empty() ? table : alias;
    std::string tableRef = table + (alias.empty() ? "" : " " + alias);
    if (columns == "*")
        columns = a + ".*";
    std::string text;
    if (engine == Engine::PostgreSQL) {
        // The row's physical position stands for SQLite's rowid: siblings come in the order the
        // rows are stored, and the path of positions stops a cycle.
        text = "WITH RECURSIVE vq_tree(vq_rowid, vq_key, vq_path) AS (SELECT " + a + ".ctid, " + a + "." +
               priorColumn + ", ARRAY[" + a + ".ctid] FROM " + tableRef + " WHERE " + startCond +
               " UNION ALL SELECT vq_c.ctid, vq_c." + priorColumn +
               ", vq_p.vq_path || vq_c.ctid FROM vq_tree vq_p JOIN " + table + " vq_c ON vq_c." +
               childColumn + " = vq_p.vq_key WHERE vq_c.ctid <> ALL(vq_p.vq_path)) SELECT " + columns +
               " FROM vq_tree JOIN " + tableRef + " ON " + a + ".ctid = vq_tree.vq_rowid";
    } else {
        text = "WITH RECURSIVE vq_tree(vq_rowid, vq_key, vq_path) AS (SELECT " + a + ".rowid, " + a + "." +
               priorColumn + ", printf('/%010d', " + a + ".rowid) FROM " + tableRef + " WHERE " + startCond +
               " UNION ALL SELECT vq_c.rowid, vq_c." + priorColumn +
               ", vq_p.vq_path || printf('/%010d', vq_c.rowid) FROM vq_tree vq_p JOIN " + table +
               " vq_c ON vq_c." + childColumn +
               " = vq_p.vq_key WHERE instr(vq_p.vq_path, printf('/%010d', vq_c.rowid)) = 0) SELECT " +
               columns + " FROM vq_tree JOIN " + tableRef + " ON " + a + ".rowid = vq_tree.vq_rowid";
    }
    if (!whereCond.empty())
        text += " WHERE " + whereCond;
    text += " ORDER BY " + (orderBy.empty() ? std::string("vq_tree.vq_path") : orderBy);
    Nodes out = Slice(v, 0, sig[0]);
    out.push_back(RawNode(text));
    v = std::move(out);
}

// PostgreSQL's LIKE takes the backslash as escape character unless the statement names one;
// "x LIKE p" gets ESCAPE '' so that backslashes stay plain characters, as on the other engines.
void AddLikeEscapes(Nodes& v) {
    static const char* kOperandEnds[] = {
        "and",  "or",   "escape", "order", "group", "having", "union", "limit",   "except",    "when",
        "then", "else", "end",    "from",  "where", "into",   "start", "connect", "intersect", "minus"};
    Nodes out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        bool like = IsWord(v[i], "like") || IsWord(v[i], "ilike");
        out.push_back(std::move(v[i]));
        if (!like)
            continue;
        // The pattern: the tokens up to a keyword that ends it, a comma, ';' or the end.
        std::size_t end = NextSig(v, i + 1);
        std::size_t last = v.size();
        while (end < v.size()) {
            const Node& n = v[end];
            bool stop = IsPunct(n, ',') || IsPunct(n, ';');
            for (const char* w : kOperandEnds)
                stop = stop || IsWord(n, w);
            if (stop)
                break;
            if (n.kind != Node::Space)
                last = end;
            ++end;
        }
        if (last == v.size())
            continue;
        if (end < v.size() && IsWord(v[end], "escape"))
            continue;
        for (std::size_t k = i + 1; k <= last; ++k)
            out.push_back(std::move(v[k]));
        out.push_back(RawNode(" ESCAPE ''"));
        i = last;
    }
    v = std::move(out);
}

// "FROM (SELECT ...)" without a name for the subquery, which PostgreSQL requires, gets one.
void AddDerivedTableAliases(Nodes& v) {
    static const char* kNotAliases[] = {
        "where", "group", "order", "having", "union",     "limit", "join",  "left",    "right",   "inner",
        "cross", "full",  "on",    "except", "intersect", "minus", "start", "connect", "natural", "offset"};
    bool inFrom = false;
    int counter = 0;
    Nodes out;
    for (std::size_t i = 0; i < v.size(); ++i) {
        Node& n = v[i];
        if (IsWord(n, "from") || IsWord(n, "join")) {
            inFrom = true;
        } else if (n.kind == Node::Word && !IsWord(n, "join") && !IsWord(n, "as")) {
            for (const char* w :
                 {"where", "group", "order", "having", "union", "limit", "on", "start", "connect"})
                if (IsWord(n, w))
                    inFrom = false;
        } else if (n.kind == Node::Group && inFrom) {
            std::size_t prev = PrevSig(out, out.size()); // the tokens before i are in out now
            auto inner = SigIndexes(n.children);
            bool subquery = !inner.empty() &&
                            (IsWord(n.children[inner[0]], "select") || IsWord(n.children[inner[0]], "with"));
            bool placed = prev < out.size() &&
                          (IsWord(out[prev], "from") || IsWord(out[prev], "join") || IsPunct(out[prev], ','));
            std::size_t next = NextSig(v, i + 1);
            bool named = next < v.size() && v[next].kind == Node::Word;
            for (const char* w : kNotAliases)
                named = named && !IsWord(v[next], w);
            if (subquery && placed && !named) {
                out.push_back(std::move(n));
                out.push_back(RawNode(" vq_d" + std::to_string(++counter)));
                continue;
            }
        }
        out.push_back(std::move(n));
    }
    v = std::move(out);
}

// "SELECT ... FROM t [a] [WHERE ...] ORDER BY o" over one table ends its order with the rows'
// places on PostgreSQL, so that rows with equal keys come in the order they were stored, as
// SQLite gives them (PostgreSQL's sort leaves their order open). Statements with DISTINCT,
// GROUP BY, an aggregate or a set operation stay as written: their order may not name other
// columns.
void AddOrderTieBreak(Nodes& v, std::string_view sql) {
    if (SingleTableOf(sql).empty())
        return;
    std::size_t order = v.size();
    for (std::size_t i = 0; i < v.size(); ++i) {
        for (const char* w : {"distinct", "group", "union", "intersect", "except", "minus", "connect"})
            if (IsWord(v[i], w))
                return;
        if (IsWord(v[i], "order"))
            order = i;
        // An aggregate over the whole table: one row, and no other column may be named.
        std::size_t next = NextSig(v, i + 1);
        if (next < v.size() && v[next].kind == Node::Group)
            for (const char* w : {"count", "max", "min", "sum", "avg", "group_concat", "string_agg"})
                if (IsWord(v[i], w))
                    return;
    }
    if (order == v.size())
        return;
    std::size_t end = order + 1;
    while (end < v.size() && !IsWord(v[end], "limit") && !IsWord(v[end], "offset") && !IsPunct(v[end], ';'))
        ++end;
    std::size_t last = PrevSig(v, end);
    v.insert(v.begin() + static_cast<long>(last) + 1, RawNode(", ctid"));
}

void Transform(Nodes& v, Engine engine) {
    for (Node& n : v)
        if (n.kind == Node::Group)
            Transform(n.children, engine);
    if (engine == Engine::PostgreSQL) {
        AddLikeEscapes(v);
        AddDerivedTableAliases(v);
    }
    RewriteFunctions(v, engine);
    RewriteOuterJoins(v);
    RewriteConnectBy(v, engine);
}

// "SELECT name.nextVal FROM dual" -> the sequence name.
std::optional<std::string> SequenceName(const Nodes& v) {
    auto sig = SigIndexes(v);
    if (!sig.empty() && IsPunct(v[sig.back()], ';'))
        sig.pop_back();
    if (sig.size() != 6)
        return std::nullopt;
    if (IsWord(v[sig[0]], "select") && v[sig[1]].kind == Node::Word && IsPunct(v[sig[2]], '.') &&
        IsWord(v[sig[3]], "nextval") && IsWord(v[sig[4]], "from") && IsWord(v[sig[5]], "dual"))
        return v[sig[1]].text;
    return std::nullopt;
}

// Whether a rewrite above starts from the word (a function, FROM DUAL, LIKE, ORDER BY, CONNECT BY,
// a sequence's step).
bool RewriteStartsAt(std::string_view word) {
    static const char* const kWords[] = {"getdate", "sysdate", "datepart", "to_char", "dual",   "group_concat",
                                         "rtrim",   "like",    "ilike",    "order",   "connect", "nextval"};
    return std::any_of(std::begin(kWords), std::end(kWords), [&](const char* w) { return WordIs(word, w); });
}

// Whether the statement has nothing to translate, found in one pass without taking it apart:
// outside its quoted text it has no word a rewrite starts from, no parenthesis after a FROM or
// JOIN (a subquery that may need a name), no '+' (an outer join's "(+)"), no ';', no comment and
// balanced parentheses. Most statements a program runs are such (a read or write of one row by its
// key), and translating them costs more processor time than the database's answer. Any doubt
// leaves the statement to the translation: that gives back such a statement unchanged.
bool NothingToTranslate(std::string_view s) {
    int depth = 0;
    bool fromSeen = false;
    std::size_t pos = 0;
    while (pos < s.size()) {
        const unsigned char ch = static_cast<unsigned char>(s[pos]);
        if (ch == '\'' || ch == '"' || ch == '[') {
            pos = QuotedEnd(s, pos);
        } else if (IsWordChar(ch)) {
            const std::size_t start = pos;
            while (pos < s.size() && IsWordChar(static_cast<unsigned char>(s[pos])))
                ++pos;
            const std::string_view word = s.substr(start, pos - start);
            if (RewriteStartsAt(word))
                return false;
            fromSeen = fromSeen || WordIs(word, "from") || WordIs(word, "join");
        } else {
            if (ch == '+' || ch == ';')
                return false;
            if ((ch == '-' || ch == '/') && pos + 1 < s.size() && (s[pos + 1] == '-' || s[pos + 1] == '*'))
                return false;
            if (ch == '(') {
                if (fromSeen)
                    return false;
                ++depth;
            } else if (ch == ')' && --depth < 0) {
                return false;
            }
            ++pos;
        }
    }
    return depth == 0;
}

// The statement taken apart into its tokens and put together again with its rewrites.
TranslatedStatement TranslateTokens(std::string_view sql, Engine engine) {
    TranslatedStatement result;
    std::size_t pos = 0;
    Nodes nodes = Tokenize(sql, pos, false);
    while (pos < sql.size()) { // an unbalanced ')' at the top: keep the rest as it is
        nodes.push_back({Node::Punct, std::string(1, sql[pos]), {}});
        ++pos;
        Nodes rest = Tokenize(sql, pos, false);
        nodes.insert(nodes.end(), rest.begin(), rest.end());
    }
    if (auto sequence = SequenceName(nodes)) {
        std::string name = QuoteString(*sequence);
        if (engine == Engine::PostgreSQL) { // one statement: the row stays locked until it ends
            result.sql =
                "UPDATE vq_sequences SET Value = Value + 1 WHERE Name = " + name + " RETURNING Value";
            return result;
        }
        result.before.push_back("UPDATE vq_sequences SET Value = Value + 1 WHERE Name = " + name);
        result.sql = "SELECT Value FROM vq_sequences WHERE Name = " + name;
        return result;
    }
    // A closing semicolon would end up inside the last clause of a rewritten statement.
    std::size_t last = PrevSig(nodes, nodes.size());
    bool semicolon = last < nodes.size() && IsPunct(nodes[last], ';');
    if (semicolon)
        nodes.erase(nodes.begin() + static_cast<long>(last), nodes.end());
    if (engine == Engine::PostgreSQL)
        AddOrderTieBreak(nodes, sql);
    Transform(nodes, engine);
    result.sql = Serialize(nodes);
    return result;
}

// The translations of the statements that had something to translate, kept: most of them are
// run again and again with their values bound (the steps of a decision), and taking them apart
// costs more than the database's answer to many. Bounded: statements with their values written
// into the text come and go, so the memo is emptied when it is full, and a long text is not kept.
class TranslationMemo {
public:
    TranslatedStatement Find(std::string_view sql, Engine engine) {
        if (sql.size() > kLongestKept)
            return TranslateTokens(sql, engine);
        std::string key(1, engine == Engine::PostgreSQL ? 'P' : 'S');
        key.append(sql);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (const auto found = m_kept.find(key); found != m_kept.end())
                return found->second;
        }
        TranslatedStatement translated = TranslateTokens(sql, engine);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_kept.size() >= kMostKept)
            m_kept.clear();
        m_kept.emplace(std::move(key), translated);
        return translated;
    }

private:
    static constexpr std::size_t kLongestKept = 4096;
    static constexpr std::size_t kMostKept = 512;
    std::mutex m_mutex;
    std::unordered_map<std::string, TranslatedStatement> m_kept;
};

} // namespace

TranslatedStatement TranslateEveryToken(std::string_view sql, Engine engine) {
    if (engine != Engine::SQLite && engine != Engine::PostgreSQL)
        return {{}, std::string(sql)};
    return TranslateTokens(sql, engine);
}

TranslatedStatement TranslateStatement(std::string_view sql, Engine engine) {
    if ((engine != Engine::SQLite && engine != Engine::PostgreSQL) || NothingToTranslate(sql))
        return {{}, std::string(sql)};
    // Never destroyed: a statement may still be translated while static objects are destroyed.
    static TranslationMemo* const memo = new TranslationMemo;
    return memo->Find(sql, engine);
}

std::optional<std::string> ProcedureStatement(std::string_view name, Engine engine) {
    if (engine != Engine::SQLite && engine != Engine::PostgreSQL)
        return std::nullopt;
    // The structure below a part, read downwards; each returns the rows its callers read.
    static const std::map<std::string, std::string> kProcedures = {
        {"showparttree",
         "SELECT d.UpCode, d.DCode, d.DItem, d.DRemark, t.TName FROM (SELECT UpCode, DCode, DItem, "
         "DRemark FROM VqkorvelAll_detail START WITH UpCode=? CONNECT BY UpCode=Prior DCode) d, "
         "VqkorvelAll_title t WHERE d.DCode=t.TCode ORDER BY UpCode, DItem"},
        {"showteamstructtree", "SELECT d.UpCode, d.DCode, d.DItem, d.DName, t.TName, t.TOther4, d.Dremark "
                               "FROM (SELECT UpCode, DCode, "
                               "DItem, DName, Dremark FROM VqkorvelTeam_detail START WITH UpCode=? CONNECT "
                               "BY UpCode=Prior DCode) d, "
                               "VqkorvelTeam_title t WHERE d.DCode=t.TCode(+) ORDER BY UpCode, DItem"},
        {"showteamworkfile",
         "SELECT PartFileID, UpCode, DCode, DItem, DName, PartFileID FROM VqkorvelTeam_Detail "
         "START WITH UpCode=? CONNECT BY UpCode=Prior DCode"},
    };
    auto it = kProcedures.find(Lower(Trim(std::string(name))));
    if (it == kProcedures.end())
        return std::nullopt;
    return it->second;
}

std::string SingleTableOf(std::string_view select) {
    std::size_t pos = 0;
    Nodes v = Tokenize(select, pos, false);
    auto sig = SigIndexes(v);
    if (sig.empty() || !IsWord(v[sig[0]], "select"))
        return {};
    std::size_t k = 1;
    while (k < sig.size() && !IsWord(v[sig[k]], "from"))
        ++k;
    if (k + 1 >= sig.size() || v[sig[k + 1]].kind != Node::Word)
        return {};
    std::string table = v[sig[k + 1]].text;
    k += 2;
    if (k + 1 < sig.size() && IsPunct(v[sig[k]], '.') && v[sig[k + 1]].kind == Node::Word) {
        table += "." + v[sig[k + 1]].text;
        k += 2;
    }
    auto endsTable = [&](std::size_t i) {
        return i >= sig.size() || IsWord(v[sig[i]], "where") || IsWord(v[sig[i]], "order") ||
               IsPunct(v[sig[i]], ';');
    };
    if (endsTable(k))
        return table;
    if (IsWord(v[sig[k]], "as"))
        ++k;
    if (k < sig.size() && v[sig[k]].kind == Node::Word && endsTable(k + 1))
        return table;
    return {};
}

std::string SpellingInStatement(std::string_view sql, const std::string& name) {
    if (name.empty() || Lower(name) != name)
        return name;
    std::size_t pos = 0;
    std::string_view rest = sql;
    while (pos < rest.size()) {
        unsigned char ch = static_cast<unsigned char>(rest[pos]);
        if (ch == '\'') { // skip a string
            pos = QuotedEnd(rest, pos);
            continue;
        }
        if (!IsWordChar(ch) || std::isdigit(ch)) {
            ++pos;
            continue;
        }
        std::size_t start = pos;
        while (pos < rest.size() && IsWordChar(static_cast<unsigned char>(rest[pos])))
            ++pos;
        const std::string_view word = rest.substr(start, pos - start);
        if (WordIs(word, name))
            return std::string(word);
    }
    return name;
}

bool IsSingleIdentifier(std::string_view text) {
    std::string t = Trim(std::string(text));
    if (t.empty())
        return false;
    for (char ch : t)
        if (!IsWordChar(static_cast<unsigned char>(ch)) && ch != '.')
            return false;
    return !std::isdigit(static_cast<unsigned char>(t[0]));
}

namespace {

// Follows a statement's quotes and parentheses one character at a time.
class QuoteTracker {
public:
    // True when the character stands outside quotes (a quote character itself is inside); a
    // parenthesis outside quotes changes the depth before it returns.
    bool Outside(char c) {
        if (m_quote) {
            if (c == m_quote)
                m_quote = 0;
            return false;
        }
        if (c == '\'' || c == '"') {
            m_quote = c;
            return false;
        }
        if (c == '(')
            ++m_depth;
        else if (c == ')')
            --m_depth;
        return true;
    }
    int Depth() const { return m_depth; }

private:
    char m_quote = 0;
    int m_depth = 0;
};

} // namespace

std::optional<SingleRowInsert> SplitSingleRowInsert(std::string_view sql) {
    auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    auto wordAt = [&](std::size_t i, std::string_view word) {
        if (i + word.size() > sql.size() ||
            (i > 0 && (std::isalnum(static_cast<unsigned char>(sql[i - 1])) || sql[i - 1] == '_')))
            return false;
        for (std::size_t k = 0; k < word.size(); ++k)
            if (lower(sql[i + k]) != word[k])
                return false;
        const std::size_t after = i + word.size();
        return after == sql.size() ||
               !(std::isalnum(static_cast<unsigned char>(sql[after])) || sql[after] == '_');
    };
    std::size_t start = sql.find_first_not_of(" \t\r\n");
    if (start == std::string_view::npos || !wordAt(start, "insert"))
        return std::nullopt;
    // The VALUES keyword outside quotes and parentheses, then one parenthesised row to the end.
    std::size_t values = std::string_view::npos;
    QuoteTracker outer;
    for (std::size_t i = start; i < sql.size(); ++i)
        if (outer.Outside(sql[i]) && outer.Depth() == 0 && values == std::string_view::npos && wordAt(i, "values"))
            values = i;
    if (values == std::string_view::npos)
        return std::nullopt;
    std::size_t open = sql.find_first_not_of(" \t\r\n", values + 6);
    if (open == std::string_view::npos || sql[open] != '(')
        return std::nullopt;
    SingleRowInsert insert;
    QuoteTracker row;
    std::size_t close = std::string_view::npos;
    for (std::size_t i = open; i < sql.size() && close == std::string_view::npos; ++i) {
        const char c = sql[i];
        if (!row.Outside(c))
            continue;
        if (c == ')' && row.Depth() == 0)
            close = i;
        else if (c == '?')
            ++insert.marks;
    }
    if (close == std::string_view::npos)
        return std::nullopt;
    const std::size_t rest = sql.find_first_not_of(" \t\r\n;", close + 1);
    if (rest != std::string_view::npos)
        return std::nullopt;
    insert.head = std::string(sql.substr(0, open));
    insert.row = std::string(sql.substr(open, close + 1 - open));
    return insert;
}

namespace {

// The text split at its commas outside quotes and parentheses, each piece trimmed.
std::vector<std::string> SplitTopLevel(std::string_view text) {
    std::vector<std::string> pieces;
    std::string current;
    QuoteTracker tracker;
    auto flush = [&] {
        const std::size_t first = current.find_first_not_of(" \t\r\n");
        const std::size_t last = current.find_last_not_of(" \t\r\n");
        pieces.push_back(first == std::string::npos ? std::string() : current.substr(first, last - first + 1));
        current.clear();
    };
    for (char c : text) {
        if (tracker.Outside(c) && c == ',' && tracker.Depth() == 0) {
            flush();
            continue;
        }
        current += c;
    }
    flush();
    return pieces;
}

bool HasMarkOutsideQuotes(std::string_view text) {
    QuoteTracker tracker;
    for (char c : text)
        if (tracker.Outside(c) && c == '?')
            return true;
    return false;
}

} // namespace

std::optional<InsertColumns> SplitInsertColumns(const SingleRowInsert& insert) {
    static const std::regex head(R"(^\s*insert\s+into\s+([A-Za-z_][\w.]*|"[^"]+")\s*\((.*)\)\s*values\s*$)",
                                 std::regex::icase);
    static const std::regex column(R"([A-Za-z_]\w*)");
    std::smatch m;
    if (!std::regex_match(insert.head, m, head))
        return std::nullopt;
    InsertColumns result;
    result.table = m[1].str();
    result.columns = SplitTopLevel(m[2].str());
    result.elements = SplitTopLevel(std::string_view(insert.row).substr(1, insert.row.size() - 2));
    if (result.columns.size() != result.elements.size())
        return std::nullopt;
    for (std::size_t k = 0; k < result.columns.size(); ++k) {
        if (!std::regex_match(result.columns[k], column))
            return std::nullopt;
        if (result.elements[k] != "?" && HasMarkOutsideQuotes(result.elements[k]))
            return std::nullopt;
    }
    return result;
}

std::optional<KeyDelete> SplitKeyDelete(std::string_view sql) {
    static const std::regex whole(R"(^\s*delete\s+from\s+([A-Za-z_][\w.]*)\s+where\s+(.*?)\s*;?\s*$)",
                                  std::regex::icase);
    static const std::regex key(R"(^\s*([A-Za-z_]\w*)\s*=\s*\?\s*(and\b)?)", std::regex::icase);
    const std::string text(sql);
    std::smatch m;
    if (!std::regex_match(text, m, whole))
        return std::nullopt;
    KeyDelete result;
    result.table = m[1].str();
    std::string rest = m[2].str();
    for (bool more = true; more;) {
        std::smatch k;
        if (!std::regex_search(rest, k, key))
            return std::nullopt;
        result.columns.push_back(k[1].str());
        more = k[2].matched;
        rest = k.suffix().str();
        if (more == rest.empty()) // "AND" with nothing after it, or something else after a key
            return std::nullopt;
    }
    return result;
}

} // namespace vq::db
