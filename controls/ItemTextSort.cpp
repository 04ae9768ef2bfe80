#include "controls/ItemTextSort.h"

#include "controls/SortListCtrl.h"
#include "core/ItemText.h"
#include "platform/base/WaitCursor.h"

namespace {

// sortData: the column, negated minus one for descending order.
int CompareRows(LPARAM a, LPARAM b, LPARAM sortData) {
    const int column = static_cast<int>(sortData >= 0 ? sortData : -sortData - 1);
    const auto* left = reinterpret_cast<const CItemText*>(a);
    const auto* right = reinterpret_cast<const CItemText*>(b);
    if (!left || !right)
        return 0;
    const int result = CompareSortTexts(left->GetField(column), right->GetField(column));
    return sortData >= 0 ? result : -result;
}

} // namespace

int CompareSortTexts(const char* left, const char* right) {
    return CString(left).CollateNoCase(right);
}

bool SortListByItemText(CSortListCtrl& list, int column) {
    CWaitCursor wait;
    const bool ascending = list.m_header.GetColumnImage(column) != 0;
    for (int c = 0; c < list.GetColumnCount(); ++c)
        list.m_header.SetColumnImage(c, -1);
    list.m_header.SetColumnImage(column, ascending ? 0 : 1);
    list.SortItems(CompareRows, static_cast<DWORD_PTR>(ascending ? column : -column - 1));
    POSITION pos = list.GetFirstSelectedItemPosition();
    if (pos)
        list.EnsureVisible(list.GetNextSelectedItem(pos), FALSE);
    return ascending;
}
