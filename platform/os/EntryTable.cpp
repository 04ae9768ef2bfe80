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

} // namespace vq

extern "C" const vq::EntryInfo* VqEntryTable(int* count) {
    auto& entries = vq::Entries();
    if (count)
        *count = static_cast<int>(entries.size());
    return entries.data();
}
