#include "platform/db/Command.h"

#include "platform/db/PreparedStatement.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

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
    std::string columns, row;
    for (std::size_t k = 0; k < insert->columns.size(); ++k) {
        columns += (k ? ", " : "") + insert->columns[k];
        row += k ? ", " : "";
        if (insert->elements[k] == "?") {
            std::string key = insert->columns[k];
            std::transform(key.begin(), key.end(), key.begin(),
                           [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
            json.keys.push_back(key);
            row += "vq_row." + key;
        } else {
            row += insert->elements[k];
        }
    }
    std::vector<std::string> sorted = json.keys;
    std::sort(sorted.begin(), sorted.end());
    if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end())
        return std::nullopt;
    json.text = "INSERT INTO " + insert->table + " (" + columns + ") SELECT " + row +
                " FROM json_populate_recordset(CAST(NULL AS " + insert->table + "), CAST(? AS json)) vq_row";
    return json;
}

} // namespace

vq::db::PreparedStatement* _Command::Statement() {
    const bool current = m_statementConnection == m_connection.GetInterfacePtr() && m_statementText == m_text;
    if (current && (m_statementUnprepared || (m_statement && m_statement->IsOpen())))
        return m_statement.get();
    m_statement.reset();
    m_rowStatements.clear();
    m_statementConnection = m_connection.GetInterfacePtr();
    m_statementText = m_text;
    m_statement = m_connection->Prepare(m_text);
    m_statementUnprepared = !m_statement;
    const vq::db::Engine engine = m_connection->GetEngine();
    m_insert.reset();
    m_keyDelete.reset();
    m_keyDeleteStatement.reset();
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

// The rows as one JSON array: of arrays (SQLite's json_each), or of objects whose fields are
// named by keys (PostgreSQL's json_populate_recordset). False when a value has no JSON form
// (bytes, a number that is not finite) or a set has the wrong number of values.
bool RowsAsJson(const std::vector<std::vector<_variant_t>>& sets, std::size_t marks, std::string& json,
                const std::vector<std::string>* keys = nullptr) {
    json = "[";
    char number[64];
    for (std::size_t r = 0; r < sets.size(); ++r) {
        if (sets[r].size() != marks)
            return false;
        if (r)
            json += ',';
        json += keys ? '{' : '[';
        for (std::size_t k = 0; k < marks; ++k) {
            const _variant_t& v = sets[r][k];
            if (k)
                json += ',';
            if (keys) {
                AppendJsonString(json, (*keys)[k]);
                json += ':';
            }
            if (v.vt == VT_I4 || v.vt == VT_I8) {
                json += std::to_string(v.ToInt64());
            } else if (v.vt == VT_R8) {
                const double d = v.ToDouble();
                if (!std::isfinite(d))
                    return false;
                auto end = std::to_chars(number, number + sizeof number, d).ptr;
                json.append(number, end);
            } else if (v.vt == VT_BSTR) {
                AppendJsonString(json, v.ToString().str());
            } else if (v.IsNull() || v.IsEmpty()) {
                json += "null";
            } else {
                return false;
            }
        }
        json += keys ? '}' : ']';
    }
    json += ']';
    return true;
}

// "INSERT INTO t (cols) SELECT <row with each mark as the element of a JSON row> FROM
// json_each(?)": all rows of a batch in one value, one statement that SQLite compiles once.
std::string JsonInsertText(const vq::db::SingleRowInsert& insert) {
    std::string head = insert.head;
    head.erase(head.find_last_not_of(" \t\r\n") + 1);
    head.erase(head.size() - 6); // VALUES
    std::string row;
    std::size_t mark = 0;
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
            row += "json_extract(vq_row.value, '$[" + std::to_string(mark++) + "]')";
        } else {
            row += c;
        }
    }
    return head + "SELECT " + row + " FROM json_each(?) vq_row ORDER BY vq_row.key";
}

} // namespace

