#include "core/Settings.h"

#include "platform/base/TextCodec.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Workspace.h"

#include <gtest/gtest.h>

#include <filesystem>

TEST(Settings, ReadsAndWritesTheSharedFile) {
    vqtest::Workspace ws;
    EXPECT_EQ(GetSettingsFilePath(), ws.SettingsPath());
    EXPECT_EQ(ReadSetting("公共管理功能", "当前登陆用户帐号", "admin"), "admin"); // no file yet
    EXPECT_TRUE(WriteSetting("公共管理功能", "当前登陆用户帐号", "张三"));
    EXPECT_EQ(ReadSetting("公共管理功能", "当前登陆用户帐号", "admin"), "张三");
    EXPECT_EQ(ws.ReadFile(ws.SettingsPath()), vq::Utf8ToGbk("[公共管理功能]\r\n当前登陆用户帐号=张三\r\n"));
}

TEST(Settings, NothingIsCached) {
    vqtest::Workspace ws;
    ws.WriteSetting("零部件配置", "替换版本号", "1");
    EXPECT_EQ(ReadSettingInt("零部件配置", "替换版本号", "0"), 1);
    ws.WriteFile(ws.SettingsPath(), vq::Utf8ToGbk("[零部件配置]\n替换版本号=0\n"));
    EXPECT_EQ(ReadSettingInt("零部件配置", "替换版本号", "1"), 0);
}

TEST(Settings, NumbersFromText) {
    vqtest::Workspace ws;
    ws.WriteSetting("s", "n", "42");
    ws.WriteSetting("s", "neg", "-3");
    ws.WriteSetting("s", "text", "abc");
    ws.WriteSetting("s", "mixed", "7天");
    ws.WriteSetting("s", "huge", "99999999999999");
    EXPECT_EQ(ReadSettingInt("s", "n", "0"), 42);
    EXPECT_EQ(ReadSettingInt("s", "neg", "0"), -3);
    EXPECT_EQ(ReadSettingInt("s", "text", "5"), 0);
    EXPECT_EQ(ReadSettingInt("s", "mixed", "0"), 7);
    EXPECT_EQ(ReadSettingInt("s", "huge", "0"), INT_MAX);
    EXPECT_EQ(ReadSettingInt("s", "missing", "1"), 1);
    EXPECT_EQ(ReadSettingInt("s", "missing", "x"), 0);
}

TEST(Settings, ValuesPassA100ByteBufferCountedInCodePage936) {
    vqtest::Workspace ws;
    std::string ascii(150, 'v');
    ws.WriteSetting("s", "ascii", CString(ascii));
    EXPECT_EQ(ReadSetting("s", "ascii", ""), CString(ascii.substr(0, 99)));
    std::string chinese;
    for (int i = 0; i < 60; ++i)
        chinese += "账";
    ws.WriteSetting("s", "chinese", CString(chinese));
    // 49 characters fill 98 bytes; the 50th would need bytes 99 and 100.
    EXPECT_EQ(ReadSetting("s", "chinese", ""), CString(chinese.substr(0, 49 * 3)));
    EXPECT_EQ(ReadSetting("s", "missing", chinese.c_str()), CString(chinese.substr(0, 49 * 3)));
}

TEST(Settings, WithoutAnInstallationFolderTheDefaultIsUsedAfterTheMessage) {
    vqtest::Workspace ws;
    std::filesystem::remove((ws.WindowsDir() + "/vqpdm.txt").str());
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("打开文件");
    EXPECT_EQ(ReadSetting("a", "b", "def"), "def");
    boxes.Expect("打开文件");
    EXPECT_FALSE(WriteSetting("a", "b", "c"));
    boxes.Expect("打开文件");
    EXPECT_EQ(GetSettingsFilePath(), "");
}

// Within a call the settings file is found once; the next call follows an installation that moved
// in between. The file itself is still read as it is at each read.
TEST(Settings, TheFileIsFoundOnceInACallAndAgainInTheNext) {
    vqtest::Workspace ws;
    ws.WriteSetting("s", "where", "first");
    const CString moved = ws.Root() + "/moved";
    std::filesystem::create_directories((moved + "/qent/spt").str());
    ws.WriteFile(moved + "/qent/spt/vqpdmcad.ini", "[s]\r\nwhere=moved\r\n");
    {
        CSettingsCallScope call;
        EXPECT_EQ(ReadSetting("s", "where", ""), "first");
        {
            CSettingsCallScope nested;
            ws.WriteFile(ws.WindowsDir() + "/vqpdm.txt", moved.str() + "\r\n");
            EXPECT_EQ(ReadSetting("s", "where", ""), "first");
        }
        EXPECT_EQ(GetSettingsFilePath(), ws.SettingsPath());
        ws.WriteSetting("s", "where", "changed");
        EXPECT_EQ(ReadSetting("s", "where", ""), "changed");
    }
    EXPECT_EQ(ReadSetting("s", "where", ""), "moved");
}

// A settings file saved in UTF-8 (as a Linux editor saves it) cannot be read as code page 936:
// the fault names it and what is wrong, and nothing is written into it.
TEST(Settings, ASettingsFileInUtf8IsToldAndNeverWrittenInto) {
    vqtest::Workspace ws;
    EXPECT_EQ(SettingsFault(), "");
    const std::string utf8 = "[服务器参数配置]\r\nPDM数据源=otherdsn\r\n";
    ws.WriteFile(ws.SettingsPath(), utf8);
    const CString fault = SettingsFault();
    EXPECT_NE(fault.Find(ws.SettingsPath() + " 不是代码页936"), -1) << fault.c_str();
    EXPECT_NE(fault.Find("UTF-8"), -1) << fault.c_str();
    EXPECT_FALSE(WriteSetting("公共管理功能", "当前登陆用户帐号", "lisi"));
    EXPECT_FALSE(WriteSetting("服务器参数配置", "PDM数据源", "vqdetail"));
    EXPECT_EQ(ws.ReadFile(ws.SettingsPath()), utf8);
    // Saved again in code page 936, the same lines are read as written.
    ws.WriteFile(ws.SettingsPath(), vq::Utf8ToGbk(utf8));
    EXPECT_EQ(SettingsFault(), "");
    EXPECT_EQ(ReadSetting("服务器参数配置", "PDM数据源", "vqdetail"), "otherdsn");
    // A broken installation is the settings' fault too.
    ws.WriteFile(ws.WindowsDir() + "/vqpdm.txt", "");
    EXPECT_EQ(SettingsFault().Find("读取VQPDM注册变量出错，请正确安装VQPDM3.5!"), 0);
}
