#include "platform/db/SqlText.h"

CString SqlQuote(const CString& text) {
    CString quoted(text);
    quoted.Replace("'", "''");
    return quoted;
}

namespace {

CString EscapeLike(const CString& text, bool starIsWildcard) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.GetLength()) + 8);
    for (char ch : text.str()) {
        switch (ch) {
        case '\'':
            out += "''";
            break;
        case '\\':
        case '%':
        case '_':
            out += '\\';
            out += ch;
            break;
        case '*':
            out += starIsWildcard ? '%' : '*';
            break;
        default:
            out += ch;
        }
    }
    return CString(std::move(out));
}

} // namespace

CString SqlLikeLiteral(const CString& text) {
    return EscapeLike(text, false);
}

CString SqlLikeWildcard(const CString& text) {
    return EscapeLike(text, true);
}
