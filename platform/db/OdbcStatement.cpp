#include "platform/db/OdbcStatement.h"

#include "platform/db/OdbcApi.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <deque>

namespace vq::db {

_com_error DiagnosticError(short handleType, void* handle) {
    std::string description;
    SQLCHAR state[6] = {};
    SQLINTEGER nativeCode = 0;
    SQLCHAR message[2048];
    SQLSMALLINT length = 0;
    for (SQLSMALLINT record = 1; record <= 5; ++record) {
        SQLRETURN rc =
            SQLGetDiagRec(handleType, handle, record, state, &nativeCode, message, sizeof message, &length);
        if (!SQL_SUCCEEDED(rc))
            break;
        if (!description.empty())
            description += "\n";
        description += reinterpret_cast<const char*>(message);
    }
    if (description.empty())
        description = "The database reported an error without a description.";
    return _com_error(E_FAIL, CString(description), CString(reinterpret_cast<const char*>(state)));
}

namespace {

// Owns a statement handle for the length of one call.
class Statement {
public:
    explicit Statement(void* dbc) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc), &m_handle)))
            throw DiagnosticError(SQL_HANDLE_DBC, dbc);
    }
    ~Statement() { SQLFreeHandle(SQL_HANDLE_STMT, m_handle); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    SQLHSTMT Handle() const { return m_handle; }
    void Check(SQLRETURN rc) const {
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            throw DiagnosticError(SQL_HANDLE_STMT, m_handle);
    }

private:
    SQLHSTMT m_handle = SQL_NULL_HSTMT;
};

void Check(SQLHSTMT stmt, SQLRETURN rc) {
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        throw DiagnosticError(SQL_HANDLE_STMT, stmt);
}

bool IsBinaryType(SQLSMALLINT t) {
    return t == SQL_BINARY || t == SQL_VARBINARY || t == SQL_LONGVARBINARY;
}
bool IsIntegerType(SQLSMALLINT t) {
    return t == SQL_INTEGER || t == SQL_SMALLINT || t == SQL_TINYINT || t == SQL_BIGINT || t == SQL_BIT;
}
bool IsRealType(SQLSMALLINT t) {
    return t == SQL_REAL || t == SQL_FLOAT || t == SQL_DOUBLE || t == SQL_NUMERIC || t == SQL_DECIMAL;
}

DataTypeEnum AdoType(SQLSMALLINT t) {
    if (t == SQL_BIGINT)
        return adBigInt;
    if (IsIntegerType(t))
        return adInteger;
    if (IsRealType(t))
        return adDouble;
    if (t == SQL_LONGVARBINARY)
        return adLongVarBinary;
    if (IsBinaryType(t))
        return adVarBinary;
    if (t == SQL_CHAR || t == SQL_WCHAR)
        return adChar;
    if (t == SQL_LONGVARCHAR || t == SQL_WLONGVARCHAR)
        return adLongVarChar;
    return adVarChar;
}

// Reads one column of the current row whole, in pieces.
constexpr std::size_t kFirstPiece = 1024;
constexpr std::size_t kLargestPiece = 16u << 20;

// buffer is the scratch space of the pieces, kept by the caller across columns and rows.
_variant_t ReadColumn(SQLHSTMT stmt, SQLUSMALLINT column, SQLSMALLINT type, std::vector<char>& buffer) {
    const bool binary = IsBinaryType(type);
    const SQLSMALLINT cType = binary ? SQL_C_BINARY : SQL_C_CHAR;
    std::string data;
    bool isNull = false;
    // A small first piece: drivers may fill the whole buffer they are given (the SQLite driver
    // pads text with NULs to its end), so a value is read into a buffer of about its size.
    std::size_t piece = kFirstPiece;
    for (;;) {
        if (buffer.size() < piece)
            buffer.resize(piece);
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(stmt, column, cType, buffer.data(), static_cast<SQLLEN>(piece), &indicator);
        if (rc == SQL_NO_DATA)
            break;
        Check(stmt, rc);
        if (indicator == SQL_NULL_DATA) {
            isNull = true;
            break;
        }
        std::size_t room = binary ? piece : piece - 1; // text ends in a NUL
        std::size_t got = (indicator == SQL_NO_TOTAL || static_cast<std::size_t>(indicator) > room)
                              ? room
                              : static_cast<std::size_t>(indicator);
        data.append(buffer.data(), got);
        if (rc == SQL_SUCCESS)
            break;
        // The rest in one piece when the driver says how much is left.
        const std::size_t rest =
            indicator == SQL_NO_TOTAL ? piece * 4 : static_cast<std::size_t>(indicator) - got + 1;
        piece = std::min(std::max(rest, kFirstPiece), kLargestPiece);
    }
    if (isNull)
        return _variant_t::Null();
    if (binary)
        return _variant_t(std::vector<BYTE>(data.begin(), data.end()));
    if (IsIntegerType(type)) {
        errno = 0;
        char* end = nullptr;
        long long v = std::strtoll(data.c_str(), &end, 10);
        if (!data.empty() && errno == 0 && *end == '\0')
            return _variant_t(v);
    } else if (IsRealType(type)) {
        errno = 0;
        char* end = nullptr;
        double v = std::strtod(data.c_str(), &end);
        if (!data.empty() && errno == 0 && *end == '\0')
            return _variant_t(v);
    }
    return _variant_t(CString(std::move(data)));
}

} // namespace

static_assert(sizeof(SQLLEN) == sizeof(long), "BoundValue keeps its indicator as long");

