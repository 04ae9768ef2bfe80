// CMimeHeaderList: the header lines of an outgoing mail as name and value pairs, in the order in
// which they were added. Removing and adding a header moves it to the end of the list.
#pragma once

#include "platform/base/String.h"

#include <vector>

class CMimeHeaderList {
public:
    // Appends the pair; 1.
    int Add(const CString& name, const CString& value);
    // Removes the first pair whose name equals name exactly (letter case counts); 1 when one was
    // removed, 0 when there was none.
    int Remove(const CString& name);
    // Whether a pair of that name (letter case counts) is in the list.
    bool Has(const CString& name) const;

    int GetCount() const { return static_cast<int>(Names.size()); }
    const CString& GetName(int index) const { return Names[static_cast<std::size_t>(index)]; }
    const CString& GetValue(int index) const { return Values[static_cast<std::size_t>(index)]; }

private:
    std::vector<CString> Names;
    std::vector<CString> Values;
};
