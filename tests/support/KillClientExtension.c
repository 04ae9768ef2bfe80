/* A SQLite extension for the fault tests: the SQL function vq_kill_client() kills the process
 * that runs it at once (SIGKILL), as a client that dies in the middle of a statement. A trigger
 * calls it at the row the test chooses (DbWorkspace::RunHostKilledAtInsert). */
#include <signal.h>
#include <sqlite3ext.h>

SQLITE_EXTENSION_INIT1

static void KillClient(sqlite3_context* context, int argc, sqlite3_value** argv) {
    (void)argc;
    (void)argv;
    raise(SIGKILL);
    sqlite3_result_null(context);
}

int sqlite3_extension_init(sqlite3* db, char** error, const sqlite3_api_routines* api) {
    (void)error;
    SQLITE_EXTENSION_INIT2(api);
    return sqlite3_create_function(db, "vq_kill_client", 0, SQLITE_UTF8, 0, KillClient, 0, 0);
}
