// The shared file-type icon lists and the Shell sort of string arrays.
#include "controls/SysImageList.h"
#include "platform/ui/ImageList.h"

#include <gtest/gtest.h>

#include <vector>

TEST(SysImageListTest, InstancesShareTheListsWhileAnyExists) {
    EXPECT_EQ(CSysImageList::GetImageList(TRUE), nullptr);
    {
        CSysImageList first;
        CImageList* small = CSysImageList::GetImageList(TRUE);
        CImageList* large = CSysImageList::GetImageList(FALSE);
        ASSERT_NE(small, nullptr);
        ASSERT_NE(large, nullptr);
        EXPECT_NE(small, large);
        EXPECT_EQ(small->GetImageSize(), CSize(16, 16));
        EXPECT_EQ(large->GetImageSize(), CSize(32, 32));
        EXPECT_EQ(small->GetBkColor(), CLR_NONE);
        {
            CSysImageList second;
            EXPECT_EQ(CSysImageList::GetImageList(TRUE), small);
        }
        EXPECT_EQ(CSysImageList::GetImageList(TRUE), small) << "one instance still holds them";
        EXPECT_GE(small->GetImageCount(), 1);
    }
    EXPECT_EQ(CSysImageList::GetImageList(TRUE), nullptr);
    EXPECT_EQ(CSysImageList::GetImageList(FALSE), nullptr);
    CSysImageList again;
    EXPECT_NE(CSysImageList::GetImageList(TRUE), nullptr) << "the shell's lists are still there";
}

TEST(SysImageListTest, IconIndexGoesByTheExtensionOnly) {
    CSysImageList lists;
    const int dwg = CSysImageList::GetIconIndex("/no/such/folder/a.dwg");
    EXPECT_EQ(CSysImageList::GetIconIndex("B.DWG", TRUE, FALSE), dwg);
    EXPECT_EQ(CSysImageList::GetIconIndex("c:\\图纸\\零件.dwg"), dwg);
    const int doc = CSysImageList::GetIconIndex("说明.doc");
    EXPECT_NE(doc, dwg);
    const int generic = CSysImageList::GetIconIndex("README");
    EXPECT_EQ(CSysImageList::GetIconIndex("Makefile"), generic);
    EXPECT_NE(generic, dwg);
    EXPECT_EQ(CSysImageList::GetIconIndex("archive.tar.GZ"), CSysImageList::GetIconIndex("x.gz"));
    // Both lists hold each icon at the same index.
    CImageList* small = CSysImageList::GetImageList(TRUE);
    CImageList* large = CSysImageList::GetImageList(FALSE);
    EXPECT_EQ(small->GetImageCount(), large->GetImageCount());
    EXPECT_LT(doc, small->GetImageCount());
    const CBitmap icon = small->GetImage(dwg);
    EXPECT_EQ(icon.Width(), 16);
    EXPECT_TRUE(icon.IsTransparent(0, 0)) << "the corner outside the sheet shows what lies below";
}

TEST(SortStringPtrArrayTest, SortsSmallAndEmptyArraysAndOrdersLikeTheListCompare) {
    CStringArray empty;
    SortStringPtrArray(empty, CompareStringPtr);
    EXPECT_EQ(empty.GetSize(), 0);

    CStringArray one;
    one.Add("x");
    SortStringPtrArray(one, CompareStringPtr);
    EXPECT_EQ(one[0], "x");

    CStringArray three;
    three.Add("b");
    three.Add("a");
    three.Add("c");
    SortStringPtrArray(three, CompareStringPtr);
    EXPECT_EQ(three[0], "a");
    EXPECT_EQ(three[1], "b");
    EXPECT_EQ(three[2], "c");

    CStringArray mixed;
    for (const char* s : {"Bolt", "axle", "B", "b", "Axle", "10", "9"})
        mixed.Add(s);
    SortStringPtrArray(mixed, CompareStringPtr);
    const char* expected[] = {"10", "9", "axle", "Axle", "b", "B", "Bolt"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(mixed[i], expected[i]) << i;
}

TEST(SortStringPtrArrayTest, SortsLongArraysOfPointersWithTheCallersComparison) {
    struct Record {
        int code;
    };
    std::vector<Record> records;
    for (int i = 0; i < 200; ++i)
        records.push_back({(i * 7919) % 200});
    CPtrArray array;
    for (auto& r : records)
        array.Add(&r);
    SortStringPtrArray(array, [](void* const* a, void* const* b) {
        return static_cast<const Record*>(*a)->code - static_cast<const Record*>(*b)->code;
    });
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(static_cast<const Record*>(array[i])->code, i);
}
