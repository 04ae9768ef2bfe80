// Searching and sorting entries of list boxes and combo boxes as the system's list controls do:
// without regard to ASCII case, by prefix or by whole text, wrapping around after the start.
#pragma once

#include "platform/base/String.h"

#include <functional>

namespace vq {

// The first index after `startAfter` (wrapping; -1: from 0) whose text begins with (or is, when
// exact) the wanted text, ignoring ASCII case; -1 when none. An empty prefix matches every entry.
int FindEntry(int count, const std::function<CString(int)>& textAt, int startAfter, const CString& wanted,
              bool exact);

// Where a text goes in entries kept sorted as lists sort (after equal ones).
int SortedInsertIndex(int count, const std::function<CString(int)>& textAt, const CString& text);

} // namespace vq
