#include "platform/db/Command.h"

#include "platform/db/PreparedStatement.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

_ParameterPtr Parameters::GetItem(const _variant_t& index) const {
    if (index.vt == VT_BSTR) {
        for (const _ParameterPtr& p : m_items)
            if (p->GetName().CompareNoCase(index.ToString()) == 0)
                return p;
    } else if (index.vt == VT_I4 || index.vt == VT_I8) {
        long long i = index.ToInt64();
        if (i >= 0 && i < static_cast<long long>(m_items.size()))
            return m_items[static_cast<std::size_t>(i)];
    }
    throw _com_error(
        adErrItemNotFound,
        "Item cannot be found in the collection corresponding to the requested name or ordinal.");
}

void Parameters::Delete(const _variant_t& index) {
    _ParameterPtr p = GetItem(index);
    for (auto it = m_items.begin(); it != m_items.end(); ++it)
        if (*it == p) {
            m_items.erase(it);
            return;
        }
}

_ParameterPtr _Command::CreateParameter(const CString& name, long type, long direction, long size,
                                        const _variant_t& value) {
    if (direction != adParamInput && direction != adParamUnknown)
        throw _com_error(adErrFeatureNotAvailable, "Only input parameters are supported.");
    _ParameterPtr p;
    p.CreateInstance();
    p->m_name = name;
    p->m_type = static_cast<DataTypeEnum>(type);
    p->m_size = size;
    p->m_value = value.vt == VT_ERROR ? _variant_t::Null() : value;
    return p;
}

std::vector<_variant_t> _Command::ParameterValues() const {
    std::vector<_variant_t> values;
    for (long i = 0; i < m_parameters.GetCount(); ++i)
        values.push_back(m_parameters.GetItem(_variant_t(i))->GetValue());
    return values;
}

long _Command::EffectiveType(long options) const {
    long type =
        options == adOptionUnspecified ? adCmdUnknown : (options & ~static_cast<long>(adExecuteNoRecords));
    if (type == adCmdText || type == adCmdStoredProc || type == adCmdTable)
        return type;
    return m_type == adCmdUnspecified ? adCmdUnknown : m_type;
}

namespace {
// "INSERT INTO t (cols) SELECT <each mark as the field of its column> FROM
// json_populate_recordset(CAST(NULL AS t), CAST(? AS json)) vq_row": all rows of a batch in one
// value, each field converted to its column's type by the server, in one exchange. Nothing when
// the insert does not name a column for each mark, or names one twice (a field would be lost).
std::optional<_Command::JsonInsert> PgJsonInsert(const vq::db::SingleRowInsert& single) {
    const std::optional<vq::db::InsertColumns> insert = vq::db::SplitInsertColumns(single);
    if (!insert)
        return std::nullopt;
    _Command::JsonInsert json;
    json.table = insert->table;
    for (std::size_t k = 0; k < insert->columns.size(); ++k) {
        json.columns += (k ? ", " : "") + insert->columns[k];
        if (insert->elements[k] == "?") {
            std::string key = insert->columns[k];
            std::transform(key.begin(), key.end(), key.begin(), [](char c) {
                return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            });
            json.keys.push_back(key);
            json.elements.emplace_back();
        } else {
            json.elements.push_back(insert->elements[k]);
        }
    }
    std::vector<std::string> sorted = json.keys;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        return std::nullopt;
    return json;
}

// The text of a JSON insert whose marks with a true entry in bound take their value from one JSON
// object of their own ("json_populate_record(CAST(NULL AS t), CAST(? AS json)) vq_same", after the
// rows' value), sent once for all rows.
std::string PgJsonInsertText(const _Command::JsonInsert& json, const std::vector<bool>& bound) {
    std::string row;
    bool same = false;
    for (std::size_t k = 0, mark = 0; k < json.elements.size(); ++k) {
        row += k ? ", " : "";
        if (!json.elements[k].empty()) {
            row += json.elements[k];
            continue;
        }
        const bool once = mark < bound.size() && bound[mark];
        same = same || once;
        row += (once ? "vq_same." : "vq_row.") + json.keys[mark++];
    }
    std::string text = "INSERT INTO " + json.table + " (" + json.columns + ") SELECT " + row +
                       " FROM json_populate_recordset(CAST(NULL AS " + json.table +
                       "), CAST(? AS json)) vq_row";
    if (same)
        text += ", json_populate_record(CAST(NULL AS " + json.table + "), CAST(? AS json)) vq_same";
    return text;
}

} // namespace

