// TreeItemData: the record behind a tree node. The dialog that fills a tree allocates one per
// node, attaches it as the node's item data, keeps the pointer in its own array and frees every
// record before it refills the tree and when its window is destroyed; the tree never frees it.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

#include <cstdint>

struct TreeItemData {
    CString kind;               // "_Tree", "_Project", "_Part", "_User", "_Product" ...
    CString code;               // the node's key: a part code, a class code, a login name, a task id ...
    CString text;               // a second text: the display name or a further key
    std::uint32_t reserved = 0; // left unset by the filling code; nothing reads it
};

// Deletes every TreeItemData record of a tree's item data array and empties the array.
inline void DeleteTreeItemData(CPtrArray& records) {
    for (void* p : records)
        delete static_cast<TreeItemData*>(p);
    records.RemoveAll();
}
