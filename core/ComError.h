// Reporting a database error to the user, and reading a field value as text.
#pragma once

#include "platform/db/Ado.h"

// Shows the error in a message box with an OK button: for a lost connection the system's own
// text for it; else its description when it has one, else the system's text for its code
// ("IDispatch error #n", "Unknown error 0x..."), after the system's words for a common cause
// (read-only, a table or column missing, a value too long). Data locked by another client longer
// than the lock wait is said in the system's words alone.
// A lost connection is said at once, even inside a transaction (a lost session holds no locks),
// and once: while theApp.m_bConnectionLost says it has been said, a further failure of the lost
// connection shows nothing.
// A database that takes no writes at all (read-only, full, a disk error, locked, no right to
// write) is said once per transaction: the box waits for the transaction's end, further failures
// of that kind in the same transaction show nothing, and when the transaction was rolled back the
// box adds that nothing was stored.
void ReportComError(_com_error e);
// A commit that failed: its transaction was rolled back, and the box says so after the cause.
void ReportFailedCommit(const _com_error& e);
// Whether a failure like this one, of a database that takes no writes, has been said and no write
// has succeeded since: a write that only gives something back (a window's mark as it closes) then
// says nothing more. theApp.ExecuteSql and a committed CSqlTransaction note their success.
bool NoWriteFailureSaid(const _com_error& e);
void NoteWriteSucceeded();

// Shows a message box (OK button) about a database failure: at once, or, while the product
// connection of the current call holds a transaction, once that transaction has ended. Every
// message of the SQL services goes through here.
void ShowDbMessage(const CString& text);

// A field value as text with white space trimmed from both ends; empty text when the value
// cannot be converted (NULL, empty, binary). For showing and comparing; a key by which rows
// are deleted is read with VariantToStoredText.
CString VariantToString(_variant_t value);
// A field value as text exactly as it is stored, blanks at either end included; empty text when
// the value cannot be converted. Rows found again by such a key are its own rows only: a trimmed
// copy ("XM-02-01" of "XM-02-01 ") may be the key of another row.
CString VariantToStoredText(_variant_t value);

// What kind of failure a database error is, so that messages can say what happened.
enum class DbFailure {
    Other,
    ConnectionLost, // the server went away, the network failed, the server ended the session
    Busy,           // the data is locked by another user or program
    NotADatabase,   // the file is not a database (corrupt, or another kind of file)
    CannotOpen,     // the database (file) cannot be opened
    ReadOnly,       // the database (file, account or session) refuses to be written
    SchemaMismatch, // a table or column the statement names is missing
    ValueTooLong,   // a value does not fit its column (or the index on it)
    DiskFull,       // the disk (or the database's size limit) has no room for what is written
    DiskError,      // the database's file cannot be read or written (an I/O error)
    NoPermission,   // the database account has no right to do what the statement does
};
DbFailure ClassifyDbError(const _com_error& e);
inline bool IsConnectionLost(const _com_error& e) {
    return ClassifyDbError(e) == DbFailure::ConnectionLost;
}
// The message for a failure of a kind other than Other, in the system's words; empty for Other.
CString DbFailureText(DbFailure failure);
// A failure that every further write meets the same way (nothing about the statement itself):
// an operation stops at the first one instead of trying its next statement.
bool NoWriteCanSucceed(DbFailure failure);
// What a message adds when the transaction it reports on was rolled back.
constexpr const char* kNothingStoredText = "没有存储任何数据。";
// The kind of the error ReportComError reported last (Other before any), for a caller whose own
// message depends on what the box before it has said.
DbFailure LastReportedDbFailure();
// How many failures ReportComError and ReportFailedCommit have been given (said or not): a caller
// that compares it before and after a step knows whether the step's failure has been reported.
unsigned long ReportedDbFailureCount();
// Whether a failure of a database that takes no writes has been reported since the count was
// `count`: what a caller would say after it (that a step failed) adds nothing to that box.
bool NoWriteFailureReportedSince(unsigned long count);
