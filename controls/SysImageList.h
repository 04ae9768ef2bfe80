// CSysImageList: the shell's lists of file-type icons (small and large), shared by every list and
// tree that shows files while at least one CSysImageList exists, and the icon index of a file
// name by its extension. Owners keep one as a member, give the shared list to their control
// (small for report and tree views, large for icon views) and never destroy it.
//
// SortStringPtrArray: a Shell sort of an array with a caller's comparison.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

#include <utility>

class CImageList;

class CSysImageList : public CObject {
public:
    CSysImageList();
    ~CSysImageList() override;
    CSysImageList(const CSysImageList&) = delete;
    CSysImageList& operator=(const CSysImageList&) = delete;

    // The index of the icon of the file's type (only the extension counts).
    static int GetIconIndex(const CString& fileName, BOOL open = FALSE, BOOL small = TRUE);
    // The shared small or large list; null while no CSysImageList exists.
    static CImageList* GetImageList(BOOL small = TRUE);

private:
    static void Attach(CImageList*& list, bool small);

    static CImageList* s_smallList;
    static CImageList* s_largeList;
    static int s_instanceCount;
};

// The comparison of names that lists are ordered with: letters in dictionary order with lower case
// before upper case of the same letter, other text by its code page 936 bytes (Chinese by pinyin).
int CompareStringPtr(const CString* a, const CString* b);

// Sorts the array in place (Shell sort, gaps 3h + 1; not stable). compare gets pointers to two
// elements and returns a negative number when the first belongs before the second.
template <class Array, class Compare> void SortStringPtrArray(Array& array, Compare compare) {
    const int n = static_cast<int>(array.GetSize());
    if (n < 1)
        return;
    int h = 1;
    while (h <= n)
        h = 3 * h + 1;
    while (h > 2) {
        h /= 3;
        for (int i = h; i < n; ++i) {
            for (int j = i; j - h >= 0 && compare(&array[j], &array[j - h]) < 0; j -= h)
                std::swap(array[j], array[j - h]);
        }
    }
}
