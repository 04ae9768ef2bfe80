#include "controls/ListHelpers.h"

#include "platform/ui/ListCtrl.h"

int GetFirstSelectedItem(const CListCtrl& list) {
    for (int i = 0; i < list.GetItemCount(); ++i)
        if (list.GetItemState(i, LVIS_SELECTED) & LVIS_SELECTED)
            return i;
    return -1;
}

BOOL IsItemInList(const CListCtrl& list, CString text) {
    LVFINDINFO find{};
    find.flags = LVFI_STRING;
    find.psz = text.c_str();
    return list.FindItem(&find, -1) >= 0;
}
