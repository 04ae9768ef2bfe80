// Running one statement on an ODBC connection handle and reading its rows whole. Internal to
// the data access layer; the handle is passed as void* so that no ODBC header leaks out.
#pragma once

#include "platform/db/Connection.h"

#include <deque>
#include <string>
#include <vector>

namespace vq::db {

// The buffer of one bound parameter; it must stay in place until the statement has run.
struct BoundValue {
    std::string text;
    std::vector<BYTE> bytes;
    long long integer = 0;
    double real = 0;
    long indicator = 0; // SQLLEN
};

// Binds the values in order to the '?' marks of a statement handle (SQLHSTMT); the buffers go
// into store. Throws _com_error with the driver's diagnostics.
void BindParameters(void* stmt, const std::vector<_variant_t>& parameters, std::deque<BoundValue>& store);

// The rows (or the count of rows affected) of a statement handle that has just run; noData is
// true when the run returned SQL_NO_DATA.
ResultData ReadResult(void* stmt, bool noData);

// Runs sql with the parameters bound in order to its '?' marks. Throws _com_error with the
// driver's diagnostics when it fails. Text of several statements gives the result of the one after
// the first `leading` ones (whose results are passed over; an error of any of them is thrown).
ResultData ExecuteOdbc(void* dbc, const std::string& sql, const std::vector<_variant_t>& parameters,
                       int leading = 0);

// The key columns of a table in key order; empty when the driver does not say.
std::vector<CString> PrimaryKeysOdbc(void* dbc, const std::string& table);

// The error for the diagnostics of a handle (SQL_HANDLE_DBC or SQL_HANDLE_STMT).
_com_error DiagnosticError(short handleType, void* handle);

} // namespace vq::db
