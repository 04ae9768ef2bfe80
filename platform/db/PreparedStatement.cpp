#include "platform/db/PreparedStatement.h"

#include "platform/db/OdbcStatement.h"

#include "platform/db/OdbcApi.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace vq::db {

namespace {

SQLHSTMT Handle(void* stmt) {
    return static_cast<SQLHSTMT>(stmt);
}

void Check(void* stmt, SQLRETURN rc) {
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
        throw DiagnosticError(SQL_HANDLE_STMT, stmt);
}

_com_error ClosedError() {
    return _com_error(adErrObjectClosed, "Operation is not allowed when the object is closed.");
}

// How the values of one parameter are bound across the sets of an array.
enum class ColumnKind { Null, Integer, Real, Text, Binary, Mixed };

ColumnKind KindOf(const _variant_t& value) {
    switch (value.vt) {
    case VT_I4:
    case VT_I8:
        return ColumnKind::Integer;
    case VT_R8:
        return ColumnKind::Real;
    case VT_BSTR:
        return ColumnKind::Text;
    case VT_BINARY:
        return ColumnKind::Binary;
    default:
        return ColumnKind::Null;
    }
}

// The kind that holds both: whole numbers widen to real, numbers go as text beside text; bytes
// mix with nothing but NULL.
ColumnKind Merge(ColumnKind a, ColumnKind b) {
    if (a == b || b == ColumnKind::Null)
        return a;
    if (a == ColumnKind::Null)
        return b;
    if (a == ColumnKind::Binary || b == ColumnKind::Binary || a == ColumnKind::Mixed ||
        b == ColumnKind::Mixed)
        return ColumnKind::Mixed;
    if (a == ColumnKind::Text || b == ColumnKind::Text)
        return ColumnKind::Text;
    return ColumnKind::Real;
}

// The bound array of one parameter: one element per set, laid out by column.
struct ColumnBuffer {
    ColumnKind kind = ColumnKind::Null;
    std::size_t width = 1; // bytes of one text or byte element
    std::vector<char> data;
    std::vector<SQLLEN> indicators;
};

std::size_t ElementBytes(const _variant_t& value) {
    if (value.vt == VT_BSTR)
        return static_cast<std::size_t>(value.ToString().GetLength());
    return 0;
}

} // namespace

PreparedStatement::PreparedStatement(void* dbc, std::string sql) : m_dbc(dbc), m_sql(std::move(sql)) {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, static_cast<SQLHDBC>(dbc), &stmt)))
        throw DiagnosticError(SQL_HANDLE_DBC, dbc);
    SQLRETURN rc = SQLPrepare(stmt, (SQLCHAR*)m_sql.c_str(), static_cast<SQLINTEGER>(m_sql.size()));
    if (!SQL_SUCCEEDED(rc)) {
        _com_error error = DiagnosticError(SQL_HANDLE_STMT, stmt);
        SQLFreeHandle(SQL_HANDLE_STMT, stmt);
        throw error;
    }
    m_stmt = stmt;
}

PreparedStatement::~PreparedStatement() {
    Release();
}

void PreparedStatement::Release() {
    if (m_stmt)
        SQLFreeHandle(SQL_HANDLE_STMT, Handle(m_stmt));
    m_stmt = nullptr;
}

void PreparedStatement::ResetParameters() {
    SQLFreeStmt(Handle(m_stmt), SQL_CLOSE);
    SQLFreeStmt(Handle(m_stmt), SQL_RESET_PARAMS);
}

ResultData PreparedStatement::Execute(const std::vector<_variant_t>& parameters) {
    if (!m_stmt)
        throw ClosedError();
    ResetParameters();
    std::deque<BoundValue> store;
    BindParameters(m_stmt, parameters, store);
    SQLRETURN rc = SQLExecute(Handle(m_stmt));
    Check(m_stmt, rc);
    ResultData data = ReadResult(m_stmt, rc == SQL_NO_DATA);
    SQLFreeStmt(Handle(m_stmt), SQL_CLOSE);
    return data;
}

long PreparedStatement::ExecuteEach(const std::vector<std::vector<_variant_t>>& sets, std::size_t first,
                                    std::size_t count) {
    long total = 0;
    for (std::size_t i = first; i < first + count; ++i) {
        long affected = Execute(sets[i]).rowsAffected;
        total = total < 0 || affected < 0 ? -1 : total + affected;
    }
    return total;
}

long PreparedStatement::ExecuteArray(const std::vector<std::vector<_variant_t>>& sets) {
    if (!m_stmt)
        throw ClosedError();
    if (sets.empty())
        return 0;
    const std::size_t parameters = sets.front().size();
    // The widest element of each parameter decides how many sets one call can carry.
    std::size_t setBytes = 0;
    for (std::size_t p = 0; p < parameters; ++p) {
        std::size_t widest = 8;
        for (const auto& set : sets)
            if (p < set.size())
                widest = std::max(widest, ElementBytes(set[p]));
        setBytes += widest + sizeof(SQLLEN);
    }
    const std::size_t perCall =
        std::max<std::size_t>(1, kArrayBufferLimit / std::max<std::size_t>(1, setBytes));
    long total = 0;
    for (std::size_t first = 0; first < sets.size(); first += perCall) {
        const std::size_t count = std::min(perCall, sets.size() - first);
        long affected =
            m_arrays && count > 1 ? ExecuteArrayPart(sets, first, count) : ExecuteEach(sets, first, count);
        total = total < 0 || affected < 0 ? -1 : total + affected;
    }
    return total;
}

