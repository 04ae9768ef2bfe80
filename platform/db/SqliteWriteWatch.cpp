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
    sqlite3* db = nullptr;
    bool hooked = false;
    unsigned long long serial = 0;
    unsigned long long epoch = 0;
    long long count = 0;
    bool set = false; // a reader named the tables: until then every row written counts
    std::string spec;
    std::vector<WatchedTable> tables;
    // The database file's version as the connection's pager counts it (every commit, its own and
    // those of other connections it has since seen), and the count of changes by other connections
    // (or that cannot be told apart from them) seen through it.
    unsigned expectedVersion = 0;
    bool versionKnown = false;
    unsigned long long others = 0;
    bool columnsStale = false; // the schema may have changed: the columns are found again
};

// The pager's version of the main database; false when the file cannot tell.
bool FileVersion(sqlite3* db, unsigned& version) {
    return sqlite3_file_control(db, "main", SQLITE_FCNTL_DATA_VERSION, &version) == SQLITE_OK;
}

// Another connection committed since the version was last seen: anything may have changed, the
// watched columns among it.
void SeeVersion(WriteWatch& watch, unsigned version) {
    if (!watch.versionKnown || version != watch.expectedVersion) {
        ++watch.others;
        watch.columnsStale = true;
    }
    watch.expectedVersion = version;
    watch.versionKnown = true;
}

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

void SetWatch(sqlite3* db, WriteWatch& watch, const std::string& spec) {
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
    if (spec != watch.spec || !watch.set)
        ++watch.epoch;
    watch.spec = spec;
    watch.set = true;
    watch.columnsStale = false;
}

void WatchedWrites(sqlite3_context* context, int, sqlite3_value** arguments) {
    auto* watch = static_cast<WriteWatch*>(sqlite3_user_data(context));
    if (!watch->hooked) {
        sqlite3_result_null(context);
        return;
    }
    sqlite3* db = sqlite3_context_db_handle(context);
    unsigned version = 0;
    if (!FileVersion(db, version)) {
        sqlite3_result_null(context); // other connections' commits cannot be seen: no stamps
        return;
    }
    // The statement reads: its transaction has seen every commit before it.
    SeeVersion(*watch, version);
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(arguments[0]));
    const std::string spec = text ? text : "";
    if (!watch->set || spec != watch->spec || watch->columnsStale)
        SetWatch(db, *watch, spec);
    const std::string answer = std::to_string(watch->serial) + "." + std::to_string(watch->epoch) + "." +
                               std::to_string(watch->others) + "." + std::to_string(watch->count);
    sqlite3_result_text(context, answer.c_str(), static_cast<int>(answer.size()), SQLITE_TRANSIENT);
}

// A rolled-back transaction takes back rows a reader may have counted as written: the epoch changes,
// so that whoever read the count reads the tables again.
void OnRollback(void* context) {
    ++static_cast<WriteWatch*>(context)->epoch;
}

// The connection's own commit is about to add one to the pager's version (the write lock is held:
// no other connection commits in between). A version that moved before it was another
// connection's commit; a commit that then fails leaves the version short of the one expected,
// which is taken for another's.
int OnCommit(void* context) {
    auto* watch = static_cast<WriteWatch*>(context);
    unsigned version = 0;
    if (FileVersion(watch->db, version)) {
        SeeVersion(*watch, version);
        watch->expectedVersion = version + 1;
    } else {
        watch->versionKnown = false;
    }
    return 0;
}

// What a statement does, seen as it is prepared (SQLite has no hook that runs as it is undone or
// as the schema changes): a rollback to a savepoint takes back rows counted, and a change of the
// schema (a table dropped, altered or made) may take rows away without a row written or move the
// columns: the epoch changes before either happens.
int OnStatementPrepared(void* context, int action, const char* operation, const char*, const char*,
                        const char*) {
    auto* watch = static_cast<WriteWatch*>(context);
    switch (action) {
    case SQLITE_READ:
    case SQLITE_SELECT:
    case SQLITE_FUNCTION:
    case SQLITE_INSERT:
    case SQLITE_UPDATE:
    case SQLITE_DELETE:
    case SQLITE_TRANSACTION:
    case SQLITE_PRAGMA:
    case SQLITE_RECURSIVE:
    case SQLITE_ATTACH:
    case SQLITE_DETACH:
    case SQLITE_ANALYZE:
    case SQLITE_REINDEX:
    case SQLITE_CREATE_INDEX:
    case SQLITE_CREATE_TEMP_INDEX:
    case SQLITE_DROP_INDEX:
    case SQLITE_DROP_TEMP_INDEX:
        return SQLITE_OK;
    case SQLITE_SAVEPOINT:
        if (!operation || strcasecmp(operation, "ROLLBACK") != 0)
            return SQLITE_OK;
        break;
    default:
        break;
    }
    ++watch->epoch;
    watch->columnsStale = true;
    return SQLITE_OK;
}

void Forget(void* watch) {
    delete static_cast<WriteWatch*>(watch);
}

} // namespace

int InstallSqliteWriteWatch(sqlite3* db) {
    auto* watch = new WriteWatch;
    watch->db = db;
    watch->serial = ++g_serials;
    watch->hooked = g_watchOn.load();
    // Not deterministic: the same arguments answer anew at every call.
    const int rc = sqlite3_create_function_v2(db, "vq_watched_writes", 1, SQLITE_UTF8 | SQLITE_DIRECTONLY,
                                              watch, WatchedWrites, nullptr, nullptr, Forget);
    if (rc != SQLITE_OK)
        return rc; // sqlite3_create_function_v2 has called Forget
    if (watch->hooked) {
        sqlite3_preupdate_hook(db, OnRowWritten, watch);
        sqlite3_rollback_hook(db, OnRollback, watch);
        sqlite3_commit_hook(db, OnCommit, watch);
        sqlite3_set_authorizer(db, OnStatementPrepared, watch);
    }
    return SQLITE_OK;
}

void SetSqliteWriteWatch(bool on) {
    g_watchOn = on;
}

} // namespace vq::db
