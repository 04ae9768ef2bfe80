// CTreeStack: the stack for building part and task trees without recursion. Each entry holds the
// tree position under which a node belongs, with the node's code, name and number; a dialog takes
// the top entry, drops it and pushes the entries found below it until the stack is empty. The
// stack grows as far as the tree needs, so that a tree of any width shows whole.
#pragma once

#include "controls/TreeCtrlEx.h"
#include "platform/base/String.h"

#include <vector>

struct CTreeStackItem {
    CTreeCursor m_cursor; // the tree position the entry's node belongs under
    CString m_code;
    CString m_name;
    int m_number = 0;
};

class CTreeStack {
public:
    // Empties the stack.
    void Init() { m_items.clear(); }
    BOOL IsEmpty() const { return m_items.empty(); }
    // Stores an entry on top.
    void Push(const CTreeCursor& cursor, const CString& code, const CString& name, int number);
    void Push(const CTreeStackItem& item) { m_items.push_back(item); }
    // A copy of the top entry (an empty entry when the stack is empty).
    CTreeStackItem GetTop() const;
    // Removes the top entry; returns non-zero (and changes nothing) when the stack was empty.
    BOOL Drop();
    // The number of entries on the stack.
    int GetCount() const { return static_cast<int>(m_items.size()); }

private:
    std::vector<CTreeStackItem> m_items; // the top is the last
};

// The message of a tree walk that meets a code again on its own way down (or up), a cycle in the
// stored structure: the first one of a walk shows "图号: <code> 在: <path> 处出现循环，请检查设计图纸...";
// later ones are cut from the tree alike without a message each, so that an assembly with a
// cycle raises one message, not one wherever it is used.
class CTreeCycleNotice {
public:
    // Starts a walk: its first cycle is shown again.
    void Reset() { m_shown = false; }
    void Report(const CString& code, const CString& path);

private:
    bool m_shown = false;
};
