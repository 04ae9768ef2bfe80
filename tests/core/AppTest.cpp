// The application object: settings read at load, the login account, downloaded files and the
// maker's connection object.
#include "core/VqDesignTaskApp.h"
#include "platform/maker/DBConnect.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

TEST(AppSettingsTest, DefaultsWithoutTheSections) {
    vqtest::Workspace ws;
    CVqDesignTaskApp app;
    EXPECT_EQ(app.m_nDatabaseType, 0);
    EXPECT_EQ(app.m_nAdoCloseMode, 0);
    EXPECT_EQ(app.m_nSolidEdge, 0);
    EXPECT_EQ(app.m_nAutoView, 1);
    EXPECT_EQ(app.m_nUseChangeTask, 0);
    EXPECT_EQ(app.m_nDocStorageMode, 0);
    EXPECT_EQ(app.m_strFtpRootDir, "\\");
    EXPECT_EQ(app.m_pFtpConnection, nullptr);
    EXPECT_EQ(app.m_pDBConnect, nullptr);
    EXPECT_FALSE(app.m_pConnPDM);
    EXPECT_TRUE(app.m_strLoginUser.IsEmpty());
}

TEST(AppSettingsTest, SwitchesAreTakenAsWritten) {
    vqtest::Workspace ws;
    ws.WriteSetting("数据库配置", "数据库类型", "7");
    ws.WriteSetting("数据库配置", "ADO关闭方式", "1");
    ws.WriteSetting("浏览器配置", "SOLIDEDGE", "1");
    ws.WriteSetting("浏览器配置", "使用AutoView浏览DWG", "0");
    ws.WriteSetting("更改管理配置", "使用更改任务管理图样更改工作", "1");
    ws.WriteSetting("图纸入库配置", "设计过程电子文档存储方式", "2");
    CVqDesignTaskApp app;
    EXPECT_EQ(app.m_nDatabaseType, 7); // only the connection holder limits its own copy
    EXPECT_EQ(app.m_nAdoCloseMode, 1);
    EXPECT_EQ(app.m_nSolidEdge, 1);
    EXPECT_EQ(app.m_nAutoView, 0);
    EXPECT_EQ(app.m_nUseChangeTask, 1);
    EXPECT_EQ(app.m_nDocStorageMode, 2);
}

TEST(AppSettingsTest, HostAddressIsDottedOrEmpty) {
    vqtest::Workspace ws;
    CVqDesignTaskApp app;
    if (!app.m_strHostIP.IsEmpty()) {
        EXPECT_TRUE(std::regex_match(app.m_strHostIP.str(), std::regex(R"(\d+\.\d+\.\d+\.\d+)")))
            << app.m_strHostIP.c_str();
    }
}

class AppLoginTest : public ::testing::Test {
protected:
    void TearDown() override { theApp.m_strLoginUser.Empty(); }
    vqtest::Workspace ws;
};

TEST_F(AppLoginTest, WithoutTheKeyTheAccountIsAdmin) {
    theApp.LoadLoginUser();
    EXPECT_EQ(theApp.m_strLoginUser, "admin");
}

TEST_F(AppLoginTest, SetCurrentLoginUserWritesTheSettingAndReadsItBack) {
    SetCurrentLoginUser("zhang");
    EXPECT_EQ(theApp.m_strLoginUser, "zhang");
    CVqDesignTaskApp other;
    other.LoadLoginUser();
    EXPECT_EQ(other.m_strLoginUser, "zhang");
}

TEST_F(AppLoginTest, LongAccountIsCutWithoutSplittingACharacter) {
    // 49 two-byte characters and one more: 98 bytes fit, the 99th byte would split the 50th.
    CString account;
    for (int i = 0; i < 50; ++i)
        account += "张";
    SetCurrentLoginUser(account);
    EXPECT_EQ(theApp.m_strLoginUser, account.Left(49 * 3));
    CString ascii(std::string(120, 'a'));
    SetCurrentLoginUser(ascii);
    EXPECT_EQ(theApp.m_strLoginUser.GetLength(), 99);
}

