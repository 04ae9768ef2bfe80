#include "platform/os/EntryTable.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vq {
namespace {
std::vector<EntryInfo>& Entries() {
    static std::vector<EntryInfo> entries;
    return entries;
}

struct Descriptions {
    const EntryDescription* table = nullptr;
    int count = 0;
};
Descriptions& TheDescriptions() {
    static Descriptions descriptions;
    return descriptions;
}

// Ranks and names the arguments of the entries by the description table and puts them in its
// order; entries registered after the table was given are placed when the table is next read.
void ArrangeEntries() {
    auto& entries = Entries();
    const Descriptions& d = TheDescriptions();
    for (EntryInfo& entry : entries)
        for (int i = 0; i < d.count; ++i)
            if (std::strcmp(entry.name, d.table[i].name) == 0) {
                entry.rank = i;
                entry.arguments = d.table[i].arguments ? d.table[i].arguments : "";
                break;
            }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const EntryInfo& a, const EntryInfo& b) { return a.rank < b.rank; });
}
} // namespace

void DescribeEntries(const EntryDescription* table, int count) {
    TheDescriptions() = {table, count};
}


void AddEntry(const EntryInfo& info) {
    auto& entries = Entries();
    auto at =
        std::lower_bound(entries.begin(), entries.end(), info, [](const EntryInfo& a, const EntryInfo& b) {
            return std::strcmp(a.name, b.name) < 0;
        });
    entries.insert(at, info);
}

std::vector<EntryGroup> GroupEntries(const EntryInfo* entries, int count) {
    std::vector<const EntryInfo*> sorted;
    for (int i = 0; i < count; ++i)
        sorted.push_back(&entries[i]);
    auto order = [](const EntryInfo* e) { return e->subsystem ? e->subsystem->order : 1 << 30; };
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const EntryInfo* a, const EntryInfo* b) { return order(a) < order(b); });
    std::vector<EntryGroup> groups;
    for (const EntryInfo* entry : sorted) {
        const CString title = entry->subsystem && entry->subsystem->title ? entry->subsystem->title : "其他";
        if (groups.empty() || groups.back().title != title)
            groups.push_back({title, {}, entry->subsystem ? entry->subsystem->accessKey : 'O'});
        groups.back().entries.push_back(entry);
    }
    return groups;
}

CString EntryMenuText(const EntryInfo& entry) {
    if (!entry.title || !*entry.title)
        return entry.name;
    return CString(entry.title) + "  " + entry.name;
}

} // namespace vq

extern "C" const vq::EntryInfo* VqEntryTable(int* count) {
    vq::ArrangeEntries();
    auto& entries = vq::Entries();
    if (count)
        *count = static_cast<int>(entries.size());
    return entries.data();
}
