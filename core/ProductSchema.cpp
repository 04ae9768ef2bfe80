#include "core/ProductSchema.h"

#include "core/ComError.h"

#include <cstdio>
#include <cstdlib>

namespace {

// The first column of the first row as a number; -1 when the statement fails (nothing is shown:
// the answers only choose the faster road).
long CountOf(const _ConnectionPtr& connection, const char* sql) {
    try {
        _RecordsetPtr rs = connection->Execute(sql, nullptr, adCmdText);
        const long count = rs->IsEOF() ? 0 : std::atol(VariantToString(rs->GetCollect(0L)));
        rs->Close();
        return count;
    } catch (_com_error&) {
        return -1;
    }
}

// 1 when the database has all of a part of the schema, 0 when not, -1 when that cannot be read.
int Has(long count, long expected) {
    return count < 0 ? -1 : count == expected ? 1 : 0;
}

int StampsState(const _ConnectionPtr& connection) {
    // PostgreSQL: the stamp's table and all its triggers (a database made before them, or whose
    // triggers were dropped, stamps nothing); each trigger must fire in every session (enabled
    // ALWAYS: a disabled one, or one left to origin sessions, misses writes), and its functions be
    // there.
    switch (connection->GetEngine()) {
    case vq::db::Engine::SQLite:
        // Each connection of this process counts its own writes, and the database's data version
        // shows every other connection's: nothing of the schema is needed.
        return 1;
    case vq::db::Engine::PostgreSQL:
        return Has(CountOf(connection,
                           "SELECT CASE WHEN to_regclass('ecotaskstamp') IS NULL THEN 0 ELSE 1 END + (SELECT "
                           "COUNT(*) FROM pg_trigger WHERE tgname LIKE 'tr_ecostamp_%' AND tgenabled = 'A' "
                           "AND tgrelid IN (to_regclass('ecoauditlevel'), to_regclass('teamworkresult'), "
                           "to_regclass('ecomodifypart'))) + (SELECT COUNT(*) FROM pg_proc WHERE proname IN "
                           "('vq_eco_stamp', 'vq_eco_stamp_mark', 'vq_eco_stamp_read'))"),
                   16);
    default:
        return 0;
    }
}

int WaitingState(const _ConnectionPtr& connection) {
    switch (connection->GetEngine()) {
    case vq::db::Engine::SQLite:
        return Has(CountOf(connection, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name IN "
                                       "('IX_TeamWorkAudit_Waiting', 'IX_TeamWorkGroupAudit_Waiting')"),
                   2);
    case vq::db::Engine::PostgreSQL:
        return Has(CountOf(connection, "SELECT COUNT(*) FROM pg_class WHERE relkind = 'i' AND relname IN "
                                       "('ix_teamworkaudit_waiting', 'ix_teamworkgroupaudit_waiting')"),
                   2);
    default:
        return 0;
    }
}

// PostgreSQL: the functions that fold case as the client does (vq_fold_case) and that number
// integer keys (vq_key_sequence), and every integer key numbered by its sequence; 1 when all are
// there. A database made before them lacks the functions, or has keys that a row inserted without
// one leaves empty.
int KeysAndFoldingState(const _ConnectionPtr& connection) {
    if (connection->GetEngine() != vq::db::Engine::PostgreSQL)
        return 1;
    return Has(
        CountOf(connection,
                "SELECT (SELECT COUNT(DISTINCT proname) FROM pg_proc WHERE proname IN ('vq_fold_case', "
                "'vq_key_sequence')) * 1000 + (SELECT COUNT(*) FROM pg_index i JOIN pg_class c ON c.oid "
                "= i.indrelid JOIN pg_attribute a ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] "
                "LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum WHERE "
                "i.indisprimary AND i.indnatts = 1 AND a.atttypid IN ('int4'::regtype, 'int8'::regtype) "
                "AND c.relkind = 'r' AND c.relnamespace = current_schema()::regnamespace AND "
                "coalesce(pg_get_expr(d.adbin, d.adrelid), '') NOT LIKE 'nextval(%')"),
        2000);
}

} // namespace

bool WaitingStepsIndexed(const _ConnectionPtr& connection) {
    return WaitingState(connection) > 0;
}

void SayWhenProductSchemaIsOld(const _ConnectionPtr& connection) {
    static bool said = false;
    if (said || !connection)
        return;
    const vq::db::Engine engine = connection->GetEngine();
    if (engine != vq::db::Engine::SQLite && engine != vq::db::Engine::PostgreSQL)
        return;
    const int stamps = StampsState(connection);
    const int waiting = stamps < 0 ? -1 : WaitingState(connection);
    const int keys = waiting < 0 ? -1 : KeysAndFoldingState(connection);
    if (stamps < 0 || waiting < 0 || keys < 0 || (stamps > 0 && waiting > 0 && keys > 0))
        return;
    said = true;
    std::fprintf(stderr,
                 "vqdesigntask: the product database was made by an earlier version and lacks parts of "
                 "this version's schema (the stamps of change-task writes, the indexes of waiting review "
                 "steps, on PostgreSQL the sequences that number new keys and the function that folds "
                 "case as the client does): reviews of change tasks read more than they need, and on "
                 "PostgreSQL two clients adding rows at once may take the same key. Bring it to this "
                 "version's schema with scripts/upgrade-database (the database file on SQLite, a "
                 "connection string on PostgreSQL); no stored row is changed.\n");
}
