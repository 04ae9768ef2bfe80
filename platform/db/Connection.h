// _Connection: one open database connection over ODBC.
//
// Connection texts:
//   "DSN=name;UID=user;PWD=password"     a data source of odbc.ini (SQLite, PostgreSQL, ...); no
//                                        blanks after ";" (some drivers then ignore the keys)
//   "DRIVER={...};..."                    a driver directly
//   "DRIVER={Microsoft Access Driver (*.mdb)};DBQ=path;..."
//       the local configuration file: opened with the SQLite driver when the file is a SQLite
//       database ("SQLite format 3" header; read-only, its journal mode left as it is), with the
//       MDBTools driver when it is an Access file, and refused as "file is not a database" else.
// A SQLite data source whose database file is missing fails to open instead of creating it.
// On SQLite and PostgreSQL every statement passes through the dialect translation of
// SqlDialect.h, so the statements of both dialects run unchanged; SQLite connections use WAL
// journaling and have the function vq_fold_case(text): the text in vq::FoldCase's lower case, so
// that statements compare numbers on SQLite as citext compares them on PostgreSQL (SqlText.h), and
// vq_folder_key(text): its vq::FolderNameKey. They are registered on the SQLite library of the process, which
// the SQLite driver uses, before the first connection opens. PostgreSQL folds unquoted names to lower case:
// the names of result columns and the names quoted in its error messages are given back as the statement
// spells them.
#pragma once

#include "platform/db/AdoTypes.h"
#include "platform/db/SqlDialect.h"
#include "platform/db/Variant.h"

#include <functional>
#include <memory>
#include <vector>

class _Recordset;
class _Connection;
using _RecordsetPtr = ComPtr<_Recordset>;
using _ConnectionPtr = ComPtr<_Connection>;

// A value of a connection text as ODBC wants it: unchanged when plain, else in braces (with "}"
// doubled) when it holds ";", "{", "}" or blanks at either end.
CString OdbcConnectionValue(const CString& value);

namespace vq::db {

class PreparedStatement;

struct ResultColumn {
    CString name;
    DataTypeEnum type = adVarChar;
    long definedSize = 0;
};

// The rows a statement produced, read whole.
struct ResultData {
    bool hasResultSet = false;
    std::vector<ResultColumn> columns;
    std::vector<std::vector<_variant_t>> rows;
    long rowsAffected = -1;
};

} // namespace vq::db

class _Connection : public std::enable_shared_from_this<_Connection> {
public:
    _Connection();
    ~_Connection();
    _Connection(const _Connection&) = delete;
    _Connection& operator=(const _Connection&) = delete;

    // Opens the connection; user and password, when given, are added as UID and PWD.
    void Open(const CString& connectionText, const CString& user = CString(),
              const CString& password = CString(), long options = adConnectUnspecified);
    void Close();
    long GetState() const { return m_dbc ? adStateOpen : adStateClosed; }
    CString GetConnectionString() const { return m_connectionText; }
    // Closes the connection and opens it again with the same text, in place (a session the
    // server ended). When it cannot be opened, it stays closed as a lost connection: every use
    // then fails as one does on a session that went away (SQLSTATE 08003), not as one on an
    // object its program closed, until it is opened again.
    void Reopen();
    bool IsLost() const { return m_lost; }
    // Throws what a statement on this connection would meet when it is not open: the lost
    // connection's error, or the closed object's.
    static void CheckUsable(const _ConnectionPtr& connection);

    // Runs one statement. A statement that returns rows gives an open static recordset, any
    // other an empty, closed one.
    _RecordsetPtr Execute(const CString& statement, long* recordsAffected = nullptr,
                          long options = adCmdText);

