// The task colour settings: seven keys of [设计任务颜色], written on OK only, read with defaults.
#include "controls/TaskColorDlg.h"
#include "core/Settings.h"
#include "platform/base/Profile.h"
#include "platform/base/TextCodec.h"
#include "platform/ui/ScriptedUser.h"
#include "tests/support/Workspace.h"

#include <filesystem>

#include <gtest/gtest.h>

extern "C" int ConfigureTaskItemColor();

namespace {

const char* const kKeys[7] = {"正常未开始", "逾期未完成", "评审", "评审-更改", "归档", "归档-更改", "已归档"};
const COLORREF kDefaults[7] = {RGB(126, 126, 126), RGB(255, 0, 0),   RGB(0, 95, 0),     RGB(200, 126, 0),
                               RGB(126, 0, 126),   RGB(0, 126, 255), RGB(126, 255, 255)};
const int kButtons[7] = {1038, 1036, 1039, 1037, 1035, 1034, 1033};

CString Setting(const char* key) {
    char value[100] = {};
    GetPrivateProfileString("设计任务颜色", key, "<none>", value, sizeof value, GetSettingsFilePath());
    return value;
}

} // namespace

TEST(TaskColorTest, CancelWithoutASettingsFileShowsDefaultsWritesNothingAndGivesZero) {
    vqtest::Workspace ws;
    vq::ScriptedUser user;
    user.Dialog("配置任务项显示颜色")
        .Do([](CDialog& d) {
            auto& dlg = static_cast<CTaskColorDlg&>(d);
            for (int i = 0; i < 7; ++i) {
                EXPECT_EQ(dlg.m_buttons[i].GetColor(), kDefaults[i]) << kKeys[i];
                EXPECT_EQ(dlg.m_buttons[i].GetDlgCtrlID(), kButtons[i]);
                EXPECT_EQ(dlg.m_buttons[i].GetHotBkColor(), RGB(220, 220, 220));
            }
        })
        .Click(IDCANCEL);
    EXPECT_EQ(ConfigureTaskItemColor(), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(ws.ReadFile(ws.SettingsPath()).empty()) << "no settings file was made";
}

TEST(TaskColorTest, WithoutAnInstallationTheMissingFileIsSaidOnceAndNoDialogOpens) {
    vqtest::Workspace ws;
    std::filesystem::remove((ws.WindowsDir() + "/vqpdm.txt").str());
    vq::ScriptedUser user; // a second box or the dialog would find no action left
    user.Message(CString("打开文件 ") + ws.WindowsDir() + "/vqsetup.ini 出错!", IDOK);
    EXPECT_EQ(ConfigureTaskItemColor(), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
}

TEST(TaskColorTest, OkWithoutChangesWritesTheSevenShownColoursAndGivesOne) {
    vqtest::Workspace ws;
    ws.WriteSetting("设计任务颜色", "评审", "65280");
    ws.WriteSetting("设计任务颜色", "归档", "绿色"); // not a number: black
    vq::ScriptedUser user;
    user.Dialog("配置任务项显示颜色").Click(IDOK);
    EXPECT_EQ(ConfigureTaskItemColor(), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(Setting("正常未开始"), "8289918");
    EXPECT_EQ(Setting("逾期未完成"), "255");
    EXPECT_EQ(Setting("评审"), "65280");
    EXPECT_EQ(Setting("评审-更改"), "32456");
    EXPECT_EQ(Setting("归档"), "0");
    EXPECT_EQ(Setting("归档-更改"), "16743936");
    EXPECT_EQ(Setting("已归档"), "16777086");
}

// An administrator keeps the settings file as a link to one shared file: OK writes the shared file
// through the link, which stays.
TEST(TaskColorTest, OkWritesASettingsFileKeptAsALinkThroughIt) {
    vqtest::Workspace ws;
    const CString shared = ws.WriteFile("shared/vqpdmcad.ini", vq::Utf8ToGbk("[设计任务颜色]\r\n"));
    std::filesystem::permissions(
        shared.str(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                          std::filesystem::perms::group_read | std::filesystem::perms::group_write);
    std::filesystem::create_symlink(shared.str(), ws.SettingsPath().str());
    vq::ScriptedUser user;
    user.Dialog("配置任务项显示颜色").Click(IDOK);
    EXPECT_EQ(ConfigureTaskItemColor(), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_TRUE(std::filesystem::is_symlink(ws.SettingsPath().str()));
    EXPECT_EQ(Setting("已归档"), "16777086");
    EXPECT_NE(ws.ReadFile(shared).find("16777086"), std::string::npos);
    EXPECT_EQ(std::filesystem::status(shared.str()).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read | std::filesystem::perms::group_write);
}

// A settings file saved in UTF-8 cannot take the colours: the call says so once, opens no dialog
// and leaves the file as it is.
TEST(TaskColorTest, ASettingsFileInAnotherEncodingIsSaidAndNotWritten) {
    vqtest::Workspace ws;
    const std::string utf8 = "[设计任务颜色]\r\n归档=255\r\n";
    ws.WriteFile(ws.SettingsPath(), utf8);
    vq::ScriptedUser user;
    user.MessageContaining(ws.SettingsPath() + " 不是代码页936", IDOK);
    EXPECT_EQ(ConfigureTaskItemColor(), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.ReadFile(ws.SettingsPath()), utf8);
}

TEST(TaskColorTest, ColourChosenInThePaletteIsWrittenToItsKey) {
    vqtest::Workspace ws;
    vq::ScriptedUser user;
    user.Dialog("配置任务项显示颜色")
        .Click(1035) // 归档
        .Dialog("颜色")
        .Click("其它...")
        .Color(RGB(10, 20, 30))
        .Dialog("配置任务项显示颜色")
        .Click(IDOK);
    EXPECT_EQ(ConfigureTaskItemColor(), 1);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    CString expected;
    expected.Format("%d", static_cast<int>(RGB(10, 20, 30)));
    EXPECT_EQ(Setting("归档"), expected);
    EXPECT_EQ(Setting("已归档"), "16777086");
}

TEST(TaskColorTest, CancelAfterAChoiceKeepsTheFileAsItWas) {
    vqtest::Workspace ws;
    ws.WriteSetting("设计任务颜色", "评审", "123");
    const std::string before = ws.ReadFile(ws.SettingsPath());
    vq::ScriptedUser user;
    user.Dialog("配置任务项显示颜色")
        .Click(1039)
        .Dialog("颜色")
        .Click(5101)
        .Dialog("配置任务项显示颜色")
        .Click(IDCANCEL);
    EXPECT_EQ(ConfigureTaskItemColor(), 0);
    EXPECT_TRUE(user.Succeeded()) << user.Error().c_str();
    EXPECT_EQ(ws.ReadFile(ws.SettingsPath()), before);
}
