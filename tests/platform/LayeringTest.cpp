// The directions between the folders: platform/ knows nothing of the system, core/ nothing of
// the subsystems above it, controls/ nothing of the subsystems that use its controls, and each
// subsystem only of those below it (parts < projects < teamwork < review < mail < changeorders);
// a dialog that opens one of a higher subsystem goes through core/DialogSeams.h. Every source
// file is read and its #include lines checked.
#include "core/DialogSeams.h"
#include "platform/base/MessageBox.h"

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
    {"parts", {"platform", "core", "controls"}},
    {"projects", {"platform", "core", "controls", "parts"}},
    {"teamwork", {"platform", "core", "controls", "parts", "projects"}},
    {"review", {"platform", "core", "controls", "parts", "projects", "teamwork"}},
    {"mail", {"platform", "core", "controls", "parts", "projects", "teamwork", "review"}},
    {"changeorders", {"platform", "core", "controls", "parts", "projects", "teamwork", "review", "mail"}},
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

// The subsystems above fill every opener of the seam when the library is loaded; a slot left
// empty would turn a button of a lower dialog into one that silently does nothing.
TEST(Layering, TheHigherSubsystemsFillEveryDialogOpener) {
    const vq::DialogSlots& openers = vq::Dialogs();
    EXPECT_TRUE(openers.partChangeHistory);
    EXPECT_TRUE(openers.personalWorkTask);
    EXPECT_TRUE(openers.taskAuditFlow);
    EXPECT_TRUE(openers.taskResources);
    EXPECT_TRUE(openers.teamWorks);
    EXPECT_TRUE(openers.browseProjectTask);
    EXPECT_TRUE(openers.auditResult);
}

// An empty slot answers as a cancelled dialog and leaves the caller's values alone.
TEST(Layering, AnEmptyDialogOpenerAnswersAsCancelled) {
    const vq::DialogSlots saved = vq::Dialogs();
    vq::Dialogs() = vq::DialogSlots{};
    CString workId = "W1";
    CString taskNo = "T1";
    CString taskName = "name";
    vq::TaskAuditFlowRequest flow;
    flow.auditModel = "model";
    EXPECT_EQ(vq::OpenPartChangeHistory("P1", "A", 1), IDCANCEL);
    EXPECT_EQ(vq::OpenPersonalWorkTask(workId, 0, 1, 1), IDCANCEL);
    EXPECT_EQ(vq::OpenTaskAuditFlow(flow), IDCANCEL);
    EXPECT_EQ(vq::OpenTaskResources(nullptr, "T1", "name", 0, 1), IDCANCEL);
    EXPECT_EQ(vq::OpenTeamWorks(nullptr, "T1", "name", 1), IDCANCEL);
    EXPECT_EQ(vq::OpenBrowseProjectTask(nullptr, taskNo, taskName), IDCANCEL);
    vq::ShowAuditResult("F1", "a.dwg");
    vq::Dialogs() = saved;
    EXPECT_EQ(workId, "W1");
    EXPECT_EQ(taskNo, "T1");
    EXPECT_EQ(taskName, "name");
    EXPECT_EQ(flow.auditModel, "model");
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
