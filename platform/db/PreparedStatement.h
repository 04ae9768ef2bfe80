// A statement prepared once on an ODBC connection and run many times with bound values.
// Internal to the data access layer (the command object uses it); the handles are void* so that
// no ODBC header leaks out.
//
// ExecuteArray runs the statement for many sets of values: with parameter arrays
// (SQL_ATTR_PARAMSET_SIZE) where the driver has them, which psqlODBC and the SQLite driver do, so
// that a batch costs one call (and on a server one round trip); else once per set.
#pragma once

#include "platform/db/Connection.h"

#include <string>
#include <vector>

namespace vq::db {

class PreparedStatement {
public:
    // Prepares sql (already in the engine's dialect). Throws _com_error when the driver refuses.
    PreparedStatement(void* dbc, std::string sql);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    const std::string& Sql() const { return m_sql; }
    bool IsOpen() const { return m_stmt != nullptr; }

    // Runs the statement once with the values bound in order to its '?' marks.
    ResultData Execute(const std::vector<_variant_t>& parameters);
    // Runs the statement once for each set (each as many values as the statement has marks);
    // returns the rows affected in all (-1 when the driver does not say). A set that fails
    // throws the driver's error; sets before it may have run.
    long ExecuteArray(const std::vector<std::vector<_variant_t>>& sets);

    // Frees the handle: the connection closes (the driver frees its statements with it).
    void Release();

    // Largest bytes of bound buffers per array call; a bigger batch is split.
    static constexpr std::size_t kArrayBufferLimit = 8u << 20;

private:
    long ExecuteArrayPart(const std::vector<std::vector<_variant_t>>& sets, std::size_t first,
                          std::size_t count);
    long ExecuteEach(const std::vector<std::vector<_variant_t>>& sets, std::size_t first, std::size_t count);
    void ResetParameters();

    void* m_dbc = nullptr;
    void* m_stmt = nullptr;
    std::string m_sql;
    bool m_arrays = true; // parameter arrays until the driver refuses them
};

} // namespace vq::db
