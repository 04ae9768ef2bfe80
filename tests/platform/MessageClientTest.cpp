#include "platform/com/MessageClient.h"
#include "tests/support/MessageServer.h"

#include <gtest/gtest.h>

TEST(MessageClientTest, OneSessionLogsOnSendsAndLogsOff) {
    vqtest::MessageServer server;
    ASSERT_NE(0, server.Port());
    vq::CMessageClient client;
    client.SetServerName(server.ServerName());
    ASSERT_TRUE(client.Logon("zhang"));
    EXPECT_TRUE(client.Send("li", "任务 T1 已下达"));
    EXPECT_TRUE(client.Send("wang", "second"));
    client.Logoff();
    EXPECT_FALSE(client.IsLoggedOn());

    ASSERT_TRUE(server.WaitForClosedSessions(1));
    auto sessions = server.Sessions();
    ASSERT_EQ(1u, sessions.size());
    EXPECT_EQ(std::vector<CString>{"zhang"}, sessions[0].accounts);
    ASSERT_EQ(2u, sessions[0].notices.size());
    EXPECT_EQ(CString("li"), sessions[0].notices[0].first);
    EXPECT_EQ(CString("任务 T1 已下达"), sessions[0].notices[0].second);
    EXPECT_TRUE(sessions[0].loggedOff);
}

TEST(MessageClientTest, TextsWithLineBreaksTabsAndBackslashesArriveUnchanged) {
    vqtest::MessageServer server;
    vq::CMessageClient client;
    client.SetServerName(server.ServerName());
    ASSERT_TRUE(client.Logon("a\tb"));
    const CString text = "line 1\r\nline 2\tcolumn\\n not a break\\";
    EXPECT_TRUE(client.Send("x\ny", text));
    client.Logoff();
    ASSERT_TRUE(server.WaitForClosedSessions(1));
    auto session = server.Sessions().at(0);
    EXPECT_EQ(CString("a\tb"), session.accounts.at(0));
    EXPECT_EQ(CString("x\ny"), session.notices.at(0).first);
    EXPECT_EQ(text, session.notices.at(0).second);
    // Each command stayed on its own line.
    EXPECT_EQ(3u, session.commands.size());
}

TEST(MessageClientTest, EscapingRoundTrips) {
    for (const char* text : {"", "plain", "\\", "\\\\t", "a\tb\rc\nd", "trailing\\"}) {
        CString escaped = vq::EscapeMessageArgument(text);
        EXPECT_LT(escaped.Find('\n'), 0);
        EXPECT_LT(escaped.Find('\t'), 0);
        EXPECT_EQ(CString(text), vq::UnescapeMessageArgument(escaped)) << text;
    }
}

TEST(MessageClientTest, NothingIsSentWithoutLogon) {
    vqtest::MessageServer server;
    vq::CMessageClient client;
    client.SetServerName(server.ServerName());
    EXPECT_FALSE(client.Send("li", "text"));
    client.Logoff();
    EXPECT_EQ(0u, server.Connections());
}

TEST(MessageClientTest, UnreachableOrMalformedServerNamesFailQuietly) {
    int port = 0;
    {
        vqtest::MessageServer stopped;
        port = stopped.Port();
    }
    for (CString name : {CString(""), CString("127.0.0.1:") + CString(std::to_string(port)),
                         CString("127.0.0.1:x"), CString("127.0.0.1:99999"), CString("[::1")}) {
        vq::CMessageClient client;
        client.SetServerName(name);
        EXPECT_FALSE(client.Logon("zhang")) << name.c_str();
        EXPECT_FALSE(client.Send("li", "text"));
        client.Logoff();
    }
}