long _Command::ExecuteRows(const vq::db::SingleRowInsert& insert,
                           const std::vector<std::vector<_variant_t>>& sets) {
    // Rows per statement: a hundred, fewer for wide rows (SQLite takes 32766 values at most).
    const std::size_t rowsPer =
        std::max<std::size_t>(1, std::min<std::size_t>(100, 30000 / std::max<std::size_t>(1, insert.marks)));
    // SQLite's driver compiles a statement anew for every run: all rows go in one JSON value (in
    // the import's store faster than a hundred rows of bound values a statement).
    if (m_connection->GetEngine() == vq::db::Engine::SQLite) {
        std::string json;
        if (RowsAsJson(sets, insert.marks, json)) {
            auto& statement = m_rowStatements[0];
            if (!statement || !statement->IsOpen())
                statement = m_connection->Prepare(CString(JsonInsertText(insert)));
            if (statement)
                return m_connection->RunPrepared(*statement, {_variant_t(CString(std::move(json)))})
                    .rowsAffected;
        }
    }
    // PostgreSQL: all rows in one JSON value (faster there than rows of bound values).
    if (m_pgJsonInsert && m_connection->GetEngine() == vq::db::Engine::PostgreSQL) {
        std::string json;
        if (RowsAsJson(sets, insert.marks, json, &m_pgJsonInsert->keys)) {
            auto& statement = m_rowStatements[0];
            if (!statement || !statement->IsOpen())
                statement = m_connection->Prepare(CString(m_pgJsonInsert->text));
            if (statement)
                return m_connection->RunPrepared(*statement, {_variant_t(CString(std::move(json)))})
                    .rowsAffected;
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

// "DELETE FROM t WHERE (a, b) IN (SELECT <elements of each JSON row> FROM json_each(?))": the
// keys of all sets in one value. The columns' own collation applies to the comparison, as in
// "a=?", and SQLite looks each key up through the table's index.
//
// PostgreSQL: "DELETE FROM t WHERE a = ANY (ARRAY(SELECT vq_key.a FROM <keys> vq_key)) AND b = ANY
// (...) AND (a, b) IN (SELECT vq_key.a, vq_key.b FROM <keys> vq_key)", the keys being
// "json_populate_recordset(CAST(NULL AS t), CAST(? AS json))": each key typed as its column (citext
// compares without regard to case and is found through the column's index, where a bound text
// value would be compared as text, by reading the whole table), the lists of values looked up in
// the indexes (as a join, the planner would read a whole index for a few keys), one prepared
// statement and one exchange with the server per batch (psqlODBC would send the sets as
// statements of their own, each planned anew). Nothing when a column is named twice (a JSON field
// would be lost).
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
    std::string json;
    if (!RowsAsJson(sets, keys.columns.size(), json, pg ? &names : nullptr))
        return std::nullopt;
    if (!m_keyDeleteStatement || !m_keyDeleteStatement->IsOpen()) {
        std::string columns, elements, text;
        for (std::size_t k = 0; k < keys.columns.size(); ++k) {
            columns += (k ? ", " : "") + keys.columns[k];
            elements += (k ? ", " : "") + (pg ? "vq_key." + names[k]
                                              : "json_extract(vq_key.value, '$[" + std::to_string(k) + "]')");
        }
        if (pg) {
            const std::string source =
                " FROM json_populate_recordset(CAST(NULL AS " + keys.table + "), CAST(? AS json)) vq_key";
            text = "DELETE FROM " + keys.table + " WHERE ";
            for (std::size_t k = 0; k < keys.columns.size(); ++k)
                text += (k ? " AND " : "") + keys.columns[k] + " = ANY (ARRAY(SELECT vq_key." + names[k] +
                        source + "))";
            if (keys.columns.size() > 1)
                text += " AND (" + columns + ") IN (SELECT " + elements + source + ")";
        } else {
            text = "DELETE FROM " + keys.table + " WHERE (" + columns + ") IN (SELECT " + elements +
                   " FROM json_each(?) vq_key)";
        }
        m_keyDeleteStatement = m_connection->Prepare(CString(text));
        if (!m_keyDeleteStatement)
            return std::nullopt;
    }
    // The keys once for each mark.
    const std::size_t marks = pg ? keys.columns.size() + (keys.columns.size() > 1 ? 1 : 0) : 1;
    const std::vector<_variant_t> values(marks, _variant_t(CString(std::move(json))));
    return m_connection->RunPrepared(*m_keyDeleteStatement, values).rowsAffected;
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
