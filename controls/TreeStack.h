// CTreeStack: a fixed stack for building part and task trees without recursion. Each entry holds
// the tree position under which a node belongs, with the node's code, name and number; a dialog
// takes the top entry, drops it and pushes the entries found below it until the stack is empty.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "platform/base/String.h"

struct CTreeStackItem {
    CTreeCursor m_cursor; // the tree position the entry's node belongs under
    CString m_code;
    CString m_name;
    int m_number = 0;
};

class CTreeStack {
public:
    static constexpr int kCapacity = 1500;

    // Empties the stack; it must be called before first use.
    void Init() { m_top = kCapacity; }
    BOOL IsEmpty() const { return m_top >= kCapacity; }
    // Stores an entry on top; a full stack shows "生成装配树所用堆栈已满" and stores nothing.
    void Push(const CTreeCursor& cursor, const CString& code, const CString& name, int number);
    void Push(const CTreeStackItem& item) { Push(item.m_cursor, item.m_code, item.m_name, item.m_number); }
    // A copy of the top entry (an empty entry when the stack is empty).
    CTreeStackItem GetTop() const;
    // Removes the top entry; returns non-zero (and changes nothing) when the stack was empty.
    BOOL Drop();
    // The number of entries on the stack.
    int GetCount() const { return IsEmpty() ? 0 : kCapacity - m_top; }

private:
    // The stack grows downwards: the first push fills entry 1499, the 1500th entry 0.
    int m_top = kCapacity;
    CTreeStackItem m_items[kCapacity];
};
