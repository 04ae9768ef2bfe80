#include "core/EntryFrame.h"
#include "core/Settings.h"
#include "core/VqDesignTaskApp.h"
#include "platform/base/WaitCursor.h"
#include "platform/ui/View.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/UnattendedMessageBoxes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

class EntryFrameTest : public ::testing::TestWithParam<int> {};

TEST_P(EntryFrameTest, LendsTheConnectionForTheCallOnly) {
    vqtest::DbWorkspace ws(GetParam());
    ws.Execute("INSERT INTO UserInformation (UserLogName, UserName) VALUES ('zhangsan', '张三')");
    {
        CEntryFrame frame("zhangsan");
        ASSERT_TRUE(frame.IsOpen());
        EXPECT_TRUE(static_cast<bool>(theApp.m_pConnPDM));
        EXPECT_TRUE(vq::IsWaitCursorShown());
        EXPECT_EQ(theApp.m_strLoginUser, "zhangsan");
        EXPECT_EQ(theApp.m_strUserName, "张三");
        EXPECT_EQ(theApp.GetSqlString("SELECT UserName FROM UserInformation WHERE UserLogName='zhangsan'"),
                  "张三");
    }
    EXPECT_FALSE(static_cast<bool>(theApp.m_pConnPDM));
    EXPECT_FALSE(vq::IsWaitCursorShown());
    // The account of the latest call stays in the settings file.
    EXPECT_EQ(ReadSetting("公共管理功能", "当前登陆用户帐号", ""), "zhangsan");
    EXPECT_EQ(theApp.m_strLoginUser, "zhangsan");
}

TEST_P(EntryFrameTest, MissingConfigurationDatabaseOpensNothing) {
    vqtest::DbWorkspace ws(GetParam());
    std::filesystem::remove(ws.ConfigDatabasePath().str());
    vqtest::MessageBoxRecorder boxes;
    boxes.Expect("不存在!");
    {
        CEntryFrame frame("lisi");
        EXPECT_FALSE(frame.IsOpen());
        EXPECT_FALSE(static_cast<bool>(theApp.m_pConnPDM));
    }
    EXPECT_FALSE(static_cast<bool>(theApp.m_pConnPDM));
    EXPECT_FALSE(vq::IsWaitCursorShown());
    ASSERT_EQ(boxes.Shown().size(), 1u);
    EXPECT_EQ(boxes.Shown()[0].text, "文件: " + ws.ConfigDatabasePath() + " 不存在!");
}

// An empty vqpdm.txt: one message, then the call ends as without an installation (not once per
// setting read before the dialog would open).
TEST(EntryFrame, AnEmptyInstallationFileGivesOneMessage) {
    vqtest::DbWorkspace ws(0);
    ws.WriteFile(ws.WindowsDir() + "/vqpdm.txt", "");
    vqtest::MessageBoxRecorder rec;
    rec.Expect("读取VQPDM注册变量出错，请正确安装VQPDM3.5!");
    {
        CEntryFrame frame("zhangsan");
        EXPECT_FALSE(frame.IsOpen());
    }
    EXPECT_EQ(rec.Shown().size(), 1u);
    EXPECT_FALSE(static_cast<bool>(theApp.m_pConnPDM));
    EXPECT_FALSE(vq::IsWaitCursorShown());
}

// A settings file saved in UTF-8 that names another data source: the call says so in one box
// naming the file and opens nothing (the default data source least of all), and the login
// account is not written into the file in another encoding.
TEST(EntryFrame, ASettingsFileInAnotherEncodingEndsTheCallWithOneMessage) {
    vqtest::DbWorkspace ws(0);
    const std::string utf8 = "[服务器参数配置]\nPDM数据源=otherdsn\n[公共管理功能]\n当前登陆用户帐号=admin\n";
    ws.WriteFile(ws.SettingsPath(), utf8);
    vqtest::MessageBoxRecorder rec;
    rec.Expect("不是代码页936");
    {
        CEntryFrame frame("zhangsan");
        EXPECT_FALSE(frame.IsOpen());
        EXPECT_FALSE(static_cast<bool>(theApp.m_pConnPDM));
    }
    ASSERT_EQ(rec.Shown().size(), 1u);
    EXPECT_NE(rec.Shown()[0].text.Find(ws.SettingsPath()), -1) << rec.Shown()[0].text.c_str();
    EXPECT_EQ(rec.Shown()[0].caption, "错误信息");
    EXPECT_EQ(ws.ReadFile(ws.SettingsPath()), utf8);
    EXPECT_FALSE(vq::IsWaitCursorShown());
}