vq::db::PreparedStatement* _Command::Statement() {
    const bool current = m_statementConnection == m_connection.GetInterfacePtr() && m_statementText == m_text;
    if (current && (m_statementUnprepared || (m_statement && m_statement->IsOpen())))
        return m_statement.get();
    m_statement.reset();
    m_rowStatements.clear();
    m_jsonStatements.clear();
    m_statementConnection = m_connection.GetInterfacePtr();
    m_statementText = m_text;
    m_statement = m_connection->Prepare(m_text);
    m_statementUnprepared = !m_statement;
    const vq::db::Engine engine = m_connection->GetEngine();
    m_insert.reset();
    m_keyDelete.reset();
    m_keyDeleteStatement.reset();
    m_keyDeleteText.clear();
    m_pgJsonInsert.reset();
    if (m_statement && (engine == vq::db::Engine::SQLite || engine == vq::db::Engine::PostgreSQL))
        m_insert = vq::db::SplitSingleRowInsert(m_text.str());
    if (m_insert && engine == vq::db::Engine::PostgreSQL)
        m_pgJsonInsert = PgJsonInsert(*m_insert);
    if (m_statement && (engine == vq::db::Engine::SQLite || engine == vq::db::Engine::PostgreSQL))
        m_keyDelete = vq::db::SplitKeyDelete(m_text.str());
    return m_statement.get();
}

namespace {

void AppendJsonString(std::string& json, const std::string& text) {
    char escape[8];
    json += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20) {
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            json += escape;
        } else {
            json += static_cast<char>(c);
        }
    }
    json += '"';
}

// How a real is written, so that each row of a batch stores what the same value bound alone stores
// (a text column keeps the real's text):
// - SQLite: a JSON real, with a point or an exponent, so that json_each and json_extract give a
//   real as a bound real would be, also for a whole value ("2.0", never the integer "2");
// - PostgreSQL: the text psqlODBC sends for a bound real, 17 significant digits as "%.17g" writes
//   them ("2", "0.10000000000000001"), which the server reads as the column's type.
enum class RealText { SQLite, PostgreSQL };

void AppendReal(std::string& out, double d, RealText form) {
    char number[64];
    if (form == RealText::PostgreSQL) {
        out.append(number,
                   std::to_chars(number, number + sizeof number, d, std::chars_format::general, 17).ptr);
        return;
    }
    const std::string_view digits(
        number, static_cast<std::size_t>(std::to_chars(number, number + sizeof number, d).ptr - number));
    out += digits;
    if (digits.find_first_of(".e") == std::string_view::npos)
        out += ".0";
}

// One value as text: whole numbers and finite reals as their digits, texts through quote, NULL as
// null. False for a value that has none (bytes, a number that is not finite).
bool AppendValue(std::string& out, const _variant_t& v, CString& text, RealText form,
                 void (*quote)(std::string&, const std::string&), const char* null) {
    char number[64];
    if (v.vt == VT_I4 || v.vt == VT_I8) {
        out.append(number, std::to_chars(number, number + sizeof number, v.ToInt64()).ptr);
    } else if (v.vt == VT_R8) {
        const double d = v.ToDouble();
        if (!std::isfinite(d))
            return false;
        AppendReal(out, d, form);
    } else if (v.vt == VT_BSTR) {
        v.TryGetString(text);
        quote(out, text.str());
    } else if (v.IsNull() || v.IsEmpty()) {
        out += null;
    } else {
        return false;
    }
    return true;
}

// One value in JSON: false for a value that has none.
bool AppendJsonValue(std::string& json, const _variant_t& v, CString& text, RealText form) {
    return AppendValue(json, v, text, form, AppendJsonString, "null");
}

// The rows as one JSON array: of arrays (SQLite's json_each), or of objects whose fields are
// named by keys (PostgreSQL's json_populate_recordset), reals written for that engine. The marks
// whose entry in bound is true are left out (their values go as parameters of their own). False
// when a value has no JSON form or a set has the wrong number of values.
bool RowsAsJson(const std::vector<std::vector<_variant_t>>& sets, std::size_t marks, std::string& json,
                const std::vector<std::string>* keys = nullptr, const std::vector<bool>* bound = nullptr) {
    const RealText form = keys ? RealText::PostgreSQL : RealText::SQLite;
    json.clear();
    json.reserve(sets.size() * marks * 12 + 2);
    json += '[';
    CString text;
    for (std::size_t r = 0; r < sets.size(); ++r) {
        if (sets[r].size() != marks)
            return false;
        if (r)
            json += ',';
        json += keys ? '{' : '[';
        bool first = true;
        for (std::size_t k = 0; k < marks; ++k) {
            if (bound && (*bound)[k])
                continue;
            if (!first)
                json += ',';
            first = false;
            if (keys) {
                AppendJsonString(json, (*keys)[k]);
                json += ':';
            }
            if (!AppendJsonValue(json, sets[r][k], text, form))
                return false;
        }
        json += keys ? '}' : ']';
    }
    json += ']';
    return true;
}

