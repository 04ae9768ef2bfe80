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
    // The stamp's table and its triggers (a database made before them, or whose triggers were
    // dropped or disabled, stamps nothing).
    switch (connection->GetEngine()) {
    case vq::db::Engine::SQLite:
        return Has(CountOf(connection, "SELECT COUNT(*) FROM sqlite_master WHERE (type = 'table' AND name = "
                                       "'ECOTaskStamp') OR (type = 'trigger' AND name LIKE 'TR_ECOStamp_%')"),
                   10);
    case vq::db::Engine::PostgreSQL:
        return Has(CountOf(connection,
                           "SELECT (SELECT COUNT(*) FROM pg_class WHERE relname = 'ecotaskstamp' AND relkind "
                           "= 'r') + (SELECT COUNT(*) FROM pg_trigger WHERE tgname LIKE 'tr_ecostamp_%' AND "
                           "tgenabled <> 'D')"),
                   4);
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

} // namespace

bool ChangeTaskStampsInstalled(const _ConnectionPtr& connection) {
    return StampsState(connection) > 0;
}

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
    if (stamps < 0 || waiting < 0 || (stamps > 0 && waiting > 0))
        return;
    said = true;
    std::fprintf(stderr,
                 "vqdesigntask: the product database was made by an earlier version and lacks parts of "
                 "this version's schema (the stamps of change-task writes, the indexes of waiting review "
                 "steps): reviews of change tasks work, but read more than they need. Bring it to this "
                 "version's schema with scripts/upgrade-database (the database file on SQLite, a "
                 "connection string on PostgreSQL); no stored row is changed.\n");
}
