#include "core/OperationLog.h"
#include "core/TeamWorkLog.h"
#include "core/VqDesignTaskApp.h"
#include "tests/support/DbWorkspace.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/MessageServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <regex>

namespace {

// Lends a connection and an account to the application object as an entry call does, and
// takes them back afterwards.
class LogTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        m_oldType = theApp.m_nDatabaseType;
        m_oldLogin = theApp.m_strLoginUser;
        m_oldUserName = theApp.m_strUserName;
        m_oldHostIP = theApp.m_strHostIP;
        theApp.m_pConnPDM = ws.Connect();
        theApp.m_nDatabaseType = ws.DatabaseType();
        theApp.m_strLoginUser = "zhang";
        theApp.m_strUserName = "";
        theApp.m_strHostIP = "10.1.2.3";
    }
    void TearDown() override {
        theApp.m_pConnPDM = nullptr;
        theApp.m_nDatabaseType = m_oldType;
        theApp.m_strLoginUser = m_oldLogin;
        theApp.m_strUserName = m_oldUserName;
        theApp.m_strHostIP = m_oldHostIP;
    }
    CString Count(const char* table) { return ws.QueryText(CString("SELECT COUNT(*) FROM ") + table); }

    vqtest::DbWorkspace ws{GetParam()};
    vqtest::MessageBoxRecorder rec;
    int m_oldType = 0;
    CString m_oldLogin, m_oldUserName, m_oldHostIP;
};

} // namespace