TEST_F(AppLoginTest, AnAccountThatCannotBeWrittenIsStillTheCurrentOne) {
    SetCurrentLoginUser("first");
    // The settings folder disappears: the write fails, and the account must not fall back to the
    // previous one or to "admin".
    std::filesystem::remove_all((ws.InstallDir() + "/qent").str());
    SetCurrentLoginUser("second");
    EXPECT_EQ(theApp.m_strLoginUser, "second");
}

TEST(AppFilesTest, AddUniqueFileKeepsTheFirstOfPathsEqualWithoutCase) {
    CVqDesignTaskApp app;
    app.AddUniqueFile("c:\\temp\\a.dwg");
    app.AddUniqueFile("C:\\Temp\\A.DWG");
    app.AddUniqueFile("/tmp/b.dwg");
    ASSERT_EQ(app.m_arrDownloadFiles.GetSize(), 2);
    EXPECT_EQ(app.m_arrDownloadFiles[0], "c:\\temp\\a.dwg");
    EXPECT_EQ(app.m_arrDownloadFiles[1], "/tmp/b.dwg");
}

class AppConnectTest : public ::testing::Test {
protected:
    void TearDown() override { EXPECT_EQ(rec.Pending(), 0); }
    vqtest::DbWorkspace ws;
    vqtest::MessageBoxRecorder rec;
};

TEST_F(AppConnectTest, ConnectDatabaseOpensThroughTheMakersObjectAndClosesItAtExit) {
    {
        CVqDesignTaskApp app;
        ASSERT_TRUE(app.ConnectDatabase());
        ASSERT_TRUE(app.m_pConnPDM);
        EXPECT_TRUE(app.m_bOwnDBConnect);
        EXPECT_EQ(CVQDBConnect::GetCurDBConnect(), app.m_pDBConnect);
        EXPECT_FALSE(app.m_pConnCAPP);
        app.m_pConnPDM->Execute("INSERT INTO GroupInformation (GroupName) VALUES ('g')");
        // A second call while the connection is set changes nothing.
        CVQDBConnect* before = app.m_pDBConnect;
        EXPECT_TRUE(app.ConnectDatabase());
        EXPECT_EQ(app.m_pDBConnect, before);
    }
    EXPECT_EQ(CVQDBConnect::GetCurDBConnect(), nullptr);
    EXPECT_EQ(ws.QueryText("SELECT GroupName FROM GroupInformation"), "g");
}

TEST_F(AppConnectTest, ConnectDatabaseSharesTheProcessesCurrentObject) {
    CVQDBConnect shared;
    ASSERT_TRUE(shared.Init());
    ASSERT_TRUE(shared.ConnectPDM());
    CVQDBConnect::SetCurDBConnect(&shared);
    {
        CVqDesignTaskApp app;
        ASSERT_TRUE(app.ConnectDatabase());
        EXPECT_FALSE(app.m_bOwnDBConnect);
        EXPECT_TRUE(app.m_pConnPDM == shared.GetPtrPDM());
    }
    EXPECT_EQ(CVQDBConnect::GetCurDBConnect(), &shared); // not closed or deleted by the app
    EXPECT_EQ(shared.GetPtrPDM()->GetState(), adStateOpen);
    CVQDBConnect::SetCurDBConnect(nullptr);
}

TEST_F(AppConnectTest, ConnectDatabaseFailsWhenTheDataSourceIsWrong) {
    ws.WriteSetting("服务器参数配置", "PDM数据源", "no_such_source");
    rec.Expect("no_such_source");
    CVqDesignTaskApp app;
    EXPECT_FALSE(app.ConnectDatabase());
    EXPECT_FALSE(app.m_pConnPDM);
    EXPECT_EQ(app.m_pDBConnect, nullptr);
    EXPECT_EQ(CVQDBConnect::GetCurDBConnect(), nullptr);
}

TEST_F(AppConnectTest, MakersObjectUsesTheConfiguredAccount) {
    ws.SetConfig({"", "pw", "", "", ""});
    CVQDBConnect c;
    ASSERT_TRUE(c.Init());
    EXPECT_EQ(c.m_strUser, "sa");
    EXPECT_EQ(c.m_strPassword, "pw");
    ws.ClearConfig();
    rec.Expect("未配置服务器、数据库信息...");
    EXPECT_FALSE(CVQDBConnect().Init());
}

} // namespace
