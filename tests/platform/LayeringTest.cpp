// The directions between the folders: platform/ knows nothing of the system, core/ nothing of
// the subsystems above it, controls/ nothing of the subsystems that use its controls. Every source file is read and its #include lines checked.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

// The folders each top-level folder may include from, besides its own.
const std::map<std::string, std::set<std::string>> kAllowed = {
    {"platform", {}},
    {"core", {"platform"}},
    {"controls", {"platform", "core"}},
};

// "file: included" for every include of a folder that the folder may not use.
std::vector<std::string> WrongIncludes(const std::string& folder, const std::set<std::string>& allowed) {
    static const std::regex include(R"(^\s*#\s*include\s*"([a-z]+)/[^"]+")");
    std::vector<std::string> wrong;
    const std::filesystem::path root = std::filesystem::path(VQ_SOURCE_DIR) / folder;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        const auto ext = entry.path().extension();
        if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
            continue;
        std::ifstream in(entry.path());
        std::string line;
        std::smatch match;
        while (std::getline(in, line)) {
            if (!std::regex_search(line, match, include))
                continue;
            const std::string target = match[1];
            if (target != folder && !allowed.count(target))
                wrong.push_back(std::filesystem::relative(entry.path(), VQ_SOURCE_DIR).string() + ": " + line);
        }
    }
    return wrong;
}

} // namespace

TEST(Layering, EachFolderIncludesOnlyTheFoldersBelowIt) {
    for (const auto& [folder, allowed] : kAllowed) {
        const auto wrong = WrongIncludes(folder, allowed);
        EXPECT_TRUE(wrong.empty()) << folder << " includes from above:\n" << ::testing::PrintToString(wrong);
    }
}
