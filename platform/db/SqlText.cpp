#include "platform/db/SqlText.h"

#include <cstring>

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

namespace {

// Texts whose folded form NOCASE already compares: ASCII without the letters that a character
// beyond ASCII folds to (the Kelvin sign folds to "k", the dotted capital I to "i"). For those the
// column's own equality is the folded one and can use the column's index.
bool FoldsAsAscii(const CString& text) {
    for (const char ch : text.str()) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte >= 0x80 || ch == 'i' || ch == 'I' || ch == 'k' || ch == 'K')
            return false;
    }
    return true;
}

// Texts whose folder key (vq::FolderNameKey) the column's own equality compares: ASCII without the
// letters that a character beyond ASCII has for its key (the dotless i and the dotted capital I
// are "I", the long s "S", the Kelvin sign "K").
bool KeysAsAscii(const CString& text) {
    for (const char ch : text.str()) {
        if (std::strchr("iIkKsS", ch))
            return false;
    }
    return FoldsAsAscii(text);
}

// The number of characters of a UTF-8 text, as SQLite's substr counts them.
int CharacterCount(const CString& text) {
    int count = 0;
    for (const char ch : text.str()) {
        if ((static_cast<unsigned char>(ch) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

// SQLite and PostgreSQL both have the functions vq_fold_case and vq_folder_key of the client's
// character table (on PostgreSQL made by the schema: its own lower(), and citext with it, follow
// the database's LC_CTYPE and fold ASCII alone under C, or I to a dotless i under Turkish).
bool HasFoldFunctions(vq::db::Engine engine) {
    return engine == vq::db::Engine::SQLite || engine == vq::db::Engine::PostgreSQL;
}

} // namespace

CString SqlFoldedEquals(vq::db::Engine engine, const CString& column, const CString& value) {
    if (!HasFoldFunctions(engine) || FoldsAsAscii(value))
        return column + "='" + SqlQuote(value) + "'";
    return "vq_fold_case(" + column + ")='" + SqlQuote(CString(vq::FoldCase(value.str()))) + "'";
}

CString SqlFolderKeyEquals(vq::db::Engine engine, const CString& column, const CString& value) {
    if (!HasFoldFunctions(engine) || KeysAsAscii(value))
        return column + "='" + SqlQuote(value) + "'";
    return "vq_folder_key(" + column + ")='" + SqlQuote(CString(vq::FolderNameKey(value.str()))) + "'";
}

namespace {
bool HasFileNameMapping(const CString& text) {
    for (const char ch : text.str()) {
        if (ch == '#' || (ch != '\0' && std::strchr(vq::kFileNameUnsafe, ch)))
            return true;
    }
    return false;
}

// The column made a valid file name, compared as the column's own equality compares (NOCASE on
// SQLite, citext on PostgreSQL).
CString FileNameColumn(vq::db::Engine engine, const CString& column) {
    if (engine == vq::db::Engine::SQLite) {
        CString expression = column;
        for (const char* ch = vq::kFileNameUnsafe; *ch; ++ch)
            expression = "replace(" + expression + ",'" + CString(*ch) + "','#')";
        return "(" + expression + " COLLATE NOCASE)";
    }
    const CString hashes(static_cast<char>('#'), static_cast<int>(std::strlen(vq::kFileNameUnsafe)));
    return "CAST(translate(CAST(" + column + " AS TEXT),'" + SqlQuote(vq::kFileNameUnsafe) + "','" + hashes +
           "') AS citext)";
}
} // namespace

CString SqlFileNameKeyEquals(vq::db::Engine engine, const CString& column, const CString& value) {
    if (engine == vq::db::Engine::Other || !HasFileNameMapping(value))
        return SqlFolderKeyEquals(engine, column, value);
    return SqlFolderKeyEquals(engine, FileNameColumn(engine, column),
                              CString(vq::ValidFileName(value.str())));
}

CString SqlFoldedPrefix(vq::db::Engine engine, const CString& column, const CString& prefix) {
    if (!HasFoldFunctions(engine) || FoldsAsAscii(prefix))
        return column + " LIKE '" + SqlLikeLiteral(prefix) + "%'" + kSqlLikeEscape;
    return "vq_fold_case(" + column + ") LIKE '" + SqlLikeLiteral(CString(vq::FoldCase(prefix.str()))) +
           "%'" + kSqlLikeEscape;
}

namespace {
// The column's own equality first, which its index serves; then the exact one.
CString ExactComparison(vq::db::Engine engine, const CString& column, const CString& other,
                        const CString& otherText) {
    if (engine == vq::db::Engine::SQLite)
        return "(" + column + "=" + other + " AND " + column + "=" + other + " COLLATE BINARY)";
    if (engine == vq::db::Engine::PostgreSQL)
        return "(" + column + "=" + other + " AND CAST(" + column + " AS TEXT)=" + otherText + ")";
    return column + "=" + other;
}
} // namespace

CString SqlExactColumns(vq::db::Engine engine, const CString& column, const CString& other) {
    return ExactComparison(engine, column, other, "CAST(" + other + " AS TEXT)");
}

CString SqlExactEquals(vq::db::Engine engine, const CString& column, const CString& value) {
    const CString quoted = "'" + SqlQuote(value) + "'";
    const CString exact = ExactComparison(engine, column, quoted, quoted);
    if (value.IsEmpty())
        return "(" + column + " IS NULL OR " + exact + ")";
    return exact;
}

CString SqlExactPrefix(vq::db::Engine engine, const CString& column, const CString& prefix) {
    const CString like = "'" + SqlLikeLiteral(prefix) + "%'" + kSqlLikeEscape;
    if (engine == vq::db::Engine::SQLite) {
        CString length;
        length.Format("%d", CharacterCount(prefix));
        return "(" + column + " LIKE " + like + " AND substr(" + column + ", 1, " + length + ")='" +
               SqlQuote(prefix) + "' COLLATE BINARY)";
    }
    if (engine == vq::db::Engine::PostgreSQL)
        return "(" + column + " LIKE " + like + " AND CAST(" + column + " AS TEXT) LIKE " + like + ")";
    return column + " LIKE " + like;
}
