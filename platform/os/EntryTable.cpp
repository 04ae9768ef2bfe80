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
} // namespace

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
    std::stable_sort(sorted.begin(), sorted.end(), [&](const EntryInfo* a, const EntryInfo* b) {
        if (order(a) != order(b))
            return order(a) < order(b);
        return std::strcmp(a->name, b->name) < 0;
    });
    std::vector<EntryGroup> groups;
    for (const EntryInfo* entry : sorted) {
        const CString title = entry->subsystem && entry->subsystem->title ? entry->subsystem->title : "其他";
        if (groups.empty() || groups.back().title != title)
            groups.push_back({title, {}});
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
    auto& entries = vq::Entries();
    if (count)
        *count = static_cast<int>(entries.size());
    return entries.data();
}
