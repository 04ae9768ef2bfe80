// Calls an entry function of the loaded library with arguments given as texts, converting each
// to the kind its signature asks for.
#pragma once

#include "platform/os/EntryTable.h"

#include <string>
#include <vector>

namespace vqhost {

struct EntryResult {
    bool ok = false; // false: the arguments did not fit the entry (error says why)
    std::string error;
    std::string text; // the result as the host prints it: a number, or the text in quotes
    bool isText = false;
};

EntryResult CallEntry(const vq::EntryInfo& entry, const std::vector<std::string>& args);

// The entry of the table with this name, or nullptr.
const vq::EntryInfo* FindEntry(const vq::EntryInfo* table, int count, const std::string& name);

// The signature as a person reads it, each argument by its name and kind:
// "(文档编号 text, 登录帐号 login, 未用 int) -> int".
std::string DescribeEntry(const vq::EntryInfo& entry);

} // namespace vqhost