// The one value of each set as a flat JSON array (SQLite's json_each gives each as its value).
bool ValuesAsJson(const std::vector<std::vector<_variant_t>>& sets, std::string& json) {
    json.clear();
    json.reserve(sets.size() * 12 + 2);
    json += '[';
    CString text;
    for (std::size_t r = 0; r < sets.size(); ++r) {
        if (sets[r].size() != 1)
            return false;
        if (r)
            json += ',';
        if (!AppendJsonValue(json, sets[r][0], text, RealText::SQLite))
            return false;
    }
    json += ']';
    return true;
}

// The same value, bit for bit (a real -0.0 is not 0.0).
bool SameValue(const _variant_t& a, const _variant_t& b) {
    if (a.vt == VT_R8 && b.vt == VT_R8) {
        const double x = a.ToDouble(), y = b.ToDouble();
        return std::memcmp(&x, &y, sizeof x) == 0;
    }
    return (a.IsNull() || a.IsEmpty()) ? (b.IsNull() || b.IsEmpty()) : a == b;
}

// The marks whose value is the same in every set (a batch's file, product and empty fields):
// each is bound once as a value of its own instead of being read from every JSON row, which is
// where SQLite spends most of such an insert. Empty when the sets differ in length.
std::vector<bool> SameInEverySet(const std::vector<std::vector<_variant_t>>& sets, std::size_t marks) {
    for (const auto& set : sets)
        if (set.size() != marks)
            return {};
    std::vector<bool> same(marks, true);
    for (std::size_t k = 0; k < marks; ++k)
        for (std::size_t r = 1; r < sets.size() && same[k]; ++r)
            same[k] = SameValue(sets[r][k], sets[0][k]);
    return same;
}

// "INSERT INTO t (cols) SELECT <row with each mark as the element of a JSON row> FROM
// json_each(?)": all rows of a batch in one value, one statement that SQLite compiles once. A mark
// whose entry in bound is true stays a mark, bound once for all rows (before the JSON value).
std::string JsonInsertText(const vq::db::SingleRowInsert& insert, const std::vector<bool>& bound) {
    std::string head = insert.head;
    head.erase(head.find_last_not_of(" \t\r\n") + 1);
    head.erase(head.size() - 6); // VALUES
    std::string row;
    std::size_t mark = 0, element = 0;
    char quote = 0;
    const std::string inner = insert.row.substr(1, insert.row.size() - 2);
    for (char c : inner) {
        if (quote) {
            if (c == quote)
                quote = 0;
            row += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            row += c;
        } else if (c == '?') {
            if (mark < bound.size() && bound[mark])
                row += '?';
            else
                row += "json_extract(vq_row.value, '$[" + std::to_string(element++) + "]')";
            ++mark;
        } else {
            row += c;
        }
    }
    return head + "SELECT " + row + " FROM json_each(?) vq_row ORDER BY vq_row.key";
}

} // namespace

// The JSON insert prepared for the marks bound once: one statement for each such set of marks (a
// batch's shape seldom changes), at most seventeen kept.
vq::db::PreparedStatement* _Command::JsonStatement(const std::vector<bool>& bound,
                                                   const std::function<std::string()>& text) {
    if (m_jsonStatements.size() > 16)
        m_jsonStatements.clear();
    auto& statement = m_jsonStatements[bound];
    if (!statement || !statement->IsOpen())
        statement = m_connection->Prepare(CString(text()));
    return statement.get();
}

