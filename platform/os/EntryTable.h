// The table of exported entry functions. Each entry function is a plain function with C linkage
// taking texts (CString by value) and integers and returning an int or a text; it registers
// itself here with VQ_EXPORT_ENTRY so that a host can list the functions and call them by name
// with the right argument kinds.
#pragma once

#include "platform/base/String.h"

#include <type_traits>

namespace vq {

constexpr int kMaxEntryArgs = 6;

struct EntryInfo {
    const char* name;                  // exported symbol name
    char signature[kMaxEntryArgs + 1]; // one letter per argument: 's' text, 'i' integer
    char result;                       // 'i' integer, 's' text
    int loginArg;                      // 1-based position of the login account; 0 for none
    void* function;                    // the function itself
};

template <class T> constexpr char EntryArgCode() {
    if constexpr (std::is_same_v<T, CString>)
        return 's';
    else if constexpr (std::is_same_v<T, int>)
        return 'i';
    else
        static_assert(std::is_same_v<T, CString> || std::is_same_v<T, int>,
                      "entry arguments are texts or ints");
}

void AddEntry(const EntryInfo& info);

template <class R, class... A> bool RegisterEntry(const char* name, R (*fn)(A...), int loginArg) {
    static_assert(sizeof...(A) <= kMaxEntryArgs, "too many entry arguments");
    static_assert(std::is_same_v<R, int> || std::is_same_v<R, CString>, "entries return an int or a text");
    EntryInfo info{name,
                   {EntryArgCode<A>()..., '\0'},
                   std::is_same_v<R, int> ? 'i' : 's',
                   loginArg,
                   reinterpret_cast<void*>(fn)};
    AddEntry(info);
    return true;
}

} // namespace vq

// The table as the host reads it after loading the library.
extern "C" const vq::EntryInfo* VqEntryTable(int* count);

#define VQ_EXPORT_ENTRY(fn, loginArg)                                                                        \
    [[maybe_unused]] static const bool fn##_entry_registered = vq::RegisterEntry(#fn, &fn, loginArg)
