// Small helpers on report lists that dialogs of several subsystems share. (The records a dialog
// keeps behind its rows are freed with DeleteItemTexts of core/ItemText.h.)
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"
#include "platform/db/Ado.h"

class CListCtrl;

// The index of the first selected row, scanning from row 0; -1 when the list is empty or no row
// is selected.
int GetFirstSelectedItem(const CListCtrl& list);

// TRUE when a row's label (first column) is the text, compared whole and without regard to
// letter case, as the list's own search from the first row does.
BOOL IsItemInList(const CListCtrl& list, CString text);

// Adds a row to the list for each remaining row of the open recordset, its first `columns` values
// as the row's texts. The recordset is left at its end; database errors throw.
void AppendTextRows(CListCtrl& list, const _RecordsetPtr& rs, int columns);

// Adds a row to the list for each remaining row of the open recordset: a CItemText record of its
// first `columns` values, kept in `records` and set as the row's item data, the values as the
// row's texts and `image` as its image. The recordset is left at its end; database errors throw.
void AppendItemTextRows(CListCtrl& list, const _RecordsetPtr& rs, int columns, CPtrArray& records, int image = 0);
