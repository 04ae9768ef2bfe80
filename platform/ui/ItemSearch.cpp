#include "platform/ui/ItemSearch.h"

namespace vq {

int FindEntry(int count, const std::function<CString(int)>& textAt, int startAfter, const CString& wanted,
              bool exact) {
    if (count <= 0)
        return -1;
    const int start = (startAfter < 0 || startAfter >= count) ? 0 : startAfter + 1;
    for (int n = 0; n < count; ++n) {
        const int i = (start + n) % count;
        const CString text = textAt(i);
        if (exact) {
            if (text.CompareNoCase(wanted) == 0)
                return i;
        } else if (text.GetLength() >= wanted.GetLength() &&
                   text.Left(wanted.GetLength()).CompareNoCase(wanted) == 0) {
            return i;
        }
    }
    return -1;
}

int SortedInsertIndex(int count, const std::function<CString(int)>& textAt, const CString& text) {
    int i = 0;
    while (i < count && textAt(i).CollateNoCase(text) <= 0)
        ++i;
    return i;
}

} // namespace vq
