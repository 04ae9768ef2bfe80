// CImportLines: the lines an import has read, held compactly. A file of a hundred thousand
// lines would take most of a hundred megabytes as line objects (each has some thirty text
// fields); here each line is one packed record in large shared blocks, unpacked when it is used.
//
//   CImportLines lines;
//   lines.Add(item);                 // takes the line object, packs it and deletes it
//   CProductStructItem line;
//   lines.Get(0, line);              // a copy of line 0
//   lines.SetItem(0, 3);             // its item number
//
// Callers that look at the lines as objects (lines[i], or for (CObject* o : lines)) get line
// objects made on first use and kept until RemoveAll; they follow SetItem.
#pragma once

#include "parts/ProductStructItem.h"

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CImportLines {
public:
    CImportLines() = default;
    CImportLines(const CImportLines&) = delete;
    CImportLines& operator=(const CImportLines&) = delete;

    int GetSize() const { return static_cast<int>(m_records.size()); }
    void Add(CProductStructItem* item);
    void RemoveAll();
    void Get(int index, CProductStructItem& item) const;
    void SetItem(int index, int item);

    CObject* operator[](int index) const;

    class const_iterator {
    public:
        const_iterator(const CImportLines* lines, int index) : m_lines(lines), m_index(index) {}
        CObject* operator*() const { return (*m_lines)[m_index]; }
        const_iterator& operator++() {
            ++m_index;
            return *this;
        }
        bool operator!=(const const_iterator& other) const { return m_index != other.m_index; }

    private:
        const CImportLines* m_lines;
        int m_index;
    };
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, GetSize()}; }

private:
    struct Record {
        std::uint32_t block;
        std::uint32_t offset;
    };
    char* RecordData(int index);
    const char* RecordData(int index) const;

    std::vector<std::string> m_blocks;
    std::vector<Record> m_records;
    mutable std::unordered_map<int, std::unique_ptr<CProductStructItem>> m_views;
};
