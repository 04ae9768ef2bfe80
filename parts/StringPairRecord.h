// StringPairRecord: two texts, a code and a name, kept by value in arrays: the working lists of
// product classes, stands and products that the product pickers build their trees from.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

struct StringPairRecord {
    CString code;
    CString name;
};

using CStringPairArray = CArray<StringPairRecord, const StringPairRecord&>;
