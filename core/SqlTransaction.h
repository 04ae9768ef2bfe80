// CSqlTransaction: joins the statements that one operation runs through the SQL services of the
// application object into one transaction on the current product connection, so that an
// operation that fails half-way leaves the rows as they were.
//
//   CSqlTransaction transaction;
//   if (!transaction.IsActive())
//       return;                                   // the error has been shown
//   if (!theApp.ExecuteSql(first) || !theApp.ExecuteSql(second))
//       return;                                   // rolled back by the destructor
//   transaction.Commit();
//
// An operation that decides from what it reads (a review decision) takes the lock of what it
// decides first, and reads after it:
//
//   if (!transaction.IsActive() || !transaction.Lock("TeamWorkResult:" + fileId))
//       return;
#pragma once

#include "platform/base/String.h"
#include "platform/db/Ado.h"

#include <vector>

class CSqlTransaction {
public:
    // Begins the transaction; a failure is shown and leaves the object inactive.
    CSqlTransaction();
    // Rolls back what was not committed.
    ~CSqlTransaction();
    CSqlTransaction(const CSqlTransaction&) = delete;
    CSqlTransaction& operator=(const CSqlTransaction&) = delete;

    bool IsActive() const { return m_active; }
    // Takes the lock of this name until the transaction ends (_Connection::
    // LockUntilTransactionEnds): deciders that take the same name are taken one after the other,
    // and what they read after it is what the one before committed. False after the failure was
    // shown in one box (another client held the lock longer than the lock wait).
    // `withNextStatement`: the caller's next step is a statement, which asks the lock in its own
    // round trip where the database allows it, and fails (shown as its failure) when the lock
    // cannot be had.
    bool Lock(const CString& name, bool withNextStatement = false);
    // Commits; false (after showing the error, and with everything rolled back) when it fails.
    bool Commit();
    // Runs the statements through the application's SQL services, then commits; false (after the
    // failure was shown, everything rolled back) when one of them or the commit fails.
    bool ExecuteAndCommit(const std::vector<CString>& statements);

private:
    _ConnectionPtr m_connection;
    bool m_active = false;
};

// Runs the statements through the application's SQL services as one transaction on the given
// connection: all of them, or (after the failure was shown) none.
bool ExecuteSqlAsOneUnit(const _ConnectionPtr& connection, const std::vector<CString>& statements);
