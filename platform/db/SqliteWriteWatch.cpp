#include "platform/db/SqliteWriteWatch.h"

// The pre-update hook sees the columns of every row written; the system's SQLite library has it, its
// header declares it only when asked to.
#ifndef SQLITE_ENABLE_PREUPDATE_HOOK
#define SQLITE_ENABLE_PREUPDATE_HOOK 1
#endif
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <strings.h>
#include <vector>

namespace vq::db {
namespace {

std::atomic<bool> g_watchOn{true};
std::atomic<unsigned long long> g_serials{0};

struct WatchedTable {
    std::string name;
    std::vector<int> columns; // the columns whose change counts; empty: every row counts
};

struct WriteWatch {
    bool hooked = false;
    unsigned long long serial = 0;
    unsigned long long epoch = 0;
    long long count = 0;
    bool set = false; // a reader named the tables: until then every row written counts
    std::string spec;
    long long schemaVersion = -1;
    std::vector<WatchedTable> tables;
};

bool SameValue(sqlite3_value* a, sqlite3_value* b) {
    const int type = sqlite3_value_type(a);
    if (type != sqlite3_value_type(b))
        return false;
    switch (type) {
    case SQLITE_NULL:
        return true;
    case SQLITE_INTEGER:
        return sqlite3_value_int64(a) == sqlite3_value_int64(b);
    case SQLITE_FLOAT:
        return sqlite3_value_double(a) == sqlite3_value_double(b);
    default: {
        // Text and blobs alike, by their bytes (as stored: no conversion).
        const void* x = sqlite3_value_blob(a);
        const int xn = sqlite3_value_bytes(a);
        const void* y = sqlite3_value_blob(b);
        const int yn = sqlite3_value_bytes(b);
        return xn == yn && (xn == 0 || std::memcmp(x, y, static_cast<std::size_t>(xn)) == 0);
    }
    }
}

// Whether an update changed one of the columns (a column the row does not have counts as changed).
bool ChangesAny(sqlite3* db, const std::vector<int>& columns) {
    const int count = sqlite3_preupdate_count(db);
    for (const int column : columns) {
        sqlite3_value* before = nullptr;
        sqlite3_value* after = nullptr;
        if (column >= count || sqlite3_preupdate_old(db, column, &before) != SQLITE_OK ||
            sqlite3_preupdate_new(db, column, &after) != SQLITE_OK || !before || !after ||
            !SameValue(before, after))
            return true;
    }
    return false;
}

void OnRowWritten(void* context, sqlite3* db, int op, const char* database, const char* table, sqlite3_int64,
                  sqlite3_int64) {
    auto* watch = static_cast<WriteWatch*>(context);
    if (!watch->set) {
        ++watch->count;
        return;
    }
    if (!table || (database && std::strcmp(database, "main") != 0 && std::strcmp(database, "temp") != 0))
        return;
    for (const WatchedTable& watched : watch->tables) {
        if (strcasecmp(watched.name.c_str(), table) != 0)
            continue;
        if (op != SQLITE_UPDATE || watched.columns.empty() || ChangesAny(db, watched.columns))
            ++watch->count;
        return;
    }
}

// The columns of `names` (separated by ","), by their place in the table; a table that is not there
// (or a column it lacks) leaves the list empty, so that every row written counts.
std::vector<int> ColumnsOf(sqlite3* db, const std::string& table, const std::string& names) {
    std::vector<int> columns;
    if (names.empty())
        return columns;
    std::string quoted;
    for (const char c : table)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, ("SELECT * FROM main.\"" + quoted + "\"").c_str(), -1, &statement, nullptr) !=
            SQLITE_OK ||
        !statement) {
        sqlite3_finalize(statement);
        return columns;
    }
    std::size_t from = 0;
    while (from <= names.size()) {
        const std::size_t to = std::min(names.find(',', from), names.size());
        const std::string name = names.substr(from, to - from);
        int found = -1;
        for (int i = 0; i < sqlite3_column_count(statement) && found < 0; ++i) {
            const char* column = sqlite3_column_name(statement, i);
            if (column && strcasecmp(column, name.c_str()) == 0)
                found = i;
        }
        if (found < 0) {
            columns.clear();
            break;
        }
        columns.push_back(found);
        from = to + 1;
    }
    sqlite3_finalize(statement);
    return columns;
}

void SetWatch(sqlite3* db, WriteWatch& watch, const std::string& spec, long long schemaVersion) {
    watch.tables.clear();
    std::size_t from = 0;
    while (from < spec.size()) {
        const std::size_t to = std::min(spec.find(';', from), spec.size());
        const std::string item = spec.substr(from, to - from);
        const std::size_t colon = item.find(':');
        WatchedTable table;
        table.name = item.substr(0, colon);
        if (colon != std::string::npos)
            table.columns = ColumnsOf(db, table.name, item.substr(colon + 1));
        if (!table.name.empty())
            watch.tables.push_back(std::move(table));
        from = to + 1;
    }
    watch.spec = spec;
    watch.schemaVersion = schemaVersion;
    watch.set = true;
    ++watch.epoch;
}

void WatchedWrites(sqlite3_context* context, int, sqlite3_value** arguments) {
    auto* watch = static_cast<WriteWatch*>(sqlite3_user_data(context));
    if (!watch->hooked) {
        sqlite3_result_null(context);
        return;
    }
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const std::string spec = text ? text : "";
    const long long schemaVersion = sqlite3_value_int64(arguments[1]);
    if (!watch->set || spec != watch->spec || schemaVersion != watch->schemaVersion)
        SetWatch(sqlite3_context_db_handle(context), *watch, spec, schemaVersion);
    const std::string answer = std::to_string(watch->serial) + "." + std::to_string(watch->epoch) + "." +
                               std::to_string(watch->count);
    sqlite3_result_text(context, answer.c_str(), static_cast<int>(answer.size()), SQLITE_TRANSIENT);
}

// A rolled-back transaction takes back rows a reader may have counted as written: the epoch changes,
// so that whoever read the count reads the tables again.
void OnRollback(void* context) {
    ++static_cast<WriteWatch*>(context)->epoch;
}

// The same for a rollback to a savepoint, seen as the statement is prepared (SQLite has no hook
// that runs as it is undone): the epoch changes before the rows are taken back.
int OnStatementPrepared(void* context, int action, const char* operation, const char*, const char*,
                        const char*) {
    if (action == SQLITE_SAVEPOINT && operation && strcasecmp(operation, "ROLLBACK") == 0)
        ++static_cast<WriteWatch*>(context)->epoch;
    return SQLITE_OK;
}

void Forget(void* watch) {
    delete static_cast<WriteWatch*>(watch);
}

} // namespace

int InstallSqliteWriteWatch(sqlite3* db) {
    auto* watch = new WriteWatch;
    watch->serial = ++g_serials;
    watch->hooked = g_watchOn.load();
    // Not deterministic: the same arguments answer anew at every call.
    const int rc = sqlite3_create_function_v2(db, "vq_watched_writes", 2, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                                              watch, WatchedWrites, nullptr, nullptr, Forget);
    if (rc != SQLITE_OK)
        return rc; // sqlite3_create_function_v2 has called Forget
    if (watch->hooked) {
        sqlite3_preupdate_hook(db, OnRowWritten, watch);
        sqlite3_rollback_hook(db, OnRollback, watch);
        sqlite3_set_authorizer(db, OnStatementPrepared, watch);
    }
    return SQLITE_OK;
}

void SetSqliteWriteWatch(bool on) {
    g_watchOn = on;
}

} // namespace vq::db
