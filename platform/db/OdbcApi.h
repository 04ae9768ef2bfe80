// The ODBC API for the two files of this layer that call it. The ODBC headers declare their own
// Windows-style type names (ULONG, DWORD, ...) that differ from ours, so they are kept in their
// own namespace; the functions keep their C linkage.
#pragma once

#include <cwchar>

namespace odbc {
#include <sql.h>
#include <sqlext.h>
} // namespace odbc

using namespace odbc;