TEST_P(LogTest, OperationLogRowCarriesAccountMachineAndTime) {
    COperationLog log;
    log.WriteLog("图纸", "入库", "P-1", "it's stored");
    EXPECT_EQ(CString("1"), Count("LogInformation"));
    EXPECT_EQ(CString("zhang[]"), ws.QueryText("SELECT UserName FROM LogInformation"));
    EXPECT_EQ(CString("10.1.2.3"), ws.QueryText("SELECT Machine FROM LogInformation"));
    EXPECT_EQ(CString("it's stored"), ws.QueryText("SELECT Operation FROM LogInformation"));
    EXPECT_EQ(CString("P-1"), ws.QueryText("SELECT PartCode FROM LogInformation WHERE LogGroup='图纸'"));
    CString time = ws.QueryText("SELECT LogTime FROM LogInformation");
    EXPECT_TRUE(std::regex_match(time.str(), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)")))
        << time.c_str();

    theApp.m_strUserName = "张三";
    log.WriteLog("图纸", "入库", "P-2", "");
    EXPECT_EQ(CString("zhang[张三]"),
              ws.QueryText("SELECT UserName FROM LogInformation WHERE PartCode='P-2'"));
}

TEST_P(LogTest, OperationLogIgnoresIncompleteCalls) {
    COperationLog log;
    log.WriteLog("", "入库", "P-1", "x");
    log.WriteLog("图纸", "", "P-1", "x");
    log.WriteLog("图纸", "入库", "", "x");
    EXPECT_EQ(CString("0"), Count("LogInformation"));
    EXPECT_TRUE(rec.Shown().empty());
}

TEST_P(LogTest, OperationLogOnAnOldTableAsksForItsStructure) {
    ws.Execute("DROP TABLE LogInformation; CREATE TABLE LogInformation (LogGroup VARCHAR(50))");
    rec.Expect("");
    rec.Expect("执行出错的SQL语句");
    rec.Expect("请检查是否更新了日志表的结构...");
    COperationLog log;
    log.WriteLog("图纸", "入库", "P-1", "x");
    EXPECT_EQ(0, rec.Pending());
}

TEST_P(LogTest, WorkLogRowsOfOneMinuteShareTheirDate) {
    CTeamWorkLog log;
    // The precise clock, as the engine reads it (time() may read a coarse one that lags).
    using clock = std::chrono::system_clock;
    std::time_t before = clock::to_time_t(clock::now());
    EXPECT_EQ(1, log.WriteLog("W1", "任务", "topic 'one'", "prompt"));
    EXPECT_EQ(1, log.WriteLog("W2", "任务", "topic two", "prompt"));
    std::time_t after = clock::to_time_t(clock::now());
    EXPECT_EQ(CString("zhang"), log.m_strUserName);
    EXPECT_EQ(CString("2"), Count("TeamWorkLog"));
    EXPECT_EQ(CString("topic 'one'"), ws.QueryText("SELECT LogTopic FROM TeamWorkLog WHERE LogID='W1'"));
    EXPECT_EQ(CString("zhang"), ws.QueryText("SELECT UserName FROM TeamWorkLog WHERE LogID='W2'"));
    CString date = ws.QueryText("SELECT SaveDate FROM TeamWorkLog WHERE LogID='W1'");
    EXPECT_TRUE(std::regex_match(date.str(), std::regex(R"(\d{4}-\d\d-\d\d \d\d:\d\d)"))) << date.c_str();
    CString second = ws.QueryText("SELECT SaveDate FROM TeamWorkLog WHERE LogID='W2'");
    if (before / 60 == after / 60) { // the minute did not turn while writing
        EXPECT_EQ(date, second);
    }
}

TEST_P(LogTest, WorkLogFailureReturnsZero) {
    ws.Execute("DROP TABLE TeamWorkLog");
    rec.Expect("");
    rec.Expect("执行出错的SQL语句");
    CTeamWorkLog log;
    EXPECT_EQ(0, log.WriteLog("W1", "任务", "topic", "prompt"));
    EXPECT_EQ(0, rec.Pending());
}

INSTANTIATE_TEST_SUITE_P(Dialects, LogTest, vqtest::DbWorkspace::Types(), vqtest::DbWorkspace::TypeName);

TEST(LogNotifyTest, NoticeGoesToTheConfiguredServerAsTheCurrentAccount) {
    vqtest::Workspace ws;
    vqtest::MessageServer server;
    ws.WriteSetting("消息配置", "服务器名称", server.ServerName());
    ws.WriteSetting("消息配置", "自动连接消息服务器", "1");
    ws.WriteSetting("公共管理功能", "当前登陆用户帐号", "li");
    theApp.NotifyMessageServer("wang", "设计任务 T1 已下达");
    ASSERT_TRUE(server.WaitForClosedSessions(1));
    auto sessions = server.Sessions();
    ASSERT_EQ(1u, sessions.size());
    EXPECT_EQ(std::vector<CString>{"li"}, sessions[0].accounts);
    ASSERT_EQ(1u, sessions[0].notices.size());
    EXPECT_EQ(CString("wang"), sessions[0].notices[0].first);
    EXPECT_EQ(CString("设计任务 T1 已下达"), sessions[0].notices[0].second);
    EXPECT_TRUE(sessions[0].loggedOff);
}

TEST(LogNotifyTest, NoLogonWithoutServerNameOrSwitch) {
    vqtest::Workspace ws;
    vqtest::MessageServer server;
    vqtest::MessageBoxRecorder rec;
    ws.WriteSetting("消息配置", "自动连接消息服务器", "1");
    theApp.NotifyMessageServer("wang", "text");
    ws.WriteSetting("消息配置", "服务器名称", server.ServerName());
    ws.WriteSetting("消息配置", "自动连接消息服务器", "0");
    theApp.NotifyMessageServer("wang", "text");
    EXPECT_EQ(0u, server.Connections());
    EXPECT_TRUE(rec.Shown().empty());
}

TEST(LogNotifyTest, UnreachableServerShowsNothing) {
    vqtest::Workspace ws;
    vqtest::MessageBoxRecorder rec;
    int port = 0;
    {
        vqtest::MessageServer stopped;
        port = stopped.Port();
    }
    ws.WriteSetting("消息配置", "服务器名称", "127.0.0.1:" + CString(std::to_string(port)));
    ws.WriteSetting("消息配置", "自动连接消息服务器", "1");
    theApp.NotifyMessageServer("wang", "text");
    EXPECT_TRUE(rec.Shown().empty());
}
