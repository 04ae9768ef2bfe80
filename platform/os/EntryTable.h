// The table of exported entry functions. Each entry function is a plain function with C linkage
// taking texts (CString by value) and integers and returning an int or a text; it registers
// itself here with VQ_EXPORT_ENTRY so that a host can list the functions, show them by title in
// menus grouped by subsystem, and call them by name with the right argument kinds.
#pragma once

#include "platform/base/Collections.h"
#include "platform/base/String.h"

#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace vq {

constexpr int kMaxEntryArgs = 6;

// A group of entry functions in the host's menus; order places the groups, and the access key
// (a capital letter, 0: none) opens the group's menu from the keyboard (Alt and the letter).
struct EntrySubsystem {
    int order;
    const char* title;
    char accessKey = 0;
};

struct EntryInfo {
    const char* name;                  // exported symbol name
    char signature[kMaxEntryArgs + 1]; // one letter per argument: 's' text, 'i' integer, 'l' list of texts
    char result;                       // 'i' integer, 's' text
    int loginArg;                      // 1-based position of the login account; 0 for none
    void* function;                    // the function itself
    const char* title;                 // the caption of the dialog it opens, or a short title; may be empty
    const EntrySubsystem* subsystem;   // the group it belongs to; null: none
    const char* arguments = "";        // the names of the arguments, separated by "|" (see DescribeEntries)
    int rank = 1 << 30;                // the place in the system's entry table (see DescribeEntries)
};

// How the system describes its entry functions: in the order of its entry table, each with the
// names of its arguments separated by "|" ("文档编号|登录帐号|评审步骤").
struct EntryDescription {
    const char* name;
    const char* arguments;
};

// Gives the table's order and argument names to the registered entries; the library calls it once
// as it loads. Entries it does not name come after those it does, by name.
void DescribeEntries(const EntryDescription* table, int count);

// The name of argument `index` (0-based) of an entry; empty when the description gives none.
// (Inline: the host program reads it from the table without linking the library.)
inline CString EntryArgumentName(const EntryInfo& entry, int index) {
    std::string_view rest = entry.arguments ? entry.arguments : "";
    for (int i = 0; i < index; ++i) {
        const std::size_t bar = rest.find('|');
        if (bar == std::string_view::npos)
            return CString();
        rest.remove_prefix(bar + 1);
    }
    return CString(std::string(rest.substr(0, rest.find('|'))));
}

template <class T> constexpr char EntryArgCode() {
    if constexpr (std::is_same_v<T, CString>)
        return 's';
    else if constexpr (std::is_same_v<T, int>)
        return 'i';
    else if constexpr (std::is_same_v<T, CStringArray*>)
        return 'l';
    else
        static_assert(std::is_same_v<T, CString> || std::is_same_v<T, int> || std::is_same_v<T, CStringArray*>,
                      "entry arguments are texts, ints or lists of texts");
}

void AddEntry(const EntryInfo& info);

template <class R, class... A>
bool RegisterEntry(const char* name, R (*fn)(A...), int loginArg, const char* title = "",
                   const EntrySubsystem* subsystem = nullptr) {
    static_assert(sizeof...(A) <= kMaxEntryArgs, "too many entry arguments");
    static_assert(std::is_same_v<R, int> || std::is_same_v<R, CString>, "entries return an int or a text");
    EntryInfo info{name,
                   {EntryArgCode<A>()..., '\0'},
                   std::is_same_v<R, int> ? 'i' : 's',
                   loginArg,
                   reinterpret_cast<void*>(fn),
                   title ? title : "",
                   subsystem,
                   "",
                   1 << 30};
    AddEntry(info);
    return true;
}

template <class R, class... A>
bool RegisterEntry(const char* name, R (*fn)(A...), int loginArg, const char* title,
                   const EntrySubsystem& subsystem) {
    return RegisterEntry(name, fn, loginArg, title, &subsystem);
}

// The entries of a table grouped as the host's menus show them: groups by their order (entries
// without a group last, under "其他" with the access key O), entries in the table's order within a
// group.
struct EntryGroup {
    CString title;
    std::vector<const EntryInfo*> entries;
    char accessKey = 0;
};
std::vector<EntryGroup> GroupEntries(const EntryInfo* entries, int count);

// How a menu shows an entry: its title beside its name ("产品结构数据导入  ImportProductDataFromFile"),
// or the name alone when it has no title.
CString EntryMenuText(const EntryInfo& entry);

} // namespace vq

// The table as the host reads it after loading the library.
extern "C" const vq::EntryInfo* VqEntryTable(int* count);

// VQ_EXPORT_ENTRY(function, loginArg) or VQ_EXPORT_ENTRY(function, loginArg, "title", subsystem),
// at namespace scope after the function's definition.
#define VQ_EXPORT_ENTRY(fn, loginArg, ...)                                                                   \
    [[maybe_unused]] static const bool fn##_entry_registered =                                               \
        vq::RegisterEntry(#fn, &fn, loginArg __VA_OPT__(, ) __VA_ARGS__)