    // Transactions: statements between BeginTrans and CommitTrans/RollbackTrans form one unit.
    // A commit that fails ends the transaction as well: what it held is rolled back, and the
    // commit's error is thrown.
    long BeginTrans();
    void CommitTrans();
    void RollbackTrans();
    bool InTransaction() const { return m_inTransaction; }
    // How the last transaction ended: true when it was rolled back (by RollbackTrans, by a commit
    // that failed, or by Close), false when it committed or while none has ended since BeginTrans.
    // The reports kept for its end read it to say what was stored.
    bool LastTransactionRolledBack() const { return m_rolledBack; }
    // How many times the connection has been used: every statement, every start and end of a
    // transaction, every open and close counts one. A reader that kept the count at its last read
    // knows whether anything has run on the connection since.
    unsigned long long Uses() const { return m_uses; }
    // Takes a lock of this name that the transaction holds until it ends: another connection
    // taking the lock of the same name waits until then, so that the writers of one thing (the
    // deciders of one review flow) are taken one after the other and each reads what the one
    // before it committed. PostgreSQL: a transaction-scoped advisory lock keyed by a hash of the
    // name; SQLite: the database's write lock (one writer at a time, whatever the name); other
    // engines: nothing. Take it first in the transaction: a SQLite transaction that has read
    // cannot start writing once another has written. A wait longer than the lock wait throws the
    // database's lock-timeout error; outside a transaction it throws at once.
    // `withNextStatement`, for a caller whose next step is a statement on this connection: on
    // PostgreSQL the lock is asked in that statement's round trip, before it, and that statement
    // throws the lock's error; a transaction that ends before it takes no lock.
    void LockUntilTransactionEnds(const CString& name, bool withNextStatement = false);
    // PostgreSQL: how long the statements of a transaction that took a named lock wait for a lock
    // another connection holds before they fail (15 s unless set). SQLite: every statement waits
    // for a busy file once, as long as the lock wait was when the connection opened (15 s, or the
    // Timeout its connection text names); setting it later changes nothing there.
    void SetLockWait(long milliseconds);
    long GetLockWait() const { return m_lockWait; }
    // Runs report at once when no transaction is open on this connection, else keeps it until
    // the transaction has ended (committed, rolled back, or ended by Close) and runs the kept
    // reports then, in order. Messages about a failure inside a transaction wait so: a message
    // box shown while the transaction holds its locks would keep every other client waiting (on
    // SQLite the whole database) until the person answers it.
    void AfterTransaction(std::function<void()> report);
    // Runs the kept reports now, transaction or not: another message is about to be shown while
    // the transaction holds its locks, and what was raised before it comes first.
    void RunKeptReports();

    // --- Used by the recordset and command objects of this layer ---
    vq::db::Engine GetEngine() const { return m_engine; }
    // Runs a statement (or a stored procedure by name) with positional parameters bound to '?'.
    vq::db::ResultData Run(const CString& text, long commandType, const std::vector<_variant_t>& parameters);
    // Key columns of a table, empty when the driver does not know them.
    std::vector<CString> PrimaryKeyColumns(const CString& table);

    // A statement of either dialect prepared once for many runs with bound values; nothing when
    // its translation needs steps of its own before each run (then Run it each time). The
    // statement lives until Close. Throws _com_error when the database refuses the text.
    std::shared_ptr<vq::db::PreparedStatement> Prepare(const CString& text);
    // Runs a prepared statement once, or once per set of values (parameter arrays where the
    // driver has them); errors and result columns are spelled as the statement spells them.
    vq::db::ResultData RunPrepared(vq::db::PreparedStatement& statement,
                                   const std::vector<_variant_t>& parameters);
    long RunPreparedArray(vq::db::PreparedStatement& statement,
                          const std::vector<std::vector<_variant_t>>& sets);

private:
    void CheckOpen() const;
    // On PostgreSQL: makes sure the session sends and receives UTF-8 (closes and throws if not).
    void KeepUtf8Session();
    // Runs the reports kept by AfterTransaction once no transaction is open.
    void RunReportsAfterTransaction();
    // Commits or rolls back, then runs the kept reports if the transaction has ended.
    void FinishTransaction(bool commit);
    vq::db::ResultData RunOne(const std::string& sql, const std::vector<_variant_t>& parameters);
    // Asks the lock kept for the next statement now, on its own (before a prepared statement).
    void TakePendingLock();

    void* m_dbc = nullptr; // the ODBC connection handle
    CString m_connectionText;
    vq::db::Engine m_engine = vq::db::Engine::Other;
    bool m_inTransaction = false;
    bool m_rolledBack = false;
    bool m_lost = false; // closed by a Reopen that failed
    unsigned long long m_uses = 0;
    std::string m_pendingLock; // PostgreSQL: the lock asked with the next statement
    long m_lockWait = 15000; // milliseconds
    std::vector<std::function<void()>> m_afterTransaction;
    // The statements prepared on this connection, freed before it closes.
    std::vector<std::weak_ptr<vq::db::PreparedStatement>> m_prepared;
};
