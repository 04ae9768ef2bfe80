// Reading the number a stored text starts with, as the review paths and the change-order
// settings and serials need it: stored texts may carry blanks, a sign or trailing words.
#pragma once

#include "platform/base/String.h"

// The signed decimal number at the start of the text (blanks before it allowed); 0 when there
// is none, clamped to the range of int.
int LeadingSignedInt(const CString& text);