long PreparedStatement::ExecuteArrayPart(const std::vector<std::vector<_variant_t>>& sets, std::size_t first,
                                         std::size_t count) {
    const std::size_t parameters = sets[first].size();
    std::vector<ColumnBuffer> columns(parameters);
    for (std::size_t p = 0; p < parameters; ++p) {
        ColumnBuffer& column = columns[p];
        for (std::size_t i = first; i < first + count; ++i) {
            if (sets[i].size() != parameters)
                throw _com_error(E_INVALIDARG, "Every set of values must have one value for each parameter.");
            column.kind = Merge(column.kind, KindOf(sets[i][p]));
            column.width = std::max(column.width, ElementBytes(sets[i][p]));
        }
        // Bytes run one set at a time: the SQLite driver reads byte arrays of a batch wrongly
        // (every set gets the first set's length), and a byte value seldom comes in batches.
        if (column.kind == ColumnKind::Mixed || column.kind == ColumnKind::Binary)
            return ExecuteEach(sets, first, count);
    }

    SQLHSTMT stmt = Handle(m_stmt);
    ResetParameters();
    if (!SQL_SUCCEEDED(SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_BIND_TYPE,
                                      reinterpret_cast<SQLPOINTER>(SQL_PARAM_BIND_BY_COLUMN), 0)) ||
        !SQL_SUCCEEDED(
            SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(count), 0))) {
        m_arrays = false; // the driver has no parameter arrays
        SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
        return ExecuteEach(sets, first, count);
    }
    std::vector<SQLUSMALLINT> status(count, SQL_PARAM_UNUSED);
    SQLULEN processed = 0;
    SQLLEN affected = -1;
    {
        SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_STATUS_PTR, status.data(), 0);
        SQLSetStmtAttr(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, &processed, 0);
        struct Restore {
            SQLHSTMT stmt;
            ~Restore() {
                SQLSetStmtAttr(stmt, SQL_ATTR_PARAM_STATUS_PTR, nullptr, 0);
                SQLSetStmtAttr(stmt, SQL_ATTR_PARAMS_PROCESSED_PTR, nullptr, 0);
                SQLSetStmtAttr(stmt, SQL_ATTR_PARAMSET_SIZE, reinterpret_cast<SQLPOINTER>(1), 0);
                SQLFreeStmt(stmt, SQL_RESET_PARAMS);
            }
        } restore{stmt};

        for (std::size_t p = 0; p < parameters; ++p) {
            ColumnBuffer& column = columns[p];
            column.indicators.assign(count, SQL_NULL_DATA);
            SQLSMALLINT cType = SQL_C_CHAR, sqlType = SQL_VARCHAR;
            std::size_t width = column.width;
            switch (column.kind) {
            case ColumnKind::Integer:
                cType = SQL_C_SBIGINT;
                sqlType = SQL_BIGINT;
                width = sizeof(long long);
                break;
            case ColumnKind::Real:
                cType = SQL_C_DOUBLE;
                sqlType = SQL_DOUBLE;
                width = sizeof(double);
                break;
            default:
                sqlType = width > 4000 ? SQL_LONGVARCHAR : SQL_VARCHAR;
                break;
            }
            column.data.assign(count * width, 0);
            for (std::size_t k = 0; k < count; ++k) {
                const _variant_t& value = sets[first + k][p];
                if (value.IsNull() || value.IsEmpty())
                    continue;
                char* element = column.data.data() + k * width;
                if (column.kind == ColumnKind::Integer) {
                    const long long v = value.ToInt64();
                    std::memcpy(element, &v, sizeof v);
                    column.indicators[k] = 0;
                } else if (column.kind == ColumnKind::Real) {
                    const double v = value.ToDouble();
                    std::memcpy(element, &v, sizeof v);
                    column.indicators[k] = 0;
                } else {
                    const CString text = value.ToString();
                    std::copy(text.c_str(), text.c_str() + text.GetLength(), element);
                    column.indicators[k] = static_cast<SQLLEN>(text.GetLength());
                }
            }
            Check(stmt, SQLBindParameter(
                            stmt, static_cast<SQLUSMALLINT>(p + 1), SQL_PARAM_INPUT, cType, sqlType,
                            column.kind == ColumnKind::Integer || column.kind == ColumnKind::Real ? 0 : width,
                            0, column.data.data(), static_cast<SQLLEN>(width), column.indicators.data()));
        }

        SQLRETURN rc = SQLExecute(stmt);
        if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA)
            throw DiagnosticError(SQL_HANDLE_STMT, stmt);
        // A set can fail while the call as a whole reports success with information.
        for (std::size_t k = 0; k < count && k < processed; ++k)
            if (status[k] == SQL_PARAM_ERROR)
                throw DiagnosticError(SQL_HANDLE_STMT, stmt);
        if (rc != SQL_NO_DATA)
            SQLRowCount(stmt, &affected);
        SQLFreeStmt(stmt, SQL_CLOSE);
    } // the array attributes are reset here
    // A driver that took the attribute but ran fewer sets: run the rest one by one.
    if (processed > 0 && processed < count) {
        m_arrays = false;
        long rest = ExecuteEach(sets, first + processed, count - processed);
        return affected < 0 || rest < 0 ? -1 : static_cast<long>(affected) + rest;
    }
    return static_cast<long>(affected);
}

} // namespace vq::db
