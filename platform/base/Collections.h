// The collection classes the dialog code keeps its records in: growable arrays, string lists
// and maps, with the framework's member names. Arrays check their indexes: a bad index is a
// programming error and aborts instead of corrupting memory.
#pragma once

#include "platform/base/String.h"

#include <cstdlib>
#include <iterator>
#include <list>
#include <map>
#include <vector>

// Root of the record classes kept in CObArray.
class CObject {
public:
    virtual ~CObject() = default;
};

template <class TYPE, class ARG_TYPE = const TYPE&> class CArray {
public:
    int GetSize() const { return static_cast<int>(m_items.size()); }
    int GetCount() const { return GetSize(); }
    int GetUpperBound() const { return GetSize() - 1; }
    bool IsEmpty() const { return m_items.empty(); }
    void SetSize(int newSize, int /*growBy*/ = -1) {
        m_items.resize(static_cast<std::size_t>(newSize < 0 ? 0 : newSize));
    }
    void RemoveAll() { m_items.clear(); }
    void FreeExtra() { m_items.shrink_to_fit(); }

    const TYPE& GetAt(int i) const { return m_items[Check(i)]; }
    TYPE& GetAt(int i) { return m_items[Check(i)]; }
    TYPE& ElementAt(int i) { return m_items[Check(i)]; }
    void SetAt(int i, ARG_TYPE v) { m_items[Check(i)] = v; }
    const TYPE& operator[](int i) const { return GetAt(i); }
    TYPE& operator[](int i) { return GetAt(i); }
    const TYPE* GetData() const { return m_items.data(); }
    TYPE* GetData() { return m_items.data(); }

    int Add(ARG_TYPE v) {
        m_items.push_back(v);
        return GetUpperBound();
    }
    void SetAtGrow(int i, ARG_TYPE v) {
        if (i >= GetSize())
            SetSize(i + 1);
        m_items[Check(i)] = v;
    }
    int Append(const CArray& other) {
        int old = GetSize();
        m_items.insert(m_items.end(), other.m_items.begin(), other.m_items.end());
        return old;
    }
    void Copy(const CArray& other) { m_items = other.m_items; }
    void InsertAt(int i, ARG_TYPE v, int count = 1) {
        if (i < 0 || i > GetSize())
            std::abort();
        m_items.insert(m_items.begin() + i, static_cast<std::size_t>(count), v);
    }
    void RemoveAt(int i, int count = 1) {
        if (i < 0 || count < 0 || i + count > GetSize())
            std::abort();
        m_items.erase(m_items.begin() + i, m_items.begin() + i + count);
    }

    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }
    std::vector<TYPE>& items() { return m_items; }
    const std::vector<TYPE>& items() const { return m_items; }

private:
    std::size_t Check(int i) const {
        if (i < 0 || i >= GetSize())
            std::abort();
        return static_cast<std::size_t>(i);
    }
    std::vector<TYPE> m_items;
};

using CStringArray = CArray<CString, const char*>;
using CPtrArray = CArray<void*, void*>;
using CObArray = CArray<CObject*, CObject*>;
using CByteArray = CArray<BYTE, BYTE>;
using CWordArray = CArray<WORD, WORD>;
using CDWordArray = CArray<DWORD, DWORD>;
using CUIntArray = CArray<UINT, UINT>;

