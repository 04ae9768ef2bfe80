// The host runs the task colour settings from a script: OK writes the seven colours.
#include "platform/base/Profile.h"
#include "tests/support/HostProcess.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

vqtest::HostRun RunHostScript(const vqtest::Workspace& ws, const std::string& script) {
    const std::string path = std::string(ws.TempDir().c_str()) + "/taskcolor.script";
    std::ofstream(path) << script;
    return vqtest::RunHost("--headless --script " + path + " ConfigureTaskItemColor");
}

} // namespace

TEST(TaskColorHostTest, OkThroughTheHostWritesTheSevenColours) {
    vqtest::Workspace ws;
    const vqtest::HostRun r = RunHostScript(ws, "dialog \"配置任务项显示颜色\"\nclick 1086\n");
    // 1086 is no control of the dialog: the run fails and nothing is written.
    EXPECT_NE(r.status, 0) << r.out;
    EXPECT_TRUE(ws.ReadFile(ws.SettingsPath()).empty());

    const vqtest::HostRun ok = RunHostScript(ws, "dialog \"配置任务项显示颜色\"\nclick 1\n");
    EXPECT_EQ(ok.status, 0) << ok.out;
    EXPECT_NE(ok.out.find("dialog \"配置任务项显示颜色\""), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find("result: 1"), std::string::npos) << ok.out;
    const struct {
        const char* key;
        const char* value;
    } expected[] = {{"正常未开始", "8289918"}, {"逾期未完成", "255"}, {"评审", "24320"},
                    {"评审-更改", "32456"},    {"归档", "8257662"},   {"归档-更改", "16743936"},
                    {"已归档", "16777086"}};
    for (const auto& e : expected) {
        char value[32] = {};
        GetPrivateProfileString("设计任务颜色", e.key, "", value, sizeof value, ws.SettingsPath());
        EXPECT_STREQ(value, e.value) << e.key;
    }
}

TEST(TaskColorHostTest, CancelThroughTheHostGivesZeroAndWritesNothing) {
    vqtest::Workspace ws;
    const vqtest::HostRun r =
        RunHostScript(ws, "dialog \"配置任务项显示颜色\"\nclick 1035\ndialog \"颜色\"\nclick 5114\n"
                          "dialog \"配置任务项显示颜色\"\nclick 2\n");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("result: 0"), std::string::npos) << r.out;
    EXPECT_TRUE(ws.ReadFile(ws.SettingsPath()).empty());
}
