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
void ReportComError(_com_error e);

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
};
DbFailure ClassifyDbError(const _com_error& e);
inline bool IsConnectionLost(const _com_error& e) {
    return ClassifyDbError(e) == DbFailure::ConnectionLost;
}
// The message for a failure of a kind other than Other, in the system's words; empty for Other.
CString DbFailureText(DbFailure failure);
// The kind of the error ReportComError reported last (Other before any), for a caller whose own
// message depends on what the box before it has said.
DbFailure LastReportedDbFailure();
