// Counts, per SQLite connection of this process, the rows the connection itself writes to the
// tables a reader names, without a trigger: a hook of the connection sees every row inserted,
// updated or deleted, at the cost of a function call. It also sees, through the database file's
// version as the connection's pager counts it, whenever another connection has committed. A reader
// tells with one cheap statement whether anybody wrote those tables since it last looked.
//
// SQL, on every SQLite connection the process opens:
//   SELECT vq_watched_writes(tables) FROM sqlite_master LIMIT 1
// (the statement must read a table: that begins its read of the database, which sees the commits of
// other connections before the function counts them)
// `tables` names the watched tables, ";" between them, each optionally followed by ":" and the
// columns whose change counts (an update that changes none of them is not counted; without columns
// every row written counts): "ECOAuditLevel;TeamWorkResult:FileID,WorkID". The answer is the text
// "serial.epoch.others.count": the connection's own serial number in the process; an epoch that
// changes whenever the watch is set anew, a transaction or a savepoint is rolled back (rows counted
// are taken back) or the connection changes the schema (a dropped table takes its rows without a
// row written); the commits of other connections seen (any table: the reader cannot tell which);
// and the rows counted since the connection opened. Before the first call the connection counts
// every row it writes, whatever the table. NULL on a connection opened while the watch was off
// (SetSqliteWriteWatch), or whose file cannot tell its version: nothing can be told there.
#pragma once

struct sqlite3;

namespace vq::db {

// Installs the watch on a connection as it opens (called by the connection's set-up).
int InstallSqliteWriteWatch(sqlite3* db);

// Whether connections opened from now on get the watch (on by default). Benchmarks turn it off to
// measure writes without it.
void SetSqliteWriteWatch(bool on);

} // namespace vq::db
