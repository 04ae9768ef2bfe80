// Counts, per SQLite connection of this process, the rows the connection itself writes to the
// tables a reader names, without a trigger: a hook of the connection sees every row inserted,
// updated or deleted, at the cost of a function call. Together with the database's data_version
// (which changes whenever another connection commits), a reader tells with one statement whether
// anybody wrote those tables since it last looked.
//
// SQL, on every SQLite connection the process opens:
//   vq_watched_writes(tables, schema_version)
// `tables` names the watched tables, ";" between them, each optionally followed by ":" and the
// columns whose change counts (an update that changes none of them is not counted; without columns
// every row written counts): "ECOAuditLevel;TeamWorkResult:FileID,WorkID". The answer is the text
// "serial.epoch.count": the connection's own serial number in the process, an epoch that changes
// whenever the watch is set anew (other tables, or another schema version: the columns are found
// again) and whenever a transaction or a savepoint is rolled back (rows counted are taken back), and
// the rows counted since the connection opened. Before the first call the connection
// counts every row it writes, whatever the table. NULL on a connection opened while the watch was
// off (SetSqliteWriteWatch): its writes are not counted.
#pragma once

struct sqlite3;

namespace vq::db {

// Installs the watch on a connection as it opens (called by the connection's set-up).
int InstallSqliteWriteWatch(sqlite3* db);

// Whether connections opened from now on get the watch (on by default). Benchmarks turn it off to
// measure writes without it.
void SetSqliteWriteWatch(bool on);

} // namespace vq::db
