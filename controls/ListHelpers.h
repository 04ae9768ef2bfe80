// Small helpers on report lists that dialogs of several subsystems share. (The records a dialog
// keeps behind its rows are freed with DeleteItemTexts of core/ItemText.h.)
#pragma once

#include "platform/base/String.h"

class CListCtrl;

// The index of the first selected row, scanning from row 0; -1 when the list is empty or no row
// is selected.
int GetFirstSelectedItem(const CListCtrl& list);

// TRUE when a row's label (first column) is the text, compared whole and without regard to
// letter case, as the list's own search from the first row does.
BOOL IsItemInList(const CListCtrl& list, CString text);
