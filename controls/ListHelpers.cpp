#include "controls/ListHelpers.h"

#include "core/ComError.h"
#include "core/ItemText.h"
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

void AppendTextRows(CListCtrl& list, const _RecordsetPtr& rs, int columns) {
    for (; !rs->IsEOF(); rs->MoveNext()) {
        const int row = list.InsertItem(list.GetItemCount(), VariantToString(rs->GetCollect(0L)));
        for (long c = 1; c < columns; ++c)
            list.SetItemText(row, static_cast<int>(c), VariantToString(rs->GetCollect(c)));
    }
}

void AppendItemTextRows(CListCtrl& list, const _RecordsetPtr& rs, int columns, CPtrArray& records, int image) {
    for (; !rs->IsEOF(); rs->MoveNext()) {
        auto* record = new CItemText;
        records.Add(record);
        for (long f = 0; f < columns; ++f)
            record->SetField(static_cast<int>(f), VariantToString(rs->GetCollect(f)));
        const int row = list.InsertItem(list.GetItemCount(), record->GetField(0), image);
        for (int c = 1; c < columns; ++c)
            list.SetItemText(row, c, record->GetField(c));
        list.SetItemData(row, reinterpret_cast<DWORD_PTR>(record));
    }
}
