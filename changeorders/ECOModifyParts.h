// The drawing rows of a modification notice (ECOModifyPart), as its form stores them.
#pragma once

#include "platform/db/Variant.h"

#include <vector>

// Replaces the stored drawings of notice `number` with `parts`, each row the values of PartCode,
// PartName, Result, Other1, Other2 and Other3: the notice's rows are deleted, then the new ones
// are inserted as one batch (a few statements however long the list is). Runs on the product
// connection inside the caller's transaction; a failure shows its box and returns false, and the
// caller's rollback takes back what ran.
bool ReplaceModifyParts(const CString& number, const std::vector<std::vector<_variant_t>>& parts);
