// Running one statement on an ODBC connection handle and reading its rows whole. Internal to
// the data access layer; the handle is passed as void* so that no ODBC header leaks out.
#pragma once

#include "platform/db/Connection.h"

#include <string>
#include <vector>

namespace vq::db {

// Runs sql with the parameters bound in order to its '?' marks. Throws _com_error with the
// driver's diagnostics when it fails.
ResultData ExecuteOdbc(void* dbc, const std::string& sql, const std::vector<_variant_t>& parameters);

// The key columns of a table in key order; empty when the driver does not say.
std::vector<CString> PrimaryKeysOdbc(void* dbc, const std::string& table);

// The error for the diagnostics of a handle (SQL_HANDLE_DBC or SQL_HANDLE_STMT).
_com_error DiagnosticError(short handleType, void* handle);

} // namespace vq::db
