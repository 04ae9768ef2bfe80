#include "host/EntryCall.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <tuple>

namespace vqhost {
namespace {

// A whole number as written, within the range of int: "4294967296" is refused, never taken modulo
// 2^32 (as 0), and so are blanks and anything after the digits.
bool ToInt(const std::string& text, int& value) {
    if (text.empty() ||
        !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' || text[0] == '+'))
        return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return false;
    value = static_cast<int>(v);
    return true;
}

// The lists of the call being made: they live until the entry function has returned.
std::vector<std::unique_ptr<CStringArray>>& CallLists() {
    static std::vector<std::unique_ptr<CStringArray>> lists;
    return lists;
}

template <class T> T Convert(const std::string& text);
template <> CString Convert<CString>(const std::string& text) {
    return CString(text);
}
template <> int Convert<int>(const std::string& text) {
    int v = 0;
    ToInt(text, v);
    return v;
}
// A list is given as its texts separated by "|"; an empty argument is an empty list.
template <> CStringArray* Convert<CStringArray*>(const std::string& text) {
    auto list = std::make_unique<CStringArray>();
    std::size_t start = 0;
    while (!text.empty()) {
        const std::size_t bar = text.find('|', start);
        list->Add(CString(text.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    CallLists().push_back(std::move(list));
    return CallLists().back().get();
}

template <class R, class... A, std::size_t... I>
R Invoke(void* fn, const std::vector<std::string>& args, std::index_sequence<I...>) {
    auto f = reinterpret_cast<R (*)(A...)>(fn);
    return f(Convert<A>(args[I])...);
}

template <class... A>
EntryResult Dispatch(const vq::EntryInfo& entry, const char* sig, const std::vector<std::string>& args) {
    if (*sig == '\0') {
        EntryResult r;
        r.ok = true;
        if (entry.result == 's') {
            CString text = Invoke<CString, A...>(entry.function, args, std::index_sequence_for<A...>{});
            r.text = "\"" + text.str() + "\"";
            r.isText = true;
        } else {
            int v = Invoke<int, A...>(entry.function, args, std::index_sequence_for<A...>{});
            r.text = std::to_string(v);
        }
        return r;
    }
    if constexpr (sizeof...(A) < vq::kMaxEntryArgs) {
        if (*sig == 's')
            return Dispatch<A..., CString>(entry, sig + 1, args);
        if (*sig == 'l')
            return Dispatch<A..., CStringArray*>(entry, sig + 1, args);
        return Dispatch<A..., int>(entry, sig + 1, args);
    } else {
        return EntryResult{false, "signature too long", "", false};
    }
}

} // namespace

EntryResult CallEntry(const vq::EntryInfo& entry, const std::vector<std::string>& args) {
    std::size_t want = std::strlen(entry.signature);
    if (args.size() != want)
        return {false,
                std::string(entry.name) + " takes " + std::to_string(want) + " arguments " +
                    DescribeEntry(entry),
                "", false};
    for (std::size_t i = 0; i < want; ++i) {
        int v = 0;
        if (entry.signature[i] == 'i' && !ToInt(args[i], v))
            return {false,
                    "argument " + std::to_string(i + 1) + " of " + entry.name + " must be a whole number", "",
                    false};
    }
    EntryResult result = Dispatch<>(entry, entry.signature, args);
    CallLists().clear();
    return result;
}

std::string DescribeEntry(const vq::EntryInfo& entry) {
    std::string out = "(";
    for (const char* p = entry.signature; *p; ++p) {
        if (p != entry.signature)
            out += ", ";
        int pos = static_cast<int>(p - entry.signature) + 1;
        const CString name = vq::EntryArgumentName(entry, pos - 1);
        if (!name.IsEmpty())
            out += name.str() + " ";
        out += (*p == 's') ? (pos == entry.loginArg ? "login" : "text") : (*p == 'l') ? "list" : "int";
    }
    out += ") -> ";
    out += entry.result == 's' ? "text" : "int";
    return out;
}

const vq::EntryInfo* FindEntry(const vq::EntryInfo* table, int count, const std::string& name) {
    for (int i = 0; i < count; ++i)
        if (name == table[i].name)
            return &table[i];
    return nullptr;
}

} // namespace vqhost
