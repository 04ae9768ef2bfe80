// Reporting a database error to the user, and reading a field value as text.
#pragma once

#include "platform/db/Ado.h"

// Shows the error in a message box with an OK button: its description when it has one, else
// the system's text for its code ("IDispatch error #n", "Unknown error 0x...").
void ReportComError(_com_error e);

// A field value as text with white space trimmed from both ends; empty text when the value
// cannot be converted (NULL, empty, binary).
CString VariantToString(_variant_t value);
