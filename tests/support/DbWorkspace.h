// A workspace with the databases: the local configuration database "vqdetail.mdb" (a SQLite
// file with Config) in the system folder, and the ODBC data source "vqdetail" on a SQLite
// product database with the schema. The ODBC driver manager is pointed at odbcinst.ini and
// odbc.ini files (ODBCSYSINI, ODBCINI) while the object lives.
//
// The driver manager reads where odbc.ini is only once per process, so the ODBC files and the
// product database live in one folder per test process; each DbWorkspace makes the database
// anew. Only one DbWorkspace may exist at a time.
//
// The database type (0: SQL Server dialect, 2: Oracle dialect) is written to the settings, so
// a test written as TEST_P over DbWorkspace::Types() runs in both dialects:
//
//   class MyTest : public ::testing::TestWithParam<int> {};
//   TEST_P(MyTest, Works) {
//       vqtest::DbWorkspace ws(GetParam());
//       ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('u1', 'User 1')");
//       _ConnectionPtr conn = ws.Connect();
//       ...
//   }
//   INSTANTIATE_TEST_SUITE_P(Dialects, MyTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);
//
// On a PostgreSQL server: when the environment variable VQ_PG_PORT names the port of a server on
// 127.0.0.1 (superuser "sa", trusted; scripts/pg-cluster starts one), each DbWorkspace creates a
// fresh product database on it with the schema of schema/postgresql/product-sql, points "vqdetail"
// at it through psqlODBC and drops the database when it ends. VQ_PG_LOCALE ("tr_TR.UTF-8", or
// "icu:tr") or VQ_PG_LC_CTYPE give that database a locale of its own. Execute and QueryText then run on
// that database; the configuration database stays a SQLite file.
#pragma once

#include "platform/db/Ado.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace vqtest {

struct ConfigRow {
    CString pdmUser = "sa";
    CString password;
    CString domainName;
    CString ftpUser;
    CString ftpPwd;
};

class DbWorkspace : public Workspace {
public:
    explicit DbWorkspace(int databaseType = 0);
    ~DbWorkspace() override;

    static auto Types() { return ::testing::Values(0, 2); }
    static std::string TypeName(const ::testing::TestParamInfo<int>& info) {
        return info.param == 2 ? "Oracle" : "SqlServer";
    }

    int DatabaseType() const { return m_databaseType; }
    // The SQLite file of the product database (not used on a PostgreSQL server).
    CString ProductDatabasePath() const;
    // True when the product database is on a PostgreSQL server (VQ_PG_PORT is set).
    static bool OnPostgreSQL();
    // Empty when the product databases can be made in the locale VQ_PG_LOCALE or VQ_PG_LC_CTYPE
    // name (or none is named); else the server's reason why not (the locale is not installed).
    static std::string LocaleRefused();
    CString ConfigDatabasePath() const { return SystemDir() + "/vqdetail.mdb"; }
    // The text that opens the product database, as the connection holder builds it.
    CString ConnectionText() const { return "DSN=vqdetail; UID=sa; PWD="; }

    // The product database as programs outside ODBC name it: the SQLite file, or on a PostgreSQL
    // server a libpq connection string.
    std::string ProductDatabaseArgument() const;
    // Makes the product database anew from another schema (an earlier version's): on SQLite from
    // the SQLite file, on a PostgreSQL server from what the converter script prints for it.
    void RemakeProductDatabase(const std::string& sqliteSchema, const std::string& postgresqlScript) const;

    // A new open connection to the product database.
    _ConnectionPtr Connect() const;
    // The same, on SQLite without the connection's watch of its own writes (its change tasks'
    // decisions then have no stamps); on a server the same as Connect.
    _ConnectionPtr ConnectWithoutWriteWatch() const;
    // Runs statements (a script of several, separated by ";") on the product database or on
    // the configuration database; a failure fails the test.
    void Execute(const CString& script) const;
    void ExecuteConfig(const CString& script) const;
    // The first column of the first row as text (empty when there is none).
    CString QueryText(const CString& sql) const;
    // How many of the change tasks' stamp triggers (PostgreSQL) and waiting-step indexes the
    // product database holds: what a test or benchmark that drops them counts to prove them gone.
    int StampTriggerCount() const;
    int WaitingIndexCount() const;
    // Runs the schema's definitions on the product database; once more on a database with rows, as
    // an upgrade of an existing database does.
    void RunSchema() const;
    // Runs a writing statement on a new connection that waits for locks only a fraction of a
    // second, as another client would at this moment: false when the statement could not run
    // (typically because a connection of the test holds what it needs).
    bool WritesAtOnce(const CString& sql) const;
    // PostgreSQL only: the server ends the session of the connection, as when it restarts, and
    // this returns once the session is gone. The connection object stays open and fails as a
    // client's does after such a restart.
    void EndSession(const _ConnectionPtr& connection) const;
    // PostgreSQL only: whether the server lets new sessions into the product database (none, as
    // while it restarts); the sessions open stay.
    void AllowNewSessions(bool allow) const;

    // Runs the host (vqhost of this build) with these arguments and kills it (SIGKILL) while it
    // inserts into `table` the first row for which `condition` holds (a condition on NEW, as
    // "NEW.Dcode = 'A-7'"), as a host that its user or a power cut ends in the middle of its
    // work. On SQLite the host kills itself in that statement (a trigger calls a function of
    // the extension vqkillclient); on PostgreSQL the row's trigger waits for a lock the test
    // holds, and the test kills the host once it waits there. The run tells whether the host was
    // killed; the trigger is gone afterwards.
    HostRun RunHostKilledAtInsert(const CString& table, const CString& condition,
                                  const std::vector<std::string>& args);

    // Replaces the rows of Config by this one row, or leaves Config empty.
    void SetConfig(const ConfigRow& row) const;
    void ClearConfig() const;

    // Runs a SQL script file on an open connection.
    static void RunScript(const _ConnectionPtr& connection, const CString& script);

private:
    _ConnectionPtr OpenProduct() const;
    _ConnectionPtr ProductSession(const std::vector<std::string>& statements) const;
    void EndProductSession() const;
    void MakeProductDatabase(const std::string& sqliteSchema, const std::string& postgresqlSchema) const;
    void MakePgDatabase(const std::string& key, const std::function<std::string()>& schema) const;
    void KillOnSqlite(const CString& table, const CString& condition, const std::vector<std::string>& args,
                      HostRun& run);
    void KillOnPostgreSQL(const CString& table, const CString& condition,
                          const std::vector<std::string>& args, HostRun& run);

    int m_databaseType;
    std::string m_pgDatabase; // the database on the server, when there is one
    // PostgreSQL: the session Execute and QueryText share, and the process that opened it.
    mutable _ConnectionPtr m_session;
    mutable pid_t m_sessionOwner = 0;
    std::optional<std::string> m_oldSysIni;
    std::optional<std::string> m_oldIni;
};

} // namespace vqtest