void BindParameters(void* handle, const std::vector<_variant_t>& parameters, std::deque<BoundValue>& store) {
    SQLHSTMT stmt = static_cast<SQLHSTMT>(handle);
    SQLUSMALLINT number = 0;
    for (const _variant_t& value : parameters) {
        ++number;
        BoundValue& b = store.emplace_back();
        SQLLEN* indicator = reinterpret_cast<SQLLEN*>(&b.indicator);
        SQLRETURN rc;
        switch (value.vt) {
        case VT_I4:
        case VT_I8:
            b.integer = value.ToInt64();
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_SBIGINT, SQL_BIGINT, 0, 0, &b.integer,
                                  0, nullptr);
            break;
        case VT_R8:
            b.real = value.ToDouble();
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_DOUBLE, SQL_DOUBLE, 0, 0, &b.real, 0,
                                  nullptr);
            break;
        case VT_BINARY:
            b.bytes = value.Bytes();
            if (b.bytes.empty())
                b.bytes.reserve(1); // a valid pointer for an empty value
            b.indicator = static_cast<long>(b.bytes.size());
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_BINARY, SQL_LONGVARBINARY,
                                  b.bytes.size() ? b.bytes.size() : 1, 0, b.bytes.data(),
                                  static_cast<SQLLEN>(b.bytes.size()), indicator);
            break;
        case VT_BSTR:
            b.text = value.ToString().str();
            b.indicator = static_cast<long>(b.text.size());
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_CHAR,
                                  b.text.size() > 4000 ? SQL_LONGVARCHAR : SQL_VARCHAR,
                                  b.text.empty() ? 1 : b.text.size(), 0, b.text.data(),
                                  static_cast<SQLLEN>(b.text.size()), indicator);
            break;
        default: // NULL, empty, missing
            b.indicator = SQL_NULL_DATA;
            rc = SQLBindParameter(stmt, number, SQL_PARAM_INPUT, SQL_C_CHAR, SQL_VARCHAR, 1, 0, nullptr, 0,
                                  indicator);
            break;
        }
        Check(stmt, rc);
    }
}

ResultData ReadResult(void* handle, bool noData) {
    SQLHSTMT stmt = static_cast<SQLHSTMT>(handle);
    ResultData result;
    SQLSMALLINT columns = 0;
    Check(stmt, SQLNumResultCols(stmt, &columns));
    if (!noData && columns > 0) {
        result.hasResultSet = true;
        std::vector<SQLSMALLINT> types;
        for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c) {
            SQLCHAR name[512] = {};
            SQLSMALLINT nameLength = 0, type = 0, digits = 0, nullable = 0;
            SQLULEN size = 0;
            Check(stmt,
                  SQLDescribeCol(stmt, c, name, sizeof name, &nameLength, &type, &size, &digits, &nullable));
            vq::db::ResultColumn column;
            column.name = CString(reinterpret_cast<const char*>(name));
            column.type = AdoType(type);
            column.definedSize = static_cast<long>(size > 0x7fffffff ? 0x7fffffff : size);
            result.columns.push_back(column);
            types.push_back(type);
        }
        std::vector<char> buffer(kFirstPiece);
        for (;;) {
            SQLRETURN rc = SQLFetch(stmt);
            if (rc == SQL_NO_DATA)
                break;
            Check(stmt, rc);
            std::vector<_variant_t> row;
            row.reserve(types.size());
            for (SQLUSMALLINT c = 1; c <= static_cast<SQLUSMALLINT>(columns); ++c)
                row.push_back(ReadColumn(stmt, c, types[c - 1], buffer));
            result.rows.push_back(std::move(row));
        }
        SQLFreeStmt(stmt, SQL_CLOSE);
    } else {
        SQLLEN count = -1;
        if (!noData)
            SQLRowCount(stmt, &count);
        else
            count = 0;
        result.rowsAffected = static_cast<long>(count);
    }
    return result;
}

ResultData ExecuteOdbc(void* dbc, const std::string& sql, const std::vector<_variant_t>& parameters,
                       int leading) {
    Statement stmt(dbc);
    std::deque<BoundValue> store;
    BindParameters(stmt.Handle(), parameters, store);
    SQLRETURN rc = SQLExecDirect(stmt.Handle(), (SQLCHAR*)sql.c_str(), static_cast<SQLINTEGER>(sql.size()));
    stmt.Check(rc);
    for (int passed = 0; passed < leading; ++passed) {
        rc = SQLMoreResults(stmt.Handle());
        if (rc == SQL_NO_DATA)
            throw _com_error(E_FAIL, "A statement of the text returned no result.");
        stmt.Check(rc);
    }
    return ReadResult(stmt.Handle(), rc == SQL_NO_DATA);
}

std::vector<CString> PrimaryKeysOdbc(void* dbc, const std::string& table) {
    std::vector<CString> keys;
    try {
        Statement stmt(dbc);
        SQLRETURN rc =
            SQLPrimaryKeys(stmt.Handle(), nullptr, 0, nullptr, 0, (SQLCHAR*)table.c_str(), SQL_NTS);
        if (!SQL_SUCCEEDED(rc))
            return keys;
        std::vector<std::pair<int, CString>> found;
        while (SQL_SUCCEEDED(SQLFetch(stmt.Handle()))) {
            std::vector<char> buffer(1024);
            _variant_t name = ReadColumn(stmt.Handle(), 4, SQL_VARCHAR, buffer);
            _variant_t seq = ReadColumn(stmt.Handle(), 5, SQL_SMALLINT, buffer);
            if (name.IsNull())
                continue;
            found.emplace_back(seq.IsNull() ? 0 : static_cast<int>(seq.ToInt64()), name.ToString());
        }
        std::stable_sort(found.begin(), found.end(), [](auto& a, auto& b) { return a.first < b.first; });
        for (auto& f : found)
            keys.push_back(f.second);
    } catch (const _com_error&) {
        keys.clear();
    }
    return keys;
}

} // namespace vq::db