// A vqpdm.txt that names a folder that is not there no longer runs on the defaults in silence.
TEST(EntryFrame, AnInstallationFolderThatIsNotThereGivesOneMessageNamingTheFile) {
    vqtest::DbWorkspace ws(0);
    ws.WriteFile(ws.WindowsDir() + "/vqpdm.txt", (ws.Root() + "/moved-away\n").str());
    vqtest::MessageBoxRecorder rec;
    rec.Expect("读取VQPDM注册变量出错，请正确安装VQPDM3.5!");
    {
        CEntryFrame frame("zhangsan");
        EXPECT_FALSE(frame.IsOpen());
    }
    ASSERT_EQ(rec.Shown().size(), 1u);
    EXPECT_NE(rec.Shown()[0].text.Find(ws.WindowsDir() + "/vqpdm.txt"), -1) << rec.Shown()[0].text.c_str();
    EXPECT_NE(rec.Shown()[0].text.Find(ws.Root() + "/moved-away"), -1);
    EXPECT_FALSE(static_cast<bool>(theApp.m_pConnPDM));
}

// A call from another thread than the program's main thread is refused, and leaves alone what the
// call under way on the main thread has lent and recorded.
TEST_P(EntryFrameTest, ACallFromAnotherThreadLeavesTheCallUnderWayAlone) {
    vqtest::DbWorkspace ws(GetParam());
    CEntryFrame frame("zhangsan");
    ASSERT_TRUE(frame.IsOpen());
    const _ConnectionPtr lent = theApp.m_pConnPDM;
    bool refused = false;
    std::thread([&refused] {
        CEntryFrame other("lisi");
        refused = !other.IsOpen();
    }).join();
    EXPECT_TRUE(refused);
    EXPECT_EQ(theApp.m_pConnPDM, lent);
    EXPECT_EQ(theApp.m_strLoginUser, "zhangsan");
    EXPECT_EQ(ReadSetting("公共管理功能", "当前登陆用户帐号", ""), "zhangsan");
    EXPECT_TRUE(vq::IsWaitCursorShown());
}

// Off screen, with no view set and the boxes going to the view as the library installed them,
// nobody could answer the call's dialogs: it is refused before it records the login account,
// opens the database or says anything in a box.
TEST(EntryFrame, ACallNobodyCanAnswerTouchesNothing) {
    vqtest::DbWorkspace ws(0);
    vq::MessageBoxPresenter testBoxes = vq::SetMessageBoxPresenter(vqtest::LibraryMessageBoxPresenter());
    if (vq::SomebodyAnswers()) {
        vq::SetMessageBoxPresenter(std::move(testBoxes));
        GTEST_SKIP() << "this run's windows are shown on a display";
    }
    int boxes = 0;
    vq::MessageBoxObserver pictures =
        vq::SetMessageBoxObserver([&boxes](const vq::MessageBoxRequest&) { ++boxes; });
    {
        CEntryFrame frame("lisi");
        EXPECT_FALSE(frame.IsOpen());
        EXPECT_FALSE(static_cast<bool>(theApp.m_pConnPDM));
        EXPECT_FALSE(vq::IsWaitCursorShown());
    }
    vq::SetMessageBoxObserver(std::move(pictures));
    vq::SetMessageBoxPresenter(std::move(testBoxes));
    EXPECT_NE(ReadSetting("公共管理功能", "当前登陆用户帐号", ""), "lisi");
    EXPECT_EQ(boxes, 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, EntryFrameTest, vqtest::DbWorkspace::Types(),
                         vqtest::DbWorkspace::TypeName);