// Doubly linked list with POSITION cursors, as the framework's list classes.
template <class TYPE, class ARG_TYPE = const TYPE&> class CList {
    using Impl = std::list<TYPE>;
    using Iter = typename Impl::iterator;
    struct Node : __POSITION {
        Iter it;
    };

public:
    CList() = default;
    CList(const CList& other) { *this = other; }
    CList& operator=(const CList& other) {
        if (this != &other) {
            RemoveAll();
            for (const auto& v : other.m_items)
                AddTail(v);
        }
        return *this;
    }
    ~CList() { RemoveAll(); }

    int GetCount() const { return static_cast<int>(m_items.size()); }
    int GetSize() const { return GetCount(); }
    bool IsEmpty() const { return m_items.empty(); }

    POSITION AddHead(ARG_TYPE v) { return Wrap(m_items.insert(m_items.begin(), v)); }
    POSITION AddTail(ARG_TYPE v) { return Wrap(m_items.insert(m_items.end(), v)); }
    TYPE& GetHead() { return m_items.front(); }
    TYPE& GetTail() { return m_items.back(); }
    TYPE RemoveHead() {
        TYPE v = m_items.front();
        RemoveAt(PosOf(m_items.begin()));
        return v;
    }
    TYPE RemoveTail() {
        TYPE v = m_items.back();
        RemoveAt(PosOf(std::prev(m_items.end())));
        return v;
    }
    void RemoveAll() {
        for (auto& [k, node] : m_nodes)
            delete node;
        m_nodes.clear();
        m_items.clear();
    }

    POSITION GetHeadPosition() const { return m_items.empty() ? nullptr : PosOf(Self().m_items.begin()); }
    POSITION GetTailPosition() const {
        return m_items.empty() ? nullptr : PosOf(std::prev(Self().m_items.end()));
    }
    TYPE& GetNext(POSITION& pos) {
        Iter it = At(pos);
        auto next = std::next(it);
        pos = next == m_items.end() ? nullptr : PosOf(next);
        return *it;
    }
    TYPE& GetPrev(POSITION& pos) {
        Iter it = At(pos);
        pos = it == m_items.begin() ? nullptr : PosOf(std::prev(it));
        return *it;
    }
    TYPE& GetAt(POSITION pos) { return *At(pos); }
    void SetAt(POSITION pos, ARG_TYPE v) { *At(pos) = v; }
    void RemoveAt(POSITION pos) {
        Iter it = At(pos);
        auto n = m_nodes.find(&*it);
        delete n->second;
        m_nodes.erase(n);
        m_items.erase(it);
    }
    POSITION InsertBefore(POSITION pos, ARG_TYPE v) {
        return pos ? Wrap(m_items.insert(At(pos), v)) : AddHead(v);
    }
    POSITION InsertAfter(POSITION pos, ARG_TYPE v) {
        return pos ? Wrap(m_items.insert(std::next(At(pos)), v)) : AddTail(v);
    }
    POSITION Find(ARG_TYPE v, POSITION after = nullptr) const {
        auto it = after ? std::next(Self().At(after)) : Self().m_items.begin();
        for (; it != Self().m_items.end(); ++it)
            if (*it == v)
                return PosOf(it);
        return nullptr;
    }
    POSITION FindIndex(int index) const {
        if (index < 0 || index >= GetCount())
            return nullptr;
        return PosOf(std::next(Self().m_items.begin(), index));
    }

    auto begin() { return m_items.begin(); }
    auto end() { return m_items.end(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    CList& Self() const { return const_cast<CList&>(*this); }
    POSITION Wrap(Iter it) {
        auto* node = new Node;
        node->it = it;
        m_nodes[&*it] = node;
        return node;
    }
    POSITION PosOf(Iter it) const { return m_nodes.at(&*it); }
    Iter At(POSITION pos) const {
        if (!pos)
            std::abort();
        return static_cast<Node*>(pos)->it;
    }

    Impl m_items;
    std::map<const TYPE*, Node*> m_nodes;
};

using CStringList = CList<CString, const char*>;
using CPtrList = CList<void*, void*>;
using CObList = CList<CObject*, CObject*>;

// Ordered maps with the framework's lookup interface.
template <class KEY, class ARG_KEY, class VALUE, class ARG_VALUE> class CMap {
public:
    int GetCount() const { return static_cast<int>(m_map.size()); }
    int GetSize() const { return GetCount(); }
    bool IsEmpty() const { return m_map.empty(); }
    BOOL Lookup(ARG_KEY key, VALUE& value) const {
        auto it = m_map.find(KEY(key));
        if (it == m_map.end())
            return FALSE;
        value = it->second;
        return TRUE;
    }
    void SetAt(ARG_KEY key, ARG_VALUE value) { m_map[KEY(key)] = value; }
    VALUE& operator[](ARG_KEY key) { return m_map[KEY(key)]; }
    BOOL RemoveKey(ARG_KEY key) { return m_map.erase(KEY(key)) ? TRUE : FALSE; }
    void RemoveAll() { m_map.clear(); }
    auto begin() { return m_map.begin(); }
    auto end() { return m_map.end(); }
    auto begin() const { return m_map.begin(); }
    auto end() const { return m_map.end(); }

private:
    std::map<KEY, VALUE> m_map;
};

using CMapStringToString = CMap<CString, const char*, CString, const char*>;
using CMapStringToPtr = CMap<CString, const char*, void*, void*>;
using CMapStringToOb = CMap<CString, const char*, CObject*, CObject*>;
using CMapPtrToPtr = CMap<void*, void*, void*, void*>;
