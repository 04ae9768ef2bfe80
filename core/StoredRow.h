// The stored identity of a row in a table without a key of its own (a document stored under a
// description, a work task read by its number): what names that one row, and not a row another
// client stored in its place, as long as the row is not changed. A deletion that re-read under its
// lock the rows it confirms deletes them by their identity and the values it re-read, so that a
// row stored meanwhile under the same name stays; other programs write the same database without
// taking our locks.
#pragma once

#include "platform/base/String.h"

#include <functional>

// The expression of a select list that reads a row's identity as text: SQLite's rowid,
// PostgreSQL's ctid (a changed row gets a new one); empty where the engine has none.
CString StoredRowIdColumn();
// The condition that a row has the identity read through StoredRowIdColumn ("1=1" where the
// engine has none: the caller's conditions on the values decide alone; "1=0" for an identity
// that is not one).
CString StoredRowIs(const CString& id);

// What ends a SELECT that re-reads the rows a deletion confirms: on PostgreSQL " FOR UPDATE", so
// that no other writer changes or deletes them before the transaction ends; empty elsewhere (a
// SQLite transaction that took its lock is the only writer).
CString LockingReadSuffix();

// Runs the statement on the application's product connection and gives the number of rows it
// changed; -1 after the failure was shown as the SQL services show one.
long ExecuteCountingRows(const CString& sql);

// Deletes the one stored document row of `table` that `key` names, inside the caller's
// transaction under its lock, only while it still holds the file name, type and size the person
// saw: re-read with its identity (kept from other writers on a server), deleted by it, and no row
// left under the key afterwards (a document another program stored meanwhile).
enum class StoredDocumentDeletion { Deleted, Gone, Replaced, Failed };
StoredDocumentDeletion DeleteStoredDocumentRow(const CString& table, const CString& key, const CString& fileName,
                                               const CString& fileType, const CString& fileSize);

// Runs between a write's re-check under its lock and the write itself: tests set it to commit,
// at that very moment, what a client that takes none of our locks writes. Empty in the product.
void SetAfterRecheckHook(std::function<void()> hook);
void RunAfterRecheckHook();
