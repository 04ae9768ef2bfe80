// The shared list helpers: the first selected row and the search of a row label.
#include "controls/ListHelpers.h"
#include "platform/ui/ListCtrl.h"

#include <gtest/gtest.h>

TEST(ListHelpers, FirstSelectedRowAndWholeLabelSearch) {
    CWnd parent;
    parent.CreateEx(0, "VqWindow", "", WS_POPUP, CRect(0, 0, 300, 200), nullptr, 0);
    CListCtrl list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, CRect(0, 0, 280, 180), &parent, 1059));
    list.InsertColumn(0, "任务", LVCFMT_LEFT, 120);
    EXPECT_EQ(GetFirstSelectedItem(list), -1) << "an empty list";
    EXPECT_FALSE(IsItemInList(list, "校对[1]"));
    for (const char* label : {"校对[1]", "Check[2]", "校对[10]"})
        list.InsertItem(list.GetItemCount(), label);
    EXPECT_EQ(GetFirstSelectedItem(list), -1) << "no row selected";
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_EQ(GetFirstSelectedItem(list), 1);
    EXPECT_TRUE(IsItemInList(list, "CHECK[2]"));
    EXPECT_TRUE(IsItemInList(list, "校对[10]"));
    EXPECT_FALSE(IsItemInList(list, "校对[")) << "whole labels only";
    EXPECT_FALSE(IsItemInList(list, "校对[2]"));
}