long _Command::ExecuteRows(const vq::db::SingleRowInsert& insert,
                           const std::vector<std::vector<_variant_t>>& sets) {
    // Rows per statement: a hundred, fewer for wide rows (SQLite takes 32766 values at most).
    const std::size_t rowsPer =
        std::max<std::size_t>(1, std::min<std::size_t>(100, 30000 / std::max<std::size_t>(1, insert.marks)));
    // SQLite's driver compiles a statement anew for every run: all rows go in one JSON value (in
    // the import's store faster than a hundred rows of bound values a statement).
    if (m_connection->GetEngine() == vq::db::Engine::SQLite) {
        const std::vector<bool> bound = SameInEverySet(sets, insert.marks);
        std::string json;
        if (!bound.empty() && RowsAsJson(sets, insert.marks, json, nullptr, &bound)) {
            if (vq::db::PreparedStatement* statement =
                    JsonStatement(bound, [&] { return JsonInsertText(insert, bound); })) {
                std::vector<_variant_t> values;
                for (std::size_t k = 0; k < insert.marks; ++k)
                    if (bound[k])
                        values.push_back(sets[0][k]);
                values.emplace_back(CString(std::move(json)));
                return m_connection->RunPrepared(*statement, values).rowsAffected;
            }
        }
    }
    // PostgreSQL: all rows in one JSON value (faster there than rows of bound values), the values
    // shared by all rows in one object of their own.
    if (m_pgJsonInsert && m_connection->GetEngine() == vq::db::Engine::PostgreSQL) {
        const std::vector<bool> bound = SameInEverySet(sets, insert.marks);
        std::string json, same;
        if (!bound.empty() && RowsAsJson(sets, insert.marks, json, &m_pgJsonInsert->keys, &bound)) {
            std::vector<bool> rest(bound.size());
            for (std::size_t k = 0; k < bound.size(); ++k)
                rest[k] = !bound[k];
            const bool anyBound = std::find(bound.begin(), bound.end(), true) != bound.end();
            if (!anyBound || RowsAsJson({sets[0]}, insert.marks, same, &m_pgJsonInsert->keys, &rest)) {
                if (vq::db::PreparedStatement* statement =
                        JsonStatement(bound, [&] { return PgJsonInsertText(*m_pgJsonInsert, bound); })) {
                    std::vector<_variant_t> values{_variant_t(CString(std::move(json)))};
                    if (anyBound)
                        values.emplace_back(CString(same.substr(1, same.size() - 2))); // the one object
                    return m_connection->RunPrepared(*statement, values).rowsAffected;
                }
            }
        }
    }
    long total = 0;
    std::vector<_variant_t> values;
    for (std::size_t first = 0; first < sets.size(); first += rowsPer) {
        const std::size_t count = std::min(rowsPer, sets.size() - first);
        auto& statement = m_rowStatements[count];
        if (!statement || !statement->IsOpen()) {
            std::string text = insert.head + insert.row;
            for (std::size_t k = 1; k < count; ++k)
                text += ", " + insert.row;
            statement = m_connection->Prepare(CString(text));
            if (!statement)
                throw _com_error(E_FAIL, "The insert of several rows could not be prepared.");
        }
        values.clear();
        for (std::size_t k = first; k < first + count; ++k) {
            if (sets[k].size() != insert.marks)
                throw _com_error(E_INVALIDARG, "Every set of values must have one value for each parameter.");
            values.insert(values.end(), sets[k].begin(), sets[k].end());
        }
        const long affected = m_connection->RunPrepared(*statement, values).rowsAffected;
        total = total < 0 || affected < 0 ? -1 : total + affected;
    }
    return total;
}

namespace {

// A text as an element of a PostgreSQL array literal: quoted, its quotes and backslashes escaped.
void AppendPgArrayString(std::string& array, const std::string& text) {
    array += '"';
    for (char c : text) {
        if (c == '"' || c == '\\')
            array += '\\';
        array += c;
    }
    array += '"';
}

// The one value of each set at column k as a PostgreSQL array literal ('{"a","b\\"c",NULL,7}'):
// nothing for a value that has none (bytes, a number that is not finite).
std::optional<std::string> ColumnAsPgArray(const std::vector<std::vector<_variant_t>>& sets, std::size_t k) {
    std::string array = "{";
    CString text;
    for (std::size_t r = 0; r < sets.size(); ++r) {
        if (r)
            array += ',';
        if (!AppendValue(array, sets[r][k], text, RealText::PostgreSQL, AppendPgArrayString, "NULL"))
            return std::nullopt;
    }
    return array + "}";
}

} // namespace

