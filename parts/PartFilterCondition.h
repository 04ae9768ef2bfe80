// PartFilterCondition: one condition of the user's part filter list, and the list itself as the
// settings file keeps it ([零部件过滤] "过滤比较条件"). The completeness query leaves out every part
// that matches one of the conditions; CPartFilterDlg edits the list.
//
// Stored form: conditions joined by "&&", each "item[value]<operator>", for example
// "图号[GB]<含>&&图名[垫圈]<等于>". The older form "item[value]" means the operator "含".
#pragma once

#include "platform/base/String.h"

#include <vector>

// The comparison items, by number, and the operators, in the order the dialogs list them.
inline constexpr const char* kPartFilterItems[] = {"图号", "图名", "备注", "类型", "规格", "其他1", "其他2"};
inline constexpr int kPartFilterItemCount = 7;
inline constexpr const char* kPartFilterOperators[] = {"等于", "不等", "近似", "不近似", "含", "不含"};
inline constexpr int kPartFilterOperatorCount = 6;

// The record a part is evaluated against.
struct PartFilterCondition {
    int item = -1; // 0 code ("图号"), 1 name ("图名"), 2 remark ("备注"), -1 an item without part text
    CString value; // compared as stored
    CString op;    // one of kPartFilterOperators
    CString connective = "OR";
};

// One condition as the settings file and the editing dialog hold it: the item's text.
struct PartFilterText {
    CString item;
    CString value;
    CString op;
};

// The number of an item text as the evaluation uses it (0, 1, 2; -1 for every other text).
int PartFilterItemNumber(const CString& itemText);
// The index of an item text in kPartFilterItems, -1 when it is none of them.
int PartFilterItemIndex(const CString& itemText);

// Splits a stored value into its conditions; pieces without "[" are skipped.
std::vector<PartFilterText> ParsePartFilterList(const CString& stored);
// Joins conditions into the stored form (values trimmed of blanks at both ends).
CString FormatPartFilterList(const std::vector<PartFilterText>& conditions);
// The records the evaluation uses.
std::vector<PartFilterCondition> MakePartFilterConditions(const std::vector<PartFilterText>& conditions);

// The longest stored value, in bytes of the settings file's code page, that reads back whole.
inline constexpr int kPartFilterMaxStoredLength = 511;

// Reads the user's list from the settings file (empty list when the key is missing or empty).
std::vector<PartFilterText> LoadPartFilterList();
// Writes the list; FALSE (nothing written) when its stored form is longer than
// kPartFilterMaxStoredLength or the settings file cannot be written.
BOOL StorePartFilterList(const std::vector<PartFilterText>& conditions);
// True when the stored form of the list fits the settings key.
bool PartFilterListFits(const CString& stored);

// Whether one condition applies to a part: conditions on an item without part text (-1) are not
// applicable and never match.
bool PartFilterApplies(const PartFilterCondition& condition);
// 1 when the part matches one of the conditions, else 0. The conditions are tested from the last
// to the first; "等于"/"不等" and "含"/"不含" compare without regard to ASCII letter case,
// "近似"/"不近似" match the value as a pattern at the start of the upper-case text, an operator
// containing "不" turns its result round, and an unknown operator matches always.
int MatchPartFilter(const std::vector<PartFilterCondition>& conditions, const CString& code,
                    const CString& name, const CString& remark);
