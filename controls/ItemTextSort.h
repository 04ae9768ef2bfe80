// Sorting a report list by one column on a click of its header. Each row carries a CItemText
// with the texts of all its columns as its item data; the rows are compared by the field of the
// clicked column, without regard to letter case. A column without an arrow or with the
// descending arrow sorts ascending, the ascending one descending; only the sorted column keeps
// an arrow (image 0 ascending, 1 descending).
#pragma once

class CSortListCtrl;

// Sorts the list by the column and moves the arrows; returns true for ascending order. The first
// selected row is scrolled into view afterwards.
bool SortListByItemText(CSortListCtrl& list, int column);

// The order of two field texts used by the sort: negative, 0 or positive.
int CompareSortTexts(const char* left, const char* right);