// The type of each key column on the server by its own name, without a length ("public.citext",
// "pg_catalog.int4", "pg_catalog.bpchar"): a key cast to "character varying(40)" or "character(8)"
// would be cut to the column's length and find a row that its whole text would not. (The type's
// SQL spelling will not do: "character" without a length is char(1).) Nothing when a column is not
// found.
std::optional<std::vector<std::string>> _Command::PgKeyTypes(const vq::db::KeyDelete& keys,
                                                             const std::vector<std::string>& names) {
    std::vector<std::string> types;
    for (const std::string& name : names) {
        const vq::db::ResultData found = m_connection->Run(
            "SELECT quote_ident(n.nspname) || '.' || quote_ident(t.typname) FROM pg_attribute a "
            "JOIN pg_type t ON t.oid = a.atttypid JOIN pg_namespace n ON n.oid = t.typnamespace "
            "WHERE a.attrelid = CAST(? AS regclass) AND a.attname = ? "
            "AND a.attnum > 0 AND NOT a.attisdropped",
            adCmdText, {_variant_t(CString(keys.table)), _variant_t(CString(name))});
        if (found.rows.size() != 1 || found.rows[0].empty() || found.rows[0][0].IsNull())
            return std::nullopt;
        types.push_back(found.rows[0][0].ToString().str());
    }
    return types;
}

