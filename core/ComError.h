// Reporting a database error to the user, and reading a field value as text.
#pragma once

#include "platform/db/Ado.h"

// Shows the error in a message box with an OK button: for a lost connection the system's own
// text for it; else its description when it has one, else the system's text for its code
// ("IDispatch error #n", "Unknown error 0x...").
void ReportComError(_com_error e);

// A field value as text with white space trimmed from both ends; empty text when the value
// cannot be converted (NULL, empty, binary).
CString VariantToString(_variant_t value);

// What kind of failure a database error is, so that messages can say what happened.
enum class DbFailure {
    Other,
    ConnectionLost, // the server went away, the network failed, the server ended the session
    Busy,           // the data is locked by another user or program
    NotADatabase,   // the file is not a database (corrupt, or another kind of file)
    CannotOpen,     // the database (file) cannot be opened
};
DbFailure ClassifyDbError(const _com_error& e);
inline bool IsConnectionLost(const _com_error& e) {
    return ClassifyDbError(e) == DbFailure::ConnectionLost;
}
// The message for a failure of a kind other than Other, in the system's words; empty for Other.
CString DbFailureText(DbFailure failure);
