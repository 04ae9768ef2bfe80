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

// The Qt Widgets view is the code of platform/ui/qt alone: every other file keeps to Qt Core and
// Qt Gui (the painting of the window layer draws into Qt images), and reaches into qt/ only for
// the application object that painting needs.
TEST(Layering, OnlyTheQtViewUsesQtWidgets) {
    const std::filesystem::path widgets = "/usr/include/x86_64-linux-gnu/qt6/QtWidgets";
    if (!std::filesystem::is_directory(widgets))
        GTEST_SKIP() << "no Qt Widgets headers at " << widgets;
    static const std::regex qtHeader(R"(^\s*#\s*include\s*<(Q[A-Za-z]+)>)");
    static const std::regex viewHeader(R"re(^\s*#\s*include\s*"platform/ui/qt/([A-Za-z]+\.h)")re");
    const std::set<std::string> viewHeadersAllowed = {"QtApplication.h", "DrawingViewerWidget.h"};
    std::vector<std::string> wrong;
    const std::filesystem::path root(VQ_SOURCE_DIR);
    for (const char* folder : {"platform", "core", "controls", "parts", "projects", "teamwork", "review", "mail",
                               "changeorders", "host"}) {
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root / folder)) {
            const auto ext = entry.path().extension();
            if (!entry.is_regular_file() || (ext != ".h" && ext != ".cpp"))
                continue;
            const std::string name = std::filesystem::relative(entry.path(), root).string();
            if (name.rfind("platform/ui/qt/", 0) == 0)
                continue;
            std::ifstream in(entry.path());
            std::string line;
            std::smatch match;
            while (std::getline(in, line)) {
                if (std::regex_search(line, match, qtHeader) && std::filesystem::exists(widgets / match[1].str()))
                    wrong.push_back(name + ": " + line);
                if (std::regex_search(line, match, viewHeader) && !viewHeadersAllowed.count(match[1].str()))
                    wrong.push_back(name + ": " + line);
            }
        }
    }
    EXPECT_TRUE(wrong.empty()) << ::testing::PrintToString(wrong);
}