// "DELETE FROM t WHERE (a, b) IN (SELECT <elements of each JSON row> FROM json_each(?))": the
// keys of all sets in one value (one column: "a IN (SELECT +value FROM json_each(?))", the keys as
// a flat array). The columns' own collation and type apply to the comparison, as in "a=?": the
// elements are expressions without a type of their own (json_each's value column would keep a
// number a number beside a text column), and SQLite looks each key up through the table's index.
//
// PostgreSQL: "DELETE FROM t WHERE a = ANY (CAST(? AS ta[])) AND b = ANY (CAST(? AS tb[])) AND (a,
// b) IN (SELECT * FROM unnest(CAST(? AS ta[]), CAST(? AS tb[])))", the keys of each column as one
// array of the column's type (citext compares without regard to case and is found through the
// column's index, where a bound text value would be compared as text, by reading the whole
// table), one exchange with the server per batch (psqlODBC would send the sets as statements of
// their own, each planned anew). The statement is sent anew for each batch, so that the server
// plans it with the keys as values: for the table as it is (one prepared while the table was
// empty, in a new database, would go on reading the whole table as the batches fill it) and with
// the lists of keys looked up by hash where it does read the table. Nothing when a column is named
// twice or its type is not found.
std::optional<long> _Command::ExecuteKeyDelete(const vq::db::KeyDelete& keys,
                                               const std::vector<std::vector<_variant_t>>& sets) {
    const bool pg = m_connection->GetEngine() == vq::db::Engine::PostgreSQL;
    std::vector<std::string> names;
    for (const std::string& column : keys.columns) {
        std::string name = column;
        std::transform(name.begin(), name.end(), name.begin(),
                       [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
        if (std::find(names.begin(), names.end(), name) != names.end())
            return std::nullopt;
        names.push_back(std::move(name));
    }
    for (const auto& set : sets)
        if (set.size() != keys.columns.size())
            return std::nullopt;
    if (pg)
        return ExecutePgKeyDelete(keys, names, sets);
    // One column: the keys as a flat array, each read as json_each's value.
    const bool flat = keys.columns.size() == 1;
    std::string json;
    if (!(flat ? ValuesAsJson(sets, json) : RowsAsJson(sets, keys.columns.size(), json)))
        return std::nullopt;
    if (!m_keyDeleteStatement || !m_keyDeleteStatement->IsOpen()) {
        std::string columns, elements, text;
        for (std::size_t k = 0; k < keys.columns.size(); ++k) {
            columns += (k ? ", " : "") + keys.columns[k];
            elements += (k ? ", " : "") + ("json_extract(vq_key.value, '$[" + std::to_string(k) + "]')");
        }
        text = flat ? "DELETE FROM " + keys.table + " WHERE " + columns +
                          " IN (SELECT +vq_key.value FROM json_each(?) vq_key)"
                    : "DELETE FROM " + keys.table + " WHERE (" + columns + ") IN (SELECT " + elements +
                          " FROM json_each(?) vq_key)";
        m_keyDeleteStatement = m_connection->Prepare(CString(text));
        if (!m_keyDeleteStatement)
            return std::nullopt;
    }
    return m_connection->RunPrepared(*m_keyDeleteStatement, {_variant_t(CString(std::move(json)))})
        .rowsAffected;
}

std::optional<long> _Command::ExecutePgKeyDelete(const vq::db::KeyDelete& keys,
                                                 const std::vector<std::string>& names,
                                                 const std::vector<std::vector<_variant_t>>& sets) {
    std::vector<_variant_t> arrays;
    for (std::size_t k = 0; k < keys.columns.size(); ++k) {
        std::optional<std::string> array = ColumnAsPgArray(sets, k);
        if (!array)
            return std::nullopt;
        arrays.emplace_back(CString(std::move(*array)));
    }
    if (m_keyDeleteText.empty()) {
        const std::optional<std::vector<std::string>> types = PgKeyTypes(keys, names);
        if (!types)
            return std::nullopt;
        std::string text = "DELETE FROM " + keys.table + " WHERE ", columns, unnest;
        for (std::size_t k = 0; k < keys.columns.size(); ++k) {
            const std::string array = "CAST(? AS " + (*types)[k] + "[])";
            text += (k ? " AND " : "") + keys.columns[k] + " = ANY (" + array + ")";
            columns += (k ? ", " : "") + keys.columns[k];
            unnest += (k ? ", " : "") + array;
        }
        if (keys.columns.size() > 1)
            text += " AND (" + columns + ") IN (SELECT * FROM unnest(" + unnest + "))";
        m_keyDeleteText = text;
    }
    std::vector<_variant_t> values = arrays;
    if (keys.columns.size() > 1)
        values.insert(values.end(), arrays.begin(), arrays.end());
    // A table filled in this transaction has no statistics yet: the server takes a list of keys
    // to match a fifth of it and reads it whole for each batch. Inside the transaction the
    // delete goes through the index (the setting comes back as it was, for the statements after).
    if (!m_connection->InTransaction())
        return m_connection->Run(CString(m_keyDeleteText), adCmdText, values).rowsAffected;
    const vq::db::ResultData before = m_connection->Run(
        "SELECT current_setting('enable_seqscan'), set_config('enable_seqscan', 'off', true)", adCmdText, {});
    const _variant_t setting =
        !before.rows.empty() && !before.rows[0].empty() ? before.rows[0][0] : _variant_t(CString("on"));
    const auto restore = [&] {
        m_connection->Run("SELECT set_config('enable_seqscan', ?, true)", adCmdText, {setting});
    };
    long deleted = 0;
    try {
        deleted = m_connection->Run(CString(m_keyDeleteText), adCmdText, values).rowsAffected;
    } catch (const _com_error&) {
        // The driver undid the failed statement only and the transaction goes on: it plans as
        // before. (Where the transaction failed as a whole the setting went with it, and the
        // delete's error is the one to tell.)
        try {
            restore();
        } catch (const _com_error&) {
        }
        throw;
    }
    restore();
    return deleted;
}

long _Command::ExecuteArray(const std::vector<std::vector<_variant_t>>& sets) {
    _Connection::CheckUsable(m_connection);
    if (sets.empty())
        return 0;
    if (vq::db::PreparedStatement* statement = Statement()) {
        if (m_insert && sets.size() > 1)
            return ExecuteRows(*m_insert, sets);
        if (m_keyDelete && sets.size() > 1) {
            if (std::optional<long> affected = ExecuteKeyDelete(*m_keyDelete, sets))
                return *affected;
        }
        return m_connection->RunPreparedArray(*statement, sets);
    }
    long total = 0;
    for (const auto& set : sets) {
        long affected = m_connection->Run(m_text, adCmdText, set).rowsAffected;
        total = total < 0 || affected < 0 ? -1 : total + affected;
    }
    return total;
}

_RecordsetPtr _Command::Execute(long* recordsAffected, const _variant_t*, long options) {
    _Connection::CheckUsable(m_connection);
    const long type = EffectiveType(options);
    vq::db::PreparedStatement* statement = nullptr;
    if (m_prepared && (type == adCmdText || type == adCmdUnknown) &&
        !vq::db::IsSingleIdentifier(m_text.str()))
        statement = Statement();
    vq::db::ResultData data = statement ? m_connection->RunPrepared(*statement, ParameterValues())
                                        : m_connection->Run(m_text, type, ParameterValues());
    if (recordsAffected)
        *recordsAffected = data.rowsAffected;
    _RecordsetPtr rs;
    rs.CreateInstance();
    if (data.hasResultSet)
        rs->Attach(m_connection, std::move(data), adOpenStatic);
    return rs;
}
