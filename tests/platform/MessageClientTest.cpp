#include "platform/com/MessageClient.h"
#include "tests/support/LoopbackSocket.h"
#include "tests/support/MessageServer.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

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

namespace {

// A server on loopback that greets and then answers the first command with `answer`, written
// in pieces of `piece` bytes every `pause`, and keeps the connection open until it ends.
class BadMessageServer {
public:
    BadMessageServer(std::string answer, std::size_t piece, std::chrono::milliseconds pause)
        : m_answer(std::move(answer)), m_piece(piece), m_pause(pause) {
        m_listen = vqtest::ListenOnLoopback(1, m_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~BadMessageServer() {
        m_stop = true;
        ::shutdown(m_listen, SHUT_RDWR);
        m_thread.join();
        ::close(m_listen);
    }
    CString ServerName() const { return CString("127.0.0.1:" + std::to_string(m_port)); }

private:
    void Serve() {
        int fd = ::accept(m_listen, nullptr, nullptr);
        if (fd < 0)
            return;
        ::send(fd, "OK VQMSG 1\n", 11, MSG_NOSIGNAL);
        char command[256];
        ::recv(fd, command, sizeof command, 0);
        for (std::size_t sent = 0; !m_stop && sent < m_answer.size(); sent += m_piece) {
            std::size_t n = std::min(m_piece, m_answer.size() - sent);
            if (::send(fd, m_answer.data() + sent, n, MSG_NOSIGNAL) <= 0)
                break;
            std::this_thread::sleep_for(m_pause);
        }
        while (!m_stop) // the connection stays open, as a hung server's does
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ::close(fd);
    }

    std::string m_answer;
    std::size_t m_piece;
    std::chrono::milliseconds m_pause;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

} // namespace

TEST(MessageClientTest, AServerThatTricklesItsAnswerIsGivenUpAfterTenSeconds) {
    // One byte a second, never a line end: each byte comes well within any per-read timeout.
    BadMessageServer server(std::string(60, 'O'), 1, std::chrono::milliseconds(1000));
    vq::CMessageClient client;
    client.SetServerName(server.ServerName());
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.Logon("zhang"));
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::seconds(9));
    EXPECT_LT(waited, std::chrono::seconds(13));
}

TEST(MessageClientTest, AnAnswerWithoutALineEndIsNotCollectedWithoutBound) {
    // Megabytes without a line end, then silence: the client stops reading at its bound.
    BadMessageServer server(std::string(8 << 20, 'x'), 64 << 10, std::chrono::milliseconds(0));
    vq::CMessageClient client;
    client.SetServerName(server.ServerName());
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.Logon("zhang"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
